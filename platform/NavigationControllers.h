#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "platform/UIViewController.h"

namespace mw {

class NavigationController;
class TabBarController;

// What a navigation controller tells its delegate as pages are pushed and
// popped. Every callback is optional: the defaults do nothing.
class NavigationControllerDelegate {
public:
    virtual ~NavigationControllerDelegate() = default;
    virtual void navigationControllerWillShowViewController(NavigationController& /*controller*/,
                                                            UIViewController* /*shown*/, bool /*animated*/)
    {
    }
    virtual void navigationControllerDidShowViewController(NavigationController& /*controller*/,
                                                           UIViewController* /*shown*/, bool /*animated*/)
    {
    }
};

// What a tab-bar controller asks and tells its delegate. Every callback is
// optional: the defaults do nothing, and the selection question's default
// gives no answer, which leaves the choice to the controller (it selects).
class TabBarControllerDelegate {
public:
    virtual ~TabBarControllerDelegate() = default;
    virtual std::optional<bool> tabBarControllerShouldSelectViewController(TabBarController& /*controller*/,
                                                                           UIViewController* /*selected*/)
    {
        return std::nullopt;
    }
    virtual void tabBarControllerDidSelectViewController(TabBarController& /*controller*/,
                                                         UIViewController* /*selected*/)
    {
    }
    virtual void
    tabBarControllerWillBeginCustomizingViewControllers(TabBarController& /*controller*/,
                                                        const std::vector<UIViewController*>& /*controllers*/)
    {
    }
    virtual void
    tabBarControllerWillEndCustomizingViewControllers(TabBarController& /*controller*/,
                                                      const std::vector<UIViewController*>& /*controllers*/,
                                                      bool /*changed*/)
    {
    }
    virtual void
    tabBarControllerDidEndCustomizingViewControllers(TabBarController& /*controller*/,
                                                     const std::vector<UIViewController*>& /*controllers*/,
                                                     bool /*changed*/)
    {
    }
};

// A controller that shows a stack of pages, one at a time. (The controller
// interface is a virtual base so that a view layer's controller class can
// implement this one too.) Its delegate slot
// shares ownership of the delegate; an interceptor that replaces the
// delegate keeps the one it replaced.
class NavigationController : public virtual UIViewController {
public:
    virtual std::shared_ptr<NavigationControllerDelegate> delegate() const = 0;
    virtual void setDelegate(std::shared_ptr<NavigationControllerDelegate> delegate) = 0;
};

// A controller that shows one of several pages chosen by tabs.
class TabBarController : public virtual UIViewController {
public:
    virtual std::shared_ptr<TabBarControllerDelegate> delegate() const = 0;
    virtual void setDelegate(std::shared_ptr<TabBarControllerDelegate> delegate) = 0;
};

} // namespace mw
