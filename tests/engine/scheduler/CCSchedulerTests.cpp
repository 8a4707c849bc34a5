#include <gtest/gtest.h>

#include "tests/support/AliasedPages.h"

#include <sys/mman.h>

#include <algorithm>
#include <functional>
#include <new>
#include <string>
#include <vector>

#include "engine/base/ccMacros.h"
#include "engine/scheduler/CCScheduler.h"
#include "engine/scheduler/CCTimer.h"

namespace mw {
namespace {

// A target that records its calls into a shared log ("name" for updates,
// "name.tick"/"name.tock"/"name.tack" for timers) and runs optional hooks
// inside its callbacks.
class Recorder : public Object {
public:
    Recorder(std::string name, std::vector<std::string>* log, bool* destroyed = nullptr)
        : name(std::move(name)), log(log), destroyed(destroyed)
    {
    }
    ~Recorder() override
    {
        if (destroyed) *destroyed = true;
    }

    void update(float dt)
    {
        log->push_back(name);
        if (onUpdate) onUpdate(dt);
    }
    void tick(float dt) { fire("tick", dt, onTick); }
    void tock(float dt) { fire("tock", dt, onTock); }
    void tack(float dt) { fire("tack", dt, onTack); }

    std::string name;
    std::vector<std::string>* log;
    bool* destroyed;
    std::vector<float> fired;  // the elapsed times passed to the timers
    std::function<void(float)> onUpdate, onTick, onTock, onTack;

private:
    void fire(const char* which, float dt, const std::function<void(float)>& hook)
    {
        log->push_back(name + "." + which);
        fired.push_back(dt);
        if (hook) hook(dt);
    }
};

const SEL_Update kTick = schedule_selector(Recorder::tick);
const SEL_Update kTock = schedule_selector(Recorder::tock);
const SEL_Update kTack = schedule_selector(Recorder::tack);

class CCSchedulerTest : public ::testing::Test {
protected:
    Ref<Recorder> recorder(const std::string& name, bool* destroyed = nullptr)
    {
        return makeRef<Recorder>(name, &log, destroyed);
    }
    // Ticks once and answers what was logged during that tick.
    std::vector<std::string> tick(float dt)
    {
        log.clear();
        scheduler->tick(dt);
        return log;
    }

