#pragma once

// Navigation and tab-bar controllers with a plain delegate slot, and
// delegates that record what reaches them, for code that intercepts the
// controllers' delegates.

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/NavigationControllers.h"

namespace mw::test {

class FakeNavigationController : public NavigationController {
public:
    std::shared_ptr<NavigationControllerDelegate> delegate() const override { return delegate_; }
    void setDelegate(std::shared_ptr<NavigationControllerDelegate> delegate) override
    {
        delegate_ = std::move(delegate);
    }

    // Shows a page as a push does: will show, then did show.
    void show(UIViewController* page, bool animated)
    {
        if (!delegate_) return;
        delegate_->navigationControllerWillShowViewController(*this, page, animated);
        delegate_->navigationControllerDidShowViewController(*this, page, animated);
    }

private:
    std::shared_ptr<NavigationControllerDelegate> delegate_;
};

class FakeTabBarController : public TabBarController {
public:
    std::shared_ptr<TabBarControllerDelegate> delegate() const override { return delegate_; }
    void setDelegate(std::shared_ptr<TabBarControllerDelegate> delegate) override
    {
        delegate_ = std::move(delegate);
    }

    // A tab press: asks, and selects unless the delegate says no. Answers
    // whether it selected.
    bool press(UIViewController* page)
    {
        if (!delegate_) return true;
        if (!delegate_->tabBarControllerShouldSelectViewController(*this, page).value_or(true)) return false;
        delegate_->tabBarControllerDidSelectViewController(*this, page);
        return true;
    }

private:
    std::shared_ptr<TabBarControllerDelegate> delegate_;
};

// One callback as a recording delegate saw it.
struct ControllerCall {
    std::string name;
    const void* controller = nullptr;
    const void* argument = nullptr; // the page, or the list of pages
    std::optional<bool> flag; // animated or changed
    bool operator==(const ControllerCall&) const = default;
};

// Implements only the navigation controller's will-show callback.
class WillShowOnlyDelegate : public NavigationControllerDelegate {
public:
    void navigationControllerWillShowViewController(NavigationController& controller, UIViewController* shown,
                                                    bool animated) override
    {
        calls.push_back({ "willShow", &controller, shown, animated });
        if (throws) throw std::runtime_error("delegate failed");
    }
    std::vector<ControllerCall> calls;
    bool throws = false;
};

// Implements every navigation callback; did-show can be made to throw.
class RecordingNavigationDelegate : public NavigationControllerDelegate {
public:
    void navigationControllerWillShowViewController(NavigationController& controller, UIViewController* shown,
                                                    bool animated) override
    {
        calls.push_back({ "willShow", &controller, shown, animated });
    }
    void navigationControllerDidShowViewController(NavigationController& controller, UIViewController* shown,
                                                   bool animated) override
    {
        calls.push_back({ "didShow", &controller, shown, animated });
        if (throws) throw std::runtime_error("delegate failed");
    }
    std::vector<ControllerCall> calls;
    bool throws = false;
};

// Implements every tab-bar callback; answers the selection question with
// `answer` (no answer when unset).
class RecordingTabBarDelegate : public TabBarControllerDelegate {
public:
    std::optional<bool> tabBarControllerShouldSelectViewController(TabBarController& controller,
                                                                   UIViewController* selected) override
    {
        calls.push_back({ "shouldSelect", &controller, selected, std::nullopt });
        return answer;
    }
    void tabBarControllerDidSelectViewController(TabBarController& controller,
                                                 UIViewController* selected) override
    {
        calls.push_back({ "didSelect", &controller, selected, std::nullopt });
        if (throws) throw std::runtime_error("delegate failed");
    }
    void
    tabBarControllerWillBeginCustomizingViewControllers(TabBarController& controller,
                                                        const std::vector<UIViewController*>& pages) override
    {
        calls.push_back({ "willBeginCustomizing", &controller, &pages, std::nullopt });
    }
    void tabBarControllerWillEndCustomizingViewControllers(TabBarController& controller,
                                                           const std::vector<UIViewController*>& pages,
                                                           bool changed) override
    {
        calls.push_back({ "willEndCustomizing", &controller, &pages, changed });
    }
    void tabBarControllerDidEndCustomizingViewControllers(TabBarController& controller,
                                                          const std::vector<UIViewController*>& pages,
                                                          bool changed) override
    {
        calls.push_back({ "didEndCustomizing", &controller, &pages, changed });
    }
    std::vector<ControllerCall> calls;
    std::optional<bool> answer;
    bool throws = false;
};

} // namespace mw::test
