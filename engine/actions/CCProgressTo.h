#pragma once

#include "engine/actions/CCActionInterval.h"

namespace mw {

// Runs a progress timer's percentage from its value at start to a target.
// A timer that is full at start runs up again from empty.
class CCProgressTo : public CCActionInterval {
public:
    CCProgressTo(float duration, float percent) : CCActionInterval(duration), to_(percent) {}

    static Ref<CCProgressTo> actionWithDuration(float duration, float percent)
    {
        return makeRef<CCProgressTo>(duration, percent);
    }

    Ref<CCAction> copy() const override { return makeRef<CCProgressTo>(duration_, to_); }
    void startWithTarget(CCNode* target) override;
    void update(float t) override;

private:
    float to_;
    float from_ = 0;
};

} // namespace mw
