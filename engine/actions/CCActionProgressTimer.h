// The progress actions: they drive a progress timer's percentage.

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

// Runs a progress timer's percentage between two given values, whatever
// the timer showed before.
class CCProgressFromTo : public CCActionInterval {
public:
    CCProgressFromTo(float duration, float fromPercentage, float toPercentage)
        : CCActionInterval(duration), to_(toPercentage), from_(fromPercentage)
    {
    }

    static Ref<CCProgressFromTo> actionWithDuration(float duration, float fromPercentage, float toPercentage)
    {
        return makeRef<CCProgressFromTo>(duration, fromPercentage, toPercentage);
    }

    Ref<CCAction> copy() const override { return makeRef<CCProgressFromTo>(duration_, from_, to_); }
    void update(float t) override;
    // From and to exchanged.
    Ref<CCFiniteTimeAction> reverse() const override { return makeRef<CCProgressFromTo>(duration_, to_, from_); }

private:
    float to_;
    float from_;
};

} // namespace mw
