#pragma once

#include <optional>
#include <string>

#include "foundation/Object.h"
#include "foundation/Value.h"
#include "platform/LocaleFormats.h"

namespace mw {

// Remembers what was reported to the service about achievements and
// leaderboard results, so that nothing is sent twice, and builds the signed
// report URLs for what is new (mirrored to the game centre when it is on).
// Its state lives in the data store under "CCAchievementBuffer" and
// "CCAchievementBufferPopups"; every change is written at once. Main thread.
class CCAchievementBuffer : public Object {
public:
    static constexpr const char* kValuesKey = "CCAchievementBuffer";
    static constexpr const char* kPopupsKey = "CCAchievementBufferPopups";
    // The day boundary of time-based leaderboards is the service's: Pacific.
    static constexpr const char* kPacificZone = "America/Los_Angeles";

    CCAchievementBuffer() { loadFromFile(); }
    void loadFromFile();
    void writeToFile();
    void clearBuffer();

    // Reports an achievement when it changed, and shows its pop-up at most
    // once (every time with `alwaysPopup`). Answers whether a pop-up was
    // shown or newly ruled out.
    bool postAchievement(const std::string& id, bool obtained, const std::string& description, bool alwaysPopup,
                         const std::string& gameCenterId);
    // Reports a result that beats the stored one (the first of each Pacific
    // day on a time-based board).
    void postLeaderboardResult(double result, const std::string& id, bool lowestValFirst,
                               const std::string& gameCenterId, bool isTimeBased);
    void doPostAchievement(const std::string& id, bool obtained);
    void doPostLeaderboardResult(double result, const std::string& id);
    void clearPostQueueForAchievementId(const std::string& id);
    void clearPostQueueForLeaderboardId(const std::string& id);
    void clearLeaderboardCacheForLeaderboardId(const std::string& id);
    void clearAchievementsCache();
    // YES when the Pacific day of the month changed since the last call.
    bool logTimeAndPassedMidnightPST();

    // The game-centre mirror (score truncated toward zero).
    void doPostGameCenterLeaderboardResult(double result, const std::string& category);
    void doPostGameCenterAchievement(const std::string& gameCenterId, bool obtained);
    void doPostGameCenterAchievementProgress(double percentComplete, const std::string& gameCenterId);

    // The signed report URLs; nullopt when the parts form no URL.
    static std::optional<std::string> achievementUrl(const std::string& id, bool obtained);
    static std::optional<std::string> leaderboardUrl(const std::string& id, double result);

    const Value::Dictionary& previousValueDict() const { return previousValueDict_; }
    const Value::Dictionary& popupDictionary() const { return popupDictionary_; }
    const Value::Dictionary& havePostedThisSessionDict() const { return havePostedThisSessionDict_; }

private:
    static std::string playerKey();

    Value::Dictionary previousValueDict_;
    Value::Dictionary havePostedThisSessionDict_;
    Value::Dictionary popupDictionary_;
    std::optional<ZonedTime> lastPostDate_;
};

// Reports each application-install offer once, across runs ("CCOffersBuffer").
class CCOffersBuffer : public Object {
public:
    static constexpr const char* kKey = "CCOffersBuffer";

    CCOffersBuffer() { loadFromFile(); }
    void loadFromFile();
    void writeToFile();
    void postOffer(const std::string& id);
    void doPostOffer(const std::string& id);
    void clearPostQueueForOfferId(const std::string& id);
    void clearBuffer();
    static std::optional<std::string> offerUrl(const std::string& id);

    const Value::Dictionary& offersDict() const { return offersDict_; }

private:
    Value::Dictionary offersDict_;
};

// A date per leaderboard ("CCLeaderboardBuffer"; seconds since 1970).
class CCLeaderboardBuffer : public Object {
public:
    static constexpr const char* kKey = "CCLeaderboardBuffer";

    CCLeaderboardBuffer() { loadFromFile(); }
    void loadFromFile();
    void writeToFile();
    std::optional<double> timestampForLeaderboard(const std::string& id) const;
    void setTimestampForLeaderboard(const std::string& id);
    void clearBuffer();

private:
    Value::Dictionary leaderboardsDict_;
};

} // namespace mw
