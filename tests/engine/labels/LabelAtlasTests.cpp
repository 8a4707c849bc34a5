#include <gtest/gtest.h>

#include <GLES/gl.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/base/ccDrawingState.h"
#include "engine/labels/CCAtlasNode.h"
#include "engine/labels/CCLabelAtlas.h"
#include "engine/textures/CCTexture2D.h"
#include "engine/textures/CCTextureAtlas.h"
#include "foundation/Log.h"
#include "tests/engine/sprites/SpriteTestSupport.h"

namespace mw {
namespace {

using test::RGBA;

// Cell k of the test character map is filled with this colour.
RGBA cellColour(int k) { return {static_cast<uint8_t>(k * 8), static_cast<uint8_t>(255 - k * 8), 128, 255}; }

// A width x height image of cellWidth x cellHeight cells, numbered row by row.
Ref<Image> cellImage(int width, int height, int cellWidth, int cellHeight)
{
    std::vector<uint8_t> pixels;
    const int perRow = width / cellWidth;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const RGBA c = cellColour((y / cellHeight) * perRow + x / cellWidth);
            pixels.insert(pixels.end(), {c.r, c.g, c.b, c.a});
        }
    }
    return Image::fromRGBA(std::move(pixels), width, height, ImageAlphaInfo::Last);
}

class LabelAtlasTest : public test::GLRenderTest {
protected:
    LabelAtlasTest() : GLRenderTest(96, 32) {}
    void SetUp() override
    {
        GLRenderTest::SetUp();
        bundle_ = std::make_unique<test::ScratchBundle>();
        bundle_->writeImage("cells.png", *cellImage(256, 48, 16, 24));
        bundle_->writeImage("tiles.png", *cellImage(256, 64, 16, 24));
    }
    void TearDown() override { bundle_.reset(); }

    // Which cell a quad samples, from its top-left texture coordinate.
    static int cellOfQuad(const CCLabelAtlas& label, uint32_t index)
    {
        const ccTex2F tl = label.textureAtlas()->quads()[index].tl.texCoords;
        const int column = static_cast<int>(tl.u * 256 / 16 + 0.5f);
        const int row = static_cast<int>(tl.v * 64 / 24 + 0.5f);  // 48 high, stored 64 high
        return row * 16 + column;
    }

    std::unique_ptr<test::ScratchBundle> bundle_;
};

TEST_F(LabelAtlasTest, CharactersPickTheirCellsFromTheStartCharacter)
{
    Ref<CCLabelAtlas> label = CCLabelAtlas::labelWithString("00.0", "cells.png", 16, 24, '.');
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->itemsPerRow(), 16u);
    EXPECT_EQ(label->contentSizeInPixels(), (CGSize{64, 24}));
    ASSERT_EQ(label->quadsToDraw(), 4u);
    EXPECT_EQ((std::vector<int>{cellOfQuad(*label, 0), cellOfQuad(*label, 1), cellOfQuad(*label, 2),
                                cellOfQuad(*label, 3)}),
              (std::vector<int>{2, 2, 0, 2}));
    const ccV3F_C4B_T2F_Quad& third = label->textureAtlas()->quads()[2];
    EXPECT_EQ(third.bl.vertices, vertex3(32, 0, 0));
    EXPECT_EQ(third.tr.vertices, vertex3(48, 24, 0));

    // A code below the start character wraps around the byte range: cell 255.
    label->setString("-");
    EXPECT_EQ(cellOfQuad(*label, 0), 255);
}

TEST_F(LabelAtlasTest, LongerTextsGrowTheAtlasExactlyAndShorterOnesDrawLess)
{
    Ref<CCLabelAtlas> label = CCLabelAtlas::labelWithString("12", "cells.png", 16, 24, '0');
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->textureAtlas()->capacity(), 2u);
    label->setString("12345");
    EXPECT_EQ(label->textureAtlas()->capacity(), 5u);
    EXPECT_EQ(label->quadsToDraw(), 5u);
    label->setString("9");
    EXPECT_EQ(label->textureAtlas()->capacity(), 5u);
    EXPECT_EQ(label->quadsToDraw(), 1u);
    EXPECT_EQ(label->string(), "9");

    Ref<CCLabelAtlas> empty = CCLabelAtlas::labelWithString("", "cells.png", 16, 24, '0');
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->contentSizeInPixels(), (CGSize{0, 24}));
    EXPECT_EQ(empty->quadsToDraw(), 0u);
}

