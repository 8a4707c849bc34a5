#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/sprites/CCSprite.h"
#include "engine/textures/CCTextureAtlas.h"
#include "engine/tilemaps/CCTMXLayer.h"
#include "engine/tilemaps/CCTMXTiledMap.h"
#include "tests/engine/tilemaps/TileMapTestSupport.h"
#include "tests/support/GLTestContext.h"
#include "tests/support/SharedInstances.h"
#include "tests/support/TempDir.h"

namespace mw {
namespace {

using test::dataElement;

// Maps over a generated 4 x 2 tileset of 32 x 32 tiles (first GID 1).
class TMXTiledMapTest : public test::GLRenderTest {
protected:
    void SetUp() override
    {
        GLRenderTest::SetUp();
        test::resetSharedInstances();
        test::writeTileset(dir_, "tiles.png", 4, 2, 32);
    }
    void TearDown() override { test::resetSharedInstances(); }

    // A map of width x height cells of tileWidth x tileHeight pixels, with
    // the given layers (XML) over the generated tileset.
    Ref<CCTMXTiledMap> map(const std::string& orientation, int width, int height, const std::string& layers,
                           int tileWidth = 32, int tileHeight = 32)
    {
        const std::string xml = "<map orientation=\"" + orientation + "\" width=\"" + std::to_string(width) +
                                "\" height=\"" + std::to_string(height) + "\" tilewidth=\"" +
                                std::to_string(tileWidth) + "\" tileheight=\"" + std::to_string(tileHeight) +
                                "\"><tileset firstgid=\"1\" name=\"t\" tilewidth=\"32\" tileheight=\"32\">"
                                "<image source=\"tiles.png\"/></tileset>" +
                                layers + "</map>";
        return CCTMXTiledMap::tiledMapWithXML(xml, dir_.path());
    }

    static std::string layer(const std::string& name, int width, int height, const std::vector<uint32_t>& gids,
                             const std::string& extra = "")
    {
        return "<layer name=\"" + name + "\" width=\"" + std::to_string(width) + "\" height=\"" +
               std::to_string(height) + "\"" + extra + ">" + dataElement(gids, "zlib") + "</layer>";
    }

    test::TempDir dir_;
};

struct PositionCase {
    const char* orientation;
    int tileWidth, tileHeight;
    CGPoint cell;
    CGPoint position;
};

TEST_F(TMXTiledMapTest, CellPositionsByOrientation)
{
    const std::vector<PositionCase> cases = {
        {"orthogonal", 32, 32, {0, 0}, {0, 288}},
        {"orthogonal", 32, 32, {9, 9}, {288, 0}},
        {"orthogonal", 32, 32, {3, 1}, {96, 256}},
        {"isometric", 64, 32, {0, 0}, {288, 288}},
        {"isometric", 64, 32, {9, 0}, {576, 144}},
        {"isometric", 64, 32, {9, 9}, {288, 0}},
        {"hexagonal", 32, 32, {0, 0}, {0, 288}},
        {"hexagonal", 32, 32, {1, 0}, {24, 272}},
        {"hexagonal", 32, 32, {2, 3}, {48, 192}},
    };
    for (const PositionCase& c : cases) {
        SCOPED_TRACE(std::string(c.orientation) + " " + std::to_string(c.cell.x) + "," + std::to_string(c.cell.y));
        Ref<CCTMXTiledMap> tiled =
            map(c.orientation, 10, 10, layer("ground", 10, 10, std::vector<uint32_t>(100, 1)), c.tileWidth,
                c.tileHeight);
        ASSERT_TRUE(tiled);
        CCTMXLayer* ground = tiled->layerNamed("ground");
        ASSERT_NE(ground, nullptr);
        EXPECT_EQ(ground->positionAt(c.cell), c.position);
        CCSprite* sprite = ground->tileAt(c.cell);
        ASSERT_NE(sprite, nullptr);
        EXPECT_EQ(sprite->positionInPixels(), c.position);
    }
}

TEST_F(TMXTiledMapTest, VisibleLayersBecomeChildrenInOrder)
{
    Ref<CCTMXTiledMap> tiled = map("orthogonal", 10, 10,
                                   layer("a", 10, 10, std::vector<uint32_t>(100, 1)) +
                                       layer("hidden", 10, 10, std::vector<uint32_t>(100, 2), " visible=\"0\"") +
                                       layer("b", 4, 12, std::vector<uint32_t>(48, 3)));
    ASSERT_TRUE(tiled);
    ASSERT_EQ(tiled->children()->count(), 2u);
    EXPECT_EQ(tiled->getChildByTag(0), tiled->layerNamed("a"));
    EXPECT_EQ(tiled->getChildByTag(1), tiled->layerNamed("b"));
    EXPECT_EQ(tiled->layerNamed("hidden"), nullptr);
    EXPECT_EQ(tiled->contentSizeInPixels(), (CGSize{320, 384})) << "the larger width and the larger height";
    EXPECT_EQ(tiled->layerNamed("a")->textureAtlas()->capacity() >= 36u, true);
    EXPECT_EQ(tiled->layerNamed("a")->quadCount(), 100u);
}

TEST_F(TMXTiledMapTest, EveryQuadShowsItsOwnCellsTile)
{
    // Tiles 1, 2 and 6 of the 4 x 2 tileset: columns 0, 1 and 1 of rows 0, 0 and 1.
    Ref<CCTMXTiledMap> tiled = map("orthogonal", 3, 1, layer("row", 3, 1, {1, 2, 6}));
    ASSERT_TRUE(tiled);
    const ccV3F_C4B_T2F_Quad* quads = tiled->layerNamed("row")->textureAtlas()->quads();
    const float expectedLeft[] = {0, 0.25f, 0.25f};
    const float expectedTop[] = {0, 0, 0.5f};
    for (int i = 0; i < 3; ++i) {
        EXPECT_FLOAT_EQ(quads[i].tl.texCoords.u, expectedLeft[i]) << "quad " << i;
        EXPECT_FLOAT_EQ(quads[i].tl.texCoords.v, expectedTop[i]) << "quad " << i;
        EXPECT_EQ(quads[i].bl.vertices.x, 32.0f * i) << "quad " << i;
    }
}

TEST_F(TMXTiledMapTest, AtlasStartsAtAThirdOfTheCells)
{
    Ref<CCTMXTiledMap> tiled = map("orthogonal", 10, 10, layer("sparse", 10, 10, {1, 0, 0, 2}));
    ASSERT_TRUE(tiled);
    EXPECT_EQ(tiled->layerNamed("sparse")->textureAtlas()->capacity(), 36u);
    EXPECT_EQ(tiled->layerNamed("sparse")->quadCount(), 2u);
}

TEST_F(TMXTiledMapTest, EditsChangeTheQuadCountAndKeepZOrder)
{
    // 3 x 2: row 0 = 1 0 2, row 1 = 0 3 0.
    Ref<CCTMXTiledMap> tiled = map("orthogonal", 3, 2, layer("edit", 3, 2, {1, 0, 2, 0, 3, 0}));
    ASSERT_TRUE(tiled);
    CCTMXLayer* edit = tiled->layerNamed("edit");
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->quadCount(), 3u);

