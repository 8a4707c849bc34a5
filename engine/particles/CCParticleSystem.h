#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/nodes/CCNode.h"
#include "engine/sprites/CCTextureProtocol.h"
#include "engine/textures/ccQuadTypes.h"
#include "foundation/Geometry.h"
#include "foundation/Ref.h"

namespace mw {

class CCParticleBatchNode;
class CCTexture2D;
class Value;

// How particles follow their emitter: free particles stay where they were in
// world space when the emitter moves, relative ones stay in the parent's
// space, grouped ones move with the emitter.
enum tCCPositionType : int {
    kCCPositionTypeFree = 0,
    kCCPositionTypeRelative = 1,
    kCCPositionTypeGrouped = 2,
};

// Gravity mode accelerates particles; radius mode circles them round the origin.
enum : int {
    kCCParticleModeGravity = 0,
    kCCParticleModeRadius = 1,
};

// An end size, scale or radius of this value keeps the start value.
inline constexpr float kCCParticleStartSizeEqualToEndSize = -1;
inline constexpr float kCCParticleStartRadiusEqualToEndRadius = -1;
// A duration of this value emits for ever.
inline constexpr float kCCParticleDurationInfinity = -1;

// Frame animation of particles: loop from the first frame, loop from a random
// frame, play once, or show one random frame still.
enum : int {
    kCCParticleAnimationLoop = 0,
    kCCParticleAnimationRandomLoop = 1,
    kCCParticleAnimationOnce = 2,
    kCCParticleAnimationRandomStill = 3,
};

// One particle. Positions and sizes are in pixels.
struct sCCParticle {
    CGPoint position;       // offset from the emitter's origin
    float z = 0;            // the emitter's vertexZ at the last update
    CGPoint birthPosition;  // the emitter's reference point at birth
    ccColor4F color{};
    ccColor4F deltaColor{};  // per second
    float size = 0;          // pixels; the scale factor when animated
    float deltaSize = 0;
    float rotation = 0;  // degrees
    float deltaRotation = 0;
    float lifeLeft = 0;  // seconds
    uint32_t atlasIndex = 0;  // slot inside the system's range of a batch atlas
    // Gravity mode.
    CGPoint dir;  // pixels per second
    float radialAccel = 0;
    float tangentialAccel = 0;
    // Radius mode.
    float angle = 0;             // radians
    float degreesPerSecond = 0;  // radians per second, despite the name
    float radius = 0;
    float deltaRadius = 0;
    float frameClock = 0;
    float frameEnd = 0;
    uint32_t frameIndex = 0;
};

// One frame of a particle animation: texture coordinates, how long it shows,
// and its size in pixels.
struct ccParticleAnimationFrame {
    ccTex2F bl, br, tl, tr;
    float delay = 0;
    CGSize size;
};

// The emitter node behind every particle effect: a fixed pool of particles,
// emitted at a rate, aged and moved once per frame in gravity or radius mode,
// and handed one by one to a renderer hook. It draws nothing itself; the quad
// and point renderers derive from it. Random spreads draw from the process's
// Random source, in a fixed order, so a seeded source repeats a run.
//
// The pool is allocated once at creation; birth and death allocate nothing.
// Main thread only.
class CCParticleSystem : public CCNode, public CCTextureProtocol {
public:
    CCParticleSystem();
    ~CCParticleSystem() override;

    // A system from a particle property list in the bundle (resolved through
    // the file utilities); null with one log line when it cannot be read.
    [[nodiscard]] static Ref<CCParticleSystem> particleWithFile(const std::string& plistFile);
    // A system with a pool of n particles; null when the pool cannot be made.
    [[nodiscard]] static Ref<CCParticleSystem> particleWithTotalParticles(uint32_t n);

    [[nodiscard]] bool initWithFile(const std::string& plistFile);
    [[nodiscard]] bool initWithDictionary(const Value& dictionary);
    // The designated initialiser: a pool of n particles, active, scheduled
    // every frame at priority 1. False (logged) when the pool cannot be made.
    [[nodiscard]] virtual bool initWithTotalParticles(uint32_t n);
    // The texture a particle property list names ("textureFileName", through
    // the shared texture cache), else its embedded image ("textureImageData":
    // base64 of a gzip or zlib stream of an image file), which then enters
    // the cache under that name. Null when neither gives an image.
    [[nodiscard]] static Ref<CCTexture2D> textureForDictionary(const Value& dictionary);

