#include "engine/tilemaps/CCTMXLayer.h"

#include <GLES/gl.h>

#include <algorithm>
#include <cmath>

#include "engine/sprites/CCSprite.h"
#include "engine/textures/CCTexture2D.h"
#include "engine/textures/CCTextureAtlas.h"
#include "engine/textures/CCTextureCache.h"
#include "foundation/Log.h"

namespace mw {

namespace {

// A blank texture for a layer that has no tileset: the batch needs one to
// exist, and the layer never draws a quad from it.
Ref<CCTexture2D> blankTexture()
{
    Ref<CCTexture2D> texture = makeRef<CCTexture2D>();
    const uint8_t pixels[2 * 2 * 4] = {};
    if (!texture->initWithData(pixels, kCCTexture2DPixelFormat_RGBA8888, 2, 2, {2, 2})) return nullptr;
    return texture;
}

} // namespace

Ref<CCTMXLayer> CCTMXLayer::layerWithTilesetInfo(CCTMXTilesetInfo* tileset, CCTMXLayerInfo* layerInfo,
                                                 CCTMXMapInfo* mapInfo)
{
    Ref<CCTMXLayer> layer = makeRef<CCTMXLayer>();
    return layer->initWithTilesetInfo(tileset, layerInfo, mapInfo) ? layer : nullptr;
}

CCTMXLayer::CCTMXLayer() = default;

CCTMXLayer::~CCTMXLayer() = default;

bool CCTMXLayer::initWithTilesetInfo(CCTMXTilesetInfo* tileset, CCTMXLayerInfo* layerInfo, CCTMXMapInfo* mapInfo)
{
    Ref<CCTexture2D> texture;
    if (tileset) {
        texture = CCTextureCache::sharedTextureCache()->addImage(tileset->sourceImage);
        if (!texture) {
            logLine("CCTMXLayer: layer \"%s\": no tile image \"%s\"", layerInfo->name.c_str(),
                    tileset->sourceImage.c_str());
            return false;
        }
    } else {
        texture = blankTexture();
    }
    const CGSize size = layerInfo->layerSize;
    const auto capacity = static_cast<uint32_t>(size.width * size.height * 0.35f + 1);
    if (!texture || !initWithTexture(texture.get(), capacity)) return false;

    layerName_ = layerInfo->name;
    layerSize_ = size;
    // A layer without a tileset cannot draw its cells: it comes out empty.
    if (tileset) tiles_ = std::move(layerInfo->tiles);
    layerInfo->tiles.clear();
    minGID_ = layerInfo->minGID;
    maxGID_ = layerInfo->maxGID;
    opacity_ = layerInfo->opacity;
    properties_ = layerInfo->properties;
    tileset_ = tileset;
    mapTileSize_ = mapInfo->tileSize;
    layerOrientation_ = mapInfo->orientation;
    setPositionInPixels(calculateLayerOffset(layerInfo->offset));
    atlasIndexArray_.reserve(std::max<size_t>(1, tiles_.size()));
    setContentSizeInPixels({mapTileSize_.width * size.width, mapTileSize_.height * size.height});
    return true;
}

CGPoint CCTMXLayer::calculateLayerOffset(CGPoint offset) const
{
    switch (layerOrientation_) {
    case CCTMXOrientationOrtho:
        return {offset.x * mapTileSize_.width, -offset.y * mapTileSize_.height};
    case CCTMXOrientationIso:
        return {(offset.x - offset.y) * mapTileSize_.width / 2, (-offset.x - offset.y) * mapTileSize_.height / 2};
    default:
        return {0, 0};
    }
}

const std::string* CCTMXLayer::propertyNamed(const std::string& name) const
{
    const auto found = properties_.find(name);
    return found == properties_.end() ? nullptr : &found->second;
}

uint32_t CCTMXLayer::quadCount() const { return textureAtlas() ? textureAtlas()->totalQuads() : 0; }

void CCTMXLayer::parseInternalProperties()
{
    if (const std::string* vertexZ = propertyNamed("cc_vertexz")) {
        if (*vertexZ == "automatic") {
            useAutomaticVertexZ_ = true;
        } else {
            vertexZvalue_ = static_cast<int32_t>(std::strtol(vertexZ->c_str(), nullptr, 10));
        }
    }
    if (const std::string* alpha = propertyNamed("cc_alpha_func")) {
        alphaFuncValue_ = std::strtof(alpha->c_str(), nullptr);
    }
}

void CCTMXLayer::setupTiles()
{
    if (tileset_) {
        tileset_->imageSize = texture()->contentSizeInPixels();
        texture()->setAliasTexParameters();
    }
    parseInternalProperties();
    if (tiles_.empty()) return;
    const auto width = static_cast<uint32_t>(layerSize_.width);
    const auto height = static_cast<uint32_t>(layerSize_.height);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            const uint32_t gid = tiles_[x + y * width];
            if (gid == 0) continue;
            appendTileForGID(gid, {static_cast<float>(x), static_cast<float>(y)});
            minGID_ = std::min(gid, minGID_);
            maxGID_ = std::max(gid, maxGID_);
        }
    }
}

