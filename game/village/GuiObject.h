#pragma once

#include <array>
#include <cstdint>

#include "engine/nodes/CCLayer.h"
#include "engine/nodes/CCNode.h"
#include "foundation/Ref.h"
#include "game/boards/FoodPopUp.h"
#include "game/boards/VillageGate.h"

namespace mw {

class CCExpBar;
class CCLabelTTF;
class CCLayerColor;
class CCMenu;
class CCMenuItem;
class CCSeenCounter;
class CCSprite;
class CCTutorialParent;
class VillageScene;

// The village HUD: top bar (gold, workers, level, experience bar, village
// name), bottom bar with the five tab buttons, Back, Menu and the bag of
// goods. Built from "GUI.ccb" (tablet) or "GUI_small.ccb" (phone); a node the
// file does not give stays null and is left alone. Pop-ups, tutorial arrows
// (tags 897..913) and the falling bonus items live under it. It relays the
// layer switches to the village scene and the tutorial hooks to the current
// content layer. Main thread only.
class GuiObject : public CCNode, public VillageGate, public FoodPopUpHost {
public:
    // Tab indices (ActButtons) and their layer identifiers.
    enum Tab { kBuildTab = 0, kToolsTab = 1, kWorkersTab = 2, kMicroTab = 3, kShopTab = 4 };
    // Tags of the tab items in Menu1; each tab's active look is tagged twice its tag.
    static constexpr int kFirstTabTag = 10;
    static constexpr int kLastTabTag = 14;
    // Tag of the tutorial arrow at the bag button.
    static constexpr int kBagArrowTag = 904;
    // z-orders of what is added to the HUD.
    static constexpr int kOptionsZ = 7;

    // `scene` is the owning village scene (not owned; may be null in tests).
    static Ref<GuiObject> guiWithParent(VillageScene* scene);
    bool initWithParent(VillageScene* scene);
    ~GuiObject() override;

    // Sets the touch priority of the three menus to the lowest integer + 10.
    void onEnter() override;

    // ---- the village scene
    VillageScene* villageScene() const { return VParent; }
    // The scene's content layer (not owned), or null.
    CCLayer* GetLayer() const override;
    // ChangeLayer(layer, -1, 0, -1).
    void ChangeLayer(int32_t layer);
    // Passed on to the village scene; then closes the bag without sound.
    void ChangeLayer(int32_t layer, int32_t group, int32_t state, int32_t building);

    // ---- input and state
    // Stores the flag and switches Menu1..Menu3 on or off.
    void SetInputActive(bool active) override;
    bool IsActive() const { return InputActive; }
    bool isBagOpen() const { return BagOpen; }
    bool isTabActive(int tab) const { return tab >= 0 && tab < 5 && ActButtons[static_cast<size_t>(tab)]; }

    // ---- refreshes
    // Gold, level and workers in the top bar.
    void UpdateTopBar() override;
    // Re-enables the tabs whose condition now holds; creates, renumbers or
    // hides the three not-seen badges.
    void UpdateSeenCounters();
    // The bag's numbers and tints, and the stock on the counters the HUD was
    // built with.
    void UpdateGoodsState();
    // Back button on (opaque) or off (transparent); the experience bar shows
    // exactly when the Back button does not.
    void ShowBackButton(bool show);
    // Every tab back to its normal image, all ActButtons cleared.
    void ResetButtons();
    // Toggles the tab's flag and swaps the tapped item for its sibling.
    void ValidateButtonWithIndex(int index, CCMenuItem* item);
    // Slides both bars out (NO) or back in (YES).
    void SetBarsVisibility(bool visible);
    void ClearColorLayerChildren();
    void GlowExpBar();

