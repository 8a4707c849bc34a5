#include "engine/actions/CCActionInterval.h"

#include <cfloat>

#include "foundation/Random.h"

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

void CCActionInterval::beginFirstStep()
{
    firstTick_ = false;
    if (!skipFirstTick_) {
        elapsed_ = 0;
    } else {
        // Formed in single precision: the largest values of random()
        // round to 2^31 and give exactly the whole duration.
        elapsed_ = Random::random01() * duration_;
    }
}

} // namespace mw
