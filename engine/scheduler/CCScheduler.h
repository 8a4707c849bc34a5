#pragma once

#include <cstdint>
#include <list>
#include <unordered_map>

#include "engine/base/ccMacros.h"
#include "engine/support/CCArray.h"
#include "foundation/Object.h"
#include "foundation/Ref.h"
#include "foundation/Selector.h"

namespace mw {

class CCTimer;

// Turns the frame's time step into calls on game objects: per-frame updates
// in priority order (negative, zero, positive; equal priorities in order of
// registration), then selector timers (CCTimer) target by target in order of
// registration. The director ticks the shared scheduler once per frame.
//
// A target is retained from its first registration until that registration
// is removed. Callbacks may schedule and unschedule anything during a tick:
// removed update entries are dropped after the tick, and a timer (or a
// target's last timer) removed while it runs is kept alive until its call
// returns. Targets are keyed by their full address.
class CCScheduler : public Object {
public:
    CCScheduler() = default;
    ~CCScheduler() override;

    // The one scheduler, created on first use.
    static CCScheduler* sharedScheduler();
    // Drops the shared scheduler (unscheduling everything); the next
    // sharedScheduler() makes a fresh one.
    static void purgeSharedScheduler();

    // Factor applied to every time step (1 at creation).
    float timeScale() const { return timeScale_; }
    void setTimeScale(float scale) { timeScale_ = scale; }

    // One step of everything; see the class comment for the order.
    void tick(float dt);

    // Registers target->*update(dt) to be called every tick. A target that is
    // already registered only has a pending removal cancelled; its priority
    // and paused flag stay.
    void scheduleUpdateForTarget(Object* target, SEL_Update update, int priority, bool paused);
    // The same for the target's own update(float) member.
    template <typename T>
    void scheduleUpdateForTarget(T* target, int priority, bool paused)
    {
        scheduleUpdateForTarget(target, static_cast<SEL_Update>(&T::update), priority, paused);
    }
    // Null and unknown targets are ignored. Deferred to the end of a running tick.
    void unscheduleUpdateForTarget(const Object* target);

    // Schedules target->*selector(elapsed) every `interval` seconds (0: every
    // tick), `repeat` + 1 times (kCCRepeatForever: for ever), first after
    // `delay` seconds when delay > 0. A new target starts with `paused`; a
    // known one keeps its flag. Scheduling a selector the target already has
    // only changes that timer's interval.
    void scheduleSelector(SEL_Update selector, Object* target, float interval, bool paused,
                          unsigned int repeat = kCCRepeatForever, float delay = 0);
    // Removes the target's first timer with the selector; unknown ones are ignored.
    void unscheduleSelector(SEL_Update selector, const Object* target);
    // Removes every timer and the update registration of the target.
    void unscheduleAllSelectorsForTarget(const Object* target);
    // Removes every timer and update registration of every target.
    void unscheduleAllSelectors();

    // Set / clear the paused flag of the target's timers and update entry.
    // Unknown targets are ignored (nothing is remembered for them).
    void pauseTarget(const Object* target);
    void resumeTarget(const Object* target);
    // The paused flag of the target's timers; false when it has none.
    bool isTargetPaused(const Object* target) const;

private:
    struct UpdateEntry {
        Object* target;
        SEL_Update update;
        int priority;
        bool paused;
        bool removalPending;
    };
    using UpdateList = std::list<UpdateEntry>;
    struct UpdateRegistration {
        UpdateList* list;
        UpdateList::iterator entry;
    };

    struct TimerElement {
        Ref<CCArray> timers;
        Object* target = nullptr;  // retained
        uint32_t timerCursor = 0;
        CCTimer* runningTimer = nullptr;
        bool runningTimerSalvaged = false;
        bool paused = false;
    };
    using TimerElements = std::list<TimerElement>;

    void insertByPriority(UpdateList& list, const UpdateEntry& entry);
    void removeUpdateRegistration(std::unordered_map<const Object*, UpdateRegistration>::iterator registration);
    void removeTimerElement(TimerElements::iterator element);
    void removeAllTimersOf(TimerElement& element);
    void runTimers(TimerElement& element, float dt);
    void removePendingUpdates(UpdateList& list);

    float timeScale_ = 1.0f;
    UpdateList updatesNeg_;  // ascending priority
    UpdateList updates0_;    // registration order
    UpdateList updatesPos_;  // ascending priority
    std::unordered_map<const Object*, UpdateRegistration> hashForUpdates_;
    TimerElements timerElements_;  // registration order, walked by the tick
    std::unordered_map<const Object*, TimerElements::iterator> hashForSelectors_;
    TimerElement* currentTarget_ = nullptr;
    bool currentTargetSalvaged_ = false;
    bool updateHashLocked_ = false;
};

} // namespace mw
