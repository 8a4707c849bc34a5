#include "game/state/GameCenterManager.h"

#include "foundation/Ref.h"
#include "platform/GameCenter.h"

namespace mw {

void GameCenterManager::authenticateLocalUser()
{
    Ref<GameCenterManager> keep(this); // the answer may come after the caller let go
    GameCenter::sharedInstance()->authenticateLocalPlayer([keep](const GameCenterResult& failure) {
        if (!failure && keep->delegate_) keep->delegate_->processGameCenterAuth(true);
    });
}

void GameCenterManager::submitAchievement(const std::string& identifier, double percentComplete)
{
    GameCenter::sharedInstance()->reportAchievement(identifier, percentComplete, nullptr);
}

void GameCenterManager::saveAchievementToDevice(const std::string& identifier)
{
    kept_.push_back(identifier);
}

void GameCenterManager::retrieveAchievementsFromDevice()
{
    std::vector<std::string> kept;
    kept.swap(kept_);
    for (const std::string& identifier : kept) submitAchievement(identifier, 100.0);
}

void GameCenterManager::reportScore(int64_t score, const std::string& category)
{
    GameCenter::sharedInstance()->reportScore(score, category, nullptr);
}

} // namespace mw
