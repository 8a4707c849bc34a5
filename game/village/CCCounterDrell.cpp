#include "game/village/CCCounterDrell.h"

#include <string>

#include "engine/labels/CCLabelTTF.h"
#include "foundation/Shared.h"
#include "game/state/GlobalObject.h"

namespace mw {

namespace {
float fontSize()
{
    const GlobalObject* global = Shared<GlobalObject>::current();
    return global != nullptr && global->isIpad ? 22.0f : 11.0f;
}
} // namespace

CCCounterDrell::CCCounterDrell(int32_t number, bool red) : value_(number)
{
    label_ = CCLabelTTF::labelWithString(std::to_string(number), "HelveticaNeue-Bold", fontSize());
    label_->setColor(red ? ccc3(255, 40, 30) : ccc3(255, 255, 255));
    addChild(label_.get(), 1);
}

void CCCounterDrell::SetNumber(int32_t number)
{
    if (number == value_) return;
    value_ = number;
    label_->setString(std::to_string(number));
}

void CCCounterDrell::CounterAlpha(uint8_t text, uint8_t plate)
{
    (void)plate; // the least badge has no plate
    label_->setOpacity(text);
}

uint8_t CCCounterDrell::textOpacity() const
{
    return label_->opacity();
}

} // namespace mw
