#pragma once

// Recording stand-ins of the platform's local notifications and game centre:
// tests read back what the game scheduled and reported, and script what the
// game centre answers.

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "foundation/NotificationCenter.h"
#include "foundation/RunLoop.h"
#include "platform/Application.h"
#include "platform/GameCenter.h"
#include "platform/LocalNotifications.h"

namespace mw::test {

class RecordingLocalNotifications : public LocalNotifications {
public:
    void scheduleLocalNotification(const LocalNotification& notification) override
    {
        scheduled.push_back(notification);
    }
    void cancelAllLocalNotifications() override
    {
        scheduled.clear();
        ++cancellations;
    }
    // Delivers the scheduled notifications due at `wallSeconds` to the
    // application, as the platform does while the game runs.
    void fireDue(double wallSeconds)
    {
        std::vector<LocalNotification> due;
        std::erase_if(scheduled, [&](const LocalNotification& n) {
            if (n.fireDateUnixTime > wallSeconds) return false;
            due.push_back(n);
            return true;
        });
        for (const auto& notification : due) Application::sharedApplication().receiveLocalNotification(notification);
    }

    std::vector<LocalNotification> scheduled; // still pending, in order
    int cancellations = 0;
};

// Answers every request through the main run loop (drain it to deliver),
// with success unless a failure was scripted for that operation.
class RecordingGameCenter : public GameCenter {
public:
    // Operation names for `failNext`.
    static constexpr const char* kAuthenticate = "authenticate";
    static constexpr const char* kLoad = "load";
    static constexpr const char* kReport = "report";
    static constexpr const char* kScore = "score";
    static constexpr const char* kTop = "top";
    static constexpr const char* kReset = "reset";
    static constexpr const char* kPlayers = "players";
    static constexpr const char* kFriends = "friends";

    bool isLocalPlayerAuthenticated() const override { return authenticated; }
    std::string localPlayerID() const override { return authenticated ? playerID : ""; }
    std::string localPlayerAlias() const override { return authenticated ? alias : ""; }
    bool canLoadPlayers() const override { return available; }
    bool hasLocalPlayer() const override { return localPlayer; }
    bool isLocalPlayerUnderage() const override { return underage; }
    std::optional<std::vector<std::string>> localPlayerFriendIDs() const override { return loadedFriends; }
    void loadFriends(std::function<void(const std::optional<std::vector<std::string>>&, const GameCenterResult&)>
                         done) override
    {
        calls.push_back("friends");
        GameCenterResult result = next(kFriends);
        later([this, result, done] {
            std::optional<std::vector<std::string>> ids;
            if (!result) ids = loadedFriends = friends;
            if (done) done(ids, result);
        });
    }

    void authenticateLocalPlayer(std::function<void(const GameCenterResult&)> done) override
    {
        ++authentications;
        GameCenterResult result = next(kAuthenticate);
        if (!result && !signsIn) result = GameCenterError{2, "The player cancelled the sign-in."};
        later([this, result, done] {
            if (!result) setAuthenticated(true);
            if (done) done(result);
        });
    }
    void loadAchievements(
        std::function<void(const std::vector<Ref<GKAchievement>>&, const GameCenterResult&)> done) override
    {
        calls.push_back("load");
        GameCenterResult result = next(kLoad);
        later([this, result, done] {
            std::vector<Ref<GKAchievement>> list;
            if (!result)
                for (const auto& [id, percent] : reported) list.push_back(makeRef<GKAchievement>(id, percent));
            if (done) done(list, result);
        });
    }
    void reportAchievement(const std::string& identifier, double percentComplete,
                           std::function<void(const GameCenterResult&)> done) override
    {
        calls.push_back("report " + identifier + " " + std::to_string(static_cast<int>(percentComplete)));
        GameCenterResult result = next(kReport);
        if (!result) {
            achievements.push_back(identifier);
            reported[identifier] = std::max(reported[identifier], percentComplete);
        }
        later([result, done] {
            if (done) done(result);
        });
    }
    void reportScore(int64_t score, const std::string& category,
                     std::function<void(const GameCenterResult&)> done) override
    {
        GameCenterResult result = next(kScore);
        if (!result) scores.push_back(category + " " + std::to_string(score));
        later([result, done] {
            if (done) done(result);
        });
    }
    void loadTopScore(const std::string& category,
                      std::function<void(const std::optional<LeaderboardEntry>&, const GameCenterResult&)> done)
        override
    {
        calls.push_back("top " + category);
        GameCenterResult result = next(kTop);
        std::optional<LeaderboardEntry> entry;
        if (auto found = topScores.find(category); found != topScores.end() && !result) entry = found->second;
        later([entry, result, done] {
            if (done) done(entry, result);
        });
    }
    void resetAchievements(std::function<void(const GameCenterResult&)> done) override
    {
        calls.push_back("reset");
        GameCenterResult result = next(kReset);
        if (!result) reported.clear();
        later([result, done] {
            if (done) done(result);
        });
    }
    void loadPlayers(const std::vector<std::string>& ids,
                     std::function<void(const std::vector<GameCenterPlayer>&, const GameCenterResult&)> done)
        override
    {
        calls.push_back("players " + std::to_string(ids.size()));
        GameCenterResult result = next(kPlayers);
        std::vector<GameCenterPlayer> found;
        if (!result)
            for (const auto& id : ids)
                if (auto alias = aliases.find(id); alias != aliases.end()) found.push_back({id, alias->second});
        later([found, result, done] {
            if (done) done(found, result);
        });
    }

    // Signs the player in or out as the service would on its own, with the
    // change notification.
    void setAuthenticated(bool signedIn)
    {
        if (authenticated == signedIn) return;
        authenticated = signedIn;
        NotificationCenter::defaultCenter().postNotification(GKPlayerAuthenticationDidChangeNotificationName);
    }
    // The next request of this operation fails with this error.
    void failNext(const std::string& operation, GameCenterError error)
    {
        failures[operation].push_back(std::move(error));
    }

    bool signsIn = false;  // what an authentication request ends with
    bool authenticated = false;
    int authentications = 0;
    std::vector<std::string> achievements;      // identifiers reported successfully, in order
    std::vector<std::string> scores;            // "category score"
    std::vector<std::string> calls;             // every other request, in order
    std::map<std::string, double> reported;     // the service's record
    std::map<std::string, LeaderboardEntry> topScores;
    std::map<std::string, std::string> aliases; // player identifier -> alias
    // The local player and its friends.
    std::string playerID = "G:test";
    std::string alias = "Tester";
    bool available = true;   // false: no game centre on this device
    bool localPlayer = true; // false: no local player object
    bool underage = false;
    std::vector<std::string> friends;                        // what a friends load finds
    std::optional<std::vector<std::string>> loadedFriends;   // what the last load found

private:
    GameCenterResult next(const std::string& operation)
    {
        auto& queue = failures[operation];
        if (queue.empty()) return std::nullopt;
        GameCenterError error = queue.front();
        queue.pop_front();
        return error;
    }
    static void later(std::function<void()> work) { RunLoop::main().perform(std::move(work)); }

    std::map<std::string, std::deque<GameCenterError>> failures;
};

} // namespace mw::test
