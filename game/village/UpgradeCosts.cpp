#include "game/village/UpgradeCosts.h"

#include "engine/support/CCArray.h"
#include "foundation/ValueObject.h"
#include "game/state/Profile.h"
#include "game/state/ResourceCostItem.h"
#include "game/state/UpgradeItem.h"

namespace mw::upgradecosts {

int32_t unitPrice(const UpgradeItem& upgrade, const ResourceCostItem& line, int32_t owned)
{
    const bool perHire = upgrade.Type == 3 && upgrade.ID != kFlatPricedWorker && line.ResourceId != kWorkersResource;
    return perHire ? line.ResourceQuantity * (owned + 1) : line.ResourceQuantity;
}

bool levelMet(const UpgradeItem& upgrade, const Profile& profile)
{
    return upgrade.ReqLevel <= 0 || profile.PlayerLevel >= upgrade.ReqLevel;
}

std::vector<int32_t> requiredUpgrades(const UpgradeItem& upgrade)
{
    std::vector<int32_t> identifiers;
    if (!upgrade.ReqUpgrades) return identifiers;
    for (Object* item : *upgrade.ReqUpgrades) {
        if (const auto* required = dynamic_cast<const ValueObject*>(item))
            identifiers.push_back(required->value().asInt());
    }
    return identifiers;
}

std::vector<int32_t> missingUpgrades(const UpgradeItem& upgrade, const Profile& profile)
{
    std::vector<int32_t> missing;
    for (int32_t required : requiredUpgrades(upgrade))
        if (profile.GetUpgradeCount(required) < 1) missing.push_back(required);
    return missing;
}

bool requirementsMet(const UpgradeItem& upgrade, const Profile& profile)
{
    return missingUpgrades(upgrade, profile).empty() && levelMet(upgrade, profile);
}

bool goldPricesOpen(const Profile& profile) { return profile.GetUpgradeCount(kMarket) > 0; }

} // namespace mw::upgradecosts
