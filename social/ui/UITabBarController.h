#pragma once

#include <memory>
#include <vector>

#include "foundation/Ref.h"
#include "platform/NavigationControllers.h"
#include "social/ui/UIControls.h"
#include "social/ui/UIViewController.h"

namespace mw {


// Pages chosen by a strip of tabs along the bottom edge: the selected
// controller's view fills the rest. A tap on a tab asks the delegate
// whether to select it (no answer selects), selects it and tells the
// delegate; selecting in code tells nothing, as on the platform.
// Customising the order tells the delegate before it starts, before it ends
// and after it ended. Owns its controllers. Main thread.
class UITabBarController : public UIViewControllerBase, public TabBarController {
public:
    static constexpr float kTabBarHeight = 49;

    UITabBarController();
    ~UITabBarController() override;

    std::shared_ptr<TabBarControllerDelegate> delegate() const override { return delegate_; }
    void setDelegate(std::shared_ptr<TabBarControllerDelegate> delegate) override;

    std::vector<UIViewControllerBase*> viewControllers() const;
    // Replaces the tabs (null entries skipped); the first is selected.
    void setViewControllers(const std::vector<UIViewControllerBase*>& controllers);
    // -1 without tabs.
    int selectedIndex() const { return selected_; }
    UIViewControllerBase* selectedViewController() const;
    // Out of range: ignored.
    void setSelectedIndex(int index);

    // As a tap on the tab at `index`: answers whether it was selected.
    bool tapTab(int index);
    // The tab buttons once the view is made, in tab order.
    const std::vector<Ref<UIButton>>& tabButtons() const { return buttons_; }

    // Customising: begin, then end with the new order (the same controllers;
    // anything else is logged and the order kept).
    void beginCustomizingTabBar();
    void endCustomizingTabBar(const std::vector<UIViewControllerBase*>& order);
    bool isCustomizing() const { return customizing_; }

    void loadView() override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    void didReceiveMemoryWarning() override;
    bool shouldAutorotateToInterfaceOrientation(int orientation) override;
    void willRotateToInterfaceOrientation(int orientation, double durationSeconds) override;
    void didRotateFromInterfaceOrientation(int previousOrientation) override;

private:
    std::vector<UIViewController*> platformControllers() const;
    void rebuildTabs();
    void showSelected(UIViewControllerBase* previous);

    std::vector<Ref<UIViewControllerBase>> controllers_;
    std::shared_ptr<TabBarControllerDelegate> delegate_;
    int selected_ = -1;
    bool customizing_ = false;
    Ref<UIView> content_;
    Ref<UIView> bar_;
    std::vector<Ref<UIButton>> buttons_;
};

} // namespace mw
