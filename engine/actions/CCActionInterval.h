#pragma once

#include <algorithm>

#include "engine/actions/CCFiniteTimeAction.h"

namespace mw {

// The base of every timed action: turns frame time steps into a progress
// value from 0 to 1 for update(). The first step after every start applies
// progress 0 whatever its time step (or a random point of the duration for a
// random-start sequence); time counts from the second step on.
class CCActionInterval : public CCFiniteTimeAction {
public:
    // A duration of 0 becomes FLT_EPSILON, so the timing never divides by zero.
    explicit CCActionInterval(float duration);

    static Ref<CCActionInterval> actionWithDuration(float duration)
    {
        return makeRef<CCActionInterval>(duration);
    }

    // A copy with the same duration; the tag is not copied.
    Ref<CCAction> copy() const override;
    void startWithTarget(CCNode* target) override;
    bool isDone() const override { return elapsed_ >= duration_; }
    // Inline so that the action manager can run it through a direct call
    // for classes that keep it.
    void step(float dt) override
    {
        if (!firstTick_) {
            elapsed_ += dt;
        } else {
            beginFirstStep();
        }
        update(std::min(1.0f, elapsed_ / duration_));
    }

    // Seconds since the start (not capped at the duration).
    float elapsed() const { return elapsed_; }

protected:
    // Random-start sequences make their first step after every start begin at
    // a random point of the duration.
    void setSkipFirstTick() { skipFirstTick_ = true; }

    float elapsed_ = 0;
    bool firstTick_ = true;
    bool skipFirstTick_ = false;

private:
    // The first step after a start ignores its time step.
    void beginFirstStep();
};

} // namespace mw