    // ---- accessors (nodes owned by the HUD's tree)
    CCLayerColor* GetColorLayer() const { return ColorLayer.get(); }
    CCTutorialParent* GetTutorialParent() const { return TutorialParent.get(); }
    CCNode* gui() const { return Gui.get(); }
    CCSprite* goodsPopUp() const { return GoodsPopUp; }
    CCExpBar* expBar() const { return ExpBar; }
    CCMenuItem* bagButton() const { return BagButton; }
    CCSprite* goldMarker() const { return GoldMarker; }
    CCSprite* workersMarker() const { return WorkersMarker; }
    CCNode* bonusParent() const { return BonusParent.get(); }
    CCSprite* topBar() const { return TopBar; }
    CCSprite* bottomBar() const { return BottomBar; }
    CCSeenCounter* seenCounter(int tab) const;
    CCLabelTTF* goldLabel() const { return GoldLabel.get(); }
    CCLabelTTF* workerLabel() const { return WorkerLabel.get(); }
    CCLabelTTF* levelLabel() const { return LevelLabel.get(); }
    CCLabelTTF* villageNameLabel() const { return VillageNameLabel.get(); }
    CCNode* resMarker() const { return ResMarker; }

    // ---- tutorial hooks, passed to the current content layer
    void AfterBuildSeq() override;
    void InstantSpawnWorkerOfType();
    // Map and statistics: their tutorial check; shop and buildings list:
    // MoveWithTutorial; other layers: nothing.
    void MoveWithTutorial() override;

    // ---- pop-ups' needs
    Ref<CCNode> coinPackList() override;

    // ---- button operations (bound by the scene file)
    void BuildCallback(Object* sender);
    void ToolsCallback(Object* sender);
    void WorkersCallback(Object* sender);
    void MicroCallback(Object* sender);
    void ShopCallback(Object* sender);
    void BackCallback(Object* sender);
    void MenuCallback(Object* sender);
    void BagCallback(Object* sender);
    void CloseBagCallback(Object* sender);
    void EmptyCallback(Object* sender);

    // ---- members the scene file fills (not owned: the file's tree owns them)
    CCSprite* BottomBar = nullptr;
    CCSprite* TopBar = nullptr;
    CCSprite* GoodsPopUp = nullptr;
    CCMenuItem* BuildButton = nullptr;
    CCMenuItem* ToolsButton = nullptr;
    CCMenuItem* WorkersButton = nullptr;
    CCMenuItem* EmptyButton = nullptr;
    CCMenuItem* EmptyButton2 = nullptr;
    CCMenuItem* MicroButton = nullptr;
    CCMenuItem* ShopButton = nullptr;
    CCMenuItem* MenuButton = nullptr;
    CCMenuItem* BackButton = nullptr;
    CCMenuItem* BagButton = nullptr;
    CCMenuItem* CloseBag = nullptr;
    CCSprite* WorkersMarker = nullptr;
    CCSprite* LvlMarker = nullptr;
    CCSprite* GoldMarker = nullptr;
    CCExpBar* ExpBar = nullptr;
    CCNode* VillageNameMarker = nullptr;
    CCNode* ResMarker = nullptr;
    CCSprite* WorkersMarkerPopUp = nullptr;
    CCSprite* GoldMarkerPopUp = nullptr;
    CCMenu* Menu1 = nullptr;
    CCMenu* Menu2 = nullptr;
    CCMenu* Menu3 = nullptr;

private:
    void closeBag(bool withSound);
    void openBag();
    void slideBag(bool open);
    void openTab(int tab, int32_t layer, Object* sender);
    void buildBagGrid();
    void addBagCounter(int32_t resource, CGPoint picture);
    // The item of a tab (null when the scene file has none).
    CCMenuItem* tabButton(int tab) const;
    // Where a tab's not-seen badge sits in the bottom bar.
    CGPoint badgePosition(int tab) const;
    void updateBadge(int tab, int32_t count);
    static void enable(CCMenuItem* button, bool enabled);

    Ref<CCNode> Gui;
    VillageScene* VParent = nullptr;
    bool BagOpen = false;
    Ref<CCLabelTTF> GoldLabel;
    Ref<CCLabelTTF> WorkerLabel;
    Ref<CCLabelTTF> LevelLabel;
    Ref<CCLabelTTF> VillageNameLabel;
    std::array<Ref<CCSeenCounter>, 3> SeenCounters;
    Ref<CCLabelTTF> GoldPopUpLabel;
    Ref<CCLabelTTF> WorkersPopUpLabel;
    Ref<CCLayerColor> ColorLayer;
    std::array<bool, 5> ActButtons{};
    bool InputActive = true;
    Ref<CCNode> BonusParent;
    Ref<CCTutorialParent> TutorialParent;
};

} // namespace mw
