#include "analytics/TallyAutoIncrement.h"

#include <limits>

#include "foundation/Shared.h"

namespace mw {

TallyAutoIncrement& TallyAutoIncrement::instance() { return *Shared<TallyAutoIncrement>::get(); }

void TallyAutoIncrement::purgeSharedInstance() { Shared<TallyAutoIncrement>::purge(); }

int32_t TallyAutoIncrement::nextCountFor(int key)
{
    int32_t& last = counters_[key];
    // The report writes numbers modulo 2^16; wrapping here keeps the
    // arithmetic defined after two billion events of one session.
    last = last == std::numeric_limits<int32_t>::max() ? 1 : last + 1;
    return last;
}

} // namespace mw
