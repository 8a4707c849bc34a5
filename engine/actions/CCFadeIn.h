#pragma once

#include "engine/actions/CCActionInterval.h"

namespace mw {

// Raises a node's opacity from 0 to 255 over the duration. Its reverse is a fade-out.
// Nodes without colour and opacity are left alone.
class CCFadeIn : public CCActionInterval {
public:
    using CCActionInterval::CCActionInterval;

    static Ref<CCFadeIn> actionWithDuration(float duration) { return makeRef<CCFadeIn>(duration); }

    Ref<CCAction> copy() const override { return makeRef<CCFadeIn>(duration_); }
    void update(float t) override;
    Ref<CCFiniteTimeAction> reverse() const override;
};

} // namespace mw
