#include "engine/actions/CCActionInterval.h"

#include <algorithm>
#include <cfloat>
#include <cstdlib>

namespace mw {

CCActionInterval::CCActionInterval(float duration)
{
    duration_ = duration == 0 ? FLT_EPSILON : duration;
}

Ref<CCAction> CCActionInterval::copy() const { return makeRef<CCActionInterval>(duration_); }

void CCActionInterval::startWithTarget(CCNode* target)
{
    CCFiniteTimeAction::startWithTarget(target);
    elapsed_ = 0;
    firstTick_ = true;
}

void CCActionInterval::step(float dt)
{
    if (!firstTick_) {
        elapsed_ += dt;
    } else {
        firstTick_ = false;
        if (!skipFirstTick_) {
            elapsed_ = 0;
        } else {
            // Formed in single precision: the largest values of random()
            // round to 2^31 and give exactly the whole duration.
            const float phase = static_cast<float>(::random()) * (1.0f / 2147483648.0f);
            elapsed_ = phase * duration_;
        }
    }
    update(std::min(1.0f, elapsed_ / duration_));
}

} // namespace mw
