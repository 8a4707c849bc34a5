#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "foundation/Ref.h"
#include "platform/GKAchievement.h"

namespace mw {

// Posted on the default notification centre (null object) whenever the local
// player signs in or out.
inline constexpr const char* GKPlayerAuthenticationDidChangeNotificationName =
    "GKPlayerAuthenticationDidChangeNotificationName";

// Posted on the default notification centre (null object) when another
// player becomes the local player.
inline constexpr const char* GKPlayerDidChangeNotificationName = "GKPlayerDidChangeNotificationName";

// Why a game-centre request failed: the service's code and its text.
struct GameCenterError {
    int code = 0;
    std::string description;
};
// Nothing on success.
using GameCenterResult = std::optional<GameCenterError>;

struct GameCenterPlayer {
    std::string playerID;
    std::string alias;
};

struct LeaderboardEntry {
    std::string playerID;
    int64_t value = 0;
    int rank = 0;
};

// The platform's game-centre service: the local player, achievements and
// leaderboards. Every completion runs later on the main run loop, never
// inside the call that asked. The desktop's signs the player in at the first
// authentication request and keeps achievements and scores in a property
// list of its own in the documents folder ("GameCenterDesktop.plist"); tests
// install a scripted fake. Main thread.
class GameCenter {
public:
    // The installed service (the desktop's unless another was installed).
    static std::shared_ptr<GameCenter> sharedInstance();
    // Installs a service, or a fresh desktop one for null; answers the previous.
    static std::shared_ptr<GameCenter> replaceSharedInstance(std::shared_ptr<GameCenter> service);

    virtual ~GameCenter() = default;

    virtual bool isLocalPlayerAuthenticated() const = 0;
    // Empty while nobody is signed in.
    virtual std::string localPlayerID() const = 0;
    // Starts signing in the local player.
    virtual void authenticateLocalPlayer(std::function<void(const GameCenterResult&)> done) = 0;
    // The achievements reported so far for the local player.
    virtual void loadAchievements(
        std::function<void(const std::vector<Ref<GKAchievement>>&, const GameCenterResult&)> done) = 0;
    // Reports an achievement complete by this percentage (100: done).
    virtual void reportAchievement(const std::string& identifier, double percentComplete,
                                   std::function<void(const GameCenterResult&)> done) = 0;
    virtual void reportScore(int64_t score, const std::string& category,
                             std::function<void(const GameCenterResult&)> done) = 0;
    // The best entry of a leaderboard; nothing when it is empty.
    virtual void loadTopScore(const std::string& category,
                              std::function<void(const std::optional<LeaderboardEntry>&, const GameCenterResult&)>
                                  done) = 0;
    // Forgets every achievement of the local player.
    virtual void resetAchievements(std::function<void(const GameCenterResult&)> done) = 0;
    virtual void loadPlayers(const std::vector<std::string>& playerIDs,
                             std::function<void(const std::vector<GameCenterPlayer>&, const GameCenterResult&)>
                                 done) = 0;

    // Whether the service can look players up by identifier (a service
    // without it counts as no game centre at all).
    virtual bool canLoadPlayers() const { return true; }
    // Whether there is a local player object to sign in.
    virtual bool hasLocalPlayer() const { return true; }
    // Empty while nobody is signed in.
    virtual std::string localPlayerAlias() const { return {}; }
    virtual bool isLocalPlayerUnderage() const { return false; }
    // The local player's friends as last loaded; none before a load.
    virtual std::optional<std::vector<std::string>> localPlayerFriendIDs() const { return std::nullopt; }
    // Loads the local player's friends. The default has none to give: an
    // empty list, on a later turn of the main run loop.
    virtual void loadFriends(
        std::function<void(const std::optional<std::vector<std::string>>&, const GameCenterResult&)> done);
};

} // namespace mw
