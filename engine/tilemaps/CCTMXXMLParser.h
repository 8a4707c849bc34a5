// The records a TMX map document is read into: tilesets, tile layers, object
// groups and properties, in document order. CCTMXTiledMap builds the drawable
// map from them.

#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "foundation/Geometry.h"
#include "foundation/Object.h"
#include "foundation/Ref.h"

namespace mw {

// Named string values of a map, layer, object group, object or tile.
using CCTMXProperties = std::map<std::string, std::string>;

// Map orientations, as the documents name them.
enum : int32_t {
    CCTMXOrientationOrtho = 0,
    CCTMXOrientationHex = 1,
    CCTMXOrientationIso = 2,
};

// Bits of a global tile number (GID): 0 is no tile; the top two bits flip the
// tile; the low 30 bits number it.
inline constexpr uint32_t kCCTMXTileHorizontalFlag = 0x80000000u;
inline constexpr uint32_t kCCTMXTileVerticalFlag = 0x40000000u;
inline constexpr uint32_t kCCTMXFlippedMask = 0x3FFFFFFFu;

// One tileset: an image cut into tiles of one size, numbered from firstGid.
class CCTMXTilesetInfo : public Object {
public:
    std::string name;
    uint32_t firstGid = 0;
    CGSize tileSize{};
    uint32_t spacing = 0;
    uint32_t margin = 0;
    // Path of the tile image (joined to the document's folder).
    std::string sourceImage;
    // The loaded image's size in pixels (set when a layer loads it).
    CGSize imageSize{};

    // The tile's rectangle in the image, in pixels from its top-left corner;
    // the flip bits are ignored. A tileset whose image has no whole tile
    // across answers a rectangle of one tile per row.
    CGRect rectForGID(uint32_t gid) const;
};

// One tile layer. `tiles` holds width x height GIDs row by row from the top
// row (cell (x, y) at x + y * width), or is empty when the document gave no
// tile data it could read.
class CCTMXLayerInfo : public Object {
public:
    std::string name;
    // Width and height in tiles.
    CGSize layerSize{};
    std::vector<uint32_t> tiles;
    bool visible = true;
    uint8_t opacity = 255;
    // Smallest and largest raw GID met when a layer was built.
    uint32_t minGID = 100000;
    uint32_t maxGID = 0;
    CCTMXProperties properties;
    // Offset in tiles.
    CGPoint offset{};
};

// A named group of rectangles with properties. Each object's dictionary holds
// "name", "type", "x", "y" (whole pixels, origin at the map's bottom left),
// "width" and "height" as the document gave them, and its own properties.
class CCTMXObjectGroup : public Object {
public:
    std::string groupName;
    // Offset in pixels.
    CGPoint positionOffset{};
    std::vector<CCTMXProperties> objects;
    CCTMXProperties properties;

    // The group's property, or null.
    const std::string* propertyNamed(const std::string& name) const;
    // The first object named so, or null.
    const CCTMXProperties* objectNamed(const std::string& name) const;
};

// Reads a TMX document with libxml2's event-driven parser. Parse errors are
// logged and keep what was read up to them; a file that cannot be read gives
// empty records.
class CCTMXMapInfo : public Object {
public:
    // Reads the file (relative to the bundle, or absolute); relative paths in
    // it are joined to the file's folder.
    static Ref<CCTMXMapInfo> formatWithTMXFile(const std::string& file);
    // Reads the document text; relative paths in it are joined to resourcePath.
    static Ref<CCTMXMapInfo> formatWithXML(const std::string& xml, const std::string& resourcePath);

    int32_t orientation = CCTMXOrientationOrtho;
    // In tiles, and in pixels.
    CGSize mapSize{};
    CGSize tileSize{};
    std::vector<Ref<CCTMXLayerInfo>> layers;
    std::vector<Ref<CCTMXTilesetInfo>> tilesets;
    std::vector<Ref<CCTMXObjectGroup>> objectGroups;
    CCTMXProperties properties;
    std::map<uint32_t, CCTMXProperties> tileProperties;

    // The callbacks of the parser (public for its C trampolines).
    void startElement(const std::string& name, const std::map<std::string, std::string>& attributes);
    void endElement(const std::string& name);
    void characters(const char* text, int length);

private:
    enum Parent : int32_t { kNone, kMap, kLayer, kObjectGroup, kObject, kTile };
    enum DataFlags : int32_t { kDataNone = 1, kDataBase64 = 2, kDataGzip = 4, kDataZlib = 8 };

    void parseXMLFile(const std::string& path);
    void parseXMLData(const char* data, size_t length);
    std::string joinedPath(const std::string& relative) const;
    void finishData();

    std::string currentString_;
    bool storingCharacters_ = false;
    int32_t layerAttribs_ = kDataNone;
    Parent parentElement_ = kNone;
    uint32_t parentGID_ = 0;
    std::string filename_;
    std::string resources_;
    // Files being read right now: a tileset that names a file on this chain
    // is skipped instead of being read again forever.
    std::set<std::string> openFiles_;
};

} // namespace mw
