#include "social/screens/CCNavControllerBase.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "foundation/Log.h"
#include "foundation/RunLoop.h"
#include "foundation/Utf16.h"
#include "platform/Image.h"
#include "platform/URLOpener.h"
#include "social/data/CCDataStore.h"
#include "social/queues/CCFetchManager.h"
#include "social/screens/CCGenericTableViewController.h"
#include "social/data/CCLumoraLog.h"
#include "social/data/CCLumoraService.h"
#include "social/screens/CCScreenSession.h"
#include "social/services/CCTheming.h"
#include "social/queues/records/CCServerRecords.h"
#include "social/support/CCJSON.h"
#include "social/ui/UIWindow.h"

namespace mw {

namespace {

bool beginsWith(const std::string& text, std::string_view prefix) { return text.rfind(prefix, 0) == 0; }
bool contains(const std::string& text, std::string_view part) { return text.find(part) != std::string::npos; }

std::string removeAll(std::string text, std::string_view part)
{
    if (part.empty()) return text;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at))
        text.erase(at, part.size());
    return text;
}

// Every occurrence of `word`, compared without regard to ASCII case, becomes
// `replacement`.
std::string replaceAllIgnoringCase(const std::string& text, std::string_view word,
                                   std::string_view replacement)
{
    auto lower = [](std::string_view in) {
        std::string out(in);
        for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return out;
    };
    const std::string folded = lower(text);
    const std::string target = lower(word);
    std::string out;
    size_t from = 0;
    for (size_t at = folded.find(target); at != std::string::npos; at = folded.find(target, from)) {
        out.append(text, from, at - from);
        out.append(replacement);
        from = at + target.size();
    }
    out.append(text, from, std::string::npos);
    return out;
}

// Whether link text makes an address at all: not empty, and nothing an
// address may not hold (spaces, quotes, angle brackets, braces, control and
// non-ASCII bytes, a "%" that starts no escape).
bool isAddress(const std::string& text)
{
    if (text.empty()) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c <= 0x20 || c >= 0x7f) return false;
        if (std::string_view("\"<>{}|\\^`").find(static_cast<char>(c)) != std::string_view::npos)
            return false;
        if (c == '%') {
            if (i + 2 >= text.size() || !std::isxdigit(static_cast<unsigned char>(text[i + 1])) ||
                !std::isxdigit(static_cast<unsigned char>(text[i + 2])))
                return false;
        }
    }
    return true;
}

// The path components of an address as the platform counts them: "/" for a
// path that starts at the root, then each non-empty segment.
std::vector<std::string> pathComponents(const std::string& url)
{
    std::vector<std::string> parts;
    size_t start = 0;
    if (const size_t scheme = url.find("://"); scheme != std::string::npos) {
        start = url.find_first_of("/?#", scheme + 3);
        if (start == std::string::npos) return parts;
    }
    const size_t end = url.find_first_of("?#", start);
    const std::string path = url.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (path.empty()) return parts;
    if (path[0] == '/') parts.emplace_back("/");
    size_t from = 0;
    while (from <= path.size()) {
        size_t slash = path.find('/', from);
        if (slash == std::string::npos) slash = path.size();
        if (slash > from) parts.push_back(path.substr(from, slash - from));
        from = slash + 1;
    }
    return parts;
}

std::string percentUnescape(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
            out.push_back(static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16)));
            i += 2;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

std::optional<Value::Bytes> jsonBytes(const Value& value)
{
    std::optional<std::string> text = JSONRepresentation(value);
    if (!text) return std::nullopt;
    return Value::Bytes(text->begin(), text->end());
}

// The address after "lumora-http://" names one of the affiliate click hosts.
bool isAffiliateClickLink(const std::string& url)
{
    static constexpr std::string_view kScheme = "lumora-http://";
    if (!beginsWith(url, kScheme)) return false;
    for (std::string_view host :
         {CCNavControllerBase::kAffiliateClickHostA, CCNavControllerBase::kAffiliateClickHostB}) {
        if (url.compare(kScheme.size(), host.size(), host) != 0) continue;
        const size_t after = kScheme.size() + host.size();
        if (after == url.size() || std::string_view("/?#:").find(url[after]) != std::string_view::npos)
            return true;
    }
    return false;
}

std::vector<uint8_t> platformJpeg(const Image& image, float quality) { return image.encodeJPEG(quality); }
CCNavControllerBase::JpegEncoder jpegEncoder = platformJpeg;

const char* const kSmsSuggestionLinks[] = {"suggest_friend_contacts.cuid?suggest=1", "invite/contacts/send",
                                           "suggest_via_sms.cuid?suggest=1", "invite/sms"};

} // namespace

