#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "engine/base/CCRGBAProtocol.h"
#include "engine/base/CCRGBAState.h"
#include "engine/nodes/CCNode.h"
#include "engine/sprites/CCSpriteProtocol.h"
#include "engine/sprites/CCTextureProtocol.h"
#include "engine/textures/ccQuadTypes.h"

namespace mw {

class CCSpriteBatchNode;
class CCSpriteFrame;
class CCTexture2D;
class CCTextureAtlas;
class Image;

// Which parts of its parent sprite's transform a batched sprite follows.
enum ccHonorParentTransform : int32_t {
    CC_HONOR_PARENT_TRANSFORM_TRANSLATE = 1 << 0,
    CC_HONOR_PARENT_TRANSFORM_ROTATE = 1 << 1,
    CC_HONOR_PARENT_TRANSFORM_SCALE = 1 << 2,
    CC_HONOR_PARENT_TRANSFORM_SKEW = 1 << 3,
    CC_HONOR_PARENT_TRANSFORM_ALL = 15,
};

// One node's local transform as a batched sprite reads it.
struct ccTransformValues {
    CGPoint pos;    // pixels
    CGPoint scale;
    float rotation = 0;  // degrees
    CGPoint skew;   // degrees
    CGPoint ap;     // anchor point in pixels
    bool visible = true;
};

// A textured quad showing one region of a texture (usually a sprite frame of
// a loaded sheet), tinted by a colour and an opacity, optionally mirrored.
//
// Self-render mode (the default): draw() draws the sprite's own quad inside
// the transform the node tree applied. Batch mode: the sprite is a
// descendant of a CCSpriteBatchNode, its quad lives in the batch node's
// atlas at atlasIndex(), it never draws itself, and updateTransform()
// recomputes the quad in the batch node's space when a change marked it dirty.
//
// The sprite holds a reference to its texture, not to the frame it shows.
class CCSprite : public CCNode,
                 public CCRGBAProtocol,
                 public CCTextureProtocol,
                 public CCSpriteProtocol {
public:
    using CCNode::addChild;

    static constexpr uint32_t kIndexNotInitialized = 0xFFFFFFFFu;

    // An empty sprite: no texture, empty region, white, opaque.
    CCSprite();
    ~CCSprite() override;

    // ---- factories (null where the initialiser fails) ----
    static Ref<CCSprite> spriteWithTexture(CCTexture2D* texture);
    static Ref<CCSprite> spriteWithTexture(CCTexture2D* texture, CGRect rect);
    // Null when the texture cache cannot load the file.
    static Ref<CCSprite> spriteWithFile(const std::string& file);
    static Ref<CCSprite> spriteWithFile(const std::string& file, CGRect rect);
    // Through the texture cache's addCGImage (cached under key when given).
    static Ref<CCSprite> spriteWithCGImage(const Image* image, const std::optional<std::string>& key);
    static Ref<CCSprite> spriteWithSpriteFrame(CCSpriteFrame* frame);
    // The frame comes from the shared sprite-frame cache. An unknown name
    // gives an empty sprite that shows nothing (and logs one line).
    static Ref<CCSprite> spriteWithSpriteFrameName(const std::string& name);
    static Ref<CCSprite> spriteWithBatchNode(CCSpriteBatchNode* batchNode, CGRect rect);

    // ---- initialisers, for subclasses (call once, on a fresh sprite) ----
    // The texture and a region in points.
    void initWithTexture(CCTexture2D* texture, CGRect rect);
    // The whole content of the texture (nothing for null).
    void initWithTexture(CCTexture2D* texture);
    [[nodiscard]] bool initWithFile(const std::string& file);
    [[nodiscard]] bool initWithFile(const std::string& file, CGRect rect);
    [[nodiscard]] bool initWithCGImage(const Image* image, const std::optional<std::string>& key);
    // Null shows nothing.
    void initWithSpriteFrame(CCSpriteFrame* frame);
    // False (one log line) for a name the shared cache does not know; the
    // sprite is then empty.
    bool initWithSpriteFrameName(const std::string& name);
    void initWithBatchNode(CCSpriteBatchNode* batchNode, CGRect rect);
    void initWithBatchNodeRectInPixels(CCSpriteBatchNode* batchNode, CGRect rectInPixels);

    // ---- region and frames ----
    // Region in points (converted with the content scale factor), not rotated,
    // untrimmed size = the region's size.
    void setTextureRect(CGRect rect);
    // The one place that sets region, content size, texture coordinates,
    // offset and (in self-render mode) the quad's corners. All in pixels.
    void setTextureRectInPixels(CGRect rect, bool rotated, CGSize untrimmedSize);
    CGRect textureRect() const { return rect_; }
    CGRect textureRectInPixels() const { return rectInPixels_; }
    bool textureRectRotated() const { return rectRotated_; }
    CGPoint offsetPositionInPixels() const { return offsetPositionInPixels_; }

    void setDisplayFrame(CCSpriteFrame* frame) override;
    Ref<CCSpriteFrame> displayedFrame() const override;
    // Same region (in points) and same GL texture.
    bool isFrameDisplayed(const CCSpriteFrame* frame) const;
    // Shows frame `index` of the shared animation cache's animation of that
    // name; an unknown name or an index past the frames changes nothing
    // (one log line).
    void setDisplayFrameWithAnimationName(const std::string& animationName, uint32_t index);

    // ---- colour (CCRGBAProtocol) ----
    uint8_t opacity() const override { return rgba_.opacity(); }
    void setOpacity(uint8_t opacity) override;
    // The colour as set (without the opacity premultiplied into it).
    ccColor3B color() const override { return rgba_.color(); }
    void setColor(ccColor3B color) override;
    bool doesOpacityModifyRGB() const { return rgba_.opacityModifyRGB(); }
    void setOpacityModifyRGB(bool modify);

    // ---- mirroring ----
    bool flipX() const { return flipX_; }
    void setFlipX(bool flip) override;
    bool flipY() const { return flipY_; }
    void setFlipY(bool flip) override;

    // ---- texture and blending (CCTextureProtocol) ----
    CCTexture2D* texture() const override { return texture_.get(); }
    // Also picks the blend function and opacity-modifies-RGB from the
    // texture's premultiplied-alpha flag.
    void setTexture(CCTexture2D* texture) override;
    ccBlendFunc blendFunc() const override { return blendFunc_; }
    // Holds until the next setTexture.
    void setBlendFunc(ccBlendFunc blendFunc) override { blendFunc_ = blendFunc; }

    // ---- the quad ----
    const ccV3F_C4B_T2F_Quad& quad() const { return quad_; }

    // ---- batch mode (driven by the batch node) ----
    bool usesBatchNode() const { return usesBatchNode_; }
    void setUsesBatchNode(bool uses) { usesBatchNode_ = uses; }
    // Enters batch mode for the batch node; the atlas index comes from it.
    void useBatchNode(CCSpriteBatchNode* batchNode);
    // Back to self-render mode: no atlas, no index, corners in local space.
    void useSelfRender();
    CCSpriteBatchNode* batchNode() const { return batchNode_; }
    void setBatchNode(CCSpriteBatchNode* batchNode) { batchNode_ = batchNode; }
    CCTextureAtlas* textureAtlas() const { return textureAtlas_; }
    void setTextureAtlas(CCTextureAtlas* atlas) { textureAtlas_ = atlas; }
    uint32_t atlasIndex() const { return atlasIndex_; }
    void setAtlasIndex(uint32_t index) { atlasIndex_ = index; }
    bool dirty() const { return dirty_; }
    void setDirty(bool dirty) { dirty_ = dirty; }
    // Bits of ccHonorParentTransform; all four by default.
    int32_t honorParentTransform() const { return honorParentTransform_; }
    void setHonorParentTransform(int32_t honor) { honorParentTransform_ = honor; }
    // Recomputes a dirty batched sprite's quad in the batch node's space and
    // copies it into the atlas.
    virtual void updateTransform();
    void setDirtyRecursively(bool dirty);
    // Marks this sprite and its ancestors (up to the batch node) for re-sorting.
    void setReorderChildDirtyRecursively();
    ccTransformValues getTransformValues() const;

    // ---- node overrides (batch mode marks the quad dirty) ----
    void setPosition(CGPoint position) override;
    void setPositionInPixels(CGPoint position) override;
    void setRotation(float degrees) override;
    void setSkewX(float degrees) override;
    void setSkewY(float degrees) override;
    void setScaleX(float scale) override;
    void setScaleY(float scale) override;
    void setScale(float scale) override;
    void setVertexZ(float z) override;
    void setAnchorPoint(CGPoint anchor) override;
    void setVisible(bool visible) override;

    void addChild(CCNode* child, int z, int tag) override;
    void removeChild(CCNode* child, bool cleanup) override;
    void removeAllChildrenWithCleanup(bool cleanup) override;
    void reorderChild(CCNode* child, int z) override;
    void sortAllChildren() override;

    void draw() override;

    // "<CCSprite = ADDRESS | Rect = (x,y,w,h) | tag = T | atlasIndex = I>"
    std::string description() const override;

protected:
    // Writes the colour (and opacity) into the four corners; in batch mode
    // copies the quad into the atlas at once when it has an index.
    void updateColor();
    // Picks the blend function from the texture's premultiplied-alpha flag.
    void updateBlendFunc();
    void updateTextureCoords(CGRect rectInPixels);
    // The corners in the sprite's own space (self-render mode).
    void setSelfRenderCorners();
    // Batch mode: marks the quad (and the subtree) dirty once per change.
    void markBatchDirty();
    // Zeroes the corners and copies the quad (a hidden batched sprite).
    void hideInAtlas();
    void copyQuadToAtlas();
    bool hasChildren() const { return hasChildren_; }

    CCTextureAtlas* textureAtlas_ = nullptr;  // not owned
    uint32_t atlasIndex_ = kIndexNotInitialized;
    CCSpriteBatchNode* batchNode_ = nullptr;  // not owned
    int32_t honorParentTransform_ = CC_HONOR_PARENT_TRANSFORM_ALL;
    bool dirty_ = false;
    bool recursiveDirty_ = false;
    bool hasChildren_ = false;
    ccBlendFunc blendFunc_ = kCCBlendFuncDefault;
    Ref<CCTexture2D> texture_;
    bool usesBatchNode_ = false;
    CGRect rect_;
    CGRect rectInPixels_;
    bool rectRotated_ = false;
    CGPoint offsetPositionInPixels_;
    CGPoint unflippedOffsetPositionFromCenter_;
    ccV3F_C4B_T2F_Quad quad_{};
    CCRGBAState rgba_;
    bool flipX_ = false;
    bool flipY_ = false;
};

} // namespace mw
