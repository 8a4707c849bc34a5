#include "engine/particles/CCParticleSystemQuad.h"

#include <GLES/gl.h>

#include <cmath>
#include <cstring>
#include <new>

#include "engine/base/CCPropertyRegistry.h"
#include "engine/base/ccContentScale.h"
#include "engine/particles/CCParticleBatchNode.h"
#include "engine/sprites/CCAnimation.h"
#include "engine/sprites/CCSpriteFrame.h"
#include "engine/textures/CCTexture2D.h"
#include "engine/textures/CCTextureAtlas.h"
#include "foundation/Log.h"

namespace mw {

namespace {

// Scene files name this class; it registers itself for the reader.
[[maybe_unused]] const bool classRegistered = [] {
    CCPropertyRegistry::shared().registerClass<CCParticleSystemQuad>("CCParticleSystemQuad");
    return true;
}();

} // namespace

namespace {

constexpr float kDegreesToRadians = 0.017453292f;

inline ccColor4B toBytes(const ccColor4F& c)
{
    return {static_cast<uint8_t>(c.r * 255), static_cast<uint8_t>(c.g * 255), static_cast<uint8_t>(c.b * 255),
            static_cast<uint8_t>(c.a * 255)};
}

} // namespace

CCParticleSystemQuad::CCParticleSystemQuad() = default;

CCParticleSystemQuad::~CCParticleSystemQuad() { releaseOwnBuffers(); }

Ref<CCParticleSystemQuad> CCParticleSystemQuad::particleWithFile(const std::string& plistFile)
{
    return particleWithFile(plistFile, nullptr, CGRect());
}

Ref<CCParticleSystemQuad> CCParticleSystemQuad::particleWithFile(const std::string& plistFile,
                                                                 CCParticleBatchNode* batch, CGRect rect)
{
    auto system = makeRef<CCParticleSystemQuad>();
    return system->initWithFile(plistFile, batch, rect) ? system : nullptr;
}

Ref<CCParticleSystemQuad> CCParticleSystemQuad::particleWithTotalParticles(uint32_t n)
{
    auto system = makeRef<CCParticleSystemQuad>();
    return system->initWithTotalParticles(n) ? system : nullptr;
}

bool CCParticleSystemQuad::initWithFile(const std::string& plistFile, CCParticleBatchNode* batch, CGRect rect)
{
    pendingBatch_ = batch;
    pendingRect_ = rect;
    return CCParticleSystem::initWithFile(plistFile);
}

bool CCParticleSystemQuad::initWithTotalParticles(uint32_t n)
{
    return initWithTotalParticles(n, pendingBatch_, pendingRect_);
}

bool CCParticleSystemQuad::initWithTotalParticles(uint32_t n, CCParticleBatchNode* batch, CGRect rect)
{
    batchNode_ = batch;
    textureRect_ = rect;
    if (!CCParticleSystem::initWithTotalParticles(n)) return false;
    return initializeParticleSystemWithBatchNode(batch, rect);
}

bool CCParticleSystemQuad::initializeParticleSystemWithBatchNode(CCParticleBatchNode* batch, CGRect rect)
{
    if (batch && rect.size.width == 0 && rect.size.height == 0 && batch->texture()) {
        rect.size = {static_cast<float>(batch->texture()->pixelsWide()),
                     static_cast<float>(batch->texture()->pixelsHigh())};
    }
    if (batch) {
        releaseOwnBuffers();
        batchNode_ = batch;
        texture_ = batch->texture();
        textureRect_ = rect;
        useBatchNode_ = true;
    } else {
        if (totalParticles_ > CCTextureAtlas::kMaxCapacity) {
            // 16-bit indices reach no further.
            logLine("engine: Particle system: %u quads are more than one draw can index", totalParticles_);
            return false;
        }
        try {
            quads_.assign(totalParticles_, ccV3F_C4B_T2F_Quad{});
            indices_.assign(static_cast<size_t>(totalParticles_) * 6, 0);
        } catch (const std::bad_alloc&) {
            quads_.clear();
            indices_.clear();
            logLine("engine: Particle system: not enough memory");
            return false;
        }
        initTexCoordsWithRect(rect);
        initIndices();
        glGenBuffers(1, &quadsID_);
        glBindBuffer(GL_ARRAY_BUFFER, quadsID_);
        glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(quads_.size() * sizeof(ccV3F_C4B_T2F_Quad)),
                     quads_.data(), GL_DYNAMIC_DRAW);
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        useBatchNode_ = false;
    }
    particleAnchorPoint_ = {0.5f, 0.5f};
    animation_ = nullptr;
    useAnimation_ = false;
    return true;
}

void CCParticleSystemQuad::releaseOwnBuffers()
{
    quads_.clear();
    quads_.shrink_to_fit();
    indices_.clear();
    indices_.shrink_to_fit();
    if (quadsID_) {
        glDeleteBuffers(1, &quadsID_);
        quadsID_ = 0;
    }
}

