#include "engine/scheduler/CCScheduler.h"

#include <algorithm>
#include <vector>

#include "engine/scheduler/CCTimer.h"
#include "foundation/Shared.h"

namespace mw {

namespace {
// How many entries ahead a walk asks for the memory of the objects it will
// call. The entries are contiguous, but each points at a separately
// allocated target (and timer); fetching those early hides the cache misses
// that otherwise dominate a walk over thousands of them.
constexpr size_t kPrefetchDistance = 16;

} // namespace

CCScheduler* CCScheduler::sharedScheduler() { return Shared<CCScheduler>::get(); }

void CCScheduler::purgeSharedScheduler()
{
    // Purged from inside its own tick (the director ending during an update):
    // nothing more of that tick may run, since its targets are being torn
    // down; the tick itself keeps the scheduler alive until it returns.
    CCScheduler* shared = Shared<CCScheduler>::current();
    if (shared && shared->updateHashLocked_) {
        shared->unscheduleAllSelectors();
    }
    Shared<CCScheduler>::purge();
}

CCScheduler::~CCScheduler() { unscheduleAllSelectors(); }

// ---------------------------------------------------------------- tick

void CCScheduler::tick(float dt)
{
    const Ref<CCScheduler> keepAlive(this); // a purge during the tick must not free it
    updateHashLocked_ = true;
    timerCursor_ = 0;
    currentTargetSalvaged_ = false;
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
    walkTimers(dt, leaving);

    // Checked once for the three lists: a release in one list's pass may
    // mark entries of a list after it, which this pass then removes too.
    if (pendingRemovals_ != 0) {
        for (UpdateList* list : {&updatesNeg_, &updates0_, &updatesPos_}) {
            removePendingUpdates(*list);
        }
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
    // The entries' address and count are re-read only when a callback
    // changed the vectors' shape; a removal during the tick only marks the
    // entry in place, which the walk reads when it gets there.
    walkedList_ = &list;
    const UpdateEntry* begin = nullptr;
    const UpdateEntry* end = nullptr;
    const UpdateEntry* prefetchEnd = nullptr;  // the entries before it have one kPrefetchDistance ahead
    const auto readStorage = [&] {
        begin = list.entries.data();
        end = begin + list.entries.size();
        prefetchEnd = list.entries.size() > kPrefetchDistance ? end - kPrefetchDistance : begin;
    };
    readStorage();
    uint64_t seen = changes_;
    size_t cursor = 0;  // the index of the entry after `entry`
    for (const UpdateEntry* entry = begin; entry != end;) {
        if (entry < prefetchEnd) {
            __builtin_prefetch(entry[kPrefetchDistance].target);
        }
        const UpdateEntry& called = *entry++;
        ++cursor;
        if (called.paused || called.removalPending) {
            continue;
        }
        // Copied out first: the callback may grow the vector under the entry.
        Object* target = called.target;
        const SEL_Update update = called.update;
        walkCursor_ = cursor;
        (target->*update)(dt);
        if (changes_ != seen) {
            seen = changes_;
            readStorage();
            cursor = walkCursor_;
            entry = begin + cursor;
        }
    }
    walkedList_ = nullptr;
}

void CCScheduler::walkTimers(float dt, std::vector<Ref<Object>>& leaving)
{
    // Elements appended by the timers are reached in this tick; removed ones
    // stay as (paused) tombstones until the end. The vector's address and
    // size are re-read only when a call changed the vectors' shape.
    const TimerElement* begin = nullptr;
    const TimerElement* end = nullptr;
    const TimerElement* prefetchEnd = nullptr;  // the elements before it have one kPrefetchDistance ahead
    const auto readStorage = [&] {
        begin = timerElements_.data();
        end = begin + timerElements_.size();
        prefetchEnd = timerElements_.size() > kPrefetchDistance ? end - kPrefetchDistance : begin;
    };
    readStorage();
    uint64_t seen = changes_;
    uint32_t index = 0;
    for (const TimerElement* element = begin; element != end; ++element, ++index) {
        // The elements are contiguous, but each one's target is a separate
        // allocation: fetching it early hides the cache misses that
        // otherwise dominate a walk over thousands of them.
        if (element < prefetchEnd) {
            __builtin_prefetch(element[kPrefetchDistance].target);
        }
        if (element->paused) {
            continue;
        }
        // Most targets have one plain timer, and its callback changes
        // nothing here: that case is run inline, anything else through
        // runTimersAfter.
        if (element->timerCount() == 1 && element->onlyTimer().timing.isPlain()) {
            // The slot is written in place: the walk is the one place that
            // advances timers.
            TimerSlot& timer = const_cast<TimerSlot&>(element->onlyTimer());
            float firedElapsed;
            if (!timer.timing.advancePlain(dt, firedElapsed)) {
                continue;
            }
            currentTarget_ = index;
            Object* target = element->target;
            const SEL_Update selector = timer.selector;
            (target->*selector)(firedElapsed);
            if (changes_ == seen) {
                continue;
            }
            runTimersAfter(index, dt);
        } else {
            currentTarget_ = index;
            timerCursor_ = kNoElement;  // before the first
            runTimersAfter(index, dt);
        }
        // The only timer's index is 0 whenever the walk gets to a call.
        timerCursor_ = 0;
        if (currentTargetSalvaged_) {
            currentTargetSalvaged_ = false;
            if (timerElements_[index].timerCount() == 0) {
                leaving.emplace_back(timerElements_[index].target);
                removeTimerElement(index);
            }
        }
        seen = changes_;
        readStorage();
        element = begin + index;
    }
    currentTarget_ = kNoElement;
}

[[gnu::noinline]] void CCScheduler::runTimersAfter(uint32_t elementIndex, float dt)
{
    // Picks up after the timer at timerCursor_ (kNoElement: before the
    // first), whose callback has run.
    //
    // A timer's state is advanced in place before its callback runs, so
    // nothing of it is touched after the call. The element, its timers and
    // the cursor are re-read only when a call changed the vectors' shape:
    // removals move the cursor back, so no timer is skipped or run twice (a
    // wrap from 0 is undone by the increment), and timers added to the
    // target are reached in this tick.
    TimerElement* element = &timerElements_[elementIndex];
    TimerSlot* slots = element->timers();
    uint32_t count = element->timerCount();
    uint64_t seen = changes_;
    for (uint32_t cursor = timerCursor_ + 1; cursor < count; ++cursor) {
        const CCTimer::Timing::Step step = slots[cursor].timing.advance(dt);
        if (!step.fires && !step.spent) {
            continue;
        }
        Object* target = element->target;
        const SEL_Update selector = slots[cursor].selector;
        timerCursor_ = cursor;
        if (step.fires) {
            (target->*selector)(step.firedElapsed);
        }
        if (step.spent) {
            unscheduleSelector(selector, target);
        }
        if (changes_ != seen) {
            seen = changes_;
            element = &timerElements_[elementIndex];
            slots = element->timers();
            count = element->timerCount();
            cursor = timerCursor_;
        }
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
    ++changes_;
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
        UpdateEntry& known = registration->second.list->entries[registration->second.index];
        if (known.removalPending) {
            known.removalPending = false;
            --pendingRemovals_;
        }
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
        UpdateEntry& known = registration->second.list->entries[registration->second.index];
        if (!known.removalPending) {
            known.removalPending = true;
            ++pendingRemovals_;
        }
    } else {
        removeUpdateRegistration(registration);
    }
}

void CCScheduler::removeUpdateRegistration(UpdateTable::iterator registration)
{
    UpdateList& list = *registration->second.list;
    UpdateEntry& entry = list.entries[registration->second.index];
    Object* target = entry.target;
    if (entry.removalPending) {
        entry.removalPending = false;
        --pendingRemovals_;
    }
    entry.target = nullptr;
    entry.location = nullptr;
    entry.paused = true;  // so the tick skips it with the tests it makes anyway
    ++list.tombstones;
    ++changes_;
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
    ++changes_;
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
        timerElements_.emplace_back(target, paused);
        ++changes_;
    }
    TimerElement& element = timerElements_[known->second];
    TimerSlot* timers = element.timers();
    for (uint32_t i = 0; i < element.timerCount(); ++i) {
        if (timers[i].selector == selector) {
            // In place: a walk holding the slot sees the new interval next time.
            timers[i].timing.interval = interval;
            return;
        }
    }
    element.addTimer(TimerSlot{selector, CCTimer::Timing(interval, repeat, delay)});
    ++changes_;
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
    const TimerSlot* timers = element.timers();
    for (uint32_t i = 0; i < element.timerCount(); ++i) {
        if (timers[i].selector != selector) {
            continue;
        }
        element.removeTimer(i);
        ++changes_;
        if (currentTarget_ == elementIndex && timerCursor_ >= i) {
            --timerCursor_;
        }
        if (element.timerCount() == 0) {
            if (currentTarget_ == elementIndex) {
                currentTargetSalvaged_ = true;
            } else {
                removeTimerElement(elementIndex);
            }
        }
        return;
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
        timerElements_[elementIndex].removeAllTimers();
        ++changes_;
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
    element.removeAllTimers();
    element.target = nullptr;
    element.paused = true;  // so the tick skips it with the test it makes anyway
    ++timerTombstones_;
    ++changes_;
    hashForSelectors_.erase(target);
    // Between ticks, tombstones are squeezed out once they are the majority.
    if (currentTarget_ == kNoElement && !updateHashLocked_ && timerTombstones_ * 2 > timerElements_.size()) {
        compactTimerElements();
    }
    target->release();
}

void CCScheduler::TimerElement::addTimer(const TimerSlot& slot)
{
    static_assert(sizeof(void*) != 8 || sizeof(TimerElement) <= 64, "one cache line a target");
    if (timerCount_ == 0) {
        first_ = slot;
    } else {
        if (!spilled_) {
            spilled_ = std::make_unique<std::vector<TimerSlot>>(1, first_);
        }
        spilled_->push_back(slot);
    }
    ++timerCount_;
}

void CCScheduler::TimerElement::removeTimer(uint32_t index)
{
    --timerCount_;
    if (!spilled_) {
        return;
    }
    spilled_->erase(spilled_->begin() + index);
    // Back in place once one is left, where the tick looks for it.
    if (timerCount_ == 1) {
        first_ = spilled_->front();
        spilled_.reset();
    }
}

void CCScheduler::TimerElement::removeAllTimers()
{
    spilled_.reset();
    timerCount_ = 0;
}

void CCScheduler::compactTimerElements()
{
    if (timerTombstones_ == 0) {
        return;
    }
    std::erase_if(timerElements_, [](const TimerElement& element) { return element.target == nullptr; });
    // Rare, and amortised over the removals: the elements carry no link
    // back to their table values, which keeps them small for the tick.
    for (uint32_t i = 0; i < timerElements_.size(); ++i) {
        hashForSelectors_.find(timerElements_[i].target)->second = i;
    }
    timerTombstones_ = 0;
    ++changes_;
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
