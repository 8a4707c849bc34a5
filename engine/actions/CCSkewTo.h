#pragma once

#include "engine/actions/CCActionInterval.h"

namespace mw {

// Skews a node to absolute angles in degrees, the short way round: the
// start is reduced (x within a half turn, y within a turn) and each
// difference is brought into -180..180 by one correction of a full turn.
class CCSkewTo : public CCActionInterval {
public:
    CCSkewTo(float duration, float skewX, float skewY)
        : CCActionInterval(duration), endSkewX_(skewX), endSkewY_(skewY)
    {
    }

    static Ref<CCSkewTo> actionWithDuration(float duration, float skewX, float skewY)
    {
        return makeRef<CCSkewTo>(duration, skewX, skewY);
    }

    Ref<CCAction> copy() const override { return makeRef<CCSkewTo>(duration_, endSkewX_, endSkewY_); }
    void startWithTarget(CCNode* target) override;
    void update(float t) override;

protected:
    float skewX_ = 0;  // the relative amounts of a skew-by
    float skewY_ = 0;
    float startSkewX_ = 0;
    float startSkewY_ = 0;
    float endSkewX_;
    float endSkewY_;
    float deltaX_ = 0;
    float deltaY_ = 0;
};

} // namespace mw
