#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "engine/director/CCDirectorFast.h"
#include "engine/director/CCDirectorFastThreaded.h"
#include "engine/nodes/CCScene.h"
#include "engine/scheduler/CCScheduler.h"
#include "foundation/Clock.h"
#include "foundation/Log.h"
#include "foundation/NSTimer.h"
#include "foundation/RunLoop.h"

namespace mw::test {
namespace {

using Journal = std::vector<std::string>;
using SteadyClock = std::chrono::steady_clock;

// Counts the scheduler's ticks (one a frame unless paused), notes the thread
// of each and lets a test act at a given frame.
class FrameRecorder : public Object {
public:
    void update(float)
    {
        threads.push_back(std::this_thread::get_id());
        ++frames;
        if (onFrame) onFrame(frames);
    }
    std::vector<std::thread::id> threads;
    int frames = 0;
    std::function<void(int frame)> onFrame;
};

// The shared director of one busy kind, without a view (the frames still
// time, tick and switch scenes), and a recorder ticked by its frames.
class FastDriverTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(CCDirector::currentDirector(), nullptr);
        recorder = makeRef<FrameRecorder>();
        CCScheduler::sharedScheduler()->scheduleUpdateForTarget(recorder.get(), 0, false);
    }
    void TearDown() override
    {
        RunLoop::main().setEventSource(nullptr);
        CCDirector::purgeSharedDirector();
        RunLoop::main().drain(); // frames still queued find no director
        CCScheduler::sharedScheduler()->unscheduleUpdateForTarget(recorder.get());
    }
    template <typename Driver> Driver* makeDirector(int32_t type)
    {
        EXPECT_TRUE(CCDirector::setDirectorType(type));
        return dynamic_cast<Driver*>(CCDirector::currentDirector());
    }
    static void runLoopFor(double seconds)
    {
        RunLoop::main().runUntil([] { return false; }, seconds);
    }

    Ref<FrameRecorder> recorder;
};

TEST_F(FastDriverTest, TheBusyTypesMakeTheirDrivers)
{
    EXPECT_NE(makeDirector<CCDirectorFast>(kCCDirectorTypeMainLoop), nullptr);
    CCDirector::purgeSharedDirector();
    EXPECT_NE(makeDirector<CCDirectorFastThreaded>(kCCDirectorTypeThreadMainLoop), nullptr);
}

TEST_F(FastDriverTest, FastLoopDrawsUntilStoppedAndTurnsTheRunLoopBetweenFrames)
{
    auto* director = makeDirector<CCDirectorFast>(kCCDirectorTypeMainLoop);
    ASSERT_NE(director, nullptr);
    Journal journal;
    int polls = 0;
    RunLoop::main().setEventSource([&] {
        ++polls;
        return false;
    });
    auto clock = std::make_shared<ManualClock>(100);
    ScopedClockSource useClock(clock);
    RunLoop::main().addTimer(NSTimer::timer(0.5, false, [&](NSTimer*) { journal.push_back("timer"); }));
    recorder->onFrame = [&](int frame) {
        journal.push_back("frame " + std::to_string(frame));
        if (frame == 2) RunLoop::performOnMain([&] { journal.push_back("work"); });
        if (frame == 5) director->stopAnimation();
    };

    director->runWithScene(CCScene::node().get());
    director->startAnimation(); // already running: no second loop
    EXPECT_TRUE(director->isRunning());
    EXPECT_EQ(director->totalFrames(), 0u) << "the loop begins at the next turn of the run loop";
    EXPECT_EQ(RunLoop::main().pendingWorkCount(), 1u);

    clock->advance(1); // the timer is due at the loop's first turn
    RunLoop::main().drain(); // the loop keeps this turn until frame 5 stops it
    EXPECT_FALSE(director->isRunning());
    EXPECT_EQ(director->totalFrames(), 5u);
    EXPECT_EQ(journal, (Journal{"timer", "frame 1", "frame 2", "work", "frame 3", "frame 4", "frame 5"}));
    EXPECT_GE(polls, 10) << "the window's events are polled before and after every frame";
    EXPECT_EQ(RunLoop::main().pendingWorkCount(), 0u);

    RunLoop::main().drain();
    EXPECT_EQ(director->totalFrames(), 5u) << "stopped: nothing draws";
    recorder->onFrame = [&](int frame) {
        if (frame == 7) director->stopAnimation();
    };
    director->startAnimation();
    RunLoop::main().drain();
    EXPECT_EQ(director->totalFrames(), 7u);
}

TEST_F(FastDriverTest, FastLoopStoppedByAnEventDrawsNoFurtherFrame)
{
    auto* director = makeDirector<CCDirectorFast>(kCCDirectorTypeMainLoop);
    ASSERT_NE(director, nullptr);
    // The window closes during the turn after frame 3: the engine ends there.
    RunLoop::main().setEventSource([&] {
        if (director->totalFrames() == 3 && director->isRunning()) director->end();
        return false;
    });
    director->runWithScene(CCScene::node().get());
    RunLoop::main().drain();
    EXPECT_EQ(director->totalFrames(), 3u);
    EXPECT_EQ(director->runningScene(), nullptr);
}

