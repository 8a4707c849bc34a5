#pragma once

#include <cstdint>
#include <vector>

#include "foundation/Geometry.h"
#include "foundation/Object.h"
#include "foundation/Ref.h"

namespace mw {

enum class UITouchPhase { Began, Moved, Stationary, Ended, Cancelled };

// One finger (or the mouse) on the screen. The same object follows the finger
// from touch-down to lift-off, so handlers may key their state by its address.
// Locations are in points of the view, origin at the top left.
class UITouch : public Object {
public:
    UITouch(CGPoint location, double timestamp)
        : location_(location), previous_(location), timestamp_(timestamp) {}

    // The view argument of the platform is implied: there is one GL view.
    CGPoint locationInView() const { return location_; }
    CGPoint previousLocationInView() const { return previous_; }
    UITouchPhase phase() const { return phase_; }
    double timestamp() const { return timestamp_; }
    int tapCount() const { return tapCount_; }

    // Moves the touch; the old location becomes the previous one.
    void moveTo(CGPoint location, double timestamp)
    {
        previous_ = location_;
        location_ = location;
        timestamp_ = timestamp;
    }
    void setPhase(UITouchPhase phase) { phase_ = phase; }
    void setTapCount(int count) { tapCount_ = count; }

private:
    CGPoint location_;
    CGPoint previous_;
    double timestamp_ = 0;
    UITouchPhase phase_ = UITouchPhase::Began;
    int tapCount_ = 1;
};

// The touches of one phase, in the order the platform reported them.
using UITouchSet = std::vector<Ref<UITouch>>;

// The event a set of touches belongs to: every touch currently on the screen.
struct UIEvent {
    UITouchSet allTouches;
    double timestamp = 0;
};

} // namespace mw
