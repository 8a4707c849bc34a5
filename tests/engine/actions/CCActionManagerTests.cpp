#include <gtest/gtest.h>

#include "tests/support/AliasedPages.h"

#include <sys/mman.h>

#include <functional>
#include <new>
#include <ostream>
#include <string>
#include <vector>

#include "engine/actions/CCActionInterval.h"
#include "engine/actions/CCTargetedAction.h"
#include "engine/nodes/CCActionManager.h"
#include "engine/nodes/CCNode.h"
#include "engine/scheduler/CCScheduler.h"
#include "tests/support/ProbeActions.h"
#include "tests/support/SharedInstances.h"

namespace mw {
namespace {

using Log = test::ActionLog;
using test::Recorder;
using test::RecorderBase;
using test::TimingRecorder;

// How the manager steps the recorders: through their own step (a virtual
// call), or, for a class that keeps the interval timing, through its direct
// path. Every case here holds for both.
enum class Stepping { Virtual, Direct };

void PrintTo(Stepping stepping, std::ostream* out) { *out << (stepping == Stepping::Virtual ? "virtual" : "direct"); }

class CCActionManagerTest : public ::testing::TestWithParam<Stepping> {
protected:
    void TearDown() override { test::resetSharedInstances(); }
    CCActionManager& manager() { return *CCActionManager::sharedManager(); }
    Ref<RecorderBase> recorder(const std::string& name, float duration = 1)
    {
        if (GetParam() == Stepping::Virtual) {
            return makeRef<Recorder>(name, duration, &log);
        }
        return makeRef<TimingRecorder>(name, duration, &log);
    }
    // Adds a fresh recorder that only the manager holds.
    void addRecorder(const std::string& name, float duration, CCNode* target, bool paused)
    {
        auto action = recorder(name, duration);
        manager().addAction(action, target, paused);
    }
    // One frame through the scheduler, as the director runs it; answers the log of that frame.
    Log frame(float dt)
    {
        log.clear();
        CCScheduler::sharedScheduler()->tick(dt);
        return log;
    }

