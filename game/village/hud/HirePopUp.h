#pragma once

#include <cstdint>
#include <vector>

#include "engine/nodes/CCNode.h"
#include "foundation/Ref.h"

namespace mw {

class CCCounterDrell;
class CCHoldButton;
class CCLabelTTF;
class CCMenu;
class CCMenuItem;
class CCSprite;
class GuiObject;
class ResourceCostItem;
class UpgradeItem;

// The pop-up through which every building is built, every worker hired and
// every tool crafted: the upgrade's picture, name, description, experience,
// what is missing, its price in resources and, where allowed, in gold; a
// quantity for tools. Paying with resources (GoodCallback) or gold
// (BuyCallback) takes the upgrade: a building sends the village to the map
// to place it (state 103, or 104 for an upgrade of a standing building), a
// worker to the map to arrive (state 110), a tool into the stock with a
// save. Short of gold, the coin-pack panel slides in.
//
// The opener (a list layer) places it at the window's centre on the HUD at
// z-order 3 and switches its own and the HUD's input off; every way out
// gives both back and removes the pop-up. Its parent is the HUD.
class HirePopUp : public CCNode {
public:
    static constexpr int kCoinPanelTag = 796;
    static constexpr int kPriceShadowTag = 968;
    static constexpr int kPriceFrontTag = 745;
    static constexpr int32_t kMapLayer = 9;
    static constexpr int32_t kStateBuild = 103;
    static constexpr int32_t kStateUpgrade = 104;
    static constexpr int32_t kStateHired = 110;

    // `act`: the opener's verdict that the player can pay one unit with
    // resources now; without it no build, hire or craft button is offered.
    static Ref<HirePopUp> popUpWithUpgrade(int32_t upgrade, bool act);
    // Builds everything. An upgrade the profile does not know gives a pop-up
    // with only its close button (logged).
    bool intiWithUpgrade(int32_t upgrade, bool act);
    ~HirePopUp() override;

    // Switches the pop-up's menu, only when the flag differs from its state.
    void SetInputActive(bool active) override;
    // Pays with resources and takes the upgrade (see the class comment).
    void GoodCallback(Object* sender);
    // Pays with gold (gold equal to the price is enough); short of it, slides
    // the coin-pack panel in, or with the panel in, only plays the sound.
    void BuyCallback(Object* sender);
    // Closes the pop-up, giving the input back to the HUD and its layer.
    void BadCallback(Object* sender);
    // A tool's quantity up or down by one (not below 1); every price follows.
    void PlusCallback(Object* sender);
    void MinusCallback(Object* sender);
    // Slides the coin-pack panel out (when it is in), shows the current gold,
    // and gives the menu its touch back after 0.5 s (ClearAfterMicro).
    void CloseMicro(Object* sender);
    void ClearAfterMicro();

    // Where a building bought here is placed: the group and map state of the
    // standing building it improves (104), else its own group (103).
    struct Placement {
        int32_t group;
        int32_t state;
    };
    static Placement placementFor(int32_t upgrade);
    // The city level building `upgrade` raises the village to, or 0.
    static int32_t cityLevelFor(int32_t upgrade);

    // ---- for the HUD, the purchase pop-up and tests (nodes owned by the tree)
    int32_t upgradeId() const { return Type; }
    CCSprite* background() const { return bcg.get(); }
    CCMenu* buttonMenu() const { return menu.get(); }
    CCMenuItem* craftButton() const { return CraftButt; }
    CCMenuItem* instantButton() const { return InstantButton; }
    CCMenuItem* closeButton() const { return closeButton_; }
    CCHoldButton* plusButton() const { return plus; }
    CCHoldButton* minusButton() const { return minus; }
    CCCounterDrell* quantityCounter() const { return cntr.get(); }
    const std::vector<Ref<CCCounterDrell>>& costCounters() const { return ResCounters; }
    const std::vector<CCLabelTTF*>& stockLabels() const { return stockLabels_; }
    // The requirement line's labels, "UPGRADES_NEED" first; empty when none.
    const std::vector<CCLabelTTF*>& requirementLabels() const { return requirement_; }
    CCLabelTTF* goldLabel() const { return tempN2G.get(); }
    bool coinPanelOpen() const { return getChildByTag(kCoinPanelTag) != nullptr; }
    // The quantity chosen (1 without a quantity counter).
    int32_t quantity() const;

private:
    GuiObject* hud() const;
    // What one cost line asks for one unit now (the worker rule included).
    int32_t unitNeed(size_t line) const;
    void buildPicture(const UpgradeItem& upgrade);
    void buildRequirementLine(const UpgradeItem& upgrade);
    void buildBottomStrip();
    void buildCosts();
    void buildButtons(const UpgradeItem& upgrade, bool act);
    void buildQuantity();
    void showQuantity(int32_t n, bool raised, CCMenuItem* sender);
    void placeStockLabel(size_t line, int32_t need);
    void openCoinPanel();
    // Counts a building in and sends the village to the map to place it.
    void takeBuilding(UpgradeItem& upgrade);
    // Counts n tools in, saves, refreshes the list and the HUD.
    void takeTools(int32_t n);
    void runActions(UpgradeItem& upgrade);
    void close();

    int32_t Type = 0;
    Ref<CCSprite> bcg;
    Ref<CCMenu> menu;
    Ref<CCCounterDrell> cntr;
    std::vector<Ref<ResourceCostItem>> ResItems;
    std::vector<Ref<CCCounterDrell>> ResCounters;
    CCMenuItem* InstantButton = nullptr; // owned by menu
    CCMenuItem* CraftButt = nullptr;     // owned by menu
    CCMenuItem* closeButton_ = nullptr;  // owned by menu
    CCHoldButton* plus = nullptr;        // owned by menu
    CCHoldButton* minus = nullptr;       // owned by menu
    Ref<CCLabelTTF> tempN2G;
    std::vector<CCLabelTTF*> stockLabels_;  // owned by the cost counters
    std::vector<CCLabelTTF*> requirement_;  // owned by bcg
    CCSprite* picture_ = nullptr;            // owned by bcg
    int32_t owned_ = 0;                      // of this upgrade when opened
    Ref<UpgradeItem> upgrade_;
};

} // namespace mw
