#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "engine/director/CCDirectorIOS.h"
#include "engine/director/CCPlatformOverlay.h"
#include "engine/director/EAGLView.h"
#include "engine/director/ScreenWindow.h"
#include "platform/DeviceProfile.h"
#include "platform/GLContext.h"

namespace mw {

class AppWindow;
class ApplicationDelegate;

// Runs the program's frame loop in a window: the screen's counterpart of
// HeadlessDriver, for the application shell. Typical use: open, run a scene
// on director(), run(), then let the driver go.
//
// open() shows the device's screen in a window and makes the shared director
// of the asked kind (the timer kind when that one is refused), the GL view
// over the window's context, high resolution where the device has it,
// portrait. openForApplication() shows the screen only and offers it
// (ScreenWindow): the application's launch makes the director and the view
// in its own order. The window's touches go to the view, its life-cycle to
// the application delegate. The destructor finishes the life-cycle when the
// window is still open (background, then terminate: the director ends),
// detaches the touches, releases the director and closes the window. One at
// a time; main thread.
class WindowDriver : public ScreenWindow {
public:
    // Null (one log line) when the window or the view cannot be made or a
    // director already runs. The surface's depth buffer is 16-bit when the
    // format asks for one.
    [[nodiscard]] static std::unique_ptr<WindowDriver>
    open(const DeviceProfile& profile, GLSurfaceFormat format, int32_t directorType);
    // The window for an application that makes its own director: the
    // display-link kind is offered when asked for; the timer kind makes the
    // screen report no refreshes, so the application falls back to it; the
    // busy kinds (debugging) are made at once and the application keeps them.
    [[nodiscard]] static std::unique_ptr<WindowDriver>
    openForApplication(const DeviceProfile& profile, GLSurfaceFormat format, int32_t directorType);
    ~WindowDriver() override;
    WindowDriver(const WindowDriver&) = delete;
    WindowDriver& operator=(const WindowDriver&) = delete;

    CCDirectorIOS* director() const { return director_; }
    EAGLView* view() const { return view_.get(); }
    AppWindow& window() const { return *window_; }

    // Receives the life-cycle (not owned; it must outlive the driver). Null,
    // the default, passes it to the director and logs each event.
    void setApplicationDelegate(ApplicationDelegate* delegate);

    // Launches the life-cycle, then takes one turn a screen refresh: the
    // window's events and the clock check, then the shared refresh step
    // (run-loop work, timers, display links), then a wait for the next
    // refresh. Returns false when the window was closed (the life-cycle has
    // terminated), true when the budget was spent: with `frames`, after that
    // many refreshes or frames drawn, whichever comes first (the fast driver
    // draws many frames a refresh); the window then still shows the last frame.
    bool run(std::optional<int> frames = std::nullopt);

    // The surface written as a PNG file; false (one log line) on failure.
    [[nodiscard]] bool screenshot(const std::string& path) const;

    // The screen offered to the application (openForApplication).
    CGRect mainScreenBounds() const override;
    void openWindow(CGRect bounds) override;
    Ref<EAGLView> makeGLView(CGRect frame, const std::string& colourFormat, uint32_t depthFormat) override;
    bool makeKeyAndVisible(EAGLView* view) override;

private:
    WindowDriver(std::unique_ptr<AppWindow> window, std::unique_ptr<ApplicationDelegate> lifeCycle,
                 const DeviceProfile& profile);
    bool setUp(int32_t directorType);
    // The view's touches, layout and overlay, once the director draws in it.
    void attachView();
    // The window's pending events and the clock check; false once the
    // application has quit.
    bool takeWindowEvents();

    DeviceProfile profile_;
    bool previousRefreshesReported_ = true;
    bool forApplication_ = false;
    bool windowOpen_ = false;
    std::unique_ptr<ApplicationDelegate> directorLifeCycle_;
    std::unique_ptr<AppWindow> window_;
    std::unique_ptr<CCPlatformOverlay> overlay_; // alerts, spinners and modal screens
    Ref<EAGLView> view_;
    CCDirectorIOS* director_ = nullptr;
};

} // namespace mw
