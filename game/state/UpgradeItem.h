#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "engine/support/CCArray.h"
#include "foundation/KeyedArchive.h"
#include "foundation/Object.h"
#include "foundation/Ref.h"
#include "game/state/ResourceCostItem.h"

namespace mw {

// One buyable upgrade of the game data: a building (Type 2), a worker (3)
// or a tool (4). Read and changed directly; the profile's table owns it, and
// it owns its lists and effects.
//
// Archived with every field under its own name: integers 32-bit, flags
// boolean, the cost lines as an array, `Actions` and `ReqUpgrades` in the
// engine array's own archived form, the bonus tables as dictionaries with
// number keys and values.
class UpgradeItem : public Object, public Archivable {
public:
    std::string PngName;
    std::string Name;
    std::vector<Ref<ResourceCostItem>> ResourceCostArr; // what a purchase costs
    Ref<CCArray> Actions;      // UpgradeAction effects, applied when bought or used
    Ref<CCArray> ReqUpgrades;  // upgrade identifiers (boxed 32-bit integers) that must be owned first
    // Resources and tools of a building's timed bonus: identifier to how often
    // it is listed. Buildings only; none for other types.
    std::optional<std::map<int32_t, int32_t>> BonusResources;
    std::optional<std::map<int32_t, int32_t>> BonusTools;
    int32_t ID = 0;
    int32_t Type = 0;             // 2 building, 3 worker, 4 tool; others are never offered
    int32_t ReqLevel = 0;         // player level required
    int32_t NextUpdateEnum = 0;   // the upgrade replacing this building; 0 or less: none
    int32_t StageMaxQuantity = 0; // how many the player may own
    int32_t Priority = 0;         // offer order, smaller first
    int32_t Points = 0;           // experience a purchase gives
    int32_t Money = 0;            // price in gold
    int32_t Group = 0;            // map placement group of a building
    bool isHidden = false;        // not offered until revealed
    bool DoneWithThat = false;    // no longer offered
    bool isMine = false;          // a tool usable in the mine
    bool isField = false;         // a tool usable in the fields
    bool isAnim = false;
    int32_t BonusTime = 0;        // period of the timed bonus in seconds; below 1: none
    int32_t BonusMoney = 0;       // gold of the timed bonus
    bool BonusReady = false;      // the timed bonus waits to be collected

    std::string className() const override { return "UpgradeItem"; }
    void encodeWithCoder(KeyedArchiver& coder) const override;
    bool initWithCoder(KeyedUnarchiver& coder) override;
};

} // namespace mw