CCNavControllerBase::CCNavControllerBase() = default;

CCNavControllerBase::~CCNavControllerBase()
{
    emptyUrlHistory();
    startChallengeUrl_.reset();
    earnVCRedirectUrl_.reset();
    createSmsUrl_.reset();
    if (CCSKTransactionHandler::checkForSharedInstance()) {
        CCSKTransactionHandler* handler = CCSKTransactionHandler::sharedInstance();
        if (handler->delegate() == this) handler->setDelegate(nullptr);
    }
    if (redirectViewController_) {
        redirectViewController_->setDelegate(nullptr);
        redirectViewController_->setRedirectDidComplete(nullptr);
    }
    if (smsViewController_) smsViewController_->setSmsDelegate(nullptr);
    NotificationCenter& centre = NotificationCenter::defaultCenter();
    if (tableLinkObserver_) centre.removeObserver(tableLinkObserver_);
    for (auto id : fetchObservers_) centre.removeObserver(id);
}

void CCNavControllerBase::loadView()
{
    // A plain view until the subclass sets its own.
    if (!isViewLoaded()) UIViewControllerBase::loadView();
    if (tableLinkObserver_) return;
    tableLinkObserver_ = NotificationCenter::defaultCenter().addObserver(
        nullptr, kTableLinkNotification, nullptr,
        [this](const Notification& n) { listItemSelectedNotification(n); });
}

void CCNavControllerBase::observeFetchManager(const std::optional<std::string>& pageUrl)
{
    NotificationCenter& centre = NotificationCenter::defaultCenter();
    Object* manager = CCFetchManager::sharedInstance();
    auto handler = [this](const Notification& n) { fetchUpdateNotification(n); };
    fetchObservers_.push_back(centre.addObserver(nullptr, "", manager, handler));
    if (pageUrl) fetchObservers_.push_back(centre.addObserver(nullptr, *pageUrl, manager, handler));
}

// ---- form models and history ----

CCFormModel* CCNavControllerBase::formModelForUrl(const std::string& url) const
{
    auto found = formModelHeap_.find(url);
    return found == formModelHeap_.end() ? nullptr : found->second.get();
}

Ref<CCFormModel> CCNavControllerBase::formModelCreatingForUrl(const std::string& url)
{
    Ref<CCFormModel>& slot = formModelHeap_[url];
    if (!slot) slot = makeRef<CCFormModel>();
    return slot;
}

void CCNavControllerBase::addUrlHistoryItemWithUrl(const std::string& url)
{
    auto item = makeRef<CCViewUrlHistory>();
    item->setUrl(url);
    viewUrlStack_.push_back(item);
}

void CCNavControllerBase::updatePreviousUrlHistoryItemWithOffset(CGPoint offset)
{
    if (!viewUrlStack_.empty()) viewUrlStack_.back()->setRowOffset(offset);
}

void CCNavControllerBase::removeLastUrlHistoryItem()
{
    if (!viewUrlStack_.empty()) viewUrlStack_.pop_back();
}

CCViewUrlHistory* CCNavControllerBase::lastUrlHistoryItem() const
{
    return viewUrlStack_.empty() ? nullptr : viewUrlStack_.back().get();
}

void CCNavControllerBase::emptyUrlHistory() { viewUrlStack_.clear(); }

void CCNavControllerBase::updateurlHistoryForUrl(const std::string& url, const std::string& redirectUrl)
{
    for (auto& item : viewUrlStack_)
        if (item->url() == url) item->setUrl(redirectUrl);
}

void CCNavControllerBase::removeUrlStringFromFormModel(const std::string& url) { formModelHeap_.erase(url); }

Ref<CCUIDescription> CCNavControllerBase::newPageRecord(const std::string& url, int priority, int viewType)
{
    if (!isAddress(url)) return nullptr;
    return makeRef<CCUIDescription>(url, priority, 0, viewType);
}

Ref<CCFormModel> CCNavControllerBase::recordPushInHistory(const std::string& url, int animation,
                                                          bool noStackPush)
{
    if (noStackPush) removeLastUrlHistoryItem();
    if (animation != 0 && animation != 4) updatePreviousUrlHistoryItemWithOffset(getCurrentRowOffset());
    addUrlHistoryItemWithUrl(url);
    return formModelCreatingForUrl(url);
}

void CCNavControllerBase::selectTab(CCSkinnedView& bar, const std::string& tabId)
{
    bar.setNeedsDisplay();
    setDepressedTab(tabId);
    selectedTabId_ = tabId;
    emptyUrlHistory();
    formModelHeap_.clear();
}

