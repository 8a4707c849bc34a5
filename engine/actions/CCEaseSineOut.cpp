#include "engine/actions/CCEaseSineOut.h"

#include <math.h>

#include "engine/actions/CCEaseSineIn.h"
#include "engine/base/ccCurveConstants.h"

namespace mw {

Ref<CCAction> CCEaseSineOut::copy() const { return makeRef<CCEaseSineOut>(copiedInner()); }

float CCEaseSineOut::easedProgress(float t)
{
    return sinf(t * kCCHalfPi);
}

Ref<CCFiniteTimeAction> CCEaseSineOut::reverse() const { return wrap<CCEaseSineIn>(reversedInner()); }

} // namespace mw
