#pragma once

#include <cstdint>
#include <vector>

#include "foundation/Ref.h"
#include "game/village/ListLayer.h"

namespace mw {

class CCMenu;
class CCMenuItemSprite;
class CCSprite;
class GuiObject;

// The shop, content layer 14 of the village: one row per resource of the
// shop order that the player has seen and that has a buy or a sell price,
// each with its stock and a buy and a sell button that open the deal
// pop-ups. The layer also starts and continues the shop's tutorial (frames
// 56 and 57, then the arrow at the Build button).
class ShopLayer : public ListLayer {
public:
    // Tag of the arrow the tutorial leaves at the Build button.
    static constexpr int kBuildArrowTag = 913;
    // The resources the shop can list, in its order.
    static const std::vector<int32_t>& shopOrder();
    // The resources that get a row now, in the shop's order: seen, with a
    // buy or a sell price. Both the count and the rows come from it.
    static std::vector<int32_t> rowResources();

    // `hud` (not owned) receives the pop-ups and tutorial pictures; null in
    // tests that need no HUD.
    static Ref<ShopLayer> layerWithGuiParent(CCNode* hud);
    bool initWithGuiParent(CCNode* hud);

    uint32_t numberOfCellsInTableView(CCTableView* table) override;
    CGSize cellSizeForTable(CCTableView* table) override;
    Ref<CCTableViewCell> tableCellAtIndex(CCTableView* table, uint32_t idx) override;

    // The deal pop-ups on the HUD at z-order 3; the shop and the HUD go off.
    void ShowBuyPopUpWithResource(int32_t resource);
    void ShowSellPopUpWithResource(int32_t resource);
    // After a tutorial pop-up over the shop: the Build arrow when frame 57
    // asks for it, then the input back to the shop and the HUD.
    void MoveWithTutorial() override;
};

// One row of the shop: icon, stock, name, the buy button (tag: the resource)
// with its unit price and the sell button (tag: resource × 22) with its
// sell price. A button is enabled when the deal of one unit is possible.
class ShopCell : public ListRow {
public:
    static Ref<ShopCell> cellWithIndex(uint32_t index);
    // False (logged) for an index past the rows.
    bool initWithIndex(uint32_t index);

    // Open the deal pop-ups, unless the row is partly hidden under a bar.
    void BuildCallback(Object* sender);
    void SellCallback(Object* sender);

    int32_t resource() const { return resource_; }
    CCMenuItemSprite* buyButton() const { return buy_.get(); }
    CCMenuItemSprite* sellButton() const { return sell_.get(); }

private:
    Ref<CCMenuItemSprite> buy_;
    Ref<CCMenuItemSprite> sell_;
    int32_t resource_ = 0;
};

} // namespace mw