void CCNavControllerBase::later(std::function<void()> work)
{
    Ref<CCNavControllerBase> self(this);
    const unsigned generation = generation_;
    RunLoop::performOnMain([self, generation, work = std::move(work)] {
        if (self->generation_ == generation) work();
    });
}

void CCNavControllerBase::reloadPageInPlace(const std::string& url)
{
    Ref<CCUIDescription> page = newPageRecord(url);
    if (!page) return;
    CCFetchManager::sharedInstance()->clearUrlFromCache(url);
    pushView(page, std::nullopt, 0, true);
}

void CCNavControllerBase::openPageAfterLogIn(const std::string& url)
{
    Ref<CCUIDescription> page = newPageRecord(url);
    if (!page) return;
    (void)CCFetchManager::sharedInstance()->queueServerData(Ref<CCAbstractServerData>(page.get()), 10, 0);
    pushView(page, std::nullopt, 0, true);
}

bool CCNavControllerBase::beginCleanUp()
{
    if (cleanedUp_) return false;
    cleanedUp_ = true;
    ++generation_;
    NotificationCenter::defaultCenter().removeObserver(this);
    return true;
}

// ---- dispatch ----

bool CCNavControllerBase::isIntendedRecipientOfNotification(const Notification& notification) const
{
    const CCMainNavControllerInterface* self = this;
    Object* sender = notification.object();
    if (auto* page = dynamic_cast<CCGenericTableViewController*>(sender))
        return page->navController() == self;
    if (auto* skinned = dynamic_cast<CCSkinnedView*>(sender)) {
        CCSkinnedViewDelegate* delegate = skinned->delegate();
        if (!delegate) return false;
        if (auto* page = dynamic_cast<CCGenericTableViewController*>(delegate))
            return page->navController() == self;
    }
    return true;
}

void CCNavControllerBase::listItemSelectedNotification(const Notification& notification)
{
    if (!isIntendedRecipientOfNotification(notification)) return;
    if (const auto* link = std::any_cast<CCTableLinkInfo>(&notification.userInfo())) {
        dispatchLink(link->info, link->view.get());
    } else if (const auto* info = std::any_cast<Value>(&notification.userInfo())) {
        dispatchLink(*info, nullptr);
    }
}

