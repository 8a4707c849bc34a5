#include "game/boards/FoodPopUp.h"

#include <algorithm>

#include "analytics/TallyAnalytics.h"
#include "engine/actions/CCActionEase.h"
#include "engine/actions/CCActionInstant.h"
#include "engine/actions/CCActionInterval.h"
#include "engine/actions/CCSequence.h"
#include "engine/base/CCPropertyRegistry.h"
#include "engine/labels/CCLabelTTF.h"
#include "engine/menus/CCHoldButton.h"
#include "engine/menus/CCMenu.h"
#include "engine/menus/CCMenuItem.h"
#include "engine/nodes/CCLayerColor.h"
#include "engine/scenes/CCBReader.h"
#include "engine/sprites/CCSprite.h"
#include "foundation/Format.h"
#include "foundation/Log.h"
#include "foundation/Shared.h"
#include "foundation/Utf16.h"
#include "game/boards/BoardSupport.h"
#include "game/boards/CCFoodBar.h"
#include "game/boards/CCTutorialArrow.h"
#include "game/boards/SessionHooks.h"
#include "game/state/GlobalObject.h"
#include "game/state/LocalisationManager.h"
#include "game/state/Profile.h"
#include "game/state/Resource.h"
#include "game/state/SessionReturnPoint.h"
#include "game/state/TutorialFrameDef.h"
#include "game/boards/CCCounterDrell.h"

