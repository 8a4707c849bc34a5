#pragma once

#include <cstdint>
#include <string>

#include "foundation/KeyedArchive.h"
#include "foundation/Object.h"

namespace mw {

// One score for a leaderboard as the game-centre service takes it: the
// leaderboard's category and the value. Archives under "GKScore" with the
// keys "category" and "value".
class GKScore : public Object, public Archivable {
public:
    GKScore() = default;
    GKScore(std::string category, int64_t value) : category(std::move(category)), value(value) {}
    std::string className() const override { return "GKScore"; }
    void encodeWithCoder(KeyedArchiver& coder) const override;
    // Refuses an archive without a category.
    bool initWithCoder(KeyedUnarchiver& coder) override;

    std::string category;
    int64_t value = 0;
};

} // namespace mw
