#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "foundation/Geometry.h"
#include "foundation/Object.h"
#include "foundation/Ref.h"
#include "foundation/Shared.h"
#include "foundation/Value.h"
#include "platform/BackgroundTasks.h"
#include "social/CCLumoraError.h"
#include "social/CCUniqueId.h"

namespace mw {

class CCAsyncPostManager;
class Notification;
class Reachability;
class UIWindow;

// What the session tells the object that activated it. Every operation is
// optional; respondsTo() names those the delegate has, so the session calls
// only those (the slimline session has none).
class CCPrivateSessionDelegate {
public:
    enum : unsigned { kChallengeStarted = 1u << 0, kUiDeactivated = 1u << 1, kPadPopoversActivated = 1u << 2 };
    virtual ~CCPrivateSessionDelegate() = default;
    virtual unsigned respondsTo() const { return 0; }
    virtual void challengeStartedWithGameConfig(const Value& /*config*/) {}
    virtual void lumoraUiDeactivated() {}
    virtual void lumoraiPadPopoversActivated(bool /*activated*/) {}
};

// The centre of the social client: the application's identity towards the
// service, the player's user id, the post queue, the numbered settings, the
// orientation of the social screens, the state of the pull tab and the
// application-state hooks of the telemetry. Everything else in the client
// reaches it through sharedInstance(). Main thread.
class CCPrivateSession : public Object {
public:
    // The one session, made on first use. Null when it cannot be made (no
    // reachability target for the service host): nothing of it remains, and
    // the next call tries again.
    static CCPrivateSession* sharedInstance();
    static void releaseSharedInstance();
    // Used by the shared slot: the session, or null when init failed.
    static Ref<CCPrivateSession> makeShared();

    // The service host: requests, reachability and cookies are about it.
    static constexpr const char* kServiceHost = "lumora.mosswick.example";
    // Its HTTPS base of the pages.
    static std::string liteBaseUrl();

    CCPrivateSession();
    ~CCPrivateSession() override;
    // The steps of creation; false leaves nothing registered.
    bool init();

    // ---- activation and identity ----

    // Stores the identity, logs the activation line, makes the theme
    // current, validates; on success queues the telemetry preparation,
    // stores "firstrun" on the first start, starts the post queue and
    // stores the install date. A failure is logged and stops there.
    void sessionActivatedWithAppID(const std::string& appId, CCPrivateSessionDelegate* delegate, double version,
                                   const std::string& theme, const std::string& secretKey);
    void sessionDeactivated() {}
    // YES with an application id and a theme; else code 1, then code 2.
    bool validateSession(CCLumoraError* error) const;
    void postInitialisation();

    void initialiseUserIdUsingDataStore();
    // The keychain variants (not called by the game): the item of account
    // "zandovar", service "uniqueid" in the access group.
    void initialiseUserIdUsingKeychain(const std::optional<std::string>& accessGroup);
    void createNewUserIdUsingKeychain(const std::optional<std::string>& accessGroup);

    // The player's id (a spoof user id wins); the UUID (null unless enabled
    // and spoofed); the UDID (always null).
    std::string userID() const;
    std::optional<std::string> UUID() const;
    std::optional<std::string> UDID() const { return std::nullopt; }
    const Ref<CCUniqueId>& userUID() const { return userUID_; }
    void setUserUID(Ref<CCUniqueId> uid) { userUID_ = std::move(uid); }
    bool isUserSignedIn() const;

    void lockToOrientation(int orientation) { orientationLockList_ = {orientation}; }
    void lockToOrientationList(std::vector<int> orientations) { orientationLockList_ = std::move(orientations); }

    void startPostManager();
    // With game-centre support on (setting 5 "YES" and a game centre), makes
    // the game centre's post queue once and starts it.
    void startGameCenterPostManager();
    bool isGameCenterSupportEnabled() const;
    void setManager(const Ref<Object>& manager, const std::string& service);
    Object* managerForService(const std::string& service) const;

    // Reacts to a fetch: a page that asks for it refreshes the player's data.
    void fetchUpdateNotification(const Notification& notification);
    void sendUpdatePlayerNotification();
    // Asks the game centre for the player's earlier scores and achievements
    // (game-centre support; off in this game).
    void requestHistoricLeaderboardAndAchievementData();

    // ---- the pull tab (the screens come with the user interface) ----

    void activateLumoraPullTabOn(const std::string& tabId, int screenEdge, bool closed);
    void deactivateLumoraPullTab();
    bool isLumoraPullTabUIActive() const { return pullTabActive_; }
    void onPullTabViewControllerDeactivated() { pullTabActive_ = false; }
    // The full social UI's root controller; never made in this game.
    Object* rootViewController() const { return nullptr; }
    void updateLumoraLastViewedTimestamp();
    double minsSinceLumoraLastViewed() const;

    // ---- numbered settings ----

