#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "foundation/Object.h"

namespace mw {

// Told when the local player has signed in.
class GameCenterManagerDelegate {
public:
    virtual ~GameCenterManagerDelegate() = default;
    virtual void processGameCenterAuth(bool signedIn) {}
};

// The game's wrapper of the platform's game-centre service: the signed-in
// flag, achievement and score reports, and the achievements kept on the
// device while nobody is signed in, resent after the next sign-in. (The
// kept achievements live in memory for the life of the process.)
class GameCenterManager : public Object {
public:
    // Not owned; null for none.
    void setDelegate(GameCenterManagerDelegate* delegate) { delegate_ = delegate; }
    // Starts signing in; the delegate hears of a success.
    void authenticateLocalUser();
    bool UserLoged = false;

    void submitAchievement(const std::string& identifier, double percentComplete);
    // Keeps an achievement to send after the next sign-in.
    void saveAchievementToDevice(const std::string& identifier);
    // Sends the kept achievements and forgets them.
    void retrieveAchievementsFromDevice();
    void reportScore(int64_t score, const std::string& category);

    const std::vector<std::string>& keptAchievements() const { return kept_; }

private:
    GameCenterManagerDelegate* delegate_ = nullptr;
    std::vector<std::string> kept_;
};

} // namespace mw
