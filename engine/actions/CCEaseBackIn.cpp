#include "engine/actions/CCEaseBackIn.h"

#include <math.h>

#include "engine/actions/CCEaseBackOut.h"
#include "engine/base/ccCurveConstants.h"

namespace mw {

Ref<CCAction> CCEaseBackIn::copy() const { return makeRef<CCEaseBackIn>(copiedInner()); }

float CCEaseBackIn::easedProgress(float t)
{
    const float overshoot = kCCEaseBackOvershoot;
    return t * t * ((overshoot + 1) * t - overshoot);
}

Ref<CCFiniteTimeAction> CCEaseBackIn::reverse() const { return wrap<CCEaseBackOut>(reversedInner()); }

} // namespace mw
