#pragma once

#include "engine/director/CCDirectorIOS.h"
#include "foundation/NSTimer.h"

namespace mw {

// The frame driver of a repeating run-loop timer: while animating, the main
// run loop's timer draws a frame every animationInterval() seconds.
class CCDirectorTimer : public CCDirectorIOS {
public:
    static CCDirector* sharedDirector() { return sharedDirectorOfKind<CCDirectorTimer>(); }

    // Starts the timer (the time step counts from now).
    void startAnimation() override;
    void stopAnimation() override;
    // Restarts a running timer with the new period.
    void setAnimationInterval(double interval) override;
    bool isAnimating() const { return animationTimer_ != nullptr; }

    // The timer's callback: one frame.
    void mainLoop() { drawScene(); }

private:
    Ref<NSTimer> animationTimer_;
};

} // namespace mw
