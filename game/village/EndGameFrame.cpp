#include "game/village/EndGameFrame.h"

#include <cmath>

#include "engine/actions/CCActionEase.h"
#include "engine/actions/CCActionInterval.h"
#include "engine/actions/CCRepeat.h"
#include "engine/actions/CCSequence.h"
#include "engine/director/CCDirector.h"
#include "engine/labels/CCLabelTTF.h"
#include "engine/menus/CCMenu.h"
#include "engine/menus/CCMenuItem.h"
#include "engine/nodes/CCLayerColor.h"
#include "engine/particles/CCParticleSystemQuad.h"
#include "engine/sprites/CCSprite.h"
#include "engine/sprites/CCSpriteFrameCache.h"
#include "foundation/Format.h"
#include "foundation/Log.h"
#include "foundation/Random.h"
#include "game/boards/VillageGate.h"
#include "game/state/GlobalObject.h"
#include "game/state/LocalisationManager.h"
#include "game/state/Profile.h"

namespace mw {
namespace {

constexpr ccColor3B kHeadColour{82, 69, 66};
constexpr ccColor3B kLineColour{112, 90, 82};
constexpr ccColor3B kShadow{151, 64, 10};

std::string text(const char* key)
{
    return LocalisationManager::sharedInstance()->getValue(key);
}

Ref<CCSprite> frameSprite(const char* name)
{
    if (!CCSpriteFrameCache::sharedSpriteFrameCache()->spriteFrameByName(name)) {
        logLine("EndGameFrame: no frame %s", name);
    }
    return CCSprite::spriteWithSpriteFrameName(name);
}

} // namespace

Ref<EndGameFrame> EndGameFrame::frame()
{
    auto made = makeRef<EndGameFrame>();
    if (!made->init()) return nullptr;
    return made;
}

bool EndGameFrame::init()
{
    const bool tablet = GlobalObject::sharedInstance()->isIpad;
    auto sized = [tablet](float onTablet, float onPhone) { return tablet ? onTablet : onPhone; };
    const CGSize win = CCDirector::sharedDirector()->winSize();

    auto dim = CCLayerColor::layerWithColor(ccc4(0, 0, 0, 0), win.width, win.height);
    dim->setPosition({-win.width / 2, -win.height / 2});
    addChild(dim.get());
    dim->runAction(CCEaseSineIn::actionWithAction(CCFadeTo::actionWithDuration(0.3f, 150)).get());

    Ref<CCSprite> rays = frameSprite("yellow_ray.png");
    rays->setScale(2.2f);
    rays->setOpacity(0);
    addChild(rays.get(), 2);
    rays->runAction(CCEaseSineIn::actionWithAction(CCFadeTo::actionWithDuration(0.3f, 255)).get());
    rays->runAction(CCRepeatForever::actionWithAction(CCRotateBy::actionWithDuration(8.5f, 360).get()).get());

    Ref<CCSprite> panel = frameSprite("bg_build.png");
    panel->setScale(0.42f);
    addChild(panel.get(), 3);
    auto grow = CCEaseSineIn::actionWithAction(CCScaleTo::actionWithDuration(0.2f, 1.05f));
    auto settle = CCEaseSineOut::actionWithAction(CCScaleTo::actionWithDuration(0.1f, 1.0f));
    panel->runAction(CCSequence::actionOne(grow.get(), settle.get()).get());
    panel_ = Ref<CCNode>(panel.get());
    const CGSize p = panel->contentSize();

    Ref<CCSprite> castle = frameSprite("b_castle.png");
    castle->setPosition({0.5f * p.width, 0.84f * p.height});
    panel->addChild(castle.get());
    auto heading = CCLabelTTF::labelWithString(text("ENDGAME_H"), "HelveticaNeue-Bold", sized(38, 19));
    heading->setColor(kHeadColour);
    heading->setPosition({0.5f * p.width, 0.62f * p.height});
    panel->addChild(heading.get());

    const double perPoint = tablet ? 0.02 : 0.01;
    const auto metres =
        static_cast<int32_t>(static_cast<double>(Profile::sharedInstance()->FingerLength) * perPoint);
    struct Line {
        std::string text;
        float y;
    };
    const Line lines[] = {
        {text("ENDGAME_1"), 0.53f},
        {text("ENDGAME_2"), 0.44f},
        {text("ENDGAME_3"), 0.34f},
        {text("ENDGAME_4"), 0.27f},
        {format("%@ %d %@", text("ENDGAME_5"), metres, text("ENDGAME_M")), 0.21f},
    };
    for (const Line& line : lines) {
        auto label = CCLabelTTF::labelWithString(line.text, {0.8f * p.width, 0.09f * p.height},
                                                 UITextAlignmentCenter, "HelveticaNeue", sized(22, 11));
        label->setColor(kLineColour);
        label->setPosition({0.5f * p.width, line.y * p.height});
        panel->addChild(label.get());
        distance_ = label.get();
    }

    Ref<CCSprite> up = frameSprite("craftfood_button.png");
    Ref<CCSprite> down = frameSprite("craftfood_button_click.png");
    auto button = CCMenuItemSprite::itemFromNormalSprite(up.get(), down.get(), nullptr,
                                                         [this](Object* sender) { GoodCallback(sender); });
    button->setAnchorPoint({0.5f, 0.5f});
    const CGSize box = button->contentSize();
    auto shadow = CCLabelTTF::labelWithString(text("MM_CONTINUE"), "HelveticaNeue-Bold", sized(30, 15));
    shadow->setColor(kShadow);
    shadow->setPosition({0.5f * box.width + 1, 0.5f * box.height - 1});
    button->addChild(shadow.get(), 2);
    auto face = CCLabelTTF::labelWithString(text("MM_CONTINUE"), "HelveticaNeue-Bold", sized(30, 15));
    face->setPosition({0.5f * box.width, 0.5f * box.height});
    button->addChild(face.get(), 2);
    auto menu = CCMenu::menuWithItems({button.get()});
    menu->setPosition({0.5f * p.width, 0.13f * p.height});
    panel->addChild(menu.get());
    button_ = button.get();

    schedule(schedule_selector(EndGameFrame::SpawnParticle), kSparkInterval);
    (void)GlobalObject::sharedInstance()->PlaySoundEffect("game_end");
    return true;
}

void EndGameFrame::SpawnParticle(float)
{
    const CGSize win = CCDirector::sharedDirector()->winSize();
    const double a = Random::random();
    const double b = Random::random();
    Ref<CCParticleSystemQuad> burst = CCParticleSystemQuad::particleWithFile("level_up.plist");
    if (!burst) return;
    burst->setAutoRemoveOnFinish(true);
    const float reach = win.width / 2.5f;
    burst->setPosition({std::trunc(reach * static_cast<float>(std::cos(a))),
                        std::trunc(reach * static_cast<float>(std::sin(b)))});
    addChild(burst.get(), 1);
}

void EndGameFrame::GoodCallback(Object*)
{
    unschedule(schedule_selector(EndGameFrame::SpawnParticle));
    (void)GlobalObject::sharedInstance()->PlaySoundEffect("selection_menu");
    Ref<EndGameFrame> self(this);
    if (CCNode* holder = parent()) {
        auto* gate = dynamic_cast<VillageGate*>(holder);
        if (CCNode* layer = gate ? gate->GetLayer() : nullptr) {
            holder->SetInputActive(true);
            layer->SetInputActive(true);
        }
    }
    removeFromParentAndCleanup(true);
}

} // namespace mw
