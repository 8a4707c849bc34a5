#include "game/boards/CCCounterDrell.h"

#include <algorithm>
#include <string>

#include "engine/actions/CCActionInterval.h"
#include "engine/actions/CCSequence.h"
#include "engine/labels/CCLabelTTF.h"
#include "foundation/Format.h"
#include "game/boards/WidgetDevice.h"

namespace mw {

std::string CCCounterDrell::plateFrameName(int32_t number, bool red)
{
    const size_t digits = std::min<size_t>(std::to_string(number).size(), 4);
    return format(red ? "resource_number_bg_x%d_red.png" : "resource_number_bg_x%d.png",
                  static_cast<int>(digits));
}

CCCounterDrell::CCCounterDrell(int32_t number, bool red)
{
    mult = widgetOnTablet() ? 2 : 1;
    build(number, red);
    setOpacity(255);
}

void CCCounterDrell::build(int32_t number, bool red)
{
    if (sp) removeChild(sp.get(), true);
    sp = CCSprite::spriteWithSpriteFrameName(plateFrameName(number, red));
    if (!sp) sp = makeRef<CCSprite>();
    text = CCLabelTTF::labelWithString(std::to_string(number), "HelveticaNeue", 12.0f * mult);
    text->setAnchorPoint({0.5f, 0.5f});
    const CGSize plateSize = sp->contentSize();
    text->setPosition({plateSize.width / 2, plateSize.height / 2});
    sp->addChild(text.get());
    addChild(sp.get(), 0);
    LastNumb = number;
}

void CCCounterDrell::SetNumber(int32_t number, bool red)
{
    if (number == LastNumb) return;
    // The new parts keep the opacities of the old ones, so a counter the
    // caller faded out does not flash back with its new number.
    const uint8_t labelOpacity = text->opacity();
    const uint8_t plateOpacity = sp->opacity();
    build(number, red);
    text->setOpacity(labelOpacity);
    sp->setOpacity(plateOpacity);
    stopActionByTag(kPulseTag);
    auto pulse = CCSequence::actions(
        {CCScaleTo::actionWithDuration(0.15f, 1.5f).get(), CCScaleTo::actionWithDuration(0.15f, 1.0f).get()});
    pulse->setTag(kPulseTag);
    runAction(pulse.get());
}

void CCCounterDrell::setOpacity(uint8_t opacity)
{
    CCSprite::setOpacity(opacity);
    text->setOpacity(opacity);
    sp->setOpacity(opacity);
}

void CCCounterDrell::CounterAlpha(float label, float plate)
{
    auto truncate = [](float value) { return static_cast<uint8_t>(std::clamp(value, 0.0f, 255.0f)); };
    if (text) text->setOpacity(truncate(label));
    if (sp) sp->setOpacity(truncate(plate));
}

uint8_t CCCounterDrell::textOpacity() const { return text->opacity(); }

} // namespace mw
