#include "platform/GameCenter.h"

#include <mutex>

#include "foundation/Log.h"

namespace mw {

namespace {

// A desktop has no game-centre service: nobody signs in, and reports are
// only logged (the game keeps unsent achievements itself).
class OfflineGameCenter : public GameCenter {
public:
    void authenticateLocalPlayer(std::function<void(bool)> done) override
    {
        if (done) done(false);
    }
    void reportAchievement(const std::string& identifier, double percentComplete) override
    {
        logLine("GameCenter: achievement %s %.0f%% (offline)", identifier.c_str(), percentComplete);
    }
    void reportScore(int64_t score, const std::string& category) override
    {
        logLine("GameCenter: score %lld in %s (offline)", static_cast<long long>(score), category.c_str());
    }
};

std::mutex gLock;
std::shared_ptr<GameCenter>& installed()
{
    static std::shared_ptr<GameCenter> service = std::make_shared<OfflineGameCenter>();
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
    if (!service) service = std::make_shared<OfflineGameCenter>();
    std::swap(service, installed());
    return service;
}

} // namespace mw
