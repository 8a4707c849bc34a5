#pragma once

#include <cstdint>
#include <memory>
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
    // Deleting one leaves a tombstone (null node, paused) in place;
    // tombstones are squeezed out only while no code holds an entry's index
    // across a call that may reach back into the manager. The table maps a
    // node to its entry's index.
    //
    // changes_ counts every change to the storage's shape (an addition, a
    // removal, a deletion, a squeeze). The walk keeps pointers into it
    // across a step and re-reads them only when the count moved during it.
    struct ActionSlot {
        CCAction* action;  // retained
        // Its class keeps CCActionInterval's step and isDone: the walk runs
        // them through direct calls.
        bool intervalTiming;
    };
    // A node's actions in order of addition, and its paused flag. Most nodes
    // run one action at a time: it is kept in the entry itself, so a walk
    // over such nodes reads no memory but the entry and the action.
    class Element {
    public:
        // What the walk does with an entry, kept up to date by every change
        // so that one test decides it.
        enum class Walk : uint8_t {
            Skip,            // paused, or a tombstone
            OneInterval,     // one action, with CCActionInterval's timing
            Other,
        };

        Element(CCNode* node, bool paused) : node(node), paused_(paused) { updateWalk(); }

        ActionSlot* actions() { return spilled_ ? spilled_->data() : &first_; }
        const ActionSlot* actions() const { return spilled_ ? spilled_->data() : &first_; }
        uint32_t actionCount() const { return actionCount_; }
        // The action of an entry that has exactly one (null otherwise).
        const ActionSlot& onlyAction() const { return first_; }
        void addAction(const ActionSlot& slot);
        // Later actions move down one place.
        void removeAction(uint32_t index);
        // Empties the list and hands its actions over, in order, to be
        // released by the caller: releasing one may run a destructor that
        // reaches back into the manager, which must find the list as it is
        // after the removal.
        std::vector<CCAction*> takeActions();
        bool paused() const { return paused_; }
        void setPaused(bool paused)
        {
            paused_ = paused;
            updateWalk();
        }
        Walk walk() const { return walk_; }
        // Makes the entry a tombstone.
        void bury();

        CCNode* node;  // retained; null for a tombstone

    private:
        void updateWalk();

        ActionSlot first_{nullptr, false};  // the only action; null when there is none or several
        // Every action, while there are two or more.
        std::unique_ptr<std::vector<ActionSlot>> spilled_;
        uint32_t actionCount_ = 0;
        bool paused_;
        Walk walk_ = Walk::Skip;
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

    // How a step ended, as far as the walk is concerned.
    enum class StepEnd : uint8_t {
        Running,   // nothing changed the storage and the action is not done
        Done,      // nothing changed the storage and the action is done
        Reshaped,  // the storage changed during the step (the action may be gone)
    };
    StepEnd stepAction(CCAction* action, bool intervalTiming, float dt, uint64_t seen);
    // After a step that did not end Running: ends the hold of an action
    // removed during its step, or stops and removes a finished one.
    void endStep(uint32_t elementIndex, CCAction* action, bool intervalTiming, StepEnd end);
    void stepActionsFrom(uint32_t elementIndex, uint32_t first, float dt);
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
    // The current entry lost all its actions during its stepping and is to be
    // deleted after it (unless it gained new ones); cleared by the walk as
    // soon as it has seen it.
    bool currentTargetSalvaged_ = false;
    // The current entry's action being stepped and its index (removals at
    // or before it move it back; from 0 it wraps and the walk's increment
    // undoes it). Only meaningful while currentTarget_ is set; between steps
    // it may still name the last one stepped, as no code runs there that
    // could remove an action of the current entry.
    CCAction* stepAction_ = nullptr;
    uint32_t stepIndex_ = 0;
    // The step action was removed during its own step and is held until the
    // step returns; cleared by the walk as soon as it has seen it.
    bool stepActionSalvaged_ = false;
    uint64_t changes_ = 0;
};

} // namespace mw
