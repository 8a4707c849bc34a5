#pragma once

#include <cstdint>
#include <string>

#include "engine/nodes/CCNode.h"
#include "engine/sprites/CCTextureProtocol.h"

namespace mw {

class CCSprite;
class CCTexture2D;
class CCTextureAtlas;

// Draws any number of sprites that share one texture with a single draw
// call. It owns a texture atlas with one quad per sprite of its subtree and a
// flat list of those sprites (descendants) in atlas order, which it keeps
// equal to the tree's drawing order: a sprite's children of negative z
// before it, the others after it, siblings by z-order and then by arrival.
//
// Only sprites can be added, at any depth; the children are never visited
// one by one, the atlas draws them. A batch node whose atlas reached the
// atlas's largest capacity refuses further sprites (one log line). When the
// batch node goes away its sprites return to drawing themselves.
class CCSpriteBatchNode : public CCNode, public CCTextureProtocol {
public:
    using CCNode::addChild;

    static constexpr uint32_t kDefaultCapacity = 29;

    // Null (one log line) when the texture is null or the file cannot be loaded.
    static Ref<CCSpriteBatchNode> batchNodeWithTexture(CCTexture2D* texture,
                                                       uint32_t capacity = kDefaultCapacity);
    static Ref<CCSpriteBatchNode> batchNodeWithFile(const std::string& file,
                                                    uint32_t capacity = kDefaultCapacity);

    CCSpriteBatchNode() = default;
    ~CCSpriteBatchNode() override;

    // Call once on a fresh node; false without a texture or an atlas.
    [[nodiscard]] bool initWithTexture(CCTexture2D* texture, uint32_t capacity);
    [[nodiscard]] bool initWithFile(const std::string& file, uint32_t capacity);

    CCTextureAtlas* textureAtlas() const { return textureAtlas_.get(); }
    // Also points every batched sprite at the new atlas.
    void setTextureAtlas(CCTextureAtlas* atlas);
    // Every sprite of the subtree in atlas order (sprite i has atlas index i).
    CCArray* descendants() const { return descendants_.get(); }

    CCTexture2D* texture() const override;
    void setTexture(CCTexture2D* texture) override;
    ccBlendFunc blendFunc() const override { return blendFunc_; }
    void setBlendFunc(ccBlendFunc blendFunc) override { blendFunc_ = blendFunc; }

    // ---- children (sprites only; anything else is refused with a log line) ----
    void addChild(CCNode* child, int z, int tag) override;
    void reorderChild(CCNode* child, int z) override;
    void removeChild(CCNode* child, bool cleanup) override;
    void removeChildAtIndex(uint32_t index, bool cleanup);
    // Every former sprite returns to self-render mode; the atlas is emptied.
    void removeAllChildrenWithCleanup(bool cleanup) override;
    // Sorts the children and re-indexes the atlas when the order changed.
    void sortAllChildren() override;
    // Sets or clears the flag that makes the next visit re-sort.
    void reorderBatch(bool reorder) { isReorderChildDirty_ = reorder; }

    // ---- atlas upkeep (called by batched sprites) ----
    // Whether the atlas can take `sprites` more quads.
    bool canHold(uint32_t sprites) const;
    // Whether the subtree (the node included) is made only of sprites and
    // fits into the atlas; false with one log line when not. Anything else
    // in a batched subtree would be written into the atlas as a sprite.
    bool canAppend(CCNode* subtree) const;
    // Puts the sprite and its subtree at the end of the atlas (batch mode,
    // dirty); the next sort moves them to their places.
    void appendChild(CCSprite* sprite);
    // Removes the sprite's quad and its subtree's and returns them to
    // self-render mode; later indices close the gap.
    void removeSpriteFromAtlas(CCSprite* sprite);
    // Grows the capacity to (capacity + 1) x 4 / 3; false when it cannot.
    bool increaseAtlasCapacity();

    // ---- placing a sprite at a computed index ----
    // Puts the sprite (batch mode, dirty) and its quad at `index`, 0 to the
    // descendant count, shifting later descendants up by one; its children
    // follow at the places their z-orders give them. The sprite does not
    // become a node child. An index past the end, or a subtree holding
    // anything but sprites, is refused (one log line).
    void insertChild(CCSprite* sprite, uint32_t index);
    // Where a sprite of the subtree belongs in the atlas, judged from its
    // previous sibling (or its parent sprite) and the given z-order.
    uint32_t atlasIndexForChild(CCSprite* sprite, int z) const;
    uint32_t highestAtlasIndexInChild(CCSprite* sprite) const;
    uint32_t lowestAtlasIndexInChild(CCSprite* sprite) const;
    // Gives node's subtree consecutive indices from `index` in drawing order;
    // returns the next free index.
    uint32_t rebuildIndexInOrder(CCNode* node, uint32_t index);

    // ---- tile-map layers: the atlas holds quads that are not children ----
    // Inserts the sprite's quad at `index` (0 to the quad count, later quads
    // move up) without making the sprite a child or a descendant; the sprite
    // is switched to batch mode, takes that atlas index and writes its quad
    // in this node's space. A tile layer reuses one sprite for many quads.
    // False (one log line) for an index past the end or a full atlas that
    // cannot grow.
    bool addQuadFromSprite(CCSprite* sprite, uint32_t index);
    // Makes the sprite a child (z-order `atlasIndex`, the tag) standing for
    // the quad already at `atlasIndex`, and a descendant kept in atlas-index
    // order; no quad is written and no re-sort is asked for. False (one log
    // line) for a sprite that already has a parent or an index with no quad.
    bool addSpriteWithoutQuad(CCSprite* sprite, uint32_t atlasIndex, int tag);

    void visit() override;
    // Updates the dirty sprites' quads, then draws the whole atlas.
    void draw() override;

    // "<CCSpriteBatchNode = ADDRESS | Tag = T>"
    std::string description() const override;

private:
    void updateBlendFunc();
    void insertSubtree(CCSprite* sprite, uint32_t index);
    void updateAtlasIndex(CCSprite* sprite, uint32_t* currentIndex);
    void placeSprite(CCSprite* sprite, uint32_t* currentIndex);
    // False (one log line), nothing moved, when an index is out of range.
    bool swap(uint32_t oldIndex, uint32_t newIndex);

    Ref<CCTextureAtlas> textureAtlas_;
    ccBlendFunc blendFunc_ = kCCBlendFuncDefault;
    Ref<CCArray> descendants_;
};

} // namespace mw
