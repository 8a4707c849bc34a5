#include "engine/nodes/CCAction.h"

#include <cfloat>

#include "engine/base/ccDescription.h"
#include "foundation/Log.h"
#include "foundation/Random.h"

namespace mw {

Ref<CCAction> CCAction::copy() const
{
    auto copied = makeRef<CCAction>();
    copied->setTag(tag_);
    return copied;
}

void CCAction::startWithTarget(CCNode* target)
{
    originalTarget_ = target;
    target_ = target;
}

void CCAction::stop() { target_ = nullptr; }

void CCAction::step(float)
{
    logLine("[Action step]. override me");
}

void CCAction::update(float)
{
    logLine("[Action update]. override me");
}

std::string CCAction::description() const
{
    return std::string("<") + ccClassName(typeid(*this)) + " = " + ccAddressString(this) + " | Tag = " +
           std::to_string(tag_) + ">";
}

// ---------------------------------------------------------------- interval timing

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
