#include <gtest/gtest.h>

#include <GLES/gl.h>

#include <cstdlib>
#include <string>

#include "engine/base/CCWinSize.h"
#include "engine/base/ccContentScale.h"
#include "engine/base/ccDrawingState.h"
#include "engine/nodes/CCLayerColor.h"
#include "engine/nodes/CCLayerGradient.h"
#include "tests/support/GLTestContext.h"

namespace mw {
namespace {

using test::nearColor;
using test::RGBA;

constexpr int kSize = 64;

CGSize squareWindow() { return {kSize, kSize}; }

// Draws layers the way the frame loop does: a pixel-for-point orthographic
// projection and the engine's default state between nodes.
class CCLayerColorRenderTest : public test::GLRenderTest {
protected:
    CCLayerColorRenderTest() : GLRenderTest(kSize, kSize) {}

    void SetUp() override
    {
        GLRenderTest::SetUp();
        ccSetWinSizeProvider(&squareWindow);
        ccSetContentScaleFactor(1);
        ccSetNodeDrawingState(kSize, kSize);
    }
    void TearDown() override { ccSetWinSizeProvider(nullptr); }

    void clearTo(float r, float g, float b)
    {
        glClearColor(r, g, b, 1);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    static std::pair<GLint, GLint> blendFactors()
    {
        GLint src = 0, dst = 0;
        glGetIntegerv(GL_BLEND_SRC, &src);
        glGetIntegerv(GL_BLEND_DST, &dst);
        return {src, dst};
    }
    // The default state must be back after a node has drawn.
    static void expectDefaultArraysAndTexturing()
    {
        EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
        EXPECT_TRUE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
        EXPECT_TRUE(glIsEnabled(GL_VERTEX_ARRAY));
        EXPECT_TRUE(glIsEnabled(GL_COLOR_ARRAY));
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
    // Saves the surface where a person can look at it, when asked to.
    void keepPicture(const std::string& name)
    {
        if (const char* dir = std::getenv("MOSSWICK_TEST_PICTURES")) {
            EXPECT_TRUE(gl().savePNG(std::string(dir) + "/" + name + ".png"));
        }
    }
};

TEST_F(CCLayerColorRenderTest, OpaqueLayerFillsItsRectangleWithoutTouchingTheBlendState)
{
    clearTo(0, 0, 0);
    glBlendFunc(GL_ONE, GL_ZERO);  // not the default: shows whether the layer changed it
    auto layer = CCLayerColor::layerWithColor({0, 128, 255, 255}, 32, 16);
    layer->setPosition({8, 8});
    layer->visit();
    keepPicture("layer_color_opaque");

    EXPECT_TRUE(nearColor(gl().readPixel(8, 8), {0, 128, 255, 255}));
    EXPECT_TRUE(nearColor(gl().readPixel(39, 23), {0, 128, 255, 255}));
    EXPECT_TRUE(nearColor(gl().readPixel(7, 8), {0, 0, 0, 255}));
    EXPECT_TRUE(nearColor(gl().readPixel(40, 24), {0, 0, 0, 255}));
    EXPECT_EQ(blendFactors(), (std::pair<GLint, GLint>{GL_ONE, GL_ZERO}));
    expectDefaultArraysAndTexturing();
}

struct BlendCase {
    const char* name;
    ccColor4B color;
    ccBlendFunc blend;
    float background[3];
    RGBA expected;
};

TEST_F(CCLayerColorRenderTest, TranslucentAndCustomBlendingRestoreTheDefaultFactors)
{
    const BlendCase cases[] = {
        // Blended by its alpha: half red over black, not the saturated red
        // the premultiplied default would give.
        // (The surface keeps alpha: 128 x 0.5 + 255 x 0.5.)
        {"translucent", {255, 0, 0, 128}, kCCBlendFuncDefault, {0, 0, 0}, {128, 0, 0, 191}},
        {"translucent over blue", {0, 255, 0, 128}, kCCBlendFuncDefault, {0, 0, 1}, {0, 128, 127, 191}},
        {"additive", {0, 255, 0, 255}, {GL_ONE, GL_ONE}, {0, 0, 1}, {0, 255, 255, 255}},
    };
    for (const BlendCase& c : cases) {
        SCOPED_TRACE(c.name);
        clearTo(c.background[0], c.background[1], c.background[2]);
        auto layer = CCLayerColor::layerWithColor(c.color);
        layer->setBlendFunc(c.blend);
        layer->visit();
        EXPECT_TRUE(nearColor(gl().readPixel(32, 32), c.expected)) << gl().readPixel(32, 32);
        EXPECT_EQ(blendFactors(), (std::pair<GLint, GLint>{GL_ONE, GL_ONE_MINUS_SRC_ALPHA}));
        expectDefaultArraysAndTexturing();
    }
}

TEST_F(CCLayerColorRenderTest, GradientCornersShowTheStartAndEndColours)
{
    struct Corner {
        int x, y;
        RGBA expected;
    };
    const RGBA red{255, 0, 0, 255};
    const RGBA blue{0, 0, 255, 255};
    clearTo(0, 0, 0);
    CCLayerGradient::layerWithColor({255, 0, 0, 255}, {0, 0, 255, 255})->visit();
    keepPicture("layer_gradient_vertical");
    // Each corner pixel's centre is half a pixel in, so allow a little of the
    // neighbouring colour.
    for (const Corner& corner : {Corner {0, kSize - 1, red}, Corner {kSize - 1, kSize - 1, red},
             Corner {0, 0, blue}, Corner {kSize - 1, 0, blue}}) {
        SCOPED_TRACE(testing::Message() << corner.x << "," << corner.y);
        EXPECT_TRUE(nearColor(gl().readPixel(corner.x, corner.y), corner.expected, 6))
            << gl().readPixel(corner.x, corner.y);
    }
    // Halfway up, half of each.
    EXPECT_TRUE(nearColor(gl().readPixel(32, 32), {127, 0, 127, 255}, 6)) << gl().readPixel(32, 32);

    clearTo(0, 0, 0);
    CCLayerGradient::layerWithColor({255, 0, 0, 255}, {0, 0, 255, 255}, {1, 1})->visit();
    keepPicture("layer_gradient_diagonal");
    EXPECT_TRUE(nearColor(gl().readPixel(0, 0), red, 6)) << gl().readPixel(0, 0);
    EXPECT_TRUE(nearColor(gl().readPixel(kSize - 1, kSize - 1), blue, 6))
        << gl().readPixel(kSize - 1, kSize - 1);
    EXPECT_TRUE(nearColor(gl().readPixel(kSize - 1, 0), {127, 0, 127, 255}, 6));
    expectDefaultArraysAndTexturing();
}

} // namespace
} // namespace mw
