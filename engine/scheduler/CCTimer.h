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
    // The timing of a timer without its callback: the scheduler keeps this
    // state in place in its own tables and makes the calls itself.
    struct Timing {
        Timing(float interval, unsigned int repeat, float delay)
            : runForever(repeat == kCCRepeatForever), useDelay(delay > 0), repeat(repeat), delay(delay),
              interval(interval)
        {
        }

        // What one advance asks of the caller, in this order: call the
        // callback with firedElapsed when `fires`, then unschedule the timer
        // when `spent` (its repeats are used up).
        struct Step {
            bool fires = false;
            bool spent = false;
            float firedElapsed = 0;
        };

        // Advances by dt; a timer fires at most once per advance, and the
        // first advance after creation only starts it. The state after a
        // firing is written before the callback runs: nothing the callback
        // can do reads or changes it (rescheduling the selector only sets the
        // interval, which the advance has finished with).
        Step advance(float dt)
        {
            if (isPlain()) {
                Step step;
                step.fires = advancePlain(dt, step.firedElapsed);
                return step;
            }
            return advanceOtherwise(dt);
        }

        // A started timer that runs for ever without a delay: the kind a
        // walk meets most, whose whole advance is advancePlain.
        bool isPlain() const { return plain; }

        // The advance of a plain timer: answers whether it fires, with the
        // time to pass in firedElapsed.
        bool advancePlain(float dt, float& firedElapsed)
        {
            elapsed += dt;
            if (elapsed >= interval) {
                firedElapsed = elapsed;
                // Time beyond the interval is not carried over.
                elapsed = 0;
                return true;
            }
            // Stepped back to exactly -1 (by a negative step): the timer
            // counts as new again, and its next advance starts it.
            if (elapsed == -1) {
                plain = false;
            }
            return false;
        }

        float elapsed = -1;  // -1: not started yet
        bool runForever;
        bool useDelay;
        // runForever, no delay (left) and started: kept by the advances.
        bool plain = false;
        uint32_t timesExecuted = 0;
        uint32_t repeat;
        float delay;
        float interval;

    private:
        Step advanceOtherwise(float dt);
    };

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
        const Timing::Step step = timing_.advance(dt);
        if (step.fires) {
            (target_->*selector_)(step.firedElapsed);
        }
        if (step.spent) {
            unscheduleSpent();
        }
    }

    float interval() const { return timing_.interval; }
    void setInterval(float interval) { timing_.interval = interval; }
    Object* target() const { return target_; }
    SEL_Update selector() const { return selector_; }

    // "<CCTimer = ADDRESS | target:CLASS selector:(...)>"
    std::string description() const;

private:
    void unscheduleSpent();

    Object* target_;
    SEL_Update selector_;
    CCScheduler* scheduler_ = nullptr;
    Timing timing_;
};

} // namespace mw
