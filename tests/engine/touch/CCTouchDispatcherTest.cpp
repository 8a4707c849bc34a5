#include <gtest/gtest.h>

#include <climits>
#include <map>

#include "engine/touch/CCStandardTouchHandler.h"
#include "engine/touch/CCTargetedTouchHandler.h"
#include "engine/touch/CCTouchDispatcher.h"
#include "tests/engine/touch/TouchTestDelegates.h"

namespace mw {
namespace {

using test::CallLog;
using test::LoggingBoth;
using test::LoggingStandard;
using test::LoggingTargeted;
using Lines = std::vector<std::string>;

constexpr int32_t kTargeted = 0;
constexpr int32_t kStandard = 1;

class DispatcherTest : public ::testing::Test {
protected:
    // Registers a new delegate. Its handler keeps it alive, so a test that
    // never touches it again drops the answer with (void).
    Ref<LoggingTargeted> targeted(const std::string& name, int32_t priority, bool swallows = true,
                                  bool claims = true)
    {
        auto delegate = makeRef<LoggingTargeted>(name, log, claims);
        dispatcher->addTargetedDelegate(delegate.get(), priority, swallows);
        return delegate;
    }
    Ref<LoggingStandard> standard(const std::string& name, int32_t priority)
    {
        auto delegate = makeRef<LoggingStandard>(name, log);
        dispatcher->addStandardDelegate(delegate.get(), priority);
        return delegate;
    }
    Ref<UITouch> newTouch() { return makeRef<UITouch>(CGPoint{10, 20}, 0.0); }

    // Sends one phase for a set and returns what the delegates logged.
    Lines send(UITouchPhase phase, const UITouchSet& touches)
    {
        log.clear();
        dispatcher->touches(touches, UIEvent{touches, 0}, phase);
        return log.lines;
    }
    Lines began(const Ref<UITouch>& t) { return send(UITouchPhase::Began, {t}); }
    Lines moved(const Ref<UITouch>& t) { return send(UITouchPhase::Moved, {t}); }
    Lines ended(const Ref<UITouch>& t) { return send(UITouchPhase::Ended, {t}); }
    Lines cancelled(const Ref<UITouch>& t) { return send(UITouchPhase::Cancelled, {t}); }

    std::vector<int32_t> priorities(int32_t type) const
    {
        std::vector<int32_t> result;
        for (int32_t i = 0; i < dispatcher->handlerCount(type); ++i) {
            result.push_back(dispatcher->handlerAt(type, i)->priority());
        }
        return result;
    }
    std::vector<CCTouchDelegate*> delegates(int32_t type) const
    {
        std::vector<CCTouchDelegate*> result;
        for (int32_t i = 0; i < dispatcher->handlerCount(type); ++i) {
            result.push_back(dispatcher->handlerAt(type, i)->delegate());
        }
        return result;
    }

