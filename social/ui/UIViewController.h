#pragma once

#include "foundation/Ref.h"
#include "platform/UIViewController.h"
#include "social/ui/UIView.h"

namespace mw {

// A controller of one view of the social screens: the view is made on
// first use (loadView, then viewDidLoad), the controller is the view's next
// responder, and it answers the platform's rotation questions. Modal
// presentation puts another controller's view over the window, sliding it
// up from the bottom edge when animated. Main thread.
class UIViewControllerBase : public UIResponder, public UIViewController {
public:
    UIViewControllerBase() = default;
    ~UIViewControllerBase() override;

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

    UIResponder* nextResponder() const override;

private:
    Ref<UIView> view_;
    Ref<UIViewControllerBase> modal_;
    UIViewControllerBase* presenter_ = nullptr;
};

} // namespace mw