    void activateLumoraSetting(int number, const Value& value);
    const Value& valueForWorkaroundSetting(int number) const;
    void disableAvoidBackgroundActivity();
    void clearDataForUniqueIDChangeAndClearCloudStores(bool clearCookies);
    // Where store purchases start when setting 6 holds product ids.
    static void setStoreProductsHook(std::function<void(const Value& productIds)> hook);

    // ---- orientation ----

    int currentDeviceOrientation();
    void setCurrentDeviceOrientation(int orientation) { currentDeviceOrientation_ = orientation; }
    int currentInterfaceOrientation();
    const std::vector<int>& deviceOrientationLockList() const { return orientationLockList_; }
    CGAffineTransform workaroundTransformForCurrentDeviceOrientation();
    void willRotateToInterfaceOrientation(int orientation, double duration);
    void didRotateFromInterfaceOrientation(int previousOrientation);

    // ---- device, location, address book, URL text ----

    bool is2dotXOSVersion() const;
    bool is3dotXOSVersion() const;
    bool is4dotXOSVersion() const;
    bool isOnPreiOS5() const;
    // The social screens' window (the view layer's key window), or null
    // when none was made. All session-made views are added to it.
    UIWindow* getTopApplicationWindow() const;
    bool isRunningOniPad();
    bool supportsMultitasking() const;
    bool isSMSMessagingSupported() const;
    bool isReadyForNetworkTransfers() const { return true; } // no data sharing in this game

    void startLocationManager();
    void stopLocationManager();
    bool locationServicesAvailable() const;
    // Adds "lumora-latitude", "lumora-longitude" and "_spring_security_remember_me".
    void addCommonFieldsToFormModel(Value& form) const;

    Value getArrayOfAddressBookEmailAddresses() const;
    Value getArrayOfAddressBookEmailAddressesNamesAndContactIDs() const;
    // Flags: 2 e-mail addresses, 4 phone numbers, 8 image URL.
    Value getArrayOfContactsWith(int flags, int requiring) const;

    static std::string urlEncodedDictionary(const Value& dictionary);
    // Null without a "?".
    static Value paramDictionaryFromUrlString(const std::string& url);

    // ---- plain properties ----

    const std::string& appId() const { return appId_; }
    double version() const { return version_; }
    const std::string& secretKey() const { return secretKey_; }
    const std::optional<std::string>& secret() const { return secret_; }
    void setSecret(std::optional<std::string> secret) { secret_ = std::move(secret); }
    const std::string& currentTheme() const { return currentTheme_; }
    CCPrivateSessionDelegate* delegate() const { return delegate_; }
    const std::string& pendingIncomingUrlString() const { return pendingIncomingUrl_; }
    void setPendingIncomingUrlString(std::string url) { pendingIncomingUrl_ = std::move(url); }
    bool shouldClearFetchManagerOnStartup() const { return shouldClearFetchManagerOnStartup_; }
    double lastViewedLumoraTimestamp() const { return lastViewedLumoraTimestamp_; }
    double newstabActivationDelay() const { return newstabActivationDelay_; }
    CCAsyncPostManager* postManager() const { return postManager_.get(); }
    CCAsyncPostManager* gcPostManager() const { return gcPostManager_.get(); }
    Reachability* reachability() const { return reachability_.get(); }
    BackgroundTasks::TaskId bgTask() const { return bgTask_; }
    BackgroundTasks::TaskId bgTerminateTask() const { return bgTerminateTask_; }
    bool postCurrentSessionAnalytics() const { return postCurrentSessionAnalytics_; }
    void setPostCurrentSessionAnalytics(bool post) { postCurrentSessionAnalytics_ = post; }

private:
    void observeApplicationState();
    bool setupReachability();
    bool osMajorVersionIs(const char* major) const;

    std::string appId_;
    double version_ = 0;
    std::string secretKey_;
    std::optional<std::string> secret_;
    CCPrivateSessionDelegate* delegate_ = nullptr;
    std::string currentTheme_;
    std::string pendingIncomingUrl_;
    Ref<CCAsyncPostManager> postManager_;
    Ref<CCAsyncPostManager> gcPostManager_;
    Ref<Reachability> reachability_;
    std::vector<int> orientationLockList_;
    int currentDeviceOrientation_ = 0;
    bool consumeNextDidRotate_ = false;
    std::map<int, Value> workaroundSettings_;
    int isRunningOniPadCache_ = 0;
    BackgroundTasks::TaskId bgTask_ = 0;
    BackgroundTasks::TaskId bgTerminateTask_ = 0;
    std::map<std::string, Ref<Object>> serviceManagers_;
    Ref<CCUniqueId> userUID_;
    bool shouldClearFetchManagerOnStartup_ = false;
    bool pullTabActive_ = false;
    double lastViewedLumoraTimestamp_ = 0;
    double newstabActivationDelay_ = 0;
    bool postCurrentSessionAnalytics_ = false;
    bool locationStarted_ = false;
    std::optional<std::pair<double, double>> currentLocation_;
    bool observing_ = false;
};

} // namespace mw
