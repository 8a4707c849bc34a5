#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "engine/director/CCDirector.h"
#include "engine/menus/CCHoldButton.h"
#include "foundation/RunLoop.h"
#include "foundation/Value.h"
#include "game/boards/CCTutorialArrow.h"
#include "game/boards/BoardSupport.h"
#include "game/boards/CCFoodBar.h"
#include "game/boards/SessionHooks.h"
#include "game/village/InAppPurchase.h"
#include "game/state/SaveFile.h"
#include "game/state/TutorialFrameDef.h"
#include "tests/game/boards/MineSessionTestSupport.h"
#include "tests/support/ScriptedStore.h"

namespace mw {
namespace {

using test::MineSessionTest;

// The profile's whole save state, to compare two profiles.
Value stateOf(Profile& profile)
{
    return profile.TakeSnapshot().toDictionary();
}

class MineSessionFlowTest : public MineSessionTest {
protected:
    void SetUp() override
    {
        MineSessionTest::SetUp();
        // Silent: the village and the mine play their tracks, and nothing
        // may wait for an engine never started.
        GlobalObject::sharedInstance()->AudioState = GlobalObject::kAudioFailed;
    }

    // A player with food, gold and the market, standing on the map.
    Ref<test::TestMapHost> openFoodPopUp(Ref<FoodPopUp>& popUp)
    {
        Profile& p = profile();
        for (int32_t food : {kBread, kSoup, kPie, kFlock, kDrove, kHerd}) {
            p.SetResourceCount(food, 4);
            if (Resource* r = p.GetResource(food)) r->Seen = true;
        }
        p.GoldCount = 1000;
        p.increaseUpgradeCount(kMarket, 1);
        auto host = makeRef<test::TestMapHost>();
        scene().addChild(host.get());
        popUp = FoodPopUp::popUpWithLayer(host.get());
        EXPECT_NE(popUp, nullptr);
        if (popUp) host->addChild(popUp.get(), 6);
        run(0.1);
        return host;
    }
};

// From the food pop-up through two ends of the moves (one bought with gold)
// to the summary and back to the village, with gas priming and exploding on
// the way.
TEST_F(MineSessionFlowTest, AMineSessionFromTheFoodPopUpToTheSummary)
{
    Ref<FoodPopUp> popUp;
    Ref<test::TestMapHost> host = openFoodPopUp(popUp);
    ASSERT_NE(popUp, nullptr);
    Profile& p = profile();
    EXPECT_EQ(p.Start_mineMoves, 0);
    EXPECT_EQ(host->bonusesCollected, 1);
    EXPECT_FALSE(popUp->CraftButt->isEnabled()) << "nothing to start with";

    // Food: each unit adds its moves and leaves the stock.
    const int32_t breadMoves = p.GetResource(kBread)->Moves;
    popUp->AddFoodCallback(popUp->BreadButton);
    popUp->AddFoodCallback(popUp->BreadButton);
    EXPECT_EQ(p.GetResourceCount(kBread), 2);
    EXPECT_EQ(p.Start_mineMoves, std::min(2 * breadMoves, p.MaxMineMoves));
    EXPECT_EQ(popUp->CraftButt->isEnabled(), p.Start_mineMoves >= p.MovesPerFood);
    // Ten moves for 100 gold.
    const int32_t before = p.Start_mineMoves;
    popUp->ResetCallback(nullptr);
    EXPECT_EQ(p.GoldCount, 900);
    EXPECT_EQ(p.Start_mineMoves, std::min(before + 10, p.MaxMineMoves));
    EXPECT_TRUE(popUp->CraftButt->isEnabled());
    const int32_t bought = p.Start_mineMoves;

    popUp->MineCallback(nullptr);
    EXPECT_EQ(host->stopped, 1);
    run(1.0);
    MineBoard* board = runningBoard();
    ASSERT_NE(board, nullptr) << "the start button fades to the mine";
    EXPECT_EQ(p.mineMoves, bought);
    ASSERT_NE(board->FoodBar, nullptr);
    EXPECT_EQ(board->FoodBar->GetCurrentMoves(), bought);

    // Gas: three gas tiles in an L prime at the next check, then explode.
    for (int r = 0; r < Board::kSize; ++r)
        for (int c = 0; c < Board::kSize; ++c) {
            const bool gas = (r == 4 && c == 0) || (r == 5 && c == 0) || (r == 5 && c == 1);
            const int32_t kind = gas ? 3 : ((r + c) % 2 ? 1 : 4);
            if (board->puzzleAt(r, c)->GetType() != kind) {
                ASSERT_NE(board->replacePuzzle(board->puzzleAt(r, c), kind), nullptr);
            }
        }
    board->checkNewChainMethane();
    EXPECT_EQ(board->getAllPuzzlesByType(20).size(), 3u);
    const int32_t explosions = p.MethanExplosions;
    board->checkNewChainMethane();
    EXPECT_EQ(p.MethanExplosions, explosions + 1);
    EXPECT_TRUE(ledger().done.count("com.zandovar.mw.kaboom"));
    EXPECT_TRUE(board->getAllPuzzlesByType(20).empty());
    settle(1.0);

    // One food is eaten per counted move.
    const std::vector<std::pair<int, int>> chain = findChain(*board);
    ASSERT_FALSE(chain.empty());
    const int32_t movesBefore = p.mineMoves;
    play(*board, chain);
    settle();
    EXPECT_EQ(p.mineMoves, movesBefore - 1);
    EXPECT_EQ(board->FoodBar->GetCurrentMoves(), p.mineMoves);

    playOut(*board);
    EndOfPopUp* summary = summaryOn(board);
    ASSERT_NE(summary, nullptr) << "the summary opens when the moves run out";
    EXPECT_EQ(summary->mode(), 0);
    EXPECT_EQ(p.MineBonusBought, 1);
    EXPECT_EQ(summary->shownPrice(), p.MoreMineMovesPrice);
    EXPECT_EQ(p.SavedMinePuzzles.size(), 36u);
    EXPECT_EQ(p.MaxHarvestMine, board->TilesRemoved);
    EXPECT_TRUE(summary->isRecord()) << "the first session sets the mine's record";
    EXPECT_EQ(p.HighscoreMine, static_cast<int32_t>(p.StageExp));

    // More moves for gold: the board plays on (a short extension keeps the test quick).
    p.ExtraMineMoves = 3;
    const int32_t gold = p.GoldCount;
    summary->BuyCallbackMine(nullptr);
    EXPECT_EQ(p.GoldCount, gold - p.MoreMineMovesPrice);
    EXPECT_EQ(p.mineMoves, p.ExtraMineMoves);
    EXPECT_EQ(summaryOn(board), nullptr);
    playOut(*board);
    summary = summaryOn(board);
    ASSERT_NE(summary, nullptr);
    EXPECT_EQ(p.MineBonusBought, 2);
    EXPECT_EQ(summary->shownPrice(), 2 * p.MoreMineMovesPrice) << "each purchase costs more";

    const float stage = p.StageExp;
    const float waiting = p.TempExperience;
    if (stage >= 500) {
        EXPECT_TRUE(ledger().done.count("com.zandovar.mw.achiever") || stage >= 5000);
    }
    summary->ContinueCallback(nullptr);
    EXPECT_FLOAT_EQ(p.TempExperience, waiting + stage);
    EXPECT_EQ(p.StageExp, 0);
    run(1.0);
    EXPECT_EQ(villageVisits, 1);
    EXPECT_FALSE(SessionReturnPoint::held());

    // The profile saved at the summary loads back equal.
    const Value saved = stateOf(p);
    Profile::purgeSharedInstance();
    ASSERT_TRUE(Profile::sharedInstance()->Load());
    EXPECT_EQ(stateOf(*Profile::sharedInstance()), saved);
}

// Leaving through the exit question puts back the food, gold and moves as
// they were before the food pop-up opened, keeping gold bought meanwhile
// even though the purchase saved the profile mid-session.
TEST_F(MineSessionFlowTest, LeavingThroughTheExitQuestionRestoresTheProfile)
{
    Ref<FoodPopUp> popUp;
    Ref<test::TestMapHost> host = openFoodPopUp(popUp);
    ASSERT_NE(popUp, nullptr);
    Profile& p = profile();
    const int32_t breadAtStart = p.GetResourceCount(kBread);
    const int32_t goldAtStart = p.GoldCount;
    popUp->AddFoodCallback(popUp->BreadButton);
    popUp->AddFoodCallback(popUp->FlockButton);
    popUp->ResetCallback(nullptr);
    popUp->MineCallback(nullptr);
    run(1.0);
    MineBoard* board = runningBoard();
    ASSERT_NE(board, nullptr);
    play(*board, findChain(*board));
    settle();

    // A coin pack bought in the middle of the session (the store saves).
    auto store = std::make_shared<test::ScriptedStore>();
    std::shared_ptr<Store> previousStore = Store::replaceSharedInstance(store);
    InAppPurchase::sharedInstance()->buyProductIdentifier(InAppPurchase::productIdentifier(0));
    for (int i = 0; i < 10 && RunLoop::main().pendingWorkCount() > 0; ++i) RunLoop::main().drain();
    const int32_t pack = p.MicroGoldCount1;
    ASSERT_GT(pack, 0);

    board->MapCallback(nullptr);
    EndOfPopUp* question = summaryOn(board);
    ASSERT_NE(question, nullptr);
    EXPECT_EQ(question->mode(), 3);
    question->ReturnToVillageCallback(nullptr);
    Profile& back = *Profile::sharedInstance();
    EXPECT_EQ(back.GetResourceCount(kBread), breadAtStart);
    EXPECT_EQ(back.GetResourceCount(kFlock), 4);
    EXPECT_EQ(back.Start_mineMoves, 0);
    EXPECT_EQ(back.GoldCount, goldAtStart + pack) << "the pack stays, the moves' gold comes back";
    run(1.0);
    EXPECT_EQ(villageVisits, 1);
    // The save holds the state returned to.
    const Value restored = stateOf(back);
    ASSERT_TRUE(back.Load());
    EXPECT_EQ(stateOf(back), restored);
    InAppPurchase::purgeSharedInstance();
    Store::replaceSharedInstance(previousStore);
}

TEST_F(MineSessionFlowTest, ClosingTheFoodPopUpPutsBackFoodGoldAndMoves)
{
    Ref<FoodPopUp> popUp;
    Ref<test::TestMapHost> host = openFoodPopUp(popUp);
    ASSERT_NE(popUp, nullptr);
    Profile& p = profile();
    const int32_t spent = p.GoldSpent;
    for (CCHoldButtonImage* food : {popUp->BreadButton, popUp->SoupButton, popUp->PieButton, popUp->FlockButton,
                                    popUp->DroveButton}) {
        popUp->AddFoodCallback(food);
    }
    popUp->ResetCallback(nullptr);
    popUp->CloseCallback(nullptr);
    for (int32_t food : {kBread, kSoup, kPie, kFlock, kDrove, kHerd}) EXPECT_EQ(p.GetResourceCount(food), 4) << food;
    EXPECT_EQ(p.Start_mineMoves, 0);
    EXPECT_EQ(p.GoldCount, 1000);
    EXPECT_EQ(p.GoldSpent, spent - 100) << "the spending stays booked";
    EXPECT_TRUE(host->inputOn);
    EXPECT_EQ(popUp->parent(), nullptr);
}

// The tutorial's pointing arrow belongs to the boards: the food pop-up puts
// it on the bread once frame 24 is done, with nothing installed from above.
TEST_F(MineSessionFlowTest, TheFoodPopUpPointsAtTheBreadWithTheTutorialArrow)
{
    auto def = makeRef<TutorialFrameDef>();
    def->Done = true;
    def->ArrowAfter = true;
    profile().TutorialDict[24] = def;
    Ref<FoodPopUp> popUp;
    Ref<test::TestMapHost> host = openFoodPopUp(popUp);
    ASSERT_NE(popUp, nullptr);
    popUp->MoveWithTutorial();
    EXPECT_NE(dynamic_cast<CCTutorialArrow*>(popUp->BreadButton->getChildByTag(FoodPopUp::kTagArrow)), nullptr);
    host->removeFromParentAndCleanup(true);
}

TEST_F(MineSessionFlowTest, SixFoodsMarkTheBalancedDietFiveDoNot)
{
    for (int used : {5, 6}) {
        SCOPED_TRACE(used);
        GlobalObject::sharedInstance()->SetDietAchievement(false);
        Ref<FoodPopUp> popUp;
        Ref<test::TestMapHost> host = openFoodPopUp(popUp);
        ASSERT_NE(popUp, nullptr);
        profile().MaxMineMoves = 1000;
        const std::vector<CCHoldButtonImage*> foods{popUp->BreadButton, popUp->SoupButton, popUp->PieButton,
                                                    popUp->FlockButton, popUp->DroveButton, popUp->HerdButton};
        for (int i = 0; i < used; ++i) popUp->AddFoodCallback(foods[static_cast<size_t>(i)]);
        popUp->MineCallback(nullptr);
        EXPECT_EQ(GlobalObject::sharedInstance()->GetDietAchievement(), used == 6);
        host->removeFromParentAndCleanup(true);
    }
}

// The purchase count rises once per end of the moves, however long the
// end waits for an input block.
TEST_F(MineSessionTest, MovesBoughtAfterAWaitForTheBlockArePricedOnce)
{
    Profile& p = profile();
    p.Start_mineMoves = 1;
    p.increaseUpgradeCount(kMarket, 1);
    Ref<MineBoard> board = MineBoard::board();
    ASSERT_NE(board, nullptr);
    scene().addChild(board.get());
    run(0.1);
    play(*board, findChain(*board));
    ASSERT_EQ(p.mineMoves, 0);
    board->BlockInput(1.6f); // an explosion's block still running when the end comes
    run(2.5);
    EndOfPopUp* summary = summaryOn(board.get());
    ASSERT_NE(summary, nullptr);
    EXPECT_EQ(p.MineBonusBought, 1);
    EXPECT_EQ(summary->shownPrice(), p.MoreMineMovesPrice);
    board->removeFromParentAndCleanup(true);
}

struct GasCase {
    const char* name;
    std::vector<std::string> rows; // '3' gas, 'P' primed gas, '.' earth/stone
    size_t primedAfter;            // primed tiles after one check
    int explosions;                // explosions of that check
};

class GasTest : public MineSessionTest, public ::testing::WithParamInterface<GasCase> {};

TEST_P(GasTest, GasPrimesCalmsAndExplodes)
{
    Profile& p = profile();
    p.Start_mineMoves = 20;
    Ref<MineBoard> board = MineBoard::board();
    ASSERT_NE(board, nullptr);
    scene().addChild(board.get());
    for (int r = 0; r < Board::kSize; ++r)
        for (int c = 0; c < Board::kSize; ++c) {
            const char code = GetParam().rows[static_cast<size_t>(r)][static_cast<size_t>(c)];
            const int32_t kind = code == '3' ? 3 : code == 'P' ? 20 : ((r + c) % 2 ? 1 : 4);
            if (board->puzzleAt(r, c)->GetType() != kind) {
                ASSERT_NE(board->replacePuzzle(board->puzzleAt(r, c), kind), nullptr);
            }
        }
    const int32_t before = p.MethanExplosions;
    board->checkNewChainMethane();
    EXPECT_EQ(board->getAllPuzzlesByType(20).size(), GetParam().primedAfter);
    EXPECT_EQ(p.MethanExplosions - before, GetParam().explosions);
    if (GetParam().explosions > 0) {
        EXPECT_TRUE(board->isCheckAwaiting);
        EXPECT_TRUE(board->isBlockRunning());
    }
    run(1.0);
    for (int r = 0; r < Board::kSize; ++r)
        for (int c = 0; c < Board::kSize; ++c) {
            const Puzzle* tile = board->puzzleAt(r, c);
            ASSERT_NE(tile, nullptr);
            EXPECT_EQ(tile->parent(), board.get());
            EXPECT_EQ(tile->row, r);
            EXPECT_EQ(tile->column, c);
        }
    board->removeFromParentAndCleanup(true);
}

INSTANTIATE_TEST_SUITE_P(Cases, GasTest,
                         ::testing::Values(GasCase{"LOfThreePrimes", {"......", "......", "......", "......", "3.....", "33...."}, 3, 0},
                                           GasCase{"APrimedPairCalmsDown", {"......", "......", "PP....", "......", "......", "......"}, 0, 0},
                                           GasCase{"APrimedTileInAGroupOfThreeExplodes", {"......", "......", "......", "...P..", "...33.", "......"}, 0, 1},
                                           GasCase{"TwoLoneGasTilesStayCalm", {"3.....", "......", "......", "......", "......", ".....3"}, 0, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

struct SummaryCase {
    const char* name;
    int32_t mode;
    float stageExp;
    int32_t highMine;
    int32_t highFields;
    bool market;
    bool record;
    std::vector<std::string> grants;   // achievements granted
    std::vector<std::string> reported; // "category score"
};

class SummaryTest : public MineSessionTest, public ::testing::WithParamInterface<SummaryCase> {};

TEST_P(SummaryTest, TheSummaryRecordsTheSession)
{
    const SummaryCase& c = GetParam();
    Profile& p = profile();
    p.StageExp = c.stageExp;
    p.HighscoreMine = c.highMine;
    p.HighscoreFields = c.highFields;
    p.FingerLength = 0;
    if (c.market) p.increaseUpgradeCount(kMarket, 1);
    std::vector<std::string> reported;
    session::ScoreSink saved = session::setScoreSink(
        [&](const std::string& category, int32_t score) { reported.push_back(category + " " + std::to_string(score)); });
    Ref<EndOfPopUp> popUp = EndOfPopUp::popUpWithMode(c.mode, 7);
    session::setScoreSink(std::move(saved));
    ASSERT_NE(popUp, nullptr);
    EXPECT_EQ(popUp->isRecord(), c.record);
    std::vector<std::string> grants;
    for (const std::string& g : ledger().grants) grants.push_back(g.substr(0, g.find(' ')));
    EXPECT_EQ(grants, c.grants);
    std::vector<std::string> scores;
    for (const std::string& r : reported)
        if (r.rfind("com.zandovar.mw.highscores", 0) == 0) scores.push_back(r);
    EXPECT_EQ(scores, c.reported);
    EXPECT_EQ(popUp->InstantButton->visible(), c.market);
    EXPECT_EQ(popUp->InstantButton->isEnabled(), c.market);
    if (c.mode == 1) {
        EXPECT_EQ(p.StageExp, 0) << "the field's experience moves at opening";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SummaryTest,
    ::testing::Values(
        SummaryCase{"BelowFiveHundredGrantsNothing", 0, 499.9f, 1000, 0, false, false, {}, {}},
        SummaryCase{"FiveHundredGrantsTheAchiever", 0, 500, 1000, 0, true, false, {"com.zandovar.mw.achiever"}, {}},
        SummaryCase{"FiveThousandGrantsOnlyTheBigAchiever", 0, 5000, 9000, 0, true, false,
                    {"com.zandovar.mw.bigachiever"}, {}},
        SummaryCase{"AnEqualScoreIsNoRecord", 0, 300, 300, 0, true, false, {}, {}},
        SummaryCase{"AMineRecordBelowTheFieldsReportsNothing", 0, 900, 100, 1200, true, true,
                    {"com.zandovar.mw.achiever"}, {}},
        SummaryCase{"AMineRecordAboveTheFieldsIsReported", 0, 900, 100, 800, true, true,
                    {"com.zandovar.mw.achiever"}, {"com.zandovar.mw.highscores 900"}},
        SummaryCase{"AFieldRecordIsReported", 1, 400, 100, 50, false, true, {}, {"com.zandovar.mw.highscores 400"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MineSessionTest, TheBuyButtonChargesThePriceTimesThePurchasesAndTheQuestionsNoGoesBack)
{
    Profile& p = profile();
    p.increaseUpgradeCount(kMarket, 1);
    p.Start_mineMoves = 20;
    Ref<MineBoard> board = MineBoard::board();
    ASSERT_NE(board, nullptr);
    scene().addChild(board.get());
    p.MineBonusBought = 2;
    p.GoldCount = 2 * p.MoreMineMovesPrice - 1;
    Ref<EndOfPopUp> popUp = EndOfPopUp::popUpWithMode(0, 3, board.get());
    board->addChild(popUp.get(), EndOfPopUp::kZOrder);
    EXPECT_EQ(popUp->shownPrice(), 2 * p.MoreMineMovesPrice);
    popUp->BuyCallbackMine(nullptr);
    EXPECT_NE(popUp->getChildByTag(EndOfPopUp::kTagCoinPanel), nullptr) << "too little gold opens the coin packs";
    EXPECT_EQ(popUp->parent(), board.get());
    popUp->CloseMicro(nullptr);
    run(0.6);
    EXPECT_EQ(popUp->getChildByTag(EndOfPopUp::kTagCoinPanel), nullptr);
    p.GoldCount += 1;
    popUp->BuyCallbackMine(nullptr);
    EXPECT_EQ(p.GoldCount, 0);
    EXPECT_EQ(popUp->parent(), nullptr);

    board->MapCallback(nullptr);
    EndOfPopUp* question = summaryOn(board.get());
    ASSERT_NE(question, nullptr);
    question->CloseCallback(nullptr);
    EXPECT_EQ(summaryOn(board.get()), nullptr);
    EXPECT_TRUE(board->isTouchEnabled());
    board->removeFromParentAndCleanup(true);
}

TEST_F(MineSessionTest, TheFiftiethVisitGrantsDiggitAndLaterVisitsSkipTheStones)
{
    Profile& p = profile();
    p.Start_mineMoves = 20;
    for (int32_t visits : {0, 48, 49, 50}) {
        SCOPED_TRACE(visits);
        p.MineVisits = visits;
        ledger().done.clear();
        Ref<MineBoard> board = MineBoard::board();
        ASSERT_NE(board, nullptr);
        EXPECT_EQ(ledger().done.count("com.zandovar.mw.diggit") > 0, visits == 49);
        EXPECT_EQ(board->StonesDone, visits >= 1);
        EXPECT_EQ(board->CollectAnyThing, visits >= 1 ? 3 : 0);
    }
}

TEST_F(MineSessionTest, TheFirstVisitOpensWithTheMineOverlayOrElseFrame25sPopUp)
{
    profile().Start_mineMoves = 20;
    profile().GetTutorialDef(25)->Done = false;
    std::vector<int32_t> overlays, popUps;
    const auto findByZ = [](CCNode* board, int z) {
        for (size_t i = 0; board->children() && i < board->children()->count(); ++i) {
            auto* child = static_cast<CCNode*>(board->children()->objectAtIndex(i));
            if (child->zOrder() == z && child->tag() == 25) return child;
        }
        return static_cast<CCNode*>(nullptr);
    };
    session::TutorialMaker previousPopUp = session::setTutorialMaker([&popUps](int32_t frame) {
        popUps.push_back(frame);
        auto made = CCNode::node();
        made->setTag(frame);
        return Ref<CCNode>(made);
    });
    for (bool withOverlay : {true, false}) {
        SCOPED_TRACE(withOverlay);
        overlays.clear();
        popUps.clear();
        session::OverlayMaker previous = session::setTutorialOverlayMaker(
            withOverlay ? session::OverlayMaker([&overlays](int32_t frame) {
                overlays.push_back(frame);
                auto made = CCNode::node();
                made->setTag(frame);
                return Ref<CCNode>(made);
            })
                        : session::OverlayMaker());
        Ref<MineBoard> board = MineBoard::board();
        (void)session::setTutorialOverlayMaker(std::move(previous));
        ASSERT_NE(board, nullptr);
        EXPECT_EQ(overlays, withOverlay ? std::vector<int32_t>{25} : std::vector<int32_t>{});
        EXPECT_EQ(popUps, withOverlay ? std::vector<int32_t>{} : std::vector<int32_t>{25});
        CCNode* shown = findByZ(board.get(), 5);
        ASSERT_NE(shown, nullptr);
        EXPECT_EQ(shown->position(), (withOverlay ? CGPoint{0, 0} : CGPoint{board::winSize().width / 2,
                                                                             board::winSize().height / 2}));
        EXPECT_FALSE(board->isTouchEnabled()) << "the board waits for the frame";
    }
    (void)session::setTutorialMaker(std::move(previousPopUp));
}

// Two lessons of the mine that no other moment raises: a finger let go on
// gas, which never makes a chain, shows frame 61 (and a short chain of
// another kind nothing); once the shovel's frame is done, the next step
// shows frame 43, where new tools come from.
TEST_F(MineSessionTest, GasLetGoAndTheShovelUsedEachShowTheirFrame)
{
    Profile& p = profile();
    p.Start_mineMoves = 20;
    p.MineVisits = 1; // a later visit: the stones lesson lies behind
    for (int32_t n : {25, 26, 59, 60, 39, 40, 41}) {
        p.GetTutorialDef(n)->Done = true;
        p.GetTutorialDef(n)->ArrowAfterDone = true;
    }
    std::vector<int32_t> popUps;
    session::TutorialMaker previous = session::setTutorialMaker([&popUps](int32_t frame) {
        popUps.push_back(frame);
        return Ref<CCNode>(CCNode::node());
    });
    Ref<MineBoard> board = MineBoard::board();
    ASSERT_NE(board, nullptr);
    scene().addChild(board.get());
    run(0.1);
    ASSERT_TRUE(board->isTouchEnabled());
    for (int32_t kind : {1, 3}) {
        SCOPED_TRACE(kind);
        popUps.clear();
        Puzzle* tile = board->replacePuzzle(board->puzzleAt(2, 2), kind);
        ASSERT_NE(tile, nullptr);
        ASSERT_TRUE(board->touchBeganAt(tile->GetMidpointPosition()));
        board->touchEnded();
        EXPECT_EQ(popUps, kind == 3 ? std::vector<int32_t>{61} : std::vector<int32_t>{});
        board->SetInputActive(true);
        run(0.8);
    }
    popUps.clear();
    board->ValidateAndPlayTutorial();
    EXPECT_EQ(popUps, std::vector<int32_t>{}) << "nothing before the shovel's frame";
    p.GetTutorialDef(42)->Done = true;
    board->ValidateAndPlayTutorial();
    EXPECT_EQ(popUps, std::vector<int32_t>{43});
    (void)session::setTutorialMaker(std::move(previous));
    board->removeFromParentAndCleanup(true);
}

} // namespace
} // namespace mw
