#include "social/ui/UIPopoverController.h"

#include <algorithm>

#include "foundation/Log.h"
#include "social/ui/UIDrawContext.h"
#include "social/ui/UIWindow.h"

namespace mw {

namespace {

// Keeps the panel this far inside the window's edges.
constexpr float kScreenMargin = 5;
const FillColor kFrameColour {0.16f, 0.19f, 0.22f, 0.97f};

CGRect withinWindow(CGRect rect, CGRect window)
{
    rect.origin.x = std::clamp(rect.origin.x, window.origin.x + kScreenMargin,
                               std::max(window.origin.x + kScreenMargin,
                                        window.origin.x + window.size.width - rect.size.width - kScreenMargin));
    rect.origin.y = std::clamp(rect.origin.y, window.origin.y + kScreenMargin,
                               std::max(window.origin.y + kScreenMargin,
                                        window.origin.y + window.size.height - rect.size.height - kScreenMargin));
    return rect;
}

} // namespace

// The panel: a dark frame around the content with the arrow on one side,
// pointing at `arrowPoint` (in the panel's bounds).
class PopoverPanelView : public UIView {
public:
    UIPopoverController::ArrowDirection arrow = UIPopoverController::kArrowLeft;
    CGPoint arrowPoint {0, 0};

    bool drawsContent() const override { return true; }
    void drawRect(UIDrawContext& context, CGRect) override
    {
        const float length = UIPopoverController::kArrowLength;
        const CGRect all = bounds();
        CGRect body = all;
        switch (arrow) {
        case UIPopoverController::kArrowLeft: body.origin.x += length; body.size.width -= length; break;
        case UIPopoverController::kArrowRight: body.size.width -= length; break;
        case UIPopoverController::kArrowUp: body.origin.y += length; body.size.height -= length; break;
        default: body.size.height -= length; break;
        }
        context.setFillColor(kFrameColour);
        context.fillRect(body);
        // The arrow as one-point strips narrowing towards its point.
        for (int step = 0; step < static_cast<int>(length); ++step) {
            const float half = static_cast<float>(step) + 1;
            const float s = static_cast<float>(step);
            switch (arrow) {
            case UIPopoverController::kArrowLeft:
                context.fillRect({arrowPoint.x + s, arrowPoint.y - half, 1, 2 * half});
                break;
            case UIPopoverController::kArrowRight:
                context.fillRect({arrowPoint.x - s - 1, arrowPoint.y - half, 1, 2 * half});
                break;
            case UIPopoverController::kArrowUp:
                context.fillRect({arrowPoint.x - half, arrowPoint.y + s, 2 * half, 1});
                break;
            default: context.fillRect({arrowPoint.x - half, arrowPoint.y - s - 1, 2 * half, 1}); break;
            }
        }
    }
};

// The full-window layer under the panel: a touch on it is a tap outside,
// except where a passthrough view lies, which then gets the touch.
class PopoverCatcherView : public UIView {
public:
    explicit PopoverCatcherView(CGRect frame) : UIView(frame) {}
    UIPopoverController* owner = nullptr;

