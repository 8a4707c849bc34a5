#pragma once

#include "foundation/Geometry.h"

namespace mw {

// A cubic curve for the bezier actions: the end point and two control
// points. The by-actions read them relative to the node's start position,
// the to-action as absolute points.
struct ccBezierConfig {
    CGPoint endPosition;
    CGPoint controlPoint_1;
    CGPoint controlPoint_2;
};

// The point at progress t on the cubic curve starting at the origin,
// computed per coordinate in single precision.
inline CGPoint ccBezierPointAt(const ccBezierConfig& c, float t)
{
    const float u = 1 - t;
    const float w1 = 3 * t * u * u;
    const float w2 = 3 * t * t * u;
    const float w3 = t * t * t;
    return {w1 * c.controlPoint_1.x + w2 * c.controlPoint_2.x + w3 * c.endPosition.x,
            w1 * c.controlPoint_1.y + w2 * c.controlPoint_2.y + w3 * c.endPosition.y};
}

// The relative curve that, run from the end point, retraces `c` to its start.
inline ccBezierConfig ccBezierReversed(const ccBezierConfig& c)
{
    const CGPoint end = c.endPosition;
    return {{-end.x, -end.y},
            {c.controlPoint_2.x - end.x, c.controlPoint_2.y - end.y},
            {c.controlPoint_1.x - end.x, c.controlPoint_1.y - end.y}};
}

} // namespace mw