void CCNavControllerBase::dispatchLink(const Value& info, UIView* view)
{
    Ref<CCNavControllerBase> hold(this);
    if (!info["url"].isString()) return;
    std::string url = info["url"].asString();
    CCFetchManager* fetch = CCFetchManager::sharedInstance();
    CCScreenSession* session = CCScreenSession::shared();
    auto text = [&](const char* key) { return info[key].isString() ? info[key].asString() : std::string(); };

    if (url == "lumora://activateui") return activateGlobalNavUiAsGuest(false, "profiletab");
    if (url == "lumora://activateuiasguest") return activateGlobalNavUiAsGuest(true, "profiletab");
    if (contains(url, "lumora-activateui://"))
        return activateGlobalNavUiAsGuest(false, "profiletab", removeAll(url, "lumora-activateui://"));
    if (contains(url, "lumora-activateuiasguest://"))
        return activateGlobalNavUiAsGuest(true, "profiletab", removeAll(url, "lumora-activateuiasguest://"));
    if (url == "lumora://deactivateui") return activateBasicNavUiWithTab(true);
    if (contains(url, "sign_up_reminder.cuid")) return activateBasicNavUiWithTab(true, url);
    if (url == "lumora://facebooklogin") {
        fetch->clearUrlFromCache(url);
        return initiateFacebookLogin();
    }
    if (url == "lumora://facebooklogout") {
        fetch->clearUrlFromCache(url);
        return initiateFacebookLogout();
    }
    if (url == "lumora://facebookinvite") {
        initiateFacebookInvite(Value::dictionary({{"message", info["invitetext"]}}));
        return clearTopTableSelection();
    }
    if (beginsWith(url, "lumora://facebookpublish"))
        return initiateFacebookPublish(Value::dictionary({{"publishinfo", info["publishinfo"]}}));
    if (url == "lumora://twitterlogin") {
        fetch->clearUrlFromCache(url);
        return initiateTwitterLogin();
    }
    if (beginsWith(url, "lumora://twitterlogout")) return initiateTwitterLogout();
    if (url == "lumora://twitterpin") {
        Value pin;
        if (CCUIDescription* current = currentDisplayedUiDescription()) {
            if (CCFormModel* form = formModelForUrl(current->url())) pin = form->values["pinCode"];
        }
        return initiateTwitterProcessPin(pin);
    }
    if (beginsWith(url, "lumora://twitterinvite")) {
        NotificationCenter::defaultCenter().postNotification(
            kTwitterInviteNotification, this,
            CCTwitterInviteInfo {Value::dictionary({{"message", info["invitetext"]}}), this});
        return clearTopTableSelection();
    }
    if (beginsWith(url, "lumora://create-sms")) {
        fetch->clearUrlFromCache(url);
        const std::string recipient = removeAll(url, "lumora://create-sms/");
        return initiateSendSMSMessage(text("sms-text"), {recipient});
    }
    if (beginsWith(url, "itms://")) {
        (void)CCDataStore::sharedInstance()->writeToFile();
        (void)URLOpener::sharedInstance()->openURL(url);
        return;
    }
    if (beginsWith(url, "lumora-affiliate://")) {
        (void)CCDataStore::sharedInstance()->writeToFile();
        return initiateAffiliateRedirect(replaceAllIgnoringCase(url, "lumora-affiliate", "http"));
    }
    if (beginsWith(url, "lumora-earnvc://")) return earnCurrencyRequest(url, info);
    if (beginsWith(url, "lumora-http://")) {
        (void)CCDataStore::sharedInstance()->writeToFile();
        const std::string address = replaceAllIgnoringCase(url, "lumora-http", "http");
        if (isAffiliateClickLink(url)) return initiateAffiliateRedirect(address);
        (void)URLOpener::sharedInstance()->openURL(address);
        return;
    }
    if (url == "lumora://gamecenterlogin") {
        if (session) {
            session->authenticateLocalPlayerWithCompletionHandler([](const GameCenterResult& error) {
                if (error) return;
                CCFetchManager* manager = CCFetchManager::sharedInstance();
                manager->clearDataWithCompleteClean(false);
                manager->attemptToPrefetchTabs();
            });
        }
        return clearTopTableSelection();
    }
    if (url == "lumora://gamecenterachievements") {
        if (session) session->displayGKAchievementViewController();
        return clearTopTableSelection();
    }
    if (beginsWith(url, "lumora://gamecenterleaderboards")) {
        const std::vector<std::string> parts = pathComponents(url);
        std::optional<std::string> category;
        if (parts.size() == 2) category = parts[1];
        if (session) session->displayGKLeaderboardViewControllerWithCategory(category);
        return clearTopTableSelection();
    }
    if (url == "lumora://gamecentersync") {
        if (session) session->doGameCenterSync();
        return;
    }
    if (beginsWith(url, "lumora://buyvirtualcurrency")) {
        (void)initiateInAppPurchaseWithUrlString(url);
        return;
    }
    if (beginsWith(url, "lumora://startchallenge")) {
        startChallengeUrl_ = session ? session->notifyStartChallengeWithUrlString(url) : std::nullopt;
        url = startChallengeUrl_.value_or(std::string());
        return handlePageLink(url, info, view);
    }
    if (utf16Length(url) < 2) return;
    handlePageLink(url, info, view);
}

void CCNavControllerBase::handlePageLink(const std::string& link, const Value& info, UIView* view)
{
    Ref<CCUIDescription> target = newPageRecord(link);
    if (!target) return;
    CCFetchManager* fetch = CCFetchManager::sharedInstance();
    CCScreenSession* session = CCScreenSession::shared();
    Ref<CCUIDescription> current(currentDisplayedUiDescription());
    CCFormModel* form = current ? formModelForUrl(current->url()) : nullptr;
    const bool noStack = info.contains("nostackpush");
    auto push = [&](const Ref<CCUIDescription>& page) {
        pushView(page, std::nullopt, noStack ? 0 : 1, noStack);
    };
    auto takeSource = [&](CCUIDescription& record) {
        const Value& source = info["sourceurl"];
        if (source.isString() && isAddress(source.asString())) record.setSourceUrl(source.asString());
    };

    const bool jsonPost = info.contains("formsubmit");
    const bool encodedPost = !jsonPost && info.contains("formsubmiturlencoded");
    if (form && (jsonPost || encodedPost)) {
        fetch->clearUrlFromCache(link);
        fetch->clearUrlFromCache(current->url());
        if (session) session->addCommonFieldsToFormModel(form->values);
        std::optional<Value::Bytes> body;
        if (jsonPost) {
            body = jsonBytes(form->values);
        } else {
            const std::string encoded = CCLumoraService::urlEncodedDictionary(form->values);
            body = Value::Bytes(encoded.begin(), encoded.end());
        }
        if (!body) {
            logLine("%s The form of %s cannot be written as JSON; nothing posted", kLumoraError,
                    current->url().c_str());
            return;
        }
        target->setPostData(std::move(body));
        takeSource(*target);
        if (jsonPost) {
            for (const char* suggestion : kSmsSuggestionLinks)
                if (contains(link, suggestion)) createSmsUrl_ = link;
        }
        (void)fetch->queueServerDataForPost(target);
        push(target);
        return;
    }

    static constexpr std::pair<const char*, int> kImageSources[] = {
        {"imagesubmitlibrary", 0}, {"imagesubmitcamera", 1}, {"imagesubmitalbum", 2}};
    for (const auto& [key, source] : kImageSources) {
        if (!info.contains(key)) continue;
        fetch->clearUrlFromCache(link);
        if (current) fetch->clearUrlFromCache(current->url());
        // No rectangle given: the picker is placed from the zero rectangle.
        const CGRect rect = info["rect"].isString() ? CGRectFromString(info["rect"].asString()) : CGRectZero;
        initiateImagePickerWithType(source, link, rect, view);
        return;
    }

    Ref<CCAbstractServerData> cached = fetch->serverDataForURL(link);
    if (auto* page = dynamic_cast<CCUIDescription*>(cached.get())) {
        if (!page->isCacheControlNoCache()) {
            push(Ref<CCUIDescription>(page));
            return;
        }
        fetch->clearUrlFromCache(link);
    }
    push(target);
}