// ---------------------------------------------------------------- cells

bool CCTMXLayer::contains(CGPoint cell) const
{
    return !tiles_.empty() && cell.x >= 0 && cell.y >= 0 && cell.x < layerSize_.width && cell.y < layerSize_.height &&
           std::floor(cell.x) == cell.x && std::floor(cell.y) == cell.y;
}

uint32_t CCTMXLayer::cellIndex(CGPoint cell) const
{
    return static_cast<uint32_t>(cell.x) + static_cast<uint32_t>(cell.y) * static_cast<uint32_t>(layerSize_.width);
}

CGPoint CCTMXLayer::positionAt(CGPoint cell) const
{
    const float x = cell.x;
    const float y = cell.y;
    const float w = mapTileSize_.width;
    const float h = mapTileSize_.height;
    const float W = layerSize_.width;
    const float H = layerSize_.height;
    switch (layerOrientation_) {
    case CCTMXOrientationOrtho:
        return {x * w, (H - y - 1) * h};
    case CCTMXOrientationIso:
        return {w / 2 * (W + x - y - 1), h / 2 * ((H * 2 - x - y) - 2)};
    case CCTMXOrientationHex: {
        const float diffY = static_cast<int>(x) % 2 == 1 ? -h / 2 : 0;
        return {x * w * 3 / 4, (H - y - 1) * h + diffY};
    }
    default:
        return {0, 0};
    }
}

float CCTMXLayer::vertexZForPos(CGPoint cell) const
{
    if (!useAutomaticVertexZ_) return static_cast<float>(vertexZvalue_);
    switch (layerOrientation_) {
    case CCTMXOrientationIso:
        return -((layerSize_.width + layerSize_.height) - (cell.x + cell.y));
    case CCTMXOrientationOrtho:
        return -(layerSize_.height - cell.y);
    default:
        return 0;
    }
}

uint32_t CCTMXLayer::tileGIDAt(CGPoint cell, bool withFlags) const
{
    if (!contains(cell)) return 0;
    const uint32_t gid = tiles_[cellIndex(cell)];
    return withFlags ? gid : gid & kCCTMXFlippedMask;
}

// ---------------------------------------------------------------- sprites and quads

void CCTMXLayer::setupTileSprite(CCSprite* sprite, CGPoint cell, uint32_t gid)
{
    sprite->setPositionInPixels(positionAt(cell));
    sprite->setVertexZ(vertexZForPos(cell));
    sprite->setAnchorPoint({0, 0});
    sprite->setOpacity(opacity_);
    sprite->setFlipX((gid & kCCTMXTileHorizontalFlag) != 0);
    sprite->setFlipY((gid & kCCTMXTileVerticalFlag) != 0);
}

CCSprite* CCTMXLayer::reusedTileWithRect(CGRect rect)
{
    if (!reusedTile_) reusedTile_ = makeRef<CCSprite>();
    // Out of batch mode first: still pointing at the last cell's quad, the
    // new rectangle would be written over that quad.
    reusedTile_->useSelfRender();
    reusedTile_->initWithBatchNodeRectInPixels(this, rect);
    return reusedTile_.get();
}

uint32_t CCTMXLayer::atlasIndexForExistantZ(uint32_t z) const
{
    const auto found = std::lower_bound(atlasIndexArray_.begin(), atlasIndexArray_.end(), z);
    if (found == atlasIndexArray_.end() || *found != z) return static_cast<uint32_t>(atlasIndexArray_.size());
    return static_cast<uint32_t>(found - atlasIndexArray_.begin());
}

uint32_t CCTMXLayer::atlasIndexForNewZ(uint32_t z) const
{
    return static_cast<uint32_t>(std::upper_bound(atlasIndexArray_.begin(), atlasIndexArray_.end(), z) -
                                 atlasIndexArray_.begin());
}

void CCTMXLayer::shiftSpriteIndices(uint32_t from, int delta)
{
    if (!children()) return;
    for (Object* child : *children()) {
        auto* sprite = static_cast<CCSprite*>(child);
        if (sprite->atlasIndex() >= from) {
            sprite->setAtlasIndex(static_cast<uint32_t>(static_cast<int64_t>(sprite->atlasIndex()) + delta));
        }
    }
}

void CCTMXLayer::appendTileForGID(uint32_t gid, CGPoint cell)
{
    CCSprite* sprite = reusedTileWithRect(tileset_->rectForGID(gid));
    setupTileSprite(sprite, cell, gid);
    const auto index = static_cast<uint32_t>(atlasIndexArray_.size());
    if (addQuadFromSprite(sprite, index)) {
        atlasIndexArray_.push_back(cellIndex(cell));
    }
}

