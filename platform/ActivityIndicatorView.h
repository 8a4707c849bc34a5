#pragma once

#include "foundation/Geometry.h"
#include "foundation/Object.h"

namespace mw {

// A spinning activity indicator on the key window's root view. Its centre is
// in the root view's points (origin at the top left, as the platform's views
// are placed). It shows while it is on the root view and animating (hidden
// when stopped). Main thread.
class ActivityIndicatorView : public Object {
public:
    enum Style { kWhiteLarge = 0, kWhite = 1, kGray = 2 };

    explicit ActivityIndicatorView(int style = kGray) : style(style) {}

    int style;
    CGPoint center{};

    // Puts it on the root view (again: nothing).
    void addToRootView();
    void removeFromSuperview();
    bool isOnRootView() const { return onRootView_; }
    void startAnimating();
    void stopAnimating();
    bool isAnimating() const { return animating_; }
    // Side of the square it covers, in points.
    float side() const { return style == kWhiteLarge ? 37.0f : 20.0f; }

private:
    friend class RootView;
    bool onRootView_ = false;
    bool animating_ = false;
};

} // namespace mw
