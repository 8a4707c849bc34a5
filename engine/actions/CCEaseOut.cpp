#include "engine/actions/CCEaseOut.h"

#include <math.h>

namespace mw {

Ref<CCAction> CCEaseOut::copy() const { return makeRef<CCEaseOut>(copiedInner(), rate_); }

float CCEaseOut::easedProgress(float t) { return powf(t, 1 / rate_); }

Ref<CCFiniteTimeAction> CCEaseOut::reverse() const { return wrap<CCEaseOut>(reversedInner(), 1 / rate_); }

} // namespace mw
