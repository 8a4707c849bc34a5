#include "engine/scheduler/CCTimer.h"

#include <cstdio>
#include <cstring>

#include "engine/base/ccDescription.h"
#include "engine/scheduler/CCScheduler.h"

namespace mw {

CCTimer::CCTimer(Object* target, SEL_Update selector, float interval, unsigned int repeat, float delay)
    : target_(target), selector_(selector), timing_(interval, repeat, delay)
{
}

CCTimer::Timing::Step CCTimer::Timing::advanceOtherwise(float dt)
{
    if (elapsed == -1) {
        elapsed = 0;
        timesExecuted = 0;
        plain = runForever && !useDelay;
        return {};
    }

    Step step;
    if (runForever && !useDelay) {
        plain = true;
        step.fires = advancePlain(dt, step.firedElapsed);
        return step;
    }

    elapsed += dt;
    if (useDelay) {
        if (elapsed >= delay) {
            step.fires = true;
            step.firedElapsed = elapsed;
            // The delay's excess is kept.
            elapsed -= delay;
            ++timesExecuted;
            useDelay = false;
            plain = runForever;
        }
    } else if (elapsed >= interval) {
        step.fires = true;
        step.firedElapsed = elapsed;
        elapsed = 0;
        ++timesExecuted;
    }
    step.spent = timesExecuted > repeat;
    return step;
}

void CCTimer::unscheduleSpent()
{
    CCScheduler* scheduler = scheduler_ ? scheduler_ : CCScheduler::sharedScheduler();
    scheduler->unscheduleSelector(selector_, target_);
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
