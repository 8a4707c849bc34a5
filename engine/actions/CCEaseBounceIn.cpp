#include "engine/actions/CCEaseBounceIn.h"

#include <math.h>

#include "engine/actions/CCEaseBounceOut.h"

namespace mw {

Ref<CCAction> CCEaseBounceIn::copy() const { return makeRef<CCEaseBounceIn>(copiedInner()); }

float CCEaseBounceIn::easedProgress(float t)
{
    return 1 - bounceTime(1 - t);
}

Ref<CCFiniteTimeAction> CCEaseBounceIn::reverse() const { return wrap<CCEaseBounceOut>(reversedInner()); }

} // namespace mw
