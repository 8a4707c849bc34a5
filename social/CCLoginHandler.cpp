#include "social/CCLoginHandler.h"

#include "foundation/Clock.h"
#include "foundation/NotificationCenter.h"
#include "foundation/Shared.h"
#include "foundation/Value.h"
#include "platform/HTTPCookieStorage.h"
#include "social/CCBuffers.h"
#include "social/CCDataStore.h"
#include "social/CCNeighbours.h"
#include "social/CCPrivateSession.h"
#include "social/CCPullTabViewController.h"

namespace mw {

namespace {

constexpr double kDaySeconds = 43200; // "today" is the last 12 hours
constexpr const char* kRememberMeCookie = "SPRING_SECURITY_REMEMBER_ME_COOKIE";

} // namespace

CCLoginHandler* CCLoginHandler::sharedInstance() { return Shared<CCLoginHandler>::get(); }

bool CCLoginHandler::checkForSharedInstance() { return Shared<CCLoginHandler>::current() != nullptr; }

void CCLoginHandler::releaseSharedInstance() { Shared<CCLoginHandler>::purge(); }

CCLoginHandler::CCLoginHandler()
{
    NotificationCenter::defaultCenter().addObserver(
        this, std::string(), CCFetchManager::sharedInstance(),
        [this](const Notification& notification) { fetchUpdateNotification(notification); });
}

CCLoginHandler::~CCLoginHandler() { NotificationCenter::defaultCenter().removeObserver(this); }

bool CCLoginHandler::getCachedBool(int& cache, const char* dataStoreKey) const
{
    if (cache == 0) cache = CCDataStore::sharedInstance()->valueForKey(dataStoreKey).asBool() ? 2 : 1;
    return cache == 2;
}

void CCLoginHandler::setCachedBool(bool value, int& cache, const char* dataStoreKey)
{
    if (cache == (value ? 2 : 1)) return;
    CCDataStore* store = CCDataStore::sharedInstance();
    store->setValue(dataStoreKey, Value(value));
    cache = value ? 2 : 1;
    (void)store->writeToFile();
}

bool CCLoginHandler::hasValidLoginCookie() const
{
    const double now = Clock::wallSeconds();
    for (const HTTPCookie& cookie : HTTPCookieStorage::sharedInstance()->cookiesForURL(CCPrivateSession::liteBaseUrl())) {
        if (cookie.name() == kRememberMeCookie && !cookie.isSessionOnly() && cookie.expiresUnixTime() > now) {
            return true;
        }
    }
    return false;
}

void CCLoginHandler::kickOffRetryOnCommsManagers()
{
    CCPrivateSession* session = CCPrivateSession::sharedInstance();
    if (!session) return;
    if (CCAsyncPostManager* manager = session->postManager()) {
        manager->retryAllPosts();
        manager->startPosting();
    }
    if (CCGameCenterPostManager* manager = session->gcPostManager()) {
        manager->retryAllPosts();
        manager->startPosting();
    }
}

void CCLoginHandler::uiHasBeenActivated()
{
    if (!activatedUiProxy()) {
        kickOffRetryOnCommsManagers();
        if (CCPrivateSession* session = CCPrivateSession::sharedInstance()) {
            session->requestHistoricLeaderboardAndAchievementData();
        }
        setActivatedUiProxy(true);
    }
    // The data-sharing object would be asked to resolve here; the game has none.
}

void CCLoginHandler::tosWereAccepted()
{
    setTosAcceptedProxy(true);
    kickOffRetryOnCommsManagers();
}

bool CCLoginHandler::isFirstUiActivationToday() const
{
    const Value& timer = CCDataStore::sharedInstance()->valueForKey(kUiActivatedTimerKey);
    if (!timer.isNumber()) return true;
    const double sinceReferenceDate = Clock::wallSeconds() - Value::kReferenceDateUnixTime;
    return sinceReferenceDate - timer.asDouble() > kDaySeconds;
}

void CCLoginHandler::setIsFirstUiActivationToday(bool first)
{
    CCDataStore* store = CCDataStore::sharedInstance();
    if (first) {
        if (isFirstUiActivationToday()) return;
        store->removeKey(kUiActivatedTimerKey);
    } else {
        if (!isFirstUiActivationToday()) return;
        store->setValue(kUiActivatedTimerKey, Value(Clock::wallSeconds() - Value::kReferenceDateUnixTime));
    }
    (void)store->writeToFile();
}

namespace {

// What the session remembers of the player who left: the buffers' reports
// (so that the next player's are sent again).
void clearReportBuffers(CCPrivateSession& session)
{
    if (CCAchievementBuffer* buffer = session.achievementBuffer()) buffer->clearBuffer();
    if (CCOffersBuffer* buffer = session.offersBuffer()) buffer->clearBuffer();
    if (CCLeaderboardBuffer* buffer = session.leaderboardBuffer()) buffer->clearBuffer();
}

// The pull tab shows the previous player's pages: back to its tab as a guest.
void tellPullTab(CCPrivateSession* session)
{
    if (CCPullTabViewController* pullTab = session ? session->pullTabController() : nullptr)
        pullTab->userSignedInChange();
}

} // namespace

void CCLoginHandler::userWasSwitched()
{
    CCPrivateSession* session = CCPrivateSession::sharedInstance();
    if (session) {
        clearReportBuffers(*session);
        session->requestHistoricLeaderboardAndAchievementData();
    }
    setTosAcceptedProxy(false);
    tellPullTab(session);
    // The switch happened on an opening of the social screens: it counts as
    // this day's activation.
    setIsFirstUiActivationToday(false);
    NotificationCenter::defaultCenter().postNotification(kUserChangeNotification, this,
                                                         Value::dictionary({{"status", Value("switched")}}));
}

void CCLoginHandler::userWasSignedOut()
{
    CCPrivateSession* session = CCPrivateSession::sharedInstance();
    if (session) clearReportBuffers(*session);
    setTosAcceptedProxy(false);
    if (session) session->sendUpdatePlayerNotification();
    tellPullTab(session);
    NotificationCenter::defaultCenter().postNotification(kUserChangeNotification, this,
                                                         Value::dictionary({{"status", Value("signout")}}));
}

void CCLoginHandler::fetchUpdateNotification(const Notification& notification)
{
    const auto* info = std::any_cast<Value>(&notification.userInfo());
    if (!info || (*info)["status"].asInt() != 1) return;
    const std::string url = (*info)["url"].asString();
    if (url.find("termsAccepted=true") != std::string::npos) tosWereAccepted();
    else if (url.find("termsAccepted=false") != std::string::npos) tosWereDeclined();
}

} // namespace mw
