#pragma once

#include <memory>
#include <string>

#include "platform/DeviceProfile.h"
#include "platform/GLContext.h"
#include "platform/LifeCycle.h"
#include "platform/TouchSource.h"

struct SDL_Window;
union SDL_Event;

namespace mw {

// The program's window: SDL video, one window showing the device screen
// scaled to fit the desktop, its GL context, and the event pump that feeds
// touches and life-cycle events.
//
// One AppWindow at a time (it owns SDL's video subsystem). Main thread only.
class AppWindow {
public:
    // Whether a window system can be reached: DISPLAY or WAYLAND_DISPLAY is
    // set and SDL's video starts on a desktop's window system (X11 or
    // Wayland; never a console's screen, "dummy" or "offscreen"). When a
    // display is named but cannot be used, `why` (if given) says which and
    // why; it stays empty when none is named.
    static bool hasDisplay(std::string* why = nullptr);

    // Opens the window for the profile, sized to fit the desktop's usable
    // area with the screen's aspect, and makes its context current. Null,
    // with one log line, when SDL, the window or the context fails.
    [[nodiscard]] static std::unique_ptr<AppWindow> open(const DeviceProfile& profile, GLSurfaceFormat format,
                                                         const std::string& title = "Mosswick");
    ~AppWindow();
    AppWindow(const AppWindow&) = delete;
    AppWindow& operator=(const AppWindow&) = delete;

    GLContext& context() { return *context_; }
    TouchSource& touches() { return touches_; }
    LifeCycle& lifeCycle() { return lifeCycle_; }

    // Handles every pending event. False once the application has quit
    // (window closed, Escape pressed): the life-cycle has then delivered
    // enter-background and terminate.
    bool pollEvents();

    // Handles one event (pollEvents uses it; tests feed events directly).
    void handleEvent(const SDL_Event& event);

    bool hasQuit() const { return lifeCycle_.isTerminated(); }

private:
    AppWindow(SDL_Window* window, const DeviceProfile& profile) : window_(window), profile_(profile) {}
    void updateLetterbox();
    // Text input and editing keys for the front alert; true when taken.
    bool handleTyping(const SDL_Event& event);

    SDL_Window* window_;
    DeviceProfile profile_;
    std::unique_ptr<GLContext> context_;
    TouchSource touches_;
    LifeCycle lifeCycle_;
};

} // namespace mw