    // ---- running ----
    void update(float dt) override;
    void updateWithNoTime() { update(0); }
    // Adds one particle; false when the system is full.
    bool addParticle();
    void initParticle(sCCParticle& particle);
    // Stops emitting; live particles finish their lives.
    void stopSystem();
    // Emits again from the start; every live particle dies at the next update.
    void resetSystem();
    bool isFull() const { return particleCount_ == totalParticles_; }
    bool isActive() const { return active_; }
    uint32_t particleCount() const { return particleCount_; }
    // Particles handed to the renderer by the last update pass.
    uint32_t particleIdx() const { return particleIdx_; }
    // The pool (allocatedParticles() records; live ones packed at the front).
    const sCCParticle* particles() const { return particles_.data(); }
    uint32_t allocatedParticles() const { return static_cast<uint32_t>(particles_.size()); }

    // ---- renderer hooks (empty here) ----
    // Writes one live particle's geometry; pos is the drawn position in pixels.
    virtual void updateQuadWithParticle(sCCParticle& particle, CGPoint pos) {}
    // After each update pass when drawing itself.
    virtual void postStep() {}
    // When a batch takes the system.
    virtual void batchNodeInitialization() {}

    // ---- batch binding ----
    // The batch that draws this system (not owned), or null.
    CCParticleBatchNode* batchNode() const { return batchNode_; }
    virtual void useBatchNode(CCParticleBatchNode* batch);
    virtual void useSelfRender() { useBatchNode_ = false; }
    bool usesBatchNode() const { return useBatchNode_; }
    uint32_t atlasIndex() const { return atlasIndex_; }
    void setAtlasIndex(uint32_t index) { atlasIndex_ = index; }

    // ---- properties ----
    float duration() const { return duration_; }
    void setDuration(float d) { duration_ = d; }
    float elapsed() const { return elapsed_; }
    CGPoint sourcePosition() const { return sourcePosition_; }
    void setSourcePosition(CGPoint p) { sourcePosition_ = p; }
    CGPoint posVar() const { return posVar_; }
    void setPosVar(CGPoint p) { posVar_ = p; }
    float life() const { return life_; }
    void setLife(float v) { life_ = v; }
    float lifeVar() const { return lifeVar_; }
    void setLifeVar(float v) { lifeVar_ = v; }
    float angle() const { return angle_; }
    void setAngle(float v) { angle_ = v; }
    float angleVar() const { return angleVar_; }
    void setAngleVar(float v) { angleVar_ = v; }
    ccColor4F startColor() const { return startColor_; }
    void setStartColor(ccColor4F c) { startColor_ = c; }
    ccColor4F startColorVar() const { return startColorVar_; }
    void setStartColorVar(ccColor4F c) { startColorVar_ = c; }
    ccColor4F endColor() const { return endColor_; }
    void setEndColor(ccColor4F c) { endColor_ = c; }
    ccColor4F endColorVar() const { return endColorVar_; }
    void setEndColorVar(ccColor4F c) { endColorVar_ = c; }
    float startSpin() const { return startSpin_; }
    virtual void setStartSpin(float v) { startSpin_ = v; }
    float startSpinVar() const { return startSpinVar_; }
    virtual void setStartSpinVar(float v) { startSpinVar_ = v; }
    float endSpin() const { return endSpin_; }
    virtual void setEndSpin(float v) { endSpin_ = v; }
    float endSpinVar() const { return endSpinVar_; }
    virtual void setEndSpinVar(float v) { endSpinVar_ = v; }
    float emissionRate() const { return emissionRate_; }
    void setEmissionRate(float v) { emissionRate_ = v; }
    uint32_t totalParticles() const { return totalParticles_; }
    // Changes the limit of live particles only; a limit above the pool's
    // size is cut to it (logged), so nothing is ever written past the pool.
    void setTotalParticles(uint32_t n);
    float startSize() const { return startSize_; }
    virtual void setStartSize(float v) { startSize_ = v; }
    float startSizeVar() const { return startSizeVar_; }
    void setStartSizeVar(float v) { startSizeVar_ = v; }
    float endSize() const { return endSize_; }
    virtual void setEndSize(float v) { endSize_ = v; }
    float endSizeVar() const { return endSizeVar_; }
    void setEndSizeVar(float v) { endSizeVar_ = v; }
    float startScale() const { return startScale_; }
    void setStartScale(float v) { startScale_ = v; }
    float startScaleVar() const { return startScaleVar_; }
    void setStartScaleVar(float v) { startScaleVar_ = v; }
    float endScale() const { return endScale_; }
    void setEndScale(float v) { endScale_ = v; }
    float endScaleVar() const { return endScaleVar_; }
    void setEndScaleVar(float v) { endScaleVar_ = v; }
    int positionType() const { return positionType_; }
    void setPositionType(int type) { positionType_ = type; }
    bool autoRemoveOnFinish() const { return autoRemoveOnFinish_; }
    void setAutoRemoveOnFinish(bool on) { autoRemoveOnFinish_ = on; }
    int emitterMode() const { return emitterMode_; }
    void setEmitterMode(int mode) { emitterMode_ = mode; }
    int animationType() const { return animationType_; }
    void setAnimationType(int type) { animationType_ = type; }
    const std::string& textureName() const { return textureName_; }
    void setTextureName(const std::string& name) { textureName_ = name; }

