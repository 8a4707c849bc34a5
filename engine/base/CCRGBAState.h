#pragma once

#include <cstdint>

#include "engine/base/ccTypes.h"

namespace mw {

// The colour-and-opacity bookkeeping behind CCRGBAProtocol, for every node
// that draws with one colour and one opacity (sprites and atlas nodes; the
// labels, menu items, particles and progress timers keep theirs the same
// way). It holds the colour as the caller set it and the colour to draw with.
// While opacity modifies RGB (a texture whose alpha is premultiplied) each
// channel of the drawn colour is the set channel x opacity / 255, truncated,
// so colour and alpha reach the blend premultiplied alike. The owner writes
// drawColor() and opacity() to wherever its vertices or GL state take them.
// A plain value.
class CCRGBAState {
public:
    // 0 (transparent) to 255 (opaque); 255 at first.
    uint8_t opacity() const { return opacity_; }
    // The colour as last set while opacity modifies RGB; otherwise the drawn
    // colour (which is the same unless the flag was changed alone).
    ccColor3B color() const { return opacityModifyRGB_ ? colorUnmodified_ : color_; }
    // The colour to draw with; white at first.
    ccColor3B drawColor() const { return color_; }
    // The drawn colour with the opacity as alpha, as a vertex takes it.
    ccColor4B drawColor4B() const { return {color_.r, color_.g, color_.b, opacity_}; }
    // True at first.
    bool opacityModifyRGB() const { return opacityModifyRGB_; }

    // Both colours become `color`; the drawn one premultiplied while opacity
    // modifies RGB.
    void setColor(ccColor3B color);
    // Stores the opacity; while opacity modifies RGB the colour as set is
    // premultiplied again with it.
    void setOpacity(uint8_t opacity);
    // Reads color(), stores the flag, then sets that colour again under the
    // new rule.
    void setOpacityModifyRGB(bool modify);
    // Stores the flag alone: both colours stay as they are (a texture change
    // on an atlas node, which re-applies nothing).
    void setOpacityModifyRGBFlag(bool modify) { opacityModifyRGB_ = modify; }

    // One channel times an opacity, in the integer arithmetic above.
    static uint8_t premultiplied(uint8_t channel, uint8_t opacity)
    {
        return static_cast<uint8_t>(channel * opacity / 255);
    }

private:
    uint8_t opacity_ = 255;
    ccColor3B color_ = ccWHITE;
    ccColor3B colorUnmodified_ = ccWHITE;
    bool opacityModifyRGB_ = true;
};

} // namespace mw
