#include "engine/touch/CCTouchDispatcher.h"

#include <algorithm>
#include <cstdlib>

#include "engine/touch/CCStandardTouchHandler.h"
#include "engine/touch/CCTargetedTouchHandler.h"
#include "foundation/Shared.h"

namespace mw {

namespace {

// The priority direction is one value for the whole process because the
// plain comparison function sortByPriority has no dispatcher to ask.
bool gReversePriority = false;

constexpr int32_t kPhaseEndedOrCancelled = kCCTouchEndedBit | kCCTouchCancelledBit;

// The operator table: v compared with arg1 and, for the joined forms, arg2.
bool evaluate(int32_t v, int32_t arg1, int32_t arg2, int32_t op)
{
    switch (op) {
    case 1: return true;
    case 2: return v != arg1;
    case 3: return v == arg1;
    case 4: return v >= arg1;
    case 5: return v > arg1;
    case 6: return v <= arg1;
    case 7: return v < arg1;
    case 8: return v >= arg1 && v <= arg2;
    case 9: return v >= arg1 && v < arg2;
    case 10: return v > arg1 && v <= arg2;
    case 11: return v > arg1 && v < arg2;
    case 12: return v <= arg1 && v >= arg2;
    case 13: return v <= arg1 && v > arg2;
    case 14: return v < arg1 && v >= arg2;
    case 15: return v < arg1 && v > arg2;
    case 16: return v >= arg1 || v <= arg2;
    case 17: return v >= arg1 || v < arg2;
    case 18: return v > arg1 || v <= arg2;
    case 19: return v > arg1 || v < arg2;
    case 20: return v <= arg1 || v >= arg2;
    case 21: return v <= arg1 || v > arg2;
    case 22: return v < arg1 || v >= arg2;
    case 23: return v < arg1 || v > arg2;
    default: return false;
    }
}

} // namespace

// ---------------------------------------------------------------------------
// Creation

CCTouchDispatcher::CCTouchDispatcher()
{
    targetedHandlers_ = CCArray::arrayWithCapacity(30);
    standardHandlers_ = CCArray::arrayWithCapacity(30);
    handlersToDo_ = CCArray::arrayWithCapacity(30);
    gReversePriority = false;
    handlerHelperData_[0] = {&CCStandardTouchDelegate::ccTouchesBegan, nullptr, kCCTouchBeganBit};
    handlerHelperData_[1] = {&CCStandardTouchDelegate::ccTouchesMoved, &CCTargetedTouchDelegate::ccTouchMoved,
                             kCCTouchMovedBit};
    handlerHelperData_[2] = {&CCStandardTouchDelegate::ccTouchesEnded, &CCTargetedTouchDelegate::ccTouchEnded,
                             kCCTouchEndedBit};
    handlerHelperData_[3] = {&CCStandardTouchDelegate::ccTouchesCancelled,
                             &CCTargetedTouchDelegate::ccTouchCancelled, kCCTouchCancelledBit};
}

CCTouchDispatcher::~CCTouchDispatcher() = default;

CCTouchDispatcher* CCTouchDispatcher::sharedDispatcher() { return Shared<CCTouchDispatcher>::get(); }

void CCTouchDispatcher::purgeSharedDispatcher()
{
    // Emptied first, so that whoever still holds it (an event being delivered)
    // lets go of the delegates too.
    if (CCTouchDispatcher* current = Shared<CCTouchDispatcher>::current()) current->removeAllDelegates();
    Shared<CCTouchDispatcher>::purge();
}

// ---------------------------------------------------------------------------
// Events

const CCTouchDispatcher::HandlerHelperData* CCTouchDispatcher::helperFor(UITouchPhase phase) const
{
    switch (phase) {
    case UITouchPhase::Began: return &handlerHelperData_[0];
    case UITouchPhase::Moved: return &handlerHelperData_[1];
    case UITouchPhase::Ended: return &handlerHelperData_[2];
    case UITouchPhase::Cancelled: return &handlerHelperData_[3];
    case UITouchPhase::Stationary: break;
    }
    return nullptr;
}

void CCTouchDispatcher::touches(const UITouchSet& touches, const UIEvent& event, UITouchPhase phase)
{
    if (!dispatchEvents_) return;
    const HandlerHelperData* helper = helperFor(phase);
    if (!helper) return;
    // A delegate may end the director, which purges this dispatcher.
    const Ref<CCTouchDispatcher> keepAlive(this);

    ++lockDepth_;
    Delivery delivery{*helper, targetedHandlers_->count(), standardHandlers_->count(), std::nullopt};
    // Copied only when swallowed touches must be kept from the standard pass.
    if (delivery.targetedCount > 0 && delivery.standardCount > 0) delivery.unswallowed = touches;

    if (processStandardHandlersFirst_) {
        processStandardHandlers(delivery, touches, event);
        processTargetedHandlers(delivery, touches, event);
    } else {
        processTargetedHandlers(delivery, touches, event);
        processStandardHandlers(delivery, touches, event);
    }

    --lockDepth_;
    if (lockDepth_ == 0) safeProcessing();
}

void CCTouchDispatcher::processTargetedHandlers(Delivery& delivery, const UITouchSet& touches,
                                                const UIEvent& event)
{
    if (delivery.targetedCount == 0) return;
    for (const Ref<UITouch>& touchRef : touches) {
        UITouch* touch = touchRef.get();
        // Highest priority value first. The list cannot change while locked,
        // so the count taken at the start of the event still holds.
        for (uint32_t i = delivery.targetedCount; i-- > 0;) {
            CCTargetedTouchHandler* handler
                = targetedHandlers_->objectAtIndexAs<CCTouchHandler>(i)->asTargeted();
            if (!handler || handler->disable() != 0) continue;
            if (!deliverToTargeted(delivery.helper, *handler, touch, event)) continue;
            if (handler->swallowsTouches()) {
                swallow(delivery, touch);
                break;
            }
        }
    }
}

void CCTouchDispatcher::swallow(Delivery& delivery, UITouch* touch)
{
    if (!delivery.unswallowed) return;
    UITouchSet& left = *delivery.unswallowed;
    auto it =
        std::find_if(left.begin(), left.end(), [touch](const Ref<UITouch>& t) { return t.get() == touch; });
    if (it != left.end()) left.erase(it);
}

bool CCTouchDispatcher::deliverToTargeted(const HandlerHelperData& helper, CCTargetedTouchHandler& handler,
                                          UITouch* touch, const UIEvent& event)
{
    CCTargetedTouchDelegate* delegate = handler.targetedDelegate();
    if (helper.type == kCCTouchBeganBit) {
        if (!delegate || !delegate->ccTouchBegan(touch, event)) return false;
        handler.claimedTouches().insert(Ref<UITouch>(touch));
        return true;
    }
    auto claim = handler.claimedTouches().find(Ref<UITouch>(touch));
    if (claim == handler.claimedTouches().end()) return false;
    // Keep the touch alive across the call: the delegate may end its claim.
    Ref<UITouch> keep(touch);
    if (delegate && (handler.enabledSelectors() & helper.type) && helper.touchSel) {
        (delegate->*helper.touchSel)(touch, event);
    }
    if (helper.type & kPhaseEndedOrCancelled) {
        handler.claimedTouches().erase(keep);
    }
    return true;
}

void CCTouchDispatcher::processStandardHandlers(const Delivery& delivery, const UITouchSet& touches,
                                                const UIEvent& event)
{
    // The event's own set, unless swallowed touches were being taken out of a copy.
    const UITouchSet& left = delivery.unswallowed ? *delivery.unswallowed : touches;
    if (delivery.standardCount == 0 || left.empty()) return;
    for (uint32_t i = 0; i < delivery.standardCount; ++i) {
        CCStandardTouchHandler* handler = standardHandlers_->objectAtIndexAs<CCTouchHandler>(i)->asStandard();
        if (!handler || handler->disable() != 0) continue;
        if (!(handler->enabledSelectors() & delivery.helper.type)) continue;
        if (CCStandardTouchDelegate* delegate = handler->standardDelegate()) {
            (delegate->*delivery.helper.touchesSel)(left, event);
        }
    }
}

// After an event: removals, then additions, then settings and re-sorts.
void CCTouchDispatcher::safeProcessing()
{
    forceRemoveMarkedDelegates();
    // Take the pending list out first, so that nothing queued while it is
    // applied is lost or applied twice.
    Ref<CCArray> pending = handlersToDo_;
    handlersToDo_ = CCArray::arrayWithCapacity(30);
    for (Object* item : *pending) {
        auto* toDo = static_cast<CCHandlersToDo*>(item);
        forceAddHandler(toDo->handler(), toDo->arg(), toDo->type());
    }
    processCallbackRequestsToTheDispatcher();
}

void CCTouchDispatcher::processCallbackRequestsToTheDispatcher()
{
    ActionToDo& todo = actionToDo_;
    if (todo.processStandardHandlersFirstFlag) {
        processStandardHandlersFirst_ = todo.processStandardHandlersFirstArg;
        todo.processStandardHandlersFirstFlag = false;
    }
    if (todo.sortingAlgorithmFlag) {
        sortingAlgorithm_ = todo.sortingAlgorithmArg;
        todo.sortingAlgorithmFlag = false;
    }
    if (todo.reversePriorityFlag) {
        gReversePriority = todo.reversePriorityArg;
        todo.reversePriorityFlag = false;
    }
    if (todo.usersComparatorFlag) {
        usersComparator_ = todo.usersComparatorArg;
        todo.usersComparatorFlag = false;
    }
    forceSetPriority();
    if (todo.targetedDebugLogFlag) {
        todo.targetedDebugLogFlag = false;
        printDebugLog(todo.targetedDebugLogArg, 0);
    }
    if (todo.standardDebugLogFlag) {
        todo.standardDebugLogFlag = false;
        printDebugLog(todo.standardDebugLogArg, 1);
    }
}

// ---------------------------------------------------------------------------
// Registration

void CCTouchDispatcher::addTargetedDelegate(CCTargetedTouchDelegate* delegate, int32_t priority,
                                            bool swallowsTouches)
{
    addTargetedDelegate(delegate, priority, swallowsTouches, 0, 0, 0);
}

void CCTouchDispatcher::addTargetedDelegate(CCTargetedTouchDelegate* delegate, int32_t priority,
    bool swallowsTouches, int32_t tag, int32_t disable, int32_t doNotSort)
{
    if (!delegate) return;
    Ref<CCTargetedTouchHandler> handler =
        CCTargetedTouchHandler::handlerWithDelegate(delegate, priority, swallowsTouches, tag, disable);
    add(handler.get(), doNotSort, 0);
}

void CCTouchDispatcher::addStandardDelegate(CCStandardTouchDelegate* delegate, int32_t priority)
{
    addStandardDelegate(delegate, priority, 0, 0, 0);
}

void CCTouchDispatcher::addStandardDelegate(CCStandardTouchDelegate* delegate, int32_t priority, int32_t tag,
                                            int32_t disable, int32_t doNotSort)
{
    if (!delegate) return;
    Ref<CCStandardTouchHandler> handler =
        CCStandardTouchHandler::handlerWithDelegate(delegate, priority, tag, disable);
    add(handler.get(), doNotSort, 1);
}

void CCTouchDispatcher::add(CCTouchHandler* handler, int32_t doNotSort, int32_t type)
{
    if (!handler) return;
    Ref<CCTouchHandler> keep(handler);
    if (locked()) {
        safelyAddHandler(handler, doNotSort, type);
    } else {
        forceAddHandler(handler, doNotSort, type);
    }
}

void CCTouchDispatcher::safelyAddHandler(CCTouchHandler* handler, int32_t doNotSort, int32_t type)
{
    handlersToDo_->addObject(makeRef<CCHandlersToDo>(toDoAddType(type), handler, doNotSort).get());
}

void CCTouchDispatcher::forceAddHandler(CCTouchHandler* handler, int32_t doNotSort, int32_t type)
{
    if (!handler || handler->remove()) return;
    HandlerList& list = arrayForType(type);
    if (doNotSort != 0) {
        list.addObject(handler);
        return;
    }
    // Counted over the whole list rather than searched, so the rule holds even
    // for a list left unsorted (sort algorithm 3).
    uint32_t index = 0;
    Object* newSlot = handler;
    if (usersComparator_) {
        for (Object* const& existing : list) {
            if (usersComparator_(&existing, &newSlot) == -1) ++index;
        }
    } else {
        const int32_t priority = handler->priority();
        for (Object* existing : list) {
            const int32_t other = static_cast<CCTouchHandler*>(existing)->priority();
            if (gReversePriority ? other > priority : other < priority) ++index;
        }
    }
    list.insertObject(handler, index);
}

// ---------------------------------------------------------------------------
// Removal

void CCTouchDispatcher::removeDelegate(CCTouchDelegate* delegate)
{
    removeDelegate(delegate, false, 0);
    removeDelegate(delegate, false, 1);
}

int32_t CCTouchDispatcher::removeDelegate(CCTouchDelegate* delegate, bool delay, int32_t type)
{
    return alterTouchHandler(
        type, delegate, kFieldDelegate, 0, 0, 1, delay ? kAlterRemoveDelayed : kAlterRemove, 1);
}

int32_t CCTouchDispatcher::setRemove(CCTouchDelegate* delegate, bool delay, int32_t type)
{
    return removeDelegate(delegate, delay, type);
}

int32_t CCTouchDispatcher::removeDelegatesWithPriority(int32_t priority, bool delay, int32_t type)
{
    return alterTouchHandler(type, nullptr, kFieldPriority, priority, 0, 3,
                             delay ? kAlterRemoveDelayed : kAlterRemove, 1);
}

int32_t CCTouchDispatcher::removeDelegatesWithTag(int32_t tag, bool delay, int32_t type)
{
    return alterTouchHandler(
        type, nullptr, kFieldTag, tag, 0, 3, delay ? kAlterRemoveDelayed : kAlterRemove, 1);
}

int32_t CCTouchDispatcher::removeDelegatesWithField(int32_t field, int32_t arg1, int32_t arg2, int32_t op,
                                                    bool delay, int32_t type)
{
    if (field == kFieldDelegate) return -1;
    return alterTouchHandler(
        type, nullptr, field, arg1, arg2, op, delay ? kAlterRemoveDelayed : kAlterRemove, 1);
}

void CCTouchDispatcher::removeAllDelegates()
{
    removeAllDelegates(0);
    removeAllDelegates(1);
}

int32_t CCTouchDispatcher::removeAllDelegates(int32_t type)
{
    if (locked()) {
        return alterTouchHandler(type, nullptr, kFieldNotRemoved, 0, 0, 1, kAlterRemoveDelayed, 1);
    }
    return forceRemoveAllObjects(type);
}

int32_t CCTouchDispatcher::forceRemoveAllObjects(int32_t type)
{
    HandlerList& list = arrayForType(type);
    const auto count = static_cast<int32_t>(list.count());
    // Hold the handlers until the list is empty: releasing one may release
    // its delegate, whose destructor must find a consistent dispatcher.
    const std::vector<Ref<Object>> dropped = list.getNSArray();
    list.removeAllObjects();
    return count;
}

void CCTouchDispatcher::forceRemoveMarkedDelegates()
{
    if (actionToDo_.targetedRemoval > 0) {
        forceRemoveOfMarkedHandlers(0, actionToDo_.targetedRemoval);
        actionToDo_.targetedRemoval = 0;
    }
    if (actionToDo_.standardRemoval > 0) {
        forceRemoveOfMarkedHandlers(1, actionToDo_.standardRemoval);
        actionToDo_.standardRemoval = 0;
    }
}

void CCTouchDispatcher::removeToDoDelegates(int32_t type)
{
    int32_t& removal = type == 1 ? actionToDo_.standardRemoval : actionToDo_.targetedRemoval;
    if (removal > 0) forceRemoveOfMarkedHandlers(type, removal);
    removal = 0;
}

void CCTouchDispatcher::forceRemoveOfMarkedHandlers(int32_t type, int32_t nrOfObjects)
{
    HandlerList& list = arrayForType(type);
    // Released only after the scan, for the same reason as above.
    std::vector<Ref<Object>> dropped;
    for (uint32_t i = list.count(); i-- > 0 && nrOfObjects > 0;) {
        if (list.objectAtIndexAs<CCTouchHandler>(i)->remove()) {
            dropped.emplace_back(list.objectAtIndex(i));
            list.removeObjectAtIndex(i);
            --nrOfObjects;
        }
    }
}

// ---------------------------------------------------------------------------
// Priority, tag, disable

void CCTouchDispatcher::setPriority(int32_t priority, CCTouchDelegate* delegate)
{
    setPriority(priority, delegate, false, 0);
    setPriority(priority, delegate, false, 1);
}

int32_t CCTouchDispatcher::setPriority(int32_t priority, CCTouchDelegate* delegate, bool delay, int32_t type)
{
    return alterTouchHandler(type, delegate, kFieldDelegate, 0, 0, 1,
                             delay ? kAlterPriorityDelayed : kAlterPriority, priority);
}

int32_t CCTouchDispatcher::setPriorityForTag(int32_t tag, int32_t newPriority, bool delay, int32_t type)
{
    return alterTouchHandler(
        type, nullptr, kFieldTag, tag, 0, 3, delay ? kAlterPriorityDelayed : kAlterPriority, newPriority);
}

int32_t CCTouchDispatcher::setTagForPriority(int32_t priority, int32_t newTag, int32_t type)
{
    return alterTouchHandler(type, nullptr, kFieldPriority, priority, 0, 3, kAlterTag, newTag);
}

int32_t CCTouchDispatcher::setTag(int32_t tag, CCTouchDelegate* delegate, int32_t type)
{
    return alterTouchHandler(type, delegate, kFieldDelegate, 0, 0, 1, kAlterTag, tag);
}

int32_t CCTouchDispatcher::setDisable(int32_t disable, CCTouchDelegate* delegate, int32_t type)
{
    return alterTouchHandler(type, delegate, kFieldDelegate, 0, 0, 1, kAlterDisable, disable);
}

int32_t CCTouchDispatcher::setField(
    int32_t alteration, int32_t value, CCTouchDelegate* delegate, int32_t type)
{
    return alterTouchHandler(type, delegate, kFieldDelegate, 0, 0, 1, alteration, value);
}

int32_t CCTouchDispatcher::setDelegatesField(int32_t alteration, int32_t value, int32_t ifField, int32_t arg1,
                                             int32_t arg2, int32_t op, int32_t type)
{
    return alterTouchHandler(type, nullptr, ifField, arg1, arg2, op, alteration, value);
}

int32_t CCTouchDispatcher::disableDelegate(CCTouchDelegate* delegate, int32_t disable, int32_t type)
{
    return alterTouchHandler(type, delegate, kFieldDelegate, 0, 0, 1, kAlterDisable, disable);
}

int32_t CCTouchDispatcher::disableDelegatesWithPriority(int32_t priority, int32_t disable, int32_t type)
{
    return alterTouchHandler(type, nullptr, kFieldPriority, priority, 0, 3, kAlterDisable, disable);
}

int32_t CCTouchDispatcher::disableDelegatesWithTag(int32_t tag, int32_t disable, int32_t type)
{
    return alterTouchHandler(type, nullptr, kFieldTag, tag, 0, 3, kAlterDisable, disable);
}

int32_t CCTouchDispatcher::disableAllDelegates(int32_t disable, int32_t type)
{
    return alterTouchHandler(type, nullptr, kFieldAll, 0, 0, 1, kAlterDisable, disable);
}

int32_t CCTouchDispatcher::disableRemovedDelegates(int32_t disable, int32_t type)
{
    return alterTouchHandler(type, nullptr, kFieldRemove, 1, 0, 3, kAlterDisable, disable);
}

int32_t CCTouchDispatcher::disableDelegatesWithField(int32_t field, int32_t arg1, int32_t arg2, int32_t op,
                                                     int32_t disable, int32_t type)
{
    return alterTouchHandler(type, nullptr, field, arg1, arg2, op, kAlterDisable, disable);
}

// ---------------------------------------------------------------------------
// Selection and alteration

int32_t CCTouchDispatcher::readField(const CCTouchHandler& handler, bool standardList, int32_t field)
{
    switch (field) {
    case kFieldPriority:
    case kFieldPriorityDelayed: return handler.priority();
    case kFieldTag: return handler.tag();
    case kFieldDisable: return handler.disable();
    case kFieldRemove:
    case kFieldRemoveDelayed: return handler.remove() ? 1 : 0;
    case kFieldSwallows: {
        if (standardList) return kNotFound;
        auto* targeted = const_cast<CCTouchHandler&>(handler).asTargeted();
        return targeted && targeted->swallowsTouches() ? 1 : 0;
    }
    default: return kNotFound;
    }
}

bool CCTouchDispatcher::selects(const CCTouchHandler& handler, bool standardList, CCTouchDelegate* delegate,
                                int32_t field, int32_t arg1, int32_t arg2, int32_t op) const
{
    switch (field) {
    case kFieldDelegate: return handler.delegate() == delegate;
    case kFieldAll:
    case kFieldDebugAll: return true;
    case kFieldNotRemoved: return !handler.remove();
    case kFieldSwallows:
        if (standardList) return false;
        return evaluate(readField(handler, standardList, field), arg1, arg2, op);
    case kFieldPriority:
    case kFieldTag:
    case kFieldDisable:
    case kFieldRemove:
    case kFieldPriorityDelayed:
    case kFieldRemoveDelayed: return evaluate(readField(handler, standardList, field), arg1, arg2, op);
    default: return false;
    }
}

int32_t CCTouchDispatcher::alterHandler(
    CCTouchHandler& handler, bool standardList, int32_t action, int32_t value, int32_t nr)
{
    switch (action) {
    case kAlterPriority:
    case kAlterPriorityDelayed: {
        // A handler on its way out takes the value too, but is not counted,
        // so it alone sets off no re-sort.
        const bool counted = handler.priority() != value && !handler.remove();
        handler.setPriority(value);
        return counted ? 1 : 0;
    }
    case kAlterTag: handler.setTag(value); return 1;
    case kAlterDisable: handler.setDisable(value); return 1;
    case kAlterRemove:
    case kAlterRemoveDelayed:
        if (value == 0 || handler.remove()) return 0;
        handler.setRemove(true);
        return 1;
    case kAlterSwallows: {
        CCTargetedTouchHandler* targeted = standardList ? nullptr : handler.asTargeted();
        if (!targeted) return 0;
        targeted->setSwallowsTouches(value != 0);
        return 1;
    }
    case kAlterCount: return handler.remove() ? 0 : 1;
    case kAlterCountAll: return 1;
    case kAlterDebug: debugLog(value, nr, &handler); return 1;
    default: return 0;
    }
}

int32_t CCTouchDispatcher::alterToDoHandler(
    CCHandlersToDo& toDo, bool standardList, int32_t action, int32_t value, int32_t nr)
{
    if (action == kAlterDebug) {
        debugLog(value, nr, &toDo);
        return 1;
    }
    return alterHandler(*toDo.handler(), standardList, action, value, nr);
}

int32_t CCTouchDispatcher::alterTouchHandler(int32_t type, CCTouchDelegate* delegate, int32_t fieldToSearch,
                                             int32_t arg1, int32_t arg2, int32_t op, int32_t fieldToAlter,
                                             int32_t value)
{
    if (fieldToSearch == kFieldDelegate && !delegate) return -1;
    const bool standardList = type == 1;
    int32_t nr = 1;

    // Field values change at once even while locked; only order and
    // membership wait. The walk is by index over a list that cannot change
    // under it, since nothing here adds or removes.
    int32_t liveCount = 0;
    HandlerList& list = arrayForType(type);
    for (uint32_t i = 0; i < list.count(); ++i) {
        CCTouchHandler& handler = *list.objectAtIndexAs<CCTouchHandler>(i);
        if (!selects(handler, standardList, delegate, fieldToSearch, arg1, arg2, op)) continue;
        liveCount += alterHandler(handler, standardList, fieldToAlter, value, nr++);
    }

    int32_t pendingCount = 0;
    const int32_t toDoType = toDoAddType(type);
    for (uint32_t i = 0; i < handlersToDo_->count(); ++i) {
        CCHandlersToDo& toDo = *handlersToDo_->objectAtIndexAs<CCHandlersToDo>(i);
        if (toDo.type() != toDoType || !toDo.handler()) continue;
        if (!selects(*toDo.handler(), standardList, delegate, fieldToSearch, arg1, arg2, op)) continue;
        pendingCount += alterToDoHandler(toDo, standardList, fieldToAlter, value, nr++);
    }

    if (liveCount > 0) actionProcessing(type, fieldToAlter, liveCount);
    return liveCount + pendingCount;
}

void CCTouchDispatcher::actionProcessing(int32_t type, int32_t action, int32_t liveCount)
{
    const bool standardList = type == 1;
    int32_t& removal = standardList ? actionToDo_.standardRemoval : actionToDo_.targetedRemoval;
    switch (action) {
    case kAlterPriority: sortDelegates(type); break;
    case kAlterRemove:
        removal += liveCount;
        if (!locked()) removeToDoDelegates(type);
        break;
    case kAlterPriorityDelayed:
        (standardList ? actionToDo_.standardPriority : actionToDo_.targetedPriority) = 1;
        break;
    case kAlterRemoveDelayed: removal += liveCount; break;
    default: break;
    }
}

// ---------------------------------------------------------------------------
// Sorting

int CCTouchDispatcher::sortByPriority(const void* firstSlot, const void* secondSlot)
{
    const int32_t a = handlerInSlot(firstSlot)->priority();
    const int32_t b = handlerInSlot(secondSlot)->priority();
    if (a == b) return 0;
    if (gReversePriority) return a > b ? -1 : 1;
    return a < b ? -1 : 1;
}

void CCTouchDispatcher::sortDelegates(int32_t type)
{
    (type == 1 ? actionToDo_.standardPriority : actionToDo_.targetedPriority) = 1;
    if (!locked()) forceSetPriority();
}

void CCTouchDispatcher::forceSetPriority()
{
    if (actionToDo_.targetedPriority) {
        actionToDo_.targetedPriority = 0;
        rearrangeHandlers(*targetedHandlers_);
    }
    if (actionToDo_.standardPriority) {
        actionToDo_.standardPriority = 0;
        rearrangeHandlers(*standardHandlers_);
    }
}

void CCTouchDispatcher::rearrangeHandlers(HandlerList& list)
{
    const CCTouchHandlerComparator compare = usersComparator_ ? usersComparator_ : &sortByPriority;
    switch (sortingAlgorithm_) {
    case kSortQuick: list.qsortUsingCFuncComparator(compare); break;
    case kSortMerge: list.mergesortLUsingCFuncComparator(compare); break;
    case kSortNone: break;
    default: list.insertionSortUsingCFuncComparator(compare); break;  // stable
    }
}

// ---------------------------------------------------------------------------
// Queries and counts

int32_t CCTouchDispatcher::retrieveField(int32_t field, CCTouchDelegate* delegate, int32_t type) const
{
    if (!delegate) return kNotFound;
    const bool standardList = type == 1;
    auto valueOf = [&](const CCTouchHandler& handler) {
        return field == kFieldDelegate ? 1 : readField(handler, standardList, field);
    };
    int32_t result = kNotFound;
    for (Object* item : arrayForType(type)) {
        const auto* handler = static_cast<const CCTouchHandler*>(item);
        if (handler->delegate() == delegate) {
            result = valueOf(*handler);
            break;
        }
    }
    const int32_t toDoType = toDoAddType(type);
    for (Object* item : *handlersToDo_) {
        const auto* toDo = static_cast<const CCHandlersToDo*>(item);
        if (toDo->type() == toDoType && toDo->handler() && toDo->handler()->delegate() == delegate) {
            result = valueOf(*toDo->handler());
        }
    }
    return result;
}

int32_t CCTouchDispatcher::retrievePriorityField(CCTouchDelegate* delegate, int32_t type) const
{
    return retrieveField(kFieldPriority, delegate, type);
}

int32_t CCTouchDispatcher::retrieveTagField(CCTouchDelegate* delegate, int32_t type) const
{
    return retrieveField(kFieldTag, delegate, type);
}

int32_t CCTouchDispatcher::retrieveDisableField(CCTouchDelegate* delegate, int32_t type) const
{
    return retrieveField(kFieldDisable, delegate, type);
}

int32_t CCTouchDispatcher::countFieldUsage(int32_t field, int32_t value, int32_t type)
{
    return alterTouchHandler(type, nullptr, field, value, 0, 3, kAlterCount, 0);
}

int32_t CCTouchDispatcher::countPriorityUsage(int32_t priority, int32_t type)
{
    return countFieldUsage(kFieldPriority, priority, type);
}

int32_t CCTouchDispatcher::countTagUsage(int32_t tag, int32_t type)
{
    return countFieldUsage(kFieldTag, tag, type);
}

int32_t CCTouchDispatcher::countDisableUsage(int32_t disable, int32_t type)
{
    return countFieldUsage(kFieldDisable, disable, type);
}

int32_t CCTouchDispatcher::countDelegateUsage(CCTouchDelegate* delegate, int32_t type)
{
    return alterTouchHandler(type, delegate, kFieldDelegate, 0, 0, 1, kAlterCount, 0);
}

int32_t CCTouchDispatcher::countDelegatesUsage(int32_t type)
{
    return alterTouchHandler(type, nullptr, kFieldAll, 0, 0, 1, kAlterCount, 0);
}

// ---------------------------------------------------------------------------
// Settings

bool CCTouchDispatcher::processStandardHandlersFirst() const
{
    if (locked() && actionToDo_.processStandardHandlersFirstFlag)
        return actionToDo_.processStandardHandlersFirstArg;
    return processStandardHandlersFirst_;
}

void CCTouchDispatcher::setProcessStandardHandlersFirst(bool first)
{
    if (locked()) {
        actionToDo_.processStandardHandlersFirstFlag = true;
        actionToDo_.processStandardHandlersFirstArg = first;
    } else {
        processStandardHandlersFirst_ = first;
    }
}

int32_t CCTouchDispatcher::sortingAlgorithm() const
{
    if (locked() && actionToDo_.sortingAlgorithmFlag) return actionToDo_.sortingAlgorithmArg;
    return sortingAlgorithm_;
}

void CCTouchDispatcher::setSortingAlgorithm(int32_t algorithm)
{
    if (locked()) {
        actionToDo_.sortingAlgorithmFlag = true;
        actionToDo_.sortingAlgorithmArg = algorithm;
    } else {
        sortingAlgorithm_ = algorithm;
    }
}

bool CCTouchDispatcher::reversePriority() const
{
    if (locked() && actionToDo_.reversePriorityFlag) return actionToDo_.reversePriorityArg;
    return gReversePriority;
}

void CCTouchDispatcher::setReversePriority(bool reverse)
{
    if (locked()) {
        actionToDo_.reversePriorityFlag = true;
        actionToDo_.reversePriorityArg = reverse;
    } else {
        gReversePriority = reverse;
    }
}

CCTouchHandlerComparator CCTouchDispatcher::usersComparator() const
{
    if (locked() && actionToDo_.usersComparatorFlag) return actionToDo_.usersComparatorArg;
    return usersComparator_;
}

void CCTouchDispatcher::setUsersComparator(CCTouchHandlerComparator comparator)
{
    if (locked()) {
        actionToDo_.usersComparatorFlag = true;
        actionToDo_.usersComparatorArg = comparator;
    } else {
        usersComparator_ = comparator;
    }
}

// ---------------------------------------------------------------------------
// Debug listing

int32_t CCTouchDispatcher::printDebugLog(int32_t format, int32_t type)
{
    if (type != 0 && type != 1) return 0;
    return alterTouchHandler(type, nullptr, kFieldDebugAll, 0, 0, 1, kAlterDebug, format);
}

int32_t CCTouchDispatcher::printDebugLog(int32_t format, bool afterEvents, int32_t type)
{
    if (type != 0 && type != 1) return 0;
    if (afterEvents && locked()) {
        if (type == 1) {
            actionToDo_.standardDebugLogFlag = true;
            actionToDo_.standardDebugLogArg = format;
        } else {
            actionToDo_.targetedDebugLogFlag = true;
            actionToDo_.targetedDebugLogArg = format;
        }
        return -1;
    }
    return printDebugLog(format, type);
}

// ---------------------------------------------------------------------------
// Inspection

CCTouchDispatcher::HandlerList& CCTouchDispatcher::arrayForType(int32_t type)
{
    return type == 1 ? *standardHandlers_ : *targetedHandlers_;
}

const CCTouchDispatcher::HandlerList& CCTouchDispatcher::arrayForType(int32_t type) const
{
    return type == 1 ? *standardHandlers_ : *targetedHandlers_;
}

int32_t CCTouchDispatcher::handlerCount(int32_t type) const
{
    return static_cast<int32_t>(arrayForType(type).count());
}

CCTouchHandler* CCTouchDispatcher::handlerAt(int32_t type, int32_t index) const
{
    const HandlerList& list = arrayForType(type);
    if (index < 0 || static_cast<uint32_t>(index) >= list.count()) return nullptr;
    return list.objectAtIndexAs<CCTouchHandler>(static_cast<uint32_t>(index));
}

int32_t CCTouchDispatcher::pendingCount() const
{
    return static_cast<int32_t>(handlersToDo_->count());
}

} // namespace mw
