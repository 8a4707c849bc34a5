#pragma once

// Thick lines with round ends and filled circles, beside the engine's
// drawing: the chain line of the boards draws with them. They draw with
// OpenGL ES 1.1 vertex arrays in the current colour, with 2D texturing and
// the colour and texture-coordinate arrays switched off while they draw and
// switched on again after (the engine's state between draws). Positions are
// in points, widths and radii in pixels.

#include <cstddef>

#include "foundation/Geometry.h"

namespace mw {

// The most segments a circle takes (more are drawn with this many); its
// vertices live on the call's stack, so drawing allocates nothing.
inline constexpr int kCircleMaxSegments = 64;
// The most points one strip takes; longer lines are drawn in pieces.
inline constexpr int kThickLineMaxPoints = 36;

// The line's thickness on this device: half-width and end-cap radius in
// pixels (a window wider than 1024 pixels doubles the half-width here and
// the cap in the circle drawing).
float ccThickLineHalfWidth();
float ccThickLineCapRadius();

// The fan of a circle: `segments` + 1 points on the circle from `angle`
// (radians) round, then the centre; the centre (in points) is scaled by
// `scale` to pixels, the radius is in pixels. Writes 2 x (segments + 2)
// floats to `out` and answers the vertex count written (0 when segments < 1).
int ccCircleFanVertices(CGPoint centre, float radiusPixels, float angle, int segments, float scale, float* out);
// The strip of a polyline: four vertices per segment (each end pushed out
// by the half-width both ways along the segment's normal), in pixels.
// Writes 8 x (count - 1) floats and answers the vertex count (0 for fewer
// than two points). A segment of no length gets a zero normal.
int ccThickLineVertices(const CGPoint* points, int count, float halfWidthPixels, float scale, float* out);

// A filled circle; with `includeCentre` the fan also takes the centre vertex.
// The radius is doubled on a window wider than 1024 pixels.
void ccDrawCircleFill(float centreX, float centreY, float radiusPixels, float angle, int segments,
                      bool includeCentre);
// One thick segment with round caps.
void ccDrawLineWithDots(CGPoint from, CGPoint to);
// A thick polyline with round caps at both ends.
void ccDrawStraightLine(const CGPoint* points, int count);

} // namespace mw
