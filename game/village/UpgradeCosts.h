#pragma once

#include <cstdint>
#include <vector>

namespace mw {

class Profile;
class ResourceCostItem;
class UpgradeItem;

// The pricing rules that the worker rows, the tool and building rows and the
// hire pop-up all apply, kept in one place so they cannot drift apart.
namespace upgradecosts {

inline constexpr int32_t kWorkersResource = 17; // the village's people: never priced per hire
inline constexpr int32_t kFlatPricedWorker = 105;
inline constexpr int32_t kMarket = 18;          // owning it opens gold prices

// What one cost line asks for one more unit. A worker (type 3) costs its
// quantity times (owned + 1), so each hire is dearer than the last; lines of
// the people resource and the flat-priced worker always cost the quantity.
int32_t unitPrice(const UpgradeItem& upgrade, const ResourceCostItem& line, int32_t owned);

// The identifiers of ReqUpgrades in order, and those of them not owned.
std::vector<int32_t> requiredUpgrades(const UpgradeItem& upgrade);
std::vector<int32_t> missingUpgrades(const UpgradeItem& upgrade, const Profile& profile);

// Every required upgrade owned and the player level at least the required
// level (a required level of 0 or less asks for nothing).
bool requirementsMet(const UpgradeItem& upgrade, const Profile& profile);
bool levelMet(const UpgradeItem& upgrade, const Profile& profile);

// Whether the market is owned, so gold prices are offered at all.
bool goldPricesOpen(const Profile& profile);

} // namespace upgradecosts
} // namespace mw
