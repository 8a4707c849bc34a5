#pragma once

#include "game/village/screens/UpgradeListLayer.h"

namespace mw {

// Content layer 11 of the village scene: the workers on offer (HireCell).
class WorkersLayer : public UpgradeListLayer {
public:
    // `gui`: the HUD (not owned). Null when the layer cannot be built.
    static Ref<WorkersLayer> layerWithGuiParent(CCNode* gui);
    bool initWithGuiParent(CCNode* gui) { return initFullList(gui); }

    uint32_t numberOfCellsInTableView(CCTableView* table) override;
    CGSize cellSizeForTable(CCTableView* table) override;
    Ref<CCTableViewCell> tableCellAtIndex(CCTableView* table, uint32_t idx) override;
};

} // namespace mw
