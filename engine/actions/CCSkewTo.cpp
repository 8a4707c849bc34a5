#include "engine/actions/CCSkewTo.h"

#include <math.h>

#include "engine/nodes/CCNode.h"

namespace mw {

namespace {

// A remainder of `turn` that keeps the sign of the angle.
float reduceAngle(float angle, float turn) { return angle > 0 ? fmodf(angle, turn) : fmodf(angle, -turn); }

// One correction of a full turn each way, not a full normalisation.
float shortestDelta(float delta)
{
    if (delta > 180) delta -= 360;
    if (delta < -180) delta += 360;
    return delta;
}

} // namespace

void CCSkewTo::startWithTarget(CCNode* target)
{
    CCActionInterval::startWithTarget(target);
    startSkewX_ = reduceAngle(target->skewX(), 180);
    startSkewY_ = reduceAngle(target->skewY(), 360);
    deltaX_ = shortestDelta(endSkewX_ - startSkewX_);
    deltaY_ = shortestDelta(endSkewY_ - startSkewY_);
}

void CCSkewTo::update(float t)
{
    if (!target_) return;
    target_->setSkewX(startSkewX_ + deltaX_ * t);
    target_->setSkewY(startSkewY_ + deltaY_ * t);
}

} // namespace mw
