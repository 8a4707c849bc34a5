// The session's game-centre support: availability, the local player and its
// friends, the identity sent to the service, the hourly history sync and the
// game centre's two screens. Inert unless setting 5 is "YES" and a game
// centre is installed.

#include <utility>

#include "foundation/Clock.h"
#include "foundation/Log.h"
#include "platform/GameCenterScreens.h"
#include "platform/RootView.h"
#include "social/queues/CCBuffers.h"
#include "social/data/CCDataStore.h"
#include "social/queues/CCFetchManager.h"
#include "social/queues/CCGameCenterPostManager.h"
#include "social/queues/CCNeighbours.h"
#include "social/session/CCPrivateSession.h"
#include "social/queues/records/CCServerRecords.h"
#include "social/ui/UIViewController.h"

namespace mw {

namespace {

constexpr const char* kSyncKey = "gcsync";
constexpr const char* kPostedLeaderboardsKey = "postedhistoricleaderboarddata";
constexpr const char* kPostedAchievementsKey = "postedhistoricachievementdata";
constexpr double kSyncInterval = 3600;
// Seconds from 1970 to the platform's reference date, 1 January 2001.
constexpr double kReferenceDateOffset = 978307200;
constexpr const char* kSyncTitle = "Game Center Sync";

// The social client's own error: code -1 of the domain "lumora" (the text
// names the domain).
GameCenterError lumoraError() { return GameCenterError {-1, "lumora"}; }

double referenceSeconds() { return Clock::wallSeconds() - kReferenceDateOffset; }

bool isYes(const Value& value) { return value.isString() && value.stringView() == "YES"; }

// The placeholder the session presents on its root while a game-centre
// screen is up, so that the root's modal slot tells that one is showing.
class GameCenterScreenHolder : public UIViewControllerBase {};

// Takes the game centre's own screen of that title off the root view when
// it is still up (its Done was not what ended it).
void dismissPlatformScreen(const char* title)
{
    Ref<ModalScreen> front(RootView::sharedRootView().frontScreen());
    if (front && front->title == title && front->isPresented()) front->dismiss();
}

} // namespace

// ---- availability and the local player ----

bool CCPrivateSession::isGameCenterAvailableOnDevice() const
{
    std::shared_ptr<GameCenter> service = GameCenter::sharedInstance();
    return service && service->canLoadPlayers();
}

bool CCPrivateSession::isGameCenterSupportEnabled() const
{
    return isGameCenterAvailableOnDevice() && isYes(valueForWorkaroundSetting(5));
}

void CCPrivateSession::registerForGameCenterNotifications()
{
    if (!isGameCenterAvailableOnDevice() || gcChangeObservers_[0]) return;
    NotificationCenter& centre = NotificationCenter::defaultCenter();
    gcChangeObservers_[0] =
        centre.addObserver(nullptr, GKPlayerDidChangeNotificationName, nullptr,
                           [this](const Notification&) { doGameCenterLocalPlayerChanged(); });
    gcChangeObservers_[1] =
        centre.addObserver(nullptr, GKPlayerAuthenticationDidChangeNotificationName, nullptr,
                           [this](const Notification&) { doGameCenterLocalPlayerAuthenticationChanged(); });
}

void CCPrivateSession::unregisterFromGameCenterNotifications()
{
    for (auto& id : gcChangeObservers_) {
        if (id) NotificationCenter::defaultCenter().removeObserver(id);
        id = 0;
    }
    for (auto& id : gcHistoryObservers_) {
        if (id) NotificationCenter::defaultCenter().removeObserver(id);
        id = 0;
    }
}

void CCPrivateSession::authenticateLocalPlayerWithCompletionHandler(
    std::function<void(const GameCenterResult&)> handler)
{
    if (!isGameCenterSupportEnabled()) return;
    gcPlayerAuthenticating_ = true;
    startGameCenterPostManager();
    std::shared_ptr<GameCenter> service = GameCenter::sharedInstance();
    if (!service->hasLocalPlayer()) {
        if (handler) handler(lumoraError());
        return;
    }
    if (service->isLocalPlayerAuthenticated()) {
        if (handler) handler(std::nullopt);
        return;
    }
    service->authenticateLocalPlayer([service, handler](const GameCenterResult& error) {
        if (CCPrivateSession* session = CCPrivateSession::sharedInstance())
            session->gcPlayerAuthenticating_ = false;
        if (!error) service->loadFriends(nullptr);
        if (handler) handler(error);
    });
}

bool CCPrivateSession::isLocalPlayerAuthenticated() const
{
    if (!isGameCenterSupportEnabled()) return false;
    std::shared_ptr<GameCenter> service = GameCenter::sharedInstance();
    return service->hasLocalPlayer() && service->isLocalPlayerAuthenticated();
}

std::optional<std::string> CCPrivateSession::getGameCenterLocalPlayerID() const
{
    if (!isGameCenterSupportEnabled()) return std::nullopt;
    std::shared_ptr<GameCenter> service = GameCenter::sharedInstance();
    if (!service->hasLocalPlayer()) return std::nullopt;
    std::string id = service->localPlayerID();
    return id.empty() ? std::nullopt : std::optional<std::string>(std::move(id));
}

std::optional<std::string> CCPrivateSession::getGameCenterLocalPlayerAlias() const
{
    if (!isGameCenterSupportEnabled()) return std::nullopt;
    std::shared_ptr<GameCenter> service = GameCenter::sharedInstance();
    if (!service->hasLocalPlayer()) return std::nullopt;
    std::string alias = service->localPlayerAlias();
    return alias.empty() ? std::nullopt : std::optional<std::string>(std::move(alias));
}

bool CCPrivateSession::isGameCenterLocalPlayerUnderAge() const
{
    if (!isGameCenterSupportEnabled()) return true;
    std::shared_ptr<GameCenter> service = GameCenter::sharedInstance();
    return !service->hasLocalPlayer() || service->isLocalPlayerUnderage();
}

// ---- friends ----

std::optional<std::vector<std::string>> CCPrivateSession::getGameCenterLocalPlayerFriendIDsList()
{
    if (!isGameCenterSupportEnabled()) return std::nullopt;
    std::shared_ptr<GameCenter> service = GameCenter::sharedInstance();
    if (!service->hasLocalPlayer()) return std::nullopt;
    std::optional<std::vector<std::string>> ids = service->localPlayerFriendIDs();
    if (!ids) service->loadFriends(nullptr);
    return ids;
}

void CCPrivateSession::getGameCenterLocalPlayerFriendIDsListWithCompletionHandler(
    std::function<void(const std::optional<std::vector<std::string>>&, const GameCenterResult&)> handler)
{
    if (!handler) return;
    if (!isGameCenterSupportEnabled()) return handler(std::nullopt, std::nullopt);
    std::shared_ptr<GameCenter> service = GameCenter::sharedInstance();
    if (!service->hasLocalPlayer()) return handler(std::nullopt, lumoraError());
    service->loadFriends(std::move(handler));
}

void CCPrivateSession::getGameCenterLocalPlayerFriendsListWithCompletionHandler(
    std::function<void(const GameCenterFriends&, const GameCenterResult&)> handler)
{
    if (!handler) return;
    if (!isGameCenterSupportEnabled()) return handler(GameCenterFriends {}, std::nullopt);
    std::shared_ptr<GameCenter> service = GameCenter::sharedInstance();
    if (!service->hasLocalPlayer()) return handler(GameCenterFriends {}, lumoraError());
    service->loadFriends([service, handler](const std::optional<std::vector<std::string>>& ids,
                                            const GameCenterResult& error) {
        if (!error && ids && !ids->empty()) {
            service->loadPlayers(*ids, [handler](const std::vector<GameCenterPlayer>& players,
                                                 const GameCenterResult& loadError) {
                handler(GameCenterFriends {players, std::nullopt}, loadError);
            });
            return;
        }
        handler(GameCenterFriends {std::nullopt, ids}, error);
    });
}

// ---- identity ----

void CCPrivateSession::doGameCenterLocalPlayerChanged() { requestHistoricLeaderboardAndAchievementData(); }

void CCPrivateSession::doGameCenterLocalPlayerAuthenticationChanged()
{
    if (!isLocalPlayerAuthenticated()) {
        handleGameCenterUserLogout();
        return;
    }
    handleGameCenterUserLoginWithID(getGameCenterLocalPlayerID().value_or(std::string()),
                                    getGameCenterLocalPlayerAlias().value_or(std::string()));
    if (gcPostManager_) gcPostManager_->convertNullUserDataToUseCurrentGameCenterUser();
}

void CCPrivateSession::handleGameCenterUserLoginWithID(const std::string& playerId, const std::string& alias)
{
    if (gcPlayerID_ && *gcPlayerID_ == playerId) return;
    gcPlayerID_ = playerId;
    gcPlayerAlias_ = alias;
    updateSecretForGameCenterPlayerId();
}

void CCPrivateSession::handleGameCenterUserLogout()
{
    if (!gcPlayerID_) return;
    gcPlayerID_.reset();
    gcPlayerAlias_.reset();
    gcSecret_.reset();
}

void CCPrivateSession::updateSecretForGameCenterPlayerId()
{
    noteNeighbourCall("gameCenter updateSecretForGameCenterPlayerId");
    if (!gcPlayerID_) {
        gcSecret_.reset();
        return;
    }
    std::string identity = userID();
    if (identity.empty()) identity = UUID().value_or(UDID().value_or(std::string()));
    gcSecret_ = signatureOf(*gcPlayerID_ + identity + appId_ + secretKey_ + kFirstSalt + kSecondSalt);
}

// ---- achievements ----

void CCPrivateSession::postAchievementProgress(const std::string& id, const std::string& gameCenterId,
                                               double percentComplete, const std::string& description)
{
    if (percentComplete == 100.0) {
        (void)postAchievement(id, true, description, false, gameCenterId);
    } else if (achievementBuffer_) {
        achievementBuffer_->doPostGameCenterAchievementProgress(percentComplete, gameCenterId);
    }
    CCDataStore::sharedInstance()->setTextForToken(description, id);
}

// ---- history sync ----

std::string CCPrivateSession::gameCenterLeaderboardsUrl()
{
    return liteBaseUrl() + "game_center_leaderboards";
}
std::string CCPrivateSession::gameCenterAchievementsUrl()
{
    return liteBaseUrl() + "game_center_achievements";
}

bool CCPrivateSession::canSyncGameCenterData() const
{
    const Value& last = CCDataStore::sharedInstance()->valueForKey(kSyncKey);
    if (!last.isNumber()) return true;
    return referenceSeconds() - last.asDouble() > kSyncInterval;
}

void CCPrivateSession::doGameCenterSync()
{
    if (canSyncGameCenterData()) {
        CCDataStore* store = CCDataStore::sharedInstance();
        store->removeKey(kPostedLeaderboardsKey);
        store->removeKey(kPostedAchievementsKey);
        store->setValue(kSyncKey, Value(referenceSeconds()));
        (void)store->writeToFile();
        requestHistoricLeaderboardAndAchievementData();
        return;
    }
    const bool popupShowing = screenHooks_.popupIsActive && screenHooks_.popupIsActive();
    if (popupShowing) return;
    const char* body = "Too soon since last sync, please try again in the future";
    if (screenHooks_.presentPopupNotification) {
        screenHooks_.presentPopupNotification(kSyncTitle, body);
    } else {
        presentPopupNotificationWithTitle(kSyncTitle, body);
    }
}

void CCPrivateSession::requestHistoricLeaderboardAndAchievementData()
{
    noteNeighbourCall("gameCenter requestHistoricLeaderboardAndAchievementData");
    if (!isGameCenterSupportEnabled() || !isUserSignedIn() || !isLocalPlayerAuthenticated()) return;
    CCDataStore* store = CCDataStore::sharedInstance();
    CCFetchManager* fetch = CCFetchManager::sharedInstance();
    NotificationCenter& centre = NotificationCenter::defaultCenter();
    bool requested = false;
    struct Kind {
        const char* key;
        std::string url;
        Ref<CCAbstractServerData> record;
        void (CCPrivateSession::*handler)(const Notification&);
    };
    Kind kinds[2] = {
        {kPostedLeaderboardsKey, gameCenterLeaderboardsUrl(), nullptr,
         &CCPrivateSession::postHistoricLeaderboardDataToGameCenter},
        {kPostedAchievementsKey, gameCenterAchievementsUrl(), nullptr,
         &CCPrivateSession::postHistoricAchievementDataToGameCenter},
    };
    auto leaderboards = makeRef<CCGameCenterLeaderboardData>(kinds[0].url);
    auto achievements = makeRef<CCGameCenterAchievementData>(kinds[1].url);
    kinds[0].record = Ref<CCAbstractServerData>(leaderboards.get());
    kinds[1].record = Ref<CCAbstractServerData>(achievements.get());
    for (size_t i = 0; i < 2; ++i) {
        Kind& kind = kinds[i];
        if (isYes(store->valueForKey(kind.key))) continue;
        (void)fetch->queueServerData(kind.record, 500, 0);
        if (gcHistoryObservers_[i]) centre.removeObserver(gcHistoryObservers_[i]);
        auto handler = kind.handler;
        gcHistoryObservers_[i] = centre.addObserver(
            nullptr, kind.url, fetch, [this, handler](const Notification& n) { (this->*handler)(n); });
        requested = true;
    }
    if (!requested) return;
    if (screenHooks_.presentPopupNotification) {
        screenHooks_.presentPopupNotification(kSyncTitle, "Syncronising with Game Center");
    } else {
        presentPopupNotificationWithTitle(kSyncTitle, "Syncronising with Game Center");
    }
}

namespace {

// The history document a fetch notice names, when it is of the kind
// expected.
template <typename Record>
Ref<CCAbstractServerData> historyRecord(const Notification& notification)
{
    const auto* info = std::any_cast<Value>(&notification.userInfo());
    if (!info || !(*info)["url"].isString()) return nullptr;
    Ref<CCAbstractServerData> record =
        CCFetchManager::sharedInstance()->serverDataForURL((*info)["url"].asString());
    if (!dynamic_cast<Record*>(record.get())) return nullptr;
    return record;
}

// The game centre's screens sit over a holder presented on the session's
// presenting controller; none is presented while another modal is up or when
// the controller cannot present (no window).
bool presentScreenHolder(const CCSessionScreenHooks& hooks)
{
    UIViewControllerBase* root = hooks.presentingViewController ? hooks.presentingViewController() : nullptr;
    if (!root || root->modalViewController()) return false;
    auto holder = makeRef<GameCenterScreenHolder>();
    root->presentModalViewController(holder.get(), true);
    return root->modalViewController() == holder.get();
}

void dismissScreenHolder(const CCSessionScreenHooks& hooks)
{
    UIViewControllerBase* root = hooks.presentingViewController ? hooks.presentingViewController() : nullptr;
    if (root && dynamic_cast<GameCenterScreenHolder*>(root->modalViewController()))
        root->dismissModalViewControllerAnimated(true);
}

} // namespace

void CCPrivateSession::postHistoricLeaderboardDataToGameCenter(const Notification& notification)
{
    if (!isGameCenterSupportEnabled()) return;
    Ref<CCAbstractServerData> record = historyRecord<CCGameCenterLeaderboardData>(notification);
    if (!record) return;
    const Value& data = record->mainData();
    if (data.isDict()) {
        for (const auto& [category, value] : data.asDict()) {
            if (category == "meta" || !value.isNumber()) continue;
            if (achievementBuffer_)
                achievementBuffer_->doPostGameCenterLeaderboardResult(value.asDouble(), category);
        }
    }
    if (gcHistoryObservers_[0]) NotificationCenter::defaultCenter().removeObserver(gcHistoryObservers_[0]);
    gcHistoryObservers_[0] = 0;
    if (data.isDict()) {
        CCDataStore* store = CCDataStore::sharedInstance();
        store->setValue(kPostedLeaderboardsKey, Value("YES"));
        (void)store->writeToFile();
    }
}

void CCPrivateSession::postHistoricAchievementDataToGameCenter(const Notification& notification)
{
    if (!isGameCenterSupportEnabled()) return;
    Ref<CCAbstractServerData> record = historyRecord<CCGameCenterAchievementData>(notification);
    if (!record) return;
    const Value& data = record->mainData();
    if (data.isDict()) {
        for (const auto& [identifier, value] : data.asDict()) {
            if (identifier == "meta" || !value.isString() || value.asDouble() != 1.0) continue;
            if (achievementBuffer_) achievementBuffer_->doPostGameCenterAchievement(identifier, true);
        }
    }
    if (gcHistoryObservers_[1]) NotificationCenter::defaultCenter().removeObserver(gcHistoryObservers_[1]);
    gcHistoryObservers_[1] = 0;
    if (data.isDict()) {
        CCDataStore* store = CCDataStore::sharedInstance();
        store->setValue(kPostedAchievementsKey, Value("YES"));
        (void)store->writeToFile();
    }
}

// ---- the game centre's screens ----

void CCPrivateSession::displayGKLeaderboardViewControllerWithCategory(
    const std::optional<std::string>& category)
{
    if (!isGameCenterSupportEnabled() || gkLeaderboardShowing_) return;
    if (!presentScreenHolder(screenHooks_)) return;
    gkLeaderboardShowing_ = true;
    presentLeaderboardScreen(*GameCenter::sharedInstance(), category.value_or(std::string()), [] {
        if (CCPrivateSession* session = CCPrivateSession::sharedInstance())
            session->leaderboardViewControllerDidFinish();
    });
}

void CCPrivateSession::leaderboardViewControllerDidFinish()
{
    if (!gkLeaderboardShowing_) return;
    gkLeaderboardShowing_ = false;
    dismissPlatformScreen("Leaderboard");
    dismissScreenHolder(screenHooks_);
}

void CCPrivateSession::displayGKAchievementViewController()
{
    if (!isGameCenterSupportEnabled() || gkAchievementShowing_) return;
    if (!presentScreenHolder(screenHooks_)) return;
    gkAchievementShowing_ = true;
    presentAchievementsScreen(*GameCenter::sharedInstance(), [] {
        if (CCPrivateSession* session = CCPrivateSession::sharedInstance())
            session->achievementViewControllerDidFinish();
    });
}

void CCPrivateSession::achievementViewControllerDidFinish()
{
    if (!gkAchievementShowing_) return;
    gkAchievementShowing_ = false;
    dismissPlatformScreen("Achievements");
    dismissScreenHolder(screenHooks_);
}

void CCPrivateSession::startGameCenterPostManager()
{
    // Off in the game, which never gives setting 5.
    if (!isGameCenterSupportEnabled()) return;
    if (!gcPostManager_) {
        gcPostManager_ = makeRef<CCGameCenterPostManager>();
        gcPostManager_->startPosting();
    }
}

} // namespace mw
