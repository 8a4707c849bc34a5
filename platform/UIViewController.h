#pragma once

namespace mw {

// The platform's interface orientations.
namespace InterfaceOrientation {
inline constexpr int kPortrait = 1;
inline constexpr int kPortraitUpsideDown = 2;
inline constexpr int kLandscapeLeft = 3;
inline constexpr int kLandscapeRight = 4;
} // namespace InterfaceOrientation

// A view controller as the platform asks the key window's root one about
// rotations: first whether it turns at all, then before and after a turn it
// allowed. Every operation is optional; by default only portrait is allowed.
class UIViewController {
public:
    virtual ~UIViewController() = default;
    virtual bool shouldAutorotateToInterfaceOrientation(int orientation)
    {
        return orientation == InterfaceOrientation::kPortrait;
    }
    virtual void willRotateToInterfaceOrientation(int /*orientation*/, double /*durationSeconds*/) {}
    virtual void didRotateFromInterfaceOrientation(int /*previousOrientation*/) {}
};

} // namespace mw
