#pragma once

#include <string>

namespace mw {

// The platform's 2D value types. Points and sizes are 32-bit floats.
struct CGPoint {
    float x = 0, y = 0;
    constexpr CGPoint() = default;
    constexpr CGPoint(float x_, float y_) : x(x_), y(y_) {}
    friend constexpr bool operator==(const CGPoint&, const CGPoint&) = default;
};

struct CGSize {
    float width = 0, height = 0;
    constexpr CGSize() = default;
    constexpr CGSize(float w, float h) : width(w), height(h) {}
    friend constexpr bool operator==(const CGSize&, const CGSize&) = default;
};

struct CGRect {
    CGPoint origin;
    CGSize size;
    constexpr CGRect() = default;
    constexpr CGRect(CGPoint o, CGSize s) : origin(o), size(s) {}
    constexpr CGRect(float x, float y, float w, float h) : origin(x, y), size(w, h) {}
    friend constexpr bool operator==(const CGRect&, const CGRect&) = default;
};

// Maps (x, y) to (a*x + c*y + tx, b*x + d*y + ty).
struct CGAffineTransform {
    float a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;
    friend constexpr bool operator==(const CGAffineTransform&, const CGAffineTransform&) = default;
};

inline constexpr CGPoint CGPointZero{0, 0};
inline constexpr CGSize CGSizeZero{0, 0};
inline constexpr CGRect CGRectZero{};
inline constexpr CGAffineTransform CGAffineTransformIdentity{1, 0, 0, 1, 0, 0};

inline constexpr CGPoint CGPointMake(float x, float y) { return {x, y}; }
inline constexpr CGSize CGSizeMake(float w, float h) { return {w, h}; }
inline constexpr CGRect CGRectMake(float x, float y, float w, float h) { return {x, y, w, h}; }
inline constexpr CGAffineTransform CGAffineTransformMake(float a, float b, float c, float d, float tx, float ty)
{
    return {a, b, c, d, tx, ty};
}

float CGRectGetMinX(const CGRect& r);
float CGRectGetMaxX(const CGRect& r);
float CGRectGetMinY(const CGRect& r);
float CGRectGetMaxY(const CGRect& r);
float CGRectGetMidX(const CGRect& r);
float CGRectGetMidY(const CGRect& r);
float CGRectGetWidth(const CGRect& r);
float CGRectGetHeight(const CGRect& r);
// The rectangle with a non-negative width and height covering the same area.
CGRect CGRectStandardize(const CGRect& r);
// Points on the right or top edge are outside, as on the platform.
bool CGRectContainsPoint(const CGRect& r, CGPoint p);
bool CGRectIntersectsRect(const CGRect& a, const CGRect& b);
bool CGRectEqualToRect(const CGRect& a, const CGRect& b);
bool CGPointEqualToPoint(CGPoint a, CGPoint b);
bool CGSizeEqualToSize(CGSize a, CGSize b);

// The new operation is applied to points first, then t.
CGAffineTransform CGAffineTransformTranslate(const CGAffineTransform& t, float dx, float dy);
CGAffineTransform CGAffineTransformRotate(const CGAffineTransform& t, float radians);
CGAffineTransform CGAffineTransformScale(const CGAffineTransform& t, float sx, float sy);
// t1 applied first, then t2.
CGAffineTransform CGAffineTransformConcat(const CGAffineTransform& t1, const CGAffineTransform& t2);
// A transform that cannot be inverted comes back unchanged.
CGAffineTransform CGAffineTransformInvert(const CGAffineTransform& t);
CGAffineTransform CGAffineTransformMakeTranslation(float dx, float dy);
CGAffineTransform CGAffineTransformMakeRotation(float radians);
CGAffineTransform CGAffineTransformMakeScale(float sx, float sy);
bool CGAffineTransformIsIdentity(const CGAffineTransform& t);
CGPoint CGPointApplyAffineTransform(CGPoint p, const CGAffineTransform& t);
CGSize CGSizeApplyAffineTransform(CGSize s, const CGAffineTransform& t);
// The smallest axis-aligned rectangle holding the four transformed corners.
CGRect CGRectApplyAffineTransform(const CGRect& r, const CGAffineTransform& t);

// Geometry strings as the platform wrote them: "{x, y}", "{w, h}", "{{x, y}, {w, h}}".
// Parsing is forgiving: missing numbers read as 0, spaces are optional.
CGPoint CGPointFromString(const std::string& s);
CGSize CGSizeFromString(const std::string& s);
CGRect CGRectFromString(const std::string& s);
std::string NSStringFromCGPoint(CGPoint p);
std::string NSStringFromCGSize(CGSize s);
std::string NSStringFromCGRect(const CGRect& r);

} // namespace mw
