#include "engine/actions/CCEaseBounceOut.h"

#include <math.h>

#include "engine/actions/CCEaseBounceIn.h"

namespace mw {

Ref<CCAction> CCEaseBounceOut::copy() const { return makeRef<CCEaseBounceOut>(copiedInner()); }

float CCEaseBounceOut::easedProgress(float t)
{
    return bounceTime(t);
}

Ref<CCFiniteTimeAction> CCEaseBounceOut::reverse() const { return wrap<CCEaseBounceIn>(reversedInner()); }

} // namespace mw
