#pragma once

#include <cstdint>

#include "engine/actions/CCActionInterval.h"
#include "foundation/Geometry.h"
#include "foundation/Object.h"
#include "foundation/Ref.h"
#include "game/state/XML.h"

namespace mw {

// A walking road of the village: one cubic curve read from the `spline`
// element at an index of the road file, turned into screen points. The
// file's y grows downwards and its space is the phone's 320 x 480 points, or
// half the tablet's; a window of 1024 points or more doubles it.
class Road : public Object {
public:
    // Reads the road's four points ("curve[0].point[0..3]", start, two
    // control points, end). A missing point reads as (0, 0). The reader is
    // kept while the road lives (it shares the parsed tree). Any thread.
    Road(Ref<XML> file, int32_t index, float windowHeight);

    int32_t index() const { return index_; }
    // A reader over this road's `spline` element.
    Ref<XML> spline() const;

    // Where a walk starts, in screen points.
    CGPoint StartPos() const { return startPos_; }
    void setStartPos(CGPoint start) { startPos_ = start; }
    // The curve, each point relative to StartPos.
    const ccBezierConfig& RoadBez() const { return roadBez_; }
    void setRoadBez(const ccBezierConfig& curve) { roadBez_ = curve; }
    // Where the road ends, in screen points.
    CGPoint EndPos() const
    {
        return {startPos_.x + roadBez_.endPosition.x, startPos_.y + roadBez_.endPosition.y};
    }

private:
    Ref<XML> file_;
    int32_t index_ = 0;
    CGPoint startPos_{0, 0};
    ccBezierConfig roadBez_{};
};

} // namespace mw
