#pragma once

#include <cstdint>
#include <string>

#include "engine/director/EAGLView.h"
#include "foundation/Geometry.h"
#include "foundation/Ref.h"

namespace mw {

// The screen a frame driver offers the application to launch into. The
// application builds its window, director and GL view through it in its own
// start-up order; once it shows the window, the driver takes the view over
// (touches, alerts and spinners, screenshots) and draws the director's
// frames. While a driver offers one it is current(); main thread only.
class ScreenWindow {
public:
    // The offered screen, or null when no driver waits for an application.
    static ScreenWindow* current();

    virtual ~ScreenWindow();

    // The main screen's bounds in points, at the origin.
    virtual CGRect mainScreenBounds() const = 0;
    // Opens the window with these bounds (the desktop window shows the
    // screen; a headless one only takes note).
    virtual void openWindow(CGRect bounds) = 0;
    // A GL view over the screen's surface with these formats; null (one log
    // line) when the surface cannot take them or no window is open.
    [[nodiscard]] virtual Ref<EAGLView> makeGLView(CGRect frame, const std::string& colourFormat,
                                                   uint32_t depthFormat) = 0;
    // The window's content becomes this view (the shared director's) and the
    // window becomes key and visible: from now on the driver delivers
    // touches to the view and draws the director's frames. False (one log
    // line) without an open window or a director using the view.
    virtual bool makeKeyAndVisible(EAGLView* view) = 0;

protected:
    // Drivers offer themselves while they wait for an application (null: none).
    static void setCurrent(ScreenWindow* window);
};

} // namespace mw
