#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <utility>
#include <vector>

#include "engine/actions/CCActionInterval.h"
#include "engine/actions/CCSequence.h"
#include "engine/effects/CCActionGrid.h"
#include "engine/effects/CCActionGrid3D.h"
#include "engine/effects/CCActionTiledGrid.h"
#include "engine/effects/CCGrid3D.h"
#include "engine/nodes/CCNode.h"
#include "foundation/Log.h"
#include "tests/engine/effects/EffectsTestSupport.h"

namespace mw {
namespace {

using test::EffectsTest;

// An effect that only records the amplitude rates it was given.
class RateProbe : public CCGrid3DAction, public CCAmplitudeProtocol {
public:
    RateProbe() : CCGrid3DAction({1, 1}, 1) {}
    float amplitudeRate() const override { return rate; }
    void setAmplitudeRate(float r) override { rate = r; }
    void update(float t) override { seen.push_back(rate); }
    Ref<CCAction> copy() const override { return makeRef<RateProbe>(); }
    // Unlike an effect, its reverse keeps an amplitude.
    Ref<CCFiniteTimeAction> reverse() const override { return makeRef<RateProbe>(); }
    float rate = 1;
    std::vector<float> seen;
};

struct WrapperCase {
    const char* name;
    std::function<Ref<CCAmplitudeWrapper>(CCActionInterval*)> wrap;
    float rate;
    std::vector<float> times;
    std::vector<float> rates;
};

TEST_F(EffectsTest, AmplitudeWrappersScaleTheInnerEffect)
{
    const std::vector<WrapperCase> cases = {
        {"accelerate-decelerate", [](CCActionInterval* a) { return CCAccelDeccelAmplitude::actionWithAction(a, 1); },
         1, {0, 0.25f, 0.5f, 0.75f, 1}, {0, 0.5f, 1, 0.5f, 0}},
        {"accelerate, rate 2", [](CCActionInterval* a) { return CCAccelAmplitude::actionWithAction(a, 1); }, 2,
         {0, 0.5f, 1}, {0, 0.25f, 1}},
        {"decelerate, rate 2", [](CCActionInterval* a) { return CCDeccelAmplitude::actionWithAction(a, 1); }, 2,
         {0, 0.5f, 1}, {1, 0.25f, 0}},
    };
    for (const WrapperCase& c : cases) {
        SCOPED_TRACE(c.name);
        Ref<CCNode> node = CCNode::node();
        Ref<RateProbe> probe = makeRef<RateProbe>();
        Ref<CCAmplitudeWrapper> wrapper = c.wrap(probe.get());
        wrapper->setRate(c.rate);
        wrapper->startWithTarget(node.get());
        EXPECT_NE(node->grid(), nullptr) << "the inner effect started on the same node";
        for (float t : c.times) wrapper->update(t);
        ASSERT_EQ(probe->seen.size(), c.rates.size());
        for (size_t i = 0; i < c.rates.size(); ++i) EXPECT_NEAR(probe->seen[i], c.rates[i], 1e-6f) << i;
    }
}

// Each of the three wrappers, around an action.
const std::vector<std::pair<const char*, std::function<Ref<CCAmplitudeWrapper>(CCActionInterval*)>>> kWrappers = {
    {"accelerate-decelerate", [](CCActionInterval* a) { return CCAccelDeccelAmplitude::actionWithAction(a, 1); }},
    {"accelerate", [](CCActionInterval* a) { return CCAccelAmplitude::actionWithAction(a, 1); }},
    {"decelerate", [](CCActionInterval* a) { return CCDeccelAmplitude::actionWithAction(a, 1); }},
};

// Wrapping an action that has no amplitude is a programming fault, raised
// when the wrapper is made rather than when a frame steps it.
TEST_F(EffectsTest, WrappingAnActionWithoutAmplitudeRaisesTheNamedError)
{
    auto waves = CCWaves3D::actionWithWaves(1, 5, {2, 2}, 1);
    Ref<CCFiniteTimeAction> reversedWaves = waves->reverse();
    auto move = CCMoveBy::actionWithDuration(1, {10, 0});
    struct Inner {
        const char* name;
        CCActionInterval* action;
    };
    const Inner inners[] = {
        {"a move", move.get()},
        {"a reversed effect", dynamic_cast<CCActionInterval*>(reversedWaves.get())},
        {"nothing", nullptr},
    };
    for (const auto& [wrapperName, wrap] : kWrappers) {
        for (const Inner& inner : inners) {
            SCOPED_TRACE(testing::Message() << wrapperName << " around " << inner.name);
            try {
                (void)wrap(inner.action);
                ADD_FAILURE() << "no error raised";
            } catch (const std::logic_error& error) {
                EXPECT_STREQ(error.what(), "IntervalAction (Amplitude): Abstract class needs implementation");
            }
        }
        EXPECT_NO_THROW((void)wrap(waves.get()));
    }
}

TEST_F(EffectsTest, WrapperCopiesAndReversesCarryTheirInnerEffect)
{
    auto waves = CCWaves3D::actionWithWaves(1, 5, {2, 2}, 1);
    auto wrapper = CCAccelAmplitude::actionWithAction(waves.get(), 2);
    wrapper->setRate(3);
    Ref<CCAction> copy = wrapper->copy();
    auto* copied = dynamic_cast<CCAccelAmplitude*>(copy.get());
    ASSERT_NE(copied, nullptr);
    EXPECT_EQ(copied->rate(), 3);
    EXPECT_NE(copied->inner(), waves.get());
    EXPECT_NE(dynamic_cast<CCWaves3D*>(copied->inner()), nullptr);

    // An inner action whose reverse keeps an amplitude is wrapped again, at rate 1.
    auto probe = makeRef<RateProbe>();
    auto probeWrapper = CCAccelAmplitude::actionWithAction(probe.get(), 2);
    probeWrapper->setRate(3);
    Ref<CCFiniteTimeAction> back = probeWrapper->reverse();
    ASSERT_NE(dynamic_cast<CCAccelAmplitude*>(back.get()), nullptr);
    EXPECT_EQ(dynamic_cast<CCAccelAmplitude*>(back.get())->rate(), 1);
    EXPECT_NE(dynamic_cast<RateProbe*>(dynamic_cast<CCAccelAmplitude*>(back.get())->inner()), nullptr);
}

// An effect's reverse has no amplitude: reversing a wrapper around one, or a
// sequence holding such a wrapper, answers null (with a logged line) instead
// of raising the error, as any action that cannot be reversed does.
TEST_F(EffectsTest, ReversingAWrapperAroundAnEffectAnswersNull)
{
    auto waves = CCWaves3D::actionWithWaves(1, 5, {2, 2}, 1);
    auto delay = CCDelayTime::actionWithDuration(1);
    for (const auto& [wrapperName, wrap] : kWrappers) {
        SCOPED_TRACE(wrapperName);
        Ref<CCAmplitudeWrapper> wrapper = wrap(waves.get());
        auto sequence = CCSequence::actions({delay.get(), wrapper.get()});
        ScopedLogCapture log;
        Ref<CCFiniteTimeAction> back;
        Ref<CCFiniteTimeAction> sequenceBack;
        ASSERT_NO_THROW(back = wrapper->reverse());
        ASSERT_NO_THROW(sequenceBack = sequence->reverse());
        EXPECT_EQ(back, nullptr);
        EXPECT_EQ(sequenceBack, nullptr);
        EXPECT_TRUE(log.contains("no reverse: IntervalAction (Amplitude)")) << testing::PrintToString(log.lines());
    }
}

TEST_F(EffectsTest, CopiesStartAgainAtFullAmplitude)
{
    auto waves = CCWaves3D::actionWithWaves(3, 7, {2, 2}, 1.5f);
    waves->setAmplitudeRate(0.25f);
    Ref<CCAction> copy = waves->copy();
    auto* copied = dynamic_cast<CCWaves3D*>(copy.get());
    ASSERT_NE(copied, nullptr);
    EXPECT_EQ(copied->amplitudeRate(), 1);
    EXPECT_EQ(copied->amplitude(), 7);
    EXPECT_EQ(copied->gridSize(), (ccGridSize{2, 2}));
    EXPECT_EQ(copied->duration(), 1.5f);
}

TEST_F(EffectsTest, ReusedGridStartsTheNextEffectFromTheLastMesh)
{
    Ref<CCNode> node = CCNode::node();
    auto first = CCFlipX3D::actionWithDuration(1);
    first->startWithTarget(node.get());
    first->update(0.5f);
    CCGridBase* grid = ccGridOf(node.get());
    ASSERT_NE(grid, nullptr);

    auto reuse = CCReuseGrid::actionWithTimes(1);
    reuse->startWithTarget(node.get());
    EXPECT_EQ(grid->reuseGrid(), 1);

    auto second = CCWaves3D::actionWithWaves(1, 0, {1, 1}, 1);
    second->startWithTarget(node.get());
    EXPECT_EQ(ccGridOf(node.get()), grid) << "the grid is taken over";
    EXPECT_EQ(grid->reuseGrid(), 0);
    second->update(0);
    EXPECT_NEAR(static_cast<CCGrid3D*>(grid)->vertex({0, 0}).x, 140.5887f, 0.01f) << "from the flip's mesh";

    auto stop = CCStopGrid::action();
    stop->startWithTarget(node.get());
    EXPECT_FALSE(grid->active());
}

TEST_F(EffectsTest, NewEffectReplacesAGridNotMarkedForReuse)
{
    Ref<CCNode> node = CCNode::node();
    auto first = CCWaves3D::actionWithWaves(1, 5, {2, 2}, 1);
    first->startWithTarget(node.get());
    Ref<CCGridBase> old(ccGridOf(node.get()));
    auto second = CCWaves3D::actionWithWaves(1, 5, {2, 2}, 1);
    second->startWithTarget(node.get());
    EXPECT_NE(ccGridOf(node.get()), old.get());
    EXPECT_FALSE(old->active());
    EXPECT_TRUE(ccGridOf(node.get())->active());
}

TEST_F(EffectsTest, ReuseOfAMismatchedGridIsAProgrammingFault)
{
    struct Mismatch {
        const char* name;
        std::function<Ref<CCGridAction>()> next;
        bool deactivate;
    };
    const std::vector<Mismatch> cases = {
        {"other size", [] { return CCWaves3D::actionWithWaves(1, 5, {3, 3}, 1); }, false},
        {"other mesh kind", [] { return CCWavesTiles3D::actionWithWaves(1, 5, {2, 2}, 1); }, false},
        {"inactive grid", [] { return CCWaves3D::actionWithWaves(1, 5, {2, 2}, 1); }, true},
    };
    for (const Mismatch& c : cases) {
        SCOPED_TRACE(c.name);
        Ref<CCNode> node = CCNode::node();
        auto first = CCWaves3D::actionWithWaves(1, 5, {2, 2}, 1);
        first->startWithTarget(node.get());
        ccGridOf(node.get())->setReuseGrid(1);
        if (c.deactivate) ccGridOf(node.get())->setActive(false);
        Ref<CCGridAction> next = c.next();
        EXPECT_THROW(next->startWithTarget(node.get()), std::logic_error);
    }
}

TEST_F(EffectsTest, ReuseAndStopDoNothingWithoutAnActiveGrid)
{
    Ref<CCNode> node = CCNode::node();
    auto reuse = CCReuseGrid::actionWithTimes(2);
    reuse->startWithTarget(node.get());
    auto stop = CCStopGrid::action();
    stop->startWithTarget(node.get());
    EXPECT_EQ(node->grid(), nullptr);
}

TEST_F(EffectsTest, ReversedEffectRunsBackwards)
{
    Ref<CCNode> node = CCNode::node();
    auto flip = CCFlipX3D::actionWithDuration(1);
    Ref<CCFiniteTimeAction> back = flip->reverse();
    ASSERT_NE(dynamic_cast<CCReverseTime*>(back.get()), nullptr);
    back->startWithTarget(node.get());
    back->update(1);
    EXPECT_NEAR(static_cast<CCGrid3D*>(ccGridOf(node.get()))->vertex({1, 0}).x, 480, 0.01f);
}

} // namespace
} // namespace mw
