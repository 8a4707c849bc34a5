#pragma once

#include "engine/director/CCDirectorIOS.h"

namespace mw {

// The busy frame driver: while animating, one endless loop on the main
// thread draws frame after frame as fast as the buffer swap allows, turning
// the main run loop between frames so that timers, work from other threads
// and the window's events (the run loop's event source) are still handled.
//
// startAnimation only schedules the loop; it starts at the next turn of the
// main run loop and keeps the main thread until stopAnimation (the loop
// finishes its current round first). The interval is not used. Main thread
// only.
class CCDirectorFast : public CCDirectorIOS {
public:
    static CCDirector* sharedDirector() { return sharedDirectorOfKind<CCDirectorFast>(); }

    // The time step counts from now; the loop begins at the next turn of the
    // main run loop. Starting a running driver does nothing.
    void startAnimation() override;
    // The loop ends after its current round.
    void stopAnimation() override { isRunning_ = false; }
    // Ignored, with a log line: the loop has no pace to change.
    void setAnimationInterval(double interval) override;
    bool isRunning() const { return isRunning_; }

    // The loop: while running, turn the run loop until it has nothing to do,
    // rest 0.25 s when paused, draw, turn the run loop again. Called from
    // the run loop; a call while the loop already runs returns at once.
    void mainLoop();

private:
    // Turns the main run loop until a turn handles nothing.
    static void runPendingWork();

    bool isRunning_ = false;
    bool looping_ = false; // mainLoop is on the stack
};

} // namespace mw
