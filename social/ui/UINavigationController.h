#pragma once

#include <memory>
#include <vector>

#include "foundation/Ref.h"
#include "platform/NavigationControllers.h"
#include "social/ui/UIViewController.h"

namespace mw {

// A stack of controllers of which the top one's view fills this
// controller's view. A push slides the new view in from the right edge, a
// pop slides the top one out to the right (the view layer's default
// duration); without animation the change is at once. The delegate hears
// will-show before and did-show after every change of the top controller,
// and when this controller's own view appears. The stack owns its
// controllers. Main thread.
class UINavigationController : public UIViewControllerBase, public NavigationController {
public:
    // With `root` (may be null) as the bottom of the stack.
    explicit UINavigationController(UIViewControllerBase* root = nullptr);
    ~UINavigationController() override;

    std::shared_ptr<NavigationControllerDelegate> delegate() const override { return delegate_; }
    void setDelegate(std::shared_ptr<NavigationControllerDelegate> delegate) override;

    // Bottom first.
    std::vector<UIViewControllerBase*> viewControllers() const;
    // Replaces the stack; the delegate hears about the new top when it
    // changed. Null entries are skipped.
    void setViewControllers(const std::vector<UIViewControllerBase*>& controllers, bool animated);
    UIViewControllerBase* topViewController() const;
    // The top controller's modal controller when it shows one, else the top.
    UIViewControllerBase* visibleViewController() const;
    // Null, or a controller already on the stack, is ignored (logged).
    void pushViewController(UIViewControllerBase* controller, bool animated);
    // Answers the controller taken off, or null when only the root is left.
    Ref<UIViewControllerBase> popViewControllerAnimated(bool animated);
    // Answers the controllers taken off, top last.
    std::vector<Ref<UIViewControllerBase>> popToRootViewControllerAnimated(bool animated);
    // Whether a push or pop is still sliding.
    bool isTransitioning() const { return transitioning_; }

    void loadView() override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    void didReceiveMemoryWarning() override;
    // Rotation questions and callbacks go to the top controller.
    bool shouldAutorotateToInterfaceOrientation(int orientation) override;
    void willRotateToInterfaceOrientation(int orientation, double durationSeconds) override;
    void didRotateFromInterfaceOrientation(int previousOrientation) override;

private:
    enum class Slide { None, In, Out };
    void show(UIViewControllerBase* incoming, UIViewControllerBase* outgoing, Slide slide, bool animated);
    void tellWillShow(UIViewControllerBase* shown, bool animated);
    void tellDidShow(UIViewControllerBase* shown, bool animated);

    std::vector<Ref<UIViewControllerBase>> stack_;
    std::shared_ptr<NavigationControllerDelegate> delegate_;
    bool transitioning_ = false;
};

} // namespace mw
