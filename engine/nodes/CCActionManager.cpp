#include "engine/nodes/CCActionManager.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "engine/nodes/CCAction.h"
#include "engine/nodes/CCAction.h"
#include "engine/nodes/CCNode.h"
#include "engine/scheduler/CCScheduler.h"
#include "foundation/Shared.h"

namespace mw {

namespace {
// How many entries ahead the walk asks for the memory of the action it will
// step.
constexpr uint32_t kPrefetchDistance = 8;

// Vtables are read below where their layout is known: the Itanium C++ ABI's,
// which GCC and Clang follow on Linux, on the processors named here.
#if defined(__GXX_ABI_VERSION) && (defined(__x86_64__) || defined(__i386__) || defined(__aarch64__) || defined(__arm__))
#define MW_ACTION_MANAGER_READS_VTABLES 1
#else
#define MW_ACTION_MANAGER_READS_VTABLES 0
#endif

#if MW_ACTION_MANAGER_READS_VTABLES
// The byte offset in the vtable of a virtual member function, read from its
// pointer to member as the Itanium C++ ABI (GCC and Clang on Linux) lays it
// out: {function pointer or 1 + vtable offset, this adjustment}, except that
// on ARM the offset is held as is and the adjustment's low bit marks it
// virtual. False when the pointer is not to a virtual function.
template <typename MemberFunction>
bool vtableOffset(MemberFunction function, std::ptrdiff_t& offset)
{
    struct Representation {
        std::uintptr_t pointer;
        std::ptrdiff_t adjustment;
    };
    static_assert(sizeof(MemberFunction) == sizeof(Representation));
    Representation representation;
    std::memcpy(&representation, &function, sizeof representation);
#if defined(__aarch64__) || defined(__arm__)
    if ((representation.adjustment & 1) == 0) {
        return false;
    }
    offset = static_cast<std::ptrdiff_t>(representation.pointer);
#else
    if ((representation.pointer & 1) == 0) {
        return false;
    }
    offset = static_cast<std::ptrdiff_t>(representation.pointer - 1);
#endif
    return true;
}

// The entry at `offset` of the vtable of the polymorphic object (pointed to
// as the class whose vtable the offset belongs to).
const void* vtableEntry(const void* object, std::ptrdiff_t offset)
{
    const char* vtable = nullptr;
    std::memcpy(&vtable, object, sizeof vtable);
    const void* entry = nullptr;
    std::memcpy(&entry, vtable + offset, sizeof entry);
    return entry;
}

// Where CCActionInterval's own step and isDone sit in a vtable, and what
// they hold there; all offsets -1 when they cannot be read.
struct IntervalTimingEntries {
    std::ptrdiff_t stepOffset = -1;
    std::ptrdiff_t isDoneOffset = -1;
    const void* step = nullptr;
    const void* isDone = nullptr;
};

IntervalTimingEntries readIntervalTimingEntries()
{
    IntervalTimingEntries entries;
    if (!vtableOffset(&CCActionInterval::step, entries.stepOffset) ||
        !vtableOffset(&CCActionInterval::isDone, entries.isDoneOffset)) {
        return {};
    }
    const CCActionInterval plain(1);
    entries.step = vtableEntry(&plain, entries.stepOffset);
    entries.isDone = vtableEntry(&plain, entries.isDoneOffset);
    return entries;
}
#endif

// Whether the action's class keeps CCActionInterval's step and isDone (it
// overrides neither), so that the walk may run them through direct calls
// instead of two virtual ones: the class's vtable then holds the very
// entries of CCActionInterval's own. Where the vtable's layout is not known,
// every action takes the virtual calls.
bool takesIntervalTiming(const CCAction* action)
{
#if MW_ACTION_MANAGER_READS_VTABLES
    static const IntervalTimingEntries plain = readIntervalTimingEntries();
    const auto* interval = dynamic_cast<const CCActionInterval*>(action);
    if (!interval || plain.stepOffset < 0) {
        return false;
    }
    return vtableEntry(interval, plain.stepOffset) == plain.step &&
           vtableEntry(interval, plain.isDoneOffset) == plain.isDone;
#else
    (void)action;
    return false;
#endif
}

} // namespace

CCActionManager* CCActionManager::sharedManager() { return Shared<CCActionManager>::get(); }

void CCActionManager::purgeSharedManager()
{
    if (CCActionManager* shared = Shared<CCActionManager>::current()) {
        CCScheduler::sharedScheduler()->unscheduleUpdateForTarget(shared);
        Shared<CCActionManager>::purge();
    }
}

CCActionManager::CCActionManager()
{
    CCScheduler::sharedScheduler()->scheduleUpdateForTarget(this, 0, false);
}

CCActionManager::~CCActionManager() { removeAllActions(); }

void CCActionManager::addAction(CCAction* action, CCNode* target, bool paused)
{
    if (!action || !target) {
        return;
    }
    const auto [known, added] = targets_.try_emplace(target, kNoElement);
    if (added) {
        target->retain();
        known->second = static_cast<uint32_t>(elements_.size());
        elements_.emplace_back(target, paused);
    }
    action->retain();
    elements_[known->second].addAction(ActionSlot{action, takesIntervalTiming(action)});
    ++changes_;
    action->startWithTarget(target);
}

// ---------------------------------------------------------------- the walk

void CCActionManager::update(float dt)
{
    const Ref<CCActionManager> keepAlive(this); // a purge during the step must not free it
    {
        const IndexHold hold(*this);
        stepIndex_ = 0;
        // Entries added during the walk are reached in this frame; deleted
        // ones stay as tombstones until after it. The vector's address and
        // size are re-read only when a step changed the storage's shape.
        const Element* begin = nullptr;
        const Element* end = nullptr;
        const Element* prefetchEnd = nullptr;  // the entries before it have one kPrefetchDistance ahead
        const auto readStorage = [&] {
            begin = elements_.data();
            end = begin + elements_.size();
            prefetchEnd = elements_.size() > kPrefetchDistance ? end - kPrefetchDistance : begin;
        };
        readStorage();
        uint64_t seen = changes_;
        uint32_t index = 0;
        for (const Element* element = begin; element != end; ++element, ++index) {
            // The entries are contiguous, but each action is a separate
            // allocation: fetching it early hides the cache misses that
            // otherwise dominate a walk over thousands of them.
            if (element < prefetchEnd) {
                if (const CCAction* ahead = element[kPrefetchDistance].onlyAction().action) {
                    // Both lines an action of a few dozen bytes may straddle.
                    __builtin_prefetch(ahead);
                    __builtin_prefetch(reinterpret_cast<const char*>(ahead) + 63);
                }
            }
            // Most nodes run one timed action, whose step changes nothing
            // here: that case is run inline, anything else by stepActionsFrom.
            if (element->walk() == Element::Walk::OneInterval) [[likely]] {
                currentTarget_ = index;
                // Copied out first: the step may move the entry.
                auto* action = static_cast<CCActionInterval*>(element->onlyAction().action);
                stepAction_ = action;
                action->CCActionInterval::step(dt);
                if (changes_ == seen) [[likely]] {
                    if (!action->CCActionInterval::isDone()) [[likely]] {
                        continue;
                    }
                    endStep(index, action, true, StepEnd::Done);
                } else {
                    endStep(index, action, true, StepEnd::Reshaped);
                }
                stepActionsFrom(index, stepIndex_ + 1, dt);
            } else if (element->walk() == Element::Walk::Other) {
                currentTarget_ = index;
                stepActionsFrom(index, 0, dt);
            } else {
                continue;
            }
            // The only action's index is 0 whenever the walk gets to a step.
            stepIndex_ = 0;
            if (currentTargetSalvaged_) {
                currentTargetSalvaged_ = false;
                if (elements_[index].actionCount() == 0) {
                    deleteElement(index);
                }
            }
            seen = changes_;
            readStorage();
            element = begin + index;
        }
        currentTarget_ = kNoElement;
        stepAction_ = nullptr;
    }
    if (indexHolds_ == 0) {
        compact();
    }
}

// Forced into the walk: the call's set-up costs as much as stepping an action.
[[gnu::always_inline]] inline CCActionManager::StepEnd CCActionManager::stepAction(CCAction* action,
                                                                                   bool intervalTiming, float dt,
                                                                                   uint64_t seen)
{
    if (intervalTiming) {
        auto* interval = static_cast<CCActionInterval*>(action);
        interval->CCActionInterval::step(dt);
        if (changes_ != seen) {
            return StepEnd::Reshaped;
        }
        return interval->CCActionInterval::isDone() ? StepEnd::Done : StepEnd::Running;
    }
    action->step(dt);
    if (changes_ != seen) {
        return StepEnd::Reshaped;
    }
    return action->isDone() ? StepEnd::Done : StepEnd::Running;
}

void CCActionManager::endStep(uint32_t elementIndex, CCAction* action, bool intervalTiming, StepEnd end)
{
    stepAction_ = nullptr;
    if (end == StepEnd::Reshaped) {
        if (stepActionSalvaged_) {
            // Removed during its own step: end the hold taken at removal.
            stepActionSalvaged_ = false;
            action->release();
            return;
        }
        const bool done = intervalTiming ? static_cast<CCActionInterval*>(action)->CCActionInterval::isDone()
                                         : action->isDone();
        if (!done) {
            return;
        }
    }
    // stop runs while the action still counts as the stepped one, as the
    // frame's order has it; that is cleared before the removal so that the
    // removal takes no hold.
    stepAction_ = action;
    action->stop();
    stepAction_ = nullptr;
    stepActionSalvaged_ = false;
    // Removed from the list it is stepped in, whatever its original target
    // says: an action that drives another node (a targeted action run
    // directly) would otherwise be looked up in that node's list, never
    // found, and stepped for ever.
    const Element& after = elements_[elementIndex];
    if (stepIndex_ < after.actionCount() && after.actions()[stepIndex_].action == action) {
        removeActionAtIndex(stepIndex_, elementIndex);
    } else {
        removeAction(action);
    }
}

void CCActionManager::stepActionsFrom(uint32_t elementIndex, uint32_t first, float dt)
{
    // The count is re-read after every change, so actions added during the
    // walk are stepped in this frame; removals move stepIndex_ back, so none
    // is skipped or stepped twice.
    const Element* element = &elements_[elementIndex];
    const ActionSlot* slots = element->actions();
    uint32_t count = element->actionCount();
    uint64_t seen = changes_;
    for (uint32_t index = first; index < count; ++index) {
        // Copied out first: the step may move the list.
        CCAction* action = slots[index].action;
        const bool intervalTiming = slots[index].intervalTiming;
        stepIndex_ = index;
        stepAction_ = action;
        const StepEnd end = stepAction(action, intervalTiming, dt, seen);
        if (end == StepEnd::Running) {
            continue;
        }
        endStep(elementIndex, action, intervalTiming, end);
        seen = changes_;
        element = &elements_[elementIndex];
        slots = element->actions();
        count = element->actionCount();
        index = stepIndex_;
    }
}

// ---------------------------------------------------------------- removal

void CCActionManager::removeActionAtIndex(uint32_t index, uint32_t elementIndex)
{
    {
        const IndexHold hold(*this);
        Element& element = elements_[elementIndex];
        CCAction* action = element.actions()[index].action;
        const bool walked = elementIndex == currentTarget_;
        if (walked && action == stepAction_ && !stepActionSalvaged_) {
            // It is executing its own step and must outlive it.
            action->retain();
            stepActionSalvaged_ = true;
        }
        element.removeAction(index);
        ++changes_;
        if (walked && stepIndex_ >= index) {
            --stepIndex_;
        }
        action->release();
        // The release may have run a destructor that deleted the entry already.
        const Element& after = elements_[elementIndex];
        if (after.node && after.actionCount() == 0) {
            deleteOrSalvage(elementIndex);
        }
    }
    compactIfSparse();
}

void CCActionManager::deleteOrSalvage(uint32_t elementIndex)
{
    if (currentTarget_ == elementIndex) {
        currentTargetSalvaged_ = true;
    } else {
        deleteElement(elementIndex);
    }
}

void CCActionManager::deleteElement(uint32_t elementIndex)
{
    Element& element = elements_[elementIndex];
    CCNode* node = element.node;
    const std::vector<CCAction*> remaining = element.takeActions();
    element.bury();
    ++tombstones_;
    ++changes_;
    targets_.erase(node);
    compactIfSparse();
    // Released last: their destructors may reach back into the manager.
    for (auto it = remaining.rbegin(); it != remaining.rend(); ++it) {
        (*it)->release();
    }
    node->release();
}

uint32_t CCActionManager::nextLiveFrom(uint32_t index) const
{
    while (index < elements_.size() && !elements_[index].node) {
        ++index;
    }
    return index;
}

void CCActionManager::compactIfSparse()
{
    // Amortises the squeeze over the deletions that made the tombstones.
    if (indexHolds_ == 0 && tombstones_ * 2 > elements_.size()) {
        compact();
    }
}

void CCActionManager::compact()
{
    if (tombstones_ == 0) {
        return;
    }
    std::erase_if(elements_, [](const Element& element) { return element.node == nullptr; });
    // Rare, and amortised over the deletions: the entries carry no link
    // back to their table values, which keeps them small for the walk.
    for (uint32_t i = 0; i < elements_.size(); ++i) {
        targets_.find(elements_[i].node)->second = i;
    }
    tombstones_ = 0;
    ++changes_;
}

void CCActionManager::removeAllActions()
{
    {
        const IndexHold hold(*this);
        uint32_t index = nextLiveFrom(0);
        while (index < elements_.size()) {
            // The successor is taken before the entry goes: entries that
            // destructors add after the last one are left alone.
            const uint32_t next = nextLiveFrom(index + 1);
            const bool wasLast = next == elements_.size();
            removeAllActionsFromTarget(elements_[index].node);
            if (wasLast) {
                break;
            }
            index = nextLiveFrom(next);
        }
    }
    compactIfSparse();
}

void CCActionManager::removeAllActionsFromTarget(const CCNode* target)
{
    if (!target) {
        return;
    }
    const auto known = targets_.find(target);
    if (known == targets_.end()) {
        return;
    }
    {
        const IndexHold hold(*this);
        const uint32_t elementIndex = known->second;
        Element& element = elements_[elementIndex];
        if (elementIndex == currentTarget_ && stepAction_ && !stepActionSalvaged_) {
            const ActionSlot* slots = element.actions();
            for (uint32_t i = 0; i < element.actionCount(); ++i) {
                if (slots[i].action == stepAction_) {
                    stepAction_->retain();
                    stepActionSalvaged_ = true;
                    break;
                }
            }
        }
        const std::vector<CCAction*> removed = element.takeActions();
        ++changes_;
        for (auto it = removed.rbegin(); it != removed.rend(); ++it) {
            (*it)->release();
        }
        // The releases may have run a destructor that deleted the entry already.
        if (elements_[elementIndex].node) {
            deleteOrSalvage(elementIndex);
        }
    }
    compactIfSparse();
}

void CCActionManager::removeAction(const CCAction* action)
{
    if (!action) {
        return;
    }
    const auto known = targets_.find(action->originalTarget());
    if (known == targets_.end()) {
        return;
    }
    const uint32_t elementIndex = known->second;
    const Element& element = elements_[elementIndex];
    const ActionSlot* slots = element.actions();
    for (uint32_t i = 0; i < element.actionCount(); ++i) {
        if (slots[i].action == action) {
            removeActionAtIndex(i, elementIndex);
            return;
        }
    }
}

void CCActionManager::removeActionByTag(int tag, const CCNode* target)
{
    const auto known = targets_.find(target);
    if (known == targets_.end()) {
        return;
    }
    const uint32_t elementIndex = known->second;
    const Element& element = elements_[elementIndex];
    const ActionSlot* slots = element.actions();
    for (uint32_t i = 0; i < element.actionCount(); ++i) {
        const CCAction* action = slots[i].action;
        if (action->tag() == tag && action->originalTarget() == target) {
            removeActionAtIndex(i, elementIndex);
            return;
        }
    }
}

// ---------------------------------------------------------------- queries

CCAction* CCActionManager::getActionByTag(int tag, const CCNode* target) const
{
    const auto known = targets_.find(target);
    if (known == targets_.end()) {
        return nullptr;
    }
    const Element& element = elements_[known->second];
    const ActionSlot* slots = element.actions();
    for (uint32_t i = 0; i < element.actionCount(); ++i) {
        if (slots[i].action->tag() == tag) {
            return slots[i].action;
        }
    }
    return nullptr;
}

uint32_t CCActionManager::numberOfRunningActionsInTarget(const CCNode* target) const
{
    const auto known = targets_.find(target);
    return known == targets_.end() ? 0 : elements_[known->second].actionCount();
}

void CCActionManager::pauseTarget(const CCNode* target)
{
    if (const auto known = targets_.find(target); known != targets_.end()) {
        elements_[known->second].setPaused(true);
    }
}

void CCActionManager::resumeTarget(const CCNode* target)
{
    if (const auto known = targets_.find(target); known != targets_.end()) {
        elements_[known->second].setPaused(false);
    }
}

// ---------------------------------------------------------------- entries

void CCActionManager::Element::addAction(const ActionSlot& slot)
{
    if (actionCount_ == 0) {
        first_ = slot;
    } else {
        if (!spilled_) {
            spilled_ = std::make_unique<std::vector<ActionSlot>>(1, first_);
            first_ = {nullptr, false};
        }
        spilled_->push_back(slot);
    }
    ++actionCount_;
    updateWalk();
}

void CCActionManager::Element::removeAction(uint32_t index)
{
    --actionCount_;
    if (spilled_) {
        spilled_->erase(spilled_->begin() + index);
        // Back in place once one is left, where the walk looks for it.
        if (actionCount_ == 1) {
            first_ = spilled_->front();
            spilled_.reset();
        }
    } else {
        first_ = {nullptr, false};
    }
    updateWalk();
}

std::vector<CCAction*> CCActionManager::Element::takeActions()
{
    std::vector<CCAction*> taken;
    if (actionCount_ != 0) {
        taken.reserve(actionCount_);
        const ActionSlot* slots = actions();
        for (uint32_t i = 0; i < actionCount_; ++i) {
            taken.push_back(slots[i].action);
        }
    }
    first_ = {nullptr, false};
    spilled_.reset();
    actionCount_ = 0;
    updateWalk();
    return taken;
}

void CCActionManager::Element::bury()
{
    node = nullptr;
    paused_ = true;
    updateWalk();
}

void CCActionManager::Element::updateWalk()
{
    if (paused_ || actionCount_ == 0) {
        // An entry without actions is reached only while it is being
        // deleted, or salvaged and so skipped by the walk that salvaged it.
        walk_ = Walk::Skip;
    } else if (actionCount_ == 1 && first_.intervalTiming) {
        walk_ = Walk::OneInterval;
    } else {
        walk_ = Walk::Other;
    }
}

} // namespace mw
