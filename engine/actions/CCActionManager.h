#pragma once

#include <cstdint>
#include <list>
#include <unordered_map>
#include <vector>

#include "foundation/Object.h"
#include "foundation/Ref.h"

namespace mw {

class CCAction;
class CCNode;

// The single registry of running actions: for every node that runs actions,
// the node's actions in order of addition and a paused flag. It is stepped by
// the shared scheduler as a per-frame update of priority 0.
//
// The manager retains each node while it has actions and each action while
// it is listed. Any action may, during its own step, remove itself, remove
// other actions of any node, remove all actions of its own node or add new
// ones: the per-frame walk keeps its place, no removed action is stepped
// again, and an action removed during its own step lives until the step
// returns. Nodes are keyed by their full address.
class CCActionManager : public Object {
public:
    // Registers with the shared scheduler (priority 0, not paused).
    CCActionManager();
    ~CCActionManager() override;

    // The one manager, created on first use.
    static CCActionManager* sharedManager();
    // Takes the shared manager out of the scheduler and drops it; the next
    // sharedManager() makes a fresh, empty one.
    static void purgeSharedManager();

    // Lists the action (retained) for the node and starts it at once. A new
    // node entry takes the paused flag; an existing entry keeps its own.
    // The same action object added twice is listed twice. Nulls are ignored.
    void addAction(CCAction* action, CCNode* target, bool paused);
    void removeAllActions();
    // Null and unknown nodes are ignored; safe during the node's own stepping.
    void removeAllActionsFromTarget(const CCNode* target);
    // Removes the action from its original target's list; unknown ones are ignored.
    void removeAction(const CCAction* action);
    // Removes the node's first action with the tag (and the node as original target).
    void removeActionByTag(int tag, const CCNode* target);
    // The node's first action with the tag, or null.
    CCAction* getActionByTag(int tag, const CCNode* target) const;
    // 0 for a node without actions.
    uint32_t numberOfRunningActionsInTarget(const CCNode* target) const;
    // A paused node's actions keep their state and are not stepped. Unknown
    // nodes are ignored.
    void pauseTarget(const CCNode* target);
    void resumeTarget(const CCNode* target);

    // Steps every action of every unpaused node once (the scheduler calls it).
    void update(float dt);

private:
    struct Element {
        std::vector<CCAction*> actions;  // each retained
        uint32_t stepIndex = 0;
        bool stepActionSalvaged = false;
        bool paused = false;
        CCNode* node = nullptr;  // retained
        CCAction* stepAction = nullptr;
    };
    using Elements = std::list<Element>;

    void stepActionsOf(Element& element, float dt);
    void removeActionAtIndex(uint32_t index, Element& element);
    void deleteElement(Elements::iterator element);
    void deleteOrSalvage(Element& element);

    Elements elements_;  // order of addition, walked by update
    std::unordered_map<const CCNode*, Elements::iterator> targets_;
    Element* currentTarget_ = nullptr;
    bool currentTargetSalvaged_ = false;
};

} // namespace mw
