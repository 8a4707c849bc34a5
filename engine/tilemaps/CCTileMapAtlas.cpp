#include "engine/tilemaps/CCTileMapAtlas.h"

#include <stdexcept>

#include "engine/support/CCFileUtils.h"
#include "engine/support/TGAlib.h"
#include "engine/textures/CCTexture2D.h"
#include "engine/textures/CCTextureAtlas.h"

namespace mw {

Ref<CCTileMapAtlas> CCTileMapAtlas::tileMapAtlasWithTileFile(const std::string& tile, const std::string& mapFile,
                                                             uint32_t tileWidth, uint32_t tileHeight)
{
    Ref<CCTileMapAtlas> atlas = makeRef<CCTileMapAtlas>();
    return atlas->initWithTileFile(tile, mapFile, tileWidth, tileHeight) ? atlas : nullptr;
}

CCTileMapAtlas::CCTileMapAtlas() = default;

CCTileMapAtlas::~CCTileMapAtlas() = default;

bool CCTileMapAtlas::initWithTileFile(const std::string& tile, const std::string& mapFile, uint32_t tileWidth,
                                      uint32_t tileHeight)
{
    loadTGAfile(mapFile);
    calculateItemsToRender();
    if (!CCAtlasNode::initWithTileFile(tile, tileWidth, tileHeight, static_cast<uint32_t>(itemsToRender_))) {
        return false;
    }
    updateAtlasValues();
    setContentSizeInPixels({static_cast<float>(tileWidth) * tgaInfo_->width,
                            static_cast<float>(tileHeight) * tgaInfo_->height});
    return true;
}

void CCTileMapAtlas::loadTGAfile(const std::string& file)
{
    const std::string path = CCFileUtils::fullPathFromRelativePath(file);
    std::unique_ptr<sImageTGA> info = tgaLoad(path.c_str());
    // Cells are read as three bytes each: a map of another depth would be
    // misread or read past its end, so it cannot be loaded either.
    if (!info || info->status != TGA_OK || info->pixelDepth != 24 ||
        info->imageData.size() < static_cast<size_t>(info->width) * info->height * 3) {
        throw std::runtime_error("TileMapAtlasLoadTGA: TileMapAtas cannot load TGA file");
    }
    tgaInfo_ = std::move(info);
}

void CCTileMapAtlas::calculateItemsToRender()
{
    itemsToRender_ = 0;
    for (int32_t x = 0; x < tgaInfo_->width; ++x) {
        for (int32_t y = 0; y < tgaInfo_->height; ++y) {
            if (cellBytes({x, y})[0] != 0) ++itemsToRender_;
        }
    }
}

const unsigned char* CCTileMapAtlas::cellBytes(ccGridSize cell) const
{
    if (!tgaInfo_ || cell.x < 0 || cell.y < 0 || cell.x >= tgaInfo_->width || cell.y >= tgaInfo_->height) {
        return nullptr;
    }
    return &tgaInfo_->imageData[(static_cast<size_t>(cell.x) + static_cast<size_t>(cell.y) * tgaInfo_->width) * 3];
}

ccColor3B CCTileMapAtlas::tileAt(ccGridSize cell) const
{
    const unsigned char* bytes = cellBytes(cell);
    return bytes ? ccColor3B{bytes[0], bytes[1], bytes[2]} : ccColor3B{0, 0, 0};
}

void CCTileMapAtlas::setTile(ccColor3B tile, ccGridSize cell)
{
    auto* bytes = const_cast<unsigned char*>(cellBytes(cell));
    if (!bytes || bytes[0] == 0) return;
    const auto found = posToAtlasIndex_.find({cell.x, cell.y});
    if (found == posToAtlasIndex_.end()) return;
    bytes[0] = tile.r;
    bytes[1] = tile.g;
    bytes[2] = tile.b;
    updateAtlasValueAt(cell, tile, found->second);
}

void CCTileMapAtlas::updateAtlasValues()
{
    if (!tgaInfo_) return;
    posToAtlasIndex_.clear();
    uint32_t index = 0;
    for (int32_t x = 0; x < tgaInfo_->width; ++x) {
        for (int32_t y = 0; y < tgaInfo_->height; ++y) {
            if (index >= static_cast<uint32_t>(itemsToRender_)) return;
            const ccColor3B value = tileAt({x, y});
            if (value.r == 0) continue;
            updateAtlasValueAt({x, y}, value, index);
            posToAtlasIndex_[{x, y}] = index;
            ++index;
        }
    }
}

void CCTileMapAtlas::updateAtlasValueAt(ccGridSize cell, ccColor3B value, uint32_t index)
{
    const float textureWide = static_cast<float>(textureAtlas_->texture()->pixelsWide());
    const float textureHigh = static_cast<float>(textureAtlas_->texture()->pixelsHigh());
    const auto tileWide = static_cast<float>(itemWidth_);
    const auto tileHigh = static_cast<float>(itemHeight_);
    const uint32_t perRow = itemsPerRow_ ? itemsPerRow_ : 1;
    const uint32_t column = value.r % perRow;
    const uint32_t row = value.r / perRow;

    const float left = static_cast<float>(column) * tileWide / textureWide;
    const float right = left + tileWide / textureWide;
    const float top = static_cast<float>(row) * tileHigh / textureHigh;
    const float bottom = top + tileHigh / textureHigh;

    const float x0 = static_cast<float>(cell.x) * tileWide;
    const float x1 = x0 + tileWide;
    const float y0 = static_cast<float>(cell.y) * tileHigh;
    const float y1 = y0 + tileHigh;
    ccV3F_C4B_T2F_Quad quad{};
    quad.tl.vertices = {x0, y1, 0};
    quad.tl.texCoords = {left, top};
    quad.bl.vertices = {x0, y0, 0};
    quad.bl.texCoords = {left, bottom};
    quad.tr.vertices = {x1, y1, 0};
    quad.tr.texCoords = {right, top};
    quad.br.vertices = {x1, y0, 0};
    quad.br.texCoords = {right, bottom};
    textureAtlas_->updateQuad(quad, index);
}

void CCTileMapAtlas::releaseMap()
{
    tgaInfo_.reset();
    posToAtlasIndex_.clear();
}

} // namespace mw
