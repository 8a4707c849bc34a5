#include <gtest/gtest.h>

#include <GLES/gl.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/actions/CCActionProgressTimer.h"
#include "engine/base/ccDrawingState.h"
#include "engine/nodes/CCActionManager.h"
#include "engine/rendering/CCProgressTimer.h"
#include "engine/scheduler/CCScheduler.h"
#include "engine/sprites/CCSprite.h"
#include "engine/textures/CCTexture2D.h"
#include "engine/textures/CCTextureCache.h"
#include "tests/engine/sprites/SpriteTestSupport.h"
#include "tests/support/SharedInstances.h"

namespace mw {
namespace {

using test::RGBA;

// 24x24 (stored in a 32x32 texture, so the maxima are 0.75): left half blue,
// right half yellow.
Ref<CCTexture2D> halvesTexture()
{
    std::vector<uint8_t> pixels;
    for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < 24; ++x) {
            const RGBA c = x < 12 ? test::kBlue : test::kYellow;
            pixels.insert(pixels.end(), {c.r, c.g, c.b, c.a});
        }
    }
    Ref<Image> image = Image::fromRGBA(std::move(pixels), 24, 24, ImageAlphaInfo::Last);
    return CCTextureCache::sharedTextureCache()->addCGImage(image.get(), std::string("halves"));
}

class ProgressTimerTest : public test::GLRenderTest {
protected:
    ProgressTimerTest() : GLRenderTest(64, 64) {}
    void SetUp() override
    {
        GLRenderTest::SetUp();
        bundle_ = std::make_unique<test::ScratchBundle>();
        texture_ = halvesTexture();
        ASSERT_NE(texture_, nullptr);
        ASSERT_FLOAT_EQ(texture_->maxS(), 0.75f);
    }
    void TearDown() override
    {
        texture_ = nullptr;
        bundle_.reset();
    }

    // A timer centred at (32, 32): it covers pixels 20..44 both ways.
    Ref<CCProgressTimer> timer(CCProgressTimerType type)
    {
        Ref<CCProgressTimer> made = CCProgressTimer::progressWithTexture(texture_.get());
        made->setType(type);
        made->setPosition({32, 32});
        return made;
    }
    void render(CCNode* node)
    {
        test::clearSurface(0, 0, 0);
        ccSetNodeDrawingState(64, 64);
        node->visit();
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }

    std::unique_ptr<test::ScratchBundle> bundle_;
    Ref<CCTexture2D> texture_;
};

TEST_F(ProgressTimerTest, ANewTimerDrawsNothingUntilItsPercentageChanges)
{
    Ref<CCProgressTimer> fresh = CCProgressTimer::progressWithTexture(texture_.get());
    EXPECT_EQ(fresh->type(), kCCProgressTimerTypeRadialCCW);
    EXPECT_EQ(fresh->percentage(), 0);
    EXPECT_EQ(fresh->contentSize(), (CGSize{24, 24}));
    fresh->setPercentage(0);
    EXPECT_TRUE(fresh->vertexData().empty());

    fresh->setPercentage(150);
    EXPECT_EQ(fresh->percentage(), 100);
    EXPECT_EQ(fresh->true_percentage(), 150);
    fresh->setPercentage(-5);
    EXPECT_EQ(fresh->percentage(), 0);

    fresh->setPercentage(40);
    EXPECT_FALSE(fresh->vertexData().empty());
    fresh->setType(kCCProgressTimerTypeHorizontalBarLR);
    EXPECT_TRUE(fresh->vertexData().empty());
    fresh->setPosition({32, 32});
    render(fresh.get());
    EXPECT_TRUE(test::nearColor(gl().readPixel(26, 32), test::kBlack));
}

