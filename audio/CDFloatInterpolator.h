#pragma once

#include "foundation/Object.h"

namespace mw {

// Curves a progress value from 0 to 1 maps through.
enum CDInterpolationType : int {
    kCDInterpolationLinear = 0,
    kCDInterpolationSCurve = 1,      // smooth start and end: t^2 (3 - 2t)
    kCDInterpolationExponential = 2, // fast at the start when falling, at the end when rising
};

// Maps a progress value onto the range from start to end along one curve.
class CDFloatInterpolator : public Object {
public:
    CDFloatInterpolator(int interpolationType, float startVal, float endVal);

    // Progress of 1 or more gives end; an unknown curve gives 0.
    float interpolate(float t) const;

    float start() const { return start_; }
    void setStart(float start) { start_ = start; }
    float end() const { return end_; }
    void setEnd(float end) { end_ = end; }
    int interpolationType() const { return interpolationType_; }
    void setInterpolationType(int type) { interpolationType_ = type; }

private:
    float start_;
    float end_;
    int interpolationType_;
};

} // namespace mw
