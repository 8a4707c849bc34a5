#include "engine/actions/CCEaseIn.h"

#include <math.h>

namespace mw {

Ref<CCAction> CCEaseIn::copy() const { return makeRef<CCEaseIn>(copiedInner(), rate_); }

float CCEaseIn::easedProgress(float t) { return powf(t, rate_); }

Ref<CCFiniteTimeAction> CCEaseIn::reverse() const { return wrap<CCEaseIn>(reversedInner(), 1 / rate_); }

} // namespace mw
