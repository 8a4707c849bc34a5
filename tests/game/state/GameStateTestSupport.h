#pragma once

// Shared by the game-state tests: the game-data fixture, and a scope that
// gives one test its own documents, caches and bundle folders and a fresh
// profile.

#include <algorithm>
#include <climits>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "analytics/TallyAnalytics.h"
#include "foundation/UserDefaults.h"
#include "game/state/AchievementLedger.h"
#include "game/state/Profile.h"
#include "tests/support/ScopedBundle.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/SourceTree.h"
#include "tests/support/TempDir.h"

namespace mw::test {

inline std::string gameDataFixturePath()
{
    return sourceTreePath("tests/game/state/fixtures/test.xml");
}

inline std::string gameDataFixture()
{
    return TempDir::readText(gameDataFixturePath());
}

// While it lives: MOSSWICK_HOME and MOSSWICK_RESOURCES point at scratch
// folders (the bundle holds the fixture as "test.xml" unless told not to),
// the user defaults are read afresh, and the profile and the analytics
// record start empty; all of it is dropped again at the end.
class GameStateScope {
public:
    explicit GameStateScope(bool bundleHoldsFixture = true)
    {
        if (bundleHoldsFixture) TempDir::writeText(bundle.file("test.xml"), gameDataFixture());
        reset();
    }
    ~GameStateScope() { reset(); }

    std::string bundledGameData() const { return bundle.file("test.xml"); }

    TempDir home;
    TempDir bundle;

private:
    static void reset()
    {
        Profile::purgeSharedInstance();
        UserDefaults::resetStandardUserDefaults();
        TallyAnalytics::clearRecordedEvents();
    }

    ScopedEnv homeEnv{"MOSSWICK_HOME", home.path()};
    ScopedBundle bundleScope{bundle.path()};
};

// A home folder below `base` (made here) whose documents folder leaves no room
// in a path for a name kept beside the save: "supersave.plist.corrupt-<time>"
// and "supersave.plist.unread-<time>" there are longer than PATH_MAX, so
// moving or keeping the save aside fails, for root too, while the save, the
// settings and their temporary files still fit and write as usual.
inline std::string homeWithNoRoomForKeptNames(const std::string& base)
{
    // The documents path, then "/supersave.plist.unread-YYYYMMDDTHHMMSSZ" (40
    // characters, the shortest kept name) and the terminating NUL must pass
    // PATH_MAX; "/.UserDefaults.plist.tmp-XXXXXX" (31) must not.
    const size_t homeLength = PATH_MAX - 36 - std::string("/documents").size();
    std::string home = base;
    while (home.size() < homeLength) {
        // "/" and a name of 1 to 200 characters, never leaving a single one over.
        const size_t left = homeLength - home.size();
        const size_t name = left <= 201 ? left - 1 : std::min<size_t>(200, left - 3);
        home += "/" + std::string(std::max<size_t>(name, 1), 'n');
    }
    std::filesystem::create_directories(home);
    return home;
}

// Keeps achievements in memory and lists the grants in order.
class RecordingLedger : public AchievementLedger {
public:
    RecordingLedger() { Profile::setAchievementLedger(this); }
    ~RecordingLedger() override { Profile::setAchievementLedger(nullptr); }

    bool IsAchievementDone(const std::string& identifier) override { return done.count(identifier) > 0; }
    void AchievementDone(const std::string& identifier, const std::string& desc, int32_t pts) override
    {
        done[identifier] = true;
        grants.push_back(identifier + " " + desc + " " + std::to_string(pts));
    }
    int32_t GetAchievementHelperState(const std::string& identifier) override { return counters[identifier]; }
    void SetAchievementHelperState(const std::string& identifier, int32_t cnt) override
    {
        counters[identifier] = cnt;
    }

    std::map<std::string, bool> done;
    std::map<std::string, int32_t> counters;
    std::vector<std::string> grants; // "identifier desc points"
};

} // namespace mw::test
