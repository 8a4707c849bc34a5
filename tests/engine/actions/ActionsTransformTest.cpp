#include <functional>
#include <string>
#include <typeinfo>
#include <vector>

#include <gtest/gtest.h>

#include "engine/actions/CCActionInterval.h"
#include "tests/engine/actions/ActionsFakes.h"

namespace mw {
namespace {

using testing::ColourNode;
using ActionMaker = std::function<Ref<CCActionInterval>()>;

// Starts the action on the node and applies one progress value.
void startAndUpdate(CCActionInterval& action, CCNode* node, float t)
{
    action.startWithTarget(node);
    action.update(t);
}

const ccBezierConfig kArc{{100, 0}, {0, 100}, {100, 100}};

struct PositionCase {
    std::string name;
    ActionMaker make;
    CGPoint start;
    float t;
    CGPoint expected;
};

TEST(ActionsTransformTest, MovesPlaceTheNodeAtGivenTimes)
{
    auto moveTo = [] { return CCMoveTo::actionWithDuration(1, CGPoint(110, 220)); };
    auto moveBy = [] { return CCMoveBy::actionWithDuration(1, CGPoint(-40, 30)); };
    auto jumpBy = [] { return CCJumpBy::actionWithDuration(1, CGPoint(100, 0), 50, 2); };
    auto jumpTo = [] { return CCJumpTo::actionWithDuration(1, CGPoint(200, 10), 50, 2); };
    auto bezierBy = [] { return CCBezierBy::actionWithDuration(1, kArc); };
    auto bezierVorn = [] { return CCBezierByVorn::actionWithDuration(1, kArc); };
    auto bezierTo = [] { return CCBezierTo::actionWithDuration(1, ccBezierConfig{{300, 300}, {200, 300}, {300, 200}}); };
    auto bounce = [] { return CCMoveToWithYBounce::actionWithDuration(1, CGPoint(100, 0)); };
    const std::vector<PositionCase> cases = {
        {"move-to start", moveTo, {10, 20}, 0, {10, 20}},
        {"move-to middle", moveTo, {10, 20}, 0.5f, {60, 120}},
        {"move-to end", moveTo, {10, 20}, 1, {110, 220}},
        {"move-by middle", moveBy, {10, 20}, 0.5f, {-10, 35}},
        {"move-by end", moveBy, {10, 20}, 1, {-30, 50}},
        {"jump-by, top of the first hop", jumpBy, {10, 10}, 0.25f, {35, 60}},
        {"jump-by, lands between hops", jumpBy, {10, 10}, 0.5f, {60, 10}},
        {"jump-by, top of the second hop", jumpBy, {10, 10}, 0.75f, {85, 60}},
        {"jump-by end", jumpBy, {10, 10}, 1, {110, 10}},
        {"jump-to end is absolute", jumpTo, {100, 10}, 1, {200, 10}},
        {"jump-to, top of the first hop", jumpTo, {100, 10}, 0.25f, {125, 60}},
        {"bezier-by middle", bezierBy, {0, 0}, 0.5f, {50, 75}},
        {"bezier-by quarter", bezierBy, {10, 10}, 0.25f, {10 + 15.625f, 10 + 56.25f}},
        {"bezier-by end", bezierBy, {10, 10}, 1, {110, 10}},
        {"walker curve middle", bezierVorn, {0, 0}, 0.5f, {50, 75}},
        {"bezier-to middle from the origin", bezierTo, {0, 0}, 0.5f, {225, 225}},
        {"bezier-to end is absolute", bezierTo, {50, 50}, 1, {300, 300}},
        {"bounce move start", bounce, {0, 100}, 0, {0, 100}},
        {"bounce move first touch", bounce, {0, 100}, 1 / 2.75f, {100 / 2.75f, 0}},
        {"bounce move top of the first bounce", bounce, {0, 100}, 1.5f / 2.75f, {150 / 2.75f, 25}},
        {"bounce move top of the second bounce", bounce, {0, 100}, 2.25f / 2.75f, {225 / 2.75f, 6.25f}},
        {"bounce move end", bounce, {0, 100}, 1, {100, 0}},
    };
    for (const PositionCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto node = CCNode::node();
        node->setPosition(c.start);
        auto action = c.make();
        startAndUpdate(*action, node, c.t);
        EXPECT_NEAR(node->position().x, c.expected.x, 1e-3f);
        EXPECT_NEAR(node->position().y, c.expected.y, 1e-3f);
    }
}

TEST(ActionsTransformTest, ByActionsAndTheirReversesReturnToTheStart)
{
    const std::vector<std::pair<std::string, ActionMaker>> cases = {
        {"move-by", [] { return CCMoveBy::actionWithDuration(1, CGPoint(-40, 30)); }},
        {"jump-by", [] { return CCJumpBy::actionWithDuration(1, CGPoint(100, 20), 50, 3); }},
        {"bezier-by", [] { return CCBezierBy::actionWithDuration(1, kArc); }},
        {"walker curve", [] { return CCBezierByVorn::actionWithDuration(1, kArc); }},
        {"jump-to", [] { return CCJumpTo::actionWithDuration(1, CGPoint(200, 10), 50, 2); }},
        {"bezier-to", [] { return CCBezierTo::actionWithDuration(1, ccBezierConfig{{300, 300}, {200, 300}, {300, 200}}); }},
    };
    for (const auto& [name, make] : cases) {
        SCOPED_TRACE(name);
        auto node = CCNode::node();
        node->setPosition(CGPoint(7, 9));
        auto forward = make();
        startAndUpdate(*forward, node, 0.5f);
        const CGPoint halfway = node->position();
        forward->update(1);
        auto backward = dynamicRef<CCActionInterval>(forward->reverse());
        ASSERT_TRUE(backward);
        EXPECT_EQ(typeid(*backward), typeid(*forward));
        startAndUpdate(*backward, node, 0.5f);
        // Curves and hops retrace their path: halfway back is where halfway out was.
        EXPECT_NEAR(node->position().x, halfway.x, 1e-3f);
        EXPECT_NEAR(node->position().y, halfway.y, 1e-3f);
        backward->update(1);
        EXPECT_NEAR(node->position().x, 7, 1e-3f);
        EXPECT_NEAR(node->position().y, 9, 1e-3f);
    }
}

TEST(ActionsTransformTest, ToActionsAimAtTheSameEndOnEveryStart)
{
    const std::vector<std::pair<std::string, ActionMaker>> cases = {
        {"move-to", [] { return CCMoveTo::actionWithDuration(1, CGPoint(300, 300)); }},
        {"jump-to", [] { return CCJumpTo::actionWithDuration(1, CGPoint(300, 300), 40, 2); }},
        {"bezier-to", [] { return CCBezierTo::actionWithDuration(1, ccBezierConfig{{300, 300}, {0, 300}, {300, 0}}); }},
        {"bounce move", [] { return CCMoveToWithYBounce::actionWithDuration(1, CGPoint(300, 300)); }},
    };
    for (const auto& [name, make] : cases) {
        SCOPED_TRACE(name);
        auto action = make();
        auto copied = copyAs<CCActionInterval>(*action);
        auto node = CCNode::node();
        for (CGPoint start : {CGPoint(0, 0), CGPoint(-50, 80)}) {
            node->setPosition(start);
            startAndUpdate(*action, node, 1);
            EXPECT_EQ(node->position(), CGPoint(300, 300));
        }
        node->setPosition(CGPoint(12, 34));
        startAndUpdate(*copied, node, 1);
        EXPECT_EQ(node->position(), CGPoint(300, 300));
    }
}

struct RotationCase {
    float from;
    float to;
    float atStart;  // the reduced start
    float atEnd;
};

TEST(ActionsTransformTest, RotateToTakesTheShortestTurn)
{
    const std::vector<RotationCase> cases = {
        {350, 10, 350, 370},     // +20 through 360
        {10, 350, 10, -10},      // -20
        {0, 720, 0, 360},        // one correction only: a full turn
        {-370, 0, -10, 0},       // the start is reduced first
        {720, 90, 0, 90},        // whole turns drop out of a positive start
        {-90, 180, -90, -180},   // 270 the long way becomes -90
    };
    for (const RotationCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.from << " -> " << c.to);
        auto node = CCNode::node();
        node->setRotation(c.from);
        auto rotate = CCRotateTo::actionWithDuration(1, c.to);
        startAndUpdate(*rotate, node, 0);
        EXPECT_FLOAT_EQ(node->rotation(), c.atStart);
        rotate->update(1);
        EXPECT_FLOAT_EQ(node->rotation(), c.atEnd);
        EXPECT_FALSE(rotate->reverse());
    }
}

TEST(ActionsTransformTest, RotateScaleAndSkewByReverseToTheStart)
{
    auto node = CCNode::node();
    node->setRotation(-370);
    auto rotate = CCRotateBy::actionWithDuration(1, 45);
    startAndUpdate(*rotate, node, 1);
    EXPECT_FLOAT_EQ(node->rotation(), -325);  // a rotate-by does not reduce its start
    startAndUpdate(*dynamicRef<CCActionInterval>(rotate->reverse()), node, 1);
    EXPECT_FLOAT_EQ(node->rotation(), -370);

    node->setScaleX(1.5f);
    node->setScaleY(3);
    auto scale = CCScaleBy::actionWithDuration(1, 2);
    startAndUpdate(*scale, node, 0.5f);
    EXPECT_FLOAT_EQ(node->scaleX(), 2.25f);
    EXPECT_FLOAT_EQ(node->scaleY(), 4.5f);
    scale->update(1);
    EXPECT_FLOAT_EQ(node->scaleX(), 3);
    startAndUpdate(*dynamicRef<CCActionInterval>(scale->reverse()), node, 1);
    EXPECT_FLOAT_EQ(node->scaleX(), 1.5f);
    EXPECT_FLOAT_EQ(node->scaleY(), 3);

    auto skew = CCSkewBy::actionWithDuration(1, 20, -30);
    startAndUpdate(*skew, node, 1);
    EXPECT_FLOAT_EQ(node->skewX(), 20);
    EXPECT_FLOAT_EQ(node->skewY(), -30);
    startAndUpdate(*dynamicRef<CCActionInterval>(skew->reverse()), node, 1);
    EXPECT_FLOAT_EQ(node->skewX(), 0);
    EXPECT_FLOAT_EQ(node->skewY(), 0);
}

TEST(ActionsTransformTest, ScaleToAndSkewToReachAbsoluteValues)
{
    auto node = CCNode::node();
    node->setScale(2);
    auto scale = CCScaleTo::actionWithDuration(1, 0.5f, 4);
    startAndUpdate(*scale, node, 0.5f);
    EXPECT_FLOAT_EQ(node->scaleX(), 1.25f);
    EXPECT_FLOAT_EQ(node->scaleY(), 3);

    // x reduces within a half turn, y within a whole one; each difference
    // is brought into -180..180.
    node->setSkewX(200);
    node->setSkewY(-350);
    auto skew = CCSkewTo::actionWithDuration(1, 10, 0);
    startAndUpdate(*skew, node, 0);
    EXPECT_FLOAT_EQ(node->skewX(), 20);
    EXPECT_FLOAT_EQ(node->skewY(), -350);
    skew->update(1);
    EXPECT_FLOAT_EQ(node->skewX(), 10);
    EXPECT_FLOAT_EQ(node->skewY(), -360);  // +350 is corrected to -10
}

TEST(ActionsTransformTest, BlinkShowsTheNodeInTheSecondHalfOfEverySlice)
{
    const std::vector<std::pair<float, bool>> visibleAt = {
        {0.0f, false}, {0.05f, false}, {0.15f, true}, {0.25f, false}, {0.39f, true}, {0.61f, false}, {0.95f, true},
    };
    auto node = CCNode::node();
    auto blink = CCBlink::actionWithDuration(1, 5);
    blink->startWithTarget(node);
    for (auto [t, visible] : visibleAt) {
        blink->update(t);
        EXPECT_EQ(node->visible(), visible) << "t = " << t;
    }
}

TEST(ActionsTransformTest, AFinishedBlinkKeepsThePreviousVisibility)
{
    auto node = CCNode::node();
    auto blink = CCBlink::actionWithDuration(1, 5);
    blink->startWithTarget(node);
    blink->step(0);     // progress 0: hidden
    blink->step(0.45f); // progress 0.45: hidden
    EXPECT_FALSE(node->visible());
    blink->step(0.6f);  // done: the update with progress 1 is skipped
    EXPECT_TRUE(blink->isDone());
    EXPECT_FALSE(node->visible());
    EXPECT_EQ(typeid(*blink->reverse()), typeid(CCBlink));
}

TEST(ActionsTransformTest, ABlinkWithNoBlinksLeavesTheNodeAlone)
{
    auto node = CCNode::node();
    auto blink = CCBlink::actionWithDuration(1, 0);
    blink->startWithTarget(node);
    for (float t : {0.0f, 0.3f, 0.99f}) {
        blink->update(t);
        EXPECT_TRUE(node->visible()) << "t = " << t;
    }
}

struct ColourCase {
    std::string name;
    ActionMaker make;
    uint8_t startOpacity;
    ccColor3B startColour;
    float t;
    uint8_t opacity;
    ccColor3B colour;
};

TEST(ActionsTransformTest, FadesAndTintsWriteTruncatedWrappingBytes)
{
    const ccColor3B white = ccWHITE;
    const std::vector<ColourCase> cases = {
        {"fade-in middle", [] { return CCFadeIn::actionWithDuration(1); }, 0, white, 0.5f, 127, white},
        {"fade-in end", [] { return CCFadeIn::actionWithDuration(1); }, 0, white, 1, 255, white},
        {"fade-out middle", [] { return CCFadeOut::actionWithDuration(1); }, 255, white, 0.5f, 127, white},
        {"fade-out end", [] { return CCFadeOut::actionWithDuration(1); }, 255, white, 1, 0, white},
        {"fade-to down", [] { return CCFadeTo::actionWithDuration(1, 100); }, 200, white, 0.5f, 150, white},
        {"fade-to up", [] { return CCFadeTo::actionWithDuration(1, 255); }, 0, white, 0.25f, 63, white},
        {"tint-to middle", [] { return CCTintTo::actionWithDuration(1, 255, 0, 0); }, 255, white, 0.5f, 255,
         {255, 127, 127}},
        {"tint-to end", [] { return CCTintTo::actionWithDuration(1, 10, 20, 30); }, 255, white, 1, 255, {10, 20, 30}},
        {"tint-by wraps past 255", [] { return CCTintBy::actionWithDuration(1, 100, 0, 0); }, 255, {200, 0, 0}, 1,
         255, {44, 0, 0}},
        {"tint-by wraps below 0", [] { return CCTintBy::actionWithDuration(1, 0, -20, 0); }, 255, {0, 10, 0}, 1, 255,
         {0, 246, 0}},
        {"tint-by middle", [] { return CCTintBy::actionWithDuration(1, -100, 50, 10); }, 255, {200, 100, 0}, 0.5f, 255,
         {150, 125, 5}},
    };
    for (const ColourCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto node = makeRef<ColourNode>();
        node->setOpacity(c.startOpacity);
        node->setColor(c.startColour);
        auto action = c.make();
        startAndUpdate(*action, node, c.t);
        EXPECT_EQ(node->opacity(), c.opacity);
        EXPECT_EQ(node->color(), c.colour);
    }
}

TEST(ActionsTransformTest, ColourReversesUndoTheChange)
{
    auto node = makeRef<ColourNode>();
    node->setColor({200, 100, 0});
    auto tint = CCTintBy::actionWithDuration(1, 100, -50, 20);
    startAndUpdate(*tint, node, 1);
    EXPECT_EQ(node->color(), (ccColor3B{44, 50, 20}));
    startAndUpdate(*dynamicRef<CCActionInterval>(tint->reverse()), node, 1);
    EXPECT_EQ(node->color(), (ccColor3B{200, 100, 0}));

    EXPECT_EQ(typeid(*CCFadeIn::actionWithDuration(1)->reverse()), typeid(CCFadeOut));
    EXPECT_EQ(typeid(*CCFadeOut::actionWithDuration(1)->reverse()), typeid(CCFadeIn));
    EXPECT_FALSE(CCFadeTo::actionWithDuration(1, 5)->reverse());
    EXPECT_FALSE(CCTintTo::actionWithDuration(1, 5, 5, 5)->reverse());
}

TEST(ActionsTransformTest, ColourActionsLeaveAPlainNodeAlone)
{
    auto node = CCNode::node();
    for (Ref<CCActionInterval> action : {Ref<CCActionInterval>(CCFadeIn::actionWithDuration(1)),
                                         Ref<CCActionInterval>(CCFadeTo::actionWithDuration(1, 0)),
                                         Ref<CCActionInterval>(CCTintTo::actionWithDuration(1, 0, 0, 0)),
                                         Ref<CCActionInterval>(CCTintBy::actionWithDuration(1, 1, 1, 1))}) {
        startAndUpdate(*action, node, 0.5f);
        action->stop();
    }
    EXPECT_TRUE(node->visible());
}

} // namespace
} // namespace mw