void CCTMXLayer::insertTileForGID(uint32_t gid, CGPoint cell)
{
    const uint32_t z = cellIndex(cell);
    CCSprite* sprite = reusedTileWithRect(tileset_->rectForGID(gid));
    setupTileSprite(sprite, cell, gid);
    const uint32_t index = atlasIndexForNewZ(z);
    if (!addQuadFromSprite(sprite, index)) return;
    atlasIndexArray_.insert(atlasIndexArray_.begin() + index, z);
    shiftSpriteIndices(index, +1);
    tiles_[z] = gid;
}

void CCTMXLayer::updateTileForGID(uint32_t gid, CGPoint cell)
{
    const uint32_t z = cellIndex(cell);
    const uint32_t index = atlasIndexForExistantZ(z);
    if (index >= atlasIndexArray_.size()) return;
    CCSprite* sprite = reusedTileWithRect(tileset_->rectForGID(gid));
    setupTileSprite(sprite, cell, gid);
    sprite->setAtlasIndex(index);
    sprite->setDirty(true);
    sprite->updateTransform();
    tiles_[z] = gid;
}

CCSprite* CCTMXLayer::tileAt(CGPoint cell)
{
    const uint32_t gid = tileGIDAt(cell);
    if (gid == 0) return nullptr;
    const uint32_t z = cellIndex(cell);
    if (auto* existing = static_cast<CCSprite*>(getChildByTag(static_cast<int>(z)))) return existing;
    const uint32_t index = atlasIndexForExistantZ(z);
    if (index >= atlasIndexArray_.size()) return nullptr;
    Ref<CCSprite> tile = makeRef<CCSprite>();
    tile->initWithBatchNodeRectInPixels(this, tileset_->rectForGID(gid));
    setupTileSprite(tile.get(), cell, gid);
    if (!addSpriteWithoutQuad(tile.get(), index, static_cast<int>(z))) return nullptr;
    return tile.get();
}

void CCTMXLayer::setTileGID(uint32_t gid, CGPoint cell, bool withFlags)
{
    if (!contains(cell) || !tileset_) {
        logLine("CCTMXLayer: layer \"%s\" has no cell (%g, %g) to set", layerName_.c_str(), cell.x, cell.y);
        return;
    }
    const uint32_t current = tileGIDAt(cell, withFlags);
    if (current == gid) return;
    if (gid == 0) {
        removeTileAt(cell);
    } else if (current == 0) {
        insertTileForGID(gid, cell);
    } else {
        const uint32_t z = cellIndex(cell);
        if (auto* sprite = static_cast<CCSprite*>(getChildByTag(static_cast<int>(z)))) {
            const CGRect rect = tileset_->rectForGID(gid);
            sprite->setTextureRectInPixels(rect, false, rect.size);
            if (withFlags) setupTileSprite(sprite, cell, gid);
            tiles_[z] = gid;
        } else {
            updateTileForGID(gid, cell);
        }
    }
}

void CCTMXLayer::removeTileAt(CGPoint cell)
{
    if (tileGIDAt(cell) == 0) return;
    const uint32_t z = cellIndex(cell);
    const uint32_t index = atlasIndexForExistantZ(z);
    tiles_[z] = 0;
    if (index >= atlasIndexArray_.size()) return;
    atlasIndexArray_.erase(atlasIndexArray_.begin() + index);
    if (auto* sprite = static_cast<CCSprite*>(getChildByTag(static_cast<int>(z)))) {
        CCSpriteBatchNode::removeChild(sprite, true);
    } else {
        textureAtlas()->removeQuadAtIndex(index);
        shiftSpriteIndices(index, -1);
    }
}

void CCTMXLayer::addChild(CCNode* /*child*/, int /*z*/, int /*tag*/)
{
    logLine("CCTMXLayer: children come only from tileAt; addChild is ignored");
}

void CCTMXLayer::removeChild(CCNode* child, bool cleanup)
{
    if (!child || !children() || !children()->containsObject(child)) return;
    auto* sprite = static_cast<CCSprite*>(child);
    const uint32_t index = sprite->atlasIndex();
    if (index < atlasIndexArray_.size()) {
        const uint32_t z = atlasIndexArray_[index];
        if (z < tiles_.size()) tiles_[z] = 0;
        atlasIndexArray_.erase(atlasIndexArray_.begin() + index);
    }
    CCSpriteBatchNode::removeChild(child, cleanup);
}

void CCTMXLayer::draw()
{
    if (useAutomaticVertexZ_) {
        glEnable(GL_ALPHA_TEST);
        glAlphaFunc(GL_GREATER, alphaFuncValue_);
    }
    CCSpriteBatchNode::draw();
    if (useAutomaticVertexZ_) glDisable(GL_ALPHA_TEST);
}

void CCTMXLayer::releaseMap()
{
    tiles_.clear();
    tiles_.shrink_to_fit();
    atlasIndexArray_.clear();
    atlasIndexArray_.shrink_to_fit();
}

} // namespace mw
