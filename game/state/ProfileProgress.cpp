// Experience, levels and the offer lists of the profile.
#include <algorithm>
#include <cstdint>
#include <utility>

#include "analytics/TallyAnalytics.h"
#include "foundation/Format.h"
#include "game/state/Profile.h"

namespace mw {

namespace {

// The whole-number part, held to the 32-bit range (NaN gives 0).
int32_t wholePart(double value)
{
    if (!(value > INT32_MIN)) return value < 0 ? INT32_MIN : 0;
    if (value >= INT32_MAX) return INT32_MAX;
    return static_cast<int32_t>(value);
}

} // namespace

void Profile::AddExp(float amount, bool gameplay, bool stage)
{
    if (stage) {
        StageExp += amount;
        return;
    }
    if (gameplay) {
        TempExperience += amount;
        return;
    }
    Experience += amount;
    const int32_t highestLevel = static_cast<int32_t>(LevelsArray.size());
    if (PlayerLevel >= highestLevel) return;
    Points = wholePart(static_cast<double>(Points) + amount);
    if (Experience < ExperienceStep) return;

    // One level per call, however large the amount: the next call goes on.
    PlayerLevel += 1;
    TallyAnalytics::logEvent("Level Up!", {{"Level Up!", format("Level %d", PlayerLevel)}});
    if (PlayerLevel < highestLevel) {
        LastExperienceStep = ExperienceStep;
        ExperienceStep = static_cast<float>(LevelsArray[static_cast<size_t>(PlayerLevel)]);
    }
}

void Profile::RegenerateBuyIndexes()
{
    using Offer = std::pair<int32_t, UpgradeItem*>; // identifier and record
    std::vector<Offer> buildings;
    std::vector<Offer> workers;
    std::vector<Offer> tools;
    for (int32_t identifier = 1; identifier < kUpgradeSlots; ++identifier) {
        UpgradeItem* upgrade = GetUpgrade(identifier);
        if (!upgrade || upgrade->isHidden || upgrade->DoneWithThat) continue;
        switch (upgrade->Type) {
        case 4:
            tools.emplace_back(identifier, upgrade);
            break;
        case 2:
            if (GetUpgradeCount(identifier) >= upgrade->StageMaxQuantity) {
                upgrade->DoneWithThat = true;
            } else {
                buildings.emplace_back(identifier, upgrade);
            }
            break;
        case 3:
            workers.emplace_back(identifier, upgrade);
            break;
        default:
            break;
        }
    }

    // Workers that may not be hired any more stay listed, behind every
    // upgrade with a smaller key.
    auto offerKey = [this](const Offer& offer) {
        const UpgradeItem* upgrade = offer.second;
        const bool fullyHired =
            upgrade->Type == 3 && GetUpgradeCount(offer.first) >= upgrade->StageMaxQuantity;
        return static_cast<int64_t>(upgrade->Priority) + (fullyHired ? 2000 : 0);
    };
    // Stable: equal keys keep ascending identifier order.
    auto inOfferOrder = [&offerKey](std::vector<Offer>& offers) {
        std::stable_sort(offers.begin(), offers.end(),
                         [&offerKey](const Offer& a, const Offer& b) { return offerKey(a) < offerKey(b); });
        std::vector<int32_t> identifiers;
        identifiers.reserve(offers.size());
        for (const Offer& offer : offers) identifiers.push_back(offer.first);
        return identifiers;
    };
    BuildingsDict = inOfferOrder(buildings);
    WorkersDict = inOfferOrder(workers);
    ToolsDict = inOfferOrder(tools);
    BuildingCount = static_cast<int32_t>(BuildingsDict.size());
    ToolsCount = static_cast<int32_t>(ToolsDict.size());
    WorkersCount = static_cast<int32_t>(WorkersDict.size());
}

} // namespace mw
