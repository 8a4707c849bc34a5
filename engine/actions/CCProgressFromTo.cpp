#include "engine/actions/CCProgressFromTo.h"

#include "engine/actions/CCProgressTimerProtocol.h"
#include "engine/nodes/CCNode.h"

namespace mw {

void CCProgressFromTo::update(float t)
{
    if (auto* timer = dynamic_cast<CCProgressTimerProtocol*>(target_)) timer->setPercentage(from_ + t * (to_ - from_));
}

} // namespace mw
