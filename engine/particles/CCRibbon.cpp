#include "engine/particles/CCRibbon.h"

#include <GLES/gl.h>

#include <cmath>
#include <cstring>

#include "engine/base/CGPointExtension.h"
#include "engine/base/ccContentScale.h"
#include "engine/base/ccDescription.h"
#include "engine/textures/CCTexture2D.h"
#include "engine/textures/CCTextureCache.h"

namespace mw {

void CCRibbonSegment::reset()
{
    end = 0;
    begin = 0;
    finished = false;
}

std::string CCRibbonSegment::description() const
{
    return "<" + ccClassName(typeid(*this)) + " = " + ccAddressString(this) + " | end = " + std::to_string(end) +
           ", begin = " + std::to_string(begin) + ">";
}

void CCRibbonSegment::draw(float curTime, float fadeTime, ccColor4B colour)
{
    if (begin >= kEntries) {
        finished = true;
        return;
    }
    if (curTime == 0) {
        glColor4ub(colour.r, colour.g, colour.b, colour.a);
    } else {
        glEnableClientState(GL_COLOR_ARRAY);
        for (uint32_t i = begin; i < end; ++i) {
            uint8_t* pair = &colors[i * 8];
            const float age = (curTime - creationTime[i]) / fadeTime;
            uint8_t alpha = 0;
            if (age > 1) {
                ++begin;
            } else {
                alpha = static_cast<uint8_t>(255 - age * 255);
            }
            for (int v = 0; v < 2; ++v) {
                pair[v * 4 + 0] = colour.r;
                pair[v * 4 + 1] = colour.g;
                pair[v * 4 + 2] = colour.b;
                pair[v * 4 + 3] = alpha;
            }
        }
        glColorPointer(4, GL_UNSIGNED_BYTE, 0, &colors[begin * 8]);
    }
    if (end > begin) {
        glVertexPointer(3, GL_FLOAT, 0, &verts[begin * 6]);
        glTexCoordPointer(2, GL_FLOAT, 0, &coords[begin * 4]);
        glDrawArrays(GL_TRIANGLE_STRIP, 0, static_cast<GLsizei>((end - begin) * 2));
    }
    if (curTime != 0) glDisableClientState(GL_COLOR_ARRAY);
}

CCRibbon::~CCRibbon() = default;

Ref<CCRibbon> CCRibbon::ribbonWithWidth(float width, const std::string& image, float length, ccColor4B colour,
                                        float fade)
{
    auto ribbon = makeRef<CCRibbon>();
    ribbon->initWithWidth(width, image, length, colour, fade);
    return ribbon;
}

void CCRibbon::initWithWidth(float width, const std::string& image, float length, ccColor4B colour, float fade)
{
    segments_.clear();
    deletedSegments_.clear();
    segments_.push_back(makeRef<CCRibbonSegment>());
    textureLength_ = length;
    color_ = colour;
    fadeTime_ = fade;
    lastLocation_ = {0, 0};
    lastWidth_ = width / 2;
    texVPos_ = 0;
    curTime_ = 0;
    pastFirstPoint_ = false;
    blendFunc_ = kCCBlendFuncAlpha;
    Ref<CCTexture2D> texture = CCTextureCache::sharedTextureCache()->addImage(image);
    setTexture(texture.get());
    if (texture_) texture_->setTexParameters({GL_LINEAR, GL_LINEAR, GL_REPEAT, GL_REPEAT});
}

void CCRibbon::setTexture(CCTexture2D* texture)
{
    texture_ = texture;
    if (texture) setContentSizeInPixels(texture->contentSizeInPixels());
}

CGPoint CCRibbon::rotatePoint(CGPoint p, float a)
{
    return {p.x * std::cos(a) - p.y * std::sin(a), p.x * std::sin(a) + p.y * std::cos(a)};
}

float CCRibbon::sideOfLine(CGPoint p, CGPoint l1, CGPoint l2)
{
    return (l1.x - l2.x) * (p.y - l1.y) - (p.x - l1.x) * (l1.y - l2.y);
}

void CCRibbon::addPointAt(CGPoint location, float width)
{
    const CGPoint loc = ccpMult(location, CC_CONTENT_SCALE_FACTOR());
    const float half = width / 2;
    if (!pastFirstPoint_) {
        lastWidth_ = half;
        lastLocation_ = loc;
        pastFirstPoint_ = true;
        return;
    }
    const float r = ccpToAngle(ccpSub(lastLocation_, loc)) + static_cast<float>(M_PI) / 2;
    const CGPoint p1 = rotatePoint({-half, 0}, r);
    const CGPoint p2 = rotatePoint({half, 0}, r);
    const float distance = ccpDistance(lastLocation_, loc);
    const float t = texVPos_ + distance / textureLength_;

    // Recycle every faded segment but the one receiving points.
    for (size_t i = 0; i + 1 < segments_.size();) {
        if (segments_[i]->finished) {
            deletedSegments_.push_back(segments_[i]);
            segments_.erase(segments_.begin() + static_cast<std::ptrdiff_t>(i));
        } else {
            ++i;
        }
    }

    CCRibbonSegment* seg = segments_.back().get();
    if (seg->end >= CCRibbonSegment::kEntries) {
        Ref<CCRibbonSegment> next;
        if (!deletedSegments_.empty()) {
            next = deletedSegments_.front();
            deletedSegments_.erase(deletedSegments_.begin());
            next->reset();
        } else {
            next = makeRef<CCRibbonSegment>();
        }
        // The new strip starts where the old one ends, so the band is unbroken.
        const uint32_t last = seg->end - 1;
        next->creationTime[0] = seg->creationTime[last];
        std::memcpy(&next->verts[0], &seg->verts[last * 6], 6 * sizeof(float));
        std::memcpy(&next->coords[0], &seg->coords[last * 4], 4 * sizeof(float));
        next->end = 1;
        segments_.push_back(next);
        seg = next.get();
    }
    auto writeEntry = [seg](uint32_t i, float time, CGPoint a, CGPoint b, float v) {
        seg->creationTime[i] = time;
        float* vert = &seg->verts[i * 6];
        vert[0] = a.x;
        vert[1] = a.y;
        vert[2] = 0;
        vert[3] = b.x;
        vert[4] = b.y;
        vert[5] = 0;
        float* coord = &seg->coords[i * 4];
        coord[0] = 0;
        coord[1] = v;
        coord[2] = 1;
        coord[3] = v;
    };
    if (seg->end == 0) {
        writeEntry(0, curTime_ - delta_, ccpAdd(lastLocation_, rotatePoint({-lastWidth_, 0}, r)),
                   ccpAdd(lastLocation_, rotatePoint({lastWidth_, 0}, r)), texVPos_);
        seg->end = 1;
    }
    writeEntry(seg->end, curTime_, ccpAdd(loc, p1), ccpAdd(loc, p2), t);
    ++seg->end;
    texVPos_ = t;
    lastLocation_ = loc;
    lastWidth_ = half;
}

void CCRibbon::update(float dt)
{
    curTime_ += dt;
    delta_ = dt;
}

void CCRibbon::draw()
{
    CCNode::draw();
    if (segments_.empty()) return;
    glDisableClientState(GL_COLOR_ARRAY);
    glBindTexture(GL_TEXTURE_2D, texture_ ? texture_->name() : 0);
    const bool newBlend = blendFunc_ != kCCBlendFuncDefault;
    if (newBlend) glBlendFunc(blendFunc_.src, blendFunc_.dst);
    for (const Ref<CCRibbonSegment>& segment : segments_) segment->draw(curTime_, fadeTime_, color_);
    if (newBlend) glBlendFunc(kCCBlendFuncDefault.src, kCCBlendFuncDefault.dst);
    glEnableClientState(GL_COLOR_ARRAY);
}

} // namespace mw
