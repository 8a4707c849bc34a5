#include "game/front/MainMenuScene.h"

#include "engine/actions/CCActionInstant.h"
#include "engine/actions/CCActionInterval.h"
#include "engine/actions/CCRepeat.h"
#include "engine/actions/CCSequence.h"
#include "engine/director/CCDirector.h"
#include "engine/sprites/CCSpriteFrameCache.h"
#include "engine/textures/CCTextureCache.h"
#include "foundation/Log.h"
#include "foundation/Paths.h"
#include "game/defs/XMLManager.h"
#include "game/front/CCTransitionDoors.h"
#include "game/state/GlobalObject.h"
#include "game/state/LocalisationManager.h"
#include "game/state/Profile.h"
#include "game/state/SaveFile.h"
#include "game/village/CCDownSizeButton.h"
#include "platform/GameCenter.h"
#include "platform/GameCenterScreens.h"
#include "platform/URLOpener.h"
#include "social/session/LumoraSlimlineSession.h"

namespace mw {

namespace {

constexpr int32_t kMenuSoundSet = 0;

CGSize window() { return CCDirector::sharedDirector()->winSize(); }
float windowWidthInPixels() { return CCDirector::sharedDirector()->winSizeInPixels().width; }
std::string text(const std::string& key) { return LocalisationManager::sharedInstance()->getValue(key); }

} // namespace

std::string MainMenuScene::backgroundImage(bool isIp3, float windowWidthInPixels)
{
    if (isIp3) return "v3_mainmenu_bg_1.jpg";
    return windowWidthInPixels > 1200 ? "v3_mainmenu_bg_3.jpg" : "v3_mainmenu_bg_2.jpg";
}

MainMenuScene::MainMenuScene()
{
    Profile* profile = Profile::sharedInstance();
    GlobalObject* global = GlobalObject::sharedInstance();
    // The user default may still say "Loaded" after the file went.
    if (SaveFile::isMissing()) profile->Loaded = false;

    const std::string sheet
        = CCTransitionDoors::menuSheet(global->isIpad, global->isIp3, windowWidthInPixels());
    if (!CCSpriteFrameCache::sharedSpriteFrameCache()->addSpriteFramesWithFile(sheet)) {
        logLine("MainMenuScene: the sheet %s could not be loaded", sheet.c_str());
    }
    LumoraSlimlineSession::activateLumoraUI();
    timePerText = 6.3f;
    MoveTime = 4 * timePerText;
    fadetime = 0.5f;
    REnameActive = false;
    global->PlayBackgroundTrack("sound_farm1.aac");

    const CGSize size = window();
    bacground = CCSprite::spriteWithFile(backgroundImage(global->isIp3, windowWidthInPixels()));
    if (bacground) {
        bacground->setAnchorPoint({0, 0.5f});
        bacground->setPosition({0, size.height * 0.5f});
        addChild(bacground.get());
        buildFlags();
    }

    logo = CCSprite::spriteWithSpriteFrameName("logo_MW_01.png");
    if (logo) {
        logo->setPosition({size.width * 0.5f, size.height * 0.8f});
        addChild(logo.get());
        if (auto wheel = CCSprite::spriteWithSpriteFrameName("logo_MW_02.png")) {
            const CGSize logoSize = logo->contentSize();
            wheel->setPosition({logoSize.width * 0.71f, logoSize.height * 0.73f});
            logo->addChild(wheel.get());
            wheel->runAction(
                CCRepeatForever::actionWithAction(CCRotateBy::actionWithDuration(15.0f, 359.0f).get()).get());
        }
    }
    buildIcons();
}

MainMenuScene::~MainMenuScene()
{
    LumoraSlimlineSession::deactivateLumoraUI();
    LumoraSlimlineSession::closeLumoraSession();
    if (spinner) spinner->removeFromSuperview();
    for (AlertView* alert : {nameAlert.get(), warningAlert.get()}) {
        if (alert != nullptr && alert->delegate == this) alert->delegate = nullptr;
    }
}

void MainMenuScene::buildFlags()
{
    struct Flag {
        const char* file;
        CGPoint phone;
        CGPoint tablet;
    };
    static const Flag flags[] = {
        {"flag_01.xml", {340, 335}, {681, 670}},
        {"flag_02.xml", {371, 310}, {742, 620}},
        {"flag_03.xml", {304, 290}, {609, 580}},
    };
    const bool tablet = GlobalObject::sharedInstance()->isIpad;
    for (const Flag& flag : flags) {
        Animation* definition = XMLManager::sharedInstance()->GetAnimationNamed(flag.file);
        if (definition == nullptr) {
            logLine("MainMenuScene: no animation %s", flag.file);
            continue;
        }
        Ref<Animation> copy = definition->GenerateNewObject();
        copy->PlaceObject();
        copy->setPosition(tablet ? flag.tablet : flag.phone);
        bacground->addChild(copy.get());
        copy->StartAnimations(true);
    }
}

void MainMenuScene::buildIcons()
{
    const CGSize size = window();
    const float hw = size.width * 0.5f, hh = size.height * 0.5f;
    const bool tablet = GlobalObject::sharedInstance()->isIpad;
    struct Icon {
        const char* frame;
        SEL_Call action;
        int tag;
        CGPoint phone;
        CGPoint tablet;
        bool gameCentre;
    };
    const Icon icons[] = {
        {"icon_facebook.png",
         call_selector(MainMenuScene::FacebookCallback),
         kFacebookTag,
         {0.85f * hw, -0.46f * hh},
         {0.62f * hw, -0.49f * hh},
         false},
        {"icon_twitter.png",
         call_selector(MainMenuScene::TwitterCallback),
         kTwitterTag,
         {0.85f * hw + 2, -0.29f * hh + 2},
         {0.85f * hw, -0.49f * hh},
         false},
        {"icon_achievments.png",
         call_selector(MainMenuScene::AchievementsCallback),
         kAchievementsTag,
         {-0.85f * hw, -0.29f * hh},
         {-0.85f * hw, -0.49f * hh},
         true},
        {"icon_leaderboards.png",
         call_selector(MainMenuScene::ScoresCallback),
         kScoresTag,
         {-0.85f * hw, -0.46f * hh},
         {-0.62f * hw, -0.49f * hh},
         true},
    };
    MenuItemContainer = CCMenu::menuWithItems({});
    const bool gameCentre = GlobalObject::isGameCenterAvailable();
    for (const Icon& icon : icons) {
        if (icon.gameCentre && !gameCentre) continue;
        auto button = CCDownSizeButton::itemFromFrameName(icon.frame, CCMenuCallback(this, icon.action));
        if (!button) continue;
        button->setPosition(tablet ? icon.tablet : icon.phone);
        MenuItemContainer->addChild(button.get(), 0, icon.tag);
    }
    MenuItemContainer->setPosition({hw, 0.58f * hh});
    addChild(MenuItemContainer.get());
}

void MainMenuScene::onEnterTransitionDidFinish()
{
    CCScene::onEnterTransitionDidFinish();
    GlobalObject* global = GlobalObject::sharedInstance();
    global->initGameCenter();

    const CGSize size = window();
    if (Animation* definition = XMLManager::sharedInstance()->GetAnimationNamed("main_menu.xml")) {
        a = definition->GenerateNewObject();
        a->PlaceObject();
        a->setPosition({size.width * 0.5f, size.height * 0.35f});
        addChild(a.get());
        a->StartAnimations(false, true);
    } else {
        logLine("MainMenuScene: no animation main_menu.xml; the plates are left out");
    }

    CCTextureCache* textures = CCTextureCache::sharedTextureCache();
    if (global->isIp3) {
        textures->removeTextureForKey("main_interface_logotype_quillfen_small.png");
        textures->removeTextureForKey("main_interface_logotype_zandovar_small.png");
    } else {
        textures->removeTextureForKey("main_interface_logotype_quillfen.png");
        textures->removeTextureForKey("main_interface_logotype_zandovar.png");
    }
    if (a) buildPlates();
}

void MainMenuScene::buildPlates()
{
    const bool tablet = GlobalObject::sharedInstance()->isIpad;
    const bool saved = Profile::sharedInstance()->Loaded;
    menu1 = a->GetSpriteNamed("mainmenu_element_01.png");
    CCSprite* menu2 = a->GetSpriteNamed("mainmenu_element_02.png");
    CCSprite* menu3 = a->GetSpriteNamed("mainmenu_element_03.png");

    if (menu1 != nullptr) {
        const CGSize plate = menu1->contentSize();
        const CGPoint centre {plate.width * 0.5f, plate.height * 0.5f};
        const float fontSize = tablet ? 50.0f : 25.0f;
        if (saved) {
            auto name = CCLabelTTF::labelWithString(Profile::sharedInstance()->VillageName,
                                                    "HelveticaNeue-Bold", fontSize);
            name->setColor(ccc3(198, 50, 5));
            btMain = CCMenuItemLabel::itemWithLabel(
                name.get(), CCMenuCallback(this, call_selector(MainMenuScene::RenameCallback)));
            menu1m = CCMenu::menuWithItems({btMain.get()});
            menu1m->setPosition(centre);
            menu1->addChild(menu1m.get());
        } else {
            auto welcome = CCLabelTTF::labelWithString(text("WELCOME_TEXT"), "HelveticaNeue-Bold", fontSize);
            welcome->setColor(ccc3(198, 50, 5));
            welcome->setPosition(centre);
            menu1->addChild(welcome.get());
        }
    }
    if (menu2 != nullptr) {
        menu2m = saved
            ? plateButton(menu2, "MM_CONTINUE", call_selector(MainMenuScene::ContinueCallback), 0)
            : plateButton(menu2, "MM_NEW_GAME", call_selector(MainMenuScene::StartCallback), tablet ? 4 : 2);
    }
    if (menu3 != nullptr) {
        menu3m
            = plateButton(menu3, "MM_OPTIONS", call_selector(MainMenuScene::OptionsCallback), tablet ? 2 : 1);
    }
}

Ref<CCMenu> MainMenuScene::plateButton(CCSprite* plate, const std::string& key, SEL_Call action, float lower)
{
    const float fontSize = GlobalObject::sharedInstance()->isIpad ? 46.0f : 23.0f;
    const std::string caption = text(key);
    auto label = CCLabelTTF::labelWithString(caption, "HelveticaNeue-Bold", fontSize);
    label->setColor(ccc3(255, 247, 210));
    auto shadow = CCLabelTTF::labelWithString(caption, "HelveticaNeue-Bold", fontSize);
    shadow->setColor(ccc3(46, 36, 29));
    const CGSize labelSize = label->contentSize();
    shadow->setPosition({labelSize.width * 0.5f + 1, labelSize.height * 0.5f - 1});
    label->addChild(shadow.get(), -1);
    auto item = CCMenuItemLabel::itemWithLabel(label.get(), CCMenuCallback(this, action));
    auto menu = CCMenu::menuWithItems({item.get()});
    const CGSize size = plate->contentSize();
    menu->setPosition({size.width * 0.5f, size.height * 0.5f - lower});
    plate->addChild(menu.get());
    return menu;
}

void MainMenuScene::onHide()
{
    for (CCNode* node : {static_cast<CCNode*>(logo.get()), static_cast<CCNode*>(bacground.get()),
                         static_cast<CCNode*>(a.get()), static_cast<CCNode*>(menu1m.get()),
                         static_cast<CCNode*>(menu3m.get()), static_cast<CCNode*>(menu2m.get()),
                         static_cast<CCNode*>(MenuItemContainer.get()), static_cast<CCNode*>(btMain.get()),
                         static_cast<CCNode*>(IntroText.get())}) {
        if (node != nullptr) node->setVisible(false);
    }
}

// ---- buttons ----

void MainMenuScene::leaveThroughDoors()
{
    GlobalObject* global = GlobalObject::sharedInstance();
    const int32_t noted = global->CurrentSceneId;
    global->LoadAudioFor(kMenuSoundSet);
    stopAllActions();
    if (auto doors = CCTransitionDoorsFromMenu::transitionWithDuration(0.6f)) {
        CCDirector::sharedDirector()->replaceScene(doors.get());
    }
    if (noted >= 0) global->UnloadAudioFor(noted);
}

void MainMenuScene::ContinueCallback()
{
    LumoraSlimlineSession::deactivateLumoraUI();
    (void)GlobalObject::sharedInstance()->PlaySoundEffect("selection_menu");
    leaveThroughDoors();
}

void MainMenuScene::OptionsCallback()
{
    (void)GlobalObject::sharedInstance()->PlaySoundEffect("selection_menu");
    auto popUp = MainMenuPopUp::popUp();
    const CGSize size = window();
    popUp->setPosition({size.width * 0.5f, size.height * 0.5f});
    addChild(popUp.get(), 6);
    SetInputActive(false);
}

void MainMenuScene::SetInputActive(bool active)
{
    for (CCMenu* menu : {MenuItemContainer.get(), menu1m.get(), menu2m.get(), menu3m.get()}) {
        if (menu != nullptr) menu->setIsTouchEnabled(active);
    }
}

void MainMenuScene::FacebookCallback()
{
    (void)GlobalObject::sharedInstance()->PlaySoundEffect("selection_menu");
    (void)URLOpener::sharedInstance()->openURL(kFacebookAddress);
}

void MainMenuScene::TwitterCallback()
{
    (void)GlobalObject::sharedInstance()->PlaySoundEffect("selection_menu");
    (void)URLOpener::sharedInstance()->openURL(kTwitterAddress);
}

// ---- game-centre screens ----

void MainMenuScene::AchievementsCallback()
{
    (void)GlobalObject::sharedInstance()->PlaySoundEffect("selection_menu");
    ShowAchievements();
}

void MainMenuScene::ScoresCallback()
{
    (void)GlobalObject::sharedInstance()->PlaySoundEffect("selection_menu");
    ShowLeaderboards();
}

void MainMenuScene::presentScreen(const std::function<void(std::function<void()> done)>& present)
{
    LumoraSlimlineSession::deactivateLumoraUI();
    LumoraSlimlineSession::activateLumoraUI();
    // The screen outlives nothing of the menu but this reference.
    Ref<MainMenuScene> self(this);
    present([self] { self->DismissModalViewCintroller(); });
}

void MainMenuScene::ShowAchievements()
{
    std::shared_ptr<GameCenter> service = GameCenter::sharedInstance();
    if (!service) return;
    presentScreen(
        [service](std::function<void()> done) { presentAchievementsScreen(*service, std::move(done)); });
}

void MainMenuScene::ShowLeaderboards()
{
    GlobalObject* global = GlobalObject::sharedInstance();
    Profile* profile = Profile::sharedInstance();
    if (GameCenterManager* manager = global->gameCenterManager.get()) {
        const double perPoint = global->isIpad ? 0.02 : 0.01;
        manager->reportScore(static_cast<int64_t>(profile->FingerLength * perPoint),
                             "com.zandovar.mw.distancetraced");
        manager->reportScore(profile->Points, "com.zandovar.mw.totalpoints");
        manager->reportScore(std::max(profile->HighscoreMine, profile->HighscoreFields),
                             "com.zandovar.mw.highscores");
    }
    std::shared_ptr<GameCenter> service = GameCenter::sharedInstance();
    if (!service) return;
    presentScreen([service](std::function<void()> done) {
        presentLeaderboardScreen(*service, "com.zandovar.mw.totalpoints", std::move(done));
    });
}

void MainMenuScene::DismissModalViewCintroller() { LumoraSlimlineSession::activateLumoraUI(); }

// ---- the downloader's listener ----

void MainMenuScene::downloadFinished(Object*)
{
    const CGSize size = window();
    auto label = CCLabelTTF::labelWithString("Config Downloaded!", "HelveticaNeue-Bold", 30);
    label->setColor(ccc3(0, 0, 0));
    label->setPosition({size.width * 0.5f, size.height * 0.96f});
    addChild(label.get(), 3, kDownloadLabelTag);
    label->setScale(0.8f);
    label->runAction(
        CCSequence::actions(
            {CCScaleTo::actionWithDuration(0.1f, 1.2f).get(), CCScaleTo::actionWithDuration(0.1f, 0.9f).get(),
             CCScaleTo::actionWithDuration(0.1f, 1.0f).get(), CCDelayTime::actionWithDuration(1.0f).get(),
             CCCallFunc::actionWithTarget(this, call_selector(MainMenuScene::removeLabel)).get()})
            .get());
}

void MainMenuScene::removeLabel() { removeChildByTag(kDownloadLabelTag, true); }

} // namespace mw
