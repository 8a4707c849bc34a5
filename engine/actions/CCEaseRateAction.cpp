#include "engine/actions/CCEaseRateAction.h"

namespace mw {

Ref<CCAction> CCEaseRateAction::copy() const { return makeRef<CCEaseRateAction>(copiedInner(), rate_); }

Ref<CCFiniteTimeAction> CCEaseRateAction::reverse() const
{
    return wrap<CCEaseRateAction>(reversedInner(), 1 / rate_);
}

} // namespace mw
