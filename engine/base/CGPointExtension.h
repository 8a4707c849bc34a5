#pragma once

#include <cmath>

#include "foundation/Geometry.h"

namespace mw {

// Point arithmetic in single precision. Angles are radians here (nodes use degrees).

inline constexpr CGPoint ccp(float x, float y) { return {x, y}; }
inline constexpr CGPoint ccpNeg(CGPoint v) { return {-v.x, -v.y}; }
inline constexpr CGPoint ccpAdd(CGPoint a, CGPoint b) { return {a.x + b.x, a.y + b.y}; }
inline constexpr CGPoint ccpSub(CGPoint a, CGPoint b) { return {a.x - b.x, a.y - b.y}; }
inline constexpr CGPoint ccpMult(CGPoint v, float s) { return {v.x * s, v.y * s}; }
inline constexpr CGPoint ccpMidpoint(CGPoint a, CGPoint b) { return ccpMult(ccpAdd(a, b), 0.5f); }
inline constexpr float ccpDot(CGPoint a, CGPoint b) { return a.x * b.x + a.y * b.y; }
inline constexpr float ccpCross(CGPoint a, CGPoint b) { return a.x * b.y - a.y * b.x; }
// Counter-clockwise and clockwise perpendiculars.
inline constexpr CGPoint ccpPerp(CGPoint v) { return {-v.y, v.x}; }
inline constexpr CGPoint ccpRPerp(CGPoint v) { return {v.y, -v.x}; }
inline constexpr float ccpLengthSQ(CGPoint v) { return ccpDot(v, v); }
inline constexpr CGPoint ccpFromSize(CGSize s) { return {s.width, s.height}; }
// The unit vector at the angle.
inline CGPoint ccpForAngle(float radians) { return {std::cos(radians), std::sin(radians)}; }

// sqrt(x^2 + y^2).
float ccpLength(CGPoint v);
float ccpDistance(CGPoint a, CGPoint b);
// v / |v|; the zero vector is not guarded against (the result is not finite).
CGPoint ccpNormalize(CGPoint v);
// a * (1 - alpha) + b * alpha, per component.
CGPoint ccpLerp(CGPoint a, CGPoint b, float alpha);
CGPoint ccpCompMult(CGPoint a, CGPoint b);
// atan2(v.y, v.x).
float ccpToAngle(CGPoint v);
// v turned about the pivot by the angle (counter-clockwise in a y-up frame).
CGPoint ccpRotateByAngle(CGPoint v, CGPoint pivot, float radians);
// The value held to the closed range between the bounds, which may come in either order.
float clampf(float value, float bound1, float bound2);

// Intersection of the line through A and B with the line through C and D.
// On success the crossing is A + S * (B - A) = C + T * (D - C). A degenerate
// line (A == B or C == D) answers false and leaves S and T alone. Parallel
// lines answer true only when they are the same line; S and T then hold the
// undivided numerators.
bool ccpLineIntersect(CGPoint A, CGPoint B, CGPoint C, CGPoint D, float* S, float* T);

} // namespace mw
