#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>

#include "engine/base/ccTypes.h"
#include "engine/labels/CCAtlasNode.h"

namespace mw {

struct sImageTGA;

// A grid of equal tiles laid out by a 24-bit TGA image: each map pixel is one
// cell, its red byte the tile number (0 = empty), green and blue free for the
// user; row 0 of the image is the bottom row. One quad per non-empty cell,
// numbered column by column.
class CCTileMapAtlas : public CCAtlasNode {
public:
    // Throws std::runtime_error("TileMapAtlasLoadTGA: TileMapAtas cannot load
    // TGA file") when the map cannot be loaded or is not a 24-bit image: a
    // caller that takes the map from outside catches it. Null (logged) when
    // the tile image cannot be loaded.
    static Ref<CCTileMapAtlas> tileMapAtlasWithTileFile(const std::string& tile, const std::string& mapFile,
                                                        uint32_t tileWidth, uint32_t tileHeight);

    CCTileMapAtlas();
    ~CCTileMapAtlas() override;

    // The cell's three bytes; zero outside the map or after releaseMap.
    ccColor3B tileAt(ccGridSize cell) const;
    // Replaces a non-empty cell's bytes and rewrites its quad; an empty cell
    // (no quad) or one outside the map is left alone.
    void setTile(ccColor3B tile, ccGridSize cell);
    void updateAtlasValues() override;
    // Drops the map image and the cell index (the quads stay drawn).
    void releaseMap();

    const sImageTGA* tgaInfo() const { return tgaInfo_.get(); }
    int32_t itemsToRender() const { return itemsToRender_; }

private:
    [[nodiscard]] bool initWithTileFile(const std::string& tile, const std::string& mapFile, uint32_t tileWidth,
                                        uint32_t tileHeight);
    // Throws as the factory says.
    void loadTGAfile(const std::string& file);
    void calculateItemsToRender();
    void updateAtlasValueAt(ccGridSize cell, ccColor3B value, uint32_t index);
    const unsigned char* cellBytes(ccGridSize cell) const;

    std::unique_ptr<sImageTGA> tgaInfo_;
    std::map<std::pair<int32_t, int32_t>, uint32_t> posToAtlasIndex_;
    int32_t itemsToRender_ = 0;
};

} // namespace mw
