#include "engine/actions/CCEaseExponentialInOut.h"

#include <math.h>

namespace mw {

Ref<CCAction> CCEaseExponentialInOut::copy() const { return makeRef<CCEaseExponentialInOut>(copiedInner()); }

float CCEaseExponentialInOut::easedProgress(float t)
{
    // The curve itself runs from 2^-11 to 1 - 2^-11; the ease passes the
    // ends on exactly.
    const float u = t * 2;
    if (u < 1) {
        return 0.5f * exp2f(10 * (u - 1));
    }
    return 0.5f * (2 - exp2f(-10 * (u - 1)));
}

Ref<CCFiniteTimeAction> CCEaseExponentialInOut::reverse() const { return wrap<CCEaseExponentialInOut>(reversedInner()); }

} // namespace mw
