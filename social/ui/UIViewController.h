#pragma once

#include <string>

#include "foundation/Ref.h"
#include "platform/UIViewController.h"
#include "social/ui/UIView.h"

namespace mw {

// A controller of one view of the social screens: the view is made on
// first use (loadView, then viewDidLoad), the controller is the view's next
// responder, and it answers the platform's rotation questions. Modal
// presentation puts another controller's view over the window, sliding it
// up from the bottom edge when animated. Main thread.
class UIViewControllerBase : public UIResponder, public virtual UIViewController {
public:
    UIViewControllerBase() = default;
    ~UIViewControllerBase() override;

    // A short name for the controller's page (a tab's title); empty by default.
    const std::string& title() const { return title_; }
    void setTitle(std::string title) { title_ = std::move(title); }

    // The view, made on first use.
    UIView* view();
    bool isViewLoaded() const { return view_; }
    void setView(UIView* view);

    // Makes the view; the default is a plain view of the window's size.
    virtual void loadView();
    virtual void viewDidLoad() {}
    virtual void viewWillAppear(bool animated) {}
    virtual void viewDidAppear(bool animated) {}
    virtual void viewWillDisappear(bool animated) {}
    virtual void viewDidDisappear(bool animated) {}
    virtual void didReceiveMemoryWarning() {}

    // The controller shown modally over this one, and the one that shows
    // this one modally.
    UIViewControllerBase* modalViewController() const { return modal_.get(); }
    UIViewControllerBase* parentModalViewController() const { return presenter_; }
    void presentModalViewController(UIViewControllerBase* controller, bool animated);
    void dismissModalViewControllerAnimated(bool animated);
    // Where this controller's view goes when presented modally in a window
    // of `window` bounds; the default fills it.
    virtual CGRect modalPresentationFrame(CGRect window) const { return window; }

    UIResponder* nextResponder() const override;

private:
    std::string title_;
    Ref<UIView> view_;
    Ref<UIViewControllerBase> modal_;
    UIViewControllerBase* presenter_ = nullptr;
};

} // namespace mw
