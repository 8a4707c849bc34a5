#pragma once

#include <cstdint>

#include "engine/nodes/CCLayerColor.h"

namespace mw {

// A colour layer whose corners fade from a start colour to an end colour
// along a direction. The start colour and the overall opacity are the colour
// layer's colour and opacity; each end has an opacity of its own.
class CCLayerGradient : public CCLayerColor {
public:
    // From start to end along (0, -1): start at the top, end at the bottom.
    CCLayerGradient(ccColor4B start, ccColor4B end);
    // Window size; overall opacity 255; compressed interpolation on.
    CCLayerGradient(ccColor4B start, ccColor4B end, CGPoint vector);

    static Ref<CCLayerGradient> layerWithColor(ccColor4B start, ccColor4B end)
    {
        return makeRef<CCLayerGradient>(start, end);
    }
    static Ref<CCLayerGradient> layerWithColor(ccColor4B start, ccColor4B end, CGPoint vector)
    {
        return makeRef<CCLayerGradient>(start, end, vector);
    }

    ccColor3B startColor() const { return color(); }
    void setStartColor(ccColor3B color) { setColor(color); }
    ccColor3B endColor() const { return endColor_; }
    void setEndColor(ccColor3B color);
    uint8_t startOpacity() const { return startOpacity_; }
    void setStartOpacity(uint8_t opacity);
    uint8_t endOpacity() const { return endOpacity_; }
    void setEndOpacity(uint8_t opacity);
    // The direction from start to end; a zero vector shows the flat start colour.
    CGPoint vector() const { return vector_; }
    void setVector(CGPoint vector);
    // When on, the gradient is stretched so the corners reach the pure colours.
    bool compressedInterpolation() const { return compressedInterpolation_; }
    void setCompressedInterpolation(bool compressed);

protected:
    void updateColor() override;

    ccColor3B endColor_;
    uint8_t startOpacity_ = 255;
    uint8_t endOpacity_ = 255;
    CGPoint vector_{0, -1};
    bool compressedInterpolation_ = true;
};

} // namespace mw
