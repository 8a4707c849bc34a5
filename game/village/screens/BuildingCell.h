#pragma once

#include <cstdint>
#include <vector>

#include "game/village/UpgradeRow.h"

namespace mw {

class CCLabelTTF;
class CCMenuItem;
class UpgradeItem;

// One row of the buildings list: the building's picture, name, short
// description, owned count, experience, resource costs (red where the stock
// is short), what is still missing (player level, other buildings), the gold
// price where the market is owned and nothing is missing, and the build
// button, active when the player can build it now. Or, for index 0 once the
// castle is owned, the end-of-content row. A row reads the profile when it
// is built and does not follow later changes.
class BuildingCell : public UpgradeRow {
public:
    static Ref<BuildingCell> rowWithIndex(uint32_t index);
    // Builds the row of table index `index` (see BuildingsLayer::showsEndRow).
    bool initWithIndex(uint32_t index);
    // The end-of-content row: no button, no identifier, no marker.
    bool initWithEndInfo();

    bool isEndRow() const { return endRow_; }
    // Whether the gold price was shown, and the padlock.
    bool showsGoldPrice() const { return goldShown_; }
    bool showsPadlock() const { return padlock_; }
    // The requirement labels in the order placed ("UPGRADES_NEED" first when
    // there is any requirement line at all).
    const std::vector<CCLabelTTF*>& requirementLabels() const { return requirement_; }

protected:
    // The building row's active button lets the marker finish its flight.
    bool activeButtonDropsMarker() const override { return false; }

private:
    // Places the requirement line; false when something is missing.
    bool placeRequirements(const UpgradeItem& upgrade);
    void placeCosts(const UpgradeItem& upgrade);
    void placeGoldPrice(const UpgradeItem& upgrade);
    void placeButton(const UpgradeItem& upgrade);

    bool endRow_ = false;
    bool goldShown_ = false;
    bool padlock_ = false;
    std::vector<CCLabelTTF*> requirement_; // owned by the row's tree
};

} // namespace mw
