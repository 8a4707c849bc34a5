#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "foundation/Clock.h"
#include "foundation/NSTimer.h"
#include "foundation/RunLoop.h"

namespace mw {
namespace {

// A run loop of the test's own thread, driven by a manual clock.
class RunLoopTest : public ::testing::Test {
protected:
    // The loop keeps the timer; a test that never looks at it drops the answer with (void).
    Ref<NSTimer> addTimer(double interval, bool repeats, const std::string& tag)
    {
        auto record = [this, tag](NSTimer*) { fired_.push_back(tag); };
        Ref<NSTimer> timer = NSTimer::timer(interval, repeats, record);
        loop_.addTimer(timer);
        return timer;
    }
    // Advances the clock and drains once; answers what fired in that drain.
    std::vector<std::string> step(double seconds)
    {
        fired_.clear();
        clock_->advance(seconds);
        loop_.drain();
        return fired_;
    }

    std::shared_ptr<ManualClock> clock_ = std::make_shared<ManualClock>(100.0);
    ScopedClockSource clockScope_{clock_};
    RunLoop loop_;
    std::vector<std::string> fired_;
};

using Fired = std::vector<std::string>;

TEST_F(RunLoopTest, DueTimersFireInOrderOfFireDateThenCreation)
{
    (void)addTimer(0.3, false, "late");
    (void)addTimer(0.1, false, "early");
    (void)addTimer(0.2, false, "tie-first");
    (void)addTimer(0.2, false, "tie-second");
    EXPECT_EQ(Fired{}, step(0.05));
    EXPECT_EQ((Fired{"early", "tie-first", "tie-second"}), step(0.2));
    EXPECT_EQ((Fired{"late"}), step(0.1));
    EXPECT_EQ(Fired{}, step(1.0)) << "one-shot timers fire once";
    EXPECT_EQ(0u, loop_.timerCount());
}

TEST_F(RunLoopTest, RepeatingTimerKeepsItsCadenceAndCatchesUpOnceWhenLate)
{
    Ref<NSTimer> timer = addTimer(1.0, true, "tick");
    // Steps are binary fractions so the clock sums exactly.
    EXPECT_EQ(Fired{"tick"}, step(1.25));
    EXPECT_DOUBLE_EQ(102.0, timer->fireDate()) << "a little late: the cadence stays";
    EXPECT_EQ(Fired{}, step(0.5));
    EXPECT_EQ(Fired{"tick"}, step(0.25));
    EXPECT_EQ(Fired{"tick"}, step(5.5)) << "late by several intervals fires once";
    EXPECT_DOUBLE_EQ(108.5, timer->fireDate()) << "and is rescheduled from now";
    EXPECT_TRUE(timer->isValid());
    timer->invalidate();
    EXPECT_EQ(Fired{}, step(2.0));
}

// A clock moved in steps that do not sum exactly (1/60 s, 1/30 s) meets a
// timer whose dates are sums of its interval: each firing lands on the step
// that reaches its date, never a step later for the rounding.
TEST_F(RunLoopTest, SteppedClockFiresTheTimerOnTheStepThatReachesItsDate)
{
    struct Case {
        double interval;
        double step;
        int steps;
        int firings;
    };
    const Case cases[] = {{0.25, 1.0 / 60, 75, 5}, {1.0 / 30, 1.0 / 60, 120, 60}, {0.1, 1.0 / 30, 90, 30}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.interval << " in steps of " << c.step);
        Ref<NSTimer> timer = addTimer(c.interval, true, "tick");
        int firings = 0;
        for (int i = 1; i <= c.steps; ++i) {
            const bool fired = !step(c.step).empty();
            firings += fired;
            const int period = static_cast<int>(std::lround(c.interval / c.step));
            EXPECT_EQ(fired, i % period == 0) << "step " << i;
        }
        EXPECT_EQ(firings, c.firings);
        timer->invalidate();
    }
}

TEST_F(RunLoopTest, ChangesMadeByTimersDuringADrain)
{
    Ref<NSTimer> victim = addTimer(0.2, false, "victim");
    Ref<NSTimer> selfStopping;
    loop_.addTimer(NSTimer::timer(0.1, false, [&](NSTimer*) {
        fired_.push_back("killer");
        victim->invalidate();
        loop_.addTimer(NSTimer::timer(0, false, [&](NSTimer*) { fired_.push_back("newborn"); }));
    }));
    selfStopping = NSTimer::timer(0.1, true, [&](NSTimer* t) {
        fired_.push_back("once");
        t->invalidate();
    });
    loop_.addTimer(selfStopping);

    EXPECT_EQ((Fired{"killer", "once"}), step(0.5)) << "the invalidated timer and the new one stay quiet";
    EXPECT_EQ((Fired{"newborn"}), step(0.01)) << "the new timer fires in the next drain";
    EXPECT_EQ(Fired{}, step(1.0));
}

class Counter : public Object {
public:
    void tick(Object* timer) { ++ticks; lastTimer = timer; }
    void bump() { ++bumps; }
    int ticks = 0;
    int bumps = 0;
    Object* lastTimer = nullptr;
};

TEST_F(RunLoopTest, TargetSelectorTimersOnTheMainLoopRetainTheirTarget)
{
    Ref<Counter> counter = makeRef<Counter>();
    Ref<NSTimer> repeating = NSTimer::scheduledTimer(0.5, counter, callO_selector(Counter::tick), true);
    Ref<NSTimer> once = NSTimer::scheduledTimer(0.5, counter, call_selector(Counter::bump), false);
    EXPECT_EQ(3, counter->retainCount()) << "each scheduled timer holds the target";

    clock_->advance(1.2);
    RunLoop::main().drain();
    EXPECT_EQ(1, counter->ticks);
    EXPECT_EQ(repeating.get(), counter->lastTimer);
    EXPECT_EQ(1, counter->bumps);
    EXPECT_FALSE(once->isValid());
    EXPECT_EQ(2, counter->retainCount()) << "a fired one-shot lets go of its target";

    repeating->invalidate();
    EXPECT_EQ(1, counter->retainCount());
    clock_->advance(5);
    RunLoop::main().drain();
    EXPECT_EQ(1, counter->ticks);
}

TEST_F(RunLoopTest, WorkFromAnotherThreadRunsOnTheNextDrainInOrder)
{
    std::vector<int> order;
    std::vector<std::thread::id> threads;
    std::thread sender([&] {
        for (int i = 0; i < 3; ++i) {
            loop_.perform([&, i] {
                order.push_back(i);
                threads.push_back(std::this_thread::get_id());
            });
        }
    });
    sender.join();
    EXPECT_TRUE(order.empty()) << "nothing runs before the drain";
    loop_.drain();
    EXPECT_EQ((std::vector<int>{0, 1, 2}), order);
    for (auto id : threads) EXPECT_EQ(std::this_thread::get_id(), id);
}

TEST_F(RunLoopTest, WaitingSenderBlocksUntilTheDrainRanItsWork)
{
    std::atomic<bool> workRan{false};
    std::atomic<bool> senderResumed{false};
    std::atomic<bool> ranBeforeResume{false};
    std::thread sender([&] {
        loop_.perform([&] { workRan = true; }, true);
        ranBeforeResume = workRan.load();
        senderResumed = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(senderResumed) << "the sender waits for a drain";
    EXPECT_TRUE(loop_.runUntil([&] { return senderResumed.load(); }, 10.0));
    sender.join();
    EXPECT_TRUE(ranBeforeResume);

    bool ranInline = false;
    loop_.perform([&] { ranInline = true; }, true);
    EXPECT_TRUE(ranInline) << "waiting on the loop's own thread runs at once";
}

TEST_F(RunLoopTest, RunOnceReportsEventsAndWorkButNotTimers)
{
    int polls = 0;
    int eventsLeft = 0;
    loop_.setEventSource([&] {
        ++polls;
        if (eventsLeft == 0) return false;
        --eventsLeft;
        return true;
    });
    (void)addTimer(0.5, true, "tick");
    clock_->advance(1.0);
    EXPECT_FALSE(loop_.runOnce()) << "a timer firing alone is no handled source";
    EXPECT_EQ(Fired{"tick"}, fired_);

    loop_.perform([this] { fired_.push_back("work"); });
    EXPECT_TRUE(loop_.runOnce());
    EXPECT_FALSE(loop_.runOnce());

    eventsLeft = 2;
    int turns = 0;
    while (loop_.runOnce()) ++turns;
    EXPECT_EQ(2, turns);
    EXPECT_EQ(6, polls) << "the source is polled at every turn";

    loop_.setEventSource(nullptr);
    EXPECT_FALSE(loop_.runOnce());
    EXPECT_EQ(6, polls);
}

TEST(RunLoop, DestroyingTheLoopReleasesAWaitingSender)
{
    auto loop = std::make_unique<RunLoop>();
    std::atomic<bool> resumed{false};
    std::atomic<bool> workRan{false};
    std::thread sender([&] {
        loop->perform([&] { workRan = true; }, true);
        resumed = true;
    });
    while (loop->pendingWorkCount() == 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    loop.reset();
    sender.join();
    EXPECT_TRUE(resumed);
    EXPECT_FALSE(workRan);
}

// waitForInput sleeps for its bound unless something is to be done sooner.
// The rows that end early wait against a bound far beyond what their cause
// takes, so that a loaded machine's slow wake-up never reaches it.
TEST(RunLoop, WaitForInputEndsForQueuedWorkDueTimersAndOtherThreads)
{
    using namespace std::chrono;
    constexpr double kLongBound = 10;
    struct Row {
        const char* name;
        std::function<void(RunLoop&, std::thread&)> arrange;
        double bound;
        milliseconds atLeast;
        milliseconds below;
    };
    const Row rows[] = {
        {"nothing to do", [](RunLoop&, std::thread&) {}, 0.08, milliseconds(80), milliseconds(5000)},
        {"work queued", [](RunLoop& loop, std::thread&) { loop.perform([] {}); }, kLongBound, milliseconds(0),
         milliseconds(5000)},
        {"timer due soon",
         [](RunLoop& loop, std::thread&) { loop.addTimer(NSTimer::timer(0.03, false, [](NSTimer*) {})); },
         kLongBound, milliseconds(25), milliseconds(5000)},
        {"work from another thread",
         [](RunLoop& loop, std::thread& other) {
             other = std::thread([&loop] {
                 std::this_thread::sleep_for(milliseconds(30));
                 loop.perform([] {});
             });
         },
         kLongBound, milliseconds(25), milliseconds(5000)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        RunLoop loop;
        std::thread other;
        // Timed from before the cause is set up: a timer's 30 ms run from
        // its making, and a loaded machine may pause between the two.
        const auto start = steady_clock::now();
        row.arrange(loop, other);
        loop.waitForInput(row.bound);
        const auto elapsed = steady_clock::now() - start;
        if (other.joinable()) other.join();
        EXPECT_GE(elapsed, row.atLeast);
        EXPECT_LT(elapsed, row.below);
    }
}

TEST(RunLoop, RunUntilGivesUpAfterTheTimeout)
{
    RunLoop loop;
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(loop.runUntil([] { return false; }, 0.05));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));
    EXPECT_TRUE(RunLoop::main().isOwnerThread());
}

} // namespace
} // namespace mw
