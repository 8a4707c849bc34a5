#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/director/CCDirectorIOS.h"
#include "engine/director/CCPlatformOverlay.h"
#include "engine/director/EAGLView.h"
#include "engine/director/ScreenWindow.h"
#include "foundation/Clock.h"
#include "platform/DeviceProfile.h"
#include "platform/GLContext.h"
#include "platform/LifeCycle.h"
#include "platform/UITouch.h"

namespace mw {

// Runs the program's real frame loop without a window, for tests, benchmarks
// and `mosswick --headless`: a headless GL context of the device's size, the
// GL view over it, the director, and a manual clock that moves by a fixed
// step at every screen refresh, so a run is the same every time.
//
// While it lives it is the process's clock and device: it installs its clock
// and makes its profile current, and puts both back when it goes. A headless
// screen reports no refreshes (CADisplayLink), so the director is the timer
// kind: its run-loop timer draws when the stepped clock reaches the
// animation interval, and nothing else draws (one frame a refresh at most).
//
// Made with create(), it makes the shared director with the view set, high
// resolution asked for and the surface laid out; the caller then runs a
// scene. Made with createForApplication(), it offers its screen
// (ScreenWindow) and the application's launch makes the window, director and
// view in its own order. Either way its destructor ends the director and
// releases it. One at a time; main thread.
class HeadlessDriver : public ScreenWindow {
public:
    static constexpr double kDefaultStep = 1.0 / 60;

    // Whether the headless screen reports its refreshes to display links, as
    // a window does: only for tests of the display-link director.
    enum class Refreshes { NotReported, Reported };

    // With a context of its own. Null (one log line) when no context can be
    // made or a director already exists.
    [[nodiscard]] static std::unique_ptr<HeadlessDriver>
    create(const DeviceProfile& profile, GLSurfaceFormat format = {}, double step = kDefaultStep);
    // Over a context the caller keeps alive longer than the driver (tests
    // share one); the surface is resized to the device.
    [[nodiscard]] static std::unique_ptr<HeadlessDriver>
    createWithContext(GLContext& context, const DeviceProfile& profile, double step = kDefaultStep,
                      Refreshes refreshes = Refreshes::NotReported);
    // The screen only: the application launched through lifeCycle() makes
    // the window, the director and the view. director() and view() are null
    // until it shows the window.
    [[nodiscard]] static std::unique_ptr<HeadlessDriver>
    createForApplication(const DeviceProfile& profile, GLSurfaceFormat format = {}, double step = kDefaultStep);
    [[nodiscard]] static std::unique_ptr<HeadlessDriver>
    createForApplicationWithContext(GLContext& context, const DeviceProfile& profile, double step = kDefaultStep);
    ~HeadlessDriver() override;
    HeadlessDriver(const HeadlessDriver&) = delete;
    HeadlessDriver& operator=(const HeadlessDriver&) = delete;

    CCDirectorIOS* director() const { return director_; }
    EAGLView* view() const { return view_.get(); }
    GLContext& context() const { return *context_; }
    ManualClock& clock() const { return *clock_; }
    double step() const { return step_; }

    // `refreshes` screen refreshes: each moves the clock by the step, then
    // takes the refresh step every driver shares (refreshScreen: the main run
    // loop's work and timers, then the display links). The timer director
    // draws at the refreshes where its interval has passed: every one when
    // the interval is the step, every 0.25 s paused.
    void runFrames(int refreshes);
    // Which refreshes draw the picture: every `every`th (1, the default: each
    // one; 0: none), counted from the next one, and with `lastOfEachRun` the
    // last refresh of each runFrames call too, so that a test reading the
    // screen after a run sees that moment's picture as if every refresh drew.
    // The refreshes between still take their time step, tick and scene
    // switch, so a long scenario plays the same at a fraction of the drawing;
    // the screen keeps the last picture drawn.
    void setPictureEvery(int every, bool lastOfEachRun = false)
    {
        pictureEvery_ = every;
        lastOfEachRunDrawn_ = lastOfEachRun;
        refreshCount_ = 0;
    }

    // Touches, in view points (origin at the top left), go through the GL
    // view to its touch delegate, as the window's touches do. The event of
    // each phase lists every touch down at that moment.
    Ref<UITouch> touchDown(CGPoint point);
    void touchMove(UITouch* touch, CGPoint point);
    void touchUp(UITouch* touch);
    void touchCancel(UITouch* touch);

    // The application's life-cycle as the window would deliver it: tests set
    // its delegate, launch it and call its events (focus lost, hidden,
    // shown, quit, memory warning). Once launched, every refresh also shows
    // it the clocks, so a jump of the manual wall clock (setWall) is a
    // significant time change.
    LifeCycle& lifeCycle() { return lifeCycle_; }
    // The device turns (the application's root view controller decides).
    bool rotateTo(int orientation, double durationSeconds = 0.3);
    // Typing into the front alert's text field, and pressing one of its
    // buttons (-1: dismissed without an answer). False without an alert.
    bool typeText(const std::string& utf8);
    bool pressBackspace();
    bool pressAlertButton(int index);

    // The screen offered to the application (createForApplication).
    CGRect mainScreenBounds() const override;
    void openWindow(CGRect bounds) override;
    Ref<EAGLView> makeGLView(CGRect frame, const std::string& colourFormat, uint32_t depthFormat) override;
    bool makeKeyAndVisible(EAGLView* view) override;

    // The surface as RGBA8, top row first; and written as a PNG file.
    std::vector<uint8_t> readPixels() const;
    [[nodiscard]] bool screenshot(const std::string& path) const;

private:
    HeadlessDriver(std::unique_ptr<GLContext> ownedContext, GLContext& context, const DeviceProfile& profile,
                   double step, Refreshes refreshes);
    // The clock, the device and the screen; then the director and view
    // unless the application makes them.
    bool setUp(bool forApplication);
    // The overlay over the director, once it draws in the view.
    void attachOverlay();
    UIEvent eventWith(const UITouchSet& touches) const;
    void forget(UITouch* touch);

    std::unique_ptr<GLContext> ownedContext_;
    GLContext* context_;
    DeviceProfile profile_;
    DeviceProfile previousProfile_;
    double step_;
    Refreshes refreshes_;
    bool previousRefreshesReported_ = true;
    bool forApplication_ = false;
    bool windowOpen_ = false;
    std::shared_ptr<ManualClock> clock_;
    std::shared_ptr<ClockSource> previousClock_;
    Ref<EAGLView> view_;
    CCDirectorIOS* director_ = nullptr;
    UITouchSet touchesDown_;
    int pictureEvery_ = 1;
    bool lastOfEachRunDrawn_ = false;
    uint64_t refreshCount_ = 0;
    LifeCycle lifeCycle_;
    std::unique_ptr<CCPlatformOverlay> overlay_; // alerts, spinners and modal screens
};

} // namespace mw
