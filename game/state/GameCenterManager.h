#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "foundation/Object.h"
#include "foundation/Ref.h"
#include "foundation/Value.h"
#include "platform/GameCenter.h"

namespace mw {

// Hears the results of the manager's requests, always from the main run loop
// and never inside the call that made the request. Every operation is optional.
class GameCenterManagerDelegate {
public:
    virtual ~GameCenterManagerDelegate() = default;
    virtual void mappedPlayerIDToPlayer(const std::optional<GameCenterPlayer>& player, const GameCenterResult& error) {}
    virtual void achievementResetResult(const GameCenterResult& error) {}
    virtual void achievementSubmitted(GKAchievement* achievement, const GameCenterResult& error) {}
    virtual void reloadScoresComplete(const std::optional<LeaderboardEntry>& top, const GameCenterResult& error) {}
    virtual void scoreReported(const GameCenterResult& error) {}
    virtual void processGameCenterAuth(const GameCenterResult& error) {}
};

// The game's wrapper of the platform's game centre: signs the player in and
// follows sign-ins and sign-outs, submits achievements through a cache of
// what the service already holds, keeps achievements it could not send in
// "GameCenterSave.txt" in the documents folder and sends them again after
// the next sign-in, and reports scores. Main thread.
//
// The file is a property-list dictionary whose "Achievements" entry is a keyed
// archive of the unsent achievements, in the order they were kept; its other
// entries are kept as they are. A file that does not parse is moved aside and
// reported; one that cannot be read, or cannot be moved aside, is left alone
// and nothing is written over it.
class GameCenterManager : public Object {
public:
    // Watches the platform's sign-in changes until stop() or destruction.
    GameCenterManager();
    ~GameCenterManager() override;

    // Not owned; null for none.
    void setDelegate(GameCenterManagerDelegate* delegate) { delegate_ = delegate; }
    GameCenterManagerDelegate* delegate() const { return delegate_; }
    // Stops watching and forgets the delegate: results still on their way
    // reach nobody (the owner is replacing this manager).
    void stop();

    bool UserLoged = false;

    // Starts signing in unless the player already is.
    void authenticateLocalUser();
    // The handler of the platform's sign-in change notification.
    void ChangedStatus();
    std::string UserName() const;

    void submitAchievement(const std::string& identifier, double percentComplete);
    // Appends an achievement to the offline file.
    void saveAchievementToDevice(GKAchievement& achievement);
    // Empties the offline file and submits its achievements at 100 percent, in order.
    void retrieveAchievementsFromDevice();
    void reportScore(int64_t score, const std::string& category);
    void reloadHighScoresForCategory(const std::string& category);
    void resetAchievements();
    void mapPlayerIDtoPlayer(const std::string& playerID);

    // The cache of reported achievements; null until the first submission filled it.
    const std::map<std::string, Ref<GKAchievement>>* earnedAchievementCache() const
    {
        return cache_ ? &*cache_ : nullptr;
    }

    static std::string offlineFilePath();
    // The offline achievements archived in an "Achievements" entry; nothing
    // when the bytes are not such an archive.
    static std::optional<std::vector<Ref<GKAchievement>>> decodeOfflineAchievements(const Value::Bytes& archive);
    static Value::Bytes encodeOfflineAchievements(const std::vector<Ref<GKAchievement>>& achievements);
    // The offline file's dictionary when its bytes are a property-list
    // dictionary whose "Achievements" entry, if any, is such an archive.
    static std::optional<Value> parseOfflineFile(const uint8_t* bytes, size_t size);

private:
    // The offline file's dictionary (empty when there is none), or nothing
    // when it cannot be trusted (then it must not be written).
    static std::optional<Value> readOfflineFile();
    void report(const Ref<GKAchievement>& achievement);
    void submitted(const Ref<GKAchievement>& achievement, const GameCenterResult& error);
    // Queues a call of the delegate on the main run loop.
    template <typename Call>
    void tellDelegate(Call call);

    GameCenterManagerDelegate* delegate_ = nullptr;
    std::optional<std::map<std::string, Ref<GKAchievement>>> cache_;
    uint64_t observer_ = 0;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace mw
