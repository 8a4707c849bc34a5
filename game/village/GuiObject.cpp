#include "game/village/GuiObject.h"

#include <climits>
#include <string>

#include "engine/actions/CCActionEase.h"
#include "engine/actions/CCActionInstant.h"
#include "engine/actions/CCActionInterval.h"
#include "engine/actions/CCSequence.h"
#include "engine/base/CCPropertyRegistry.h"
#include "engine/director/CCDirector.h"
#include "engine/labels/CCLabelTTF.h"
#include "engine/menus/CCMenu.h"
#include "engine/menus/CCMenuItem.h"
#include "engine/nodes/CCLayerColor.h"
#include "engine/scenes/CCBReader.h"
#include "engine/sprites/CCSprite.h"
#include "engine/touch/CCTouchDispatcher.h"
#include "foundation/Log.h"
#include "game/boards/SessionHooks.h"
#include "game/front/MainMenuPopUp.h"
#include "game/state/GlobalObject.h"
#include "game/state/Profile.h"
#include "game/state/Resource.h"
#include "game/state/TutorialFrameDef.h"
#include "game/village/CCCounterDrell.h"
#include "game/village/CCExpBar.h"
#include "game/village/CCSeenCounter.h"
#include "game/village/CCTutorialParent.h"
#include "game/village/MapScene.h"
#include "game/village/TutorialScreen.h"
#include "game/village/VillageScene.h"

