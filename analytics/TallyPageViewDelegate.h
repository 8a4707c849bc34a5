#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "analytics/TallySession.h"
#include "foundation/Ref.h"
#include "platform/NavigationControllers.h"

namespace mw {

// Counts page views of a navigation or tab-bar controller: installed as the
// controller's delegate, it passes every callback on to the delegate it
// replaced (with the same arguments, and that delegate's own answer to the
// selection question) and counts a page view each time a page is shown. The
// count goes to the session that was current when it was installed, also
// after a later session has replaced that one. Main thread.
class TallyPageViewDelegate : public NavigationControllerDelegate,
                              public TabBarControllerDelegate,
                              public std::enable_shared_from_this<TallyPageViewDelegate> {
public:
    // Installs a new delegate on `target` when it is a navigation or tab-bar
    // controller, over the delegate it has; nothing for any other object.
    // The installed delegate lives for the rest of the process.
    static std::shared_ptr<TallyPageViewDelegate> createDelegateOnTarget(UIViewController* target);

    TallyPageViewDelegate(Ref<TallySession> session,
                          std::shared_ptr<NavigationControllerDelegate> navigationDelegate,
                          std::shared_ptr<TabBarControllerDelegate> tabBarDelegate);

    const Ref<TallySession>& session() const { return session_; }
    void setSession(Ref<TallySession> session) { session_ = std::move(session); }

    void navigationControllerWillShowViewController(NavigationController& controller, UIViewController* shown,
                                                    bool animated) override;
    void navigationControllerDidShowViewController(NavigationController& controller, UIViewController* shown,
                                                   bool animated) override;
    // The replaced delegate's answer, or true when it gives none.
    std::optional<bool> tabBarControllerShouldSelectViewController(TabBarController& controller,
                                                                   UIViewController* selected) override;
    void tabBarControllerDidSelectViewController(TabBarController& controller,
                                                 UIViewController* selected) override;
    void tabBarControllerWillBeginCustomizingViewControllers(
        TabBarController& controller, const std::vector<UIViewController*>& controllers) override;
    void tabBarControllerWillEndCustomizingViewControllers(TabBarController& controller,
                                                           const std::vector<UIViewController*>& controllers,
                                                           bool changed) override;
    void tabBarControllerDidEndCustomizingViewControllers(TabBarController& controller,
                                                          const std::vector<UIViewController*>& controllers,
                                                          bool changed) override;

    // Forgets the installed delegates (tests).
    static void releaseInstalledForTesting();

private:
    void countPageView();

    Ref<TallySession> session_;
    std::shared_ptr<NavigationControllerDelegate> navigationDelegate_;
    std::shared_ptr<TabBarControllerDelegate> tabBarDelegate_;
};

} // namespace mw
