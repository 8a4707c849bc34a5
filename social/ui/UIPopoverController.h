#pragma once

#include <vector>

#include "foundation/Geometry.h"
#include "foundation/Object.h"
#include "foundation/Ref.h"
#include "social/ui/UIViewController.h"

namespace mw {

class UIPopoverController;

// What a popover asks and tells about a dismissal the player caused by a
// tap outside it; a dismissal asked for in code tells nothing.
class UIPopoverControllerDelegate {
public:
    virtual ~UIPopoverControllerDelegate() = default;
    // Whether a tap outside may close the popover; the default lets it.
    virtual bool popoverControllerShouldDismissPopover(UIPopoverController& /*popover*/) { return true; }
    virtual void popoverControllerDidDismissPopover(UIPopoverController& /*popover*/) {}
};

// A panel with an arrow that shows a content controller's view next to a
// rectangle of some view, over everything else in the window. While it is
// shown, a tap anywhere outside it (that no passthrough view takes) asks
// the delegate and closes it; touches there reach nothing else. The caller
// keeps the popover while it is shown; its content is owned by it. Main
// thread.
class UIPopoverController : public Object {
public:
    // Arrow directions, as a mask; the panel lies on the other side of the
    // arrow's point.
    enum ArrowDirection : unsigned {
        kArrowUp = 1u << 0,
        kArrowDown = 1u << 1,
        kArrowLeft = 1u << 2,
        kArrowRight = 1u << 3,
        kArrowAny = 15u,
    };
    // How far the arrow stands out of the panel, in points.
    static constexpr float kArrowLength = 13;
    // The panel's border around the content, in points.
    static constexpr float kBorder = 8;

    // `content` may be null until setContentViewController().
    explicit UIPopoverController(UIViewControllerBase* content);
    ~UIPopoverController() override;

    UIViewControllerBase* contentViewController() const { return content_.get(); }
    // Replaces the content; shown at once (the animation flag is accepted
    // for the platform's form).
    void setContentViewController(UIViewControllerBase* content, bool animated);

    // The content's size in points; 320 × 320 until set.
    CGSize popoverContentSize() const { return contentSize_; }
    // Resizes the shown panel, over the default duration when animated; the
    // panel keeps its arrow's point.
    void setPopoverContentSize(CGSize size, bool animated);

    UIPopoverControllerDelegate* delegate() const { return delegate_; }
    // Not owned.
    void setDelegate(UIPopoverControllerDelegate* delegate) { delegate_ = delegate; }

    // Views whose touches go to them instead of closing the popover. Not
    // owned: a view that goes away must be taken out of the list first.
    const std::vector<UIView*>& passthroughViews() const { return passthrough_; }
    void setPassthroughViews(std::vector<UIView*> views) { passthrough_ = std::move(views); }

    // Shows the panel next to `rect` of `view` (which must be in the key
    // window), with the arrow pointing at the rectangle's edge from the
    // first of the allowed directions that fits (left, right, up, down).
    // Logged and ignored without a view, a window or content.
    void presentPopoverFromRect(CGRect rect, UIView* view, unsigned arrowDirections, bool animated);
    // Closes the panel (fading out when animated). The delegate is not told.
    void dismissPopoverAnimated(bool animated);
    bool isPopoverVisible() const { return visible_; }
    // The arrow direction used by the last presentation.
    ArrowDirection arrowDirection() const { return arrow_; }

    // The panel in the window while shown (null otherwise): its frame may be
    // moved sideways by the caller.
    UIView* popoverView() const;
    // The tap catcher under the panel while shown (null otherwise).
    UIView* dismissalView() const;

    // A tap outside the panel, as the catcher reports it.
    void tappedOutside();

private:
    void layout();
    CGRect panelFrameFor(CGSize contentSize) const;

    Ref<UIViewControllerBase> content_;
    CGSize contentSize_ {320, 320};
    UIPopoverControllerDelegate* delegate_ = nullptr;
    std::vector<UIView*> passthrough_;
    Ref<UIView> panel_;
    Ref<UIView> catcher_;
    CGRect anchor_ {};
    ArrowDirection arrow_ = kArrowLeft;
    bool visible_ = false;
};

} // namespace mw
