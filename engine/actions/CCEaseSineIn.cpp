#include "engine/actions/CCEaseSineIn.h"

#include <math.h>

#include "engine/actions/CCEaseSineOut.h"
#include "engine/base/ccCurveConstants.h"

namespace mw {

Ref<CCAction> CCEaseSineIn::copy() const { return makeRef<CCEaseSineIn>(copiedInner()); }

float CCEaseSineIn::easedProgress(float t)
{
    return 1 - cosf(t * kCCHalfPi);
}

Ref<CCFiniteTimeAction> CCEaseSineIn::reverse() const { return wrap<CCEaseSineOut>(reversedInner()); }

} // namespace mw
