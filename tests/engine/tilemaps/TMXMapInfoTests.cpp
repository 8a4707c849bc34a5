#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/tilemaps/CCTMXXMLParser.h"
#include "tests/engine/tilemaps/TileMapTestSupport.h"
#include "tests/support/TempDir.h"

namespace mw {
namespace {

using test::dataElement;

std::string mapDocument(const std::string& body, const std::string& orientation = "orthogonal")
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<map version=\"1.0\" orientation=\"" + orientation +
           "\" width=\"2\" height=\"2\" tilewidth=\"32\" tileheight=\"32\">\n" + body + "\n</map>\n";
}

struct DataCase {
    const char* name;
    std::string data;
    std::vector<uint32_t> tiles;
};

TEST(TMXMapInfoTest, TileDataDecodesInEveryEncoding)
{
    const std::vector<uint32_t> gids{1, 0x80000003u, 0x40000002u, 4};
    const std::vector<DataCase> cases = {
        {"base64", dataElement(gids, ""), gids},
        {"base64 + zlib", dataElement(gids, "zlib"), gids},
        {"base64 + gzip", dataElement(gids, "gzip"), gids},
        // Short data: the cells it does not cover stay empty, nothing is read past its end.
        {"two GIDs for four cells", dataElement({7, 8}, "zlib"), {7, 8, 0, 0}},
        {"plain base64 cut short", dataElement({9}, ""), {9, 0, 0, 0}},
        {"an encoding not read", "<data encoding=\"csv\">1,2,3,4</data>", {}},
        {"no encoding", "<data><tile gid=\"1\"/></data>", {}},
        {"compressed data that does not inflate", "<data encoding=\"base64\" compression=\"zlib\">AAAA</data>", {}},
    };
    for (const DataCase& c : cases) {
        SCOPED_TRACE(c.name);
        Ref<CCTMXMapInfo> info =
            CCTMXMapInfo::formatWithXML(mapDocument("<layer name=\"ground\" width=\"2\" height=\"2\">" + c.data +
                                                    "</layer>"),
                                        "/nowhere");
        ASSERT_EQ(info->layers.size(), 1u);
        EXPECT_EQ(info->layers[0]->tiles, c.tiles);
    }
}

TEST(TMXMapInfoTest, RecordsOfAWholeDocument)
{
    const std::string body = R"(
 <properties><property name="music" value="forest"/></properties>
 <tileset firstgid="1" name="ground" tilewidth="32" tileheight="32" spacing="2" margin="1">
  <image source="images/ground.png" width="100" height="100"/>
  <tile id="3"><properties><property name="walkable" value="no"/></properties></tile>
 </tileset>
 <layer name="back" width="2" height="2"><data encoding="base64">AQAAAAEAAAABAAAAAQAAAA==</data></layer>
 <layer name="ghost" width="2" height="2" visible="0" opacity="0.5" x="1" y="2">
  <properties><property name="cc_vertexz" value="automatic"/></properties>
 </layer>
 <objectgroup name="spawns" x="1" y="0">
  <properties><property name="team" value="red"/></properties>
  <object name="door" type="exit" x="10" y="10" width="20" height="20">
   <properties><property name="locked" value="yes"/></properties>
  </object>
 </objectgroup>
 <property name="orphan" value="dropped"/>)";
    Ref<CCTMXMapInfo> info = CCTMXMapInfo::formatWithXML(
        "<map orientation=\"isometric\" width=\"10\" height=\"10\" tilewidth=\"32\" tileheight=\"32\">" + body +
            "</map>",
        "/maps");
    EXPECT_EQ(info->orientation, CCTMXOrientationIso);
    EXPECT_EQ(info->mapSize, (CGSize{10, 10}));
    EXPECT_EQ(info->tileSize, (CGSize{32, 32}));
    EXPECT_EQ(info->properties, (CCTMXProperties{{"music", "forest"}}));

    ASSERT_EQ(info->tilesets.size(), 1u);
    const CCTMXTilesetInfo& tileset = *info->tilesets[0];
    EXPECT_EQ(tileset.sourceImage, "/maps/images/ground.png");
    EXPECT_EQ(tileset.spacing, 2u);
    EXPECT_EQ(tileset.margin, 1u);
    ASSERT_EQ(info->tileProperties.count(4), 1u) << "first GID + id";
    EXPECT_EQ(info->tileProperties[4].at("walkable"), "no");