namespace mw {

namespace {

constexpr int32_t kWorkersResource = 17;
constexpr int32_t kMarket = 18;
constexpr int32_t kWorkshop = 19;
constexpr int32_t kCottage = 21;
constexpr int32_t kMenuPriority = INT_MIN + 10;
constexpr float kBagSlide = 0.3f;
constexpr int kCounterTagFactor = 33;
constexpr ccColor3B kNumberYellow = {254, 195, 60};
constexpr ccColor3B kVillageNameColour = {231, 215, 173};
// The bag's grid, row by row.
constexpr int32_t kBagOrder[4][4] = {{3, 1, 2, 15}, {4, 5, 6, 13}, {10, 11, 12, 14}, {7, 8, 9, 16}};

// The sizes of one device kind.
struct HudLayout {
    float numberFont;
    float nameFont;
    float labelInset;
    float expBarOffsetX;
    float expBarY;
    CGPoint badgeOffset;
    float columnStep;
    float rowStep;
    CGPoint counterOffset;
};
constexpr HudLayout kTabletLayout = {24, 30, 0, 0, -18, {40, 20}, 90, -86, {20, -20}};
constexpr HudLayout kPhoneLayout = {12, 15, 2, 64, -9, {20, 10}, 45, -43, {10, -10}};

bool onTablet() { return GlobalObject::sharedInstance()->isIpad; }
const HudLayout& layout() { return onTablet() ? kTabletLayout : kPhoneLayout; }
CGSize winSize() { return CCDirector::sharedDirector()->winSize(); }

void playSound(const char* key) { GlobalObject::sharedInstance()->PlaySoundEffect(key); }

std::string number(int32_t value) { return std::to_string(value); }

[[maybe_unused]] const bool registered = [] {
    CCPropertyRegistry& registry = CCPropertyRegistry::shared();
    registry.registerSelector<GuiObject>("BuildCallback:", &GuiObject::BuildCallback);
    registry.registerSelector<GuiObject>("ToolsCallback:", &GuiObject::ToolsCallback);
    registry.registerSelector<GuiObject>("WorkersCallback:", &GuiObject::WorkersCallback);
    registry.registerSelector<GuiObject>("MicroCallback:", &GuiObject::MicroCallback);
    registry.registerSelector<GuiObject>("ShopCallback:", &GuiObject::ShopCallback);
    registry.registerSelector<GuiObject>("BackCallback:", &GuiObject::BackCallback);
    registry.registerSelector<GuiObject>("MenuCallback:", &GuiObject::MenuCallback);
    registry.registerSelector<GuiObject>("BagCallback:", &GuiObject::BagCallback);
    registry.registerSelector<GuiObject>("CloseBagCallback:", &GuiObject::CloseBagCallback);
    registry.registerSelector<GuiObject>("EmptyCallback:", &GuiObject::EmptyCallback);
    registry.registerMember<GuiObject, CCSprite>("BottomBar", &GuiObject::BottomBar);
    registry.registerMember<GuiObject, CCSprite>("TopBar", &GuiObject::TopBar);
    registry.registerMember<GuiObject, CCSprite>("GoodsPopUp", &GuiObject::GoodsPopUp);
    registry.registerMember<GuiObject, CCMenuItem>("BuildButton", &GuiObject::BuildButton);
    registry.registerMember<GuiObject, CCMenuItem>("ToolsButton", &GuiObject::ToolsButton);
    registry.registerMember<GuiObject, CCMenuItem>("WorkersButton", &GuiObject::WorkersButton);
    registry.registerMember<GuiObject, CCMenuItem>("EmptyButton", &GuiObject::EmptyButton);
    registry.registerMember<GuiObject, CCMenuItem>("EmptyButton2", &GuiObject::EmptyButton2);
    registry.registerMember<GuiObject, CCMenuItem>("MicroButton", &GuiObject::MicroButton);
    registry.registerMember<GuiObject, CCMenuItem>("ShopButton", &GuiObject::ShopButton);
    registry.registerMember<GuiObject, CCMenuItem>("MenuButton", &GuiObject::MenuButton);
    registry.registerMember<GuiObject, CCMenuItem>("BackButton", &GuiObject::BackButton);
    registry.registerMember<GuiObject, CCMenuItem>("BagButton", &GuiObject::BagButton);
    registry.registerMember<GuiObject, CCMenuItem>("CloseBag", &GuiObject::CloseBag);
    registry.registerMember<GuiObject, CCSprite>("WorkersMarker", &GuiObject::WorkersMarker);
    registry.registerMember<GuiObject, CCSprite>("LvlMarker", &GuiObject::LvlMarker);
    registry.registerMember<GuiObject, CCSprite>("GoldMarker", &GuiObject::GoldMarker);
    registry.registerMember<GuiObject, CCExpBar>("ExpBar", &GuiObject::ExpBar);
    registry.registerMember<GuiObject, CCNode>("VillageNameMarker", &GuiObject::VillageNameMarker);
    registry.registerMember<GuiObject, CCNode>("ResMarker", &GuiObject::ResMarker);
    registry.registerMember<GuiObject, CCSprite>("WorkersMarkerPopUp", &GuiObject::WorkersMarkerPopUp);
    registry.registerMember<GuiObject, CCSprite>("GoldMarkerPopUp", &GuiObject::GoldMarkerPopUp);
    registry.registerMember<GuiObject, CCMenu>("Menu1", &GuiObject::Menu1);
    registry.registerMember<GuiObject, CCMenu>("Menu2", &GuiObject::Menu2);
    registry.registerMember<GuiObject, CCMenu>("Menu3", &GuiObject::Menu3);
    registry.registerClass<CCMenu>("CCMenu");
    return true;
}();

Ref<CCLabelTTF> numberLabel(int32_t value)
{
    return CCLabelTTF::labelWithString(number(value), "HelveticaNeue", layout().numberFont);
}

// The marker's size as the labels measure it: texture width, content height.
CGSize markerSize(const CCSprite* marker)
{
    return {marker->textureRect().size.width, marker->contentSize().height};
}

// A gold label at 0.42 of the marker, anchored on its left.
Ref<CCLabelTTF> addGoldLabel(CCSprite* marker)
{
    if (!marker) return nullptr;
    auto label = numberLabel(Profile::sharedInstance()->GoldCount);
    const CGSize size = markerSize(marker);
    label->setAnchorPoint({0, 0.5f});
    label->setPosition({layout().labelInset + size.width * 0.42f, size.height * 0.5f});
    marker->addChild(label.get());
    return label;
}

// A workers label inside its own node at the marker's middle.
Ref<CCLabelTTF> addWorkersLabel(CCSprite* marker)
{
    if (!marker) return nullptr;
    auto label = numberLabel(Profile::sharedInstance()->GetResourceCount(kWorkersResource));
    label->setAnchorPoint({-0.1f, 0.5f});
    label->setColor(kNumberYellow);
    auto holder = CCNode::node();
    const CGSize size = markerSize(marker);
    holder->setPosition({layout().labelInset + size.width * 0.5f, size.height * 0.5f});
    holder->addChild(label.get());
    marker->addChild(holder.get());
    return label;
}

void setOpacity(CCMenuItem* item, uint8_t opacity)
{
    if (auto* sprite = dynamic_cast<CCMenuItemSprite*>(item)) sprite->setOpacity(opacity);
}

} // namespace

Ref<GuiObject> GuiObject::guiWithParent(VillageScene* scene)
{
    auto made = makeRef<GuiObject>();
    if (!made->initWithParent(scene)) return nullptr;
    return made;
}

bool GuiObject::initWithParent(VillageScene* scene)
{
    ActButtons.fill(false);
    InputActive = true;
    VParent = scene;
    const bool tablet = onTablet();
    const HudLayout& sizes = layout();
    Profile* profile = Profile::sharedInstance();

    const char* file = tablet ? "GUI.ccb" : "GUI_small.ccb";
    Gui = CCBReader::nodeGraphFromFile(file, this);
    if (!Gui) {
        // The HUD still works as a relay without its controls.
        logLine("GuiObject: cannot read %s; the HUD shows no controls", file);
        Gui = CCNode::node();
    }
    addChild(Gui.get());
    BonusParent = CCNode::node();
    Gui->addChild(BonusParent.get(), 1);
    TutorialParent = CCTutorialParent::node();
    Gui->addChild(TutorialParent.get(), 2);

    const CGSize win = winSize();
    if (BottomBar) BottomBar->setPosition({win.width, 0});
    if (TopBar) TopBar->setPosition({win.width, win.height});
    if (GoodsPopUp) GoodsPopUp->setPosition({0, win.height / 2});

    const float barHeight = BottomBar ? BottomBar->textureRect().size.height : 0;
    ColorLayer = CCLayerColor::layerWithColor({0, 0, 0, 128}, win.width * 1.03f, barHeight);
    ColorLayer->setAnchorPoint({0, 0});
    ColorLayer->setPosition({-4, 0});
    Gui->addChild(ColorLayer.get(), -1);

    setOpacity(BackButton, 0);
    enable(BackButton, false);
    BagOpen = false;

    GoldLabel = addGoldLabel(GoldMarker);
    WorkerLabel = addWorkersLabel(WorkersMarker);
    if (LvlMarker) {
        LevelLabel = numberLabel(profile->PlayerLevel);
        const CGSize size = markerSize(LvlMarker);
        LevelLabel->setAnchorPoint({0, 0.5f});
        LevelLabel->setColor(kNumberYellow);
        LevelLabel->setPosition({sizes.labelInset + size.width * 0.7f, size.height * 0.5f});
        LvlMarker->addChild(LevelLabel.get());
    }

    if (ExpBar) ExpBar->setPosition({win.width / 2 + sizes.expBarOffsetX, sizes.expBarY});

    if (VillageNameMarker) {
        VillageNameLabel = CCLabelTTF::labelWithString(profile->VillageName, "HelveticaNeue-Bold", sizes.nameFont);
        VillageNameLabel->setAnchorPoint({0, 0.5f});
        VillageNameLabel->setColor(kVillageNameColour);
        // The layout gives the name a width (the room before the workers
        // marker); a longer name is scaled down into it rather than drawn
        // over the marker.
        const float room = VillageNameMarker->contentSize().width;
        const float width = VillageNameLabel->contentSize().width;
        if (room > 0 && width > room) VillageNameLabel->setScale(room / width);
        VillageNameMarker->addChild(VillageNameLabel.get());
    }

    if (profile->GetNotSeenCountBuildings() >= 1) updateBadge(kBuildTab, profile->GetNotSeenCountBuildings());
    if (profile->GetUpgradeCount(kWorkshop) != 0) {
        if (profile->GetNotSeenCountTools() >= 1) updateBadge(kToolsTab, profile->GetNotSeenCountTools());
    } else {
        enable(ToolsButton, false);
    }
    if (profile->GetUpgradeCount(kCottage) != 0) {
        if (profile->GetNotSeenCountWorkers() >= 1) updateBadge(kWorkersTab, profile->GetNotSeenCountWorkers());
    } else {
        enable(WorkersButton, false);
    }

    if (profile->GetUpgradeCount(kMarket) == 0) {
        enable(ShopButton, false);
        enable(MicroButton, false);
    }
    if (profile->MineVisits + profile->FieldVisits == 0) {
        enable(ShopButton, false);
        enable(MicroButton, false);
        enable(BagButton, false);
    }
    if (profile->TaxesCollected == 0) enable(BuildButton, false);

    buildBagGrid();

    GoldPopUpLabel = addGoldLabel(GoldMarkerPopUp);
    WorkersPopUpLabel = addWorkersLabel(WorkersMarkerPopUp);

    if (ExpBar) {
        if (TopBar) ExpBar->SetParentPos(TopBar->position());
        ExpBar->SetGUIComponent(this);
    }
    setOpacity(EmptyButton, 0);
    setOpacity(EmptyButton2, 0);
    return true;
}

void GuiObject::buildBagGrid()
{
    if (!ResMarker) return;
    const HudLayout& sizes = layout();
    Profile* profile = Profile::sharedInstance();
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            const int32_t id = kBagOrder[row][column];
            const Resource* resource = profile->GetResource(id);
            if (!resource) continue;
            auto picture = CCSprite::spriteWithSpriteFrameName(resource->PngName + ".png");
            if (!picture) continue;
            const CGPoint at = {column * sizes.columnStep, row * sizes.rowStep};
            picture->setScale(0.6f);
            picture->setAnchorPoint({0.5f, 0.5f});
            picture->setPosition(at);
            ResMarker->addChild(picture.get(), 0, id);
            if (resource->Seen) {
                addBagCounter(id, at);
            } else {
                picture->setColor({0, 0, 0});
                picture->setOpacity(102);
            }
        }
    }
}

