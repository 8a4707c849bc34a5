#include "platform/GameCenter.h"

#include <cstdlib>
#include <map>
#include <mutex>

#include "foundation/GuardedPropertyList.h"
#include "foundation/Log.h"
#include "foundation/NotificationCenter.h"
#include "foundation/Paths.h"
#include "foundation/PropertyList.h"
#include "foundation/RunLoop.h"

namespace mw {

namespace {

// Achievements and scores of one player: a file far larger is none of ours.
constexpr size_t kLargestFile = size_t(4) << 20;

const GameCenterResult kSuccess = std::nullopt;

// The desktop's own game centre: one local player, signed in on request,
// with achievements and best scores kept in a file beside the save.
class DesktopGameCenter : public GameCenter, public std::enable_shared_from_this<DesktopGameCenter> {
public:
    bool isLocalPlayerAuthenticated() const override { return signedIn_; }
    std::string localPlayerID() const override { return signedIn_ ? playerID() : std::string(); }

    void authenticateLocalPlayer(std::function<void(const GameCenterResult&)> done) override
    {
        later([this, done] {
            if (!signedIn_) {
                signedIn_ = true;
                load();
                NotificationCenter::defaultCenter().postNotification(
                    GKPlayerAuthenticationDidChangeNotificationName);
            }
            if (done) done(kSuccess);
        });
    }

    void loadAchievements(
        std::function<void(const std::vector<Ref<GKAchievement>>&, const GameCenterResult&)> done) override
    {
        later([this, done] {
            std::vector<Ref<GKAchievement>> list;
            if (auto failure = refuseUnlessSignedIn()) {
                if (done) done(list, failure);
                return;
            }
            for (const auto& [identifier, percent] : achievements_)
                list.push_back(makeRef<GKAchievement>(identifier, percent));
            if (done) done(list, kSuccess);
        });
    }

    void reportAchievement(const std::string& identifier, double percentComplete,
                           std::function<void(const GameCenterResult&)> done) override
    {
        later([this, identifier, percentComplete, done] {
            GameCenterResult result = refuseUnlessSignedIn();
            if (!result) {
                double& kept = achievements_[identifier];
                if (percentComplete > kept) kept = percentComplete;
                if (!save()) result = GameCenterError{3, "The achievement could not be stored."};
            }
            if (done) done(result);
        });
    }

    void reportScore(int64_t score, const std::string& category,
                     std::function<void(const GameCenterResult&)> done) override
    {
        later([this, score, category, done] {
            GameCenterResult result = refuseUnlessSignedIn();
            if (!result) {
                auto found = scores_.find(category);
                if (found == scores_.end() || score > found->second) scores_[category] = score;
                if (!save()) result = GameCenterError{3, "The score could not be stored."};
            }
            if (done) done(result);
        });
    }

    void loadTopScore(const std::string& category,
                      std::function<void(const std::optional<LeaderboardEntry>&, const GameCenterResult&)> done)
        override
    {
        later([this, category, done] {
            std::optional<LeaderboardEntry> top;
            auto found = scores_.find(category);
            if (found != scores_.end()) top = LeaderboardEntry{playerID(), found->second, 1};
            if (done) done(top, refuseUnlessSignedIn());
        });
    }

    void resetAchievements(std::function<void(const GameCenterResult&)> done) override
    {
        later([this, done] {
            GameCenterResult result = refuseUnlessSignedIn();
            if (!result) {
                achievements_.clear();
                if (!save()) result = GameCenterError{3, "The achievements could not be reset."};
            }
            if (done) done(result);
        });
    }

    void loadPlayers(const std::vector<std::string>& playerIDs,
                     std::function<void(const std::vector<GameCenterPlayer>&, const GameCenterResult&)> done)
        override
    {
        later([playerIDs, done] {
            std::vector<GameCenterPlayer> players;
            for (const auto& id : playerIDs)
                if (id == playerID()) players.push_back({id, alias()});
            if (done) done(players, kSuccess);
        });
    }

private:
    static std::string playerID() { return "G:desktop"; }
    static std::string alias()
    {
        const char* user = std::getenv("USER");
        return user && *user ? user : "Player";
    }
    static std::string path() { return Paths::documentsPath("GameCenterDesktop.plist"); }

    GameCenterResult refuseUnlessSignedIn() const
    {
        if (signedIn_ && readable_) return kSuccess;
        if (!signedIn_) return GameCenterError{6, "The requested operation could not be completed because local player has not been authenticated."};
        return GameCenterError{3, "The game centre's file cannot be read."};
    }

    // Runs `work` from the main loop while this service still exists.
    void later(std::function<void()> work)
    {
        std::weak_ptr<DesktopGameCenter> weak = weak_from_this();
        RunLoop::main().perform([weak, work = std::move(work)] {
            if (weak.lock()) work();
        });
    }

    void load()
    {
        std::optional<Value> value;
        const GuardedRead read = readGuardedPropertyList(path(), "GameCenter: " + path(), kLargestFile,
            &Value::isDict, "no dictionary", value);
        // Not ours to overwrite until a read succeeds.
        if (read == GuardedRead::Unreadable) readable_ = false;
        if (read != GuardedRead::Read) return;
        for (const auto& [identifier, percent] : (*value)["achievements"].asDict())
            achievements_[identifier] = percent.asDouble();
        for (const auto& [category, score] : (*value)["scores"].asDict())
            scores_[category] = score.asInt64();
    }

    bool save() const
    {
        Value::Dictionary achievements, scores;
        for (const auto& [identifier, percent] : achievements_) achievements.set(identifier, Value(percent));
        for (const auto& [category, score] : scores_) scores.set(category, Value::int64(score));
        Value::Dictionary root;
        root.set("achievements", Value(std::move(achievements)));
        root.set("scores", Value(std::move(scores)));
        Paths::createDirectories(Paths::documentsDirectory());
        return writePropertyListFile(path(), Value(std::move(root)));
    }

    bool signedIn_ = false;
    bool readable_ = true;
    std::map<std::string, double> achievements_;
    std::map<std::string, int64_t> scores_;
};

std::mutex gLock;
std::shared_ptr<GameCenter>& installed()
{
    static std::shared_ptr<GameCenter> service = std::make_shared<DesktopGameCenter>();
    return service;
}

} // namespace

std::shared_ptr<GameCenter> GameCenter::sharedInstance()
{
    std::lock_guard<std::mutex> guard(gLock);
    return installed();
}

std::shared_ptr<GameCenter> GameCenter::replaceSharedInstance(std::shared_ptr<GameCenter> service)
{
    std::lock_guard<std::mutex> guard(gLock);
    if (!service) service = std::make_shared<DesktopGameCenter>();
    std::swap(service, installed());
    return service;
}

} // namespace mw

namespace mw {

void GameCenter::loadFriends(
    std::function<void(const std::optional<std::vector<std::string>>&, const GameCenterResult&)> done)
{
    RunLoop::main().perform([done] {
        if (done) done(std::vector<std::string> {}, kSuccess);
    });
}

} // namespace mw
