#pragma once

#include <cstdint>

#include "engine/nodes/CCNode.h"
#include "foundation/Ref.h"

namespace mw {

class CCLabelTTF;

// The number badge: a number on a plate. This is the least badge the boards
// need (the number, its value and the two opacities); the plate sized by the
// digit count comes with the village's widgets.
class CCCounterDrell : public CCNode {
public:
    explicit CCCounterDrell(int32_t number, bool red = false);
    static Ref<CCCounterDrell> counterWithNumber(int32_t number, bool red = false)
    {
        return makeRef<CCCounterDrell>(number, red);
    }

    // The value shown.
    int32_t GetValue() const { return value_; }
    // Shows another value (the text is rebuilt only when it changes).
    void SetNumber(int32_t number);
    // Opacity of the text and of the plate, 0 to 255.
    void CounterAlpha(uint8_t text, uint8_t plate);
    uint8_t textOpacity() const;

private:
    int32_t value_;
    Ref<CCLabelTTF> label_;
};

} // namespace mw
