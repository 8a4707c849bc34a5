#include "engine/actions/CCEaseExponentialIn.h"

#include <math.h>

#include "engine/actions/CCEaseExponentialOut.h"

namespace mw {

Ref<CCAction> CCEaseExponentialIn::copy() const { return makeRef<CCEaseExponentialIn>(copiedInner()); }

float CCEaseExponentialIn::easedProgress(float t)
{
    // The curve itself ends at 0.999; the ease passes the ends on exactly.
    return exp2f(10 * (t - 1)) - 0.001f;
}

Ref<CCFiniteTimeAction> CCEaseExponentialIn::reverse() const { return wrap<CCEaseExponentialOut>(reversedInner()); }

} // namespace mw
