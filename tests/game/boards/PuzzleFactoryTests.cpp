#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <vector>

#include "foundation/Clock.h"
#include "foundation/Random.h"
#include "game/boards/Puzzle.h"
#include "game/boards/PuzzleFactory.h"
#include "game/boards/ResourceBoard.h"
#include "tests/game/boards/BoardsTestSupport.h"
#include "tests/support/ScriptedRandom.h"

namespace mw {
namespace {

using test::BoardTest;

// random() values whose roll r = (int)(random() / 2^31 * 99 + 1) is the
// one wanted; the last reaches 100, the very top of the generator's range.
int32_t drawForRoll(int roll)
{
    if (roll >= 100) return 0x7fffffff;
    return static_cast<int32_t>((static_cast<double>(roll) - 1 + 0.5) / 99.0 * 2147483648.0);
}

std::vector<int32_t> kindsOf(const std::vector<Ref<Puzzle>>& tiles)
{
    std::vector<int32_t> kinds;
    for (const Ref<Puzzle>& tile : tiles)
        kinds.push_back(tile->GetType());
    return kinds;
}

class PuzzleFactoryTest : public BoardTest {
protected:
    Ref<ResourceBoard> minePanel() { return ResourceBoard::boardWithMode(0); }
};

TEST_F(PuzzleFactoryTest, MinePercentsTruncateAndEachRollPicksByRunningTotal)
{
    auto factory = PuzzleFactory::factoryWithMode(0, nullptr);
    EXPECT_EQ(factory->keys(), (std::vector<int32_t>{1, 2, 3, 4, 9, 20, 22}));
    const std::map<int32_t, int32_t> percents{{1, 33}, {2, 33}, {3, 0}, {4, 33}, {9, 0}, {20, 0}, {22, 0}};
    for (const auto& [kind, percent] : percents)
        EXPECT_EQ(factory->minePercent(kind), percent) << "kind " << kind;

    // The percents total 99; a roll of 100 lies above the table and takes
    // the last kind that has a weight (22, the last kind, has none).
    const struct {
        int roll;
        int32_t kind;
    } rows[] = {{1, 1}, {33, 1}, {34, 2}, {66, 2}, {67, 4}, {99, 4}, {100, 4}};
    for (const auto& row : rows) {
        EXPECT_EQ(factory->kindForRoll(row.roll), row.kind) << "roll " << row.roll;
        ScopedRandomSource script(std::make_shared<test::ScriptedRandom>(drawForRoll(row.roll)));
        Ref<Puzzle> tile = factory->createPuzzle(nullptr);
        ASSERT_TRUE(tile) << "roll " << row.roll;
        EXPECT_EQ(tile->GetType(), row.kind) << "roll " << row.roll << " through random()";
    }
}

TEST_F(PuzzleFactoryTest, FieldPercentsFollowTheSeasonAndAnEmptySeasonStillDeals)
{
    auto factory = PuzzleFactory::factoryWithMode(1, nullptr);
    EXPECT_EQ(factory->keys(), (std::vector<int32_t>{10, 12, 14, 17, 18, 21}));
    EXPECT_FLOAT_EQ(factory->seasonPercent(0, 10), 50);
    EXPECT_FLOAT_EQ(factory->seasonPercent(0, 12), 30);
    EXPECT_FLOAT_EQ(factory->seasonPercent(1, 17), 50);
    EXPECT_FLOAT_EQ(factory->seasonPercent(3, 10), 100);
    EXPECT_FLOAT_EQ(factory->seasonPercent(7, 10), 100) << "any other season reads winter";

    const struct {
        int32_t season;
        int roll;
        int32_t kind;
    } rows[] = {{0, 1, 10},  {0, 50, 10}, {0, 51, 12}, {0, 80, 12}, {0, 81, 17}, {0, 100, 17},
                {1, 25, 10}, {1, 26, 12}, {1, 51, 17}, {3, 99, 10},
                // Autumn has no chances at all: the last kind is dealt.
                {2, 1, 21}, {2, 100, 21}};
    for (const auto& row : rows) {
        factory->setSeason(row.season);
        EXPECT_EQ(factory->kindForRoll(row.roll), row.kind) << "season " << row.season << " roll " << row.roll;
    }
    factory->setSeason(0);
    EXPECT_EQ(factory->pictureOf(12), "carrot_spring.png");
    factory->setSeason(3);
    EXPECT_EQ(factory->pictureOf(10), "snow.png");
    EXPECT_EQ(factory->pictureOf(2), "not found");
}

TEST_F(PuzzleFactoryTest, SeededDrawsFollowTheWeightsWithinATolerance)
{
    ScopedRandomSource fresh(std::make_shared<DefaultRandomSource>());
    auto clock = std::make_shared<ManualClock>(0, 1'700'000'000.125);
    ScopedClockSource clockSource(clock);
    const struct {
        int32_t mode;
        int32_t season;
        std::map<int32_t, double> expected; // share of the draws
    } cases[] = {{0, 0, {{1, 33.0 / 99}, {2, 33.0 / 99}, {4, 33.0 / 99}}},
                 {1, 0, {{10, 0.50}, {12, 0.30}, {17, 0.20}}},
                 {1, 1, {{10, 0.25}, {12, 0.25}, {17, 0.50}}}};
    constexpr int kDraws = 6000;
    for (const auto& c : cases) {
        auto factory = PuzzleFactory::factoryWithMode(c.mode, nullptr);
        factory->setSeason(c.season);
        std::map<int32_t, int> counts;
        for (int batch = 0; batch < kDraws / 36; ++batch) {
            for (int32_t kind : kindsOf(factory->createPuzzles(36, nullptr)))
                ++counts[kind];
        }
        const int total = (kDraws / 36) * 36;
        for (const auto& [kind, share] : c.expected) {
            EXPECT_NEAR(static_cast<double>(counts[kind]) / total, share, 0.03)
                << "mode " << c.mode << " season " << c.season << " kind " << kind;
        }
        int others = total;
        for (const auto& [kind, share] : c.expected)
            others -= counts[kind];
        EXPECT_EQ(others, 0) << "kinds of no weight were dealt";
    }
}

TEST_F(PuzzleFactoryTest, TwoRefillsWithinOneSecondRollDifferently)
{
    // The clock stands still: every batch falls within the same second.
    ScopedRandomSource fresh(std::make_shared<DefaultRandomSource>());
    auto clock = std::make_shared<ManualClock>(0, 1'700'000'000.5);
    ScopedClockSource clockSource(clock);
    auto factory = PuzzleFactory::factoryWithMode(0, nullptr);
    std::vector<int32_t> first = kindsOf(factory->createPuzzles(36, nullptr));
    std::vector<int32_t> second = kindsOf(factory->createPuzzles(36, nullptr));
    std::sort(first.begin(), first.end());
    std::sort(second.begin(), second.end());
    EXPECT_NE(first, second) << "the second batch repeated the first one's rolls";

    // A session opened at the same moment deals the same tiles: a run with a
    // fixed clock repeats.
    auto again = PuzzleFactory::factoryWithMode(0, nullptr);
    std::vector<int32_t> repeated = kindsOf(again->createPuzzles(36, nullptr));
    std::sort(repeated.begin(), repeated.end());
    EXPECT_EQ(repeated, first);
}

TEST_F(PuzzleFactoryTest, RewardTilesAreQueuedPerFullSetAndDealtFirst)
{
    auto panel = minePanel();
    auto factory = PuzzleFactory::factoryWithMode(0, panel.get());
    std::vector<Ref<Puzzle>> chainTiles;
    std::vector<Puzzle*> chain;
    for (int i = 0; i < 7; ++i) {
        chainTiles.push_back(factory->createPuzzleWithType(1, panel.get()));
        chain.push_back(chainTiles.back().get());
    }
    // Earth: a rubble tile for every 3, 2 stage experience each.
    const float stageBefore = profile().StageExp;
    factory->updateQueue({chain.begin(), chain.begin() + 2});
    EXPECT_EQ(factory->queuedCount(), 0u) << "a chain of 2 earns nothing";
    factory->updateQueue(chain);
    EXPECT_EQ(factory->queuedCount(), 2u);
    EXPECT_FLOAT_EQ(profile().StageExp - stageBefore, 4);

    // A queued tile comes before any random one, and a batch takes them all
    // even when it asks for fewer.
    Ref<Puzzle> next = factory->createPuzzle(panel.get());
    EXPECT_EQ(next->GetType(), 2);
    EXPECT_EQ(next->resourceBoard(), panel.get());
    factory->updateQueue(chain); // one left from before, two more
    const std::vector<Ref<Puzzle>> batch = factory->createPuzzles(1, panel.get());
    EXPECT_EQ(kindsOf(batch), (std::vector<int32_t>{2, 2, 2}));
    EXPECT_EQ(factory->queuedCount(), 0u);
}

TEST_F(PuzzleFactoryTest, AForcedKindLastsToTheEndOfTheNextBatch)
{
    auto factory = PuzzleFactory::factoryWithMode(0, nullptr);
    factory->nextSpawnSetTo(9);
    EXPECT_TRUE(factory->isNextSpawnSetTo());
    EXPECT_EQ(factory->createPuzzle(nullptr)->GetType(), 9) << "single tiles before the batch too";
    const std::vector<int32_t> forced = kindsOf(factory->createPuzzles(36, nullptr));
    EXPECT_EQ(std::count(forced.begin(), forced.end(), 9), 36);
    EXPECT_FALSE(factory->isNextSpawnSetTo());
    const std::vector<int32_t> after = kindsOf(factory->createPuzzles(36, nullptr));
    EXPECT_EQ(std::count(after.begin(), after.end(), 9), 0) << "gold has no weight of its own";
}

TEST_F(PuzzleFactoryTest, TheExplosionRefillNeedsTheRunningTotalToExceedTheRoll)
{
    const struct {
        float roll;
        int32_t kind;
    } rows[] = {{0, 2}, {39.99f, 2}, {40, 1}, {89.99f, 1}, {90, 3}, {99.99f, 3}, {100, 3}};
    for (const auto& row : rows)
        EXPECT_EQ(PuzzleFactory::kindAfterExplodeForRoll(row.roll), row.kind) << "roll " << row.roll;

    auto factory = PuzzleFactory::factoryWithMode(0, nullptr);
    // random() of 2^31 x 0.4 rolls exactly 40.
    ScopedRandomSource script(std::make_shared<test::ScriptedRandom>(858993459));
    Ref<Puzzle> tile = factory->createPuzzleAfterExplode(nullptr);
    EXPECT_EQ(tile->GetType(), 1);
    EXPECT_TRUE(tile->getChildByTag(Puzzle::kTagEarth)) << "a mine tile with its earth cover";
}

TEST_F(PuzzleFactoryTest, DealtTilesAreSeenAndKindsNoChainTakesCannotBeCollected)
{
    auto panel = minePanel();
    auto factory = PuzzleFactory::factoryWithMode(0, panel.get());
    ASSERT_FALSE(profile().GetCollectible(4)->Seen);
    ASSERT_FALSE(profile().GetResource(10)->Seen);
    Ref<Puzzle> stone = factory->createPuzzleWithType(4, panel.get());
    ASSERT_TRUE(stone);
    EXPECT_TRUE(profile().GetCollectible(4)->Seen);
    EXPECT_TRUE(profile().GetResource(10)->Seen) << "the resource it makes is seen with it";
    auto* icon = dynamic_cast<CCSprite*>(panel->slotOf(10)->getChildByTag(ResourceBoard::kTagIcon));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->opacity(), 255) << "the panel revealed its slot";
    EXPECT_FALSE(stone->CanCollect) << "minimum group 40";
    EXPECT_TRUE(factory->createPuzzleWithType(1, panel.get())->CanCollect);

    EXPECT_FALSE(factory->createPuzzleWithType(10, panel.get())) << "a field kind has no mine picture";
    auto field = PuzzleFactory::factoryWithMode(1, nullptr);
    Ref<Puzzle> rabbit = field->createPuzzleWithType(17, nullptr);
    ASSERT_TRUE(rabbit);
    EXPECT_EQ(rabbit->GetType(), 17);
    EXPECT_EQ(rabbit->Mode, 0) << "no panel: the tile keeps the mine's mode number";
}

TEST_F(PuzzleFactoryTest, TheFirstRewardCarrotRunsTheBoardsTutorialHookOnce)
{
    auto board = makeRef<test::RecordingBoard>();
    auto panel = ResourceBoard::boardWithMode(1);
    board->addChild(panel.get());
    auto factory = PuzzleFactory::factoryWithMode(1, panel.get());
    std::vector<Ref<Puzzle>> tiles;
    std::vector<Puzzle*> chain;
    for (int i = 0; i < 4; ++i) {
        tiles.push_back(factory->createPuzzleWithType(10, panel.get()));
        chain.push_back(tiles.back().get());
    }
    factory->updateQueue(chain); // grass: a carrot for every 2
    EXPECT_EQ(factory->queuedCount(), 2u);
    EXPECT_EQ(board->podHacks, 1) << "only the carrot that was new";
    EXPECT_TRUE(profile().GetTutorialDef(49)->Done);
    EXPECT_TRUE(profile().GetTutorialDef(49)->ArrowAfterDone);
    EXPECT_TRUE(profile().GetCollectible(12)->Seen);
    EXPECT_TRUE(profile().GetResource(1)->Seen);
}

} // namespace
} // namespace mw
