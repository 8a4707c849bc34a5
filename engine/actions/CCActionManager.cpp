#include "engine/actions/CCActionManager.h"

#include "engine/actions/CCAction.h"
#include "engine/nodes/CCNode.h"
#include "engine/scheduler/CCScheduler.h"

namespace mw {

namespace {
Ref<CCActionManager>& sharedManagerSlot()
{
    static Ref<CCActionManager> shared;
    return shared;
}
} // namespace

CCActionManager* CCActionManager::sharedManager()
{
    Ref<CCActionManager>& shared = sharedManagerSlot();
    if (!shared) {
        shared = makeRef<CCActionManager>();
    }
    return shared.get();
}

void CCActionManager::purgeSharedManager()
{
    Ref<CCActionManager>& shared = sharedManagerSlot();
    if (shared) {
        CCScheduler::sharedScheduler()->unscheduleUpdateForTarget(shared.get());
        shared = nullptr;
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
    auto known = targets_.find(target);
    if (known == targets_.end()) {
        target->retain();
        Element element;
        element.node = target;
        element.paused = paused;
        element.actions.reserve(4);
        elements_.push_back(std::move(element));
        known = targets_.emplace(target, std::prev(elements_.end())).first;
    }
    action->retain();
    known->second->actions.push_back(action);
    action->startWithTarget(target);
}

void CCActionManager::update(float dt)
{
    const Ref<CCActionManager> keepAlive(this); // a purge during the step must not free it
    for (auto it = elements_.begin(); it != elements_.end();) {
        currentTarget_ = &*it;
        currentTargetSalvaged_ = false;
        if (!it->paused) {
            stepActionsOf(*it, dt);
        }
        // Taken after the stepping: entries deleted meanwhile are unlinked already.
        const auto next = std::next(it);
        if (currentTargetSalvaged_ && it->actions.empty()) {
            deleteElement(it);
        }
        it = next;
    }
    currentTarget_ = nullptr;
}

void CCActionManager::stepActionsOf(Element& element, float dt)
{
    // The count is read anew every pass, so actions added during the walk
    // are stepped in this frame; removals move stepIndex back (an unsigned
    // wrap from 0 is undone by the increment).
    for (element.stepIndex = 0; element.stepIndex < element.actions.size(); ++element.stepIndex) {
        element.stepAction = element.actions[element.stepIndex];
        element.stepActionSalvaged = false;

        element.stepAction->step(dt);

        if (element.stepActionSalvaged) {
            // Removed during its own step: end the hold taken at removal.
            element.stepAction->release();
        } else if (element.stepAction->isDone()) {
            CCAction* finished = element.stepAction;
            finished->stop();
            element.stepAction = nullptr;
            // Removed from the list it is stepped in, whatever its original
            // target says: an action that drives another node (a targeted
            // action run directly) would otherwise be looked up in that
            // node's list, never found, and stepped for ever.
            if (element.stepIndex < element.actions.size() && element.actions[element.stepIndex] == finished) {
                removeActionAtIndex(element.stepIndex, element);
            } else {
                removeAction(finished);
            }
        }
        element.stepAction = nullptr;
    }
}

void CCActionManager::removeActionAtIndex(uint32_t index, Element& element)
{
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
    if (element.actions.empty()) {
        deleteOrSalvage(element);
    }
}

void CCActionManager::deleteOrSalvage(Element& element)
{
    if (currentTarget_ == &element) {
        currentTargetSalvaged_ = true;
    } else {
        deleteElement(targets_.at(element.node));
    }
}

void CCActionManager::deleteElement(Elements::iterator element)
{
    CCNode* node = element->node;
    std::vector<CCAction*> remaining;
    remaining.swap(element->actions);
    targets_.erase(node);
    elements_.erase(element);
    // Released last: their destructors may reach back into the manager.
    for (auto it = remaining.rbegin(); it != remaining.rend(); ++it) {
        (*it)->release();
    }
    node->release();
}

void CCActionManager::removeAllActions()
{
    for (auto it = elements_.begin(); it != elements_.end();) {
        const auto next = std::next(it);
        removeAllActionsFromTarget(it->node);
        it = next;
    }
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
    Element& element = *known->second;
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
    deleteOrSalvage(element);
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
    Element& element = *known->second;
    for (uint32_t i = 0; i < element.actions.size(); ++i) {
        if (element.actions[i] == action) {
            removeActionAtIndex(i, element);
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
    Element& element = *known->second;
    for (uint32_t i = 0; i < element.actions.size(); ++i) {
        const CCAction* action = element.actions[i];
        if (action->tag() == tag && action->originalTarget() == target) {
            removeActionAtIndex(i, element);
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
    for (CCAction* action : known->second->actions) {
        if (action->tag() == tag) {
            return action;
        }
    }
    return nullptr;
}

uint32_t CCActionManager::numberOfRunningActionsInTarget(const CCNode* target) const
{
    const auto known = targets_.find(target);
    return known == targets_.end() ? 0 : static_cast<uint32_t>(known->second->actions.size());
}

void CCActionManager::pauseTarget(const CCNode* target)
{
    if (const auto known = targets_.find(target); known != targets_.end()) {
        known->second->paused = true;
    }
}

void CCActionManager::resumeTarget(const CCNode* target)
{
    if (const auto known = targets_.find(target); known != targets_.end()) {
        known->second->paused = false;
    }
}

} // namespace mw
