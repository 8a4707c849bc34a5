#include "engine/particles/CCParticleSystemPoint.h"

#include <GLES/gl.h>
#include <GLES/glext.h>

#include <new>

#include "engine/textures/CCTexture2D.h"
#include "foundation/Log.h"

namespace mw {

CCParticleSystemPoint::~CCParticleSystemPoint()
{
    if (verticesID_) glDeleteBuffers(1, &verticesID_);
}

Ref<CCParticleSystemPoint> CCParticleSystemPoint::particleWithFile(const std::string& plistFile)
{
    auto system = makeRef<CCParticleSystemPoint>();
    return system->initWithFile(plistFile) ? system : nullptr;
}

Ref<CCParticleSystemPoint> CCParticleSystemPoint::particleWithTotalParticles(uint32_t n)
{
    auto system = makeRef<CCParticleSystemPoint>();
    return system->initWithTotalParticles(n) ? system : nullptr;
}

bool CCParticleSystemPoint::initWithTotalParticles(uint32_t n)
{
    if (!CCParticleSystem::initWithTotalParticles(n)) return false;
    try {
        vertices_.assign(n, ccPointSprite{});
    } catch (const std::bad_alloc&) {
        logLine("engine: Particle system: not enough memory");
        return false;
    }
    glGenBuffers(1, &verticesID_);
    glBindBuffer(GL_ARRAY_BUFFER, verticesID_);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices_.size() * sizeof(ccPointSprite)),
                 vertices_.data(), GL_DYNAMIC_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    return true;
}

void CCParticleSystemPoint::updateQuadWithParticle(sCCParticle& particle, CGPoint pos)
{
    if (particleIdx_ >= vertices_.size()) return;
    ccPointSprite& record = vertices_[particleIdx_];
    record.pos = {pos.x, pos.y};
    record.color = {static_cast<uint8_t>(particle.color.r * 255), static_cast<uint8_t>(particle.color.g * 255),
                    static_cast<uint8_t>(particle.color.b * 255), static_cast<uint8_t>(particle.color.a * 255)};
    record.size = particle.size;
}

void CCParticleSystemPoint::postStep()
{
    if (!verticesID_ || particleCount_ == 0) return;
    glBindBuffer(GL_ARRAY_BUFFER, verticesID_);
    glBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(particleCount_ * sizeof(ccPointSprite)),
                    vertices_.data());
    glBindBuffer(GL_ARRAY_BUFFER, 0);
}

void CCParticleSystemPoint::draw()
{
    CCNode::draw();
    if (particleIdx_ == 0 || !verticesID_) return;
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glBindTexture(GL_TEXTURE_2D, texture_ ? texture_->name() : 0);
    glEnable(GL_POINT_SPRITE_OES);
    glTexEnvi(GL_POINT_SPRITE_OES, GL_COORD_REPLACE_OES, GL_TRUE);
    glBindBuffer(GL_ARRAY_BUFFER, verticesID_);
    constexpr GLsizei stride = sizeof(ccPointSprite);
    glVertexPointer(2, GL_FLOAT, stride, reinterpret_cast<const void*>(offsetof(ccPointSprite, pos)));
    glColorPointer(4, GL_UNSIGNED_BYTE, stride, reinterpret_cast<const void*>(offsetof(ccPointSprite, color)));
    glEnableClientState(GL_POINT_SIZE_ARRAY_OES);
    glPointSizePointerOES(GL_FLOAT, stride, reinterpret_cast<const void*>(offsetof(ccPointSprite, size)));
    const bool newBlend = blendFunc_ != kCCBlendFuncDefault;
    if (newBlend) glBlendFunc(blendFunc_.src, blendFunc_.dst);
    const auto drawn = std::min<uint32_t>(particleIdx_, static_cast<uint32_t>(vertices_.size()));
    glDrawArrays(GL_POINTS, 0, static_cast<GLsizei>(drawn));
    if (newBlend) glBlendFunc(kCCBlendFuncDefault.src, kCCBlendFuncDefault.dst);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glDisableClientState(GL_POINT_SIZE_ARRAY_OES);
    glDisable(GL_POINT_SPRITE_OES);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
}

} // namespace mw
