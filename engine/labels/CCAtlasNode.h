#pragma once

#include <cstdint>
#include <string>

#include "engine/base/CCRGBAProtocol.h"
#include "engine/base/CCRGBAState.h"
#include "engine/nodes/CCNode.h"
#include "engine/sprites/CCTextureProtocol.h"

namespace mw {

class CCTexture2D;
class CCTextureAtlas;

// The base of nodes that draw a run of equal-sized tiles cut from one image,
// one quad per tile, through a texture atlas with one draw call (the
// character-map label, the tile-map atlas). It owns the atlas, knows the
// tile size in pixels and how many tiles fit across and down the image, and
// draws every quad with the node's one colour and opacity: the colours stored
// in the quads are not used. Subclasses fill the quads in updateAtlasValues.
class CCAtlasNode : public CCNode, public CCRGBAProtocol, public CCTextureProtocol {
public:
    CCAtlasNode() = default;
    ~CCAtlasNode() override;

    // The image (through the shared texture cache), the tile size in points
    // and the number of tiles the atlas starts with. False (one log line)
    // when the image cannot be loaded. Call once on a fresh node.
    [[nodiscard]] bool initWithTileFile(const std::string& tile, uint32_t tileWidth, uint32_t tileHeight,
                                        uint32_t itemsToRender);

    // Fills the quads; the base has none to fill and throws
    // std::logic_error("CCAtlasNode:Abstract: updateAtlasValue not overriden").
    virtual void updateAtlasValues();

    CCTextureAtlas* textureAtlas() const { return textureAtlas_.get(); }
    void setTextureAtlas(CCTextureAtlas* atlas);
    // How many quads, from index 0, are drawn.
    uint32_t quadsToDraw() const { return quadsToDraw_; }
    void setQuadsToDraw(uint32_t count) { quadsToDraw_ = count; }
    uint32_t itemsPerRow() const { return itemsPerRow_; }
    uint32_t itemsPerColumn() const { return itemsPerColumn_; }
    uint32_t itemWidth() const { return itemWidth_; }
    uint32_t itemHeight() const { return itemHeight_; }

    // The colour applies when drawing: no quad changes.
    uint8_t opacity() const override { return rgba_.opacity(); }
    void setOpacity(uint8_t opacity) override { rgba_.setOpacity(opacity); }
    // The colour as set (without the opacity premultiplied into it).
    ccColor3B color() const override { return rgba_.color(); }
    void setColor(ccColor3B color) override { rgba_.setColor(color); }
    bool doesOpacityModifyRGB() const { return rgba_.opacityModifyRGB(); }
    void setOpacityModifyRGB(bool modify) { rgba_.setOpacityModifyRGB(modify); }
    // The colour the quads are drawn with (premultiplied when opacity modifies RGB).
    ccColor3B drawColor() const { return rgba_.drawColor(); }

    CCTexture2D* texture() const override;
    void setTexture(CCTexture2D* texture) override;
    ccBlendFunc blendFunc() const override { return blendFunc_; }
    void setBlendFunc(ccBlendFunc blendFunc) override { blendFunc_ = blendFunc; }

    void draw() override;

protected:
    void calculateMaxItems();
    void updateBlendFunc();
    void updateOpacityModifyRGB();

    Ref<CCTextureAtlas> textureAtlas_;
    uint32_t itemsPerRow_ = 0;
    uint32_t itemsPerColumn_ = 0;
    uint32_t itemWidth_ = 0;
    uint32_t itemHeight_ = 0;
    uint32_t quadsToDraw_ = 0;
    ccBlendFunc blendFunc_ = kCCBlendFuncDefault;
    CCRGBAState rgba_;
};

} // namespace mw
