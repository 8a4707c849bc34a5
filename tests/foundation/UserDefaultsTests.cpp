#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <iostream>
#include <optional>
#include <thread>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "foundation/Log.h"
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

std::vector<std::string> namesIn(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

// Takes every file descriptor below a lowered limit while it lives, as a
// program that leaks them would.
class DescriptorsUsedUp {
public:
    DescriptorsUsedUp()
    {
        ::getrlimit(RLIMIT_NOFILE, &saved_);
        struct rlimit lowered = saved_;
        lowered.rlim_cur = std::min<rlim_t>(saved_.rlim_cur, 256);
        ::setrlimit(RLIMIT_NOFILE, &lowered);
        for (int fd; (fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;) held_.push_back(fd);
        EXPECT_EQ(errno, EMFILE);
    }
    ~DescriptorsUsedUp()
    {
        for (int fd : held_) ::close(fd);
        ::setrlimit(RLIMIT_NOFILE, &saved_);
    }
    DescriptorsUsedUp(const DescriptorsUsedUp&) = delete;
    DescriptorsUsedUp& operator=(const DescriptorsUsedUp&) = delete;

private:
    struct rlimit saved_ {};
    std::vector<int> held_;
};

// A file that exists but cannot be read for now is kept as it is: nothing is
// moved aside or written over it until a read succeeds, and the changes made
// meanwhile are laid over its values then.
TEST_F(UserDefaultsTest, AFileThatCannotBeReadForNowIsKeptAndNotOverwritten)
{
    std::optional<DescriptorsUsedUp> usedUp;
    auto moveAway = [](const std::string& file) { std::filesystem::rename(file, file + ".away"); };
    auto moveBack = [](const std::string& file) { std::filesystem::rename(file + ".away", file); };
    struct Case {
        const char* name;
        std::function<void(const std::string&)> breakIt, mendIt;
        const char* reason;
        bool needsNonRoot = false;
    };
    const std::vector<Case> cases = {
        {"no file descriptors left", [&](const std::string&) { usedUp.emplace(); },
         [&](const std::string&) { usedUp.reset(); }, "Too many open files"},
        {"a folder in its place",
         [&](const std::string& file) {
             moveAway(file);
             std::filesystem::create_directory(file);
         },
         [&](const std::string& file) {
             std::filesystem::remove(file);
             moveBack(file);
         },
         "is a folder"},
        // Reading a process's memory at address 0 fails with EIO.
        {"an I/O error",
         [&](const std::string& file) {
             moveAway(file);
             std::filesystem::create_symlink("/proc/self/mem", file);
         },
         [&](const std::string& file) {
             std::filesystem::remove(file);
             moveBack(file);
         },
         "Input/output error"},
        // Never read into memory (sparse: no disk used).
        {"far larger than any settings file",
         [&](const std::string& file) {
             moveAway(file);
             TempDir::writeText(file, "");
             std::filesystem::resize_file(file, uintmax_t(64) << 20);
         },
         [&](const std::string& file) {
             std::filesystem::remove(file);
             moveBack(file);
         },
         "holds more than"},
        {"permission denied", [](const std::string& file) { ::chmod(file.c_str(), 0); },
         [](const std::string& file) { ::chmod(file.c_str(), 0644); }, "Permission denied", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.needsNonRoot && ::geteuid() == 0) {
            std::cout << "[ NOTE     ] \"" << c.name << "\" not tested: root reads any file\n";
            continue;
        }
        TempDir home;
        ScopedEnv pointed("MOSSWICK_HOME", home.path());
        std::filesystem::create_directories(home.file("documents"));
        const std::string file = home.file("documents/UserDefaults.plist");
        ASSERT_TRUE(writePropertyListFile(file, Value::dictionary({{"old", true}, {"name", "kept"}})));
        const std::string bytes = TempDir::readText(file);
        ScopedLogCapture log;

        UserDefaults& defaults = reload();
        c.breakIt(file);
        EXPECT_FALSE(defaults.boolForKey("old"));
        defaults.setBool("new", true);
        defaults.removeObjectForKey("name");
        std::string error;
        EXPECT_FALSE(defaults.synchronize(&error));
        EXPECT_NE(error.find(c.reason), std::string::npos) << error;
        EXPECT_FALSE(defaults.synchronize());
        c.mendIt(file);

        EXPECT_EQ(TempDir::readText(file), bytes);
        EXPECT_EQ(namesIn(home.file("documents")), std::vector<std::string>{"UserDefaults.plist"});
        const std::vector<std::string> lines = log.lines();
        EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                                [](const std::string& line) { return line.rfind("UserDefaults: cannot read", 0) == 0; }),
                  1);

        // Read at last: the file's values with the changes over them.
        EXPECT_TRUE(defaults.boolForKey("old"));
        EXPECT_TRUE(defaults.boolForKey("new"));
        EXPECT_EQ(defaults.stringForKey("name"), "");
        ASSERT_TRUE(defaults.synchronize(&error)) << error;
        EXPECT_EQ(readPropertyListFile(file), Value::dictionary({{"old", true}, {"new", true}}));
    }
}

TEST_F(UserDefaultsTest, AValueThatCannotBeReadIsLeftOutAndTheRestKept)
{
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"integer past 64 bits with leading zeros", "<integer>018446744073709551616</integer>"},
        {"bad date", "<date>2026-02-30T00:00:00Z</date>"},
        {"unknown element", "<widget/>"},
        {"bad base64", "<data>*</data>"},
    };
    for (const auto& [name, badValue] : cases) {
        SCOPED_TRACE(name);
        TempDir home;
        ScopedEnv pointed("MOSSWICK_HOME", home.path());
        std::filesystem::create_directories(home.file("documents"));
        const std::string file = home.file("documents/UserDefaults.plist");
        const std::string contents = "<plist><dict><key>isSoundEnable</key><true/><key>broken</key>" + badValue +
                                     "<key>lang_key</key><string>pl</string></dict></plist>";
        TempDir::writeText(file, contents);
        ScopedLogCapture log;

        UserDefaults& defaults = reload();
        EXPECT_TRUE(defaults.boolForKey("isSoundEnable"));
        EXPECT_EQ(defaults.stringForKey("lang_key"), "pl");
        EXPECT_TRUE(defaults.objectForKey("broken").isNull());
        EXPECT_TRUE(log.contains("\"broken\"")) << ::testing::PrintToString(log.lines());
        ASSERT_TRUE(defaults.synchronize());
        EXPECT_EQ(TempDir::readText(file), contents); // nothing changed, nothing written

        defaults.setInteger("launches", 2);
        ASSERT_TRUE(defaults.synchronize());
        EXPECT_EQ(readPropertyListFile(file),
                  Value::dictionary({{"isSoundEnable", true}, {"lang_key", "pl"}, {"launches", Value::int64(2)}}));
        EXPECT_EQ(namesIn(home.file("documents")), std::vector<std::string>{"UserDefaults.plist"});
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