namespace mw {
namespace {

constexpr int32_t kBread = 3;
constexpr int32_t kFlock = 4;
constexpr int32_t kMarket = 18;
// Stock order of StarResources: BREAD, SOUP, PIE, FLOCK, DROVE, HERD.
constexpr std::array<int32_t, 6> kStockOrder{3, 1, 2, 4, 5, 6};
// The AchievementHelper slot of each resource identifier (index = identifier).
constexpr std::array<int, 7> kHelperSlot{-1, 1, 2, 0, 3, 5, 4};
constexpr ccColor3B kStartShadow{151, 64, 10};
constexpr ccColor3B kStartShadowOff{131, 123, 102};
constexpr ccColor3B kButtonShadow{46, 36, 29};
constexpr ccColor3B kButtonFront{237, 227, 187};
constexpr ccColor3B kMovesColour{231, 215, 172};
constexpr ccColor3B kMovesReady{254, 196, 64};

float sized(float tablet, float phone)
{
    return board::isIpad() ? tablet : phone;
}

std::string text(const char* key)
{
    return LocalisationManager::sharedInstance()->getValue(key);
}

TutorialFrameDef* frame(int32_t n)
{
    return Profile::sharedInstance()->GetTutorialDef(n);
}

// A frame the game data does not hold counts as done.
bool done(int32_t n)
{
    const TutorialFrameDef* def = frame(n);
    return def == nullptr || def->Done;
}

bool arrowDone(int32_t n)
{
    const TutorialFrameDef* def = frame(n);
    return def == nullptr || def->ArrowAfterDone;
}

void twoLayerLabel(CCNode* button, const std::string& s, float size, ccColor3B shadow, ccColor3B front)
{
    if (!button) return;
    const CGSize box = button->contentSize();
    auto back = CCLabelTTF::labelWithString(s, "HelveticaNeue-Bold", size);
    back->setColor(shadow);
    back->setPosition({box.width / 2 + 1, box.height / 2 - 1});
    button->addChild(back.get(), 1, FoodPopUp::kTagShadowLabel);
    auto top = CCLabelTTF::labelWithString(s, "HelveticaNeue-Bold", size);
    top->setColor(front);
    top->setPosition({box.width / 2, box.height / 2});
    button->addChild(top.get(), 2, FoodPopUp::kTagFrontLabel);
}

void putArrow(CCNode* on, CGPoint at, int z, int tag, float rotation)
{
    if (!on) return;
    Ref<CCTutorialArrow> arrow = CCTutorialArrow::arrow();
    arrow->setPosition(at);
    arrow->setRotation(rotation);
    on->addChild(arrow.get(), z, tag);
}

[[maybe_unused]] const bool registered = [] {
    CCPropertyRegistry& r = CCPropertyRegistry::shared();
    r.registerSelector<FoodPopUp>("AddFoodCallback:", &FoodPopUp::AddFoodCallback);
    r.registerSelector<FoodPopUp>("MineCallback:", &FoodPopUp::MineCallback);
    r.registerSelector<FoodPopUp>("CloseCallback:", &FoodPopUp::CloseCallback);
    r.registerSelector<FoodPopUp>("ResetCallback:", &FoodPopUp::ResetCallback);
    r.registerMember<FoodPopUp, CCNode>("bcg", &FoodPopUp::bcg);
    r.registerMember<FoodPopUp, CCNode>("FoodsMenu", &FoodPopUp::FoodsMenu);
    r.registerMember<FoodPopUp, CCHoldButtonImage>("BreadButton", &FoodPopUp::BreadButton);
    r.registerMember<FoodPopUp, CCHoldButtonImage>("SoupButton", &FoodPopUp::SoupButton);
    r.registerMember<FoodPopUp, CCHoldButtonImage>("PieButton", &FoodPopUp::PieButton);
    r.registerMember<FoodPopUp, CCHoldButtonImage>("FlockButton", &FoodPopUp::FlockButton);
    r.registerMember<FoodPopUp, CCHoldButtonImage>("DroveButton", &FoodPopUp::DroveButton);
    r.registerMember<FoodPopUp, CCHoldButtonImage>("HerdButton", &FoodPopUp::HerdButton);
    r.registerMember<FoodPopUp, CCSprite>("S1", &FoodPopUp::S1);
    r.registerMember<FoodPopUp, CCSprite>("S2", &FoodPopUp::S2);
    r.registerMember<FoodPopUp, CCSprite>("S3", &FoodPopUp::S3);
    r.registerMember<FoodPopUp, CCSprite>("S4", &FoodPopUp::S4);
    r.registerMember<FoodPopUp, CCSprite>("S5", &FoodPopUp::S5);
    r.registerMember<FoodPopUp, CCSprite>("S6", &FoodPopUp::S6);
    r.registerMember<FoodPopUp, CCMenuItem>("CraftButt", &FoodPopUp::CraftButt);
    r.registerMember<FoodPopUp, CCMenuItem>("CloseButton", &FoodPopUp::CloseButton);
    r.registerMember<FoodPopUp, CCMenuItem>("ResetButton", &FoodPopUp::ResetButton);
    r.registerMember<FoodPopUp, CCNode>("FoodBarMarker", &FoodPopUp::FoodBarMarker);
    r.registerMember<FoodPopUp, CCNode>("StepsMarker", &FoodPopUp::StepsMarker);
    r.registerClass<CCMenu>("CCMenu");
    return true;
}();

} // namespace

Ref<FoodPopUp> FoodPopUp::popUpWithLayer(FoodPopUpHost* mapLayer)
{
    auto popUp = makeRef<FoodPopUp>();
    if (!popUp->initWithLayer(mapLayer)) return nullptr;
    return popUp;
}

CCMenu* FoodPopUp::foodsMenu() const
{
    return dynamic_cast<CCMenu*>(FoodsMenu);
}

CCHoldButtonImage* FoodPopUp::buttonOf(int32_t resource) const
{
    switch (resource) {
    case 1: return SoupButton;
    case 2: return PieButton;
    case 3: return BreadButton;
    case 4: return FlockButton;
    case 5: return DroveButton;
    case 6: return HerdButton;
    default: return nullptr;
    }
}

bool FoodPopUp::initWithLayer(FoodPopUpHost* mapLayer)
{
    mapLayer_ = mapLayer;
    if (mapLayer_) (void)mapLayer_->CollectAllBonuses();
    const CGSize win = board::winSize();
    Profile* profile = Profile::sharedInstance();

    addChild(CCLayerColor::layerWithColor(ccc4(0, 0, 0, 128), win.width, win.height).get());

    // The state an early exit from the mine returns to.
    profile->Start_mineMoves = 0;
    (void)profile->SaveData(); // a failure is logged and told by the profile
    (void)SessionReturnPoint::mark();
    GoldUsed = 0;
    AchievementHelper.fill(false);

    // One-time top-up of bread once the well's tutorial is done.
    if (TutorialFrameDef* well = frame(38); well && well->Done && !well->ArrowAfterDone && !profile->FoodHacked) {
        const int32_t n = profile->GetResourceCount(kBread) + 3 * profile->GetResourceCount(kFlock);
        if (n < 10) profile->increaseResource(kBread, 10 - n);
        profile->FoodHacked = true;
    }

    const char* file = board::isIpad() ? "FoodPopUp.ccb" : "FoodPopUp_small.ccb";
    sceneRoot_ = CCBReader::nodeGraphFromFile(file, this);
    if (!sceneRoot_ || !foodsMenu() || !FoodBarMarker || !StepsMarker || !CraftButt || !CloseButton ||
        !ResetButton) {
        logLine("FoodPopUp: %s is missing or lacks members", file);
        return false;
    }
    addChild(sceneRoot_.get());
    sceneRoot_->setPosition({win.width / 2, win.height / 2});

    const int32_t foods = profile->MovesPerFood > 0 ? profile->MaxMineMoves / profile->MovesPerFood : 0;
    if (!done(23) && session::showTutorial(this, 23, 7)) SetInputActive(false);

    cFoodBar = CCFoodBar::barWithFoodCount(foods, 100, false, profile->MaxMineMoves, profile->Start_mineMoves, true);
    FoodBar = CCFoodBar::barWithFoodCount(foods, 255, true, profile->MaxMineMoves, profile->Start_mineMoves, true);
    for (CCFoodBar* bar : {cFoodBar.get(), FoodBar.get()}) {
        bar->setAnchorPoint({0, 0.5f});
        FoodBarMarker->addChild(bar);
    }
    const CGPoint marker = FoodBarMarker->position();
    const CGPoint markerParent = FoodBarMarker->parent() ? FoodBarMarker->parent()->position() : CGPoint{};
    FoodBar->SetParentPos({marker.x + markerParent.x, marker.y + markerParent.y});

    MaxLabel = CCLabelTTF::labelWithString(format("%d", profile->Start_mineMoves), "HelveticaNeue", sized(30, 15));
    MaxLabel->setColor(kMovesColour);
    StepsMarker->addChild(MaxLabel.get());
    StartSteps = profile->Start_mineMoves;

    setUpFoodButtons();
    setUpLabels();
    for (size_t i = 0; i < kStockOrder.size(); ++i) StarResources[i] = profile->GetResourceCount(kStockOrder[i]);
    if (profile->Start_mineMoves < profile->MovesPerFood) enableStart(false);

    if (profile->GetUpgradeCount(kMarket) == 0) {
        ResetButton->setIsEnabled(false);
        ResetButton->setVisible(false);
        CraftButt->setAnchorPoint({0, 0.5f});
        CraftButt->setPosition({sized(15, 7), CraftButt->position().y});
        CloseButton->setPosition({-sized(15, 7), CloseButton->position().y});
        ResetButton->setAnchorPoint({1, 0.5f});
    }
    if (GlobalObject* global = Shared<GlobalObject>::current()) global->DoTheBoing(sceneRoot_.get());
    return true;
}

void FoodPopUp::setUpFoodButtons()
{
    Profile* profile = Profile::sharedInstance();
    const std::array<std::pair<CCHoldButtonImage*, CCSprite*>, 6> buttons{{{BreadButton, S1},
                                                                            {SoupButton, S2},
                                                                            {PieButton, S3},
                                                                            {FlockButton, S4},
                                                                            {DroveButton, S5},
                                                                            {HerdButton, S6}}};
    for (size_t i = 0; i < buttons.size(); ++i) {
        auto [button, marker] = buttons[i];
        const int32_t id = kStockOrder[i];
        if (!button) continue;
        button->SetActionRunTime(0.18f);
        button->SetHoldRepeatAction(true);
        const CGSize box = button->contentSize();
        auto badge = CCCounterDrell::counterWithNumber(profile->GetResourceCount(id));
        badge->setPosition({0.78f * box.width, 0.28f * box.height});
        button->addChild(badge.get(), 3, kTagBadge);
        const Resource* food = profile->GetResource(id);
        auto icon = CCSprite::spriteWithSpriteFrameName((food ? food->PngName : std::string("none")) + ".png");
        if (icon) {
            icon->setPosition({box.width / 2, box.height / 2});
            icon->setScale(0.92f);
            button->addChild(icon.get(), 2);
        }
        if (marker) {
            auto moves = CCLabelTTF::labelWithString(format("%d", food ? food->Moves : 0), "HelveticaNeue", sized(26, 13));
            moves->setColor({123, 105, 90});
            moves->setPosition({marker->contentSize().width / 2, marker->contentSize().height / 2});
            marker->addChild(moves.get());
        }
        if (!food || !food->Seen) {
            button->setIsEnabled(false);
            if (icon) {
                icon->setColor({0, 0, 0});
                icon->setOpacity(76);
            }
            badge->setVisible(false);
        } else if (profile->GetResourceCount(id) <= 0) {
            button->setIsEnabled(false);
        }
        button->setTag(id * 6);
    }
}

void FoodPopUp::setUpLabels()
{
    twoLayerLabel(CraftButt, text("MINE_OK"), sized(26, 13), kStartShadow, {255, 255, 255});
    const std::string close = text("BUTTON_CLOSE");
    if (utf16Length(close) >= 8) {
        // The text needs the wider button.
        const CGPoint at = CloseButton->position();
        auto up = CCSprite::spriteWithSpriteFrameName("cancel_button.png");
        auto down = CCSprite::spriteWithSpriteFrameName("cancel_button_click.png");
        if (up && down) {
            CloseButton->removeFromParentAndCleanup(true);
            auto wide = CCMenuItemSprite::itemFromNormalSprite(up.get(), down.get(), nullptr,
                                                               [this](CCMenuItem* sender) { CloseCallback(sender); });
            wide->setAnchorPoint({1, 0.5f});
            wide->setPosition(at);
            FoodsMenu->addChild(wide.get());
            CloseButton = wide.get();
        }
    }
    twoLayerLabel(CloseButton, close, sized(26, 13), kButtonShadow, kButtonFront);
    twoLayerLabel(ResetButton, format("  %d", kMovesPrice), sized(28, 14), kButtonShadow, kButtonFront);
    auto buy = CCLabelTTF::labelWithString(text("BUY_MOVES"), "HelveticaNeue", sized(18, 9));
    buy->setColor({123, 107, 94});
    buy->setPosition({ResetButton->contentSize().width / 2, 1.14f * ResetButton->contentSize().height});
    ResetButton->addChild(buy.get());
}

void FoodPopUp::enableStart(bool enabled)
{
    CraftButt->setIsEnabled(enabled);
    if (auto* item = dynamic_cast<CCMenuItemSprite*>(CraftButt)) item->setOpacity(enabled ? 255 : 150);
    if (auto* front = dynamic_cast<CCLabelTTF*>(CraftButt->getChildByTag(kTagFrontLabel)))
        front->setOpacity(enabled ? 255 : 0);
    if (auto* shadow = dynamic_cast<CCLabelTTF*>(CraftButt->getChildByTag(kTagShadowLabel)))
        shadow->setColor(enabled ? kStartShadow : kStartShadowOff);
}

void FoodPopUp::AddFoodCallback(Object* sender)
{
    auto* button = dynamic_cast<CCHoldButtonImage*>(sender);
    Profile* profile = Profile::sharedInstance();
    if (!button || (FoodBar && FoodBar->GetCurrentMoves() == profile->MaxMineMoves)) return;
    const int32_t id = button->tag() / 6;
    const Resource* food = profile->GetResource(id);
    if (food && profile->GetResourceCount(id) > 0) {
        board::playSound("selection_menu");
        if (id >= 1 && id <= 6) AchievementHelper[static_cast<size_t>(kHelperSlot[static_cast<size_t>(id)])] = true;
        profile->Start_mineMoves = std::clamp(profile->Start_mineMoves + food->Moves, 0, profile->MaxMineMoves);
        FoodBar->refreshByCurrentState();
        cFoodBar->refreshByCurrentState();
        const int32_t stock = profile->GetResourceCount(id);
        profile->increaseResource(id, -1);
        if (stock == 1) button->setIsEnabled(false);
        if (auto* badge = dynamic_cast<CCCounterDrell*>(button->getChildByTag(kTagBadge)))
            badge->SetNumber(profile->GetResourceCount(id));
        MaxLabel->setString(format("%d", profile->Start_mineMoves));
        bool stop = false;
        moveArrows(button, stop);
        if (stop) return;
    }
    if (profile->Start_mineMoves >= profile->MovesPerFood) {
        enableStart(true);
        MaxLabel->setColor(kMovesReady);
        if (done(23) && !arrowDone(23) && !CraftButt->getChildByTag(kTagStartArrow))
            putArrow(CraftButt, {CraftButt->contentSize().width / 2, 0}, 2, kTagStartArrow, 180);
        if (button->getChildByTag(kTagArrow)) {
            button->removeChildByTag(kTagArrow, true);
        } else {
            removeChildByTag(kTagArrow, true);
        }
    }
}

void FoodPopUp::moveArrows(CCHoldButtonImage* sender, bool& stop)
{
    Profile* profile = Profile::sharedInstance();
    if (sender == BreadButton && profile->Start_mineMoves == 10) {
        sender->removeChildByTag(kTagArrow, true);
        if (TutorialFrameDef* def = frame(24)) {
            def->Done = true;
            def->ArrowAfterDone = true;
        }
        return;
    }
    if (profile->GetResourceCount(kBread) == 0 && sender->getChildByTag(kTagArrow) && FlockButton &&
        FlockButton->parent() == FoodsMenu) {
        sender->removeChildByTag(kTagArrow, true);
        const bool tablet = board::isIpad();
        const float width = S1 ? S1->contentSize().width : 0;
        const float height = S2 ? S2->contentSize().height : 0;
        const CGPoint s1 = S1 ? S1->position() : CGPoint{};
        putArrow(this, {s1.x + (tablet ? 1.35f : 0.45f) * width, s1.y + (tablet ? 3.0f : 2.0f) * height}, 3, kTagArrow,
                 0);
        stop = true;
    }
}

void FoodPopUp::ResetCallback(Object*)
{
    Profile* profile = Profile::sharedInstance();
    const CGSize win = board::winSize();
    if (profile->GoldCount < kMovesPrice) {
        if (getChildByTag(kTagCoinPanel)) return;
        board::playSound("selection_menu");
        Ref<CCSprite> images[3];
        for (Ref<CCSprite>& image : images) image = CCSprite::spriteWithSpriteFrameName("microtransactions_list_open.png");
        if (!images[0]) images[0] = images[1] = images[2] = makeRef<CCSprite>();
        auto item = CCMenuItemSprite::itemFromNormalSprite(images[0].get(), images[1].get(), images[2].get(),
                                                           [this](CCMenuItem* sender) { CloseMicro(sender); });
        item->setAnchorPoint({0.5f, 1});
        if (Ref<CCNode> list = session::makeCoinPackList(parent())) {
            list->setPosition({-win.width / 2 + item->contentSize().width / 2, -win.height});
            item->addChild(list.get(), -1);
        }
        auto panel = CCMenu::menuWithItems({item.get()});
        panel->setAnchorPoint({0.5f, 1});
        panel->setPosition({win.width / 2, 0});
        addChild(panel.get(), 2, kTagCoinPanel);
        panel->runAction(
            CCEaseSineIn::actionWithAction(CCMoveBy::actionWithDuration(0.5f, {0, 0.41f * win.height})).get());
        if (bcg)
            bcg->runAction(
                CCEaseSineIn::actionWithAction(CCMoveBy::actionWithDuration(0.5f, {0, 0.24f * win.height})).get());
        return;
    }
    if (profile->Start_mineMoves >= profile->MaxMineMoves) return;
    TallyAnalytics::logEvent("MoneyUsage", {{"MoneyUsage", "Mine Buy Food"}});
    profile->GoldCount -= kMovesPrice;
    profile->GoldSpent -= kMovesPrice;
    GoldUsed += kMovesPrice;
    profile->Start_mineMoves = std::clamp(profile->Start_mineMoves + kMovesBought, 0, profile->MaxMineMoves);
    FoodBar->refreshByCurrentState();
    cFoodBar->refreshByCurrentState();
    if (profile->Start_mineMoves >= 10) {
        enableStart(true);
        MaxLabel->setColor(kMovesReady);
    }
    MaxLabel->setString(format("%d", profile->Start_mineMoves));
    if (auto* hud = dynamic_cast<FoodPopUpHost*>(parent())) hud->UpdateTopBar();
}

void FoodPopUp::CloseMicro(Object*)
{
    CCNode* panel = getChildByTag(kTagCoinPanel);
    if (!panel) return;
    board::playSound("selection_menu");
    const CGSize win = board::winSize();
    panel->runAction(
        CCEaseSineOut::actionWithAction(CCMoveBy::actionWithDuration(0.5f, {0, -0.41f * win.height})).get());
    if (bcg)
        bcg->runAction(
            CCEaseSineOut::actionWithAction(CCMoveBy::actionWithDuration(0.5f, {0, -0.24f * win.height})).get());
    if (CCMenu* menu = foodsMenu()) menu->setIsTouchEnabled(false);
    runAction(CCSequence::actionOne(CCDelayTime::actionWithDuration(0.5f).get(),
                                    CCCallBlock::actionWithBlock([this] { ClearAfterMicro(); }).get())
                  .get());
}

void FoodPopUp::ClearAfterMicro()
{
    removeChildByTag(kTagCoinPanel, true);
    if (CCMenu* menu = foodsMenu()) menu->setIsTouchEnabled(true);
}

void FoodPopUp::MineCallback(Object*)
{
    const bool allFoods = std::all_of(AchievementHelper.begin(), AchievementHelper.end(), [](bool used) { return used; });
    GlobalObject* global = Shared<GlobalObject>::current();
    if (allFoods && global && !global->IsAchievementDone(GlobalObject::achievementIdentifier("balanceddiet")))
        global->SetDietAchievement(true);
    for (int32_t n : {23, 22}) {
        if (TutorialFrameDef* def = frame(n); def && def->Done && !def->ArrowAfterDone) def->ArrowAfterDone = true;
    }
    if (TutorialFrameDef* def = frame(24)) {
        def->Done = true;
        def->ArrowAfterDone = true;
    }
    if (mapLayer_) mapLayer_->StopWithRelease();
    board::playSound("selection_menu");
    // Nothing is saved: the save of the opening stays the return point.
    session::fadeToMine();
}

void FoodPopUp::CloseCallback(Object*)
{
    if (TutorialFrameDef* started = frame(24); started && !started->ArrowAfterDone) {
        for (int32_t n : {23, 24}) {
            if (TutorialFrameDef* def = frame(n)) {
                def->Done = false;
                def->ArrowAfterDone = false;
            }
        }
    }
    board::playSound("selection_menu");
    ResetState();
    Profile* profile = Profile::sharedInstance();
    auto* hud = dynamic_cast<FoodPopUpHost*>(parent());
    if (auto* opener = dynamic_cast<PopUpOpener*>(parent())) opener->SetInputActive(true);
    if (mapLayer_) mapLayer_->SetInputActive(true);
    if (GoldUsed > 0) {
        profile->GoldCount += GoldUsed;
        if (hud) hud->UpdateTopBar();
    }
    SessionReturnPoint::clear();
    Ref<FoodPopUp> self(this);
    removeFromParentAndCleanup(true);
}

void FoodPopUp::ResetState()
{
    board::playSound("selection_menu");
    Profile* profile = Profile::sharedInstance();
    profile->Start_mineMoves = StartSteps;
    for (size_t i = 0; i < kStockOrder.size(); ++i) profile->SetResourceCount(kStockOrder[i], StarResources[i]);
    AchievementHelper.fill(false);
    if (CraftButt) CraftButt->removeChildByTag(kTagStartArrow, true);
}

void FoodPopUp::SetInputActive(bool active)
{
    if (CCMenu* menu = foodsMenu()) menu->setIsTouchEnabled(active);
}

void FoodPopUp::MoveWithTutorial()
{
    const TutorialFrameDef* def = frame(24);
    if (!done(24)) {
        if (session::showTutorial(this, 24, 7)) {
            SetInputActive(false);
            return;
        }
    } else if (def && def->ArrowAfter && !def->ArrowAfterDone && BreadButton) {
        putArrow(BreadButton, {BreadButton->contentSize().width / 2, BreadButton->contentSize().height}, 2, kTagArrow,
                 0);
    }
    SetInputActive(true);
}

} // namespace mw
