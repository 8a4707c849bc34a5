#pragma once

#include <cstdint>

#include "engine/base/ccTypes.h"

namespace mw {

// Colour and opacity of a node that has them (sprites, labels, colour
// layers, sprite and label menu items). The fading and tinting actions find
// it on their node by a cross-cast; nodes without it are left alone.
class CCRGBAProtocol {
public:
    virtual ~CCRGBAProtocol() = default;

    // 0 (transparent) to 255 (opaque).
    virtual uint8_t opacity() const = 0;
    virtual void setOpacity(uint8_t opacity) = 0;
    virtual ccColor3B color() const = 0;
    virtual void setColor(ccColor3B color) = 0;
};

} // namespace mw
