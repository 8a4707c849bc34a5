// The mosswick program: opens the device screen in a window (or renders
// headless) and runs the frame loop.

#include <SDL.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "foundation/Log.h"
#include "platform/AppWindow.h"
#include "platform/DeviceProfile.h"
#include "platform/GLContext.h"
#include "platform/Image.h"
#include "platform/TestPattern.h"

namespace {

using namespace mw;

constexpr int kDefaultHeadlessFrames = 60;
constexpr double kFrameSeconds = 1.0 / 60.0;

// The game's surface: 16-bit colour and a 16-bit depth buffer.
constexpr GLSurfaceFormat kGameFormat{GLColorFormat::RGB565, 16};

struct Options {
    std::string device = "phone";
    bool headless = false;
    std::optional<int> frames;
    std::string screenshot;
};

void printUsage(std::FILE* out)
{
    std::fprintf(out,
                 "Usage: mosswick [options]\n"
                 "  --device NAME      screen to emulate: phone, phone-hd, tablet, tablet-hd (default phone)\n"
                 "  --headless         render without a window\n"
                 "  --frames N         stop after N frames (headless default %d; window: run until closed)\n"
                 "  --screenshot FILE  write the last frame as a PNG file\n"
                 "  --help             show this help\n",
                 kDefaultHeadlessFrames);
}

// Empty on a bad command line (the reason is printed).
std::optional<Options> parseOptions(int argc, char** argv, bool& wantsHelp)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--help" || arg == "-h") {
            wantsHelp = true;
        } else if (arg == "--headless") {
            options.headless = true;
        } else if (arg == "--device" && hasValue) {
            options.device = argv[++i];
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

bool writeScreenshot(GLContext& context, const std::string& path)
{
    const PixelSize size = context.pixelSize();
    Ref<Image> image = Image::fromRGBA(context.readPixels(), size.width, size.height, ImageAlphaInfo::NoneSkipLast);
    if (!image || !image->writePNG(path)) return false;
    std::printf("screenshot written to %s\n", path.c_str());
    return true;
}

int runHeadless(const DeviceProfile& profile, const Options& options)
{
    std::unique_ptr<GLContext> context = GLContext::createHeadless(profile.pixelSize(), kGameFormat);
    if (!context) return 1;
    TestPattern pattern;
    const int frames = options.frames.value_or(kDefaultHeadlessFrames);
    for (int frame = 0; frame < frames; ++frame) {
        pattern.draw(context->pixelSize(), profile.pointSize, frame * kFrameSeconds);
        context->swapBuffers();
    }
    if (!options.screenshot.empty() && !writeScreenshot(*context, options.screenshot)) return 1;
    return 0;
}

// Reports the life-cycle so it can be watched while the engine is not there.
class LoggingDelegate : public ApplicationDelegate {
public:
    void applicationWillResignActive() override { logLine("life-cycle: resign active"); }
    void applicationDidBecomeActive() override { logLine("life-cycle: active"); }
    void applicationDidEnterBackground() override { logLine("life-cycle: background"); }
    void applicationWillEnterForeground() override { logLine("life-cycle: foreground"); }
    void applicationWillTerminate() override { logLine("life-cycle: terminate"); }
};

int runWindow(const DeviceProfile& profile, const Options& options)
{
    std::unique_ptr<AppWindow> window = AppWindow::open(profile, kGameFormat);
    if (!window) return 1;
    TestPattern pattern;
    LoggingDelegate lifeCycleLog;
    window->touches().setDelegate(&pattern);
    window->lifeCycle().setDelegate(&lifeCycleLog);
    window->lifeCycle().launch();

    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    auto nextFrame = start;
    int frame = 0;
    while (window->pollEvents()) {
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        window->lifeCycle().checkClock(double(std::time(nullptr)), seconds);
        pattern.draw(window->context().pixelSize(), profile.pointSize, seconds);
        ++frame;
        const bool last = options.frames && frame >= *options.frames;
        if (last && !options.screenshot.empty() && !writeScreenshot(window->context(), options.screenshot)) {
            return 1;
        }
        window->context().swapBuffers();
        if (last) break;
        // Without vsync (some X servers) the loop would spin: pace to 60 Hz.
        nextFrame += std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(kFrameSeconds));
        if (nextFrame > Clock::now()) std::this_thread::sleep_until(nextFrame);
        else nextFrame = Clock::now();
    }
    if (!window->hasQuit()) window->lifeCycle().quit();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    bool wantsHelp = false;
    const std::optional<Options> options = parseOptions(argc, argv, wantsHelp);
    if (wantsHelp) {
        printUsage(stdout);
        return 0;
    }
    if (!options) {
        printUsage(stderr);
        return 2;
    }
    const DeviceProfile* profile = DeviceProfile::named(options->device);
    if (!profile) {
        std::fprintf(stderr, "mosswick: unknown device '%s'\n", options->device.c_str());
        printUsage(stderr);
        return 2;
    }
    DeviceProfile::setCurrent(*profile);

    if (options->headless) return runHeadless(*profile, *options);
    if (!AppWindow::hasDisplay()) {
        std::printf("no display: running headless\n");
        return runHeadless(*profile, *options);
    }
    return runWindow(*profile, *options);
}
