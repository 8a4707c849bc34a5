#include <gtest/gtest.h>

#include <filesystem>

#include "foundation/Paths.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

namespace mw {
namespace {

using test::ScopedEnv;
using test::TempDir;

TEST(PathsTest, JoinPutsOneSlashBetweenParts)
{
    struct Case {
        const char* head;
        const char* tail;
        const char* joined;
    };
    const std::vector<Case> cases = {
        {"a", "b", "a/b"},
        {"a/", "b", "a/b"},
        {"a//", "b/c", "a/b/c"},
        {"/", "b", "/b"},
        {"", "b", "b"},
        {"a", "", "a"},
        {"a", "/abs", "/abs"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.head) + " + " + c.tail);
        EXPECT_EQ(Paths::join(c.head, c.tail), c.joined);
    }
}

TEST(PathsTest, UserFoldersFollowTheEnvironmentAndAreCreated)
{
    TempDir dir;
    struct Case {
        const char* name;
        std::optional<std::string> home, dataHome, cacheHome;
        std::string documents, caches;
    };
    const std::vector<Case> cases = {
        {"MOSSWICK_HOME wins", dir.file("mh"), dir.file("xd"), dir.file("xc"), dir.file("mh/documents"), dir.file("mh/caches")},
        {"XDG folders", std::nullopt, dir.file("xd"), dir.file("xc"), dir.file("xd/mosswick"), dir.file("xc/mosswick")},
        {"defaults under HOME", std::nullopt, std::nullopt, std::nullopt, dir.file("home/.local/share/mosswick"),
         dir.file("home/.cache/mosswick")},
    };
    ScopedEnv userHome("HOME", dir.file("home"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedEnv home("MOSSWICK_HOME", c.home);
        ScopedEnv data("XDG_DATA_HOME", c.dataHome);
        ScopedEnv cache("XDG_CACHE_HOME", c.cacheHome);
        EXPECT_EQ(Paths::documentsDirectory(), c.documents);
        EXPECT_EQ(Paths::cachesDirectory(), c.caches);
        EXPECT_TRUE(std::filesystem::is_directory(c.documents));
        EXPECT_TRUE(std::filesystem::is_directory(c.caches));
        EXPECT_EQ(Paths::documentsPath("supersave.plist"), c.documents + "/supersave.plist");
    }
}

TEST(PathsTest, BundleComesFromTheEnvironmentOrBesideTheProgram)
{
    TempDir dir;
    TempDir::writeText(dir.file("stringdb.csv"), "key|en|de|pl\n");
    {
        ScopedEnv resources("MOSSWICK_RESOURCES", dir.path());
        EXPECT_EQ(Paths::bundleDirectory(), dir.path());
        EXPECT_EQ(Paths::pathForResource("stringdb.csv"), dir.file("stringdb.csv"));
        EXPECT_EQ(Paths::pathForResource("missing.png"), "");
    }
    // The test programs live in build/<name>/, two or three levels below the
    // repository's resources/ folder.
    ScopedEnv unset("MOSSWICK_RESOURCES", std::nullopt);
    const std::string found = Paths::bundleDirectory();
    ASSERT_FALSE(found.empty());
    EXPECT_TRUE(std::filesystem::equivalent(found, std::string(MOSSWICK_SOURCE_DIR) + "/resources")) << found;
}

} // namespace
} // namespace mw