void CCNavControllerBase::earnCurrencyRequest(const std::string& link, const Value& info)
{
    const std::string url = replaceAllIgnoringCase(link, "lumora-earnvc", "https");
    // Made at 500 like the other requests of its kind; queueing it for
    // posting makes it urgent (10), as every post of the player's is.
    Ref<CCUIDescription> record = newPageRecord(url, 500);
    if (!record) return;
    earnVCRedirectUrl_ = url;
    Value body = Value::dictionary();
    if (CCUIDescription* current = currentDisplayedUiDescription()) {
        if (CCFormModel* form = formModelForUrl(current->url())) body = form->values;
    }
    if (CCScreenSession* session = CCScreenSession::shared())
        session->addCommonFieldsToFormModel(body);
    std::optional<Value::Bytes> bytes = jsonBytes(body);
    if (!bytes) {
        logLine("%s The earn-currency form cannot be written as JSON; nothing posted", kLumoraError);
        return;
    }
    record->setPostData(std::move(bytes));
    const Value& source = info["sourceurl"];
    if (source.isString() && isAddress(source.asString())) record->setSourceUrl(source.asString());
    CCFetchManager* fetch = CCFetchManager::sharedInstance();
    fetch->clearUrlFromCache(url);
    (void)fetch->queueServerDataForPost(record);
}

// ---- social-network requests ----

void CCNavControllerBase::initiateFacebookLogin()
{
    NotificationCenter::defaultCenter().postNotification("LumoraFBLogin", this);
}

void CCNavControllerBase::initiateFacebookLogout()
{
    NotificationCenter::defaultCenter().postNotification("LumoraFBLogout", this);
}

void CCNavControllerBase::initiateFacebookPublish(const Value& info)
{
    NotificationCenter::defaultCenter().postNotification("LumoraFBPublish", this, info);
}

void CCNavControllerBase::initiateFacebookInvite(const Value& info)
{
    NotificationCenter::defaultCenter().postNotification("LumoraFBInvite", this, info);
}

void CCNavControllerBase::initiateTwitterLogin()
{
    NotificationCenter::defaultCenter().postNotification("LumoraTwitterLogin", this);
}

void CCNavControllerBase::initiateTwitterLogout()
{
    NotificationCenter::defaultCenter().postNotification("LumoraTwitterLogout", this);
}

void CCNavControllerBase::initiateTwitterProcessPin(const Value& pin)
{
    NotificationCenter::defaultCenter().postNotification("LumoraTwitterProcessPin", this,
                                                         Value::dictionary({{"pin", pin}}));
}

// ---- purchases ----

bool CCNavControllerBase::initiateInAppPurchaseWithUrlString(const std::string& url)
{
    const Value params = CCLumoraService::paramDictionaryFromUrlString(url);
    const Value& product = params["productID"];
    if (!product.isString() || product.asString().empty()) return true;
    const std::string productId = percentUnescape(product.asString());
    CCSKTransactionHandler* handler = CCSKTransactionHandler::sharedInstance();
    handler->setDelegate(this);
    if (!handler->canInitiateTransaction()) {
        clearTopTableSelection();
        Ref<CCUIDescription> dialog = CCTheming::uiDescriptionForOneButtonDialog(
            "Unable to Purchase",
            "Your device is not authorized for payments. Please check your device's Store and Parental "
            "Controls "
            "settings to ensure that payments are authorized for this application.",
            "OK");
        displayDialogWithUiDescription(dialog.get(), nullptr);
        return false;
    }
    blockUserInput(true);
    handler->initiateTransactionWithId(productId);
    return true;
}

