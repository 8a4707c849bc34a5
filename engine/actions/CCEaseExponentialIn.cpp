#include "engine/actions/CCEaseExponentialIn.h"

#include <math.h>

#include "engine/actions/CCEaseExponentialOut.h"

namespace mw {

Ref<CCAction> CCEaseExponentialIn::copy() const { return makeRef<CCEaseExponentialIn>(copiedInner()); }

void CCEaseExponentialIn::update(float t)
{
    updateInner(t == 0 ? 0.0f : exp2f(10 * (t - 1)) - 0.001f);
}

Ref<CCFiniteTimeAction> CCEaseExponentialIn::reverse() const { return wrap<CCEaseExponentialOut>(reversedInner()); }

} // namespace mw
