#pragma once

#include <cstdint>
#include <string>

#include "engine/sprites/CCSprite.h"
#include "foundation/Ref.h"

namespace mw {

class CCLabelTTF;

// The not-seen badge on the HUD's tab buttons: the count of new items on a
// narrow picture for one digit or a wide one for more. It pops in after an
// optional delay and shrinks away with Hide.
class CCSeenCounter : public CCSprite {
public:
    // delay > 0: starts at scale 0.8 and, after the delay, pops to 1.2, 0.95
    // and 1.0 in 0.1 s steps.
    CCSeenCounter(int32_t count, float delay);
    static Ref<CCSeenCounter> counterWithNumber(int32_t count, float delay)
    {
        return makeRef<CCSeenCounter>(count, delay);
    }

    // The picture for a count: "alert_01.png" for one character, else "alert_02.png".
    static std::string pictureFrameName(int32_t count);

    int32_t GetValue() const { return Value; }
    // Shows another count; the picture changes only when the count crosses
    // between one digit and more. Nothing for the count already shown.
    void SetNumber(int32_t count);
    // Shrinks to 0.3 in 0.1 s, then Remove.
    void Hide();
    // Takes the badge off its parent.
    void Remove();

    CCSprite* picture() const { return Bcg.get(); }
    CCLabelTTF* label() const { return text.get(); }

private:
    void buildPicture(int32_t count);

    int32_t Value = 0;
    Ref<CCSprite> Bcg;
    Ref<CCLabelTTF> text;
};

} // namespace mw
