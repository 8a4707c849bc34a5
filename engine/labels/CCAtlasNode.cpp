#include "engine/labels/CCAtlasNode.h"

#include <GLES/gl.h>

#include <algorithm>
#include <stdexcept>

#include "engine/base/ccContentScale.h"
#include "engine/textures/CCTexture2D.h"
#include "engine/textures/CCTextureAtlas.h"
#include "foundation/Log.h"

namespace mw {

CCAtlasNode::~CCAtlasNode() = default;

bool CCAtlasNode::initWithTileFile(const std::string& tile, uint32_t tileWidth, uint32_t tileHeight,
                                   uint32_t itemsToRender)
{
    const float factor = CC_CONTENT_SCALE_FACTOR();
    itemWidth_ = static_cast<uint32_t>(static_cast<float>(tileWidth) * factor);
    itemHeight_ = static_cast<uint32_t>(static_cast<float>(tileHeight) * factor);
    rgba_ = CCRGBAState();
    blendFunc_ = kCCBlendFuncDefault;
    textureAtlas_ = CCTextureAtlas::textureAtlasWithFile(tile, itemsToRender);
    if (!textureAtlas_) {
        logLine("CCAtlasNode: cannot load %s", tile.c_str());
        return false;
    }
    updateBlendFunc();
    updateOpacityModifyRGB();
    calculateMaxItems();
    quadsToDraw_ = itemsToRender;
    return true;
}

void CCAtlasNode::updateAtlasValues()
{
    throw std::logic_error("CCAtlasNode:Abstract: updateAtlasValue not overriden");
}

void CCAtlasNode::setTextureAtlas(CCTextureAtlas* atlas) { textureAtlas_ = atlas; }

void CCAtlasNode::calculateMaxItems()
{
    const CGSize size = texture()->contentSizeInPixels();
    // A zero tile size would divide by zero; it fits no tiles.
    itemsPerColumn_ = itemHeight_ ? static_cast<uint32_t>(size.height / static_cast<float>(itemHeight_)) : 0;
    itemsPerRow_ = itemWidth_ ? static_cast<uint32_t>(size.width / static_cast<float>(itemWidth_)) : 0;
}

CCTexture2D* CCAtlasNode::texture() const { return textureAtlas_ ? textureAtlas_->texture() : nullptr; }

void CCAtlasNode::setTexture(CCTexture2D* texture)
{
    textureAtlas_->setTexture(texture);
    updateBlendFunc();
    updateOpacityModifyRGB();
}

void CCAtlasNode::updateBlendFunc()
{
    if (!texture() || !texture()->hasPremultipliedAlpha()) {
        blendFunc_ = kCCBlendFuncAlpha;
    }
}

void CCAtlasNode::updateOpacityModifyRGB()
{
    rgba_.setOpacityModifyRGBFlag(texture() && texture()->hasPremultipliedAlpha());
}

void CCAtlasNode::draw()
{
    CCNode::draw();
    // One colour for every tile: the per-vertex colours are switched off.
    glDisableClientState(GL_COLOR_ARRAY);
    const ccColor4B colour = rgba_.drawColor4B();
    glColor4ub(colour.r, colour.g, colour.b, colour.a);
    const bool newBlend = blendFunc_ != kCCBlendFuncDefault;
    if (newBlend) {
        glBlendFunc(blendFunc_.src, blendFunc_.dst);
    }
    // Never past the slots the index buffer covers.
    textureAtlas_->drawNumberOfQuads(std::min(quadsToDraw_, textureAtlas_->capacity()), 0);
    if (newBlend) {
        glBlendFunc(kCCBlendFuncDefault.src, kCCBlendFuncDefault.dst);
    }
    glEnableClientState(GL_COLOR_ARRAY);
}

} // namespace mw
