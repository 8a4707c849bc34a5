#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "foundation/Object.h"
#include "foundation/Ref.h"

namespace mw {

class Puzzle;
class ResourceBoard;

// Makes every tile of a board: random tiles weighted by the spawn chances of
// the game data (one table for the mine, four seasonal ones for the fields),
// the reward tiles a full collection earns (queued and dealt before any
// random tile), tiles of a given kind, the mine's refill after an explosion,
// and, while a kind is forced, only that kind. One generator serves a board
// for its session; it draws from the process-wide random source, which it
// seeds once when it is made.
class PuzzleFactory : public Object {
public:
    // The kinds and weights of the after-explosion refill, in roll order.
    static constexpr std::array<std::pair<int32_t, int32_t>, 3> kAfterExplode{{{2, 40}, {1, 50}, {3, 10}}};

    // Reads the mode's tables (0 mine, 1 field) from the profile; the chances
    // are read once, so upgrades that change them count from the next session.
    PuzzleFactory(int32_t mode, ResourceBoard* panel);
    static Ref<PuzzleFactory> factoryWithMode(int32_t mode, ResourceBoard* panel)
    {
        return makeRef<PuzzleFactory>(mode, panel);
    }

    // The next tile: a queued reward tile, else a random one. Null only when
    // the mode has no kinds at all.
    Ref<Puzzle> createPuzzle(ResourceBoard* panel);
    // A refill batch: every queued tile (even more than `count`), then random
    // tiles up to `count`, shuffled; ends a forced kind.
    std::vector<Ref<Puzzle>> createPuzzles(int32_t count, ResourceBoard* panel);
    // A tile of a kind, or null when the kind has no picture in this generator.
    Ref<Puzzle> createPuzzleWithType(int32_t kind, ResourceBoard* panel);
    // The mine's refill after an explosion (rubble, earth or gas).
    Ref<Puzzle> createPuzzleAfterExplode(ResourceBoard* panel);
    // Queues the reward tiles a counted chain earns (its first tile's kind).
    void updateQueue(const std::vector<Puzzle*>& chain);
    // Forces a kind until the end of the next batch.
    void nextSpawnSetTo(int32_t kind);
    bool isNextSpawnSetTo() const { return forcedActive_; }
    int32_t forcedKind() const { return forcedKind_; }

    int32_t season() const { return season_; }
    void setSeason(int32_t season) { season_ = season; }
    int32_t mode() const { return mode_; }
    bool TouchWasWithInfo = false;

    // Shuffles in place (the platform's uniform generator).
    static void randomSortArray(std::vector<Ref<Puzzle>>& tiles);

    // ---- the tables, for the boards and for checks
    const std::vector<int32_t>& keys() const { return keys_; }
    // The integer percents of the mine, or the float percents of a season.
    int32_t minePercent(int32_t kind) const;
    float seasonPercent(int32_t season, int32_t kind) const;
    // The kind a roll of 1..100 picks from the active table (the mine's, or
    // the season's). A roll above the table's total takes the last kind with
    // a percent above 0, a table without any the last kind; -1 without kinds.
    int32_t kindForRoll(int32_t roll) const;
    // The kind an after-explosion roll of [0, 100] picks.
    static int32_t kindAfterExplodeForRoll(float roll);
    // The picture of a kind for the current season ("not found" when none).
    std::string pictureOf(int32_t kind) const;
    size_t queuedCount() const { return nextObjects_.size(); }

private:
    // A tile of `kind` with its picture, by the mode's constructor.
    Ref<Puzzle> buildTile(int32_t kind, bool constAnimEverywhere);
    // Panel, seen marking, collectability: what every dealt tile gets.
    void deal(Puzzle& tile, ResourceBoard* panel);
    bool markSeen(int32_t kind, ResourceBoard* panel);
    float percentOf(int32_t kind) const;

    int32_t mode_;
    int32_t season_ = 0;
    std::vector<int32_t> keys_;
    std::map<int32_t, std::string> minePictures_;
    std::map<int32_t, std::array<std::string, 4>> fieldPictures_;
    std::map<int32_t, int32_t> minePercents_;
    std::array<std::map<int32_t, float>, 4> seasonPercents_;
    std::map<int32_t, int32_t> collectionsDict_;
    std::map<int32_t, int32_t> collectedAssociatedDict_;
    std::deque<Ref<Puzzle>> nextObjects_;
    ResourceBoard* panel_; // not owned: the board's child
    bool forcedActive_ = false;
    int32_t forcedKind_ = -1;
};

} // namespace mw
