#include "engine/base/CCRGBAState.h"

namespace mw {

void CCRGBAState::setColor(ccColor3B color)
{
    colorUnmodified_ = color;
    color_ = color;
    if (opacityModifyRGB_) {
        color_ = {premultiplied(color.r, opacity_), premultiplied(color.g, opacity_),
                  premultiplied(color.b, opacity_)};
    }
}

void CCRGBAState::setOpacity(uint8_t opacity)
{
    opacity_ = opacity;
    if (opacityModifyRGB_) setColor(colorUnmodified_);
}

void CCRGBAState::setOpacityModifyRGB(bool modify)
{
    const ccColor3B asSet = color();
    opacityModifyRGB_ = modify;
    setColor(asSet);
}

} // namespace mw
