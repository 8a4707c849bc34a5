#include "engine/actions/CCBlink.h"

#include <math.h>

#include "engine/nodes/CCNode.h"

namespace mw {

void CCBlink::update(float t)
{
    if (!target_ || isDone()) return;
    const float slice = 1.0f / times_;
    target_->setVisible(fmodf(t, slice) > slice / 2);
}

} // namespace mw
