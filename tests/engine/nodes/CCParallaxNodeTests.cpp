#include <gtest/gtest.h>

#include "engine/nodes/CCParallaxNode.h"
#include "engine/nodes/CGPointObject.h"
#include "tests/support/GLTestContext.h"

namespace mw {
namespace {

class CCParallaxNodeTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(test::GLTestContext::acquire(8, 8), nullptr); }
};

TEST_F(CCParallaxNodeTest, ChildrenFollowTheirShareOfTheAbsoluteMovement)
{
    auto root = CCNode::node();
    root->setPosition({60, 20});
    auto parallax = CCParallaxNode::node();
    parallax->setPosition({40, 30});  // absolute (100, 50)
    root->addChild(parallax);
    EXPECT_EQ(parallax->absolutePosition(), CGPointMake(100, 50));

    auto half = CCNode::node();
    auto fixed = CCNode::node();
    auto full = CCNode::node();
    parallax->addChild(half, 0, {0.5f, 0}, {10, 0});
    EXPECT_EQ(half->position(), CGPointMake(40 * 0.5f + 10, 0)) << "placed for the node's own position when added";
    parallax->addChild(fixed, 1, {0, 0}, {0, 0});
    parallax->addChild(full, -1, {1, 1}, {0, 0});

    parallax->visit();
    EXPECT_EQ(half->position(), CGPointMake(-40, -50));
    EXPECT_EQ(fixed->position(), CGPointMake(-100, -50));
    EXPECT_EQ(full->position(), CGPointMake(0, 0));

    // On screen, when the node moves 20 to the right: the half-speed child
    // moves 10, the fixed one stays and the full-speed one moves 20.
    const float halfBefore = half->convertToWorldSpace({0, 0}).x;
    const float fixedBefore = fixed->convertToWorldSpace({0, 0}).x;
    const float fullBefore = full->convertToWorldSpace({0, 0}).x;
    root->setPosition({80, 20});
    parallax->visit();
    EXPECT_EQ(half->position(), CGPointMake(-50, -50));
    EXPECT_FLOAT_EQ(half->convertToWorldSpace({0, 0}).x - halfBefore, 10);
    EXPECT_FLOAT_EQ(fixed->convertToWorldSpace({0, 0}).x - fixedBefore, 0);
    EXPECT_FLOAT_EQ(full->convertToWorldSpace({0, 0}).x - fullBefore, 20);
}

// The first visit places the children wherever the node is, (-100, -100)
// included, which once stood for "never placed"; later visits place them
// only after the node moved.
TEST_F(CCParallaxNodeTest, FirstVisitPlacesChildrenWhereverTheNodeIs)
{
    for (const CGPoint at : {CGPointMake(-100, -100), CGPointMake(0, 0), CGPointMake(35, -12)}) {
        SCOPED_TRACE(testing::Message() << at.x << ", " << at.y);
        auto parallax = CCParallaxNode::node();
        parallax->setPosition(at);
        auto child = CCNode::node();
        parallax->addChild(child, 0, {0.5f, 0}, {1, 1});
        child->setPosition({7, 7});
        parallax->visit();
        EXPECT_EQ(child->position(), CGPointMake(-at.x * 0.5f + 1, -at.y + 1));
        child->setPosition({7, 7});
        parallax->visit();
        EXPECT_EQ(child->position(), CGPointMake(7, 7)) << "the node has not moved since";
        parallax->setPosition({at.x + 10, at.y});
        parallax->visit();
        EXPECT_EQ(child->position(), CGPointMake(-(at.x + 10) * 0.5f + 1, -at.y + 1));
    }
}

TEST_F(CCParallaxNodeTest, PlainAdditionsAreRefusedAndRemovalsKeepTheRecordsInStep)
{
    auto parallax = CCParallaxNode::node();
    auto stray = CCNode::node();
    parallax->addChild(stray);
    parallax->addChild(stray, 3);
    parallax->addChild(stray, 3, 9);
    EXPECT_EQ(parallax->children(), nullptr);
    EXPECT_EQ(parallax->parallaxArray()->count(), 0u);

    auto a = CCNode::node();
    auto b = CCNode::node();
    auto c = CCNode::node();
    parallax->addChild(a, 0, {1, 1}, {0, 0});
    parallax->addChild(b, 0, {2, 2}, {0, 0});
    parallax->addChild(c, 0, {3, 3}, {0, 0});
    parallax->removeChild(stray, true);  // not registered: records untouched
    EXPECT_EQ(parallax->parallaxArray()->count(), 3u);
    parallax->removeChild(b, true);
    ASSERT_EQ(parallax->parallaxArray()->count(), 2u);
    EXPECT_EQ(parallax->parallaxArray()->objectAtIndexAs<CGPointObject>(0)->child(), a.get());
    EXPECT_EQ(parallax->parallaxArray()->objectAtIndexAs<CGPointObject>(1)->child(), c.get());
    EXPECT_EQ(parallax->children()->count(), 2u);

    parallax->removeAllChildrenWithCleanup(true);
    EXPECT_EQ(parallax->parallaxArray()->count(), 0u);
    EXPECT_EQ(parallax->children()->count(), 0u);
    parallax->setPosition({5, 5});
    parallax->visit();  // no records left to place
}

TEST_F(CCParallaxNodeTest, AChildWithAParentGetsNoRecord)
{
    auto parallax = CCParallaxNode::node();
    auto owned = CCNode::node();
    parallax->addChild(owned, 0, {1, 1}, {0, 0});
    parallax->addChild(owned, 0, {2, 2}, {0, 0});  // already its child
    {
        auto elsewhere = CCNode::node();
        auto stray = CCNode::node();
        elsewhere->addChild(stray);
        parallax->addChild(stray, 0, {0.5f, 0.5f}, {0, 0});
    }  // the stray node is gone with its parent
    EXPECT_EQ(parallax->parallaxArray()->count(), 1u);
    EXPECT_EQ(parallax->children()->count(), 1u);

    parallax->removeChild(owned, true);
    EXPECT_EQ(parallax->parallaxArray()->count(), 0u) << "no second record outlives the child";
    parallax->setPosition({3, 3});
    parallax->visit();  // must not move a node that is gone
}

} // namespace
} // namespace mw
