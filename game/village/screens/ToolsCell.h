#pragma once

#include <cstdint>
#include <vector>

#include "game/village/UpgradeRow.h"

namespace mw {

class CCLabelTTF;
class CCMenuItem;
class UpgradeItem;

// One row of the tools list: the tool's picture, name, short description,
// owned count on its plate, its costs on one line (red where the stock is
// short) and the craft button, active when the stock covers every line and
// the level (if any) is reached; "max_button.png", which does nothing, once
// the tool is owned to its maximum.
class ToolsCell : public UpgradeRow {
public:
    static Ref<ToolsCell> rowWithIndex(uint32_t index);
    bool initWithIndex(uint32_t index);

    // The row's button (owned by its menu), null before init.
    CCMenuItem* button() const { return button_; }
    CCLabelTTF* countLabel() const { return count_; }

private:
    void placeButton(const UpgradeItem& upgrade, int32_t owned);

    CCMenuItem* button_ = nullptr;
    CCLabelTTF* count_ = nullptr;
};

} // namespace mw
