// The program's command line: a mistake anywhere on it is refused before
// anything runs, and a screenshot that could not be written is found before
// the frames run, not after them.

#include <sys/wait.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/ChildProcess.h"
#include "tests/support/TempDir.h"

namespace mw {
namespace {

using test::ChildProcess;

TEST(CommandLineTest, AMistakeAnywhereIsRefusedAndAPictureThatCannotBeWrittenBeforeAnyFrame)
{
    test::TempDir folder;
    test::TempDir::writeText(folder.file("a-file"), "not a folder");
    struct Case {
        const char* name;
        std::vector<std::string> arguments;
        int status;
        const char* said; // on standard error or output
    };
    // The frame budget is the largest the program takes: a check made only
    // after the frames would not end within the wait.
    const std::string forever = "10000000";
    const Case cases[] = {
        {"help alone", {"--help"}, 0, "Usage: mosswick"},
        {"help before an unknown option", {"--help", "--bogus"}, 2, "unknown or incomplete option '--bogus'"},
        {"help after an unknown option", {"--bogus", "--help"}, 2, "unknown or incomplete option '--bogus'"},
        {"help beside a bad frame count", {"--frames", "0", "--help"}, 2, "--frames needs a positive number"},
        {"an empty screenshot name", {"--headless", "--screenshot", "", "--frames", forever}, 2,
         "--screenshot needs a file name"},
        {"a screenshot in a missing folder",
         {"--headless", "--frames", forever, "--screenshot", folder.file("missing/shot.png")}, 1,
         "cannot write the screenshot"},
        {"a screenshot under a file, not a folder",
         {"--headless", "--frames", forever, "--screenshot", folder.file("a-file/shot.png")}, 1,
         "Not a directory"},
        {"a screenshot named as a folder",
         {"--headless", "--frames", forever, "--screenshot", folder.path()}, 1, "it is a folder"},
    };
    // All at once: each start of the program under the sanitizers takes seconds.
    std::vector<std::unique_ptr<ChildProcess>> runs;
    for (const Case& c : cases) {
        const std::string log = folder.file(std::to_string(runs.size()) + ".log");
        runs.push_back(std::make_unique<ChildProcess>(ChildProcess::builtProgram("mosswick"), c.arguments,
                                                      std::vector<std::string>{}, log));
    }
    for (size_t i = 0; i < runs.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(runs[i]->started());
        const std::optional<int> status = runs[i]->wait(50);
        const std::string said = test::TempDir::readText(folder.file(std::to_string(i) + ".log"));
        ASSERT_TRUE(status) << "still running: the mistake was not found first\n" << said;
        ASSERT_TRUE(WIFEXITED(*status)) << said;
        EXPECT_EQ(WEXITSTATUS(*status), c.status) << said;
        EXPECT_NE(said.find(c.said), std::string::npos) << said;
    }
    EXPECT_FALSE(std::filesystem::exists(folder.file("missing")));
}

} // namespace
} // namespace mw
