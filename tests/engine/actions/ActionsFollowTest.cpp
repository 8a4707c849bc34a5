#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/actions/CCFollow.h"
#include "engine/base/CCWinSize.h"
#include "engine/nodes/CCActionManager.h"
#include "engine/nodes/CCNode.h"
#include "tests/support/SharedInstances.h"

namespace mw {
namespace {

CGSize landscapeWindow() { return {480, 320}; }

// A 480 x 320 window with a world container holding the followed node, on stage.
class FollowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ccSetWinSizeProvider(&landscapeWindow);
        world_->addChild(hero_);
        world_->onEnter();
    }
    void TearDown() override
    {
        world_->onExit();
        world_->stopAllActions();
        test::resetSharedInstances();
        ccSetWinSizeProvider(nullptr);
    }

    // Where the container is after one step with the hero at `heroAt`.
    CGPoint containerFor(CCFollow& follow, CGPoint heroAt)
    {
        hero_->setPosition(heroAt);
        follow.step(1 / 60.0f);
        return world_->position();
    }

    Ref<CCNode> world_ = CCNode::node();
    Ref<CCNode> hero_ = CCNode::node();
};

struct FollowCase {
    std::string name;
    CGRect boundary;
    CGPoint hero;
    CGPoint container;
};

TEST_F(FollowTest, TheContainerCentresTheHeroWithinTheWorldBoundary)
{
    const std::vector<FollowCase> cases = {
        {"near the origin the view stops at the world's corner", {0, 0, 960, 640}, {100, 100}, {0, 0}},
        {"far corner", {0, 0, 960, 640}, {900, 600}, {-480, -320}},
        {"inside: centred", {0, 0, 960, 640}, {500, 300}, {-260, -140}},
        {"world narrower than the window: x held at the middle", {0, 0, 240, 640}, {500, 300}, {120, -140}},
        {"world lower than the window: y held at the middle", {0, 0, 960, 160}, {500, 300}, {-260, 80}},
        {"world of the window's size: never moved", {0, 0, 480, 320}, {900, 600}, {7, 7}},
    };
    for (const FollowCase& c : cases) {
        SCOPED_TRACE(c.name);
        world_->setPosition(CGPoint(7, 7));
        auto follow = CCFollow::actionWithTarget(hero_, c.boundary);
        follow->startWithTarget(world_);
        EXPECT_EQ(containerFor(*follow, c.hero), c.container);
        auto copied = copyAs<CCFollow>(*follow);
        copied->startWithTarget(world_);
        EXPECT_EQ(containerFor(*copied, c.hero), c.container);
        follow->stop();
    }
}

TEST_F(FollowTest, WithoutABoundaryOrWithItSwitchedOffTheHeroIsAlwaysCentred)
{
    auto free = CCFollow::actionWithTarget(hero_);
    free->startWithTarget(world_);
    EXPECT_EQ(containerFor(*free, {900, 600}), CGPoint(-660, -440));

    auto bounded = CCFollow::actionWithTarget(hero_, CGRect(0, 0, 960, 640));
    bounded->startWithTarget(world_);
    EXPECT_EQ(containerFor(*bounded, {100, 100}), CGPoint(0, 0));
    bounded->setBoundarySet(false);
    EXPECT_EQ(containerFor(*bounded, {100, 100}), CGPoint(140, 60));
}

TEST_F(FollowTest, FollowingEndsWhenTheHeroLeavesTheScene)
{
    auto follow = CCFollow::actionWithTarget(hero_);
    world_->runAction(follow);
    hero_->setPosition(CGPoint(40, 60));
    CCActionManager::sharedManager()->update(1 / 60.0f);
    EXPECT_EQ(world_->position(), CGPoint(200, 100));
    EXPECT_EQ(world_->numberOfRunningActions(), 1u);

    world_->removeChild(hero_, true);
    CCActionManager::sharedManager()->update(1 / 60.0f);
    EXPECT_EQ(world_->numberOfRunningActions(), 0u);
}

} // namespace
} // namespace mw
