#include <gtest/gtest.h>

#include <GLES/gl.h>

#include <cstdlib>
#include <ostream>
#include <string>
#include <vector>

#include "engine/base/ccContentScale.h"
#include "engine/base/ccDrawingState.h"
#include "engine/sprites/CCSprite.h"
#include "game/boards/BoardSupport.h"
#include "game/boards/CCLineObject.h"
#include "game/boards/ccThickLine.h"
#include "tests/game/boards/BoardsTestSupport.h"

namespace mw {
namespace {

using test::BoardTest;
using test::RGBA;

std::vector<float> stripOf(const std::vector<CGPoint>& points, float halfWidth, float scale)
{
    std::vector<float> out(8 * points.size());
    const int n = ccThickLineVertices(points.data(), static_cast<int>(points.size()), halfWidth, scale, out.data());
    out.resize(static_cast<size_t>(2 * n));
    return out;
}

void expectVertices(const std::vector<float>& actual, const std::vector<float>& expected)
{
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < actual.size(); ++i)
        EXPECT_NEAR(actual[i], expected[i], 1e-4) << "coordinate " << i;
}

TEST(ThickLineGeometryTest, AStripHasFourVerticesPerSegmentAlongItsNormal)
{
    EXPECT_TRUE(stripOf({{5, 5}}, 5, 1).empty()) << "one point draws nothing";
    // Two points: one segment going right; the normal points up.
    expectVertices(stripOf({{0, 0}, {10, 0}}, 5, 1), {0, 5, 0, -5, 10, 5, 10, -5});
    // Three points: 8 vertices in segment order; the second segment goes up,
    // its normal points left. Positions are scaled to pixels, the width is not.
    expectVertices(stripOf({{0, 0}, {10, 0}, {10, 10}}, 5, 2),
                   {0, 5, 0, -5, 20, 5, 20, -5, 15, 0, 25, 0, 15, 20, 25, 20});
    // A segment of no length keeps its ends where they are.
    expectVertices(stripOf({{3, 3}, {3, 3}}, 5, 1), {3, 3, 3, 3, 3, 3, 3, 3});
}

TEST(ThickLineGeometryTest, ACircleFanRunsRoundFromItsAngleAndEndsAtTheCentre)
{
    std::vector<float> out(2 * (4 + 2));
    // The centre is in points (scaled), the radius in pixels (not).
    ASSERT_EQ(ccCircleFanVertices({1, 1}, 2, 0, 4, 2, out.data()), 6);
    expectVertices(out, {4, 2, 2, 4, 0, 2, 2, 0, 4, 2, 2, 2});
    EXPECT_EQ(ccCircleFanVertices({1, 1}, 2, 0, 0, 1, out.data()), 0);
}

class ChainLineTest : public BoardTest {
protected:
    Ref<CCLineObject> lineIn()
    {
        auto line = CCLineObject::line();
        scene().addChild(line.get());
        return line;
    }
};

TEST_F(ChainLineTest, StarsStandAtEveryCompletedSetAndFollowThePoints)
{
    auto line = lineIn();
    line->SetMinGroup(4);
    for (int i = 0; i < 9; ++i)
        line->AddPoint({10.0f * static_cast<float>(i), 20});
    run(1.0 / 60);
    ASSERT_EQ(line->stars().size(), 2u);
    EXPECT_EQ(line->stars()[0]->position(), (CGPoint{30, 20}));
    EXPECT_EQ(line->stars()[1]->position(), (CGPoint{70, 20}));
    EXPECT_EQ(line->stars()[0]->color(), ccc3(255, 247, 130));
    EXPECT_EQ(line->stars()[0]->zOrder(), CCLineObject::kStarZ);
    run(0.5);
    EXPECT_NEAR(line->stars()[0]->rotation(), 90, 3) << "half a turn a second";
    line->RemoveLast();
    line->RemoveLast();
    run(1.0 / 60);
    EXPECT_EQ(line->stars().size(), 1u);
    line->SetMinGroup(-1);
    run(1.0 / 60);
    EXPECT_TRUE(line->stars().empty());
}

TEST_F(ChainLineTest, AStarIntervalOfZeroOrLessShowsNoStars)
{
    const int32_t intervals[] = {0, -3};
    for (int32_t interval : intervals) {
        auto line = lineIn();
        line->SetMinGroup(interval);
        for (int i = 0; i < 5; ++i)
            line->AddPoint({10.0f * static_cast<float>(i), 20});
        run(1.0 / 60);
        EXPECT_TRUE(line->stars().empty()) << "interval " << interval;
    }
}

TEST_F(ChainLineTest, PointsStopAtThirtySixAndClearDropsTheStars)
{
    auto line = lineIn();
    line->SetMinGroup(3);
    for (int i = 0; i < 40; ++i)
        line->AddPoint({static_cast<float>(i), 0});
    EXPECT_EQ(line->pointCount(), 36);
    run(1.0 / 60);
    EXPECT_EQ(line->stars().size(), 12u);
    line->Clear();
    EXPECT_EQ(line->pointCount(), 0);
    EXPECT_TRUE(line->stars().empty());
    line->RemoveLast();
    EXPECT_EQ(line->pointCount(), 0);
}

TEST_F(ChainLineTest, EveryStepOfTheFingerCountsTowardsTheWalkingAchievements)
{
    auto line = lineIn();
    profile().FingerLength = 9998;
    line->AddPoint({0, 0});
    EXPECT_TRUE(ledger().grants.empty());
    line->RemoveLast(); // going back counts too: 10000 x 0.01 on a phone
    EXPECT_EQ(profile().FingerLength, 10000);
    EXPECT_EQ(ledger().grants, (std::vector<std::string>{"com.zandovar.mw.shortwalk ACH_SHORT 5"}));
    profile().FingerLength = 99999;
    line->AddPoint({0, 0});
    EXPECT_EQ(ledger().grants.back(), "com.zandovar.mw.milestowalk ACH_LONG 20");
    EXPECT_EQ(ledger().grants.size(), 2u);
}

RGBA pixelAt(const std::vector<uint8_t>& rgba, int width, int height, int x, int yFromBottom)
{
    const size_t i = static_cast<size_t>(((height - 1 - yFromBottom) * width + x) * 4);
    return {rgba[i], rgba[i + 1], rgba[i + 2], rgba[i + 3]};
}

TEST_F(ChainLineTest, TheLineDrawsOrangeWithRoundEndsAndLeavesTheEngineStateAsItWas)
{
    auto line = lineIn();
    line->AddPoint({60, 100});
    line->AddPoint({160, 100});
    line->AddPoint({160, 200});
    run(1.0 / 30);
    const std::vector<uint8_t> rgba = driver().readPixels();
    const RGBA orange{255, 101, 0, 255};
    // Phone: half-width 2 pixels, caps of radius 8.
    EXPECT_TRUE(test::nearColor(pixelAt(rgba, 320, 480, 110, 100), orange));
    EXPECT_TRUE(test::nearColor(pixelAt(rgba, 320, 480, 110, 101), orange));
    EXPECT_FALSE(test::nearColor(pixelAt(rgba, 320, 480, 110, 104), orange)) << "thin between the caps";
    EXPECT_TRUE(test::nearColor(pixelAt(rgba, 320, 480, 160, 150), orange));
    EXPECT_TRUE(test::nearColor(pixelAt(rgba, 320, 480, 54, 100), orange)) << "the round start";
    EXPECT_TRUE(test::nearColor(pixelAt(rgba, 320, 480, 160, 206), orange)) << "the round end";
    EXPECT_FALSE(test::nearColor(pixelAt(rgba, 320, 480, 100, 150), orange));
    if (const char* dir = std::getenv("MOSSWICK_TEST_PICTURES")) {
        EXPECT_TRUE(driver().screenshot(std::string(dir) + "/chain_line_phone.png"));
    }
    // Inside a frame the nodes after the line find the engine's state again.
    ccBeginNodeDrawing();
    ccDrawStraightLine(line->points(), line->pointCount());
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    GLboolean colours = GL_FALSE, texCoords = GL_FALSE;
    glGetBooleanv(GL_COLOR_ARRAY, &colours);
    glGetBooleanv(GL_TEXTURE_COORD_ARRAY, &texCoords);
    EXPECT_TRUE(colours);
    EXPECT_TRUE(texCoords);
    ccEndNodeDrawing();
}

// The line's thickness per device, and the round end drawn at its radius:
// a window wider than 1024 pixels doubles the half-width and the cap once.
struct Thickness {
    const char* device;
    float halfWidth;
    float cap;      // as the line passes it
    float capDrawn; // in pixels on the surface
    friend void PrintTo(const Thickness& t, std::ostream* out) { *out << t.device; }
};

class ChainLineThicknessTest : public BoardTest, public ::testing::WithParamInterface<Thickness> {
protected:
    ChainLineThicknessTest() : BoardTest(GetParam().device) {}
};

TEST_P(ChainLineThicknessTest, TheCapsAndTheLineTakeTheDevicesSizes)
{
    EXPECT_FLOAT_EQ(ccThickLineHalfWidth(), GetParam().halfWidth);
    EXPECT_FLOAT_EQ(ccThickLineCapRadius(), GetParam().cap);
    auto line = CCLineObject::line();
    scene().addChild(line.get());
    line->AddPoint({100, 200});
    line->AddPoint({200, 200});
    run(1.0 / 30);
    const std::vector<uint8_t> rgba = driver().readPixels();
    const float scale = ccContentScaleFactor();
    const int width = static_cast<int>(board::winSizeInPixels().width);
    const int height = static_cast<int>(board::winSizeInPixels().height);
    const RGBA orange{255, 101, 0, 255};
    // Left of the start, inside and outside the cap's radius.
    const int startX = static_cast<int>(100 * scale), y = static_cast<int>(200 * scale);
    const int inside = static_cast<int>(GetParam().capDrawn) - 2, outside = static_cast<int>(GetParam().capDrawn) + 2;
    EXPECT_TRUE(test::nearColor(pixelAt(rgba, width, height, startX - inside, y), orange));
    EXPECT_FALSE(test::nearColor(pixelAt(rgba, width, height, startX - outside, y), orange));
    // Across the middle of the segment: the half-width.
    const int middleX = static_cast<int>(150 * scale);
    const int half = static_cast<int>(GetParam().halfWidth);
    // (Pixels on the very edge may go either way with the projection's rounding.)
    EXPECT_TRUE(test::nearColor(pixelAt(rgba, width, height, middleX, y + half - 2), orange));
    EXPECT_FALSE(test::nearColor(pixelAt(rgba, width, height, middleX, y + half + 2), orange));
}

INSTANTIATE_TEST_SUITE_P(Devices, ChainLineThicknessTest,
                         ::testing::Values(Thickness{"phone", 2, 8, 8}, Thickness{"phone-hd", 5, 16, 16},
                                           Thickness{"tablet", 5, 16, 16}, Thickness{"tablet-hd", 10, 16, 32}),
                         [](const auto& info) {
                             std::string name = info.param.device;
                             std::erase(name, '-');
                             return name;
                         });

} // namespace
} // namespace mw
