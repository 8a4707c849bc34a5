#include "engine/director/CCDirectorTimer.h"

#include "foundation/Clock.h"

namespace mw {

void CCDirectorTimer::startAnimation()
{
    if (animationTimer_) return; // one timer: a second would double the frames
    lastUpdate_ = Clock::monotonicSeconds();
    animationTimer_ =
        NSTimer::scheduledTimer(animationInterval_, this, call_selector(CCDirectorTimer::mainLoop), true);
}

void CCDirectorTimer::stopAnimation()
{
    if (!animationTimer_) return;
    animationTimer_->invalidate();
    animationTimer_ = nullptr;
}

void CCDirectorTimer::setAnimationInterval(double interval)
{
    animationInterval_ = interval;
    if (animationTimer_) {
        stopAnimation();
        startAnimation();
    }
}

} // namespace mw
