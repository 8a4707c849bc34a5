#include "social/screens/CCGlobalNavController.h"

#include <utility>

#include "foundation/Log.h"
#include "foundation/Notification.h"
#include "foundation/RunLoop.h"
#include "platform/Application.h"
#include "platform/Image.h"
#include "social/data/CCDataStore.h"
#include "social/queues/CCFetchManager.h"
#include "social/screens/CCGenericTableViewController.h"
#include "social/services/CCLoginHandler.h"
#include "social/data/CCLumoraLog.h"
#include "social/data/CCLumoraService.h"
#include "social/screens/CCScreenSession.h"
#include "social/services/CCTheming.h"
#include "social/queues/records/CCServerRecords.h"
#include "social/support/Reachability.h"
#include "social/ui/UIWindow.h"

namespace mw {

namespace {

constexpr const char* kSplashPath = "splash.cuid";

// The animation kinds of the navigation base this controller tells apart.
constexpr int kKindNone = 0;
constexpr int kKindForward = 1;
constexpr int kKindUp = 2;
constexpr int kKindFromLeft = 3;
constexpr int kKindBack = 4;

constexpr CGRect kPortraitNavBar {0, 320, 320, 160};
constexpr CGRect kLandscapeNavBar {0, 0, 160, 320};
constexpr CGRect kPortraitNavBarStatusBar {0, 435, 320, 45};
constexpr CGRect kLandscapeNavBarStatusBar {435, 0, 45, 320};
constexpr CGRect kPortraitMainStatusBar {0, 320, 320, 115};
constexpr CGRect kPortraitBasicStatusBar {0, 320, 320, 160};
constexpr CGRect kLandscapeStatusBar {0, 0, 115, 320};
constexpr CGRect kPortraitBanner {0, 435, 320, 45};
constexpr CGRect kLandscapeBanner {435, 0, 45, 320};
constexpr float kPageSide = 320;
constexpr float kPortraitKeyboardPageHeight = 265;
constexpr float kLandscapeKeyboardPageHeight = 159;

} // namespace

// ---- creation ----

Ref<CCGlobalNavController> CCGlobalNavController::create(const std::string& tabId,
                                                         const std::optional<std::string>& url, bool loginRequired)
{
    Ref<CCGlobalNavController> controller(new CCGlobalNavController());
    CCGlobalNavController& c = *controller;
    c.defaultTabId_ = tabId;
    c.setLaunchUrl(url, loginRequired);
    CCGlobalNavController* self = controller.get();
    c.reachabilityObserver_ = NotificationCenter::defaultCenter().addObserver(
        self, kReachabilityChangedNotification, nullptr,
        [self](const Notification& n) { self->reachabilityChanged(n); });
    CCDataStore::sharedInstance()->logUsageDataForTabActivated(tabId);
    return controller;
}

CCGlobalNavController::~CCGlobalNavController() { cleanUp(); }

CCScreenSession* CCGlobalNavController::session() { return CCScreenSession::shared(); }

bool CCGlobalNavController::isPad() const
{
    CCScreenSession* s = session();
    return s && s->isRunningOniPad();
}

bool CCGlobalNavController::isLandscape() const
{
    CCScreenSession* s = session();
    const int orientation = s ? s->currentInterfaceOrientation() : 1;
    return orientation == 3 || orientation == 4;
}

bool CCGlobalNavController::statusBarTheme() const { return CCTheming::sharedInstance()->statusBarSkinInTheme(); }

float CCGlobalNavController::landscapePageX() const
{
    return statusBarTheme() ? kLandscapePageXStatusBar : kLandscapePageX;
}

CGRect CCGlobalNavController::rootBounds() const
{
    return isLandscape() ? CGRect {0, 0, 480, 320} : CGRect {0, 0, 320, 480};
}

UIView* CCGlobalNavController::pageHolder() { return containerView_ ? containerView_.get() : view(); }

// ---- geometry ----

CGRect CCGlobalNavController::rectForBeforeAnimation(int kind)
{
    const float l = landscapePageX();
    const bool landscape = isLandscape();
    CGPoint origin;
    switch (kind) {
    case kKindNone:
    case kKindBack: origin = landscape ? CGPoint {l, 0} : CGPoint {0, 0}; break;
    case kKindUp: origin = landscape ? CGPoint {kLandscapePageX, 320} : CGPoint {0, 320}; break;
    case kKindFromLeft: origin = landscape ? CGPoint {-160, 0} : CGPoint {-320, 0}; break;
    default: origin = landscape ? CGPoint {480, 0} : CGPoint {320, 0}; break;
    }
    return {origin.x, origin.y, kPageSide, kPageSide};
}

CGRect CCGlobalNavController::rectForAfterAnimation(int kind)
{
    const bool landscape = isLandscape();
    if (kind == kKindBack) return landscape ? CGRect {480, 0, kPageSide, kPageSide} : CGRect {320, 0, kPageSide, kPageSide};
    return {landscape ? landscapePageX() : 0, 0, kPageSide, kPageSide};
}

CGRect CCGlobalNavController::pageRect()
{
    if (isLandscape()) {
        return {landscapePageX(), 0, kPageSide, keyboardIsOut_ ? kLandscapeKeyboardPageHeight : kPageSide};
    }
    return {0, 0, kPageSide, keyboardIsOut_ ? kPortraitKeyboardPageHeight : kPageSide};
}

// ---- skins and tabs ----

Value CCGlobalNavController::skinItemForId(const std::string& itemId, const Value& skin)
{
    const Value& items = skin["items"];
    if (!items.isArray()) return Value();
    for (const Value& item : items.asArray()) {
        if (item.isDict() && item["id"].isString() && item["id"].stringView() == itemId) return item;
    }
    return Value();
}

Value CCGlobalNavController::skinItemForId(const std::string& itemId, bool portrait) const
{
    return skinItemForId(itemId, portrait ? navBarPortraitSkin_ : navBarLandscapeSkin_);
}

Value CCGlobalNavController::skinObjectForKey(const std::string& key, const std::string& itemId, const Value& skin)
{
    const Value item = skinItemForId(itemId, skin);
    return item.isDict() ? item[key] : Value();
}

Value CCGlobalNavController::skinObjectForKey(const std::string& key, const std::string& itemId, bool portrait) const
{
    return skinObjectForKey(key, itemId, portrait ? navBarPortraitSkin_ : navBarLandscapeSkin_);
}

std::optional<std::string> CCGlobalNavController::tabUrlStringForTabId(const std::string& tabId, const Value& skin)
{
    const Value href = skinObjectForKey("href", tabId, skin);
    if (!href.isString()) return std::nullopt;
    return CCLumoraService::liteBaseUrl() + href.asString();
}

std::optional<std::string> CCGlobalNavController::tabUrlStringForTabId(const std::string& tabId) const
{
    return tabUrlStringForTabId(tabId, isLandscape() ? navBarLandscapeSkin_ : navBarPortraitSkin_);
}

std::optional<std::string> CCGlobalNavController::defaultTabUrlString() const
{
    return tabUrlStringForTabId(defaultTabId_);
}

std::optional<std::string> CCGlobalNavController::defaultTabUrlStringInSkin(const Value& skin) const
{
    return tabUrlStringForTabId(defaultTabId_, skin);
}

std::optional<std::string> CCGlobalNavController::defaultTabPathStringInSkin(const Value& skin) const
{
    const Value href = skinObjectForKey("href", defaultTabId_, skin);
    if (!href.isString()) return std::nullopt;
    return href.asString();
}

// ---- bars ----

Value CCGlobalNavController::navigationElement() const
{
    if (currentUIDescription_ && currentUIDescription_->dataAvailable()) return currentUIDescription_->flatUIElement();
    return Value();
}

Ref<CCSkinnedView> CCGlobalNavController::makeBar(const Value& skin, CGRect frame)
{
    auto bar = makeRef<CCSkinnedView>(navigationElement(), skin, frame, nullptr, true);
    bar->setDelegate(this);
    return bar;
}

void CCGlobalNavController::removeBar(Ref<CCSkinnedView>& bar)
{
    if (!bar) return;
    bar->setDelegate(nullptr);
    bar->removeFromSuperview();
    bar = nullptr;
}

void CCGlobalNavController::useNavBarWithPortraitSkin(const std::string& portraitSkin, const std::string& landscapeSkin)
{
    removeBar(portraitNavBarView_);
    removeBar(landscapeNavBarView_);
    removeBar(portraitBasicNavBannerView_);
    removeBar(landscapeBasicNavBannerView_);
    const bool status = statusBarTheme();
    if (status) {
        removeBar(portraitStatusBarView_);
        removeBar(landscapeStatusBarView_);
    }
    navBarPortraitSkin_ = Value();
    navBarLandscapeSkin_ = Value();
    CCTheming* theme = CCTheming::sharedInstance();
    navBarPortraitSkin_ = theme->getSkinDescription(portraitSkin);
    navBarLandscapeSkin_ = theme->getSkinDescription(landscapeSkin);
    portraitNavBarView_ = makeBar(navBarPortraitSkin_, status ? kPortraitNavBarStatusBar : kPortraitNavBar);
    landscapeNavBarView_ = makeBar(navBarLandscapeSkin_, status ? kLandscapeNavBarStatusBar : kLandscapeNavBar);
    for (CCSkinnedView* bar : {portraitNavBarView_.get(), landscapeNavBarView_.get()}) {
        bar->setBadgesEnabled(true);
        bar->setDepressedButton(defaultTabId_);
        pageHolder()->addSubview(bar);
    }
    const bool landscape = isLandscape();
    portraitNavBarView_->setHidden(landscape);
    landscapeNavBarView_->setHidden(!landscape);
}

void CCGlobalNavController::useStatusBarWithPortraitSkin(const std::string& portraitSkin, CGRect portraitRect,
                                                         const std::string& landscapeSkin)
{
    removeBar(portraitStatusBarView_);
    removeBar(landscapeStatusBarView_);
    CCTheming* theme = CCTheming::sharedInstance();
    statusBarPortraitSkin_ = theme->getSkinDescription(portraitSkin);
    statusBarLandscapeSkin_ = theme->getSkinDescription(landscapeSkin);
    portraitStatusBarView_ = makeBar(statusBarPortraitSkin_, portraitRect);
    landscapeStatusBarView_ = makeBar(statusBarLandscapeSkin_, kLandscapeStatusBar);
    const std::optional<FillColor> background =
        theme->backgroundImageInTheme() ? std::optional<FillColor>(FillColor {0, 0, 0, 0})
                                        : theme->getMasterConfigTableBackgroundColour();
    for (CCSkinnedView* bar : {portraitStatusBarView_.get(), landscapeStatusBarView_.get()}) {
        bar->setBackgroundColor(background);
        bar->setOpaque(false);
        pageHolder()->addSubview(bar);
    }
    const bool landscape = isLandscape();
    portraitStatusBarView_->setHidden(landscape);
    landscapeStatusBarView_->setHidden(!landscape);
}

void CCGlobalNavController::useLandscapeBasicNavBannerWithPortraitSkin(const std::string& portraitSkin,
                                                                       const std::string& landscapeSkin)
{
    removeBar(portraitBasicNavBannerView_);
    removeBar(landscapeBasicNavBannerView_);
    CCTheming* theme = CCTheming::sharedInstance();
    navBannerBasicPortraitSkin_ = theme->getSkinDescription(portraitSkin);
    navBannerBasicLandscapeSkin_ = theme->getSkinDescription(landscapeSkin);
    portraitBasicNavBannerView_ = makeBar(navBannerBasicPortraitSkin_, kPortraitBanner);
    landscapeBasicNavBannerView_ = makeBar(navBannerBasicLandscapeSkin_, kLandscapeBanner);
    const std::optional<FillColor> background =
        theme->backgroundImageInTheme() ? std::optional<FillColor>(FillColor {0, 0, 0, 0})
                                        : theme->getMasterConfigTableBackgroundColour();
    // The banners stay in the root view and lie off screen in the other
    // orientation instead of hiding.
    for (CCSkinnedView* banner : {portraitBasicNavBannerView_.get(), landscapeBasicNavBannerView_.get()}) {
        banner->setBackgroundColor(background);
        banner->setOpaque(false);
        view()->addSubview(banner);
    }
}

void CCGlobalNavController::showBarsForOrientation()
{
    const bool landscape = isLandscape();
    const bool navShown = !statusBarTheme() || uiHasBeenActivated_;
    if (portraitNavBarView_) portraitNavBarView_->setHidden(landscape || !navShown);
    if (landscapeNavBarView_) landscapeNavBarView_->setHidden(!landscape || !navShown);
    if (portraitStatusBarView_) portraitStatusBarView_->setHidden(landscape);
    if (landscapeStatusBarView_) landscapeStatusBarView_->setHidden(!landscape);
}

void CCGlobalNavController::redrawBars()
{
    for (CCSkinnedView* bar : {portraitNavBarView_.get(), landscapeNavBarView_.get(), portraitStatusBarView_.get(),
                               landscapeStatusBarView_.get()}) {
        if (bar) bar->setNeedsDisplay();
    }
}

void CCGlobalNavController::setDepressedTab(const std::string& tabId)
{
    if (portraitNavBarView_) portraitNavBarView_->setDepressedButton(tabId);
    if (landscapeNavBarView_) landscapeNavBarView_->setDepressedButton(tabId);
}

void CCGlobalNavController::setBackButtonDisabled(bool disabled, bool lazy)
{
    CCSkinnedView* portrait = statusBarTheme() ? portraitStatusBarView_.get() : portraitNavBarView_.get();
    CCSkinnedView* landscape = statusBarTheme() ? landscapeStatusBarView_.get() : landscapeNavBarView_.get();
    const std::string wanted = disabled ? "backbutton" : "";
    if (lazy && (!portrait || portrait->disabledItem() == wanted) && (!landscape || landscape->disabledItem() == wanted))
        return;
    for (CCSkinnedView* bar : {portrait, landscape}) {
        if (!bar) continue;
        bar->setDisabledItem(wanted);
        bar->setNeedsDisplay();
    }
}

void CCGlobalNavController::setBackgroundImage(bool global)
{
    if (!imageView_) return;
    imageView_->setImage(CCTheming::sharedInstance()->getBackgroundImageForTheme(global));
}

// ---- loading the view ----

void CCGlobalNavController::layOutRootView()
{
    UIView* root = view();
    CCScreenSession* s = session();
    root->setTransform(s ? s->workaroundTransformForCurrentDeviceOrientation() : CGAffineTransformIdentity);
    const CGRect bounds = rootBounds();
    root->setBounds(bounds);
    // Centred on the portrait screen, whichever way it is turned.
    root->setCenter({160, 240});
}

void CCGlobalNavController::loadView()
{
    CCNavControllerBase::loadView();
    CCTheming* theme = CCTheming::sharedInstance();
    auto root = makeRef<UIView>();
    root->setAutoresizingMask(UIView::kFlexibleWidth | UIView::kFlexibleHeight);
    setView(root.get());
    layOutRootView();
    const bool backgroundImage = theme->backgroundImageInTheme();
    if (statusBarTheme()) {
        root->setBackgroundColor(FillColor {0, 0, 0, 0});
        root->setOpaque(false);
        if (backgroundImage) {
            imageView_ = makeRef<UIImageView>(root->bounds());
            imageView_->setAutoresizingMask(UIView::kFlexibleWidth | UIView::kFlexibleHeight);
            root->addSubview(imageView_.get());
        }
        containerView_ = makeRef<UIView>(root->bounds());
        containerView_->setBackgroundColor(FillColor {0, 0, 0, 0});
        containerView_->setOpaque(false);
        containerView_->setAutoresizingMask(UIView::kFlexibleWidth | UIView::kFlexibleHeight);
        root->addSubview(containerView_.get());
    } else if (!backgroundImage) {
        root->setBackgroundColor(theme->getMasterConfigTableBackgroundColour());
    }

    observeFetchManager();
    NotificationCenter& centre = NotificationCenter::defaultCenter();
    CCGlobalNavController* self = this;
    keyboardAppearObserver_ = centre.addObserver(this, kKeyboardWillAppearNotification, nullptr,
                                                 [self](const Notification& n) { self->keyboardWillAppearNotification(n); });
    keyboardDisappearObserver_ = centre.addObserver(
        this, kKeyboardWillDisappearNotification, nullptr,
        [self](const Notification& n) { self->keyboardWillDisappearNotification(n); });

    std::optional<std::string> firstPage;
    if (mainModeAtStart()) {
        uiHasBeenActivated_ = true;
        useNavBarWithPortraitSkin("globalnav_portrait", "globalnav_landscape");
        if (statusBarTheme())
            useStatusBarWithPortraitSkin("globalstatusbar_portrait", kPortraitMainStatusBar, "globalstatusbar_landscape");
        setBackgroundImage(true);
        CCFetchManager::sharedInstance()->attemptToPrefetchTabs();
        firstPage = takeLaunchUrl(defaultTabUrlString());
        loadUiDescription();
    } else {
        if (statusBarTheme()) {
            useStatusBarWithPortraitSkin("basicstatusbar_portrait", kPortraitBasicStatusBar, "basicstatusbar_landscape");
            useLandscapeBasicNavBannerWithPortraitSkin("basicnav_portrait", "basicnav_landscape");
        } else {
            useNavBarWithPortraitSkin("basicnav_portrait", "basicnav_landscape");
        }
        setBackgroundImage(false);
        if (launchUrlStringBasicNav_) {
            firstPage = std::exchange(launchUrlStringBasicNav_, std::nullopt);
        } else {
            if (!launchUrlStringMainNav_) {
                launchUrlStringMainNav_ = defaultTabUrlStringInSkin(theme->getSkinDescription("globalnav_portrait"));
                if (!launchUrlStringMainNav_)
                    launchUrlStringMainNav_ = defaultTabUrlStringInSkin(theme->getSkinDescription("globalnav_landscape"));
            }
            firstPage = CCLumoraService::liteBaseUrl() + kSplashPath;
            requestSplashScreenBanner();
        }
    }
    showBarsForOrientation();
    pushFirstPage(firstPage);
    isFirstPageOfSession_ = true;
}

void CCGlobalNavController::pushFirstPage(const std::optional<std::string>& url)
{
    Ref<CCUIDescription> page = url ? pageRecordForUrl(*url) : nullptr;
    if (!page) {
        // A theme whose default tab has no page gives nothing to open: the
        // bars show and the page area stays empty.
        logLine("%s No first page for the tab %s", kLumoraError, defaultTabId_.c_str());
        return;
    }
    observeFetchManager(page->url());
    pushView(page, defaultTabId_, kKindNone, false);
}

Ref<CCUIDescription> CCGlobalNavController::pageRecordForUrl(const std::string& url) const
{
    Ref<CCUIDescription> record = dynamicRef<CCUIDescription>(CCFetchManager::sharedInstance()->serverDataForURL(url));
    return record ? record : newPageRecord(url);
}

// ---- navigation description ----

std::optional<std::string> CCGlobalNavController::navigationDescriptionUrl() const
{
    return navigationDescriptionAddress();
}

void CCGlobalNavController::loadUiDescription()
{
    // A cached description that is final: the bars take its badges now.
    if (loadNavigationDescription()) navigationDescriptionUpdated(currentUIDescription_);
}

void CCGlobalNavController::navigationDescriptionUpdated(const Ref<CCUIDescription>& description)
{
    if (!description) return;
    currentUIDescription_ = description;
    const Value element = description->dataAvailable() ? description->flatUIElement() : Value();
    std::vector<CCSkinnedView*> bars {portraitNavBarView_.get(), landscapeNavBarView_.get()};
    if (statusBarTheme()) {
        bars.push_back(portraitStatusBarView_.get());
        bars.push_back(landscapeStatusBarView_.get());
    }
    for (CCSkinnedView* bar : bars) {
        if (!bar) continue;
        bar->updateWithUIElement(element, nullptr, true);
        bar->setNeedsDisplay();
    }
}

// ---- modes ----

void CCGlobalNavController::activateGlobalNavUiAsGuest(bool guest, const std::string& tabId)
{
    activateGlobalNavUiAsGuest(guest, tabId, std::string());
}

void CCGlobalNavController::activateGlobalNavUiAsGuest(bool, const std::string&, const std::string& url)
{
    Ref<CCGlobalNavController> hold(this);
    setPrimaryViewControllerNil();
    removeLastUrlHistoryItem();
    useNavBarWithPortraitSkin("globalnav_portrait", "globalnav_landscape");
    if (statusBarTheme()) {
        useStatusBarWithPortraitSkin("globalstatusbar_portrait", kPortraitMainStatusBar, "globalstatusbar_landscape");
        removeBar(portraitBasicNavBannerView_);
        removeBar(landscapeBasicNavBannerView_);
    }
    setBackgroundImage(true);
    if (!defaultTabId_.empty() && skinItemForId(defaultTabId_, true).isNull()) {
        defaultTabId_ = "profiletab";
        setDepressedTab(defaultTabId_);
    }
    std::optional<std::string> first;
    if (launchUrlStringMainNav_) first = std::exchange(launchUrlStringMainNav_, std::nullopt);
    else if (!url.empty()) first = url;
    else first = defaultTabUrlString();
    uiHasBeenActivated_ = true;
    showBarsForOrientation();
    if (!defaultTabId_.empty() && first) {
        if (Ref<CCUIDescription> page = pageRecordForUrl(*first)) pushView(page, defaultTabId_, kKindNone, false);
    }
    setBackButtonDisabled(true, false);
    loadUiDescription();
}

void CCGlobalNavController::activateBasicNavUiWithTab(bool tab)
{
    activateBasicNavUiWithTab(tab, CCLumoraService::liteBaseUrl() + "logout");
}

void CCGlobalNavController::activateBasicNavUiWithTab(bool, const std::string& url)
{
    Ref<CCGlobalNavController> hold(this);
    setPrimaryViewControllerNil();
    removeLastUrlHistoryItem();
    CCFetchManager* fetch = CCFetchManager::sharedInstance();
    fetch->clearDataWithCompleteClean(true);
    fetch->stopFetching();
    if (statusBarTheme()) {
        useStatusBarWithPortraitSkin("basicstatusbar_portrait", kPortraitBasicStatusBar, "basicstatusbar_landscape");
        useLandscapeBasicNavBannerWithPortraitSkin("basicnav_portrait", "basicnav_landscape");
    } else {
        useNavBarWithPortraitSkin("basicnav_portrait", "basicnav_landscape");
    }
    uiHasBeenActivated_ = false;
    showBarsForOrientation();
    setBackgroundImage(false);
    if (Ref<CCUIDescription> page = pageRecordForUrl(url)) pushView(page, defaultTabId_, kKindNone, false);
    CCLoginHandler::sharedInstance()->setIsFirstUiActivationToday(true);
    setBackButtonDisabled(false, false);
    restartFetchingSoon();
}

// ---- pushing and popping ----

void CCGlobalNavController::pushView(const Ref<CCUIDescription>& page, const std::optional<std::string>& tabId,
                                     int animation, bool noStackPush)
{
    if (!page || cleanedUp_) return;
    Ref<CCGlobalNavController> hold(this);
    (void)view();
    isFirstPageOfSession_ = false;
    UIView::setAnimationsEnabled(true);

    if (tabId && (!statusBarTheme() || uiHasBeenActivated_)) {
        std::string pressed = *tabId;
        if (skinItemForId(pressed, true).isNull()) {
            if (!skinItemForId("profiletab", true).isNull()) pressed = "profiletab";
            else if (!skinItemForId("splashtab", true).isNull()) pressed = "splashtab";
            else pressed = "profiletab";
        }
        setDepressedTab(pressed);
    }

    Ref<CCFormModel> form = recordPushInHistory(page->url(), animation, noStackPush);
    // Restoring Back is lazy too: a bar already showing it is not redrawn
    // on every push (the picture would be the same).
    if (uiHasBeenActivated_ && urlHistoryCount() == 1) setBackButtonDisabled(true, true);
    else setBackButtonDisabled(false, true);

    dropIncomingPage();
    incomingViewController_ = makeRef<CCGenericTableViewController>(page, form, this, "", "", false);
    UIView* incoming = incomingViewController_->view();
    incoming->setBounds({0, 0, kPageSide, kPageSide});
    incoming->setFrame(rectForBeforeAnimation(animation));
    incomingViewController_->setPrefetchImageUrls(true);

    UIView* holder = pageHolder();
    UIView* shown = primaryViewController_ ? primaryViewController_->view() : nullptr;
    if (animation == kKindBack && shown && shown->superview() == holder) holder->insertSubviewBelow(incoming, shown);
    else holder->addSubview(incoming);
    const bool status = statusBarTheme();
    if (status && animation == kKindBack) incoming->setAlpha(0);
    for (CCSkinnedView* bar : {portraitNavBarView_.get(), landscapeNavBarView_.get()}) {
        if (bar && bar->superview() == holder) holder->bringSubviewToFront(bar);
    }
    if (status) {
        for (CCSkinnedView* bar : {portraitStatusBarView_.get(), landscapeStatusBarView_.get()}) {
            if (bar && bar->superview() == holder) holder->bringSubviewToFront(bar);
        }
    }

    if (animation == kKindNone) {
        setPrimaryViewControllerNil();
        primaryViewController_ = std::move(incomingViewController_);
        return;
    }
    std::weak_ptr<int> alive = lifeToken_;
    const unsigned generation = generation_;
    UIView::beginAnimations("incomingview");
    UIView::setAnimationDidStop([this, alive, generation](const std::string&, bool) {
        if (alive.expired() || generation_ != generation) return;
        incomingAnimationDidStop();
    });
    if (animation == kKindBack) {
        if (shown) shown->setFrame(rectForAfterAnimation(animation));
        if (status) incoming->setAlpha(1);
    } else {
        incoming->setFrame(rectForAfterAnimation(animation));
        if (status && shown) shown->setAlpha(0);
    }
    UIView::commitAnimations();
}

void CCGlobalNavController::incomingAnimationDidStop()
{
    if (!incomingViewController_ || !primaryViewController_) {
        // The page shown went meanwhile (a mode switch): the incoming one
        // simply takes its place.
        if (incomingViewController_) primaryViewController_ = std::move(incomingViewController_);
        return;
    }
    Ref<CCGlobalNavController> hold(this);
    setPrimaryViewControllerNil();
    primaryViewController_ = std::move(incomingViewController_);
    if (CCGenericTableView* table = primaryViewController_->tableView()) table->flashScrollIndicators();
}

void CCGlobalNavController::setPrimaryViewControllerNil()
{
    if (!primaryViewController_) return;
    Ref<CCGenericTableViewController> leaving = std::move(primaryViewController_);
    leaving->view()->removeFromSuperview();
    leaving->willDealloc();
    // Let go after the current event: the page may be the one calling.
    RunLoop::main().perform([leaving] {});
}

void CCGlobalNavController::popViewWithAnimation(int animation)
{
    if (urlHistoryCount() < 2) return;
    Ref<CCGlobalNavController> hold(this);
    removeLastUrlHistoryItem();
    if (uiHasBeenActivated_ && urlHistoryCount() == 1) setBackButtonDisabled(true, true);
    Ref<CCViewUrlHistory> item(lastUrlHistoryItem());
    Ref<CCUIDescription> page = pageRecordForUrl(item->url());
    if (!page) {
        logLine("%s The previous page %s makes no address; staying", kLumoraError, item->url().c_str());
        return;
    }
    removeLastUrlHistoryItem();
    pushView(page, std::nullopt, animation, false);
    scrollPushedPageTo(item->rowOffset());
}

void CCGlobalNavController::genericTableViewControllerFailedToLoadPage(CCGenericTableViewController&)
{
    if (isFirstPageOfSession_) deactivateUi();
    else popViewWithAnimation(isPad() ? kKindNone : kKindBack);
}

void CCGlobalNavController::deactivateUi()
{
    Ref<CCGlobalNavController> hold(this);
    CCScreenSession* s = session();
    if (s && s->screenHooks().deactivateLumoraUI) s->screenHooks().deactivateLumoraUI();
}

// ---- bar taps ----

void CCGlobalNavController::skinnedViewButtonPressed(CCSkinnedView& bar, const std::string& itemId,
                                                     const std::string& itemType, const Value& themeUrl)
{
    if (backgroundThreadRunning_) return;
    Ref<CCGlobalNavController> hold(this);
    if (itemType == "tab") {
        if (selectedTabId_ && *selectedTabId_ == itemId && urlHistoryCount() < 2) return;
        selectTab(bar, itemId);
        CCDataStore::sharedInstance()->logUsageDataForTabActivated(itemId);
        openTabPage(themeUrl.isString() ? themeUrl.asString() : std::string());
        return;
    }
    if (itemId == "backbutton") {
        if (urlHistoryCount() > 1 || uiHasBeenActivated_) popViewWithAnimation(isPad() ? kKindNone : kKindBack);
        else deactivateUi();
    } else if (itemId == "closebutton") {
        deactivateUi();
    }
}

void CCGlobalNavController::openTabPage(const std::string& path)
{
    // The page opens on the next loop turn; taps on the bars wait for it.
    backgroundThreadRunning_ = true;
    later([this, path] {
        int kind = kKindUp;
        if (statusBarTheme()) kind = kKindForward;
        else if (isLandscape()) kind = kKindFromLeft;
        if (Ref<CCUIDescription> page = pageRecordForUrl(CCLumoraService::liteBaseUrl() + path))
            pushView(page, std::nullopt, kind, false);
        backgroundThreadRunning_ = false;
    });
}

// ---- keyboard ----

void CCGlobalNavController::keyboardWillAppearNotification(const Notification& notification)
{
    keyboardIsOut_ = true;
    if (!primaryViewController_) return;
    primaryViewController_->view()->setFrame(pageRect());
    const auto* info = std::any_cast<Value>(&notification.userInfo());
    if (!info || !info->contains("row") || !info->contains("section")) return;
    const int row = (*info)["row"].asInt();
    const int section = (*info)["section"].asInt();
    CCGenericTableView* table = primaryViewController_->tableView();
    // The field may sit on another page than the one shown (a dialog, a page
    // still sliding in): a row the table does not have is not scrolled to.
    if (!table || section < 0 || section >= table->numberOfSections() || row < 0 ||
        row >= table->numberOfRowsInSection(section))
        return;
    table->scrollToRowAtIndexPath({section, row}, UITableView::kScrollNone, true);
}

void CCGlobalNavController::keyboardWillDisappearNotification(const Notification&)
{
    keyboardIsOut_ = false;
    if (primaryViewController_) primaryViewController_->view()->setFrame(pageRect());
}

// ---- rotation ----

bool CCGlobalNavController::shouldAutorotateToInterfaceOrientation(int orientation)
{
    return CCTheming::sharedInstance()->shouldAutorotateToInterfaceOrientationStockAnswer(orientation);
}

void CCGlobalNavController::willRotateToInterfaceOrientation(int orientation, double durationSeconds)
{
    if (modalViewController_) modalViewController_->willRotateToInterfaceOrientation(orientation, durationSeconds);
}

void CCGlobalNavController::didRotateFromInterfaceOrientation(int)
{
    if (!isViewLoaded()) return;
    const CGPoint offset = getCurrentRowOffset();
    layOutRootView();
    if (containerView_) containerView_->setFrame(view()->bounds());
    if (imageView_) imageView_->setFrame(view()->bounds());
    showBarsForOrientation();
    redrawBars();
    if (primaryViewController_) primaryViewController_->view()->setFrame(pageRect());
    setBackgroundImage(uiHasBeenActivated_);
    if (primaryViewController_ && primaryViewController_->tableView())
        primaryViewController_->tableView()->setContentOffset(offset);
}

void CCGlobalNavController::reachabilityChanged(const Notification&)
{
    if (isViewLoaded()) view()->setNeedsDisplay();
}

// ---- incoming notification ----

void CCGlobalNavController::displayIncomingPushNotice(const std::string& text, const std::string& url,
                                                      const std::string& tabId)
{
    pendingUrlString_ = url;
    pendingTabId_ = tabId;
    dismissModal();
    Ref<CCUIDescription> dialog =
        CCTheming::uiDescriptionForTwoButtonDialog("Incoming Notification", text, "OK", "Cancel");
    modalViewController_ = CCModalViewController::create(dialog.get(), view(), false, false, false);
    if (modalViewController_) modalViewController_->setDelegate(this);
}

void CCGlobalNavController::modalViewControllerButtonPressed(CCModalViewController&, const std::string& buttonId)
{
    Ref<CCGlobalNavController> hold(this);
    const std::optional<std::string> url = std::exchange(pendingUrlString_, std::nullopt);
    const std::optional<std::string> tab = std::exchange(pendingTabId_, std::nullopt);
    dismissModal();
    if (buttonId != "button1" || !url) return;
    if (Ref<CCUIDescription> page = pageRecordForUrl(*url)) pushView(page, tab, kKindUp, false);
}

void CCGlobalNavController::dismissModal()
{
    if (!modalViewController_) return;
    Ref<CCModalViewController> leaving = std::move(modalViewController_);
    leaving->setDelegate(nullptr);
    if (leaving->isViewLoaded()) leaving->view()->removeFromSuperview();
    // The dialog is the caller of a button press: let go after it returns.
    RunLoop::main().perform([leaving] {});
}

// ---- image picker ----

void CCGlobalNavController::initiateImagePickerWithType(int sourceType, const std::string& url, CGRect, UIView*)
{
    pendingUrlString_ = url;
    pendingImagePickerType_ = sourceType;
    CCScreenSession* s = session();
    UIWindow* window = s ? s->getTopApplicationWindow() : nullptr;
    if (!window) return;
    if (imagePickerUnderlay_) imagePickerUnderlay_->view()->removeFromSuperview();
    if (underlayTimer_) underlayTimer_->invalidate();
    underlayTimer_ = nullptr;
    imagePickerUnderlay_ = makeRef<CCImagePickerUnderlay>();
    imagePickerUnderlay_->view()->setFrame({0, 0, 320, 480});
    window->addSubview(imagePickerUnderlay_->view());
    later([this] {
        if (!imagePickerUnderlay_) return;
        const int type = pendingImagePickerType_;
        const auto source = type >= 0 && type <= 2 ? static_cast<ImageSources::SourceType>(type)
                                                   : ImageSources::kPhotoLibrary;
        imagePickerUnderlay_->initiateImagePickerWithType(source, this);
    });
}

void CCGlobalNavController::imagePickerControllerDidFinishPickingMediaWithInfo(UIImagePickerController&,
                                                                               const UIImagePickerMediaInfo& info)
{
    Ref<CCGlobalNavController> hold(this);
    const Image* picture = info.editedImage ? info.editedImage.get() : info.originalImage.get();
    if (picture && pendingUrlString_) (void)doImagePickerWithImage(picture, *pendingUrlString_);
    pickerClosed();
}

void CCGlobalNavController::imagePickerControllerDidCancel(UIImagePickerController&) { pickerClosed(); }

void CCGlobalNavController::pickerClosed()
{
    if (!imagePickerUnderlay_) return;
    imagePickerUnderlay_->dismissModalViewControllerAnimated(true);
    if (underlayTimer_) underlayTimer_->invalidate();
    underlayTimer_ = NSTimer::scheduledTimer(kUnderlayClearDelay, false, [this](NSTimer*) {
        underlayTimer_ = nullptr;
        clearUnderlayTimerMethod();
    });
}

void CCGlobalNavController::clearUnderlayTimerMethod()
{
    if (imagePickerUnderlay_) {
        imagePickerUnderlay_->view()->removeFromSuperview();
        imagePickerUnderlay_ = nullptr;
    }
    clearTopTableSelection();
    CCScreenSession* s = session();
    const int orientation = s ? s->currentInterfaceOrientation() : 1;
    if (orientation == 3 || orientation == 4) Application::sharedApplication().setStatusBarOrientation(orientation);
}

// ---- log-in entry points ----

void CCGlobalNavController::twitterSessionRequiredPageRefresh()
{
    if (CCUIDescription* shown = currentDisplayedUiDescription()) reloadPageInPlace(shown->url());
}

void CCGlobalNavController::facebookSessionRequiredPageRefresh() { twitterSessionRequiredPageRefresh(); }

void CCGlobalNavController::twitterSessionRequiredPageRefreshWithUrl(const std::string& url)
{
    if (primaryViewController_) reloadPageInPlace(url);
}

void CCGlobalNavController::facebookSessionRequiredPageRefreshWithUrl(const std::string& url)
{
    twitterSessionRequiredPageRefreshWithUrl(url);
}

void CCGlobalNavController::twitterUserLogin(const std::string& url) { openPageAfterLogIn(url); }

void CCGlobalNavController::facebookUserLogin(const std::string& url) { openPageAfterLogIn(url); }

// ---- clean-up ----

void CCGlobalNavController::cleanUp()
{
    if (cleanedUp_) return;
    cleanedUp_ = true;
    ++generation_;
    NotificationCenter& centre = NotificationCenter::defaultCenter();
    for (NotificationCenter::ObserverId* id :
         {&reachabilityObserver_, &keyboardAppearObserver_, &keyboardDisappearObserver_}) {
        if (*id) centre.removeObserver(*id);
        *id = 0;
    }
    cancelFetchRestart();
    if (underlayTimer_) underlayTimer_->invalidate();
    underlayTimer_ = nullptr;
    letPageGo(primaryViewController_);
    dropIncomingPage();
    if (redirectViewController()) affiliateRedirectComplete();
    if (blockUiViewController()) blockUserInput(false);
    if (modalViewController_) {
        modalViewController_->setDelegate(nullptr);
        if (modalViewController_->isViewLoaded()) modalViewController_->view()->removeFromSuperview();
        modalViewController_ = nullptr;
    }
    for (Ref<CCSkinnedView>* bar : {&portraitNavBarView_, &landscapeNavBarView_, &portraitStatusBarView_,
                                    &landscapeStatusBarView_, &portraitBasicNavBannerView_,
                                    &landscapeBasicNavBannerView_})
        removeBar(*bar);
    if (imagePickerUnderlay_) {
        imagePickerUnderlay_->view()->removeFromSuperview();
        imagePickerUnderlay_ = nullptr;
    }
    currentUIDescription_ = nullptr;
    pendingUrlString_.reset();
    pendingTabId_.reset();
    if (isViewLoaded()) view()->removeFromSuperview();
}

} // namespace mw
