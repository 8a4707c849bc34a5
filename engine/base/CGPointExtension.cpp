#include "engine/base/CGPointExtension.h"

#include <algorithm>

namespace mw {

float ccpLength(CGPoint v) { return std::sqrt(ccpLengthSQ(v)); }

float ccpDistance(CGPoint a, CGPoint b) { return ccpLength(ccpSub(a, b)); }

CGPoint ccpNormalize(CGPoint v) { return ccpMult(v, 1.0f / ccpLength(v)); }

CGPoint ccpLerp(CGPoint a, CGPoint b, float alpha)
{
    return ccpAdd(ccpMult(a, 1.0f - alpha), ccpMult(b, alpha));
}

CGPoint ccpCompMult(CGPoint a, CGPoint b) { return {a.x * b.x, a.y * b.y}; }

float ccpToAngle(CGPoint v) { return std::atan2(v.y, v.x); }

CGPoint ccpRotateByAngle(CGPoint v, CGPoint pivot, float radians)
{
    const CGPoint r = ccpSub(v, pivot);
    const float cosa = std::cos(radians);
    const float sina = std::sin(radians);
    return ccpAdd(pivot, {r.x * cosa - r.y * sina, r.x * sina + r.y * cosa});
}

float clampf(float value, float bound1, float bound2)
{
    const float low = std::min(bound1, bound2);
    const float high = std::max(bound1, bound2);
    return std::min(std::max(value, low), high);
}

bool ccpLineIntersect(CGPoint A, CGPoint B, CGPoint C, CGPoint D, float* S, float* T)
{
    if ((A.x == B.x && A.y == B.y) || (C.x == D.x && C.y == D.y)) {
        return false;
    }
    const float BAx = B.x - A.x, BAy = B.y - A.y;
    const float DCx = D.x - C.x, DCy = D.y - C.y;
    const float ACx = A.x - C.x, ACy = A.y - C.y;

    const float s = DCx * ACy - DCy * ACx;
    const float t = BAx * ACy - BAy * ACx;
    const float denom = DCy * BAx - DCx * BAy;
    *S = s;
    *T = t;
    if (denom == 0) {
        // Parallel: the same line exactly when a numerator vanishes too.
        return s == 0 || t == 0;
    }
    *S = s / denom;
    *T = t / denom;
    return true;
}

} // namespace mw
