#include "analytics/TallyPageViewDelegate.h"

#include <mutex>

#include "analytics/TallyUtil.h"
#include "foundation/Format.h"

namespace mw {

namespace {

// The installed delegates: kept for the rest of the process, whatever the
// controllers do with their slots.
struct Installed {
    std::mutex lock;
    std::vector<std::shared_ptr<TallyPageViewDelegate>> delegates;
};

Installed& installed()
{
    static Installed* const shared = new Installed();
    return *shared;
}

template <typename... Args> void debug(std::string_view fmt, const Args&... args)
{
    if (!TallyUtil::isDebugLogEnabled()) return;
    TallyUtil::debugLog(format(fmt, args...));
}

// A callback passed on must not take the controller down with it: what the
// replaced delegate or the session throws is logged and the callback returns.
template <typename Work> void guarded(Work&& work)
{
    try {
        work();
    } catch (const std::exception& exception) {
        TallyUtil::handleException(exception);
    } catch (...) {
        TallyUtil::handleException(std::string("an exception of unknown type"));
    }
}

} // namespace

std::shared_ptr<TallyPageViewDelegate> TallyPageViewDelegate::createDelegateOnTarget(UIViewController* target)
{
    std::shared_ptr<TallyPageViewDelegate> made;
    if (auto* navigation = dynamic_cast<NavigationController*>(target)) {
        made = std::make_shared<TallyPageViewDelegate>(TallySession::currentSession(), navigation->delegate(),
                                                       nullptr);
        navigation->setDelegate(made);
    } else if (auto* tabBar = dynamic_cast<TabBarController*>(target)) {
        made = std::make_shared<TallyPageViewDelegate>(TallySession::currentSession(), nullptr,
                                                       tabBar->delegate());
        tabBar->setDelegate(made);
    } else {
        return nullptr;
    }
    std::lock_guard<std::mutex> guard(installed().lock);
    installed().delegates.push_back(made);
    return made;
}

void TallyPageViewDelegate::releaseInstalledForTesting()
{
    std::lock_guard<std::mutex> guard(installed().lock);
    installed().delegates.clear();
}

TallyPageViewDelegate::TallyPageViewDelegate(Ref<TallySession> session,
                                             std::shared_ptr<NavigationControllerDelegate> navigationDelegate,
                                             std::shared_ptr<TabBarControllerDelegate> tabBarDelegate)
    : session_(std::move(session))
    , navigationDelegate_(std::move(navigationDelegate))
    , tabBarDelegate_(std::move(tabBarDelegate))
{
    debug("Tally: TallyPageViewDelegate session[%p] delegate[%p] created",
          static_cast<const void*>(session_.get()),
          navigationDelegate_ ? static_cast<const void*>(navigationDelegate_.get())
                              : static_cast<const void*>(tabBarDelegate_.get()));
}

void TallyPageViewDelegate::countPageView()
{
    if (!session_) return;
    session_->maybeIncrementPageView();
    debug("Tally: pageViewCount[%d]", session_->pageViewCount());
}

void TallyPageViewDelegate::navigationControllerWillShowViewController(NavigationController& controller,
                                                                       UIViewController* shown, bool animated)
{
    debug("Tally: TallyPageViewDelegate [%p] [%p] [%d]", static_cast<const void*>(&controller),
          static_cast<const void*>(shown), animated);
    guarded([&] {
        if (navigationDelegate_)
            navigationDelegate_->navigationControllerWillShowViewController(controller, shown, animated);
    });
}

void TallyPageViewDelegate::navigationControllerDidShowViewController(NavigationController& controller,
                                                                      UIViewController* shown, bool animated)
{
    debug("Tally: TallyPageViewDelegate [%p]", static_cast<const void*>(&controller));
    guarded([&] {
        if (navigationDelegate_)
            navigationDelegate_->navigationControllerDidShowViewController(controller, shown, animated);
        debug("Tally: Navigation View [%p]", static_cast<const void*>(&controller));
        countPageView();
    });
}

std::optional<bool>
TallyPageViewDelegate::tabBarControllerShouldSelectViewController(TabBarController& controller,
                                                                  UIViewController* selected)
{
    debug("Tally: TallyPageViewDelegate [%p] [%p]", static_cast<const void*>(&controller),
          static_cast<const void*>(selected));
    std::optional<bool> answer;
    guarded([&] {
        if (tabBarDelegate_)
            answer = tabBarDelegate_->tabBarControllerShouldSelectViewController(controller, selected);
    });
    return answer.value_or(true);
}

void TallyPageViewDelegate::tabBarControllerDidSelectViewController(TabBarController& controller,
                                                                    UIViewController* selected)
{
    debug("Tally: TallyPageViewDelegate [%p] [%p]", static_cast<const void*>(&controller),
          static_cast<const void*>(selected));
    guarded([&] {
        if (tabBarDelegate_) tabBarDelegate_->tabBarControllerDidSelectViewController(controller, selected);
        countPageView();
    });
}

void TallyPageViewDelegate::tabBarControllerWillBeginCustomizingViewControllers(
    TabBarController& controller, const std::vector<UIViewController*>& controllers)
{
    debug("Tally: TallyPageViewDelegate [%p] [%p]", static_cast<const void*>(&controller),
          static_cast<const void*>(&controllers));
    guarded([&] {
        if (tabBarDelegate_)
            tabBarDelegate_->tabBarControllerWillBeginCustomizingViewControllers(controller, controllers);
    });
}

void TallyPageViewDelegate::tabBarControllerWillEndCustomizingViewControllers(
    TabBarController& controller, const std::vector<UIViewController*>& controllers, bool changed)
{
    debug("Tally: TallyPageViewDelegate [%p] [%p] [%d]", static_cast<const void*>(&controller),
          static_cast<const void*>(&controllers), changed);
    guarded([&] {
        if (tabBarDelegate_)
            tabBarDelegate_->tabBarControllerWillEndCustomizingViewControllers(controller, controllers,
                                                                               changed);
    });
}

void TallyPageViewDelegate::tabBarControllerDidEndCustomizingViewControllers(
    TabBarController& controller, const std::vector<UIViewController*>& controllers, bool changed)
{
    debug("Tally: TallyPageViewDelegate [%p] [%p] [%d]", static_cast<const void*>(&controller),
          static_cast<const void*>(&controllers), changed);
    guarded([&] {
        if (tabBarDelegate_)
            tabBarDelegate_->tabBarControllerDidEndCustomizingViewControllers(controller, controllers,
                                                                              changed);
    });
}

} // namespace mw
