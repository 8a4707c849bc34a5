#pragma once

#include <cstdint>
#include <vector>

#include "game/village/UpgradeRow.h"

namespace mw {

class CCLabelTTF;
class CCMenuItem;
class UpgradeItem;

// One row of the workers list: the worker's picture, name, experience,
// hired count, required level, the resource price of the next hire (each
// hire dearer, see upgradecosts::unitPrice), a short description, what the
// worker turns into what, and the hire button: active when the player can
// pay and has the level, dark otherwise, "max_button.png" (doing nothing)
// once the worker is hired to its maximum.
class HireCell : public UpgradeRow {
public:
    static constexpr int32_t kFieldWorker = 9; // the lesson's worker, with its arrow

    static Ref<HireCell> rowWithIndex(uint32_t index);
    bool initWithIndex(uint32_t index);

    // The active hire button (owned by the menu), null when the row has none.
    CCMenuItem* CraftBtn = nullptr;
    // The row's one button, whichever it is.
    CCMenuItem* button() const { return button_; }
    CCLabelTTF* countLabel() const { return count_; }
    CCLabelTTF* levelLabel() const { return level_; }
    // The price counters of the cost grid, in cost-line order.
    const std::vector<CCNode*>& costCounters() const { return costs_; }
    // The effect: the two pictures (null when the worker shows none).
    CCSprite* effectFrom() const { return effectFrom_; }
    CCSprite* effectTo() const { return effectTo_; }

private:
    void placeCosts(const UpgradeItem& upgrade, int32_t owned);
    void placeLevel(const UpgradeItem& upgrade);
    void placeButton(const UpgradeItem& upgrade, int32_t owned);
    void placeEffect(const UpgradeItem& upgrade);

    CCMenuItem* button_ = nullptr;
    CCLabelTTF* count_ = nullptr;
    CCLabelTTF* level_ = nullptr;
    std::vector<CCNode*> costs_;
    CCSprite* effectFrom_ = nullptr;
    CCSprite* effectTo_ = nullptr;
};

} // namespace mw
