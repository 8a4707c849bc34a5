#pragma once

#include <cstdint>

#include "engine/particles/CCParticleSystemQuad.h"

namespace mw {

// The ready-made effects: quad particle systems that only set parameters, in
// gravity mode, with the texture "fire.png" of the shared texture cache and
// particles that keep their start size. Positions come from the window size
// at creation. Made with another count than the default, a preset keeps its
// life (the explosion its duration) and changes its rate; snow and rain keep
// fixed rates. Each init() uses the default count.
#define MW_PARTICLE_PRESET(NAME, COUNT)                                                       \
    class NAME : public CCParticleSystemQuad {                                                \
    public:                                                                                   \
        static constexpr uint32_t kDefaultCount = COUNT;                                      \
        [[nodiscard]] static Ref<NAME> node() { return withTotalParticles(kDefaultCount); }   \
        [[nodiscard]] static Ref<NAME> withTotalParticles(uint32_t n)                         \
        {                                                                                     \
            auto system = makeRef<NAME>();                                                    \
            return system->initWithTotalParticles(n) ? system : nullptr;                      \
        }                                                                                     \
        [[nodiscard]] bool init() { return initWithTotalParticles(kDefaultCount); }           \
        [[nodiscard]] bool initWithTotalParticles(uint32_t n) override;                       \
    }

MW_PARTICLE_PRESET(CCParticleFireworks, 1500);
MW_PARTICLE_PRESET(CCParticleFire, 250);
MW_PARTICLE_PRESET(CCParticleSun, 350);
MW_PARTICLE_PRESET(CCParticleGalaxy, 200);
MW_PARTICLE_PRESET(CCParticleFlower, 250);
MW_PARTICLE_PRESET(CCParticleMeteor, 150);
MW_PARTICLE_PRESET(CCParticleSpiral, 500);
MW_PARTICLE_PRESET(CCParticleExplosion, 700);
MW_PARTICLE_PRESET(CCParticleSmoke, 200);
MW_PARTICLE_PRESET(CCParticleSnow, 700);
MW_PARTICLE_PRESET(CCParticleRain, 1000);

#undef MW_PARTICLE_PRESET

} // namespace mw
