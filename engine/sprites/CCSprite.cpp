#include "engine/sprites/CCSprite.h"

#include <GLES/gl.h>

#include <cmath>

#include "engine/base/CCPropertyRegistry.h"
#include "engine/base/ccContentScale.h"
#include "engine/base/ccDescription.h"
#include "engine/base/ccMacros.h"
#include "engine/sprites/CCAnimation.h"
#include "engine/sprites/CCAnimationCache.h"
#include "engine/sprites/CCSpriteBatchNode.h"
#include "engine/sprites/CCSpriteFrame.h"
#include "engine/sprites/CCSpriteFrameCache.h"
#include "engine/textures/CCTexture2D.h"
#include "engine/textures/CCTextureAtlas.h"
#include "engine/textures/CCTextureCache.h"
#include "foundation/Format.h"
#include "foundation/Log.h"

namespace mw {

namespace {

// Scene files name this class; it registers itself for the reader.
[[maybe_unused]] const bool classRegistered = [] {
    CCPropertyRegistry::shared().registerClass<CCSprite>("CCSprite");
    return true;
}();

} // namespace

namespace {

CGRect scaledRect(CGRect r, float factor)
{
    return {r.origin.x * factor, r.origin.y * factor, r.size.width * factor, r.size.height * factor};
}

CGAffineTransform skewMatrix(CGPoint skewDegrees)
{
    return CGAffineTransformMake(1, std::tan(CC_DEGREES_TO_RADIANS(skewDegrees.y)),
                                 std::tan(CC_DEGREES_TO_RADIANS(skewDegrees.x)), 1, 0, 0);
}

// The local transform of a sprite whose parent is the batch node.
CGAffineTransform directTransform(const ccTransformValues& tv)
{
    const float radians = -CC_DEGREES_TO_RADIANS(tv.rotation);
    const float c = std::cos(radians);
    const float s = std::sin(radians);
    CGAffineTransform matrix = CGAffineTransformMake(c * tv.scale.x, s * tv.scale.x, -s * tv.scale.y,
                                                     c * tv.scale.y, tv.pos.x, tv.pos.y);
    if (tv.skew.x != 0 || tv.skew.y != 0) {
        matrix = CGAffineTransformConcat(skewMatrix(tv.skew), matrix);
    }
    return CGAffineTransformTranslate(matrix, -tv.ap.x, -tv.ap.y);
}

// One node's share of a nested sprite's transform: only the parts `mask`
// lets through.
CGAffineTransform maskedTransform(const ccTransformValues& tv, int32_t mask)
{
    CGAffineTransform matrix = CGAffineTransformIdentity;
    if (mask & CC_HONOR_PARENT_TRANSFORM_TRANSLATE) {
        matrix = CGAffineTransformTranslate(matrix, tv.pos.x, tv.pos.y);
    }
    if (mask & CC_HONOR_PARENT_TRANSFORM_ROTATE) {
        matrix = CGAffineTransformRotate(matrix, -CC_DEGREES_TO_RADIANS(tv.rotation));
    }
    if (mask & CC_HONOR_PARENT_TRANSFORM_SCALE) {
        matrix = CGAffineTransformScale(matrix, tv.scale.x, tv.scale.y);
    }
    if (mask & CC_HONOR_PARENT_TRANSFORM_SKEW) {
        matrix = CGAffineTransformConcat(skewMatrix(tv.skew), matrix);
    }
    return CGAffineTransformTranslate(matrix, -tv.ap.x, -tv.ap.y);
}

void placeCorner(ccV3F_C4B_T2F& corner, const CGAffineTransform& m, float x, float y, float z)
{
    corner.vertices = {m.a * x + m.c * y + m.tx, m.b * x + m.d * y + m.ty, z};
}

} // namespace

// ---------------------------------------------------------------- creation

CCSprite::CCSprite()
{
    useSelfRender();
    setTexture(nullptr);
    setAnchorPoint({0.5f, 0.5f});
    for (ccV3F_C4B_T2F* corner : {&quad_.tl, &quad_.bl, &quad_.tr, &quad_.br}) {
        corner->colors = {255, 255, 255, 255};
    }
    setTextureRectInPixels(CGRectZero, false, CGSizeZero);
}

CCSprite::~CCSprite() = default;

Ref<CCSprite> CCSprite::spriteWithTexture(CCTexture2D* texture)
{
    Ref<CCSprite> sprite = makeRef<CCSprite>();
    sprite->initWithTexture(texture);
    return sprite;
}

Ref<CCSprite> CCSprite::spriteWithTexture(CCTexture2D* texture, CGRect rect)
{
    Ref<CCSprite> sprite = makeRef<CCSprite>();
    sprite->initWithTexture(texture, rect);
    return sprite;
}

Ref<CCSprite> CCSprite::spriteWithFile(const std::string& file)
{
    Ref<CCSprite> sprite = makeRef<CCSprite>();
    return sprite->initWithFile(file) ? sprite : nullptr;
}

Ref<CCSprite> CCSprite::spriteWithFile(const std::string& file, CGRect rect)
{
    Ref<CCSprite> sprite = makeRef<CCSprite>();
    return sprite->initWithFile(file, rect) ? sprite : nullptr;
}

Ref<CCSprite> CCSprite::spriteWithCGImage(const Image* image, const std::optional<std::string>& key)
{
    Ref<CCSprite> sprite = makeRef<CCSprite>();
    return sprite->initWithCGImage(image, key) ? sprite : nullptr;
}

Ref<CCSprite> CCSprite::spriteWithSpriteFrame(CCSpriteFrame* frame)
{
    Ref<CCSprite> sprite = makeRef<CCSprite>();
    sprite->initWithSpriteFrame(frame);
    return sprite;
}

Ref<CCSprite> CCSprite::spriteWithSpriteFrameName(const std::string& name)
{
    Ref<CCSprite> sprite = makeRef<CCSprite>();
    (void)sprite->initWithSpriteFrameName(name);
    return sprite;
}

Ref<CCSprite> CCSprite::spriteWithBatchNode(CCSpriteBatchNode* batchNode, CGRect rect)
{
    Ref<CCSprite> sprite = makeRef<CCSprite>();
    sprite->initWithBatchNode(batchNode, rect);
    return sprite;
}

void CCSprite::initWithTexture(CCTexture2D* texture, CGRect rect)
{
    setTexture(texture);
    setTextureRect(rect);
}

void CCSprite::initWithTexture(CCTexture2D* texture)
{
    CGRect whole = CGRectZero;
    if (texture) {
        whole.size = texture->contentSize();
    }
    initWithTexture(texture, whole);
}

bool CCSprite::initWithFile(const std::string& file)
{
    Ref<CCTexture2D> texture = CCTextureCache::sharedTextureCache()->addImage(file);
    if (!texture) {
        return false;
    }
    initWithTexture(texture.get());
    return true;
}

bool CCSprite::initWithFile(const std::string& file, CGRect rect)
{
    Ref<CCTexture2D> texture = CCTextureCache::sharedTextureCache()->addImage(file);
    if (!texture) {
        return false;
    }
    initWithTexture(texture.get(), rect);
    return true;
}

bool CCSprite::initWithCGImage(const Image* image, const std::optional<std::string>& key)
{
    Ref<CCTexture2D> texture = CCTextureCache::sharedTextureCache()->addCGImage(image, key);
    if (!texture) {
        return false;
    }
    initWithTexture(texture.get());
    return true;
}

void CCSprite::initWithSpriteFrame(CCSpriteFrame* frame)
{
    initWithTexture(frame ? frame->texture() : nullptr, frame ? frame->rect() : CGRectZero);
    setDisplayFrame(frame);
}

bool CCSprite::initWithSpriteFrameName(const std::string& name)
{
    Ref<CCSpriteFrame> frame = CCSpriteFrameCache::sharedSpriteFrameCache()->spriteFrameByName(name);
    if (!frame) {
        logLine("CCSprite: no sprite frame named %s", name.c_str());
    }
    initWithSpriteFrame(frame.get());
    return frame != nullptr;
}

void CCSprite::initWithBatchNode(CCSpriteBatchNode* batchNode, CGRect rect)
{
    initWithTexture(batchNode ? batchNode->texture() : nullptr, rect);
    if (batchNode) {
        useBatchNode(batchNode);
    }
}

void CCSprite::initWithBatchNodeRectInPixels(CCSpriteBatchNode* batchNode, CGRect rectInPixels)
{
    initWithTexture(batchNode ? batchNode->texture() : nullptr);
    setTextureRectInPixels(rectInPixels, false, rectInPixels.size);
    if (batchNode) {
        useBatchNode(batchNode);
    }
}

// ---------------------------------------------------------------- modes

void CCSprite::useSelfRender()
{
    atlasIndex_ = kIndexNotInitialized;
    usesBatchNode_ = false;
    textureAtlas_ = nullptr;
    batchNode_ = nullptr;
    dirty_ = false;
    recursiveDirty_ = false;
    setSelfRenderCorners();
}

void CCSprite::useBatchNode(CCSpriteBatchNode* batchNode)
{
    usesBatchNode_ = true;
    textureAtlas_ = batchNode->textureAtlas();
    batchNode_ = batchNode;
}

// ---------------------------------------------------------------- region

void CCSprite::setTextureRect(CGRect rect)
{
    const CGRect inPixels = scaledRect(rect, CC_CONTENT_SCALE_FACTOR());
    setTextureRectInPixels(inPixels, false, inPixels.size);
}

void CCSprite::setTextureRectInPixels(CGRect rect, bool rotated, CGSize untrimmedSize)
{
    rectInPixels_ = rect;
    rect_ = scaledRect(rect, 1 / CC_CONTENT_SCALE_FACTOR());
    rectRotated_ = rotated;

    setContentSizeInPixels(untrimmedSize);
    updateTextureCoords(rectInPixels_);

    CGPoint offset = unflippedOffsetPositionFromCenter_;
    if (flipX_) {
        offset.x = -offset.x;
    }
    if (flipY_) {
        offset.y = -offset.y;
    }
    offsetPositionInPixels_ = {(contentSizeInPixels_.width - rectInPixels_.size.width) / 2 + offset.x,
                               (contentSizeInPixels_.height - rectInPixels_.size.height) / 2 + offset.y};

    if (usesBatchNode_) {
        dirty_ = true;
    } else {
        setSelfRenderCorners();
    }
}

void CCSprite::setSelfRenderCorners()
{
    const float x1 = offsetPositionInPixels_.x;
    const float y1 = offsetPositionInPixels_.y;
    const float x2 = x1 + rectInPixels_.size.width;
    const float y2 = y1 + rectInPixels_.size.height;
    quad_.bl.vertices = {x1, y1, 0};
    quad_.br.vertices = {x2, y1, 0};
    quad_.tl.vertices = {x1, y2, 0};
    quad_.tr.vertices = {x2, y2, 0};
}

void CCSprite::updateTextureCoords(CGRect rect)
{
    CCTexture2D* texture =
        usesBatchNode_ ? (textureAtlas_ ? textureAtlas_->texture() : nullptr) : texture_.get();
    if (!texture) {
        return;
    }
    const float width = static_cast<float>(texture->pixelsWide());
    const float height = static_cast<float>(texture->pixelsHigh());
    float left = rect.origin.x / width;
    float top = rect.origin.y / height;
    if (rectRotated_) {
        // Stored turned: the picture's width runs down the texture.
        float right = left + rect.size.height / width;
        float bottom = top + rect.size.width / height;
        if (flipX_) {
            std::swap(top, bottom);
        }
        if (flipY_) {
            std::swap(left, right);
        }
        quad_.bl.texCoords = {left, top};
        quad_.br.texCoords = {left, bottom};
        quad_.tl.texCoords = {right, top};
        quad_.tr.texCoords = {right, bottom};
    } else {
        float right = left + rect.size.width / width;
        float bottom = top + rect.size.height / height;
        if (flipX_) {
            std::swap(left, right);
        }
        if (flipY_) {
            std::swap(top, bottom);
        }
        quad_.bl.texCoords = {left, bottom};
        quad_.br.texCoords = {right, bottom};
        quad_.tl.texCoords = {left, top};
        quad_.tr.texCoords = {right, top};
    }
}

// ---------------------------------------------------------------- frames

void CCSprite::setDisplayFrame(CCSpriteFrame* frame)
{
    unflippedOffsetPositionFromCenter_ = frame ? frame->offsetInPixels() : CGPointZero;
    CCTexture2D* frameTexture = frame ? frame->texture() : nullptr;
    const uint32_t frameName = frameTexture ? frameTexture->name() : 0;
    const uint32_t currentName = texture_ ? texture_->name() : 0;
    // Only a change of texture recomputes the blend function.
    if (frameName != currentName) {
        setTexture(frameTexture);
    }
    rectRotated_ = frame && frame->rotated();
    if (frame) {
        setTextureRectInPixels(frame->rectInPixels(), frame->rotated(), frame->originalSizeInPixels());
    } else {
        setTextureRectInPixels(CGRectZero, false, CGSizeZero);
    }
}

Ref<CCSpriteFrame> CCSprite::displayedFrame() const
{
    return CCSpriteFrame::frameWithTexture(texture_.get(), rectInPixels_, rectRotated_,
                                           unflippedOffsetPositionFromCenter_, contentSizeInPixels_);
}

void CCSprite::setDisplayFrameWithAnimationName(const std::string& animationName, uint32_t index)
{
    CCAnimation* animation = CCAnimationCache::sharedAnimationCache()->animationByName(animationName);
    if (!animation || index >= animation->frames().size()) {
        logLine("CCSprite: no frame %u in an animation named %s", index, animationName.c_str());
        return;
    }
    setDisplayFrame(animation->frames()[index]->spriteFrame());
}

bool CCSprite::isFrameDisplayed(const CCSpriteFrame* frame) const
{
    if (!frame) {
        return false;
    }
    const uint32_t frameName = frame->texture() ? frame->texture()->name() : 0;
    const uint32_t currentName = texture_ ? texture_->name() : 0;
    return frame->rect() == rect_ && frameName == currentName;
}

// ---------------------------------------------------------------- colour

void CCSprite::setColor(ccColor3B color)
{
    rgba_.setColor(color);
    updateColor();
}

void CCSprite::setOpacity(uint8_t opacity)
{
    rgba_.setOpacity(opacity);
    updateColor();
}

void CCSprite::setOpacityModifyRGB(bool modify)
{
    rgba_.setOpacityModifyRGB(modify);
    updateColor();
}

void CCSprite::updateColor()
{
    const ccColor4B corner = rgba_.drawColor4B();
    quad_.bl.colors = corner;
    quad_.br.colors = corner;
    quad_.tl.colors = corner;
    quad_.tr.colors = corner;
    if (usesBatchNode_) {
        if (atlasIndex_ != kIndexNotInitialized) {
            copyQuadToAtlas();
        } else {
            dirty_ = true;
        }
    }
}

// ---------------------------------------------------------------- flips

void CCSprite::setFlipX(bool flip)
{
    if (flip == flipX_) {
        return;
    }
    flipX_ = flip;
    setTextureRectInPixels(rectInPixels_, rectRotated_, contentSizeInPixels_);
}

void CCSprite::setFlipY(bool flip)
{
    if (flip == flipY_) {
        return;
    }
    flipY_ = flip;
    setTextureRectInPixels(rectInPixels_, rectRotated_, contentSizeInPixels_);
}

// ---------------------------------------------------------------- texture

void CCSprite::setTexture(CCTexture2D* texture)
{
    texture_ = texture;
    updateBlendFunc();
}

void CCSprite::updateBlendFunc()
{
    if (!texture_ || !texture_->hasPremultipliedAlpha()) {
        blendFunc_ = kCCBlendFuncAlpha;
        setOpacityModifyRGB(false);
    } else {
        blendFunc_ = kCCBlendFuncDefault;
        setOpacityModifyRGB(true);
    }
}

// ---------------------------------------------------------------- batch mode

void CCSprite::markBatchDirty()
{
    if (!usesBatchNode_ || recursiveDirty_) {
        return;
    }
    dirty_ = true;
    recursiveDirty_ = true;
    if (hasChildren_) {
        setDirtyRecursively(true);
    }
}

void CCSprite::setDirtyRecursively(bool dirty)
{
    dirty_ = dirty;
    recursiveDirty_ = dirty;
    if (!children_) {
        return;
    }
    for (Object* child : *children_) {
        // A sprite made for a batch node but not yet in its atlas may still
        // hold plain nodes; they have no quad to mark.
        if (auto* sprite = dynamic_cast<CCSprite*>(child)) {
            sprite->setDirtyRecursively(true);
        }
    }
}

void CCSprite::setReorderChildDirtyRecursively()
{
    if (isReorderChildDirty_) {
        return;
    }
    isReorderChildDirty_ = true;
    if (parent_ && parent_ != batchNode_) {
        if (auto* parentSprite = dynamic_cast<CCSprite*>(parent_)) {
            parentSprite->setReorderChildDirtyRecursively();
        }
    }
}

ccTransformValues CCSprite::getTransformValues() const
{
    return {positionInPixels_, {scaleX_, scaleY_},   rotation_,
            {skewX_, skewY_},  anchorPointInPixels_, visible_};
}

void CCSprite::copyQuadToAtlas()
{
    if (textureAtlas_ && atlasIndex_ != kIndexNotInitialized) {
        textureAtlas_->updateQuad(quad_, atlasIndex_);
    }
}

void CCSprite::hideInAtlas()
{
    quad_.bl.vertices = {0, 0, 0};
    quad_.br.vertices = {0, 0, 0};
    quad_.tl.vertices = {0, 0, 0};
    quad_.tr.vertices = {0, 0, 0};
    copyQuadToAtlas();
    dirty_ = false;
    recursiveDirty_ = false;
}

void CCSprite::updateTransform()
{
    if (!dirty_) {
        return;
    }
    if (!visible_) {
        hideInAtlas();
        return;
    }
    CGAffineTransform matrix;
    if (!parent_ || parent_ == batchNode_) {
        matrix = directTransform(getTransformValues());
    } else {
        // Every node between a batched sprite and its batch node is a sprite
        // (the batch node and batched sprites refuse anything else).
        matrix = CGAffineTransformIdentity;
        int32_t mask = CC_HONOR_PARENT_TRANSFORM_ALL;
        for (CCNode* node = this; node && node != batchNode_; node = node->parent()) {
            auto* sprite = static_cast<CCSprite*>(node);
            const ccTransformValues values = sprite->getTransformValues();
            if (!values.visible) {
                hideInAtlas();
                return;
            }
            matrix = CGAffineTransformConcat(matrix, maskedTransform(values, mask));
            mask = sprite->honorParentTransform_;
        }
    }
    const float x1 = offsetPositionInPixels_.x;
    const float y1 = offsetPositionInPixels_.y;
    const float x2 = x1 + rectInPixels_.size.width;
    const float y2 = y1 + rectInPixels_.size.height;
    placeCorner(quad_.bl, matrix, x1, y1, vertexZ_);
    placeCorner(quad_.br, matrix, x2, y1, vertexZ_);
    placeCorner(quad_.tl, matrix, x1, y2, vertexZ_);
    placeCorner(quad_.tr, matrix, x2, y2, vertexZ_);
    copyQuadToAtlas();
    dirty_ = false;
    recursiveDirty_ = false;
}

// ---------------------------------------------------------------- node overrides

void CCSprite::setPosition(CGPoint position)
{
    CCNode::setPosition(position);
    markBatchDirty();
}

void CCSprite::setPositionInPixels(CGPoint position)
{
    CCNode::setPositionInPixels(position);
    markBatchDirty();
}

void CCSprite::setRotation(float degrees)
{
    CCNode::setRotation(degrees);
    markBatchDirty();
}

void CCSprite::setSkewX(float degrees)
{
    CCNode::setSkewX(degrees);
    markBatchDirty();
}

void CCSprite::setSkewY(float degrees)
{
    CCNode::setSkewY(degrees);
    markBatchDirty();
}

void CCSprite::setScaleX(float scale)
{
    CCNode::setScaleX(scale);
    markBatchDirty();
}

void CCSprite::setScaleY(float scale)
{
    CCNode::setScaleY(scale);
    markBatchDirty();
}

void CCSprite::setScale(float scale)
{
    CCNode::setScale(scale);
    markBatchDirty();
}

void CCSprite::setVertexZ(float z)
{
    CCNode::setVertexZ(z);
    markBatchDirty();
}

void CCSprite::setAnchorPoint(CGPoint anchor)
{
    CCNode::setAnchorPoint(anchor);
    markBatchDirty();
}

void CCSprite::setVisible(bool visible)
{
    CCNode::setVisible(visible);
    markBatchDirty();
}

// ---------------------------------------------------------------- children

void CCSprite::addChild(CCNode* child, int z, int tag)
{
    if (!child) {
        return;
    }
    if (usesBatchNode_ && !child->parent()) {
        auto* sprite = dynamic_cast<CCSprite*>(child);
        if (!sprite) {
            // The batch draws only quads of sprites; anything else would be lost.
            logLine("CCSprite: a batched sprite takes only sprites as children; not added");
            return;
        }
        if (atlasIndex_ != kIndexNotInitialized && batchNode_) {
            // The child's own children go into the atlas too.
            if (!batchNode_->canAppend(sprite)) {
                return;
            }
            batchNode_->appendChild(sprite);
            if (!isReorderChildDirty_) {
                setReorderChildDirtyRecursively();
            }
        }
    }
    CCNode::addChild(child, z, tag);
    hasChildren_ = children_ && children_->count() > 0;
}

void CCSprite::removeChild(CCNode* child, bool cleanup)
{
    if (!child || !children_ || !children_->containsObject(child)) {
        return;
    }
    if (usesBatchNode_ && atlasIndex_ != kIndexNotInitialized && batchNode_) {
        batchNode_->removeSpriteFromAtlas(static_cast<CCSprite*>(child));
    }
    CCNode::removeChild(child, cleanup);
    hasChildren_ = children_->count() > 0;
}

void CCSprite::removeAllChildrenWithCleanup(bool cleanup)
{
    if (usesBatchNode_ && batchNode_ && children_) {
        for (const Ref<Object>& child : children_->getNSArray()) {
            batchNode_->removeSpriteFromAtlas(static_cast<CCSprite*>(child.get()));
        }
    }
    CCNode::removeAllChildrenWithCleanup(cleanup);
    hasChildren_ = false;
}

void CCSprite::reorderChild(CCNode* child, int z)
{
    if (!child || z == child->zOrder()) {
        return;
    }
    if (usesBatchNode_ && batchNode_ && !isReorderChildDirty_) {
        setReorderChildDirtyRecursively();
        batchNode_->reorderBatch(true);
    }
    CCNode::reorderChild(child, z);
}

void CCSprite::sortAllChildren()
{
    if (!isReorderChildDirty_) {
        return;
    }
    if (!children_) {
        isReorderChildDirty_ = false;
        return;
    }
    CCNode::sortAllChildren();
    if (usesBatchNode_) {
        for (Object* child : *children_) {
            static_cast<CCSprite*>(child)->sortAllChildren();
        }
    }
}

// ---------------------------------------------------------------- drawing

void CCSprite::draw()
{
    CCNode::draw();
    const bool newBlend = blendFunc_ != kCCBlendFuncDefault;
    if (newBlend) {
        glBlendFunc(blendFunc_.src, blendFunc_.dst);
    }
    glBindTexture(GL_TEXTURE_2D, texture_ ? texture_->name() : 0);

    constexpr GLsizei kStride = sizeof(ccV3F_C4B_T2F);
    glVertexPointer(3, GL_FLOAT, kStride, &quad_.tl.vertices);
    glColorPointer(4, GL_UNSIGNED_BYTE, kStride, &quad_.tl.colors);
    glTexCoordPointer(2, GL_FLOAT, kStride, &quad_.tl.texCoords);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);

    if (newBlend) {
        glBlendFunc(kCCBlendFuncDefault.src, kCCBlendFuncDefault.dst);
    }
}

std::string CCSprite::description() const
{
    return format("<%s = %s | Rect = (%.2f,%.2f,%.2f,%.2f) | tag = %i | atlasIndex = %i>",
                  ccClassName(typeid(*this)).c_str(), ccAddressString(this).c_str(), rect_.origin.x,
                  rect_.origin.y, rect_.size.width, rect_.size.height, tag_, static_cast<int>(atlasIndex_));
}

} // namespace mw