void GuiObject::addBagCounter(int32_t resource, CGPoint picture)
{
    const HudLayout& sizes = layout();
    auto counter = CCCounterDrell::counterWithNumber(Profile::sharedInstance()->GetResourceCount(resource));
    counter->setPosition({picture.x + sizes.counterOffset.x, picture.y + sizes.counterOffset.y});
    ResMarker->addChild(counter.get(), 0, resource * kCounterTagFactor);
}

GuiObject::~GuiObject() = default;

void GuiObject::onEnter()
{
    CCNode::onEnter();
    CCTouchDispatcher* dispatcher = CCTouchDispatcher::sharedDispatcher();
    for (CCMenu* menu : {Menu1, Menu2, Menu3}) {
        if (menu) dispatcher->setPriority(kMenuPriority, menu);
    }
}

CCLayer* GuiObject::GetLayer() const { return VParent ? VParent->GetLayer() : nullptr; }

void GuiObject::ChangeLayer(int32_t layer) { ChangeLayer(layer, -1, 0, -1); }

void GuiObject::ChangeLayer(int32_t layer, int32_t group, int32_t state, int32_t building)
{
    Ref<GuiObject> keep(this);
    if (VParent) VParent->ChangeLayer(layer, group, state, building);
    closeBag(false);
}

