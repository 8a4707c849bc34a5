#include "social/CCPadTabController.h"

#include <algorithm>
#include <cmath>

#include "foundation/Log.h"
#include "foundation/Notification.h"
#include "foundation/NotificationCenter.h"
#include "foundation/Shared.h"
#include "social/CCDataStore.h"
#include "social/CCFetchManager.h"
#include "social/CCGenericTableViewController.h"
#include "social/CCLoginHandler.h"
#include "social/CCLumoraLog.h"
#include "social/CCPrivateSession.h"
#include "social/CCSmallViews.h"
#include "social/CCTheming.h"
#include "social/records/CCServerRecords.h"
#include "social/ui/UIWindow.h"

namespace mw {

namespace {

constexpr const char* kReachabilityChanged = "NetworkReachabilityChangedNotification";
// Room the rearrangement keeps free right of the popovers.
constexpr float kRearrangeThreshold = 390;
constexpr float kRearrangeSpan = 370;

bool contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

std::string textOf(const Value& value) { return value.isString() ? value.asString() : std::string(); }

bool finite(CGRect rect)
{
    return std::isfinite(rect.origin.x) && std::isfinite(rect.origin.y) && std::isfinite(rect.size.width) &&
           std::isfinite(rect.size.height);
}

bool isLandscape(int orientation) { return orientation == 3 || orientation == 4; }

CCPrivateSession* session() { return CCPrivateSession::sharedInstance(); }

// A page popover is as tall as its page, but never taller than the screen
// leaves room for (its panel's border and margin included): a longer page
// scrolls inside it.
CGSize popoverSizeFor(float pageHeight)
{
    UIWindow* window = UIWindow::keyWindow();
    const float screen = window ? window->bounds().size.height : CCPadTabController::kScreenHeight;
    const float room = screen - 2 * (UIPopoverController::kBorder + 5);
    return {CCPadTabController::kPopoverWidth, std::max(0.0f, std::min(pageHeight, room))};
}

} // namespace

// ---- creation ----

Ref<CCPadTabController> CCPadTabController::create(const std::string& tabId, const std::optional<std::string>& url,
                                                   bool loginRequired)
{
    return create(tabId, url, loginRequired, 1);
}

Ref<CCPadTabController> CCPadTabController::create(const std::string& tabId, const std::optional<std::string>& url,
                                                   bool loginRequired, int tabPosition)
{
    Ref<CCPadTabController> controller(new CCPadTabController());
    CCPadTabController& c = *controller;
    c.currentPadTabPosition_ = tabPosition;
    if (!tabId.empty()) {
        c.defaultTabId_ = tabId;
        CCDataStore::sharedInstance()->logUsageDataForTabActivated(tabId);
    }
    c.setLaunchUrl(url, loginRequired);
    NotificationCenter& centre = NotificationCenter::defaultCenter();
    CCPadTabController* self = controller.get();
    centre.addObserver(self, kReachabilityChanged, nullptr, [self](const Notification&) { self->reachabilityChanged(); });
    (void)c.view();
    return controller;
}

CCPadTabController::~CCPadTabController() { cleanUp(); }

void CCPadTabController::cleanUp()
{
    if (!beginCleanUp()) return;
    if (reopenTimer_) reopenTimer_->invalidate();
    reopenTimer_ = nullptr;
    cancelFetchRestart();
    if (redirectViewController()) affiliateRedirectComplete();
    if (blockUiViewController()) blockUserInput(false);
    if (Ref<AlertView> alert = std::move(incomingAlert_)) {
        alert->delegate = nullptr;
        alert->dismissWithClickedButtonIndex(-1);
    }
    if (bigButton_) bigButton_->setTouchUpInside(nullptr);
    clearAllPopoversAndTellClient(true);
    for (Ref<CCSkinnedView>* bar : {&leftBarView_, &outgoingBarView_}) {
        if (!*bar) continue;
        (*bar)->setDelegate(nullptr);
        (*bar)->removeFromSuperview();
        *bar = nullptr;
    }
    if (isViewLoaded()) view()->removeFromSuperview();
    animateOutDone_ = nullptr;
}

int CCPadTabController::deviceOrientation() const
{
    CCPrivateSession* s = session();
    return s ? s->currentDeviceOrientation() : 1;
}

bool CCPadTabController::isStatusBarTheme() const { return CCTheming::sharedInstance()->statusBarSkinInTheme(); }

Ref<CCUIDescription> CCPadTabController::pageForUrl(const std::string& url) const
{
    Ref<CCUIDescription> record = dynamicRef<CCUIDescription>(CCFetchManager::sharedInstance()->serverDataForURL(url));
    return record ? record : newPageRecord(url);
}

// ---- the view ----

void CCPadTabController::loadView()
{
    CCNavControllerBase::loadView();
    auto root = makeRef<UIView>(CGRectZero);
    root->setOpaque(false);
    root->setBackgroundColor(std::nullopt);
    root->setCenter({0, 0});
    CCPrivateSession* s = session();
    root->setTransform(s ? s->workaroundTransformForCurrentDeviceOrientation() : CGAffineTransformIdentity);
    setView(root);
    if (UIWindow* window = s ? s->getTopApplicationWindow() : nullptr) window->addSubview(root.get());

    bigButton_ = makeRef<CCEventButton>(CGRectZero);
    bigButton_->setBackgroundColor(FillColor {0, 0, 0, 0});
    bigButton_->setAlpha(1);
    CCPadTabController* self = this;
    bigButton_->setTouchUpInside([self](UIButton&) { self->do_bigButton(); });
    root->addSubview(bigButton_.get());

    observeFetchManager();
    if (mainModeAtStart()) {
        uiHasBeenActivated_ = true;
        useNavBarWithLeftSkin(kMainBarSkin, kBottomBarSkin);
        CCFetchManager::sharedInstance()->attemptToPrefetchTabs();
    } else {
        CCLoginHandler::sharedInstance()->setIsFirstUiActivationToday(false);
        useNavBarWithLeftSkin(kBasicBarSkin, kBottomBarSkin);
    }
    selectFirstPage();
    if (uiHasBeenActivated_) loadUiDescription();
    isFirstPageOfSession_ = true;
}

void CCPadTabController::selectFirstPage()
{
    std::optional<std::string> first;
    if (uiHasBeenActivated_) {
        first = takeLaunchUrl(defaultTabUrlString());
    } else if (launchUrlStringBasicNav_) {
        first = std::exchange(launchUrlStringBasicNav_, std::nullopt);
    } else {
        if (defaultTabId_ && !launchUrlStringMainNav_) {
            launchUrlStringMainNav_ = tabUrlStringForTabId(*defaultTabId_, kMainBarSkin);
            if (!launchUrlStringMainNav_) launchUrlStringMainNav_ = tabUrlStringForTabId(*defaultTabId_, kBottomBarSkin);
        }
        first = CCPrivateSession::liteBaseUrl() + "splash.cuid";
        requestSplashScreenBanner();
    }
    if (!first) return;
    observeFetchManager(*first);
    if (defaultTabId_) pendingUIDescription_ = pageForUrl(*first);
}

void CCPadTabController::viewDidLoad()
{
    CCPrivateSession* s = session();
    if (s && s->currentInterfaceOrientation() != s->currentDeviceOrientation()) {
        NotificationCenter& centre = NotificationCenter::defaultCenter();
        centre.postNotification("UIDeviceOrientationWillChangeNotification", s);
        centre.postNotification("UIDeviceOrientationDidChangeNotification", s);
    }
    if (defaultTabId_ && pendingUIDescription_) later([this] { delayedViewDidLoad(); });
}

void CCPadTabController::delayedViewDidLoad()
{
    Ref<CCUIDescription> page = std::move(pendingUIDescription_);
    if (page && defaultTabId_) pushView(page, defaultTabId_, 0, false);
}

void CCPadTabController::reachabilityChanged()
{
    if (isViewLoaded()) view()->setNeedsDisplay();
}

// ---- the left bar ----

void CCPadTabController::useNavBarWithLeftSkin(const std::string& leftSkin, const std::string&)
{
    if (outgoingBarView_) outgoingBarView_->removeFromSuperview();
    outgoingBarView_ = std::move(leftBarView_);
    if (outgoingBarView_) outgoingBarView_->setDelegate(nullptr);
    leftBarSkin_ = CCTheming::sharedInstance()->getSkinDescription(leftSkin);
    if (leftBarSkin_.isNull()) logLine("%s Unable to find the tablet bar skin %s in theme", kLumoraError, leftSkin.c_str());
    const Value element = currentUIDescription_ ? currentUIDescription_->flatUIElement() : Value();
    leftBarView_ = makeRef<CCSkinnedView>(element, leftBarSkin_, CGRectZero, nullptr, true);
    leftBarView_->sizeToFit();
    leftBarView_->setBadgesEnabled(true);
    leftBarView_->setDelegate(this);
    if (defaultTabId_) leftBarView_->setDepressedButton(*defaultTabId_);
    view()->addSubview(leftBarView_.get());
    updateMainViewShouldIntercept(false, false);
    leftBarView_->setHidden(currentPadTabPosition_ != 1);

    const float width = leftBarView_->bounds().size.width;
    const CGPoint centre = leftBarView_->center();
    leftBarView_->setCenter({centre.x - width, centre.y});
    std::weak_ptr<int> alive = lifeToken_;
    Ref<CCSkinnedView> outgoing = outgoingBarView_;
    UIView::beginAnimations("barview");
    UIView::setAnimationDidStop([this, alive, outgoing](const std::string&, bool) {
        if (alive.expired() || !outgoing) return;
        outgoing->removeFromSuperview();
        if (outgoingBarView_ == outgoing) outgoingBarView_ = nullptr;
    });
    leftBarView_->setCenter(centre);
    if (outgoing) {
        const CGPoint away = outgoing->center();
        outgoing->setCenter({away.x - outgoing->bounds().size.width, away.y});
    }
    UIView::commitAnimations();
}

void CCPadTabController::navigationDescriptionUpdated(const Ref<CCUIDescription>& description)
{
    currentUIDescription_ = description;
    if (!leftBarView_ || !description) return;
    leftBarView_->updateWithUIElement(description->flatUIElement(), nullptr, true);
    leftBarView_->setNeedsDisplay();
}

std::optional<std::string> CCPadTabController::navigationDescriptionUrl() const
{
    return navigationDescriptionAddress();
}

void CCPadTabController::loadUiDescription() { (void)loadNavigationDescription(); }

void CCPadTabController::placeRoot(CGPoint origin, CGSize size)
{
    // The root is rotated with the device: its frame on screen is the
    // bounds turned by a quarter in landscape.
    UIView* root = view();
    const bool turned = isLandscape(deviceOrientation());
    const CGSize onScreen = turned ? CGSize {size.height, size.width} : size;
    root->setBounds({0, 0, size.width, size.height});
    root->setCenter({origin.x + onScreen.width / 2, origin.y + onScreen.height / 2});
}

CGPoint CCPadTabController::rootOriginForBarSize(CGSize bar) const
{
    const float w = bar.width;
    const float h = bar.height;
    const bool statusBar = isStatusBarTheme();
    switch (deviceOrientation()) {
    case 2:
        if (uiHasBeenActivated_) return statusBar ? CGPoint {668, 398} : CGPoint {676, 398};
        return {kScreenWidth - w, kScreenHeight - h};
    case 4:
        if (uiHasBeenActivated_) return statusBar ? CGPoint {0, 924} : CGPoint {0, 932};
        return {0, kScreenHeight - w};
    case 3: return uiHasBeenActivated_ ? CGPoint {142, 0} : CGPoint {415, 0};
    default: return {0, 0};
    }
}

void CCPadTabController::updateMainViewShouldIntercept(bool intercept, bool opaque)
{
    UIView* root = view();
    const CGSize bar = leftBarView_ ? leftBarView_->sizeThatFits(CGSizeZero) : CGSizeZero;
    if (intercept) {
        const bool turned = isLandscape(deviceOrientation());
        placeRoot({0, 0}, turned ? CGSize {kScreenHeight, kScreenWidth} : CGSize {kScreenWidth, kScreenHeight});
        if (leftBarView_) leftBarView_->setFrame({0, 0, bar.width, bar.height});
        bigButton_->setFrame(root->bounds());
    } else {
        placeRoot(rootOriginForBarSize(bar), bar);
        bigButton_->setFrame(root->bounds());
        if (leftBarView_) leftBarView_->setFrame(root->bounds());
    }
    bigButton_->setBackgroundColor(opaque ? FillColor {0, 0, 0, 0.3f} : FillColor {0, 0, 0, 0});
    root->sendSubviewToBack(bigButton_.get());
    if (leftBarView_) root->bringSubviewToFront(leftBarView_.get());
}

void CCPadTabController::setPadTabPosition(int position)
{
    if (position == currentPadTabPosition_) return;
    currentPadTabPosition_ = position;
    if (leftBarView_) leftBarView_->setHidden(position != 1);
}

void CCPadTabController::setDepressedTab(const std::string& tabId)
{
    if (!leftBarView_) return;
    leftBarView_->setDepressedButton(tabId);
    leftBarView_->setNeedsDisplay();
}

void CCPadTabController::setBackButtonDisabled(bool disabled, bool lazy)
{
    if (!leftBarView_) return;
    const std::string wanted = disabled ? "backbutton" : "";
    if (lazy && leftBarView_->disabledItem() == wanted) return;
    leftBarView_->setDisabledItem(wanted);
    leftBarView_->setNeedsDisplay();
}

void CCPadTabController::animatePadBarOutOfViewAndTell(std::function<void()> done)
{
    if (!leftBarView_) {
        logLine("%s The tablet bar is missing: it cannot slide out", kLumoraError);
        return;
    }
    animateOutDone_ = std::move(done);
    std::weak_ptr<int> alive = lifeToken_;
    const unsigned generation = generation_;
    UIView::beginAnimations("animatePadBarOutOfView");
    UIView::setAnimationDidStop([this, alive, generation](const std::string&, bool) {
        if (alive.expired() || generation_ != generation) return;
        std::function<void()> done = std::move(animateOutDone_);
        if (done) later(std::move(done));
    });
    const CGPoint centre = leftBarView_->center();
    leftBarView_->setCenter({centre.x - leftBarView_->bounds().size.width, centre.y});
    UIView::commitAnimations();
}

// ---- skins and tabs ----

Value CCPadTabController::skinItemForId(const std::string& itemId, bool isLeft) const
{
    if (!isLeft || leftBarSkin_.isNull()) return Value();
    return CCTheming::itemForId(itemId, leftBarSkin_);
}

Value CCPadTabController::skinObjectForKey(const std::string& key, const std::string& itemId, bool isLeft) const
{
    const Value item = skinItemForId(itemId, isLeft);
    return item.isDict() ? item[key] : Value();
}

std::optional<std::string> CCPadTabController::tabUrlStringForTabId(const std::string& tabId) const
{
    if (currentPadTabPosition_ != 1) return std::nullopt;
    const Value href = skinObjectForKey("href", tabId, true);
    if (!href.isString()) return std::nullopt;
    return CCPrivateSession::liteBaseUrl() + href.asString();
}

std::optional<std::string> CCPadTabController::tabUrlStringForTabId(const std::string& tabId, const std::string& skinId)
{
    const Value& skin = CCTheming::sharedInstance()->getSkinDescription(skinId);
    if (skin.isNull()) return std::nullopt;
    const Value& href = CCTheming::itemForId(tabId, skin)["href"];
    if (!href.isString()) return std::nullopt;
    return CCPrivateSession::liteBaseUrl() + href.asString();
}

std::optional<std::string> CCPadTabController::defaultTabUrlString() const
{
    if (!defaultTabId_) return std::nullopt;
    return tabUrlStringForTabId(*defaultTabId_);
}

CGRect CCPadTabController::anchorRectForTab(const std::optional<std::string>& tabId, bool stacking,
                                            std::optional<std::string>& pressed)
{
    auto has = [this](const std::string& id) { return skinItemForId(id, true).isDict(); };
    std::optional<std::string> anchor;
    if (tabId) {
        if (has(*tabId)) anchor = tabId;
        else if (has("profiletab")) anchor = "profiletab";
        else if (has("splashtab")) anchor = "splashtab";
        pressed = anchor;
    } else if (has("splashtab")) {
        anchor = "splashtab";
    } else if (stacking && selectedTabId_) {
        anchor = selectedTabId_;
    }
    if (!anchor || !leftBarView_) return CGRectZero;
    const CGRect rect = leftBarView_->popoverRectForSkinItem(*anchor, 4, 0);
    return finite(rect) ? rect : CGRectZero;
}

// ---- pushing and popping ----

void CCPadTabController::pushView(const Ref<CCUIDescription>& page, const std::optional<std::string>& tabId,
                                  int animation, bool noStackPush)
{
    std::optional<std::string> pressed;
    const CGRect rect = anchorRectForTab(tabId, !noStackPush, pressed);
    pushViewFromRect(page, pressed, animation, rect, leftBarView_.get(), noStackPush);
}

void CCPadTabController::pushViewFromRect(const Ref<CCUIDescription>& page, const std::optional<std::string>& tabId,
                                          int animation, CGRect rect, UIView* view, bool noStackPush)
{
    if (!page || cleanedUp_) return;
    (void)this->view();
    isFirstPageOfSession_ = false;
    updateMainViewShouldIntercept(true, true);
    if (tabId) setDepressedTab(*tabId);

    Ref<CCFormModel> form = recordPushInHistory(page->url(), animation, noStackPush);

    // Single-popover mode is always on: a page at history depth > 1 gets a back bar.
    auto table = makeRef<CCGenericTableViewController>(page, form, this, "progress_indicator_big",
                                                       "progress_indicator_big_noback", urlHistoryCount() > 1);
    (void)table->view();
    rect.size.width -= popoverInfoStack_.empty() ? kAnchorShrinkAlone : kAnchorShrinkStacked;
    const CGSize size = popoverSizeFor(table->totalHeight());

    if (!popoverInfoStack_.empty()) {
        UIPopoverController* top = popoverInfoStack_.back().popover.get();
        Ref<UIViewControllerBase> old(top->contentViewController());
        top->setContentViewController(table.get(), false);
        top->setPopoverContentSize(size, true);
        if (auto* oldPage = dynamic_cast<CCGenericTableViewController*>(old.get()); oldPage && oldPage != table.get())
            oldPage->willDealloc();
        refreshPassthroughViews();
    } else {
        auto popover = makeRef<UIPopoverController>(table.get());
        lastPopoverAdded_ = popover;
        popover->setPopoverContentSize(size, false);
        popover->setDelegate(this);
        popover->setPassthroughViews(popoverPassthroughViews());
        Ref<UIPopoverController> sized = popover;
        Ref<CCGenericTableViewController> content = table;
        later([sized, content] {
            if (sized->contentViewController() == content.get())
                sized->setPopoverContentSize(popoverSizeFor(content->totalHeight()), false);
        });
        rearrangePopoversWithForce(false, true);
        popover->presentPopoverFromRect(rect, view, UIPopoverController::kArrowLeft, true);
        addPopoverToStack(popover.get(), normalisedRectForRect(rect, view));
        refreshPassthroughViews();
        dimPopovers();
    }

    if (uiHasBeenActivated_ && popoverInfoStack_.size() == 1) setBackButtonDisabled(true, true);
    else setBackButtonDisabled(false, false);
    previousRectView_ = view;
    previousRectRect_ = rect;
    tellClientiPadPopoversActivated();
}

void CCPadTabController::popViewWithAnimation(int animation)
{
    Ref<CCPadTabController> hold(this);
    removeLastUrlHistoryItem();
    if (popoverInfoStack_.empty()) {
        lastPopoverAdded_ = nullptr;
        return;
    }
    if (animation == 4 || animation == 5) {
        UIView* panel = popoverViewForController(popoverInfoStack_.back().popover.get());
        if (panel) {
            const float width = view()->bounds().size.width;
            UIView::beginAnimations("popoverPopView");
            UIView::setAnimationDuration(0.5);
            const CGPoint centre = panel->center();
            panel->setCenter({centre.x + (animation == 4 ? width : -width), centre.y});
            UIView::commitAnimations();
        }
        clearLastPopover();
    } else if (animation == 0) {
        if (urlHistoryCount() > 0) {
            Ref<CCViewUrlHistory> item(lastUrlHistoryItem());
            Ref<CCUIDescription> page = pageForUrl(item->url());
            if (page) pushView(page, std::nullopt, 0, true);
            CCGenericTableViewController* shown = currentDisplayedGenericTableViewController();
            if (shown && shown->tableView()) shown->tableView()->setContentOffset(item->rowOffset());
        } else {
            clearLastPopover();
        }
    }
    lastPopoverAdded_ = nullptr;
}

CCGenericTableViewController* CCPadTabController::currentDisplayedGenericTableViewController() const
{
    if (popoverInfoStack_.empty()) return nullptr;
    return dynamic_cast<CCGenericTableViewController*>(popoverInfoStack_.back().popover->contentViewController());
}

CCUIDescription* CCPadTabController::currentDisplayedUiDescription()
{
    CCGenericTableViewController* page = currentDisplayedGenericTableViewController();
    return page ? page->currentUIDescription() : nullptr;
}

void CCPadTabController::clearTopTableSelection()
{
    if (CCGenericTableViewController* page = currentDisplayedGenericTableViewController()) page->clearSelection();
}

void CCPadTabController::displayDialogWithUiDescription(CCUIDescription* description, CCModalViewDelegate* delegate)
{
    if (CCGenericTableViewController* page = currentDisplayedGenericTableViewController())
        page->displayDialogWithUiDescription(description, delegate);
}

CGPoint CCPadTabController::getCurrentRowOffset()
{
    CCGenericTableViewController* page = currentDisplayedGenericTableViewController();
    if (page && page->tableView()) return page->tableView()->contentOffset();
    return {0, 0};
}

// ---- the pages' calls ----

void CCPadTabController::genericTableViewControllerLoadedPage(CCGenericTableViewController& page)
{
    if (currentDisplayedGenericTableViewController() != &page) return;
    popoverInfoStack_.back().popover->setPopoverContentSize(popoverSizeFor(page.totalHeight()), true);
}

void CCPadTabController::genericTableViewControllerGotTouchPoint(CGPoint, CCGenericTableViewController& page, UIView&)
{
    size_t touched = popoverInfoStack_.size();
    for (size_t i = 0; i < popoverInfoStack_.size(); ++i) {
        if (popoverInfoStack_[i].popover->contentViewController() == &page) touched = i;
    }
    if (touched == popoverInfoStack_.size()) return;
    while (popoverInfoStack_.size() > touched + 1) {
        Ref<UIPopoverController> above = popoverInfoStack_.back().popover;
        clearPopover(above.get());
    }
    rearrangePopoversWithForce(true, false);
}

void CCPadTabController::genericTableViewControllerGotBackNav() { popViewWithAnimation(0); }

void CCPadTabController::genericTableViewControllerFailedToLoadPage(CCGenericTableViewController&)
{
    if (isFirstPageOfSession_) deactivateUi();
    else popViewWithAnimation(0);
}

void CCPadTabController::popoverControllerDidDismissPopover(UIPopoverController&) { lastPopoverAdded_ = nullptr; }

// ---- the popover stack ----

UIView* CCPadTabController::popoverViewForController(UIPopoverController* popover) const
{
    return popover ? popover->popoverView() : nullptr;
}

std::vector<UIView*> CCPadTabController::popoverPassthroughViews() const
{
    std::vector<UIView*> views;
    for (const PopoverRecord& record : popoverInfoStack_) {
        if (UIViewControllerBase* content = record.popover->contentViewController()) views.push_back(content->view());
    }
    views.push_back(bigButton_.get());
    return views;
}

void CCPadTabController::addPopoverToStack(UIPopoverController* popover, CGRect normalisedRect)
{
    if (!popover) return;
    PopoverRecord record;
    record.popover = Ref<UIPopoverController>(popover);
    record.startRect = normalisedRect;
    UIView* panel = popoverViewForController(popover);
    record.startX = panel ? panel->frame().origin.x : 0;
    popoverInfoStack_.push_back(record);
    if (firstPopoverNormalisedX_ == 0) firstPopoverNormalisedX_ = normalisedRect.origin.x + normalisedRect.size.width;
}

CGRect CCPadTabController::normalisedRectForRect(CGRect rect, UIView* view) const
{
    if (!view || !bigButton_) return CGRectZero;
    return view->convertRectToView(rect, bigButton_.get());
}

// With the first popover's anchor ending at x0 and the big button W wide,
// the popovers take slots x0 + gap × i, gap = (W − 370 − x0) / slots, where
// slots is one fewer than the popovers, plus one when forced or when room is
// to be left for a popover about to come. The first gap found is kept and
// caps every later one. Nothing moves until the top anchor reaches within
// 390 points of the right edge, unless forced with a gap already known. No
// slot at all (a single popover, neither forced nor leaving a gap) moves
// nothing and keeps no gap.
void CCPadTabController::rearrangePopoversWithForce(bool force, bool leaveGap)
{
    if (firstPopoverNormalisedX_ == 0 || popoverInfoStack_.empty()) return;
    const float width = bigButton_->bounds().size.width;
    const CGRect top = popoverInfoStack_.back().startRect;
    const bool crowded = top.origin.x + top.size.width > width - kRearrangeThreshold;
    if ((force && firstPopoverGap_ != 0) || crowded) {
        const size_t slots = popoverInfoStack_.size() - 1 + ((force || leaveGap) ? 1 : 0);
        if (slots > 0) {
            float gap = (width - kRearrangeSpan - firstPopoverNormalisedX_) / static_cast<float>(slots);
            if (firstPopoverGap_ == 0) firstPopoverGap_ = gap;
            else gap = std::min(gap, firstPopoverGap_);
            for (size_t i = 0; i < slots && i < popoverInfoStack_.size(); ++i)
                popoverInfoStack_[i].wantedX = firstPopoverNormalisedX_ + gap * static_cast<float>(i);
            Ref<UIPopoverController> added = lastPopoverAdded_;
            std::weak_ptr<int> alive = lifeToken_;
            UIView::beginAnimations("rearrangePopovers");
            UIView::setAnimationDidStop([this, alive, added](const std::string&, bool) {
                if (alive.expired() || !added || lastPopoverShift_ == 0 || popoverInfoStack_.empty()) return;
                popoverInfoStack_.back().startRect.origin.x += lastPopoverShift_;
            });
            for (PopoverRecord& record : popoverInfoStack_) {
                if (record.wantedX == 0) continue;
                UIView* panel = popoverViewForController(record.popover.get());
                const float from = panel ? panel->frame().origin.x : record.currentX;
                if (panel) {
                    const CGPoint centre = panel->center();
                    panel->setCenter({centre.x + record.wantedX - from, centre.y});
                }
                record.currentX = record.wantedX;
                lastPopoverShift_ = record.wantedX - from;
            }
            UIView::commitAnimations();
        }
    }
    dimPopovers();
}

void CCPadTabController::dimPopovers()
{
    const size_t count = popoverInfoStack_.size();
    for (size_t i = 0; i < count; ++i) {
        auto* page = dynamic_cast<CCGenericTableViewController*>(popoverInfoStack_[i].popover->contentViewController());
        if (!page) continue;
        const size_t depth = count - 1 - i;
        page->setDimAmount(depth == 0 ? 0.0f : depth == 1 ? 0.2f : 0.6f);
    }
}

void CCPadTabController::releaseContentOf(UIPopoverController* popover)
{
    if (auto* page = dynamic_cast<CCGenericTableViewController*>(popover->contentViewController())) page->willDealloc();
    if (auto* picker = dynamic_cast<UIImagePickerController*>(popover->contentViewController()))
        picker->setDelegate(nullptr);
    popover->setDelegate(nullptr);
}

void CCPadTabController::clearPopover(UIPopoverController* popover)
{
    if (!popover) return;
    Ref<UIPopoverController> held(popover);
    popover->dismissPopoverAnimated(true);
    releaseContentOf(popover);
    std::erase_if(popoverInfoStack_, [popover](const PopoverRecord& r) { return r.popover.get() == popover; });
    refreshPassthroughViews();
}

void CCPadTabController::refreshPassthroughViews()
{
    // The lists hold the views unowned: each content change renews them, so
    // that no list names a page that has gone.
    const std::vector<UIView*> views = popoverPassthroughViews();
    for (PopoverRecord& record : popoverInfoStack_) record.popover->setPassthroughViews(views);
}

void CCPadTabController::clearLastPopover()
{
    if (popoverInfoStack_.empty()) return;
    clearPopover(popoverInfoStack_.back().popover.get());
    rearrangePopoversWithForce(true, false);
    if (!popoverInfoStack_.empty()) return;
    selectedTabId_.reset();
    setDepressedTab("");
    updateMainViewShouldIntercept(false, false);
    tellClientiPadPopoversDeactivated();
}

void CCPadTabController::clearAllPopoversAndTellClient(bool tell)
{
    std::vector<PopoverRecord> all = std::move(popoverInfoStack_);
    popoverInfoStack_.clear();
    for (PopoverRecord& record : all) {
        record.popover->dismissPopoverAnimated(false);
        releaseContentOf(record.popover.get());
    }
    emptyUrlHistory();
    lastPopoverAdded_ = nullptr;
    if (tell) tellClientiPadPopoversDeactivated();
}

// ---- taps ----

void CCPadTabController::do_bigButton()
{
    Ref<CCPadTabController> hold(this);
    selectedTabId_.reset();
    defaultTabId_.reset();
    setDepressedTab("");
    const UIViewTouches& touches = bigButton_->lastEndedEvent();
    bool onBar = false;
    if (touches.size() == 1 && leftBarView_ && !leftBarView_->isHidden()) {
        onBar = leftBarView_->pointInside(leftBarView_->convertPointFromView(touches.front().windowPoint, nullptr));
    }
    if (onBar) {
        clearAllPopoversAndTellClient(false);
        tabViewGotButton_ = false;
        const UIViewTouches passed = touches;
        leftBarView_->touchesBegan(passed);
        if (leftBarView_->depressedButton().empty()) tellClientiPadPopoversDeactivated();
        updateMainViewShouldIntercept(tabViewGotButton_, tabViewGotButton_);
        return;
    }
    clearAllPopoversAndTellClient(true);
    updateMainViewShouldIntercept(false, false);
}

void CCPadTabController::skinnedViewButtonPressed(CCSkinnedView& bar, const std::string& itemId,
                                                  const std::string& itemType, const Value& themeUrl)
{
    if (backgroundThreadRunning_) return;
    tabViewGotButton_ = true;
    if (itemType == "tab") {
        if (selectedTabId_ && *selectedTabId_ == itemId && popoverInfoStack_.size() < 2) return;
        selectTab(bar, itemId);
        CCDataStore::sharedInstance()->logUsageDataForTabActivated(itemId);
        launchUrlStringMainNav_.reset();
        clearAllPopoversAndTellClient(false);
        openTabPage(itemId, textOf(themeUrl));
        return;
    }
    if (itemId == "backbutton") {
        if (popoverInfoStack_.size() > 1 || uiHasBeenActivated_) popViewWithAnimation(0);
        else deactivateUi();
    } else if (itemId == "closebutton") {
        later([this] { deactivateUi(); });
    } else {
        updateMainViewShouldIntercept(false, false);
    }
}

void CCPadTabController::openTabPage(const std::string& tabId, const std::string& path)
{
    // The page opens on the next loop turn; taps on the bar wait for it.
    backgroundThreadRunning_ = true;
    later([this, tabId, path] {
        Ref<CCUIDescription> page = pageForUrl(CCPrivateSession::liteBaseUrl() + path);
        if (page) pushView(page, tabId, 0, false);
        backgroundThreadRunning_ = false;
    });
}

void CCPadTabController::deactivateUi()
{
    CCPrivateSession* s = session();
    if (s && s->screenHooks().deactivateLumoraUI) s->screenHooks().deactivateLumoraUI();
}

// ---- telling the session ----

void CCPadTabController::tellClient(bool activated)
{
    if (CCPrivateSession* s = Shared<CCPrivateSession>::current()) s->tellClientiPadPopoversActivated(activated);
}

void CCPadTabController::tellClientiPadPopoversActivated()
{
    if (popoversActivatedBuffer_) return;
    popoversActivatedBuffer_ = true;
    tellClient(true);
}

void CCPadTabController::tellClientiPadPopoversDeactivated()
{
    if (!popoversActivatedBuffer_) return;
    popoversActivatedBuffer_ = false;
    tellClient(false);
}

// ---- modes ----

void CCPadTabController::activateGlobalNavUiAsGuest(bool guest, const std::string& tabId)
{
    activateGlobalNavUiAsGuest(guest, tabId, std::string());
}

void CCPadTabController::activateGlobalNavUiAsGuest(bool, const std::string& tabId, const std::string& url)
{
    clearAllPopoversAndTellClient(tabId.empty());
    useNavBarWithLeftSkin(kMainBarSkin, kBottomBarSkin);
    auto has = [this](const std::string& id) { return skinItemForId(id, true).isDict(); };
    if (defaultTabId_ && (!has(*defaultTabId_) || *defaultTabId_ == "splashtab")) defaultTabId_ = "profiletab";
    if (!defaultTabId_ && !tabId.empty()) defaultTabId_ = tabId;
    std::optional<std::string> first;
    if (launchUrlStringMainNav_) first = std::exchange(launchUrlStringMainNav_, std::nullopt);
    else if (!url.empty()) first = url;
    else first = defaultTabUrlString();
    if (defaultTabId_ && *defaultTabId_ == "splashtab") defaultTabId_.reset();
    if (selectedTabId_ && *selectedTabId_ == "splashtab") selectedTabId_.reset();
    if (first && defaultTabId_) {
        if (Ref<CCUIDescription> page = pageForUrl(*first)) pushView(page, defaultTabId_, 0, false);
    }
    uiHasBeenActivated_ = true;
    setBackButtonDisabled(true, false);
    loadUiDescription();
}

void CCPadTabController::activateBasicNavUiWithTab(bool tab)
{
    activateBasicNavUiWithTab(tab, CCPrivateSession::liteBaseUrl() + "logout");
}

void CCPadTabController::activateBasicNavUiWithTab(bool tab, const std::string& url)
{
    clearAllPopoversAndTellClient(tab);
    startBasicMode(url, tab);
}

void CCPadTabController::startBasicMode(const std::string& url, bool pushOnSplash)
{
    CCFetchManager* fetcher = CCFetchManager::sharedInstance();
    fetcher->clearDataWithCompleteClean(true);
    fetcher->stopFetching();
    defaultTabId_.reset();
    useNavBarWithLeftSkin(kBasicBarSkin, kBottomBarSkin);
    if (pushOnSplash) {
        if (Ref<CCUIDescription> page = pageForUrl(url)) pushView(page, std::string("splashtab"), 0, false);
    }
    uiHasBeenActivated_ = false;
    CCLoginHandler::sharedInstance()->setIsFirstUiActivationToday(true);
    setBackButtonDisabled(false, false);
    restartFetchingSoon();
}

void CCPadTabController::activateWithDefaultTabId(const std::string& tabId, const std::optional<std::string>& url,
                                                  bool loginRequired)
{
    std::optional<std::string> target = url;
    if (!target) target = tabUrlStringForTabId(tabId);
    if (!target) target = tabUrlStringForTabId(tabId, kMainBarSkin);
    if (!target) target = tabUrlStringForTabId(tabId, kBottomBarSkin);
    if (!target) return;
    CCDataStore::sharedInstance()->logUsageDataForTabActivated(tabId);
    selectedTabId_ = tabId;
    if (loginRequired) launchUrlStringMainNav_ = target;
    else launchUrlStringBasicNav_ = target;
    const bool logout = contains(*target, "logout");
    if (mainModeAtStart() && !logout) {
        defaultTabId_ = tabId;
        if (Ref<CCUIDescription> page = pageForUrl(*target)) pushView(page, defaultTabId_, 0, false);
        uiHasBeenActivated_ = true;
        setBackButtonDisabled(true, false);
        loadUiDescription();
        return;
    }
    clearAllPopoversAndTellClient(true);
    startBasicMode(CCPrivateSession::liteBaseUrl() + "splash.cuid", true);
}

// ---- rotation ----

void CCPadTabController::willRotateToInterfaceOrientation(int, double)
{
    if (popoverInfoStack_.empty()) return;
    if (leftBarView_) leftBarView_->setHidden(true);
    CCPrivateSession* s = session();
    if (s && s->isOnPreiOS5()) return;
    while (popoverInfoStack_.size() > 1) {
        PopoverRecord record = popoverInfoStack_.back();
        popoverInfoStack_.pop_back();
        record.popover->dismissPopoverAnimated(false);
        releaseContentOf(record.popover.get());
    }
    PopoverRecord bottom = popoverInfoStack_.back();
    popoverInfoStack_.pop_back();
    auto* page = dynamic_cast<CCGenericTableViewController*>(bottom.popover->contentViewController());
    urlPostOrientation_.reset();
    if (page && page->currentUIDescription()) urlPostOrientation_ = page->currentUIDescription()->url();
    bottom.popover->dismissPopoverAnimated(false);
    releaseContentOf(bottom.popover.get());
    removeLastUrlHistoryItem();
    lastPopoverAdded_ = nullptr;
    recreatePopoverPostOrientation_ = true;
}

void CCPadTabController::didRotateFromInterfaceOrientation(int)
{
    CCPrivateSession* s = session();
    if (s) view()->setTransform(s->workaroundTransformForCurrentDeviceOrientation());
    if (!recreatePopoverPostOrientation_) {
        updateMainViewShouldIntercept(false, false);
        return;
    }
    if (leftBarView_) leftBarView_->setHidden(currentPadTabPosition_ != 1);
    updateMainViewShouldIntercept(true, true);
    if ((s && s->isOnPreiOS5()) || backgroundThreadRunning_) return;
    if (reopenTimer_) reopenTimer_->invalidate();
    std::weak_ptr<int> alive = lifeToken_;
    reopenTimer_ = NSTimer::scheduledTimer(kReopenAfterRotationDelay, false, [this, alive](NSTimer*) {
        if (alive.expired()) return;
        reopenTimer_ = nullptr;
        doOpenLastPopoverForOrientationChange();
    });
}

void CCPadTabController::doOpenLastPopoverForOrientationChange()
{
    recreatePopoverPostOrientation_ = false;
    if (urlPostOrientation_) {
        if (Ref<CCUIDescription> page = pageForUrl(*urlPostOrientation_)) pushView(page, std::nullopt, 0, false);
    }
    NotificationCenter::defaultCenter().postNotification(kPopoverRecreatedNotification, this);
}

// ---- incoming notice ----

void CCPadTabController::displayIncomingPushNotice(const std::string& text, const std::string& url, const std::string&)
{
    pendingUrlString_ = url;
    if (incomingAlert_) incomingAlert_->delegate = nullptr;
    incomingAlert_ = makeRef<AlertView>("Incoming Notification", text, this, std::vector<std::string> {"Cancel", "OK"});
    incomingAlert_->show();
}

void CCPadTabController::alertViewClickedButtonAtIndex(AlertView& alert, int index)
{
    if (&alert != incomingAlert_.get()) return;
    Ref<AlertView> done = std::move(incomingAlert_);
    std::optional<std::string> url = std::exchange(pendingUrlString_, std::nullopt);
    if (index != 1 || !url) return;
    if (Ref<CCUIDescription> page = pageForUrl(*url)) pushView(page, std::string("challengestab"), 2, false);
}

// ---- pictures ----

void CCPadTabController::initiateImagePickerWithType(int sourceType, const std::string& url, CGRect rect, UIView* view)
{
    pendingImageUrl_ = url;
    const auto source = static_cast<UIImagePickerController::SourceType>(sourceType);
    auto picker = makeRef<UIImagePickerController>();
    picker->setSourceType(source);
    const std::vector<std::string> types = UIImagePickerController::availableMediaTypesForSourceType(source);
    if (std::find(types.begin(), types.end(), "public.image") != types.end()) picker->setMediaTypes({"public.image"});
    picker->setAllowsEditing(true);
    picker->setDelegate(this);
    rect.size.width -= popoverInfoStack_.empty() ? kAnchorShrinkAlone : kAnchorShrinkStacked;
    auto popover = makeRef<UIPopoverController>(picker.get());
    popover->setDelegate(this);
    popover->setPassthroughViews(popoverPassthroughViews());
    popover->presentPopoverFromRect(rect, view, UIPopoverController::kArrowLeft, true);
    addPopoverToStack(popover.get(), normalisedRectForRect(rect, view));
    refreshPassthroughViews();
    rearrangePopoversWithForce(false, true);
    updateMainViewShouldIntercept(true, true);
    tellClientiPadPopoversActivated();
}

void CCPadTabController::imagePickerControllerDidFinishPickingMediaWithInfo(UIImagePickerController&,
                                                                           const UIImagePickerMediaInfo& info)
{
    Ref<CCPadTabController> hold(this);
    Ref<Image> image = info.editedImage ? info.editedImage : info.originalImage;
    clearLastPopover();
    if (image) (void)doImagePickerWithImage(image.get(), pendingImageUrl_);
}

void CCPadTabController::imagePickerControllerDidCancel(UIImagePickerController&)
{
    Ref<CCPadTabController> hold(this);
    clearLastPopover();
}

// ---- the way back for a social-network connector ----

void CCPadTabController::twitterSessionRequiredPageRefresh()
{
    reloadPageInPlace(CCPrivateSession::liteBaseUrl() + "twitter_settings.cuid");
}

void CCPadTabController::facebookSessionRequiredPageRefresh()
{
    CCUIDescription* shown = currentDisplayedUiDescription();
    if (shown) reloadPageInPlace(std::string(shown->url()));
}

void CCPadTabController::twitterSessionRequiredPageRefreshWithUrl(const std::string& url)
{
    reloadPageInPlace(url);
}
void CCPadTabController::facebookSessionRequiredPageRefreshWithUrl(const std::string& url)
{
    reloadPageInPlace(url);
}
void CCPadTabController::twitterUserLogin(const std::string& url) { openPageAfterLogIn(url); }
void CCPadTabController::facebookUserLogin(const std::string& url) { openPageAfterLogIn(url); }

} // namespace mw
