#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "engine/support/TGAlib.h"
#include "engine/textures/CCTextureAtlas.h"
#include "engine/tilemaps/CCTileMapAtlas.h"
#include "tests/engine/tilemaps/TileMapTestSupport.h"
#include "tests/support/GLTestContext.h"
#include "tests/support/SharedInstances.h"
#include "tests/support/TempDir.h"

namespace mw {
namespace {

// An uncompressed true-colour TGA, rows from the bottom up; `red` gives each
// cell's red byte (bottom row first), green and blue carry the cell number.
std::vector<unsigned char> tgaMap(int width, int height, const std::vector<uint8_t>& red, int depth = 24)
{
    std::vector<unsigned char> bytes(18, 0);
    bytes[2] = 2;
    bytes[12] = static_cast<unsigned char>(width);
    bytes[14] = static_cast<unsigned char>(height);
    bytes[16] = static_cast<unsigned char>(depth);
    bytes.reserve(bytes.size() + red.size() * 4); // GCC 12 warns of a false overflow otherwise
    for (size_t i = 0; i < red.size(); ++i) {
        bytes.insert(bytes.end(), {static_cast<unsigned char>(i), static_cast<unsigned char>(i), red[i]});
        if (depth == 32) bytes.push_back(255);
    }
    return bytes;
}

class TileMapAtlasTest : public test::GLRenderTest {
protected:
    void SetUp() override
    {
        GLRenderTest::SetUp();
        test::resetSharedInstances();
        tiles_ = test::writeTileset(dir_, "atlas.png", 4, 2, 32);
    }
    void TearDown() override { test::resetSharedInstances(); }

    test::TempDir dir_;
    std::string tiles_;
};

TEST_F(TileMapAtlasTest, OneQuadPerNonEmptyCellColumnByColumn)
{
    // Bottom row 0 5 0, top row 7 0 1.
    const std::string map = dir_.write("map.tga", tgaMap(3, 2, {0, 5, 0, 7, 0, 1}));
    Ref<CCTileMapAtlas> atlas = CCTileMapAtlas::tileMapAtlasWithTileFile(tiles_, map, 32, 32);
    ASSERT_TRUE(atlas);
    EXPECT_EQ(atlas->itemsToRender(), 3);
    EXPECT_EQ(atlas->textureAtlas()->totalQuads(), 3u);
    EXPECT_EQ(atlas->contentSizeInPixels(), (CGSize{96, 64}));
    const ccV3F_C4B_T2F_Quad* quads = atlas->textureAtlas()->quads();
    // Quad 0 is cell (0, 1), tile 7; quad 1 cell (1, 0), tile 5; quad 2 cell (2, 1), tile 1.
    EXPECT_EQ(quads[0].bl.vertices, (ccVertex3F{0, 32, 0}));
    EXPECT_EQ(quads[1].bl.vertices, (ccVertex3F{32, 0, 0}));
    EXPECT_EQ(quads[2].tr.vertices, (ccVertex3F{96, 64, 0}));
    EXPECT_FLOAT_EQ(quads[0].tl.texCoords.u, 0.75f) << "tile 7: column 3";
    EXPECT_FLOAT_EQ(quads[0].tl.texCoords.v, 0.5f) << "tile 7: row 1";
    EXPECT_EQ(atlas->tileAt({1, 0}), (ccColor3B{5, 1, 1}));
}

TEST_F(TileMapAtlasTest, SetTileRewritesOnlyNonEmptyCells)
{
    const std::string map = dir_.write("map.tga", tgaMap(3, 2, {0, 5, 0, 7, 0, 1}));
    Ref<CCTileMapAtlas> atlas = CCTileMapAtlas::tileMapAtlasWithTileFile(tiles_, map, 32, 32);
    ASSERT_TRUE(atlas);
    atlas->setTile({6, 0, 0}, {0, 1});
    EXPECT_EQ(atlas->tileAt({0, 1}), (ccColor3B{6, 0, 0}));
    const ccV3F_C4B_T2F_Quad* quads = atlas->textureAtlas()->quads();
    EXPECT_FLOAT_EQ(quads[0].tl.texCoords.u, 0.5f) << "tile 6: column 2";
    EXPECT_FLOAT_EQ(quads[0].tl.texCoords.v, 0.5f) << "tile 6: row 1";

    atlas->setTile({6, 0, 0}, {1, 1});
    EXPECT_EQ(atlas->tileAt({1, 1}), (ccColor3B{0, 4, 4})) << "an empty cell has no quad to change";
    atlas->setTile({6, 0, 0}, {9, 9});
    EXPECT_EQ(atlas->textureAtlas()->totalQuads(), 3u);
}

// A map the atlas cannot read raises the loader's named error, whatever the
// reason; a tile image that cannot be loaded is an ordinary null.
TEST_F(TileMapAtlasTest, AMapThatCannotBeLoadedRaisesTheNamedError)
{
    std::vector<unsigned char> colourMapped = tgaMap(2, 1, {1, 2});
    colourMapped[2] = 1;
    std::vector<unsigned char> truncated = tgaMap(2, 2, {1, 2, 3, 4});
    truncated.resize(truncated.size() - 4);
    struct Case {
        const char* name;
        std::string map;
    };
    const Case cases[] = {
        {"no such file", dir_.file("none.tga")},
        {"a truncated file", dir_.write("short.tga", truncated)},
        {"a colour-mapped image", dir_.write("mapped.tga", colourMapped)},
        {"a 32-bit map, whose cells would be misread", dir_.write("wide.tga", tgaMap(2, 1, {1, 2}, 32))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            (void)CCTileMapAtlas::tileMapAtlasWithTileFile(tiles_, c.map, 32, 32);
            ADD_FAILURE() << "no error raised";
        } catch (const std::runtime_error& error) {
            EXPECT_STREQ(error.what(), "TileMapAtlasLoadTGA: TileMapAtas cannot load TGA file");
        }
    }
    const std::string map = dir_.write("map.tga", tgaMap(3, 2, {0, 5, 0, 7, 0, 1}));
    Ref<CCTileMapAtlas> atlas;
    EXPECT_NO_THROW(atlas = CCTileMapAtlas::tileMapAtlasWithTileFile(dir_.file("none.png"), map, 32, 32));
    EXPECT_FALSE(atlas);
}

} // namespace
} // namespace mw