void GuiObject::SetInputActive(bool active)
{
    InputActive = active;
    for (CCMenu* menu : {Menu1, Menu2, Menu3}) {
        if (menu) menu->setIsTouchEnabled(active);
    }
}

void GuiObject::UpdateTopBar()
{
    const Profile* profile = Profile::sharedInstance();
    if (GoldLabel) GoldLabel->setString(number(profile->GoldCount));
    if (LevelLabel) LevelLabel->setString(number(profile->PlayerLevel));
    if (WorkerLabel) WorkerLabel->setString(number(profile->GetResourceCount(kWorkersResource)));
}

void GuiObject::UpdateSeenCounters()
{
    Profile* profile = Profile::sharedInstance();
    if (profile->GetUpgradeCount(kWorkshop) >= 1) enable(ToolsButton, true);
    if (profile->GetUpgradeCount(kCottage) >= 1) enable(WorkersButton, true);
    if (profile->GetUpgradeCount(kMarket) >= 1) {
        enable(ShopButton, true);
        enable(MicroButton, true);
    }
    if (profile->TaxesCollected >= 1) enable(BuildButton, true);
    updateBadge(kBuildTab, profile->GetNotSeenCountBuildings());
    updateBadge(kToolsTab, profile->GetNotSeenCountTools());
    updateBadge(kWorkersTab, profile->GetNotSeenCountWorkers());
}

