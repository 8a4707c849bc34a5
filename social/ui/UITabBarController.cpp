#include "social/ui/UITabBarController.h"

#include <algorithm>

#include "foundation/Log.h"
#include "social/ui/UIControls.h"
#include "social/ui/UIWindow.h"

namespace mw {

namespace {

const FillColor kBarColour {0.12f, 0.14f, 0.16f, 1};
const FillColor kSelectedColour {0.30f, 0.45f, 0.30f, 1};
const FillColor kTabColour {0.20f, 0.23f, 0.26f, 1};

} // namespace

UITabBarController::UITabBarController() = default;
UITabBarController::~UITabBarController() = default;

void UITabBarController::setDelegate(std::shared_ptr<TabBarControllerDelegate> delegate)
{
    delegate_ = std::move(delegate);
}

std::vector<UIViewControllerBase*> UITabBarController::viewControllers() const
{
    std::vector<UIViewControllerBase*> list;
    for (const auto& controller : controllers_) list.push_back(controller.get());
    return list;
}

std::vector<UIViewController*> UITabBarController::platformControllers() const
{
    std::vector<UIViewController*> list;
    for (const auto& controller : controllers_) list.push_back(controller.get());
    return list;
}

UIViewControllerBase* UITabBarController::selectedViewController() const
{
    return selected_ >= 0 && static_cast<size_t>(selected_) < controllers_.size() ? controllers_[selected_].get()
                                                                                   : nullptr;
}

void UITabBarController::setViewControllers(const std::vector<UIViewControllerBase*>& controllers)
{
    Ref<UIViewControllerBase> previous(selectedViewController());
    std::vector<Ref<UIViewControllerBase>> old = std::move(controllers_); // alive until shown away
    controllers_.clear();
    for (UIViewControllerBase* controller : controllers)
        if (controller) controllers_.emplace_back(controller);
    selected_ = controllers_.empty() ? -1 : 0;
    rebuildTabs();
    showSelected(previous.get());
}

void UITabBarController::setSelectedIndex(int index)
{
    if (index < 0 || static_cast<size_t>(index) >= controllers_.size() || index == selected_) return;
    Ref<UIViewControllerBase> previous(selectedViewController());
    selected_ = index;
    showSelected(previous.get());
}

bool UITabBarController::tapTab(int index)
{
    if (index < 0 || static_cast<size_t>(index) >= controllers_.size()) return false;
    Ref<UIViewControllerBase> tapped = controllers_[index];
    // Held: the delegate may replace itself during the calls.
    std::shared_ptr<TabBarControllerDelegate> told = delegate_;
    if (told) {
        const std::optional<bool> answer = told->tabBarControllerShouldSelectViewController(*this, tapped.get());
        if (answer && !*answer) return false;
    }
    setSelectedIndex(index);
    if (told) told->tabBarControllerDidSelectViewController(*this, tapped.get());
    return true;
}

void UITabBarController::beginCustomizingTabBar()
{
    if (customizing_) return;
    customizing_ = true;
    if (std::shared_ptr<TabBarControllerDelegate> told = delegate_)
        told->tabBarControllerWillBeginCustomizingViewControllers(*this, platformControllers());
}

void UITabBarController::endCustomizingTabBar(const std::vector<UIViewControllerBase*>& order)
{
    if (!customizing_) return;
    customizing_ = false;
    std::vector<UIViewControllerBase*> current = viewControllers();
    std::vector<UIViewControllerBase*> sortedNew = order;
    std::vector<UIViewControllerBase*> sortedOld = current;
    std::sort(sortedNew.begin(), sortedNew.end());
    std::sort(sortedOld.begin(), sortedOld.end());
    std::vector<UIViewControllerBase*> applied = current;
    if (sortedNew == sortedOld)
        applied = order;
    else
        logLine("[UITabBarController] a customised order of other controllers than the tabs' is ignored");
    const bool changed = applied != current;
    std::shared_ptr<TabBarControllerDelegate> told = delegate_;
    if (changed) {
        Ref<UIViewControllerBase> selected(selectedViewController());
        std::vector<Ref<UIViewControllerBase>> reordered;
        for (UIViewControllerBase* controller : applied) reordered.emplace_back(controller);
        if (told) told->tabBarControllerWillEndCustomizingViewControllers(*this, platformControllers(), changed);
        controllers_ = std::move(reordered);
        const auto at = std::find(applied.begin(), applied.end(), selected.get());
        selected_ = static_cast<int>(at - applied.begin());
        rebuildTabs();
    } else if (told) {
        told->tabBarControllerWillEndCustomizingViewControllers(*this, platformControllers(), changed);
    }
    if (told) told->tabBarControllerDidEndCustomizingViewControllers(*this, platformControllers(), changed);
}

void UITabBarController::loadView()
{
    UIWindow* window = UIWindow::keyWindow();
    const CGRect full = window ? window->bounds() : CGRect {0, 0, 320, 480};
    Ref<UIView> root = makeRef<UIView>(full);
    root->setAutoresizingMask(UIView::kFlexibleWidth | UIView::kFlexibleHeight);
    content_ = makeRef<UIView>(CGRect {0, 0, full.size.width, full.size.height - kTabBarHeight});
    content_->setAutoresizingMask(UIView::kFlexibleWidth | UIView::kFlexibleHeight);
    bar_ = makeRef<UIView>(CGRect {0, full.size.height - kTabBarHeight, full.size.width, kTabBarHeight});
    bar_->setAutoresizingMask(UIView::kFlexibleWidth);
    bar_->setBackgroundColor(kBarColour);
    root->addSubview(content_.get());
    root->addSubview(bar_.get());
    setView(root.get());
    rebuildTabs();
    showSelected(nullptr);
}

void UITabBarController::rebuildTabs()
{
    if (!bar_) return;
    for (const auto& button : buttons_) button->removeFromSuperview();
    buttons_.clear();
    if (controllers_.empty()) return;
    const float width = bar_->bounds().size.width / static_cast<float>(controllers_.size());
    for (size_t index = 0; index < controllers_.size(); ++index) {
        Ref<UIButton> button =
            makeRef<UIButton>(CGRect {width * static_cast<float>(index) + 2, 3, width - 4, kTabBarHeight - 6});
        button->setTitle(controllers_[index]->title(), UIFont::boldSystemFontOfSize(11), {1, 1, 1, 1});
        button->setBackgroundColor(static_cast<int>(index) == selected_ ? kSelectedColour : kTabColour);
        const int tab = static_cast<int>(index);
        button->setTouchUpInside([this, tab](UIButton&) { (void)tapTab(tab); });
        bar_->addSubview(button.get());
        buttons_.push_back(button);
    }
}

void UITabBarController::showSelected(UIViewControllerBase* previous)
{
    for (size_t index = 0; index < buttons_.size(); ++index)
        buttons_[index]->setBackgroundColor(static_cast<int>(index) == selected_ ? kSelectedColour : kTabColour);
    if (!content_) return;
    UIViewControllerBase* shown = selectedViewController();
    if (shown == previous && shown && shown->view()->superview() == content_.get()) return;
    if (previous && previous->isViewLoaded() && previous->view()->superview() == content_.get()) {
        previous->viewWillDisappear(false);
        previous->view()->removeFromSuperview();
        previous->viewDidDisappear(false);
    }
    if (!shown) return;
    shown->viewWillAppear(false);
    shown->view()->setFrame(content_->bounds());
    shown->view()->setAutoresizingMask(UIView::kFlexibleWidth | UIView::kFlexibleHeight);
    content_->addSubview(shown->view());
    shown->viewDidAppear(false);
}

void UITabBarController::viewWillAppear(bool animated)
{
    if (UIViewControllerBase* shown = selectedViewController()) shown->viewWillAppear(animated);
}

void UITabBarController::viewDidAppear(bool animated)
{
    if (UIViewControllerBase* shown = selectedViewController()) shown->viewDidAppear(animated);
}

void UITabBarController::didReceiveMemoryWarning()
{
    for (const auto& controller : controllers_) controller->didReceiveMemoryWarning();
}

bool UITabBarController::shouldAutorotateToInterfaceOrientation(int orientation)
{
    UIViewControllerBase* shown = selectedViewController();
    return shown ? shown->shouldAutorotateToInterfaceOrientation(orientation)
                 : UIViewControllerBase::shouldAutorotateToInterfaceOrientation(orientation);
}

void UITabBarController::willRotateToInterfaceOrientation(int orientation, double durationSeconds)
{
    if (UIViewControllerBase* shown = selectedViewController())
        shown->willRotateToInterfaceOrientation(orientation, durationSeconds);
}

void UITabBarController::didRotateFromInterfaceOrientation(int previousOrientation)
{
    if (UIViewControllerBase* shown = selectedViewController())
        shown->didRotateFromInterfaceOrientation(previousOrientation);
}

} // namespace mw
