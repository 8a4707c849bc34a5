#include "social/ui/UISwipeGestureRecognizer.h"

#include <cmath>

#include "foundation/Ref.h"

namespace mw {

void UISwipeGestureRecognizer::touchBegan(UITouch* touch, CGPoint point)
{
    if (enabled_) starts_[touch] = point;
}

bool UISwipeGestureRecognizer::judge(UITouch* touch, CGPoint point)
{
    auto found = starts_.find(touch);
    if (found == starts_.end()) return false;
    const float across = point.x - found->second.x;
    const float along = point.y - found->second.y;
    if (std::fabs(along) >= kMaximumAlong) {
        // Strayed: no longer a swipe, whatever comes next.
        starts_.erase(found);
        return false;
    }
    if (std::fabs(across) <= kMinimumAcross) return false;
    const unsigned stroke = across < 0 ? kDirectionLeft : kDirectionRight;
    starts_.erase(found);
    if (!(direction_ & stroke)) return false;
    recognized_ = stroke;
    Ref<UISwipeGestureRecognizer> self(this); // the action may detach it
    if (action_) action_(*this);
    return true;
}

bool UISwipeGestureRecognizer::touchMoved(UITouch* touch, CGPoint point) { return judge(touch, point); }

bool UISwipeGestureRecognizer::touchEnded(UITouch* touch, CGPoint point)
{
    const bool recognised = judge(touch, point);
    starts_.erase(touch);
    return recognised;
}

void UISwipeGestureRecognizer::touchCancelled(UITouch* touch) { starts_.erase(touch); }

} // namespace mw
