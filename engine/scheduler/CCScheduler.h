#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "engine/base/ccMacros.h"
#include "engine/scheduler/CCTimer.h"
#include "foundation/Object.h"
#include "foundation/Ref.h"
#include "foundation/Selector.h"

namespace mw {


// Turns the frame's time step into calls on game objects: per-frame updates
// in priority order (negative, zero, positive; equal priorities in order of
// registration), then selector timers (CCTimer) target by target in order of
// registration. The director ticks the shared scheduler once per frame.
//
// A target is retained from its first registration until that registration
// is removed. Callbacks may schedule and unschedule anything during a tick:
// removed update entries are dropped after the tick, no timer is skipped or
// run twice when timers are removed during a call, and a target that loses
// its last timer while its timers run stays held until their walk is over.
// Targets are keyed by their full address.
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
    // Update entries and timer elements live in contiguous vectors so that a
    // tick walks memory in order instead of chasing list nodes; each
    // element's timers keep their state in place (no timer objects). Removing
    // an entry or element leaves a tombstone (null target, paused) in place;
    // tombstones are squeezed out only when no walk is under way, so indices
    // held by a walk stay valid. The tables map a target to its slot's index.
    // An update entry points back at its table value (unordered_map values
    // never move) to renumber it, as insertions by priority move entries;
    // timer elements, only ever appended, are renumbered through the table
    // when squeezed.
    //
    // changes_ counts every change to the vectors' shape (an insertion, a
    // removal, a squeeze). A walk keeps pointers into the vectors across a
    // callback and re-reads them only when the count moved during the call.
    struct UpdateList;
    struct UpdateLocation {
        UpdateList* list;
        uint32_t index;
    };
    struct UpdateEntry {
        Object* target;  // retained; null for a tombstone (which is also paused)
        SEL_Update update;
        UpdateLocation* location;  // the table's value for the target
        int priority;
        bool paused;
        bool removalPending;
    };
    struct UpdateList {
        std::vector<UpdateEntry> entries;
        uint32_t tombstones = 0;
    };
    using UpdateTable = std::unordered_map<const Object*, UpdateLocation>;

    struct TimerSlot {
        SEL_Update selector;
        CCTimer::Timing timing;
    };
    // A target's timers in order of scheduling, and its paused flag. Most
    // targets have one timer: it is kept in the element itself, so a walk
    // over such targets reads no memory of theirs but the target's own, and
    // the element fits one cache line.
    class TimerElement {
    public:
        explicit TimerElement(Object* target, bool paused) : target(target), paused(paused) {}

        TimerSlot* timers() { return spilled_ ? spilled_->data() : &first_; }
        const TimerSlot* timers() const { return spilled_ ? spilled_->data() : &first_; }
        uint32_t timerCount() const { return timerCount_; }
        // The timer of an element that has exactly one.
        TimerSlot& onlyTimer() { return first_; }
        const TimerSlot& onlyTimer() const { return first_; }
        void addTimer(const TimerSlot& slot);
        // Later timers move down one place.
        void removeTimer(uint32_t index);
        void removeAllTimers();

        Object* target;  // retained; null for a tombstone (which is also paused)

    private:
        TimerSlot first_{nullptr, CCTimer::Timing(0, 0, 0)};  // the only timer while none is spilled
        // Every timer, while there are two or more.
        std::unique_ptr<std::vector<TimerSlot>> spilled_;
        uint32_t timerCount_ = 0;

    public:
        bool paused;
    };
    using TimerTable = std::unordered_map<const Object*, uint32_t>;
    static constexpr uint32_t kNoElement = UINT32_MAX;

    void insertUpdateAt(UpdateList& list, size_t position, const UpdateEntry& entry);
    void walkUpdates(UpdateList& list, float dt);
    void removePendingUpdates(UpdateList& list);
    void removeUpdateRegistration(UpdateTable::iterator registration);
    void compactUpdates(UpdateList& list);

    void walkTimers(float dt, std::vector<Ref<Object>>& leaving);
    void runTimersAfter(uint32_t elementIndex, float dt);
    void removeTimerElement(uint32_t elementIndex);
    void compactTimerElements();

    float timeScale_ = 1.0f;
    UpdateList updatesNeg_;  // ascending priority
    UpdateList updates0_;    // registration order
    UpdateList updatesPos_;  // ascending priority
    UpdateTable hashForUpdates_;
    // Entries marked for removal during a tick and not yet removed: the pass
    // that removes them after the tick is skipped while there are none.
    uint32_t pendingRemovals_ = 0;
    // The list walked by the tick and the index of the next entry it calls:
    // an insertion at or before that index moves it along, so an entry
    // scheduled during the walk is reached exactly when a linked list taking
    // each successor before the call would reach it.
    UpdateList* walkedList_ = nullptr;
    size_t walkCursor_ = 0;
    std::vector<TimerElement> timerElements_;  // registration order, walked by the tick
    uint32_t timerTombstones_ = 0;
    TimerTable hashForSelectors_;
    uint32_t currentTarget_ = kNoElement;  // index of the element whose timers run
    // The current element's timer being called back; a removal at or before
    // it moves it back (from 0 it wraps, and the walk's increment undoes it).
    uint32_t timerCursor_ = 0;
    // The current element lost its last timer during its walk and is to be
    // removed after it (unless it gained new ones); cleared by the walk as
    // soon as it has seen it.
    bool currentTargetSalvaged_ = false;
    bool updateHashLocked_ = false;
    uint64_t changes_ = 0;
};

} // namespace mw
