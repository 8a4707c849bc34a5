#include "social/screens/CCPageNavControllers.h"

#include "foundation/Notification.h"
#include "foundation/NotificationCenter.h"
#include "foundation/RunLoop.h"
#include "social/queues/CCFetchManager.h"
#include "social/screens/CCGenericTableViewController.h"
#include "social/services/CCLoginHandler.h"
#include "social/screens/CCModalControllers.h"
#include "social/data/CCLumoraService.h"
#include "social/screens/CCScreenSession.h"
#include "social/queues/records/CCServerRecords.h"
#include "social/support/URLUtilities.h"
#include "social/ui/UIView.h"

namespace mw {

namespace {

std::string textOf(const Value& value) { return value.isString() ? value.asString() : std::string(); }

Value tabbedParams() { return Value::dictionary({{"inTabbedView", Value("1")}}); }

} // namespace

// ---- one page at a time ----

CCUIDescription* CCSinglePageNavController::currentDisplayedUiDescription()
{
    return primaryViewController_ ? primaryViewController_->currentUIDescription() : nullptr;
}

void CCSinglePageNavController::displayDialogWithUiDescription(CCUIDescription* description,
                                                               CCModalViewDelegate* delegate)
{
    if (primaryViewController_) primaryViewController_->displayDialogWithUiDescription(description, delegate);
}

CGPoint CCSinglePageNavController::getCurrentRowOffset()
{
    if (primaryViewController_ && primaryViewController_->tableView()) {
        return primaryViewController_->tableView()->contentOffset();
    }
    return {0, 0};
}

void CCSinglePageNavController::clearTopTableSelection()
{
    if (primaryViewController_) primaryViewController_->clearSelection();
}

void CCSinglePageNavController::letPageGo(Ref<CCGenericTableViewController>& page)
{
    if (!page) return;
    page->view()->removeFromSuperview();
    page->willDealloc();
    page = nullptr;
}

void CCSinglePageNavController::scrollPushedPageTo(CGPoint offset)
{
    CCGenericTableViewController* table =
        incomingViewController_ ? incomingViewController_.get() : primaryViewController_.get();
    if (table && table->tableView()) table->tableView()->setContentOffset(offset);
}

// ---- a tab's pages ----

bool CCTabPagesNavController::isPad()
{
    CCScreenSession* session = CCScreenSession::shared();
    return session && session->isRunningOniPad();
}

int CCTabPagesNavController::orientation()
{
    CCScreenSession* session = CCScreenSession::shared();
    return session ? session->currentDeviceOrientation() : 1;
}

bool CCTabPagesNavController::shouldAutorotateToInterfaceOrientation(int orientation)
{
    CCScreenSession* session = CCScreenSession::shared();
    if (!session || session->deviceOrientationLockList().empty()) return true;
    for (int allowed : session->deviceOrientationLockList()) {
        if (allowed == orientation) return true;
    }
    return false;
}

Ref<CCUIDescription> CCTabPagesNavController::tabPageRecord(const std::string& url)
{
    return newPageRecord(url, 10, CCUIDescription::kViewTypeTab);
}

Ref<CCUIDescription> CCTabPagesNavController::pageForUrl(const std::string& url) const
{
    CCFetchManager* fetcher = CCFetchManager::sharedInstance();
    Ref<CCUIDescription> record = dynamicRef<CCUIDescription>(fetcher->serverDataForURL(url));
    return record ? record : tabPageRecord(url);
}

Ref<CCUIDescription> CCTabPagesNavController::leaderboardSubstitute(const Ref<CCUIDescription>& page) const
{
    if (leaderboardId_.empty()) return page;
    const std::string base = CCLumoraService::liteBaseUrl();
    if (page->url() != urlStringUsingBaseUrl(base + "leaderboard.cuid", tabbedParams()).value_or("")) {
        return page;
    }
    const Value params =
        Value::dictionary({{"gameConfigID", Value(leaderboardId_)}, {"inTabbedView", Value("1")}});
    return tabPageRecord(urlStringUsingBaseUrl(base + "leaderboard_global.cuid", params).value_or(""));
}

void CCTabPagesNavController::beginIncomingAnimation()
{
    std::weak_ptr<int> alive = lifeToken_;
    const unsigned generation = generation_;
    UIView::beginAnimations("incomingview");
    UIView::setAnimationDuration(0.4);
    UIView::setAnimationDidStop([this, alive, generation](const std::string&, bool) {
        if (alive.expired() || generation_ != generation || !incomingViewController_) return;
        later([this] { doEndAnimations(); });
    });
}

void CCTabPagesNavController::endPushOnNextTurn()
{
    later([this] { doEndAnimations(); });
}

void CCTabPagesNavController::doEndAnimations()
{
    if (!incomingViewController_) return;
    removePrimaryView();
    primaryViewController_ = incomingViewController_;
    incomingViewController_ = nullptr;
    currentUIDescription_ = primaryViewController_->currentUIDescription();
    if (primaryViewController_->tableView()) primaryViewController_->tableView()->flashScrollIndicators();
}

void CCTabPagesNavController::removePrimaryView() { letPageGo(primaryViewController_); }

void CCTabPagesNavController::finishDeactivation()
{
    Ref<CCNavControllerBase> self(this);
    removePrimaryView();
    if (redirectViewController()) affiliateRedirectComplete();
    cleanUp();
    tellOwnerDeactivated();
}

void CCTabPagesNavController::observeRotationAndShowIn(UIView* parentView)
{
    NotificationCenter& centre = NotificationCenter::defaultCenter();
    CCScreenSession* host = CCScreenSession::shared();
    Object* session = host ? host->orientationNotifier() : nullptr;
    centre.addObserver(this, "CCOrientationWillChangeNotification", session,
                       [this](const Notification&) { willRotate(); });
    centre.addObserver(this, "CCOrientationDidChangeNotification", session,
                       [this](const Notification&) { didRotate(); });
    if (parentView) parentView->addSubview(view());
    else (void)view();
}

void CCTabPagesNavController::pushPreviousPage(int animation)
{
    Ref<CCViewUrlHistory> item(lastUrlHistoryItem());
    Ref<CCUIDescription> page = pageForUrl(item->url());
    removeLastUrlHistoryItem();
    pushView(page, selectedTabId_, animation, false);
    scrollPushedPageTo(item->rowOffset());
}

void CCTabPagesNavController::doOpenUrlOnTab(const std::string& path)
{
    // The opening runs on the loop's next turn; the flag is set here, on the
    // main thread, so nothing else writes it.
    backgroundThreadRunning_ = true;
    later([this, path] { doDoOpenUrlOnTab(path); });
}

void CCTabPagesNavController::loadUiDescription()
{
    if (!currentUIDescription_) return;
    Ref<CCAbstractServerData> page(currentUIDescription_.get());
    (void)CCFetchManager::sharedInstance()->queueServerData(page, 400, 0);
}

void CCTabPagesNavController::clearUnderlaySoon(std::function<void()> afterwards)
{
    if (underlayTimer_) underlayTimer_->invalidate();
    auto clear = [this, afterwards = std::move(afterwards)](NSTimer*) {
        underlayTimer_ = nullptr;
        if (imagePickerUnderlay_) imagePickerUnderlay_->view()->removeFromSuperview();
        imagePickerUnderlay_ = nullptr;
        clearTopTableSelection();
        if (afterwards) afterwards();
    };
    underlayTimer_ = NSTimer::scheduledTimer(2.0, false, std::move(clear));
}

void CCTabPagesNavController::forwardTappedLink(const Notification& notification, CCTableLinkInfo info)
{
    const Value& url = info.info["url"];
    if (url.isString()) {
        const std::string text = url.asString();
        const size_t at = text.find("https:");
        // Exactly two parts around "https:": the link holds it once.
        if (at != std::string::npos && text.find("https:", at + 1) == std::string::npos) {
            if (auto tabbed = urlStringUsingBaseUrl(text, tabbedParams())) {
                info.info.set("url", Value(*tabbed));
            }
        }
    }
    Ref<Notification> copy = makeRef<Notification>(notification.name(), notification.object(), info);
    CCNavControllerBase::listItemSelectedNotification(*copy);
}

// ---- sign-in changes and modes ----

void CCTabPagesNavController::activateGlobalNavUiAsGuest(bool, const std::string& tabId,
                                                         const std::string& url)
{
    const std::string tabbed = urlStringUsingBaseUrl(url, tabbedParams()).value_or(url);
    CCFetchManager* fetcher = CCFetchManager::sharedInstance();
    Ref<CCUIDescription> page = dynamicRef<CCUIDescription>(fetcher->serverDataForURL(tabbed));
    if (!page) page = tabPageRecord(url);
    pushView(page, tabId, kAnimationNone, false);
}

void CCTabPagesNavController::activateGlobalNavUiAsGuest(bool guest, const std::string&)
{
    const Value tab = findFirstTabUrlAndId();
    if (tab.isNull()) return;
    const std::string url = CCLumoraService::liteBaseUrl() + textOf(tab["href"]);
    emptyUrlHistory();
    CCFetchManager::sharedInstance()->clearUrlFromCache(url);
    activateGlobalNavUiAsGuest(guest, textOf(tab["id"]), url);
}

void CCTabPagesNavController::activateBasicNavUiWithTab(bool tab)
{
    activateBasicNavUiWithTab(tab, CCLumoraService::liteBaseUrl() + "logout");
}

void CCTabPagesNavController::activateBasicNavUiWithTab(bool, const std::string& url)
{
    const Value tab = findFirstTabUrlAndId();
    if (tab.isNull()) return;
    CCFetchManager* fetcher = CCFetchManager::sharedInstance();
    fetcher->clearDataWithCompleteClean(true);
    fetcher->stopFetching();
    CCLoginHandler::sharedInstance()->setIsFirstUiActivationToday(true);
    emptyUrlHistory();
    fetcher->clearUrlFromCache(url);
    activateGlobalNavUiAsGuest(true, textOf(tab["id"]), url);
}

// ---- the pages' calls ----

void CCTabPagesNavController::genericTableViewControllerGotBackNav() { popViewWithAnimation(kAnimationBack); }

void CCTabPagesNavController::genericTableViewControllerFailedToLoadPage(CCGenericTableViewController&)
{
    if (isPad()) popViewWithAnimation(kAnimationNone);
    else if (urlHistoryCount() < 2) onlyPageFailedToLoad();
    else popViewWithAnimation(kAnimationBack);
}

} // namespace mw
