#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "engine/tilemaps/CCTMXLayer.h"
#include "engine/tilemaps/CCTMXTiledMap.h"
#include "tests/engine/director/DirectorTestSupport.h"
#include "tests/engine/tilemaps/TileMapTestSupport.h"

namespace mw::test {
namespace {

// TMX maps of each orientation in the director's real frame on the portrait
// phone (320 x 480). Tile n of the generated tileset has tileColour(n - 1).
class TileMapPicturesTest : public DirectorTest {
protected:
    Ref<CCTMXTiledMap> mapOf(const std::string& orientation, int width, int height, int tileWidth, int tileHeight)
    {
        writeTileset(dir_, "tiles.png", 4, 2, 32);
        std::vector<uint32_t> gids;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) gids.push_back(1 + static_cast<uint32_t>((x + 2 * y) % 8));
        }
        const std::string xml =
            "<map orientation=\"" + orientation + "\" width=\"" + std::to_string(width) + "\" height=\"" +
            std::to_string(height) + "\" tilewidth=\"" + std::to_string(tileWidth) + "\" tileheight=\"" +
            std::to_string(tileHeight) +
            "\"><tileset firstgid=\"1\" name=\"t\" tilewidth=\"32\" tileheight=\"32\"><image source=\"tiles.png\"/>"
            "</tileset><layer name=\"ground\" width=\"" +
            std::to_string(width) + "\" height=\"" + std::to_string(height) + "\">" + dataElement(gids, "gzip") +
            "</layer></map>";
        return CCTMXTiledMap::tiledMapWithXML(xml, dir_.path());
    }

    RGBA pixelAt(const std::vector<uint8_t>& rgba, int x, int yFromBottom)
    {
        const PixelSize size = driver().context().pixelSize();
        const size_t at = (static_cast<size_t>(size.height - 1 - yFromBottom) * size.width + x) * 4;
        return {rgba[at], rgba[at + 1], rgba[at + 2], rgba[at + 3]};
    }

    TempDir dir_;
};

struct OrientationCase {
    const char* orientation;
    int tileWidth, tileHeight;
    // A cell and the GID the map puts there (1 + (x + 2y) mod 8).
    CGPoint cell;
};

TEST_F(TileMapPicturesTest, EachOrientationDrawsItsCellsWhereTheLayerPlacesThem)
{
    const std::vector<OrientationCase> cases = {
        {"orthogonal", 32, 32, {2, 3}},
        {"isometric", 32, 16, {4, 1}},
        {"hexagonal", 32, 32, {3, 2}},
    };
    for (const OrientationCase& c : cases) {
        SCOPED_TRACE(c.orientation);
        Ref<CCTMXTiledMap> tiled = mapOf(c.orientation, 10, 15, c.tileWidth, c.tileHeight);
        ASSERT_TRUE(tiled);
        Ref<CCScene> scene = CCScene::node();
        scene->addChild(tiled.get());
        if (director().runningScene()) {
            director().replaceScene(scene.get());
        } else {
            director().runWithScene(scene.get());
        }
        driver().runFrames(2);
        const std::vector<uint8_t> rgba = driver().readPixels();
        if (const char* dir = std::getenv("MOSSWICK_TEST_PICTURES")) {
            EXPECT_TRUE(driver().screenshot(std::string(dir) + "/tilemap-" + c.orientation + ".png"));
        }
        CCTMXLayer* ground = tiled->layerNamed("ground");
        ASSERT_NE(ground, nullptr);
        // Near the top of the tile's 32 x 32 picture, drawn up and right from the
        // cell's position: cells drawn later overlap its lower part where tiles
        // are smaller than their pictures (isometric and hexagonal).
        const CGPoint at = ground->positionAt(c.cell);
        const int gid = 1 + (static_cast<int>(c.cell.x) + 2 * static_cast<int>(c.cell.y)) % 8;
        const std::array<uint8_t, 4> expected = tileColour(gid - 1);
        const RGBA seen = pixelAt(rgba, static_cast<int>(at.x) + 16, static_cast<int>(at.y) + 28);
        EXPECT_TRUE(nearColor(seen, {expected[0], expected[1], expected[2], expected[3]}, 3))
            << c.cell.x << "," << c.cell.y << " " << seen;
    }
}

} // namespace
} // namespace mw::test
