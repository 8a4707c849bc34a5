#pragma once

#include "engine/actions/CCActionInterval.h"

namespace mw {

// Spends its duration doing nothing (in sequences and spawns).
class CCDelayTime : public CCActionInterval {
public:
    using CCActionInterval::CCActionInterval;

    static Ref<CCDelayTime> actionWithDuration(float duration) { return makeRef<CCDelayTime>(duration); }

    Ref<CCAction> copy() const override { return makeRef<CCDelayTime>(duration_); }
    void update(float progress) override {}
    Ref<CCFiniteTimeAction> reverse() const override { return makeRef<CCDelayTime>(duration_); }
};

} // namespace mw
