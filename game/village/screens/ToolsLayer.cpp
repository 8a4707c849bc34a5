#include "game/village/screens/ToolsLayer.h"

#include <algorithm>

#include "game/state/Profile.h"
#include "game/village/VillageUi.h"
#include "game/village/screens/ToolsCell.h"

namespace mw {

namespace {

uint32_t rowsOf(int32_t count) { return static_cast<uint32_t>(std::max(count, 0)); }

} // namespace

Ref<ToolsLayer> ToolsLayer::layerWithGuiParent(CCNode* gui)
{
    auto layer = makeRef<ToolsLayer>();
    if (!layer->initWithGuiParent(gui)) return nullptr;
    return layer;
}

uint32_t ToolsLayer::numberOfCellsInTableView(CCTableView*) { return rowsOf(Profile::sharedInstance()->ToolsCount); }

CGSize ToolsLayer::cellSizeForTable(CCTableView*)
{
    return villageui::onTablet() ? CGSize {768, 154} : CGSize {320, 77};
}

Ref<CCTableViewCell> ToolsLayer::tableCellAtIndex(CCTableView* table, uint32_t idx)
{
    discardReusableCell(table);
    return ToolsCell::rowWithIndex(idx);
}

} // namespace mw