CCMenuItem* GuiObject::tabButton(int tab) const
{
    switch (tab) {
    case kBuildTab: return BuildButton;
    case kToolsTab: return ToolsButton;
    case kWorkersTab: return WorkersButton;
    case kMicroTab: return MicroButton;
    case kShopTab: return ShopButton;
    default: return nullptr;
    }
}

CGPoint GuiObject::badgePosition(int tab) const
{
    CCMenuItem* button = tabButton(tab);
    if (!button) return {};
    const CGPoint offset = layout().badgeOffset;
    CGPoint at = button->position();
    // The scene file puts the tab menu at the bar's origin, so adding the
    // menu's position changes nothing there and one rule serves all three.
    if (button->parent()) {
        at.x += button->parent()->position().x;
        at.y += button->parent()->position().y;
    }
    return {at.x + offset.x, at.y + offset.y};
}

void GuiObject::updateBadge(int tab, int32_t count)
{
    if (tab < 0 || tab > kWorkersTab || !BottomBar) return;
    Ref<CCSeenCounter>& badge = SeenCounters[static_cast<size_t>(tab)];
    if (badge) {
        badge->SetNumber(count);
    } else if (count >= 1) {
        badge = CCSeenCounter::counterWithNumber(count, 0);
        badge->setPosition(badgePosition(tab));
        BottomBar->addChild(badge.get());
    }
    if (count == 0 && badge) {
        badge->Hide();
        badge = nullptr;
    }
}

CCSeenCounter* GuiObject::seenCounter(int tab) const
{
    return tab >= 0 && tab < 3 ? SeenCounters[static_cast<size_t>(tab)].get() : nullptr;
}

void GuiObject::UpdateGoodsState()
{
    Profile* profile = Profile::sharedInstance();
    if (GoldPopUpLabel) GoldPopUpLabel->setString(number(profile->GoldCount));
    if (WorkersPopUpLabel) WorkersPopUpLabel->setString(number(profile->GetResourceCount(kWorkersResource)));
    if (!ResMarker) return;
    for (int32_t id = 1; id <= 16; ++id) {
        auto* picture = dynamic_cast<CCSprite*>(ResMarker->getChildByTag(id));
        if (!picture) continue;
        const Resource* resource = profile->GetResource(id);
        if (resource && resource->Seen) {
            picture->setColor({255, 255, 255});
            picture->setOpacity(255);
            // Counters are made with the HUD: a resource seen since then gets
            // one only when the HUD is built again.
            auto* counter = dynamic_cast<CCCounterDrell*>(ResMarker->getChildByTag(id * kCounterTagFactor));
            if (counter) counter->SetNumber(profile->GetResourceCount(id));
        } else {
            picture->setColor({0, 0, 0});
            picture->setOpacity(102);
        }
    }
}

