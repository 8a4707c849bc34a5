#include "engine/actions/CCEaseElastic.h"

namespace mw {

Ref<CCAction> CCEaseElastic::copy() const { return makeRef<CCEaseElastic>(copiedInner(), period_); }

} // namespace mw
