#include "engine/actions/CCEaseExponentialOut.h"

#include <math.h>

#include "engine/actions/CCEaseExponentialIn.h"

namespace mw {

Ref<CCAction> CCEaseExponentialOut::copy() const { return makeRef<CCEaseExponentialOut>(copiedInner()); }

float CCEaseExponentialOut::easedProgress(float t)
{
    return 1 - exp2f(-10 * t);
}

Ref<CCFiniteTimeAction> CCEaseExponentialOut::reverse() const { return wrap<CCEaseExponentialIn>(reversedInner()); }

} // namespace mw
