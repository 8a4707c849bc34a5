#pragma once

#include <cstdint>
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
    // Entries live in one contiguous vector, walked in order by update.
    // Deleting one leaves a tombstone (null node) in place; tombstones are
    // squeezed out only while no code holds an entry's index across a call
    // that may reach back into the manager. The table maps a node to its
    // entry's index; each entry points back at its table value (values of an
    // unordered_map never move) to renumber it.
    struct Element {
        std::vector<CCAction*> actions;  // each retained
        uint32_t stepIndex = 0;
        bool stepActionSalvaged = false;
        bool paused = false;
        CCNode* node = nullptr;  // retained; null for a tombstone
        CCAction* stepAction = nullptr;
        uint32_t* tableIndex = nullptr;  // the table's value for the node
    };
    static constexpr uint32_t kNoElement = UINT32_MAX;

    // Marks a stretch of code that holds entry indices.
    class IndexHold {
    public:
        explicit IndexHold(CCActionManager& manager) : manager_(manager) { ++manager_.indexHolds_; }
        ~IndexHold() { --manager_.indexHolds_; }
        IndexHold(const IndexHold&) = delete;
        IndexHold& operator=(const IndexHold&) = delete;

    private:
        CCActionManager& manager_;
    };

    void stepActionsOf(uint32_t elementIndex, float dt);
    void removeActionAtIndex(uint32_t index, uint32_t elementIndex);
    void deleteElement(uint32_t elementIndex);
    void deleteOrSalvage(uint32_t elementIndex);
    // The first live entry at or after the index (the size when none).
    uint32_t nextLiveFrom(uint32_t index) const;
    void compactIfSparse();
    void compact();

    std::vector<Element> elements_;  // order of addition, walked by update
    uint32_t tombstones_ = 0;
    uint32_t indexHolds_ = 0;
    std::unordered_map<const CCNode*, uint32_t> targets_;
    uint32_t currentTarget_ = kNoElement;  // index of the entry being stepped
    bool currentTargetSalvaged_ = false;
};

} // namespace mw
