#include "engine/actions/CCEaseBackInOut.h"

#include <math.h>

#include "engine/base/ccCurveConstants.h"

namespace mw {

Ref<CCAction> CCEaseBackInOut::copy() const { return makeRef<CCEaseBackInOut>(copiedInner()); }

void CCEaseBackInOut::update(float t)
{
    const float overshoot = kCCEaseBackOvershoot * kCCEaseBackInOutOvershootScale;
    const float u = t * 2;
    if (u < 1) {
        updateInner(u * u * ((overshoot + 1) * u - overshoot) * 0.5f);
    } else {
        const float v = u - 2;
        updateInner(v * v * ((overshoot + 1) * v + overshoot) * 0.5f + 1);
    }
}

Ref<CCFiniteTimeAction> CCEaseBackInOut::reverse() const { return wrap<CCEaseBackInOut>(reversedInner()); }

} // namespace mw
