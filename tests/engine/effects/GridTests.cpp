#include <gtest/gtest.h>

#include <GLES/gl.h>
#include <GLES/glext.h>

#include "engine/base/ccDrawingState.h"
#include "engine/effects/CCActionGrid.h"
#include "engine/effects/CCActionGrid3D.h"
#include "engine/effects/CCGrabber.h"
#include "engine/effects/CCGrid3D.h"
#include "engine/effects/CCGridHost.h"
#include "engine/nodes/CCLayerColor.h"
#include "engine/textures/CCTexture2D.h"
#include "tests/engine/effects/EffectsTestSupport.h"

namespace mw {
namespace {

using test::EffectsTest;
using test::RGBA;

TEST_F(EffectsTest, MeshesOfAWindowSizedGrid)
{
    Ref<CCGrid3D> grid = CCGrid3D::gridWithSize({15, 10});
    ASSERT_TRUE(grid);
    EXPECT_EQ(grid->texture()->pixelsWide(), 512u);
    EXPECT_EQ(grid->texture()->pixelsHigh(), 512u);
    EXPECT_EQ(grid->step(), (CGPoint{32, 32}));
    EXPECT_EQ(grid->vertexCount(), 176u);
    EXPECT_EQ(grid->indexCount(), 900u);
    EXPECT_FALSE(grid->active());
    EXPECT_EQ(grid->vertex({15, 10}), (ccVertex3F{480, 320, 0}));
    EXPECT_EQ(grid->vertex({3, 2}), (ccVertex3F{96, 64, 0}));

    Ref<CCTiledGrid3D> tiled = CCTiledGrid3D::gridWithSize({15, 10});
    ASSERT_TRUE(tiled);
    EXPECT_EQ(tiled->quadCount(), 150u);
    EXPECT_EQ(tiled->indexCount(), 900u);
    EXPECT_EQ(tiled->tile({1, 2}), (ccQuad3{{32, 64, 0}, {64, 64, 0}, {32, 96, 0}, {64, 96, 0}}));
}

TEST_F(EffectsTest, FlippedTextureCountsRowsFromTheContentTop)
{
    Ref<CCGrid3D> grid = CCGrid3D::gridWithSize({15, 10});
    ASSERT_TRUE(grid);
    // Vertex (0, 0) is the first; its texture row is 0 unflipped.
    EXPECT_FLOAT_EQ(grid->texCoordinates()[1], 0.0f);
    grid->setIsTextureFlipped(true);
    EXPECT_FLOAT_EQ(grid->texCoordinates()[1], 0.625f);
    EXPECT_FLOAT_EQ(grid->texCoordinates()[0], 0.0f);
}

TEST_F(EffectsTest, ReuseMakesTheDistortionTheOriginalOnlyWhileReusesAreLeft)
{
    Ref<CCGrid3D> grid = CCGrid3D::gridWithSize({2, 2});
    ASSERT_TRUE(grid);
    grid->setVertex({1, 1}, {1, 2, 3});
    grid->reuse();
    EXPECT_EQ(grid->originalVertex({1, 1}), (ccVertex3F{240, 160, 0})) << "no reuses left: nothing";
    grid->setReuseGrid(1);
    grid->reuse();
    EXPECT_EQ(grid->originalVertex({1, 1}), (ccVertex3F{1, 2, 3}));
    EXPECT_EQ(grid->reuseGrid(), 0);
}

// Counts the projection re-applications the grids ask for.
class CountingHost : public CCGridHost {
public:
    void reapplyProjection() override { ++reapplied; }
    int reapplied = 0;
};

TEST_F(EffectsTest, SwitchingOffReappliesTheProjectionEveryTime)
{
    CountingHost host;
    ccSetGridHost(&host);
    {
        Ref<CCGrid3D> grid = CCGrid3D::gridWithSize({1, 1});
        ASSERT_TRUE(grid);
        grid->setActive(true);
        grid->setActive(false);
        grid->setActive(false);
        EXPECT_EQ(host.reapplied, 2);
        grid->setActive(true);
    }
    EXPECT_EQ(host.reapplied, 3) << "an active grid switches itself off when destroyed";
    ccSetGridHost(nullptr);
}

// The grabber renders the node into the grid's texture; with no effect the
// grid draws it back where it was.
class GrabberTest : public test::GLRenderTest {
protected:
    GrabberTest() : GLRenderTest(64, 64) {}
    void SetUp() override
    {
        GLRenderTest::SetUp();
        ccSetWinSizeProvider(+[]() -> CGSize { return {64, 64}; });
    }
    void TearDown() override { ccSetWinSizeProvider(nullptr); }

    // A blue square with a red quarter in its bottom-left corner.
    static Ref<CCLayerColor> picture()
    {
        Ref<CCLayerColor> back = CCLayerColor::layerWithColor({0, 0, 255, 255}, 40, 40);
        Ref<CCLayerColor> corner = CCLayerColor::layerWithColor({255, 0, 0, 255}, 20, 20);
        back->addChild(corner.get());
        back->setPosition({8, 8});
        return back;
    }

    std::vector<uint8_t> drawn(CCNode* node)
    {
        gl().resetState();
        ccSetNodeDrawingState(64, 64);
        node->visit();
        return gl().readRGBA();
    }
};

TEST_F(GrabberTest, GridWithoutEffectDrawsTheNodeUnchanged)
{
    Ref<CCLayerColor> plain = picture();
    const std::vector<uint8_t> expected = drawn(plain.get());

    Ref<CCLayerColor> gridded = picture();
    Ref<CCGrid3D> grid = CCGrid3D::gridWithSize({4, 4});
    ASSERT_TRUE(grid);
    gridded->setGrid(grid.get());
    grid->setActive(true);
    const std::vector<uint8_t> actual = drawn(gridded.get());

    EXPECT_TRUE(test::nearColor(gl().readPixel(12, 12), {255, 0, 0, 255})) << gl().readPixel(12, 12);
    EXPECT_TRUE(test::nearColor(gl().readPixel(40, 40), {0, 0, 255, 255})) << gl().readPixel(40, 40);
    EXPECT_TRUE(test::nearColor(gl().readPixel(60, 60), {0, 0, 0, 0})) << gl().readPixel(60, 60);
    // The perspective's eye distance is rounded, so the picture's edges may
    // pick up a few percent of the transparent texels beyond them: colours
    // are compared weighted by their alpha.
    ASSERT_EQ(actual.size(), expected.size());
    size_t differing = 0;
    for (size_t i = 0; i < actual.size(); i += 4) {
        for (size_t c = 0; c < 4; ++c) {
            const int alphaA = actual[i + 3];
            const int alphaE = expected[i + 3];
            const int a = c == 3 ? alphaA : actual[i + c] * alphaA / 255;
            const int e = c == 3 ? alphaE : expected[i + c] * alphaE / 255;
            if (std::abs(a - e) > 12) ++differing;
        }
    }
    EXPECT_EQ(differing, 0u);
    GLint bound = -1;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_OES, &bound);
    EXPECT_NE(static_cast<GLuint>(bound), grid->grabber()->fbo()) << "drawing goes back to the screen";
}

} // namespace
} // namespace mw
