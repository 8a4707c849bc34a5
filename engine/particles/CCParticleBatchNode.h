#pragma once

#include <cstdint>
#include <string>

#include "engine/nodes/CCNode.h"
#include "engine/sprites/CCTextureProtocol.h"
#include "foundation/Ref.h"

namespace mw {

class CCParticleSystem;
class CCTextureAtlas;
class CCTexture2D;

// Draws many quad particle systems that share one texture with a single atlas
// draw. Each child owns a contiguous run of the atlas (its atlasIndex to
// atlasIndex + totalParticles - 1), in child order without gaps, and writes
// its particles' quads straight into it; a dying particle's quad is flattened
// to nothing rather than moved. The batch never visits its children: it only
// draws the atlas.
//
// Children must be quad particle systems; anything else is refused with a
// log line, as is any child given to a batch made without quads (it has no
// atlas to write into). Needs a current GL context. Main thread only.
class CCParticleBatchNode : public CCNode, public CCTextureProtocol {
public:
    static constexpr uint32_t kDefaultCapacity = 500;

    CCParticleBatchNode();
    ~CCParticleBatchNode() override;

    // The image through the shared texture cache; null (logged) when it
    // cannot be loaded.
    [[nodiscard]] static Ref<CCParticleBatchNode> particleBatchNodeWithFile(const std::string& image);
    [[nodiscard]] static Ref<CCParticleBatchNode> particleBatchNodeWithFile(const std::string& image,
                                                                            uint32_t capacity, bool useQuad,
                                                                            bool additiveBlending);
    // Always with quads, whatever useQuad says.
    [[nodiscard]] static Ref<CCParticleBatchNode> particleBatchNodeWithTexture(CCTexture2D* texture,
                                                                               uint32_t capacity, bool useQuad,
                                                                               bool additiveBlending);
    [[nodiscard]] static Ref<CCParticleBatchNode> particleBatchNodeWithTexture(CCTexture2D* texture);
    // Puts the texture a particle property list names (or embeds) into the
    // shared texture cache under its name; whether a texture is there now.
    [[nodiscard]] static bool extractTextureFromPlist(const std::string& plistFile);

    [[nodiscard]] bool initWithFile(const std::string& image, uint32_t capacity, bool useQuad,
                                    bool additiveBlending);
    [[nodiscard]] bool initWithTexture(CCTexture2D* texture, uint32_t capacity, bool useQuad,
                                       bool additiveBlending);

    // The atlas (null for a batch made without quads); the batch holds it.
    CCTextureAtlas* textureAtlas() const { return textureAtlas_.get(); }
    void setTextureAtlas(CCTextureAtlas* atlas);

    CCTexture2D* texture() const override;
    void setTexture(CCTexture2D* texture) override;
    ccBlendFunc blendFunc() const override { return blendFunc_; }
    void setBlendFunc(ccBlendFunc blend) override { blendFunc_ = blend; }
    void updateBlendFunc();
    void switchBlendingBetweenMultipliedAndPreMultiplied();
    void normalBlending();
    void additiveBlending();

    // ---- children: particle systems only ----
    using CCNode::addChild;
    // Inserts the system before the first child of a greater z (after all
    // children of its own z), moving the following ranges up and growing the
    // atlas to exactly what is needed.
    void addChild(CCNode* child, int z, int tag) override;
    // With cleanup the system's quads just leave; without, it draws itself
    // again and may join another batch.
    void removeChild(CCNode* child, bool cleanup) override;
    void removeChildAtIndex(uint32_t index, bool cleanup);
    // Every child draws itself again first, whatever the flag.
    void removeAllChildrenWithCleanup(bool cleanup) override;
    void reorderChild(CCNode* child, int z) override;
    // The batch keeps its children in draw order itself.
    void sortAllChildren() override {}

    // Flattens the atlas quad at index to nothing (the particle died).
    void disableParticle(uint32_t index);
    // The child position a new child of z takes.
    uint32_t searchNewPositionInChildrenForZ(int z) const;

    void visit() override;
    void draw() override;

private:
    uint32_t addChildHelper(CCParticleSystem* child, int z, int tag);
    void insertChild(CCParticleSystem* system, uint32_t index);
    void removeChildFromAtlas(CCParticleSystem* system, bool cleanup);
    void moveSystem(CCParticleSystem* system, uint32_t newIndex);
    void updateAllAtlasIndexes();
    [[nodiscard]] bool increaseAtlasCapacityTo(uint32_t quantity);

    Ref<CCTextureAtlas> textureAtlas_;
    ccBlendFunc blendFunc_ = kCCBlendFuncDefault;
    bool useQuad_ = true;
    bool reorderDirty_ = false;
};

} // namespace mw
