#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "foundation/Log.h"
#include "game/boards/CCCalendar.h"
#include "game/boards/CCTimeStripCounter.h"
#include "game/boards/CountryBoard.h"
#include "game/boards/ResourceBoard.h"
#include "game/state/Collectible.h"
#include "game/state/UpgradeItem.h"
#include "tests/game/boards/FieldBoardTestSupport.h"

namespace mw {
namespace {

using test::FieldBoardTest;

// A board of tiles that never chain with the rows the tests lay out on top.
const std::vector<std::string> kQuiet{"hpohpo", "ohpohp", "pohpoh", "hpohpo", "ohpohp", "pohpoh"};

class CountryBoardTest : public FieldBoardTest {
protected:
    void SetUp() override
    {
        FieldBoardTest::SetUp();
        if (HasFatalFailure() || IsSkipped()) return;
        profile().stepsToChangeSeason = 2;
        profile().RatJumpProbability = 0;
        profile().WolfJumpProbability = 0;
    }
    // Lays out `rows` over the quiet board and plays the first row's three left tiles.
    void playTopThree(const std::string& top)
    {
        std::vector<std::string> rows = kQuiet;
        rows[0] = top;
        layout(rows);
        play({{0, 0}, {0, 1}, {0, 2}});
    }
};

TEST_F(CountryBoardTest, ASessionStartsWithItsSeasonBudgetAndUsesAKeptFieldOnce)
{
    std::vector<int32_t> kept;
    for (int i = 0; i < 36; ++i) kept.push_back(i % 2 ? 13 : 14);
    const struct {
        const char* name;
        bool saved;
        std::vector<int32_t> field;
        bool usesKept;
    } cases[] = {
        {"no kept field", false, {}, false},
        {"a kept field of 36", true, kept, true},
        {"a kept field of 35 is dealt anew", true, std::vector<int32_t>(kept.begin(), kept.end() - 1), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        profile().FieldSaved = c.saved;
        profile().SavedFieldPuzzles = c.field;
        const int32_t visits = profile().FieldVisits;
        ScopedLogCapture log;
        newBoard();
        EXPECT_EQ(profile().CurrentMode, 1);
        EXPECT_EQ(profile().countryMoves, 2);
        EXPECT_EQ(profile().countryStepsForBar, 8);
        EXPECT_EQ(board_->Calendar->Time, 8);
        EXPECT_EQ(profile().FieldVisits, visits + 1);
        EXPECT_FALSE(profile().FieldSaved);
        EXPECT_TRUE(profile().SavedFieldPuzzles.empty());
        EXPECT_TRUE(gridConsistent());
        EXPECT_TRUE(board_->isTouchEnabled());
        bool same = true;
        for (int i = 0; i < 36; ++i) same = same && board_->puzzleAt(i / 6, i % 6)->GetType() == kept[i];
        EXPECT_EQ(same, c.usesKept);
    }
}

// The last move of a session leaves the field unchecked; a kept field
// without a chain must not leave the next session without a move.
TEST_F(CountryBoardTest, AKeptFieldWithoutAChainOffersTheShuffleAtOnce)
{
    profile().FieldSaved = true;
    profile().SavedFieldPuzzles = {19, 10, 10, 11, 10, 19, 12, 13, 15, 19, 16, 18, 19, 10, 15, 12, 16, 14,
                                   16, 14, 10, 14, 19, 14, 12, 16, 12, 12, 19, 10, 12, 19, 15, 16, 15, 15};
    newBoard();
    ASSERT_FALSE(board_->isThereNoMoves());
    ASSERT_TRUE(driver().pressAlertButton(0));
    EXPECT_TRUE(board_->isThereNoMoves());
}

TEST_F(CountryBoardTest, TheFieldCountsATurnByTheLastTilesMinimumGroup)
{
    // Grass and rabbits share a connection group; the rabbit needs four here.
    profile().GetCollectible(17)->minGroup = 4;
    const struct {
        const char* name;
        const char* top;
        bool counts;
    } cases[] = {
        {"rabbit last: three are short for it", "ggrpoh", false},
        {"grass last: three are enough though the rabbit starts", "rggpoh", true},
        {"two grass are short", "ggpohp", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        newBoard();
        const int32_t moves = profile().InFieldMoves;
        std::vector<std::string> rows = kQuiet;
        rows[0] = c.top;
        layout(rows);
        board_->touchBeganAt(board_->puzzleAt(0, 0)->GetMidpointPosition());
        board_->touchMovedTo(board_->puzzleAt(0, 1)->GetMidpointPosition());
        board_->touchMovedTo(board_->puzzleAt(0, 2)->GetMidpointPosition());
        EXPECT_EQ(board_->isChainCounts(), c.counts);
        board_->touchEnded();
        EXPECT_EQ(profile().InFieldMoves, moves + (c.counts ? 1 : 0));
        settle();
        EXPECT_TRUE(gridConsistent());
    }
}

TEST_F(CountryBoardTest, ACountingChainMarksItsAnimalsAndUnmarksThemWhenItStopsCounting)
{
    newBoard();
    std::vector<std::string> rows = kQuiet;
    rows[0] = "wwfpoh";
    layout(rows);
    Puzzle* wolf = board_->puzzleAt(0, 2);
    board_->touchBeganAt(board_->puzzleAt(0, 0)->GetMidpointPosition());
    board_->touchMovedTo(board_->puzzleAt(0, 1)->GetMidpointPosition());
    EXPECT_FALSE(wolf->MarkedToKill);
    board_->touchMovedTo(wolf->GetMidpointPosition());
    EXPECT_TRUE(wolf->MarkedToKill);
    EXPECT_NE(wolf->getChildByTag(Puzzle::kTagKillMarker), nullptr);
    // Back onto the second tile: the chain is two long again.
    board_->touchMovedTo(board_->puzzleAt(0, 1)->GetMidpointPosition());
    EXPECT_FALSE(wolf->MarkedToKill);
    tick(0.3);
    EXPECT_EQ(wolf->getChildByTag(Puzzle::kTagKillMarker), nullptr);
    board_->touchCancelled();
}

TEST_F(CountryBoardTest, FourSeasonsOfTwoMovesEndInTheSummaryWithTheFieldKept)
{
    newBoard();
    std::vector<int32_t> seasons;
    const int32_t before = profile().InFieldMoves;
    for (int move = 0; move < 8; ++move) {
        playTopThree(move % 2 ? "bbbpoh" : "ccchpo");
        seasons.push_back(board_->CurrentPuzzleFactory->season());
        if (move == 3) {
            // A free move between: coins cost no time.
            std::vector<std::string> rows = kQuiet;
            rows[1] = "$hpohp";
            settle();
            layout(rows);
            play({{1, 0}});
            EXPECT_EQ(profile().countryStepsForBar, 4);
        }
        settle();
        EXPECT_TRUE(gridConsistent());
    }
    EXPECT_EQ(seasons, (std::vector<int32_t>{0, 1, 1, 2, 2, 3, 3, 0}));
    EXPECT_EQ(profile().InFieldMoves, before + 9);
    EXPECT_EQ(profile().countryStepsForBar, 0);
    EXPECT_EQ(board_->Calendar->Time, 0);
    EXPECT_EQ(board_->TimeCounter->Changes, 4);
    EXPECT_FALSE(board_->isTouchEnabled());
    tick(1.1);
    ASSERT_EQ(board_->endModes, (std::vector<int32_t>{1}));
    EXPECT_EQ(board_->seasonAtEnd, 0);
    EXPECT_EQ(board_->removedAtEnd, 8 * 3 + 1);
    EXPECT_EQ(profile().MaxHarvestField, std::max(0, board_->removedAtEnd));
    ASSERT_EQ(board_->keptAtEnd.size(), 36u);
    for (int i = 0; i < 36; ++i) EXPECT_EQ(board_->keptAtEnd[i], board_->puzzleAt(i / 6, i % 6)->GetType());
}

TEST_F(CountryBoardTest, TheEndOfASessionWaitsForABlockToRunOut)
{
    newBoard();
    board_->BlockInput(0.35f);
    board_->StartEndGame();
    tick(0.2);
    EXPECT_TRUE(board_->endModes.empty());
    tick(0.4);
    EXPECT_EQ(board_->endModes, (std::vector<int32_t>{1}));
}

TEST_F(CountryBoardTest, AnimalsCountDownAfterEachRefillAndLeapOntoTheirPrey)
{
    const struct {
        const char* name;
        const char* animalRow; // row 5: the animal at column 0
        int32_t leftBehind;
        bool strikesPrey;
    } cases[] = {
        {"a rabbit takes the carrot and leaves grass", "rhcohp", 10, true},
        {"a wolf takes livestock and leaves wood", "fpohpo", 11, true},
        {"a rabbit with no prey strikes in place", "rhpohp", 17, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        profile().RatJumpProbability = 100;
        profile().WolfJumpProbability = 100;
        newBoard();
        Puzzle* animal = nullptr;
        const int32_t plants = profile().PlantsByRats, animals = profile().AnimalsByWolfs;
        // Refill 1 starts the count (3); refills 2..4 count 2, 1, 0: the leap.
        std::vector<int32_t> counts;
        for (int turn = 0; turn < 4; ++turn) {
            std::vector<std::string> rows = kQuiet;
            rows[0] = "wwwohp";
            rows[5] = turn == 0 ? c.animalRow : std::string("......");
            layout(rows);
            if (turn == 0) animal = board_->puzzleAt(5, 0);
            // Refills deal wood only: no prey falls in.
            board_->CurrentPuzzleFactory->nextSpawnSetTo(11);
            ASSERT_TRUE(play({{0, 0}, {0, 1}, {0, 2}}));
            settle(2.0);
            counts.push_back(animal->hoopCountdown);
        }
        EXPECT_EQ(counts, (std::vector<int32_t>{3, 2, 1, 0}));
        EXPECT_EQ(board_->puzzleAt(5, 0)->GetType(), c.leftBehind);
        EXPECT_EQ(profile().PlantsByRats + profile().AnimalsByWolfs, plants + animals + 1);
        EXPECT_EQ(board_->puzzleAt(animal->row, animal->column), animal);
        if (c.strikesPrey) {
            EXPECT_NE(std::make_pair(animal->row, animal->column), std::make_pair(5, 0));
            if (c.animalRow[0] == 'r') {
                EXPECT_EQ(std::make_pair(animal->row, animal->column), std::make_pair(5, 2));
            }
        }
        EXPECT_TRUE(gridConsistent());
    }
}

// The frames the board asks for: +n shown, -n animated.
TEST_F(CountryBoardTest, TheOpeningStepPicksTheFirstMatchingTutorialFrame)
{
    const struct {
        const char* name;
        std::vector<int32_t> open;
        int32_t farmers;
        std::vector<int32_t> requests;
        bool workshop, market;
    } cases[] = {
        {"a new player: the field animation", {10, 11, 33, 34, 46, 69}, 0, {-10}, false, false},
        {"the workshop lesson", {34, 69}, 0, {34}, true, false},
        {"no farm worker: the board opens", {69}, 0, {}, false, false},
        {"the market lesson", {47, 69}, 1, {-47}, false, true},
        {"the last lesson", {69}, 1, {-69}, false, false},
        {"all done", {}, 1, {}, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (auto& [id, frame] : profile().TutorialDict) frame->Done = frame->ArrowAfterDone = true;
        openFrames(c.open);
        if (c.market) profile().GetTutorialDef(46)->ArrowAfterDone = false; // 46 done, its arrow not
        profile().UpgradesCountArray.assign(profile().UpgradesCountArray.size(), 0);
        if (c.farmers) profile().increaseUpgradeCount(9, c.farmers);
        newBoard(true);
        EXPECT_EQ(board_->TutorialRequests, c.requests);
        EXPECT_EQ(board_->UnlockWorkshopActive, c.workshop);
        EXPECT_EQ(board_->UnlockMarketActive, c.market);
        EXPECT_EQ(board_->isTouchEnabled(), c.requests.empty());
        if (c.market) {
            EXPECT_TRUE(profile().GetTutorialDef(45)->ArrowAfterDone);
        }
    }
}

TEST_F(CountryBoardTest, TheFirstVisitsLessonsFollowTheCollections)
{
    profile().FieldVisits = 0;
    openFrames({11, 12, 13, 14, 15, 16, 17});
    newBoard(true);
    EXPECT_TRUE(board_->TutorialRequests.empty());
    // The player reads a frame (and follows its arrow): the tutorial hands input back.
    const auto dismiss = [this](int32_t frame) {
        profile().GetTutorialDef(frame)->Done = true;
        profile().GetTutorialDef(frame)->ArrowAfterDone = true;
        board_->MoveWithTutorial();
    };
    playTopThree("cccpoh");
    EXPECT_EQ(board_->TutorialRequests, (std::vector<int32_t>{11}));
    EXPECT_FALSE(board_->isTouchEnabled());
    dismiss(11);
    dismiss(12);
    EXPECT_EQ(board_->CheckNextGrassStep, 1);
    dismiss(13);
    EXPECT_TRUE(board_->isTouchEnabled());
    EXPECT_EQ(board_->TutorialRequests, (std::vector<int32_t>{11, 12, 13}));
    settle();

    // The next chain hands the grass step over to the collection lessons.
    playTopThree("bbbpoh");
    EXPECT_EQ(board_->CheckNextGrassStep, 2);
    EXPECT_EQ(board_->TutorialRequests.back(), 14);
    dismiss(14);
    settle();
    board_->TutorialRequests.clear();
    board_->BreadCollected = 17;
    playTopThree("bbbpoh");
    EXPECT_TRUE(board_->BreadDone);
    EXPECT_EQ(board_->TutorialRequests, (std::vector<int32_t>{15}));
    dismiss(15);
    settle();

    // The wood lesson on the session's last move is closed, not shown.
    board_->TutorialRequests.clear();
    profile().GetTutorialDef(16)->Done = true;
    board_->WoodCollected = 25;
    profile().countryStepsForBar = 1;
    board_->ValidateAndPlayTutorial();
    EXPECT_TRUE(board_->TutorialRequests.empty());
    EXPECT_TRUE(profile().GetTutorialDef(17)->Done);
}

TEST_F(CountryBoardTest, AnimalFramesShowWhileMoreThanOneMoveIsLeft)
{
    openFrames({63, 64, 65, 66, 67, 68});
    newBoard();
    for (const int32_t code : {63, 64, 65, 66, 67, 68}) board_->SpecialTutorialAction(code);
    profile().countryStepsForBar = 1;
    board_->SpecialTutorialAction(63);
    board_->SpecialTutorialAction(62);
    EXPECT_EQ(board_->TutorialRequests, (std::vector<int32_t>{63, 64, 65, 66, 67, 68}));
}

TEST_F(CountryBoardTest, TheEndClosesSkippedLessonsAndAppliesTheUnlockSteps)
{
    openFrames({15, 16, 17});
    UpgradeItem* workshop = profile().GetUpgrade(19);
    ASSERT_NE(workshop, nullptr);
    workshop->isHidden = true;
    profile().SetResourceCount(10, 1);
    profile().SetResourceCount(7, 0);
    newBoard();
    board_->UnlockWorkshopActive = true;
    board_->StartEndGame();
    for (int32_t frame = 10; frame <= 17; ++frame)
        EXPECT_TRUE(profile().GetTutorialDef(frame)->Done) << frame;
    EXPECT_FALSE(workshop->isHidden);
    EXPECT_EQ(profile().GetResourceCount(10), 3);
    EXPECT_EQ(profile().GetResourceCount(7), 1);
    EXPECT_EQ(board_->endModes, (std::vector<int32_t>{1}));
}

TEST_F(CountryBoardTest, TheBackButtonAsksTheExitQuestionWithInputOff)
{
    newBoard();
    board_->MapCallback(nullptr);
    EXPECT_EQ(board_->endModes, (std::vector<int32_t>{3}));
    EXPECT_FALSE(board_->isTouchEnabled());
}

} // namespace
} // namespace mw