TEST_F(LabelAtlasTest, DrawsEachCharacterInItsCellColourTintedByTheNode)
{
    Ref<CCLabelAtlas> label = CCLabelAtlas::labelWithString("0.1", "cells.png", 16, 24, '.');
    ASSERT_NE(label, nullptr);
    test::clearSurface(0, 0, 0);
    ccSetNodeDrawingState(96, 32);
    label->visit();
    test::keepPicture(gl(), "label atlas");
    // "0" is cell 2, "." cell 0, "1" cell 3.
    EXPECT_TRUE(test::nearColor(gl().readPixel(8, 12), cellColour(2))) << gl().readPixel(8, 12);
    EXPECT_TRUE(test::nearColor(gl().readPixel(24, 12), cellColour(0))) << gl().readPixel(24, 12);
    EXPECT_TRUE(test::nearColor(gl().readPixel(40, 12), cellColour(3))) << gl().readPixel(40, 12);
    EXPECT_TRUE(test::nearColor(gl().readPixel(56, 12), test::kBlack));
    EXPECT_TRUE(glIsEnabled(GL_COLOR_ARRAY));

    // One colour for the whole node, premultiplied by its opacity.
    label->setColor({255, 0, 0});
    label->setOpacity(128);
    test::clearSurface(0, 0, 0);
    label->visit();
    const RGBA cell = cellColour(2);
    EXPECT_TRUE(
        test::nearColor(gl().readPixel(8, 12), {static_cast<uint8_t>(cell.r * 128 / 255), 0, 0, 255}, 3))
        << gl().readPixel(8, 12);

    // A shorter text leaves the old quads in the atlas but draws only its own.
    label->setColor({255, 255, 255});
    label->setOpacity(255);
    label->setString("1");
    test::clearSurface(0, 0, 0);
    label->visit();
    EXPECT_TRUE(test::nearColor(gl().readPixel(8, 12), cellColour(3))) << gl().readPixel(8, 12);
    EXPECT_TRUE(test::nearColor(gl().readPixel(24, 12), test::kBlack)) << gl().readPixel(24, 12);

    label->setQuadsToDraw(0);
    test::clearSurface(0, 0, 0);
    label->visit();
    EXPECT_TRUE(test::nearColor(gl().readPixel(8, 12), test::kBlack));
    EXPECT_EQ(label->textureAtlas()->totalQuads(), 3u);
}

TEST_F(LabelAtlasTest, AtlasNodeTilesColourAndScale)
{
    struct Case {
        float scale;
        uint32_t tileWidth, tileHeight;
        uint32_t perRow, perColumn;
    };
    for (const Case& c : std::vector<Case>{{1, 16, 24, 16, 2}, {2, 32, 48, 8, 1}}) {
        ccSetContentScaleFactor(c.scale);
        Ref<CCAtlasNode> atlasNode = makeRef<CCAtlasNode>();
        CCAtlasNode& node = *atlasNode;
        ASSERT_TRUE(node.initWithTileFile("tiles.png", 16, 24, 4));
        EXPECT_EQ(node.itemWidth(), c.tileWidth);
        EXPECT_EQ(node.itemHeight(), c.tileHeight);
        EXPECT_EQ(node.itemsPerRow(), c.perRow);
        EXPECT_EQ(node.itemsPerColumn(), c.perColumn);
        EXPECT_EQ(node.quadsToDraw(), 4u);
        EXPECT_THROW(node.updateAtlasValues(), std::logic_error);

        node.setColor({200, 100, 50});
        node.setOpacity(127);
        EXPECT_EQ(node.drawColor(), ccc3(99, 49, 24));
        EXPECT_EQ(node.color(), ccc3(200, 100, 50));
    }
    ccSetContentScaleFactor(1);

    ScopedLogCapture log;
    EXPECT_EQ(CCLabelAtlas::labelWithString("1", "absent.png", 16, 24, '0'), nullptr);
    EXPECT_FALSE(log.lines().empty());
}

} // namespace
} // namespace mw
