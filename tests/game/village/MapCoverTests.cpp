// The village map fills the window on every device: for a village begun on
// that device and for one carried over in a save from any other device (the
// data folder is shared by every device profile, so "Continue" on the tablet
// may load a village the phone saved). Whatever the map shows, no band of
// the window stays uncovered. Pictures go to $MOSSWICK_TEST_PICTURES.

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "foundation/UserDefaults.h"
#include "foundation/Value.h"
#include "game/state/DataParser.h"
#include "game/state/Profile.h"
#include "game/state/SaveFile.h"
#include "platform/DeviceProfile.h"
#include "tests/game/village/VillageTestSupport.h"
#include "tests/support/SourceTree.h"

namespace mw {
namespace {

using test::VillageWorld;

// The widest band of the window left at the clear colour: whole rows from
// the top or bottom, whole columns from the left or right. A row or column
// counts as uncovered when most of it is black.
struct Uncovered {
    int rows = 0;    // the most uncovered rows in one run
    int columns = 0; // the most uncovered columns in one run
};

Uncovered uncoveredBands(const std::vector<uint8_t>& rgba, int width, int height)
{
    auto black = [&](int x, int y) {
        const uint8_t* p = &rgba[(static_cast<size_t>(y) * width + x) * 4];
        return p[0] < 8 && p[1] < 8 && p[2] < 8;
    };
    auto longestRun = [](const std::vector<bool>& marks) {
        int best = 0;
        int run = 0;
        for (bool mark : marks) {
            run = mark ? run + 1 : 0;
            best = std::max(best, run);
        }
        return best;
    };
    std::vector<bool> rows(height), columns(width);
    for (int y = 0; y < height; ++y) {
        int count = 0;
        for (int x = 0; x < width; ++x) count += black(x, y);
        rows[y] = count * 2 > width;
    }
    for (int x = 0; x < width; ++x) {
        int count = 0;
        for (int y = 0; y < height; ++y) count += black(x, y);
        columns[x] = count * 2 > height;
    }
    return {longestRun(rows), longestRun(columns)};
}

// A slot and the building the other device put on it before saving.
constexpr int32_t kSavedSlot = 25;
constexpr int32_t kSavedBuilding = 35;

// The save of a village made on `device`, as the shared data folder would
// hold it: the slot table in that device's points, one building on it.
Value villageSavedOn(const std::string& device)
{
    test::DeviceRun made(device);
    EXPECT_TRUE(made.ok()) << device;
    EXPECT_TRUE(DataParser().parseData(test::sourceTreePath("resources/test.xml")));
    XMLManager::sharedInstance()->ParseMapData();
    XMLManager::sharedInstance()->MapObjects.at(kSavedSlot)->IDBuild = kSavedBuilding;
    Profile::sharedInstance()->increaseUpgradeCount(kSavedBuilding, 1);
    return Profile::sharedInstance()->TakeSnapshot().toDictionary();
}

// The device the map is shown on, and the device whose save it continues
// (empty: a village begun on this device).
struct Shown {
    std::string device;
    std::string savedOn;
};

void PrintTo(const Shown& shown, std::ostream* out)
{
    *out << shown.device << (shown.savedOn.empty() ? ", begun there" : ", saved on " + shown.savedOn);
}

class MapCoverTest : public ::testing::TestWithParam<Shown> {};

TEST_P(MapCoverTest, TheMapCoversTheWholeWindow)
{
    const Shown& shown = GetParam();
    const Value save = shown.savedOn.empty() ? Value() : villageSavedOn(shown.savedOn);
    VillageWorld world(shown.device);
    ASSERT_TRUE(world.run.ok()) << "no headless GL context";
    ASSERT_TRUE(world.ready());
    if (!shown.savedOn.empty()) {
        UserDefaults::standardUserDefaults().setBool("MapDefLoaded", true);
        ASSERT_TRUE(world.profile().LoadFrom(save));
    }
    world.established();
    world.start();
    // The map alone: the HUD's bars would hide a band at the top or bottom.
    world.hud().setVisible(false);
    world.run.run(0.3);
    world.run.picture("map-cover-" + (shown.savedOn.empty() ? std::string("new") : "from-" + shown.savedOn));
    const PixelSize pixels = DeviceProfile::named(shown.device)->pixelSize();
    const Uncovered left = uncoveredBands(world.run.driver().readPixels(), pixels.width, pixels.height);
    EXPECT_EQ(left.rows, 0) << "rows of the window the map leaves black";
    EXPECT_EQ(left.columns, 0) << "columns of the window the map leaves black";
    if (shown.savedOn.empty()) return;
    // The building the other device placed stands here too, on its slot.
    ASSERT_NE(world.map(), nullptr);
    CCNode* building = world.map()->pageParent()->getChildByTag(kSavedBuilding);
    ASSERT_NE(building, nullptr);
    EXPECT_EQ(building->position().x, world.slot(kSavedSlot).x);
    EXPECT_EQ(building->position().y, world.slot(kSavedSlot).y);
}

std::vector<Shown> everyDeviceFromEveryDevice()
{
    std::vector<Shown> cases;
    for (const DeviceProfile& device : DeviceProfile::all()) {
        cases.push_back({device.name, ""});
        for (const DeviceProfile& origin : DeviceProfile::all()) cases.push_back({device.name, origin.name});
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Devices, MapCoverTest, ::testing::ValuesIn(everyDeviceFromEveryDevice()),
                         [](const auto& info) {
                             const Shown& shown = info.param;
                             std::string name =
                                 shown.device + (shown.savedOn.empty() ? "_new" : "_from_" + shown.savedOn);
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

} // namespace
} // namespace mw
