#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "engine/touch/CCHandlersToDo.h"
#include "engine/touch/CCTouchDelegateProtocol.h"
#include "engine/touch/CCTouchHandler.h"
#include "engine/support/CCArray.h"
#include "foundation/Object.h"
#include "foundation/Ref.h"
#include "platform/TouchDelegate.h"

namespace mw {

class CCTargetedTouchHandler;

// Orders two handlers for a re-sort or an insertion: gets pointers to the two
// list slots (each an Object* holding a CCTouchHandler; read them with
// CCTouchDispatcher::handlerInSlot) and returns -1 when the first handler goes
// before the second. The same function serves the engine array's sorts.
using CCTouchHandlerComparator = CCArray::SlotComparator;

// Hands the four touch phases of the GL view to registered delegates.
//
// Two lists: targeted handlers are offered one touch at a time (highest
// priority value first), may claim it at began and may swallow it; standard
// handlers then get the touches left, as one set (lowest priority value first).
// Anything that would change list order or membership while an event is being
// delivered (additions, removals, re-sorts, settings) is held back and applied,
// in a fixed order, once the event is done; field values change at once.
//
// Operations with a `type` work on one list: 1 the standard list, anything
// else the targeted list. Selections use field codes (CCTouchField), operator
// codes (CCTouchOperator) and alteration codes (CCTouchAlteration).
class CCTouchDispatcher : public Object, public TouchDelegate {
public:
    // Field codes: which handler field a selection reads.
    enum CCTouchField : int32_t {
        kFieldDelegate = 0,        // the handlers of one delegate (identity)
        kFieldPriority = 1,
        kFieldTag = 2,
        kFieldDisable = 3,
        kFieldRemove = 4,
        kFieldSwallows = 5,        // targeted list only
        kFieldPriorityDelayed = 6, // reads priority, as 1
        kFieldRemoveDelayed = 7,   // reads the removal mark, as 4
        kFieldNotRemoved = 8,      // every handler not marked for removal
        kFieldAll = 9,
        kFieldDebugAll = 10,
    };
    // Alteration codes: what happens to each selected handler.
    enum CCTouchAlteration : int32_t {
        kAlterPriority = 1,        // re-sort at once (after the event while delivering)
        kAlterTag = 2,
        kAlterDisable = 3,
        kAlterRemove = 4,          // take out at once (after the event while delivering)
        kAlterSwallows = 5,
        kAlterPriorityDelayed = 6, // re-sort after the next delivered event
        kAlterRemoveDelayed = 7,   // take out after the next delivered event
        kAlterCount = 8,           // count handlers not marked for removal
        kAlterCountAll = 9,
        kAlterDebug = 10,
    };
    // Sort algorithms for re-sorting a list.
    enum CCTouchSort : int32_t { kSortInsertion = 0, kSortQuick = 1, kSortMerge = 2, kSortNone = 3 };

    static constexpr int32_t kNotFound = 2147483647;

    // A fresh dispatcher with empty lists and delivery on. Resets the
    // process-wide priority direction to ascending.
    CCTouchDispatcher();
    ~CCTouchDispatcher() override;

    // The one dispatcher of the program, made on first use.
    static CCTouchDispatcher* sharedDispatcher();
    // Removes every delegate and drops the shared dispatcher; an event being
    // delivered is finished first, as removals always wait for it. The next
    // sharedDispatcher() makes a fresh one.
    static void purgeSharedDispatcher();

    // --- Events. Delivers the touches of one phase: the targeted pass, then
    // the standard pass (the other way round with processStandardHandlersFirst).
    // Dropped while dispatchEvents() is off; a Stationary phase delivers nothing.
    // A delegate may feed a further event in from its callback: it is delivered
    // at once, inside the outer one, and the lists still wait for the outer
    // event to end before they change.
    void touches(const UITouchSet& touches, const UIEvent& event, UITouchPhase phase) override;

    bool dispatchEvents() const { return dispatchEvents_; }
    void setDispatchEvents(bool dispatch) { dispatchEvents_ = dispatch; }
    // True while an event is being delivered.
    bool locked() const { return lockDepth_ > 0; }

    // --- Registration. Every call adds a further handler, even for a delegate
    // already registered; a delegate may stand in both lists.
    void addTargetedDelegate(CCTargetedTouchDelegate* delegate, int32_t priority, bool swallowsTouches);
    void addTargetedDelegate(CCTargetedTouchDelegate* delegate, int32_t priority, bool swallowsTouches,
                             int32_t tag, int32_t disable, int32_t doNotSort);
    void addStandardDelegate(CCStandardTouchDelegate* delegate, int32_t priority);
    void addStandardDelegate(
        CCStandardTouchDelegate* delegate, int32_t priority, int32_t tag, int32_t disable, int32_t doNotSort);
    // Adds a handler to list `type` (queued while delivering); null is ignored.
    // doNotSort non-zero appends instead of inserting by priority.
    void add(CCTouchHandler* handler, int32_t doNotSort, int32_t type);

