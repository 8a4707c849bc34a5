#include "social/screens/CCEmbeddedViewController.h"

#include <cmath>
#include <utility>

#include "foundation/Notification.h"
#include "foundation/NotificationCenter.h"
#include "platform/Image.h"
#include "social/data/CCDataStore.h"
#include "social/queues/CCFetchManager.h"
#include "social/screens/CCGenericTableViewController.h"
#include "social/screens/CCModalControllers.h"
#include "social/data/CCLumoraService.h"
#include "social/screens/CCScreenSession.h"
#include "social/queues/records/CCServerRecords.h"
#include "social/support/URLUtilities.h"
#include "social/ui/UIControls.h"
#include "social/ui/UIWindow.h"

namespace mw {

namespace {

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
    c.observeRotationAndShowIn(parentView);
    return controller;
}

CCEmbeddedViewController::~CCEmbeddedViewController()
{
    removePrimaryView();
    cleanUp();
    if (isViewLoaded()) view()->removeFromSuperview();
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
    // The launch page is a page of its own, not one of a tab's.
    Ref<CCUIDescription> page = dynamicRef<CCUIDescription>(CCFetchManager::sharedInstance()->serverDataForURL(url));
    pushView(page ? page : newPageRecord(url), std::string(kProfileTab), kAnimationNone, false);
}

void CCEmbeddedViewController::redrawHolders()
{
    if (portraitPullTabView_) portraitPullTabView_->setNeedsDisplay();
    if (landscapePullTabView_) landscapePullTabView_->setNeedsDisplay();
}

// ---- pages ----

void CCEmbeddedViewController::pushView(const Ref<CCUIDescription>& pushed, const std::optional<std::string>&,
                                        int animation, bool noStackPush)
{
    if (!pushed || cleanedUp_ || !view()) return;
    Ref<CCUIDescription> page = leaderboardSubstitute(pushed);
    if (!page) return;
    currentUIDescription_ = page;

    Ref<CCFormModel> form = recordPushInHistory(page->url(), animation, noStackPush);
    dropIncomingPage();
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

    if (animation != kAnimationNone) {
        // The animation moves nothing: it only times the swap.
        beginIncomingAnimation();
        incoming->setTransform(CGAffineTransformIdentity);
        UIView::commitAnimations();
    } else {
        endPushOnNextTurn();
    }
}

void CCEmbeddedViewController::popViewWithAnimation(int animation)
{
    if (urlHistoryCount() < 2) return;
    removeLastUrlHistoryItem();
    pushPreviousPage(animation);
}

Value CCEmbeddedViewController::findFirstTabUrlAndId() const
{
    return Value::dictionary({{"href", Value(kProfilePath)}, {"id", Value(kProfileTab)}});
}

std::string CCEmbeddedViewController::tabUrlStringForTabId(const std::string&) const
{
    return CCLumoraService::liteBaseUrl() + kProfilePath;
}

void CCEmbeddedViewController::doDoOpenUrlOnTab(const std::string& path)
{
    const std::string base = CCLumoraService::liteBaseUrl();
    const std::string url = urlStringUsingDomain(base, path, tabbedParams()).value_or(base + path);
    pushView(pageForUrl(url), selectedTabId_, urlHistoryCount() > 0 ? kAnimationForward : kAnimationNone, false);
    if (CCScreenSession* session = CCScreenSession::shared()) session->updateLumoraLastViewedTimestamp();
    backgroundThreadRunning_ = false;
}

void CCEmbeddedViewController::userSignedInChange()
{
    const std::string url = CCLumoraService::liteBaseUrl() + kProfilePath;
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
    selectTab(view, itemId);
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
    if (link) forwardTappedLink(notification, *link);
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

void CCEmbeddedViewController::onlyPageFailedToLoad()
{
    if (delegate_) delegate_->onEmbeddedViewControllerFailedToLoadPage();
}

// ---- pictures ----

void CCEmbeddedViewController::initiateImagePickerWithType(int sourceType, const std::string& url, CGRect, UIView*)
{
    pendingUrlString_ = url;
    pendingImagePickerType_ = sourceType;
    CCScreenSession* session = CCScreenSession::shared();
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
    if (imagePickerUnderlay_) clearUnderlaySoon(nullptr);
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
    if (primaryViewController_) finishDeactivation();
}

void CCEmbeddedViewController::tellOwnerDeactivated()
{
    if (CCEmbeddedViewControllerDelegate* delegate = std::exchange(delegate_, nullptr))
        delegate->onEmbeddedViewControllerDeactivated();
}

void CCEmbeddedViewController::cleanUp()
{
    if (!beginCleanUp()) return;
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
    dropIncomingPage();
    if (blockUiViewController()) blockUserInput(false);
    selectedTabId_.reset();
    leaderboardId_.clear();
    if (imagePickerUnderlay_) imagePickerUnderlay_->view()->removeFromSuperview();
    imagePickerUnderlay_ = nullptr;
}

} // namespace mw
