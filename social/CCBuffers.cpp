#include "social/CCBuffers.h"

#include <cmath>

#include "foundation/Clock.h"
#include "foundation/Format.h"
#include "foundation/Log.h"
#include "foundation/Shared.h"
#include "platform/GKAchievement.h"
#include "platform/GKScore.h"
#include "social/CCAsyncPostManager.h"
#include "social/CCDataStore.h"
#include "social/CCFetchManager.h"
#include "social/CCGameCenterPostManager.h"
#include "social/CCLumoraLog.h"
#include "social/CCPrivateSession.h"
#include "social/records/CCServerRecords.h"
#include "social/support/URLUtilities.h"

namespace mw {

namespace {

Value::Dictionary loadDictionary(const char* key)
{
    const Value& stored = CCDataStore::sharedInstance()->valueForKey(key);
    return stored.isDict() ? stored.asDict() : Value::Dictionary();
}

// The signature of a report: the value text, the application id, the secret
// key and the two salts, lower-cased and hashed.
std::string reportSignature(const std::string& valueText)
{
    CCPrivateSession* session = CCPrivateSession::sharedInstance();
    if (!session) return std::string();
    return CCPrivateSession::signatureOf(valueText + session->appId() + session->secretKey() +
                                         CCPrivateSession::kFirstSalt + CCPrivateSession::kSecondSalt);
}

// A URL is formed when the text holds only characters a URL may carry: ids
// are escaped before they are put in, so this holds for every id.
bool formsUrl(const std::string& text)
{
    for (unsigned char c : text)
        if (c <= 0x20 || c >= 0x7f || c == '"' || c == '<' || c == '>' || c == '{' || c == '}' || c == '|' ||
            c == '\\' || c == '^' || c == '`')
            return false;
    return !text.empty();
}

void schedulePost(const std::optional<std::string>& url)
{
    if (!url) return;
    CCPrivateSession* session = CCPrivateSession::sharedInstance();
    if (!session || !session->postManager()) {
        logLine("Buffers: no post queue, %s not posted", url->c_str());
        return;
    }
    session->postManager()->scheduleDataForPost(makeRef<CCNullPost>(*url));
}

// Drops the queued reports of one id: the parameter must hold the whole id,
// so that "a1" leaves "a10" queued.
void clearPosts(const std::string& parameter, const std::string& id)
{
    CCPrivateSession* session = CCPrivateSession::sharedInstance();
    if (session && session->postManager())
        session->postManager()->clearPostsWithQueryItem(parameter, escapeQueryComponent(id));
}

bool gameCenterOn(const std::string& gameCenterId)
{
    CCPrivateSession* session = CCPrivateSession::sharedInstance();
    return !gameCenterId.empty() && session && session->isGameCenterSupportEnabled();
}

} // namespace

// ---- achievements and leaderboards ----

void CCAchievementBuffer::loadFromFile()
{
    previousValueDict_ = loadDictionary(kValuesKey);
    popupDictionary_ = loadDictionary(kPopupsKey);
}

void CCAchievementBuffer::writeToFile()
{
    CCDataStore* store = CCDataStore::sharedInstance();
    store->setValue(kValuesKey, Value(previousValueDict_));
    store->setValue(kPopupsKey, Value(popupDictionary_));
    store->writeToFile();
}

void CCAchievementBuffer::clearBuffer()
{
    previousValueDict_ = Value::Dictionary();
    popupDictionary_ = Value::Dictionary();
    writeToFile();
}

std::optional<std::string> CCAchievementBuffer::achievementUrl(const std::string& id, bool obtained)
{
    const int value = obtained ? 1 : 0;
    const std::string url = format("%sachievement_obtained?achievementID=%s&value=%d&sig=%s",
                                   CCPrivateSession::liteBaseUrl().c_str(), escapeQueryComponent(id).c_str(), value,
                                   reportSignature(format("%d", value)).c_str());
    return formsUrl(url) ? std::optional(url) : std::nullopt;
}

std::optional<std::string> CCAchievementBuffer::leaderboardUrl(const std::string& id, double result)
{
    const std::string valueText = format("%f", result);
    const std::string url = format("%sleaderboard_score_obtained?leaderboardID=%s&value=%s&sig=%s",
                                   CCPrivateSession::liteBaseUrl().c_str(), escapeQueryComponent(id).c_str(),
                                   valueText.c_str(), reportSignature(valueText).c_str());
    return formsUrl(url) ? std::optional(url) : std::nullopt;
}

bool CCAchievementBuffer::postAchievement(const std::string& id, bool obtained, const std::string& description,
                                          bool alwaysPopup, const std::string& gameCenterId)
{
    const Value* previous = previousValueDict_.find(id);
    if (!previous || previous->asBool() != obtained) {
        doPostAchievement(id, obtained);
        if (gameCenterOn(gameCenterId)) doPostGameCenterAchievement(gameCenterId, obtained);
        previousValueDict_.set(id, Value(obtained));
        writeToFile();
    }
    const Value* shown = popupDictionary_.find(id);
    const bool popupDone = shown && shown->asBool();
    if (obtained && description.size() > 1) {
        CCPrivateSession* session = CCPrivateSession::sharedInstance();
        if (alwaysPopup) {
            if (session) session->presentPopupNotificationWithTitle("Achievement", description);
            return true;
        }
        if (popupDone) return false;
        if (session) session->presentPopupNotificationWithTitle("Achievement", description);
        popupDictionary_.set(id, Value(true));
        writeToFile();
        return true;
    }
    if (popupDone) return false;
    popupDictionary_.set(id, Value(true));
    writeToFile();
    return true;
}

void CCAchievementBuffer::doPostAchievement(const std::string& id, bool obtained)
{
    clearPostQueueForAchievementId(id);
    schedulePost(achievementUrl(id, obtained));
    clearAchievementsCache();
}

void CCAchievementBuffer::postLeaderboardResult(double result, const std::string& id, bool lowestValFirst,
                                                const std::string& gameCenterId, bool isTimeBased)
{
    if (logTimeAndPassedMidnightPST()) havePostedThisSessionDict_ = Value::Dictionary();
    if (isTimeBased && !havePostedThisSessionDict_.contains(id)) {
        havePostedThisSessionDict_.set(id, Value(true));
        previousValueDict_.remove(id);
    }
    if (const Value* previous = previousValueDict_.find(id)) {
        const double stored = previous->asDouble();
        const float now = static_cast<float>(result);
        const bool better = lowestValFirst ? now < stored : now > stored;
        if (!better) return;
    }
    doPostLeaderboardResult(result, id);
    if (gameCenterOn(gameCenterId)) doPostGameCenterLeaderboardResult(result, gameCenterId);
    previousValueDict_.set(id, Value(static_cast<float>(result)));
    writeToFile();
}

void CCAchievementBuffer::doPostLeaderboardResult(double result, const std::string& id)
{
    clearPostQueueForLeaderboardId(id);
    schedulePost(leaderboardUrl(id, result));
    clearLeaderboardCacheForLeaderboardId(id);
}

void CCAchievementBuffer::clearPostQueueForAchievementId(const std::string& id)
{
    clearPosts("achievementID", id);
}

void CCAchievementBuffer::clearPostQueueForLeaderboardId(const std::string& id)
{
    clearPosts("leaderboardID", id);
}

void CCAchievementBuffer::clearLeaderboardCacheForLeaderboardId(const std::string& id)
{
    CCFetchManager* fetchManager = CCFetchManager::sharedInstance();
    std::vector<std::string> urls;
    for (const auto& record : fetchManager->temporaryDataCache()) {
        if (!dynamic_cast<const CCLeaderboardData*>(record.get())) continue;
        const Value params = CCPrivateSession::paramDictionaryFromUrlString(record->url());
        const Value& config = params["gameConfigID"];
        if (config.isString() && (config.stringView() == id || config.stringView() == escapeQueryComponent(id)))
            urls.push_back(record->url());
    }
    for (const std::string& url : urls) fetchManager->clearUrlFromCache(url);
}

void CCAchievementBuffer::clearAchievementsCache()
{
    CCFetchManager* fetchManager = CCFetchManager::sharedInstance();
    for (const auto& record : fetchManager->temporaryDataCache()) {
        if (!dynamic_cast<const CCAchievementData*>(record.get())) continue;
        const std::string url = record->url();
        fetchManager->clearUrlFromCache(url);
        return;
    }
}

bool CCAchievementBuffer::logTimeAndPassedMidnightPST()
{
    const ZonedTime now = zonedTime(Clock::wallSeconds(), kPacificZone);
    const bool passed = lastPostDate_ && lastPostDate_->day != now.day;
    lastPostDate_ = now;
    return passed;
}

std::string CCAchievementBuffer::playerKey()
{
    CCPrivateSession* session = CCPrivateSession::sharedInstance();
    return session && session->gcPlayerID() ? *session->gcPlayerID() : std::string("none");
}

void CCAchievementBuffer::doPostGameCenterLeaderboardResult(double result, const std::string& category)
{
    CCPrivateSession* session = CCPrivateSession::sharedInstance();
    if (!session) return;
    session->startGameCenterPostManager();
    CCGameCenterPostManager* manager = session->gcPostManager();
    if (!manager) return;
    if (AllowPublicAPILog()) logLine("Posting result to GameCenter leader board");
    // A score is a whole 64-bit number: a result that is no number or lies
    // beyond that range has no score to truncate to (the service still has
    // the result).
    constexpr double kLimit = 9223372036854775808.0; // 2^63
    if (!std::isfinite(result) || result >= kLimit || result < -kLimit) {
        logLine("%s The leaderboard result %f for %s is no game-centre score", kLumoraError, result,
                category.c_str());
        return;
    }
    const std::string key = playerKey();
    manager->clearPostQueueWithGameCenterId(category, key);
    manager->scheduleDataForPost(makeRef<GKScore>(category, static_cast<int64_t>(result)), key);
}

void CCAchievementBuffer::doPostGameCenterAchievementProgress(double percentComplete,
                                                              const std::string& gameCenterId)
{
    CCPrivateSession* session = CCPrivateSession::sharedInstance();
    if (!session) return;
    session->startGameCenterPostManager();
    CCGameCenterPostManager* manager = session->gcPostManager();
    if (!manager) return;
    const std::string key = playerKey();
    manager->clearPostQueueWithGameCenterId(gameCenterId, key);
    manager->scheduleDataForPost(makeRef<GKAchievement>(gameCenterId, percentComplete), key);
}

void CCAchievementBuffer::doPostGameCenterAchievement(const std::string& gameCenterId, bool obtained)
{
    CCPrivateSession* session = CCPrivateSession::sharedInstance();
    if (!session) return;
    session->startGameCenterPostManager();
    CCGameCenterPostManager* manager = session->gcPostManager();
    if (!manager) return;
    if (AllowPublicAPILog()) logLine("Posting result for GameCenter achievement");
    const std::string key = playerKey();
    manager->clearPostQueueWithGameCenterId(gameCenterId, key);
    manager->scheduleDataForPost(makeRef<GKAchievement>(gameCenterId, obtained ? 100.0 : 0.0), key);
}

// ---- offers ----

void CCOffersBuffer::loadFromFile() { offersDict_ = loadDictionary(kKey); }

void CCOffersBuffer::writeToFile()
{
    CCDataStore* store = CCDataStore::sharedInstance();
    store->setValue(kKey, Value(offersDict_));
    store->writeToFile();
}

void CCOffersBuffer::clearBuffer()
{
    offersDict_ = Value::Dictionary();
    writeToFile();
}

std::optional<std::string> CCOffersBuffer::offerUrl(const std::string& id)
{
    // "value" is a number: the builder writes only string values, so the
    // URL carries the offer and the signature alone.
    Value params = Value::dictionary({{"offerID", Value(id)},
                                      {"value", Value(true)},
                                      {"sig", Value(reportSignature(format("%d", 1)))}});
    return urlStringUsingDomain(CCPrivateSession::liteBaseUrl(), "post_app_install", params);
}

void CCOffersBuffer::postOffer(const std::string& id)
{
    if (offersDict_.contains(id)) return;
    doPostOffer(id);
    offersDict_.set(id, Value(true));
    writeToFile();
}

void CCOffersBuffer::doPostOffer(const std::string& id)
{
    clearPostQueueForOfferId(id);
    schedulePost(offerUrl(id));
}

void CCOffersBuffer::clearPostQueueForOfferId(const std::string& id)
{
    clearPosts("offerID", id);
}

// ---- leaderboard dates ----

void CCLeaderboardBuffer::loadFromFile() { leaderboardsDict_ = loadDictionary(kKey); }

void CCLeaderboardBuffer::writeToFile()
{
    CCDataStore* store = CCDataStore::sharedInstance();
    store->setValue(kKey, Value(leaderboardsDict_));
    store->writeToFile();
}

std::optional<double> CCLeaderboardBuffer::timestampForLeaderboard(const std::string& id) const
{
    const Value* stamp = leaderboardsDict_.find(id);
    if (!stamp || !stamp->isNumber()) return std::nullopt;
    return stamp->asDouble();
}

void CCLeaderboardBuffer::setTimestampForLeaderboard(const std::string& id)
{
    leaderboardsDict_.set(id, Value(Clock::wallSeconds()));
    writeToFile();
}

void CCLeaderboardBuffer::clearBuffer()
{
    leaderboardsDict_ = Value::Dictionary();
    writeToFile();
}

} // namespace mw
