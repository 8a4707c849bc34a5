#include "foundation/GuardedFileRead.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "foundation/Log.h"
#include "foundation/Paths.h"
#include "foundation/UserDefaults.h"
#include "tests/support/ScopedPermissionChecks.h"
#include "tests/support/TempDir.h"
#include "tests/support/UnmovableFile.h"

namespace mw {
namespace {

// Takes the bytes when they are "good", and gives a reason otherwise.
bool decodeGood(const std::vector<uint8_t>& bytes, std::string* error)
{
    if (std::string(bytes.begin(), bytes.end()) == "good") return true;
    *error = "not good";
    return false;
}

// Each outcome, the file left where the outcome says, and a reason for each
// file not taken. A path that cannot even be looked at is no missing file: a
// caller starting empty would write over it later.
TEST(GuardedFileRead, EachOutcomeLeavesTheFileWhereItSays)
{
    test::TempDir dir;
    struct Case {
        const char* name;
        std::function<std::string()> make; // the path read
        GuardedRead outcome;
        const char* reason; // in the reason given, "" when none is
        bool fileStays;     // still at its path afterwards
        bool needsChecks = false;
    };
    const std::vector<Case> cases = {
        {"no file", [&] { return dir.file("none"); }, GuardedRead::NoFile, "", false},
        {"no folder either", [&] { return dir.file("none/none"); }, GuardedRead::NoFile, "", false},
        {"a file that decodes", [&] { return dir.write("good", "good"); }, GuardedRead::Read, "", true},
        {"a file that does not decode", [&] { return dir.write("bad", "bad"); }, GuardedRead::MovedAside, "not good",
         false},
        {"a folder in its place",
         [&] {
             Paths::createDirectories(dir.file("folder"));
             return dir.file("folder");
         },
         GuardedRead::Unreadable, "is a folder", true},
        {"more than the bound", [&] { return dir.write("large", std::string(65, 'g')); }, GuardedRead::Unreadable,
         "more than 64 bytes", true},
        {"a folder that cannot be searched",
         [&] {
             const std::string path = dir.write("shut/good", "good");
             ::chmod(dir.file("shut").c_str(), 0);
             return path;
         },
         GuardedRead::Unreadable, "Permission denied", true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<test::ScopedPermissionChecks> checks;
        if (c.needsChecks) {
            checks = std::make_unique<test::ScopedPermissionChecks>();
            if (!checks->active()) continue;
        }
        const std::string path = c.make();
        ScopedLogCapture log;
        const GuardedReadResult result = readGuardedFileQuietly(path, 64, decodeGood);
        checks.reset();
        ::chmod(dir.file("shut").c_str(), 0755);
        EXPECT_EQ(result.outcome, c.outcome);
        EXPECT_NE(result.reason.find(c.reason), std::string::npos) << result.reason;
        EXPECT_EQ(result.reason.empty(), *c.reason == '\0') << result.reason;
        EXPECT_EQ(Paths::fileExists(path), c.fileStays);
        if (c.outcome == GuardedRead::MovedAside) {
            EXPECT_EQ(test::TempDir::readText(result.movedTo), "bad");
        } else {
            EXPECT_TRUE(result.movedTo.empty());
        }
        EXPECT_TRUE(log.lines().empty()) << "the quiet read logs nothing of its own";
    }
}

TEST(GuardedFileRead, AFileThatCannotBeMovedAsideIsUnreadAndLogged)
{
    test::TempDir dir;
    std::unique_ptr<UserDefaults> defaults;
    GuardedRead outcome = GuardedRead::NoFile;
    const test::GuardedFileKind kinds[] = {
        {"the guarded read itself",
         [&] { return dir.file("plain/file"); },
         [&] {
             outcome = readGuardedFile(dir.file("plain/file"), "Test: file", 1024, decodeGood);
             EXPECT_EQ(outcome, GuardedRead::Unreadable);
         },
         [] {}},
        {"the user defaults",
         [&] { return dir.file("settings/UserDefaults.plist"); },
         [&] {
             defaults = std::make_unique<UserDefaults>(dir.file("settings/UserDefaults.plist"));
             defaults->setObject("kept", Value("1"));
         },
         [&] {
             EXPECT_TRUE(defaults->synchronize());
             EXPECT_EQ(UserDefaults(dir.file("settings/UserDefaults.plist")).objectForKey("kept"), Value("1"));
         },
         true,
         [&] { defaults.reset(); }},
    };
    for (const test::GuardedFileKind& kind : kinds) {
        if (!test::checkFailedMoveAside(kind)) break;
    }
}

} // namespace
} // namespace mw
