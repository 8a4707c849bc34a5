#pragma once

#include <cstdint>

#include "game/village/ListLayer.h"

namespace mw {

// The buildings, workers and tools lists: a table of the upgrades on offer
// whose rows open the hire pop-up. The HUD (guiParent) is the pop-up's
// parent and loses its input with the list while the pop-up is open.
class UpgradeListLayer : public ListLayer {
public:
    // Opens the hire pop-up for `upgrade` at the window's centre on the HUD at
    // z-order 3, then switches the list's and the HUD's input off; the pop-up
    // gives both back when it closes. `act`: the player can pay for one
    // unit with resources now (the row's verdict).
    virtual void ShowPopUpWithUpgrade(int32_t upgrade, bool act);
    // A touch on a row lets its new marker fly off.
    void tableCellTouched(CCTableView* table, CCTableViewCell* cell) override;
    // The profile's offer lists are rebuilt, then the rows, at the same offset.
    void ReloadData() override;

protected:
    UpgradeListLayer() = default;
};

} // namespace mw
