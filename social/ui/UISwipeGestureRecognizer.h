#pragma once

#include <functional>
#include <map>

#include "foundation/Geometry.h"
#include "foundation/Object.h"

namespace mw {

class UITouch;
class UIView;

// Recognises a quick stroke of one finger to the left or the right over its
// view (or any view inside it): more than 50 points across while staying
// within 30 points up or down. On recognition the action runs once and the
// touch is taken from the views (they get touchesCancelled). Attached with
// UIView::addGestureRecognizer; the window feeds it every touch that begins
// in its view. Main thread.
class UISwipeGestureRecognizer : public Object {
public:
    enum Direction : unsigned { kDirectionRight = 1u << 0, kDirectionLeft = 1u << 1 };
    static constexpr float kMinimumAcross = 50;
    static constexpr float kMaximumAlong = 30;
    using Action = std::function<void(UISwipeGestureRecognizer&)>;

    explicit UISwipeGestureRecognizer(Action action = nullptr) : action_(std::move(action)) {}

    // The directions it answers, as a mask; right by default.
    unsigned direction() const { return direction_; }
    void setDirection(unsigned mask) { direction_ = mask; }
    void setAction(Action action) { action_ = std::move(action); }
    bool isEnabled() const { return enabled_; }
    void setEnabled(bool on) { enabled_ = on; }
    // The view it is attached to (not owned), or null.
    UIView* view() const { return view_; }
    // The direction of the last recognised stroke, 0 before one.
    unsigned recognizedDirection() const { return recognized_; }

    // The window's feed, points in the window. Moved and ended answer
    // whether this touch was recognised now (the action has run).
    void touchBegan(UITouch* touch, CGPoint point);
    bool touchMoved(UITouch* touch, CGPoint point);
    bool touchEnded(UITouch* touch, CGPoint point);
    void touchCancelled(UITouch* touch);

private:
    friend class UIView;
    bool judge(UITouch* touch, CGPoint point);

    Action action_;
    unsigned direction_ = kDirectionRight;
    bool enabled_ = true;
    UIView* view_ = nullptr;
    unsigned recognized_ = 0;
    // Where each followed touch began; a touch that strayed is dropped.
    std::map<UITouch*, CGPoint> starts_;
};

} // namespace mw
