#pragma once

// Recording stand-ins of the platform's local notifications and game centre:
// tests read back what the game scheduled and reported.

#include <string>
#include <vector>

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

    std::vector<LocalNotification> scheduled; // still pending, in order
    int cancellations = 0;
};

class RecordingGameCenter : public GameCenter {
public:
    void authenticateLocalPlayer(std::function<void(bool)> done) override
    {
        ++authentications;
        if (done) done(signsIn);
    }
    void reportAchievement(const std::string& identifier, double percentComplete) override
    {
        achievements.push_back(identifier);
    }
    void reportScore(int64_t score, const std::string& category) override
    {
        scores.push_back(category + " " + std::to_string(score));
    }

    bool signsIn = false;
    int authentications = 0;
    std::vector<std::string> achievements; // identifiers, in report order
    std::vector<std::string> scores;       // "category score"
};

} // namespace mw::test
