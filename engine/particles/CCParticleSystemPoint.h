#pragma once

#include <cstdint>
#include <vector>

#include "engine/particles/CCParticleSystem.h"

namespace mw {

// One point sprite: position in pixels, colour, size in pixels (16 bytes).
struct ccPointSprite {
    ccVertex2F pos;
    ccColor4B color;
    float size = 0;
};
static_assert(sizeof(ccPointSprite) == 16, "point sprites are uploaded as 16-byte records");

// A particle system that draws one point sprite per live particle with the
// point-sprite extension: no batch, no rotation, no animation. Needs a
// current GL context from creation to destruction.
class CCParticleSystemPoint : public CCParticleSystem {
public:
    CCParticleSystemPoint() = default;
    ~CCParticleSystemPoint() override;

    [[nodiscard]] static Ref<CCParticleSystemPoint> particleWithFile(const std::string& plistFile);
    [[nodiscard]] static Ref<CCParticleSystemPoint> particleWithTotalParticles(uint32_t n);

    [[nodiscard]] bool initWithTotalParticles(uint32_t n) override;

    // Records written by the last update pass (particleIdx() of them count).
    const std::vector<ccPointSprite>& vertices() const { return vertices_; }

    void updateQuadWithParticle(sCCParticle& particle, CGPoint pos) override;
    void postStep() override;
    void draw() override;

private:
    std::vector<ccPointSprite> vertices_;
    uint32_t verticesID_ = 0;
};

} // namespace mw
