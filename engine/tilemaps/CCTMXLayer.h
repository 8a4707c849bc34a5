#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/sprites/CCSpriteBatchNode.h"
#include "engine/tilemaps/CCTMXXMLParser.h"

namespace mw {

class CCSprite;

// One tile layer of a TMX map: a sprite batch over the tileset's image with
// one quad per non-empty cell, written through a single reused sprite. A
// cell becomes a real sprite child only when asked for (tileAt), so that it
// can be moved, tinted or animated. Cells can be changed, added and removed
// after loading. A layer without tiles or without a tileset is empty.
class CCTMXLayer : public CCSpriteBatchNode {
public:
    using CCSpriteBatchNode::addChild;

    // Takes over the layer record's tiles. Null (one log line) when the
    // tileset's image cannot be loaded.
    static Ref<CCTMXLayer> layerWithTilesetInfo(CCTMXTilesetInfo* tileset, CCTMXLayerInfo* layerInfo,
                                                CCTMXMapInfo* mapInfo);

    CCTMXLayer();
    ~CCTMXLayer() override;

    // Writes the quads of every non-empty cell (once, after creation).
    void setupTiles();

    const std::string& layerName() const { return layerName_; }
    // In tiles, and the map's tile size in pixels.
    CGSize layerSize() const { return layerSize_; }
    CGSize mapTileSize() const { return mapTileSize_; }
    const std::vector<uint32_t>& tiles() const { return tiles_; }
    CCTMXTilesetInfo* tileset() const { return tileset_.get(); }
    int32_t layerOrientation() const { return layerOrientation_; }
    CCTMXProperties& properties() { return properties_; }
    // The layer's property, or null.
    const std::string* propertyNamed(const std::string& name) const;
    // The number of quads in the atlas (one per non-empty cell).
    uint32_t quadCount() const;

    // Cells are (column, row) with row 0 at the top. Cells outside the layer
    // read as empty and are not changed.
    // The GID without its flip bits (with withFlags, the raw one).
    uint32_t tileGIDAt(CGPoint cell, bool withFlags = false) const;
    // The cell's sprite, made and kept on first request; null for an empty cell.
    CCSprite* tileAt(CGPoint cell);
    // Sets, adds (GID in an empty cell) or removes (GID 0) a tile.
    void setTileGID(uint32_t gid, CGPoint cell, bool withFlags = false);
    void removeTileAt(CGPoint cell);
    // The cell's position in pixels, by the layer's orientation.
    CGPoint positionAt(CGPoint cell) const;

    // Children come only from tileAt.
    void addChild(CCNode* child, int z, int tag) override;
    // A tile sprite's cell becomes empty.
    void removeChild(CCNode* child, bool cleanup) override;
    void draw() override;

    // Frees the tile array and the index list (the layer then reads as empty).
    void releaseMap();

private:
    friend class CCTMXTiledMap;
    [[nodiscard]] bool initWithTilesetInfo(CCTMXTilesetInfo* tileset, CCTMXLayerInfo* layerInfo,
                                           CCTMXMapInfo* mapInfo);

    bool contains(CGPoint cell) const;
    uint32_t cellIndex(CGPoint cell) const;
    CGPoint calculateLayerOffset(CGPoint offset) const;
    float vertexZForPos(CGPoint cell) const;
    void parseInternalProperties();
    void setupTileSprite(CCSprite* sprite, CGPoint cell, uint32_t gid);
    CCSprite* reusedTileWithRect(CGRect rect);
    uint32_t atlasIndexForExistantZ(uint32_t z) const;
    uint32_t atlasIndexForNewZ(uint32_t z) const;
    void appendTileForGID(uint32_t gid, CGPoint cell);
    void insertTileForGID(uint32_t gid, CGPoint cell);
    void updateTileForGID(uint32_t gid, CGPoint cell);
    // Moves the atlas index of every tile sprite at or after `from` by `delta`.
    void shiftSpriteIndices(uint32_t from, int delta);

    Ref<CCTMXTilesetInfo> tileset_;
    std::string layerName_;
    CGSize layerSize_{};
    CGSize mapTileSize_{};
    std::vector<uint32_t> tiles_;
    int32_t layerOrientation_ = CCTMXOrientationOrtho;
    CCTMXProperties properties_;
    uint8_t opacity_ = 255;
    uint32_t minGID_ = 100000;
    uint32_t maxGID_ = 0;
    int32_t vertexZvalue_ = 0;
    bool useAutomaticVertexZ_ = false;
    float alphaFuncValue_ = 0;
    Ref<CCSprite> reusedTile_;
    // The cells (x + y * width) of the atlas's quads in atlas order, ascending.
    std::vector<uint32_t> atlasIndexArray_;
};

} // namespace mw
