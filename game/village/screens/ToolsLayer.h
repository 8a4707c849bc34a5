#pragma once

#include "game/village/screens/UpgradeListLayer.h"

namespace mw {

// Content layer 12 of the village scene: the tools on offer (ToolsCell).
class ToolsLayer : public UpgradeListLayer {
public:
    // `gui`: the HUD (not owned). Null when the layer cannot be built.
    static Ref<ToolsLayer> layerWithGuiParent(CCNode* gui);
    bool initWithGuiParent(CCNode* gui) { return initFullList(gui); }

    uint32_t numberOfCellsInTableView(CCTableView* table) override;
    CGSize cellSizeForTable(CCTableView* table) override;
    Ref<CCTableViewCell> tableCellAtIndex(CCTableView* table, uint32_t idx) override;
};

} // namespace mw