    // The mode block: gravity and radius values share storage (one array of
    // eight floats), so writing one mode's values overwrites the other's,
    // whatever the current mode.
    CGPoint gravity() const { return {modeBlock_[0], modeBlock_[1]}; }
    void setGravity(CGPoint g)
    {
        modeBlock_[0] = g.x;
        modeBlock_[1] = g.y;
    }
    float speed() const { return modeBlock_[2]; }
    void setSpeed(float v) { modeBlock_[2] = v; }
    float speedVar() const { return modeBlock_[3]; }
    void setSpeedVar(float v) { modeBlock_[3] = v; }
    float tangentialAccel() const { return modeBlock_[4]; }
    void setTangentialAccel(float v) { modeBlock_[4] = v; }
    float tangentialAccelVar() const { return modeBlock_[5]; }
    void setTangentialAccelVar(float v) { modeBlock_[5] = v; }
    float radialAccel() const { return modeBlock_[6]; }
    void setRadialAccel(float v) { modeBlock_[6] = v; }
    float radialAccelVar() const { return modeBlock_[7]; }
    void setRadialAccelVar(float v) { modeBlock_[7] = v; }
    float startRadius() const { return modeBlock_[0]; }
    void setStartRadius(float v) { modeBlock_[0] = v; }
    float startRadiusVar() const { return modeBlock_[1]; }
    void setStartRadiusVar(float v) { modeBlock_[1] = v; }
    float endRadius() const { return modeBlock_[2]; }
    void setEndRadius(float v) { modeBlock_[2] = v; }
    float endRadiusVar() const { return modeBlock_[3]; }
    void setEndRadiusVar(float v) { modeBlock_[3] = v; }
    float rotatePerSecond() const { return modeBlock_[4]; }
    void setRotatePerSecond(float v) { modeBlock_[4] = v; }
    float rotatePerSecondVar() const { return modeBlock_[5]; }
    void setRotatePerSecondVar(float v) { modeBlock_[5] = v; }

    // ---- texture and blending ----
    CCTexture2D* texture() const override { return texture_.get(); }
    // Holds the texture; a texture without premultiplied alpha turns the
    // default blend into straight-alpha blending (any other blend stays).
    void setTexture(CCTexture2D* texture) override;
    ccBlendFunc blendFunc() const override { return blendFunc_; }
    void setBlendFunc(ccBlendFunc blend) override { blendFunc_ = blend; }
    bool blendAdditive() const;
    void setBlendAdditive(bool additive);

protected:
    // Moves an animated particle's frame on by dt.
    void advanceFrame(sCCParticle& particle, float dt) const;

    bool active_ = true;
    float duration_ = 0;
    float elapsed_ = 0;
    CGPoint sourcePosition_;
    CGPoint posVar_;
    float angle_ = 0, angleVar_ = 0;
    int emitterMode_ = kCCParticleModeGravity;
    // Gravity: gravity x, y, speed, speedVar, tangentialAccel(Var),
    // radialAccel(Var). Radius: startRadius(Var), endRadius(Var),
    // rotatePerSecond(Var), in the first six slots.
    float modeBlock_[8] = {};
    float startSize_ = 0, startSizeVar_ = 0, endSize_ = 0, endSizeVar_ = 0;
    float startScale_ = 0, startScaleVar_ = 0, endScale_ = 0, endScaleVar_ = 0;
    float life_ = 0, lifeVar_ = 0;
    ccColor4F startColor_{}, startColorVar_{}, endColor_{}, endColorVar_{};
    float startSpin_ = 0, startSpinVar_ = 0, endSpin_ = 0, endSpinVar_ = 0;
    std::vector<sCCParticle> particles_;
    uint32_t totalParticles_ = 0;
    uint32_t particleCount_ = 0;
    float emissionRate_ = 0;
    float emitCounter_ = 0;
    Ref<CCTexture2D> texture_;
    ccBlendFunc blendFunc_ = kCCBlendFuncDefault;
    int positionType_ = kCCPositionTypeFree;
    bool autoRemoveOnFinish_ = false;
    uint32_t particleIdx_ = 0;
    CCParticleBatchNode* batchNode_ = nullptr;
    bool useBatchNode_ = false;
    uint32_t atlasIndex_ = 0;
    bool useAnimation_ = false;
    std::vector<ccParticleAnimationFrame> animationFrames_;
    int animationType_ = kCCParticleAnimationLoop;
    std::string textureName_;
};

} // namespace mw
