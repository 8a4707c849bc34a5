#include "engine/actions/CCEaseSineInOut.h"

#include <math.h>

#include "engine/base/ccCurveConstants.h"

namespace mw {

Ref<CCAction> CCEaseSineInOut::copy() const { return makeRef<CCEaseSineInOut>(copiedInner()); }

float CCEaseSineInOut::easedProgress(float t)
{
    return -0.5f * (cosf(kCCPi * t) - 1);
}

Ref<CCFiniteTimeAction> CCEaseSineInOut::reverse() const { return wrap<CCEaseSineInOut>(reversedInner()); }

} // namespace mw
