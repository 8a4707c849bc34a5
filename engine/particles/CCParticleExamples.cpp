#include "engine/particles/CCParticleExamples.h"

#include <optional>

#include "engine/base/CCWinSize.h"
#include "engine/textures/CCTexture2D.h"
#include "engine/textures/CCTextureCache.h"

namespace mw {

namespace {

// One preset's values; what a preset leaves unset keeps the creation defaults.
struct Preset {
    float duration;
    CGPoint gravity;
    float speed, speedVar;
    float radialAccel, radialAccelVar;
    std::optional<std::pair<float, float>> tangentialAccel = std::nullopt;
    float angle, angleVar;
    CGPoint position;
    std::optional<CGPoint> posVar = std::nullopt;
    float life, lifeVar;
    float startSize, startSizeVar;
    // Particles per second; unset: the count over the life (or the duration).
    std::optional<float> rate = std::nullopt;
    bool rateFromDuration = false;
    ccColor4F startColor, startColorVar, endColor, endColorVar;
    bool additive;
    // The blending was set before any other value and is not set again.
    bool blendSetFirst = false;
};

void apply(CCParticleSystemQuad& system, const Preset& preset, uint32_t count)
{
    system.setDuration(preset.duration);
    system.setEmitterMode(kCCParticleModeGravity);
    system.setGravity(preset.gravity);
    system.setSpeed(preset.speed);
    system.setSpeedVar(preset.speedVar);
    system.setRadialAccel(preset.radialAccel);
    system.setRadialAccelVar(preset.radialAccelVar);
    if (preset.tangentialAccel) {
        system.setTangentialAccel(preset.tangentialAccel->first);
        system.setTangentialAccelVar(preset.tangentialAccel->second);
    }
    system.setAngle(preset.angle);
    system.setAngleVar(preset.angleVar);
    system.setPosition(preset.position);
    if (preset.posVar) system.setPosVar(*preset.posVar);
    system.setLife(preset.life);
    system.setLifeVar(preset.lifeVar);
    system.setStartSize(preset.startSize);
    system.setStartSizeVar(preset.startSizeVar);
    system.setEndSize(kCCParticleStartSizeEqualToEndSize);
    if (preset.rate) {
        system.setEmissionRate(*preset.rate);
    } else {
        const float over = preset.rateFromDuration ? preset.duration : preset.life;
        system.setEmissionRate(static_cast<float>(count) / over);
    }
    system.setStartColor(preset.startColor);
    system.setStartColorVar(preset.startColorVar);
    system.setEndColor(preset.endColor);
    system.setEndColorVar(preset.endColorVar);
    Ref<CCTexture2D> texture = CCTextureCache::sharedTextureCache()->addImage("fire.png");
    system.setTexture(texture.get());
    if (!preset.blendSetFirst) system.setBlendAdditive(preset.additive);
}

constexpr ccColor4F kNone{0, 0, 0, 0};
constexpr ccColor4F kBlackOpaque{0, 0, 0, 1};

} // namespace

bool CCParticleFireworks::initWithTotalParticles(uint32_t n)
{
    if (!CCParticleSystemQuad::initWithTotalParticles(n)) return false;
    const CGSize w = ccWinSize();
    apply(*this,
          {.duration = -1, .gravity = {0, -90}, .speed = 180, .speedVar = 50, .radialAccel = 0, .radialAccelVar = 0,
           .angle = 90, .angleVar = 20, .position = {w.width / 2, w.height / 2}, .life = 3.5f, .lifeVar = 1,
           .startSize = 8, .startSizeVar = 2, .startColor = {0.5f, 0.5f, 0.5f, 1},
           .startColorVar = {0.5f, 0.5f, 0.5f, 0.1f}, .endColor = {0.1f, 0.1f, 0.1f, 0.2f},
           .endColorVar = {0.1f, 0.1f, 0.1f, 0.2f}, .additive = false},
          n);
    return true;
}

bool CCParticleFire::initWithTotalParticles(uint32_t n)
{
    if (!CCParticleSystemQuad::initWithTotalParticles(n)) return false;
    const CGSize w = ccWinSize();
    apply(*this,
          {.duration = -1, .gravity = {0, 0}, .speed = 60, .speedVar = 20, .radialAccel = 0, .radialAccelVar = 0,
           .angle = 90, .angleVar = 10, .position = {w.width / 2, 60}, .posVar = CGPoint{40, 20}, .life = 3,
           .lifeVar = 0.25f, .startSize = 54, .startSizeVar = 10, .startColor = {0.76f, 0.25f, 0.12f, 1},
           .startColorVar = kNone, .endColor = kBlackOpaque, .endColorVar = kNone, .additive = true},
          n);
    return true;
}

bool CCParticleSun::initWithTotalParticles(uint32_t n)
{
    if (!CCParticleSystemQuad::initWithTotalParticles(n)) return false;
    // The sun sets its blending first, before any other value, and not again.
    setBlendAdditive(true);
    const CGSize w = ccWinSize();
    apply(*this,
          {.duration = -1, .gravity = {0, 0}, .speed = 20, .speedVar = 5, .radialAccel = 0, .radialAccelVar = 0,
           .angle = 90, .angleVar = 360, .position = {w.width / 2, w.height / 2}, .posVar = CGPoint{0, 0},
           .life = 1, .lifeVar = 0.5f, .startSize = 30, .startSizeVar = 10,
           .startColor = {0.76f, 0.25f, 0.12f, 1}, .startColorVar = kNone, .endColor = kBlackOpaque,
           .endColorVar = kNone, .additive = true, .blendSetFirst = true},
          n);
    return true;
}

bool CCParticleGalaxy::initWithTotalParticles(uint32_t n)
{
    if (!CCParticleSystemQuad::initWithTotalParticles(n)) return false;
    const CGSize w = ccWinSize();
    apply(*this,
          {.duration = -1, .gravity = {0, 0}, .speed = 60, .speedVar = 10, .radialAccel = -80, .radialAccelVar = 0,
           .tangentialAccel = std::pair{80.f, 0.f}, .angle = 90, .angleVar = 360,
           .position = {w.width / 2, w.height / 2}, .posVar = CGPoint{0, 0}, .life = 4, .lifeVar = 1,
           .startSize = 37, .startSizeVar = 10, .startColor = {0.12f, 0.25f, 0.76f, 1}, .startColorVar = kNone,
           .endColor = kBlackOpaque, .endColorVar = kNone, .additive = true},
          n);
    return true;
}

bool CCParticleFlower::initWithTotalParticles(uint32_t n)
{
    if (!CCParticleSystemQuad::initWithTotalParticles(n)) return false;
    const CGSize w = ccWinSize();
    apply(*this,
          {.duration = -1, .gravity = {0, 0}, .speed = 80, .speedVar = 10, .radialAccel = -60, .radialAccelVar = 0,
           .tangentialAccel = std::pair{15.f, 0.f}, .angle = 90, .angleVar = 360,
           .position = {w.width / 2, w.height / 2}, .posVar = CGPoint{0, 0}, .life = 4, .lifeVar = 1,
           .startSize = 30, .startSizeVar = 10, .startColor = {0.5f, 0.5f, 0.5f, 1},
           .startColorVar = {0.5f, 0.5f, 0.5f, 0.5f}, .endColor = kBlackOpaque, .endColorVar = kNone,
           .additive = true},
          n);
    return true;
}

bool CCParticleMeteor::initWithTotalParticles(uint32_t n)
{
    if (!CCParticleSystemQuad::initWithTotalParticles(n)) return false;
    const CGSize w = ccWinSize();
    apply(*this,
          {.duration = -1, .gravity = {-200, 200}, .speed = 15, .speedVar = 5, .radialAccel = 0,
           .radialAccelVar = 0, .tangentialAccel = std::pair{0.f, 0.f}, .angle = 90, .angleVar = 360,
           .position = {w.width / 2, w.height / 2}, .posVar = CGPoint{0, 0}, .life = 2, .lifeVar = 1,
           .startSize = 60, .startSizeVar = 10, .startColor = {0.2f, 0.4f, 0.7f, 1},
           .startColorVar = {0, 0, 0.2f, 0.1f}, .endColor = kBlackOpaque, .endColorVar = kNone, .additive = true},
          n);
    return true;
}

bool CCParticleSpiral::initWithTotalParticles(uint32_t n)
{
    if (!CCParticleSystemQuad::initWithTotalParticles(n)) return false;
    const CGSize w = ccWinSize();
    apply(*this,
          {.duration = -1, .gravity = {0, 0}, .speed = 150, .speedVar = 0, .radialAccel = -380, .radialAccelVar = 0,
           .tangentialAccel = std::pair{45.f, 0.f}, .angle = 90, .angleVar = 0,
           .position = {w.width / 2, w.height / 2}, .posVar = CGPoint{0, 0}, .life = 12, .lifeVar = 0,
           .startSize = 20, .startSizeVar = 0, .startColor = {0.5f, 0.5f, 0.5f, 1},
           .startColorVar = {0.5f, 0.5f, 0.5f, 0}, .endColor = {0.5f, 0.5f, 0.5f, 1},
           .endColorVar = {0.5f, 0.5f, 0.5f, 0}, .additive = false},
          n);
    return true;
}

bool CCParticleExplosion::initWithTotalParticles(uint32_t n)
{
    if (!CCParticleSystemQuad::initWithTotalParticles(n)) return false;
    const CGSize w = ccWinSize();
    apply(*this,
          {.duration = 0.1f, .gravity = {0, 0}, .speed = 70, .speedVar = 40, .radialAccel = 0, .radialAccelVar = 0,
           .tangentialAccel = std::pair{0.f, 0.f}, .angle = 90, .angleVar = 360,
           .position = {w.width / 2, w.height / 2}, .posVar = CGPoint{0, 0}, .life = 5, .lifeVar = 2,
           .startSize = 15, .startSizeVar = 10, .rateFromDuration = true, .startColor = {0.7f, 0.1f, 0.2f, 1},
           .startColorVar = {0.5f, 0.5f, 0.5f, 0}, .endColor = {0.5f, 0.5f, 0.5f, 0},
           .endColorVar = {0.5f, 0.5f, 0.5f, 0}, .additive = false},
          n);
    return true;
}

bool CCParticleSmoke::initWithTotalParticles(uint32_t n)
{
    if (!CCParticleSystemQuad::initWithTotalParticles(n)) return false;
    const CGSize w = ccWinSize();
    apply(*this,
          {.duration = -1, .gravity = {0, 0}, .speed = 25, .speedVar = 10, .radialAccel = 0, .radialAccelVar = 0,
           .angle = 90, .angleVar = 5, .position = {w.width / 2, 0}, .posVar = CGPoint{20, 0}, .life = 4,
           .lifeVar = 1, .startSize = 60, .startSizeVar = 10, .startColor = {0.8f, 0.8f, 0.8f, 1},
           .startColorVar = {0.02f, 0.02f, 0.02f, 0}, .endColor = kBlackOpaque, .endColorVar = kNone,
           .additive = false},
          n);
    return true;
}

bool CCParticleSnow::initWithTotalParticles(uint32_t n)
{
    if (!CCParticleSystemQuad::initWithTotalParticles(n)) return false;
    const CGSize w = ccWinSize();
    apply(*this,
          {.duration = -1, .gravity = {0, -1}, .speed = 5, .speedVar = 1, .radialAccel = 0, .radialAccelVar = 1,
           .tangentialAccel = std::pair{0.f, 1.f}, .angle = -90, .angleVar = 5,
           .position = {w.width / 2, w.height + 10}, .posVar = CGPoint{w.width / 2, 0}, .life = 45,
           .lifeVar = 15, .startSize = 10, .startSizeVar = 5, .rate = 10.f, .startColor = {1, 1, 1, 1},
           .startColorVar = kNone, .endColor = {1, 1, 1, 0}, .endColorVar = kNone, .additive = false},
          n);
    return true;
}

bool CCParticleRain::initWithTotalParticles(uint32_t n)
{
    if (!CCParticleSystemQuad::initWithTotalParticles(n)) return false;
    const CGSize w = ccWinSize();
    apply(*this,
          {.duration = -1, .gravity = {10, -10}, .speed = 130, .speedVar = 30, .radialAccel = 0,
           .radialAccelVar = 1, .tangentialAccel = std::pair{0.f, 1.f}, .angle = -90, .angleVar = 5,
           .position = {w.width / 2, w.height}, .posVar = CGPoint{w.width / 2, 0}, .life = 4.5f, .lifeVar = 0,
           .startSize = 4, .startSizeVar = 2, .rate = 20.f, .startColor = {0.7f, 0.8f, 1, 1},
           .startColorVar = kNone, .endColor = {0.7f, 0.8f, 1, 0.5f}, .endColorVar = kNone, .additive = false},
          n);
    return true;
}

} // namespace mw