void CCNavControllerBase::transactionFinishedWithError(const std::optional<StoreError>& error, bool cancelled,
                                                       const std::string& productId,
                                                       const std::optional<std::string>& base64Receipt)
{
    Ref<CCNavControllerBase> hold(this);
    blockUserInput(false);
    clearTopTableSelection();
    if (error && cancelled) return;
    Value body = Value::dictionary({{"productID", Value(productId)}});
    if (error) {
        body.set("error", Value(error->localizedDescription));
    } else if (base64Receipt) {
        body.set("receipt", Value(*base64Receipt));
    }
    Ref<CCUIDescription> record =
        newPageRecord(CCLumoraService::liteBaseUrl() + CCSKTransactionHandler::kReportPage);
    if (!record) return;
    record->setPostData(jsonBytes(body));
    CCFetchManager::sharedInstance()->clearUrlFromCache(record->url());
    pushView(record, std::nullopt, 0, true);
}

void CCNavControllerBase::requestSplashScreenBanner()
{
    auto image = makeRef<CCImageData>();
    image->setUrl(CCLumoraService::liteBaseUrl() + "advert_global.img");
    image->setPlaceInPermanentCache(true);
    (void)CCFetchManager::sharedInstance()->queueServerData(image, 10, 0);
}

// ---- pictures ----

Ref<Image> CCNavControllerBase::makeSquareImageFromImage(const Image* image)
{
    if (!image) return nullptr;
    const int width = image->width();
    const int height = image->height();
    if (width == height) return Ref<Image>(const_cast<Image*>(image));
    const int side = std::min(width, height);
    const int left = (width - side) / 2;
    const int top = (height - side) / 2;
    std::vector<uint8_t> canvas = image->premultipliedRGBA(width, height);
    std::vector<uint8_t> square(static_cast<size_t>(side) * static_cast<size_t>(side) * 4);
    for (int row = 0; row < side; ++row) {
        const size_t from =
            (static_cast<size_t>(row + top) * static_cast<size_t>(width) + static_cast<size_t>(left)) * 4;
        std::copy_n(canvas.begin() + static_cast<std::ptrdiff_t>(from), static_cast<size_t>(side) * 4,
                    square.begin() + static_cast<std::ptrdiff_t>(static_cast<size_t>(row) * side * 4));
    }
    return Image::fromRGBA(std::move(square), side, side,
                           image->hasAlpha() ? ImageAlphaInfo::PremultipliedLast
                                             : ImageAlphaInfo::NoneSkipLast);
}

CCResizedBitmap CCNavControllerBase::makeResizedImage(CGSize size, const Image* image, int /*quality*/)
{
    CCResizedBitmap out;
    if (!image || image->width() <= 0 || image->height() <= 0) return out;
    if (!std::isfinite(size.width) || !std::isfinite(size.height)) return out;
    const double w = std::floor(static_cast<double>(size.width));
    const double h = std::floor(static_cast<double>(size.height));
    if (w < 1 || h < 1 || w > Image::kMaxDimension || h > Image::kMaxDimension) return out;
    out.width = static_cast<int>(w);
    out.height = static_cast<int>(h);
    constexpr size_t kComponents = 4;
    out.bytesPerRow = (static_cast<size_t>(out.width) * kComponents + 15) / 16 * 16;
    out.rows.assign(out.bytesPerRow * static_cast<size_t>(out.height), 0);
    // Each target pixel averages the source pixels its area covers (a box
    // filter), so a large picture shrinks without aliasing.
    const std::vector<uint8_t> source = image->premultipliedRGBA(image->width(), image->height());
    const double sx = static_cast<double>(image->width()) / out.width;
    const double sy = static_cast<double>(image->height()) / out.height;
    std::vector<uint8_t> packed(static_cast<size_t>(out.width) * static_cast<size_t>(out.height) * 4);
    for (int y = 0; y < out.height; ++y) {
        const int y0 = static_cast<int>(std::floor(y * sy));
        const int y1 = std::max(y0 + 1, std::min(image->height(), static_cast<int>(std::ceil((y + 1) * sy))));
        for (int x = 0; x < out.width; ++x) {
            const int x0 = static_cast<int>(std::floor(x * sx));
            const int x1 =
                std::max(x0 + 1, std::min(image->width(), static_cast<int>(std::ceil((x + 1) * sx))));
            uint64_t sum[4] = {0, 0, 0, 0};
            for (int yy = y0; yy < y1; ++yy)
                for (int xx = x0; xx < x1; ++xx)
                    for (int c = 0; c < 4; ++c)
                        sum[c] += source[(static_cast<size_t>(yy) * static_cast<size_t>(image->width()) +
                                          static_cast<size_t>(xx)) *
                                             4 +
                                         static_cast<size_t>(c)];
            const uint64_t count = static_cast<uint64_t>(x1 - x0) * static_cast<uint64_t>(y1 - y0);
            for (int c = 0; c < 4; ++c) {
                const auto value = static_cast<uint8_t>((sum[c] + count / 2) / count);
                out.rows[static_cast<size_t>(y) * out.bytesPerRow + static_cast<size_t>(x) * 4 +
                         static_cast<size_t>(c)] = value;
                packed[(static_cast<size_t>(y) * static_cast<size_t>(out.width) + static_cast<size_t>(x)) *
                           4 +
                       static_cast<size_t>(c)] = value;
            }
        }
    }
    out.image =
        Image::fromRGBA(std::move(packed), out.width, out.height,
                        image->hasAlpha() ? ImageAlphaInfo::PremultipliedLast : ImageAlphaInfo::NoneSkipLast);
    return out;
}

