// The mosswick program: starts the game in the device's screen, in a window
// or headless.

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include <sys/stat.h>
#include <unistd.h>

#include "app/SocialServiceRouting.h"
#include "audio/CDAudioManager.h"
#include "audio/CDSoundEngine.h"
#include "engine/director/CCDirectorDisplayLink.h"
#include "engine/director/HeadlessDriver.h"
#include "engine/director/WindowDriver.h"
#include "foundation/Clock.h"
#include "foundation/Log.h"
#include "foundation/Paths.h"
#include "foundation/RunLoop.h"
#include "game/front/MosswickAppDelegate.h"
#include "platform/AppWindow.h"
#include "platform/DeviceProfile.h"
#include "platform/GLContext.h"

namespace {

using namespace mw;

// Long enough for the loading screen to hand over to the main menu.
constexpr int kDefaultHeadlessFrames = 150;

// The game's surface: 16-bit colour and a 16-bit depth buffer.
constexpr GLSurfaceFormat kGameFormat{GLColorFormat::RGB565, 16};

struct Options {
    std::string device = "phone";
    bool headless = false;
    std::optional<int> frames;
    std::string screenshot;
    std::string driver = "displaylink";
};

// The frame drivers the window can run, by their command-line names.
struct DriverName {
    const char* name;
    int32_t directorType;
};
constexpr DriverName kDrivers[] = {
    {"displaylink", kCCDirectorTypeDisplayLink},
    {"timer", kCCDirectorTypeNSTimer},
    {"fast", kCCDirectorTypeMainLoop},
    {"threaded", kCCDirectorTypeThreadMainLoop},
};

std::optional<int32_t> directorTypeNamed(const std::string& name)
{
    for (const DriverName& driver : kDrivers) {
        if (name == driver.name) return driver.directorType;
    }
    return std::nullopt;
}

void printUsage(std::FILE* out)
{
    std::fprintf(
        out,
        "Usage: mosswick [options]\n"
        "  --device NAME      screen to emulate: phone, phone-hd, tablet, tablet-hd (default phone)\n"
        "  --headless         render without a window\n"
        "  --frames N         stop after N screen refreshes (headless default %d; window: run until "
        "closed)\n"
        "  --screenshot FILE  write the last frame as a PNG file\n"
        "  --driver NAME      window's frame driver: displaylink, timer, fast, threaded (default "
        "displaylink)\n"
        "  --help             show this help\n",
        kDefaultHeadlessFrames);
}

// Empty on a bad command line (the reason is printed), whatever else it
// holds: --help beside an unknown option is still a mistake.
std::optional<Options> parseOptions(int argc, char** argv, bool& wantsHelp)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--help" || arg == "-h") {
            wantsHelp = true;
        } else if (arg == "--screenshot" && hasValue && argv[i + 1][0] == '\0') {
            std::fprintf(stderr, "mosswick: --screenshot needs a file name\n");
            return std::nullopt;
        } else if (arg == "--headless") {
            options.headless = true;
        } else if (arg == "--device" && hasValue) {
            options.device = argv[++i];
        } else if (arg == "--driver" && hasValue) {
            options.driver = argv[++i];
            if (!directorTypeNamed(options.driver)) {
                std::fprintf(stderr, "mosswick: unknown driver '%s'\n", options.driver.c_str());
                return std::nullopt;
            }
        } else if (arg == "--screenshot" && hasValue) {
            options.screenshot = argv[++i];
        } else if (arg == "--frames" && hasValue) {
            char* end = nullptr;
            const long frames = std::strtol(argv[++i], &end, 10);
            if (*end != '\0' || frames < 1 || frames > 10'000'000) {
                std::fprintf(stderr, "mosswick: --frames needs a positive number, not '%s'\n", argv[i]);
                return std::nullopt;
            }
            options.frames = static_cast<int>(frames);
        } else {
            std::fprintf(stderr, "mosswick: unknown or incomplete option '%s'\n", arg.c_str());
            return std::nullopt;
        }
    }
    return options;
}

// The game cannot run without its bundle: say so in one line rather than once
// for every asset that fails to load.
bool reportMissingResources()
{
    if (const char* configured = std::getenv("MOSSWICK_RESOURCES"); configured && *configured) {
        struct stat info {};
        if (::stat(configured, &info) == 0 && S_ISDIR(info.st_mode)) return false;
        std::fprintf(stderr, "mosswick: no resources folder at %s (named by MOSSWICK_RESOURCES)\n", configured);
        return true;
    }
    // The lookup logs its own line; this one replaces it.
    LogSink previous = setLogSink([](const std::string&) {});
    const bool missing = Paths::bundleDirectory().empty();
    setLogSink(std::move(previous));
    if (missing) {
        std::fprintf(stderr, "mosswick: no resources folder beside the program or up to three folders above it; "
                             "set MOSSWICK_RESOURCES to the game's resources folder\n");
    }
    return missing;
}

