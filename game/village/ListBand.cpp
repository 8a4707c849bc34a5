#include "game/village/ListBand.h"

#include <algorithm>

#include "engine/tables/CCTableView.h"
#include "game/boards/BoardSupport.h"

namespace mw::list {

void reloadKeepingOffset(CCTableView* table)
{
    if (table == nullptr) return;
    const CGPoint offset = table->contentOffset();
    table->reloadData();
    table->setContentOffset(offset);
}

bool rowClearOfBars(const CCNode* row, float rowHeight)
{
    const CCNode* container = row ? row->parent() : nullptr;
    const CCNode* table = container ? container->parent() : nullptr;
    if (table == nullptr) return false;
    const bool tablet = board::isIpad();
    const float bottomBar = tablet ? 90.0f : 45.0f;
    const float topBar = tablet ? 54.0f : 27.0f;
    const float y = row->position().y + container->position().y + table->position().y + bottomBar;
    if (y < std::max(bottomBar, rowHeight / 2)) return false;
    return y <= board::winSize().height - topBar;
}

} // namespace mw::list
