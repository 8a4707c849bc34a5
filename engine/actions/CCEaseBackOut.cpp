#include "engine/actions/CCEaseBackOut.h"

#include <math.h>

#include "engine/actions/CCEaseBackIn.h"
#include "engine/base/ccCurveConstants.h"

namespace mw {

Ref<CCAction> CCEaseBackOut::copy() const { return makeRef<CCEaseBackOut>(copiedInner()); }

float CCEaseBackOut::easedProgress(float t)
{
    const float overshoot = kCCEaseBackOvershoot;
    const float u = t - 1;
    return u * u * ((overshoot + 1) * u + overshoot) + 1;
}

Ref<CCFiniteTimeAction> CCEaseBackOut::reverse() const { return wrap<CCEaseBackIn>(reversedInner()); }

} // namespace mw
