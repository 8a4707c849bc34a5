#include "engine/director/WindowDriver.h"

#include "engine/director/CADisplayLink.h"
#include "engine/director/CCDirectorLifeCycle.h"
#include "engine/director/FrameDriverSteps.h"
#include "engine/director/RefreshPacer.h"
#include "platform/AppWindow.h"
#include "foundation/Clock.h"
#include "foundation/Log.h"
#include "foundation/RunLoop.h"

namespace mw {

namespace {

// Passes the life-cycle to the director and reports it.
class LoggingLifeCycle : public CCDirectorLifeCycle {
public:
    void applicationWillResignActive() override
    {
        logLine("life-cycle: resign active");
        CCDirectorLifeCycle::applicationWillResignActive();
    }
    void applicationDidBecomeActive() override
    {
        logLine("life-cycle: active");
        CCDirectorLifeCycle::applicationDidBecomeActive();
    }
    void applicationDidEnterBackground() override
    {
        logLine("life-cycle: background");
        CCDirectorLifeCycle::applicationDidEnterBackground();
    }
    void applicationWillEnterForeground() override
    {
        logLine("life-cycle: foreground");
        CCDirectorLifeCycle::applicationWillEnterForeground();
    }
    void applicationWillTerminate() override
    {
        logLine("life-cycle: terminate");
        CCDirectorLifeCycle::applicationWillTerminate();
    }
};

} // namespace

std::unique_ptr<WindowDriver> WindowDriver::open(const DeviceProfile& profile, GLSurfaceFormat format,
                                                 int32_t directorType)
{
    if (CCDirector::currentDirector()) {
        logLine("WindowDriver: a director already runs");
        return nullptr;
    }
    std::unique_ptr<AppWindow> window = AppWindow::open(profile, format);
    if (!window) return nullptr;
    std::unique_ptr<WindowDriver> driver(
        new WindowDriver(std::move(window), std::make_unique<LoggingLifeCycle>(), profile));
    if (!driver->setUp(directorType)) return nullptr;
    return driver;
}

std::unique_ptr<WindowDriver> WindowDriver::openForApplication(const DeviceProfile& profile,
                                                               GLSurfaceFormat format, int32_t directorType)
{
    if (CCDirector::currentDirector()) {
        logLine("WindowDriver: a director already runs");
        return nullptr;
    }
    std::unique_ptr<AppWindow> window = AppWindow::open(profile, format);
    if (!window) return nullptr;
    std::unique_ptr<WindowDriver> driver(
        new WindowDriver(std::move(window), std::make_unique<LoggingLifeCycle>(), profile));
    driver->forApplication_ = true;
    CADisplayLink::setScreenRefreshesReported(directorType != kCCDirectorTypeNSTimer);
    if (directorType == kCCDirectorTypeMainLoop || directorType == kCCDirectorTypeThreadMainLoop)
        CCDirector::setDirectorType(directorType);
    setCurrent(driver.get());
    return driver;
}

WindowDriver::WindowDriver(std::unique_ptr<AppWindow> window, std::unique_ptr<ApplicationDelegate> lifeCycle,
                           const DeviceProfile& profile)
    : profile_(profile), previousRefreshesReported_(CADisplayLink::screenRefreshesReported()),
      directorLifeCycle_(std::move(lifeCycle)), window_(std::move(window))
{
    window_->lifeCycle().setDelegate(directorLifeCycle_.get());
}

// The engine's own launch: the chosen director, the view in the window, high
// resolution where the screen has it, portrait.
bool WindowDriver::setUp(int32_t directorType)
{
    if (!CCDirector::setDirectorType(directorType)) CCDirector::setDirectorType(kCCDirectorTypeNSTimer);
    director_ = static_cast<CCDirectorIOS*>(CCDirector::sharedDirector());
    view_ = viewOverSurface(window_->context(), profile_.pointSize);
    if (!view_) return false;
    director_->setOpenGLView(view_.get());
    director_->enableRetinaDisplay(true);
    director_->setDeviceOrientation(kCCDeviceOrientationPortrait);
    attachView();
    return true;
}

void WindowDriver::attachView()
{
    window_->touches().setDelegate(view_.get());
    view_->layoutSubviews();
    overlay_ = std::make_unique<CCPlatformOverlay>();
    overlay_->install(*director_);
}

CGRect WindowDriver::mainScreenBounds() const { return CGRect(CGPointZero, profile_.pointSize); }

void WindowDriver::openWindow(CGRect) { windowOpen_ = true; }

Ref<EAGLView> WindowDriver::makeGLView(CGRect frame, const std::string& colourFormat, uint32_t depthFormat)
{
    if (!windowOpen_) {
        logLine("WindowDriver: a GL view asked for before the window was opened");
        return nullptr;
    }
    return EAGLView::viewWithFrame(window_->context(), frame, colourFormat, depthFormat);
}

bool WindowDriver::makeKeyAndVisible(EAGLView* view)
{
    auto* director = dynamic_cast<CCDirectorIOS*>(CCDirector::currentDirector());
    if (!windowOpen_ || !view || !director || director->openGLView() != view) {
        logLine("WindowDriver: the window can only show the director's view, once opened");
        return false;
    }
    if (director_ == director && view_ == view) return true;
    director_ = director;
    view_ = view;
    attachView();
    return true;
}

WindowDriver::~WindowDriver()
{
    overlay_.reset(); // before the director ends
    if (!window_->hasQuit()) window_->lifeCycle().quit(); // background, then terminate: the director ends
    window_->touches().setDelegate(nullptr);
    window_->lifeCycle().setDelegate(nullptr);
    if (director_ || (forApplication_ && CCDirector::currentDirector())) CCDirector::purgeSharedDirector();
    view_ = nullptr;
    CADisplayLink::setScreenRefreshesReported(previousRefreshesReported_);
}

void WindowDriver::setApplicationDelegate(ApplicationDelegate* delegate)
{
    window_->lifeCycle().setDelegate(delegate ? delegate : directorLifeCycle_.get());
}

bool WindowDriver::takeWindowEvents()
{
    if (!window_->pollEvents()) return false;
    window_->lifeCycle().checkClock(Clock::wallSeconds(), Clock::monotonicSeconds());
    return true;
}

bool WindowDriver::run(std::optional<int> frames)
{
    window_->lifeCycle().launch();
    if (!director_) {
        logLine("WindowDriver: the application showed no director's view");
        return false;
    }
    int refreshes = 0;
    auto budgetSpent = [&] {
        return frames && (refreshes >= *frames || director_->totalFrames() >= uint32_t(*frames));
    };
    // The fast driver keeps the main thread in its own loop and only turns
    // the run loop between frames, so the window's events come in as the run
    // loop's event source. Each poll empties SDL's queue, so it reports
    // nothing handled: another turn would find nothing new.
    RunLoop::main().setEventSource([&] {
        takeWindowEvents();
        if (budgetSpent()) director_->stopAnimation();
        return false;
    });

    // One turn a screen refresh: events, then the shared refresh step (the
    // timer driver draws from the run loop, the threaded driver's frames wait
    // there, the fast driver's loop starts there; the display-link driver
    // draws at the display links, its swap waiting for vsync where there is
    // one), then the wait for the next refresh.
    RefreshPacer pacer;
    bool spent = false;
    while (takeWindowEvents()) {
        refreshScreen(Clock::monotonicSeconds());
        ++refreshes;
        if (budgetSpent()) {
            spent = true;
            break;
        }
        pacer.waitForNextRefresh();
    }
    RunLoop::main().setEventSource(nullptr);
    return spent;
}

bool WindowDriver::screenshot(const std::string& path) const
{
    return writeScreenshot(window_->context(), path);
}

} // namespace mw
