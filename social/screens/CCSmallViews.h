#pragma once

#include <string>

#include "foundation/Ref.h"
#include "social/ui/UIControls.h"
#include "social/ui/UITableView.h"
#include "social/ui/UITextField.h"
#include "social/ui/UIView.h"

namespace mw {

// A spinner drawn from the theme's "images/ipad_specific/spinner.png",
// turned in 46-degree steps of 0.1 s each ("tessel" animations). Without
// the image it shows nothing. Stopping lets the running step end; starting
// again goes on from the angle reached.
class CCTesselActivityIndicatorView : public UIView {
public:
    static constexpr float kStep = 0.8028514559173915f; // 46 degrees
    explicit CCTesselActivityIndicatorView(CGRect frame);
    void startAnimating();
    void stopAnimating() { animating_ = false; }
    bool isAnimating() const { return animating_; }
    float angle() const { return angle_; }
    UIImageView* spinnerView() const { return spinner_.get(); }

private:
    void setAnimation();
    void animationDidStop(const std::string& name, bool finished);

    Ref<UIImageView> spinner_;
    float angle_ = 0;
    bool animating_ = false;
};

// The plain loading page: the table background colour and a large white
// spinner, or, when the theme has background images, a clear page with an
// image spinner; the spinner centred on (160, 160).
class CCTabLoadingView : public UIView {
public:
    explicit CCTabLoadingView(CGRect frame);
    ~CCTabLoadingView() override { cleanup(); }
    void cleanup();
    UIView* spinner() const { return spinner_.get(); }

private:
    Ref<UIView> spinner_;
};

// A text field that can hand its touches on to the next responder first.
class CCTextField : public UITextField {
public:
    using UITextField::UITextField;
    bool passThroughEvents = false;
    void touchesBegan(const UIViewTouches& touches) override;
    void touchesEnded(const UIViewTouches& touches) override;
};

// A button that remembers the touches of its last began and ended events.
class CCEventButton : public UIButton {
public:
    using UIButton::UIButton;
    const UIViewTouches& lastBeganEvent() const { return lastBegan_; }
    const UIViewTouches& lastEndedEvent() const { return lastEnded_; }
    void touchesBegan(const UIViewTouches& touches) override;
    void touchesEnded(const UIViewTouches& touches) override;

private:
    UIViewTouches lastBegan_;
    UIViewTouches lastEnded_;
};

// A table that knows whether a finger is on it (the pull tab holds back
// changes meanwhile).
class CCGenericTableView : public UITableView {
public:
    using UITableView::UITableView;
    bool isTouching() const { return touching_; }
    void touchesBegan(const UIViewTouches& touches) override
    {
        touching_ = true;
        UITableView::touchesBegan(touches);
    }
    void touchesEnded(const UIViewTouches& touches) override
    {
        touching_ = false;
        UITableView::touchesEnded(touches);
    }
    void touchesCancelled(const UIViewTouches& touches) override
    {
        touching_ = false;
        UITableView::touchesCancelled(touches);
    }

private:
    bool touching_ = false;
};

// One entry of a navigation history: the page's address and the list's
// scroll offset.
class CCViewUrlHistory : public Object {
public:
    const std::string& url() const { return url_; }
    void setUrl(std::string url) { url_ = std::move(url); }
    CGPoint rowOffset() const { return rowOffset_; }
    void setRowOffset(CGPoint offset) { rowOffset_ = offset; }

private:
    std::string url_;
    CGPoint rowOffset_ {0, 0};
};

} // namespace mw
