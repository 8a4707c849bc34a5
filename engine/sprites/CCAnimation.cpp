#include "engine/sprites/CCAnimation.h"

#include "engine/base/ccDescription.h"
#include "engine/sprites/CCSpriteFrame.h"
#include "engine/textures/CCTexture2D.h"
#include "engine/textures/CCTextureCache.h"
#include "foundation/Format.h"
#include "foundation/Log.h"

namespace mw {

CCAnimationFrame::CCAnimationFrame(CCSpriteFrame* spriteFrame, float delayUnits, Value userInfo)
    : spriteFrame_(spriteFrame), delayUnits_(delayUnits), userInfo_(std::move(userInfo))
{
}

CCAnimationFrame::~CCAnimationFrame() = default;

Ref<CCAnimationFrame> CCAnimationFrame::copy() const
{
    Ref<CCSpriteFrame> frameCopy = spriteFrame_ ? spriteFrame_->copy() : nullptr;
    return makeRef<CCAnimationFrame>(frameCopy.get(), delayUnits_, userInfo_);
}

void CCAnimationFrame::setSpriteFrame(CCSpriteFrame* spriteFrame) { spriteFrame_ = spriteFrame; }

std::string CCAnimationFrame::description() const
{
    return format("<%s = %s | SpriteFrame = %s, delayUnits = %0.2f >", ccClassName(typeid(*this)).c_str(),
                  ccAddressString(this).c_str(), ccAddressString(spriteFrame_.get()).c_str(), delayUnits_);
}

CCAnimation::CCAnimation(const std::vector<Ref<CCSpriteFrame>>& spriteFrames, float delay)
{
    frames_.reserve(spriteFrames.size());
    duration_ = delay * spriteFrames.size();
    for (const Ref<CCSpriteFrame>& spriteFrame : spriteFrames) {
        frames_.push_back(makeRef<CCAnimationFrame>(spriteFrame.get(), 1.0f));
        totalDelayUnits_ += 1;
    }
    delayPerUnit_ = delay;
}

CCAnimation::CCAnimation(const std::vector<Ref<CCAnimationFrame>>& frames, float delayPerUnit)
    : delayPerUnit_(delayPerUnit), frames_(frames)
{
    for (const Ref<CCAnimationFrame>& frame : frames_) {
        duration_ += delayPerUnit_ * frame->delayUnits();
        totalDelayUnits_ += frame->delayUnits();
    }
}

void CCAnimation::addFrame(CCSpriteFrame* spriteFrame)
{
    frames_.push_back(makeRef<CCAnimationFrame>(spriteFrame, 1.0f));
    duration_ += delayPerUnit_;
    totalDelayUnits_ += 1;
}

void CCAnimation::addFrame(CCSpriteFrame* spriteFrame, float delay)
{
    if (frames_.empty()) delayPerUnit_ = delay;
    // 0 / 0 would make the total delay units NaN for good, and the split
    // times of every animate made from it with them.
    const float units = delayPerUnit_ != 0 ? delay / delayPerUnit_ : 0.0f;
    frames_.push_back(makeRef<CCAnimationFrame>(spriteFrame, units));
    totalDelayUnits_ += units;
    duration_ += delay;
}

bool CCAnimation::addFrameWithFilename(const std::string& path)
{
    Ref<CCTexture2D> texture = CCTextureCache::sharedTextureCache()->addImage(path);
    if (!texture) {
        logLine("CCAnimation: cannot load the frame image %s", path.c_str());
        return false;
    }
    const CGSize size = texture->contentSize();
    addFrame(CCSpriteFrame::frameWithTexture(texture.get(), CGRect(0, 0, size.width, size.height)).get());
    return true;
}

void CCAnimation::addFrameWithTexture(CCTexture2D* texture, CGRect rect)
{
    addFrame(CCSpriteFrame::frameWithTexture(texture, rect).get());
}

std::string CCAnimation::description() const
{
    return format("<%s = %s | frames=%d, totalDelayUnits=%d, delayPerUnit=%f>", ccClassName(typeid(*this)).c_str(),
                  ccAddressString(this).c_str(), static_cast<int>(frames_.size()),
                  static_cast<int>(totalDelayUnits_), delayPerUnit_);
}

} // namespace mw
