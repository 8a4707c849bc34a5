// The mosswick program: runs a scene with the engine's director in the
// device's screen, in a window or headless.

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include <sys/stat.h>

#include "audio/CDAudioManager.h"
#include "audio/CDSoundEngine.h"
#include "engine/actions/CCActionInterval.h"
#include "engine/actions/CCRepeat.h"
#include "engine/actions/CCSequence.h"
#include "engine/director/CCDirectorDisplayLink.h"
#include "engine/director/HeadlessDriver.h"
#include "engine/director/WindowDriver.h"
#include "engine/nodes/CCLayerColor.h"
#include "engine/nodes/CCLayerGradient.h"
#include "engine/nodes/CCScene.h"
#include "engine/touch/CCTouchDispatcher.h"
#include "foundation/Clock.h"
#include "foundation/Log.h"
#include "foundation/Paths.h"
#include "foundation/RunLoop.h"
#include "platform/AppWindow.h"
#include "platform/DeviceProfile.h"
#include "platform/GLContext.h"

namespace {

using namespace mw;

constexpr int kDefaultHeadlessFrames = 60;

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

// ---------------------------------------------------------------- the demo scene

// A square that can be dragged: it claims touches that begin on it, follows
// the finger and lights up while held.
class DraggableSquare : public CCLayerColor {
public:
    static constexpr ccColor4B kIdle{250, 220, 90, 255};
    static constexpr ccColor3B kHeld{255, 255, 255};

    explicit DraggableSquare(float side) : CCLayerColor(kIdle, side, side) { setIsTouchEnabled(true); }

