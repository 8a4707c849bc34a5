#pragma once

#include <cstdint>
#include <vector>

#include "platform/Letterbox.h"
#include "platform/TouchDelegate.h"
#include "platform/UITouch.h"

union SDL_Event;

namespace mw {

// Turns SDL pointer events into touches: the left mouse button is one touch,
// every finger of a touch device another, keyed by device and finger id.
//
// Positions go through the letterbox into view points. A press over the
// letterbox bars starts no touch; a touch dragged over them is clamped to the
// view's edge, so a drag off the view ends where it left it. Mouse events
// that SDL synthesises from fingers (and fingers synthesised from the mouse)
// are ignored, so one finger never counts twice.
class TouchSource {
public:
    // The delegate is not owned; null drops the touches (they are still
    // tracked, so phases stay consistent when a delegate is set later).
    void setDelegate(TouchDelegate* delegate) { delegate_ = delegate; }
    TouchDelegate* delegate() const { return delegate_; }

    // The view inside the window; window units are SDL window coordinates
    // (mouse positions; finger positions are scaled from 0..1 to them).
    void setLetterbox(const Letterbox& letterbox, CGSize windowSize);

    // Feeds one event; true when it was a pointer event (consumed even when
    // it started no touch).
    bool handleEvent(const SDL_Event& event);

    // Ends every touch with a cancelled phase (window lost focus, app went to
    // the background). Nothing happens when no touch is down.
    void cancelAll(double timestamp);

    // The touches currently down, oldest first.
    UITouchSet activeTouches() const;

private:
    struct Finger {
        bool isMouse = false;
        int64_t device = 0;
        int64_t finger = 0;
        Ref<UITouch> touch;
    };

    void begin(bool isMouse, int64_t device, int64_t finger, CGPoint window, double timestamp, int tapCount);
    void move(bool isMouse, int64_t device, int64_t finger, CGPoint window, double timestamp);
    void end(bool isMouse, int64_t device, int64_t finger, CGPoint window, double timestamp);
    Finger* find(bool isMouse, int64_t device, int64_t finger);
    UIEvent eventAt(double timestamp) const;

    TouchDelegate* delegate_ = nullptr;
    Letterbox letterbox_;
    CGSize windowSize_;
    std::vector<Finger> fingers_;
};

} // namespace mw
