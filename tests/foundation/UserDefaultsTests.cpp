#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <thread>

#include "foundation/PropertyList.h"
#include "foundation/UserDefaults.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

namespace mw {
namespace {

using test::ScopedEnv;
using test::TempDir;

// Points the shared instance at a fresh home folder and drops it afterwards.
class UserDefaultsTest : public ::testing::Test {
protected:
    UserDefaultsTest() : home_("MOSSWICK_HOME", dir_.path()) { UserDefaults::resetStandardUserDefaults(); }
    ~UserDefaultsTest() override { UserDefaults::resetStandardUserDefaults(); }

    std::string defaultsFile() const { return dir_.file("documents/UserDefaults.plist"); }
    // Same as quitting and starting the program again.
    static UserDefaults& reload()
    {
        UserDefaults::resetStandardUserDefaults();
        return UserDefaults::standardUserDefaults();
    }

    TempDir dir_;
    ScopedEnv home_;
};

TEST_F(UserDefaultsTest, ValuesSurviveAReload)
{
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    EXPECT_EQ(defaults.path(), defaultsFile());
    defaults.setBool("isSoundEnable", true);
    defaults.setInteger("launches", int64_t(1) << 40);
    defaults.setFloat("volume", 0.7f);
    defaults.setObject("lang_key", Value("pl"));
    defaults.setObject("prices", Value::dictionary({{"pack1", "0,99 zł"}}));
    defaults.setBool("temporary", true);
    defaults.removeObjectForKey("temporary");
    ASSERT_TRUE(defaults.synchronize());

    UserDefaults& again = reload();
    EXPECT_TRUE(again.boolForKey("isSoundEnable"));
    EXPECT_EQ(again.integerForKey("launches"), int64_t(1) << 40);
    EXPECT_EQ(again.floatForKey("volume"), 0.7f);
    EXPECT_EQ(again.stringForKey("lang_key"), "pl");
    EXPECT_EQ(again.objectForKey("prices")["pack1"].asString(), "0,99 zł");
    EXPECT_TRUE(again.objectForKey("temporary").isNull());
    EXPECT_FALSE(again.boolForKey("never set"));
}

TEST_F(UserDefaultsTest, ChangesWithoutSynchronizeAreNotWritten)
{
    UserDefaults::standardUserDefaults().setBool("Loaded", true);
    EXPECT_FALSE(reload().boolForKey("Loaded"));
    EXPECT_FALSE(std::filesystem::exists(defaultsFile()));
}

TEST_F(UserDefaultsTest, RegisteredDefaultsAreFallbacksOnly)
{
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    defaults.registerDefaults(Value::dictionary({{"isMusicEnable", true}, {"lang_key", "en"}}));
    defaults.setObject("lang_key", Value("de"));
    EXPECT_TRUE(defaults.boolForKey("isMusicEnable"));
    EXPECT_EQ(defaults.stringForKey("lang_key"), "de");
    EXPECT_EQ(defaults.dictionaryRepresentation(), Value::dictionary({{"isMusicEnable", true}, {"lang_key", "de"}}));
    ASSERT_TRUE(defaults.synchronize());
    EXPECT_EQ(readPropertyListFile(defaultsFile()), Value::dictionary({{"lang_key", "de"}}));
}

TEST_F(UserDefaultsTest, AnUnreadableFileIsMovedAsideAndDefaultsStartEmpty)
{
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"garbage", "this is not a property list"},
        {"truncated", "<?xml version=\"1.0\"?><plist><dict><key>Loaded</key><true/>"},
        {"not a dictionary", "<plist><array><true/></array></plist>"},
    };
    for (const auto& [name, contents] : cases) {
        SCOPED_TRACE(name);
        TempDir home;
        ScopedEnv pointed("MOSSWICK_HOME", home.path());
        std::filesystem::create_directories(home.file("documents"));
        const std::string file = home.file("documents/UserDefaults.plist");
        TempDir::writeText(file, contents);

        UserDefaults& defaults = reload();
        EXPECT_FALSE(defaults.boolForKey("Loaded"));
        defaults.setBool("Loaded", true);
        ASSERT_TRUE(defaults.synchronize());

        // The broken file is kept, untouched, beside the fresh one.
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(home.file("documents"))) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        ASSERT_EQ(names.size(), 2u);
        EXPECT_EQ(names[0], "UserDefaults.plist");
        EXPECT_EQ(names[1].rfind("UserDefaults.plist.corrupt-", 0), 0u) << names[1];
        EXPECT_EQ(TempDir::readText(home.file("documents/" + names[1])), contents);
        EXPECT_TRUE(reload().boolForKey("Loaded"));
    }
}

TEST_F(UserDefaultsTest, AValueWithNoFileFormIsRefusedNotBlockingTheRest)
{
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    defaults.setObject("name", Value("kept"));
    defaults.setObject("name", Value(std::string("bad \xFF text")));
    defaults.setObject("list", Value::array({1, Value()}));
    defaults.setBool("Loaded", true);
    EXPECT_EQ(defaults.stringForKey("name"), "kept");
    EXPECT_TRUE(defaults.objectForKey("list").isNull());
    ASSERT_TRUE(defaults.synchronize());
    EXPECT_TRUE(reload().boolForKey("Loaded"));
}

TEST_F(UserDefaultsTest, ManyThreadsMaySetAndSynchronizeAtOnce)
{
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&defaults, t] {
            for (int i = 0; i < 50; ++i) {
                defaults.setInteger("thread" + std::to_string(t), i);
                if (i % 10 == 0) (void)defaults.synchronize();
                (void)defaults.integerForKey("thread0");
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    ASSERT_TRUE(defaults.synchronize());
    UserDefaults& again = reload();
    for (int t = 0; t < 4; ++t) EXPECT_EQ(again.integerForKey("thread" + std::to_string(t)), 49);
}

} // namespace
} // namespace mw
