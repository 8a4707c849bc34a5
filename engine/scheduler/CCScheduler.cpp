#include "engine/scheduler/CCScheduler.h"

#include <vector>

#include "engine/scheduler/CCTimer.h"
#include "engine/support/CCArray.h"

namespace mw {

namespace {
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
        for (auto it = list->begin(); it != list->end();) {
            // Taken before the call; removals are deferred while locked, so it stays valid.
            const auto next = std::next(it);
            if (!it->paused && !it->removalPending) {
                (it->target->*it->update)(dt);
            }
            it = next;
        }
    }

    // Targets whose last timer went during the walk are let go of only after
    // it: a destructor that unschedules another target could otherwise
    // unlink the element the walk goes to next.
    std::vector<Ref<Object>> leaving;
    for (auto it = timerElements_.begin(); it != timerElements_.end();) {
        currentTarget_ = &*it;
        currentTargetSalvaged_ = false;
        if (!it->paused) {
            runTimers(*it, dt);
        }
        // The successor is taken only now: elements removed by the timers
        // have been unlinked already, and new ones appended are still reached.
        const auto next = std::next(it);
        if (currentTargetSalvaged_ && it->timers->count() == 0) {
            leaving.emplace_back(it->target);
            removeTimerElement(it);
        }
        it = next;
    }
    currentTarget_ = nullptr;

    for (UpdateList* list : {&updatesNeg_, &updates0_, &updatesPos_}) {
        removePendingUpdates(*list);
    }
    updateHashLocked_ = false;
}

void CCScheduler::runTimers(TimerElement& element, float dt)
{
    // The count is re-read every round; removals during a call move
    // timerCursor back so that no timer is skipped or run twice. A wrap from
    // 0 is undone by the increment.
    for (element.timerCursor = 0; element.timerCursor < element.timers->count(); ++element.timerCursor) {
        element.runningTimer = element.timers->objectAtIndexAs<CCTimer>(element.timerCursor);
        element.runningTimerSalvaged = false;
        element.runningTimer->update(dt);
        if (element.runningTimerSalvaged) {
            element.runningTimer->release();
        }
        element.runningTimer = nullptr;
    }
}

void CCScheduler::removePendingUpdates(UpdateList& list)
{
    for (auto it = list.begin(); it != list.end();) {
        const auto next = std::next(it);
        if (it->removalPending) {
            removeUpdateRegistration(hashForUpdates_.find(it->target));
        }
        it = next;
    }
}

// ---------------------------------------------------------------- updates

void CCScheduler::insertByPriority(UpdateList& list, const UpdateEntry& entry)
{
    // Before the first entry of greater priority: equal priorities keep
    // their order of registration.
    auto position = list.begin();
    while (position != list.end() && position->priority <= entry.priority) {
        ++position;
    }
    const auto inserted = list.insert(position, entry);
    hashForUpdates_[entry.target] = {&list, inserted};
}

void CCScheduler::scheduleUpdateForTarget(Object* target, SEL_Update update, int priority, bool paused)
{
    if (!target) {
        return;
    }
    const auto known = hashForUpdates_.find(target);
    if (known != hashForUpdates_.end()) {
        known->second.entry->removalPending = false;
        return;
    }
    target->retain();
    const UpdateEntry entry{target, update, priority, paused, false};
    if (priority == 0) {
        updates0_.push_back(entry);
        hashForUpdates_[target] = {&updates0_, std::prev(updates0_.end())};
    } else if (priority < 0) {
        insertByPriority(updatesNeg_, entry);
    } else {
        insertByPriority(updatesPos_, entry);
    }
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
        registration->second.entry->removalPending = true;
    } else {
        removeUpdateRegistration(registration);
    }
}

void CCScheduler::removeUpdateRegistration(
    std::unordered_map<const Object*, UpdateRegistration>::iterator registration)
{
    Object* target = registration->second.entry->target;
    registration->second.list->erase(registration->second.entry);
    hashForUpdates_.erase(registration);
    // Released last: the target's destructor may call back into the scheduler.
    target->release();
}

// ---------------------------------------------------------------- timers

