#include "engine/actions/CCAnimationFrame.h"

#include "engine/base/ccDescription.h"
#include "engine/sprites/CCSpriteFrame.h"
#include "foundation/Format.h"

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

} // namespace mw