    CCSprite* kept = edit->tileAt({1, 1});
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(edit->tileAt({1, 1}), kept) << "the same sprite twice";
    EXPECT_EQ(edit->tileAt({1, 0}), nullptr) << "an empty cell has none";
    EXPECT_EQ(kept->atlasIndex(), 2u);

    edit->setTileGID(4, {1, 0});
    EXPECT_EQ(edit->quadCount(), 4u);
    EXPECT_EQ(edit->tileGIDAt({1, 0}), 4u);
    EXPECT_EQ(kept->atlasIndex(), 3u) << "a quad inserted before the sprite's moves it up";

    edit->setTileGID(0, {0, 0});
    EXPECT_EQ(edit->quadCount(), 3u);
    EXPECT_EQ(edit->tileGIDAt({0, 0}), 0u);
    EXPECT_EQ(kept->atlasIndex(), 2u);

    edit->setTileGID(0x80000005u, {2, 0}, true);
    EXPECT_EQ(edit->quadCount(), 3u) << "a changed cell keeps its quad";
    EXPECT_EQ(edit->tileGIDAt({2, 0}, true), 0x80000005u);
    EXPECT_EQ(edit->tileGIDAt({2, 0}), 5u);

    edit->removeTileAt({1, 1});
    EXPECT_EQ(edit->quadCount(), 2u);
    EXPECT_EQ(edit->tileAt({1, 1}), nullptr);
    EXPECT_EQ(edit->children() ? edit->children()->count() : 0u, 0u) << "its sprite went with it";