void CCParticleSystemQuad::initIndices()
{
    for (uint32_t k = 0; k < totalParticles_; ++k) {
        const auto base = static_cast<uint16_t>(k * 4);
        uint16_t* entry = &indices_[static_cast<size_t>(k) * 6];
        entry[0] = base;
        entry[1] = static_cast<uint16_t>(base + 1);
        entry[2] = static_cast<uint16_t>(base + 2);
        entry[3] = static_cast<uint16_t>(base + 3);
        entry[4] = static_cast<uint16_t>(base + 2);
        entry[5] = static_cast<uint16_t>(base + 1);
    }
}

void CCParticleSystemQuad::initTexCoordsWithRect(CGRect rect)
{
    textureRect_ = rect;
    if (!texture_) return;
    const float S = CC_CONTENT_SCALE_FACTOR();
    const auto pw = static_cast<float>(texture_->pixelsWide());
    const auto ph = static_cast<float>(texture_->pixelsHigh());
    const float left = rect.origin.x * S / pw;
    const float right = left + rect.size.width * S / pw;
    const float top = rect.origin.y * S / ph;
    const float bottom = top + rect.size.height * S / ph;

    ccV3F_C4B_T2F_Quad* first = nullptr;
    uint32_t count = totalParticles_;
    if (useBatchNode_ && batchNode_ && batchNode_->textureAtlas()) {
        CCTextureAtlas* atlas = batchNode_->textureAtlas();
        if (atlasIndex_ + count > atlas->capacity()) return;
        first = atlas->quads() + atlasIndex_;
    } else if (!quads_.empty()) {
        first = quads_.data();
        count = static_cast<uint32_t>(quads_.size());
    }
    if (!first) return;
    for (uint32_t i = 0; i < count; ++i) {
        ccV3F_C4B_T2F_Quad& q = first[i];
        q = ccV3F_C4B_T2F_Quad{};
        q.tl.texCoords = {left, top};
        q.bl.texCoords = {left, bottom};
        q.tr.texCoords = {right, top};
        q.br.texCoords = {right, bottom};
    }
}

void CCParticleSystemQuad::setTexture(CCTexture2D* texture)
{
    const CGSize size = texture ? texture->contentSize() : CGSize();
    setTexture(texture, CGRect({0, 0}, size));
}

void CCParticleSystemQuad::setTexture(CCTexture2D* texture, CGRect rect)
{
    const uint32_t current = texture_ ? texture_->name() : 0;
    const uint32_t next = texture ? texture->name() : 0;
    if (current != next || !texture_) {
        CCParticleSystem::setTexture(texture);
    }
    initTexCoordsWithRect(rect);
}

void CCParticleSystemQuad::setDisplayFrame(CCSpriteFrame* frame)
{
    if (!frame) return;
    CCTexture2D* texture = frame->texture();
    if (texture && texture_ && texture->name() == texture_->name()) return;
    setTexture(texture, frame->rect());
}

void CCParticleSystemQuad::setAnimation(CCAnimation* animation, CGPoint anchor)
{
    animation_ = animation;
    particleAnchorPoint_ = anchor;
    if (!animation || animation->frames().empty()) {
        useAnimation_ = false;
        return;
    }
    const auto& frames = animation->frames();
    if (!useBatchNode_) {
        CCSpriteFrame* first = frames.front()->spriteFrame();
        if (first) setTexture(first->texture());
    }
    animationFrames_.assign(frames.size(), ccParticleAnimationFrame{});
    useAnimation_ = true;
    const float unit = animation->totalDelayUnits() > 0 ? animation->duration() / animation->totalDelayUnits() : 0;
    const float pw = texture_ ? static_cast<float>(texture_->pixelsWide()) : 1;
    const float ph = texture_ ? static_cast<float>(texture_->pixelsHigh()) : 1;
    for (size_t i = 0; i < frames.size(); ++i) {
        ccParticleAnimationFrame& out = animationFrames_[i];
        out.delay = unit * frames[i]->delayUnits();
        CCSpriteFrame* sprite = frames[i]->spriteFrame();
        if (!sprite) continue;
        const CGRect r = sprite->rectInPixels();
        out.size = r.size;
        const float L = r.origin.x / pw;
        const float T = r.origin.y / ph;
        if (!sprite->rotated()) {
            const float R = L + r.size.width / pw;
            const float B = T + r.size.height / ph;
            out.bl = {L, B};
            out.br = {R, B};
            out.tl = {L, T};
            out.tr = {R, T};
        } else {
            const float R = L + r.size.height / pw;
            const float B = T + r.size.width / ph;
            out.bl = {L, T};
            out.br = {L, B};
            out.tl = {R, T};
            out.tr = {R, B};
        }
    }
}

ccV3F_C4B_T2F_Quad* CCParticleSystemQuad::targetQuad(const sCCParticle& particle)
{
    if (useBatchNode_) {
        CCTextureAtlas* atlas = batchNode_ ? batchNode_->textureAtlas() : nullptr;
        const uint32_t slot = atlasIndex_ + particle.atlasIndex;
        if (!atlas || slot >= atlas->capacity()) return nullptr;
        return atlas->quads() + slot;
    }
    if (particleIdx_ >= quads_.size()) return nullptr;
    return &quads_[particleIdx_];
}

