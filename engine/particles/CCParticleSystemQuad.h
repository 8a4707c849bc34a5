#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/particles/CCParticleSystem.h"
#include "engine/textures/ccQuadTypes.h"

namespace mw {

class CCAnimation;
class CCSpriteFrame;

// A particle system that draws one textured quad per live particle: into its
// own vertex buffer (one upload and one draw call per frame, covering only
// the live particles), or, while a particle batch node holds it, straight
// into its range of the batch's atlas. Particles can show a sprite-frame
// animation. Needs a current GL context from creation to destruction.
class CCParticleSystemQuad : public CCParticleSystem {
public:
    CCParticleSystemQuad();
    ~CCParticleSystemQuad() override;

    // From a particle property list; with a batch the list's texture is not
    // loaded (the batch's is used) and rect (points) picks the part of it.
    [[nodiscard]] static Ref<CCParticleSystemQuad> particleWithFile(const std::string& plistFile);
    [[nodiscard]] static Ref<CCParticleSystemQuad> particleWithFile(const std::string& plistFile,
                                                                    CCParticleBatchNode* batch, CGRect rect);
    [[nodiscard]] static Ref<CCParticleSystemQuad> particleWithTotalParticles(uint32_t n);

    [[nodiscard]] bool initWithFile(const std::string& plistFile, CCParticleBatchNode* batch, CGRect rect);
    // With the batch and rect given to the file initialiser, else self-rendering.
    [[nodiscard]] bool initWithTotalParticles(uint32_t n) override;
    [[nodiscard]] bool initWithTotalParticles(uint32_t n, CCParticleBatchNode* batch, CGRect rect);

    // ---- texture ----
    // The whole texture.
    void setTexture(CCTexture2D* texture) override;
    // rect in points; the texture coordinates are rewritten even when the
    // texture is the current one.
    void setTexture(CCTexture2D* texture, CGRect rect);
    // Nothing when the frame is of the current texture.
    void setDisplayFrame(CCSpriteFrame* frame);
    void initTexCoordsWithRect(CGRect rect);
    CGRect textureRect() const { return textureRect_; }

    // ---- animation ----
    // Every particle shows the animation's frames; anchor places a frame on
    // the particle. An animation without frames turns animation off.
    void setAnimation(CCAnimation* animation, CGPoint anchor);
    void setAnimation(CCAnimation* animation) { setAnimation(animation, {0.5f, 0.5f}); }
    CCAnimation* animation() const { return animation_.get(); }

    // Own quads (empty while drawn by a batch).
    const std::vector<ccV3F_C4B_T2F_Quad>& quads() const { return quads_; }

    // ---- hooks ----
    void useBatchNode(CCParticleBatchNode* batch) override;
    void useSelfRender() override;
    void batchNodeInitialization() override;
    void updateQuadWithParticle(sCCParticle& particle, CGPoint pos) override;
    void postStep() override;
    void draw() override;

protected:
    [[nodiscard]] bool initializeParticleSystemWithBatchNode(CCParticleBatchNode* batch, CGRect rect);
    void initIndices();
    void releaseOwnBuffers();
    // The quad a particle writes: in the batch atlas or the own array.
    ccV3F_C4B_T2F_Quad* targetQuad(const sCCParticle& particle);

    std::vector<ccV3F_C4B_T2F_Quad> quads_;
    std::vector<uint16_t> indices_;
    CGRect textureRect_;
    uint32_t quadsID_ = 0;
    CGPoint particleAnchorPoint_{0.5f, 0.5f};
    Ref<CCAnimation> animation_;
    // The batch and rect the file initialiser hands to initWithTotalParticles.
    CCParticleBatchNode* pendingBatch_ = nullptr;
    CGRect pendingRect_;
};

} // namespace mw
