#pragma once

#include "engine/actions/CCScaleTo.h"

namespace mw {

// Multiplies a node's scale per axis by factors, from its scale at start.
class CCScaleBy : public CCScaleTo {
public:
    using CCScaleTo::CCScaleTo;

    static Ref<CCScaleBy> actionWithDuration(float duration, float scale)
    {
        return makeRef<CCScaleBy>(duration, scale);
    }
    static Ref<CCScaleBy> actionWithDuration(float duration, float scaleX, float scaleY)
    {
        return makeRef<CCScaleBy>(duration, scaleX, scaleY);
    }

    Ref<CCAction> copy() const override { return makeRef<CCScaleBy>(duration_, endScaleX_, endScaleY_); }
    void startWithTarget(CCNode* target) override;
    // Scales by the inverse factors.
    Ref<CCFiniteTimeAction> reverse() const override
    {
        return makeRef<CCScaleBy>(duration_, 1 / endScaleX_, 1 / endScaleY_);
    }
};

} // namespace mw
