#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "engine/director/CCDirectorDisplayLink.h"
#include "engine/director/CCDirectorLifeCycle.h"
#include "engine/director/CCDirectorTimer.h"
#include "engine/labels/CCLabelAtlas.h"
#include "engine/scheduler/CCScheduler.h"
#include "foundation/RunLoop.h"
#include "tests/engine/director/DirectorTestSupport.h"

namespace mw::test {
namespace {

// Counts the scheduler's ticks and remembers their steps.
class StepRecorder : public Object {
public:
    void update(float dt) { steps.push_back(dt); }
    std::vector<float> steps;
};

// The display-link director, as a window runs it: a frame at every refresh
// at 1/30 s, every seventh paused.
class CCDirectorTimeStepTest : public DirectorTest {
protected:
    CCDirectorTimeStepTest() : DirectorTest("phone", HeadlessDriver::Refreshes::Reported) {}

    void SetUp() override
    {
        DirectorTest::SetUp();
        director().setAnimationInterval(1.0 / 30); // a frame at every refresh
        director().runWithScene(CCScene::node().get());
        driver().runFrames(1);
        recorder = makeRef<StepRecorder>();
        CCScheduler::sharedScheduler()->scheduleUpdateForTarget(recorder.get(), 0, false);
    }
    void TearDown() override
    {
        CCScheduler::sharedScheduler()->unscheduleUpdateForTarget(recorder.get());
        DirectorTest::TearDown();
    }
    float step() { return static_cast<float>(driver().step()); }