void CCScheduler::scheduleSelector(SEL_Update selector, Object* target, float interval, bool paused,
                                   unsigned int repeat, float delay)
{
    if (!selector || !target) {
        return;
    }
    auto known = hashForSelectors_.find(target);
    if (known == hashForSelectors_.end()) {
        target->retain();
        TimerElement element;
        element.target = target;
        element.paused = paused;
        element.timers = makeRef<CCArray>(10);
        timerElements_.push_back(std::move(element));
        known = hashForSelectors_.emplace(target, std::prev(timerElements_.end())).first;
    }
    TimerElement& element = *known->second;
    for (Object* item : *element.timers) {
        auto* timer = static_cast<CCTimer*>(item);
        if (timer->selector() == selector) {
            timer->setInterval(interval);
            return;
        }
    }
    auto timer = makeRef<CCTimer>(target, selector, interval, repeat, delay);
    timer->setScheduler(this);
    element.timers->addObject(timer);
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
    TimerElement& element = *known->second;
    CCArray& timers = *element.timers;
    for (uint32_t i = 0; i < timers.count(); ++i) {
        auto* timer = timers.objectAtIndexAs<CCTimer>(i);
        if (timer->selector() != selector) {
            continue;
        }
        if (timer == element.runningTimer && !element.runningTimerSalvaged) {
            // It is inside its own call: keep it alive until the call returns.
            timer->retain();
            element.runningTimerSalvaged = true;
        }
        timers.removeObjectAtIndex(i);
        if (element.timerCursor >= i) {
            --element.timerCursor;
        }
        if (timers.count() == 0) {
            if (currentTarget_ == &element) {
                currentTargetSalvaged_ = true;
            } else {
                removeTimerElement(known->second);
            }
        }
        return;
    }
}

void CCScheduler::removeAllTimersOf(TimerElement& element)
{
    CCArray& timers = *element.timers;
    if (element.runningTimer && !element.runningTimerSalvaged && timers.containsObject(element.runningTimer)) {
        element.runningTimer->retain();
        element.runningTimerSalvaged = true;
    }
    timers.removeAllObjects();
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
        TimerElement& element = *known->second;
        removeAllTimersOf(element);
        if (currentTarget_ == &element) {
            currentTargetSalvaged_ = true;
        } else {
            removeTimerElement(known->second);
        }
    }
    unscheduleUpdateForTarget(target);
}

void CCScheduler::unscheduleAllSelectors()
{
    // The targets are taken out of the tables first and held until the end:
    // a target's destructor may unschedule other targets, which would unlink
    // entries under a walk of the tables themselves.
    std::vector<Ref<Object>> timerTargets;
    for (const TimerElement& element : timerElements_) {
        timerTargets.emplace_back(element.target);
    }
    for (const Ref<Object>& target : timerTargets) {
        unscheduleAllSelectorsForTarget(target.get());
    }
    std::vector<Ref<Object>> updateTargets;
    for (UpdateList* list : {&updates0_, &updatesNeg_, &updatesPos_}) {
        for (const UpdateEntry& entry : *list) {
            updateTargets.emplace_back(entry.target);
        }
    }
    for (const Ref<Object>& target : updateTargets) {
        unscheduleUpdateForTarget(target.get());
    }
}

void CCScheduler::removeTimerElement(TimerElements::iterator element)
{
    Object* target = element->target;
    element->timers->removeAllObjects();
    hashForSelectors_.erase(target);
    timerElements_.erase(element);
    target->release();
}

// ---------------------------------------------------------------- pausing

void CCScheduler::pauseTarget(const Object* target)
{
    if (const auto timers = hashForSelectors_.find(target); timers != hashForSelectors_.end()) {
        timers->second->paused = true;
    }
    if (const auto update = hashForUpdates_.find(target); update != hashForUpdates_.end()) {
        update->second.entry->paused = true;
    }
}

void CCScheduler::resumeTarget(const Object* target)
{
    if (const auto timers = hashForSelectors_.find(target); timers != hashForSelectors_.end()) {
        timers->second->paused = false;
    }
    if (const auto update = hashForUpdates_.find(target); update != hashForUpdates_.end()) {
        update->second.entry->paused = false;
    }
}

bool CCScheduler::isTargetPaused(const Object* target) const
{
    const auto timers = hashForSelectors_.find(target);
    return timers != hashForSelectors_.end() && timers->second->paused;
}

} // namespace mw