    bool pointInside(CGPoint point) const override
    {
        if (!UIView::pointInside(point)) return false;
        if (!owner) return true;
        for (UIView* passthrough : owner->passthroughViews()) {
            if (!passthrough || passthrough->isHidden() || !passthrough->window()) continue;
            if (passthrough->pointInside(convertPointToView(point, passthrough))) return false;
        }
        return true;
    }
    void touchesBegan(const UIViewTouches&) override
    {
        // Held: the owner's delegate may drop it while it closes.
        if (Ref<UIPopoverController> told{owner}) told->tappedOutside();
    }
    void touchesMoved(const UIViewTouches&) override {}
    void touchesEnded(const UIViewTouches&) override {}
    void touchesCancelled(const UIViewTouches&) override {}
};

UIPopoverController::UIPopoverController(UIViewControllerBase* content) : content_(content) {}

UIPopoverController::~UIPopoverController()
{
    if (catcher_) static_cast<PopoverCatcherView*>(catcher_.get())->owner = nullptr;
    if (catcher_) catcher_->removeFromSuperview();
    if (panel_) panel_->removeFromSuperview();
}

UIView* UIPopoverController::popoverView() const { return visible_ ? panel_.get() : nullptr; }
UIView* UIPopoverController::dismissalView() const { return visible_ ? catcher_.get() : nullptr; }

void UIPopoverController::setContentViewController(UIViewControllerBase* content, bool)
{
    if (content == content_.get()) return;
    if (visible_ && content_) content_->view()->removeFromSuperview();
    content_ = Ref<UIViewControllerBase>(content);
    if (visible_ && content_) {
        panel_->addSubview(content_->view());
        layout();
    }
}

CGRect UIPopoverController::panelFrameFor(CGSize content) const
{
    const float across = content.width + 2 * kBorder;
    const float along = content.height + 2 * kBorder;
    switch (arrow_) {
    case kArrowLeft:
        return {anchor_.origin.x + anchor_.size.width, anchor_.origin.y + anchor_.size.height / 2 - along / 2,
                across + kArrowLength, along};
    case kArrowRight:
        return {anchor_.origin.x - across - kArrowLength, anchor_.origin.y + anchor_.size.height / 2 - along / 2,
                across + kArrowLength, along};
    case kArrowUp:
        return {anchor_.origin.x + anchor_.size.width / 2 - across / 2, anchor_.origin.y + anchor_.size.height,
                across, along + kArrowLength};
    default:
        return {anchor_.origin.x + anchor_.size.width / 2 - across / 2, anchor_.origin.y - along - kArrowLength,
                across, along + kArrowLength};
    }
}

void UIPopoverController::layout()
{
    UIWindow* window = panel_ ? panel_->window() : nullptr;
    if (!window) return;
    CGRect frame = panelFrameFor(contentSize_);
    // Only the side along the arrow's edge is moved inside the window: the
    // arrow keeps touching the anchor.
    const CGRect inside = withinWindow(frame, window->bounds());
    if (arrow_ == kArrowLeft || arrow_ == kArrowRight)
        frame.origin.y = inside.origin.y;
    else
        frame.origin.x = inside.origin.x;
    auto* panel = static_cast<PopoverPanelView*>(panel_.get());
    panel->arrow = arrow_;
    const float midX = anchor_.origin.x + anchor_.size.width / 2 - frame.origin.x;
    const float midY = anchor_.origin.y + anchor_.size.height / 2 - frame.origin.y;
    const float edge = kArrowLength + 2;
    switch (arrow_) {
    case kArrowLeft: panel->arrowPoint = {0, std::clamp(midY, edge, frame.size.height - edge)}; break;
    case kArrowRight: panel->arrowPoint = {frame.size.width, std::clamp(midY, edge, frame.size.height - edge)}; break;
    case kArrowUp: panel->arrowPoint = {std::clamp(midX, edge, frame.size.width - edge), 0}; break;
    default: panel->arrowPoint = {std::clamp(midX, edge, frame.size.width - edge), frame.size.height}; break;
    }
    panel_->setFrame(frame);
    panel_->setNeedsDisplay();
    if (content_) {
        CGRect contentFrame {kBorder, kBorder, contentSize_.width, contentSize_.height};
        if (arrow_ == kArrowLeft) contentFrame.origin.x += kArrowLength;
        if (arrow_ == kArrowUp) contentFrame.origin.y += kArrowLength;
        content_->view()->setFrame(contentFrame);
    }
}

void UIPopoverController::setPopoverContentSize(CGSize size, bool animated)
{
    contentSize_ = size;
    if (!visible_) return;
    if (animated) UIView::beginAnimations("popoverresize");
    layout();
    if (animated) UIView::commitAnimations();
}

void UIPopoverController::presentPopoverFromRect(CGRect rect, UIView* view, unsigned arrowDirections, bool animated)
{
    UIWindow* window = view ? view->window() : nullptr;
    if (!window || !content_) {
        logLine("[UIPopoverController] nothing presented: %s", !content_ ? "no content" : "the view is in no window");
        return;
    }
    anchor_ = view->convertRectToView(rect, window);
    // The first allowed direction whose panel fits beside the anchor.
    const CGRect screen = window->bounds();
    arrow_ = kArrowLeft;
    bool chosen = false;
    for (ArrowDirection direction : {kArrowLeft, kArrowRight, kArrowUp, kArrowDown}) {
        if (!(arrowDirections & direction)) continue;
        arrow_ = direction;
        const CGRect frame = panelFrameFor(contentSize_);
        if (frame.origin.x >= screen.origin.x && frame.origin.y >= screen.origin.y &&
            frame.origin.x + frame.size.width <= screen.origin.x + screen.size.width &&
            frame.origin.y + frame.size.height <= screen.origin.y + screen.size.height) {
            chosen = true;
            break;
        }
    }
    if (!chosen)
        for (ArrowDirection direction : {kArrowLeft, kArrowRight, kArrowUp, kArrowDown})
            if (arrowDirections & direction) {
                arrow_ = direction;
                break;
            }

    const bool wasVisible = visible_;
    if (!catcher_) {
        Ref<PopoverCatcherView> catcher = makeRef<PopoverCatcherView>(screen);
        catcher->owner = this;
        catcher_ = Ref<UIView>(catcher.get());
        Ref<PopoverPanelView> panel = makeRef<PopoverPanelView>();
        panel_ = Ref<UIView>(panel.get());
        panel_->setOpaque(false);
    }
    catcher_->setFrame(screen);
    if (!wasVisible) content_->viewWillAppear(animated);
    window->addSubview(catcher_.get());
    window->addSubview(panel_.get());
    if (content_->view()->superview() != panel_.get()) panel_->addSubview(content_->view());
    visible_ = true;
    layout();
    if (wasVisible) return;
    if (!animated || !UIView::areAnimationsEnabled()) {
        panel_->setAlpha(1);
        content_->viewDidAppear(false);
        return;
    }
    panel_->setAlpha(0);
    Ref<UIViewControllerBase> shown = content_;
    UIView::beginAnimations("popoverpresent");
    UIView::setAnimationDidStop([shown](const std::string&, bool) { shown->viewDidAppear(true); });
    panel_->setAlpha(1);
    UIView::commitAnimations();
}

void UIPopoverController::dismissPopoverAnimated(bool animated)
{
    if (!visible_) return;
    visible_ = false;
    Ref<UIViewControllerBase> shown = content_;
    Ref<UIView> panel = panel_;
    Ref<UIView> catcher = catcher_;
    if (shown) shown->viewWillDisappear(animated);
    // Taps during the fade reach what lies beneath.
    catcher->removeFromSuperview();
    Ref<UIPopoverController> self(this);
    auto remove = [self, shown, panel](bool wasAnimated) {
        // Presented again during the fade: the panel stays.
        if (self->visible_) return;
        panel->removeFromSuperview();
        if (shown) shown->viewDidDisappear(wasAnimated);
    };
    if (!animated || !UIView::areAnimationsEnabled()) {
        remove(false);
        return;
    }
    UIView::beginAnimations("popoverdismiss");
    UIView::setAnimationDidStop([remove](const std::string&, bool) { remove(true); });
    panel->setAlpha(0);
    UIView::commitAnimations();
}

void UIPopoverController::tappedOutside()
{
    if (!visible_) return;
    if (delegate_ && !delegate_->popoverControllerShouldDismissPopover(*this)) return;
    dismissPopoverAnimated(true);
    if (delegate_) delegate_->popoverControllerDidDismissPopover(*this);
}

} // namespace mw
