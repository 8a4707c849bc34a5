#include "audio/CDFloatInterpolator.h"

#include <cmath>

namespace mw {

CDFloatInterpolator::CDFloatInterpolator(int interpolationType, float startVal, float endVal)
    : start_(startVal), end_(endVal), interpolationType_(interpolationType)
{
}

float CDFloatInterpolator::interpolate(float t) const
{
    if (t >= 1.0f) return end_;
    const float delta = end_ - start_;
    switch (interpolationType_) {
    case kCDInterpolationLinear: return start_ + t * delta;
    case kCDInterpolationSCurve: return start_ + t * t * (3.0f - 2.0f * t) * delta;
    case kCDInterpolationExponential:
        if (end_ > start_) {
            if (t == 0.0f) return start_;
            return start_ + (std::pow(2.0f, 10.0f * (t - 1.0f)) - 0.001f) * delta;
        }
        return start_ + (1.0f - std::pow(2.0f, -10.0f * t)) * delta;
    default: return 0.0f;
    }
}

} // namespace mw
