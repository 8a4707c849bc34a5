#include "engine/nodes/CCLayerGradient.h"

#include <algorithm>
#include <cmath>

#include "engine/base/CCPropertyRegistry.h"
#include "engine/base/CGPointExtension.h"

namespace mw {

namespace {

// Scene files name this class; it registers itself for the reader.
[[maybe_unused]] const bool classRegistered = [] {
    // Opaque black to opaque black until its colours are set.
    CCPropertyRegistry::shared().registerClass("CCLayerGradient", [] {
        return Ref<Object>(makeRef<CCLayerGradient>(ccColor4B{0, 0, 0, 255}, ccColor4B{0, 0, 0, 255}));
    });
    return true;
}();

} // namespace

CCLayerGradient::CCLayerGradient(ccColor4B start, ccColor4B end) : CCLayerGradient(start, end, {0, -1}) {}

CCLayerGradient::CCLayerGradient(ccColor4B start, ccColor4B end, CGPoint vector)
    : CCLayerColor(ccColor4B{start.r, start.g, start.b, 255})
{
    endColor_ = {end.r, end.g, end.b};
    endOpacity_ = end.a;
    startOpacity_ = start.a;
    vector_ = vector;
    compressedInterpolation_ = true;
    // The colour layer's constructor could only lay down the flat colour.
    updateColor();
}

void CCLayerGradient::setEndColor(ccColor3B color)
{
    endColor_ = color;
    updateColor();
}

void CCLayerGradient::setStartOpacity(uint8_t opacity)
{
    startOpacity_ = opacity;
    updateColor();
}

void CCLayerGradient::setEndOpacity(uint8_t opacity)
{
    endOpacity_ = opacity;
    updateColor();
}

void CCLayerGradient::setVector(CGPoint vector)
{
    vector_ = vector;
    updateColor();
}

void CCLayerGradient::setCompressedInterpolation(bool compressed)
{
    compressedInterpolation_ = compressed;
    updateColor();
}

void CCLayerGradient::updateColor()
{
    CCLayerColor::updateColor();

    const float h = ccpLength(vector_);
    if (h == 0) return;

    // One √2 throughout: with a single-precision √2 in the compression the
    // pure corners came out one unit short of the start and end colours.
    const double c = std::sqrt(2.0);
    double ux = vector_.x / h;
    double uy = vector_.y / h;
    if (compressedInterpolation_) {
        const double stretch = c / (std::fabs(ux) + std::fabs(uy));
        ux *= stretch;
        uy *= stretch;
    }

    const float o = opacity_ / 255.0f;
    const ccColor4B S{color_.r, color_.g, color_.b, static_cast<uint8_t>(startOpacity_ * o)};
    const ccColor4B E{endColor_.r, endColor_.g, endColor_.b, static_cast<uint8_t>(endOpacity_ * o)};

    // k is the share of the start colour at each corner.
    const double k[4] = {
        (c + ux + uy) / (2 * c),  // bottom-left
        (c - ux + uy) / (2 * c),  // bottom-right
        (c + ux - uy) / (2 * c),  // top-left
        (c - ux - uy) / (2 * c),  // top-right
    };
    // Truncated like the colour it stands for, after a nudge far below one
    // unit, so that rounding noise at a pure corner (254.99999...) does not
    // drop it a whole unit.
    auto mix = [](uint8_t end, uint8_t start, double share) {
        const double value = end + (start - end) * share + 1e-6;
        return static_cast<uint8_t>(std::clamp(value, 0.0, 255.0));
    };
    for (int i = 0; i < 4; ++i) {
        squareColors_[i]
            = {mix(E.r, S.r, k[i]), mix(E.g, S.g, k[i]), mix(E.b, S.b, k[i]), mix(E.a, S.a, k[i])};
    }
}

} // namespace mw
