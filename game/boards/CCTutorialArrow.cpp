#include "game/boards/CCTutorialArrow.h"

#include "engine/actions/CCActionEase.h"
#include "engine/actions/CCActionInterval.h"
#include "engine/actions/CCRepeat.h"
#include "engine/actions/CCSequence.h"
#include "game/boards/WidgetDevice.h"

namespace mw {

CCTutorialArrow::CCTutorialArrow()
{
    picture_ = CCSprite::spriteWithSpriteFrameName("strzalka.png");
    if (!picture_) return;
    const bool tablet = widgetOnTablet();
    picture_->setAnchorPoint({0.5f, 0});
    picture_->setPosition({0, tablet ? -10.0f : -5.0f});
    addChild(picture_.get(), 3);
    const float rise = tablet ? 40.0f : 20.0f;
    auto up = CCEaseSineInOut::actionWithAction(CCMoveBy::actionWithDuration(0.6f, {0, rise}));
    auto down = CCEaseSineInOut::actionWithAction(CCMoveBy::actionWithDuration(0.6f, {0, -rise}));
    picture_->runAction(
        CCRepeatForever::actionWithAction(CCSequence::actionOne(up.get(), down.get()).get()).get());
}

} // namespace mw
