#include "engine/actions/CCActionManager.h"

#include <algorithm>

#include "engine/actions/CCAction.h"
#include "engine/nodes/CCNode.h"
#include "engine/scheduler/CCScheduler.h"
#include "foundation/Shared.h"

namespace mw {

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
        Element element;
        element.node = target;
        element.paused = paused;
        element.tableIndex = &known->second;
        element.actions.reserve(4);
        elements_.push_back(std::move(element));
    }
    action->retain();
    elements_[known->second].actions.push_back(action);
    action->startWithTarget(target);
}

void CCActionManager::update(float dt)
{
    const Ref<CCActionManager> keepAlive(this); // a purge during the step must not free it
    {
        const IndexHold hold(*this);
        // The size is re-read every round: entries added during the walk are
        // reached in this frame; deleted ones stay as tombstones until after it.
        for (uint32_t index = 0; index < elements_.size(); ++index) {
            if (!elements_[index].node) {
                continue;
            }
            currentTarget_ = index;
            currentTargetSalvaged_ = false;
            if (!elements_[index].paused) {
                stepActionsOf(index, dt);
            }
            if (currentTargetSalvaged_ && elements_[index].actions.empty()) {
                deleteElement(index);
            }
        }
        currentTarget_ = kNoElement;
    }
    if (indexHolds_ == 0) {
        compact();
    }
}

// Forced into update: the call's set-up costs as much as stepping an action.
[[gnu::always_inline]] inline void CCActionManager::stepActionsOf(uint32_t elementIndex, float dt)
{
    // The count is read anew every pass, so actions added during the walk
    // are stepped in this frame; removals move stepIndex back (an unsigned
    // wrap from 0 is undone by the increment). The entry is looked up anew
    // after every call into an action: adding a node may move the vector.
    for (elements_[elementIndex].stepIndex = 0;
         elements_[elementIndex].stepIndex < elements_[elementIndex].actions.size();
         ++elements_[elementIndex].stepIndex) {
        Element& element = elements_[elementIndex];
        CCAction* action = element.actions[element.stepIndex];
        element.stepAction = action;
        element.stepActionSalvaged = false;

        action->step(dt);

        if (elements_[elementIndex].stepActionSalvaged) {
            // Removed during its own step: end the hold taken at removal.
            action->release();
        } else if (action->isDone()) {
            action->stop();
            Element& after = elements_[elementIndex];
            after.stepAction = nullptr;
            // Removed from the list it is stepped in, whatever its original
            // target says: an action that drives another node (a targeted
            // action run directly) would otherwise be looked up in that
            // node's list, never found, and stepped for ever.
            if (after.stepIndex < after.actions.size() && after.actions[after.stepIndex] == action) {
                removeActionAtIndex(after.stepIndex, elementIndex);
            } else {
                removeAction(action);
            }
        }
        elements_[elementIndex].stepAction = nullptr;
    }
}

void CCActionManager::removeActionAtIndex(uint32_t index, uint32_t elementIndex)
{
    {
        const IndexHold hold(*this);
        Element& element = elements_[elementIndex];
        CCAction* action = element.actions[index];
        if (action == element.stepAction && !element.stepActionSalvaged) {
            // It is executing its own step and must outlive it.
            action->retain();
            element.stepActionSalvaged = true;
        }
        element.actions.erase(element.actions.begin() + index);
        if (element.stepIndex >= index) {
            --element.stepIndex;
        }
        action->release();
        // The release may have run a destructor that deleted the entry already.
        const Element& after = elements_[elementIndex];
        if (after.node && after.actions.empty()) {
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
    std::vector<CCAction*> remaining;
    remaining.swap(element.actions);
    element.node = nullptr;
    element.tableIndex = nullptr;
    ++tombstones_;
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
    for (uint32_t i = 0; i < elements_.size(); ++i) {
        *elements_[i].tableIndex = i;
    }
    tombstones_ = 0;
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
        if (element.stepAction && !element.stepActionSalvaged) {
            for (CCAction* action : element.actions) {
                if (action == element.stepAction) {
                    element.stepAction->retain();
                    element.stepActionSalvaged = true;
                    break;
                }
            }
        }
        std::vector<CCAction*> removed;
        removed.swap(element.actions);
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
    const std::vector<CCAction*>& actions = elements_[elementIndex].actions;
    for (uint32_t i = 0; i < actions.size(); ++i) {
        if (actions[i] == action) {
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
    const std::vector<CCAction*>& actions = elements_[elementIndex].actions;
    for (uint32_t i = 0; i < actions.size(); ++i) {
        const CCAction* action = actions[i];
        if (action->tag() == tag && action->originalTarget() == target) {
            removeActionAtIndex(i, elementIndex);
            return;
        }
    }
}

CCAction* CCActionManager::getActionByTag(int tag, const CCNode* target) const
{
    const auto known = targets_.find(target);
    if (known == targets_.end()) {
        return nullptr;
    }
    for (CCAction* action : elements_[known->second].actions) {
        if (action->tag() == tag) {
            return action;
        }
    }
    return nullptr;
}

uint32_t CCActionManager::numberOfRunningActionsInTarget(const CCNode* target) const
{
    const auto known = targets_.find(target);
    return known == targets_.end() ? 0 : static_cast<uint32_t>(elements_[known->second].actions.size());
}

void CCActionManager::pauseTarget(const CCNode* target)
{
    if (const auto known = targets_.find(target); known != targets_.end()) {
        elements_[known->second].paused = true;
    }
}

void CCActionManager::resumeTarget(const CCNode* target)
{
    if (const auto known = targets_.find(target); known != targets_.end()) {
        elements_[known->second].paused = false;
    }
}

} // namespace mw
