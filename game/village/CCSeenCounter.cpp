#include "game/village/CCSeenCounter.h"

#include <string>

#include "engine/actions/CCActionInstant.h"
#include "engine/actions/CCActionInterval.h"
#include "engine/actions/CCSequence.h"
#include "engine/labels/CCLabelTTF.h"
#include "game/boards/WidgetDevice.h"

namespace mw {

std::string CCSeenCounter::pictureFrameName(int32_t count)
{
    return std::to_string(count).size() == 1 ? "alert_01.png" : "alert_02.png";
}

CCSeenCounter::CCSeenCounter(int32_t count, float delay)
{
    buildPicture(count);
    Value = count;
    if (delay > 0) {
        setScale(0.8f);
        runAction(CCSequence::actions({CCDelayTime::actionWithDuration(delay).get(),
                                       CCScaleTo::actionWithDuration(0.1f, 1.2f).get(),
                                       CCScaleTo::actionWithDuration(0.1f, 0.95f).get(),
                                       CCScaleTo::actionWithDuration(0.1f, 1.0f).get()})
                      .get());
    }
}

void CCSeenCounter::buildPicture(int32_t count)
{
    if (Bcg) removeChild(Bcg.get(), true);
    Bcg = CCSprite::spriteWithSpriteFrameName(pictureFrameName(count));
    if (!Bcg) Bcg = makeRef<CCSprite>(); // missing art: the count still shows
    Bcg->setScale(0.8f);
    text = CCLabelTTF::labelWithString(std::to_string(count), "HelveticaNeue",
                                       widgetOnTablet() ? 28.0f : 14.0f);
    const CGSize size = Bcg->contentSize();
    text->setPosition({size.width * 0.5f, size.height * 0.6f});
    Bcg->addChild(text.get());
    addChild(Bcg.get());
}

void CCSeenCounter::SetNumber(int32_t count)
{
    if (count == Value) return;
    const bool wasWide = Value >= 10;
    const bool isWide = count >= 10;
    if (wasWide != isWide) {
        buildPicture(count);
    } else {
        text->setString(std::to_string(count));
    }
    Value = count;
}

void CCSeenCounter::Hide()
{
    runAction(
        CCSequence::actions({CCScaleTo::actionWithDuration(0.1f, 0.3f).get(),
                             CCCallFunc::actionWithTarget(this, call_selector(CCSeenCounter::Remove)).get()})
            .get());
}

void CCSeenCounter::Remove()
{
    if (parent()) removeFromParentAndCleanup(true);
}

} // namespace mw
