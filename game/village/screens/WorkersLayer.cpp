#include "game/village/screens/WorkersLayer.h"

#include <algorithm>

#include "game/state/Profile.h"
#include "game/village/VillageUi.h"
#include "game/village/hud/HireCell.h"

namespace mw {

Ref<WorkersLayer> WorkersLayer::layerWithGuiParent(CCNode* gui)
{
    auto layer = makeRef<WorkersLayer>();
    if (!layer->initWithGuiParent(gui)) return nullptr;
    return layer;
}
uint32_t WorkersLayer::numberOfCellsInTableView(CCTableView*)
{
    return static_cast<uint32_t>(std::max(Profile::sharedInstance()->WorkersCount, 0));
}

CGSize WorkersLayer::cellSizeForTable(CCTableView*)
{
    return villageui::onTablet() ? CGSize {768, 250} : CGSize {320, 125};
}

Ref<CCTableViewCell> WorkersLayer::tableCellAtIndex(CCTableView* table, uint32_t idx)
{
    discardReusableCell(table);
    return HireCell::rowWithIndex(idx);
}

} // namespace mw