void GuiObject::ShowBackButton(bool show)
{
    enable(BackButton, show);
    setOpacity(BackButton, show ? 255 : 0);
    if (ExpBar) ExpBar->setVisible(!show);
}

void GuiObject::ResetButtons()
{
    for (int tag = kFirstTabTag; tag <= kLastTabTag; ++tag) {
        if (!Menu1) break;
        if (CCNode* active = Menu1->getChildByTag(tag * 2)) active->setVisible(false);
        if (CCNode* normal = Menu1->getChildByTag(tag)) normal->setVisible(true);
        ActButtons[static_cast<size_t>(tag - kFirstTabTag)] = false;
    }
    if (!Menu1) ActButtons.fill(false);
}

void GuiObject::ValidateButtonWithIndex(int index, CCMenuItem* item)
{
    if (index < 0 || index > kShopTab) return;
    bool& flag = ActButtons[static_cast<size_t>(index)];
    flag = !flag;
    if (!item) return;
    item->setVisible(false);
    CCNode* menu = item->parent();
    if (!menu) return;
    const int sibling = flag ? item->tag() * 2 : item->tag() / 2;
    if (CCNode* other = menu->getChildByTag(sibling)) other->setVisible(true);
}

void GuiObject::SetBarsVisibility(bool visible)
{
    const float top = TopBar ? TopBar->textureRect().size.height : 0;
    const float bottom = BottomBar ? BottomBar->textureRect().size.height : 0;
    const float duration = visible ? 0.5f : 0.4f;
    const float direction = visible ? 1.0f : -1.0f;
    if (TopBar) {
        TopBar->runAction(
            CCEaseSineOut::actionWithAction(CCMoveBy::actionWithDuration(duration, {0, -direction * top})).get());
    }
    if (BottomBar) {
        BottomBar->runAction(
            CCEaseSineOut::actionWithAction(CCMoveBy::actionWithDuration(duration, {0, direction * bottom}))
                .get());
    }
    if (visible) {
        runAction(CCSequence::actionOne(
                      CCDelayTime::actionWithDuration(0.4f).get(),
                      CCCallFunc::actionWithTarget(this, call_selector(GuiObject::ClearColorLayerChildren)).get())
                      .get());
    }
}

void GuiObject::ClearColorLayerChildren()
{
    if (ColorLayer) ColorLayer->removeAllChildrenWithCleanup(true);
}

void GuiObject::GlowExpBar()
{
    if (ExpBar) ExpBar->GlowExpBar();
}

void GuiObject::AfterBuildSeq()
{
    if (CCLayer* layer = GetLayer()) layer->AfterBuildSeq();
}

void GuiObject::InstantSpawnWorkerOfType()
{
    if (auto* map = dynamic_cast<MapScene*>(GetLayer())) map->InstantSpawnWorkerOfType();
}

void GuiObject::MoveWithTutorial()
{
    CCLayer* layer = GetLayer();
    if (!layer || !VParent) return;
    switch (VParent->currentLayerId()) {
    case VillageScene::kMapLayer:
    case VillageScene::kStatsLayer:
        if (auto* screen = dynamic_cast<TutorialScreen*>(layer)) screen->ValidateAndPlayTutorial();
        break;
    case VillageScene::kShopLayer:
    case VillageScene::kBuildingsLayer: layer->MoveWithTutorial(); break;
    default: break;
    }
}

