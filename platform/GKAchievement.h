#pragma once

#include <string>

#include "foundation/KeyedArchive.h"
#include "foundation/Object.h"

namespace mw {

// One achievement as the game-centre service knows it: its identifier and
// how far it is complete (0 to 100). Archives under "GKAchievement" with the
// keys "identifier" and "percentComplete".
class GKAchievement : public Object, public Archivable {
public:
    GKAchievement() = default;
    GKAchievement(std::string identifier, double percentComplete)
        : identifier(std::move(identifier)), percentComplete(percentComplete)
    {
    }

    std::string className() const override { return "GKAchievement"; }
    void encodeWithCoder(KeyedArchiver& coder) const override;
    // Refuses an archive without an identifier.
    bool initWithCoder(KeyedUnarchiver& coder) override;

    std::string identifier;
    double percentComplete = 0;
};

} // namespace mw
