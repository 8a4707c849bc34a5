#include "engine/actions/CCAnimate.h"

#include "engine/nodes/CCNode.h"
#include "engine/sprites/CCSpriteFrame.h"
#include "engine/sprites/CCSpriteProtocol.h"
#include "foundation/NotificationCenter.h"

namespace mw {

CCAnimate::CCAnimate(float duration, CCAnimation* animation, bool restoreOriginalFrame)
    : CCActionInterval(duration), animation_(animation), restoreOriginalFrame_(restoreOriginalFrame)
{
    computeSplitTimes(duration);
}

CCAnimate::~CCAnimate() = default;

void CCAnimate::computeSplitTimes(float duration)
{
    splitTimes_.clear();
    if (!animation_) return;
    const float totalUnits = animation_->totalDelayUnits();
    const bool timeless = duration == 0 || totalUnits == 0;
    const float secondsPerUnit = timeless ? 0.0f : duration / totalUnits;
    float unitsBefore = 0;
    for (const Ref<CCAnimationFrame>& frame : animation_->frames()) {
        // Without time to share out (no duration or no delay units) every
        // frame is due at once; the division would give NaN, which no
        // progress ever reaches, so nothing would be shown.
        splitTimes_.push_back(timeless ? 0.0f : (unitsBefore * secondsPerUnit) / duration);
        unitsBefore += frame->delayUnits();
    }
}

Ref<CCAction> CCAnimate::copy() const
{
    return makeRef<CCAnimate>(duration_, animation_.get(), restoreOriginalFrame_);
}

void CCAnimate::startWithTarget(CCNode* target)
{
    CCActionInterval::startWithTarget(target);
    origFrame_ = nullptr;
    if (restoreOriginalFrame_) {
        if (auto* sprite = dynamic_cast<CCSpriteProtocol*>(target)) origFrame_ = sprite->displayedFrame();
    }
    nextFrame_ = 0;
}

void CCAnimate::stop()
{
    if (restoreOriginalFrame_ && origFrame_) {
        if (auto* sprite = dynamic_cast<CCSpriteProtocol*>(target_)) sprite->setDisplayFrame(origFrame_.get());
    }
    CCActionInterval::stop();
}

void CCAnimate::update(float t)
{
    if (!animation_) return;
    // The frames may have changed since the split times were fixed; only
    // frames that have both are shown.
    const size_t count = std::min(animation_->frames().size(), splitTimes_.size());
    for (size_t i = static_cast<size_t>(nextFrame_); i < count; ++i) {
        if (splitTimes_[i] <= t) {
            showFrame(i);
            return;
        }
    }
}

void CCAnimate::showFrame(size_t index)
{
    // Hold the frame: an observer of the notification may change the animation.
    Ref<CCAnimationFrame> frame = animation_->frames()[index];
    nextFrame_ = static_cast<int32_t>(index) + 1;
    auto* sprite = dynamic_cast<CCSpriteProtocol*>(target_);
    if (!sprite) return;
    sprite->setDisplayFrame(frame->spriteFrame());
    if (!frame->userInfo().isNull()) {
        NotificationCenter::defaultCenter().postNotification(kFrameDisplayedNotification, target_, frame->userInfo());
    }
}

Ref<CCFiniteTimeAction> CCAnimate::reverse() const
{
    std::vector<Ref<CCAnimationFrame>> reversed;
    if (animation_) {
        const auto& frames = animation_->frames();
        for (auto it = frames.rbegin(); it != frames.rend(); ++it) reversed.push_back((*it)->copy());
    }
    auto animation = CCAnimation::animationWithFrames(reversed, animation_ ? animation_->delayPerUnit() : 0.0f);
    return makeRef<CCAnimate>(duration_, animation.get(), restoreOriginalFrame_);
}

} // namespace mw
