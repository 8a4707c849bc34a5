#include "game/boards/ccThickLine.h"

#include <GLES/gl.h>

#include <algorithm>
#include <array>
#include <cmath>

#include "engine/base/ccContentScale.h"
#include "game/boards/BoardSupport.h"

namespace mw {

namespace {

// Switches the engine's texturing and per-vertex colour off for the length
// of a plain-colour draw.
class PlainColourDrawing {
public:
    PlainColourDrawing()
    {
        glDisable(GL_TEXTURE_2D);
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        glDisableClientState(GL_COLOR_ARRAY);
    }
    ~PlainColourDrawing()
    {
        glEnableClientState(GL_COLOR_ARRAY);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glEnable(GL_TEXTURE_2D);
    }
    PlainColourDrawing(const PlainColourDrawing&) = delete;
    PlainColourDrawing& operator=(const PlainColourDrawing&) = delete;
};

constexpr int kCapSegments = 16;

void drawStrip(const CGPoint* points, int count, float halfWidth, float scale)
{
    std::array<float, 8 * (kThickLineMaxPoints - 1)> vertices;
    const int n = ccThickLineVertices(points, count, halfWidth, scale, vertices.data());
    if (n == 0) return;
    glVertexPointer(2, GL_FLOAT, 0, vertices.data());
    glDrawArrays(GL_TRIANGLE_STRIP, 0, n);
}

void fillCircle(float x, float y, float radius, float angle, int segments, bool includeCentre)
{
    segments = std::min(segments, kCircleMaxSegments);
    if (segments < 1) return;
    if (board::isWideWindow()) radius *= 2;
    std::array<float, 2 * (kCircleMaxSegments + 2)> vertices;
    const int n = ccCircleFanVertices({x, y}, radius, angle, segments, ccContentScaleFactor(), vertices.data());
    glVertexPointer(2, GL_FLOAT, 0, vertices.data());
    glDrawArrays(GL_TRIANGLE_FAN, 0, includeCentre ? n : n - 1);
}

} // namespace

float ccThickLineHalfWidth()
{
    const float base = board::isIp3() ? 2.0f : 5.0f;
    return board::isWideWindow() ? base * 2 : base;
}

float ccThickLineCapRadius()
{
    return board::isIp3() ? 8.0f : 16.0f;
}

int ccCircleFanVertices(CGPoint centre, float radiusPixels, float angle, int segments, float scale, float* out)
{
    if (segments < 1) return 0;
    const float cx = centre.x * scale;
    const float cy = centre.y * scale;
    const float step = 2.0f * static_cast<float>(M_PI) / static_cast<float>(segments);
    for (int i = 0; i <= segments; ++i) {
        const float a = angle + step * static_cast<float>(i);
        out[2 * i] = cx + radiusPixels * std::cos(a);
        out[2 * i + 1] = cy + radiusPixels * std::sin(a);
    }
    out[2 * (segments + 1)] = cx;
    out[2 * (segments + 1) + 1] = cy;
    return segments + 2;
}

int ccThickLineVertices(const CGPoint* points, int count, float halfWidthPixels, float scale, float* out)
{
    if (count < 2) return 0;
    int n = 0;
    for (int i = 0; i + 1 < count; ++i) {
        const float x0 = points[i].x * scale, y0 = points[i].y * scale;
        const float x1 = points[i + 1].x * scale, y1 = points[i + 1].y * scale;
        const float dx = x1 - x0, dy = y1 - y0;
        const float length = std::sqrt(dx * dx + dy * dy);
        const float nx = length > 0 ? -dy / length : 0;
        const float ny = length > 0 ? dx / length : 0;
        const float wx = halfWidthPixels * nx, wy = halfWidthPixels * ny;
        const float quad[8] = {x0 + wx, y0 + wy, x0 - wx, y0 - wy, x1 + wx, y1 + wy, x1 - wx, y1 - wy};
        std::copy(std::begin(quad), std::end(quad), out + 2 * n);
        n += 4;
    }
    return n;
}

void ccDrawCircleFill(float centreX, float centreY, float radiusPixels, float angle, int segments,
                      bool includeCentre)
{
    PlainColourDrawing plain;
    fillCircle(centreX, centreY, radiusPixels, angle, segments, includeCentre);
}

void ccDrawLineWithDots(CGPoint from, CGPoint to)
{
    const CGPoint points[2] = {from, to};
    ccDrawStraightLine(points, 2);
}

void ccDrawStraightLine(const CGPoint* points, int count)
{
    if (points == nullptr || count < 2) return;
    const float scale = ccContentScaleFactor();
    const float halfWidth = ccThickLineHalfWidth();
    const float cap = ccThickLineCapRadius();
    PlainColourDrawing plain;
    fillCircle(points[0].x, points[0].y, cap, 0, kCapSegments, false);
    // Pieces of one strip each, sharing their end points.
    for (int start = 0; start + 1 < count; start += kThickLineMaxPoints - 1) {
        drawStrip(points + start, std::min(kThickLineMaxPoints, count - start), halfWidth, scale);
    }
    fillCircle(points[count - 1].x, points[count - 1].y, cap, 0, kCapSegments, false);
}

} // namespace mw
