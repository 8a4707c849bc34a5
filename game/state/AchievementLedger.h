#pragma once

#include <cstdint>
#include <string>

namespace mw {

// Where achievements are recorded: which are granted and the progress
// counters of the counted ones (the global game object keeps them). The
// profile asks it when resources are made and buildings bought.
class AchievementLedger {
public:
    virtual ~AchievementLedger() = default;

    // True when the achievement is granted; false for an unknown identifier.
    virtual bool IsAchievementDone(const std::string& identifier) = 0;
    // Grants the achievement, with its banner text key and points. Callers
    // check IsAchievementDone first.
    virtual void AchievementDone(const std::string& identifier, const std::string& desc, int32_t pts) = 0;
    // The progress counter; 0 for an unknown identifier.
    virtual int32_t GetAchievementHelperState(const std::string& identifier) = 0;
    virtual void SetAchievementHelperState(const std::string& identifier, int32_t cnt) = 0;
};

} // namespace mw
