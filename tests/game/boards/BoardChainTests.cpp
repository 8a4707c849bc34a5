#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/rendering/CCProgressTimer.h"
#include "game/boards/BoardTooltip.h"
#include "game/boards/CCLineObject.h"
#include "game/boards/ResourceBoard.h"
#include "game/front/MainMenuPopUp.h"
#include "tests/game/boards/MineBoardTestSupport.h"

namespace mw {
namespace {

using test::MineBoardTest;
using Cells = std::vector<std::pair<int, int>>;

// Rows of six tiles around the cells that the chains walk; the rest is
// diamond (6), which joins nothing but itself.
const std::vector<std::string> kJoinBoard{
    "112666", // earth, earth, rubble
    "161666", // earth below-left, earth below-right of (0,1)
    "577666", // clay (group 0, min 3), coal (group 0, min 4)
    "586666", // silver (group 1)
    "666666", "666666",
};

struct JoinCase {
    const char* name;
    Cells path;
    std::vector<int32_t> chain; // kinds joined, in order
};

class BoardChainTest : public MineBoardTest {};

TEST_F(BoardChainTest, TilesJoinByKindOrConnectionGroupWhenTheyNeighbourTheLastTile)
{
    const JoinCase cases[] = {
        {"same kind along a row", {{0, 0}, {0, 1}}, {1, 1}},
        {"same kind on a diagonal", {{0, 1}, {1, 0}}, {1, 1}},
        {"both diagonals in turn", {{1, 0}, {0, 1}, {1, 2}}, {1, 1, 1}},
        {"a tile two columns away is skipped", {{0, 0}, {1, 2}}, {1}},
        {"another kind does not join", {{0, 1}, {0, 2}}, {1}},
        {"a kind of the same connection group joins", {{2, 0}, {2, 1}, {2, 2}}, {5, 7, 7}},
        {"a kind of another connection group does not", {{2, 0}, {3, 1}}, {5}},
        {"joinability is fixed by the first tile", {{2, 2}, {2, 1}, {3, 0}}, {7, 7, 5}},
    };
    for (const JoinCase& c : cases) {
        layout(kJoinBoard);
        Ref<UITouch> touch = drag(c.path);
        EXPECT_EQ(chainKinds(), c.chain) << c.name;
        driver().touchCancel(touch.get());
    }
}

TEST_F(BoardChainTest, MovingBackOntoOneOfTheTwoTilesBeforeTheLastCutsTheChainBack)
{
    // A-B-C-D along row 0.
    const Cells abcd{{0, 0}, {0, 1}, {0, 2}, {0, 3}};
    const struct {
        const char* name;
        Cells back;
        Cells chain;
    } cases[] = {
        {"onto C removes D", {{0, 2}}, {{0, 0}, {0, 1}, {0, 2}}},
        {"onto B removes D and C", {{0, 1}}, {{0, 0}, {0, 1}}},
        {"onto A is refused: A is locked", {{0, 0}}, abcd},
        {"after a cut-back to three, A can be entered again", {{0, 2}, {0, 0}}, {{0, 0}}},
        {"the cut tiles can join again", {{0, 2}, {0, 3}}, abcd},
    };
    for (const auto& c : cases) {
        layout({"111166", "666666", "666666", "666666", "666666", "666666"});
        Ref<UITouch> touch = drag(abcd);
        ASSERT_EQ(chainCells(), abcd);
        for (const auto& cell : c.back) driver().touchMove(touch.get(), viewPoint(cell));
        EXPECT_EQ(chainCells(), c.chain) << c.name;
        EXPECT_EQ(board_->Line->pointCount(), static_cast<int>(c.chain.size())) << c.name;
        driver().touchCancel(touch.get());
    }
}

TEST_F(BoardChainTest, AChainTakesEachTileOnceUpToAllThirtySix)
{
    layout(std::vector<std::string>(6, "111111"));
    Cells snake;
    for (int r = 0; r < 6; ++r)
        for (int i = 0; i < 6; ++i) snake.emplace_back(r, r % 2 == 0 ? i : 5 - i);
    Ref<UITouch> touch = drag(snake);
    EXPECT_EQ(board_->chainArray.size(), 36u);
    EXPECT_EQ(board_->Line->pointCount(), 36);
    // Back over tiles already in the chain (locked): nothing changes.
    for (const auto& cell : Cells{{4, 0}, {3, 3}, {0, 0}}) driver().touchMove(touch.get(), viewPoint(cell));
    EXPECT_EQ(board_->chainArray.size(), 36u);
    driver().touchUp(touch.get());
    EXPECT_EQ(profile().mineMoves, 19);
    EXPECT_EQ(ledger().done.count("com.zandovar.mw.dusttodoust"), 1u);
}

TEST_F(BoardChainTest, AMixedChainHasNoStarsAndPreviewsOnlyAtItsLargestMinimumGroup)
{
    layout({"577566", "666666", "666666", "666666", "666666", "666666"});
    const float real10 = board_->resourceBoard->progressBarOf(10)->percentage();
    const float real16 = board_->resourceBoard->progressBarOf(16)->percentage();
    Ref<UITouch> touch = drag({{0, 0}, {0, 1}, {0, 2}});
    EXPECT_TRUE(board_->MultiTypeCase);
    EXPECT_TRUE(board_->NoNextCollectible);
    EXPECT_EQ(board_->MultiTypeGroupCase, 4);
    EXPECT_EQ(board_->requiredChainLength(), 4);
    EXPECT_EQ(board_->Line->starInterval(), -1);
    EXPECT_TRUE(board_->NextObjArr.empty());
    EXPECT_EQ(board_->NextCollectibleTooltip, nullptr);
    // Three tiles: below coal's minimum, no preview.
    EXPECT_FLOAT_EQ(board_->resourceBoard->previewBarOf(10)->percentage(), real10);
    // Four: coal (2 of 6 a unit) and clay (2 of 4) previewed on their slots.
    driver().touchMove(touch.get(), viewPoint({0, 3}));
    EXPECT_NEAR(board_->resourceBoard->previewBarOf(10)->percentage(), real10 + 100.0f * 2 / 6, 0.01);
    EXPECT_NEAR(board_->resourceBoard->previewBarOf(16)->percentage(), real16 + 100.0f * 2 / 4, 0.01);
    // Cut back to the single clay: the largest minimum group met stays.
    driver().touchMove(touch.get(), viewPoint({0, 2}));
    driver().touchMove(touch.get(), viewPoint({0, 1}));
    driver().touchMove(touch.get(), viewPoint({0, 0}));
    EXPECT_EQ(chainKinds(), (std::vector<int32_t>{5}));
    EXPECT_FALSE(board_->MultiTypeCase);
    EXPECT_EQ(board_->MultiTypeGroupCase, 4);
    driver().touchCancel(touch.get());
}

TEST_F(BoardChainTest, EveryFullSetOfTheRewardIntervalEarnsAStarAndCuttingBackLosesIt)
{
    // Earth earns a gold tile every 3 tiles.
    layout({"111111", "111111", "666666", "666666", "666666", "666666"});
    const Cells path{{0, 0}, {0, 1}, {0, 2}, {0, 3}, {0, 4}, {0, 5}, {1, 5}, {1, 4}, {1, 3}};
    const struct {
        size_t length;
        size_t stars;
    } steps[] = {{1, 0}, {2, 0}, {3, 1}, {4, 1}, {5, 1}, {6, 2}, {9, 3}};
    for (const auto& step : steps) {
        Ref<UITouch> touch = drag(Cells(path.begin(), path.begin() + static_cast<long>(step.length)));
        EXPECT_EQ(board_->NextObjArr.size(), step.stars) << step.length;
        if (step.stars > 0) {
            ASSERT_NE(board_->NextCollectibleTooltip, nullptr) << step.length;
            EXPECT_EQ(board_->NextCollectibleTooltip->number(), static_cast<int32_t>(step.stars));
            EXPECT_EQ(board_->NextObjArr.back().get(), board_->chainArray[step.stars * 3 - 1].get());
        } else {
            EXPECT_EQ(board_->NextCollectibleTooltip, nullptr) << step.length;
        }
        driver().touchCancel(touch.get());
    }
    Ref<UITouch> touch = drag(Cells(path.begin(), path.begin() + 6));
    driver().touchMove(touch.get(), viewPoint({0, 4}));
    EXPECT_EQ(board_->chainArray.size(), 5u);
    EXPECT_EQ(board_->NextObjArr.size(), 1u);
    EXPECT_EQ(board_->NextCollectibleTooltip->number(), 1);
    driver().touchCancel(touch.get());
}

TEST_F(BoardChainTest, TouchesOnTheBottomStripAndUnderTheToolsBarAreNotTaken)
{
    const CGSize win = board::winSize();
    const struct {
        float heightShare;
        bool toolsShown;
        bool taken;
    } cases[] = {{0.14f, false, false},
                 {0.16f, false, true},
                 {0.9f, false, true},
                 {0.9f, true, false},
                 {0.84f, true, true}};
    for (const auto& c : cases) {
        board_->ToolVisible = c.toolsShown;
        EXPECT_EQ(board_->touchBeganAt({5, c.heightShare * win.height}), c.taken)
            << c.heightShare << (c.toolsShown ? " with the tools bar" : "");
        board_->touchCancelled();
    }
}

TEST_F(BoardChainTest, ATouchThatBeginsOnNoTileStartsNoChainAndMovesOverTilesSelectNothing)
{
    layout(std::vector<std::string>(6, "111111"));
    // Between columns 0 and 1 of row 2: no tile's circle reaches there.
    const CGPoint gap{(board_->cellPosition(2, 0).x + board_->cellPosition(2, 1).x) / 2,
                      board_->cellPosition(2, 0).y};
    ASSERT_EQ(board_->GetTouchedPuzzle(gap), nullptr);
    const Cells over{{2, 0}, {2, 1}, {3, 1}};
    for (const bool panelLetsMovesThrough : {false, true}) {
        Ref<UITouch> touch = driver().touchDown({gap.x, board::winSize().height - gap.y});
        // The panel takes the touch too; the board must not lean on it to
        // keep the chain's ends unread.
        if (panelLetsMovesThrough) (void)board_->resourceBoard->KillTooltip();
        for (const auto& cell : over) driver().touchMove(touch.get(), viewPoint(cell));
        EXPECT_TRUE(board_->chainArray.empty());
        for (int r = 0; r < 6; ++r)
            for (int c = 0; c < 6; ++c) EXPECT_FALSE(board_->puzzleAt(r, c)->isInChain) << r << "," << c;
        driver().touchUp(touch.get());
        EXPECT_EQ(profile().mineMoves, 20);
        EXPECT_EQ(board_->getChildByTag(Board::kTagDim), nullptr);
    }
}

TEST_F(BoardChainTest, AKindOnlyAToolClearsStartsItsChainUnderTheToolHint)
{
    layout({"336666", "666666", "666666", "666666", "666666", "666666"});
    Ref<UITouch> touch = drag({{0, 0}, {0, 1}});
    ASSERT_NE(board_->ErrorCollectibleTooltip, nullptr);
    EXPECT_EQ(board_->ErrorCollectibleTooltip->kind(), BoardTooltip::Kind::Error);
    EXPECT_EQ(board_->getChildByTag(Board::kTagTooltip), board_->ErrorCollectibleTooltip.get());
    EXPECT_EQ(board_->chainArray.size(), 2u);
    // It follows the finger, 56 points above it.
    EXPECT_FLOAT_EQ(board_->ErrorCollectibleTooltip->position().y, board_->cellPosition(0, 1).y + 56);
    driver().touchUp(touch.get());
    EXPECT_EQ(profile().mineMoves, 20);
    EXPECT_EQ(board_->puzzleAt(0, 0)->GetType(), 3);
}

TEST_F(BoardChainTest, RestingOnAChainShowsWhatItsKindTurnsIntoWhileInputIsClosedToo)
{
    profile().CanShowNextCollMine = true;
    layout({"116666", "666666", "666666", "666666", "666666", "666666"});
    Ref<UITouch> touch = drag({{0, 0}, {0, 1}});
    run(1.0);
    EXPECT_EQ(board_->InfoCollectibleTooltip, nullptr);
    run(0.6);
    ASSERT_NE(board_->InfoCollectibleTooltip, nullptr);
    EXPECT_EQ(board_->InfoCollectibleTooltip->kind(), BoardTooltip::Kind::Collectible);
    EXPECT_TRUE(board_->CurrentPuzzleFactory->TouchWasWithInfo);
    driver().touchCancel(touch.get());
    EXPECT_EQ(board_->InfoCollectibleTooltip, nullptr);
    EXPECT_FALSE(board_->CurrentPuzzleFactory->TouchWasWithInfo);
    // The timer runs on while the board is closed.
    board_->SetInputActive(false);
    const float before = board_->HelpTooltipTimer;
    run(1.0);
    EXPECT_GT(board_->HelpTooltipTimer, before);
}

TEST_F(BoardChainTest, TheMenuButtonOpensTheOptionsOverAClosedBoardAndClosingThemOpensIt)
{
    std::filesystem::copy_file(test::sourceTreePath("resources/Options_small.ccb"),
                               bundle_.file("Options_small.ccb"),
                               std::filesystem::copy_options::overwrite_existing);
    board_->MenuCallback(nullptr);
    MainMenuPopUp* options = nullptr;
    for (Object* child : *board_->children()) {
        if (auto* popUp = dynamic_cast<MainMenuPopUp*>(child)) options = popUp;
    }
    ASSERT_NE(options, nullptr);
    EXPECT_EQ(options->zOrder(), 6);
    EXPECT_TRUE(board_->isInputBlocked());
    EXPECT_FALSE(board_->isTouchEnabled());
    options->BackCallback(nullptr);
    EXPECT_FALSE(board_->isInputBlocked());
    EXPECT_TRUE(board_->isTouchEnabled());
    for (Object* child : *board_->children()) EXPECT_EQ(dynamic_cast<MainMenuPopUp*>(child), nullptr);
}

TEST_F(BoardChainTest, ATouchOnTheBorderOfTwoTilesHitsTheFirstInRowOrder)
{
    const CGPoint a = board_->cellPosition(2, 2);
    const CGPoint b = board_->cellPosition(2, 3);
    Puzzle* left = board_->puzzleAt(2, 2);
    left->Radius = b.x - a.x;
    board_->puzzleAt(2, 3)->Radius = b.x - a.x;
    EXPECT_EQ(board_->GetTouchedPuzzle({b.x, b.y}), left);
}

} // namespace
} // namespace mw