    std::vector<std::string> log;
    Ref<CCScheduler> scheduler = makeRef<CCScheduler>();
};

using Log = std::vector<std::string>;

TEST_F(CCSchedulerTest, UpdatesRunByPriorityAndEqualPrioritiesInOrderOfScheduling)
{
    const std::vector<std::pair<std::string, int>> registrations = {
        {"a", -5}, {"b", 0}, {"c", 3}, {"d", -5}, {"e", 1}, {"f", 0}, {"g", -7}, {"h", 3},
    };
    std::vector<Ref<Recorder>> targets;
    for (const auto& [name, priority] : registrations) {
        targets.push_back(recorder(name));
        scheduler->scheduleUpdateForTarget(targets.back().get(), priority, false);
    }
    EXPECT_EQ(tick(0.1f), (Log{"g", "a", "d", "b", "f", "e", "c", "h"}));
}

// An update scheduled from inside another's update during the tick: the walk
// takes each successor before the call, so a new entry placed between the
// running one and its successor (or before it) waits for the next tick,
// while one placed further on, or in a list not yet walked, runs at once.
TEST_F(CCSchedulerTest, UpdateScheduledDuringTheWalkRunsWhenTheWalkStillReachesIt)
{
    struct Case {
        int newPriority;
        Log firstTick;
        Log secondTick;
    };
    const std::vector<Case> cases = {
        // between the running entry and its successor
        {-3, {"r", "s", "z"}, {"r", "n", "s", "z"}},
        // before the running entry
        {-10, {"r", "s", "z"}, {"n", "r", "s", "z"}},
        // after the successor
        {-1, {"r", "s", "n", "z"}, {"r", "s", "n", "z"}},
        // in a list not walked yet
        {0, {"r", "s", "z", "n"}, {"r", "s", "z", "n"}},
        {2, {"r", "s", "z", "n"}, {"r", "s", "z", "n"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.newPriority);
        scheduler = makeRef<CCScheduler>();
        auto running = recorder("r");
        auto successor = recorder("s");
        auto last = recorder("z");
        auto added = recorder("n");
        scheduler->scheduleUpdateForTarget(running.get(), -5, false);
        scheduler->scheduleUpdateForTarget(successor.get(), -1, false);
        scheduler->scheduleUpdateForTarget(last.get(), 0, false);
        running->onUpdate = [&](float) {
            scheduler->scheduleUpdateForTarget(added.get(), c.newPriority, false);
            running->onUpdate = nullptr;
        };
        EXPECT_EQ(tick(0.1f), c.firstTick);
        EXPECT_EQ(tick(0.1f), c.secondTick);
    }
}

// Many registrations removed between ticks, then the survivors paused and
// resumed: each survivor must still be found, in its place.
TEST_F(CCSchedulerTest, SurvivorsOfManyRemovalsKeepTheirOrderAndStayReachable)
{
    std::vector<Ref<Recorder>> targets;
    for (int i = 0; i < 40; ++i) {
        targets.push_back(recorder(std::to_string(i)));
        scheduler->scheduleUpdateForTarget(targets.back().get(), (i % 3) - 1, false);
        scheduler->scheduleSelector(kTick, targets.back(), 0, false);
    }
    tick(0.1f);  // starts the timers
    Log expected;
    for (int priority = -1; priority <= 1; ++priority) {
        for (int i = 0; i < 40; ++i) {
            if ((i % 3) - 1 != priority) continue;
            if (i % 4 != 0) {
                scheduler->unscheduleAllSelectorsForTarget(targets[i]);
            } else if (i != 8) {
                expected.push_back(std::to_string(i));
            }
        }
    }
    for (int i = 0; i < 40; i += 4) {
        if (i != 8) expected.push_back(std::to_string(i) + ".tick");
    }
    scheduler->pauseTarget(targets[8]);
    EXPECT_EQ(tick(0.1f), expected);
    EXPECT_TRUE(scheduler->isTargetPaused(targets[8]));
    scheduler->resumeTarget(targets[8]);
    const Log resumed = tick(0.1f);
    EXPECT_EQ(std::count(resumed.begin(), resumed.end(), "8"), 1);
    EXPECT_EQ(std::count(resumed.begin(), resumed.end(), "8.tick"), 1);
    for (int i = 0; i < 40; ++i) {
        EXPECT_EQ(targets[i]->retainCount(), i % 4 == 0 ? 3 : 1) << i;
    }
}

TEST_F(CCSchedulerTest, TimersFireByIntervalDelayAndRepeat)
{
    struct Firing {
        int tick;  // 1-based
        float elapsed;
    };
    struct Case {
        const char* what;
        float interval;
        unsigned repeat;
        float delay;
        float step;
        int ticks;
        std::vector<Firing> firings;
    };
    const std::vector<Case> cases = {
        {"interval 0: every tick from the second", 0, kCCRepeatForever, 0, 0.1f, 4, {{2, 0.1f}, {3, 0.1f}, {4, 0.1f}}},
        {"interval 1 in steps of 0.4: no carry-over", 1, kCCRepeatForever, 0, 0.4f, 8, {{4, 1.2f}, {7, 1.2f}}},
        {"repeat 2: three firings, then gone", 0.5f, 2, 0, 0.5f, 7, {{2, 0.5f}, {3, 0.5f}, {4, 0.5f}}},
        {"repeat 2 with delay 0.5: the delay's excess is kept", 1, 2, 0.5f, 0.3f, 12, {{3, 0.6f}, {6, 1.0f}, {10, 1.2f}}},
        {"once after a delay", 0, 0, 0.25f, 0.1f, 8, {{4, 0.3f}}},
    };
    for (const auto& c : cases) {
        auto target = recorder("t");
        auto freshScheduler = makeRef<CCScheduler>();
        freshScheduler->scheduleSelector(kTick, target, c.interval, false, c.repeat, c.delay);
        std::vector<Firing> seen;
        for (int i = 1; i <= c.ticks; ++i) {
            const size_t before = target->fired.size();
            freshScheduler->tick(c.step);
            if (target->fired.size() > before) seen.push_back({i, target->fired.back()});
        }
        ASSERT_EQ(seen.size(), c.firings.size()) << c.what;
        for (size_t i = 0; i < seen.size(); ++i) {
            EXPECT_EQ(seen[i].tick, c.firings[i].tick) << c.what << " firing " << i;
            EXPECT_NEAR(seen[i].elapsed, c.firings[i].elapsed, 1e-5) << c.what << " firing " << i;
        }
        if (c.repeat != kCCRepeatForever) {
            EXPECT_EQ(target->retainCount(), 1) << c.what << ": a spent timer releases its target";
        }
    }
}

// A timer's elapsed time of exactly -1 means "not started", however it came
// to be: a negative step that lands there makes the next tick start the
// timer again instead of advancing it.
TEST_F(CCSchedulerTest, ATimerSteppedBackToMinusOneStartsAgain)
{
    auto target = recorder("t");
    scheduler->scheduleSelector(kTick, target, 0, false);
    tick(0.1f);  // starts it
    EXPECT_EQ(tick(0.1f), (Log{"t.tick"}));
    scheduler->setTimeScale(-10);
    EXPECT_EQ(tick(0.1f), Log{}) << "elapsed is now -1";
    scheduler->setTimeScale(1);
    EXPECT_EQ(tick(0.25f), Log{}) << "started again";
    EXPECT_EQ(tick(0.25f), (Log{"t.tick"}));
    EXPECT_FLOAT_EQ(target->fired.back(), 0.25f);
}

TEST_F(CCSchedulerTest, TimeScaleMultipliesEveryStep)
{
    auto target = recorder("t");
    scheduler->setTimeScale(2);
    scheduler->scheduleSelector(kTick, target, 0, false);
    scheduler->scheduleUpdateForTarget(target.get(), 0, false);
    float updateStep = 0;
    target->onUpdate = [&](float dt) { updateStep = dt; };
    tick(0.1f);
    tick(0.1f);
    EXPECT_FLOAT_EQ(updateStep, 0.2f);
    ASSERT_EQ(target->fired.size(), 1u);
    EXPECT_FLOAT_EQ(target->fired[0], 0.2f);
}

TEST_F(CCSchedulerTest, TimerThatUnschedulesItselfLetsTheNextTimerRunInTheSameTick)
{
    auto target = recorder("t");
    scheduler->scheduleSelector(kTick, target, 0, false);
    scheduler->scheduleSelector(kTock, target, 0, false);
    // The timer's own state is written after its call returns: freeing it
    // inside the call would be a use after free.
    target->onTick = [&](float) { scheduler->unscheduleSelector(kTick, target.get()); };
    tick(0.1f);  // starts both
    EXPECT_EQ(tick(0.1f), (Log{"t.tick", "t.tock"}));
    EXPECT_EQ(tick(0.1f), (Log{"t.tock"}));
}

TEST_F(CCSchedulerTest, RemovingAnEarlierTimerDuringTheTickSkipsNoneAndRepeatsNone)
{
    auto target = recorder("t");
    scheduler->scheduleSelector(kTick, target, 0, false);
    scheduler->scheduleSelector(kTock, target, 0, false);
    scheduler->scheduleSelector(kTack, target, 0, false);
    target->onTock = [&](float) { scheduler->unscheduleSelector(kTick, target.get()); };
    tick(0.1f);
    EXPECT_EQ(tick(0.1f), (Log{"t.tick", "t.tock", "t.tack"}));
    EXPECT_EQ(tick(0.1f), (Log{"t.tock", "t.tack"}));
}

// Callbacks that reshape the timers while the tick walks them: the walk
// keeps its place through removals before it, moves of the storage (a
// target's timers outgrowing their place, new targets outgrowing the
// table) and a removal paired with an addition that leaves the count as it
// was. A timer added during the tick is reached in it, which only starts it.
TEST_F(CCSchedulerTest, CallbacksThatReshapeTheTimersKeepTheWalkInPlace)
{
    struct Case {
        const char* what;
        // Run once inside t.tock (t has tick, tock, tack) or, with onU, inside u.tick.
        std::function<void(CCScheduler&, Recorder& t, Recorder& u)> hook;
        bool onU;
        Log firstTick;
        Log secondTick;
    };
    std::vector<Ref<Recorder>> extra;  // targets the hooks schedule
    const std::vector<Case> cases = {
        {"an earlier timer removed, the same selector added again: as many timers as before",
         [](CCScheduler& s, Recorder& t, Recorder&) {
             s.unscheduleSelector(kTick, &t);
             s.scheduleSelector(kTick, &t, 0, false);
         },
         false, {"t.tick", "t.tock", "t.tack", "u.tick"}, {"t.tock", "t.tack", "t.tick", "u.tick"}},
        {"two other timers removed: the one left goes back in place",
         [](CCScheduler& s, Recorder& t, Recorder&) {
             s.unscheduleSelector(kTack, &t);
             s.unscheduleSelector(kTick, &t);
         },
         false, {"t.tick", "t.tock", "u.tick"}, {"t.tock", "u.tick"}},
        {"a single timer's target gains a second one",
         [](CCScheduler& s, Recorder&, Recorder& u) { s.scheduleSelector(kTock, &u, 0, false); },
         true, {"t.tick", "t.tock", "t.tack", "u.tick"}, {"t.tick", "t.tock", "t.tack", "u.tick", "u.tock"}},
        {"many new targets, the table outgrows its place",
         [this, &extra](CCScheduler& s, Recorder&, Recorder&) {
             for (int i = 0; i < 40; ++i) {
                 extra.push_back(recorder("x"));
                 s.scheduleSelector(kTick, extra.back(), 0, false);
             }
         },
         false, {"t.tick", "t.tock", "t.tack", "u.tick"}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        scheduler = makeRef<CCScheduler>();
        extra.clear();
        auto t = recorder("t");
        auto u = recorder("u");
        for (SEL_Update selector : {kTick, kTock, kTack}) {
            scheduler->scheduleSelector(selector, t, 0, false);
        }
        scheduler->scheduleSelector(kTick, u, 0, false);
        tick(0.1f);  // starts them
        bool ran = false;
        (c.onU ? u->onTick : t->onTock) = [&](float) {
            if (!ran) c.hook(*scheduler, *t, *u);
            ran = true;
        };
        EXPECT_EQ(tick(0.1f), c.firstTick);
        Log second = tick(0.1f);
        if (!extra.empty()) {
            EXPECT_EQ(std::count(second.begin(), second.end(), "x.tick"), 40);
            second.erase(std::remove(second.begin(), second.end(), "x.tick"), second.end());
            EXPECT_EQ(second, c.firstTick);
        } else {
            EXPECT_EQ(second, c.secondTick);
        }
    }
}

// A timer with a limited count unschedules its selector after the call that
// uses up its repeats, whatever the call did: a timer the call scheduled
// anew for the same selector is the one that goes.
TEST_F(CCSchedulerTest, ASpentTimerThatReschedulesItselfRemovesTheNewTimer)
{
    auto target = recorder("t");
    scheduler->scheduleSelector(kTick, target, 0, false, 0);
    target->onTick = [&](float) {
        scheduler->unscheduleSelector(kTick, target.get());
        scheduler->scheduleSelector(kTick, target.get(), 0, false);
    };
    tick(0.1f);
    EXPECT_EQ(tick(0.1f), (Log{"t.tick"}));
    EXPECT_EQ(target->retainCount(), 1);
    EXPECT_EQ(tick(0.1f), Log{});
}

TEST_F(CCSchedulerTest, UpdatesScheduledInBulkDuringTheWalkKeepItInPlace)
{
    auto running = recorder("r");
    auto successor = recorder("s");
    scheduler->scheduleUpdateForTarget(running.get(), 0, false);
    scheduler->scheduleUpdateForTarget(successor.get(), 0, false);
    std::vector<Ref<Recorder>> added;
    bool ran = false;
    running->onUpdate = [&](float) {
        if (ran) return;
        ran = true;
        // Enough to move the lists' storage; the walked list gets new
        // entries both after the walk's place and (priority -1) in a list
        // already walked.
        for (int i = 0; i < 40; ++i) {
            added.push_back(recorder(i % 2 ? "later" : "now"));
            scheduler->scheduleUpdateForTarget(added.back().get(), i % 2 ? -1 : 0, false);
        }
    };
    Log expected = {"r", "s"};
    expected.insert(expected.end(), 20, "now");
    EXPECT_EQ(tick(0.1f), expected);
    expected = Log(20, "later");
    expected.insert(expected.end(), {"r", "s"});
    expected.insert(expected.end(), 20, "now");
    EXPECT_EQ(tick(0.1f), expected);
}

TEST_F(CCSchedulerTest, TimerThatUnschedulesAnotherTargetHeldOnlyByTheScheduler)
{
    bool secondDestroyed = false;
    auto first = recorder("a");
    auto second = recorder("b", &secondDestroyed);
    scheduler->scheduleSelector(kTick, first, 0, false);
    scheduler->scheduleSelector(kTick, second, 0, false);
    scheduler->scheduleUpdateForTarget(second.get(), 0, false);
    Recorder* secondRaw = second.get();
    second = nullptr;  // only the scheduler holds it now
    first->onTick = [&](float) { scheduler->unscheduleAllSelectorsForTarget(secondRaw); };

    tick(0.1f);
    EXPECT_EQ(tick(0.1f), (Log{"b", "a.tick"}));
    EXPECT_TRUE(secondDestroyed);
    EXPECT_EQ(tick(0.1f), (Log{"a.tick"}));
}

TEST_F(CCSchedulerTest, TargetThatDropsAllItsTimersAndSchedulesANewOneKeepsItsRegistration)
{
    auto target = recorder("t");
    scheduler->scheduleSelector(kTick, target, 0, false);
    bool rescheduled = false;
    target->onTick = [&](float) {
        scheduler->unscheduleAllSelectorsForTarget(target.get());
        if (!rescheduled) {
            rescheduled = true;
            scheduler->scheduleSelector(kTock, target.get(), 0, false);
        }
    };
    tick(0.1f);
    EXPECT_EQ(tick(0.1f), (Log{"t.tick"}));
    // tock took the slot the walk had already passed: it starts in the next
    // tick and fires in the one after.
    EXPECT_EQ(tick(0.1f), Log{});
    EXPECT_EQ(tick(0.1f), (Log{"t.tock"}));
    EXPECT_EQ(target->retainCount(), 2);
}

TEST_F(CCSchedulerTest, UpdateRemovedDuringTheTickIsNotCalledAgainAndCanBeRevived)
{
    auto a = recorder("a");
    auto b = recorder("b");
    auto c = recorder("c");
    scheduler->scheduleUpdateForTarget(a.get(), 0, false);
    scheduler->scheduleUpdateForTarget(b.get(), 5, false);
    scheduler->scheduleUpdateForTarget(c.get(), 0, false);
    a->onUpdate = [&](float) { scheduler->unscheduleUpdateForTarget(b.get()); };
    EXPECT_EQ(tick(0.1f), (Log{"a", "c"}));
    EXPECT_EQ(b->retainCount(), 1) << "removed after the tick";

    // Removing itself and scheduling again in the same tick keeps the old entry.
    scheduler->scheduleUpdateForTarget(b.get(), 5, true);
    a->onUpdate = [&](float) {
        scheduler->unscheduleUpdateForTarget(a.get());
        scheduler->scheduleUpdateForTarget(a.get(), -10, false);
    };
    EXPECT_EQ(tick(0.1f), (Log{"a", "c"})) << "b was registered paused";
    a->onUpdate = nullptr;
    EXPECT_EQ(tick(0.1f), (Log{"a", "c"})) << "a kept its place at priority 0";
}

TEST_F(CCSchedulerTest, SchedulingAKnownSelectorOnlyChangesItsInterval)
{
    auto target = recorder("t");
    scheduler->scheduleSelector(kTick, target, 1, false);
    tick(0.1f);
    tick(0.6f);
    // repeat and delay of the second call are ignored; elapsed (0.6) is kept.
    scheduler->scheduleSelector(kTick, target, 0.5f, false, 0, 3);
    tick(0.1f);
    ASSERT_EQ(target->fired.size(), 1u);
    EXPECT_NEAR(target->fired[0], 0.7f, 1e-6);
    tick(0.5f);
    tick(0.5f);
    EXPECT_EQ(target->fired.size(), 3u) << "still for ever";
}

TEST_F(CCSchedulerTest, PausingCoversTimersAndUpdatesButIsTargetPausedLooksAtTimersOnly)
{
    auto updatesOnly = recorder("u");
    scheduler->scheduleUpdateForTarget(updatesOnly.get(), 0, true);
    EXPECT_FALSE(scheduler->isTargetPaused(updatesOnly));
    EXPECT_EQ(tick(0.1f), Log{});
    scheduler->resumeTarget(updatesOnly);
    EXPECT_EQ(tick(0.1f), (Log{"u"}));

    // Pausing an unknown target records nothing for later registrations.
    auto late = recorder("l");
    scheduler->pauseTarget(late);
    scheduler->scheduleSelector(kTick, late, 0, false);
    scheduler->scheduleUpdateForTarget(late.get(), 1, false);
    EXPECT_FALSE(scheduler->isTargetPaused(late));
    scheduler->pauseTarget(late);
    EXPECT_TRUE(scheduler->isTargetPaused(late));
    tick(0.1f);
    EXPECT_EQ(tick(0.1f), (Log{"u"}));
    scheduler->resumeTarget(late);
    EXPECT_EQ(tick(0.1f), (Log{"u", "l"})) << "the paused timer never started";
    EXPECT_EQ(tick(0.1f), (Log{"u", "l", "l.tick"}));
}

TEST_F(CCSchedulerTest, RegistrationsRetainTheirTargetsUntilRemoved)
{
    auto target = recorder("t");
    scheduler->scheduleUpdateForTarget(target.get(), 0, false);
    scheduler->scheduleSelector(kTick, target, 0, false);
    EXPECT_EQ(target->retainCount(), 3);
    scheduler->unscheduleSelector(kTick, target);
    EXPECT_EQ(target->retainCount(), 2);
    scheduler->unscheduleAllSelectors();
    EXPECT_EQ(target->retainCount(), 1);

    // Null and unknown targets or selectors are ignored.
    scheduler->unscheduleSelector(kTick, nullptr);
    scheduler->unscheduleSelector(nullptr, target);
    scheduler->unscheduleUpdateForTarget(nullptr);
    scheduler->unscheduleAllSelectorsForTarget(target);
    EXPECT_EQ(target->retainCount(), 1);
}

TEST_F(CCSchedulerTest, TargetsWhoseAddressesShareTheLow32BitsStayApart)
{
    // Two targets placed 4 GiB apart: a table keyed by only part of the
    // address would take them for one.
    test::AliasedPages pages(0x5A5A);
    if (!pages.ok()) GTEST_SKIP() << "could not place two pages 4 GiB apart";
    {
        auto* first = new (pages.low()) Recorder("first", &log);
        auto* second = new (pages.high()) Recorder("second", &log);
        ASSERT_EQ(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(first)),
                  static_cast<uint32_t>(reinterpret_cast<uintptr_t>(second)));
        first->retain();  // owned by this test, not deleted through release
        second->retain();

        scheduler->scheduleUpdateForTarget(first, 0, false);
        scheduler->scheduleUpdateForTarget(second, 0, false);
        scheduler->scheduleSelector(kTick, first, 0, false);
        scheduler->scheduleSelector(kTock, second, 0, false);
        tick(0.1f);
        EXPECT_EQ(tick(0.1f), (Log{"first", "second", "first.tick", "second.tock"}));

        scheduler->pauseTarget(second);
        EXPECT_FALSE(scheduler->isTargetPaused(first));
        scheduler->unscheduleAllSelectorsForTarget(first);
        scheduler->resumeTarget(second);
        EXPECT_EQ(tick(0.1f), (Log{"second", "second.tock"}));

        scheduler->unscheduleAllSelectors();
        EXPECT_EQ(first->retainCount(), 1);
        EXPECT_EQ(second->retainCount(), 1);
        first->~Recorder();
        second->~Recorder();
    }
}

TEST(CCSchedulerShared, PurgeReleasesEverythingAndTheNextAccessMakesAFreshOne)
{
    std::vector<std::string> log;
    auto target = makeRef<Recorder>("t", &log);
    CCScheduler* first = CCScheduler::sharedScheduler();
    EXPECT_EQ(CCScheduler::sharedScheduler(), first);
    first->scheduleSelector(kTick, target, 0, false);
    EXPECT_EQ(target->retainCount(), 2);
    CCScheduler::purgeSharedScheduler();
    EXPECT_EQ(target->retainCount(), 1);
    CCScheduler* second = CCScheduler::sharedScheduler();
    ASSERT_NE(second, nullptr);
    second->tick(0.1f);
    EXPECT_TRUE(log.empty());
    CCScheduler::purgeSharedScheduler();
}

TEST(CCTimerAlone, StartsOnItsFirstUpdateAndFiresWithTheElapsedTime)
{
    std::vector<std::string> log;
    auto target = makeRef<Recorder>("t", &log);
    auto timer = CCTimer::timerWithTarget(target, kTick, 0.25f);
    EXPECT_FLOAT_EQ(timer->interval(), 0.25f);
    timer->update(5);  // only starts
    EXPECT_TRUE(target->fired.empty());
    timer->update(0.2f);
    timer->update(0.2f);
    ASSERT_EQ(target->fired.size(), 1u);
    EXPECT_FLOAT_EQ(target->fired[0], 0.4f);
    EXPECT_NE(timer->description().find("<CCTimer = "), std::string::npos);
    EXPECT_NE(timer->description().find("target:Recorder"), std::string::npos);
}

} // namespace
} // namespace mw

namespace mw {
namespace {

// A target whose destructor unschedules another target, as an owner does
// for a helper it registered: letting go of the first may remove the next
// registration of the walk that released it.
class UnschedulesOnDestruction : public Object {
public:
    UnschedulesOnDestruction(CCScheduler& scheduler, Object* other) : scheduler_(scheduler), other_(other) {}
    ~UnschedulesOnDestruction() override { scheduler_.unscheduleAllSelectorsForTarget(other_); }
    void update(float) {}
    void tick(float) { scheduler_.unscheduleSelector(schedule_selector(UnschedulesOnDestruction::tick), this); }

private:
    CCScheduler& scheduler_;
    Object* other_;
};

TEST(CCSchedulerTeardown, ADestructorThatUnschedulesTheNextTargetBreaksNoWalk)
{
    struct Case {
        const char* what;
        bool withTimers;
        bool withUpdates;
        bool bySpentTimer; // the first target's last timer removes itself during a tick
    };
    const Case cases[] = {
        {"unschedule all: timer elements", true, false, false},
        {"unschedule all: update entries", false, true, false},
        {"unschedule all: both", true, true, false},
        {"tick: the element of a timer that removed itself", true, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> log;
        auto scheduler = makeRef<CCScheduler>();
        bool otherDestroyed = false;
        Ref<Recorder> other = makeRef<Recorder>("other", &log, &otherDestroyed);
        Recorder* otherRaw = other.get();
        auto first = makeRef<UnschedulesOnDestruction>(*scheduler, otherRaw);
        const SEL_Update firstTick = schedule_selector(UnschedulesOnDestruction::tick);
        if (c.withTimers) {
            scheduler->scheduleSelector(firstTick, first.get(), 0, false);
            scheduler->scheduleSelector(kTick, otherRaw, 0, false);
        }
        if (c.withUpdates) {
            scheduler->scheduleUpdateForTarget(first.get(), 0, false);
            scheduler->scheduleUpdateForTarget(otherRaw, 0, false);
        }
        // Only the scheduler holds the two targets now.
        first = nullptr;
        other = nullptr;
        if (c.bySpentTimer) {
            scheduler->tick(0.1f); // starts the timers
            scheduler->tick(0.1f); // the first timer removes itself, and so its target
        } else {
            scheduler->unscheduleAllSelectors();
        }
        EXPECT_TRUE(otherDestroyed);
        scheduler->tick(0.1f);
    }
}

} // namespace
} // namespace mw
