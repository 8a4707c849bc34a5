#pragma once

// Shared by the game-data checks: a fresh profile filled from the bundled
// "test.xml" through the game's own reader, and small lookups over it.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "foundation/Format.h"
#include "foundation/Paths.h"
#include "foundation/UserDefaults.h"
#include "foundation/ValueObject.h"
#include "game/state/DataParser.h"
#include "game/state/Profile.h"
#include "game/state/UpgradeAction.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

namespace mw::test {

// While it lives: the documents and caches are scratch folders (a cached
// "test.xml" of the machine can never stand in for the bundle's), and the
// shared profile is a new game read from the bundle's "test.xml".
class BundledGameData {
public:
    BundledGameData()
    {
        Profile::purgeSharedInstance();
        UserDefaults::resetStandardUserDefaults();
        path = Paths::pathForResource("test.xml");
        DataParser parser;
        loaded = !path.empty() && parser.parseData(path);
    }
    ~BundledGameData()
    {
        Profile::purgeSharedInstance();
        UserDefaults::resetStandardUserDefaults();
    }

    Profile* profile() const { return Profile::sharedInstance(); }

    // "Upgrade 19 (B_WORKSHOP)": how failures name an upgrade.
    std::string upgradeName(int32_t upgrade) const
    {
        const std::vector<std::string>& stems = profile()->EnumNames;
        const bool known = upgrade >= 1 && upgrade <= static_cast<int32_t>(stems.size());
        return format("Upgrade %d (%s)", upgrade,
                      known ? stems[static_cast<size_t>(upgrade - 1)].c_str() : "?");
    }

    TempDir home;
    std::string path;
    bool loaded = false;

private:
    ScopedEnv homeEnv{"MOSSWICK_HOME", home.path()};
};

inline std::vector<int32_t> requiredUpgrades(const UpgradeItem& upgrade)
{
    std::vector<int32_t> identifiers;
    if (!upgrade.ReqUpgrades) return identifiers;
    for (Object* item : *upgrade.ReqUpgrades) {
        if (auto* boxed = dynamic_cast<ValueObject*>(item)) identifiers.push_back(boxed->value().asInt());
    }
    return identifiers;
}

inline std::vector<UpgradeAction*> actionsOf(const UpgradeItem& upgrade)
{
    std::vector<UpgradeAction*> actions;
    if (!upgrade.Actions) return actions;
    for (Object* item : *upgrade.Actions) {
        if (auto* action = dynamic_cast<UpgradeAction*>(item)) actions.push_back(action);
    }
    return actions;
}

} // namespace mw::test
