#pragma once

#include <optional>

#include "foundation/Geometry.h"

namespace mw {

// Where a view of fixed aspect sits when it is scaled to fit a window: as
// large as fits, centred, with bars on the two sides that are left over.
// Window coordinates have their origin at the window's top-left, as do the
// view's points.
class Letterbox {
public:
    Letterbox() = default;
    // `viewSize` in points, `windowSize` in window units (pixels or screen
    // coordinates: whatever the positions fed in later use).
    Letterbox(CGSize viewSize, CGSize windowSize);

    // The view's rectangle inside the window, in window units.
    CGRect viewRect() const { return viewRect_; }
    // Window units per view point.
    float scale() const { return scale_; }

    // The view point under a window position; empty over the bars (and for a
    // letterbox without size), so presses there reach nothing.
    std::optional<CGPoint> windowToView(CGPoint window) const;
    // The same, with positions over the bars moved to the nearest view edge:
    // a finger dragged off the view keeps its last edge position.
    CGPoint windowToViewClamped(CGPoint window) const;

private:
    CGSize viewSize_;
    CGRect viewRect_;
    float scale_ = 0;
};

} // namespace mw
