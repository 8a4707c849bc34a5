#include <math.h>

#include <functional>
#include <string>
#include <typeinfo>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "engine/actions/CCActionEase.h"
#include "engine/actions/CCActionInstant.h"
#include "engine/actions/CCActionInterval.h"
#include "engine/actions/CCSequence.h"
#include "engine/base/ccDescription.h"
#include "engine/nodes/CCNode.h"
#include "tests/support/ProbeActions.h"

namespace mw {
namespace {

using test::ProbeAction;
using EaseMaker = std::function<Ref<CCActionEase>(Ref<CCActionInterval>)>;

struct CurvePoint {
    std::string name;
    EaseMaker make;
    float t;
    float expected;
};

// What the inner action receives at a few points of each curve.
std::vector<CurvePoint> curvePoints()
{
    auto in = [](float r) { return [r](Ref<CCActionInterval> a) -> Ref<CCActionEase> { return CCEaseIn::actionWithAction(a, r); }; };
    auto out = [](float r) { return [r](Ref<CCActionInterval> a) -> Ref<CCActionEase> { return CCEaseOut::actionWithAction(a, r); }; };
    auto inOut = [](float r) {
        return [r](Ref<CCActionInterval> a) -> Ref<CCActionEase> { return CCEaseInOut::actionWithAction(a, r); };
    };
    auto plain = [](auto tag) {
        using E = typename decltype(tag)::type;
        return [](Ref<CCActionInterval> a) -> Ref<CCActionEase> { return E::actionWithAction(a); };
    };
    auto elastic = [](auto tag, float period) {
        using E = typename decltype(tag)::type;
        return [period](Ref<CCActionInterval> a) -> Ref<CCActionEase> { return E::actionWithAction(a, period); };
    };
    return {
        {"in rate 2", in(2), 0.5f, 0.25f},
        {"in rate 3", in(3), 0.5f, 0.125f},
        {"out rate 2", out(2), 0.25f, 0.5f},
        {"in-out rate 2, first half", inOut(2), 0.25f, 0.125f},
        {"in-out rate 2, middle", inOut(2), 0.5f, 0.5f},
        {"in-out rate 2, second half", inOut(2), 0.75f, 0.875f},
        {"in-out rate 2, end", inOut(2), 1.0f, 1.0f},
        {"in-out rate 3, second half", inOut(3), 0.75f, 0.9375f},
        {"in-out rate 3, end", inOut(3), 1.0f, 1.0f},
        // The second half mirrors the first, whole rate or not.
        {"in-out rate 2.5, first half", inOut(2.5f), 0.25f, 0.088388347f},
        {"in-out rate 2.5, second half", inOut(2.5f), 0.75f, 0.91161165f},
        {"in-out rate 0.5, second half", inOut(0.5f), 0.75f, 0.64644661f},
        {"exponential in, start", plain(std::type_identity<CCEaseExponentialIn>{}), 0.0f, 0.0f},
        {"exponential in, middle", plain(std::type_identity<CCEaseExponentialIn>{}), 0.5f, 0.03025f},
        {"exponential in, end", plain(std::type_identity<CCEaseExponentialIn>{}), 1.0f, 1.0f},
        {"exponential out, start", plain(std::type_identity<CCEaseExponentialOut>{}), 0.0f, 0.0f},
        {"exponential out, middle", plain(std::type_identity<CCEaseExponentialOut>{}), 0.5f, 0.96875f},
        {"exponential out, end", plain(std::type_identity<CCEaseExponentialOut>{}), 1.0f, 1.0f},
        {"exponential in-out, start", plain(std::type_identity<CCEaseExponentialInOut>{}), 0.0f, 0.0f},
        {"exponential in-out, just after the start", plain(std::type_identity<CCEaseExponentialInOut>{}),
         1e-6f, 0.00048829f},
        {"exponential in-out, quarter", plain(std::type_identity<CCEaseExponentialInOut>{}), 0.25f, 0.015625f},
        {"exponential in-out, middle", plain(std::type_identity<CCEaseExponentialInOut>{}), 0.5f, 0.5f},
        {"exponential in-out, end", plain(std::type_identity<CCEaseExponentialInOut>{}), 1.0f, 1.0f},
        {"sine in", plain(std::type_identity<CCEaseSineIn>{}), 0.5f, 0.29289322f},
        {"sine in, end", plain(std::type_identity<CCEaseSineIn>{}), 1.0f, 1.0f},
        {"sine out", plain(std::type_identity<CCEaseSineOut>{}), 0.5f, 0.70710678f},
        {"sine in-out, quarter", plain(std::type_identity<CCEaseSineInOut>{}), 0.25f, 0.14644661f},
        {"sine in-out, middle", plain(std::type_identity<CCEaseSineInOut>{}), 0.5f, 0.5f},
        {"elastic in, start is exact", elastic(std::type_identity<CCEaseElasticIn>{}, 0.3f), 0.0f, 0.0f},
        {"elastic in swings below 0", elastic(std::type_identity<CCEaseElasticIn>{}, 0.3f), 0.5f, -0.015625f},
        {"elastic in, end is exact", elastic(std::type_identity<CCEaseElasticIn>{}, 0.3f), 1.0f, 1.0f},
        {"elastic in, period 0 takes the default", elastic(std::type_identity<CCEaseElasticIn>{}, 0.0f), 0.5f,
         -0.015625f},
        {"elastic out at its first crossing", elastic(std::type_identity<CCEaseElasticOut>{}, 0.3f), 0.075f, 1.0f},
        {"elastic out overshoots", elastic(std::type_identity<CCEaseElasticOut>{}, 0.3f), 0.1f, 1.25f},
        {"elastic out swings back", elastic(std::type_identity<CCEaseElasticOut>{}, 0.3f), 0.2f, 1.125f},
        {"elastic out, end is exact", elastic(std::type_identity<CCEaseElasticOut>{}, 0.3f), 1.0f, 1.0f},
        {"elastic out, period 0 takes the default", elastic(std::type_identity<CCEaseElasticOut>{}, 0.0f),
         0.1f, 1.25f},
        {"elastic in-out, first half", elastic(std::type_identity<CCEaseElasticInOut>{}, 0.3f), 0.25f, -0.0078125f},
        {"elastic in-out, middle", elastic(std::type_identity<CCEaseElasticInOut>{}, 0.3f), 0.5f, 0.5f},
        {"bounce out touches 1 at its first bounce", plain(std::type_identity<CCEaseBounceOut>{}), 1 / 2.75f, 1.0f},
        {"bounce out, top of the first bounce", plain(std::type_identity<CCEaseBounceOut>{}), 1.5f / 2.75f, 0.75f},
        {"bounce out, top of the second bounce", plain(std::type_identity<CCEaseBounceOut>{}), 2.25f / 2.75f, 0.9375f},
        {"bounce out, end", plain(std::type_identity<CCEaseBounceOut>{}), 1.0f, 1.0f},
        {"bounce in, start", plain(std::type_identity<CCEaseBounceIn>{}), 0.0f, 0.0f},
        {"bounce in, mirror of the first bounce", plain(std::type_identity<CCEaseBounceIn>{}), 1 - 1.5f / 2.75f, 0.25f},
        {"bounce in-out, middle", plain(std::type_identity<CCEaseBounceInOut>{}), 0.5f, 0.5f},
        {"bounce in-out, first half", plain(std::type_identity<CCEaseBounceInOut>{}), 0.25f, 0.1171875f},
        {"back in dips below 0", plain(std::type_identity<CCEaseBackIn>{}), 0.5f, -0.0876975f},
        {"back in, end", plain(std::type_identity<CCEaseBackIn>{}), 1.0f, 1.0f},
        {"back out overshoots 1", plain(std::type_identity<CCEaseBackOut>{}), 0.5f, 1.0876975f},
        {"back out, start", plain(std::type_identity<CCEaseBackOut>{}), 0.0f, 0.0f},
        {"back in-out, first half", plain(std::type_identity<CCEaseBackInOut>{}), 0.25f, -0.0996818f},
        {"back in-out, second half", plain(std::type_identity<CCEaseBackInOut>{}), 0.75f, 1.0996818f},
    };
}

TEST(ActionsEaseTest, CurvesPassTheirValueToTheInnerAction)
{
    auto node = CCNode::node();
    for (const CurvePoint& point : curvePoints()) {
        SCOPED_TRACE(point.name);
        auto probe = makeRef<ProbeAction>(2.0f);
        auto ease = point.make(probe);
        EXPECT_FLOAT_EQ(ease->duration(), 2.0f);
        ease->startWithTarget(node);
        ease->update(point.t);
        EXPECT_NEAR(probe->last(), point.expected, 2e-6f);
    }
}

TEST(ActionsEaseTest, BackInHasItsMinimumNearFortyTwoPercent)
{
    auto node = CCNode::node();
    auto probe = makeRef<ProbeAction>(1.0f);
    auto ease = CCEaseBackIn::actionWithAction(probe);
    ease->startWithTarget(node);
    float lowest = 1, lowestAt = 0;
    for (int i = 0; i <= 100; ++i) {
        ease->update(i / 100.0f);
        if (probe->last() < lowest) {
            lowest = probe->last();
            lowestAt = i / 100.0f;
        }
    }
    EXPECT_NEAR(lowest, -0.1f, 0.001f);
    EXPECT_NEAR(lowestAt, 0.42f, 0.011f);
}

// An ease of class E with the given parameters around the action it gets.
template <typename E, typename... Parameters>
EaseMaker easeOf(Parameters... parameters)
{
    return [parameters...](Ref<CCActionInterval> a) -> Ref<CCActionEase> {
        return E::actionWithAction(a, parameters...);
    };
}

// Each ease with each parameter a caller can set, the awkward ones included.
std::vector<std::pair<std::string, EaseMaker>> easesWithEdgeParameters()
{
    std::vector<std::pair<std::string, EaseMaker>> eases = {
        {"plain", easeOf<CCActionEase>()},
        {"exponential in", easeOf<CCEaseExponentialIn>()},
        {"exponential out", easeOf<CCEaseExponentialOut>()},
        {"exponential in-out", easeOf<CCEaseExponentialInOut>()},
        {"sine in", easeOf<CCEaseSineIn>()},
        {"sine out", easeOf<CCEaseSineOut>()},
        {"sine in-out", easeOf<CCEaseSineInOut>()},
        {"bounce", easeOf<CCEaseBounce>()},
        {"bounce in", easeOf<CCEaseBounceIn>()},
        {"bounce out", easeOf<CCEaseBounceOut>()},
        {"bounce in-out", easeOf<CCEaseBounceInOut>()},
        {"back in", easeOf<CCEaseBackIn>()},
        {"back out", easeOf<CCEaseBackOut>()},
        {"back in-out", easeOf<CCEaseBackInOut>()},
    };
    const float infinity = INFINITY;
    const float rates[] = {-infinity, -2, -0.5f, -0.0f, 0, 1e-30f, 0.5f, 1, 2, 2.5f, 3, 7.3f, 100, infinity, NAN};
    for (float rate : rates) {
        const std::string r = std::to_string(rate);
        eases.push_back({"rate base " + r, easeOf<CCEaseRateAction>(rate)});
        eases.push_back({"in rate " + r, easeOf<CCEaseIn>(rate)});
        eases.push_back({"out rate " + r, easeOf<CCEaseOut>(rate)});
        eases.push_back({"in-out rate " + r, easeOf<CCEaseInOut>(rate)});
    }
    const float periods[] = {-infinity, -0.3f, -0.0f, 0,  1e-40f,   1e-30f, 1e-6f,
                             0.3f,      0.45f, 1,     50, infinity, NAN};
    for (float period : periods) {
        const std::string p = std::to_string(period);
        eases.push_back({"elastic base period " + p, easeOf<CCEaseElastic>(period)});
        eases.push_back({"elastic in period " + p, easeOf<CCEaseElasticIn>(period)});
        eases.push_back({"elastic out period " + p, easeOf<CCEaseElasticOut>(period)});
        eases.push_back({"elastic in-out period " + p, easeOf<CCEaseElasticInOut>(period)});
    }
    return eases;
}

// An eased action must end exactly where it would without the ease (or what
// is sequenced after it never starts), and no curve may hand the inner action
// NaN, which would poison the node for good.
TEST(ActionsEaseTest, EveryEaseMapsTheEndsExactlyAndNeverGivesNaN)
{
    auto node = CCNode::node();
    constexpr int kSteps = 1000;
    for (const auto& [name, make] : easesWithEdgeParameters()) {
        SCOPED_TRACE(name);
        auto probe = makeRef<ProbeAction>(1.0f);
        auto ease = make(probe);
        ease->startWithTarget(node);
        ease->update(0);
        EXPECT_EQ(probe->last(), 0.0f);
        ease->update(1);
        EXPECT_EQ(probe->last(), 1.0f);
        int nans = 0;
        for (int i = 1; i < kSteps; ++i) {
            ease->update(static_cast<float>(i) / kSteps);
            nans += isnan(probe->last()) ? 1 : 0;
        }
        for (float t : {nextafterf(0, 1), nextafterf(1, 0), 0.5f, nextafterf(0.5f, 0), nextafterf(0.5f, 1)}) {
            ease->update(t);
            nans += isnan(probe->last()) ? 1 : 0;
        }
        EXPECT_EQ(nans, 0);
        // The ends hold on a second pass too, after any parameter the curve replaced.
        ease->update(0);
        EXPECT_EQ(probe->last(), 0.0f);
        ease->update(1);
        EXPECT_EQ(probe->last(), 1.0f);
    }
}

// A period without a curve (zero, too short to keep the phase finite, or not a
// finite number) is replaced by the class's default on the first update
// between the ends, and stays replaced for later updates and copies.
TEST(ActionsEaseTest, ElasticCurvesReplaceAnUnusablePeriodForGood)
{
    using Maker = std::function<Ref<CCEaseElastic>(Ref<CCActionInterval>, float)>;
    const Maker in = [](auto a, float p) -> Ref<CCEaseElastic> {
        return CCEaseElasticIn::actionWithAction(a, p);
    };
    const Maker out = [](auto a, float p) -> Ref<CCEaseElastic> {
        return CCEaseElasticOut::actionWithAction(a, p);
    };
    const Maker inOut = [](auto a, float p) -> Ref<CCEaseElastic> {
        return CCEaseElasticInOut::actionWithAction(a, p);
    };
    struct Case {
        std::string name;
        Maker make;
        float given;
        float used;
    };
    const float inOutDefault = 0.3f * 1.5f;
    const Case cases[] = {
        {"in, 0", in, 0, 0.3f},
        {"in, -0", in, -0.0f, 0.3f},
        {"in, too short", in, 1e-40f, 0.3f},
        {"in, infinite", in, INFINITY, 0.3f},
        {"in, NaN", in, NAN, 0.3f},
        {"in, negative is a curve", in, -0.3f, -0.3f},
        {"out, 0", out, 0, 0.3f},
        {"out, infinite", out, -INFINITY, 0.3f},
        {"in-out, 0", inOut, 0, inOutDefault},
        {"in-out, too short", inOut, 1e-40f, inOutDefault},
        {"in-out, a short one is a curve", inOut, 1e-6f, 1e-6f},
    };
    auto node = CCNode::node();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto probe = makeRef<ProbeAction>(1.0f);
        auto ease = c.make(probe, c.given);
        ease->startWithTarget(node);
        ease->update(1.0f);  // the ends are passed through without looking at the period
        EXPECT_EQ(isnan(ease->period()), isnan(c.given));
        if (!isnan(c.given)) {
            EXPECT_EQ(ease->period(), c.given);
        }
        ease->update(0.5f);
        EXPECT_EQ(ease->period(), c.used);
        auto copied = copyAs<CCEaseElastic>(*ease);
        EXPECT_EQ(copied->period(), c.used);
    }
    // The in-out curve with its replaced period passes the middle.
    auto probe = makeRef<ProbeAction>(1.0f);
    auto ease = CCEaseElasticInOut::actionWithAction(probe, 0.0f);
    ease->startWithTarget(node);
    ease->update(0.5f);
    EXPECT_NEAR(probe->last(), 0.5f, 1e-6f);
}

struct ReverseCase {
    std::string name;
    EaseMaker make;
    std::string reverseClass;  // empty: no reverse
    float parameter;           // the reverse's rate or period, where it has one
};

float parameterOf(const CCFiniteTimeAction* action)
{
    if (auto* rate = dynamic_cast<const CCEaseRateAction*>(action)) return rate->rate();
    if (auto* elastic = dynamic_cast<const CCEaseElastic*>(action)) return elastic->period();
    return 0;
}

TEST(ActionsEaseTest, ReversesSwapInAndOutAroundTheReversedInnerAction)
{
    const std::vector<ReverseCase> cases = {
        {"in", [](auto a) -> Ref<CCActionEase> { return CCEaseIn::actionWithAction(a, 2); }, "CCEaseIn", 0.5f},
        {"out", [](auto a) -> Ref<CCActionEase> { return CCEaseOut::actionWithAction(a, 4); }, "CCEaseOut", 0.25f},
        {"in-out", [](auto a) -> Ref<CCActionEase> { return CCEaseInOut::actionWithAction(a, 2); }, "CCEaseInOut", 2},
        {"rate base", [](auto a) -> Ref<CCActionEase> { return CCEaseRateAction::actionWithAction(a, 2); },
         "CCEaseRateAction", 0.5f},
        {"exponential in", [](auto a) -> Ref<CCActionEase> { return CCEaseExponentialIn::actionWithAction(a); },
         "CCEaseExponentialOut", 0},
        {"exponential out", [](auto a) -> Ref<CCActionEase> { return CCEaseExponentialOut::actionWithAction(a); },
         "CCEaseExponentialIn", 0},
        {"exponential in-out", [](auto a) -> Ref<CCActionEase> { return CCEaseExponentialInOut::actionWithAction(a); },
         "CCEaseExponentialInOut", 0},
        {"sine in", [](auto a) -> Ref<CCActionEase> { return CCEaseSineIn::actionWithAction(a); }, "CCEaseSineOut", 0},
        {"sine out", [](auto a) -> Ref<CCActionEase> { return CCEaseSineOut::actionWithAction(a); }, "CCEaseSineIn", 0},
        {"sine in-out", [](auto a) -> Ref<CCActionEase> { return CCEaseSineInOut::actionWithAction(a); },
         "CCEaseSineInOut", 0},
        {"elastic in", [](auto a) -> Ref<CCActionEase> { return CCEaseElasticIn::actionWithAction(a, 0.4f); },
         "CCEaseElasticOut", 0.4f},
        {"elastic out", [](auto a) -> Ref<CCActionEase> { return CCEaseElasticOut::actionWithAction(a, 0.4f); },
         "CCEaseElasticIn", 0.4f},
        {"elastic in-out", [](auto a) -> Ref<CCActionEase> { return CCEaseElasticInOut::actionWithAction(a, 0.4f); },
         "CCEaseElasticInOut", 0.4f},
        {"elastic base has none", [](auto a) -> Ref<CCActionEase> { return CCEaseElastic::actionWithAction(a); }, "", 0},
        {"bounce in", [](auto a) -> Ref<CCActionEase> { return CCEaseBounceIn::actionWithAction(a); },
         "CCEaseBounceOut", 0},
        {"bounce out", [](auto a) -> Ref<CCActionEase> { return CCEaseBounceOut::actionWithAction(a); },
         "CCEaseBounceIn", 0},
        {"bounce in-out", [](auto a) -> Ref<CCActionEase> { return CCEaseBounceInOut::actionWithAction(a); },
         "CCEaseBounceInOut", 0},
        {"back in", [](auto a) -> Ref<CCActionEase> { return CCEaseBackIn::actionWithAction(a); }, "CCEaseBackOut", 0},
        {"back out", [](auto a) -> Ref<CCActionEase> { return CCEaseBackOut::actionWithAction(a); }, "CCEaseBackIn", 0},
        {"back in-out", [](auto a) -> Ref<CCActionEase> { return CCEaseBackInOut::actionWithAction(a); },
         "CCEaseBackInOut", 0},
    };
    for (const ReverseCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto ease = c.make(makeRef<ProbeAction>(1.0f));
        auto reversed = dynamicRef<CCActionEase>(ease->reverse());
        if (c.reverseClass.empty()) {
            EXPECT_FALSE(reversed);
            continue;
        }
        ASSERT_TRUE(reversed);
        EXPECT_EQ(ccClassName(typeid(*reversed)), c.reverseClass);
        EXPECT_FLOAT_EQ(parameterOf(reversed.get()), c.parameter);
        // The probe's reverse is marked by a duration 100 s longer.
        ASSERT_NE(reversed->innerAction(), nullptr);
        EXPECT_FLOAT_EQ(reversed->innerAction()->duration(), 101.0f);

        auto copied = copyAs<CCActionEase>(*ease);
        EXPECT_EQ(typeid(*copied), typeid(*ease));
        EXPECT_NE(copied->innerAction(), ease->innerAction());
        EXPECT_FLOAT_EQ(parameterOf(copied.get()), parameterOf(ease.get()));
    }
}

TEST(ActionsEaseTest, AnInnerActionWithoutReverseGivesNoReverse)
{
    auto ease = CCEaseSineIn::actionWithAction(CCMoveTo::actionWithDuration(1, CGPoint(10, 10)));
    EXPECT_FALSE(ease->reverse());
}

TEST(ActionsEaseTest, StartAndStopReachTheInnerAction)
{
    auto node = CCNode::node();
    auto probe = makeRef<ProbeAction>(1.0f);
    auto ease = CCEaseSineOut::actionWithAction(probe);
    ease->startWithTarget(node);
    EXPECT_EQ(probe->starts, 1);
    EXPECT_EQ(probe->target(), node.get());
    ease->stop();
    EXPECT_EQ(probe->stops, 1);
    EXPECT_EQ(ease->target(), nullptr);
}

TEST(ActionsEaseTest, AnEasedSequenceSwitchesAtTheEasedTime)
{
    auto node = CCNode::node();
    auto first = makeRef<ProbeAction>(1.0f);
    auto second = makeRef<ProbeAction>(1.0f);
    auto ease = CCEaseSineOut::actionWithAction(CCSequence::actionOne(first, second));
    ease->startWithTarget(node);
    ease->update(0.3f);  // eased 0.454: still the first half
    EXPECT_EQ(second->starts, 0);
    ease->update(0.34f);  // eased 0.509: linear time would still be in the first half
    EXPECT_EQ(first->stops, 1);
    EXPECT_EQ(second->starts, 1);
    EXPECT_NEAR(second->last(), 2 * (sinf(0.34f * 1.5707964f) - 0.5f), 1e-5f);
}

// An exponential-in ease used to end at 0.999: the move stopped short and a
// callback sequenced after it never ran. Both ways of putting the two together
// are driven frame by frame, as the action manager does.
TEST(ActionsEaseTest, AMoveEasedExponentiallyEndsOnItsTargetAndTheCallbackAfterItRuns)
{
    struct Case {
        std::string name;
        std::function<Ref<CCActionInterval>(Ref<CCMoveTo> move, CCFiniteTimeAction* callback)> make;
    };
    const Case cases[] = {
        {"the ease around the move, in a sequence",
         [](Ref<CCMoveTo> move, CCFiniteTimeAction* callback) -> Ref<CCActionInterval> {
             auto eased = CCEaseExponentialIn::actionWithAction(move);
             return CCSequence::actionOne(eased.get(), callback);
         }},
        {"the ease around the sequence",
         [](Ref<CCMoveTo> move, CCFiniteTimeAction* callback) -> Ref<CCActionInterval> {
             return CCEaseExponentialIn::actionWithAction(CCSequence::actionOne(move.get(), callback));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto node = CCNode::node();
        node->setPosition({10, 20});
        int calls = 0;
        auto move = CCMoveTo::actionWithDuration(1, CGPoint(110, -60));
        auto callback = CCCallBlock::actionWithBlock([&calls] { ++calls; });
        auto action = c.make(move, callback.get());
        action->startWithTarget(node);
        for (int frame = 0; frame < 100 && !action->isDone(); ++frame) {
            action->step(1 / 30.0f);
        }
        ASSERT_TRUE(action->isDone());
        action->stop();
        EXPECT_EQ(node->position(), CGPointMake(110, -60));
        EXPECT_EQ(calls, 1);
    }
}

} // namespace
} // namespace mw
