#pragma once

#include <cstdint>
#include <string>

#include "foundation/Ref.h"
#include "game/village/ListLayer.h"

namespace mw {

class CCMenu;
class CCMenuItemSprite;
class CCSprite;

// The six coin packs of the store, one row each with its localised price.
// Two forms: the coin-pack tab (content layer 13 of the village, a full
// list under the HUD) and the coin-pack panel (a strip of about two rows
// that a pop-up slides in when the player's gold is short). A buy button
// opens the purchase pop-up above everything, switches the input under it
// off and starts the payment.
class MicroLayer : public ListLayer {
public:
    static constexpr uint32_t kRowCount = 6;

    // The tab, under the HUD `hud` (not owned).
    static Ref<MicroLayer> layerWithGuiParent(CCNode* hud);
    // The panel; `parent` (not owned, may be null) is the node whose input
    // goes with the list's: the HUD for the panels of pop-ups on the HUD.
    static Ref<MicroLayer> layerForMicro(CCNode* parent);
    bool initWithGuiParent(CCNode* hud);
    bool initWithGuiParentForMicro(CCNode* parent);

    uint32_t numberOfCellsInTableView(CCTableView*) override { return kRowCount; }
    CGSize cellSizeForTable(CCTableView* table) override;
    Ref<CCTableViewCell> tableCellAtIndex(CCTableView* table, uint32_t idx) override;

    // With a parent: its top bar, then the rows rebuilt at the same offset.
    void ReloadData() override;
};

// One coin pack: picture, name, description and a buy button (tag: the
// pack's resource, 19 to 24) captioned with the pack's cached price, or
// "BUTTON_BUY" when that pack has none.
class TradeCell : public ListRow {
public:
    static Ref<TradeCell> cellWithIndex(uint32_t index);
    bool initWithIndex(uint32_t index);

    // The buy button's touch; while off, taps are ignored.
    void SetActive(bool active) override;
    // Starts the purchase of the button's pack (see MicroLayer).
    void BuildCallback(Object* sender);

    bool active() const { return Act; }
    CCMenuItemSprite* buyButton() const { return button_.get(); }
    // The caption's text.
    const std::string& captionText() const { return caption_; }

private:
    Ref<CCMenuItemSprite> button_;
    std::string caption_;
    bool Act = true;
};

} // namespace mw
