#include <gtest/gtest.h>

#include <cfloat>
#include <memory>
#include <vector>

#include "engine/actions/CCActionInterval.h"
#include "engine/actions/CCRepeat.h"
#include "engine/actions/CCSequence.h"
#include "engine/actions/CCSpawn.h"
#include "engine/actions/CCSpeed.h"
#include "engine/actions/CCTargetedAction.h"
#include "engine/nodes/CCActionManager.h"
#include "engine/nodes/CCNode.h"
#include "engine/scheduler/CCScheduler.h"
#include "foundation/Random.h"
#include "tests/support/ProbeActions.h"
#include "tests/support/ScriptedRandom.h"
#include "tests/support/SharedInstances.h"

namespace mw {
namespace {

using test::InstantRecorder;
using Log = test::ActionLog;
using test::Recorder;

// The log without its stop entries: a nested sequence stops its inner
// actions again when it is stopped itself.
Log withoutStops(const Log& log)
{
    Log kept;
    for (const auto& entry : log) {
        if (entry.back() != '<') kept.push_back(entry);
    }
    return kept;
}

// Whether every action that started was stopped after its last progress.
bool everyStartedActionStopped(const Log& log)
{
    for (size_t i = 0; i < log.size(); ++i) {
        if (log[i].back() != '>') continue;
        const std::string name = log[i].substr(0, log[i].size() - 1);
        bool stopped = false;
        for (size_t j = i + 1; j < log.size(); ++j) {
            if (log[j] == name + ">") break;
            if (log[j] == name + "<") stopped = true;
            if (log[j].rfind(name + "=", 0) == 0) stopped = false;
        }
        if (!stopped) return false;
    }
    return true;
}

class CompositeTest : public ::testing::Test {
protected:
    void TearDown() override { test::resetSharedInstances(); }
    // The recorders live as long as the test, so a builder can take them
    // straight from these helpers.
    Recorder* interval(const std::string& name, float duration)
    {
        return keep(makeRef<Recorder>(name, duration, &log));
    }
    InstantRecorder* instant(const std::string& name) { return keep(makeRef<InstantRecorder>(name, &log)); }

    // Starts the action on a fresh node and steps it once per entry of `steps`;
    // answers the whole log.
    Log run(CCAction& action, const std::vector<float>& steps)
    {
        log.clear();
        action.startWithTarget(node);
        for (float dt : steps) action.step(dt);
        return log;
    }

    Log log;
    Ref<CCNode> node = CCNode::node();

private:
    template <typename T>
    T* keep(Ref<T> action)
    {
        made_.push_back(action);
        return action.get();
    }

