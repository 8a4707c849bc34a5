#pragma once

#include <atomic>
#include <functional>
#include <mutex>

#include "foundation/Object.h"
#include "foundation/Ref.h"
#include "foundation/Selector.h"

namespace mw {

class RunLoop;

// A run-loop timer: calls a block or a target's selector once, or every
// interval, from RunLoop::drain() on the loop's thread. Times are on the
// monotonic Clock. A scheduled timer is held by its run loop until it is
// invalidated (a one-shot timer invalidates itself before it fires), and it
// retains its target until then, as the platform's timers did: a target that
// keeps its timer must invalidate it to break the cycle.
class NSTimer : public Object {
public:
    using Block = std::function<void(NSTimer* timer)>;

    // Timers added to RunLoop::main(), first due interval seconds from now.
    // An interval of 0 or less is taken as 0.1 ms.
    static Ref<NSTimer> scheduledTimer(double interval, bool repeats, Block block);
    static Ref<NSTimer> scheduledTimer(double interval, Object* target, SEL_CallO selector, bool repeats);
    static Ref<NSTimer> scheduledTimer(double interval, Object* target, SEL_Call selector, bool repeats);
    // A timer that runs once added with RunLoop::addTimer.
    static Ref<NSTimer> timer(double interval, bool repeats, Block block);

    // Stops the timer for good and lets go of its target. Safe from any
    // thread and from inside its own callback.
    void invalidate();
    bool isValid() const { return valid_.load(); }

    // Calls the callback now; a one-shot timer is invalidated first. The
    // schedule of a repeating timer does not change.
    void fire();

    double timeInterval() const { return interval_; }
    bool repeats() const { return repeats_; }
    // Monotonic time of the next firing. Loop thread only.
    double fireDate() const { return fireDate_; }
    void setFireDate(double monotonicSeconds) { fireDate_ = monotonicSeconds; }
    // Orders timers due at the same time: earlier created fire first.
    uint64_t creationOrder() const { return creationOrder_; }

private:
    friend class RunLoop;
    NSTimer(double interval, bool repeats);

    // Called by the run loop when the timer is due at now.
    void fireFromLoop(double now);
    void call(Object* target);

    double interval_;
    bool repeats_;
    double fireDate_;
    uint64_t creationOrder_;
    std::atomic<bool> valid_{true};
    Block block_;
    SEL_CallO selectorWithTimer_ = nullptr;
    SEL_Call selector_ = nullptr;
    std::mutex targetMutex_;
    Ref<Object> target_;
};

} // namespace mw
