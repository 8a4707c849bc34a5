#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "engine/actions/CCActionInterval.h"
#include "engine/effects/CCActionGrid.h"
#include "engine/effects/CCGridBase.h"
#include "engine/nodes/CCLayerColor.h"
#include "engine/transitions/CCTransitionPageTurn.h"
#include "tests/engine/director/DirectorTestSupport.h"
#include "tests/engine/effects/EffectsTestSupport.h"

namespace mw::test {
namespace {

// A red scene running on the portrait phone (320 x 480), and a blue one to go to.
class PageTurnRadialTest : public DirectorTest {
protected:
    void SetUp() override
    {
        DirectorTest::SetUp();
        if (HasFatalFailure()) return;
        from = CCScene::node();
        from->addChild(CCLayerColor::layerWithColor({255, 0, 0, 255}).get());
        to = CCScene::node();
        to->addChild(CCLayerColor::layerWithColor({0, 0, 255, 255}).get());
        director().runWithScene(from.get());
        driver().runFrames(1);
    }

    RGBA pixelAt(int x, int y)
    {
        const std::vector<uint8_t> rgba = driver().readPixels();
        const PixelSize size = driver().context().pixelSize();
        const size_t at = (static_cast<size_t>(size.height - 1 - y) * size.width + static_cast<size_t>(x)) * 4;
        return {rgba[at], rgba[at + 1], rgba[at + 2], rgba[at + 3]};
    }

    Ref<CCScene> from;
    Ref<CCScene> to;
};

const RGBA kRedPixel{255, 0, 0, 255};
const RGBA kBluePixel{0, 0, 255, 255};

TEST_F(PageTurnRadialTest, PageTurnCurlsTheOutgoingSceneOnAPortraitGridAndStopsIt)
{
    auto turn = CCTransitionPageTurn::transitionWithDuration(0.5f, to.get(), false);
    ASSERT_NE(turn, nullptr);
    director().replaceScene(turn.get());
    driver().runFrames(2);
    CCGridBase* grid = ccGridOf(from.get());
    ASSERT_NE(grid, nullptr);
    EXPECT_EQ(grid->gridSize(), (ccGridSize{12, 16}));
    EXPECT_TRUE(grid->active());
    driver().runFrames(40);
    EXPECT_EQ(director().runningScene(), to.get());
    EXPECT_FALSE(grid->active()) << "the grid is switched off at the end";
}

TEST_F(PageTurnRadialTest, BackwardsTheIncomingSceneCurlsInOnTop)
{
    auto turn = CCTransitionPageTurn::transitionWithDuration(0.5f, to.get(), true);
    ASSERT_NE(turn, nullptr);
    EXPECT_TRUE(turn->isInSceneOnTop());
    EXPECT_NE(dynamic_cast<CCReverseTime*>(turn->actionWithSize({2, 2}).get()), nullptr);
    director().replaceScene(turn.get());
    driver().runFrames(2);
    EXPECT_TRUE(to->visible()) << "shown once its sequence starts";
    ASSERT_NE(ccGridOf(to.get()), nullptr);
    EXPECT_EQ(ccGridOf(from.get()), nullptr);
    driver().runFrames(40);
    EXPECT_EQ(director().runningScene(), to.get());
    EXPECT_TRUE(nearColor(pixelAt(160, 240), kBluePixel));
}

// The turning page's mesh is drawn at every frame, the page's last step (at
// the end forwards, at the start backwards) included.
TEST_F(PageTurnRadialTest, EveryFrameOfAPageTurnDrawsAFiniteMesh)
{
    for (bool backwards : {false, true}) {
        SCOPED_TRACE(backwards ? "backwards" : "forwards");
        Ref<CCScene> next = CCScene::node();
        next->addChild(CCLayerColor::layerWithColor({0, 255, 0, 255}).get());
        Ref<CCScene> page = backwards ? next : Ref<CCScene>(director().runningScene());
        auto turn = CCTransitionPageTurn::transitionWithDuration(0.5f, next.get(), backwards);
        ASSERT_NE(turn, nullptr);
        director().replaceScene(turn.get());
        int framesWithAMesh = 0;
        for (int frame = 0; frame < 60 && director().runningScene() != next.get(); ++frame) {
            driver().runFrames(1);
            const CCGridBase* grid = ccGridOf(page.get());
            if (!grid) continue;
            ++framesWithAMesh;
            const std::vector<float> coords = gridCoordinates(*grid);
            ASSERT_TRUE(std::all_of(coords.begin(), coords.end(), [](float c) { return std::isfinite(c); }))
                << "frame " << frame;
        }
        EXPECT_EQ(director().runningScene(), next.get());
        EXPECT_GT(framesWithAMesh, 20);
    }
}

TEST_F(PageTurnRadialTest, RadialWipesSweepTheSnapshotAwayInOppositeSenses)
{
    struct Seen {
        RGBA left, right;
    };
    auto run = [&](Ref<CCTransitionScene> wipe) -> Seen {
        director().replaceScene(wipe.get());
        driver().runFrames(2);
        // At the start the snapshot of the outgoing scene covers the screen.
        EXPECT_TRUE(nearColor(pixelAt(5, 5), kRedPixel)) << pixelAt(5, 5);
        EXPECT_TRUE(nearColor(pixelAt(315, 475), kRedPixel)) << pixelAt(315, 475);
        EXPECT_FALSE(from->visible()) << "the live outgoing scene is hidden under its snapshot";
        driver().runFrames(30);
        const Seen seen{pixelAt(60, 300), pixelAt(260, 300)};
        driver().runFrames(40);
        EXPECT_EQ(director().runningScene(), to.get());
        EXPECT_TRUE(nearColor(pixelAt(160, 240), kBluePixel));
        // Back to the red scene for the next run.
        director().replaceScene(from.get());
        driver().runFrames(2);
        return seen;
    };
    const Seen ccw = run(CCTransitionRadialCCW::transitionWithDuration(1, to.get()));
    const Seen cw = run(CCTransitionRadialCW::transitionWithDuration(1, to.get()));
    // Half way, each kind has uncovered one half of the window, the two kinds opposite halves.
    EXPECT_NE(ccw.left, ccw.right);
    EXPECT_EQ(ccw.left, cw.right);
    EXPECT_EQ(ccw.right, cw.left);
}

} // namespace
} // namespace mw::test
