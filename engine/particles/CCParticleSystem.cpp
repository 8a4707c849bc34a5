#include "engine/particles/CCParticleSystem.h"

#include "engine/base/CCPropertyRegistry.h"
#include "engine/particles/CCParticleBatchNode.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "engine/base/CGPointExtension.h"
#include "engine/base/ccContentScale.h"
#include "engine/support/CCFileUtils.h"
#include "engine/support/ZipUtils.h"
#include "engine/support/base64.h"
#include "engine/textures/CCTexture2D.h"
#include "engine/textures/CCTextureCache.h"
#include "foundation/Log.h"
#include "foundation/PropertyList.h"
#include "foundation/Random.h"
#include "foundation/Value.h"
#include "platform/Image.h"

namespace mw {

namespace {

// Scene files name this class; it registers itself for the reader.
[[maybe_unused]] const bool classRegistered = [] {
    CCPropertyRegistry::shared().registerClass<CCParticleSystem>("CCParticleSystem");
    return true;
}();

} // namespace

namespace {

constexpr float kDegreesToRadians = 0.017453292f;

// b ± v with a fresh draw in [-1, 1).
inline float spread(float base, float variance) { return base + variance * Random::randomMinus1To1(); }

inline float clamp01(float value) { return clampf(value, 0, 1); }

ccColor4F spreadColor(ccColor4F base, ccColor4F variance)
{
    ccColor4F colour;
    colour.r = clamp01(spread(base.r, variance.r));
    colour.g = clamp01(spread(base.g, variance.g));
    colour.b = clamp01(spread(base.b, variance.b));
    colour.a = clamp01(spread(base.a, variance.a));
    return colour;
}

ccColor4F readColor(const Value& dict, const char* prefix)
{
    const std::string p(prefix);
    return {dict[p + "Red"].asFloat(), dict[p + "Green"].asFloat(), dict[p + "Blue"].asFloat(),
            dict[p + "Alpha"].asFloat()};
}

} // namespace

CCParticleSystem::CCParticleSystem() = default;
CCParticleSystem::~CCParticleSystem() = default;

Ref<CCParticleSystem> CCParticleSystem::particleWithFile(const std::string& plistFile)
{
    auto system = makeRef<CCParticleSystem>();
    return system->initWithFile(plistFile) ? system : nullptr;
}

Ref<CCParticleSystem> CCParticleSystem::particleWithTotalParticles(uint32_t n)
{
    auto system = makeRef<CCParticleSystem>();
    return system->initWithTotalParticles(n) ? system : nullptr;
}

bool CCParticleSystem::initWithFile(const std::string& plistFile)
{
    const std::string path = CCFileUtils::fullPathFromRelativePath(plistFile);
    std::string error;
    std::optional<Value> dictionary = readPropertyListFile(path, &error);
    if (!dictionary || !dictionary->isDict()) {
        logLine("Particle system: cannot read %s%s%s", plistFile.c_str(), error.empty() ? "" : ": ",
                error.c_str());
        return false;
    }
    return initWithDictionary(*dictionary);
}

bool CCParticleSystem::initWithTotalParticles(uint32_t n)
{
    try {
        particles_.assign(n, sCCParticle{});
    } catch (const std::bad_alloc&) {
        logLine("Particle system: not enough memory");
        return false;
    } catch (const std::length_error&) {
        logLine("Particle system: not enough memory");
        return false;
    }
    totalParticles_ = n;
    if (batchNode_) {
        for (uint32_t i = 0; i < n; ++i) particles_[i].atlasIndex = i;
    }
    active_ = true;
    blendFunc_ = kCCBlendFuncDefault;
    positionType_ = kCCPositionTypeFree;
    emitterMode_ = kCCParticleModeGravity;
    autoRemoveOnFinish_ = false;
    useAnimation_ = false;
    animationFrames_.clear();
    animationType_ = kCCParticleAnimationLoop;
    scheduleUpdateWithPriority(1);
    return true;
}

bool CCParticleSystem::initWithDictionary(const Value& dict)
{
    if (!initWithTotalParticles(static_cast<uint32_t>(std::max(0, dict["maxParticles"].asInt())))) {
        return false;
    }
    angle_ = dict["angle"].asFloat();
    angleVar_ = dict["angleVariance"].asFloat();
    duration_ = dict["duration"].asFloat();
    blendFunc_.src = static_cast<uint32_t>(dict["blendFuncSource"].asInt());
    blendFunc_.dst = static_cast<uint32_t>(dict["blendFuncDestination"].asInt());
    startColor_ = readColor(dict, "startColor");
    startColorVar_ = readColor(dict, "startColorVariance");
    endColor_ = readColor(dict, "finishColor");
    endColorVar_ = readColor(dict, "finishColorVariance");
    startSize_ = dict["startParticleSize"].asFloat();
    startSizeVar_ = dict["startParticleSizeVariance"].asFloat();
    endSize_ = dict["finishParticleSize"].asFloat();
    endSizeVar_ = dict["finishParticleSizeVariance"].asFloat();
    setPosition({dict["sourcePositionx"].asFloat(), dict["sourcePositiony"].asFloat()});
    posVar_ = {dict["sourcePositionVariancex"].asFloat(), dict["sourcePositionVariancey"].asFloat()};
    startSpin_ = dict["rotationStart"].asFloat();
    startSpinVar_ = dict["rotationStartVariance"].asFloat();
    endSpin_ = dict["rotationEnd"].asFloat();
    endSpinVar_ = dict["rotationEndVariance"].asFloat();
    if (dict.contains("version") && dict["version"].asInt() == 2) {
        startScale_ = dict["startScale"].asFloat();
        startScaleVar_ = dict["startScaleVar"].asFloat();
        endScale_ = dict["endScale"].asFloat();
        endScaleVar_ = dict["endScaleVar"].asFloat();
    }
    emitterMode_ = dict["emitterType"].asInt();
    if (emitterMode_ == kCCParticleModeGravity) {
        setGravity({dict["gravityx"].asFloat(), dict["gravityy"].asFloat()});
        setSpeed(dict["speed"].asFloat());
        setSpeedVar(dict["speedVariance"].asFloat());
        setRadialAccel(dict["radialAcceleration"].asFloat());
        setRadialAccelVar(dict["radialAccelVariance"].asFloat());
        setTangentialAccel(dict["tangentialAcceleration"].asFloat());
        setTangentialAccelVar(dict["tangentialAccelVariance"].asFloat());
    } else if (emitterMode_ == kCCParticleModeRadius) {
        setStartRadius(dict["maxRadius"].asFloat());
        setStartRadiusVar(dict["maxRadiusVariance"].asFloat());
        setEndRadius(dict["minRadius"].asFloat());
        setEndRadiusVar(0);
        setRotatePerSecond(dict["rotatePerSecond"].asFloat());
        setRotatePerSecondVar(dict["rotatePerSecondVariance"].asFloat());
    }
    life_ = dict["particleLifespan"].asFloat();
    lifeVar_ = dict["particleLifespanVariance"].asFloat();
    // A missing life gives an unbounded rate: the pool fills at once.
    emissionRate_ = static_cast<float>(totalParticles_) / life_;
    if (!batchNode_) {
        textureName_ = dict["textureFileName"].asString();
        if (Ref<CCTexture2D> texture = textureForDictionary(dict)) setTexture(texture.get());
    }
    return true;
}

Ref<CCTexture2D> CCParticleSystem::textureForDictionary(const Value& dict)
{
    const std::string name = dict["textureFileName"].asString();
    CCTextureCache* cache = CCTextureCache::sharedTextureCache();
    if (!name.empty()) {
        if (Ref<CCTexture2D> texture = cache->addImage(name)) return texture;
    }
    const std::string encoded = dict["textureImageData"].asString();
    if (encoded.empty()) return nullptr;
    std::vector<unsigned char> compressed;
    std::vector<unsigned char> bytes;
    if (!base64Decode(reinterpret_cast<const unsigned char*>(encoded.data()), encoded.size(), compressed) ||
        !ccInflateMemory(compressed.data(), compressed.size(), bytes)) {
        logLine("Particle system: the embedded image of \"%s\" cannot be unpacked", name.c_str());
        return nullptr;
    }
    Ref<Image> image = Image::decode(bytes.data(), bytes.size(), name);
    if (!image) return nullptr;
    return cache->addCGImage(image.get(), name);
}

void CCParticleSystem::setTotalParticles(uint32_t n)
{
    const uint32_t pool = allocatedParticles();
    if (n > pool) {
        logLine("Particle system: a limit of %u particles is above the pool of %u; cut to the pool", n, pool);
        n = pool;
    }
    totalParticles_ = n;
}

bool CCParticleSystem::addParticle()
{
    if (isFull()) return false;
    initParticle(particles_[particleCount_]);
    ++particleCount_;
    return true;
}

void CCParticleSystem::initParticle(sCCParticle& particle)
{
    const float S = CC_CONTENT_SCALE_FACTOR();
    particle.lifeLeft = std::max(0.f, spread(life_, lifeVar_));
    particle.position.x = spread(sourcePosition_.x, posVar_.x) * S;
    particle.position.y = spread(sourcePosition_.y, posVar_.y) * S;

    const ccColor4F start = spreadColor(startColor_, startColorVar_);
    const ccColor4F end = spreadColor(endColor_, endColorVar_);
    const float life = particle.lifeLeft;
    particle.color = start;
    particle.deltaColor = {(end.r - start.r) / life, (end.g - start.g) / life, (end.b - start.b) / life,
                           (end.a - start.a) / life};

    // Animated particles size by a factor on the frame, without the screen scale.
    const float sizeScale = useAnimation_ ? 1.f : S;
    const float startSize = useAnimation_ ? startScale_ : startSize_;
    const float startSizeVar = useAnimation_ ? startScaleVar_ : startSizeVar_;
    const float endSize = useAnimation_ ? endScale_ : endSize_;
    const float endSizeVar = useAnimation_ ? endScaleVar_ : endSizeVar_;
    particle.size = std::max(0.f, spread(startSize, startSizeVar)) * sizeScale;
    if (endSize == kCCParticleStartSizeEqualToEndSize) {
        particle.deltaSize = 0;
    } else {
        const float endPixels = std::max(0.f, spread(endSize, endSizeVar)) * sizeScale;
        particle.deltaSize = (endPixels - particle.size) / life;
    }

    particle.rotation = spread(startSpin_, startSpinVar_);
    const float endSpin = spread(endSpin_, endSpinVar_);
    particle.deltaRotation = (endSpin - particle.rotation) / life;

    if (positionType_ == kCCPositionTypeFree) {
        particle.birthPosition = ccpMult(convertToWorldSpace({0, 0}), S);
    } else if (positionType_ == kCCPositionTypeRelative) {
        particle.birthPosition = ccpMult(position_, S);
    }

    const float a = spread(angle_, angleVar_) * kDegreesToRadians;
    if (emitterMode_ == kCCParticleModeGravity) {
        const float v = spread(speed(), speedVar()) * S;
        particle.dir = {std::cos(a) * v, std::sin(a) * v};
        particle.radialAccel = spread(radialAccel(), radialAccelVar()) * S;
        particle.tangentialAccel = spread(tangentialAccel(), tangentialAccelVar()) * S;
    } else {
        const float startRadius = spread(this->startRadius(), startRadiusVar());
        const float endDraw = Random::randomMinus1To1();
        particle.radius = startRadius * S;
        particle.deltaRadius = endRadius() == kCCParticleStartRadiusEqualToEndRadius
                                   ? 0
                                   : ((endRadius() + endRadiusVar() * endDraw) * S - particle.radius) / life;
        particle.angle = a;
        particle.degreesPerSecond = spread(rotatePerSecond(), rotatePerSecondVar()) * kDegreesToRadians;
    }
    particle.z = vertexZ_;

    if (useAnimation_) {
        particle.frameClock = 0;
        particle.frameEnd = 0;
        particle.frameIndex = 0;
        if (animationType_ == kCCParticleAnimationRandomLoop || animationType_ == kCCParticleAnimationRandomStill) {
            const float lastFrame = static_cast<float>(animationFrames_.size() - 1);
            particle.frameIndex = static_cast<uint32_t>(std::lround(Random::random01() * lastFrame));
            particle.frameIndex = std::min<uint32_t>(particle.frameIndex, lastFrame);
        }
    }
}

void CCParticleSystem::advanceFrame(sCCParticle& particle, float dt) const
{
    const auto frameCount = static_cast<uint32_t>(animationFrames_.size());
    if (animationType_ == kCCParticleAnimationRandomStill) return;
    particle.frameClock += dt;
    if (animationType_ == kCCParticleAnimationOnce) {
        while (particle.frameClock >= particle.frameEnd) {
            if (particle.frameIndex + 1 >= frameCount) break;
            ++particle.frameIndex;
            particle.frameEnd += animationFrames_[particle.frameIndex].delay;
        }
        return;
    }
    // Looping. Frames whose delays sum to nothing would never let the clock
    // catch up; one pass over the table is the most a step may take then.
    uint32_t guard = frameCount + 1;
    while (particle.frameClock >= particle.frameEnd && guard-- > 0) {
        ++particle.frameIndex;
        if (particle.frameIndex >= frameCount) {
            particle.frameIndex = 0;
            particle.frameClock -= particle.frameEnd;
            particle.frameEnd = 0;
        }
        particle.frameEnd += animationFrames_[particle.frameIndex].delay;
    }
}

void CCParticleSystem::update(float dt)
{
    if (active_ && emissionRate_ != 0) {
        const float rate = 1.0f / emissionRate_;
        if (particleCount_ < totalParticles_) emitCounter_ += dt;
        while (particleCount_ < totalParticles_ && emitCounter_ > rate) {
            addParticle();
            emitCounter_ -= rate;
        }
        elapsed_ += dt;
        if (duration_ != kCCParticleDurationInfinity && duration_ < elapsed_) {
            stopSystem();
        }
    }

    particleIdx_ = 0;
    const float S = CC_CONTENT_SCALE_FACTOR();
    CGPoint reference;
    if (positionType_ == kCCPositionTypeFree) {
        reference = ccpMult(convertToWorldSpace({0, 0}), S);
    } else if (positionType_ == kCCPositionTypeRelative) {
        reference = ccpMult(position_, S);
    }

    if (visible_) {
        const CGPoint gravityPixels = gravity();
        while (particleIdx_ < particleCount_) {
            sCCParticle& p = particles_[particleIdx_];
            p.lifeLeft -= dt;
            if (p.lifeLeft > 0) {
                if (useAnimation_) advanceFrame(p, dt);
                if (emitterMode_ == kCCParticleModeGravity) {
                    CGPoint radial;
                    if (p.position.x != 0 || p.position.y != 0) {
                        const float length = std::sqrt(p.position.x * p.position.x + p.position.y * p.position.y);
                        radial = {p.position.x / length, p.position.y / length};
                    }
                    const CGPoint tangential{-radial.y, radial.x};
                    const CGPoint accel{radial.x * p.radialAccel + tangential.x * p.tangentialAccel + gravityPixels.x,
                                        radial.y * p.radialAccel + tangential.y * p.tangentialAccel + gravityPixels.y};
                    p.dir.x += accel.x * dt;
                    p.dir.y += accel.y * dt;
                    p.position.x += p.dir.x * dt;
                    p.position.y += p.dir.y * dt;
                } else {
                    p.angle += p.degreesPerSecond * dt;
                    p.radius += p.deltaRadius * dt;
                    p.position = {-std::cos(p.angle) * p.radius, -std::sin(p.angle) * p.radius};
                }
                p.color.r += p.deltaColor.r * dt;
                p.color.g += p.deltaColor.g * dt;
                p.color.b += p.deltaColor.b * dt;
                p.color.a += p.deltaColor.a * dt;
                p.size = std::max(0.f, p.size + p.deltaSize * dt);
                p.rotation += p.deltaRotation * dt;

                CGPoint drawn = p.position;
                if (positionType_ == kCCPositionTypeFree || positionType_ == kCCPositionTypeRelative) {
                    drawn = {p.position.x - (reference.x - p.birthPosition.x),
                             p.position.y - (reference.y - p.birthPosition.y)};
                }
                if (useBatchNode_) {
                    drawn.x += positionInPixels_.x;
                    drawn.y += positionInPixels_.y;
                }
                p.z = vertexZ_;
                updateQuadWithParticle(p, drawn);
                ++particleIdx_;
            } else {
                const uint32_t deadSlot = p.atlasIndex;
                if (particleIdx_ != particleCount_ - 1) {
                    p = particles_[particleCount_ - 1];
                }
                if (useBatchNode_) {
                    if (batchNode_) batchNode_->disableParticle(atlasIndex_ + deadSlot);
                    particles_[particleCount_ - 1].atlasIndex = deadSlot;
                }
                --particleCount_;
                if (particleCount_ == 0 && autoRemoveOnFinish_) {
                    unscheduleUpdate();
                    // The parent may hold the last reference.
                    Ref<CCParticleSystem> keepAlive(this);
                    if (parent_) parent_->removeChild(this, true);
                    return;
                }
            }
        }
    }
    if (!useBatchNode_) postStep();
}

void CCParticleSystem::stopSystem()
{
    active_ = false;
    elapsed_ = duration_;
    emitCounter_ = 0;
}

void CCParticleSystem::resetSystem()
{
    active_ = true;
    elapsed_ = 0;
    for (uint32_t i = 0; i < particleCount_; ++i) particles_[i].lifeLeft = 0;
}

void CCParticleSystem::useBatchNode(CCParticleBatchNode* batch)
{
    batchNode_ = batch;
    useBatchNode_ = true;
    for (uint32_t i = 0; i < particles_.size(); ++i) particles_[i].atlasIndex = i;
}

void CCParticleSystem::setTexture(CCTexture2D* texture)
{
    texture_ = texture;
    if (texture && !texture->hasPremultipliedAlpha() && blendFunc_ == kCCBlendFuncDefault) {
        blendFunc_ = kCCBlendFuncAlpha;
    }
}

bool CCParticleSystem::blendAdditive() const
{
    return blendFunc_.src == CC_GL_SRC_ALPHA && blendFunc_.dst == CC_GL_ONE;
}

void CCParticleSystem::setBlendAdditive(bool additive)
{
    if (additive) {
        blendFunc_ = {CC_GL_SRC_ALPHA, CC_GL_ONE};
    } else if (!texture_ || texture_->hasPremultipliedAlpha()) {
        blendFunc_ = kCCBlendFuncDefault;
    } else {
        blendFunc_ = kCCBlendFuncAlpha;
    }
}

} // namespace mw
