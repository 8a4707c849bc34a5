#include "social/CCGenericTableViewController.h"

#include "foundation/Log.h"
#include "foundation/Notification.h"
#include "foundation/NotificationCenter.h"
#include "foundation/RunLoop.h"
#include "platform/ImageSources.h"
#include "social/CCDataStore.h"
#include "social/CCLoginHandler.h"
#include "social/CCFetchManager.h"
#include "social/CCPrivateSession.h"
#include "social/CCStorePurchases.h"
#include "social/CCTheming.h"
#include "social/records/CCServerRecords.h"
#include "social/support/Reachability.h"
#include "social/ui/UIWindow.h"

namespace mw {

namespace {

constexpr const char* kGoBack = "lumora://goback";

bool contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

std::string textOf(const Value& value) { return value.isString() ? value.asString() : std::string(); }

// The form ids that submit, with the keys they add to the link.
bool isImageSubmit(const std::string& formId)
{
    return formId == "imagesubmitlibrary" || formId == "imagesubmitcamera" || formId == "imagesubmitalbum";
}

bool gameCentreOn()
{
    CCPrivateSession* session = CCPrivateSession::sharedInstance();
    return session && session->isGameCenterSupportEnabled();
}

bool gameCentrePlayerSignedIn()
{
    CCPrivateSession* session = CCPrivateSession::sharedInstance();
    return session && session->isLocalPlayerAuthenticated();
}

// Whether the store knows the product; before any products request none is known.
bool storeKnowsProduct(const std::string& productId)
{
    return CCSKProductInfo::checkForSharedInstance() &&
           CCSKProductInfo::sharedInstance()->productForProductId(productId) != nullptr;
}

bool isUnusable(const Value& element)
{
    const std::string formId = textOf(element["formid"]);
    std::shared_ptr<ImageSources> sources = ImageSources::sharedInstance();
    if (formId == "imagesubmitlibrary" && !sources->isSourceTypeAvailable(ImageSources::kPhotoLibrary)) return true;
    if (formId == "imagesubmitcamera" && !sources->isSourceTypeAvailable(ImageSources::kCamera)) return true;
    if (formId == "imagesubmitalbum" && !sources->isSourceTypeAvailable(ImageSources::kSavedPhotosAlbum)) return true;
    CCPrivateSession* session = CCPrivateSession::sharedInstance();
    if (formId == "submitcontactsnumbers" && !(session && session->isSMSMessagingSupported())) return true;
    const std::string href = textOf(element["href"]);
    if (href == "lumora://twitterinvite") {
        auto* manager = dynamic_cast<CCSocialNetworkManager*>(session ? session->managerForService("twitter") : nullptr);
        if (!manager || !manager->canSendTweet()) return true;
    }
    if (href == "lumora://gamecenterlogin" && !(gameCentreOn() && !gameCentrePlayerSignedIn())) return true;
    if ((href == "lumora://gamecenterachievements" || href.rfind("lumora://gamecenterleaderboards", 0) == 0) &&
        !(gameCentreOn() && gameCentrePlayerSignedIn())) {
        return true;
    }
    if (element.contains("productID") && !storeKnowsProduct(textOf(element["productID"]))) {
        return true;
    }
    return false;
}

} // namespace

// ---------------------------------------------------------------- cell

CCSkinnedTableViewCell::CCSkinnedTableViewCell(Value element, Value skin, std::string reuseIdentifier,
                                               Ref<CCFormModel> formModel, bool shouldCache,
                                               CCSkinnedViewDelegate* delegate)
    : UITableViewCell(std::move(reuseIdentifier))
{
    const bool href = element.contains("href");
    skinned_ = makeRef<CCSkinnedView>(std::move(element), std::move(skin), contentView()->bounds(), std::move(formModel),
                                      shouldCache);
    skinned_->setAutoresizingMask(kFlexibleWidth | kFlexibleHeight);
    skinned_->setTag(kSkinnedViewTag);
    skinned_->setDelegate(delegate);
    CCPrivateSession* session = CCPrivateSession::sharedInstance();
    if (!(session && session->isRunningOniPad()) && href) skinned_->setShouldHighlightOnTouch(true);
    contentView()->addSubview(skinned_.get());
}

void CCSkinnedTableViewCell::updateWithUIElement(Value element, Ref<CCFormModel> formModel, bool shouldCache)
{
    skinned_->updateWithUIElement(std::move(element), std::move(formModel), shouldCache);
    skinned_->setNeedsDisplay();
}

void CCSkinnedTableViewCell::setSelected(bool selected, bool animated)
{
    skinned_->setHighlighted(selected);
    UITableViewCell::setSelected(selected, animated);
}

void CCSkinnedTableViewCell::setIndexPath(NSIndexPath path) { skinned_->setTableIndexPath(path.section, path.row); }

float CCSkinnedTableViewCell::determineHeightForRow()
{
    skinned_->updateFrameForContent();
    return skinned_->frame().size.height;
}

// ---------------------------------------------------------------- page

CCGenericTableViewController::CCGenericTableViewController(Ref<CCUIDescription> description, Ref<CCFormModel> formModel,
                                                           CCMainNavControllerInterface* navController,
                                                           std::string progressSkin, std::string progressSkinNoBack,
                                                           bool backBar)
    : description_(std::move(description)), backBar_(backBar), formModel_(std::move(formModel)),
      progressSkin_(std::move(progressSkin)), progressSkinNoBack_(std::move(progressSkinNoBack)),
      navController_(navController)
{
    if (!formModel_) formModel_ = makeRef<CCFormModel>();
    NotificationCenter& centre = NotificationCenter::defaultCenter();
    centre.removeObserver(this);
    if (!description_) return;
    CCGenericTableViewController* self = this;
    centre.addObserver(this, description_->url(), nullptr,
                       [self](const Notification& notification) { self->fetchUpdateNotification(notification); });
    CCPrivateSession* session = CCPrivateSession::sharedInstance();
    if (description_->dataAvailable()) {
        removeUnsupportedElementsFromUiDescription(description_.get());
        description_->queuePrefetchItemsWithBasePriority(100);
        Ref<CCGenericTableViewController> hold(this);
        RunLoop::main().perform([hold] { hold->doCheckPrefetchImageUrls(); });
        if (backBar_) CCTheming::addBackButtonBarToUiDescription(description_.get());
        if (description_->isCacheControlUpdatePlayerData() && session) session->sendUpdatePlayerNotification();
        if (description_->isCacheControlSwitchedUser()) CCLoginHandler::sharedInstance()->userWasSwitched();
        if (description_->isCacheControlMutable()) startRefreshTimer();
    } else {
        showProgressIndicator();
        CCFetchManager::sharedInstance()->queueServerData(Ref<CCAbstractServerData>(description_.get()), 10, 0);
    }
    if (description_->viewTitle().isString()) title_ = description_->viewTitle().asString();
    const Value redirect = description_->uiElementForRedirect();
    if (!redirect.isNull()) {
        Ref<CCGenericTableViewController> hold(this);
        RunLoop::main().perform([hold, redirect] { hold->handleRedirectElement(redirect); });
    }
}

CCGenericTableViewController::~CCGenericTableViewController()
{
    cancelRefreshTimer();
    NotificationCenter::defaultCenter().removeObserver(this);
    if (table_) {
        table_->setDataSource(nullptr);
        table_->setDelegate(nullptr);
        table_->removeFromSuperview();
    }
    removeProgressIndicator();
    // The dialog goes with the page, at once: the last hold on a page may
    // be a timer that the run loop is letting go of under its own lock, so
    // nothing here may hand work to the run loop.
    if (modal_) {
        modal_->setDelegate(nullptr);
        modal_->view()->removeFromSuperview();
        modal_ = nullptr;
    }
}

void CCGenericTableViewController::willDealloc()
{
    if (table_) {
        table_->setDelegate(nullptr);
        for (UITableViewCell* cell : table_->visibleCells()) {
            if (auto* skinned = dynamic_cast<CCSkinnedTableViewCell*>(cell)) {
                if (skinned->skinnedView()->delegate() == this) skinned->skinnedView()->setDelegate(nullptr);
            }
        }
    }
    navController_ = nullptr;
}

CCGenericTableView* CCGenericTableViewController::tableView()
{
    view();
    return table_.get();
}

void CCGenericTableViewController::loadView()
{
    UIWindow* window = UIWindow::keyWindow();
    const CGRect frame = window ? window->bounds() : CGRect {0, 0, 320, 480};
    table_ = makeRef<CCGenericTableView>(frame);
    table_->setAutoresizingMask(UIView::kFlexibleWidth | UIView::kFlexibleHeight);
    CCTheming* theme = CCTheming::sharedInstance();
    table_->setSeparatorStyle(theme->getMasterConfigTableSeparatorStyle());
    table_->setSeparatorColour(theme->getMasterConfigTableItemSeparatorColor());
    table_->setSectionHeaderHeight(static_cast<float>(theme->getMasterConfigTableHeaderHeight()));
    table_->setSectionHeaderColour(theme->getMasterConfigTableHeaderColour());
    table_->setIndicatorStyle(theme->getMasterConfigScrollIndicatorStyle());
    table_->setDataSource(this);
    table_->setDelegate(this);
    CCGenericTableViewController* self = this;
    CCPrivateSession* session = CCPrivateSession::sharedInstance();
    if (session && session->isRunningOniPad()) {
        table_->setSwipeHandler([self](int direction) { self->handleSwipe(direction); });
    }
    setView(table_.get());
    setBackgroundForTableView();
    table_->reloadData();
    if (tabLoadingView_ && !tabLoadingView_->superview()) table_->addSubview(tabLoadingView_.get());
    if (progressIndicator_ && !progressIndicator_->superview()) table_->addSubview(progressIndicator_.get());
}

void CCGenericTableViewController::setBackgroundForTableView()
{
    if (!table_) return;
    CCTheming* theme = CCTheming::sharedInstance();
    if (theme->backgroundImageInTheme()) {
        // The pad's background picture shows through a clear table.
        table_->setBackgroundColor(std::nullopt);
    } else {
        table_->setBackgroundColor(theme->getMasterConfigTableBackgroundColour());
    }
}

bool CCGenericTableViewController::shouldAutorotateToInterfaceOrientation(int orientation)
{
    return CCTheming::sharedInstance()->shouldAutorotateToInterfaceOrientationStockAnswer(orientation);
}

void CCGenericTableViewController::viewDidAppear(bool)
{
    if (navController_ && description_ && description_->dataAvailable()) {
        navController_->genericTableViewControllerLoadedPage(*this);
    }
}

// ---- table data ----

int CCGenericTableViewController::numberOfSectionsInTableView(UITableView&)
{
    if (!description_ || description_->numberOfGroups() == 0) return 1;
    return description_->numberOfGroups();
}

int CCGenericTableViewController::numberOfRowsInSection(UITableView&, int section)
{
    return description_ ? description_->itemsInGroup(section) : 0;
}

std::optional<std::string> CCGenericTableViewController::titleForHeaderInSection(UITableView&, int section)
{
    if (!description_) return std::nullopt;
    const Value title = description_->titleForGroup(section);
    if (!title.isString()) return std::nullopt;
    return title.asString();
}

Ref<UITableViewCell> CCGenericTableViewController::cellForRowAtIndexPath(UITableView& table, NSIndexPath path)
{
    if (!description_ || !description_->dataAvailable()) return nullptr;
    const Value element = description_->elementForItem(path.row, path.section);
    const std::string type = textOf(description_->elementTypeForItem(path.row, path.section));
    Ref<UITableViewCell> reused = table.dequeueReusableCellWithIdentifier(type);
    Ref<UITableViewCell> cell;
    if (auto* skinned = dynamic_cast<CCSkinnedTableViewCell*>(reused.get())) {
        skinned->updateWithUIElement(element, formModel_, description_->isCacheControlInitial());
        skinned->setIndexPath(path);
        cell = reused;
    } else if (reused) {
        cell = reused;
    } else {
        const Value& skin = CCTheming::sharedInstance()->getSkinDescription(type);
        if (!skin.isNull()) {
            auto made = makeRef<CCSkinnedTableViewCell>(element, skin, type, formModel_,
                                                        description_->isCacheControlInitial(), this);
            made->setIndexPath(path);
            cell = Ref<UITableViewCell>(made.get());
        } else {
            // A row whose type has no skin: an empty cell of the default height.
            cell = makeRef<UITableViewCell>(type);
        }
    }
    if (backBar_ && path.section == 0 && path.row == 0 && element["type"].stringView() == "back_bar") {
        if (auto* skinned = dynamic_cast<CCSkinnedTableViewCell*>(cell.get())) skinned->skinnedView()->setDelegate(this);
    }
    return cell;
}

float CCGenericTableViewController::heightForRowAtIndexPath(UITableView& table, NSIndexPath path)
{
    if (!description_ || !description_->dataAvailable()) return table.rowHeight();
    auto over = rowHeightOverrides_.find(path);
    if (over != rowHeightOverrides_.end()) return over->second;
    const Value element = description_->elementForItem(path.row, path.section);
    const std::string type = textOf(element["type"]);
    const Value& skin = CCTheming::sharedInstance()->getSkinDescription(type);
    if (skin.isNull()) return table.rowHeight();
    if (CCTheming::itemIsStretchy(skin)) {
        CCSkinnedTableViewCell probe(element, skin, std::string(), nullptr, false, nullptr);
        const float height = probe.determineHeightForRow();
        if (height > 0) return height;
    }
    if (type == "lite_banner" && navController_ && navController_->isPullTabController()) {
        const Value overrides = navController_->bannerOverridesFromCurrentUiDescription(description_.get());
        for (const Value& entry : overrides.asArray()) {
            if (entry["elementIndex"].asInt() == path.row && entry["height"].asFloat() != 0) {
                return entry["height"].asFloat();
            }
        }
    }
    return CCSkinnedView::skinItemForId("background", skin)["h"].asFloat();
}

// ---- selection ----

std::optional<NSIndexPath> CCGenericTableViewController::willSelectRowAtIndexPath(UITableView& table, NSIndexPath path)
{
    const std::optional<NSIndexPath> selected = table.indexPathForSelectedRow();
    willSelectCurrentlySelectedRow_ = selected && *selected == path;
    return path;
}

void CCGenericTableViewController::clearSelection()
{
    if (!table_) return;
    if (std::optional<NSIndexPath> selected = table_->indexPathForSelectedRow()) {
        table_->deselectRowAtIndexPath(*selected, false);
    }
}

void CCGenericTableViewController::showModal(Ref<CCUIDescription> dialog)
{
    if (modal_) modal_->view()->removeFromSuperview();
    modal_ = CCModalViewController::create(dialog.get(), view(), false, false,
                                           CCPrivateSession::sharedInstance()->isRunningOniPad());
    if (modal_) modal_->setDelegate(this);
    if (navController_) navController_->genericTableViewControllerLoadedPage(*this);
}

void CCGenericTableViewController::didSelectRowAtIndexPath(UITableView& table, NSIndexPath path)
{
    if (!description_) return;
    const Value element = description_->elementForItem(path.row, path.section);
    if (!element.isDict()) return;
    if (element.contains("usage")) CCDataStore::sharedInstance()->logUsageData(element["usage"], false);
    const CGRect rect = table.rectForRowAtIndexPath(path);
    if (element.contains("href") && element.contains("productID") &&
        !storeKnowsProduct(textOf(element["productID"]))) {
        pendingURL_.clear();
        pendingElement_ = element;
        pendingRect_ = rect;
        showModal(CCTheming::uiDescriptionForOneButtonDialog(
            "Unable to Purchase",
            "Unfortunately it's not possible to communicate with the StoreKit servers to purchase this item.\n\n"
            "Please try again later.",
            "OK"));
        return;
    }
    const std::string flags = textOf(element["flags"]);
    if (element["yesnoconfirm"].isString()) {
        pendingURL_ = textOf(element["href"]);
        pendingElement_ = element;
        pendingFlags_ = flags;
        pendingRect_ = rect;
        showModal(CCTheming::uiDescriptionForTwoButtonDialog("Confirmation", element["yesnoconfirm"].asString(), "Yes",
                                                             "No"));
        return;
    }
    if (element["href"].isString()) openUrlString(element["href"].asString(), element, flags, rect, &table);
}

void CCGenericTableViewController::modalViewControllerButtonPressed(CCModalViewController&, const std::string& buttonId)
{
    Ref<CCGenericTableViewController> hold(this);
    clearSelection();
    // The dialog has played its exit; it goes now.
    if (modal_) {
        modal_->view()->removeFromSuperview();
        modal_ = nullptr;
    }
    if (pendingURL_ == kGoBack) {
        pendingURL_.clear();
        if (navController_) navController_->genericTableViewControllerFailedToLoadPage(*this);
        return;
    }
    if (buttonId == "button1" && !pendingURL_.empty()) {
        const std::string url = pendingURL_;
        pendingURL_.clear();
        openUrlString(url, pendingElement_, pendingFlags_, pendingRect_, table_.get());
    }
}

void CCGenericTableViewController::skinnedViewButtonPressed(CCSkinnedView&, const std::string& itemId,
                                                            const std::string&, const Value&)
{
    if (itemId == "backbutton" && navController_ && navController_->answersGotBackNav()) {
        navController_->genericTableViewControllerGotBackNav();
    }
}

void CCGenericTableViewController::displayDialogWithUiDescription(CCUIDescription* description,
                                                                  CCModalViewDelegate* delegate)
{
    if (modal_) modal_->view()->removeFromSuperview();
    modal_ = CCModalViewController::create(description, view(), false, false,
                                           CCPrivateSession::sharedInstance()->isRunningOniPad());
    if (modal_) modal_->setDelegate(delegate);
    if (navController_) navController_->genericTableViewControllerLoadedPage(*this);
}

void CCGenericTableViewController::setAllSwitchesToOn()
{
    Value& values = formModel_->values;
    if (ValueDictionary* entries = values.mutableDict()) {
        std::vector<std::string> keys;
        for (const auto& entry : *entries) {
            if (entry.second.isNumber()) keys.push_back(entry.first);
        }
        for (const std::string& key : keys) values.set(key, Value(1));
    }
    Ref<CCGenericTableViewController> hold(this);
    RunLoop::main().perform([hold] {
        if (hold->table_) hold->table_->reloadData();
    });
}

void CCGenericTableViewController::openUrlString(const std::string& url, const Value& element, const std::string& flags,
                                                 CGRect rect, UIView* view)
{
    cancelRefreshTimer();
    if (url == "lumora://facebooklogin") clearSelection();
    if (url == "lumora://selectall") {
        setAllSwitchesToOn();
        return;
    }
    if (url == "lumora://selectitem") {
        const std::string formId = textOf(element["formid"]);
        if (!formId.empty()) formModel_->values.set(formId, Value(1 - formModel_->values[formId].asInt()));
        clearSelection();
        Ref<CCGenericTableViewController> hold(this);
        RunLoop::main().perform([hold] {
            if (hold->table_) hold->table_->reloadData();
        });
        return;
    }
    Value info = Value::dictionary({{"url", Value(url)},
                                    {"sourceurl", Value(description_ ? description_->url() : std::string())},
                                    {"rect", Value(NSStringFromCGRect(rect))}});
    if (contains(flags, "no_stack_push")) info.set("nostackpush", Value(""));
    if (contains(flags, "stack_use_redirect")) info.set("stackuseredirect", Value(""));
    if (element["sms-text"].isString()) {
        info.set("sms-text", element["sms-text"]);
    } else if (description_ && description_->mainData()["defaults"]["sms-text"].isString()) {
        info.set("sms-text", description_->mainData()["defaults"]["sms-text"]);
    }
    const std::string formId = textOf(element["formid"]);
    CCPrivateSession* session = CCPrivateSession::sharedInstance();
    auto storeContacts = [&](Value contacts) {
        if (contacts.isArray() && !contacts.empty()) formModel_->values.set("contacts", std::move(contacts));
        info.set("formsubmit", Value(""));
    };
    if (formId == "submit") {
        info.set("formsubmit", Value(""));
        info.set("nostackpush", Value(""));
    } else if (formId == "submiturlencoded") {
        info.set("formsubmiturlencoded", Value(""));
        info.set("nostackpush", Value(""));
    } else if (formId == "submitcontactsnumbers") {
        storeContacts(session->getArrayOfContactsWith(13, 4));
    } else if (formId == "submitcontactsextv2") {
        storeContacts(session->getArrayOfContactsWith(15, 4));
    } else if (formId == "submitcontactsext") {
        storeContacts(session->getArrayOfAddressBookEmailAddressesNamesAndContactIDs());
    } else if (formId == "submitcontacts") {
        storeContacts(session->getArrayOfAddressBookEmailAddresses());
    } else if (isImageSubmit(formId)) {
        info.set(formId, Value(""));
        info.set("nostackpush", Value(""));
    } else if (element.contains("publishinfo")) {
        info.set("publishinfo", element["publishinfo"]);
    } else if (element.contains("templatetext")) {
        info.set("invitetext", element["templatetext"]);
    }
    Ref<CCGenericTableViewController> self(this);
    // Posted a moment later, so that the selection handling finishes first.
    auto post = [self, hold = Ref<UIView>(view)](const Value& linkInfo) {
        CCTableLinkInfo link {linkInfo, hold};
        (void)NSTimer::scheduledTimer(0.01, false, [self, link](NSTimer*) {
            NotificationCenter::defaultCenter().postNotification(kTableLinkNotification, self.get(), link);
        });
    };
    if (formId != "getGameCenterFriends" || !gameCentreOn()) return post(info);
    session->getGameCenterLocalPlayerFriendsListWithCompletionHandler(
        [self, info, post](const CCPrivateSession::GameCenterFriends& friends,
                           const GameCenterResult& error) mutable {
            if (error) {
                logLine("%s", error->description.c_str());
            } else {
                Value aliases = Value::dictionary();
                if (friends.players)
                    for (const GameCenterPlayer& player : *friends.players)
                        aliases.set(player.playerID, Value(player.alias));
                self->formModel_->values.set("gcfriends", std::move(aliases));
                info.set("formsubmit", Value(""));
            }
            post(info);
        });
}

// ---- fetches ----

void CCGenericTableViewController::fetchUpdateNotification(const Notification& notification)
{
    Ref<CCGenericTableViewController> hold(this);
    const auto* info = std::any_cast<Value>(&notification.userInfo());
    const std::string url = info && (*info)["url"].isString() ? (*info)["url"].asString() : description_->url();
    if (url != description_->url()) return;
    const int status = info ? (*info)["status"].asInt() : -1;
    if (status == 1) {
        const bool loadingPageWasUp = static_cast<bool>(tabLoadingView_);
        removeProgressIndicator();
        Ref<CCAbstractServerData> data = CCFetchManager::sharedInstance()->serverDataForURL(url);
        if (auto* page = dynamic_cast<CCUIDescription*>(data.get())) description_ = Ref<CCUIDescription>(page);
        if (description_->dataAvailable()) {
            removeUnsupportedElementsFromUiDescription(description_.get());
            if (backBar_) CCTheming::addBackButtonBarToUiDescription(description_.get());
        }
        const Value redirect = description_->uiElementForRedirect();
        if (!redirect.isNull()) {
            handleRedirectElement(redirect);
            return;
        }
        if (description_->viewTitle().isString()) title_ = description_->viewTitle().asString();
        if (navController_ && navController_->isPullTabController()) {
            const Value overrides = navController_->bannerOverridesFromCurrentUiDescription(description_.get());
            if (!overrides.isNull() && !overrides.empty()) navController_->setBannerOverrides(overrides);
        }
        if (table_) table_->reloadData();
        description_->queuePrefetchItemsWithBasePriority(100);
        doCheckPrefetchImageUrls();
        if (description_->isCacheControlUpdateGlobalNav() && navController_) navController_->loadUiDescription();
        if (description_->isCacheControlSwitchedUser()) CCLoginHandler::sharedInstance()->userWasSwitched();
        if (description_->hasEventDictionary()) {
            NotificationCenter::defaultCenter().postNotification("lumora-event", this, description_->eventDictionary());
        }
        if (loadingPageWasUp && table_) table_->flashScrollIndicators();
        if (navController_) navController_->genericTableViewControllerLoadedPage(*this);
        if (info && info->contains("waspost") && !description_->isCacheControlRetainPostData() && navController_) {
            navController_->removeUrlStringFromFormModel(description_->sourceUrl());
        }
        if (description_->isCacheControlMutable()) startRefreshTimer();
    } else if (status == 0) {
        if (progressIndicator_) {
            progressIndicator_->removeFromSuperview();
            progressIndicator_ = nullptr;
        }
        showModal(CCTheming::uiDescriptionForNoConnection());
        pendingURL_ = kGoBack;
    } else if (status == 3) {
        if (navController_) {
            navController_->loadUiDescription();
            navController_->genericTableViewControllerFailedToLoadPage(*this);
        }
    }
    CCPrivateSession* session = CCPrivateSession::sharedInstance();
    Reachability* reach = session ? session->reachability() : nullptr;
    if (description_->containsActivateUi() && reach && reach->isReachable()) {
        if (navController_) navController_->loadUiDescription();
    }
}

void CCGenericTableViewController::handleRedirectElement(const Value& element)
{
    const std::string href = textOf(element["href"]);
    if (href.empty()) return;
    const CGRect rect = table_ ? table_->rectForRowAtIndexPath({0, 0}) : CGRectZero;
    openUrlString(href, element, textOf(element["flags"]), rect, table_.get());
}

void CCGenericTableViewController::doCheckPrefetchImageUrls()
{
    if (!prefetchImageUrls_ || !description_ || !navController_ || !navController_->answersPrefetch()) return;
    const std::vector<std::string> urls = description_->queuePrefetchImageUrls();
    if (urls.empty()) {
        navController_->noPrefetchUrlsToLoad();
        return;
    }
    CCGenericTableViewController* self = this;
    for (const std::string& url : urls) {
        NotificationCenter::defaultCenter().addObserver(this, url, nullptr, [self](const Notification& n) {
            const auto* info = std::any_cast<Value>(&n.userInfo());
            if (info && (*info)["status"].asInt() == 1 && self->navController_) self->navController_->prefetchUrlLoaded();
        });
    }
}

void CCGenericTableViewController::startRefreshTimer()
{
    cancelRefreshTimer();
    Ref<CCUIDescription> page = description_;
    refreshTimer_ = NSTimer::scheduledTimer(1.0, false, [page](NSTimer*) {
        CCFetchManager::sharedInstance()->queueServerData(Ref<CCAbstractServerData>(page.get()), 10, 0);
    });
}

void CCGenericTableViewController::cancelRefreshTimer()
{
    if (refreshTimer_) refreshTimer_->invalidate();
    refreshTimer_ = nullptr;
}

// ---- progress ----

Ref<CCSkinnedView> CCGenericTableViewController::progressSkinnedView(const std::string& skinId)
{
    const Value& skin = CCTheming::sharedInstance()->getSkinDescription(skinId);
    const CGRect frame = CCTheming::dimensionsFromItem(CCSkinnedView::skinItemForId("background", skin));
    Ref<CCSkinnedView> progress = makeRef<CCSkinnedView>(
        Value::dictionary({{"type", Value("back_bar")}, {"backtext", Value("Back")}}), skin,
        CGRect {0, 0, frame.size.width, frame.size.height}, nullptr, false);
    progress->setDelegate(this);
    return progress;
}

void CCGenericTableViewController::showProgressIndicator()
{
    CCTheming* theme = CCTheming::sharedInstance();
    if (progressSkin_.empty() || !theme->hasSkin(progressSkin_)) {
        const CGRect page = table_ ? table_->bounds() : (UIWindow::keyWindow() ? UIWindow::keyWindow()->bounds()
                                                                              : CGRect {0, 0, 320, 480});
        tabLoadingView_ = makeRef<CCTabLoadingView>(CGRect {0, 0, page.size.width, page.size.height});
        if (table_) table_->addSubview(tabLoadingView_.get());
        return;
    }
    const bool noBack = !backBar_ && !progressSkinNoBack_.empty() && theme->hasSkin(progressSkinNoBack_);
    setBackgroundForTableView();
    progressIndicator_ = progressSkinnedView(noBack ? progressSkinNoBack_ : progressSkin_);
    if (table_) table_->addSubview(progressIndicator_.get());
}

void CCGenericTableViewController::removeProgressIndicator()
{
    if (tabLoadingView_) {
        tabLoadingView_->cleanup();
        tabLoadingView_->removeFromSuperview();
        tabLoadingView_ = nullptr;
    }
    if (progressIndicator_) {
        progressIndicator_->removeFromSuperview();
        progressIndicator_ = nullptr;
    }
}

UIView* CCGenericTableViewController::progressView() const
{
    if (progressIndicator_) return progressIndicator_.get();
    return tabLoadingView_.get();
}

// ---- rows the device cannot serve ----

void CCGenericTableViewController::removeUnsupportedElementsFromUiDescription(CCUIDescription* description)
{
    if (!description) return;
    bool removed = true;
    while (removed) {
        removed = false;
        for (int group = 0; group < description->numberOfGroups() && !removed; ++group) {
            for (int item = 0; item < description->itemsInGroup(group); ++item) {
                if (isUnusable(description->elementForItem(item, group))) {
                    description->removeElementForItem(item, group);
                    removed = true;
                    break;
                }
            }
        }
    }
}

// ---- sizes, dimming, swipes ----

void CCGenericTableViewController::setContentSizeForTableView()
{
    if (table_) table_->setContentSize({320, table_->contentHeight()});
}

float CCGenericTableViewController::totalHeight()
{
    float height;
    if (progressIndicator_) {
        height = progressIndicator_->sizeThatFits(CGSizeZero).height;
    } else {
        tableView();
        if (table_->contentSize().height == 0) setContentSizeForTableView();
        height = std::max(45.0f, table_->contentSize().height);
    }
    if (modal_) height = std::max(height, 320.0f);
    return height;
}

void CCGenericTableViewController::setDimAmount(float amount)
{
    if (amount == 0 && dimming_) {
        dimming_->removeFromSuperview();
        dimming_ = nullptr;
        return;
    }
    // The cover spans the page's width and all of its rows (it scrolls with them),
    // and no more: views are not clipped, so a larger one would dim the
    // screen around the page's popover too.
    const CGRect bounds = view()->bounds();
    const CGSize content = table_ ? table_->contentSize() : CGSizeZero;
    const CGRect cover {0, 0, bounds.size.width, std::max(bounds.size.height, content.height)};
    if (dimming_) dimming_->setFrame(cover);
    if (!dimming_) {
        dimming_ = makeRef<CCEventButton>(cover);
        dimming_->setAutoresizingMask(UIView::kFlexibleWidth | UIView::kFlexibleHeight);
        dimming_->setBackgroundColor(FillColor {0, 0, 0, 1});
        CCGenericTableViewController* self = this;
        dimming_->setTouchDown([self](UIButton&) { self->dimmingButtonPressed(); });
        view()->addSubview(dimming_.get());
    }
    view()->bringSubviewToFront(dimming_.get());
    dimming_->setAlpha(amount);
}

void CCGenericTableViewController::dimmingButtonPressed()
{
    clearSelection();
    if (!navController_ || !navController_->answersGotTouchPoint()) return;
    const UIViewTouches& began = dimming_->lastBeganEvent();
    if (began.size() != 1) return;
    const CGPoint point = dimming_->convertPointFromView(began.front().windowPoint, nullptr);
    navController_->genericTableViewControllerGotTouchPoint(point, *this, *dimming_);
}

void CCGenericTableViewController::handleSwipe(int direction)
{
    // Left pops with animation 5, right with 4.
    if (navController_) navController_->popViewWithAnimation(direction < 0 ? 5 : 4);
}

void CCGenericTableViewController::scrollViewWillBeginDragging(UIScrollView&)
{
    if (navController_ && navController_->isPullTabController()) {
        navController_->genericTableViewControllerScrollViewWillBeginDragging(*this);
    }
}

void CCGenericTableViewController::scrollViewDidEndDragging(UIScrollView&, bool willDecelerate)
{
    if (navController_ && navController_->isPullTabController()) {
        navController_->genericTableViewControllerScrollViewDidEndDragging(*this, willDecelerate);
    }
}

void CCGenericTableViewController::scrollViewDidEndDecelerating(UIScrollView&)
{
    if (navController_ && navController_->isPullTabController()) {
        navController_->genericTableViewControllerScrollViewDidEndDecelerating(*this);
    }
}

} // namespace mw
