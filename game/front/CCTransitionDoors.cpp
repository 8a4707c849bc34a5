#include "game/front/CCTransitionDoors.h"

#include "engine/actions/CCActionEase.h"
#include "engine/actions/CCActionInstant.h"
#include "engine/actions/CCActionInterval.h"
#include "engine/actions/CCSequence.h"
#include "engine/director/CCDirector.h"
#include "engine/sprites/CCSpriteFrameCache.h"
#include "engine/textures/CCTexture2D.h"
#include "engine/textures/CCTextureCache.h"
#include "foundation/Log.h"
#include "game/front/MainMenuScene.h"
#include "game/state/GlobalObject.h"
#include "game/village/VillageScene.h"

namespace mw {

namespace {

constexpr int kDoorsZ = 5;

float windowWidthInPixels() { return CCDirector::sharedDirector()->winSizeInPixels().width; }

std::function<Ref<CCScene>()>& incomingSceneMaker()
{
    static std::function<Ref<CCScene>()> maker;
    return maker;
}

std::string textureOf(const std::string& sheet) { return sheet.substr(0, sheet.size() - 6) + ".png"; }

void loadSheet(const std::string& sheet)
{
    if (!CCSpriteFrameCache::sharedSpriteFrameCache()->addSpriteFramesWithFile(sheet)) {
        logLine("Doors: the sheet %s could not be loaded", sheet.c_str());
    }
}

} // namespace

// ---- the shared doors ----

std::string CCTransitionDoors::doorImage(bool isIpad, bool isIp3)
{
    if (isIp3) return "loading_doors_ip3.png";
    return isIpad ? "loading_doors_ipad.png" : "loading_doors_ip4.png";
}

std::string CCTransitionDoors::menuSheet(bool isIpad, bool isIp3, float windowWidthInPixels)
{
    if (isIpad) return windowWidthInPixels > 1024 ? "MainMenu_H2.plist" : "MainMenu_H.plist";
    return isIp3 ? "MainMenu_L.plist" : "MainMenu_H.plist";
}

std::vector<std::string> CCTransitionDoors::villageSheets(bool isIpad, bool isIp3, float windowWidthInPixels)
{
    if (isIpad && windowWidthInPixels > 1024)
        return {"Village-iPhone4-H2.plist", "gameplay_iPhone4-H2.plist", "gui_common-H2.plist",
                "gui_ipadn2.plist"};
    if (isIpad)
        return {"Village-iPhone4-H.plist", "gameplay_iPhone4-H.plist", "gui_common-H.plist",
                "gui_ipadn.plist"};
    if (isIp3)
        return {"Village-iPhone4-L.plist", "gameplay_iPhone4-L.plist", "gui_common-L.plist",
                "gui_iphone4n-L.plist"};
    return {"Village-iPhone4-H.plist", "gameplay_iPhone4-H.plist", "gui_common-H.plist",
            "gui_iphone4n-H.plist"};
}

void CCTransitionDoors::after(float delay, SEL_Call step)
{
    runAction(CCSequence::actions({CCDelayTime::actionWithDuration(delay).get(),
                                   CCCallFunc::actionWithTarget(this, step).get()})
                  .get());
}

void CCTransitionDoors::onEnter()
{
    CCTransitionScene::onEnter();
    GlobalObject* global = GlobalObject::sharedInstance();
    const CGSize window = CCDirector::sharedDirector()->winSize();
    const bool wide = windowWidthInPixels() > 1200;

    const std::string image = doorImage(global->isIpad, global->isIp3);
    mLeft = CCSprite::spriteWithFile(image);
    mRight = CCSprite::spriteWithFile(image);
    // A missing image leaves empty doors; the scenes still switch.
    if (!mLeft) mLeft = makeRef<CCSprite>();
    if (!mRight) mRight = makeRef<CCSprite>();
    if (global->isIpad && wide) {
        mLeft->setScale(2.0f);
        mRight->setScale(2.0f);
    }

    const CGRect door = mLeft->textureRect();
    if (auto handle = CCSprite::spriteWithSpriteFrameName("loading_tab2.png")) {
        if (wide) handle->setScale(0.5f);
        handle->setAnchorPoint({1, 0.5f});
        handle->setPosition({door.size.width + handleOffset(), door.size.height * 0.5f});
        mLeft->addChild(handle.get());
    }
    if (auto handle = CCSprite::spriteWithSpriteFrameName("loading_tab1.png")) {
        if (wide) handle->setScale(0.5f);
        handle->setAnchorPoint({0, 0.5f});
        handle->setPosition({-handleOffset(), door.size.height * 0.5f});
        mRight->addChild(handle.get());
    }

    outScene_->addChild(mLeft.get(), kDoorsZ);
    outScene_->addChild(mRight.get(), kDoorsZ);
    mLeft->setAnchorPoint({1, 0});
    mLeft->setPosition({0, 0});
    mRight->setFlipX(true);
    mRight->setAnchorPoint({0, 0});
    mRight->setPosition({window.width, 0});
    const CGPoint middle {window.width * 0.5f, 0};
    mLeft->runAction(
        CCEaseSineOut::actionWithAction(CCMoveTo::actionWithDuration(duration_ * 0.5f, middle)).get());
    mRight->runAction(
        CCEaseSineOut::actionWithAction(CCMoveTo::actionWithDuration(duration_ * 0.5f, middle)).get());

    after(duration_, call_selector(CCTransitionDoors::LoadGfx));
    outScene_->onExitTransitionDidStart();
    (void)global->PlaySoundEffect("loader_close");
}

void CCTransitionDoors::Unload()
{
    if (!inScene_) {
        logLine("Doors: no incoming scene was built; an empty one follows");
        inScene_ = CCScene::node();
    }
    inScene_->onEnter();
    sceneOrder();
    // The incoming scene now draws over the outgoing one: the doors move
    // over both.
    for (CCSprite* door : {mLeft.get(), mRight.get()}) {
        if (door->parent() != nullptr) door->parent()->removeChild(door, false);
        addChild(door, kDoorsZ);
    }
    UnloadGfx();
}

void CCTransitionDoors::UnloadGfx()
{
    const CGSize window = CCDirector::sharedDirector()->winSize();
    mLeft->runAction(
        CCEaseSineIn::actionWithAction(CCMoveTo::actionWithDuration(duration_ * 0.5f, {0, 0})).get());
    mRight->runAction(
        CCEaseSineIn::actionWithAction(CCMoveTo::actionWithDuration(duration_ * 0.5f, {window.width, 0}))
            .get());
    after(duration_, call_selector(CCTransitionScene::finish));
    (void)GlobalObject::sharedInstance()->PlaySoundEffect("loader_open");
}

void CCTransitionDoors::draw()
{
    if (inScene_) {
        CCTransitionScene::draw();
        return;
    }
    CCScene::draw();
    if (outScene_) outScene_->visit();
}

// ---- from the menu ----

Ref<CCTransitionDoorsFromMenu> CCTransitionDoorsFromMenu::transitionWithDuration(float duration)
{
    auto doors = makeRef<CCTransitionDoorsFromMenu>();
    if (!doors->initWithoutIncomingScene(duration)) return nullptr;
    return doors;
}

void CCTransitionDoorsFromMenu::setIncomingSceneMaker(std::function<Ref<CCScene>()> maker)
{
    incomingSceneMaker() = std::move(maker);
}

void CCTransitionDoorsFromMenu::LoadGfx()
{
    GlobalObject* global = GlobalObject::sharedInstance();
    CCSpriteFrameCache* frames = CCSpriteFrameCache::sharedSpriteFrameCache();
    frames->removeSpriteFrames();
    const std::string sheet = menuSheet(global->isIpad, global->isIp3, windowWidthInPixels());
    (void)frames->removeSpriteFramesFromFile(sheet);
    CCTextureCache::sharedTextureCache()->removeTextureForKey(textureOf(sheet));
    frames->removeSpriteFrames();
    CCTextureCache::sharedTextureCache()->removeUnusedTextures();
    after(duration_ * 0.5f, call_selector(CCTransitionDoorsFromMenu::LoadTextures));
}

void CCTransitionDoorsFromMenu::LoadTextures()
{
    GlobalObject* global = GlobalObject::sharedInstance();
    const std::vector<std::string> sheets
        = villageSheets(global->isIpad, global->isIp3, windowWidthInPixels());
    // The four images decode side by side while the doors are shut; the
    // sheets' frames then find their textures made.
    const std::vector<Ref<CCTexture2D>> textures = CCTextureCache::sharedTextureCache()->addImages({
        {textureOf(sheets[0]), kCCTexture2DPixelFormat_RGBA4444},
        {textureOf(sheets[1]), kCCTexture2DPixelFormat_RGBA4444},
        {textureOf(sheets[2]), kCCTexture2DPixelFormat_RGBA8888},
        {textureOf(sheets[3]), kCCTexture2DPixelFormat_RGBA8888},
    });
    CCTexture2D::setDefaultAlphaPixelFormat(kCCTexture2DPixelFormat_RGBA4444);
    loadSheet(sheets[0]);
    loadSheet(sheets[1]);
    CCTexture2D::setDefaultAlphaPixelFormat(kCCTexture2DPixelFormat_RGBA8888);
    loadSheet(sheets[2]);
    loadSheet(sheets[3]);
    inScene_ = incomingSceneMaker() ? incomingSceneMaker()() : Ref<CCScene>(VillageScene::scene());
    if (!inScene_) {
        logLine("Doors: no village scene to open onto; an empty scene follows");
        inScene_ = CCScene::node();
    }
    after(duration_ * 0.5f, call_selector(CCTransitionDoors::Unload));
}

void CCTransitionDoorsFromMenu::UnloadGfx()
{
    CCTransitionDoors::UnloadGfx();
    outScene_->onHide();
}

// ---- to the menu ----

Ref<CCTransitionDoorsToMenu> CCTransitionDoorsToMenu::transitionWithDuration(float duration)
{
    auto doors = makeRef<CCTransitionDoorsToMenu>();
    if (!doors->initWithoutIncomingScene(duration)) return nullptr;
    return doors;
}

void CCTransitionDoorsToMenu::replaceRunningScene()
{
    if (auto doors = transitionWithDuration(0.6f)) CCDirector::sharedDirector()->replaceScene(doors.get());
}

void CCTransitionDoorsToMenu::LoadGfx()
{
    outScene_->onHide();
    // Frames first, so that the textures they held count as unused.
    CCSpriteFrameCache::sharedSpriteFrameCache()->removeSpriteFrames();
    CCTextureCache::sharedTextureCache()->removeUnusedTextures();
    CCTexture2D::setDefaultAlphaPixelFormat(kCCTexture2DPixelFormat_RGBA8888);
    GlobalObject* global = GlobalObject::sharedInstance();
    loadSheet(menuSheet(global->isIpad, global->isIp3, windowWidthInPixels()));
    Ref<MainMenuScene> menu = MainMenuScene::scene();
    inScene_ = Ref<CCScene>(menu.get());
    after(duration_ * 0.5f, call_selector(CCTransitionDoors::Unload));
}

} // namespace mw
