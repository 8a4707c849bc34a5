#include "engine/scheduler/CCTimer.h"

#include <cstdio>
#include <cstring>

#include "engine/base/ccDescription.h"
#include "engine/scheduler/CCScheduler.h"

namespace mw {

CCTimer::CCTimer(Object* target, SEL_Update selector, float interval, unsigned int repeat, float delay)
    : target_(target),
      selector_(selector),
      runForever_(repeat == kCCRepeatForever),
      useDelay_(delay > 0),
      repeat_(repeat),
      delay_(delay),
      interval_(interval)
{
}

void CCTimer::updateOtherwise(float dt)
{
    if (elapsed_ == -1) {
        elapsed_ = 0;
        timesExecuted_ = 0;
        return;
    }

    if (runForever_ && !useDelay_) {
        elapsed_ += dt;
        if (elapsed_ >= interval_) {
            fire();
            // Time beyond the interval is not carried over.
            elapsed_ = 0;
        }
        return;
    }

    elapsed_ += dt;
    if (useDelay_) {
        if (elapsed_ >= delay_) {
            fire();
            elapsed_ -= delay_;
            ++timesExecuted_;
            useDelay_ = false;
        }
    } else if (elapsed_ >= interval_) {
        fire();
        elapsed_ = 0;
        ++timesExecuted_;
    }

    if (timesExecuted_ > repeat_) {
        CCScheduler* scheduler = scheduler_ ? scheduler_ : CCScheduler::sharedScheduler();
        scheduler->unscheduleSelector(selector_, target_);
    }
}

std::string CCTimer::description() const
{
    // Member-function pointers carry no names; the selector is shown by the
    // code address it holds.
    uintptr_t code = 0;
    std::memcpy(&code, &selector_, sizeof code);
    char selectorText[32];
    std::snprintf(selectorText, sizeof selectorText, "0x%llx", static_cast<unsigned long long>(code));
    return std::string("<") + ccClassName(typeid(*this)) + " = " + ccAddressString(this) + " | target:" +
           (target_ ? ccClassName(typeid(*target_)) : std::string("(null)")) + " selector:(" +
           selectorText + ")>";
}

} // namespace mw
