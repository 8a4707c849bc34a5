#include "social/CCEmbeddedViewController.h"

#include <cmath>

#include "foundation/Notification.h"
#include "foundation/NotificationCenter.h"
#include "foundation/RunLoop.h"
#include "platform/Image.h"
#include "social/CCDataStore.h"
#include "social/CCFetchManager.h"
#include "social/CCGenericTableViewController.h"
#include "social/CCLoginHandler.h"
#include "social/CCModalControllers.h"
#include "social/CCPrivateSession.h"
#include "social/records/CCServerRecords.h"
#include "social/support/URLUtilities.h"
#include "social/ui/UIControls.h"
#include "social/ui/UIWindow.h"

namespace mw {

namespace {

constexpr const char* kOrientationWillChange = "CCOrientationWillChangeNotification";
constexpr const char* kOrientationDidChange = "CCOrientationDidChangeNotification";

std::string textOf(const Value& value) { return value.isString() ? value.asString() : std::string(); }

Value tabbedParams() { return Value::dictionary({{"inTabbedView", Value("1")}}); }

// A launch size the page square can be scaled to: finite and positive.
bool usableSide(float side) { return std::isfinite(side) && side > 0; }

} // namespace

// ---- creation ----

Ref<CCEmbeddedViewController> CCEmbeddedViewController::create(CCEmbeddedViewControllerDelegate* delegate,
                                                               CGRect frame, UIView* parentView,
                                                               std::optional<std::string> launchUrl)
{
    Ref<CCEmbeddedViewController> controller(new CCEmbeddedViewController());
    CCEmbeddedViewController& c = *controller;
    c.delegate_ = delegate;
    c.launchFrame_ = frame;
    c.parentView_ = parentView;
    c.launchUrlString_ = std::move(launchUrl);
    NotificationCenter& centre = NotificationCenter::defaultCenter();
    CCEmbeddedViewController* self = controller.get();
    Object* session = CCPrivateSession::sharedInstance();
    centre.addObserver(self, kOrientationWillChange, session, [self](const Notification&) { self->willRotate(); });
    centre.addObserver(self, kOrientationDidChange, session, [self](const Notification&) { self->didRotate(); });
    if (parentView) parentView->addSubview(c.view());
    else (void)c.view();
    return controller;
}

CCEmbeddedViewController::~CCEmbeddedViewController()
{
    removePrimaryView();
    cleanUp();
    if (isViewLoaded()) view()->removeFromSuperview();
}

bool CCEmbeddedViewController::isPad()
{
    CCPrivateSession* session = CCPrivateSession::sharedInstance();
    return session && session->isRunningOniPad();
}

int CCEmbeddedViewController::orientation()
{
    CCPrivateSession* session = CCPrivateSession::sharedInstance();
    return session ? session->currentDeviceOrientation() : 1;
}

// ---- geometry ----

CGRect CCEmbeddedViewController::primaryViewRectForOrientation(int) { return {0, 0, kPageSide, kPageSide}; }

CGAffineTransform CCEmbeddedViewController::transformForOrientation(int) const
{
    const float width = launchFrame_.size.width;
    const float height = launchFrame_.size.height;
    const float sx = usableSide(width) ? width / kPageSide : 1;
    const float sy = usableSide(height) ? height / kPageSide : 1;
    // The holder scales about its centre; the translation brings the
    // scaled square's top-left corner back to the origin.
    const float half = kPageSide / 2;
    return CGAffineTransformConcat(CGAffineTransformMakeScale(sx, sy),
                                   CGAffineTransformMakeTranslation(-(1 - sx) * half, -(1 - sy) * half));
}

bool CCEmbeddedViewController::shouldAutorotateToInterfaceOrientation(int orientation)
{
    CCPrivateSession* session = CCPrivateSession::sharedInstance();
    if (!session || session->deviceOrientationLockList().empty()) return true;
    for (int allowed : session->deviceOrientationLockList()) {
        if (allowed == orientation) return true;
    }
    return false;
}

UIView* CCEmbeddedViewController::visibleHolderView() const
{
    return isLandscape(orientation()) ? landscapePullTabView_.get() : portraitPullTabView_.get();
}

// ---- the view ----

void CCEmbeddedViewController::loadView()
{
    CCNavControllerBase::loadView();
    auto container = makeRef<UIView>(launchFrame_);
    container->setBackgroundColor(FillColor {0, 1, 0, 1});
    container->setAutoresizingMask(UIView::kFlexibleWidth | UIView::kFlexibleHeight);
    setView(container);

    const int current = orientation();
    for (Ref<UIView>* holder : {&landscapePullTabView_, &portraitPullTabView_}) {
        const bool landscape = holder == &landscapePullTabView_;
        *holder = makeRef<UIView>(primaryViewRectForOrientation(landscape ? 3 : 1));
        (*holder)->setTransform(transformForOrientation(landscape ? 3 : 1));
        (*holder)->setHidden(landscape != isLandscape(current));
        container->addSubview(holder->get());
    }

    const std::string url = launchUrlString_ ? *launchUrlString_ : tabUrlStringForTabId(kProfileTab);
    observeFetchManager(url);
    Ref<CCUIDescription> page = dynamicRef<CCUIDescription>(CCFetchManager::sharedInstance()->serverDataForURL(url));
    if (!page) page = newPageRecord(url);
    pushView(page, std::string(kProfileTab), kAnimationNone, false);
}

void CCEmbeddedViewController::redrawHolders()
{
    if (portraitPullTabView_) portraitPullTabView_->setNeedsDisplay();
    if (landscapePullTabView_) landscapePullTabView_->setNeedsDisplay();
}

// ---- pages ----

Ref<CCUIDescription> CCEmbeddedViewController::pageForUrl(const std::string& url) const
{
    Ref<CCUIDescription> record = dynamicRef<CCUIDescription>(CCFetchManager::sharedInstance()->serverDataForURL(url));
    return record ? record : newPageRecord(url);
}

void CCEmbeddedViewController::pushView(const Ref<CCUIDescription>& pushed, const std::optional<std::string>&,
                                        int animation, bool noStackPush)
{
    if (!pushed || cleanedUp_ || !view()) return;
    Ref<CCUIDescription> page = pushed;
    const std::string base = CCPrivateSession::liteBaseUrl();
    if (!leaderboardId_.empty()) {
        if (page->url() == urlStringUsingBaseUrl(base + "leaderboard.cuid", tabbedParams()).value_or("")) {
            const Value params =
                Value::dictionary({{"gameConfigID", Value(leaderboardId_)}, {"inTabbedView", Value("1")}});
            page = newPageRecord(urlStringUsingBaseUrl(base + "leaderboard_global.cuid", params).value_or(""));
            if (!page) return;
        }
    }
    currentUIDescription_ = page;

    if (noStackPush && urlHistoryCount() > 0) removeLastUrlHistoryItem();
    if (animation != kAnimationNone && animation != kAnimationBack) updatePreviousUrlHistoryItemWithOffset(getCurrentRowOffset());
    addUrlHistoryItemWithUrl(page->url());
    Ref<CCFormModel> form = formModelCreatingForUrl(page->url());

    if (incomingViewController_) {
        incomingViewController_->view()->removeFromSuperview();
        incomingViewController_->willDealloc();
    }
    incomingViewController_ = makeRef<CCGenericTableViewController>(page, form, this, "", "", urlHistoryCount() > 1);
    UIView* incoming = incomingViewController_->view();
    incoming->setTransform(CGAffineTransformIdentity);
    incoming->setFrame(primaryViewRectForOrientation(orientation()));
    if (UIView* holder = visibleHolderView()) {
        UIView* shown = primaryViewController_ ? primaryViewController_->view() : nullptr;
        if (shown && shown->superview() == holder) {
            if (animation == kAnimationBack) holder->insertSubviewBelow(incoming, shown);
            else holder->insertSubviewAbove(incoming, shown);
        } else {
            holder->addSubview(incoming);
        }
    }

    const unsigned generation = generation_;
    if (animation != kAnimationNone) {
        // The animation moves nothing: it only times the swap.
        std::weak_ptr<int> alive = lifeToken_;
        UIView::beginAnimations("incomingview");
        UIView::setAnimationDuration(0.4);
        UIView::setAnimationDidStop([this, alive, generation](const std::string&, bool) {
            if (alive.expired() || generation_ != generation || !incomingViewController_) return;
            Ref<CCEmbeddedViewController> held(this);
            RunLoop::performOnMain([held, generation] {
                if (held->generation_ == generation) held->doEndAnimations();
            });
        });
        incoming->setTransform(CGAffineTransformIdentity);
        UIView::commitAnimations();
    } else {
        Ref<CCEmbeddedViewController> self(this);
        RunLoop::performOnMain([self, generation] {
            if (self->generation_ == generation) self->doEndAnimations();
        });
    }
}

void CCEmbeddedViewController::doEndAnimations()
{
    if (!incomingViewController_) return;
    removePrimaryView();
    primaryViewController_ = incomingViewController_;
    incomingViewController_ = nullptr;
    currentUIDescription_ = primaryViewController_->currentUIDescription();
    if (primaryViewController_->tableView()) primaryViewController_->tableView()->flashScrollIndicators();
}

void CCEmbeddedViewController::popViewWithAnimation(int animation)
{
    if (urlHistoryCount() < 2) return;
    removeLastUrlHistoryItem();
    Ref<CCViewUrlHistory> item(lastUrlHistoryItem());
    Ref<CCUIDescription> page = pageForUrl(item->url());
    removeLastUrlHistoryItem();
    pushView(page, selectedTabId_, animation, false);
    CCGenericTableViewController* table =
        incomingViewController_ ? incomingViewController_.get() : primaryViewController_.get();
    if (table && table->tableView()) table->tableView()->setContentOffset(item->rowOffset());
}

CGPoint CCEmbeddedViewController::getCurrentRowOffset()
{
    if (primaryViewController_ && primaryViewController_->tableView()) {
        return primaryViewController_->tableView()->contentOffset();
    }
    return {0, 0};
}

Value CCEmbeddedViewController::findFirstTabUrlAndId() const
{
    return Value::dictionary({{"href", Value(kProfilePath)}, {"id", Value(kProfileTab)}});
}

std::string CCEmbeddedViewController::tabUrlStringForTabId(const std::string&) const
{
    return CCPrivateSession::liteBaseUrl() + kProfilePath;
}

void CCEmbeddedViewController::doOpenUrlOnTab(const std::string& path)
{
    // The opening runs on the loop's next turn; the flag is set here, on the
    // main thread, so nothing else writes it.
    backgroundThreadRunning_ = true;
    Ref<CCEmbeddedViewController> self(this);
    const unsigned generation = generation_;
    RunLoop::performOnMain([self, generation, path] {
        if (self->generation_ == generation) self->doDoOpenUrlOnTab(path);
    });
}

void CCEmbeddedViewController::doDoOpenUrlOnTab(const std::string& path)
{
    const std::string base = CCPrivateSession::liteBaseUrl();
    const std::string url = urlStringUsingDomain(base, path, tabbedParams()).value_or(base + path);
    pushView(pageForUrl(url), selectedTabId_, urlHistoryCount() > 0 ? kAnimationForward : kAnimationNone, false);
    if (CCPrivateSession* session = CCPrivateSession::sharedInstance()) session->updateLumoraLastViewedTimestamp();
    backgroundThreadRunning_ = false;
}

void CCEmbeddedViewController::userSignedInChange()
{
    const std::string url = CCPrivateSession::liteBaseUrl() + kProfilePath;
    emptyUrlHistory();
    CCFetchManager::sharedInstance()->clearUrlFromCache(url);
    activateGlobalNavUiAsGuest(false, kProfileTab, url);
}

// ---- taps ----

void CCEmbeddedViewController::skinnedViewButtonPressed(CCSkinnedView& view, const std::string& itemId,
                                                        const std::string& itemType, const Value& themeUrl)
{
    if (itemType != "tab") {
        if (itemId == "backbutton" && urlHistoryCount() >= 2) popViewWithAnimation(kAnimationNone);
        return;
    }
    if (selectedTabId_ && *selectedTabId_ == itemId && urlHistoryCount() == 1) return;
    view.setNeedsDisplay();
    selectedTabId_ = itemId;
    emptyUrlHistory();
    formModelHeap().clear();
    doOpenUrlOnTab(textOf(themeUrl));
    CCDataStore::sharedInstance()->logUsageDataForTabActivated(itemId);
}

std::optional<std::string> CCEmbeddedViewController::normalImageForTabOrButton(const Value& item,
                                                                              const std::string&)
{
    return textOf(item["image"]);
}

std::optional<std::string> CCEmbeddedViewController::depressedImageForTabOrButton(const Value&, const std::string&)
{
    return std::nullopt;
}

void CCEmbeddedViewController::listItemSelectedNotification(const Notification& notification)
{
    if (!isIntendedRecipientOfNotification(notification)) return;
    const auto* link = std::any_cast<CCTableLinkInfo>(&notification.userInfo());
    if (!link) return;
    CCTableLinkInfo info = *link;
    const Value& url = info.info["url"];
    if (url.isString()) {
        const std::string text = url.asString();
        const size_t at = text.find("https:");
        // Exactly two parts around "https:": the link holds it once.
        if (at != std::string::npos && text.find("https:", at + 1) == std::string::npos) {
            if (auto tabbed = urlStringUsingBaseUrl(text, tabbedParams())) info.info.set("url", Value(*tabbed));
        }
    }
    Ref<Notification> copy = makeRef<Notification>(notification.name(), notification.object(), info);
    CCNavControllerBase::listItemSelectedNotification(*copy);
}

void CCEmbeddedViewController::fetchUpdateNotification(const Notification& notification)
{
    if (cleanedUp_) return;
    Ref<CCEmbeddedViewController> hold(this);
    CCNavControllerBase::fetchUpdateNotification(notification);
    const auto* info = std::any_cast<Value>(&notification.userInfo());
    if (!info || !(*info)["url"].isString() || !currentUIDescription_) return;
    const std::string url = (*info)["url"].asString();
    if (url != currentUIDescription_->url() || (*info)["status"].asInt() != 1) return;
    Ref<CCUIDescription> page = dynamicRef<CCUIDescription>(CCFetchManager::sharedInstance()->serverDataForURL(url));
    if (!page) return;
    currentUIDescription_ = page;
    redrawHolders();
}

// ---- the pages' calls ----

void CCEmbeddedViewController::genericTableViewControllerFailedToLoadPage(CCGenericTableViewController&)
{
    if (isPad()) {
        popViewWithAnimation(kAnimationNone);
    } else if (urlHistoryCount() < 2) {
        if (delegate_) delegate_->onEmbeddedViewControllerFailedToLoadPage();
    } else {
        popViewWithAnimation(kAnimationBack);
    }
}

void CCEmbeddedViewController::genericTableViewControllerGotBackNav() { popViewWithAnimation(kAnimationBack); }

void CCEmbeddedViewController::loadUiDescription()
{
    if (currentUIDescription_) {
        CCFetchManager::sharedInstance()->queueServerData(Ref<CCAbstractServerData>(currentUIDescription_.get()), 400, 0);
    }
}

CCUIDescription* CCEmbeddedViewController::currentDisplayedUiDescription()
{
    return primaryViewController_ ? primaryViewController_->currentUIDescription() : nullptr;
}

void CCEmbeddedViewController::clearTopTableSelection()
{
    if (primaryViewController_) primaryViewController_->clearSelection();
}

void CCEmbeddedViewController::displayDialogWithUiDescription(CCUIDescription* description,
                                                              CCModalViewDelegate* delegate)
{
    if (primaryViewController_) primaryViewController_->displayDialogWithUiDescription(description, delegate);
}

// ---- sign-in changes and modes ----

void CCEmbeddedViewController::activateGlobalNavUiAsGuest(bool, const std::string& tabId, const std::string& url)
{
    const std::string tabbed = urlStringUsingBaseUrl(url, tabbedParams()).value_or(url);
    Ref<CCUIDescription> page = dynamicRef<CCUIDescription>(CCFetchManager::sharedInstance()->serverDataForURL(tabbed));
    if (!page) page = newPageRecord(url);
    pushView(page, tabId, kAnimationNone, false);
}

void CCEmbeddedViewController::activateGlobalNavUiAsGuest(bool guest, const std::string&)
{
    const std::string url = tabUrlStringForTabId(kProfileTab);
    emptyUrlHistory();
    CCFetchManager::sharedInstance()->clearUrlFromCache(url);
    activateGlobalNavUiAsGuest(guest, kProfileTab, url);
}

void CCEmbeddedViewController::activateBasicNavUiWithTab(bool tab)
{
    activateBasicNavUiWithTab(tab, CCPrivateSession::liteBaseUrl() + "logout");
}

void CCEmbeddedViewController::activateBasicNavUiWithTab(bool, const std::string& url)
{
    CCFetchManager* fetcher = CCFetchManager::sharedInstance();
    fetcher->clearDataWithCompleteClean(true);
    fetcher->stopFetching();
    CCLoginHandler::sharedInstance()->setIsFirstUiActivationToday(true);
    emptyUrlHistory();
    fetcher->clearUrlFromCache(url);
    activateGlobalNavUiAsGuest(true, kProfileTab, url);
}

// ---- pictures ----

void CCEmbeddedViewController::initiateImagePickerWithType(int sourceType, const std::string& url, CGRect, UIView*)
{
    pendingUrlString_ = url;
    pendingImagePickerType_ = sourceType;
    CCPrivateSession* session = CCPrivateSession::sharedInstance();
    UIWindow* window = session ? session->getTopApplicationWindow() : nullptr;
    if (!window) return;
    // The picker sits on a dimmed underlay over the whole window.
    imagePickerUnderlay_ = makeRef<CCImagePickerUnderlay>();
    imagePickerUnderlay_->view()->setFrame(window->bounds());
    window->addSubview(imagePickerUnderlay_->view());
}

void CCEmbeddedViewController::imagePicked(const Image* image)
{
    if (image) (void)doImagePickerWithImage(image, pendingUrlString_);
    if (!imagePickerUnderlay_) return;
    if (underlayTimer_) underlayTimer_->invalidate();
    underlayTimer_ = NSTimer::scheduledTimer(2.0, false, [this](NSTimer*) {
        underlayTimer_ = nullptr;
        if (imagePickerUnderlay_) imagePickerUnderlay_->view()->removeFromSuperview();
        imagePickerUnderlay_ = nullptr;
        clearTopTableSelection();
    });
}

// ---- rotation ----

void CCEmbeddedViewController::willRotate()
{
    if (isViewLoaded()) view()->setHidden(true);
}

void CCEmbeddedViewController::didRotate()
{
    if (!isViewLoaded() || !portraitPullTabView_ || !landscapePullTabView_) return;
    view()->setHidden(false);
    const bool landscape = isLandscape(orientation());
    UIView* shown = landscape ? landscapePullTabView_.get() : portraitPullTabView_.get();
    UIView* hidden = landscape ? portraitPullTabView_.get() : landscapePullTabView_.get();
    shown->setHidden(false);
    hidden->setHidden(true);
    (void)hidden->becomeFirstResponder();
    if (primaryViewController_) {
        shown->addSubview(primaryViewController_->view());
        shown->sendSubviewToBack(primaryViewController_->view());
    }
}

// ---- closing ----

void CCEmbeddedViewController::doDeactivation()
{
    if (!primaryViewController_) return;
    Ref<CCEmbeddedViewController> self(this);
    removePrimaryView();
    cleanUp();
    if (delegate_) {
        CCEmbeddedViewControllerDelegate* delegate = delegate_;
        delegate_ = nullptr;
        delegate->onEmbeddedViewControllerDeactivated();
    }
}

void CCEmbeddedViewController::removePrimaryView()
{
    if (!primaryViewController_) return;
    primaryViewController_->view()->removeFromSuperview();
    primaryViewController_->willDealloc();
    primaryViewController_ = nullptr;
}

void CCEmbeddedViewController::cleanUp()
{
    if (cleanedUp_) return;
    cleanedUp_ = true;
    ++generation_;
    NotificationCenter::defaultCenter().removeObserver(this);
    if (underlayTimer_) underlayTimer_->invalidate();
    underlayTimer_ = nullptr;
    currentUIDescription_ = nullptr;
    parentView_ = nullptr;
    if (redirectViewController()) affiliateRedirectComplete();
    for (Ref<UIView>* holder : {&portraitPullTabView_, &landscapePullTabView_}) {
        if (!*holder) continue;
        (*holder)->removeFromSuperview();
        *holder = nullptr;
    }
    if (incomingViewController_) {
        incomingViewController_->view()->removeFromSuperview();
        incomingViewController_->willDealloc();
        incomingViewController_ = nullptr;
    }
    if (blockUiViewController()) blockUserInput(false);
    selectedTabId_.reset();
    leaderboardId_.clear();
    if (imagePickerUnderlay_) imagePickerUnderlay_->view()->removeFromSuperview();
    imagePickerUnderlay_ = nullptr;
}

} // namespace mw