std::vector<uint8_t> CCNavControllerBase::uploadJpegForImage(const Image* image)
{
    Ref<Image> square = makeSquareImageFromImage(image);
    if (!square) return {};
    CCResizedBitmap resized = makeResizedImage(
        CGSize {static_cast<float>(kUploadImageSide), static_cast<float>(kUploadImageSide)}, square.get(), 0);
    if (!resized.image) return {};
    return jpegEncoder(*resized.image, kUploadJpegQuality);
}

void CCNavControllerBase::setJpegEncoderForTesting(JpegEncoder encoder)
{
    jpegEncoder = encoder ? encoder : platformJpeg;
}

bool CCNavControllerBase::doImagePickerWithImage(const Image* image, const std::string& url)
{
    std::vector<uint8_t> jpeg = uploadJpegForImage(image);
    if (jpeg.empty()) return false;
    Ref<CCUIDescription> record = newPageRecord(url);
    if (!record) return false;
    record->setPostData(Value::Bytes(jpeg.begin(), jpeg.end()));
    (void)CCFetchManager::sharedInstance()->queueServerDataForPost(record);
    pushView(record, std::nullopt, 0, true);
    return true;
}

// ---- follow-ups ----

void CCNavControllerBase::fetchUpdateNotification(const Notification& notification)
{
    Ref<CCNavControllerBase> hold(this);
    const auto* info = std::any_cast<Value>(&notification.userInfo());
    std::string url;
    if (info && (*info)["url"].isString()) {
        url = (*info)["url"].asString();
    } else if (auto own = navigationDescriptionUrl()) {
        url = *own;
    } else {
        return;
    }
    CCFetchManager* fetch = CCFetchManager::sharedInstance();

    if (startChallengeUrl_ && *startChallengeUrl_ == url) {
        Ref<CCAbstractServerData> record = fetch->serverDataForURL(url);
        startChallengeUrl_.reset();
        if (!record || !record->mainData().isDict()) {
            if (CCScreenSession* session = CCScreenSession::shared())
                session->notifyStartChallengeConfirmed();
            return;
        }
    }
    if (earnVCRedirectUrl_ && *earnVCRedirectUrl_ == url) {
        Ref<CCAbstractServerData> record = fetch->serverDataForURL(url);
        earnVCRedirectUrl_.reset();
        if (record) {
            const Value& redirect = record->mainData()["lumora-affiliate"];
            if (redirect.isString()) initiateAffiliateRedirect(redirect.asString());
        }
        return;
    }
    if (createSmsUrl_ && *createSmsUrl_ == url) {
        Ref<CCAbstractServerData> record = fetch->serverDataForURL(url);
        createSmsUrl_.reset();
        const Value& sms = record ? record->mainData()["createsms"] : Value::null();
        if (sms.isDict() && sms["recipients"].isArray()) {
            std::vector<std::string> recipients;
            for (const Value& one : sms["recipients"].asArray())
                if (one.isString()) recipients.push_back(one.asString());
            initiateSendSMSMessage(sms["sms-text"].isString() ? sms["sms-text"].asString() : std::string(),
                                   recipients);
            return;
        }
    }
    const int status = info ? (*info)["status"].asInt() : -1;
    if (auto own = navigationDescriptionUrl(); own && *own == url && status == 1) {
        Ref<CCAbstractServerData> record = fetch->serverDataForURL(url);
        if (auto* page = dynamic_cast<CCUIDescription*>(record.get()))
            navigationDescriptionUpdated(Ref<CCUIDescription>(page));
    }
    if (info && (*info)["redirecturl"].isString()) {
        Ref<CCAbstractServerData> record = fetch->serverDataForURL(url);
        auto* page = dynamic_cast<CCUIDescription*>(record.get());
        if (page && page->isCacheControlViewStackUseRedirect())
            updateurlHistoryForUrl(url, (*info)["redirecturl"].asString());
    }
}

