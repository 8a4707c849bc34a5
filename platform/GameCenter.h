#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace mw {

// The platform's game-centre service: the signed-in player, achievements
// and leaderboard scores. A desktop has none: the service the game uses on
// Linux never signs in and logs what it is given; tests install a recording
// fake. Main thread.
class GameCenter {
public:
    // The installed service (the offline one unless another was installed).
    static std::shared_ptr<GameCenter> sharedInstance();
    // Installs a service, or the offline one again for null; answers the previous.
    static std::shared_ptr<GameCenter> replaceSharedInstance(std::shared_ptr<GameCenter> service);

    virtual ~GameCenter() = default;
    // Starts signing in the local player; `done` runs with the result, at
    // once or later on the main thread.
    virtual void authenticateLocalPlayer(std::function<void(bool signedIn)> done) = 0;
    // Reports an achievement as complete by this percentage (100: done).
    virtual void reportAchievement(const std::string& identifier, double percentComplete) = 0;
    // Reports a score to a leaderboard.
    virtual void reportScore(int64_t score, const std::string& category) = 0;
};

} // namespace mw
