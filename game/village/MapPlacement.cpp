// The map's placement states: a building or an upgrade bought in the hire
// pop-up is put on a slot. The map offers markers, the player picks (and,
// among several build slots, confirms) one, the building animation plays,
// the building stands, its first bonus falls and the profile is saved.

#include <string>
#include <utility>

#include "engine/actions/CCActionEase.h"
#include "engine/actions/CCActionInstant.h"
#include "engine/actions/CCActionInterval.h"
#include "engine/actions/CCRepeat.h"
#include "engine/actions/CCSequence.h"
#include "engine/base/CCRGBAProtocol.h"
#include "engine/director/CCDirector.h"
#include "engine/labels/CCLabelTTF.h"
#include "engine/menus/CCMenu.h"
#include "engine/menus/CCMenuItem.h"
#include "engine/nodes/CCLayerColor.h"
#include "engine/sprites/CCSprite.h"
#include "engine/sprites/CCSpriteFrameCache.h"
#include "foundation/Format.h"
#include "foundation/Log.h"
#include "game/defs/Animation.h"
#include "game/defs/MapObject.h"
#include "game/defs/XMLManager.h"
#include "game/state/GlobalObject.h"
#include "game/state/Profile.h"
#include "game/state/TutorialFrameDef.h"
#include "game/state/UpgradeItem.h"
#include "game/boards/CCTutorialArrow.h"
#include "game/village/GuiObject.h"
#include "game/village/MapScene.h"
#include "game/village/VillageUi.h"
#include "game/village/WorkerFactory.h"

