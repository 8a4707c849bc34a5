#include "foundation/Geometry.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace mw {

float CGRectGetMinX(const CGRect& r) { return CGRectStandardize(r).origin.x; }
float CGRectGetMaxX(const CGRect& r)
{
    CGRect s = CGRectStandardize(r);
    return s.origin.x + s.size.width;
}
float CGRectGetMinY(const CGRect& r) { return CGRectStandardize(r).origin.y; }
float CGRectGetMaxY(const CGRect& r)
{
    CGRect s = CGRectStandardize(r);
    return s.origin.y + s.size.height;
}
float CGRectGetMidX(const CGRect& r)
{
    CGRect s = CGRectStandardize(r);
    return s.origin.x + s.size.width * 0.5f;
}
float CGRectGetMidY(const CGRect& r)
{
    CGRect s = CGRectStandardize(r);
    return s.origin.y + s.size.height * 0.5f;
}
float CGRectGetWidth(const CGRect& r) { return std::fabs(r.size.width); }
float CGRectGetHeight(const CGRect& r) { return std::fabs(r.size.height); }

CGRect CGRectStandardize(const CGRect& r)
{
    CGRect s = r;
    if (s.size.width < 0) {
        s.origin.x += s.size.width;
        s.size.width = -s.size.width;
    }
    if (s.size.height < 0) {
        s.origin.y += s.size.height;
        s.size.height = -s.size.height;
    }
    return s;
}

bool CGRectContainsPoint(const CGRect& r, CGPoint p)
{
    CGRect s = CGRectStandardize(r);
    return p.x >= s.origin.x && p.x < s.origin.x + s.size.width && p.y >= s.origin.y &&
           p.y < s.origin.y + s.size.height;
}

// Rectangles that only share an edge do not intersect: their common area is empty.
bool CGRectIntersectsRect(const CGRect& a, const CGRect& b)
{
    CGRect sa = CGRectStandardize(a);
    CGRect sb = CGRectStandardize(b);
    return sa.origin.x < sb.origin.x + sb.size.width && sb.origin.x < sa.origin.x + sa.size.width &&
           sa.origin.y < sb.origin.y + sb.size.height && sb.origin.y < sa.origin.y + sa.size.height;
}

bool CGRectEqualToRect(const CGRect& a, const CGRect& b)
{
    return CGRectStandardize(a) == CGRectStandardize(b);
}
bool CGPointEqualToPoint(CGPoint a, CGPoint b) { return a == b; }
bool CGSizeEqualToSize(CGSize a, CGSize b) { return a == b; }

CGAffineTransform CGAffineTransformConcat(const CGAffineTransform& t1, const CGAffineTransform& t2)
{
    // Row-vector convention: p' = p * t1 * t2, so t1 acts first.
    return {
        t1.a * t2.a + t1.b * t2.c,
        t1.a * t2.b + t1.b * t2.d,
        t1.c * t2.a + t1.d * t2.c,
        t1.c * t2.b + t1.d * t2.d,
        t1.tx * t2.a + t1.ty * t2.c + t2.tx,
        t1.tx * t2.b + t1.ty * t2.d + t2.ty,
    };
}

CGAffineTransform CGAffineTransformMakeTranslation(float dx, float dy) { return {1, 0, 0, 1, dx, dy}; }

CGAffineTransform CGAffineTransformMakeRotation(float radians)
{
    float c = std::cos(radians);
    float s = std::sin(radians);
    return {c, s, -s, c, 0, 0};
}

CGAffineTransform CGAffineTransformMakeScale(float sx, float sy) { return {sx, 0, 0, sy, 0, 0}; }

CGAffineTransform CGAffineTransformTranslate(const CGAffineTransform& t, float dx, float dy)
{
    return CGAffineTransformConcat(CGAffineTransformMakeTranslation(dx, dy), t);
}

CGAffineTransform CGAffineTransformRotate(const CGAffineTransform& t, float radians)
{
    return CGAffineTransformConcat(CGAffineTransformMakeRotation(radians), t);
}

CGAffineTransform CGAffineTransformScale(const CGAffineTransform& t, float sx, float sy)
{
    return CGAffineTransformConcat(CGAffineTransformMakeScale(sx, sy), t);
}

CGAffineTransform CGAffineTransformInvert(const CGAffineTransform& t)
{
    // Doubles keep the inverse of a transform with large translations accurate.
    double det = double(t.a) * t.d - double(t.b) * t.c;
    if (det == 0 || !std::isfinite(det)) {
        return t;
    }
    double a = t.d / det;
    double b = -t.b / det;
    double c = -t.c / det;
    double d = t.a / det;
    double tx = -(double(t.tx) * a + double(t.ty) * c);
    double ty = -(double(t.tx) * b + double(t.ty) * d);
    return {float(a), float(b), float(c), float(d), float(tx), float(ty)};
}

