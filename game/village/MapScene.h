#pragma once

#include <cstdint>

#include "engine/menus/CCMenu.h"
#include "engine/nodes/CCLayer.h"
#include "foundation/Ref.h"
#include "game/boards/FoodPopUp.h"
#include "game/boards/VillageGate.h"
#include "game/village/TrickLayer.h"
#include "game/village/TutorialScreen.h"
#include "game/village/WorkerFactory.h"

namespace mw {

class CCBonusItem;
class CCMenuItem;
class CCMenuItemSprite;
class GuiObject;
class MAP_OBJECT;
class UpgradeItem;

// The village map, content layer 9: buildings, decorations and the fish drawn
// from the map slots, the entrance buttons to the mine, the fields and the
// settlement, ready marks on buildings whose timed bonus is ready, bonus
// items spawned onto the HUD, and a building tooltip on touch. The village
// scene makes a new map each time layer 9 is shown. Main thread only.
class MapScene : public CCLayer, public VillageGate, public FoodPopUpHost, public TutorialScreen {
public:
    // Node tags other screens look up.
    static constexpr int kReadyMarkTag = 645789;
    static constexpr int kTooltipTag = 98765;
    static constexpr int kGhostTag = 987654;
    static constexpr int kFishTag = -1;
    // The priority the map registers at once its input is on.
    static constexpr int32_t kTouchPriority = 100;
    // Map states (the placement states belong to the placement code).
    static constexpr int32_t kStateNormal = 102;
    static constexpr int32_t kStateAfterHire = 110;
    // Bonus kinds of SpawnBonuses' timed event: the upgrade identifier itself.
    static constexpr int32_t kTaxEvent = 145;

    // Whether a tap on the building's place on the map can collect its ready
    // timed bonus: entrances and the settlement chain drawn as plain sprites
    // are passed over by the touch search, and only buildings with a cost
    // (or a few free ones) answer it.
    static bool timedBonusCollectable(const UpgradeItem& upgrade);

    // State 102, no group, no building.
    static Ref<MapScene> mapWithGuiParent(GuiObject* gui);
    static Ref<MapScene> mapWithGuiParentAndState(GuiObject* gui, int32_t state, int32_t group, int32_t building);
    bool initWithGuiParentAndState(GuiObject* gui, int32_t state, int32_t group, int32_t building);
    // Saves the profile when a bonus was collected, unless NoSave.
    ~MapScene() override;

    // Stores the group and enters `state`.
    void ChangeStateWithHelper(int32_t state, int32_t group);
    // Enters a map state: the normal states draw the map.
    void ChangeState(int32_t state);

    // Switches the map's touches and its menu; switching on registers the
    // map at priority 100, swallowing what it claims.
    void SetInputActive(bool active) override;
    // Collects every bonus item still on the HUD; YES when one was collected.
    bool CollectAllBonuses() override;
    // Tear-down when the village shows another layer: collects the items,
    // stops the per-frame work and removes every child.
    void Stop() override;
    // Tear-down before a board session: no save on destruction; then the
    // village scene's onHide.
    void StopWithRelease() override;

    // Bonus items of upgrade `upgrade` at (x, y) onto the HUD; `withExperience`
    // adds the experience item and starts the slow fall.
    void SpawnBonuses(int32_t upgrade, int32_t x, int32_t y, bool withExperience = true);
    void MoveBonus(CCBonusItem* item, bool fast = false);
    void ValidateAllBuildingsForNotification();
    void ValidateNotificationStatusForBuilding(int32_t upgrade);
    void CheckAndSpawnIfNeededStageButtons();
    void CheckIfThisChildIsButton(CCNode* node, bool afterBuild);
    void ActivateChild(CCMenuItem* item);
    void MineCallback(Object* sender);
    void FieldCallback(Object* sender);
    void SettleCallback(Object* sender);

    // ---- map tutorial and walkers (MapTutorial.cpp, MapWalkers.cpp)
    // The tutorial's progress lives only in the frames' flags; a frame the
    // game data does not define counts as done (logged once per frame).
    // Shows the first due frame as a pop-up in the HUD's forwarding node
    // (input off), or points at a button with an arrow, or gives the map and
    // the HUD their input back.
    void ValidateAndPlayTutorial() override;
    // AfterBuildSeq(profile's CityLevel).
    void AfterBuildSeq() override;
    // The frames that follow a rise to `cityLevel` (2 to 6), one at a time as
    // after-build pop-ups; past the last of level 6 the end-of-content frame.
    void AfterBuildSeq(int32_t cityLevel);
    // The hired worker walks in (see WorkerFactory), then the tutorial check.
    void InstantSpawnWorkerOfType();
    // The hired-worker pop-up for worker upgrade `worker` in the forwarding
    // node, the map's and the HUD's input off, and a save on this thread.
    void RunWorkerSequencWithType(int32_t worker);
    // A new walker factory on the object layer, leaving out kind `without`
    // (WorkerFactory::kNoKind for none); the old one is dropped.
    void makeWalkerFactory(int32_t without);
    // Starts the walkers and adds the factory to the map (z-order 0).
    void placeWalkers();
    WorkerFactory* walkerFactory() const { return WFactory.get(); }

    // ---- touches
    void onEnter() override;
    void registerWithTouchDispatcher() override;
    bool ccTouchBegan(UITouch* touch, const UIEvent& event) override;
    void ccTouchEnded(UITouch* touch, const UIEvent& event) override;
    void ccTouchCancelled(UITouch* touch, const UIEvent& event) override;
    int32_t targetedTouchCallbacks() const override;

    void update(float dt) override;