namespace mw {

namespace {

constexpr int32_t kPivotGroup = 101; // slots whose pictures keep the centre anchor
constexpr int32_t kFieldsGroup = 103;
constexpr int32_t kLessonTool = 24;   // the tool whose first payment opens a lesson
constexpr int32_t kLessonFrame = 38;  // that lesson's frame
constexpr uint8_t kGhostOpacity = 120;
constexpr uint8_t kChosenMarkerOpacity = 1;
constexpr float kTreeFade = 0.3f;
constexpr float kRevealFade = 0.2f;
// The upgrades after which the map looks for a due tutorial frame.
constexpr int32_t kTutorialAfterBuild[] = {29, 116, 18};

struct Pulse {
    uint8_t low;
    float half; // seconds each way
};
constexpr Pulse kBuildPulse = {200, 0.5f};
constexpr Pulse kUpgradePulse = {20, 0.3f};

// Decorations an upgrade uncovers around the settlement; `afterBuild` asks
// the tutorial to go on when the first of them was revealed.
struct Reveal {
    int32_t upgrade;
    int32_t first;  // 0: none
    int32_t second; // 0: none
    bool alwaysAfterBuild;
};
constexpr Reveal kReveals[] = {
    {27, 302, 0, false}, {89, 301, 0, false}, {90, 303, 304, false}, {38, 0, 0, true}, {101, 0, 0, true},
};

float windowHeight() { return CCDirector::sharedDirector()->winSize().height; }
float windowWidth() { return CCDirector::sharedDirector()->winSize().width; }

MAP_OBJECT* slotRecord(int32_t key)
{
    auto& slots = XMLManager::sharedInstance()->MapObjects;
    auto found = slots.find(key);
    return found == slots.end() ? nullptr : found->second.get();
}

CGPoint slotPoint(const MAP_OBJECT& slot) { return {static_cast<float>(slot.x), static_cast<float>(slot.y)}; }
int depthOf(const MAP_OBJECT& slot) { return static_cast<int>(windowHeight() - static_cast<float>(slot.y)); }

bool frameLoaded(const std::string& name)
{
    Ref<CCSpriteFrame> frame = CCSpriteFrameCache::sharedSpriteFrameCache()->spriteFrameByName(name);
    return frame != nullptr;
}

void runPulse(CCNode* marker, Pulse pulse)
{
    auto down = CCEaseSineOut::actionWithAction(CCFadeTo::actionWithDuration(pulse.half, pulse.low));
    auto up = CCEaseSineIn::actionWithAction(CCFadeTo::actionWithDuration(pulse.half, 255));
    marker->runAction(CCRepeatForever::actionWithAction(CCSequence::actionOne(down.get(), up.get()).get()).get());
}

void setOpacity(CCNode* node, uint8_t opacity)
{
    if (auto* rgba = dynamic_cast<CCRGBAProtocol*>(node)) rgba->setOpacity(opacity);
}

// The upgrade pays the tool whose lesson is not done yet: its bonus is about
// to open that lesson's frame, which gives the input back when it closes.
bool opensToolLesson(const UpgradeItem& upgrade)
{
    if (!upgrade.BonusTools || !upgrade.BonusTools->count(kLessonTool)) return false;
    const TutorialFrameDef* lesson = Profile::sharedInstance()->GetTutorialDef(kLessonFrame);
    return lesson && !lesson->Done;
}

} // namespace

// ---------------------------------------------------------------- states

bool MapScene::placementOpen() const
{
    return MapState >= kStateBuild && MapState <= kStateMoveGhost && MapToBuild >= 0;
}

void MapScene::enterPlacementState(int32_t state)
{
    if (state == kStateBuild || state == kStateUpgrade) {
        const bool build = state == kStateBuild;
        if (build) {
            ParseForPlacementWithGroup(MapStateHelper);
        } else {
            ParseForUpgradePlacementWithGroup(MapStateHelper);
        }
        if (VParent) VParent->SetBarsVisibility(false);
        if (build) {
            showInfoRow("BUILDING_PLACE_1", "map_marker_build.png", "BUILDING_PLACE_2");
        } else {
            showInfoRow("UPGRADE_PLACE_1", "map_marker_upgrade.png", "UPGRADE_PLACE_2");
        }
        if (VParent) VParent->SetInputActive(false);
        // With nothing to tap the player would be left without bars or input.
        if (CurrentSpotCount == 0) abandonPlacement("no slot to offer");
        return;
    }
    switch (state) {
    case kStateBuildAtOnce: {
        // The player has paid: a missing list picture must not stop the
        // building (the content check keeps these pictures in the sheets).
        const UpgradeItem* upgrade = Profile::sharedInstance()->GetUpgrade(MapToBuild);
        if (upgrade && !frameLoaded(format("%@.png", upgrade->PngName)))
            logLine("MapScene: no picture %s.png for upgrade %d; it is built all the same", upgrade->PngName.c_str(),
                    upgrade->ID);
        startBuild();
        break;
    }
    case kStateConfirm: showConfirmation(); break;
    case kStateConfirmed: {
        if (PageParent) {
            if (CCNode* ghost = PageParent->getChildByTag(kGhostTag)) PageParent->removeChild(ghost, false);
            const int32_t treeKey = SelectedSlot / kBuildMarkerFactor * kTreeKeyFactor;
            if (CCNode* tree = PageParent->getChildByTag(treeKey)) {
                PageParent->removeChild(tree, false);
                if (MAP_OBJECT* record = slotRecord(treeKey)) record->IDBuild = MapToBuild;
            }
        }
        startBuild();
        break;
    }
    case kStateUpgrading: startUpgrade(); break;
    case kStateMoveGhost: moveGhost(); break;
    default: break;
    }
}

// ---------------------------------------------------------------- drawing

void MapScene::drawPlacementMap()
{
    if (PageParent) removeChild(PageParent.get(), true);
    if (WFactory) removeChild(WFactory.get(), true);
    PageParent = TrickLayer::node();
    Ref<WorkerFactory> walkers = WorkerFactory::factoryWithWorkersState(PageParent.get());
    WFactory = walkers.get(); // compiles whichever kind of pointer holds the factory
    XMLManager* definitions = XMLManager::sharedInstance();
    for (const auto& [key, slot] : definitions->MapObjects) {
        if (!slot) continue;
        if (slot->isTree != 1 && slot->IDBuild >= 0) {
            (void)standBuilding(*slot, slot->IDBuild);
        } else if (slot->isTree == 1 && slot->IDBuild == -1) {
            addDecoration(*slot);
        }
    }
    walkers->RandomlySortWorkersOnStage();
}

void MapScene::addMarker(const char* frameName, int32_t tag, const MAP_OBJECT& slot,
                         void (MapScene::*action)(CCMenuItem*))
{
    auto normal = CCSprite::spriteWithSpriteFrameName(frameName);
    auto selected = CCSprite::spriteWithSpriteFrameName(frameName);
    if (!normal || !selected || !Menu) {
        logLine("MapScene: no marker picture %s; slot %d is not offered", frameName, slot.ID);
        return;
    }
    Ref<CCMenuItemSprite> marker = CCMenuItemSprite::itemFromNormalSprite(
        normal.get(), selected.get(), nullptr,
        CCMenuCallback([this, action](CCMenuItem* sender) { (this->*action)(sender); }));
    if (slot.GroupID != kPivotGroup) marker->setAnchorPoint({0.5f, 0});
    marker->setPosition(slotPoint(slot));
    Menu->addChild(marker.get(), 1, tag);
    ++CurrentSpotCount;
}

void MapScene::ParseForPlacementWithGroup(int32_t group)
{
    CurrentSpotCount = 0;
    SelectedSlot = -1;
    drawPlacementMap();
    for (const auto& [key, slot] : XMLManager::sharedInstance()->MapObjects) {
        if (!slot || group <= 0 || slot->GroupID != group) continue;
        const bool standing = slot->isTree != 1 && slot->IDBuild >= 0;
        const bool treeDrawn = slot->isTree == 1 && slot->IDBuild == -1 && slot->ID != 401 && slot->ID != 402;
        if (standing || treeDrawn) continue;
        const int before = CurrentSpotCount;
        addMarker("map_marker_build.png", slot->ID * kBuildMarkerFactor, *slot, &MapScene::SlotSelected);
        if (CurrentSpotCount == before) continue;
        CCNode* marker = Menu->getChildByTag(slot->ID * kBuildMarkerFactor);
        runPulse(marker, kBuildPulse);
        if (group == kPivotGroup || group == kFieldsGroup) {
            Ref<CCTutorialArrow> arrow = CCTutorialArrow::arrow();
            const CGSize size = marker->contentSize();
            arrow->setPosition({size.width / 2, size.height});
            marker->addChild(arrow.get());
        }
    }
    addChild(WFactory.get(), 0);
    addChild(PageParent.get(), 1);
}

void MapScene::ParseForUpgradePlacementWithGroup(int32_t)
{
    CurrentSpotCount = 0;
    SelectedSlot = -1;
    drawPlacementMap();
    Profile* profile = Profile::sharedInstance();
    for (const auto& [key, slot] : XMLManager::sharedInstance()->MapObjects) {
        if (!slot || slot->isTree == 1 || slot->IDBuild < 0) continue;
        const UpgradeItem* standing = profile->GetUpgrade(slot->IDBuild);
        if (!standing || standing->NextUpdateEnum != MapToBuild) continue;
        const int before = CurrentSpotCount;
        addMarker("map_marker_upgrade.png", slot->key(), *slot, &MapScene::SlotUpgradeSelected);
        if (CurrentSpotCount == before) continue;
        runPulse(Menu->getChildByTag(slot->key()), kUpgradePulse);
        HelperInt = standing->ID;
    }
    addChild(WFactory.get(), 0);
    addChild(PageParent.get(), 1);
}

void MapScene::showInfoRow(const char* first, const char* picture, const char* second)
{
    CCLayerColor* band = VParent ? VParent->GetColorLayer() : nullptr;
    if (!band) return;
    VParent->ClearColorLayerChildren(); // what an earlier placement left there
    const float size = villageui::pick(15, 30);
    const float gap = villageui::pick(5, 10);
    Ref<CCLabelTTF> before = villageui::label(villageui::text(first), villageui::kFont, size, {255, 255, 255});
    Ref<CCSprite> marker = villageui::sprite(picture);
    Ref<CCLabelTTF> after = villageui::label(villageui::text(second), villageui::kFont, size, {255, 255, 255});
    const float w1 = before->textureRect().size.width;
    const float wm = marker->textureRect().size.width;
    const float w2 = after->textureRect().size.width;
    auto row = CCNode::node();
    const std::pair<CCSprite*, float> parts[] = {{before.get(), w1}, {marker.get(), wm}, {after.get(), w2}};
    float x = 0;
    for (auto [node, width] : parts) {
        node->setAnchorPoint({0, 0.5f});
        node->setPosition({x, 0});
        row->addChild(node);
        x += width + gap;
    }
    row->setPosition({windowWidth() / 2 - (w1 + gap + wm + gap + w2) / 2, band->contentSize().height / 2});
    band->addChild(row.get());
}

// ---------------------------------------------------------------- choosing a slot

void MapScene::SlotSelected(CCMenuItem* marker)
{
    villageui::playSound("selection_menu");
    if (!marker) return;
    const int32_t tag = marker->tag();
    if (CurrentSpotCount == 1) {
        SelectedSlot = tag;
        ChangeState(kStateBuildAtOnce);
        return;
    }
    if (MapState == kStateConfirm || MapState == kStateMoveGhost) {
        if (tag == SelectedSlot) {
            ChangeState(kStateConfirmed);
            return;
        }
        LastSlotSelected = SelectedSlot;
        SelectedSlot = tag;
        marker->stopAllActions();
        setOpacity(marker, kChosenMarkerOpacity);
        ChangeState(kStateMoveGhost);
        MapState = kStateConfirm;
        return;
    }
    if (MapState != kStateBuild || SelectedSlot != -1) return;
    marker->stopAllActions();
    setOpacity(marker, kChosenMarkerOpacity);
    SelectedSlot = tag;
    ChangeState(kStateConfirm);
}

void MapScene::SlotUpgradeSelected(CCMenuItem* marker)
{
    villageui::playSound("selection_menu");
    if (!marker || MapState != kStateUpgrade) return;
    SelectedSlot = marker->tag();
    // Several buildings may stand that this upgrade replaces: the one on the
    // tapped slot goes, whichever was marked last.
    if (const MAP_OBJECT* slot = slotRecord(SelectedSlot)) HelperInt = slot->IDBuild;
    ChangeState(kStateUpgrading);
}

void MapScene::showConfirmation()
{
    if (CCLayerColor* band = VParent ? VParent->GetColorLayer() : nullptr) {
        VParent->ClearColorLayerChildren();
        Ref<CCLabelTTF> confirm = villageui::label(villageui::text("BUILDING_CONFIRM"), villageui::kFont,
                                                   villageui::pick(15, 30), {255, 255, 255});
        confirm->setPosition({windowWidth() / 2, band->contentSize().height / 2});
        band->addChild(confirm.get());
    }
    showGhost();
}

void MapScene::showGhost()
{
    if (!PageParent) return;
    const int32_t slotId = SelectedSlot / kBuildMarkerFactor;
    if (CCNode* tree = PageParent->getChildByTag(slotId * kTreeKeyFactor))
        tree->runAction(CCFadeOut::actionWithDuration(kTreeFade).get());
    const MAP_OBJECT* slot = slotRecord(slotId);
    const UpgradeItem* upgrade = Profile::sharedInstance()->GetUpgrade(MapToBuild);
    if (!slot || !upgrade) {
        logLine("MapScene: no slot %d or upgrade %d for the ghost", slotId, MapToBuild);
        return;
    }
    Ref<CCNode> ghost = buildingPicture(*upgrade, kGhostOpacity);
    if (!ghost) return;
    if (!upgrade->isAnim && slot->GroupID != kPivotGroup) ghost->setAnchorPoint({0.5f, 0});
    ghost->setPosition(slotPoint(*slot));
    PageParent->addChild(ghost.get(), depthOf(*slot), kGhostTag);
}

void MapScene::moveGhost()
{
    if (!PageParent) return;
    if (CCNode* tree = PageParent->getChildByTag(LastSlotSelected / kBuildMarkerFactor * kTreeKeyFactor))
        tree->runAction(CCFadeIn::actionWithDuration(kTreeFade).get());
    if (CCNode* old = Menu ? Menu->getChildByTag(LastSlotSelected) : nullptr) {
        setOpacity(old, 255);
        runPulse(old, kBuildPulse);
    }
    if (CCNode* ghost = PageParent->getChildByTag(kGhostTag)) PageParent->removeChild(ghost, true);
    showGhost();
}

// ---------------------------------------------------------------- building

void MapScene::abandonPlacement(const char* why)
{
    // MapToBuild stays: saves wait until this map is left, so the last save,
    // from before the purchase, keeps holding.
    logLine("MapScene: placement of upgrade %d abandoned: %s", MapToBuild, why);
    SelectedSlot = -1;
    if (VParent) {
        VParent->SetBarsVisibility(true);
        VParent->SetInputActive(true);
    }
    SetInputActive(true);
}

void MapScene::startBuildingAnimation(const MAP_OBJECT& slot, void (MapScene::*done)())
{
    const char* file = slot.GroupID == kPivotGroup ? "build_pivot.xml" : "build.xml";
    if (Animation* model = XMLManager::sharedInstance()->GetAnimationNamed(file); model && PageParent) {
        Ref<Animation> building = model->GenerateNewObject();
        PageParent->addChild(building.get(), depthOf(slot) + 1);
        building->PlaceObject();
        building->StartAnimations(false);
        building->SetAutoRelease();
        building->setPosition(slotPoint(slot));
    } else {
        logLine("MapScene: no building animation %s; the building stands after the wait", file);
    }
    if (Menu) removeChild(Menu.get(), true);
    Menu = nullptr;
    settlebtn = farmbutton = minebtn = nullptr;
    SetInputActive(false);
    if (VParent) VParent->SetInputActive(false);
    runAction(CCSequence::actionOne(CCDelayTime::actionWithDuration(kBuildSeconds).get(),
                                    CCCallBlock::actionWithBlock([this, done] { (this->*done)(); }).get())
                  .get());
    villageui::playSound("selection_build_longer");
}

void MapScene::startBuild()
{
    MAP_OBJECT* slot = slotRecord(SelectedSlot / kBuildMarkerFactor);
    if (!slot || !Profile::sharedInstance()->GetUpgrade(MapToBuild)) {
        abandonPlacement("no such slot or upgrade");
        return;
    }
    slot->IDBuild = MapToBuild;
    startBuildingAnimation(*slot, &MapScene::BuildObject);
}

void MapScene::startUpgrade()
{
    MAP_OBJECT* slot = slotRecord(SelectedSlot);
    if (!slot || !Profile::sharedInstance()->GetUpgrade(MapToBuild)) {
        abandonPlacement("no such slot or upgrade");
        return;
    }
    GlobalObject::sharedInstance()->RemoveNotificationForTyp(slot->IDBuild);
    slot->IDBuild = MapToBuild;
    startBuildingAnimation(*slot, &MapScene::UpgradeObject);
}

void MapScene::BuildObject()
{
    Ref<MapScene> keep(this);
    const UpgradeItem* upgrade = Profile::sharedInstance()->GetUpgrade(MapToBuild);
    const MAP_OBJECT* slot = slotRecord(SelectedSlot / kBuildMarkerFactor);
    bool keepInputOff = false;
    if (upgrade && slot) {
        keepInputOff = opensToolLesson(*upgrade);
        (void)standBuilding(*slot, MapToBuild);
        CheckAndSpawnIfNeededStageButtons();
        SpawnBonuses(MapToBuild, slot->x, slot->y);
    } else {
        logLine("MapScene: upgrade %d or slot %d went away during the building animation", MapToBuild,
                SelectedSlot / kBuildMarkerFactor);
    }
    const int32_t built = MapToBuild;
    MapToBuild = -1;
    SelectedSlot = -1;
    LastSlotSelected = -1;
    if (VParent) VParent->SetBarsVisibility(true);
    if (keepInputOff) {
        // The lesson's frame gives both inputs back when it closes; until
        // then the entrance buttons made afresh stay off too.
        if (Menu) Menu->setIsTouchEnabled(isTouchEnabled());
    } else {
        SetInputActive(true);
        if (Menu) Menu->setIsTouchEnabled(true);
        if (VParent) VParent->SetInputActive(true);
    }
    for (int32_t upgradeId : kTutorialAfterBuild) {
        if (upgradeId == built) ValidateAndPlayTutorial();
    }
    Profile::sharedInstance()->SaveInBcg();
}

bool MapScene::revealDecoration(int32_t slotKey)
{
    MAP_OBJECT* slot = slotRecord(slotKey);
    if (!slot || slot->isTree == 1 || !PageParent) return false;
    slot->isTree = 1;
    auto decoration = CCSprite::spriteWithSpriteFrameName(slot->Name);
    if (!decoration) {
        logLine("MapScene: no picture %s for decoration %d", slot->Name.c_str(), slot->ID);
        return true;
    }
    decoration->setPosition(slotPoint(*slot));
    decoration->setOpacity(0);
    PageParent->addChild(decoration.get(), 1, slot->key());
    decoration->runAction(CCFadeIn::actionWithDuration(kRevealFade).get());
    return true;
}

void MapScene::UpgradeObject()
{
    Ref<MapScene> keep(this);
    const MAP_OBJECT* slot = slotRecord(SelectedSlot);
    // The old building is the node of its upgrade standing on this slot:
    // another building of the same upgrade may stand elsewhere.
    if (PageParent && PageParent->children() && slot) {
        for (Object* child : *PageParent->children()) {
            auto* node = static_cast<CCNode*>(child);
            if (node->tag() == HelperInt && node->position() == slotPoint(*slot)) {
                PageParent->RemoveObject(node);
                break;
            }
        }
    }
    if (VParent) VParent->SetBarsVisibility(true);
    SetInputActive(true);
    if (VParent) VParent->SetInputActive(true);
    const int32_t upgraded = MapToBuild;
    if (slot && Profile::sharedInstance()->GetUpgrade(upgraded)) {
        (void)standBuilding(*slot, upgraded);
        CheckAndSpawnIfNeededStageButtons();
        if (Menu) Menu->setIsTouchEnabled(true);
        SpawnBonuses(upgraded, slot->x, slot->y);
    } else {
        logLine("MapScene: upgrade %d or slot %d went away during the building animation", upgraded, SelectedSlot);
    }
    for (const Reveal& reveal : kReveals) {
        if (reveal.upgrade != upgraded) continue;
        const bool revealed = reveal.first != 0 && revealDecoration(reveal.first);
        if (reveal.second != 0) (void)revealDecoration(reveal.second);
        if (revealed || reveal.alwaysAfterBuild) AfterBuildSeq();
    }
    MapToBuild = -1;
    HelperInt = -1;
    SelectedSlot = -1;
    Profile::sharedInstance()->SaveInBcg();
}

} // namespace mw
