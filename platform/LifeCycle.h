#pragma once

#include "platform/ApplicationDelegate.h"

union SDL_Event;

namespace mw {

// Turns window events into the application's life-cycle, keeping the order
// the game relies on whatever order (or repetition) the window system uses:
//   focus lost -> resign active; focus gained -> become active;
//   minimised or hidden -> (resign active) enter background;
//   restored or shown -> enter foreground (active again on focus);
//   quit -> (resign active) (enter background) terminate.
// Nothing is delivered before launch() or after terminate.
class LifeCycle {
public:
    // Not owned; may be null (the state still advances).
    void setDelegate(ApplicationDelegate* delegate) { delegate_ = delegate; }

    // Finished launching, then active. Only the first call counts.
    void launch();

    // Feeds one event; true when it was a life-cycle event.
    bool handleEvent(const SDL_Event& event);

    void focusLost();
    void focusGained();
    void hidden();
    void shown();
    // Background first, so the game can save, then terminate.
    void quit();
    void memoryWarning();

    // Watches the clocks once a frame: a wall clock that moves more than a
    // minute away from the monotonic clock, or a new local day, is a
    // significant time change. The first call only takes the baseline.
    void checkClock(double wallSeconds, double monotonicSeconds);

    bool isLaunched() const { return launched_; }
    bool isActive() const { return active_; }
    bool isInBackground() const { return background_; }
    bool isTerminated() const { return terminated_; }

private:
    bool running() const { return launched_ && !terminated_; }

    ApplicationDelegate* delegate_ = nullptr;
    bool launched_ = false;
    bool active_ = false;
    bool background_ = false;
    bool terminated_ = false;

    bool clockKnown_ = false;
    double clockOffset_ = 0; // wall minus monotonic
    int localDay_ = 0;
};

} // namespace mw
