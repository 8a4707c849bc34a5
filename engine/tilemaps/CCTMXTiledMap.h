#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "engine/nodes/CCNode.h"
#include "engine/tilemaps/CCTMXXMLParser.h"

namespace mw {

class CCTMXLayer;

// A map read from a TMX document: one CCTMXLayer child per visible tile
// layer (z-order and tag 0, 1, 2, ... in document order), plus the object
// groups and properties for the user to query.
class CCTMXTiledMap : public CCNode {
public:
    // Null (one log line) when a layer's tile image cannot be loaded.
    static Ref<CCTMXTiledMap> tiledMapWithTMXFile(const std::string& file);
    static Ref<CCTMXTiledMap> tiledMapWithXML(const std::string& xml, const std::string& resourcePath);

    // In tiles, and in pixels.
    CGSize mapSize() const { return mapSize_; }
    CGSize tileSize() const { return tileSize_; }
    int32_t mapOrientation() const { return mapOrientation_; }
    const std::vector<Ref<CCTMXObjectGroup>>& objectGroups() const { return objectGroups_; }
    const CCTMXProperties& properties() const { return properties_; }

    // The first layer child of that name, or null.
    CCTMXLayer* layerNamed(const std::string& name) const;
    // The first group of that name, or null.
    CCTMXObjectGroup* objectGroupNamed(const std::string& name) const;
    // The map's property, or null.
    const std::string* propertyNamed(const std::string& name) const;
    // The tile's properties, or null.
    const CCTMXProperties* propertiesForGID(uint32_t gid) const;

private:
    [[nodiscard]] bool buildWithMapInfo(CCTMXMapInfo* mapInfo);
    static CCTMXTilesetInfo* tilesetForLayer(const CCTMXLayerInfo& layerInfo, const CCTMXMapInfo& mapInfo);

    CGSize mapSize_{};
    CGSize tileSize_{};
    int32_t mapOrientation_ = CCTMXOrientationOrtho;
    std::vector<Ref<CCTMXObjectGroup>> objectGroups_;
    CCTMXProperties properties_;
    std::map<uint32_t, CCTMXProperties> tileProperties_;
};

} // namespace mw
