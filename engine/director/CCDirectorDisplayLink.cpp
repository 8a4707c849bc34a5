#include "engine/director/CCDirectorDisplayLink.h"

#include <cmath>

#include "foundation/Clock.h"

namespace mw {

int CCDirectorDisplayLink::frameIntervalFor(double animationInterval)
{
    return static_cast<int>(std::floor(animationInterval * 30.0));
}

void CCDirectorDisplayLink::startAnimation()
{
    if (displayLink_) return; // one link: a second would double the frames
    lastUpdate_ = Clock::monotonicSeconds();
    displayLink_ =
        CADisplayLink::displayLinkWithTarget(this, callO_selector(CCDirectorDisplayLink::mainLoop));
    // The link takes an interval of 0 (1/60 s) as 1: a frame every refresh.
    displayLink_->setFrameInterval(frameIntervalFor(animationInterval_));
    displayLink_->addToRunLoop();
}

void CCDirectorDisplayLink::stopAnimation()
{
    if (!displayLink_) return;
    displayLink_->invalidate();
    displayLink_ = nullptr;
}

void CCDirectorDisplayLink::setAnimationInterval(double interval)
{
    animationInterval_ = interval;
    if (displayLink_) {
        stopAnimation();
        startAnimation();
    }
}

} // namespace mw