    edit->setTileGID(2, {5, 5});
    EXPECT_EQ(edit->quadCount(), 2u) << "a cell outside the layer is left alone";
}

TEST_F(TMXTiledMapTest, RemovingATileSpriteEmptiesItsCell)
{
    Ref<CCTMXTiledMap> tiled = map("orthogonal", 2, 1, layer("l", 2, 1, {1, 2}));
    ASSERT_TRUE(tiled);
    CCTMXLayer* l = tiled->layerNamed("l");
    CCSprite* second = l->tileAt({1, 0});
    ASSERT_NE(second, nullptr);
    l->removeChild(second, true);
    EXPECT_EQ(l->tileGIDAt({1, 0}), 0u);
    EXPECT_EQ(l->quadCount(), 1u);
}

TEST_F(TMXTiledMapTest, AutomaticDepthAndFlips)
{
    const std::string properties =
        "><properties><property name=\"cc_vertexz\" value=\"automatic\"/></properties";
    Ref<CCTMXTiledMap> tiled = map("orthogonal", 10, 10,
                                   "<layer name=\"deep\" width=\"10\" height=\"10\"" + properties + ">" +
                                       dataElement(std::vector<uint32_t>(100, 0x80000002u), "") + "</layer>");
    ASSERT_TRUE(tiled);
    CCTMXLayer* deep = tiled->layerNamed("deep");
    ASSERT_NE(deep, nullptr);
    CCSprite* tile = deep->tileAt({3, 4});
    ASSERT_NE(tile, nullptr);
    EXPECT_EQ(tile->vertexZ(), -6);
    EXPECT_EQ(deep->tileGIDAt({3, 4}, true), 0x80000002u);
    EXPECT_EQ(deep->tileGIDAt({3, 4}), 2u);
}

TEST_F(TMXTiledMapTest, LayersWithoutTilesOrTilesetAreEmpty)
{
    const std::vector<std::string> layers = {
        "<layer name=\"nodata\" width=\"3\" height=\"3\"/>",
        "<layer name=\"csv\" width=\"3\" height=\"3\"><data encoding=\"csv\">1,1,1</data></layer>",
        layer("zeros", 3, 3, std::vector<uint32_t>(9, 0)),
    };
    for (const std::string& xml : layers) {
        SCOPED_TRACE(xml);
        Ref<CCTMXTiledMap> tiled = map("orthogonal", 3, 3, xml);
        ASSERT_TRUE(tiled);
        ASSERT_EQ(tiled->children()->count(), 1u);
        auto* empty = static_cast<CCTMXLayer*>(tiled->getChildByTag(0));
        EXPECT_EQ(empty->quadCount(), 0u);
        EXPECT_EQ(empty->tileAt({1, 1}), nullptr);
        empty->setTileGID(1, {1, 1});
        empty->removeTileAt({1, 1});
        EXPECT_EQ(empty->tileGIDAt({1, 1}), 0u);
    }
    // GIDs below every tileset's first GID find no tileset either.
    const std::string xml = "<map orientation=\"orthogonal\" width=\"2\" height=\"1\" tilewidth=\"32\" "
                            "tileheight=\"32\"><tileset firstgid=\"10\" name=\"t\" tilewidth=\"32\" "
                            "tileheight=\"32\"><image source=\"tiles.png\"/></tileset>" +
                            layer("low", 2, 1, {3, 4}) + "</map>";
    Ref<CCTMXTiledMap> tiled = CCTMXTiledMap::tiledMapWithXML(xml, dir_.path());
    ASSERT_TRUE(tiled);
    EXPECT_EQ(tiled->layerNamed("low")->quadCount(), 0u);
    EXPECT_EQ(tiled->layerNamed("low")->tileGIDAt({0, 0}), 0u);
}

TEST_F(TMXTiledMapTest, MissingTileImageRefusesTheMap)
{
    const std::string xml = "<map orientation=\"orthogonal\" width=\"1\" height=\"1\" tilewidth=\"32\" "
                            "tileheight=\"32\"><tileset firstgid=\"1\" name=\"t\" tilewidth=\"32\" "
                            "tileheight=\"32\"><image source=\"gone.png\"/></tileset>" +
                            layer("l", 1, 1, {1}) + "</map>";
    EXPECT_FALSE(CCTMXTiledMap::tiledMapWithXML(xml, dir_.path()));
}

TEST_F(TMXTiledMapTest, MapQueries)
{
    const std::string xml =
        "<map orientation=\"orthogonal\" width=\"1\" height=\"1\" tilewidth=\"32\" tileheight=\"32\">"
        "<properties><property name=\"name\" value=\"meadow\"/></properties>"
        "<tileset firstgid=\"1\" name=\"t\" tilewidth=\"32\" tileheight=\"32\"><image source=\"tiles.png\"/>"
        "<tile id=\"1\"><properties><property name=\"kind\" value=\"water\"/></properties></tile></tileset>" +
        layer("l", 1, 1, {2}) + "<objectgroup name=\"things\"/></map>";
    Ref<CCTMXTiledMap> tiled = CCTMXTiledMap::tiledMapWithXML(xml, dir_.path());
    ASSERT_TRUE(tiled);
    ASSERT_NE(tiled->propertyNamed("name"), nullptr);
    EXPECT_EQ(*tiled->propertyNamed("name"), "meadow");
    EXPECT_EQ(tiled->propertyNamed("nothing"), nullptr);
    ASSERT_NE(tiled->propertiesForGID(2), nullptr);
    EXPECT_EQ(tiled->propertiesForGID(2)->at("kind"), "water");
    EXPECT_EQ(tiled->propertiesForGID(3), nullptr);
    EXPECT_NE(tiled->objectGroupNamed("things"), nullptr);
    EXPECT_EQ(tiled->objectGroupNamed("others"), nullptr);
}

} // namespace
} // namespace mw