    // --- Removal. Results: handlers marked (live plus pending), -1 where stated.
    void removeDelegate(CCTouchDelegate* delegate);
    int32_t removeDelegate(CCTouchDelegate* delegate, bool delay, int32_t type);
    int32_t setRemove(CCTouchDelegate* delegate, bool delay, int32_t type);
    int32_t removeDelegatesWithPriority(int32_t priority, bool delay, int32_t type);
    int32_t removeDelegatesWithTag(int32_t tag, bool delay, int32_t type);
    // Field 0 (by delegate) is refused with -1.
    int32_t removeDelegatesWithField(int32_t field, int32_t arg1, int32_t arg2, int32_t op, bool delay,
                                     int32_t type);
    void removeAllDelegates();
    // Empties the list at once and returns how many it held; while delivering,
    // marks every handler instead and they go right after the event.
    int32_t removeAllDelegates(int32_t type);

    // --- Priority, tag, disable. Results: handlers changed or counted.
    // Gives every handler of the delegate, in both lists, the priority.
    void setPriority(int32_t priority, CCTouchDelegate* delegate);
    int32_t setPriority(int32_t priority, CCTouchDelegate* delegate, bool delay, int32_t type);
    int32_t setPriorityForTag(int32_t tag, int32_t newPriority, bool delay, int32_t type);
    int32_t setTagForPriority(int32_t priority, int32_t newTag, int32_t type);
    int32_t setTag(int32_t tag, CCTouchDelegate* delegate, int32_t type);
    int32_t setDisable(int32_t disable, CCTouchDelegate* delegate, int32_t type);
    int32_t setField(int32_t alteration, int32_t value, CCTouchDelegate* delegate, int32_t type);
    int32_t setDelegatesField(int32_t alteration, int32_t value, int32_t ifField, int32_t arg1, int32_t arg2,
                              int32_t op, int32_t type);
    int32_t disableDelegate(CCTouchDelegate* delegate, int32_t disable, int32_t type);
    int32_t disableDelegatesWithPriority(int32_t priority, int32_t disable, int32_t type);
    int32_t disableDelegatesWithTag(int32_t tag, int32_t disable, int32_t type);
    int32_t disableAllDelegates(int32_t disable, int32_t type);
    int32_t disableRemovedDelegates(int32_t disable, int32_t type);
    int32_t disableDelegatesWithField(int32_t field, int32_t arg1, int32_t arg2, int32_t op, int32_t disable,
                                      int32_t type);

    // The general selection and alteration: selects the handlers of list
    // `type` (live, then pending) whose field passes the operator, applies the
    // alteration and returns live plus pending counts; -1 for field 0 with a
    // null delegate.
    int32_t alterTouchHandler(int32_t type, CCTouchDelegate* delegate, int32_t fieldToSearch, int32_t arg1,
                              int32_t arg2, int32_t op, int32_t fieldToAlter, int32_t value);

    // --- Queries and counts.
    // The field of the delegate's first live handler, overridden by its pending
    // additions (the last one wins); kNotFound when it has none.
    int32_t retrieveField(int32_t field, CCTouchDelegate* delegate, int32_t type) const;
    int32_t retrievePriorityField(CCTouchDelegate* delegate, int32_t type) const;
    int32_t retrieveTagField(CCTouchDelegate* delegate, int32_t type) const;
    int32_t retrieveDisableField(CCTouchDelegate* delegate, int32_t type) const;
    // Handlers not marked for removal (live plus pending) matching the value.
    int32_t countFieldUsage(int32_t field, int32_t value, int32_t type);
    int32_t countPriorityUsage(int32_t priority, int32_t type);
    int32_t countTagUsage(int32_t tag, int32_t type);
    int32_t countDisableUsage(int32_t disable, int32_t type);
    int32_t countDelegateUsage(CCTouchDelegate* delegate, int32_t type);
    int32_t countDelegatesUsage(int32_t type);

    // --- Settings. While delivering, a setter queues its value for after the
    // event and the getter answers the queued value.
    bool processStandardHandlersFirst() const;
    void setProcessStandardHandlersFirst(bool first);
    // 0 insertion sort, 1 quicksort, 2 merge sort, 3 never re-sort; others act as 0.
    int32_t sortingAlgorithm() const;
    void setSortingAlgorithm(int32_t algorithm);
    // Process-wide: true keeps the lists descending by priority. Changing it
    // does not re-sort; it affects later insertions and re-sorts.
    bool reversePriority() const;
    void setReversePriority(bool reverse);
    // Replaces the priority order for insertions and re-sorts; null for none.
    CCTouchHandlerComparator usersComparator() const;
    void setUsersComparator(CCTouchHandlerComparator comparator);

    // --- Debug listing: visits every live and pending handler of list 0 or 1
    // through the per-entry hooks and returns their number (0 for other types).
    int32_t printDebugLog(int32_t format, int32_t type);
    // With afterEvents while delivering, queues the listing and returns -1.
    int32_t printDebugLog(int32_t format, bool afterEvents, int32_t type);

    // Read-only views for inspection, in list order.
    int32_t handlerCount(int32_t type) const;
    CCTouchHandler* handlerAt(int32_t type, int32_t index) const;
    int32_t pendingCount() const;