TEST_F(ProgressTimerTest, VertexCountsFollowTheCornersTheSectorPassed)
{
    struct Case {
        CCProgressTimerType type;
        float percentage;
        size_t vertices;
    };
    const std::vector<Case> cases = {
        {kCCProgressTimerTypeRadialCW, 10, 3},  {kCCProgressTimerTypeRadialCW, 25, 4},
        {kCCProgressTimerTypeRadialCW, 50, 5},  {kCCProgressTimerTypeRadialCW, 99, 7},
        {kCCProgressTimerTypeRadialCCW, 25, 4}, {kCCProgressTimerTypeRadialCCW, 100, 7},
        {kCCProgressTimerTypeHorizontalBarLR, 30, 4}, {kCCProgressTimerTypeVerticalBarTB, 100, 4},
    };
    for (const Case& c : cases) {
        Ref<CCProgressTimer> t = timer(c.type);
        t->setPercentage(c.percentage);
        EXPECT_EQ(t->vertexData().size(), c.vertices) << "type " << c.type << " at " << c.percentage;
    }

    // Clockwise at 25 %: centre, 12 o'clock, the top-right corner, 3 o'clock.
    Ref<CCProgressTimer> quarter = timer(kCCProgressTimerTypeRadialCW);
    quarter->setPercentage(25);
    const std::vector<ccV2F_C4B_T2F>& v = quarter->vertexData();
    const std::vector<ccVertex2F> expected = {{12, 12}, {12, 24}, {24, 24}, {24, 12}};
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_NEAR(v[i].vertices.x, expected[i].x, 1e-3) << i;
        EXPECT_NEAR(v[i].vertices.y, expected[i].y, 1e-3) << i;
    }
    // Counter-clockwise at 100 % ends back at 12 o'clock.
    Ref<CCProgressTimer> full = timer(kCCProgressTimerTypeRadialCCW);
    full->setPercentage(100);
    EXPECT_EQ(full->vertexData().back().vertices, (ccVertex2F{12, 24}));
}

// The progress actions find the timer through its protocol; a timer they
// could not see would keep its percentage and its geometry unchanged.
class ProgressTimerActionTest : public ProgressTimerTest {
protected:
    void TearDown() override
    {
        test::resetSharedInstances();
        ProgressTimerTest::TearDown();
    }
};

