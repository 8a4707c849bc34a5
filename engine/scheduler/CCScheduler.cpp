#include "engine/scheduler/CCScheduler.h"

#include <algorithm>
#include <vector>

#include "engine/scheduler/CCTimer.h"
#include "engine/support/CCArray.h"

namespace mw {

namespace {
// How many entries ahead a walk asks for the memory of the objects it will
// call. The entries are contiguous, but each points at a separately
// allocated target (and timer); fetching those early hides the cache misses
// that otherwise dominate a walk over thousands of them.
constexpr size_t kPrefetchDistance = 8;

Ref<CCScheduler>& sharedSchedulerSlot()
{
    static Ref<CCScheduler> shared;
    return shared;
}
} // namespace

CCScheduler* CCScheduler::sharedScheduler()
{
    Ref<CCScheduler>& shared = sharedSchedulerSlot();
    if (!shared) {
        shared = makeRef<CCScheduler>();
    }
    return shared.get();
}

void CCScheduler::purgeSharedScheduler()
{
    Ref<CCScheduler>& shared = sharedSchedulerSlot();
    // Purged from inside its own tick (the director ending during an update):
    // nothing more of that tick may run, since its targets are being torn
    // down; the tick itself keeps the scheduler alive until it returns.
    if (shared && shared->updateHashLocked_) {
        shared->unscheduleAllSelectors();
    }
    shared = nullptr;
}

CCScheduler::~CCScheduler() { unscheduleAllSelectors(); }

// ---------------------------------------------------------------- tick

void CCScheduler::tick(float dt)
{
    const Ref<CCScheduler> keepAlive(this); // a purge during the tick must not free it
    updateHashLocked_ = true;
    if (timeScale_ != 1.0f) {
        dt *= timeScale_;
    }

    for (UpdateList* list : {&updatesNeg_, &updates0_, &updatesPos_}) {
        walkUpdates(*list, dt);
    }

    // Targets whose last timer went during the walk are let go of only after
    // it: a destructor that unschedules another target could otherwise
    // remove the element the walk goes to next.
    std::vector<Ref<Object>> leaving;
    // The size is re-read every round: elements appended by the timers are
    // reached in this tick; removed ones stay as tombstones until the end.
    for (uint32_t index = 0; index < timerElements_.size(); ++index) {
        if (!timerElements_[index].target) {
            continue;
        }
        prefetchTimersAhead(index);
        currentTarget_ = index;
        currentTargetSalvaged_ = false;
        if (!timerElements_[index].paused) {
            runTimers(index, dt);
        }
        if (currentTargetSalvaged_ && timerElements_[index].timers.empty()) {
            leaving.emplace_back(timerElements_[index].target);
            removeTimerElement(index);
        }
    }
    currentTarget_ = kNoElement;

    for (UpdateList* list : {&updatesNeg_, &updates0_, &updatesPos_}) {
        removePendingUpdates(*list);
    }
    updateHashLocked_ = false;
    leaving.clear();
    // Nothing walks the storage any more: squeeze out this tick's tombstones.
    for (UpdateList* list : {&updatesNeg_, &updates0_, &updatesPos_}) {
        compactUpdates(*list);
    }
    compactTimerElements();
}

void CCScheduler::walkUpdates(UpdateList& list, float dt)
{
    walkedList_ = &list;
    for (walkCursor_ = 0; walkCursor_ < list.entries.size();) {
        if (walkCursor_ + kPrefetchDistance < list.entries.size()) {
            __builtin_prefetch(list.entries[walkCursor_ + kPrefetchDistance].target);
        }
        const UpdateEntry& entry = list.entries[walkCursor_++];
        if (entry.target && !entry.paused && !entry.removalPending) {
            // Copied out first: the callback may grow the vector under the entry.
            Object* target = entry.target;
            const SEL_Update update = entry.update;
            (target->*update)(dt);
        }
    }
    walkedList_ = nullptr;
}

void CCScheduler::prefetchTimersAhead(uint32_t index) const
{
    // In two stages: the timer list of an element far ahead, so that by the
    // time the walk is nearer, its first timer's address can be read cheaply.
    if (index + 2 * kPrefetchDistance < timerElements_.size()) {
        __builtin_prefetch(timerElements_[index + 2 * kPrefetchDistance].timers.data());
    }
    if (index + kPrefetchDistance < timerElements_.size()) {
        const TimerElement& ahead = timerElements_[index + kPrefetchDistance];
        __builtin_prefetch(ahead.target);
        if (!ahead.timers.empty()) {
            __builtin_prefetch(ahead.timers.front().get());
        }
    }
}

// Forced into the tick: the call's set-up costs as much as a timer's own work.
[[gnu::always_inline]] inline void CCScheduler::runTimers(uint32_t elementIndex, float dt)
{
    // The element is looked up anew after every call: a callback that
    // schedules a new target may move the vector. The count is re-read every
    // round; removals during a call move timerCursor back so that no timer is
    // skipped or run twice. A wrap from 0 is undone by the increment.
    for (timerElements_[elementIndex].timerCursor = 0;
         timerElements_[elementIndex].timerCursor < timerElements_[elementIndex].timers.size();
         ++timerElements_[elementIndex].timerCursor) {
        TimerElement& element = timerElements_[elementIndex];
        CCTimer* timer = element.timers[element.timerCursor].get();
        element.runningTimer = timer;
        element.runningTimerSalvaged = false;
        timer->update(dt);
        TimerElement& after = timerElements_[elementIndex];
        if (after.runningTimerSalvaged) {
            timer->release();
        }
        after.runningTimer = nullptr;
    }
}

void CCScheduler::removePendingUpdates(UpdateList& list)
{
    // Walked like the tick walks: releasing a target may run a destructor
    // that schedules new entries into this very list.
    walkedList_ = &list;
    for (walkCursor_ = 0; walkCursor_ < list.entries.size();) {
        const UpdateEntry& entry = list.entries[walkCursor_++];
        if (entry.target && entry.removalPending) {
            removeUpdateRegistration(hashForUpdates_.find(entry.target));
        }
    }
    walkedList_ = nullptr;
}

// ---------------------------------------------------------------- updates

void CCScheduler::insertUpdateAt(UpdateList& list, size_t position, const UpdateEntry& entry)
{
    list.entries.insert(list.entries.begin() + static_cast<std::ptrdiff_t>(position), entry);
    // Entries from the insertion on moved up one place.
    for (size_t i = position; i < list.entries.size(); ++i) {
        if (list.entries[i].target) {
            list.entries[i].location->index = static_cast<uint32_t>(i);
        }
    }
    if (walkedList_ == &list && position <= walkCursor_) {
        ++walkCursor_;
    }
}

void CCScheduler::scheduleUpdateForTarget(Object* target, SEL_Update update, int priority, bool paused)
{
    if (!target) {
        return;
    }
    const auto [registration, added] = hashForUpdates_.try_emplace(target, UpdateLocation{nullptr, 0});
    if (!added) {
        UpdateLocation& known = registration->second;
        known.list->entries[known.index].removalPending = false;
        return;
    }
    target->retain();
    UpdateList& list = priority == 0 ? updates0_ : priority < 0 ? updatesNeg_ : updatesPos_;
    registration->second.list = &list;
    const UpdateEntry entry{target, update, &registration->second, priority, paused, false};
    // Priority 0 is kept in registration order. The others go before the
    // first entry of greater priority, so equal priorities keep their order
    // of registration; tombstones keep their priority, the order holds.
    size_t position = list.entries.size();
    if (priority != 0) {
        const auto after = std::upper_bound(
            list.entries.begin(), list.entries.end(), priority,
            [](int wanted, const UpdateEntry& existing) { return wanted < existing.priority; });
        position = static_cast<size_t>(after - list.entries.begin());
    }
    insertUpdateAt(list, position, entry);
}

void CCScheduler::unscheduleUpdateForTarget(const Object* target)
{
    if (!target) {
        return;
    }
    const auto registration = hashForUpdates_.find(target);
    if (registration == hashForUpdates_.end()) {
        return;
    }
    if (updateHashLocked_) {
        const UpdateLocation& known = registration->second;
        known.list->entries[known.index].removalPending = true;
    } else {
        removeUpdateRegistration(registration);
    }
}

void CCScheduler::removeUpdateRegistration(UpdateTable::iterator registration)
{
    UpdateList& list = *registration->second.list;
    UpdateEntry& entry = list.entries[registration->second.index];
    Object* target = entry.target;
    entry.target = nullptr;
    entry.location = nullptr;
    ++list.tombstones;
    hashForUpdates_.erase(registration);
    // Between ticks, tombstones are squeezed out once they are the majority,
    // which keeps each removal amortised constant.
    if (!updateHashLocked_ && list.tombstones * 2 > list.entries.size()) {
        compactUpdates(list);
    }
    // Released last: the target's destructor may call back into the scheduler.
    target->release();
}

void CCScheduler::compactUpdates(UpdateList& list)
{
    if (list.tombstones == 0) {
        return;
    }
    std::erase_if(list.entries, [](const UpdateEntry& entry) { return entry.target == nullptr; });
    for (size_t i = 0; i < list.entries.size(); ++i) {
        list.entries[i].location->index = static_cast<uint32_t>(i);
    }
    list.tombstones = 0;
}

// ---------------------------------------------------------------- timers

void CCScheduler::scheduleSelector(SEL_Update selector, Object* target, float interval, bool paused,
                                   unsigned int repeat, float delay)
{
    if (!selector || !target) {
        return;
    }
    const auto [known, added] = hashForSelectors_.try_emplace(target, kNoElement);
    if (added) {
        target->retain();
        known->second = static_cast<uint32_t>(timerElements_.size());
        TimerElement element;
        element.target = target;
        element.tableIndex = &known->second;
        element.paused = paused;
        element.timers.reserve(10);
        timerElements_.push_back(std::move(element));
    }
    TimerElement& element = timerElements_[known->second];
    for (const Ref<CCTimer>& timer : element.timers) {
        if (timer->selector() == selector) {
            timer->setInterval(interval);
            return;
        }
    }
    auto timer = makeRef<CCTimer>(target, selector, interval, repeat, delay);
    timer->setScheduler(this);
    element.timers.push_back(std::move(timer));
}

void CCScheduler::unscheduleSelector(SEL_Update selector, const Object* target)
{
    if (!selector || !target) {
        return;
    }
    const auto known = hashForSelectors_.find(target);
    if (known == hashForSelectors_.end()) {
        return;
    }
    const uint32_t elementIndex = known->second;
    TimerElement& element = timerElements_[elementIndex];
    std::vector<Ref<CCTimer>>& timers = element.timers;
    for (uint32_t i = 0; i < timers.size(); ++i) {
        CCTimer* timer = timers[i].get();
        if (timer->selector() != selector) {
            continue;
        }
        if (timer == element.runningTimer && !element.runningTimerSalvaged) {
            // It is inside its own call: keep it alive until the call returns.
            timer->retain();
            element.runningTimerSalvaged = true;
        }
        timers.erase(timers.begin() + i);
        if (element.timerCursor >= i) {
            --element.timerCursor;
        }
        if (timers.empty()) {
            if (currentTarget_ == elementIndex) {
                currentTargetSalvaged_ = true;
            } else {
                removeTimerElement(elementIndex);
            }
        }
        return;
    }
}

void CCScheduler::removeAllTimersOf(TimerElement& element)
{
    std::vector<Ref<CCTimer>>& timers = element.timers;
    if (element.runningTimer && !element.runningTimerSalvaged &&
        std::find(timers.begin(), timers.end(), element.runningTimer) != timers.end()) {
        element.runningTimer->retain();
        element.runningTimerSalvaged = true;
    }
    // Last first, as an array lets go of its items.
    while (!timers.empty()) {
        timers.pop_back();
    }
}

void CCScheduler::unscheduleAllSelectorsForTarget(const Object* target)
{
    if (!target) {
        return;
    }
    const auto known = hashForSelectors_.find(target);
    // A registered target is held while its registrations go, as they may
    // hold its last reference (an unregistered one is left alone: it may not
    // be owned by a Ref at all).
    Ref<Object> keepAlive;
    if (known != hashForSelectors_.end() || hashForUpdates_.count(target)) {
        keepAlive = const_cast<Object*>(target);
    }
    if (known != hashForSelectors_.end()) {
        const uint32_t elementIndex = known->second;
        removeAllTimersOf(timerElements_[elementIndex]);
        if (currentTarget_ == elementIndex) {
            currentTargetSalvaged_ = true;
        } else {
            removeTimerElement(elementIndex);
        }
    }
    unscheduleUpdateForTarget(target);
}

void CCScheduler::unscheduleAllSelectors()
{
    // The targets are taken out of the tables first and held until the end:
    // a target's destructor may unschedule other targets, which would change
    // the tables under a walk of them.
    std::vector<Ref<Object>> timerTargets;
    for (const TimerElement& element : timerElements_) {
        if (element.target) {
            timerTargets.emplace_back(element.target);
        }
    }
    for (const Ref<Object>& target : timerTargets) {
        unscheduleAllSelectorsForTarget(target.get());
    }
    std::vector<Ref<Object>> updateTargets;
    for (UpdateList* list : {&updates0_, &updatesNeg_, &updatesPos_}) {
        for (const UpdateEntry& entry : list->entries) {
            if (entry.target) {
                updateTargets.emplace_back(entry.target);
            }
        }
    }
    for (const Ref<Object>& target : updateTargets) {
        unscheduleUpdateForTarget(target.get());
    }
}

void CCScheduler::removeTimerElement(uint32_t elementIndex)
{
    TimerElement& element = timerElements_[elementIndex];
    Object* target = element.target;
    removeAllTimersOf(element);
    element.target = nullptr;
    element.tableIndex = nullptr;
    ++timerTombstones_;
    hashForSelectors_.erase(target);
    // Between ticks, tombstones are squeezed out once they are the majority.
    if (currentTarget_ == kNoElement && !updateHashLocked_ && timerTombstones_ * 2 > timerElements_.size()) {
        compactTimerElements();
    }
    target->release();
}

void CCScheduler::compactTimerElements()
{
    if (timerTombstones_ == 0) {
        return;
    }
    std::erase_if(timerElements_, [](const TimerElement& element) { return element.target == nullptr; });
    for (uint32_t i = 0; i < timerElements_.size(); ++i) {
        *timerElements_[i].tableIndex = i;
    }
    timerTombstones_ = 0;
}

// ---------------------------------------------------------------- pausing

void CCScheduler::pauseTarget(const Object* target)
{
    if (const auto timers = hashForSelectors_.find(target); timers != hashForSelectors_.end()) {
        timerElements_[timers->second].paused = true;
    }
    if (const auto update = hashForUpdates_.find(target); update != hashForUpdates_.end()) {
        update->second.list->entries[update->second.index].paused = true;
    }
}

void CCScheduler::resumeTarget(const Object* target)
{
    if (const auto timers = hashForSelectors_.find(target); timers != hashForSelectors_.end()) {
        timerElements_[timers->second].paused = false;
    }
    if (const auto update = hashForUpdates_.find(target); update != hashForUpdates_.end()) {
        update->second.list->entries[update->second.index].paused = false;
    }
}

bool CCScheduler::isTargetPaused(const Object* target) const
{
    const auto timers = hashForSelectors_.find(target);
    return timers != hashForSelectors_.end() && timerElements_[timers->second].paused;
}

} // namespace mw