TEST_F(FastDriverTest, PausedFastLoopRestsBeforeEachFrameAndIgnoresIntervals)
{
    auto* director = makeDirector<CCDirectorFast>(kCCDirectorTypeMainLoop);
    ASSERT_NE(director, nullptr);
    ScopedLogCapture log;
    director->setAnimationInterval(0.5);
    EXPECT_TRUE(log.contains("FastDirectory doesn't support setAnimationInterval, yet"));
    EXPECT_DOUBLE_EQ(director->animationInterval(), 1.0 / 60);

    RunLoop::main().setEventSource([&] {
        if (director->totalFrames() >= 2) director->stopAnimation();
        return false;
    });
    director->runWithScene(CCScene::node().get());
    director->pause();
    const auto start = SteadyClock::now();
    RunLoop::main().drain();
    const auto elapsed = SteadyClock::now() - start;
    EXPECT_EQ(director->totalFrames(), 2u);
    EXPECT_EQ(recorder->frames, 0) << "paused frames do not tick the scheduler";
    EXPECT_GE(elapsed, std::chrono::milliseconds(500)) << "a quarter second's rest before each frame";
    EXPECT_LT(elapsed, std::chrono::seconds(5));
}

TEST_F(FastDriverTest, ThreadedDriverDrawsOnTheMainThreadAndIdlesWhenStopped)
{
    auto* director = makeDirector<CCDirectorFastThreaded>(kCCDirectorTypeThreadMainLoop);
    ASSERT_NE(director, nullptr);
    EXPECT_FALSE(director->hasPacingThread());
    director->runWithScene(CCScene::node().get());
    EXPECT_TRUE(director->hasPacingThread());
    ASSERT_TRUE(RunLoop::main().runUntil([&] { return recorder->frames >= 5; }, 10));
    for (std::thread::id thread : recorder->threads) EXPECT_EQ(thread, std::this_thread::get_id());

    director->stopAnimation();
    EXPECT_FALSE(director->isRunning());
    const uint32_t stoppedAt = director->totalFrames();
    runLoopFor(0.05); // a frame asked for before the stop is skipped
    EXPECT_EQ(director->totalFrames(), stoppedAt);
    EXPECT_TRUE(director->hasPacingThread());
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(RunLoop::main().pendingWorkCount(), 0u) << "a stopped driver asks for no frames";

    director->startAnimation();
    ASSERT_TRUE(RunLoop::main().runUntil([&] { return director->totalFrames() >= stoppedAt + 5; }, 10));
}

// Ending and destroying happen on the main thread while the pacing thread
// waits for a frame that only the main thread could draw: neither may wait
// for that frame.
TEST_F(FastDriverTest, ThreadedDriverEndedOrDestroyedWhileItsFrameWaitsEndsItsThread)
{
    auto* director = makeDirector<CCDirectorFastThreaded>(kCCDirectorTypeThreadMainLoop);
    ASSERT_NE(director, nullptr);
    auto waitForFrameRequest = [] {
        const auto deadline = SteadyClock::now() + std::chrono::seconds(10);
        while (RunLoop::main().pendingWorkCount() == 0 && SteadyClock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return RunLoop::main().pendingWorkCount() == 1;
    };
    director->runWithScene(CCScene::node().get());
    ASSERT_TRUE(waitForFrameRequest());
    director->end(); // joins the thread, which never gets its frame
    EXPECT_FALSE(director->hasPacingThread());
    EXPECT_FALSE(director->isRunning());
    RunLoop::main().drain();
    EXPECT_EQ(director->totalFrames(), 0u) << "the request left behind draws nothing";

    // The director stays after its end and can run again, with a new thread.
    director->runWithScene(CCScene::node().get());
    EXPECT_TRUE(director->hasPacingThread());
    EXPECT_TRUE(RunLoop::main().runUntil([&] { return director->totalFrames() >= 3; }, 10));

    ASSERT_TRUE(waitForFrameRequest());
    CCDirector::purgeSharedDirector(); // destroyed: joins the thread
    RunLoop::main().drain();           // the request finds no director (sanitizers watch)
}

TEST_F(FastDriverTest, PausedThreadedDriverDrawsSlowlyAndIgnoresIntervals)
{
    auto* director = makeDirector<CCDirectorFastThreaded>(kCCDirectorTypeThreadMainLoop);
    ASSERT_NE(director, nullptr);
    ScopedLogCapture log;
    director->pause();
    EXPECT_TRUE(log.contains("FastDirector doesn't support setAnimationInterval, yet"));
    EXPECT_DOUBLE_EQ(director->animationInterval(), 1.0 / 60);

    director->runWithScene(CCScene::node().get());
    runLoopFor(0.6);
    // Frames at about 0, 0.25 and 0.5 s; unpaused there would be hundreds.
    EXPECT_GE(director->totalFrames(), 2u);
    EXPECT_LE(director->totalFrames(), 4u);
    EXPECT_EQ(recorder->frames, 0) << "paused frames do not tick the scheduler";

    director->resume();
    const uint32_t resumedAt = director->totalFrames();
    EXPECT_TRUE(RunLoop::main().runUntil([&] { return recorder->frames >= 20; }, 5));
    EXPECT_GE(director->totalFrames(), resumedAt + 20);
}

} // namespace
} // namespace mw::test
