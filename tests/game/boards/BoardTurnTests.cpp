#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/labels/CCLabelTTF.h"
#include "engine/sprites/CCSprite.h"
#include "game/boards/BoardTooltip.h"
#include "game/boards/CCLineObject.h"
#include "game/state/LocalisationManager.h"
#include "game/boards/CCExpPoints.h"
#include "tests/game/boards/MineBoardTestSupport.h"

namespace mw {
namespace {

using test::MineBoardTest;
using Cells = std::vector<std::pair<int, int>>;

const std::vector<std::string> kAllDiamond(6, "666666");

class BoardTurnTest : public MineBoardTest {
protected:
    // The board's labels showing a text.
    int labelsShowing(const std::string& text) const
    {
        int found = 0;
        for (Object* child : *board_->children()) {
            auto* label = dynamic_cast<CCLabelTTF*>(child);
            if (label && label->string() == text) ++found;
        }
        return found;
    }
    // Pictures over the board at the warnings' z-order.
    int warningFrames() const
    {
        int found = 0;
        for (Object* child : *board_->children()) {
            auto* sprite = dynamic_cast<CCSprite*>(child);
            if (sprite && sprite->zOrder() == 10) ++found;
        }
        return found;
    }
};

TEST_F(BoardTurnTest, AValidChainFallsTheTilesAboveAndDropsNewOnesInBlockingInputForTheFall)
{
    layout({"222666", "444666", "999666", "111666", "111666", "111666"});
    std::vector<Puzzle*> above;
    for (int r = 0; r < 3; ++r) above.push_back(board_->puzzleAt(r, 0));
    const float step = static_cast<float>(board_->distStep);

    play({{3, 0}, {4, 0}, {5, 0}});

    // The grid is whole at once: the three tiles above moved three rows down...
    for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(board_->puzzleAt(r + 3, 0), above[static_cast<size_t>(r)]) << r;
        EXPECT_EQ(above[static_cast<size_t>(r)]->row, r + 3);
    }
    // ...and three new tiles stand above the board, n - j rows over row 0.
    for (int j = 0; j < 3; ++j) {
        Puzzle* fresh = board_->puzzleAt(j, 0);
        EXPECT_EQ(std::count(above.begin(), above.end(), fresh), 0);
        EXPECT_FLOAT_EQ(fresh->position().y,
                        static_cast<float>(board_->yOffset) + static_cast<float>(3 - j) * step);
    }
    EXPECT_TRUE(gridConsistent());
    EXPECT_TRUE(board_->isInputBlocked());

