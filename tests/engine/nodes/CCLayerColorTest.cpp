#include <gtest/gtest.h>

#include <vector>

#include "engine/nodes/CCLayerColor.h"
#include "engine/nodes/CCLayerGradient.h"
#include "tests/engine/nodes/CCLayerTestSupport.h"

namespace mw {

// Readable failure messages; found by argument lookup, so they live in the
// types' namespace (internal linkage keeps them to this file).
static std::ostream& operator<<(std::ostream& out, const ccColor4B& c)
{
    return out << "(" << int(c.r) << ", " << int(c.g) << ", " << int(c.b) << ", " << int(c.a) << ")";
}

static std::ostream& operator<<(std::ostream& out, const ccVertex2F& v)
{
    return out << "(" << v.x << ", " << v.y << ")";
}

namespace {

using CCLayerColorTest = test::LayerTest;

std::vector<ccVertex2F> vertices(const CCLayerColor& layer)
{
    return {layer.squareVertices(), layer.squareVertices() + 4};
}

std::vector<ccColor4B> corners(const CCLayerColor& layer)
{
    return {layer.squareColors(), layer.squareColors() + 4};
}

TEST_F(CCLayerColorTest, ConstructorsTakeColourOpacityAndSize)
{
    auto plain = CCLayerColor::node();
    EXPECT_EQ(plain->color(), (ccColor3B{0, 0, 0}));
    EXPECT_EQ(plain->opacity(), 0);
    EXPECT_EQ(plain->contentSize(), (CGSize{320, 480}));
    EXPECT_EQ(plain->blendFunc(), (ccBlendFunc{1, 771}));

    auto dim = CCLayerColor::layerWithColor({10, 20, 30, 128});
    EXPECT_EQ(dim->color(), (ccColor3B{10, 20, 30}));
    EXPECT_EQ(dim->opacity(), 128);
    EXPECT_EQ(vertices(*dim), (std::vector<ccVertex2F>{{0, 0}, {320, 0}, {0, 480}, {320, 480}}));
    EXPECT_EQ(corners(*dim), std::vector<ccColor4B>(4, ccColor4B{10, 20, 30, 128}));

    auto sized = CCLayerColor::layerWithColor({1, 2, 3, 4}, 50, 60);
    EXPECT_EQ(sized->contentSize(), (CGSize{50, 60}));
    EXPECT_EQ(sized->anchorPointInPixels(), (CGPoint{25, 30}));
}

struct ResizeCase {
    const char* name;
    float factor;
    void (*resize)(CCLayerColor&);
    CGSize size;
    std::vector<ccVertex2F> expected;
};

TEST_F(CCLayerColorTest, ResizingMovesTheCornersInPixels)
{
    const ResizeCase cases[] = {
        {"width", 1, [](CCLayerColor& l) { l.changeWidth(100); }, {100, 480},
         {{0, 0}, {100, 0}, {0, 480}, {100, 480}}},
        {"height", 1, [](CCLayerColor& l) { l.changeHeight(40); }, {320, 40},
         {{0, 0}, {320, 0}, {0, 40}, {320, 40}}},
        {"both", 1, [](CCLayerColor& l) { l.changeWidth(10, 20); }, {10, 20},
         {{0, 0}, {10, 0}, {0, 20}, {10, 20}}},
        {"width at scale 2", 2, [](CCLayerColor& l) { l.changeWidth(100); }, {100, 480},
         {{0, 0}, {200, 0}, {0, 960}, {200, 960}}},
    };
    for (const ResizeCase& c : cases) {
        SCOPED_TRACE(c.name);
        ccSetContentScaleFactor(c.factor);
        auto layer = CCLayerColor::layerWithColor({0, 0, 0, 255});
        c.resize(*layer);
        EXPECT_EQ(layer->contentSize(), c.size);
        EXPECT_EQ(vertices(*layer), c.expected);
    }
}

TEST_F(CCLayerColorTest, ColourAndOpacityReachEveryCorner)
{
    auto layer = CCLayerColor::layerWithColor({0, 0, 0, 0});
    layer->setColor({200, 100, 50});
    EXPECT_EQ(corners(*layer), std::vector<ccColor4B>(4, ccColor4B{200, 100, 50, 0}));
    layer->setOpacity(77);
    EXPECT_EQ(corners(*layer), std::vector<ccColor4B>(4, ccColor4B{200, 100, 50, 77}));
}

struct GradientCase {
    const char* name;
    ccColor4B start, end;
    CGPoint vector;
    bool compressed;
    uint8_t opacity;
    // bottom-left, bottom-right, top-left, top-right
    std::vector<ccColor4B> expected;
};

TEST_F(CCLayerColorTest, GradientCornersMixStartAndEndAlongTheVector)
{
    const ccColor4B red{255, 0, 0, 255};
    const ccColor4B blue{0, 0, 255, 255};
    const ccColor4B purple{127, 0, 127, 255};
    const GradientCase cases[] = {
        {"default vector: start on top", red, blue, {0, -1}, true, 255, {blue, blue, red, red}},
        {"pointing right", red, blue, {1, 0}, true, 255, {red, blue, red, blue}},
        {"diagonal: end at the top right", red, blue, {1, 1}, true, 255, {red, purple, purple, blue}},
        {"zero vector: flat start colour", red, blue, {0, 0}, true, 255, {red, red, red, red}},
        {"without compression the corners do not reach the pure colours", red, blue, {0, -1}, false, 255,
         {{37, 0, 217, 255}, {37, 0, 217, 255}, {217, 0, 37, 255}, {217, 0, 37, 255}}},
        {"own opacities at each end", {255, 0, 0, 200}, {0, 0, 255, 100}, {0, -1}, true, 255,
         {{0, 0, 255, 100}, {0, 0, 255, 100}, {255, 0, 0, 200}, {255, 0, 0, 200}}},
        {"overall opacity scales both ends", {255, 0, 0, 200}, {0, 0, 255, 100}, {0, -1}, true, 128,
         {{0, 0, 255, 50}, {0, 0, 255, 50}, {255, 0, 0, 100}, {255, 0, 0, 100}}},
    };
    for (const GradientCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto layer = CCLayerGradient::layerWithColor(c.start, c.end, c.vector);
        layer->setCompressedInterpolation(c.compressed);
        layer->setOpacity(c.opacity);
        EXPECT_EQ(corners(*layer), c.expected);
    }
}

TEST_F(CCLayerColorTest, GradientSettersRecomputeTheCorners)
{
    auto layer = CCLayerGradient::layerWithColor({255, 0, 0, 255}, {0, 0, 255, 255});
    EXPECT_EQ(layer->vector(), (CGPoint{0, -1}));
    EXPECT_TRUE(layer->compressedInterpolation());
    EXPECT_EQ(layer->opacity(), 255);
    EXPECT_EQ(layer->contentSize(), (CGSize{320, 480}));

    layer->setEndColor({0, 255, 0});
    EXPECT_EQ(layer->squareColors()[0], (ccColor4B{0, 255, 0, 255}));
    layer->setStartColor({0, 0, 9});
    EXPECT_EQ(layer->startColor(), (ccColor3B{0, 0, 9}));
    EXPECT_EQ(layer->squareColors()[3], (ccColor4B{0, 0, 9, 255}));
    layer->setEndOpacity(0);
    EXPECT_EQ(layer->squareColors()[1].a, 0);
    layer->setStartOpacity(10);
    EXPECT_EQ(layer->squareColors()[2].a, 10);
    layer->setVector({0, 1});  // now the start is at the bottom
    EXPECT_EQ(layer->squareColors()[0], (ccColor4B{0, 0, 9, 10}));
    EXPECT_EQ(layer->squareColors()[2], (ccColor4B{0, 255, 0, 0}));
}

} // namespace
} // namespace mw
