#include "game/village/CCDownSizeButton.h"

#include "engine/actions/CCActionInterval.h"
#include "engine/sprites/CCSprite.h"

namespace mw {

Ref<CCDownSizeButton> CCDownSizeButton::itemFromFrameName(const std::string& frame, CCMenuCallback callback)
{
    auto normal = CCSprite::spriteWithSpriteFrameName(frame);
    auto pressed = CCSprite::spriteWithSpriteFrameName(frame);
    if (!normal || !pressed) return nullptr;
    return itemFromNormalSprite(normal.get(), pressed.get(), nullptr, std::move(callback));
}

void CCDownSizeButton::selected()
{
    if (!isEnabled()) return;
    CCMenuItemSprite::selected();
    if (getActionByTag(kCCZoomActionTag) != nullptr) {
        stopActionByTag(kCCZoomActionTag);
    } else {
        originalScale_ = scale();
    }
    auto shrink = CCScaleTo::actionWithDuration(0.1f, originalScale_ * 0.92f);
    shrink->setTag(kCCZoomActionTag);
    runAction(shrink.get());
}

void CCDownSizeButton::unselected()
{
    if (!isEnabled()) return;
    CCMenuItemSprite::unselected();
    stopActionByTag(kCCZoomActionTag);
    auto grow = CCScaleTo::actionWithDuration(0.1f, originalScale_);
    grow->setTag(kCCZoomActionTag);
    runAction(grow.get());
}

} // namespace mw
