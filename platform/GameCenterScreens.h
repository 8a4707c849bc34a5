#pragma once

#include <functional>
#include <string>

#include "platform/GameCenter.h"

namespace mw {

// The game centre's standard screens, presented modally on the root view
// once their content has loaded: the local player's achievements, and a
// leaderboard's top entry. `done` runs after the player pressed Done. When
// loading fails the screen shows the service's text instead of rows.
void presentAchievementsScreen(GameCenter& service, std::function<void()> done);
void presentLeaderboardScreen(GameCenter& service, const std::string& category, std::function<void()> done);

} // namespace mw