// Whether a screenshot can be written at `path`, found before the frames
// run rather than after them: a trial file is made and removed in its folder,
// where the picture's own temporary file will go (so a read-only disk or a
// folder without write permission shows, for root too). False with the
// reason printed.
bool screenshotPathWritable(const std::string& path)
{
    auto refuse = [&](const std::string& why) {
        std::fprintf(stderr, "mosswick: cannot write the screenshot %s: %s\n", path.c_str(), why.c_str());
        return false;
    };
    struct stat info {};
    if (path.back() == '/' || (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode))) {
        return refuse("it is a folder");
    }
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    std::string trial = folder + "/.mosswick-screenshot-XXXXXX";
    const int fd = ::mkstemp(trial.data());
    if (fd < 0) return refuse(std::strerror(errno));
    ::close(fd);
    ::unlink(trial.c_str());
    return true;
}

// ---------------------------------------------------------------- drivers

int runHeadless(const DeviceProfile& profile, const Options& options)
{
    std::unique_ptr<HeadlessDriver> driver = HeadlessDriver::createForApplication(profile, kGameFormat, 1.0 / 30);
    if (!driver) return 1;
    MosswickAppDelegate game;
    driver->lifeCycle().setDelegate(&game);
    driver->lifeCycle().launch();
    driver->runFrames(options.frames.value_or(kDefaultHeadlessFrames));

    int status = 0;
    if (!options.screenshot.empty()) {
        if (driver->screenshot(options.screenshot)) {
            std::printf("screenshot written to %s\n", options.screenshot.c_str());
        } else {
            status = 1;
        }
    }
    MosswickAppDelegate::endProgram(driver->lifeCycle());
    return status;
}

int runWindow(const DeviceProfile& profile, const Options& options)
{
    std::unique_ptr<WindowDriver> driver =
        WindowDriver::openForApplication(profile, kGameFormat, *directorTypeNamed(options.driver));
    if (!driver) return 1;
    MosswickAppDelegate game;
    driver->setApplicationDelegate(&game);

    const bool budgetSpent = driver->run(options.frames);
    int status = 0;
    if (budgetSpent && !options.screenshot.empty()) {
        if (driver->screenshot(options.screenshot)) {
            std::printf("screenshot written to %s\n", options.screenshot.c_str());
        } else {
            status = 1;
        }
    }
    // A closed window has quit already; the quit of a spent budget is the game's too.
    MosswickAppDelegate::endProgram(driver->window().lifeCycle());
    driver->setApplicationDelegate(nullptr);
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    bool wantsHelp = false;
    const std::optional<Options> options = parseOptions(argc, argv, wantsHelp);
    if (!options) {
        printUsage(stderr);
        return 2;
    }
    if (wantsHelp) {
        printUsage(stdout);
        return 0;
    }
    const DeviceProfile* profile = DeviceProfile::named(options->device);
    if (!profile) {
        std::fprintf(stderr, "mosswick: unknown device '%s'\n", options->device.c_str());
        printUsage(stderr);
        return 2;
    }
    DeviceProfile::setCurrent(*profile);
    if (!options->screenshot.empty() && !screenshotPathWritable(options->screenshot)) return 1;
    if (reportMissingResources()) return 1;
    // Before the game starts, which is before its first transfer.
    routeToSocialServiceFromEnvironment();

    // Sound starts on a thread of its own, as the game's launch starts it;
    // without a sound device it says so once and stays silent.
    CDSoundEngine::setMixerSampleRate(44100);
    CDAudioManager::initAsynchronously(kCDModeFxPlusMusicIfNoOtherAudio);
    int status;
    std::string noWindow;
    if (options->headless) {
        status = runHeadless(*profile, *options);
    } else if (!AppWindow::hasDisplay(&noWindow)) {
        // Said at once, on the unbuffered stream: a run in no window must
        // not look like a start that hangs.
        if (noWindow.empty()) {
            std::fprintf(stderr, "mosswick: no display: running headless\n");
        } else {
            std::fprintf(stderr, "mosswick: cannot open a window on %s: running headless\n",
                         noWindow.c_str());
        }
        status = runHeadless(*profile, *options);
    } else {
        status = runWindow(*profile, *options);
    }
    CDAudioManager::end();
    return status;
}