    // ---- placement states: a building or an upgrade bought in the hire
    // pop-up is put on a slot of the map. Defined in MapPlacement.cpp.
    static constexpr int32_t kStateBuild = 103;      // empty slots of one group offered
    static constexpr int32_t kStateUpgrade = 104;    // the buildings the upgrade replaces offered
    static constexpr int32_t kStateBuildAtOnce = 105; // the only slot offered was taken
    static constexpr int32_t kStateConfirm = 106;    // one slot of several chosen: ghost, confirmation
    static constexpr int32_t kStateConfirmed = 107;  // the chosen slot confirmed
    static constexpr int32_t kStateUpgrading = 108;  // an upgrade marker taken
    static constexpr int32_t kStateMoveGhost = 109;  // another slot chosen; reads 106 again at once
    // A build marker's tag is its slot identifier times this; the tree on
    // that slot is keyed slot identifier times kTreeKeyFactor.
    static constexpr int32_t kBuildMarkerFactor = 3;
    static constexpr int32_t kTreeKeyFactor = 1000;
    // Seconds the building animation plays before the building stands.
    static constexpr float kBuildSeconds = 1.6f;
    // True from entering 103 or 104 until the building stands on its slot:
    // the building is paid for and owned but on no slot yet, so nothing may
    // save the profile meanwhile (the save after placing writes it all).
    bool placementOpen() const;
    // Draws the map with a pulsing build marker on every empty slot of
    // `group` (> 0); CurrentSpotCount says how many.
    void ParseForPlacementWithGroup(int32_t group);
    // Draws the map with an upgrade marker on every building that MapToBuild
    // replaces (the group is not used).
    void ParseForUpgradePlacementWithGroup(int32_t group);
    // A build marker tapped: the only one builds at once; one of several
    // shows the ghost, the same one again confirms, another moves the ghost.
    void SlotSelected(CCMenuItem* marker);
    // An upgrade marker tapped in state 104: the building on that slot is
    // upgraded, whichever of several markers it is.
    void SlotUpgradeSelected(CCMenuItem* marker);
    // The end of the building animation: the building stands, the bars and
    // the input come back, the first bonus falls, the profile is saved.
    void BuildObject();
    void UpgradeObject();
    int32_t selectedSlot() const { return SelectedSlot; }
    int32_t lastSlotSelected() const { return LastSlotSelected; }
    int32_t helperInt() const { return HelperInt; }
    int32_t currentSpotCount() const { return CurrentSpotCount; }

    // ---- state, for the HUD, the placement code and tests
    int32_t mapState() const { return MapState; }
    int32_t mapStateHelper() const { return MapStateHelper; }
    int32_t mapToBuild() const { return MapToBuild; }
    GuiObject* guiParent() const { return VParent; }
    TrickLayer* pageParent() const { return PageParent.get(); }
    CCMenu* menu() const { return Menu.get(); }
    CCMenuItemSprite* settleButton() const { return settlebtn; }
    CCMenuItemSprite* farmButton() const { return farmbutton; }
    CCMenuItemSprite* mineButton() const { return minebtn; }
    bool noSave() const { return NoSave; }
    bool wasThereChange() const { return WasThereChange; }

private:
    void saveProfile();
    void drawNormal();
    // A tree, decoration or the fish of a free tree slot, onto the object layer.
    void addDecoration(const MAP_OBJECT& slot);
    // The picture of an upgrade on the map, not yet in any tree: a copy of its
    // animation template placed at `opacity` (-1: the parts' own), or its
    // sprite; null (logged) when the picture is missing.
    static Ref<CCNode> buildingPicture(const UpgradeItem& upgrade, int32_t opacity);
    // The upgrade's building standing on the slot, on the object layer at the
    // slot's depth and tagged with the upgrade; null when it cannot be drawn.
    CCNode* standBuilding(const MAP_OBJECT& slot, int32_t upgrade);
    Ref<CCMenuItemSprite> makeEntranceButton(const char* frame, void (MapScene::*action)(Object*));
    void addReadyMark(CCNode* building);
    void addSettlementMark();
    bool touchOnHudBars(CGPoint point) const;
    // ---- map tutorial (MapTutorial.cpp)
    void showTutorialFrame(int32_t number, bool afterBuild = false);
    void openTutorialInput();
    void hudTutorialArrow(int tag, CGPoint onTablet, CGPoint onPhone);
    void mapTutorialArrow(CCMenuItemSprite* button, int tag = kNoArrowTag);
    static constexpr int kNoArrowTag = -1;

    Ref<CCMenu> Menu;
    Ref<TrickLayer> PageParent;
    GuiObject* VParent = nullptr;
    int32_t MapState = 101;
    int32_t MapStateHelper = -1;
    int32_t MapToBuild = -1;
    int32_t CurrentSpotCount = 0;
    int32_t SelectedSlot = -1;
    int32_t HelperInt = -1;
    int32_t LastSlotSelected = -1;
    CCMenuItemSprite* settlebtn = nullptr;  // owned by Menu
    CCMenuItemSprite* farmbutton = nullptr; // owned by Menu
    CCMenuItemSprite* minebtn = nullptr;    // owned by Menu
    Ref<WorkerFactory> WFactory;
    bool NoSave = false;
    bool WasThereChange = false;

    // ---- placement states (MapPlacement.cpp)
    void enterPlacementState(int32_t state);
    void drawPlacementMap();
    void addMarker(const char* frame, int32_t tag, const MAP_OBJECT& slot, void (MapScene::*action)(CCMenuItem*));
    void showInfoRow(const char* first, const char* picture, const char* second);
    void showConfirmation();
    void showGhost();
    void moveGhost();
    void startBuild();
    void startUpgrade();
    void startBuildingAnimation(const MAP_OBJECT& slot, void (MapScene::*done)());
    void abandonPlacement(const char* why);
    bool revealDecoration(int32_t slotKey);
};

} // namespace mw
