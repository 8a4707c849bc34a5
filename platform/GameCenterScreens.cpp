#include "platform/GameCenterScreens.h"

#include "foundation/Format.h"
#include "platform/ModalScreen.h"

namespace mw {

namespace {

void presentWith(const std::string& title, std::vector<std::pair<std::string, std::string>> rows,
                 const GameCenterResult& failure, std::function<void()> done)
{
    auto screen = makeRef<ModalScreen>(title, std::move(rows));
    if (failure) screen->emptyText = failure->description;
    screen->onDone = std::move(done);
    screen->present();
}

} // namespace

void presentAchievementsScreen(GameCenter& service, std::function<void()> done)
{
    service.loadAchievements([done](const std::vector<Ref<GKAchievement>>& list, const GameCenterResult& failure) {
        std::vector<std::pair<std::string, std::string>> rows;
        for (const auto& achievement : list)
            rows.emplace_back(achievement->identifier, format("%.0f%%", achievement->percentComplete));
        presentWith("Achievements", std::move(rows), failure, done);
    });
}

void presentLeaderboardScreen(GameCenter& service, const std::string& category, std::function<void()> done)
{
    service.loadTopScore(category, [done](const std::optional<LeaderboardEntry>& top, const GameCenterResult& failure) {
        std::vector<std::pair<std::string, std::string>> rows;
        if (top) rows.emplace_back(format("%d. %@", top->rank, top->playerID.c_str()), format("%lld", (long long)top->value));
        presentWith("Leaderboard", std::move(rows), failure, done);
    });
}

} // namespace mw