    std::vector<Ref<CCAction>> made_;
};

TEST_F(CompositeTest, SequenceStartsEachActionWhenThePreviousEnds)
{
    auto sequence = CCSequence::actionOne(interval("a", 1), interval("b", 1));
    EXPECT_EQ(sequence->duration(), 2);
    EXPECT_EQ(run(*sequence, {0, 0.5f, 1, 0.5f}),
              (Log{"a>", "a=0", "a=0.5", "a=1", "a<", "b>", "b=0.5", "b=1"}));
    EXPECT_TRUE(sequence->isDone());
}

TEST_F(CompositeTest, SequenceEndsAtCallbacksOnEitherSide)
{
    // A callback first (split 0): the first update runs it through and starts the move.
    auto callbackFirst = CCSequence::actionOne(instant("c"), interval("m", 1));
    EXPECT_EQ(run(*callbackFirst, {0.1f}), (Log{"c!", "m>", "m=0"}));

    // A callback last (split 1): it acts at progress 1, after the move ended.
    auto callbackLast = CCSequence::actionOne(interval("m", 1), instant("c"));
    EXPECT_EQ(run(*callbackLast, {0, 0.5f, 0.5f}), (Log{"m>", "m=0", "m=0.5", "m=1", "m<", "c!"}));

    // Two instants: duration FLT_EPSILON; both act on the first update.
    auto twoInstants = CCSequence::actionOne(instant("x"), instant("y"));
    EXPECT_EQ(twoInstants->duration(), FLT_EPSILON);
    EXPECT_EQ(run(*twoInstants, {0.1f}), (Log{"x!", "y!"}));
    EXPECT_FALSE(twoInstants->isDone());
    twoInstants->step(0.1f);
    EXPECT_TRUE(twoInstants->isDone());
}

TEST_F(CompositeTest, ABigStepRunsEveryCrossedActionToItsEndInOrder)
{
    auto sequence = CCSequence::actions({interval("a", 1), instant("i"), interval("b", 1), interval("c", 1)});
    ASSERT_TRUE(sequence);
    // Through the action manager, as the game runs it: the big frame lands
    // past the end.
    CCActionManager::sharedManager()->addAction(sequence, node, false);
    CCScheduler::sharedScheduler()->tick(0.1f);
    log.clear();
    CCScheduler::sharedScheduler()->tick(10);
    EXPECT_EQ(withoutStops(log), (Log{"a=1", "i!", "b>", "b=1", "c>", "c=1"}));
    EXPECT_TRUE(everyStartedActionStopped(log));
    EXPECT_EQ(CCActionManager::sharedManager()->numberOfRunningActionsInTarget(node), 0u);

    // From the middle of the first action straight into the last one.
    auto again = CCSequence::actions({interval("a", 1), interval("b", 1), interval("c", 1)});
    EXPECT_EQ(withoutStops(run(*again, {0, 0.5f, 2.2f})),
              (Log{"a>", "a=0", "a=0.5", "a=1", "b>", "b=1", "c>", "c=0.7"}));
}

TEST_F(CompositeTest, ListFormsPairFromTheLeftAndReverseInTheOppositeOrder)
{
    auto a = interval("a", 1), b = interval("b", 1), c = interval("c", 1), d = interval("d", 1);
    auto built = dynamicRef<CCSequence>(CCSequence::actions({a, b, c, d}));
    ASSERT_TRUE(built);
    EXPECT_EQ(built->second(), d);
    auto middle = dynamic_cast<CCSequence*>(built->first());
    ASSERT_NE(middle, nullptr);
    EXPECT_EQ(middle->second(), c);
    auto innermost = dynamic_cast<CCSequence*>(middle->first());
    ASSERT_NE(innermost, nullptr);
    EXPECT_EQ(innermost->first(), a);
    EXPECT_EQ(built->duration(), 4);

    auto reversed = built->reverse();
    ASSERT_TRUE(reversed);
    EXPECT_EQ(run(*reversed, {0, 4}), (Log{"d'>", "d'=0", "d'=1", "d'<", "c'>", "c'=1", "c'<", "b'>", "b'=1",
                                           "b'<", "a'>", "a'=1"}));

    EXPECT_EQ(CCSequence::actions({a}).get(), a) << "one action comes back unwrapped";
    EXPECT_FALSE(CCSequence::actions({nullptr, a}));
    EXPECT_FALSE(CCSequence::actions({}));
    auto array = CCArray::array();
    EXPECT_FALSE(CCSequence::actionsWithArray(array));
    array->addObject(a);
    array->addObject(b);
    EXPECT_EQ(CCSequence::actionsWithArray(array)->duration(), 2);
    auto plain = CCActionInterval::actionWithDuration(1);
    EXPECT_FALSE(CCSequence::actionOne(a, plain)->reverse())
        << "an inner action without a reverse gives none";
}

TEST_F(CompositeTest, ProgressRunningBackwardsFinishesTheSecondAndRestartsTheFirst)
{
    auto forwards = CCSequence::actionOne(interval("a", 1), interval("b", 1));
    auto backwards = CCReverseTime::actionWithAction(forwards);
    EXPECT_EQ(run(*backwards, {0, 1.5f}),
              (Log{"a>", "a=1", "a<", "b>", "b=1", "b=1", "b<", "a>", "a=0.5"}));
}

TEST_F(CompositeTest, AMissingPartActsAsNothing)
{
    // Built from reverses, which are null for actions without one: the
    // missing part takes no time and does nothing.
    const Ref<CCFiniteTimeAction> none = CCActionInterval::actionWithDuration(1)->reverse();
    ASSERT_FALSE(none);
    struct Case {
        const char* what;
        Ref<CCFiniteTimeAction> composite;
        float duration;
        Log log;
    };
    const std::vector<Case> cases = {
        {"sequence, missing second", CCSequence::actionOne(interval("a", 1), none), 1, {"a>", "a=0", "a=1"}},
        {"sequence, missing first", CCSequence::actionOne(none, interval("b", 1)), 1, {"b>", "b=0", "b=1"}},
        {"sequence, both missing", CCSequence::actionOne(none, none), FLT_EPSILON, {}},
        {"spawn, missing second", CCSpawn::actionOne(interval("a", 1), none), 1, {"a>", "a=0", "a=1"}},
        {"spawn, missing first", CCSpawn::actionOne(none, interval("b", 1)), 1, {"b>", "b=0", "b=1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.composite->duration(), c.duration);
        EXPECT_EQ(withoutStops(run(*c.composite, {0, 1})), c.log);
        EXPECT_TRUE(c.composite->isDone());
    }
}

TEST_F(CompositeTest, SpawnPadsTheShorterActionSoBothEndTogether)
{
    auto spawn = CCSpawn::actionOne(interval("s", 1), interval("l", 3));
    EXPECT_EQ(spawn->duration(), 3);
    // The short action sits in a sequence with its padding, which starts it lazily.
    EXPECT_EQ(run(*spawn, {0}), (Log{"l>", "s>", "s=0", "l=0"}));
    log.clear();
    spawn->step(1.5f);  // progress 0.5: the short action ended at 1/3
    EXPECT_EQ(log, (Log{"s=1", "s<", "l=0.5"}));
    log.clear();
    spawn->step(1.5f);
    EXPECT_EQ(log, (Log{"l=1"}));
    EXPECT_TRUE(spawn->isDone());

    auto three = CCSpawn::actions({interval("x", 1), interval("y", 2), interval("z", 0.5f)});
    EXPECT_EQ(three->duration(), 2);
    auto reversed = spawn->reverse();
    ASSERT_TRUE(reversed);
    EXPECT_EQ(reversed->duration(), 3);
}

TEST_F(CompositeTest, RepeatRunsItsActionTheGivenNumberOfTimes)
{
    auto move = interval("m", 1);
    auto repeat = CCRepeat::actionWithAction(move, 3);
    EXPECT_EQ(repeat->duration(), 3);
    // Each step's progress is the progress within the current repetition,
    // also on the frames that cross a boundary (progress 0.5, then 5/6).
    EXPECT_EQ(run(*repeat, {0, 0.5f, 1.0f, 0.5f, 0.5f}),
              (Log{"m>", "m=0", "m=0.5", "m=1", "m<", "m>", "m=0.5", "m=1", "m=1", "m<", "m>", "m=0.5"}));
    EXPECT_FALSE(repeat->isDone());
    log.clear();
    repeat->step(0.5f);
    EXPECT_EQ(log, (Log{"m=1", "m<"}));
    EXPECT_TRUE(repeat->isDone());
}

TEST_F(CompositeTest, RepeatOfAnInstantActsTheGivenNumberOfTimes)
{
    auto repeat = CCRepeat::actionWithAction(instant("i"), 3);
    const auto count = [](const Log& l) { return std::count(l.begin(), l.end(), "i!"); };
    CCActionManager::sharedManager()->addAction(repeat, node, false);
    for (int i = 0; i < 3; ++i) CCScheduler::sharedScheduler()->tick(0.1f);
    EXPECT_EQ(count(log), 3);
    EXPECT_EQ(CCActionManager::sharedManager()->numberOfRunningActionsInTarget(node), 0u);

    for (const auto& variant : {copyAs<CCFiniteTimeAction>(*repeat), repeat->reverse()}) {
        ASSERT_TRUE(variant);
        log.clear();
        variant->startWithTarget(node);
        while (!variant->isDone()) variant->step(0.1f);
        EXPECT_EQ(std::count(log.begin(), log.end(), "i!") + std::count(log.begin(), log.end(), "i'!"), 3);
    }

    auto never = CCRepeat::actionWithAction(instant("n"), 0);
    never->startWithTarget(node);
    EXPECT_TRUE(never->isDone()) << "a count of 0 must not wrap to a repeat without end";
}

TEST_F(CompositeTest, RepeatEndsWhenItsBoundariesSumAboveOne)
{
    // Ten tenths of a second: in single precision the last boundary lands a
    // rounding step above 1, yet progress 1 must count the last repetition.
    for (uint32_t times : {3u, 7u, 10u, 13u}) {
        auto repeat = CCRepeat::actionWithAction(interval("t", 0.1f), times);
        repeat->startWithTarget(node);
        repeat->step(0);
        int steps = 0;
        while (!repeat->isDone() && steps < 1000) {
            repeat->step(0.1f / 3);
            ++steps;
        }
        EXPECT_TRUE(repeat->isDone()) << times;
        EXPECT_LT(steps, static_cast<int>(times) * 3 + 3) << times;
    }
}

TEST_F(CompositeTest, RepeatForeverCarriesTheOvershootIntoTheNextRound)
{
    auto forever = CCRepeatForever::actionWithAction(interval("r", 1));
    EXPECT_EQ(run(*forever, {0, 0.6f, 0.6f}), (Log{"r>", "r=0", "r=0.6", "r=1", "r>", "r=0", "r=0.2"}));
    EXPECT_FALSE(forever->isDone());

    // Stopping it leaves the inner action running.
    log.clear();
    forever->stop();
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(forever->innerAction()->target(), node.get());
}

TEST_F(CompositeTest, RepeatForeverAroundARandomStartSequenceStartsEachRoundAnywhere)
{
    ScopedRandomSource random(std::make_shared<test::ScriptedRandom>(std::vector<int32_t>{1 << 30, 1 << 29}));
    auto pause = CCDelayTime::actionWithDuration(1);
    auto walk = CCSequenceVorn::actionOne(interval("w", 1), pause);
    auto forever = CCRepeatForever::actionWithAction(walk);
    const Log steps = run(*forever, {0, 1.0f, 0.0f});
    // First round from half way (the delay), second from a quarter (half the walk).
    EXPECT_EQ(steps, (Log{"w>", "w=1", "w<", "w>", "w=0.5", "w=0.5", "w=0.5"}));
}

TEST_F(CompositeTest, SpeedScalesTheTimeAndStopsItsInnerAction)
{
    auto speed = CCSpeed::actionWithAction(interval("s", 2), 2);
    EXPECT_EQ(run(*speed, {0, 0.5f}), (Log{"s>", "s=0", "s=0.5"}));
    EXPECT_FALSE(speed->isDone());
    speed->step(0.5f);
    EXPECT_TRUE(speed->isDone()) << "done one second of frame time after its first step";
    log.clear();
    speed->stop();
    EXPECT_EQ(log, (Log{"s<"}));

    speed->setSpeed(0.5f);
    auto reversed = speed->reverse();
    ASSERT_TRUE(reversed);
    EXPECT_EQ(reversed->speed(), 0.5f);
    EXPECT_EQ(copyAs<CCSpeed>(*speed)->speed(), 0.5f);
}

TEST_F(CompositeTest, ReverseTimeAndTargetedAction)
{
    auto reverse = CCReverseTime::actionWithAction(interval("r", 1));
    EXPECT_EQ(run(*reverse, {0, 0.25f}), (Log{"r>", "r=1", "r=0.75"}));
    EXPECT_EQ(dynamicRef<Recorder>(reverse->reverse())->name, "r");

    auto other = CCNode::node();
    auto inner = interval("t", 1);
    auto targeted = CCTargetedAction::actionWithTarget(other, inner);
    EXPECT_EQ(run(*targeted, {0, 0.5f}), (Log{"t>", "t=0", "t=0.5"}));
    EXPECT_EQ(inner->target(), other.get());
    EXPECT_EQ(targeted->originalTarget(), other.get());
    EXPECT_EQ(targeted->forcedTarget(), other.get());
    auto copied = copyAs<CCTargetedAction>(*targeted);
    EXPECT_EQ(copied->forcedTarget(), other.get());
}

TEST_F(CompositeTest, CopiesAreIdleAndKeepTheirKind)
{
    auto vorn = CCSequenceVorn::actionOne(interval("a", 1), interval("b", 1));
    EXPECT_TRUE(dynamicRef<CCSequenceVorn>(vorn->copy()));
    EXPECT_TRUE(dynamicRef<CCSequenceVorn>(vorn->reverse()));
    EXPECT_TRUE(dynamicRef<CCSequenceVorn>(CCSequenceVorn::actions({interval("x", 1), interval("y", 1), interval("z", 1)})));
    auto plainCopy = copyAs<CCSequence>(*CCSequence::actionOne(interval("a", 1), interval("b", 1)));
    EXPECT_FALSE(dynamicRef<CCSequenceVorn>(plainCopy));
    EXPECT_EQ(plainCopy->target(), nullptr);
    EXPECT_NE(plainCopy->first(), nullptr);
}

} // namespace
} // namespace mw
