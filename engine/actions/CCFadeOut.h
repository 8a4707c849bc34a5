#pragma once

#include "engine/actions/CCActionInterval.h"

namespace mw {

// Lowers a node's opacity from 255 to 0 over the duration. Its reverse is a fade-in.
// Nodes without colour and opacity are left alone.
class CCFadeOut : public CCActionInterval {
public:
    using CCActionInterval::CCActionInterval;

    static Ref<CCFadeOut> actionWithDuration(float duration) { return makeRef<CCFadeOut>(duration); }

    Ref<CCAction> copy() const override { return makeRef<CCFadeOut>(duration_); }
    void update(float t) override;
    Ref<CCFiniteTimeAction> reverse() const override;
};

} // namespace mw
