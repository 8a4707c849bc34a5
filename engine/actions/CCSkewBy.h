#pragma once

#include "engine/actions/CCSkewTo.h"

namespace mw {

// Skews a node by angles in degrees from its (reduced) skew at start.
class CCSkewBy : public CCSkewTo {
public:
    CCSkewBy(float duration, float deltaSkewX, float deltaSkewY) : CCSkewTo(duration, 0, 0)
    {
        skewX_ = deltaSkewX;
        skewY_ = deltaSkewY;
    }

    static Ref<CCSkewBy> actionWithDuration(float duration, float deltaSkewX, float deltaSkewY)
    {
        return makeRef<CCSkewBy>(duration, deltaSkewX, deltaSkewY);
    }

    Ref<CCAction> copy() const override { return makeRef<CCSkewBy>(duration_, skewX_, skewY_); }
    void startWithTarget(CCNode* target) override;
    // Skews back by the negated amounts.
    Ref<CCFiniteTimeAction> reverse() const override { return makeRef<CCSkewBy>(duration_, -skewX_, -skewY_); }
};

} // namespace mw
