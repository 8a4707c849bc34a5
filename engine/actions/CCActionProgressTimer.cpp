#include "engine/actions/CCActionProgressTimer.h"

#include "engine/nodes/CCNode.h"
#include "engine/rendering/CCProgressTimerProtocol.h"

namespace mw {

void CCProgressTo::startWithTarget(CCNode* target)
{
    CCActionInterval::startWithTarget(target);
    auto* timer = dynamic_cast<CCProgressTimerProtocol*>(target);
    from_ = timer ? timer->percentage() : 0.0f;
    if (from_ == 100) from_ = 0;
}

void CCProgressTo::update(float t)
{
    if (auto* timer = dynamic_cast<CCProgressTimerProtocol*>(target_)) timer->setPercentage(from_ + t * (to_ - from_));
}

void CCProgressFromTo::update(float t)
{
    if (auto* timer = dynamic_cast<CCProgressTimerProtocol*>(target_)) timer->setPercentage(from_ + t * (to_ - from_));
}

} // namespace mw
