#include <gtest/gtest.h>

#include "engine/director/CCDirector.h"
#include "engine/scheduler/CCScheduler.h"
#include "tests/engine/director/DirectorTestSupport.h"

namespace mw::test {
namespace {

class CCDirectorSceneTest : public DirectorTest {
protected:
    Ref<RecordingScene> scene(const char* name, bool transition = false)
    {
        return makeRef<RecordingScene>(name, journal, transition);
    }
    // Runs `first` and draws the frame that enters it, then forgets the journal.
    void runFirst(CCScene* first)
    {
        director().runWithScene(first);
        driver().runFrames(1);
        journal.clear();
    }

    Journal journal;
};

TEST_F(CCDirectorSceneTest, RequestsWaitForTheNextFrame)
{
    Ref<RecordingScene> a = scene("A");
    director().runWithScene(a.get());
    EXPECT_EQ(director().runningScene(), nullptr);
    EXPECT_EQ(director().nextScene(), a.get());
    EXPECT_TRUE(journal.empty());

    driver().runFrames(1);
    EXPECT_EQ(director().runningScene(), a.get());
    EXPECT_EQ(director().nextScene(), nullptr);
    EXPECT_EQ(journal, (Journal{"A:enter", "A:entered"}));
}

TEST_F(CCDirectorSceneTest, TwoReplacementsInOneFrameTheSecondWinsAndTheFirstIsNeverEntered)
{
    Ref<RecordingScene> a = scene("A");
    runFirst(a.get());
    {
        Ref<RecordingScene> b = scene("B");
        Ref<RecordingScene> c = scene("C");
        director().replaceScene(b.get());
        director().replaceScene(c.get());
        b = nullptr; // the stack let go of B when C replaced it
        EXPECT_EQ(journal, (Journal{"B:gone"}));
        driver().runFrames(1);
        EXPECT_EQ(director().runningScene(), c.get());
    }
    EXPECT_EQ(journal, (Journal{"B:gone", "A:exit", "A:cleanup", "C:enter", "C:entered"}));
    EXPECT_EQ(director().scenesStack()->count(), 1u);
    EXPECT_FALSE(a->isRunning());
}

TEST_F(CCDirectorSceneTest, PushKeepsTheSceneBelowAndPopCleansUpTheSceneAbove)
{
    Ref<RecordingScene> a = scene("A");
    runFirst(a.get());
    Ref<RecordingScene> b = scene("B");
    director().pushScene(b.get());
    driver().runFrames(1);
    EXPECT_EQ(journal, (Journal{"A:exit", "B:enter", "B:entered"}));
    EXPECT_EQ(director().scenesStack()->count(), 2u);

    journal.clear();
    director().popScene();
    driver().runFrames(1);
    EXPECT_EQ(journal, (Journal{"B:exit", "B:cleanup", "A:enter", "A:entered"}));
    EXPECT_EQ(director().runningScene(), a.get());
    EXPECT_EQ(director().scenesStack()->count(), 1u);
}

TEST_F(CCDirectorSceneTest, PoppingTheLastSceneEndsTheDirector)
{
    Ref<RecordingScene> a = scene("A");
    runFirst(a.get());
    director().popScene();
    EXPECT_EQ(journal, (Journal{"A:exit", "A:cleanup"}));
    EXPECT_EQ(director().runningScene(), nullptr);
    EXPECT_EQ(director().openGLView(), nullptr);
}

TEST_F(CCDirectorSceneTest, ScenesHandedOverByATransitionAreNotExitedOrEnteredTwice)
{
    Ref<RecordingScene> a = scene("A");
    runFirst(a.get());
    Ref<RecordingScene> transition = scene("T", true);
    director().replaceScene(transition.get());
    driver().runFrames(1);
    // The transition exits A itself; the director only enters the transition.
    EXPECT_EQ(journal, (Journal{"T:enter", "T:entered"}));

    journal.clear();
    Ref<RecordingScene> b = scene("B");
    director().replaceScene(b.get());
    driver().runFrames(1);
    // The transition entered B already; the director only exits the transition.
    EXPECT_EQ(journal, (Journal{"T:exit", "T:cleanup"}));
    EXPECT_EQ(director().runningScene(), b.get());
}

TEST_F(CCDirectorSceneTest, ReplaceBeforeAnySceneRanIsRefused)
{
    Ref<RecordingScene> a = scene("A");
    director().replaceScene(a.get());
    EXPECT_EQ(director().nextScene(), nullptr);
    EXPECT_EQ(director().scenesStack()->count(), 0u);
}

// A request made during the scheduler's tick takes effect in that same frame,
// since the switch comes after the tick and before the drawing.
class ReplacesDuringTick : public Object {
public:
    ReplacesDuringTick(CCScene* next) : next_(next) {}
    void update(float dt)
    {
        if (next_) CCDirector::sharedDirector()->replaceScene(next_);
        next_ = nullptr;
    }

private:
    CCScene* next_;
};

TEST_F(CCDirectorSceneTest, ASceneRequestedDuringTheTickRunsInTheSameFrame)
{
    Ref<RecordingScene> a = scene("A");
    runFirst(a.get());
    Ref<RecordingScene> b = scene("B");
    Ref<ReplacesDuringTick> replacer = makeRef<ReplacesDuringTick>(b.get());
    CCScheduler::sharedScheduler()->scheduleUpdateForTarget(replacer.get(), 0, false);
    const uint32_t framesBefore = director().totalFrames();
    driver().runFrames(1);
    EXPECT_EQ(director().totalFrames(), framesBefore + 1);
    EXPECT_EQ(director().runningScene(), b.get());
    CCScheduler::sharedScheduler()->unscheduleUpdateForTarget(replacer.get());
}

} // namespace
} // namespace mw::test