    Ref<StepRecorder> recorder;
};

// Each case disturbs the clock or the director before one refresh and states
// the step that refresh's frame must deliver (to the director and the tick).
struct TimeStepCase {
    const char* name;
    std::function<void(CCDirectorTimeStepTest&)> before;
    float expectedSteps; // in refresh steps
};

TEST_F(CCDirectorTimeStepTest, StepOfTheNextFrame)
{
    const std::vector<TimeStepCase> cases = {
        {"plain refresh", [](CCDirectorTimeStepTest&) {}, 1},
        {"a stall of three steps is delivered whole",
         [](CCDirectorTimeStepTest& t) { t.driver().clock().advance(3 * t.driver().step()); }, 4},
        {"next step zero requested",
         [](CCDirectorTimeStepTest& t) { t.director().setNextDeltaTimeZero(true); }, 0},
        {"significant time change from the platform",
         [](CCDirectorTimeStepTest&) { CCDirectorLifeCycle().applicationSignificantTimeChange(); }, 0},
        {"clock moved backwards",
         [](CCDirectorTimeStepTest& t) {
             ManualClock& clock = t.driver().clock();
             clock.setMonotonic(clock.monotonicSeconds() - 10);
         },
         0},
    };
    for (const TimeStepCase& c : cases) {
        SCOPED_TRACE(c.name);
        c.before(*this);
        recorder->steps.clear();
        driver().runFrames(1);
        ASSERT_EQ(recorder->steps.size(), 1u);
        EXPECT_NEAR(director().deltaTime(), c.expectedSteps * step(), 1e-5);
        EXPECT_NEAR(recorder->steps[0], c.expectedSteps * step(), 1e-5);
        EXPECT_FALSE(director().nextDeltaTimeZero());
        // The frame after is an ordinary one again.
        recorder->steps.clear();
        driver().runFrames(1);
        EXPECT_NEAR(director().deltaTime(), step(), 1e-5);
    }
}

// Counts how often the frame draws it.
class DrawCounter : public CCNode {
public:
    void draw() override { ++draws; }
    int draws = 0;
};

TEST_F(CCDirectorTimeStepTest, PausedFramesAreDrawnSlowlyWithoutTicksAndResumeSkipsThePause)
{
    Ref<DrawCounter> counter = makeRef<DrawCounter>();
    director().runningScene()->addChild(counter.get());
    director().pause();
    EXPECT_TRUE(director().isPaused());
    EXPECT_DOUBLE_EQ(director().animationInterval(), 0.25);
    const uint32_t framesBefore = director().totalFrames();
    driver().runFrames(70);
    // 0.25 s gives a frame every seventh refresh; none of them ticks.
    EXPECT_EQ(director().totalFrames(), framesBefore + 10);
    EXPECT_EQ(counter->draws, 10); // the scene is still visited
    EXPECT_TRUE(recorder->steps.empty());

    director().resume();
    EXPECT_FALSE(director().isPaused());
    EXPECT_DOUBLE_EQ(director().animationInterval(), 1.0 / 30);
    EXPECT_EQ(director().deltaTime(), 0.0f);
    driver().runFrames(1);
    ASSERT_EQ(recorder->steps.size(), 1u);
    EXPECT_NEAR(recorder->steps[0], step(), 1e-5); // not the 70 paused refreshes
}

// The counter sums the frames' steps and refreshes its figure once the sum
// passes a tenth of a second, with one decimal.
TEST_F(CCDirectorTimeStepTest, FrameRateCounterRefreshesOnceATenthOfASecondHasPassed)
{
    CCLabelAtlas* label = director().FPSLabel();
    ASSERT_NE(label, nullptr) << "fps_images.png is missing";
    director().setDisplayFPS(true);
    struct Frame {
        double step;
        const char* shown;
    };
    const Frame frames[] = {
        {0.03, "00.0"}, {0.03, "00.0"}, {0.03, "00.0"},
        {0.03, "33.3"}, // 4 frames in 0.12 s
        {0.06, "33.3"},
        {0.06, "16.7"}, // 2 frames in 0.12 s
        {0.05, "16.7"},
    };
    for (const Frame& frame : frames) {
        SCOPED_TRACE(frame.step);
        driver().clock().advance(frame.step - step());
        driver().runFrames(1);
        EXPECT_EQ(label->string(), frame.shown);
    }
    EXPECT_NEAR(director().frameRate(), 2 / 0.12f, 1e-3);
    director().setDisplayFPS(false);
}

TEST_F(CCDirectorTimeStepTest, ASecondPauseKeepsTheIntervalSavedByTheFirst)
{
    director().pause();
    director().pause();
    director().resume();
    EXPECT_DOUBLE_EQ(director().animationInterval(), 1.0 / 30);
    director().resume(); // not paused: nothing
    EXPECT_DOUBLE_EQ(director().animationInterval(), 1.0 / 30);
}

TEST(CCDirectorDisplayLinkTest, FrameIntervalFollowsTheAnimationIntervalTimesThirty)
{
    struct Case {
        double interval;
        int fromFormula;
        int used; // by the link: at least every refresh
    };
    const Case cases[] = {{1.0 / 30, 1, 1}, {0.25, 7, 7}, {1.0 / 60, 0, 1}, {0.1, 3, 3}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.interval);
        EXPECT_EQ(CCDirectorDisplayLink::frameIntervalFor(c.interval), c.fromFormula);
        Ref<CCDirectorDisplayLink> director = makeRef<CCDirectorDisplayLink>();
        director->setAnimationInterval(c.interval);
        director->startAnimation();
        ASSERT_NE(director->displayLink(), nullptr);
        EXPECT_EQ(director->displayLink()->frameInterval(), c.used);
        const uint32_t before = director->totalFrames();
        for (int refresh = 0; refresh < 7 * c.used; ++refresh)
            CADisplayLink::displayDidRefresh(refresh);
        EXPECT_EQ(director->totalFrames(), before + 7);
        director->stopAnimation();
        EXPECT_EQ(CADisplayLink::activeLinkCount(), 0u);
    }
}

TEST(CCDirectorTimerTest, TheRunLoopTimerDrawsAFrameEveryIntervalAndFollowsItsChanges)
{
    auto clock = std::make_shared<ManualClock>(100);
    ScopedClockSource useClock(clock);
    Ref<CCDirectorTimer> director = makeRef<CCDirectorTimer>();
    director->setAnimationInterval(0.1);
    EXPECT_FALSE(director->isAnimating());
    director->startAnimation();
    const uint32_t start = director->totalFrames();
    auto after = [&](double seconds) {
        clock->advance(seconds);
        RunLoop::main().drain();
        return director->totalFrames() - start;
    };
    EXPECT_EQ(after(0.05), 0u);
    EXPECT_EQ(after(0.05), 1u);
    EXPECT_NEAR(director->deltaTime(), 0.1f, 1e-5);
    director->setAnimationInterval(0.25); // restarts the timer from now
    EXPECT_EQ(after(0.1), 1u);
    EXPECT_EQ(after(0.15), 2u);
    director->stopAnimation();
    EXPECT_EQ(after(1), 2u);
    EXPECT_EQ(RunLoop::main().timerCount(), 0u);
}

// Headless, the timer director: a frame every refresh at the step's own
// interval, a frame every 0.25 s paused, and never two frames in a refresh.
class HeadlessTimerStepTest : public DirectorTest {};

TEST_F(HeadlessTimerStepTest, OneFrameARefreshAtMostAndPausedFramesEveryQuarterSecond)
{
    ASSERT_NE(dynamic_cast<CCDirectorTimer*>(&director()), nullptr);
    director().setAnimationInterval(driver().step());
    director().runWithScene(CCScene::node().get());
    uint32_t before = director().totalFrames();
    driver().runFrames(60);
    EXPECT_EQ(director().totalFrames(), before + 60);
    EXPECT_NEAR(director().deltaTime(), driver().step(), 1e-6);

    // A step longer than the interval still draws once per refresh.
    director().setAnimationInterval(driver().step() / 4);
    before = director().totalFrames();
    driver().runFrames(10);
    EXPECT_EQ(director().totalFrames(), before + 10);

    director().setAnimationInterval(driver().step());
    director().pause();
    before = director().totalFrames();
    driver().runFrames(75); // 1.25 s at 1/60 s
    EXPECT_EQ(director().totalFrames(), before + 5);
    director().resume();
}

// Judged by what the links do, not by their addresses: the old link is held
// here so that its state can be asked after the rebuild.
TEST_F(CCDirectorTimeStepTest, ChangingTheIntervalWhileRunningRebuildsTheLink)
{
    auto& linkDirector = static_cast<CCDirectorDisplayLink&>(director());
    Ref<CADisplayLink> before = linkDirector.displayLink();
    ASSERT_NE(before, nullptr);
    ASSERT_TRUE(before->isValid());
    linkDirector.setAnimationInterval(0.25);
    EXPECT_FALSE(before->isValid()) << "the old link left the refreshes";
    ASSERT_NE(linkDirector.displayLink(), nullptr);
    EXPECT_TRUE(linkDirector.displayLink()->isValid());
    EXPECT_EQ(linkDirector.displayLink()->frameInterval(), 7);
    EXPECT_EQ(CADisplayLink::activeLinkCount(), 1u);
    // One frame every seventh refresh, from the new link alone.
    const uint32_t framesBefore = director().totalFrames();
    driver().runFrames(21);
    EXPECT_EQ(director().totalFrames(), framesBefore + 3);
}

} // namespace
} // namespace mw::test