    ASSERT_EQ(info->layers.size(), 2u);
    EXPECT_EQ(info->layers[0]->opacity, 255);
    EXPECT_TRUE(info->layers[0]->visible);
    EXPECT_EQ(info->layers[1]->opacity, 127);
    EXPECT_FALSE(info->layers[1]->visible);
    EXPECT_EQ(info->layers[1]->offset, (CGPoint{1, 2}));
    EXPECT_EQ(info->layers[1]->properties.at("cc_vertexz"), "automatic");

    ASSERT_EQ(info->objectGroups.size(), 1u);
    const CCTMXObjectGroup& group = *info->objectGroups[0];
    EXPECT_EQ(group.positionOffset, (CGPoint{32, 0}));
    ASSERT_NE(group.propertyNamed("team"), nullptr);
    const CCTMXProperties* door = group.objectNamed("door");
    ASSERT_NE(door, nullptr);
    EXPECT_EQ(door->at("x"), "42");
    EXPECT_EQ(door->at("y"), "290") << "10 rows of 32 pixels, from the bottom";
    EXPECT_EQ(door->at("type"), "exit");
    EXPECT_EQ(door->at("locked"), "yes");
    EXPECT_EQ(group.objectNamed("window"), nullptr);
    EXPECT_EQ(info->properties.count("orphan"), 0u) << "a property outside any element is dropped";
}

TEST(TMXMapInfoTest, TileRectanglesFollowSpacingAndMargin)
{
    CCTMXTilesetInfo tileset;
    tileset.firstGid = 1;
    tileset.tileSize = {32, 32};
    tileset.spacing = 2;
    tileset.margin = 1;
    tileset.imageSize = {100, 100};
    struct Case {
        uint32_t gid;
        CGRect rect;
    };
    for (const Case& c : {Case{1, {{1, 1}, {32, 32}}}, Case{2, {{35, 1}, {32, 32}}}, Case{4, {{35, 35}, {32, 32}}},
                          Case{0x80000004u, {{35, 35}, {32, 32}}}}) {
        EXPECT_EQ(tileset.rectForGID(c.gid), c.rect) << c.gid;
    }
    tileset.imageSize = {10, 10};
    EXPECT_EQ(tileset.rectForGID(3), (CGRect{{1, 69}, {32, 32}})) << "an image narrower than a tile: one per row";
}

TEST(TMXMapInfoTest, ExternalTilesetsAreReadOnceEach)
{
    test::TempDir dir;
    dir.write("tiles.tsx", std::string(R"(<?xml version="1.0"?>
<tileset name="outside" tilewidth="16" tileheight="16"><image source="outside.png"/></tileset>)"));
    // A tileset naming itself: reading it must not recurse forever.
    dir.write("loop.tsx", std::string(R"(<tileset source="loop.tsx" name="loop"/>)"));
    dir.write("map.tmx", mapDocument(R"(<tileset firstgid="1" source="tiles.tsx"/>
<tileset firstgid="5" source="loop.tsx"/>)"));

    Ref<CCTMXMapInfo> info = CCTMXMapInfo::formatWithTMXFile(dir.file("map.tmx"));
    ASSERT_EQ(info->tilesets.size(), 1u);
    EXPECT_EQ(info->tilesets[0]->name, "outside");
    EXPECT_EQ(info->tilesets[0]->tileSize, (CGSize{16, 16}));
    EXPECT_EQ(info->tilesets[0]->sourceImage, dir.file("outside.png"));
}

TEST(TMXMapInfoTest, BrokenDocumentsKeepWhatWasRead)
{
    Ref<CCTMXMapInfo> info = CCTMXMapInfo::formatWithXML(
        R"(<map orientation="hexagonal" width="3" height="1"><layer name="a" width="3" height="1"/><layer name=)",
        "/");
    EXPECT_EQ(info->orientation, CCTMXOrientationHex);
    ASSERT_EQ(info->layers.size(), 1u);
    EXPECT_TRUE(info->layers[0]->tiles.empty());

    Ref<CCTMXMapInfo> missing = CCTMXMapInfo::formatWithTMXFile("/no/such/map.tmx");
    EXPECT_TRUE(missing->layers.empty());

    Ref<CCTMXMapInfo> huge = CCTMXMapInfo::formatWithXML(
        mapDocument(R"(<layer name="big" width="100000" height="100000">)" + dataElement({1}, "") + "</layer>"), "/");
    ASSERT_EQ(huge->layers.size(), 1u);
    EXPECT_TRUE(huge->layers[0]->tiles.empty()) << "no gigabytes for two short numbers";
}

} // namespace
} // namespace mw
