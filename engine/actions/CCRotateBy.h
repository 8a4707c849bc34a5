#pragma once

#include "engine/actions/CCActionInterval.h"

namespace mw {

// Turns a node by an angle in degrees from its rotation at start.
class CCRotateBy : public CCActionInterval {
public:
    CCRotateBy(float duration, float angle) : CCActionInterval(duration), angle_(angle) {}

    static Ref<CCRotateBy> actionWithDuration(float duration, float angle)
    {
        return makeRef<CCRotateBy>(duration, angle);
    }

    Ref<CCAction> copy() const override { return makeRef<CCRotateBy>(duration_, angle_); }
    void startWithTarget(CCNode* target) override;
    void update(float t) override;
    // The same turn the other way.
    Ref<CCFiniteTimeAction> reverse() const override { return makeRef<CCRotateBy>(duration_, -angle_); }

private:
    float angle_;
    float startAngle_ = 0;
};

} // namespace mw