TEST_F(ProgressTimerActionTest, ProgressActionsDriveARealTimerThroughTheFrameTick)
{
    struct Frame {
        float dt;
        float percentage;
        size_t vertices;
    };
    struct Case {
        const char* label;
        CCProgressTimerType type;
        float startPercentage;
        Ref<CCActionInterval> action;
        std::vector<Frame> frames;  // the first tick of an action steps it at progress 0
    };
    const std::vector<Case> cases = {
        {"progress-to on a bar", kCCProgressTimerTypeHorizontalBarLR, 40,
         CCProgressTo::actionWithDuration(1, 100), {{0.1f, 40, 4}, {0.5f, 70, 4}, {0.5f, 100, 4}}},
        {"progress-to on a full radial timer runs up from empty", kCCProgressTimerTypeRadialCW, 100,
         CCProgressTo::actionWithDuration(1, 100), {{0.1f, 0, 3}, {0.25f, 25, 4}, {0.75f, 100, 7}}},
        {"from-to ignores the timer's percentage", kCCProgressTimerTypeRadialCCW, 80,
         CCProgressFromTo::actionWithDuration(1, 0, 50), {{0.1f, 0, 3}, {0.5f, 25, 4}, {0.5f, 50, 5}}},
        {"from-to reversed runs down a bar", kCCProgressTimerTypeVerticalBarBT, 0,
         dynamicRef<CCActionInterval>(CCProgressFromTo::actionWithDuration(1, 20, 80)->reverse()),
         {{0.1f, 80, 4}, {0.5f, 50, 4}, {0.5f, 20, 4}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        Ref<CCProgressTimer> t = timer(c.type);
        t->setPercentage(c.startPercentage);
        CCActionManager::sharedManager()->addAction(c.action.get(), t.get(), false);
        for (const Frame& frame : c.frames) {
            CCScheduler::sharedScheduler()->tick(frame.dt);
            EXPECT_FLOAT_EQ(t->percentage(), frame.percentage);
            ASSERT_EQ(t->vertexData().size(), frame.vertices) << "at " << frame.percentage << "%";
            // The moving edge of a bar sits at its share of the 24-pixel image.
            if (c.type == kCCProgressTimerTypeHorizontalBarLR) {
                EXPECT_NEAR(t->vertexData()[2].vertices.x, 24 * frame.percentage / 100, 1e-3);
            } else if (c.type == kCCProgressTimerTypeVerticalBarBT) {
                EXPECT_NEAR(t->vertexData()[0].vertices.y, 24 * frame.percentage / 100, 1e-3);
            }
        }
        EXPECT_EQ(CCActionManager::sharedManager()->numberOfRunningActionsInTarget(t.get()), 0u)
            << "the action ends with its duration";
    }
}

struct PixelProbe {
    int x, y;
    RGBA expected;
};

TEST_F(ProgressTimerTest, RadialAndBarTimersShowTheirShareOfTheImage)
{
    struct Case {
        const char* label;
        CCProgressTimerType type;
        float percentage;
        bool flipX;
        std::vector<PixelProbe> probes;
    };
    const std::vector<Case> cases = {
        {"bar left to right at 50%", kCCProgressTimerTypeHorizontalBarLR, 50, false,
         {{26, 32, test::kBlue}, {38, 32, test::kBlack}}},
        {"mirrored bar at 50%", kCCProgressTimerTypeHorizontalBarLR, 50, true,
         {{26, 32, test::kYellow}, {38, 32, test::kBlack}}},
        {"bar right to left at 25%", kCCProgressTimerTypeHorizontalBarRL, 25, false,
         {{42, 32, test::kYellow}, {34, 32, test::kBlack}}},
        {"bar bottom up at 25%", kCCProgressTimerTypeVerticalBarBT, 25, false,
         {{26, 22, test::kBlue}, {26, 30, test::kBlack}}},
        {"bar top down at 25%", kCCProgressTimerTypeVerticalBarTB, 25, false,
         {{26, 42, test::kBlue}, {26, 34, test::kBlack}}},
        {"clockwise at 25%", kCCProgressTimerTypeRadialCW, 25, false,
         {{40, 40, test::kYellow}, {24, 40, test::kBlack}, {40, 24, test::kBlack}}},
        {"counter-clockwise at 25%", kCCProgressTimerTypeRadialCCW, 25, false,
         {{24, 40, test::kBlue}, {40, 40, test::kBlack}, {24, 24, test::kBlack}}},
        {"counter-clockwise at 75%", kCCProgressTimerTypeRadialCCW, 75, false,
         {{24, 40, test::kBlue}, {24, 24, test::kBlue}, {40, 24, test::kYellow}, {40, 40, test::kBlack}}},
        {"full circle", kCCProgressTimerTypeRadialCCW, 100, false,
         {{24, 24, test::kBlue}, {40, 40, test::kYellow}, {21, 43, test::kBlue}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        Ref<CCProgressTimer> t = timer(c.type);
        t->sprite()->setFlipX(c.flipX);
        t->setPercentage(c.percentage);
        render(t.get());
        test::keepPicture(gl(), std::string("progress ") + c.label);
        for (const PixelProbe& probe : c.probes) {
            EXPECT_TRUE(test::nearColor(gl().readPixel(probe.x, probe.y), probe.expected))
                << "at " << probe.x << "," << probe.y << ": " << gl().readPixel(probe.x, probe.y);
        }
    }
}

TEST_F(ProgressTimerTest, VertexColoursComeFromTheSpriteWhenTheGeometryIsMade)
{
    Ref<CCProgressTimer> t = timer(kCCProgressTimerTypeHorizontalBarLR);
    t->sprite()->setColor({255, 128, 0});
    t->sprite()->setOpacity(128);
    t->setPercentage(50);
    EXPECT_EQ(t->vertexData()[0].colors, ccc4(128, 64, 0, 128));
    // A later change shows only after the vertices are made again.
    t->sprite()->setOpacity(255);
    t->setPercentage(60);
    EXPECT_EQ(t->vertexData()[0].colors, ccc4(128, 64, 0, 128));

    EXPECT_EQ(CCProgressTimer::progressWithFile("absent.png"), nullptr);
}

} // namespace
} // namespace mw