    CallLog log;
    Ref<CCTouchDispatcher> dispatcher = makeRef<CCTouchDispatcher>();
};

// --- Delivery order -------------------------------------------------------

TEST_F(DispatcherTest, TargetedWalkAsksTheGamesRegistrationsFromTheHighestPriorityDown)
{
    auto lowest = targeted("min+1", 0, false, false);
    auto menu = targeted("menu", -128, false, false);
    auto board = targeted("board", 0, false, false);
    auto tutorial = targeted("tutorial", 200, false, false);
    auto scroll = targeted("scroll", 0, false, false);
    auto low10 = targeted("min+10", 0, false, false);
    auto map = targeted("map", 100, false, false);
    auto low2 = targeted("min+2", 0, false, false);
    dispatcher->setPriority(INT32_MIN + 1, lowest.get());
    dispatcher->setPriority(INT32_MIN + 2, low2.get());
    dispatcher->setPriority(INT32_MIN + 10, low10.get());

    EXPECT_EQ(began(newTouch()),
        (Lines {"tutorial:began", "map:began", "board:began", "scroll:began", "menu:began", "min+10:began",
            "min+2:began", "min+1:began"}));
}

TEST_F(DispatcherTest, EqualPrioritiesAskTheEarliestTargetedAndTheLatestStandardFirst)
{
    (void)targeted("first", 0, false, false);
    (void)targeted("second", 0, false, false);
    (void)standard("firstStd", 0);
    (void)standard("secondStd", 0);
    (void)standard("low", -1);
    EXPECT_EQ(began(newTouch()),
        (Lines {"first:began", "second:began", "low:began(1)", "secondStd:began(1)", "firstStd:began(1)"}));
}

struct ClaimCase {
    const char* name;
    bool highClaims, highSwallows, lowClaims, lowSwallows;
    Lines began, moved, ended;
};

TEST_F(DispatcherTest, ClaimingAndSwallowingDecideWhoSeesTheLaterPhases)
{
    const ClaimCase cases[] = {
        {"high claims and swallows", true, true, true, true,
         {"high:began"}, {"high:moved"}, {"high:ended"}},
        {"high claims without swallowing, low swallows", true, false, true, true,
         {"high:began", "low:began"}, {"high:moved", "low:moved"}, {"high:ended", "low:ended"}},
        {"both claim, neither swallows", true, false, true, false,
         {"high:began", "low:began", "std:began(1)"}, {"high:moved", "low:moved", "std:moved(1)"},
         {"high:ended", "low:ended", "std:ended(1)"}},
        {"nobody claims", false, false, false, false,
         {"high:began", "low:began", "std:began(1)"}, {"std:moved(1)"}, {"std:ended(1)"}},
        {"only low claims, and swallows", false, true, true, true,
         {"high:began", "low:began"}, {"low:moved"}, {"low:ended"}},
    };
    for (const ClaimCase& c : cases) {
        SCOPED_TRACE(c.name);
        dispatcher = makeRef<CCTouchDispatcher>();
        auto high = makeRef<LoggingTargeted>("high", log, c.highClaims);
        auto low = makeRef<LoggingTargeted>("low", log, c.lowClaims);
        auto plain = makeRef<LoggingStandard>("std", log);
        dispatcher->addTargetedDelegate(high.get(), 10, c.highSwallows);
        dispatcher->addTargetedDelegate(low.get(), 0, c.lowSwallows);
        dispatcher->addStandardDelegate(plain.get(), 0);
        auto touch = newTouch();
        EXPECT_EQ(began(touch), c.began);
        EXPECT_EQ(moved(touch), c.moved);
        EXPECT_EQ(ended(touch), c.ended);
        // The claim ended with the touch: a further moved reaches no targeted handler.
        EXPECT_EQ(moved(touch), (Lines{"std:moved(1)"}));
    }
}

TEST_F(DispatcherTest, SwallowedTouchesAreMissingFromTheStandardSet)
{
    auto swallower = targeted("swallower", 0, true);
    auto plain = standard("std", 0);
    auto kept = newTouch();
    auto taken = newTouch();
    swallower->onlyClaim = taken.get();
    EXPECT_EQ(send(UITouchPhase::Began, {kept, taken}),
              (Lines{"swallower:began", "swallower:began", "std:began(1)"}));
    // The touch left for the standard pass is the one nobody claimed.
    EXPECT_EQ(send(UITouchPhase::Moved, {kept, taken}), (Lines{"swallower:moved", "std:moved(1)"}));
}

TEST_F(DispatcherTest, StandardHandlersGetTheEventsOwnSetOnlyWhenAlone)
{
    auto plain = standard("std", 0);
    UITouchSet touches{newTouch()};
    send(UITouchPhase::Began, touches);
    EXPECT_EQ(plain->lastSet, &touches);

    (void)targeted("bystander", 0, false, false);
    send(UITouchPhase::Began, touches);
    EXPECT_NE(plain->lastSet, &touches);
}

TEST_F(DispatcherTest, ProcessingStandardHandlersFirstShowsThemEveryTouch)
{
    (void)targeted("swallower", 0, true);
    (void)standard("std", 0);
    dispatcher->setProcessStandardHandlersFirst(true);
    EXPECT_EQ(send(UITouchPhase::Began, {newTouch(), newTouch()}),
              (Lines{"std:began(2)", "swallower:began", "swallower:began"}));
}

// --- Callback masks ---------------------------------------------------------

TEST_F(DispatcherTest, BeganOnlyDelegateStillLosesItsClaimsAndSwallows)
{
    auto beganOnly = makeRef<LoggingTargeted>("t", log, true, kCCTouchBeganBit);
    dispatcher->addTargetedDelegate(beganOnly.get(), 0, true);
    (void)standard("std", 0);
    auto& claims = dispatcher->handlerAt(kTargeted, 0)->asTargeted()->claimedTouches();

    auto first = newTouch();
    EXPECT_EQ(began(first), (Lines{"t:began"}));
    EXPECT_EQ(moved(first), Lines{});  // swallowed, and the delegate has no moved callback
    EXPECT_EQ(claims.size(), 1u);
    EXPECT_EQ(ended(first), Lines{});
    EXPECT_TRUE(claims.empty());

    auto second = newTouch();
    began(second);
    EXPECT_EQ(cancelled(second), Lines{});
    EXPECT_TRUE(claims.empty());
}

TEST_F(DispatcherTest, DelegatesAreCalledOnlyForCallbacksDeclaredWhenTheyRegistered)
{
    auto silent = makeRef<LoggingStandard>("silent", log, 0);
    dispatcher->addStandardDelegate(silent.get(), 0);
    auto late = makeRef<LoggingTargeted>("late", log, true, kCCTouchBeganBit);
    dispatcher->addTargetedDelegate(late.get(), 0, false);
    late->setCallbacks(kCCTouchAllBits);

    auto touch = newTouch();
    EXPECT_EQ(began(touch), (Lines{"late:began"}));
    EXPECT_EQ(moved(touch), Lines{});
    EXPECT_EQ(dispatcher->handlerCount(kStandard), 1);

    // Registering again reads the callbacks anew.
    dispatcher->removeDelegate(late.get());
    dispatcher->addTargetedDelegate(late.get(), 0, false);
    began(touch);
    EXPECT_EQ(moved(touch), (Lines{"late:moved"}));
}

// --- Changes made during delivery -------------------------------------------

struct DuringCase {
    const char* name;
    // Runs inside the began callback of "trigger" (priority 10).
    void (*change)(
        CCTouchDispatcher&, LoggingTargeted& newcomer, LoggingTargeted& victim, LoggingStandard& std);
    Lines duringEvent, nextEvent;
};

TEST_F(DispatcherTest, ChangesDuringDeliveryApplyAfterTheEvent)
{
    const DuringCase cases[] = {
        {"add",
            [](CCTouchDispatcher& d, LoggingTargeted& n, LoggingTargeted&, LoggingStandard&) {
                d.addTargetedDelegate(&n, 20, false);
            },
            {"trigger:began", "victim:began", "std:began(1)"},
            {"newcomer:began", "trigger:began", "victim:began", "std:began(1)"}},
        {"remove a targeted delegate",
            [](CCTouchDispatcher& d, LoggingTargeted&, LoggingTargeted& v, LoggingStandard&) {
                d.removeDelegate(&v);
            },
            {"trigger:began", "victim:began", "std:began(1)"}, {"trigger:began", "std:began(1)"}},
        {"remove a standard delegate",
            [](CCTouchDispatcher& d, LoggingTargeted&, LoggingTargeted&, LoggingStandard& s) {
                d.removeDelegate(&s);
            },
            {"trigger:began", "victim:began", "std:began(1)"}, {"trigger:began", "victim:began"}},
        {"add then remove",
            [](CCTouchDispatcher& d, LoggingTargeted& n, LoggingTargeted&, LoggingStandard&) {
                d.addTargetedDelegate(&n, 20, false);
                d.removeDelegate(&n);
            },
            {"trigger:began", "victim:began", "std:began(1)"},
            {"trigger:began", "victim:began", "std:began(1)"}},
        {"remove then add",
            [](CCTouchDispatcher& d, LoggingTargeted&, LoggingTargeted& v, LoggingStandard&) {
                d.removeDelegate(&v);
                d.addTargetedDelegate(&v, 20, false);
            },
            {"trigger:began", "victim:began", "std:began(1)"},
            {"victim:began", "trigger:began", "std:began(1)"}},
        {"priority change",
            [](CCTouchDispatcher& d, LoggingTargeted&, LoggingTargeted& v, LoggingStandard&) {
                d.setPriority(20, &v);
            },
            {"trigger:began", "victim:began", "std:began(1)"},
            {"victim:began", "trigger:began", "std:began(1)"}},
        {"remove all",
            [](CCTouchDispatcher& d, LoggingTargeted&, LoggingTargeted&, LoggingStandard&) {
                d.removeAllDelegates();
            },
            {"trigger:began", "victim:began", "std:began(1)"}, {}},
    };
    for (const DuringCase& c : cases) {
        SCOPED_TRACE(c.name);
        dispatcher = makeRef<CCTouchDispatcher>();
        auto trigger = targeted("trigger", 10, false, false);
        auto victim = targeted("victim", 0, false, false);
        auto plain = standard("std", 0);
        auto newcomer = makeRef<LoggingTargeted>("newcomer", log, false);
        bool once = true;
        trigger->onBegan = [&] {
            if (once) c.change(*dispatcher, *newcomer, *victim, *plain);
            once = false;
        };
        EXPECT_EQ(began(newTouch()), c.duringEvent);
        EXPECT_EQ(dispatcher->pendingCount(), 0);
        EXPECT_EQ(began(newTouch()), c.nextEvent);
    }
}

TEST_F(DispatcherTest, PriorityChangedDuringAnEventTakesEffectAtOnceButTheWalkKeepsItsOrder)
{
    auto trigger = targeted("trigger", 10, false, false);
    auto victim = targeted("victim", 0, false, false);
    int32_t seenDuring = 0;
    trigger->onBegan = [&] {
        dispatcher->setPriority(20, victim.get());
        seenDuring = dispatcher->retrievePriorityField(victim.get(), kTargeted);
    };
    began(newTouch());
    EXPECT_EQ(seenDuring, 20);
    EXPECT_EQ(priorities(kTargeted), (std::vector<int32_t>{10, 20}));
}

TEST_F(DispatcherTest, DelegateFeedingAnEventBackInDoesNotUnlockTheOuterWalk)
{
    auto trigger = targeted("trigger", 10, false, false);
    auto victim = targeted("victim", 0, false, false);
    bool lockedAfterInner = false;
    trigger->onBegan = [&, fired = false]() mutable {
        if (fired) return;
        fired = true;
        dispatcher->removeDelegate(victim.get());
        dispatcher->touches({makeRef<UITouch>(CGPoint{}, 0.0)}, UIEvent{}, UITouchPhase::Cancelled);
        lockedAfterInner = dispatcher->locked();
    };
    EXPECT_EQ(began(newTouch()), (Lines{"trigger:began", "victim:began"}));
    EXPECT_TRUE(lockedAfterInner);
    EXPECT_FALSE(dispatcher->locked());
    EXPECT_EQ(dispatcher->handlerCount(kTargeted), 1);
}

TEST_F(DispatcherTest, EventFedBackInLeavesTheOuterEventsPhaseAndSetAlone)
{
    auto trigger = targeted("trigger", 10, true);
    auto rest = standard("std", 0);
    auto a = newTouch();
    auto b = newTouch();
    trigger->onlyClaim = a.get();
    trigger->onBegan = [&, fired = false]() mutable {
        if (fired) return;
        fired = true;
        dispatcher->touches({newTouch()}, UIEvent{}, UITouchPhase::Cancelled);
    };
    // The inner cancel reaches the standard delegate at once; the outer event
    // then goes on as a began whose set lost only the swallowed touch.
    EXPECT_EQ(send(UITouchPhase::Began, {a, b}),
              (Lines{"trigger:began", "std:cancelled(1)", "trigger:began", "std:began(1)"}));
}

TEST_F(DispatcherTest, DelayedRemovalOutsideAnEventWaitsForTheNextEvent)
{
    auto keeper = targeted("keeper", 1, false, false);
    auto leaver = targeted("leaver", 0, false, false);
    EXPECT_EQ(dispatcher->removeDelegate(leaver.get(), true, kTargeted), 1);
    EXPECT_EQ(dispatcher->handlerCount(kTargeted), 2);
    EXPECT_EQ(dispatcher->countDelegatesUsage(kTargeted), 1);
    EXPECT_EQ(began(newTouch()), (Lines{"keeper:began", "leaver:began"}));
    EXPECT_EQ(began(newTouch()), (Lines{"keeper:began"}));
}

TEST_F(DispatcherTest, RemovalReleasesTheDelegate)
{
    auto delegate = targeted("t", 0);
    auto plain = standard("s", 0);
    EXPECT_EQ(delegate->retainCount(), 2);
    dispatcher->removeDelegate(delegate.get());
    EXPECT_EQ(delegate->retainCount(), 1);
    EXPECT_EQ(dispatcher->removeAllDelegates(kStandard), 1);
    EXPECT_EQ(plain->retainCount(), 1);
    EXPECT_EQ(dispatcher->removeAllDelegates(kStandard), 0);
}

// --- Sorting and priorities -------------------------------------------------

TEST_F(DispatcherTest, EverySortAlgorithmGivesTheSameOrder)
{
    const std::vector<int32_t> unsorted{5, -3, 12, 0, 7};
    struct Case {
        int32_t algorithm;
        std::vector<int32_t> expected;
    };
    const Case cases[] = {
        {CCTouchDispatcher::kSortInsertion, {-3, 1, 5, 7, 12}},
        {CCTouchDispatcher::kSortQuick, {-3, 1, 5, 7, 12}},
        {CCTouchDispatcher::kSortMerge, {-3, 1, 5, 7, 12}},
        {42, {-3, 1, 5, 7, 12}},  // unknown values sort as insertion sort
        {CCTouchDispatcher::kSortNone, {5, -3, 12, 1, 7}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.algorithm);
        dispatcher = makeRef<CCTouchDispatcher>();
        dispatcher->setSortingAlgorithm(c.algorithm);
        std::vector<Ref<LoggingBoth>> both;
        for (int32_t priority : unsorted) {
            both.push_back(makeRef<LoggingBoth>("d", log));
            dispatcher->addTargetedDelegate(both.back().get(), priority, false, 0, 0, 1);
            dispatcher->addStandardDelegate(both.back().get(), priority, 0, 0, 1);
        }
        EXPECT_EQ(priorities(kTargeted), unsorted);
        dispatcher->setPriority(1, both[3].get());  // 0 -> 1 asks for a re-sort of both lists
        EXPECT_EQ(priorities(kTargeted), c.expected);
        EXPECT_EQ(priorities(kStandard), c.expected);
    }
}

TEST_F(DispatcherTest, StableSortsKeepEqualPrioritiesInTheirOrder)
{
    for (int32_t algorithm : {CCTouchDispatcher::kSortInsertion, CCTouchDispatcher::kSortMerge}) {
        SCOPED_TRACE(algorithm);
        dispatcher = makeRef<CCTouchDispatcher>();
        dispatcher->setSortingAlgorithm(algorithm);
        std::vector<Ref<LoggingTargeted>> d;
        const int32_t order[] = {3, 1, 3, 1, 2};
        for (int32_t priority : order) {
            d.push_back(makeRef<LoggingTargeted>("d", log));
            dispatcher->addTargetedDelegate(d.back().get(), priority, false, 0, 0, 1);
        }
        dispatcher->setPriority(0, d[4].get());
        EXPECT_EQ(delegates(kTargeted), (std::vector<CCTouchDelegate*>{d[4].get(), d[1].get(), d[3].get(),
                                                                         d[0].get(), d[2].get()}));
    }
}

TEST_F(DispatcherTest, SetPriorityChangesOnlyWhatDiffersAndResortsOnlyThen)
{
    auto a = targeted("a", 0, false, false);
    auto b = targeted("b", 0, false, false);
    auto both = makeRef<LoggingBoth>("both", log);
    dispatcher->addTargetedDelegate(both.get(), 5, false);
    dispatcher->addStandardDelegate(both.get(), 5);
    // An out-of-order entry shows whether a re-sort ran.
    auto stray = makeRef<LoggingTargeted>("stray", log);
    dispatcher->addTargetedDelegate(stray.get(), -50, false, 0, 0, 1);
    ASSERT_EQ(priorities(kTargeted), (std::vector<int32_t>{0, 0, 5, -50}));

    EXPECT_EQ(dispatcher->setPriority(5, both.get(), false, kTargeted), 0);
    EXPECT_EQ(priorities(kTargeted), (std::vector<int32_t>{0, 0, 5, -50}));

    // Moving "both" onto the priority of a and b: the insertion sort keeps it after them.
    dispatcher->setPriority(0, both.get());
    EXPECT_EQ(delegates(kTargeted),
              (std::vector<CCTouchDelegate*>{stray.get(), b.get(), a.get(), both.get()}));
    EXPECT_EQ(priorities(kStandard), (std::vector<int32_t>{0}));

    // A delegate in only one list is changed only there.
    dispatcher->setPriority(9, a.get());
    EXPECT_EQ(dispatcher->retrievePriorityField(a.get(), kTargeted), 9);
    EXPECT_EQ(dispatcher->retrievePriorityField(a.get(), kStandard), CCTouchDispatcher::kNotFound);
}

TEST_F(DispatcherTest, ReRegisteredDelegateTakesItsPlaceByTheNewRegistration)
{
    auto board = targeted("board", 0, false, false);
    auto other = targeted("other", 0, false, false);
    auto scroll = targeted("scroll", 0, false, false);
    dispatcher->setPriority(INT32_MIN + 1, board.get());
    dispatcher->removeDelegate(board.get());
    dispatcher->addTargetedDelegate(board.get(), 0, false);
    EXPECT_EQ(began(newTouch()), (Lines{"other:began", "scroll:began", "board:began"}));
    EXPECT_EQ(dispatcher->retrievePriorityField(board.get(), kTargeted), 0);
}

TEST_F(DispatcherTest, ReversedDirectionKeepsListsDescendingFromLaterAdditionsOn)
{
    (void)targeted("zero", 0, false, false);
    (void)targeted("ten", 10, false, false);
    dispatcher->setReversePriority(true);
    EXPECT_TRUE(dispatcher->reversePriority());
    EXPECT_EQ(priorities(kTargeted), (std::vector<int32_t>{0, 10}));  // no re-sort by itself

    // Placed after every handler of a higher value.
    auto five = targeted("five", 5, false, false);
    EXPECT_EQ(priorities(kTargeted), (std::vector<int32_t>{0, 5, 10}));
    dispatcher->setPriority(-5, five.get());
    EXPECT_EQ(priorities(kTargeted), (std::vector<int32_t>{10, 0, -5}));
    // The walk from the last entry now asks the lowest value first.
    EXPECT_EQ(began(newTouch()), (Lines{"five:began", "zero:began", "ten:began"}));

    (void)standard("s0", 0);
    (void)standard("s9", 9);
    EXPECT_EQ(priorities(kStandard), (std::vector<int32_t>{9, 0}));
}

int32_t byTagAscending(const void* first, const void* second)
{
    const int32_t a = CCTouchDispatcher::handlerInSlot(first)->tag();
    const int32_t b = CCTouchDispatcher::handlerInSlot(second)->tag();
    return a < b ? -1 : (a > b ? 1 : 0);
}

TEST_F(DispatcherTest, UserComparatorOrdersInsertionsAndResorts)
{
    dispatcher->setUsersComparator(&byTagAscending);
    EXPECT_EQ(dispatcher->usersComparator(), &byTagAscending);
    std::vector<Ref<LoggingTargeted>> d;
    for (int32_t tag : {3, 1, 2}) {
        d.push_back(makeRef<LoggingTargeted>("d", log));
        dispatcher->addTargetedDelegate(d.back().get(), -tag, false, tag, 0, 0);
    }
    EXPECT_EQ(priorities(kTargeted), (std::vector<int32_t>{-1, -2, -3}));

    dispatcher->setTag(0, d[0].get(), kTargeted);  // tag 3 -> 0, then a re-sort by priority change
    dispatcher->setPriority(100, d[1].get());
    EXPECT_EQ(delegates(kTargeted), (std::vector<CCTouchDelegate*>{d[0].get(), d[1].get(), d[2].get()}));
}

// --- Marks, tags, queries and counts ----------------------------------------

struct DisableCase {
    const char* name;
    int32_t (*disable)(CCTouchDispatcher&, CCTouchDelegate* b, CCTouchDelegate* c);
    int32_t changed;
    Lines asked;
};

TEST_F(DispatcherTest, DisabledHandlersArePassedOver)
{
    const DisableCase cases[] = {
        {"one delegate", [](CCTouchDispatcher& d, CCTouchDelegate* b, CCTouchDelegate*) {
             return d.disableDelegate(b, 1, kTargeted);
         }, 1, {"a:began", "c:began"}},
        {"by priority", [](CCTouchDispatcher& d, CCTouchDelegate*, CCTouchDelegate*) {
             return d.disableDelegatesWithPriority(10, 1, kTargeted);
         }, 1, {"b:began", "c:began"}},
        {"by tag", [](CCTouchDispatcher& d, CCTouchDelegate*, CCTouchDelegate*) {
             return d.disableDelegatesWithTag(1, 1, kTargeted);
         }, 2, {"b:began"}},
        {"all", [](CCTouchDispatcher& d, CCTouchDelegate*, CCTouchDelegate*) {
             return d.disableAllDelegates(1, kTargeted);
         }, 3, {}},
        {"by field range", [](CCTouchDispatcher& d, CCTouchDelegate*, CCTouchDelegate*) {
             return d.disableDelegatesWithField(CCTouchDispatcher::kFieldPriority, 0, 5, 8, 1, kTargeted);
         }, 2, {"a:began"}},
        {"marked for removal", [](CCTouchDispatcher& d, CCTouchDelegate*, CCTouchDelegate* c) {
             d.removeDelegate(c, true, kTargeted);
             return d.disableRemovedDelegates(1, kTargeted);
         }, 1, {"a:began", "b:began"}},
        {"the standard list only", [](CCTouchDispatcher& d, CCTouchDelegate*, CCTouchDelegate*) {
             return d.disableAllDelegates(1, kStandard);
         }, 0, {"a:began", "b:began", "c:began"}},
    };
    for (const DisableCase& c : cases) {
        SCOPED_TRACE(c.name);
        dispatcher = makeRef<CCTouchDispatcher>();
        auto a = makeRef<LoggingTargeted>("a", log, false);
        auto b = makeRef<LoggingTargeted>("b", log, false);
        auto cc = makeRef<LoggingTargeted>("c", log, false);
        dispatcher->addTargetedDelegate(a.get(), 10, false, 1, 0, 0);
        dispatcher->addTargetedDelegate(b.get(), 5, false, 2, 0, 0);
        dispatcher->addTargetedDelegate(cc.get(), 0, false, 1, 0, 0);
        EXPECT_EQ(c.disable(*dispatcher, b.get(), cc.get()), c.changed);
        EXPECT_EQ(began(newTouch()), c.asked);
        dispatcher->disableAllDelegates(0, kTargeted);
        EXPECT_EQ(dispatcher->countDisableUsage(1, kTargeted), 0);
    }
}

TEST_F(DispatcherTest, TagsSelectHandlersForPriorityAndRemoval)
{
    auto a = makeRef<LoggingTargeted>("a", log, false);
    auto b = makeRef<LoggingTargeted>("b", log, false);
    auto c = makeRef<LoggingTargeted>("c", log, false);
    dispatcher->addTargetedDelegate(a.get(), 0, false, 7, 0, 0);
    dispatcher->addTargetedDelegate(b.get(), 0, false, 8, 0, 0);
    dispatcher->addTargetedDelegate(c.get(), 3, false, 7, 0, 0);
    EXPECT_EQ(dispatcher->countTagUsage(7, kTargeted), 2);
    EXPECT_EQ(dispatcher->retrieveTagField(b.get(), kTargeted), 8);

    EXPECT_EQ(dispatcher->setTagForPriority(0, 9, kTargeted), 2);
    EXPECT_EQ(dispatcher->countTagUsage(9, kTargeted), 2);
    EXPECT_EQ(dispatcher->setPriorityForTag(9, 50, false, kTargeted), 2);
    EXPECT_EQ(priorities(kTargeted), (std::vector<int32_t>{3, 50, 50}));
    EXPECT_EQ(dispatcher->countPriorityUsage(50, kTargeted), 2);

    EXPECT_EQ(dispatcher->removeDelegatesWithTag(9, false, kTargeted), 2);
    EXPECT_EQ(delegates(kTargeted), (std::vector<CCTouchDelegate*>{c.get()}));
    EXPECT_EQ(dispatcher->removeDelegatesWithPriority(3, false, kTargeted), 1);
    EXPECT_EQ(dispatcher->handlerCount(kTargeted), 0);
}

TEST_F(DispatcherTest, DelayedPriorityChangeWaitsForTheNextEvent)
{
    auto a = targeted("a", 0, false, false);
    auto b = targeted("b", 5, false, false);
    EXPECT_EQ(dispatcher->setPriority(10, a.get(), true, kTargeted), 1);
    EXPECT_EQ(priorities(kTargeted), (std::vector<int32_t>{10, 5}));
    EXPECT_EQ(began(newTouch()), (Lines{"b:began", "a:began"}));
    EXPECT_EQ(priorities(kTargeted), (std::vector<int32_t>{5, 10}));
}

// A handler marked for removal still takes a new priority, but is not
// counted and sets off no re-sort by itself.
TEST_F(DispatcherTest, HandlerOnItsWayOutTakesAPriorityWithoutBeingCounted)
{
    auto keeper = targeted("keeper", 5, false, false);
    auto leaver = targeted("leaver", 0, false, false);
    ASSERT_EQ(dispatcher->removeDelegate(leaver.get(), true, kTargeted), 1);
    EXPECT_EQ(dispatcher->setPriority(9, leaver.get(), false, kTargeted), 0);
    EXPECT_EQ(dispatcher->retrievePriorityField(leaver.get(), kTargeted), 9);
    EXPECT_EQ(delegates(kTargeted), (std::vector<CCTouchDelegate*>{leaver.get(), keeper.get()}));
    EXPECT_EQ(began(newTouch()), (Lines{"keeper:began", "leaver:began"}));
    EXPECT_EQ(delegates(kTargeted), (std::vector<CCTouchDelegate*>{keeper.get()}));
}

struct OperatorCase {
    int32_t op, arg1, arg2, matches;
};

TEST_F(DispatcherTest, OperatorsCompareFieldValues)
{
    for (int32_t priority : {-2, -1, 0, 1, 2}) (void)targeted("p", priority);
    const OperatorCase cases[] = {
        {0, 0, 0, 0},   {1, 0, 0, 5},   {2, 0, 0, 4},   {3, 0, 0, 1},   {4, 0, 0, 3},   {5, 0, 0, 2},
        {6, 0, 0, 3},   {7, 0, 0, 2},   {8, -1, 1, 3},  {9, -1, 1, 2},  {10, -1, 1, 2}, {11, -1, 1, 1},
        {12, 1, -1, 3}, {13, 1, -1, 2}, {14, 1, -1, 2}, {15, 1, -1, 1}, {16, 1, -1, 4}, {17, 1, -1, 3},
        {18, 1, -1, 3}, {19, 1, -1, 2}, {20, -1, 1, 4}, {21, -1, 1, 3}, {22, -1, 1, 3}, {23, -1, 1, 2},
        {24, 0, 0, 0},  {-1, 0, 0, 0},
    };
    for (const OperatorCase& c : cases) {
        SCOPED_TRACE(c.op);
        EXPECT_EQ(dispatcher->setDelegatesField(CCTouchDispatcher::kAlterCountAll, 0,
                                                CCTouchDispatcher::kFieldPriority, c.arg1, c.arg2, c.op,
                                                kTargeted),
                  c.matches);
    }
}

TEST_F(DispatcherTest, SwallowFlagExistsOnlyInTheTargetedList)
{
    auto both = makeRef<LoggingBoth>("both", log);
    dispatcher->addTargetedDelegate(both.get(), 0, true);
    dispatcher->addStandardDelegate(both.get(), 0);
    EXPECT_EQ(dispatcher->countFieldUsage(CCTouchDispatcher::kFieldSwallows, 1, kTargeted), 1);
    EXPECT_EQ(dispatcher->countFieldUsage(CCTouchDispatcher::kFieldSwallows, 1, kStandard), 0);
    EXPECT_EQ(dispatcher->setField(CCTouchDispatcher::kAlterSwallows, 0, both.get(), kStandard), 0);
    EXPECT_EQ(dispatcher->setField(CCTouchDispatcher::kAlterSwallows, 0, both.get(), kTargeted), 1);
    EXPECT_FALSE(dispatcher->handlerAt(kTargeted, 0)->asTargeted()->swallowsTouches());
}

struct RetrieveCase {
    const char* name;
    int32_t field;
    bool known;
    int32_t type;
    int32_t expected;
};

TEST_F(DispatcherTest, RetrieveFieldReadsTheDelegatesFirstHandler)
{
    auto both = makeRef<LoggingBoth>("both", log);
    auto stranger = makeRef<LoggingBoth>("stranger", log);
    dispatcher->addTargetedDelegate(both.get(), 7, true, 3, 1, 0);
    dispatcher->addStandardDelegate(both.get(), -1, 4, 0, 0);
    dispatcher->addTargetedDelegate(both.get(), 9, false);  // not the first one found
    const RetrieveCase cases[] = {
        {"delegate", CCTouchDispatcher::kFieldDelegate, true, kTargeted, 1},
        {"priority", CCTouchDispatcher::kFieldPriority, true, kTargeted, 7},
        {"tag", CCTouchDispatcher::kFieldTag, true, kTargeted, 3},
        {"disable", CCTouchDispatcher::kFieldDisable, true, kTargeted, 1},
        {"remove", CCTouchDispatcher::kFieldRemove, true, kTargeted, 0},
        {"swallows", CCTouchDispatcher::kFieldSwallows, true, kTargeted, 1},
        {"swallows, standard list", CCTouchDispatcher::kFieldSwallows, true, kStandard, INT32_MAX},
        {"priority, standard list", CCTouchDispatcher::kFieldPriority, true, kStandard, -1},
        {"tag, standard list", CCTouchDispatcher::kFieldTag, true, kStandard, 4},
        {"field above 7", CCTouchDispatcher::kFieldAll, true, kTargeted, INT32_MAX},
        {"unknown delegate", CCTouchDispatcher::kFieldPriority, false, kTargeted, INT32_MAX},
    };
    for (const RetrieveCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(
            dispatcher->retrieveField(c.field, c.known ? both.get() : stranger.get(), c.type), c.expected);
    }
    EXPECT_EQ(dispatcher->retrievePriorityField(nullptr, kTargeted), INT32_MAX);
}

TEST_F(DispatcherTest, QueriesDuringAnEventSeePendingAdditions)
{
    auto trigger = targeted("trigger", 0, false, false);
    auto late = makeRef<LoggingTargeted>("late", log, false);
    std::map<std::string, int32_t> seen;
    trigger->onBegan = [&, fired = false]() mutable {
        if (fired) return;
        fired = true;
        dispatcher->addTargetedDelegate(trigger.get(), 50, false);
        seen["priority after one"] = dispatcher->retrievePriorityField(trigger.get(), kTargeted);
        dispatcher->addTargetedDelegate(trigger.get(), 60, false);
        seen["priority after two"] = dispatcher->retrievePriorityField(trigger.get(), kTargeted);
        dispatcher->addTargetedDelegate(late.get(), 0, false);
        seen["count at 0"] = dispatcher->countPriorityUsage(0, kTargeted);
        seen["uses"] = dispatcher->countDelegateUsage(trigger.get(), kTargeted);
        dispatcher->removeDelegate(late.get());
        seen["all after removal"] = dispatcher->countDelegatesUsage(kTargeted);
        seen["late uses"] = dispatcher->countDelegateUsage(late.get(), kTargeted);
    };
    began(newTouch());
    EXPECT_EQ(seen["priority after one"], 50);
    EXPECT_EQ(seen["priority after two"], 60);
    EXPECT_EQ(seen["count at 0"], 2);
    EXPECT_EQ(seen["uses"], 3);
    EXPECT_EQ(seen["all after removal"], 3);
    EXPECT_EQ(seen["late uses"], 0);
    EXPECT_EQ(priorities(kTargeted), (std::vector<int32_t>{0, 50, 60}));
    EXPECT_EQ(dispatcher->retrievePriorityField(trigger.get(), kTargeted), 0);
}

TEST_F(DispatcherTest, InvalidSelectionsAreRefused)
{
    (void)targeted("t", 0);
    EXPECT_EQ(dispatcher->alterTouchHandler(kTargeted, nullptr, CCTouchDispatcher::kFieldDelegate, 0, 0, 1,
                                            CCTouchDispatcher::kAlterRemove, 1),
              -1);
    EXPECT_EQ(
        dispatcher->removeDelegatesWithField(CCTouchDispatcher::kFieldDelegate, 0, 0, 1, false, kTargeted),
        -1);
    EXPECT_EQ(dispatcher->setField(99, 1, dispatcher->handlerAt(kTargeted, 0)->delegate(), kTargeted), 0);
    dispatcher->add(nullptr, 0, kTargeted);
    dispatcher->addTargetedDelegate(nullptr, 0, true);
    dispatcher->addStandardDelegate(nullptr, 0);
    EXPECT_EQ(dispatcher->handlerCount(kTargeted), 1);
    EXPECT_EQ(dispatcher->handlerCount(kStandard), 0);
}

TEST_F(DispatcherTest, HandlerInTheWrongListIsNeverCalled)
{
    auto plain = makeRef<LoggingStandard>("std", log);
    dispatcher->add(CCStandardTouchHandler::handlerWithDelegate(plain.get(), 0).get(), 0, kTargeted);
    auto tgt = makeRef<LoggingTargeted>("tgt", log);
    dispatcher->add(CCTargetedTouchHandler::handlerWithDelegate(tgt.get(), 0, false).get(), 0, kStandard);
    EXPECT_EQ(began(newTouch()), Lines{});
}

// --- Settings, delivery switch and listing -----------------------------------

TEST_F(DispatcherTest, SettingsChangedDuringAnEventWaitUntilItEnds)
{
    auto trigger = targeted("trigger", 0, true);
    (void)standard("std", 0);
    std::map<std::string, int32_t> seen;
    trigger->onBegan = [&, fired = false]() mutable {
        if (fired) return;
        fired = true;
        dispatcher->setProcessStandardHandlersFirst(true);
        dispatcher->setSortingAlgorithm(CCTouchDispatcher::kSortMerge);
        dispatcher->setReversePriority(true);
        dispatcher->setUsersComparator(&byTagAscending);
        seen["first"] = dispatcher->processStandardHandlersFirst();
        seen["algorithm"] = dispatcher->sortingAlgorithm();
        seen["reverse"] = dispatcher->reversePriority();
        seen["comparator"] = dispatcher->usersComparator() == &byTagAscending;
    };
    auto a = newTouch();
    auto b = newTouch();
    trigger->onlyClaim = a.get();
    // This event still runs targeted first: the standard handler sees only b.
    EXPECT_EQ(send(UITouchPhase::Began, {a, b}), (Lines{"trigger:began", "trigger:began", "std:began(1)"}));
    EXPECT_EQ(seen, (std::map<std::string, int32_t>{{"first", 1}, {"algorithm", 2}, {"reverse", 1},
                                                    {"comparator", 1}}));
    EXPECT_TRUE(dispatcher->processStandardHandlersFirst());
    EXPECT_EQ(dispatcher->sortingAlgorithm(), CCTouchDispatcher::kSortMerge);
    EXPECT_TRUE(dispatcher->reversePriority());
    EXPECT_EQ(send(UITouchPhase::Began, {a, b}), (Lines{"std:began(2)", "trigger:began", "trigger:began"}));
}

TEST_F(DispatcherTest, SwitchedOffDeliveryLosesEventsAndLeavesClaimsBehind)
{
    auto t = targeted("t", 0);
    (void)standard("std", 0);
    auto touch = newTouch();
    dispatcher->setDispatchEvents(false);
    EXPECT_EQ(began(touch), Lines{});
    dispatcher->setDispatchEvents(true);
    began(touch);
    dispatcher->setDispatchEvents(false);
    EXPECT_EQ(ended(touch), Lines{});
    dispatcher->setDispatchEvents(true);
    EXPECT_EQ(dispatcher->handlerAt(kTargeted, 0)->asTargeted()->claimedTouches().size(), 1u);
    EXPECT_EQ(moved(touch), (Lines{"t:moved"}));
}

class ListingDispatcher : public CCTouchDispatcher {
public:
    std::vector<std::pair<int32_t, int32_t>> listed;  // (entry number, priority)

protected:
    void debugLog(int32_t, int32_t nr, CCTouchHandler* handler) override
    {
        listed.emplace_back(nr, handler->priority());
    }
    void debugLog(int32_t, int32_t nr, CCHandlersToDo* toDo) override
    {
        listed.emplace_back(nr, toDo->handler()->priority());
    }
};

TEST_F(DispatcherTest, DebugListingVisitsLiveThenPendingHandlers)
{
    auto listing = makeRef<ListingDispatcher>();
    dispatcher.reset(listing.get());
    auto trigger = targeted("trigger", 1, false, false);
    (void)targeted("other", 2, false, false);
    EXPECT_EQ(dispatcher->printDebugLog(0, kTargeted), 2);
    EXPECT_EQ(listing->listed, (std::vector<std::pair<int32_t, int32_t>>{{1, 1}, {2, 2}}));
    EXPECT_EQ(dispatcher->printDebugLog(0, 5), 0);

    listing->listed.clear();
    int32_t queued = 0;
    trigger->onBegan = [&, fired = false]() mutable {
        if (fired) return;
        fired = true;
        dispatcher->addTargetedDelegate(trigger.get(), 0, false);
        queued = dispatcher->printDebugLog(0, true, kTargeted);
        EXPECT_TRUE(listing->listed.empty());
        EXPECT_EQ(dispatcher->printDebugLog(0, false, kTargeted), 3);  // at once, pending included
    };
    began(newTouch());
    EXPECT_EQ(queued, -1);
    EXPECT_EQ(listing->listed, (std::vector<std::pair<int32_t, int32_t>>{{1, 1}, {2, 2}, {3, 0},
                                                                         {1, 0}, {2, 1}, {3, 2}}));
}

TEST(CCTouchDispatcherShared, IsOneInstance)
{
    CCTouchDispatcher* shared = CCTouchDispatcher::sharedDispatcher();
    EXPECT_EQ(shared, CCTouchDispatcher::sharedDispatcher());
    EXPECT_TRUE(shared->dispatchEvents());
    EXPECT_FALSE(shared->locked());
}

} // namespace
} // namespace mw
