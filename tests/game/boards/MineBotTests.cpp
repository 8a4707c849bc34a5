#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/game/boards/MineSessionTestSupport.h"

namespace mw {
namespace {

using test::MineSessionTest;

// A bot plays seeded mine sessions of full moves to their summary, each on
// a new board, and checks the board after every session. The suite plays a
// few; MOSSWICK_MINE_BOT_SESSIONS asks for more (the balance run plays 200).
// The averages go to the test's output for the balance notes.
TEST_F(MineSessionTest, ABotPlaysSeededMineSessionsToTheirSummary)
{
    const char* asked = std::getenv("MOSSWICK_MINE_BOT_SESSIONS");
    const int sessions = asked && *asked ? std::atoi(asked) : 1;
    drawFrames_ = false;
    Profile& p = profile();
    long turns = 0, tiles = 0, yield = 0, explosions = 0;
    for (int s = 0; s < sessions; ++s) {
        SCOPED_TRACE("session " + std::to_string(s));
        ::srandom(kSeed + static_cast<unsigned>(s));
        p.Start_mineMoves = p.MaxMineMoves;
        p.StageExp = 0;
        long stockBefore = 0;
        for (int32_t r = 1; r <= 16; ++r) stockBefore += p.GetResourceCount(r);
        const int32_t boomsBefore = p.MethanExplosions;
        Ref<MineBoard> board = MineBoard::board();
        ASSERT_NE(board, nullptr);
        scene().addChild(board.get());
        advance(0.1);
        const int played = playOut(*board);
        EndOfPopUp* summary = summaryOn(board.get());
        ASSERT_NE(summary, nullptr) << "the session ends in its summary";
        EXPECT_EQ(p.mineMoves, 0);
        EXPECT_EQ(p.SavedMinePuzzles.size(), 36u);
        for (int r = 0; r < Board::kSize; ++r)
            for (int c = 0; c < Board::kSize; ++c) {
                const Puzzle* tile = board->puzzleAt(r, c);
                ASSERT_NE(tile, nullptr);
                ASSERT_EQ(tile->row, r);
                ASSERT_EQ(tile->column, c);
            }
        long stockAfter = 0;
        for (int32_t r = 1; r <= 16; ++r) stockAfter += p.GetResourceCount(r);
        turns += played;
        tiles += board->TilesRemoved;
        yield += stockAfter - stockBefore;
        explosions += p.MethanExplosions - boomsBefore;
        board->removeFromParentAndCleanup(true);
        advance(0.05);
    }
    if (sessions > 0) {
        std::printf("mine bot: %d sessions of %d moves; per session %.1f turns, %.1f tiles, %.2f resource units, "
                    "%.2f gas explosions\n",
                    sessions, p.MaxMineMoves, static_cast<double>(turns) / sessions,
                    static_cast<double>(tiles) / sessions, static_cast<double>(yield) / sessions,
                    static_cast<double>(explosions) / sessions);
    }
}

// Mid-session and summary pictures of the mine at two device sizes; with
// MOSSWICK_TEST_PICTURES set they are written there to be looked at.
class MineSessionPictureTest : public MineSessionTest, public ::testing::WithParamInterface<const char*> {
protected:
    MineSessionPictureTest() : MineSessionTest(GetParam()) {}
    void keep(const std::string& name)
    {
        if (const char* dir = std::getenv("MOSSWICK_TEST_PICTURES")) {
            EXPECT_TRUE(driver().screenshot(std::string(dir) + "/" + name + "_" + GetParam() + ".png"));
        }
    }
};

TEST_P(MineSessionPictureTest, TheMineMidSessionAndItsSummary)
{
    Profile& p = profile();
    p.Start_mineMoves = 7;
    p.increaseUpgradeCount(kMarket, 1);
    p.FingerLength = 0;
    Ref<MineBoard> board = MineBoard::board();
    ASSERT_NE(board, nullptr);
    scene().addChild(board.get());
    run(0.2);
    for (int i = 0; i < 4; ++i) {
        std::vector<std::pair<int, int>> chain = findChain(*board);
        ASSERT_FALSE(chain.empty());
        play(*board, chain);
        settle();
    }
    // A chain held mid-touch.
    std::vector<std::pair<int, int>> chain = findChain(*board);
    ASSERT_FALSE(chain.empty());
    Ref<UITouch> touch = driver().touchDown(viewPoint(*board, chain.front().first, chain.front().second));
    for (size_t i = 1; i < chain.size(); ++i)
        driver().touchMove(touch.get(), viewPoint(*board, chain[i].first, chain[i].second));
    run(0.3);
    keep("mine_mid_session");
    EXPECT_EQ(board->chainArray.size(), chain.size());
    driver().touchUp(touch.get());
    settle();

    playOut(*board);
    ASSERT_NE(summaryOn(board.get()), nullptr);
    run(1.5);
    keep("mine_summary");
    board->removeFromParentAndCleanup(true);
}

INSTANTIATE_TEST_SUITE_P(Devices, MineSessionPictureTest, ::testing::Values("phone-hd", "tablet-hd"),
                         [](const auto& info) {
                             std::string name = info.param;
                             std::erase(name, '-');
                             return name;
                         });

} // namespace
} // namespace mw