    // Actions apply their first step one frame after they start.
    run(0.36);
    for (int r = 0; r < 6; ++r) {
        EXPECT_NEAR(board_->puzzleAt(r, 0)->position().y, board_->cellPosition(r, 0).y, 0.001) << r;
        EXPECT_NEAR(board_->puzzleAt(r, 0)->position().x, board_->cellPosition(r, 0).x, 0.001) << r;
    }
    EXPECT_TRUE(board_->isInputBlocked());
    EXPECT_FALSE(board_->touchBeganAt(board_->cellPosition(2, 2)));
    run(0.32);
    EXPECT_FALSE(board_->isInputBlocked());
    EXPECT_EQ(profile().mineMoves, 19);
    EXPECT_EQ(profile().Start_mineMoves, 19);
    EXPECT_EQ(profile().InMineMoves, 1);
    EXPECT_EQ(board_->TilesRemoved, 3);
}

TEST_F(BoardTurnTest, RemovedTilesCreditExperienceTheirKindAndAResourceEveryFullSet)
{
    // The session starts from nothing, whatever the last one left.
    profile().StageExp = 50;
    board_ = newBoard();
    EXPECT_EQ(profile().StageExp, 0);

    // Five earth make one unit of resource 14 and earn one reward tile (2
    // points); stone gives 2 experience a tile.
    layout({"111116", "444666", "666666", "666666", "666666", "666666"});
    play({{0, 0}, {0, 1}, {0, 2}, {0, 3}, {0, 4}});
    run(0.1);
    const std::vector<Ref<Puzzle>> flying = board_->chainArray;
    EXPECT_EQ(flying.size(), 5u);
    run(3.0);
    EXPECT_TRUE(board_->chainArray.empty());
    for (const Ref<Puzzle>& tile : flying) EXPECT_EQ(tile->parent(), nullptr);
    EXPECT_EQ(profile().GetResourceCount(14), 1);
    EXPECT_EQ(profile().GetCollectibleCount(1), 0);
    EXPECT_EQ(profile().StageExp, 5 + 2);

    settle();
    play({{1, 0}, {1, 1}, {1, 2}});
    run(3.0);
    EXPECT_EQ(profile().GetCollectibleCount(4), 3);
    EXPECT_EQ(profile().StageExp, 5 + 2 + 3 * 2);
    EXPECT_EQ(board_->CollectedStones, 3);
}

TEST_F(BoardTurnTest, ASingleKindChainQueuesItsRewardTilesAndAMixedOneNone)
{
    const struct {
        const char* name;
        std::vector<std::string> rows;
        Cells path;
        int rewards; // gold tiles among the new ones
    } cases[] = {
        {"three earth earn one gold",
         {"111666", "666666", "666666", "666666", "666666", "666666"},
         {{0, 0}, {0, 1}, {0, 2}},
         1},
        {"six earth earn two",
         {"111111", "666666", "666666", "666666", "666666", "666666"},
         {{0, 0}, {0, 1}, {0, 2}, {0, 3}, {0, 4}, {0, 5}},
         2},
        {"a mixed chain earns none",
         {"577566", "666666", "666666", "666666", "666666", "666666"},
         {{0, 0}, {0, 1}, {0, 2}, {0, 3}},
         0},
    };
    for (const auto& c : cases) {
        layout(c.rows);
        play(c.path);
        int gold = 0;
        for (int col = 0; col < 6; ++col) gold += board_->puzzleAt(0, col)->GetType() == 9 ? 1 : 0;
        EXPECT_EQ(gold, c.rewards) << c.name;
        settle();
    }
}

TEST_F(BoardTurnTest, TheMineCountsATurnByTheFirstTilesMinimumGroup)
{
    // Clay needs 3, coal 4; both share a connection group.
    const struct {
        const char* name;
        std::string row;
        bool counts;
    } cases[] = {
        {"clay first: three tiles are enough", "577666", true},
        {"coal first: three tiles are not", "755666", false},
        {"two earth are short", "116666", false},
    };
    for (const auto& c : cases) {
        std::vector<std::string> rows = kAllDiamond;
        rows[0] = c.row;
        layout(rows);
        const int32_t before = profile().mineMoves;
        const Cells path = c.row[2] == '6' ? Cells{{0, 0}, {0, 1}} : Cells{{0, 0}, {0, 1}, {0, 2}};
        std::vector<Puzzle*> tiles;
        for (const auto& cell : path) tiles.push_back(board_->puzzleAt(cell.first, cell.second));
        play(path);
        EXPECT_EQ(profile().mineMoves, before - (c.counts ? 1 : 0)) << c.name;
        EXPECT_EQ(board_->puzzleAt(0, 0) == tiles[0], !c.counts) << c.name;
        if (!c.counts) {
            for (Puzzle* tile : tiles) {
                EXPECT_FALSE(tile->isInChain) << c.name;
                EXPECT_NE(tile->getChildByTag(Puzzle::kTagEarth), nullptr) << c.name << ": earth back on";
            }
        }
        settle();
    }
}

TEST_F(BoardTurnTest, AChainOfKindsThatCostNoTimeIsAFreeMove)
{
    layout({"999666", "666666", "666666", "666666", "666666", "666666"});
    const std::string freeMove = LocalisationManager::sharedInstance()->getValue("FREE_MOVE");
    play({{0, 0}, {0, 1}, {0, 2}});
    EXPECT_EQ(profile().mineMoves, 20);
    EXPECT_EQ(profile().Start_mineMoves, 20);
    EXPECT_EQ(profile().InMineMoves, 1);
    EXPECT_EQ(labelsShowing(freeMove), 1);
    run(0.8);
    EXPECT_EQ(labelsShowing(freeMove), 0);
}

TEST_F(BoardTurnTest, ASingleCoinIsTakenUnlessItsTouchShowedItsInformation)
{
    layout({"c66666", "666666", "666666", "666666", "666666", "666666"});
    Ref<Puzzle> coin(board_->puzzleAt(0, 0));
    board_->CurrentPuzzleFactory->TouchWasWithInfo = true;
    Ref<UITouch> touch = drag({{0, 0}});
    board_->CurrentPuzzleFactory->TouchWasWithInfo = true;
    driver().touchUp(touch.get());
    EXPECT_EQ(board_->puzzleAt(0, 0), coin.get());
    EXPECT_FALSE(board_->CurrentPuzzleFactory->TouchWasWithInfo);
    EXPECT_EQ(profile().GoldCount, 0);
    EXPECT_EQ(profile().InMineMoves, 0);

    play({{0, 0}});
    EXPECT_NE(board_->puzzleAt(0, 0), coin.get());
    run(1.0);
    EXPECT_EQ(profile().GoldCount, 200);
    EXPECT_EQ(ledger().done.count("com.zandovar.mw.moneyfornothing"), 1u);
}

TEST_F(BoardTurnTest, TheLastMovesWarnAndTheLastEndsTheSessionASecondLater)
{
    profile().mineMoves = 4;
    layout({"111666", "111666", "666666", "666666", "666666", "666666"});
    play({{0, 0}, {0, 1}, {0, 2}});
    EXPECT_EQ(board_->counterLabel->string(), "3");
    EXPECT_GT(board_->counterLabel->numberOfRunningActions(), 0u) << "the counter pulses";
    EXPECT_EQ(warningFrames(), 1) << "the frame of the moves left";
    settle();
    EXPECT_EQ(warningFrames(), 0);
    EXPECT_FALSE(board_->isInputBlocked());

    profile().mineMoves = 1;
    layout({"111666", "666666", "666666", "666666", "666666", "666666"});
    play({{0, 0}, {0, 1}, {0, 2}});
    EXPECT_EQ(profile().mineMoves, 0);
    EXPECT_TRUE(board_->isInputBlocked());
    run(0.9);
    EXPECT_EQ(std::count(board_->calls.begin(), board_->calls.end(), "StartEndGame"), 0);
    run(0.2);
    EXPECT_EQ(std::count(board_->calls.begin(), board_->calls.end(), "StartEndGame"), 1);

    // With no moves left a touch end opens the summary and nothing else.
    board_->SetInputActive(true);
    board_->isActionAlive = false;
    layout({"111666", "666666", "666666", "666666", "666666", "666666"});
    Puzzle* first = board_->puzzleAt(0, 0);
    play({{0, 0}, {0, 1}, {0, 2}});
    EXPECT_EQ(board_->calls.back(), "ShowEndOfSession 0");
    EXPECT_EQ(board_->puzzleAt(0, 0), first);
}

TEST_F(BoardTurnTest, WhenTheFallEndsTheAfterTurnChecksRunOnce)
{
    layout({"111666", "666666", "666666", "666666", "666666", "666666"});
    play({{0, 0}, {0, 1}, {0, 2}});
    EXPECT_TRUE(board_->isCheckAwaiting);
    run(0.6);
    EXPECT_EQ(std::count(board_->calls.begin(), board_->calls.end(), "checkNewChainMethane"), 0);
    run(0.1);
    EXPECT_EQ(std::count(board_->calls.begin(), board_->calls.end(), "checkNewChainMethane"), 1);
    EXPECT_FALSE(board_->isCheckAwaiting);
    run(1.0);
    EXPECT_EQ(std::count(board_->calls.begin(), board_->calls.end(), "checkNewChainMethane"), 1);
}

TEST_F(BoardTurnTest, AChainEndedDuringABlockStaysDrawnUntilTheNextTouchLetsItGo)
{
    layout({"111111", "222666", "666666", "666666", "666666", "666666"});
    Ref<UITouch> touch = drag({{0, 0}, {0, 1}, {0, 2}});
    std::vector<Ref<Puzzle>> held = board_->chainArray;
    board_->BlockInput(0.3f);
    driver().touchUp(touch.get());
    EXPECT_EQ(profile().mineMoves, 20) << "no turn while input is blocked";
    EXPECT_EQ(board_->chainArray.size(), 3u);
    EXPECT_NE(board_->NextCollectibleTooltip, nullptr);
    run(0.4);

    play({{1, 0}, {1, 1}, {1, 2}});
    for (const Ref<Puzzle>& tile : held) {
        EXPECT_FALSE(tile->isInChain);
        EXPECT_FALSE(tile->isLocked);
    }
    EXPECT_EQ(board_->NextCollectibleTooltip, nullptr);
    EXPECT_EQ(profile().mineMoves, 19);
    int dims = 0;
    for (Object* child : *board_->children()) dims += static_cast<CCNode*>(child)->tag() == Board::kTagDim;
    EXPECT_EQ(dims, 0);
}

TEST_F(BoardTurnTest, ALongerBlockReplacesARunningOneAndAShorterOneDoesNot)
{
    const struct {
        float second;
        double endsAfter; // seconds after the second block was asked for
    } cases[] = {{0.5f, 0.5}, {0.2f, 0.3}, {0.3f, 0.3}};
    for (const auto& c : cases) {
        board_->BlockInput(0.5f);
        run(0.2);
        board_->BlockInput(c.second);
        run(c.endsAfter - 0.05);
        EXPECT_TRUE(board_->isInputBlocked()) << c.second;
        run(0.1);
        EXPECT_FALSE(board_->isInputBlocked()) << c.second;
    }
}

} // namespace
} // namespace mw
