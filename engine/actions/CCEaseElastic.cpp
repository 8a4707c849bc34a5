#include "engine/actions/CCEaseElastic.h"

#include <math.h>

namespace mw {

Ref<CCAction> CCEaseElastic::copy() const { return makeRef<CCEaseElastic>(copiedInner(), period_); }

float CCEaseElastic::usablePeriod(float substitute)
{
    if (!(fabsf(period_) >= kShortestPeriod) || isinf(period_)) {
        period_ = substitute;
    }
    return period_;
}

} // namespace mw