    // The priority order used when no comparator is set.
    static int sortByPriority(const void* firstSlot, const void* secondSlot);
    // The handler held by a list slot that a comparator was given.
    static CCTouchHandler* handlerInSlot(const void* slot)
    {
        return static_cast<CCTouchHandler*>(*static_cast<Object* const*>(slot));
    }

protected:
    // Per-entry hooks of the debug listing; they print nothing here.
    virtual void debugLog(int32_t format, int32_t nr, CCTouchHandler* handler) {}
    virtual void debugLog(int32_t format, int32_t nr, CCHandlersToDo* handlerToDo) {}

private:
    using HandlerList = CCArray;

    // What a phase calls on the two delegate kinds, and its phase bit.
    struct HandlerHelperData {
        void (CCStandardTouchDelegate::*touchesSel)(const UITouchSet&, const UIEvent&);
        void (CCTargetedTouchDelegate::*touchSel)(UITouch*, const UIEvent&);  // null for began
        int32_t type;
    };

    // The state of one delivery, kept on its own stack frame so that a nested
    // delivery cannot disturb the outer one: the phase, the list sizes taken
    // at its start (the lists do not change while locked) and, when both
    // lists are in use, the copy of the set that swallowed touches are taken
    // out of before the standard pass.
    struct Delivery {
        const HandlerHelperData& helper;
        uint32_t targetedCount;
        uint32_t standardCount;
        std::optional<UITouchSet> unswallowed;
    };

    // Requests held back while delivering.
    struct ActionToDo {
        int32_t targetedRemoval = 0;
        int32_t standardRemoval = 0;
        bool processStandardHandlersFirstFlag = false;
        bool processStandardHandlersFirstArg = false;
        bool sortingAlgorithmFlag = false;
        int32_t sortingAlgorithmArg = 0;
        bool reversePriorityFlag = false;
        bool reversePriorityArg = false;
        bool usersComparatorFlag = false;
        CCTouchHandlerComparator usersComparatorArg = nullptr;
        int32_t targetedPriority = 0;
        int32_t standardPriority = 0;
        bool targetedDebugLogFlag = false;
        int32_t targetedDebugLogArg = 0;
        bool standardDebugLogFlag = false;
        int32_t standardDebugLogArg = 0;
    };

    HandlerList& arrayForType(int32_t type);
    const HandlerList& arrayForType(int32_t type) const;
    static int32_t toDoAddType(int32_t type) { return type == 1 ? 1 : 0; }

    void safelyAddHandler(CCTouchHandler* handler, int32_t doNotSort, int32_t type);
    void forceAddHandler(CCTouchHandler* handler, int32_t doNotSort, int32_t type);
    int32_t forceRemoveAllObjects(int32_t type);
    void forceRemoveMarkedDelegates();
    void removeToDoDelegates(int32_t type);
    void forceRemoveOfMarkedHandlers(int32_t type, int32_t nrOfObjects);
    void sortDelegates(int32_t type);
    void forceSetPriority();
    void rearrangeHandlers(HandlerList& list);

    const HandlerHelperData* helperFor(UITouchPhase phase) const;
    void processTargetedHandlers(Delivery& delivery, const UITouchSet& touches, const UIEvent& event);
    static void swallow(Delivery& delivery, UITouch* touch);
    // True when the handler took the touch: claimed it at began, or holds its claim.
    static bool deliverToTargeted(const HandlerHelperData& helper, CCTargetedTouchHandler& handler,
                                  UITouch* touch, const UIEvent& event);
    void processStandardHandlers(const Delivery& delivery, const UITouchSet& touches, const UIEvent& event);
    void safeProcessing();
    void processCallbackRequestsToTheDispatcher();

    bool selects(const CCTouchHandler& handler, bool standardList, CCTouchDelegate* delegate, int32_t field,
                 int32_t arg1, int32_t arg2, int32_t op) const;
    int32_t alterHandler(
        CCTouchHandler& handler, bool standardList, int32_t action, int32_t value, int32_t nr);
    int32_t alterToDoHandler(
        CCHandlersToDo& toDo, bool standardList, int32_t action, int32_t value, int32_t nr);
    void actionProcessing(int32_t type, int32_t action, int32_t liveCount);
    static int32_t readField(const CCTouchHandler& handler, bool standardList, int32_t field);

    Ref<CCArray> targetedHandlers_;
    Ref<CCArray> standardHandlers_;
    Ref<CCArray> handlersToDo_;  // of CCHandlersToDo, in request order
    bool dispatchEvents_ = true;
    bool processStandardHandlersFirst_ = false;
    // Nesting depth of deliveries: a delegate that feeds an event back in
    // (a test driver, a replay) must not unlock the outer walk.
    int32_t lockDepth_ = 0;
    ActionToDo actionToDo_;
    int32_t sortingAlgorithm_ = kSortInsertion;
    CCTouchHandlerComparator usersComparator_ = nullptr;
    HandlerHelperData handlerHelperData_[4];  // began, moved, ended, cancelled
};

} // namespace mw
