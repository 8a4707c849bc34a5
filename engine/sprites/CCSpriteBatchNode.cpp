#include "engine/sprites/CCSpriteBatchNode.h"

#include <GLES/gl.h>

#include <algorithm>

#include "engine/base/ccDescription.h"
#include "engine/nodes/CCGridProtocol.h"
#include "engine/sprites/CCSprite.h"
#include "engine/textures/CCTexture2D.h"
#include "engine/textures/CCTextureAtlas.h"
#include "engine/textures/CCTextureCache.h"
#include "foundation/Format.h"
#include "foundation/Log.h"

namespace mw {

namespace {

CCSprite* spriteAt(const CCArray* array, uint32_t index)
{
    return static_cast<CCSprite*>(array->items()[index]);
}

// The number of nodes in the subtree of `node` (itself included), or 0 when
// one of them is not a sprite.
uint32_t spriteCountOrZero(CCNode* node)
{
    if (!dynamic_cast<CCSprite*>(node)) {
        return 0;
    }
    uint32_t count = 1;
    if (CCArray* children = node->children()) {
        for (Object* child : *children) {
            const uint32_t below = spriteCountOrZero(static_cast<CCNode*>(child));
            if (below == 0) {
                return 0;
            }
            count += below;
        }
    }
    return count;
}

} // namespace

Ref<CCSpriteBatchNode> CCSpriteBatchNode::batchNodeWithTexture(CCTexture2D* texture, uint32_t capacity)
{
    Ref<CCSpriteBatchNode> node = makeRef<CCSpriteBatchNode>();
    return node->initWithTexture(texture, capacity) ? node : nullptr;
}

Ref<CCSpriteBatchNode> CCSpriteBatchNode::batchNodeWithFile(const std::string& file, uint32_t capacity)
{
    Ref<CCSpriteBatchNode> node = makeRef<CCSpriteBatchNode>();
    return node->initWithFile(file, capacity) ? node : nullptr;
}

CCSpriteBatchNode::~CCSpriteBatchNode()
{
    // Sprites that outlive the batch node (held elsewhere) must not keep
    // writing into its atlas.
    if (descendants_) {
        for (Object* sprite : *descendants_) {
            static_cast<CCSprite*>(sprite)->useSelfRender();
        }
    }
}

bool CCSpriteBatchNode::initWithTexture(CCTexture2D* texture, uint32_t capacity)
{
    if (!texture) {
        logLine("CCSpriteBatchNode: no texture");
        return false;
    }
    textureAtlas_ = CCTextureAtlas::textureAtlasWithTexture(texture, capacity);
    if (!textureAtlas_) {
        logLine("CCSpriteBatchNode: no atlas of capacity %u", capacity);
        return false;
    }
    blendFunc_ = kCCBlendFuncDefault;
    updateBlendFunc();
    children_ = makeRef<CCArray>(capacity);
    descendants_ = makeRef<CCArray>(capacity);
    return true;
}

bool CCSpriteBatchNode::initWithFile(const std::string& file, uint32_t capacity)
{
    Ref<CCTexture2D> texture = CCTextureCache::sharedTextureCache()->addImage(file);
    if (!texture) {
        logLine("CCSpriteBatchNode: cannot load %s", file.c_str());
        return false;
    }
    return initWithTexture(texture.get(), capacity);
}

void CCSpriteBatchNode::setTextureAtlas(CCTextureAtlas* atlas)
{
    textureAtlas_ = atlas;
    for (Object* sprite : *descendants_) {
        static_cast<CCSprite*>(sprite)->setTextureAtlas(atlas);
    }
}

CCTexture2D* CCSpriteBatchNode::texture() const { return textureAtlas_ ? textureAtlas_->texture() : nullptr; }

void CCSpriteBatchNode::setTexture(CCTexture2D* texture)
{
    textureAtlas_->setTexture(texture);
    updateBlendFunc();
}

void CCSpriteBatchNode::updateBlendFunc()
{
    CCTexture2D* current = texture();
    if (!current || !current->hasPremultipliedAlpha()) {
        blendFunc_ = kCCBlendFuncAlpha;
    }
}

// ---------------------------------------------------------------- children

void CCSpriteBatchNode::addChild(CCNode* child, int z, int tag)
{
    if (!child) {
        return;
    }
    if (child->parent()) {
        CCNode::addChild(child, z, tag);  // refuses it with a log line
        return;
    }
    if (!canAppend(child)) {
        return;
    }
    CCNode::addChild(child, z, tag);
    appendChild(static_cast<CCSprite*>(child));
}

bool CCSpriteBatchNode::canHold(uint32_t sprites) const
{
    return uint64_t{textureAtlas_->totalQuads()} + sprites <= CCTextureAtlas::kMaxCapacity;
}

bool CCSpriteBatchNode::canAppend(CCNode* subtree) const
{
    const uint32_t sprites = spriteCountOrZero(subtree);
    if (sprites == 0) {
        logLine("CCSpriteBatchNode: only sprites (with sprite children) can be batched; not added");
        return false;
    }
    if (!canHold(sprites)) {
        logLine("CCSpriteBatchNode: the atlas cannot hold %u more quads; not added", sprites);
        return false;
    }
    return true;
}

void CCSpriteBatchNode::appendChild(CCSprite* sprite)
{
    isReorderChildDirty_ = true;
    sprite->useBatchNode(this);
    sprite->setDirty(true);
    if (textureAtlas_->totalQuads() == textureAtlas_->capacity() && !increaseAtlasCapacity()) {
        // Callers check canHold first; this only guards the atlas's memory.
        logLine("CCSpriteBatchNode: the atlas cannot grow; sprite left out");
        sprite->useSelfRender();
        return;
    }
    const uint32_t index = descendants_->count();
    descendants_->addObject(sprite);
    sprite->setAtlasIndex(index);
    textureAtlas_->insertQuad(sprite->quad(), index);
    if (CCArray* children = sprite->children()) {
        for (Object* child : *children) {
            appendChild(static_cast<CCSprite*>(child));
        }
    }
}

bool CCSpriteBatchNode::increaseAtlasCapacity()
{
    const uint32_t capacity = textureAtlas_->capacity();
    uint32_t grown = (capacity + 1) * 4 / 3;
    if (grown > CCTextureAtlas::kMaxCapacity) {
        grown = CCTextureAtlas::kMaxCapacity;
    }
    return grown > capacity && textureAtlas_->resizeCapacity(grown);
}

void CCSpriteBatchNode::removeSpriteFromAtlas(CCSprite* sprite)
{
    textureAtlas_->removeQuadAtIndex(sprite->atlasIndex());
    sprite->useSelfRender();
    const uint32_t index = descendants_->indexOfObject(sprite);
    if (index != CCArray::NotFound) {
        // Keeps the sprite alive while it is still needed below.
        Ref<CCSprite> keep(sprite);
        descendants_->removeObjectAtIndex(index);
        for (uint32_t i = index; i < descendants_->count(); ++i) {
            CCSprite* later = spriteAt(descendants_.get(), i);
            later->setAtlasIndex(later->atlasIndex() - 1);
        }
    }
    if (CCArray* children = sprite->children()) {
        for (Object* child : *children) {
            removeSpriteFromAtlas(static_cast<CCSprite*>(child));
        }
    }
}

void CCSpriteBatchNode::removeChild(CCNode* child, bool cleanup)
{
    if (!child || !children_ || !children_->containsObject(child)) {
        return;
    }
    removeSpriteFromAtlas(static_cast<CCSprite*>(child));
    CCNode::removeChild(child, cleanup);
}

void CCSpriteBatchNode::removeChildAtIndex(uint32_t index, bool cleanup)
{
    if (children_ && index < children_->count()) {
        removeChild(static_cast<CCNode*>(children_->objectAtIndex(index)), cleanup);
    }
}

void CCSpriteBatchNode::removeAllChildrenWithCleanup(bool cleanup)
{
    for (Object* sprite : *descendants_) {
        static_cast<CCSprite*>(sprite)->useSelfRender();
    }
    CCNode::removeAllChildrenWithCleanup(cleanup);
    descendants_->removeAllObjects();
    textureAtlas_->removeAllQuads();
}

void CCSpriteBatchNode::reorderChild(CCNode* child, int z)
{
    if (!child || z == child->zOrder()) {
        return;
    }
    CCNode::reorderChild(child, z);
}

// ---------------------------------------------------------------- ordering

void CCSpriteBatchNode::sortAllChildren()
{
    if (!isReorderChildDirty_) {
        return;
    }
    if (children_ && children_->count() > 0) {
        CCNode::sortAllChildren();
        for (Object* child : *children_) {
            static_cast<CCSprite*>(child)->sortAllChildren();
        }
        uint32_t index = 0;
        for (Object* child : *children_) {
            updateAtlasIndex(static_cast<CCSprite*>(child), &index);
        }
    }
    isReorderChildDirty_ = false;
}

void CCSpriteBatchNode::placeSprite(CCSprite* sprite, uint32_t* currentIndex)
{
    const uint32_t oldIndex = sprite->atlasIndex();
    // Later sorts then keep the present order among equal z-orders.
    sprite->setOrderOfArrival(0);
    // A refused swap leaves the sprite on the quad it has.
    if (oldIndex == *currentIndex || swap(oldIndex, *currentIndex)) {
        sprite->setAtlasIndex(*currentIndex);
    }
    ++*currentIndex;
}

void CCSpriteBatchNode::updateAtlasIndex(CCSprite* sprite, uint32_t* currentIndex)
{
    CCArray* children = sprite->children();
    if (!children || children->count() == 0) {
        placeSprite(sprite, currentIndex);
        return;
    }
    // The sprite goes before its first child of non-negative z.
    bool placed = false;
    if (spriteAt(children, 0)->zOrder() >= 0) {
        placeSprite(sprite, currentIndex);
        placed = true;
    }
    for (Object* item : *children) {
        auto* child = static_cast<CCSprite*>(item);
        if (!placed && child->zOrder() >= 0) {
            placeSprite(sprite, currentIndex);
            placed = true;
        }
        updateAtlasIndex(child, currentIndex);
    }
    if (!placed) {
        placeSprite(sprite, currentIndex);
    }
}

bool CCSpriteBatchNode::swap(uint32_t oldIndex, uint32_t newIndex)
{
    // Tile layers keep quads that have no descendant, so their children's
    // atlas indices need not address descendants; never swap past either end.
    const uint32_t limit = std::min(descendants_->count(), textureAtlas_->totalQuads());
    if (oldIndex >= limit || newIndex >= limit) {
        logLine("CCSpriteBatchNode: atlas index %u or %u is past the %u sprites; not moved", oldIndex, newIndex,
                limit);
        return false;
    }
    ccV3F_C4B_T2F_Quad* quads = textureAtlas_->quads();
    spriteAt(descendants_.get(), newIndex)->setAtlasIndex(oldIndex);
    descendants_->exchangeObjectAtIndex(oldIndex, newIndex);
    std::swap(quads[oldIndex], quads[newIndex]);
    return true;
}

// ---------------------------------------------------------------- placing at an index

void CCSpriteBatchNode::insertChild(CCSprite* sprite, uint32_t index)
{
    if (sprite && canAppend(sprite)) {
        insertSubtree(sprite, index);
    }
}

void CCSpriteBatchNode::insertSubtree(CCSprite* sprite, uint32_t index)
{
    if (index > descendants_->count() || index > textureAtlas_->totalQuads()) {
        logLine("CCSpriteBatchNode: atlas index %u is past the %u sprites; not inserted", index,
                descendants_->count());
        return;
    }
    sprite->useBatchNode(this);
    sprite->setAtlasIndex(index);
    sprite->setDirty(true);
    if (textureAtlas_->totalQuads() == textureAtlas_->capacity() && !increaseAtlasCapacity()) {
        logLine("CCSpriteBatchNode: the atlas cannot grow; sprite left out");
        sprite->useSelfRender();
        return;
    }
    textureAtlas_->insertQuad(sprite->quad(), index);
    descendants_->insertObject(sprite, index);
    for (uint32_t i = index + 1; i < descendants_->count(); ++i) {
        CCSprite* later = spriteAt(descendants_.get(), i);
        later->setAtlasIndex(later->atlasIndex() + 1);
    }
    // The children's places are judged from their previous siblings, which
    // only works with the children in z order.
    sprite->sortAllChildren();
    if (CCArray* children = sprite->children()) {
        for (Object* item : *children) {
            auto* child = static_cast<CCSprite*>(item);
            insertSubtree(child, atlasIndexForChild(child, child->zOrder()));
        }
    }
}

// A sprite comes after its children of negative z and before the others, so
// the last quad of a subtree is the sprite's own when all its children are
// behind it, and the first is its own when none is.
uint32_t CCSpriteBatchNode::highestAtlasIndexInChild(CCSprite* sprite) const
{
    CCArray* children = sprite->children();
    if (!children || children->count() == 0) {
        return sprite->atlasIndex();
    }
    auto* last = static_cast<CCSprite*>(children->lastObject());
    return last->zOrder() < 0 ? sprite->atlasIndex() : highestAtlasIndexInChild(last);
}

uint32_t CCSpriteBatchNode::lowestAtlasIndexInChild(CCSprite* sprite) const
{
    CCArray* children = sprite->children();
    if (!children || children->count() == 0) {
        return sprite->atlasIndex();
    }
    CCSprite* first = spriteAt(children, 0);
    return first->zOrder() >= 0 ? sprite->atlasIndex() : lowestAtlasIndexInChild(first);
}

uint32_t CCSpriteBatchNode::atlasIndexForChild(CCSprite* sprite, int z) const
{
    CCNode* parent = sprite->parent();
    CCArray* siblings = parent ? parent->children() : nullptr;
    const uint32_t position = siblings ? siblings->indexOfObject(sprite) : 0;
    CCSprite* previous = (siblings && position > 0 && position != CCArray::NotFound)
                             ? spriteAt(siblings, position - 1)
                             : nullptr;
    if (!parent || parent == this) {
        return previous ? highestAtlasIndexInChild(previous) + 1 : 0;
    }
    auto* parentSprite = static_cast<CCSprite*>(parent);
    if (!previous) {
        return z < 0 ? parentSprite->atlasIndex() : parentSprite->atlasIndex() + 1;
    }
    if ((previous->zOrder() < 0) != (z < 0)) {
        return parentSprite->atlasIndex() + 1;
    }
    return highestAtlasIndexInChild(previous) + 1;
}

uint32_t CCSpriteBatchNode::rebuildIndexInOrder(CCNode* node, uint32_t index)
{
    CCArray* children = node->children();
    if (children) {
        for (Object* child : *children) {
            if (static_cast<CCNode*>(child)->zOrder() < 0) {
                index = rebuildIndexInOrder(static_cast<CCNode*>(child), index);
            }
        }
    }
    if (node != this) {
        static_cast<CCSprite*>(node)->setAtlasIndex(index);
        ++index;
    }
    if (children) {
        for (Object* child : *children) {
            if (static_cast<CCNode*>(child)->zOrder() >= 0) {
                index = rebuildIndexInOrder(static_cast<CCNode*>(child), index);
            }
        }
    }
    return index;
}

// ---------------------------------------------------------------- tile-map layers

bool CCSpriteBatchNode::addQuadFromSprite(CCSprite* sprite, uint32_t index)
{
    if (!sprite) {
        return false;
    }
    // Checked before growing, so an absurd index cannot make the atlas grow
    // without end.
    if (index > textureAtlas_->totalQuads()) {
        logLine("CCSpriteBatchNode: quad index %u is past the %u quads; not added", index,
                textureAtlas_->totalQuads());
        return false;
    }
    while (index >= textureAtlas_->capacity() || textureAtlas_->totalQuads() == textureAtlas_->capacity()) {
        if (!increaseAtlasCapacity()) {
            logLine("CCSpriteBatchNode: the atlas cannot grow; quad not added");
            return false;
        }
    }
    sprite->useBatchNode(this);
    sprite->setAtlasIndex(index);
    textureAtlas_->insertQuad(sprite->quad(), index);
    sprite->setDirty(true);
    sprite->updateTransform();
    return true;
}

bool CCSpriteBatchNode::addSpriteWithoutQuad(CCSprite* sprite, uint32_t atlasIndex, int tag)
{
    if (!sprite) {
        return false;
    }
    if (sprite->parent()) {
        logLine("CCSpriteBatchNode: the sprite already has a parent; not added");
        return false;
    }
    if (atlasIndex >= textureAtlas_->totalQuads()) {
        logLine("CCSpriteBatchNode: no quad at atlas index %u; sprite not added", atlasIndex);
        return false;
    }
    // A child of a batch node is never visited, so it must draw through the atlas.
    if (sprite->batchNode() != this) {
        sprite->useBatchNode(this);
    }
    sprite->setAtlasIndex(atlasIndex);
    uint32_t position = 0;
    while (position < descendants_->count() && spriteAt(descendants_.get(), position)->atlasIndex() < atlasIndex) {
        ++position;
    }
    descendants_->insertObject(sprite, position);
    CCNode::addChild(sprite, static_cast<int>(atlasIndex), tag);
    // The quads are already in place; a re-sort would move them.
    reorderBatch(false);
    return true;
}

// ---------------------------------------------------------------- drawing

void CCSpriteBatchNode::visit()
{
    if (!visible_) {
        return;
    }
    glPushMatrix();
    CCGridProtocol* activeGrid = (grid_ && grid_->active()) ? grid_.get() : nullptr;
    if (activeGrid) {
        activeGrid->beforeDraw();
        transformAncestors();
    }
    sortAllChildren();
    transform();
    draw();
    orderOfArrival_ = 0;
    if (activeGrid) {
        activeGrid->afterDraw(this);
    }
    glPopMatrix();
}

void CCSpriteBatchNode::draw()
{
    CCNode::draw();
    if (textureAtlas_->totalQuads() == 0) {
        return;
    }
    for (Object* sprite : *descendants_) {
        static_cast<CCSprite*>(sprite)->updateTransform();
    }
    const bool newBlend = blendFunc_ != kCCBlendFuncDefault;
    if (newBlend) {
        glBlendFunc(blendFunc_.src, blendFunc_.dst);
    }
    textureAtlas_->drawQuads();
    if (newBlend) {
        glBlendFunc(kCCBlendFuncDefault.src, kCCBlendFuncDefault.dst);
    }
}

std::string CCSpriteBatchNode::description() const
{
    return format("<%s = %s | Tag = %i>", ccClassName(typeid(*this)).c_str(), ccAddressString(this).c_str(),
                  tag_);
}

} // namespace mw
