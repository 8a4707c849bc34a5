#include "platform/Letterbox.h"

#include <algorithm>

namespace mw {

Letterbox::Letterbox(CGSize viewSize, CGSize windowSize) : viewSize_(viewSize)
{
    if (viewSize.width <= 0 || viewSize.height <= 0 || windowSize.width <= 0 || windowSize.height <= 0) return;
    scale_ = std::min(windowSize.width / viewSize.width, windowSize.height / viewSize.height);
    const CGSize fitted(viewSize.width * scale_, viewSize.height * scale_);
    viewRect_ = CGRect(CGPoint((windowSize.width - fitted.width) / 2, (windowSize.height - fitted.height) / 2), fitted);
}

std::optional<CGPoint> Letterbox::windowToView(CGPoint window) const
{
    if (scale_ <= 0) return std::nullopt;
    const CGPoint view((window.x - viewRect_.origin.x) / scale_, (window.y - viewRect_.origin.y) / scale_);
    // The right and bottom edges belong to the bars, as pixel rows do.
    if (view.x < 0 || view.y < 0 || view.x >= viewSize_.width || view.y >= viewSize_.height) return std::nullopt;
    return view;
}

CGPoint Letterbox::windowToViewClamped(CGPoint window) const
{
    if (scale_ <= 0) return CGPointZero;
    const CGPoint view((window.x - viewRect_.origin.x) / scale_, (window.y - viewRect_.origin.y) / scale_);
    return {std::clamp(view.x, 0.0f, viewSize_.width), std::clamp(view.y, 0.0f, viewSize_.height)};
}

} // namespace mw
