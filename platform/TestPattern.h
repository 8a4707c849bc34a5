#pragma once

#include <optional>

#include "foundation/Geometry.h"
#include "platform/PixelSize.h"
#include "platform/TouchDelegate.h"

namespace mw {

// A picture that shows the platform layer works before the engine exists:
// colour bars, a grey ramp, a textured quad from a generated checkerboard, a
// square circling with time, and a cross-hair under the current touch. Drawn
// with plain OpenGL ES 1.1 into whatever framebuffer is bound.
class TestPattern : public TouchDelegate {
public:
    // Needs a current context; makes the checkerboard texture in it.
    TestPattern();
    ~TestPattern() override;
    TestPattern(const TestPattern&) = delete;
    TestPattern& operator=(const TestPattern&) = delete;

    // Draws the frame for `seconds` since start on a surface of `surface`
    // pixels showing `points` (the view's size in points).
    void draw(PixelSize surface, CGSize points, double seconds) const;

    // The cross-hair follows the newest touch, in view points from the top
    // left; it disappears when the touch ends.
    void touches(const UITouchSet& touches, const UIEvent& event, UITouchPhase phase) override;

    std::optional<CGPoint> touchPoint() const { return touch_; }

private:
    unsigned texture_ = 0;
    std::optional<CGPoint> touch_;
};

} // namespace mw
