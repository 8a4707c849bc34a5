#pragma once

#include "engine/base/CCRGBAProtocol.h"
#include "engine/nodes/CCNode.h"

namespace mw::testing {

// A node with colour and opacity, as sprites and labels have them.
class ColourNode : public CCNode, public CCRGBAProtocol {
public:
    uint8_t opacity() const override { return opacity_; }
    void setOpacity(uint8_t opacity) override { opacity_ = opacity; }
    ccColor3B color() const override { return color_; }
    void setColor(ccColor3B color) override { color_ = color; }

private:
    uint8_t opacity_ = 255;
    ccColor3B color_ = ccWHITE;
};

} // namespace mw::testing
