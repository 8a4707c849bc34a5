#include "social/session/CCPrivateSession.h"

#include "social/screens/CCModalControllers.h"

#include "foundation/Clock.h"
#include "foundation/Log.h"
#include "foundation/NotificationCenter.h"
#include "foundation/RunLoop.h"
#include "platform/AlertView.h"
#include "platform/ApplicationDelegate.h"
#include "platform/DeviceFacts.h"
#include "platform/GameCenter.h"
#include "platform/HTTPCookieStorage.h"
#include "social/queues/CCBuffers.h"
#include "social/services/CCDataSharing.h"
#include "social/data/CCDataStore.h"
#include "social/services/CCLoginHandler.h"
#include "social/data/CCLumoraLog.h"
#include "social/screens/CCNavControllerBase.h"
#include "social/queues/CCNeighbours.h"
#include "social/screens/CCPullTabViewController.h"
#include "social/services/CCTheming.h"
#include "social/queues/records/CCServerRecords.h"
#include "social/support/KeychainWrapper.h"
#include "social/support/Reachability.h"

namespace mw {

namespace {

constexpr const char* kUserIdKey = "userid";
constexpr const char* kFirstRunKey = "firstrun";
constexpr const char* kLastViewedKey = "lastviewedtime";
constexpr const char* kUpdatePlayerInfoNotification = "updateplayerinfo";

// The application-state notifications and the telemetry hook each one calls.
struct StateHook {
    const char* notification;
    const char* telemetry;
    void (CCPrivateSession::*hook)();
};
constexpr StateHook kStateHooks[] = {
    {UIApplicationSignificantTimeChangeNotification, "analyticsSignificantTimeChange",
     &CCPrivateSession::analyticsSignificantTimeChange},
    {UIApplicationDidEnterBackgroundNotification, "analyticsDidEnterBackground",
     &CCPrivateSession::analyticsDidEnterBackground},
    {UIApplicationWillEnterForegroundNotification, "analyticsWillEnterForeground",
     &CCPrivateSession::analyticsWillEnterForeground},
    {UIApplicationDidBecomeActiveNotification, "analyticsDidBecomeActive",
     &CCPrivateSession::analyticsDidBecomeActive},
    {UIApplicationWillResignActiveNotification, "analyticsWillResignActive",
     &CCPrivateSession::analyticsWillResignActive},
    {UIApplicationWillTerminateNotification, "analyticsWillTerminate", &CCPrivateSession::analyticsWillTerminate},
};

// Hands the session to the lower floors' interfaces; null takes it back.
void handIn(CCPrivateSession* session)
{
    CCQueueSession::install(session);
    CCServiceSession::install(session);
    CCScreenSession::install(session);
}

// The floors below make the session on first use through this, as the
// session's own callers do with sharedInstance().
[[maybe_unused]] const bool makerHandedIn = [] {
    CCQueueSession::setMaker([] { (void)CCPrivateSession::sharedInstance(); });
    return true;
}();

} // namespace

CCPrivateSession* CCPrivateSession::sharedInstance() { return Shared<CCPrivateSession>::get(); }

void CCPrivateSession::releaseSharedInstance()
{
    // The lower floors stop reaching the session as it leaves its slot, even
    // while something still holds it.
    CCPrivateSession* leaving = Shared<CCPrivateSession>::current();
    if (leaving && CCQueueSession::installed() == leaving) handIn(nullptr);
    Shared<CCPrivateSession>::purge();
}

Ref<CCPrivateSession> CCPrivateSession::makeShared()
{
    auto session = makeRef<CCPrivateSession>();
    if (!session->init()) return nullptr;
    return session;
}

CCPrivateSession::CCPrivateSession()
{
    installDefaultScreenHooks();
    setRootControllerFactory(nullptr);
}

CCPrivateSession::~CCPrivateSession()
{
    if (CCQueueSession::installed() == this) handIn(nullptr);
    NotificationCenter::defaultCenter().removeObserver(this);
    unregisterFromGameCenterNotifications();
    if (CCAnalyticsSource::installed() == this) CCAnalyticsSource::install(nullptr);
    if (everyMinuteTimer_) everyMinuteTimer_->invalidate();
    if (backgroundWaitTimer_) backgroundWaitTimer_->invalidate();
}

bool CCPrivateSession::init()
{
    const bool multitasking = supportsMultitasking();
    bgTask_ = multitasking ? BackgroundTasks::kInvalidTask : 0;
    bgTerminateTask_ = multitasking ? BackgroundTasks::kInvalidTask : 0;
    serviceManagers_.clear();
    // Reachability first: when it cannot be made, nothing is registered yet,
    // so a failed session leaves no observer behind.
    if (!setupReachability()) {
        logLine("Failed to create reachability object");
        return false;
    }
    NotificationCenter::defaultCenter().addObserver(
        this, std::string(), CCFetchManager::sharedInstance(),
        [this](const Notification& notification) { fetchUpdateNotification(notification); });
    currentDeviceOrientation_ = 0;
    // The transport keeps no URL cache, so there is none to switch off here.
    orientationLockList_ = {3, 4, 1, 2};
    observeApplicationState();
    CCAnalyticsSource::install(this);
    handIn(this);
    awaitingPostInitialisation_ = true;
    Ref<CCPrivateSession> self(this);
    RunLoop::performOnMain([self] {
        if (Shared<CCPrivateSession>::current() == self.get()) self->postInitialisation();
    });
    return true;
}

bool CCPrivateSession::setupReachability()
{
    reachability_ = Reachability::reachabilityWithHostName(kServiceHost);
    return reachability_ != nullptr;
}

void CCPrivateSession::observeApplicationState()
{
    for (const StateHook& hook : kStateHooks) {
        const std::string telemetry = hook.telemetry;
        auto call = hook.hook;
        NotificationCenter::defaultCenter().addObserver(this, hook.notification, nullptr,
                                                        [this, telemetry, call](const Notification&) {
                                                            noteNeighbourCall("telemetry " + telemetry);
                                                            (this->*call)();
                                                        });
    }
}

void CCPrivateSession::postInitialisation()
{
    noteNeighbourCall("telemetry initialiseAnalyticsDataAndBeginNewSession 1");
    awaitingPostInitialisation_ = false;
    initialiseAnalyticsDataAndBeginNewSession(true);
    const Value& lastViewed = CCDataStore::sharedInstance()->valueForKey(kLastViewedKey);
    if (lastViewed.isNumber()) lastViewedLumoraTimestamp_ = lastViewed.asDouble();
    else updateLumoraLastViewedTimestamp();
    newstabActivationDelay_ = -1;
}

bool CCPrivateSession::validateSession(CCLumoraError* error) const
{
    if (appId_.empty()) {
        if (error) *error = CCLumoraError {"LumoraSession", 1, "The application ID is unset", {}};
        return false;
    }
    if (currentTheme_.empty()) {
        if (error) *error = CCLumoraError {"LumoraSession", 2, "The theme is not setup", {}};
        return false;
    }
    return true;
}

void CCPrivateSession::sessionActivatedWithAppID(const std::string& appId, CCPrivateSessionDelegate* delegate,
                                                 double version, const std::string& theme,
                                                 const std::string& secretKey)
{
    delegate_ = delegate;
    appId_ = appId;
    version_ = version;
    secretKey_ = secretKey;
    logLine("*** appId %s version %f theme %s %s %s ***", appId.c_str(), version, theme.c_str(), "lumora-slimline",
            "0.3 build 77");
    shouldClearFetchManagerOnStartup_ = true;
    currentTheme_ = theme.empty() ? std::string() : CCTheming::sharedInstance()->setCurrentTheme(theme);

    CCLumoraError error;
    if (!validateSession(&error) || !CCTheming::sharedInstance()->validateTheme(&error)) {
        logLine("%s Session activation failed - %s", kLumoraError, error.localizedDescription.c_str());
        return;
    }
    Ref<CCPrivateSession> self(this);
    awaitingLaunchPreparation_ = true;
    RunLoop::performOnMain([self] {
        if (Shared<CCPrivateSession>::current() == self.get()) {
            noteNeighbourCall("telemetry prepareAnalyticsDataForPosting");
            self->prepareAnalyticsDataForPosting();
        }
    });
    CCDataStore* store = CCDataStore::sharedInstance();
    if (!store->containsKey(kFirstRunKey) && pendingIncomingUrl_.empty()) {
        store->setValue(kFirstRunKey, Value("YES"));
        (void)store->writeToFile();
    }
    startPostManager();
    store->setAppInstallDate();
}

void CCPrivateSession::initialiseUserIdUsingDataStore()
{
    CCDataStore* store = CCDataStore::sharedInstance();
    // An archived id without its string is no identity: it is replaced too.
    if (auto stored = store->objectForKeyAs<CCUniqueId>(kUserIdKey); stored && !stored->uid().empty()) {
        userUID_ = stored;
        return;
    }
    userUID_ = makeRef<CCUniqueId>();
    store->setObject(kUserIdKey, userUID_);
    (void)store->writeToFile();
}

namespace {

// The keychain keeps plain values: the id is kept as its own keyed archive.
Ref<CCUniqueId> uniqueIdFromKeychainValue(const Value& value)
{
    if (!value.isData()) return nullptr;
    return dynamicRef<CCUniqueId>(unarchiveObjectWithData(value.asData()));
}

void storeNewUserId(KeychainWrapper& keychain, Ref<CCUniqueId>& userUID)
{
    userUID = makeRef<CCUniqueId>();
    const std::vector<uint8_t> archive = archivedDataWithRootObject(userUID.get());
    keychain.mySetObject(Value(Value::Bytes(archive.begin(), archive.end())), kUserIdKey);
}

} // namespace

void CCPrivateSession::initialiseUserIdUsingKeychain(const std::optional<std::string>& accessGroup)
{
    KeychainWrapper keychain("zandovar", "uniqueid", accessGroup);
    if (auto stored = uniqueIdFromKeychainValue(keychain.myObjectForKey(kUserIdKey))) {
        userUID_ = stored;
        return;
    }
    storeNewUserId(keychain, userUID_);
}

void CCPrivateSession::createNewUserIdUsingKeychain(const std::optional<std::string>& accessGroup)
{
    KeychainWrapper keychain("zandovar", "uniqueid", accessGroup);
    storeNewUserId(keychain, userUID_);
}

std::string CCPrivateSession::userID() const
{
    if (auto spoof = CCDataStore::sharedInstance()->spoofUserId()) return *spoof;
    return userUID_ ? userUID_->uid() : std::string();
}

std::optional<std::string> CCPrivateSession::UUID() const
{
    CCDataStore* store = CCDataStore::sharedInstance();
    if (!store->UUIDEnabled()) return std::nullopt;
    // No data sharing in this game, so only a spoof UUID gives one.
    return store->spoofUUID();
}

bool CCPrivateSession::isUserSignedIn() const { return CCLoginHandler::sharedInstance()->isUserLoggedIn(); }

bool CCPrivateSession::hasActivatedUI() { return CCLoginHandler::sharedInstance()->hasActivatedUI(); }

bool CCPrivateSession::isUserTOSAccepted() { return CCLoginHandler::sharedInstance()->isUserTOSAccepted(); }

void CCPrivateSession::startPostManager()
{
    if (!postManager_) {
        postManager_ = makeRef<CCAsyncPostManager>();
        postManager_->startPosting();
    }
    startGameCenterPostManager();
}

bool CCPrivateSession::isReadyForNetworkTransfers() const { return !dataSharing_ || dataSharing_->isUpdated(); }

void CCPrivateSession::setDataSharing(Ref<CCDataSharing> sharing) { dataSharing_ = std::move(sharing); }

void CCPrivateSession::setupBuffers()
{
    achievementBuffer_ = makeRef<CCAchievementBuffer>();
    offersBuffer_ = makeRef<CCOffersBuffer>();
    leaderboardBuffer_ = makeRef<CCLeaderboardBuffer>();
}

bool CCPrivateSession::postAchievement(const std::string& id, bool obtained, const std::string& description,
                                       bool alwaysPopup, const std::string& gameCenterId)
{
    if (obtained) CCDataStore::sharedInstance()->removeTextForToken(gameCenterId);
    return achievementBuffer_ && achievementBuffer_->postAchievement(id, obtained, description, alwaysPopup, gameCenterId);
}

void CCPrivateSession::postLeaderboardResult(double result, const std::string& id, bool lowestValFirst,
                                             const std::string& gameCenterId, bool isTimeBased)
{
    if (achievementBuffer_)
        achievementBuffer_->postLeaderboardResult(result, id, lowestValFirst, gameCenterId, isTimeBased);
}

void CCPrivateSession::postOffer(const std::string& id)
{
    if (offersBuffer_) offersBuffer_->postOffer(id);
}

void CCPrivateSession::setManager(const Ref<Object>& manager, const std::string& service)
{
    serviceManagers_[service] = manager;
}

Object* CCPrivateSession::managerForService(const std::string& service) const
{
    auto found = serviceManagers_.find(service);
    return found == serviceManagers_.end() ? nullptr : found->second.get();
}

void CCPrivateSession::fetchUpdateNotification(const Notification& notification)
{
    const auto* info = std::any_cast<Value>(&notification.userInfo());
    if (!info || (*info)["status"].asInt() != 1) return;
    const Value& url = (*info)["url"];
    if (!url.isString()) return;
    Ref<CCAbstractServerData> record = CCFetchManager::sharedInstance()->serverDataForURL(url.asString());
    const auto* page = dynamic_cast<const CCUIDescription*>(record.get());
    if (page && page->isCacheControlUpdatePlayerData()) sendUpdatePlayerNotification();
}

void CCPrivateSession::sendUpdatePlayerNotification()
{
    NotificationCenter::defaultCenter().postNotification(kUpdatePlayerInfoNotification, this);
}

// ---- the last view of the social screens ----

void CCPrivateSession::updateLumoraLastViewedTimestamp()
{
    lastViewedLumoraTimestamp_ = Clock::wallSeconds();
    CCDataStore* store = CCDataStore::sharedInstance();
    store->setValue(kLastViewedKey, Value(lastViewedLumoraTimestamp_));
    // On the loop's next turn, with the tab's usage record that the same tap
    // logged: one write of the store a tap, not two.
    store->writeToFileLater();
}

double CCPrivateSession::minsSinceLumoraLastViewed() const
{
    return (Clock::wallSeconds() - lastViewedLumoraTimestamp_) / 60.0;
}

} // namespace mw
