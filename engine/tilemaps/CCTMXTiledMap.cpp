#include "engine/tilemaps/CCTMXTiledMap.h"

#include <algorithm>

#include "engine/tilemaps/CCTMXLayer.h"
#include "foundation/Log.h"

namespace mw {

Ref<CCTMXTiledMap> CCTMXTiledMap::tiledMapWithTMXFile(const std::string& file)
{
    Ref<CCTMXMapInfo> info = CCTMXMapInfo::formatWithTMXFile(file);
    Ref<CCTMXTiledMap> map = makeRef<CCTMXTiledMap>();
    return map->buildWithMapInfo(info.get()) ? map : nullptr;
}

Ref<CCTMXTiledMap> CCTMXTiledMap::tiledMapWithXML(const std::string& xml, const std::string& resourcePath)
{
    Ref<CCTMXMapInfo> info = CCTMXMapInfo::formatWithXML(xml, resourcePath);
    Ref<CCTMXTiledMap> map = makeRef<CCTMXTiledMap>();
    return map->buildWithMapInfo(info.get()) ? map : nullptr;
}

CCTMXTilesetInfo* CCTMXTiledMap::tilesetForLayer(const CCTMXLayerInfo& layerInfo, const CCTMXMapInfo& mapInfo)
{
    for (auto tileset = mapInfo.tilesets.rbegin(); tileset != mapInfo.tilesets.rend(); ++tileset) {
        for (const uint32_t gid : layerInfo.tiles) {
            if (gid != 0 && (gid & kCCTMXFlippedMask) >= (*tileset)->firstGid) return tileset->get();
        }
    }
    return nullptr;
}

bool CCTMXTiledMap::buildWithMapInfo(CCTMXMapInfo* mapInfo)
{
    setContentSize({0, 0});
    mapSize_ = mapInfo->mapSize;
    tileSize_ = mapInfo->tileSize;
    mapOrientation_ = mapInfo->orientation;
    objectGroups_ = mapInfo->objectGroups;
    properties_ = mapInfo->properties;
    tileProperties_ = mapInfo->tileProperties;

    int index = 0;
    for (const Ref<CCTMXLayerInfo>& layerInfo : mapInfo->layers) {
        if (!layerInfo->visible) continue;
        CCTMXTilesetInfo* tileset = tilesetForLayer(*layerInfo, *mapInfo);
        Ref<CCTMXLayer> layer = CCTMXLayer::layerWithTilesetInfo(tileset, layerInfo.get(), mapInfo);
        if (!layer) return false;
        layer->setupTiles();
        CCNode::addChild(layer.get(), index, index);
        const CGSize current = contentSize();
        const CGSize added = layer->contentSize();
        setContentSize({std::max(current.width, added.width), std::max(current.height, added.height)});
        ++index;
    }
    return true;
}

CCTMXLayer* CCTMXTiledMap::layerNamed(const std::string& name) const
{
    if (!children()) return nullptr;
    for (Object* child : *children()) {
        auto* layer = dynamic_cast<CCTMXLayer*>(child);
        if (layer && layer->layerName() == name) return layer;
    }
    return nullptr;
}

CCTMXObjectGroup* CCTMXTiledMap::objectGroupNamed(const std::string& name) const
{
    for (const Ref<CCTMXObjectGroup>& group : objectGroups_) {
        if (group->groupName == name) return group.get();
    }
    return nullptr;
}

const std::string* CCTMXTiledMap::propertyNamed(const std::string& name) const
{
    const auto found = properties_.find(name);
    return found == properties_.end() ? nullptr : &found->second;
}

const CCTMXProperties* CCTMXTiledMap::propertiesForGID(uint32_t gid) const
{
    const auto found = tileProperties_.find(gid);
    return found == tileProperties_.end() ? nullptr : &found->second;
}

} // namespace mw