bool CGAffineTransformIsIdentity(const CGAffineTransform& t) { return t == CGAffineTransformIdentity; }

CGPoint CGPointApplyAffineTransform(CGPoint p, const CGAffineTransform& t)
{
    return {t.a * p.x + t.c * p.y + t.tx, t.b * p.x + t.d * p.y + t.ty};
}

CGSize CGSizeApplyAffineTransform(CGSize s, const CGAffineTransform& t)
{
    return {t.a * s.width + t.c * s.height, t.b * s.width + t.d * s.height};
}

CGRect CGRectApplyAffineTransform(const CGRect& r, const CGAffineTransform& t)
{
    CGRect s = CGRectStandardize(r);
    float x0 = s.origin.x, y0 = s.origin.y;
    float x1 = x0 + s.size.width, y1 = y0 + s.size.height;
    CGPoint corners[4] = {
        CGPointApplyAffineTransform({x0, y0}, t),
        CGPointApplyAffineTransform({x1, y0}, t),
        CGPointApplyAffineTransform({x0, y1}, t),
        CGPointApplyAffineTransform({x1, y1}, t),
    };
    float minX = corners[0].x, maxX = corners[0].x, minY = corners[0].y, maxY = corners[0].y;
    for (const CGPoint& c : corners) {
        minX = std::min(minX, c.x);
        maxX = std::max(maxX, c.x);
        minY = std::min(minY, c.y);
        maxY = std::max(maxY, c.y);
    }
    return {minX, minY, maxX - minX, maxY - minY};
}

// --- Geometry strings -------------------------------------------------------

namespace {

// A cursor over a geometry string. Every read is forgiving: what cannot be
// read as a number reads as 0 and the cursor moves on to the next separator.
class GeometryScanner {
public:
    explicit GeometryScanner(const std::string& text) : pos_(text.data()), end_(text.data() + text.size()) {}

    // Reads "{a, b}"; braces, the comma and either number may be missing.
    std::pair<float, float> readPair()
    {
        skipSpaces();
        accept('{');
        float first = readNumber();
        float second = 0;
        skipSpaces();
        if (accept(',')) {
            second = readNumber();
        }
        skipSpaces();
        accept('}');
        return {first, second};
    }

    // Reads "{{a, b}, {c, d}}".
    std::pair<std::pair<float, float>, std::pair<float, float>> readPairOfPairs()
    {
        skipSpaces();
        accept('{');
        auto first = readPair();
        skipSpaces();
        accept(',');
        auto second = readPair();
        return {first, second};
    }

private:
    void skipSpaces()
    {
        while (pos_ < end_ && (*pos_ == ' ' || *pos_ == '\t' || *pos_ == '\n' || *pos_ == '\r')) {
            ++pos_;
        }
    }

    bool accept(char c)
    {
        if (pos_ < end_ && *pos_ == c) {
            ++pos_;
            return true;
        }
        return false;
    }

    // Parses a number in the C locale, then skips whatever follows it up to
    // the next separator so that junk after a number does not derail the rest.
    float readNumber()
    {
        skipSpaces();
        if (pos_ < end_ && *pos_ == '+') {
            ++pos_;
        }
        float value = 0;
        auto [next, error] = std::from_chars(pos_, end_, value);
        if (error == std::errc() && std::isfinite(value)) {
            pos_ = next;
        } else {
            value = 0;
            if (error == std::errc()) {
                pos_ = next;
            }
        }
        while (pos_ < end_ && *pos_ != ',' && *pos_ != '}' && *pos_ != '{') {
            ++pos_;
        }
        return value;
    }

    const char* pos_;
    const char* end_;
};

// The shortest text that reads back as the same float, in the C locale.
std::string shortestNumber(float value)
{
    if (value == 0) {
        return "0"; // also folds -0 into "0"
    }
    char buffer[32];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string pairString(float first, float second)
{
    return std::string("{") + shortestNumber(first) + ", " + shortestNumber(second) + "}";
}

} // namespace

CGPoint CGPointFromString(const std::string& s)
{
    auto [x, y] = GeometryScanner(s).readPair();
    return {x, y};
}

CGSize CGSizeFromString(const std::string& s)
{
    auto [w, h] = GeometryScanner(s).readPair();
    return {w, h};
}

CGRect CGRectFromString(const std::string& s)
{
    auto [origin, size] = GeometryScanner(s).readPairOfPairs();
    return {origin.first, origin.second, size.first, size.second};
}

std::string NSStringFromCGPoint(CGPoint p) { return pairString(p.x, p.y); }

std::string NSStringFromCGSize(CGSize s) { return pairString(s.width, s.height); }

std::string NSStringFromCGRect(const CGRect& r)
{
    return std::string("{") + pairString(r.origin.x, r.origin.y) + ", " + pairString(r.size.width, r.size.height) + "}";
}

} // namespace mw
