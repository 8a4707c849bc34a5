// The ribbon's segments as points arrive and fade, and the motion streak
// laying points behind a moving node.

#include <memory>

#include <gtest/gtest.h>

#include "engine/particles/CCMotionStreak.h"
#include "engine/particles/CCRibbon.h"
#include "tests/engine/particles/ParticleTestSupport.h"

namespace mw {
namespace {

class RibbonTest : public test::GLRenderTest {
protected:
    RibbonTest() : GLRenderTest(64, 64) {}
    void SetUp() override
    {
        GLRenderTest::SetUp();
        bundle_ = std::make_unique<test::ScratchBundle>();
        bundle_->writeImage("band.png", *test::solidImage(8, {255, 255, 255, 255}));
    }
    void TearDown() override { bundle_.reset(); }

    void drawNode(CCNode* node)
    {
        ccSetNodeDrawingState(64, 64);
        test::clearSurface(0, 0, 0, 0);
        node->visit();
        ccEndNodeDrawing();
    }

    std::unique_ptr<test::ScratchBundle> bundle_;
};

TEST_F(RibbonTest, SegmentsFollowThePointsAndCarryOver)
{
    auto ribbon = CCRibbon::ribbonWithWidth(10, "band.png", 16, {255, 0, 0, 255}, 1);
    ASSERT_NE(ribbon->texture(), nullptr);
    ribbon->addPointAt({0, 0}, 10);
    EXPECT_EQ(ribbon->segments()[0]->end, 0u);  // the first point is only recorded
    ribbon->addPointAt({10, 0}, 10);
    const CCRibbonSegment& first = *ribbon->segments()[0];
    ASSERT_EQ(first.end, 2u);
    // Moving right, the band's edges lie 5 above and below the path.
    EXPECT_NEAR(first.verts[6 + 0], 10, 1e-4);
    EXPECT_NEAR(std::abs(first.verts[6 + 1]), 5, 1e-4);
    EXPECT_NEAR(first.verts[6 + 1], -first.verts[6 + 4], 1e-4);
    EXPECT_FLOAT_EQ(first.coords[4 + 1], 10 / 16.f);  // v grows with the distance

    for (int i = 2; i <= 50; ++i) ribbon->addPointAt({10.f * static_cast<float>(i), 0}, 10);
    ASSERT_EQ(ribbon->segments().size(), 2u);
    const CCRibbonSegment& second = *ribbon->segments()[1];
    EXPECT_EQ(second.end, 2u);
    // The new strip starts with the old one's last entry.
    EXPECT_EQ(second.verts[0], ribbon->segments()[0]->verts[49 * 6]);
    EXPECT_EQ(second.coords[1], ribbon->segments()[0]->coords[49 * 4 + 1]);
}

TEST_F(RibbonTest, OldPointsFadeAndFinishedSegmentsAreReused)
{
    auto ribbon = CCRibbon::ribbonWithWidth(8, "band.png", 16, {255, 0, 0, 255}, 1);
    ribbon->addPointAt({8, 32}, 8);
    ribbon->addPointAt({56, 32}, 8);
    drawNode(ribbon.get());  // clock 0: unfaded, in the ribbon colour
    EXPECT_TRUE(test::nearColor(gl().readPixel(32, 32), {255, 0, 0, 255}));

    ribbon->update(0.5f);
    drawNode(ribbon.get());
    const test::RGBA half = gl().readPixel(32, 32);
    EXPECT_NEAR(half.r, 127, 3);  // alpha 127 over clear

    ribbon->update(1);
    drawNode(ribbon.get());
    EXPECT_EQ(ribbon->segments()[0]->begin, 2u);  // both entries gone
    EXPECT_TRUE(test::nearColor(gl().readPixel(32, 32), {0, 0, 0, 0}));

    // Fill the segment so a second starts, let the first fade entirely: the
    // next append recycles it.
    for (int i = 0; i < 60; ++i) ribbon->addPointAt({static_cast<float>(i), 10}, 8);
    ASSERT_EQ(ribbon->segments().size(), 2u);
    ribbon->update(5);
    for (int i = 0; i < 3; ++i) drawNode(ribbon.get());
    ribbon->addPointAt({70, 10}, 8);
    EXPECT_EQ(ribbon->deletedSegments().size(), 1u);
    EXPECT_EQ(ribbon->segments().size(), 1u);
}

TEST_F(RibbonTest, StreakLaysPointsOnlyAfterMovingFarEnough)
{
    auto streak = CCMotionStreak::streakWithFade(2, 5, "band.png", 6, 16, {0, 255, 0, 255});
    CCRibbon* ribbon = streak->ribbon();
    ASSERT_NE(ribbon, nullptr);
    streak->setPosition({3, 0});
    streak->update(0.1f);  // not farther than 5 from (0, 0)
    EXPECT_EQ(ribbon->segments()[0]->end, 0u);
    EXPECT_FLOAT_EQ(ribbon->currentTime(), 0.1f);

    // A point moving right and up: one entry per step of more than 5.
    const CGPoint path[] = {{10, 0}, {12, 2}, {20, 10}, {30, 20}};
    for (CGPoint p : path) {
        streak->setPosition(p);
        streak->update(0.1f);
    }
    EXPECT_EQ(ribbon->position(), CGPoint(-30, -20));
    const CCRibbonSegment& segment = *ribbon->segments()[0];
    ASSERT_EQ(segment.end, 3u);  // (10,0) recorded, then (20,10) and (30,20)
    const float midX = (segment.verts[2 * 6 + 0] + segment.verts[2 * 6 + 3]) / 2;
    const float midY = (segment.verts[2 * 6 + 1] + segment.verts[2 * 6 + 4]) / 2;
    EXPECT_NEAR(midX, 30, 1e-4);
    EXPECT_NEAR(midY, 20, 1e-4);
    EXPECT_NEAR(segment.creationTime[2], 0.4f, 1e-5);  // laid before the clock moved on
}

} // namespace
} // namespace mw
