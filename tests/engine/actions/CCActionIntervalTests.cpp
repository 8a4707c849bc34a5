#include <gtest/gtest.h>

#include <cfloat>
#include <memory>
#include <regex>
#include <vector>

#include "engine/actions/CCActionInterval.h"
#include "engine/actions/CCSequence.h"
#include "engine/nodes/CCNode.h"
#include "foundation/Log.h"
#include "foundation/Random.h"
#include "tests/support/ProbeActions.h"
#include "tests/support/ScriptedRandom.h"

namespace mw {
namespace {

using test::InstantRecorder;
using Log = test::ActionLog;
using test::Recorder;

TEST(CCActionInterval, StepsTurnTimeIntoProgressFromTheSecondStepOn)
{
    struct Case {
        const char* what;
        float duration;
        std::vector<float> steps;
        Log progress;
        std::vector<bool> doneAfter;
    };
    const std::vector<Case> cases = {
        {"duration 0", 0, {0.1f, 0.1f}, {"a=0", "a=1"}, {false, true}},
        {"duration 2", 2, {0.5f, 0.5f, 1, 1, 1}, {"a=0", "a=0.25", "a=0.75", "a=1", "a=1"}, {false, false, false, true, true}},
        {"the first step's time is not counted", 1, {5, 0.5f, 0.5f}, {"a=0", "a=0.5", "a=1"}, {false, false, true}},
    };
    for (const auto& c : cases) {
        Log log;
        auto action = makeRef<Recorder>("a", c.duration, &log);
        auto node = CCNode::node();
        action->startWithTarget(node);
        log.clear();
        for (size_t i = 0; i < c.steps.size(); ++i) {
            action->step(c.steps[i]);
            EXPECT_EQ(action->isDone(), c.doneAfter[i]) << c.what << " step " << i;
        }
        EXPECT_EQ(log, c.progress) << c.what;
    }
    EXPECT_EQ(makeRef<Recorder>("z", 0, nullptr)->duration(), FLT_EPSILON);
}

// Long delays at frame-sized steps end on the step that completes their
// duration: the steps add up without losing a frame to rounding.
TEST(CCActionInterval, EndsOnTheStepThatCompletesTheDuration)
{
    struct Case {
        float duration;
        double step;
        int countedSteps; // after the first step, which takes no time
    };
    const Case cases[] = {{1.5f, 1.0 / 30, 45}, {2.0f, 1.0 / 30, 60}, {0.3f, 1.0 / 30, 9},
                          {1.5f, 1.0 / 60, 90}, {10.0f, 1.0 / 60, 600}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.duration << " s in steps of " << c.step);
        Log log;
        auto action = makeRef<Recorder>("a", c.duration, &log);
        auto node = CCNode::node();
        action->startWithTarget(node);
        const float dt = static_cast<float>(c.step);
        action->step(dt);
        for (int i = 1; i < c.countedSteps; ++i) action->step(dt);
        EXPECT_FALSE(action->isDone()) << "one step early";
        action->step(dt);
        EXPECT_TRUE(action->isDone());
    }
}

TEST(CCActionInterval, RestartingResetsTheTimeAndTheFirstStep)
{
    Log log;
    auto action = makeRef<Recorder>("a", 1, &log);
    auto node = CCNode::node();
    action->startWithTarget(node);
    action->step(0);
    action->step(0.75f);
    EXPECT_FLOAT_EQ(action->elapsed(), 0.75f);
    action->startWithTarget(node);
    EXPECT_EQ(action->elapsed(), 0);
    log.clear();
    action->step(0.3f);
    EXPECT_EQ(log, (Log{"a=0"}));
    EXPECT_EQ(action->target(), node.get());
    action->stop();
    EXPECT_EQ(action->target(), nullptr);
    EXPECT_EQ(action->originalTarget(), node.get());
}

TEST(CCActionInterval, RandomStartBeginsAtARandomPointWhateverTheTimeStep)
{
    struct Case {
        int32_t draw;
        const char* firstProgress;
        bool doneAtOnce;
    };
    const std::vector<Case> cases = {
        {0, "s=0", false},
        {1 << 30, "s=0.5", false},
        {2147483647, "s=1", true},  // rounds to 2^31 in single precision
    };
    for (const auto& c : cases) {
        ScopedRandomSource random(std::make_shared<test::ScriptedRandom>(std::vector<int32_t>{c.draw}));
        Log log;
        auto inner = makeRef<Recorder>("s", 2, &log);
        auto pause = CCDelayTime::actionWithDuration(0);
        auto sequence = CCSequenceVorn::actionOne(inner, pause);
        auto node = CCNode::node();
        sequence->startWithTarget(node);
        log.clear();
        sequence->step(123);
        ASSERT_FALSE(log.empty());
        EXPECT_EQ(log[1], c.firstProgress) << c.draw;
        EXPECT_EQ(sequence->isDone(), c.doneAtOnce) << c.draw;
    }
}

TEST(CCAction, CopiesReversesAndTags)
{
    auto base = CCAction::action();
    base->setTag(5);
    EXPECT_EQ(base->copy()->tag(), 5) << "the base copy keeps the tag";

    auto delay = CCDelayTime::actionWithDuration(1.5f);
    delay->setTag(5);
    auto delayCopy = copyAs<CCDelayTime>(*delay);
    EXPECT_EQ(delayCopy->tag(), -1);
    EXPECT_EQ(delayCopy->duration(), 1.5f);
    ASSERT_TRUE(dynamicRef<CCDelayTime>(delay->reverse()));
    EXPECT_EQ(delay->reverse()->duration(), 1.5f);

    auto interval = CCActionInterval::actionWithDuration(2);
    interval->setTag(3);
    EXPECT_EQ(interval->reverse(), nullptr) << "no reverse unless the class has one";
    EXPECT_EQ(interval->copy()->tag(), -1);

    auto instant = makeRef<CCActionInstant>();
    instant->setTag(4);
    EXPECT_EQ(instant->copy()->tag(), -1);
    auto instantReverse = instant->reverse();
    ASSERT_TRUE(instantReverse);
    EXPECT_NE(instantReverse.get(), instant.get());
    EXPECT_TRUE(instant->isDone());
    EXPECT_EQ(instant->duration(), 0);

    EXPECT_TRUE(std::regex_match(base->description(), std::regex("<CCAction = [0-9A-F]{8} \\| Tag = 5>")))
        << base->description();
}

TEST(CCAction, TheBaseClassOnlyLogsWhenAskedToStepOrUpdate)
{
    ScopedLogCapture capture;
    auto action = CCAction::action();
    action->step(0.1f);
    action->update(0.5f);
    EXPECT_TRUE(capture.contains("[Action step]. override me"));
    EXPECT_TRUE(capture.contains("[Action update]. override me"));
    EXPECT_TRUE(action->isDone());
}

} // namespace
} // namespace mw
