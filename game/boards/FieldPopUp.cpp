#include "game/boards/FieldPopUp.h"

#include "engine/actions/CCActionEase.h"
#include "engine/actions/CCActionInstant.h"
#include "engine/actions/CCActionInterval.h"
#include "engine/actions/CCSequence.h"
#include "engine/director/CCDirector.h"
#include "engine/labels/CCLabelTTF.h"
#include "engine/menus/CCMenu.h"
#include "engine/menus/CCMenuItem.h"
#include "engine/nodes/CCLayerColor.h"
#include "engine/sprites/CCSprite.h"
#include "engine/transitions/CCTransitionFade.h"
#include "foundation/Format.h"
#include "foundation/Shared.h"
#include "game/boards/BoardSupport.h"
#include "game/boards/CountrySideScene.h"
#include "game/boards/SessionHooks.h"
#include "game/boards/VillageGate.h"
#include "game/state/GlobalObject.h"
#include "game/state/LocalisationManager.h"
#include "game/state/Profile.h"
#include "game/state/SessionReturnPoint.h"
#include "game/state/TutorialFrameDef.h"

namespace mw {

namespace {

constexpr ccColor3B kTitleColour{82, 69, 66};
constexpr ccColor3B kTextColour{112, 90, 82};
constexpr ccColor3B kCaptionShadow{46, 36, 29};
constexpr ccColor3B kCaptionFront{237, 227, 187};
constexpr int32_t kFieldSounds = 2;
// The panel's and the background's slide, as fractions of the window height.
constexpr float kPanelSlide = 0.41f;
constexpr float kBackgroundSlide = 0.24f;
constexpr float kSlideTime = 0.5f;

std::string text(const char* key)
{
    return LocalisationManager::sharedInstance()->getValue(key);
}

Ref<CCMenuItemSprite> button(const char* normal, const char* pressed, CCMenuCallback callback)
{
    auto up = CCSprite::spriteWithSpriteFrameName(normal);
    auto down = CCSprite::spriteWithSpriteFrameName(pressed);
    if (!up) return nullptr;
    return CCMenuItemSprite::itemFromNormalSprite(up.get(), down.get(), nullptr, std::move(callback));
}

// The caption twice, a dark shadow under a light front copy, offset inside the button.
void caption(CCNode* item, const std::string& words, float size, CGPoint shadowShift, CGPoint frontShift)
{
    if (!item) return;
    const CGSize box = item->contentSize();
    for (const bool front : {false, true}) {
        auto label = CCLabelTTF::labelWithString(words, "HelveticaNeue-Bold", size);
        if (!label) continue;
        const CGPoint shift = front ? frontShift : shadowShift;
        label->setPosition({box.width / 2 + shift.x, box.height / 2 + shift.y});
        label->setColor(front ? kCaptionFront : kCaptionShadow);
        item->addChild(label.get(), 2);
    }
}

GlobalObject* global()
{
    return Shared<GlobalObject>::current();
}

void playSound(const char* key)
{
    board::playSound(key);
}

} // namespace

Ref<FieldPopUp> FieldPopUp::popUpWithLayer(CCNode* layer)
{
    auto made = makeRef<FieldPopUp>();
    if (!made->initWithLayer(layer)) return nullptr;
    return made;
}

bool FieldPopUp::initWithLayer(CCNode* layer)
{
    if (auto* gate = dynamic_cast<VillageGate*>(layer)) (void)gate->CollectAllBonuses();
    const CGSize win = board::winSize();
    auto dim = CCLayerColor::layerWithColor({0, 0, 0, 128}, win.width, win.height);
    addChild(dim.get());
    // The save holds the state before the session, gold for it included;
    // leaving the session early returns to this mark, not to a later save.
    Profile::sharedInstance()->Save();
    (void)SessionReturnPoint::mark();

    buildLayout();
    if (!bcg) return false;
    if (Profile::sharedInstance()->GetTutorialDef(kTutorialFrame) &&
        !Profile::sharedInstance()->GetTutorialDef(kTutorialFrame)->Done) {
        if (ShowTutorialFrame(kTutorialFrame)) SetInputActive(false);
    }
    if (GlobalObject* object = global()) object->DoTheBoing(bcg.get());
    bcg->addChild(menu.get());
    return true;
}

void FieldPopUp::buildLayout()
{
    const CGSize win = board::winSize();
    const bool tablet = board::isIpad();
    bcg = CCSprite::spriteWithSpriteFrameName("bg_popup.png");
    if (!bcg) return;
    bcg->setPosition({win.width / 2, win.height / 2});
    addChild(bcg.get());
    const CGSize size = bcg->contentSize();
    const auto at = [size](float x, float y) { return CGPoint{x * size.width, y * size.height}; };

    menu = CCMenu::menuWithItems({});
    menu->setPosition({0, 0});

    if (auto worker = CCSprite::spriteWithSpriteFrameName("worker_ploughman.png")) {
        worker->setAnchorPoint({0.5f, 0});
        worker->setPosition(at(0.5f, 0.63f));
        bcg->addChild(worker.get());
    }
    if (auto title =
            CCLabelTTF::labelWithString(text("FIELD_POPUP_H"), "HelveticaNeue-Bold", tablet ? 36 : 18)) {
        title->setColor(kTitleColour);
        title->setPosition(at(0.5f, 0.48f));
        bcg->addChild(title.get());
    }
    const CGSize box = tablet ? CGSize{360, 300} : CGSize{180, 150};
    if (auto body = CCLabelTTF::labelWithString(text("FIELD_POPUP"), box, UITextAlignmentCenter,
                                                "HelveticaNeue", tablet ? 20 : 10)) {
        body->setColor(kTextColour);
        body->setPosition(at(0.5f, 0.1f));
        bcg->addChild(body.get());
    }

    auto close =
        button("cancel_button.png", "cancel_button_click.png", [this](CCMenuItem* item) { Close(item); });
    if (close) {
        close->setPosition(at(0.3f, 0.18f));
        caption(close.get(), text("BUTTON_CLOSE"), tablet ? 26 : 13, {1, 0}, {0, 1});
        menu->addChild(close.get());
    }
    auto buy = button("instantbuy_button.png", "instantbuy_button_click.png",
                      [this](CCMenuItem* item) { BuyMore(item); });
    if (buy) {
        buy->setPosition(at(0.7f, 0.18f));
        caption(buy.get(), format("%d", kPrice), tablet ? 28 : 14, {tablet ? 11.0f : 5.0f, 0},
                {tablet ? 10.0f : 4.0f, 1});
        menu->addChild(buy.get());
    }
}

bool FieldPopUp::ShowTutorialFrame(int32_t frame)
{
    return session::showTutorial(this, frame, kTutorialZ);
}

void FieldPopUp::SetInputActive(bool active)
{
    if (!menu || menu->isTouchEnabled() == active) return;
    menu->setIsTouchEnabled(active);
}

CCNode* FieldPopUp::coinPanel() const
{
    return getChildByTag(kTagCoinPanel);
}

void FieldPopUp::Close(CCNode*)
{
    playSound("selection_menu");
    SessionReturnPoint::clear();
    Ref<FieldPopUp> keep = this;
    if (CCNode* hud = parent()) {
        hud->SetInputActive(true);
        if (auto* gate = dynamic_cast<VillageGate*>(hud)) {
            if (CCNode* current = gate->GetLayer()) current->SetInputActive(true);
        }
    }
    removeFromParentAndCleanup(true);
}

void FieldPopUp::BuyMore(CCNode*)
{
    if (Profile::sharedInstance()->GoldCount >= kPrice) {
        playSound("selection_buy");
        Play(nullptr);
        return;
    }
    if (coinPanel()) return;
    playSound("selection_menu");
    const CGSize win = board::winSize();
    auto open = button("microtransactions_list_open.png", "microtransactions_list_open.png",
                       [this](CCMenuItem* item) { CloseMicro(item); });
    auto panel = CCMenu::menuWithItems({});
    if (open) panel->addChild(open.get());
    panel->setAnchorPoint({0.5f, 1});
    panel->setPosition({win.width / 2, 0});
    addChild(panel.get(), 2, kTagCoinPanel);
    auto* gate = dynamic_cast<VillageGate*>(parent());
    if (Ref<CCNode> list = gate ? gate->coinPackList() : nullptr) {
        // The list hangs one window below the button, centred on the window.
        list->setPosition({0, -win.height});
        if (open)
            open->addChild(list.get(), -1);
        else
            panel->addChild(list.get(), -1);
    }
    panel->runAction(CCEaseSineIn::actionWithAction(
                         CCMoveBy::actionWithDuration(kSlideTime, {0, kPanelSlide * win.height}))
                         .get());
    bcg->runAction(CCEaseSineIn::actionWithAction(
                       CCMoveBy::actionWithDuration(kSlideTime, {0, kBackgroundSlide * win.height}))
                       .get());
}

void FieldPopUp::CloseMicro(CCNode*)
{
    CCNode* panel = coinPanel();
    if (!panel) return;
    playSound("selection_menu");
    const CGSize win = board::winSize();
    panel->runAction(CCEaseSineOut::actionWithAction(
                         CCMoveBy::actionWithDuration(kSlideTime, {0, -kPanelSlide * win.height}))
                         .get());
    bcg->runAction(CCEaseSineOut::actionWithAction(
                       CCMoveBy::actionWithDuration(kSlideTime, {0, -kBackgroundSlide * win.height}))
                       .get());
    if (menu) menu->setIsTouchEnabled(false);
    auto wait = CCDelayTime::actionWithDuration(kSlideTime);
    auto clear = CCCallBlockN::actionWithBlock(
        [](CCNode* node) { static_cast<FieldPopUp*>(node)->ClearAfterMicro(); });
    runAction(CCSequence::actionOne(wait.get(), clear.get()).get());
}

void FieldPopUp::ClearAfterMicro()
{
    if (CCNode* panel = coinPanel()) panel->removeFromParentAndCleanup(true);
    if (menu) menu->setIsTouchEnabled(true);
}

void FieldPopUp::Play(CCNode* sender)
{
    playSound("selection_menu");
    if (sender && sender->parent()) {
        if (auto* owner = dynamic_cast<CCMenu*>(sender->parent())) owner->setIsTouchEnabled(false);
    }
    SwitchScene();
}

void FieldPopUp::SwitchScene()
{
    Profile* profile = Profile::sharedInstance();
    profile->GoldCount -= kPrice;
    profile->GoldSpent -= kPrice;
    auto* gate = dynamic_cast<VillageGate*>(parent());
    if (gate) gate->UpdateTopBar();
    if (TutorialFrameDef* first = profile->GetTutorialDef(8); first && !first->Done) {
        for (const int32_t frame : {8, 9}) {
            if (TutorialFrameDef* def = profile->GetTutorialDef(frame)) {
                def->Done = true;
                def->ArrowAfterDone = true;
            }
        }
    }
    if (gate) {
        if (auto* map = dynamic_cast<VillageGate*>(gate->GetLayer())) map->StopWithRelease();
    }
    GlobalObject* object = global();
    const int32_t previous = object ? object->CurrentSceneId : -1;
    if (object) object->LoadAudioFor(kFieldSounds);
    Ref<CCScene> fields = CountrySideScene::scene();
    CCDirector::sharedDirector()->replaceScene(
        CCTransitionFade::transitionWithDuration(0.4f, fields.get()).get());
    if (object && previous >= 0) object->UnloadAudioFor(previous);
}

} // namespace mw