Ref<CCUIDescription> CCNavControllerBase::smsResultRecord(CCUIDescription* shownPage, int result,
                                                          const std::vector<std::string>& recipients)
{
    if (!shownPage) return nullptr;
    std::string url = shownPage->url();
    std::string formId;
    Ref<CCAbstractServerData> cached = CCFetchManager::sharedInstance()->serverDataForURL(url);
    const Value& sms = cached ? cached->mainData()["createsms"] : Value::null();
    if (sms.isDict()) {
        if (sms["sms-redirect-url"].isString()) url = sms["sms-redirect-url"].asString();
        if (sms["formId"].isString()) formId = sms["formId"].asString();
    }
    Value body = Value::dictionary();
    CCScreenSession* session = CCScreenSession::shared();
    if (session) {
        Value contacts =
            session->getArrayOfContactsWith(contains(formId, "submitcontactsnumbers") ? 13 : 15, 4);
        if (!contacts.isNull() && !contacts.empty()) body.set("contacts", std::move(contacts));
    }
    Value sent = Value::array();
    for (const std::string& one : recipients) sent.push(Value(one));
    body.set("smsSent", Value::dictionary({{"result", Value(result)}, {"recipients", std::move(sent)}}));
    if (session) session->addCommonFieldsToFormModel(body);
    Ref<CCUIDescription> record = newPageRecord(url);
    if (!record) return nullptr;
    record->setPostData(jsonBytes(body));
    return record;
}

void CCNavControllerBase::SMSCompletedWithResult(int result)
{
    Ref<CCNavControllerBase> hold(this);
    Ref<CCSMSViewController> composer = std::move(smsViewController_);
    CCGenericTableViewController* page = shownTablePage();
    const std::vector<std::string> recipients =
        composer ? composer->smsRecipients() : std::vector<std::string> {};
    Ref<CCUIDescription> record =
        smsResultRecord(page ? page->currentUIDescription() : nullptr, result, recipients);
    if (composer) composer->setSmsDelegate(nullptr);
    if (!record) return;
    CCFetchManager::sharedInstance()->clearUrlFromCache(record->url());
    pushView(record, std::nullopt, 0, true);
}

void CCNavControllerBase::initiateAffiliateRedirect(const std::string& url)
{
    if (redirectViewController_) return;
    redirectViewController_ = makeRef<CCRedirectViewController>(this, url);
    redirectViewController_->setRedirectDidComplete([this] { affiliateRedirectComplete(); });
    CCScreenSession* session = CCScreenSession::shared();
    if (UIWindow* window = session ? session->getTopApplicationWindow() : nullptr) {
        window->addSubview(redirectViewController_->view());
    } else {
        // No window to show the spinner on: the chain is followed all the same.
        (void)redirectViewController_->view();
    }
}

void CCNavControllerBase::affiliateRedirectComplete()
{
    Ref<CCNavControllerBase> hold(this);
    if (Ref<CCRedirectViewController> done = std::move(redirectViewController_)) {
        done->setDelegate(nullptr);
        done->setRedirectDidComplete(nullptr);
        if (done->isViewLoaded()) done->view()->removeFromSuperview();
    }
    clearTopTableSelection();
}

void CCNavControllerBase::initiateSendSMSMessage(const std::string& body,
                                                 const std::vector<std::string>& recipients)
{
    if (smsViewController_) return;
    // The composer puts itself on its rotating host on the top window.
    smsViewController_ = makeRef<CCSMSViewController>(this, body, recipients);
}

void CCNavControllerBase::blockUserInput(bool block)
{
    if (!block) {
        if (Ref<CCBlockUIViewController> done = std::move(blockUiViewController_)) {
            if (done->isViewLoaded()) done->view()->removeFromSuperview();
        }
        return;
    }
    if (blockUiViewController_) return;
    blockUiViewController_ = makeRef<CCBlockUIViewController>();
    CCScreenSession* session = CCScreenSession::shared();
    if (UIWindow* window = session ? session->getTopApplicationWindow() : nullptr)
        window->addSubview(blockUiViewController_->view());
}

} // namespace mw
