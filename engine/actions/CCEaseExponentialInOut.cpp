#include "engine/actions/CCEaseExponentialInOut.h"

#include <math.h>

namespace mw {

Ref<CCAction> CCEaseExponentialInOut::copy() const { return makeRef<CCEaseExponentialInOut>(copiedInner()); }

void CCEaseExponentialInOut::update(float t)
{
    const float u = t * 2;
    if (u < 1) {
        updateInner(0.5f * exp2f(10 * (u - 1)));
    } else {
        updateInner(0.5f * (2 - exp2f(-10 * (u - 1))));
    }
}

Ref<CCFiniteTimeAction> CCEaseExponentialInOut::reverse() const { return wrap<CCEaseExponentialInOut>(reversedInner()); }

} // namespace mw