void CCParticleSystemQuad::updateQuadWithParticle(sCCParticle& particle, CGPoint pos)
{
    ccV3F_C4B_T2F_Quad* quad = targetQuad(particle);
    if (!quad) return;
    const ccColor4B colour = toBytes(particle.color);
    quad->bl.colors = colour;
    quad->br.colors = colour;
    quad->tl.colors = colour;
    quad->tr.colors = colour;

    float left, right, bottom, top;
    if (useAnimation_) {
        const ccParticleAnimationFrame& frame = animationFrames_[particle.frameIndex];
        quad->bl.texCoords = frame.bl;
        quad->br.texCoords = frame.br;
        quad->tl.texCoords = frame.tl;
        quad->tr.texCoords = frame.tr;
        const float w = frame.size.width * particle.size;
        const float h = frame.size.height * particle.size;
        left = -particleAnchorPoint_.x * w;
        right = (1 - particleAnchorPoint_.x) * w;
        bottom = -particleAnchorPoint_.y * h;
        top = (1 - particleAnchorPoint_.y) * h;
    } else {
        const float half = particle.size / 2;
        left = bottom = -half;
        right = top = half;
    }

    auto place = [&](float theta, float z) {
        const float c = std::cos(theta);
        const float s = std::sin(theta);
        auto corner = [&](ccV3F_C4B_T2F& v, float x, float y) {
            v.vertices = {pos.x + x * c - y * s, pos.y + x * s + y * c, z};
        };
        corner(quad->bl, left, bottom);
        corner(quad->br, right, bottom);
        corner(quad->tl, left, top);
        corner(quad->tr, right, top);
    };

    if (useBatchNode_) {
        float theta = -particle.rotation * kDegreesToRadians;
        if (positionType_ != kCCPositionTypeFree) {
            left *= scaleX_;
            right *= scaleX_;
            bottom *= scaleY_;
            top *= scaleY_;
            theta = -(particle.rotation + rotation_) * kDegreesToRadians;
        }
        place(theta, particle.z);
    } else if (particle.rotation != 0) {
        place(-particle.rotation * kDegreesToRadians, 0);
    } else {
        quad->bl.vertices = {pos.x + left, pos.y + bottom, 0};
        quad->br.vertices = {pos.x + right, pos.y + bottom, 0};
        quad->tl.vertices = {pos.x + left, pos.y + top, 0};
        quad->tr.vertices = {pos.x + right, pos.y + top, 0};
    }
}

void CCParticleSystemQuad::postStep()
{
    if (!quadsID_ || particleCount_ == 0) return;
    glBindBuffer(GL_ARRAY_BUFFER, quadsID_);
    glBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(particleCount_ * sizeof(ccV3F_C4B_T2F_Quad)),
                    quads_.data());
    glBindBuffer(GL_ARRAY_BUFFER, 0);
}

void CCParticleSystemQuad::draw()
{
    CCNode::draw();
    if (useBatchNode_ || !quadsID_ || particleIdx_ == 0) return;
    glBindTexture(GL_TEXTURE_2D, texture_ ? texture_->name() : 0);
    glBindBuffer(GL_ARRAY_BUFFER, quadsID_);
    constexpr GLsizei stride = sizeof(ccV3F_C4B_T2F);
    glVertexPointer(3, GL_FLOAT, stride, reinterpret_cast<const void*>(offsetof(ccV3F_C4B_T2F, vertices)));
    glColorPointer(4, GL_UNSIGNED_BYTE, stride, reinterpret_cast<const void*>(offsetof(ccV3F_C4B_T2F, colors)));
    glTexCoordPointer(2, GL_FLOAT, stride, reinterpret_cast<const void*>(offsetof(ccV3F_C4B_T2F, texCoords)));
    const bool newBlend = blendFunc_ != kCCBlendFuncDefault;
    if (newBlend) glBlendFunc(blendFunc_.src, blendFunc_.dst);
    // Never more particles than were written this pass.
    const uint32_t drawn = std::min<uint32_t>(particleIdx_, static_cast<uint32_t>(quads_.size()));
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(drawn * 6), GL_UNSIGNED_SHORT, indices_.data());
    if (newBlend) glBlendFunc(kCCBlendFuncDefault.src, kCCBlendFuncDefault.dst);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
}

void CCParticleSystemQuad::useBatchNode(CCParticleBatchNode* batch)
{
    if (useBatchNode_) return;
    CCParticleSystem::useBatchNode(batch);
    releaseOwnBuffers();
}

void CCParticleSystemQuad::batchNodeInitialization() { initTexCoordsWithRect(textureRect_); }

void CCParticleSystemQuad::useSelfRender()
{
    if (useBatchNode_) {
        useBatchNode_ = false;
        batchNode_ = nullptr;
        if (!initializeParticleSystemWithBatchNode(nullptr, textureRect_)) {
            logLine("engine: Particle system: cannot draw itself again");
        }
    }
    useBatchNode_ = false;
}

} // namespace mw
