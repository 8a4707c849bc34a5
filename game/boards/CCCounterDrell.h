#pragma once

#include <cstdint>

#include "engine/sprites/CCSprite.h"
#include "foundation/Ref.h"

namespace mw {

class CCLabelTTF;

// The number badge of resource counts and prices: the number on a plate
// whose width follows its digit count (at most four; a minus sign counts),
// in a normal or a red style. A change of number rebuilds plate and label
// and pulses the badge; the same number again does nothing.
//
// The node itself shows nothing: the plate is its child at z-order 0 and
// the label the plate's child. A plate frame missing from the loaded
// sheets leaves an empty plate, so the number still shows.
class CCCounterDrell : public CCSprite {
public:
    explicit CCCounterDrell(int32_t number, bool red = false);
    static Ref<CCCounterDrell> counterWithNumber(int32_t number, bool red = false)
    {
        return makeRef<CCCounterDrell>(number, red);
    }

    // The sheet frame of the plate for a number.
    static std::string plateFrameName(int32_t number, bool red);

    // The number shown.
    int32_t GetValue() const { return LastNumb; }
    // Shows another number in the given style, rebuilding the plate and
    // pulsing (scale 1.5 in 0.15 s, back to 1.0 in 0.15 s); nothing for the
    // number already shown.
    void SetNumber(int32_t number, bool red);
    void SetNumber(int32_t number) { SetNumber(number, false); }
    // The node, the label and the plate together.
    void setOpacity(uint8_t opacity) override;
    // The label's and the plate's opacity separately (fractions truncated).
    void CounterAlpha(float label, float plate);

    uint8_t textOpacity() const;
    CCSprite* plate() const { return sp.get(); }
    CCLabelTTF* label() const { return text.get(); }

    // The tag of the running pulse.
    static constexpr int kPulseTag = 0x6d77c0;

private:
    void build(int32_t number, bool red);

    int32_t LastNumb = 0;
    int32_t mult = 1; // 2 on a tablet
    Ref<CCLabelTTF> text;
    Ref<CCSprite> sp;
};

} // namespace mw
