#include "social/ui/UINavigationController.h"

#include <algorithm>

#include "foundation/Log.h"

namespace mw {

UINavigationController::UINavigationController(UIViewControllerBase* root)
{
    if (root) stack_.emplace_back(root);
}

UINavigationController::~UINavigationController() = default;

void UINavigationController::setDelegate(std::shared_ptr<NavigationControllerDelegate> delegate)
{
    delegate_ = std::move(delegate);
}

std::vector<UIViewControllerBase*> UINavigationController::viewControllers() const
{
    std::vector<UIViewControllerBase*> controllers;
    for (const auto& controller : stack_) controllers.push_back(controller.get());
    return controllers;
}

UIViewControllerBase* UINavigationController::topViewController() const
{
    return stack_.empty() ? nullptr : stack_.back().get();
}

UIViewControllerBase* UINavigationController::visibleViewController() const
{
    UIViewControllerBase* top = topViewController();
    if (top && top->modalViewController()) return top->modalViewController();
    return top;
}

void UINavigationController::loadView()
{
    UIViewControllerBase::loadView();
    view()->setAutoresizingMask(UIView::kFlexibleWidth | UIView::kFlexibleHeight);
    if (UIViewControllerBase* top = topViewController()) {
        UIView* shown = top->view();
        shown->setFrame(view()->bounds());
        shown->setAutoresizingMask(UIView::kFlexibleWidth | UIView::kFlexibleHeight);
        view()->addSubview(shown);
    }
}

void UINavigationController::viewWillAppear(bool animated)
{
    if (UIViewControllerBase* top = topViewController()) {
        tellWillShow(top, animated);
        top->viewWillAppear(animated);
    }
}

void UINavigationController::viewDidAppear(bool animated)
{
    if (UIViewControllerBase* top = topViewController()) {
        top->viewDidAppear(animated);
        tellDidShow(top, animated);
    }
}

void UINavigationController::didReceiveMemoryWarning()
{
    for (const auto& controller : stack_) controller->didReceiveMemoryWarning();
}

bool UINavigationController::shouldAutorotateToInterfaceOrientation(int orientation)
{
    UIViewControllerBase* top = topViewController();
    return top ? top->shouldAutorotateToInterfaceOrientation(orientation)
               : UIViewControllerBase::shouldAutorotateToInterfaceOrientation(orientation);
}

void UINavigationController::willRotateToInterfaceOrientation(int orientation, double durationSeconds)
{
    if (UIViewControllerBase* top = topViewController())
        top->willRotateToInterfaceOrientation(orientation, durationSeconds);
}

void UINavigationController::didRotateFromInterfaceOrientation(int previousOrientation)
{
    if (UIViewControllerBase* top = topViewController()) top->didRotateFromInterfaceOrientation(previousOrientation);
}

void UINavigationController::pushViewController(UIViewControllerBase* controller, bool animated)
{
    if (!controller) {
        logLine("[UINavigationController] push of no controller ignored");
        return;
    }
    if (std::any_of(stack_.begin(), stack_.end(), [&](const auto& held) { return held.get() == controller; })) {
        logLine("[UINavigationController] push of a controller already on the stack ignored");
        return;
    }
    Ref<UIViewControllerBase> outgoing = stack_.empty() ? nullptr : stack_.back();
    stack_.emplace_back(controller);
    show(controller, outgoing.get(), Slide::In, animated);
}

Ref<UIViewControllerBase> UINavigationController::popViewControllerAnimated(bool animated)
{
    if (stack_.size() < 2) return nullptr;
    Ref<UIViewControllerBase> outgoing = stack_.back();
    stack_.pop_back();
    show(stack_.back().get(), outgoing.get(), Slide::Out, animated);
    return outgoing;
}

std::vector<Ref<UIViewControllerBase>> UINavigationController::popToRootViewControllerAnimated(bool animated)
{
    std::vector<Ref<UIViewControllerBase>> taken;
    if (stack_.size() < 2) return taken;
    taken.assign(stack_.begin() + 1, stack_.end());
    stack_.resize(1);
    show(stack_.back().get(), taken.back().get(), Slide::Out, animated);
    return taken;
}

void UINavigationController::setViewControllers(const std::vector<UIViewControllerBase*>& controllers,
                                                bool animated)
{
    Ref<UIViewControllerBase> outgoing = stack_.empty() ? nullptr : stack_.back();
    std::vector<Ref<UIViewControllerBase>> kept = stack_; // the old ones live until shown away
    stack_.clear();
    for (UIViewControllerBase* controller : controllers)
        if (controller) stack_.emplace_back(controller);
    UIViewControllerBase* top = topViewController();
    if (top == outgoing.get()) return;
    const bool wasBelow =
        top && std::any_of(kept.begin(), kept.end(), [&](const auto& held) { return held.get() == top; });
    show(top, outgoing.get(), wasBelow ? Slide::Out : Slide::In, animated);
}

void UINavigationController::tellWillShow(UIViewControllerBase* shown, bool animated)
{
    // Held: the delegate may replace itself during the call.
    if (std::shared_ptr<NavigationControllerDelegate> told = delegate_)
        told->navigationControllerWillShowViewController(*this, shown, animated);
}

void UINavigationController::tellDidShow(UIViewControllerBase* shown, bool animated)
{
    if (std::shared_ptr<NavigationControllerDelegate> told = delegate_)
        told->navigationControllerDidShowViewController(*this, shown, animated);
}

void UINavigationController::show(UIViewControllerBase* incoming, UIViewControllerBase* outgoing, Slide slide,
                                  bool animated)
{
    // Before the view exists there is nothing on screen to change; loadView
    // puts the top controller's view in place.
    if (!isViewLoaded()) return;
    UIView* container = view();
    const CGRect full = container->bounds();
    const float width = full.size.width;
    if (!animated || !UIView::areAnimationsEnabled()) slide = Slide::None;

    if (incoming) {
        tellWillShow(incoming, slide != Slide::None);
        incoming->viewWillAppear(slide != Slide::None);
    }
    if (outgoing) outgoing->viewWillDisappear(slide != Slide::None);

    UIView* incomingView = incoming ? incoming->view() : nullptr;
    if (incomingView) {
        incomingView->setAutoresizingMask(UIView::kFlexibleWidth | UIView::kFlexibleHeight);
        CGRect start = full;
        if (slide == Slide::In) start.origin.x += width;
        incomingView->setFrame(start);
        if (slide == Slide::Out && outgoing && outgoing->view()->superview() == container)
            container->insertSubviewBelow(incomingView, outgoing->view());
        else
            container->addSubview(incomingView);
    }

    Ref<UIViewControllerBase> heldIn(incoming);
    Ref<UIViewControllerBase> heldOut(outgoing);
    Ref<UINavigationController> self(this);
    auto finish = [self, heldIn, heldOut](bool wasAnimated) {
        self->transitioning_ = false;
        if (heldOut) {
            heldOut->view()->removeFromSuperview();
            heldOut->viewDidDisappear(wasAnimated);
        }
        if (heldIn) {
            heldIn->viewDidAppear(wasAnimated);
            self->tellDidShow(heldIn.get(), wasAnimated);
        }
    };
    if (slide == Slide::None) {
        finish(false);
        return;
    }

    transitioning_ = true;
    UIView::beginAnimations("navigationslide");
    UIView::setAnimationDidStop([finish](const std::string&, bool) { finish(true); });
    if (slide == Slide::In) {
        incomingView->setFrame(full);
        if (outgoing) outgoing->view()->setCenter({outgoing->view()->center().x - width, outgoing->view()->center().y});
    } else {
        if (outgoing) outgoing->view()->setCenter({outgoing->view()->center().x + width, outgoing->view()->center().y});
        if (incomingView) incomingView->setFrame(full);
    }
    UIView::commitAnimations();
}

} // namespace mw
