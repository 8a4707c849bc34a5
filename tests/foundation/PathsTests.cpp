#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

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

// Set when this program runs as the probe of BundleIsFoundBesideTheProgram: a
// copy of it placed in a scratch tree writes what the bundle lookup finds
// there to the named file and stops before any test runs.
constexpr char kBundleProbeVariable[] = "MOSSWICK_BUNDLE_PROBE";
[[maybe_unused]] const bool kRunAsBundleProbe = [] {
    const char* report = std::getenv(kBundleProbeVariable);
    if (!report) return false;
    std::ofstream(report) << Paths::bundleDirectory();
    std::_Exit(0);
}();

TEST(PathsTest, BundleComesFromTheEnvironment)
{
    TempDir dir;
    TempDir::writeText(dir.file("stringdb.csv"), "key|en|de|pl\n");
    ScopedEnv resources("MOSSWICK_RESOURCES", dir.path());
    EXPECT_EQ(Paths::bundleDirectory(), dir.path());
    EXPECT_EQ(Paths::pathForResource("stringdb.csv"), dir.file("stringdb.csv"));
    EXPECT_EQ(Paths::pathForResource("missing.png"), "");
}

// Without the variable, the program's folder and up to three above it are
// searched for "resources" (so build/release/mosswick finds the checkout's).
TEST(PathsTest, BundleIsFoundBesideTheProgram)
{
    struct Case {
        const char* program;   // folder of the program, below the scratch root
        const char* resources; // folder made beside it, or null
        const char* found;     // expected bundle, below the scratch root, or "" for none
    };
    const std::vector<Case> cases = {
        {"game", "game/resources", "game/resources"},
        {"checkout/build/release", "checkout/resources", "checkout/resources"},
        {"a/b/c/d", "a/resources", "a/resources"},
        {"a/b/c/d/e", "a/resources", ""},
        {"game", nullptr, ""},
    };
    ScopedEnv unset("MOSSWICK_RESOURCES", std::nullopt);
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe");
    for (const Case& c : cases) {
        TempDir root;
        // The lookup starts from the program's resolved path.
        const std::filesystem::path base = std::filesystem::canonical(root.path());
        const std::filesystem::path folder = base / c.program;
        std::filesystem::create_directories(folder);
        if (c.resources) std::filesystem::create_directories(base / c.resources);
        const std::filesystem::path program = folder / "probe";
        std::error_code linkFailed;
        std::filesystem::create_hard_link(self, program, linkFailed);
        if (linkFailed) std::filesystem::copy_file(self, program);

        const std::string report = root.file("found.txt");
        const std::string command = "env " + std::string(kBundleProbeVariable) + "='" + report + "' '" +
                                    program.string() + "' >/dev/null 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0) << c.program;
        const std::string expected = *c.found ? (base / c.found).string() : "";
        EXPECT_EQ(TempDir::readText(report), expected) << c.program;
    }
}

} // namespace
} // namespace mw
