#include "engine/actions/CCEaseBounceInOut.h"

#include <math.h>

namespace mw {

Ref<CCAction> CCEaseBounceInOut::copy() const { return makeRef<CCEaseBounceInOut>(copiedInner()); }

float CCEaseBounceInOut::easedProgress(float t)
{
    if (t < 0.5f) {
        return (1 - bounceTime(1 - t * 2)) * 0.5f;
    }
    return bounceTime(t * 2 - 1) * 0.5f + 0.5f;
}

Ref<CCFiniteTimeAction> CCEaseBounceInOut::reverse() const { return wrap<CCEaseBounceInOut>(reversedInner()); }

} // namespace mw
