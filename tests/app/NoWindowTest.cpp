// A start that cannot open its window says so at once, in one line that names
// the display and why, and goes on headless: it never runs where nobody sees
// it without a word.

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/ChildProcess.h"
#include "tests/support/TempDir.h"

namespace mw {
namespace {

using test::ChildProcess;

// An X display number that no server here holds.
std::string unusedXDisplay()
{
    for (int number = 731; number < 1000; ++number) {
        const std::string n = std::to_string(number);
        const bool held = std::filesystem::exists("/tmp/.X11-unix/X" + n) ||
                          std::filesystem::exists("/tmp/.X" + n + "-lock");
        if (!held) return ":" + n;
    }
    return ":999";
}

// The first line of the file holding `text`, once it is there; nothing when
// none comes within `seconds`.
std::optional<std::string> lineWhenWritten(const std::string& path, const std::string& text, double seconds)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    for (;;) {
        std::istringstream lines(test::TempDir::readText(path));
        for (std::string line; std::getline(lines, line);) {
            if (line.find(text) != std::string::npos) return line;
        }
        if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

TEST(NoWindowTest, AStartThatCannotOpenItsWindowSaysWhyAtOnceAndRunsHeadless)
{
    test::TempDir folder;
    const std::string display = unusedXDisplay();
    struct Case {
        const char* name;
        std::vector<std::string> environment;
        std::string said; // the whole reason up to its details
    };
    const Case cases[] = {
        {"an X display that does not answer",
         {"DISPLAY=" + display, "WAYLAND_DISPLAY=", "XDG_RUNTIME_DIR="},
         "mosswick: cannot open a window on DISPLAY=" + display + ": "},
        {"a Wayland display without its runtime folder",
         {"DISPLAY=", "WAYLAND_DISPLAY=wayland-mosswick-none", "XDG_RUNTIME_DIR="},
         "mosswick: cannot open a window on WAYLAND_DISPLAY=wayland-mosswick-none: "},
        // Stands for the console's screen, which works beside a desktop on
        // machines with a graphics card but shows nothing on the desktop.
        {"a video driver that shows no window on a desktop",
         {"DISPLAY=" + display, "WAYLAND_DISPLAY=", "SDL_VIDEODRIVER=offscreen"},
         "mosswick: cannot open a window on DISPLAY=" + display +
             ": the video driver 'offscreen' shows no window on a desktop"},
        {"no display named", {"DISPLAY=", "WAYLAND_DISPLAY="}, "mosswick: no display: running headless"},
    };
    // A budget no run ends within: the line must come while the game runs.
    const std::vector<std::string> arguments = {"--frames", "10000000"};
    // All at once: each start of the program under the sanitizers takes seconds.
    std::vector<std::unique_ptr<ChildProcess>> runs;
    for (const Case& c : cases) {
        const std::string log = folder.file(std::to_string(runs.size()));
        // Each run's village and stores stay in the test's folder.
        std::vector<std::string> environment = c.environment;
        environment.push_back("MOSSWICK_HOME=" + folder.file("home-" + std::to_string(runs.size())));
        runs.push_back(std::make_unique<ChildProcess>(ChildProcess::builtProgram("mosswick"), arguments,
                                                      environment, log));
    }
    for (size_t i = 0; i < runs.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(runs[i]->started());
        const std::string log = folder.file(std::to_string(i));
        const std::optional<std::string> line = lineWhenWritten(log, c.said, 45);
        ASSERT_TRUE(line) << "not said while running:\n" << test::TempDir::readText(log);
        EXPECT_NE(line->find("running headless"), std::string::npos) << *line;
        // The game goes on, headless: its social session starts.
        EXPECT_TRUE(lineWhenWritten(log, "*** appId", 45)) << test::TempDir::readText(log);
        EXPECT_FALSE(runs[i]->wait(0)) << "ended, not running headless\n" << test::TempDir::readText(log);
    }
}

} // namespace
} // namespace mw