    void registerWithTouchDispatcher() override
    {
        CCTouchDispatcher::sharedDispatcher()->addTargetedDelegate(this, 0, true);
    }
    int32_t targetedTouchCallbacks() const override
    {
        return kCCTouchBeganBit | kCCTouchMovedBit | kCCTouchEndedBit | kCCTouchCancelledBit;
    }
    bool ccTouchBegan(UITouch* touch, const UIEvent&) override
    {
        const CGPoint inside = convertTouchToNodeSpace(touch);
        if (inside.x < 0 || inside.y < 0 || inside.x > contentSize_.width || inside.y > contentSize_.height) {
            return false;
        }
        setColor(kHeld);
        return true;
    }
    void ccTouchMoved(UITouch* touch, const UIEvent&) override
    {
        const CGPoint now = CCDirector::sharedDirector()->convertToGL(touch->locationInView());
        const CGPoint before = CCDirector::sharedDirector()->convertToGL(touch->previousLocationInView());
        setPosition(CGPoint(position_.x + now.x - before.x, position_.y + now.y - before.y));
    }
    void ccTouchEnded(UITouch*, const UIEvent&) override { setColor({kIdle.r, kIdle.g, kIdle.b}); }
    void ccTouchCancelled(UITouch*, const UIEvent&) override { setColor({kIdle.r, kIdle.g, kIdle.b}); }
};

// A gradient sky with squares moving by actions and one that can be dragged,
// laid out in points so that every device shows the same picture.
Ref<CCScene> makeDemoScene(DraggableSquare*& draggable)
{
    Ref<CCScene> scene = CCScene::node();
    const CGSize size = CCDirector::sharedDirector()->winSize();
    scene->addChild(CCLayerGradient::layerWithColor({20, 60, 40, 255}, {90, 170, 200, 255}).get(), -1);

    const float side = size.width / 8;
    Ref<CCLayerColor> glider = CCLayerColor::layerWithColor({200, 60, 50, 255}, side, side);
    glider->setPosition(CGPoint(side / 2, size.height * 0.7f));
    Ref<CCMoveBy> across = CCMoveBy::actionWithDuration(1.5f, CGPoint(size.width - 2 * side, 0));
    glider->runAction(CCRepeatForever::actionWithAction(
                          static_cast<CCActionInterval*>(
                              CCSequence::actions({across.get(), across->reverse().get()}).get()))
                          .get());
    scene->addChild(glider.get());

    Ref<CCLayerColor> spinner = CCLayerColor::layerWithColor({60, 80, 220, 255}, side * 1.5f, side * 1.5f);
    spinner->setPosition(CGPoint(size.width / 2 - side * 0.75f, size.height * 0.45f));
    spinner->runAction(CCRepeatForever::actionWithAction(CCRotateBy::actionWithDuration(2, 360).get()).get());
    scene->addChild(spinner.get());

    Ref<CCLayerColor> pulse = CCLayerColor::layerWithColor({240, 240, 240, 255}, side, side);
    pulse->setPosition(CGPoint(size.width - side * 2, size.height * 0.2f));
    Ref<CCTintTo> toGreen = CCTintTo::actionWithDuration(1, 60, 200, 90);
    Ref<CCTintTo> toWhite = CCTintTo::actionWithDuration(1, 240, 240, 240);
    pulse->runAction(
        CCRepeatForever::actionWithAction(
            static_cast<CCActionInterval*>(CCSequence::actions({toGreen.get(), toWhite.get()}).get()))
            .get());
    scene->addChild(pulse.get());

    Ref<DraggableSquare> square = makeRef<DraggableSquare>(side * 1.25f);
    square->setPosition(CGPoint(side, size.height * 0.15f));
    draggable = square.get();
    scene->addChild(square.get(), 1);
    return scene;
}

// What the game's launch sets on the director besides the view.
void configureDirector(CCDirector& director)
{
    director.setAnimationInterval(1.0 / 30);
    director.setDisplayFPS(false);
    director.setDepthTest(false);
}

// ---------------------------------------------------------------- drivers

int runHeadless(const DeviceProfile& profile, const Options& options)
{
    std::unique_ptr<HeadlessDriver> driver = HeadlessDriver::create(profile, kGameFormat);
    if (!driver) return 1;
    configureDirector(*driver->director());
    DraggableSquare* square = nullptr;
    driver->director()->runWithScene(makeDemoScene(square).get());

    // Half way, a finger drags the square up and right and stays down, so the
    // last frame shows it moved and lit.
    const int frames = options.frames.value_or(kDefaultHeadlessFrames);
    driver->runFrames(frames / 2);
    const CGPoint square0 = square->position();
    const CGSize winSize = driver->director()->winSize();
    const CGPoint grab = CCDirector::sharedDirector()->convertToUI(
        CGPoint(square0.x + square->contentSize().width / 2, square0.y + square->contentSize().height / 2));
    Ref<UITouch> finger = driver->touchDown(grab);
    driver->touchMove(finger.get(), CGPoint(grab.x + winSize.width / 4, grab.y - winSize.height / 8));
    driver->runFrames(frames - frames / 2);

    int status = 0;
    if (!options.screenshot.empty()) {
        if (driver->screenshot(options.screenshot)) {
            std::printf("screenshot written to %s\n", options.screenshot.c_str());
        } else {
            status = 1;
        }
    }
    driver->touchUp(finger.get());
    return status;
}

int runWindow(const DeviceProfile& profile, const Options& options)
{
    std::unique_ptr<WindowDriver> driver =
        WindowDriver::open(profile, kGameFormat, *directorTypeNamed(options.driver));
    if (!driver) return 1;
    configureDirector(*driver->director());
    DraggableSquare* square = nullptr;
    driver->director()->runWithScene(makeDemoScene(square).get());

    const bool budgetSpent = driver->run(options.frames);
    if (budgetSpent && !options.screenshot.empty()) {
        if (!driver->screenshot(options.screenshot)) return 1;
        std::printf("screenshot written to %s\n", options.screenshot.c_str());
    }
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
    if (reportMissingResources()) return 1;

    // Sound starts on a thread of its own, as the game's launch starts it;
    // without a sound device it says so once and stays silent.
    CDSoundEngine::setMixerSampleRate(44100);
    CDAudioManager::initAsynchronously(kCDModeFxPlusMusicIfNoOtherAudio);
    int status;
    if (options->headless) {
        status = runHeadless(*profile, *options);
    } else if (!AppWindow::hasDisplay()) {
        std::printf("no display: running headless\n");
        status = runHeadless(*profile, *options);
    } else {
        status = runWindow(*profile, *options);
    }
    CDAudioManager::end();
    return status;
}
