#include "engine/actions/CCBlink.h"

#include <math.h>

#include "engine/nodes/CCNode.h"

namespace mw {

void CCBlink::update(float t)
{
    // With no blinks there is no slice to divide the time into: leave the node alone.
    if (!target_ || isDone() || times_ == 0) return;
    const float slice = 1.0f / times_;
    target_->setVisible(fmodf(t, slice) > slice / 2);
}

} // namespace mw
