#include "foundation/NSTimer.h"

#include "foundation/Clock.h"
#include "foundation/RunLoop.h"

namespace mw {

namespace {

std::atomic<uint64_t> nextCreationOrder{1};

// The platform refused intervals that would make a repeating timer spin.
constexpr double kShortestInterval = 0.0001;

} // namespace

NSTimer::NSTimer(double interval, bool repeats)
    : interval_(interval > 0 ? interval : kShortestInterval),
      repeats_(repeats),
      fireDate_(Clock::monotonicSeconds() + interval_),
      creationOrder_(nextCreationOrder.fetch_add(1))
{
}

Ref<NSTimer> NSTimer::timer(double interval, bool repeats, Block block)
{
    Ref<NSTimer> made(new NSTimer(interval, repeats));
    made->block_ = std::move(block);
    return made;
}

Ref<NSTimer> NSTimer::scheduledTimer(double interval, bool repeats, Block block)
{
    Ref<NSTimer> made = timer(interval, repeats, std::move(block));
    RunLoop::main().addTimer(made);
    return made;
}

Ref<NSTimer> NSTimer::scheduledTimer(double interval, Object* target, SEL_CallO selector, bool repeats)
{
    Ref<NSTimer> made(new NSTimer(interval, repeats));
    made->target_ = target;
    made->selectorWithTimer_ = selector;
    RunLoop::main().addTimer(made);
    return made;
}

Ref<NSTimer> NSTimer::scheduledTimer(double interval, Object* target, SEL_Call selector, bool repeats)
{
    Ref<NSTimer> made(new NSTimer(interval, repeats));
    made->target_ = target;
    made->selector_ = selector;
    RunLoop::main().addTimer(made);
    return made;
}

void NSTimer::invalidate()
{
    valid_ = false;
    Ref<Object> released;
    {
        std::lock_guard<std::mutex> lock(targetMutex_);
        released = std::move(target_);
    }
    // released dies here, outside the lock: the target's destructor may
    // touch this timer.
}

void NSTimer::fire()
{
    if (!isValid()) {
        return;
    }
    // Hold the target for the call: a one-shot timer lets go of it below,
    // and the callback may invalidate the timer itself.
    Ref<Object> target;
    {
        std::lock_guard<std::mutex> lock(targetMutex_);
        target = target_;
    }
    if (!repeats_) {
        invalidate();
    }
    call(target.get());
}

void NSTimer::fireFromLoop(double now)
{
    if (repeats_) {
        double next = fireDate_ + interval_;
        fireDate_ = next > now ? next : now + interval_;
    }
    fire();
}

void NSTimer::call(Object* target)
{
    // The callback may drop the last outside Ref to the timer.
    Ref<NSTimer> self(this);
    if (block_) {
        block_(this);
    } else if (target && selectorWithTimer_) {
        (target->*selectorWithTimer_)(this);
    } else if (target && selector_) {
        (target->*selector_)();
    }
}

} // namespace mw