Ref<CCNode> GuiObject::coinPackList() { return session::makeCoinPackList(this); }

void GuiObject::openTab(int tab, int32_t layer, Object* sender)
{
    playSound("selection_menu");
    Ref<GuiObject> keep(this);
    if (VParent) VParent->ChangeLayer(layer);
    ValidateButtonWithIndex(tab, dynamic_cast<CCMenuItem*>(sender));
    closeBag(false);
}

void GuiObject::BuildCallback(Object* sender) { openTab(kBuildTab, VillageScene::kBuildingsLayer, sender); }
void GuiObject::ToolsCallback(Object* sender) { openTab(kToolsTab, VillageScene::kToolsLayer, sender); }
void GuiObject::WorkersCallback(Object* sender) { openTab(kWorkersTab, VillageScene::kWorkersLayer, sender); }
void GuiObject::MicroCallback(Object* sender) { openTab(kMicroTab, VillageScene::kMicroLayer, sender); }
void GuiObject::ShopCallback(Object* sender) { openTab(kShopTab, VillageScene::kShopLayer, sender); }

void GuiObject::BackCallback(Object*)
{
    playSound("selection_menu");
    Ref<GuiObject> keep(this);
    ResetButtons();
    if (VParent) VParent->ChangeLayer(VillageScene::kMapLayer);
    closeBag(false);
}

void GuiObject::MenuCallback(Object*)
{
    playSound("selection_menu");
    Ref<MainMenuPopUp> options = MainMenuPopUp::popUp();
    if (!options) return;
    const CGSize win = winSize();
    options->setPosition({win.width / 2, win.height / 2});
    addChild(options.get(), kOptionsZ);
    SetInputActive(false);
    if (CCLayer* layer = GetLayer()) layer->SetInputActive(false);
}

void GuiObject::BagCallback(Object*)
{
    playSound("selection_menu");
    if (!GoodsPopUp) return;
    GoodsPopUp->stopAllActions();
    if (BagOpen) {
        BagOpen = false;
        slideBag(false);
        return;
    }
    openBag();
}

void GuiObject::openBag()
{
    UpdateGoodsState();
    BagOpen = true;
    slideBag(true);
    CCNode* arrow = getChildByTag(kBagArrowTag);
    if (!arrow) return;
    removeChild(arrow, true);
    if (!VParent) return;
    const int32_t layer = VParent->currentLayerId();
    if (layer != VillageScene::kMapLayer && layer != VillageScene::kBuildingsLayer) return;
    Profile* profile = Profile::sharedInstance();
    if (TutorialFrameDef* frame = profile->GetTutorialDef(87)) frame->ArrowAfterDone = true;
    if (layer == VillageScene::kBuildingsLayer) {
        if (TutorialFrameDef* frame = profile->GetTutorialDef(30)) frame->ArrowAfterDone = true;
    }
    if (auto* screen = dynamic_cast<TutorialScreen*>(GetLayer())) screen->ValidateAndPlayTutorial();
}

void GuiObject::slideBag(bool open)
{
    const CGSize win = winSize();
    const float x = open ? GoodsPopUp->textureRect().size.width : 0;
    GoodsPopUp->runAction(
        CCEaseSineOut::actionWithAction(CCMoveTo::actionWithDuration(kBagSlide, {x, win.height / 2})).get());
}

void GuiObject::CloseBagCallback(Object* sender) { closeBag(sender != nullptr); }

void GuiObject::closeBag(bool withSound)
{
    if (withSound) playSound("selection_menu");
    if (!BagOpen || !GoodsPopUp) return;
    GoodsPopUp->stopAllActions();
    BagOpen = false;
    slideBag(false);
}

void GuiObject::EmptyCallback(Object*) {}

void GuiObject::enable(CCMenuItem* button, bool enabled)
{
    if (button) button->setIsEnabled(enabled);
}

} // namespace mw
