#pragma once

#include <cstdint>
#include <string>

#include "engine/base/ccMacros.h"
#include "foundation/Object.h"
#include "foundation/Ref.h"
#include "foundation/Selector.h"

namespace mw {

class CCScheduler;

// One selector timer: calls target->*selector(elapsed) when its interval has
// passed, optionally after a first delay and a limited number of times.
// A timer does not retain its target; the scheduler retains the target for it.
class CCTimer : public Object {
public:
    // A timer that fires every `interval` seconds, `repeat` + 1 times in all
    // (kCCRepeatForever: without end), the first time after `delay` seconds
    // when delay > 0.
    CCTimer(Object* target, SEL_Update selector, float interval = 0,
            unsigned int repeat = kCCRepeatForever, float delay = 0);

    static Ref<CCTimer> timerWithTarget(Object* target, SEL_Update selector, float interval = 0)
    {
        return makeRef<CCTimer>(target, selector, interval);
    }

    // The scheduler this timer unschedules itself from when its repeats are
    // used up; the shared scheduler unless set.
    void setScheduler(CCScheduler* scheduler) { scheduler_ = scheduler; }

    // Advances the timer by dt and fires it when due (at most once per call).
    // The first call after creation only starts the timer.
    void update(float dt)
    {
        // The common timer (started, for ever, no delay) is handled here,
        // inline in the scheduler's walk; the rest out of line.
        if (runForever_ && !useDelay_ && elapsed_ != -1) {
            elapsed_ += dt;
            if (elapsed_ >= interval_) {
                fire();
                // Time beyond the interval is not carried over.
                elapsed_ = 0;
            }
            return;
        }
        updateOtherwise(dt);
    }

    float interval() const { return interval_; }
    void setInterval(float interval) { interval_ = interval; }
    Object* target() const { return target_; }
    SEL_Update selector() const { return selector_; }

    // "<CCTimer = ADDRESS | target:CLASS selector:(...)>"
    std::string description() const;

private:
    void fire() { (target_->*selector_)(elapsed_); }
    void updateOtherwise(float dt);

    Object* target_;
    SEL_Update selector_;
    CCScheduler* scheduler_ = nullptr;
    float elapsed_ = -1;  // -1: not started yet
    bool runForever_;
    bool useDelay_;
    uint32_t timesExecuted_ = 0;
    uint32_t repeat_;
    float delay_;
    float interval_;
};

} // namespace mw
