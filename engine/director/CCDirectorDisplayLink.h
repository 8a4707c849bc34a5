#pragma once

#include "engine/director/CADisplayLink.h"
#include "engine/director/CCDirectorIOS.h"

namespace mw {

// The frame driver of the screen's refresh: while animating, a display link
// draws a frame at every n-th refresh, n = floor(animationInterval x 30) --
// the factor is 30, not 60, so 1/30 s gives a frame at every refresh and the
// paused 0.25 s every seventh. An interval that rounds to 0 draws at every
// refresh.
class CCDirectorDisplayLink : public CCDirectorIOS {
public:
    static CCDirector* sharedDirector() { return sharedDirectorOfKind<CCDirectorDisplayLink>(); }

    // Creates the link (the time step counts from now) and adds it to the refreshes.
    void startAnimation() override;
    void stopAnimation() override;
    // Rebuilds a running link with the new interval.
    void setAnimationInterval(double interval) override;
    bool isAnimating() const { return displayLink_ != nullptr; }
    CADisplayLink* displayLink() const { return displayLink_.get(); }

    // Refreshes per frame for an animation interval in seconds.
    static int frameIntervalFor(double animationInterval);

    // The link's callback: one frame.
    void mainLoop(Object* sender) { drawScene(); }

private:
    Ref<CADisplayLink> displayLink_;
};

} // namespace mw