    Log log;
};

TEST_P(CCActionManagerTest, AFinishedActionIsStoppedAndDroppedInTheSameUpdate)
{
    auto node = CCNode::node();
    auto action = recorder("a", 0.5f);
    manager().addAction(action, node, false);
    EXPECT_EQ(node->retainCount(), 2) << "the manager holds the node while it has actions";
    EXPECT_EQ(action->retainCount(), 2);
    EXPECT_EQ(frame(0.1f), (Log{"a=0"}));
    EXPECT_EQ(frame(0.5f), (Log{"a=1", "a<"}));
    EXPECT_EQ(manager().numberOfRunningActionsInTarget(node), 0u);
    EXPECT_EQ(node->retainCount(), 1);
    EXPECT_EQ(action->retainCount(), 1);
    EXPECT_EQ(frame(0.5f), Log{});
}

TEST_P(CCActionManagerTest, AnActionThatStopsItselfLetsTheNextOneStepAndOutlivesItsStep)
{
    auto node = CCNode::node();
    RecorderBase* self = nullptr;
    {
        auto stopper = recorder("s", 5);
        self = stopper.get();
        stopper->onStep = [&] { manager().removeAction(self); };
        manager().addAction(stopper, node, false);
    }
    addRecorder("n", 5, node, false);
    // The stopper's step writes to itself after the hook: a release inside
    // the step would be a use after free.
    EXPECT_EQ(frame(0.1f), (Log{"s=0", "n=0"}));
    EXPECT_EQ(manager().numberOfRunningActionsInTarget(node), 1u);
    EXPECT_EQ(frame(1.0f), (Log{"n=0.2"}));
}

TEST_P(CCActionManagerTest, StoppingAnEarlierActionStepsEveryRemainingActionOnce)
{
    auto node = CCNode::node();
    auto first = recorder("a", 5);
    auto second = recorder("b", 5);
    auto third = recorder("c", 5);
    for (auto* action : {first.get(), second.get(), third.get()}) manager().addAction(action, node, false);
    second->onStep = [&] { manager().removeAction(first); };
    EXPECT_EQ(frame(0.1f), (Log{"a=0", "b=0", "c=0"}));
    second->onStep = nullptr;
    EXPECT_EQ(frame(1.0f), (Log{"b=0.2", "c=0.2"}));
}

TEST_P(CCActionManagerTest, AnActionRunDuringAStepIsStartedAndSteppedInTheSameUpdate)
{
    auto node = CCNode::node();
    auto spawner = recorder("s", 5);
    auto spawned = recorder("n", 5);
    bool spawnedOnce = false;
    spawner->onStep = [&] {
        if (!spawnedOnce) manager().addAction(spawned, node, false);
        spawnedOnce = true;
    };
    manager().addAction(spawner, node, false);
    EXPECT_EQ(frame(0.1f), (Log{"s=0", "n>", "n=0"}));
}

TEST_P(CCActionManagerTest, ANodeThatLosesItsLastActionAndGainsOneInTheSameStepKeepsIt)
{
    auto node = CCNode::node();
    auto ending = recorder("e", 5);
    auto successor = recorder("n", 5);
    bool handedOver = false;
    ending->onStep = [&] {
        if (handedOver) return;
        handedOver = true;
        manager().removeAllActionsFromTarget(node);
        manager().addAction(successor, node, false);
    };
    manager().addAction(ending, node, false);
    // The walk had passed the newcomer's slot: it is stepped from the next frame.
    EXPECT_EQ(frame(0.1f), (Log{"e=0", "n>"}));
    EXPECT_EQ(manager().numberOfRunningActionsInTarget(node), 1u);
    EXPECT_EQ(frame(1.0f), (Log{"n=0"}));
    EXPECT_EQ(frame(1.0f), (Log{"n=0.2"}));
}

TEST_P(CCActionManagerTest, RemovingAllActionsOfItsOwnNodeDuringAStepEndsThemAll)
{
    bool nodeReleased = false;
    struct Watched : CCNode {
        bool* released = nullptr;
        ~Watched() override { *released = true; }
    };
    auto node = makeRef<Watched>();
    node->released = &nodeReleased;
    CCNode* raw = node.get();
    auto clearer = recorder("x", 5);
    clearer->onStep = [&] { manager().removeAllActionsFromTarget(raw); };
    addRecorder("a", 5, node, false);
    manager().addAction(clearer, node, false);
    addRecorder("c", 5, node, false);
    node = nullptr;  // only the manager holds it now
    EXPECT_EQ(frame(0.1f), (Log{"a=0", "x=0"}));
    EXPECT_TRUE(nodeReleased) << "its entry was deleted after its stepping";
    EXPECT_EQ(manager().numberOfRunningActionsInTarget(raw), 0u);
}

TEST_P(CCActionManagerTest, RemovingAnotherNodesActionsDuringAStepSkipsThatNode)
{
    auto first = CCNode::node();
    auto second = CCNode::node();
    auto third = CCNode::node();
    auto clearer = recorder("x", 5);
    clearer->onStep = [&] {
        manager().removeAllActionsFromTarget(second);
        manager().removeAllActionsFromTarget(first);
    };
    addRecorder("a", 5, first, false);
    manager().addAction(clearer, first, false);
    addRecorder("b", 5, second, false);
    addRecorder("c", 5, third, false);
    EXPECT_EQ(frame(0.1f), (Log{"a=0", "x=0", "c=0"}));
    EXPECT_EQ(second->retainCount(), 1);
    EXPECT_EQ(first->retainCount(), 1);
}

TEST_P(CCActionManagerTest, PausedNodesKeepTheirActionsWithoutSteppingThem)
{
    auto node = CCNode::node();
    addRecorder("a", 1, node, true);
    EXPECT_EQ(log, (Log{"a>"})) << "started at once, even paused";
    EXPECT_EQ(frame(0.1f), Log{});
    addRecorder("b", 1, node, false);  // the entry keeps its pause
    EXPECT_EQ(frame(0.1f), Log{});
    manager().resumeTarget(node);
    EXPECT_EQ(frame(0.1f), (Log{"a=0", "b=0"}));
    manager().pauseTarget(node);
    EXPECT_EQ(frame(0.1f), Log{});
    EXPECT_EQ(manager().numberOfRunningActionsInTarget(node), 2u);

    auto stranger = CCNode::node();
    manager().pauseTarget(stranger);  // unknown: nothing is remembered
    addRecorder("s", 1, stranger, false);
    manager().resumeTarget(node);
    EXPECT_EQ(frame(0.1f), (Log{"a=0.1", "b=0.1", "s=0"}));
}

// Most nodes lose their actions between frames and during one, some gain
// new ones: the survivors must keep their order, their pause state and
// their look-ups, and each node must still be held exactly while it runs.
TEST_P(CCActionManagerTest, SurvivorsOfManyRemovalsKeepOrderPauseAndLookups)
{
    std::vector<Ref<CCNode>> nodes;
    std::vector<Ref<RecorderBase>> actions;
    for (int i = 0; i < 30; ++i) {
        nodes.push_back(CCNode::node());
        actions.push_back(recorder(std::to_string(i), 100));
        actions.back()->setTag(i);
        manager().addAction(actions.back(), nodes.back(), false);
    }
    frame(0.1f);  // every action's first step
    for (int i = 0; i < 30; ++i) {
        if (i % 5 != 0) manager().removeAllActionsFromTarget(nodes[i]);
    }
    manager().pauseTarget(nodes[10]);
    // A node removed and given an action again goes to the end of the walk.
    auto again = recorder("again", 100);
    manager().addAction(again, nodes[3], false);
    EXPECT_EQ(frame(0.1f), (Log{"0=0.001", "5=0.001", "15=0.001", "20=0.001", "25=0.001", "again=0"}));
    for (int i = 0; i < 30; ++i) {
        const bool running = i % 5 == 0 || i == 3;
        EXPECT_EQ(nodes[i]->retainCount(), running ? 2 : 1) << i;
        EXPECT_EQ(manager().numberOfRunningActionsInTarget(nodes[i]), running ? 1u : 0u) << i;
    }
    EXPECT_EQ(manager().getActionByTag(25, nodes[25]), actions[25].get());
    EXPECT_EQ(manager().getActionByTag(-1, nodes[3]), again.get());
    manager().resumeTarget(nodes[10]);
    manager().removeAllActionsFromTarget(nodes[0]);
    EXPECT_EQ(frame(0.1f), (Log{"5=0.002", "10=0.001", "15=0.002", "20=0.002", "25=0.002", "again=0.001"}));
}

// An action whose destructor clears its own node's actions: removing it ends
// the node's entry from inside the removal, which must not touch the entry
// afterwards.
TEST_P(CCActionManagerTest, AnActionWhoseDestructorClearsItsNodeLeavesNoEntryBehind)
{
    class ClearingAction : public CCActionInterval {
    public:
        ClearingAction() : CCActionInterval(1) {}
        ~ClearingAction() override
        {
            if (onDestroy) onDestroy();
        }
        void update(float) override {}
        std::function<void()> onDestroy;
    };
    auto node = CCNode::node();
    CCAction* clearing = nullptr;
    {
        auto action = makeRef<ClearingAction>();
        action->onDestroy = [this, &node] { manager().removeAllActionsFromTarget(node); };
        manager().addAction(action, node, false);
        clearing = action.get();
    }
    auto other = recorder("o");
    manager().addAction(other, node, false);
    manager().removeAction(clearing);  // the manager held its last reference
    EXPECT_EQ(manager().numberOfRunningActionsInTarget(node), 0u);
    EXPECT_EQ(node->retainCount(), 1);
    EXPECT_EQ(other->retainCount(), 1);
    EXPECT_EQ(frame(0.1f), Log{});
}

TEST_P(CCActionManagerTest, LookupsByTagAndCounts)
{
    auto node = CCNode::node();
    auto other = CCNode::node();
    EXPECT_EQ(manager().numberOfRunningActionsInTarget(node), 0u);
    EXPECT_EQ(manager().getActionByTag(1, node), nullptr);
    auto untagged = recorder("u");
    auto tagged = recorder("t");
    tagged->setTag(7);
    manager().addAction(tagged, node, false);
    manager().addAction(untagged, node, false);
    EXPECT_EQ(manager().getActionByTag(-1, node), untagged.get());
    EXPECT_EQ(manager().getActionByTag(7, node), tagged.get());
    EXPECT_EQ(manager().getActionByTag(7, other), nullptr);

    // Removal by tag asks for the node as original target too.
    auto borrowed = recorder("b");
    borrowed->setTag(9);
    manager().addAction(borrowed, node, false);
    borrowed->setOriginalTarget(other);
    manager().removeActionByTag(9, node);
    EXPECT_EQ(manager().numberOfRunningActionsInTarget(node), 3u);
    manager().removeActionByTag(7, node);
    EXPECT_EQ(manager().numberOfRunningActionsInTarget(node), 2u);

    manager().removeAction(nullptr);
    manager().removeAllActionsFromTarget(nullptr);
    manager().removeAllActionsFromTarget(other);
    EXPECT_EQ(manager().numberOfRunningActionsInTarget(node), 2u);
}

TEST_P(CCActionManagerTest, TheSameActionAddedTwiceIsListedAndSteppedTwice)
{
    auto node = CCNode::node();
    auto action = recorder("a", 5);
    manager().addAction(action, node, false);
    manager().addAction(action, node, false);
    EXPECT_EQ(log, (Log{"a>", "a>"}));
    EXPECT_EQ(manager().numberOfRunningActionsInTarget(node), 2u);
    EXPECT_EQ(frame(0.5f), (Log{"a=0", "a=0.1"}));
}

TEST_P(CCActionManagerTest, ATargetedActionRunDirectlyLeavesWhenDone)
{
    auto runner = CCNode::node();
    auto forced = CCNode::node();
    auto inner = recorder("i", 0.5f);
    auto targeted = CCTargetedAction::actionWithTarget(forced, inner);
    manager().addAction(targeted, runner, false);
    EXPECT_EQ(inner->target(), forced.get());
    frame(0.1f);
    frame(1.0f);
    EXPECT_EQ(manager().numberOfRunningActionsInTarget(runner), 0u) << "not stepped for ever";
    EXPECT_EQ(frame(1.0f), Log{});
}

TEST_P(CCActionManagerTest, PurgeUnregistersFromTheSchedulerAndStartsAfresh)
{
    auto node = CCNode::node();
    CCActionManager* first = &manager();
    addRecorder("a", 5, node, false);
    CCActionManager::purgeSharedManager();
    EXPECT_EQ(node->retainCount(), 1) << "the purge released the node's actions";
    EXPECT_EQ(frame(0.1f), Log{});
    CCActionManager* second = &manager();
    (void)first;
    addRecorder("b", 5, node, false);
    EXPECT_EQ(frame(0.1f), (Log{"b=0"}));
    EXPECT_EQ(second, &manager());
}

TEST_P(CCActionManagerTest, NodesWhoseAddressesShareTheLow32BitsStayApart)
{
    test::AliasedPages pages(0x5B5B);
    if (!pages.ok()) GTEST_SKIP() << "could not place two pages 4 GiB apart";
    static_assert(sizeof(CCNode) <= test::AliasedPages::kPageSize);
    auto* first = new (pages.low()) CCNode();
    auto* second = new (pages.high()) CCNode();
    first->retain();  // owned by this test
    second->retain();

    addRecorder("a", 5, first, false);
    addRecorder("b", 5, second, true);
    EXPECT_EQ(manager().numberOfRunningActionsInTarget(first), 1u);
    EXPECT_EQ(manager().numberOfRunningActionsInTarget(second), 1u);
    EXPECT_EQ(frame(0.1f), (Log{"a=0"})) << "one paused, one not";
    manager().removeAllActionsFromTarget(first);
    EXPECT_EQ(manager().numberOfRunningActionsInTarget(second), 1u);
    manager().removeAllActionsFromTarget(second);

    EXPECT_EQ(first->retainCount(), 1);
    EXPECT_EQ(second->retainCount(), 1);
    first->~CCNode();
    second->~CCNode();
}

// An interval action whose class changes the interval timing (its step or
// its isDone, its own or inherited) is driven by that timing, not by the
// interval base's that the manager runs directly for the others.
TEST(CCActionManagerTiming, ClassesThatChangeTheTimingAreDrivenByIt)
{
    struct Logged : CCActionInterval {
        Logged(float duration, Log* log) : CCActionInterval(duration), log(log) {}
        void update(float progress) override
        {
            log->push_back(test::progressEntry("a", progress));
            ++updates;
        }
        void stop() override
        {
            log->push_back("a<");
            CCActionInterval::stop();
        }
        Log* log;
        int updates = 0;
    };
    struct DoubleSpeed : Logged {
        using Logged::Logged;
        void step(float dt) override { Logged::step(2 * dt); }
    };
    struct InheritsDoubleSpeed : DoubleSpeed {
        using DoubleSpeed::DoubleSpeed;
    };
    struct EndsAfterTwoUpdates : Logged {
        using Logged::Logged;
        bool isDone() const override { return updates >= 2; }
    };
    struct Case {
        const char* what;
        std::function<Ref<CCAction>(Log*)> make;
        Log expected;
    };
    const std::vector<Case> cases = {
        {"its own step", [](Log* log) { return Ref<CCAction>(makeRef<DoubleSpeed>(1, log)); },
         {"a=0", "a=0.5", "a=1", "a<"}},
        {"an inherited step", [](Log* log) { return Ref<CCAction>(makeRef<InheritsDoubleSpeed>(1, log)); },
         {"a=0", "a=0.5", "a=1", "a<"}},
        {"its own isDone", [](Log* log) { return Ref<CCAction>(makeRef<EndsAfterTwoUpdates>(100, log)); },
         {"a=0", "a=0.0025", "a<"}},
        {"neither", [](Log* log) { return Ref<CCAction>(makeRef<Logged>(0.5f, log)); },
         {"a=0", "a=0.5", "a=1", "a<"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Log log;
        auto node = CCNode::node();
        const Ref<CCAction> action = c.make(&log);
        CCActionManager::sharedManager()->addAction(action, node, false);
        for (int frame = 0; frame < 4; ++frame) {
            CCScheduler::sharedScheduler()->tick(0.25f);
        }
        EXPECT_EQ(log, c.expected);
        EXPECT_EQ(CCActionManager::sharedManager()->numberOfRunningActionsInTarget(node), 0u);
        CCActionManager::purgeSharedManager();
        CCScheduler::purgeSharedScheduler();
    }
}

INSTANTIATE_TEST_SUITE_P(Stepping, CCActionManagerTest, ::testing::Values(Stepping::Virtual, Stepping::Direct),
                         [](const ::testing::TestParamInfo<Stepping>& info) {
                             return std::string(info.param == Stepping::Virtual ? "VirtualStep" : "DirectStep");
                         });

} // namespace
} // namespace mw
