#include "social/screens/CCPullTabViewController.h"

#include <cmath>
#include <utility>

#include "foundation/Log.h"
#include "foundation/Notification.h"
#include "foundation/RunLoop.h"
#include "platform/Application.h"
#include "platform/Image.h"
#include "social/data/CCDataStore.h"
#include "social/queues/CCFetchManager.h"
#include "social/screens/CCGenericTableViewController.h"
#include "social/data/CCLumoraLog.h"
#include "social/screens/CCModalControllers.h"
#include "social/data/CCLumoraService.h"
#include "social/screens/CCScreenSession.h"
#include "social/screens/CCSmallViews.h"
#include "social/services/CCTheming.h"
#include "social/queues/records/CCServerRecords.h"
#include "social/support/URLUtilities.h"
#include "social/ui/UIControls.h"
#include "social/ui/UIWindow.h"

namespace mw {

namespace {

constexpr const char* kNewsPath = "newsfeed.cuid";
// Theme numbers beyond this are taken as this: the geometry stays finite
// and every conversion defined, whatever the theme holds.
constexpr double kGeometryLimit = 1e6;

// A theme number: 0 when missing, not a number or not finite; clamped so
// that it converts to float and int without overflow.
double themeNumber(const Value& value)
{
    if (!value.isNumber()) return 0;
    const double number = value.asDouble();
    if (!std::isfinite(number)) return 0;
    return std::fmax(-kGeometryLimit, std::fmin(kGeometryLimit, number));
}

float clampGeometry(float value)
{
    if (!std::isfinite(value)) return 0;
    return static_cast<float>(std::fmax(-kGeometryLimit, std::fmin(kGeometryLimit, double(value))));
}

CGRect finiteRect(CGRect rect)
{
    return {clampGeometry(rect.origin.x), clampGeometry(rect.origin.y), clampGeometry(rect.size.width),
            clampGeometry(rect.size.height)};
}

std::string textOf(const Value& value) { return value.isString() ? value.asString() : std::string(); }

CGAffineTransform moveBy(float x, float y) { return CGAffineTransformMakeTranslation(x, y); }

CGAffineTransform scaleThenTranslate(float sx, float sy, float tx, float ty)
{
    // The page is scaled about its own origin and then moved.
    return CGAffineTransformConcat(CGAffineTransformMakeScale(sx, sy), CGAffineTransformMakeTranslation(tx, ty));
}

bool beginsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

} // namespace

// ---- the container ----

bool CCPullTabView::pointInside(CGPoint point) const
{
    for (const Ref<UIView>& sub : subviews()) {
        if (sub->isHidden()) continue;
        if (sub->pointInside(sub->convertPointFromView(point, this))) return true;
    }
    return false;
}

// ---- creation ----

Ref<CCPullTabViewController> CCPullTabViewController::create(CCPullTabViewControllerDelegate* delegate,
                                                             const std::string& landscapeSkin,
                                                             const std::string& portraitSkin, UIView* parentView,
                                                             int fromEdge, int initialState, Value frameData,
                                                             Value configData)
{
    Ref<CCPullTabViewController> controller(new CCPullTabViewController());
    CCPullTabViewController& c = *controller;
    c.delegate_ = delegate;
    c.landscapePullTabLaunchString_ = landscapeSkin;
    c.portraitPullTabLaunchString_ = portraitSkin;
    c.parentView_ = parentView;
    c.fromEdge_ = fromEdge;
    c.initialState_ = initialState;
    c.frameData_ = std::move(frameData);
    c.configData_ = std::move(configData);
    CCDataStore* store = CCDataStore::sharedInstance();
    c.minsSinceInstall_ = std::to_string(store->minsSinceAppInstallDate());
    if (store->lastBannerId().isString()) c.lastBannerId_ = store->lastBannerId().asString();

    NotificationCenter& centre = NotificationCenter::defaultCenter();
    CCPullTabViewController* self = controller.get();
    centre.addObserver(self, kKeyboardWillAppearNotification, nullptr,
                       [self](const Notification& n) { self->keyboardWillAppear(n); });
    centre.addObserver(self, kKeyboardWillDisappearNotification, nullptr,
                       [self](const Notification& n) { self->keyboardWillDisappear(n); });
    c.observeRotationAndShowIn(parentView);
    return controller;
}

CCPullTabViewController::~CCPullTabViewController()
{
    removePrimaryView();
    if (incomingViewController_) incomingViewController_->willDealloc();
    cleanUp();
    if (isViewLoaded()) view()->removeFromSuperview();
}

CGRect CCPullTabViewController::screenBounds() const
{
    CGRect screen {0, 0, 320, 480};
    if (UIWindow* window = UIWindow::keyWindow()) screen = window->bounds();
    else if (parentView_) screen = parentView_->bounds();
    if (isLandscape(orientation())) std::swap(screen.size.width, screen.size.height);
    return screen;
}

void CCPullTabViewController::loadView()
{
    CCNavControllerBase::loadView();
    auto container = makeRef<CCPullTabView>();
    container->setBackgroundColor(FillColor {1, 1, 1, 0});
    container->setOpaque(false);
    container->setAutoresizingMask(UIView::kFlexibleWidth | UIView::kFlexibleHeight);
    CCScreenSession* session = CCScreenSession::shared();
    container->setTransform(session ? session->workaroundTransformForCurrentDeviceOrientation()
                                    : CGAffineTransformIdentity);
    const CGRect screen = screenBounds();
    container->setBounds({0, 0, screen.size.width, screen.size.height});
    container->setCenter({screen.size.width / 2, screen.size.height / 2});
    const CGRect frame = container->frame();
    const CGPoint centre = container->center();
    container->setCenter({centre.x - frame.origin.x, centre.y - frame.origin.y});
    setView(container);

    observeFetchManager();
    usePullTabWithPortraitSkin();
    attachOverlay();

    const Value firstTab = findFirstTabUrlAndId();
    if (firstTab.isNull()) {
        logLine("%s Failed to find Lumora tab overlay data in theme", kLumoraError);
        return;
    }
    selectedTabId_ = textOf(firstTab["id"]);
    if (initialState_ == kStateNews || initialState_ == kStateFullVisibility) doOpenUrlOnTab(textOf(firstTab["href"]));
    else showPullTab();
    CCDataStore::sharedInstance()->logUsageDataForTabActivated(*selectedTabId_);
}

void CCPullTabViewController::usePullTabWithPortraitSkin()
{
    if (portraitPullTabView_) portraitPullTabView_->removeFromSuperview();
    if (landscapePullTabView_) landscapePullTabView_->removeFromSuperview();
    portraitPullTabView_ = nullptr;
    landscapePullTabView_ = nullptr;
    CCTheming* theme = CCTheming::sharedInstance();
    portraitSkin_ = theme->getSkinDescription(portraitPullTabLaunchString_);
    landscapeSkin_ = theme->getSkinDescription(landscapePullTabLaunchString_);
    if (portraitSkin_.isNull()) logLine("%s Unable to find Lumora tab overlay portrait skin in theme", kLumoraError);
    if (landscapeSkin_.isNull()) logLine("%s Unable to find Lumora tab overlay landscape skin in theme", kLumoraError);
    if (portraitSkin_.isNull() || landscapeSkin_.isNull()) return;
    const Value element = currentUIDescription_ ? currentUIDescription_->flatUIElement() : Value();
    portraitPullTabView_ = makeRef<CCSkinnedView>(element, portraitSkin_, rectForOrientation(1), nullptr, true);
    landscapePullTabView_ = makeRef<CCSkinnedView>(element, landscapeSkin_, rectForOrientation(3), nullptr, true);
    for (CCSkinnedView* strip : {portraitPullTabView_.get(), landscapePullTabView_.get()}) {
        strip->setBadgesEnabled(true);
        strip->setDelegate(this);
        strip->setOpaque(false);
        view()->addSubview(strip);
    }
    const bool landscape = isLandscape(orientation());
    portraitPullTabView_->setHidden(landscape);
    landscapePullTabView_->setHidden(!landscape);
}

void CCPullTabViewController::attachOverlay()
{
    if (portraitOverlay_) portraitOverlay_->removeFromSuperview();
    if (landscapeOverlay_) landscapeOverlay_->removeFromSuperview();
    portraitOverlay_ = nullptr;
    landscapeOverlay_ = nullptr;
    for (bool portrait : {true, false}) {
        CCSkinnedView* strip = portrait ? portraitPullTabView_.get() : landscapePullTabView_.get();
        if (!strip) continue;
        const Value item = skinItemForId("foreground", portrait, "_overlay");
        if (!item.isDict()) continue;
        Ref<Image> image = CCTheming::sharedInstance()->getImageFromPath(textOf(item["themesrc"]));
        const CGRect frame {float(themeNumber(item["x"])), float(themeNumber(item["y"])),
                            float(themeNumber(item["w"])), float(themeNumber(item["h"]))};
        auto overlay = makeRef<UIImageView>(frame, image);
        overlay->setOpaque(false);
        overlay->setUserInteractionEnabled(false);
        strip->addSubview(overlay);
        (portrait ? portraitOverlay_ : landscapeOverlay_) = overlay.get();
    }
}

void CCPullTabViewController::bringOverlaysToFront()
{
    if (portraitOverlay_ && portraitOverlay_->superview()) portraitOverlay_->superview()->bringSubviewToFront(portraitOverlay_);
    if (landscapeOverlay_ && landscapeOverlay_->superview()) {
        landscapeOverlay_->superview()->bringSubviewToFront(landscapeOverlay_);
    }
}

CCSkinnedView* CCPullTabViewController::visiblePullTabView() const
{
    return isLandscape(orientation()) ? landscapePullTabView_.get() : portraitPullTabView_.get();
}

// ---- theme data ----

Value CCPullTabViewController::configDataFromThemeFile() const
{
    const Value& device = configData_[isPad() ? "iPad" : "iPhone"];
    return device.isDict() ? device : Value();
}

CGRect CCPullTabViewController::contentRectFromThemeFile() const
{
    const Value config = configDataFromThemeFile();
    return {0, 0, float(themeNumber(config["contentwidth"])), float(themeNumber(config["contentheight"]))};
}

float CCPullTabViewController::borderSizeFromThemeFile() const
{
    return float(themeNumber(configDataFromThemeFile()["bordersize"]));
}

float CCPullTabViewController::tabSizeFromThemeFile() const
{
    return float(themeNumber(configDataFromThemeFile()["tabsize"]));
}

float CCPullTabViewController::borderAndTabSizeFromThemeFile() const
{
    return borderSizeFromThemeFile() + tabSizeFromThemeFile();
}

Value CCPullTabViewController::translationsFromThemeFile() const
{
    const Value& translations = configDataFromThemeFile()["translations"];
    return translations.isDict() ? translations : Value();
}

float CCPullTabViewController::translation(const char* name) const
{
    return float(themeNumber(translationsFromThemeFile()[name]));
}

Value CCPullTabViewController::keyboardDataFromThemeFileForOrientation(int orientation) const
{
    const Value& data = configDataFromThemeFile()[isLandscape(orientation) ? "keyboard_landscape" : "keyboard_portrait"];
    return data.isDict() ? data : Value();
}

CGRect CCPullTabViewController::rectForOrientation(int orientation) const
{
    switch (orientation) {
    case 4: return rectFromThemeFileWithOrientation("landscaperight");
    case 3: return rectFromThemeFileWithOrientation("landscapeleft");
    case 2: return rectFromThemeFileWithOrientation("portraitup");
    default: return rectFromThemeFileWithOrientation("portrait");
    }
}

CGRect CCPullTabViewController::rectFromThemeFileWithOrientation(const std::string& frameId) const
{
    const Value& frames = frameData_[isPad() ? "iPadFrames" : "iPhoneFrames"];
    if (!frames.isArray()) return CGRectZero;
    for (const Value& item : frames.asArray()) {
        if (item["id"].isString() && item["id"].stringView() == frameId) {
            return finiteRect(CCTheming::dimensionsFromItem(item));
        }
    }
    return CGRectZero;
}

Value CCPullTabViewController::skinItemForId(const std::string& itemId, bool portrait, const std::string& suffix) const
{
    const std::string& name = portrait ? portraitPullTabLaunchString_ : landscapePullTabLaunchString_;
    const Value& skin = CCTheming::sharedInstance()->getSkinDescription(name + suffix);
    if (skin.isNull()) return Value();
    return CCTheming::itemForId(itemId, skin);
}

// ---- geometry ----

CGPoint CCPullTabViewController::offsetForState(int state) const
{
    float distance = 0;
    const float border = borderAndTabSizeFromThemeFile();
    switch (state) {
    case kStateOffscreen: distance = translation("offscreen"); break;
    case kStateTabVisible: distance = translation("tabvisible"); break;
    case kStateNews: {
        const float height = getHeightOfCurrentRow();
        if (primaryViewController_ && primaryViewController_->rowReadyForDisplay()) {
            const float full = translation("fullvisibility");
            distance = full <= height ? full : height + border;
        } else if (bannerOverrides_.empty()) {
            distance = translation("news");
        } else {
            distance = height + border;
        }
        break;
    }
    case kStateFullVisibility: {
        const bool landscape = isLandscape(orientation());
        const bool alongOrientation = (fromEdge_ == kEdgeBottom || fromEdge_ == kEdgeTop) ? !landscape : landscape;
        distance = alongOrientation ? translation("fullvisibility") : contentRectFromThemeFile().size.height;
        break;
    }
    default: break;
    }
    distance = clampGeometry(distance);
    switch (fromEdge_) {
    case kEdgeBottom: return {0, distance};
    case kEdgeRight: return {distance, 0};
    case kEdgeTop: return {0, -distance};
    case kEdgeLeft: return {-distance, 0};
    default: return {0, 0};
    }
}

CGAffineTransform CCPullTabViewController::transformForAnimation(bool shown) const
{
    const CGRect content = contentRectFromThemeFile();
    const float h = content.size.height;
    const float w = content.size.width;
    const float b = borderAndTabSizeFromThemeFile();
    const int o = orientation();
    const bool portrait = o == 1 || o == 2;
    const bool landscape = isLandscape(o);
    switch (fromEdge_) {
    case kEdgeBottom:
        if (portrait) return shown ? moveBy(0, b) : moveBy(0, h + b);
        if (!twoStageMode_) return moveBy(0, h);
        return scaleThenTranslate(1, 0.9f, 0, shown ? 0.05f * h : h);
    case kEdgeTop:
        if (portrait) return shown ? CGAffineTransformIdentity : moveBy(0, -(h + b));
        if (!twoStageMode_) return moveBy(0, -h);
        return scaleThenTranslate(1, 0.9f, 0, shown ? -0.05f * h : -h);
    case kEdgeRight:
        if (landscape) return shown ? moveBy(b, 0) : moveBy(w + b, 0);
        if (!twoStageMode_) return moveBy(w, 0);
        return scaleThenTranslate(0.92f, 1, shown ? 0.08f * w - 10 : w, 0);
    case kEdgeLeft:
        if (landscape) return shown ? CGAffineTransformIdentity : moveBy(-(w + b), 0);
        if (!twoStageMode_) return moveBy(-w, 0);
        return scaleThenTranslate(0.92f, 1, shown ? -0.08f * w + 5 : -w, 0);
    default: return CGAffineTransformIdentity;
    }
}

// ---- state changes ----

void CCPullTabViewController::translateStrips(CGPoint by)
{
    for (CCSkinnedView* strip : {portraitPullTabView_.get(), landscapePullTabView_.get()}) {
        if (strip) strip->setTransform(CGAffineTransformTranslate(strip->transform(), by.x, by.y));
    }
}

void CCPullTabViewController::redrawStrips()
{
    if (portraitPullTabView_) portraitPullTabView_->setNeedsDisplay();
    if (landscapePullTabView_) landscapePullTabView_->setNeedsDisplay();
}

void CCPullTabViewController::changeStateFrom(int from, int to, double duration, const std::string& animationName)
{
    stateChanges_.push_back({from, to, duration, animationName});
    const CGPoint target = offsetForState(to);
    const CGPoint d {target.x - offset_.x, target.y - offset_.y};
    offset_ = target;
    state_ = to;
    // The animation lives in the strips' views, which the controller holds:
    // its callback holds no reference back, only the controller's token.
    std::weak_ptr<int> alive = lifeToken_;
    const unsigned generation = generation_;
    UIView::beginAnimations(animationName);
    UIView::setAnimationDuration(duration);
    UIView::setAnimationDidStop([this, alive, generation](const std::string& name, bool) {
        if (!alive.expired() && generation_ == generation) pullTabStateChangeComplete(name);
    });
    translateStrips({-d.x, -d.y});
    if (animationName == "pull_expand_2" && primaryViewController_) {
        primaryViewController_->view()->setTransform(transformForAnimation(true));
    }
    UIView::commitAnimations();
    redrawStrips();
}

void CCPullTabViewController::changeState()
{
    CCScreenSession* session = CCScreenSession::shared();
    auto into = [&](int to, double duration, const char* name) {
        if ((to == kStateNews || to == kStateFullVisibility) && session) session->disableAvoidBackgroundActivity();
        changeStateFrom(state_, to, duration, name);
    };
    switch (state_) {
    case kStateOffscreen:
        if (initialState_ == kStateTabVisible) into(kStateTabVisible, 0.1, "pull_expand_0");
        else if (initialState_ == kStateNews) into(kStateNews, 0.1, "pull_expand_1");
        else if (initialState_ == kStateFullVisibility) into(kStateFullVisibility, 0.5, "pull_expand_2");
        break;
    case kStateTabVisible:
        if (twoStageMode_) {
            into(kStateFullVisibility, 0.5, "pull_expand_2");
        } else {
            currentBannerRow_ = 0;
            into(kStateNews, 0.1, "pull_expand_1");
        }
        break;
    case kStateNews:
        endBannerScroll();
        into(kStateTabVisible, 0.1, "pull_contract");
        break;
    case kStateFullVisibility:
        closeKeyboard();
        if (backButtonPressed_) {
            backButtonPressed_ = false;
            into(kStateNews, 0.5, "pull_contract_and_restart_scroll");
        } else {
            into(kStateTabVisible, 0.5, "pull_contract");
        }
        break;
    default: break;
    }
}

void CCPullTabViewController::showPullTab()
{
    if (state_ == kStateOffscreen) changeState();
}

void CCPullTabViewController::resetLumoraPullTabState()
{
    if (resetTimer_) resetTimer_->invalidate();
    resetTimer_ = nullptr;
    changeStateFrom(state_, kStateTabVisible, 0.15, "pull_contract");
}

void CCPullTabViewController::pullTabStateChangeComplete(const std::string& name)
{
    if (name == "pull_expand_1") {
        if (bannerOverrides_.size() == 1 && bannerOverrides_[0]["bannerType"].stringView() == "lite_banner") {
            const Value& bannerId = bannerOverrides_[0]["bannerId"];
            CCDataStore* store = CCDataStore::sharedInstance();
            if (bannerId.isString() && (!store->lastBannerId().isString() || store->lastBannerId() != bannerId)) {
                store->setLastBannerId(bannerId);
            }
            if (bannerTouchActivation_) {
                initBannerScroll();
            } else {
                setHeightAndTransformForBanner();
                if (resetTimer_) resetTimer_->invalidate();
                resetTimer_ = NSTimer::scheduledTimer(bannerItemDelay(), false, [this](NSTimer*) {
                    resetTimer_ = nullptr;
                    resetLumoraPullTabState();
                });
            }
        } else {
            initBannerScroll();
        }
    } else if (name == "pull_contract") {
        selectedTabId_.reset();
    } else if (name == "pull_contract_and_restart_scroll") {
        initBannerScroll();
        selectedTabId_.reset();
    } else if (name == "deactivate") {
        later([this] { doDeactivation(); });
    }
}

// ---- the news banner ----

Value CCPullTabViewController::bannerOverridesFromCurrentUiDescription(CCUIDescription* description)
{
    if (!description || description->url().find(kNewsPath) == std::string::npos) return Value();
    Value overrides = Value::array();
    const int items = description->itemsInGroup(0);
    for (int i = 0; i < items; ++i) {
        const Value type = description->elementTypeForItem(i, 0);
        if (!type.isString() || (type.stringView() != "lite_banner" && type.stringView() != "banner")) continue;
        const Value element = description->elementForItem(i, 0);
        if (!element.contains("height") && !element.contains("delay")) continue;
        Value entry = Value::dictionary({{"elementIndex", Value(i)},
                                         {"height", Value(themeNumber(element["height"]) * 0.5)},
                                         {"delay", Value(themeNumber(element["delay"]))},
                                         {"bannerType", type}});
        if (type.stringView() == "lite_banner") {
            const std::string image = textOf(element["image"]);
            const size_t at = image.find("liteBannerId=", 1);
            if (at != std::string::npos) entry.set("bannerId", Value(image.substr(at + 13)));
        }
        overrides.push(entry);
    }
    return overrides;
}

double CCPullTabViewController::bannerItemDelay() const
{
    for (const Value& entry : bannerOverrides_.isArray() ? bannerOverrides_.asArray() : Value::Array {}) {
        if (entry["elementIndex"].asInt() != currentBannerRow_) continue;
        const double delay = themeNumber(entry["delay"]);
        // A delay that is not positive would schedule the next step at once,
        // every frame: it counts as none.
        if (delay > 0) return delay;
    }
    return kDefaultBannerDelay;
}

float CCPullTabViewController::getHeightOfCurrentRow() const
{
    CCGenericTableViewController* page =
        incomingViewController_ ? incomingViewController_.get() : primaryViewController_.get();
    if (page && page->isViewLoaded()) {
        CCGenericTableView* table = page->tableView();
        if (table && table->numberOfSections() > 0 && currentBannerRow_ >= 0 &&
            currentBannerRow_ < table->numberOfRowsInSection(0)) {
            return clampGeometry(table->rectForRowAtIndexPath({0, currentBannerRow_}).size.height);
        }
    }
    return translation("fullvisibility");
}

void CCPullTabViewController::setHeightAndTransformForBanner()
{
    if (!primaryViewController_) return;
    UIView* page = primaryViewController_->view();
    const CGRect content = contentRectFromThemeFile();
    const float height = getHeightOfCurrentRow();
    const float border = borderAndTabSizeFromThemeFile();
    page->setTransform(CGAffineTransformIdentity);
    page->setFrame({content.origin.x, content.origin.y, content.size.width, height});
    float t = border;
    if (fromEdge_ == kEdgeTop) {
        t = isLandscape(orientation()) ? content.size.height - border - height : content.size.height - height;
    }
    page->setTransform(moveBy(0, t));
}

bool CCPullTabViewController::hasPendingBannerStep() const { return bannerTimer_ && bannerTimer_->isValid(); }

bool CCPullTabViewController::hasPendingReset() const { return resetTimer_ && resetTimer_->isValid(); }

void CCPullTabViewController::scheduleBannerStep()
{
    endBannerScroll();
    bannerTimer_ = NSTimer::scheduledTimer(bannerItemDelay(), false, [this](NSTimer*) {
        bannerTimer_ = nullptr;
        doBannerScroll();
    });
}

void CCPullTabViewController::initBannerScroll()
{
    endBannerScroll();
    setHeightAndTransformForBanner();
    scheduleBannerStep();
}

void CCPullTabViewController::endBannerScroll()
{
    if (bannerTimer_) bannerTimer_->invalidate();
    bannerTimer_ = nullptr;
}

bool CCPullTabViewController::canDoScroll() const
{
    if (!primaryViewController_ || !primaryViewController_->isViewLoaded()) return false;
    CCGenericTableView* table = primaryViewController_->tableView();
    if (!table) return false;
    if (isDragging_ && userScrollEnabled_) return false;
    return !table->isTouching() || !userScrollEnabled_;
}

void CCPullTabViewController::doBannerScroll()
{
    if (state_ != kStateNews) return;
    if (canDoScroll()) {
        CCGenericTableView* table = primaryViewController_->tableView();
        CCUIDescription* page = primaryViewController_->currentUIDescription();
        const int rows = page ? page->itemsInGroup(0) : 0;
        // A page without rows in group 0 keeps row 0: there is nothing to
        // wrap around or to scroll to.
        if (rows > 0) {
            const std::vector<NSIndexPath> visible = table->indexPathsForVisibleRows();
            if (!visible.empty()) currentBannerRow_ = visible.front().row;
            currentBannerRow_ = (currentBannerRow_ + 1) % rows;
            if (currentBannerRow_ + 1 < rows) page->queuePrefetchImageUrlByRowIndex(currentBannerRow_ + 1);
            if (primaryViewController_->rowReadyForDisplay() && currentBannerRow_ < table->numberOfRowsInSection(0)) {
                setHeightAndTransformForBanner();
                table->scrollToRowAtIndexPath({0, currentBannerRow_}, UITableView::kScrollTop, true);
                const CGPoint target = offsetForState(kStateNews);
                const CGPoint d {target.x - offset_.x, target.y - offset_.y};
                offset_ = target;
                UIView::beginAnimations("resize");
                UIView::setAnimationDuration(0.1);
                translateStrips({-d.x, -d.y});
                UIView::commitAnimations();
            }
        }
    }
    scheduleBannerStep();
}

// ---- rotation ----

void CCPullTabViewController::willRotate()
{
    endBannerScroll();
    CCScreenSession* session = CCScreenSession::shared();
    if (session) view()->setTransform(session->workaroundTransformForCurrentDeviceOrientation());
    view()->setHidden(true);
    keyboardViewOffset_ = {0, 0};
}

void CCPullTabViewController::didRotate()
{
    UIView* container = view();
    container->setHidden(false);
    const bool landscape = isLandscape(orientation());
    if (portraitPullTabView_ && landscapePullTabView_) {
        portraitPullTabView_->setHidden(landscape);
        landscapePullTabView_->setHidden(!landscape);
    }
    CCSkinnedView* strip = visiblePullTabView();
    if (primaryViewController_ && strip) {
        strip->addSubview(primaryViewController_->view());
        strip->sendSubviewToBack(primaryViewController_->view());
    }
    CCScreenSession* session = CCScreenSession::shared();
    if (session) container->setTransform(session->workaroundTransformForCurrentDeviceOrientation());
    const CGRect screen = screenBounds();
    container->setBounds({0, 0, screen.size.width, screen.size.height});
    for (CCSkinnedView* each : {portraitPullTabView_.get(), landscapePullTabView_.get()}) {
        if (each) each->setTransform(CGAffineTransformIdentity);
    }
    offset_ = offsetForState(state_);
    translateStrips({-offset_.x, -offset_.y});
    if (state_ == kStateNews) setHeightAndTransformForBanner();
    else if (primaryViewController_) primaryViewController_->view()->setTransform(transformForAnimation(true));
    scheduleBannerStep();
}

// ---- keyboard ----

void CCPullTabViewController::keyboardWillAppear(const Notification& notification)
{
    if (state_ != kStateFullVisibility) return;
    currentEditingItem_ = dynamic_cast<CCSkinnedView*>(notification.object());
    static constexpr const char* kEdgeKeys[] = {"offset_bottom", "offset_right", "offset_top", "offset_left"};
    const Value keyboard = keyboardDataFromThemeFileForOrientation(orientation());
    const float v = (fromEdge_ >= 0 && fromEdge_ <= 3) ? float(themeNumber(keyboard[kEdgeKeys[fromEdge_]])) : 0;
    keyboardViewOffset_ = {0, v};
    offset_.y += v;
    keyboardSquishAmount_ = keyboardSquishAmountForTableView();
    UIView::beginAnimations("keyboardDisplay");
    UIView::setAnimationDuration(0.3);
    UIView::setAnimationBeginsFromCurrentState(true);
    translateStrips({0, -v});
    if (primaryViewController_) {
        UIView* page = primaryViewController_->view();
        CGRect bounds = page->bounds();
        bounds.size.height -= keyboardSquishAmount_;
        page->setBounds(bounds);
    }
    UIView::commitAnimations();
    const auto* info = std::any_cast<Value>(&notification.userInfo());
    if (primaryViewController_ && info && info->contains("row") && info->contains("section")) {
        const int row = (*info)["row"].asInt();
        const int section = (*info)["section"].asInt();
        CCGenericTableView* table = primaryViewController_->tableView();
        if (table && section >= 0 && section < table->numberOfSections() && row >= 0 &&
            row < table->numberOfRowsInSection(section)) {
            table->scrollToRowAtIndexPath({section, row}, UITableView::kScrollNone, true);
        }
    }
}

void CCPullTabViewController::keyboardWillDisappear(const Notification&)
{
    if (state_ != kStateFullVisibility || !currentEditingItem_) return;
    currentEditingItem_ = nullptr;
    const CGPoint back = keyboardViewOffset_;
    offset_ = {offset_.x - back.x, offset_.y - back.y};
    keyboardViewOffset_ = {0, 0};
    UIView::beginAnimations("keyboardDisplay");
    UIView::setAnimationDuration(0.3);
    translateStrips(back);
    if (primaryViewController_) {
        UIView* page = primaryViewController_->view();
        CGRect bounds = page->bounds();
        bounds.size.height += keyboardSquishAmount_;
        page->setBounds(bounds);
    }
    UIView::commitAnimations();
}

void CCPullTabViewController::closeKeyboard()
{
    if (keyboardViewOffset_.x <= 0 && keyboardViewOffset_.y <= 0) return;
    keyboardViewOffset_ = {0, 0};
    CCSkinnedView* editing = currentEditingItem_;
    currentEditingItem_ = nullptr;
    if (editing && editing->textField()) editing->textField()->resignFirstResponder();
}

float CCPullTabViewController::keyboardSquishAmountForTableView() const
{
    if (!primaryViewController_ || isPad()) return 0;
    UIView* page = primaryViewController_->view();
    UIWindow* window = UIWindow::keyWindow();
    if (!window) return 0;
    const CGRect bounds = page->bounds();
    CGPoint probe = page->convertPointToView({bounds.origin.x + bounds.size.width / 2, bounds.origin.y + bounds.size.height},
                                             nullptr);
    const CGRect screen = window->bounds();
    float d = 0;
    // The probe walks down in growing steps until it leaves the window; the
    // walk is bounded by the window's height, whatever the geometry.
    int steps = 0;
    while (CGRectContainsPoint(screen, probe) && steps++ < 10000) {
        d += 5;
        probe.y += d;
    }
    d -= 5;
    const Value keyboard = keyboardDataFromThemeFileForOrientation(orientation());
    const float k = float(themeNumber(keyboard["height"]));
    const float o = float(themeNumber(keyboard["offset"]));
    const float s = k - d - o;
    if (s < 0) return 0;
    return std::fmin(s, k - o);
}

// ---- the strips' delegate ----

std::optional<std::string> CCPullTabViewController::normalImageForTabOrButton(const Value& item,
                                                                             const std::string& itemId)
{
    if (selectedTabId_ && *selectedTabId_ == itemId) {
        return textOf(item[state_ == kStateTabVisible ? "expandimage" : "contractimage"]);
    }
    return textOf(item["image"]);
}

std::optional<std::string> CCPullTabViewController::depressedImageForTabOrButton(const Value&, const std::string&)
{
    return std::string();
}

void CCPullTabViewController::setBackButtonDisabled(bool disabled, bool lazy)
{
    if (!portraitPullTabView_ || !landscapePullTabView_) return;
    const std::string wanted = disabled ? "backbutton" : "";
    if (lazy && portraitPullTabView_->disabledItem() == wanted) return;
    portraitPullTabView_->setDisabledItem(wanted);
    landscapePullTabView_->setDisabledItem(wanted);
    redrawStrips();
}

void CCPullTabViewController::setDepressedTab(const std::string& tabId)
{
    if (portraitPullTabView_) portraitPullTabView_->setDepressedButton(tabId);
    if (landscapePullTabView_) landscapePullTabView_->setDepressedButton(tabId);
}

void CCPullTabViewController::skinnedViewButtonPressed(CCSkinnedView& view, const std::string& itemId,
                                                       const std::string& itemType, const Value& themeUrl)
{
    if (itemType != "tab") {
        if (itemId == "backbutton" && urlHistoryCount() >= 2) popViewWithAnimation(kAnimationNone);
        return;
    }
    const bool selected = selectedTabId_ && *selectedTabId_ == itemId;
    if (!selectedTabId_ || selected || state_ == kStateTabVisible) {
        observeFetchManager();
        bannerTouchActivation_ = true;
        changeState();
    }
    if ((selected && urlHistoryCount() == 1) || state_ == kStateTabVisible) return;
    selectTab(view, itemId);
    doOpenUrlOnTab(textOf(themeUrl));
    CCDataStore::sharedInstance()->logUsageDataForTabActivated(itemId);
}

// ---- tab pages ----

Value CCPullTabViewController::paramDictionary(const std::string& path) const
{
    if (path != kNewsPath) return Value::dictionary({{"inTabbedView", Value("1")}});
    CCDataStore* store = CCDataStore::sharedInstance();
    const double height = contentRectFromThemeFile().size.height;
    Value params = Value::dictionary({{"maxH", Value(std::to_string(static_cast<int>(height)))},
                                      {"minsSinceInstall", Value(minsSinceInstall_)},
                                      {"sessionNumber", Value(std::to_string(store->appSessionCountSinceInstall()))},
                                      {"optOut", Value(std::to_string(store->userOptOut() ? 1 : 0))}});
    if (!lastBannerId_.empty()) params.set("lastBannerId", Value(lastBannerId_));
    return params;
}

std::string CCPullTabViewController::tabPageUrl(const std::string& path) const
{
    return urlStringUsingDomain(CCLumoraService::liteBaseUrl(), path, paramDictionary(path))
        .value_or(CCLumoraService::liteBaseUrl() + path);
}

void CCPullTabViewController::reviseInitialState(const CCUIDescription* page)
{
    if (!page) return;
    if (page->isUIControlClosed()) initialState_ = kStateTabVisible;
    else if (initialState_ == kStateTabVisible && page->isUIControlOpen()) {
        initialState_ = twoStageMode_ ? kStateFullVisibility : kStateNews;
    }
}

void CCPullTabViewController::doDoOpenUrlOnTab(const std::string& path)
{
    // The last banner seen may have changed since the controller was made.
    const Value& stored = CCDataStore::sharedInstance()->lastBannerId();
    if (stored.isString()) lastBannerId_ = stored.asString();
    const std::string url = tabPageUrl(path);
    CCFetchManager* fetcher = CCFetchManager::sharedInstance();
    Ref<CCUIDescription> record = dynamicRef<CCUIDescription>(fetcher->serverDataForURL(url));
    if (record && record->isCacheControlNoCache()) {
        fetcher->clearUrlFromCache(url);
        record = nullptr;
    }
    if (initialState_ != kStateTabVisible || !record) {
        if (record && record->isUIControlClosed()) initialState_ = kStateTabVisible;
        if (!record) record = tabPageRecord(url);
    } else if (record->isUIControlOpen()) {
        initialState_ = twoStageMode_ ? kStateFullVisibility : kStateNews;
    }
    pushView(record, selectedTabId_, urlHistoryCount() > 0 ? kAnimationForward : kAnimationNone, false);
    if (CCScreenSession* session = CCScreenSession::shared()) session->updateLumoraLastViewedTimestamp();
    backgroundThreadRunning_ = false;
}

void CCPullTabViewController::disableNewsfeedScrolling()
{
    userScrollEnabled_ = false;
    if (incomingViewController_ && incomingViewController_->tableView()) {
        incomingViewController_->tableView()->setScrollEnabled(false);
    }
}

void CCPullTabViewController::pushView(const Ref<CCUIDescription>& pushed, const std::optional<std::string>& tabId,
                                       int animation, bool noStackPush)
{
    if (!pushed || !view()) return;
    // The base pushes every tapped link with code 1; only 0 and 4 keep their
    // meaning, anything else slides the page in.
    if (animation != kAnimationNone && animation != kAnimationBack) animation = kAnimationForward;
    Ref<CCUIDescription> page = leaderboardSubstitute(pushed);
    if (!page) return;
    UIView::setAnimationsEnabled(false);
    UIView::setAnimationsEnabled(true);
    if (tabId) setDepressedTab(*tabId);
    currentUIDescription_ = page;
    if (page->dataAvailable()) bannerOverrides_ = bannerOverridesFromCurrentUiDescription(page.get());

    Ref<CCFormModel> form = recordPushInHistory(page->url(), animation, noStackPush);
    dropIncomingPage();
    incomingViewController_ =
        makeRef<CCGenericTableViewController>(page, form, this, "", "", urlHistoryCount() > 1);
    if (page->url().find(kNewsPath) != std::string::npos) disableNewsfeedScrolling();
    else userScrollEnabled_ = true;
    if (state_ == kStateOffscreen) {
        if (twoStageMode_) showPullTab();
        else incomingViewController_->setPrefetchImageUrls(true);
    }
    UIView* incoming = incomingViewController_->view();
    incoming->setTransform(CGAffineTransformIdentity);
    incoming->setFrame(contentRectFromThemeFile());
    incoming->setTransform(transformForAnimation(animation == kAnimationBack));
    if (CCSkinnedView* strip = visiblePullTabView()) {
        UIView* shown = primaryViewController_ ? primaryViewController_->view() : nullptr;
        if (animation == kAnimationBack && shown && shown->superview() == strip) strip->insertSubviewBelow(incoming, shown);
        else if (shown && shown->superview() == strip) strip->insertSubviewAbove(incoming, shown);
        else {
            strip->addSubview(incoming);
            strip->sendSubviewToBack(incoming);
        }
    }
    bringOverlaysToFront();

    if (animation != kAnimationNone) {
        beginIncomingAnimation();
        if (animation == kAnimationBack) {
            if (primaryViewController_) primaryViewController_->view()->setTransform(transformForAnimation(false));
        } else {
            incoming->setTransform(transformForAnimation(true));
        }
        UIView::commitAnimations();
    } else {
        incoming->setTransform(transformForAnimation(true));
        endPushOnNextTurn();
    }
}

void CCPullTabViewController::doEndAnimations()
{
    if (!incomingViewController_) return;
    CCTabPagesNavController::doEndAnimations();
    if (state_ == kStateNews) setHeightAndTransformForBanner();
}

void CCPullTabViewController::popViewWithAnimation(int animation)
{
    const size_t before = urlHistoryCount();
    if (before < 2) return;
    removeLastUrlHistoryItem();
    if (urlHistoryCount() == 1) setBackButtonDisabled(true, true);
    pushPreviousPage(animation);
    if (!twoStageMode_ && before == 2) changeState();
}

Value CCPullTabViewController::findFirstTabUrlAndId() const
{
    for (const Value& item : portraitSkin_["items"].isArray() ? portraitSkin_["items"].asArray() : Value::Array {}) {
        if (item["type"].stringView() == "tab") return Value::dictionary({{"href", item["href"]}, {"id", item["id"]}});
    }
    return Value();
}

Value CCPullTabViewController::findTabUrlForId(const std::string& tabId) const
{
    for (const Value& item : portraitSkin_["items"].isArray() ? portraitSkin_["items"].asArray() : Value::Array {}) {
        if (item["type"].stringView() == "tab" && item["id"].isString() && item["id"].stringView() == tabId) {
            return Value::dictionary({{"href", item["href"]}, {"id", item["id"]}});
        }
    }
    return Value();
}

void CCPullTabViewController::prefetchUrls()
{
    for (const Value& item : portraitSkin_["items"].isArray() ? portraitSkin_["items"].asArray() : Value::Array {}) {
        if (item["href"].isString()) {
            CCFetchManager::sharedInstance()->prefetchURL(CCLumoraService::liteBaseUrl() + item["href"].asString());
        }
    }
}

void CCPullTabViewController::prefetchUrlLoaded()
{
    Ref<CCPullTabViewController> self(this);
    RunLoop::performOnMain([self] { self->showPullTab(); });
}

void CCPullTabViewController::noPrefetchUrlsToLoad() { prefetchUrlLoaded(); }

// ---- page callbacks ----

void CCPullTabViewController::genericTableViewControllerGotBackNav()
{
    backButtonPressed_ = true;
    CCTabPagesNavController::genericTableViewControllerGotBackNav();
}

void CCPullTabViewController::onlyPageFailedToLoad()
{
    changeStateFrom(state_, kStateTabVisible, 0.1, "pull_contract");
}

void CCPullTabViewController::genericTableViewControllerScrollViewWillBeginDragging(CCGenericTableViewController&)
{
    isDragging_ = true;
}

void CCPullTabViewController::genericTableViewControllerScrollViewDidEndDragging(CCGenericTableViewController&, bool)
{
    isDragging_ = false;
}

void CCPullTabViewController::genericTableViewControllerScrollViewDidEndDecelerating(CCGenericTableViewController&)
{
    isDragging_ = false;
}

// ---- taps and page loads ----

void CCPullTabViewController::listItemSelectedNotification(const Notification& notification)
{
    if (!isIntendedRecipientOfNotification(notification)) return;
    const auto* link = std::any_cast<CCTableLinkInfo>(&notification.userInfo());
    if (!link) return;
    const Value& url = link->info["url"];
    if (url.isString() && state_ != kStateFullVisibility && !beginsWith(url.asString(), "lumora-affiliate://") &&
        !beginsWith(url.asString(), "itms://")) {
        changeStateFrom(state_, kStateFullVisibility, 0.4, "pull_expand_2");
    }
    forwardTappedLink(notification, *link);
}

void CCPullTabViewController::fetchUpdateNotification(const Notification& notification)
{
    const auto* info = std::any_cast<Value>(&notification.userInfo());
    std::string url;
    if (info && (*info)["url"].isString()) url = (*info)["url"].asString();
    else if (currentUIDescription_) url = currentUIDescription_->url();
    if (url.empty()) return;
    CCFetchManager* fetcher = CCFetchManager::sharedInstance();
    if (earnVCRedirectUrl() && *earnVCRedirectUrl() == url) {
        setEarnVCRedirectUrl(std::nullopt);
        Ref<CCAbstractServerData> record = fetcher->serverDataForURL(url);
        if (record && record->mainData()["lumora-affiliate"].isString()) {
            initiateAffiliateRedirect(record->mainData()["lumora-affiliate"].asString());
        }
        return;
    }
    if (createSmsUrl() && *createSmsUrl() == url) {
        setCreateSmsUrl(std::nullopt);
        Ref<CCAbstractServerData> record = fetcher->serverDataForURL(url);
        const Value& sms = record ? record->mainData()["createsms"] : Value::null();
        if (sms.isDict() && sms["recipients"].isArray()) {
            std::vector<std::string> recipients;
            for (const Value& each : sms["recipients"].asArray()) recipients.push_back(textOf(each));
            initiateSendSMSMessage(textOf(sms["sms-text"]), recipients);
            return;
        }
    }
    if (startChallengeUrl() && *startChallengeUrl() == url) {
        setStartChallengeUrl(std::nullopt);
        Ref<CCAbstractServerData> record = fetcher->serverDataForURL(url);
        if (!record || !record->mainData().isDict()) {
            if (CCScreenSession* session = CCScreenSession::shared()) session->notifyStartChallengeConfirmed();
            return;
        }
    }
    if (!currentUIDescription_ || url != currentUIDescription_->url() || !info) return;
    const int status = (*info)["status"].asInt();
    if (status == 0 || status == 3) {
        if (twoStageMode_) {
            changeStateFrom(state_, kStateFullVisibility, 0.4, "pull_expand_2");
        } else {
            later([this] { doDeactivation(); });
        }
    } else if (status == 1) {
        Ref<CCUIDescription> page = dynamicRef<CCUIDescription>(fetcher->serverDataForURL(url));
        if (!page) return;
        currentUIDescription_ = page;
        const Value element = page->flatUIElement();
        for (CCSkinnedView* strip : {portraitPullTabView_.get(), landscapePullTabView_.get()}) {
            if (strip) strip->updateWithUIElement(element, nullptr, true);
        }
        redrawStrips();
        reviseInitialState(page.get());
    }
}

// ---- sign-in changes and modes ----

void CCPullTabViewController::userSignedInChange()
{
    Value tab = selectedTabId_ ? findTabUrlForId(*selectedTabId_) : Value();
    if (tab.isNull()) tab = findFirstTabUrlAndId();
    if (tab.isNull()) return;
    const std::string url = CCLumoraService::liteBaseUrl() + textOf(tab["href"]);
    emptyUrlHistory();
    CCFetchManager::sharedInstance()->clearUrlFromCache(url);
    const std::string tabId = textOf(tab["id"]);
    later([this, tabId, url] { activateGlobalNavUiAsGuest(false, tabId, url); });
}

// ---- pictures ----

void CCPullTabViewController::initiateImagePickerWithType(int sourceType, const std::string& url, CGRect rect,
                                                          UIView* view)
{
    pendingUrlString_ = url;
    pendingImagePickerType_ = sourceType;
    const auto source = static_cast<UIImagePickerController::SourceType>(sourceType);
    if (isPad()) {
        // The tablet shows the picker in a popover beside the tapped row,
        // its width less the room the arrow's side needs.
        closeImagePicker();
        auto picker = makeRef<UIImagePickerController>();
        if (!UIImagePickerController::availableMediaTypesForSourceType(source).empty())
            picker->setMediaTypes({"public.image"});
        picker->setSourceType(source);
        picker->setAllowsEditing(true);
        picker->setDelegate(this);
        imagePickerPopover_ = makeRef<UIPopoverController>(picker.get());
        imagePickerPopover_->setDelegate(this);
        CGRect from = rect;
        from.size.width -= 270;
        imagePickerPopover_->presentPopoverFromRect(from, view, UIPopoverController::kArrowLeft, true);
        return;
    }
    CCScreenSession* session = CCScreenSession::shared();
    UIWindow* window = session ? session->getTopApplicationWindow() : nullptr;
    if (!window) return;
    // The phone's picker sits on a dimmed underlay over the whole window,
    // presented on the loop's next turn.
    if (imagePickerUnderlay_) imagePickerUnderlay_->view()->removeFromSuperview();
    imagePickerUnderlay_ = makeRef<CCImagePickerUnderlay>();
    imagePickerUnderlay_->view()->setFrame(window->bounds());
    window->addSubview(imagePickerUnderlay_->view());
    Ref<CCImagePickerUnderlay> underlay = imagePickerUnderlay_;
    later([this, underlay, source] {
        if (imagePickerUnderlay_ == underlay) underlay->initiateImagePickerWithType(source, this);
    });
}

void CCPullTabViewController::imagePickerControllerDidFinishPickingMediaWithInfo(UIImagePickerController&,
                                                                               const UIImagePickerMediaInfo& info)
{
    imagePicked(info.editedImage ? info.editedImage.get() : info.originalImage.get());
}

void CCPullTabViewController::imagePickerControllerDidCancel(UIImagePickerController&)
{
    if (imagePickerPopover_) closeImagePicker();
    else dismissImagePickerUnderlay();
}

void CCPullTabViewController::popoverControllerDidDismissPopover(UIPopoverController& popover)
{
    if (&popover == imagePickerPopover_.get()) imagePickerPopover_ = nullptr;
}

void CCPullTabViewController::closeImagePicker()
{
    Ref<UIPopoverController> popover = std::move(imagePickerPopover_);
    if (!popover) return;
    if (auto* picker = dynamic_cast<UIImagePickerController*>(popover->contentViewController()))
        picker->setDelegate(nullptr);
    popover->dismissPopoverAnimated(true);
}

void CCPullTabViewController::imagePicked(const Image* image)
{
    Ref<CCPullTabViewController> self(this);
    const bool posted = image && doImagePickerWithImage(image, pendingUrlString_);
    if (posted) closeImagePicker();
    dismissImagePickerUnderlay();
}

void CCPullTabViewController::dismissImagePickerUnderlay()
{
    if (!imagePickerUnderlay_) return;
    if (auto* picker = dynamic_cast<UIImagePickerController*>(imagePickerUnderlay_->modalViewController()))
        picker->setDelegate(nullptr);
    imagePickerUnderlay_->dismissModalViewControllerAnimated(true);
    clearUnderlaySoon([] {
        const int current = orientation();
        if (isLandscape(current)) Application::sharedApplication().setStatusBarOrientation(current);
    });
}

// ---- deactivation ----

void CCPullTabViewController::deactivateWithAnimation(bool animated)
{
    if (state_ != kStateOffscreen && animated) {
        changeStateFrom(state_, kStateOffscreen, 0.15, "deactivate");
        return;
    }
    if (state_ == kStateOffscreen && !primaryViewController_) return;
    doDeactivation();
}

void CCPullTabViewController::doDeactivation() { finishDeactivation(); }

void CCPullTabViewController::tellOwnerDeactivated()
{
    if (CCPullTabViewControllerDelegate* delegate = std::exchange(delegate_, nullptr))
        delegate->onPullTabViewControllerDeactivated();
}

void CCPullTabViewController::removePrimaryView()
{
    if (!primaryViewController_) return;
    CCTabPagesNavController::removePrimaryView();
    currentUIDescription_ = nullptr;
}

void CCPullTabViewController::cleanUp()
{
    if (!beginCleanUp()) return;
    closeKeyboard();
    endBannerScroll();
    for (Ref<NSTimer>* timer : {&resetTimer_, &underlayTimer_}) {
        if (*timer) (*timer)->invalidate();
        *timer = nullptr;
    }
    currentUIDescription_ = nullptr;
    if (portraitOverlay_) portraitOverlay_->removeFromSuperview();
    if (landscapeOverlay_) landscapeOverlay_->removeFromSuperview();
    portraitOverlay_ = nullptr;
    landscapeOverlay_ = nullptr;
    parentView_ = nullptr;
    portraitPullTabLaunchString_.clear();
    landscapePullTabLaunchString_.clear();
    for (Ref<CCSkinnedView>* strip : {&portraitPullTabView_, &landscapePullTabView_}) {
        if (!*strip) continue;
        (*strip)->setDelegate(nullptr);
        (*strip)->removeFromSuperview();
        *strip = nullptr;
    }
    portraitSkin_ = Value();
    landscapeSkin_ = Value();
    dropIncomingPage();
    if (blockUiViewController()) blockUserInput(false);
    selectedTabId_.reset();
    leaderboardId_.clear();
    frameData_ = Value();
    if (imagePickerUnderlay_) {
        if (auto* picker = dynamic_cast<UIImagePickerController*>(imagePickerUnderlay_->modalViewController()))
            picker->setDelegate(nullptr);
        imagePickerUnderlay_->view()->removeFromSuperview();
    }
    imagePickerUnderlay_ = nullptr;
    closeImagePicker();
    if (isViewLoaded()) view()->removeFromSuperview();
}

} // namespace mw
