#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/Geometry.h"
#include "foundation/NSTimer.h"
#include "foundation/Object.h"
#include "foundation/Ref.h"
#include "foundation/Shared.h"
#include "foundation/Value.h"
#include "foundation/NotificationCenter.h"
#include "platform/BackgroundTasks.h"
#include "platform/GameCenter.h"
#include "social/data/CCLumoraError.h"
#include "social/data/CCLumoraService.h"
#include "social/screens/CCPullTabViewControllerDelegate.h"
#include "social/screens/CCScreenSession.h"
#include "social/data/CCUniqueId.h"
#include "social/queues/records/CCServerRecords.h"

namespace mw {

class CCAchievementBuffer;
class CCAsyncPostManager;
class CCDataSharing;
class CCLeaderboardBuffer;
class CCOffersBuffer;
class CCPullTabViewController;
class CCSessionPopupObserver;
class CCGameCenterPostManager;
class CCModalViewController;
class CCNavControllerBase;
struct HTTPRequest;
class Notification;
class Reachability;
class UIViewControllerBase;
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
// application-state hooks of the telemetry. The client's other parts reach
// it through the interfaces of their floors (CCQueueSession, CCServiceSession,
// CCScreenSession), which it hands in when it is made; the service's fixed
// facts (CCLumoraService) answer under its name too. Main thread.
class CCPrivateSession : public Object,
                         public CCLumoraService,
                         public CCScreenSession,
                         public CCAnalyticsSource,
                         public CCPullTabViewControllerDelegate {
public:
    // The one session, made on first use. Null when it cannot be made (no
    // reachability target for the service host): nothing of it remains, and
    // the next call tries again.
    static CCPrivateSession* sharedInstance();
    static void releaseSharedInstance();
    // Used by the shared slot: the session, or null when init failed.
    static Ref<CCPrivateSession> makeShared();

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
    // The login handler's facts, asked by the post queue.
    bool hasActivatedUI() override;
    bool isUserTOSAccepted() override;

    void lockToOrientation(int orientation) { orientationLockList_ = {orientation}; }
    void lockToOrientationList(std::vector<int> orientations) { orientationLockList_ = std::move(orientations); }

    void startPostManager();
    // Makes the achievement, offer and leaderboard buffers (the game never
    // calls it, so the calls below reach no buffer and answer NO).
    void setupBuffers();
    CCAchievementBuffer* achievementBuffer() const override { return achievementBuffer_.get(); }
    CCOffersBuffer* offersBuffer() const override { return offersBuffer_.get(); }
    CCLeaderboardBuffer* leaderboardBuffer() const override { return leaderboardBuffer_.get(); }
    bool postAchievement(const std::string& id, bool obtained, const std::string& description, bool alwaysPopup,
                         const std::string& gameCenterId);
    void postLeaderboardResult(double result, const std::string& id, bool lowestValFirst,
                               const std::string& gameCenterId, bool isTimeBased);
    void postOffer(const std::string& id);
    // A themed notice strip (held 2 s, then slid away), queued behind the
    // one on screen.
    void presentPopupNotificationWithTitle(const std::string& title, const std::string& body) override;
    // With game-centre support on (setting 5 "YES" and a game centre), makes
    // the game centre's post queue once and starts it.
    void startGameCenterPostManager() override;
    bool isGameCenterSupportEnabled() const override;
    void setManager(const Ref<Object>& manager, const std::string& service);
    Object* managerForService(const std::string& service) const override;

    // Reacts to a fetch: a page that asks for it refreshes the player's data.
    void fetchUpdateNotification(const Notification& notification);
    void sendUpdatePlayerNotification() override;
    // Asks the game centre for the player's earlier scores and achievements
    // (game-centre support; off in this game).
    void requestHistoricLeaderboardAndAchievementData() override;

    // ---- challenges, dialogs, push notifications, incoming links
    //      (CCPrivateSessionChallenges.cpp) ----

    // The HTTPS base of the device-token requests ("/lumora/").
    static std::string deviceBaseUrl();
    // Stores "challengeid" and "challengeconfig" of a start-challenge link
    // and answers the challenge's start page; nothing without both.
    std::optional<std::string> notifyStartChallengeWithUrlString(const std::string& url) override;
    static std::string startChallengeURLForChallengeId(const std::string& challengeId);
    // The player accepted: the full UI closes, the pull tab goes back to its
    // closed state and the delegate hears the stored configuration.
    void notifyStartChallengeConfirmed() override;
    void postChallengeResultForLastChallenge(double result, bool withLumoraDialog);
    void postChallengeResult(double result, bool startUi);
    // The address a challenge result is posted to (signed).
    std::string challengeResultUrl(double result) const;
    void activateSplashDialog();
    // The session's own dialogs (splash, challenge result) end here.
    void dialogButtonPressed(const std::string& buttonId);
    void postDeviceToken(const std::optional<Value::Bytes>& token, bool success);
    // Launch options, opened addresses and remote notifications, as the
    // platform hands them over: dictionaries and strings of any kind; a
    // value that is not text where text belongs counts as absent.
    bool applicationDidFinishLaunchingWithOptions(const Value& options);
    bool applicationHandleOpenURL(const Value& url);
    bool applicationOpenURL(const Value& url, const Value& sourceApplication, const Value& annotation);
    void applicationDidReceiveRemoteNotification(const Value& payload);
    bool appWasStartedFromPendingUrl() const;
    void activateLumoraUIFromPendingUrl();
    // 0 none, 1 splash, 2 challenge result (online), 3 challenge result (offline).
    int dialogState() const { return dialogState_; }
    double pendingResult() const { return pendingResult_; }
    CCModalViewController* sessionDialog() const { return dialogController_.get(); }
    void setScreenHooks(CCSessionScreenHooks hooks) { screenHooks_ = std::move(hooks); }
    const CCSessionScreenHooks& screenHooks() const override { return screenHooks_; }

    // ---- game centre (CCPrivateSessionGameCenter.cpp) ----

    // A game centre is installed (the desktop's or a test's).
    bool isGameCenterAvailableOnDevice() const;
    void registerForGameCenterNotifications();
    void unregisterFromGameCenterNotifications();
    // Signs the local player in; the handler is never called while support
    // is off.
    void authenticateLocalPlayerWithCompletionHandler(
        std::function<void(const GameCenterResult&)> handler) override;
    bool isLocalPlayerAuthenticated() const override;
    std::optional<std::string> getGameCenterLocalPlayerID() const;
    std::optional<std::string> getGameCenterLocalPlayerAlias() const;
    bool isGameCenterLocalPlayerUnderAge() const;
    bool isGameCenterPlayerAuthenticating() const { return gcPlayerAuthenticating_; }
    std::optional<std::vector<std::string>> getGameCenterLocalPlayerFriendIDsList();
    void getGameCenterLocalPlayerFriendIDsListWithCompletionHandler(
        std::function<void(const std::optional<std::vector<std::string>>&, const GameCenterResult&)> handler);
    void getGameCenterLocalPlayerFriendsListWithCompletionHandler(
        std::function<void(const GameCenterFriends&, const GameCenterResult&)> handler) override;
    void doGameCenterLocalPlayerChanged();
    void doGameCenterLocalPlayerAuthenticationChanged();
    void handleGameCenterUserLoginWithID(const std::string& playerId, const std::string& alias);
    void handleGameCenterUserLogout();
    void updateSecretForGameCenterPlayerId();
    void postAchievementProgress(const std::string& id, const std::string& gameCenterId, double percentComplete,
                                 const std::string& description);
    bool canSyncGameCenterData() const;
    void doGameCenterSync() override;
    void postHistoricLeaderboardDataToGameCenter(const Notification& notification);
    void postHistoricAchievementDataToGameCenter(const Notification& notification);
    void displayGKLeaderboardViewControllerWithCategory(const std::optional<std::string>& category) override;
    void leaderboardViewControllerDidFinish();
    void displayGKAchievementViewController() override;
    void achievementViewControllerDidFinish();
    bool isShowingGKLeaderboard() const { return gkLeaderboardShowing_; }
    bool isShowingGKAchievements() const { return gkAchievementShowing_; }
    static std::string gameCenterLeaderboardsUrl();
    static std::string gameCenterAchievementsUrl();

    // ---- request headers and signing (CCPrivateSessionHeaders.cpp) ----

    // Sets the "x-lumora-" headers on a request to the service's hosts over
    // https, in their fixed order; a request elsewhere gets none. A value
    // that is missing or holds a control character is not set (the latter
    // logged).
    void addHeadersToURLRequest(HTTPRequest& request) override;
    // The session secret of the current identity, application id and key;
    // computed again whenever one of them changed.
    std::string sessionSecret();
    // Signature of a challenge result (the result written with "%f").
    std::string challengeResultSignature(double result) const;
    // Signature of the telemetry URL ("?sig=...").
    std::string telemetrySignature() const;
    // Signature of the application id, the secret key and the two salts.
    std::string applicationSignature() const override;
    // The current theme's capabilities, sent in the headers and asked by
    // the fetch queue.
    std::optional<std::string> themeCapsString() override;

    // The game-centre identity sent in the headers (game-centre support).
    const std::optional<std::string>& gcPlayerID() const override { return gcPlayerID_; }
    const std::optional<std::string>& gcPlayerAlias() const { return gcPlayerAlias_; }
    const std::optional<std::string>& gcSecret() const { return gcSecret_; }
    void setGameCenterIdentity(std::optional<std::string> playerId, std::optional<std::string> alias,
                               std::optional<std::string> secret);

    // ---- telemetry (CCPrivateSessionAnalytics.cpp) ----
    //
    // A session id per run, a minute clock while in the foreground, and
    // signed usage posts through the post queue. Every timer is on the
    // Clock; everything runs on the main thread, the final post of a run
    // left in the background included.

    // "https://" + the telemetry host + "/analytics/index.php".
    static std::string telemetryEndpoint();
    void initialiseAnalyticsDataAndBeginNewSession(bool begin);
    void initialiseAnalyticsSessionId();
    void prepareAnalyticsDataForPosting();
    void analyticsSignificantTimeChange() { postCurrentSessionAnalytics_ = true; }
    void analyticsDidEnterBackground();
    void analyticsWillEnterForeground() {}
    void analyticsWillResignActive();
    void analyticsDidBecomeActive();
    void analyticsWillTerminate();
    void setupAnalyticsTimer();
    void everyMinuteMethod();
    void clockSessionMinutes(int minutes);
    void postPreviousSessionAnalyticsData();
    void postCurrentSessionAnalyticsData();
    void postCurrentSessionAnalyticsDataAsFinalData();
    void postAnalyticSessionData();
    void doPostAnalyticData(const std::string& url);
    void analyticsPostUpdateNotification(const Notification& notification);
    // Setting 9 is "YES": telemetry goes before the terms are accepted.
    bool alwaysPostAnalytics() const override;
    bool hasPostedAnalyticDataThisSession() const { return hasPostedAnalyticDataThisSession_; }
    const std::optional<std::string>& analyticsCurrentSessionId() const { return analyticsCurrentSessionId_; }
    const std::optional<std::string>& analyticsPreviousSessionId() const { return analyticsPreviousSessionId_; }
    int currentSessionMinutes() const { return currentSessionMinutes_; }
    bool isWaitingInBackground() const { return backgroundWaitTimer_ != nullptr; }

    // The figures of the telemetry post (each prefers the previous session
    // while one is waiting to be reported).
    std::string analyticsSessionId() override;
    int analyticsMinutesSinceLastSession() override;
    int analyticsLastSessionDuration() override;
    int analyticsSessionDuration() override;
    int analyticsSessionPostIndex() override { return currentSessionPostIndex_; }
    bool analyticsIsFinalSessionPost() override { return analyticsPreviousSessionId_.has_value(); }
    double analyticsSessionStartTimestamp() override;
    int analyticsSessionTimeSinceStart() override;
    double analyticsSessionCurrentTimestamp() override;
    int analyticsMinutesSinceLastSessionData() override;
    // Whole minutes from the last tick ("lastsessioninterval", offset time)
    // to the present offset time; -1 when unknown.
    int analyticsMinutesSinceLastStoredData();
    Value lastUserLevel() override;
    Value gameSessionAnalytics() override;
    void analyticsUpdateCurrentSessionDataForNextPost() override;

    // ---- showing the social screens (CCPrivateSessionScreens.cpp) ----
    //
    // At most one pull tab exists; a second request is ignored while it
    // does. Every refusal is one log line and shows nothing.

    // "right" (1), "top" (2), "left" (3), "bottom" for any other edge.
    static std::string edgeStringFromEdge(int edge);
    // The pull tab of one tab id from a screen edge (0 bottom, 1 right, 2
    // top, 3 left), closed (the tab strip only) or open.
    void activateLumoraPullTabOn(const std::string& tabId, int screenEdge, bool closed);
    void activateLumoraPullTabOnLeaderboardWithId(const std::string& leaderboardId, int screenEdge, bool closed);
    // A strip of up to four custom tabs (the ids written into the theme's
    // strip skins); the leaderboard id may be empty.
    void activateLumoraPullTabOnTabs(const std::vector<std::string>& tabIds, const std::string& leaderboardId,
                                     int screenEdge, bool closed);
    static std::string cuidForTabIdString(const std::string& tabId);
    static std::string baseImageForTabIdString(const std::string& tabId);
    // May the news view open by itself now (the news delay, -1 = always).
    bool activateNewsTab();
    void setNewstabActivationDelay(double seconds) { newstabActivationDelay_ = seconds; }
    void deactivateLumoraPullTab();
    void deactivateLumoraPullTabWithAnimation(bool animated);
    // Asks the pull tab (when there is one) to close to its tab strip.
    void resetLumoraPullTabState();
    bool isLumoraPullTabUIActive() const { return pullTabController_ != nullptr; }
    void onPullTabViewControllerDeactivated() override;
    // The pull tab while it exists, else null.
    CCPullTabViewController* pullTabController() const { return pullTabController_.get(); }
    // The pull tab (when there is one) goes back to its tab as a guest.
    void tellPullTabUserSignedInChange() override;
    void updateLumoraLastViewedTimestamp() override;
    double minsSinceLumoraLastViewed() const override;

    // The full social UI: one root navigation controller at a time (the
    // tablet's tabbed screens or the phone's global navigation), made by
    // the root factory and shown in the top window. A second opening is
    // handed to the root that exists.
    using RootControllerFactory =
        std::function<Ref<CCNavControllerBase>(const std::string& tabId, const std::optional<std::string>& url,
                                               bool loginRequired, bool pad)>;
    // Null restores the build's own factory.
    void setRootControllerFactory(RootControllerFactory factory);
    // Opens the full UI on a tab (at `url` when given) without the checks:
    // the login handler and the last-viewed time are told, a pending clean
    // of the fetch cache runs while the service is reachable, background
    // activity is allowed again; then the existing root is asked to
    // activate, or a new root is made and shown and the post queues start.
    void activateMainUIOnTabId(const std::string& tabId, const std::optional<std::string>& url, bool loginRequired);
    void activateMainUIOnTabId(const std::string& tabId, const std::optional<std::string>& url)
    {
        activateMainUIOnTabId(tabId, url, false);
    }
    void activateMainUIOnTabId(const std::string& tabId) { activateMainUIOnTabId(tabId, std::nullopt, false); }
    // The checked opening: a session or theme that does not validate is
    // logged and shows nothing. A pending incoming address replaces `url`
    // for "challengestab" and "leaderboardtab" (other tabs then open
    // nothing) and is cleared.
    void activateLumoraUIOnTabId(const std::string& tabId, const std::optional<std::string>& url,
                                 bool loginRequired);
    void activateLumoraUIOnTabId(const std::string& tabId, const std::optional<std::string>& url)
    {
        activateLumoraUIOnTabId(tabId, url, true);
    }
    void activateLumoraUIOnTabId(const std::string& tabId) { activateLumoraUIOnTabId(tabId, std::nullopt, true); }
    void activateLumoraUIAtLeaderboardWithId(const std::string& leaderboardId);
    bool isLumoraUIActive() const { return rootViewController_ != nullptr; }
    // Closing: telemetry posts at the next minute; a root with a bar of its
    // own slides it out first, then the second stage takes the full UI and
    // the session's dialog down and tells the delegate.
    void deactivateLumoraUI();
    void deactivateLumoraUISecondStage();
    // The full UI's root controller, or null while it is closed.
    CCNavControllerBase* rootViewController() const { return rootViewController_.get(); }
    // With setting 3 "YES": a window delegate that is none of the social
    // screens' own controllers is cleared.
    void ensureNotTopWindowDelegate();
    void tellClientiPadPopoversActivated(bool activated) override;

    // Notices: one on screen at a time, the others queued in order.
    void doPresentPopupNotificationWithTitle(const std::string& title, const std::string& body);
    void modalPopupFinished();
    bool popupIsActive() const { return popupIsActive_; }
    size_t queuedPopupCount() const { return popupInfoQueue_.size(); }

    // ---- numbered settings ----

    void activateLumoraSetting(int number, const Value& value) override;
    const Value& valueForWorkaroundSetting(int number) const override;
    void disableAvoidBackgroundActivity() override;
    void clearDataForUniqueIDChangeAndClearCloudStores(bool clearCookies);
    // Where store purchases start when setting 6 holds product ids: by
    // default the product updates and the transaction handler; a hook set
    // here replaces them (null restores them).
    static void setStoreProductsHook(std::function<void(const Value& productIds)> hook);

    // ---- orientation ----

    int currentDeviceOrientation() override;
    void setCurrentDeviceOrientation(int orientation) { currentDeviceOrientation_ = orientation; }
    int currentInterfaceOrientation() override;
    const std::vector<int>& deviceOrientationLockList() const override { return orientationLockList_; }
    CGAffineTransform workaroundTransformForCurrentDeviceOrientation() override;
    void willRotateToInterfaceOrientation(int orientation, double duration);
    void didRotateFromInterfaceOrientation(int previousOrientation);
    // The orientation notifications come from the session itself.
    Object* orientationNotifier() override { return this; }

    // ---- device, location, address book ----

    bool is2dotXOSVersion() const override;
    bool is3dotXOSVersion() const;
    bool is4dotXOSVersion() const;
    bool isOnPreiOS5() const override;
    // The social screens' window (the view layer's key window), or null
    // when none was made. All session-made views are added to it.
    UIWindow* getTopApplicationWindow() const override;
    bool isRunningOniPad() override;
    bool supportsMultitasking() const;
    bool isSMSMessagingSupported() const override;
    // Transfers wait for the data-sharing resolver, when there is one (the
    // game makes none).
    bool isReadyForNetworkTransfers() const override;
    CCDataSharing* dataSharing() const override { return dataSharing_.get(); }
    void setDataSharing(Ref<CCDataSharing> sharing);

    void startLocationManager();
    void stopLocationManager();
    bool locationServicesAvailable() const;
    // Adds "lumora-latitude", "lumora-longitude" and "_spring_security_remember_me".
    void addCommonFieldsToFormModel(Value& form) const override;

    Value getArrayOfAddressBookEmailAddresses() const override;
    Value getArrayOfAddressBookEmailAddressesNamesAndContactIDs() const override;
    // Flags: 2 e-mail addresses, 4 phone numbers, 8 image URL.
    Value getArrayOfContactsWith(int flags, int requiring) const override;

    // ---- plain properties ----

    const std::string& appId() const override { return appId_; }
    double version() const override { return version_; }
    const std::string& secretKey() const override { return secretKey_; }
    const std::optional<std::string>& secret() const { return secret_; }
    void setSecret(std::optional<std::string> secret) { secret_ = std::move(secret); }
    const std::string& currentTheme() const { return currentTheme_; }
    CCPrivateSessionDelegate* delegate() const { return delegate_; }
    const std::string& pendingIncomingUrlString() const { return pendingIncomingUrl_; }
    void setPendingIncomingUrlString(std::string url) { pendingIncomingUrl_ = std::move(url); }
    bool shouldClearFetchManagerOnStartup() const { return shouldClearFetchManagerOnStartup_; }
    double lastViewedLumoraTimestamp() const { return lastViewedLumoraTimestamp_; }
    double newstabActivationDelay() const { return newstabActivationDelay_; }
    CCAsyncPostManager* postManager() const override { return postManager_.get(); }
    CCGameCenterPostManager* gcPostManager() const override { return gcPostManager_.get(); }
    Reachability* reachability() const override { return reachability_.get(); }
    BackgroundTasks::TaskId bgTask() const { return bgTask_; }
    BackgroundTasks::TaskId bgTerminateTask() const { return bgTerminateTask_; }
    bool postCurrentSessionAnalytics() const { return postCurrentSessionAnalytics_; }
    void setPostCurrentSessionAnalytics(bool post) { postCurrentSessionAnalytics_ = post; }

    // ---- the embedded view (CCPrivateSessionEmbedded.cpp) ----
    //
    // The social pages inside a rectangle of a view the host names. The
    // game never opens it.

    // Validates the session and the theme (a failure is one log line); then,
    // unless an embedded view exists or no view is given, tells the login
    // handler, and makes and holds the controller for the page path (under
    // the page base, in tabbed form) in `frame` of `view`.
    void activateLumoraEmbeddedUIOnPage(const std::string& pagePath, class UIView* view, CGRect frame);
    // While the session holds an embedded controller.
    bool isLumoraEmbeddedUIActive() const;
    // Asks the controller to close; it does only while a page is shown.
    void deactivateLumoraEmbeddedUI();
    // The controller while the session holds it, else null.
    class CCEmbeddedViewController* embeddedViewController() const;
    // What the controller tells the session (its delegate): the session lets
    // it go; a failed first page changes nothing.
    void onEmbeddedViewControllerDeactivated();
    void onEmbeddedViewControllerFailedToLoadPage() {}

private:
    // The controller and the session's delegate face towards it, made
    // together at activation and defined with them; a shared pointer needs
    // no complete type where the session is destroyed.
    struct EmbeddedUi;
    std::shared_ptr<EmbeddedUi> embeddedUi_;

private:
    void observeApplicationState();
    bool setupReachability();
    bool osMajorVersionIs(const char* major) const;

    std::string appId_;
    double version_ = 0;
    std::string secretKey_;
    std::optional<std::string> secret_;
    // The text the cached secret was hashed from; another text drops it.
    std::string secretSource_;
    std::optional<std::string> gcPlayerID_;
    std::optional<std::string> gcPlayerAlias_;
    std::optional<std::string> gcSecret_;
    CCPrivateSessionDelegate* delegate_ = nullptr;
    std::string currentTheme_;
    std::string pendingIncomingUrl_;
    Ref<CCAsyncPostManager> postManager_;
    Ref<CCAchievementBuffer> achievementBuffer_;
    Ref<CCOffersBuffer> offersBuffer_;
    Ref<CCDataSharing> dataSharing_;
    Ref<CCLeaderboardBuffer> leaderboardBuffer_;
    Ref<CCGameCenterPostManager> gcPostManager_;
    Ref<Reachability> reachability_;
    // Challenges and the session's dialogs.
    int dialogState_ = 0;
    double pendingResult_ = 0;
    Ref<CCModalViewController> dialogController_;
    CCSessionScreenHooks screenHooks_;
    // Game centre.
    bool gcPlayerAuthenticating_ = false;
    bool gkLeaderboardShowing_ = false;
    bool gkAchievementShowing_ = false;
    NotificationCenter::ObserverId gcChangeObservers_[2] = {0, 0};
    NotificationCenter::ObserverId gcHistoryObservers_[2] = {0, 0};
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
    Ref<CCPullTabViewController> pullTabController_;
    // The full UI: its root, whether it was made for a tablet, the factory.
    Ref<CCNavControllerBase> rootViewController_;
    RootControllerFactory rootControllerFactory_;
    void installDefaultScreenHooks();
    bool popupIsActive_ = false;
    std::deque<std::pair<std::string, std::string>> popupInfoQueue_;
    // The notice on screen (a pop-up or the workaround controller holding one).
    Ref<Object> modalPopup_;
    std::shared_ptr<CCSessionPopupObserver> popupObserver_;
    double lastViewedLumoraTimestamp_ = 0;
    double newstabActivationDelay_ = 0;
    bool postCurrentSessionAnalytics_ = false;
    // Telemetry.
    std::optional<std::string> analyticsCurrentSessionId_;
    std::optional<std::string> analyticsPreviousSessionId_;
    int currentSessionMinutes_ = 0;
    int currentSessionPostIndex_ = 0;
    int currentSessionMinsSinceLastSession_ = -1;
    int currentSessionLastSessionMinutes_ = -1;
    int previousSessionMinsSinceLastSession_ = -1;
    int previousSessionLastSessionMinutes_ = -1;
    double currentSessionStartTimestamp_ = 0;
    double previousSessionStartTimestamp_ = 0;
    Ref<NSTimer> everyMinuteTimer_;
    bool hasPostedAnalyticDataThisSession_ = false;
    // The launch's own begin and preparation are still queued: a
    // become-active meanwhile begins no session of its own.
    bool awaitingPostInitialisation_ = false;
    bool awaitingLaunchPreparation_ = false;
    // A telemetry record is being filled: its store write waits until the
    // record is scheduled.
    bool fillingAnalyticRecord_ = false;
    // The background wait: its timer, the time remaining when it began, and
    // whether the final post was made.
    Ref<NSTimer> backgroundWaitTimer_;
    double backgroundStartRemaining_ = 0;
    bool finalPostMade_ = false;
    void endBackgroundTask();
    void backgroundWaitStep();
    bool locationStarted_ = false;
    std::optional<std::pair<double, double>> currentLocation_;
    bool observing_ = false;
};

} // namespace mw
