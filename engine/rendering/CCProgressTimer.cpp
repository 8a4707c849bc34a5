#include "engine/rendering/CCProgressTimer.h"

#include <GLES/gl.h>

#include <cfloat>

#include "engine/base/CGPointExtension.h"
#include "engine/base/ccCurveConstants.h"
#include "engine/sprites/CCSprite.h"
#include "engine/textures/CCTexture2D.h"
#include "engine/textures/CCTextureCache.h"
#include "foundation/Log.h"

namespace mw {

namespace {

CGPoint cornerOfType(int type, int index)
{
    static constexpr CGPoint counterClockwise[4] = {{0, 0}, {0, 1}, {1, 1}, {1, 0}};
    static constexpr CGPoint clockwise[4] = {{1, 0}, {1, 1}, {0, 1}, {0, 0}};
    return type == kCCProgressTimerTypeRadialCCW ? counterClockwise[index] : clockwise[index];
}

} // namespace

Ref<CCProgressTimer> CCProgressTimer::progressWithTexture(CCTexture2D* texture)
{
    Ref<CCProgressTimer> timer = makeRef<CCProgressTimer>();
    timer->initWithTexture(texture);
    return timer;
}

Ref<CCProgressTimer> CCProgressTimer::progressWithFile(const std::string& file)
{
    Ref<CCProgressTimer> timer = makeRef<CCProgressTimer>();
    return timer->initWithFile(file) ? timer : nullptr;
}

CCProgressTimer::~CCProgressTimer() = default;

void CCProgressTimer::initWithTexture(CCTexture2D* texture)
{
    setSprite(CCSprite::spriteWithTexture(texture).get());
    percentage_ = 0;
    vertexData_.clear();
    setAnchorPoint({0.5f, 0.5f});
    setContentSize(sprite_->contentSize());
    type_ = kCCProgressTimerTypeRadialCCW;
}

bool CCProgressTimer::initWithFile(const std::string& file)
{
    Ref<CCTexture2D> texture = CCTextureCache::sharedTextureCache()->addImage(file);
    if (!texture) {
        logLine("CCProgressTimer: cannot load %s", file.c_str());
        return false;
    }
    initWithTexture(texture.get());
    return true;
}

void CCProgressTimer::setPercentage(float percentage)
{
    if (percentage == percentage_) {
        return;
    }
    truePercentage_ = percentage;
    percentage_ = clampf(percentage, 0, 100);
    updateProgress();
}

void CCProgressTimer::setType(CCProgressTimerType type)
{
    if (type == type_) {
        return;
    }
    vertexData_.clear();
    type_ = type;
}

void CCProgressTimer::setSprite(CCSprite* sprite)
{
    if (sprite == sprite_.get()) {
        return;
    }
    sprite_ = sprite;
    vertexData_.clear();
}

CGPoint CCProgressTimer::boundaryTexCoord(int index) const
{
    const bool radial = type_ == kCCProgressTimerTypeRadialCCW || type_ == kCCProgressTimerTypeRadialCW;
    if (!radial || index < 0 || index > 3) {
        return CGPointZero;
    }
    return cornerOfType(type_, index);
}

CGPoint CCProgressTimer::textureMax() const
{
    CCTexture2D* texture = sprite_ ? sprite_->texture() : nullptr;
    return texture ? CGPoint{texture->maxS(), texture->maxT()} : CGPointZero;
}

ccVertex2F CCProgressTimer::vertexFromTexCoord(CGPoint texCoord) const
{
    CCTexture2D* texture = sprite_ ? sprite_->texture() : nullptr;
    if (!texture) {
        return {0, 0};
    }
    const CGSize size = texture->contentSizeInPixels();
    return {texCoord.x * size.width / texture->maxS(), size.height * (1 - texCoord.y / texture->maxT())};
}

void CCProgressTimer::setVertex(ccV2F_C4B_T2F& vertex, CGPoint texCoord, CGPoint textureMax) const
{
    vertex.texCoords = {texCoord.x, texCoord.y};
    vertex.vertices = vertexFromTexCoord(texCoord);
    mirror(vertex, textureMax);
}

void CCProgressTimer::mirror(ccV2F_C4B_T2F& vertex, CGPoint textureMax) const
{
    if (sprite_->flipX()) {
        vertex.texCoords.u = textureMax.x - vertex.texCoords.u;
    }
    if (sprite_->flipY()) {
        vertex.texCoords.v = textureMax.y - vertex.texCoords.v;
    }
}

void CCProgressTimer::updateColor()
{
    if (vertexData_.empty() || !sprite_) {
        return;
    }
    const ccColor3B colour = sprite_->color();
    const uint8_t opacity = sprite_->opacity();
    ccColor4B corner{colour.r, colour.g, colour.b, opacity};
    if (sprite_->texture() && sprite_->texture()->hasPremultipliedAlpha()) {
        const float fraction = opacity / 255.f;
        corner.r = static_cast<uint8_t>(corner.r * fraction);
        corner.g = static_cast<uint8_t>(corner.g * fraction);
        corner.b = static_cast<uint8_t>(corner.b * fraction);
    }
    for (ccV2F_C4B_T2F& vertex : vertexData_) {
        vertex.colors = corner;
    }
}

void CCProgressTimer::updateProgress()
{
    if (!sprite_) {
        return;
    }
    switch (type_) {
    case kCCProgressTimerTypeRadialCCW:
    case kCCProgressTimerTypeRadialCW: updateRadial(); break;
    case kCCProgressTimerTypeHorizontalBarLR:
    case kCCProgressTimerTypeHorizontalBarRL:
    case kCCProgressTimerTypeVerticalBarBT:
    case kCCProgressTimerTypeVerticalBarTB: updateBar(); break;
    default: break;
    }
}

void CCProgressTimer::updateBar()
{
    const float alpha = percentage_ / 100;
    const CGPoint max = textureMax();
    struct Edge {
        int first;
        CGPoint firstCoord;
        int second;
        CGPoint secondCoord;
    };
    Edge fixed{};
    Edge moving{};
    switch (type_) {
    case kCCProgressTimerTypeHorizontalBarLR:
        fixed = {0, {0, 0}, 1, {0, max.y}};
        moving = {3, {max.x * alpha, max.y}, 2, {max.x * alpha, 0}};
        break;
    case kCCProgressTimerTypeHorizontalBarRL:
        fixed = {2, {max.x, max.y}, 3, {max.x, 0}};
        moving = {1, {max.x * (1 - alpha), 0}, 0, {max.x * (1 - alpha), max.y}};
        break;
    case kCCProgressTimerTypeVerticalBarBT:
        fixed = {1, {0, max.y}, 3, {max.x, max.y}};
        moving = {0, {0, max.y * (1 - alpha)}, 2, {max.x, max.y * (1 - alpha)}};
        break;
    default:  // vertical bar, top to bottom
        fixed = {0, {0, 0}, 2, {max.x, 0}};
        moving = {1, {0, max.y * alpha}, 3, {max.x, max.y * alpha}};
        break;
    }
    if (vertexData_.empty()) {
        vertexData_.resize(4);
        setVertex(vertexData_[fixed.first], fixed.firstCoord, max);
        setVertex(vertexData_[fixed.second], fixed.secondCoord, max);
        updateColor();
    }
    setVertex(vertexData_[moving.first], moving.firstCoord, max);
    setVertex(vertexData_[moving.second], moving.secondCoord, max);
}

void CCProgressTimer::updateRadial()
{
    const CGPoint max = textureMax();
    const float alpha = percentage_ / 100;
    const CGPoint midpoint = ccpCompMult(anchorPoint_, max);
    const float angle = kCCTwoPi * (type_ == kCCProgressTimerTypeRadialCW ? alpha : 1 - alpha);
    const CGPoint topMid{midpoint.x, 0};
    const CGPoint percentagePt = ccpRotateByAngle(topMid, midpoint, angle);

    CGPoint hit = topMid;
    int index = 0;
    if (alpha == 1) {
        index = 4;
    } else if (alpha != 0) {
        float minT = FLT_MAX;
        for (int i = 0; i <= 4; ++i) {
            CGPoint edgeA = ccpCompMult(boundaryTexCoord(i % 4), max);
            CGPoint edgeB = ccpCompMult(boundaryTexCoord((i + 3) % 4), max);
            // The top edge is split at 12 o'clock: its two halves are the
            // first and the last edge the sector crosses.
            if (i == 0) {
                edgeB = ccpMidpoint(edgeA, edgeB);
            } else if (i == 4) {
                edgeA = ccpMidpoint(edgeA, edgeB);
            }
            float s = 0;
            float t = 0;
            if (!ccpLineIntersect(edgeA, edgeB, midpoint, percentagePt, &s, &t)) {
                continue;
            }
            if ((i == 0 || i == 4) && (s < 0 || s > 1)) {
                continue;
            }
            if (t >= 0 && t < minT) {
                minT = t;
                index = i;
            }
        }
        hit = ccpAdd(midpoint, ccpMult(ccpSub(percentagePt, midpoint), minT));
    }

    const size_t count = static_cast<size_t>(index) + 3;
    if (vertexData_.size() != count) {
        vertexData_.assign(count, ccV2F_C4B_T2F{});
        updateColor();
        setVertex(vertexData_[0], midpoint, max);
        setVertex(vertexData_[1], topMid, max);
        for (int corner = 0; corner < index; ++corner) {
            setVertex(vertexData_[corner + 2], ccpCompMult(boundaryTexCoord(corner), max), max);
        }
    }
    setVertex(vertexData_[count - 1], hit, max);
}

void CCProgressTimer::draw()
{
    CCNode::draw();
    if (vertexData_.empty() || !sprite_) {
        return;
    }
    const ccBlendFunc blend = sprite_->blendFunc();
    const bool newBlend = blend != kCCBlendFuncDefault;
    if (newBlend) {
        glBlendFunc(blend.src, blend.dst);
    }
    glBindTexture(GL_TEXTURE_2D, sprite_->texture() ? sprite_->texture()->name() : 0);
    constexpr GLsizei kStride = sizeof(ccV2F_C4B_T2F);
    glVertexPointer(2, GL_FLOAT, kStride, &vertexData_[0].vertices);
    glColorPointer(4, GL_UNSIGNED_BYTE, kStride, &vertexData_[0].colors);
    glTexCoordPointer(2, GL_FLOAT, kStride, &vertexData_[0].texCoords);
    const bool radial = type_ == kCCProgressTimerTypeRadialCCW || type_ == kCCProgressTimerTypeRadialCW;
    glDrawArrays(radial ? GL_TRIANGLE_FAN : GL_TRIANGLE_STRIP, 0, static_cast<GLsizei>(vertexData_.size()));
    if (newBlend) {
        glBlendFunc(kCCBlendFuncDefault.src, kCCBlendFuncDefault.dst);
    }
}

} // namespace mw
