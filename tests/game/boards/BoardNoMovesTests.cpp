#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/menus/CCMenu.h"
#include "game/boards/PuzzleFactory.h"
#include "game/boards/ResourceBoard.h"
#include "game/state/LocalisationManager.h"
#include "platform/AlertView.h"
#include "tests/game/boards/MineBoardTestSupport.h"

namespace mw {
namespace {

using test::MineBoardTest;

// A plain board in field mode, filled by the field generator: the base's
// re-typing of the fields without the field session around it.
class FieldModeBoard : public Board {
public:
    bool init() override
    {
        if (!Board::init()) return false;
        Mode = 1;
        distStep = 49;
        yOffset = 404;
        resourceBoard = ResourceBoard::boardWithMode(1);
        addChild(resourceBoard.get(), 2);
        CurrentPuzzleFactory = PuzzleFactory::factoryWithMode(1, resourceBoard.get());
        for (int r = 0; r < kSize; ++r) {
            for (int c = 0; c < kSize; ++c) {
                Ref<Puzzle> tile = CurrentPuzzleFactory->createPuzzle(resourceBoard.get());
                tile->row = r;
                tile->column = c;
                tile->setPosition(cellPosition(r, c));
                addChild(tile.get());
                puzzlesArray[static_cast<size_t>(r)][static_cast<size_t>(c)] = tile;
            }
        }
        return true;
    }
};

class BoardNoMovesTest : public MineBoardTest {
protected:
    AlertView* frontAlert() const { return AlertViewPresenter::sharedPresenter().frontAlert(); }
    std::string text(const char* key) const { return LocalisationManager::sharedInstance()->getValue(key); }
};

TEST_F(BoardNoMovesTest, AChainIsPossibleWhenEnoughNeighbouringTilesShareAKindOrAConnectionGroup)
{
    const struct {
        const char* name;
        std::vector<std::string> rows;
        bool possible;
    } cases[] = {
        {"nothing but a kind of minimum 36", std::vector<std::string>(6, "666666"), false},
        {"nothing but a kind only tools clear", std::vector<std::string>(6, "333333"), false},
        {"a pair", {"116666", "666666", "666666", "666666", "666666", "666666"}, false},
        {"three in a row", {"111666", "666666", "666666", "666666", "666666", "666666"}, true},
        {"three on a diagonal", {"166666", "616666", "661666", "666666", "666666", "666666"}, true},
        {"three in an L", {"166666", "116666", "666666", "666666", "666666", "666666"}, true},
        {"three with a gap", {"116166", "666666", "666666", "666666", "666666", "666666"}, false},
        {"pairs of several kinds apart", {"116226", "666666", "446996", "666666", "116226", "666666"}, false},
        {"a group of three below the largest minimum",
         {"575666", "666666", "666666", "666666", "666666", "666666"},
         false},
        {"a mixed group of four is the only chain",
         {"575566", "666666", "666666", "666666", "666666", "666666"},
         true},
        {"two kinds of different groups",
         {"585666", "666666", "666666", "666666", "666666", "666666"},
         false},
        {"a single coin (minimum 1)", {"c66666", "666666", "666666", "666666", "666666", "666666"}, true},
        {"a whole board of one kind", std::vector<std::string>(6, "111111"), true},
    };
    for (const auto& c : cases) {
        layout(c.rows);
        EXPECT_EQ(board_->isThereNoMoves(), c.possible) << c.name;
    }
}

TEST_F(BoardNoMovesTest, TheGroupTestCountsTheStartTileOnceWhicheverWayTheCallerCountsIt)
{
    layout({"111666", "666666", "666666", "666666", "666666", "666666"});
    const std::vector<Puzzle*> earth = board_->getAllPuzzlesByType(1);
    int32_t fromOne = 1;
    EXPECT_TRUE(Board::CheckIsThereReqGroupInArray(earth, fromOne, 3, earth[0]));
    int32_t fromZero = 0;
    EXPECT_TRUE(Board::CheckIsThereReqGroupInArray(earth, fromZero, 3, earth[0]));
    int32_t overCount = 1;
    EXPECT_FALSE(Board::CheckIsThereReqGroupInArray(earth, overCount, 4, earth[2]));
    EXPECT_EQ(overCount, 3);
}

TEST_F(BoardNoMovesTest, ABlockedBoardAsksToReTypeOrToUseAToolThatWouldWork)
{
    // Pairs only; earth is on the board, rubble is not.
    const std::vector<std::string> blocked{"116446", "666666", "996666", "666666", "666666", "666666"};
    const struct {
        const char* name;
        std::vector<int32_t> owned;
        const char* message;
        std::vector<std::string> buttons;
    } cases[] = {
        {"no tool", {}, "NO_MORE_MOVES_B", {"NO_MORE_MOVES_NO"}},
        {"a tool for a kind that is not there", {25}, "NO_MORE_MOVES_B", {"NO_MORE_MOVES_NO"}},
        {"a field tool", {78}, "NO_MORE_MOVES_B", {"NO_MORE_MOVES_NO"}},
        {"a tool that would collect earth",
         {25, 24},
         "NO_MORE_MOVES_A",
         {"NO_MORE_MOVES_NO", "NO_MORE_MOVES_YES"}},
    };
    for (const auto& c : cases) {
        Profile& p = profile();
        p.ToolsDict = {23, 24, 25, 78};
        for (int32_t tool : p.ToolsDict) p.UpgradesCountArray[static_cast<size_t>(tool)] = 0;
        for (int32_t tool : c.owned) p.UpgradesCountArray[static_cast<size_t>(tool)] = 1;
        board_ = newBoard();
        layout(blocked);
        EXPECT_FALSE(board_->checkMoves());
        ASSERT_TRUE(board_->AlertActive) << c.name;
        AlertView* alert = frontAlert();
        ASSERT_NE(alert, nullptr) << c.name;
        EXPECT_EQ(alert->title, "") << c.name;
        EXPECT_EQ(alert->message, text(c.message)) << c.name;
        std::vector<std::string> buttons;
        for (const std::string& key : c.buttons) buttons.push_back(text(key.c_str()));
        EXPECT_EQ(alert->buttonTitles, buttons) << c.name;
        // While it is up, the check shows no second alert.
        EXPECT_FALSE(board_->checkMoves());
        EXPECT_EQ(AlertViewPresenter::sharedPresenter().visibleAlerts().size(), 1u) << c.name;
        ASSERT_TRUE(driver().pressAlertButton(0));
        EXPECT_FALSE(board_->AlertActive);
    }
}

TEST_F(BoardNoMovesTest, TheAnswersReTypeTheBoardOrOpenTheToolsBar)
{
    profile().ToolsDict = {24};
    profile().UpgradesCountArray[24] = 2;
    const std::vector<std::string> blocked{"116446", "957866", "666666", "666666", "666666", "666666"};

    board_ = newBoard();
    layout(blocked);
    (void)board_->checkMoves();
    ASSERT_TRUE(driver().pressAlertButton(1));
    EXPECT_TRUE(board_->ToolVisible);
    EXPECT_EQ(kindsOf(0), "116446") << "the tools answer re-types nothing";
    EXPECT_FALSE(board_->AlertActive);

    board_ = newBoard();
    layout(blocked);
    Ref<Puzzle> stone(board_->puzzleAt(0, 3));
    const CGPoint where = stone->position();
    (void)board_->checkMoves();
    ASSERT_TRUE(driver().pressAlertButton(0));
    EXPECT_EQ(kindsOf(0), "116116");
    EXPECT_EQ(kindsOf(1), "911166");
    EXPECT_FALSE(board_->ToolVisible);
    EXPECT_EQ(stone->parent(), nullptr);
    EXPECT_EQ(board_->puzzleAt(0, 3)->position().x, where.x);
    EXPECT_EQ(board_->puzzleAt(0, 3)->position().y, where.y);
    EXPECT_TRUE(gridConsistent());
    EXPECT_TRUE(board_->isThereNoMoves());
}

// A session can end with the alert up (the summary comes on the last move):
// leaving the board takes the alert away unanswered, so that it does not
// stand over the village, where its answer would shuffle a board off the stage.
TEST_F(BoardNoMovesTest, LeavingTheBoardTakesItsAlertAway)
{
    const std::vector<std::string> blocked{"116446", "666666", "996666", "666666", "666666", "666666"};
    layout(blocked);
    (void)board_->checkMoves();
    ASSERT_NE(frontAlert(), nullptr);
    Ref<test::RecordingMineBoard> kept = board_;
    board_->removeFromParentAndCleanup(true);
    EXPECT_EQ(frontAlert(), nullptr);
    EXPECT_FALSE(kept->AlertActive);
    EXPECT_EQ(kindsOf(0), "116446") << "nothing shuffled";
    // A check that comes later, with the board off the stage, asks nothing.
    EXPECT_FALSE(kept->checkMoves());
    EXPECT_EQ(frontAlert(), nullptr);
}

// The alert outlives the board that asked (the presenter and whoever kept it
// hold it): once the board is released, an answer reaches nobody.
TEST_F(BoardNoMovesTest, AnAnswerAfterTheBoardIsReleasedReachesNobody)
{
    layout({"116446", "666666", "996666", "666666", "666666", "666666"});
    (void)board_->checkMoves();
    Ref<AlertView> alert(frontAlert());
    ASSERT_NE(alert, nullptr);
    board_->removeFromParentAndCleanup(true);
    board_ = nullptr; // the last hold on the board
    EXPECT_EQ(alert->delegate, nullptr);
    alert->show();
    alert->dismissWithClickedButtonIndex(0);
    EXPECT_EQ(frontAlert(), nullptr);
}

TEST_F(BoardNoMovesTest, TheFieldsReTypeCropsToGrassAndLivestockToWood)
{
    board_->removeFromParentAndCleanup(true);
    board_ = nullptr;
    profile().CurrentMode = 1;
    auto field = makeRef<FieldModeBoard>();
    ASSERT_TRUE(field->init());
    scene().addChild(field.get());
    const int32_t kinds[] = {10, 11, 12, 13, 14, 15};
    for (int r = 0; r < 6; ++r) {
        for (int c = 0; c < 6; ++c) {
            ASSERT_NE(field->replacePuzzle(field->puzzleAt(r, c), kinds[(r + c) % 6]), nullptr);
        }
    }
    field->shufflePuzzles();
    for (int r = 0; r < 6; ++r) {
        for (int c = 0; c < 6; ++c) {
            const int32_t before = kinds[(r + c) % 6];
            const int32_t expected = before == 12 || before == 13   ? 10
                                     : before == 14 || before == 15 ? 11
                                                                    : before;
            EXPECT_EQ(field->puzzleAt(r, c)->GetType(), expected) << r << "," << c;
        }
    }
    field->removeFromParentAndCleanup(true);
}

} // namespace
} // namespace mw
