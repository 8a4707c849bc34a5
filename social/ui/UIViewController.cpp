#include "social/ui/UIViewController.h"

#include "social/ui/UIWindow.h"

namespace mw {

UIViewControllerBase::~UIViewControllerBase()
{
    if (view_) view_->setViewController(nullptr);
}

UIView* UIViewControllerBase::view()
{
    if (!view_) {
        loadView();
        if (!view_) setView(makeRef<UIView>().get());
        viewDidLoad();
    }
    return view_.get();
}

void UIViewControllerBase::setView(UIView* view)
{
    if (view_) view_->setViewController(nullptr);
    view_ = Ref<UIView>(view);
    if (view_) view_->setViewController(this);
}

void UIViewControllerBase::loadView()
{
    UIWindow* window = UIWindow::keyWindow();
    setView(makeRef<UIView>(window ? window->bounds() : CGRect {0, 0, 320, 480}).get());
}

UIResponder* UIViewControllerBase::nextResponder() const
{
    if (view_ && view_->superview()) return view_->superview();
    return nullptr;
}

void UIViewControllerBase::presentModalViewController(UIViewControllerBase* controller, bool animated)
{
    if (!controller || modal_) return;
    UIWindow* window = UIWindow::keyWindow();
    if (!window) return;
    modal_ = Ref<UIViewControllerBase>(controller);
    controller->presenter_ = this;
    UIView* shown = controller->view();
    const CGRect full = controller->modalPresentationFrame(window->bounds());
    controller->viewWillAppear(animated);
    window->addSubview(shown);
    if (!animated) {
        shown->setFrame(full);
        controller->viewDidAppear(false);
        return;
    }
    // Slid up from just below the window's bottom edge.
    const CGRect bottom = window->bounds();
    shown->setFrame({full.origin.x, bottom.origin.y + bottom.size.height, full.size.width, full.size.height});
    Ref<UIViewControllerBase> hold(controller);
    UIView::beginAnimations("modalpresent");
    UIView::setAnimationDidStop([hold](const std::string&, bool) { hold->viewDidAppear(true); });
    shown->setFrame(full);
    UIView::commitAnimations();
}

void UIViewControllerBase::dismissModalViewControllerAnimated(bool animated)
{
    if (!modal_) {
        if (presenter_) presenter_->dismissModalViewControllerAnimated(animated);
        return;
    }
    Ref<UIViewControllerBase> shown = modal_;
    modal_ = nullptr;
    shown->presenter_ = nullptr;
    shown->viewWillDisappear(animated);
    UIView* view = shown->view();
    if (!animated) {
        view->removeFromSuperview();
        shown->viewDidDisappear(false);
        return;
    }
    CGRect away = view->frame();
    const UIWindow* window = view->window();
    away.origin.y = window ? window->bounds().origin.y + window->bounds().size.height : away.origin.y + away.size.height;
    UIView::beginAnimations("modaldismiss");
    UIView::setAnimationDidStop([shown](const std::string&, bool) {
        shown->view()->removeFromSuperview();
        shown->viewDidDisappear(true);
    });
    view->setFrame(away);
    UIView::commitAnimations();
}

} // namespace mw
