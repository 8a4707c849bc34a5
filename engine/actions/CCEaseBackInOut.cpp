#include "engine/actions/CCEaseBackInOut.h"

#include <math.h>

#include "engine/base/ccCurveConstants.h"

namespace mw {

Ref<CCAction> CCEaseBackInOut::copy() const { return makeRef<CCEaseBackInOut>(copiedInner()); }

float CCEaseBackInOut::easedProgress(float t)
{
    const float overshoot = kCCEaseBackOvershoot * kCCEaseBackInOutOvershootScale;
    const float u = t * 2;
    if (u < 1) {
        return u * u * ((overshoot + 1) * u - overshoot) * 0.5f;
    }
    const float v = u - 2;
    return v * v * ((overshoot + 1) * v + overshoot) * 0.5f + 1;
}

Ref<CCFiniteTimeAction> CCEaseBackInOut::reverse() const { return wrap<CCEaseBackInOut>(reversedInner()); }

} // namespace mw
