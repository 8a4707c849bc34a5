#include "engine/particles/CCMotionStreak.h"

#include "engine/base/CGPointExtension.h"
#include "engine/particles/CCRibbon.h"

namespace mw {

CCMotionStreak::~CCMotionStreak() = default;

Ref<CCMotionStreak> CCMotionStreak::streakWithFade(float fade, float minSeg, const std::string& image, float width,
                                                   float length, ccColor4B colour)
{
    auto streak = makeRef<CCMotionStreak>();
    streak->initWithFade(fade, minSeg, image, width, length, colour);
    return streak;
}

void CCMotionStreak::initWithFade(float fade, float minSeg, const std::string& image, float width, float length,
                                  ccColor4B colour)
{
    segThreshold_ = minSeg;
    width_ = width;
    lastLocation_ = {0, 0};
    Ref<CCRibbon> ribbon = CCRibbon::ribbonWithWidth(width, image, length, colour, fade);
    ribbon_ = ribbon.get();
    addChild(ribbon_);
    schedule(schedule_selector(CCMotionStreak::update), 0);
}

void CCMotionStreak::update(float dt)
{
    if (!ribbon_) return;
    const CGPoint loc = convertToWorldSpace({0, 0});
    ribbon_->setPosition({-loc.x, -loc.y});
    if (ccpDistance(lastLocation_, loc) > segThreshold_) {
        ribbon_->addPointAt(loc, width_);
        lastLocation_ = loc;
    }
    ribbon_->update(dt);
}

CCTexture2D* CCMotionStreak::texture() const { return ribbon_ ? ribbon_->texture() : nullptr; }

void CCMotionStreak::setTexture(CCTexture2D* texture)
{
    if (ribbon_) ribbon_->setTexture(texture);
}

ccBlendFunc CCMotionStreak::blendFunc() const { return ribbon_ ? ribbon_->blendFunc() : kCCBlendFuncAlpha; }

void CCMotionStreak::setBlendFunc(ccBlendFunc blend)
{
    if (ribbon_) ribbon_->setBlendFunc(blend);
}

} // namespace mw
