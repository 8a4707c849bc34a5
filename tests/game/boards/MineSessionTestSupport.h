#pragma once

// A mine session with the game's own data, art and strings from the bundle:
// the food pop-up, the mine scene and its board, the summary. Scene changes
// go through the session's makers: the mine maker builds the real mine
// scene, the village maker a plain scene that counts its visits.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "engine/director/CCDirector.h"
#include "engine/scheduler/CCScheduler.h"
#include "engine/sprites/CCSpriteFrameCache.h"
#include "engine/support/CCArray.h"
#include "engine/support/CCFileUtils.h"
#include "game/boards/Board.h"
#include "game/boards/BoardSupport.h"
#include "game/boards/EndOfPopUp.h"
#include "game/boards/FoodPopUp.h"
#include "game/boards/MineBoard.h"
#include "game/boards/MineScene.h"
#include "game/boards/Puzzle.h"
#include "game/boards/SessionHooks.h"
#include "foundation/RunLoop.h"
#include "game/state/DataParser.h"
#include "game/state/LocalisationManager.h"
#include "game/state/SessionReturnPoint.h"
#include "tests/game/boards/BoardsTestSupport.h"

namespace mw::test {

// The sheets the game loads for a device, the village's included (the
// summary shows the mine's building).
inline std::vector<std::string> sessionSheets(const std::string& device)
{
    if (device == "phone")
        return {"gameplay_iPhone4-L.plist", "gui_common-L.plist", "gui_iphone4n-L.plist", "Village-iPhone4-L.plist"};
    if (device == "tablet-hd")
        return {"gameplay_iPhone4-H2.plist", "gui_common-H2.plist", "gui_ipadn2.plist", "Village-iPhone4-H2.plist"};
    if (device == "tablet")
        return {"gameplay_iPhone4-H.plist", "gui_common-H.plist", "gui_ipadn.plist", "Village-iPhone4-H.plist"};
    return {"gameplay_iPhone4-H.plist", "gui_common-H.plist", "gui_iphone4n-H.plist", "Village-iPhone4-H.plist"};
}

// What the food pop-up stands on in these tests.
class TestMapHost : public CCNode, public FoodPopUpHost {
public:
    void SetInputActive(bool active) override { inputOn = active; }
    bool CollectAllBonuses() override
    {
        ++bonusesCollected;
        return false;
    }
    void StopWithRelease() override { ++stopped; }
    void UpdateTopBar() override { ++topBarUpdates; }
    bool inputOn = false;
    int bonusesCollected = 0;
    int stopped = 0;
    int topBarUpdates = 0;
};

class MineSessionTest : public BoardTest {
protected:
    explicit MineSessionTest(const char* device = "phone-hd") : BoardTest(device) { loadSheet_ = false; }

    void SetUp() override
    {
        resources_ = sourceTreePath("resources");
        for (const std::string& sheet : sessionSheets(device_)) {
            if (!std::filesystem::exists(resources_ + "/" + sheet)) GTEST_SKIP() << "the bundle has no " << sheet;
        }
        BoardTest::SetUp();
        if (HasFatalFailure()) return;
        CCFileUtils::setBundlePath(resources_);
        Profile::purgeSharedInstance();
        DataParser parser;
        ASSERT_TRUE(parser.parseData(resources_ + "/test.xml"));
        for (const std::string& sheet : sessionSheets(device_))
            ASSERT_TRUE(CCSpriteFrameCache::sharedSpriteFrameCache()->addSpriteFramesWithFile(sheet)) << sheet;
        std::ifstream strings(resources_ + "/stringdb.csv", std::ios::binary);
        std::stringstream bytes;
        bytes << strings.rdbuf();
        LocalisationManager::sharedInstance()->parseCSVData(bytes.str());
        SessionReturnPoint::clear();
        savedVillage_ = session::setVillageSceneMaker([this] {
            ++villageVisits;
            return CCScene::node();
        });
        ::srandom(kSeed);
    }
    void TearDown() override
    {
        if (!resources_.empty()) {
            session::setVillageSceneMaker(std::move(savedVillage_));
        }
        SessionReturnPoint::clear();
        BoardTest::TearDown();
    }

public:
    static constexpr unsigned kSeed = 24;
    // Resource identifiers of the foods and the market building.
    static constexpr int32_t kBread = 3, kSoup = 1, kPie = 2, kFlock = 4, kDrove = 5, kHerd = 6;
    static constexpr int32_t kMarket = 18;

    // The running scene's mine board (after a scene change), or null.
    MineBoard* runningBoard() const
    {
        CCScene* running = CCDirector::sharedDirector()->runningScene();
        auto* layer = running ? dynamic_cast<MineScene*>(running->getChildByTag(MineScene::kTag)) : nullptr;
        return layer ? layer->board.get() : nullptr;
    }
    static EndOfPopUp* summaryOn(const CCNode* board)
    {
        if (!board || !board->children()) return nullptr;
        for (Object* child : *board->children())
            if (auto* popUp = dynamic_cast<EndOfPopUp*>(child)) return popUp;
        return nullptr;
    }
    CGPoint viewPoint(const Board& board, int row, int column) const
    {
        const CGPoint p = board.cellPosition(row, column);
        return {p.x, board::winSize().height - p.y};
    }
    // Draws a chain through the cells, finger down to up.
    void play(const Board& board, const std::vector<std::pair<int, int>>& cells)
    {
        Ref<UITouch> touch = driver().touchDown(viewPoint(board, cells.front().first, cells.front().second));
        for (size_t i = 1; i < cells.size(); ++i)
            driver().touchMove(touch.get(), viewPoint(board, cells[i].first, cells[i].second));
        driver().touchUp(touch.get());
    }
    // A chain the board accepts as a counted turn, found greedily from each
    // tile in turn (a path through neighbours that may join the first tile);
    // empty when none is long enough.
    static std::vector<std::pair<int, int>> findChain(const Board& board)
    {
        for (int r = 0; r < Board::kSize; ++r)
            for (int c = 0; c < Board::kSize; ++c) {
                Puzzle* first = board.puzzleAt(r, c);
                const Collectible* kind = first ? first->TargetCollectible() : nullptr;
                if (!kind || kind->minGroup > Board::kMaxChain) continue;
                std::vector<Puzzle*> path{first};
                bool grew = true;
                while (grew) {
                    grew = false;
                    for (int rr = 0; rr < Board::kSize && !grew; ++rr)
                        for (int cc = 0; cc < Board::kSize && !grew; ++cc) {
                            Puzzle* next = board.puzzleAt(rr, cc);
                            if (!next || std::find(path.begin(), path.end(), next) != path.end()) continue;
                            if (!Board::isPuzzleNeighborToPuzzle(path.back(), next) ||
                                !Board::isPuzzleChainsToPuzzle(first, next))
                                continue;
                            path.push_back(next);
                            grew = true;
                        }
                }
                if (static_cast<int32_t>(path.size()) < std::max(kind->minGroup, 1)) continue;
                std::vector<std::pair<int, int>> cells;
                for (const Puzzle* tile : path) cells.emplace_back(tile->row, tile->column);
                return cells;
            }
        return {};
    }
    // Lets a turn's animations and checks run out, answering a no-moves
    // alert by re-typing.
    void settle(double seconds = 1.0)
    {
        advance(seconds);
        while (driver().pressAlertButton(0)) {}
    }
    // Plays greedy chains until the summary opens (or `maxTurns` pass).
    // Returns the turns played.
    int playOut(MineBoard& board, int maxTurns = 200)
    {
        int turns = 0;
        while (!summaryOn(&board) && turns < maxTurns) {
            std::vector<std::pair<int, int>> chain = findChain(board);
            if (chain.empty()) {
                settle(0.5);
                if (!findChain(board).empty()) continue;
                board.shufflePuzzles();
                continue;
            }
            play(board, chain);
            ++turns;
            settle(board.isInputBlocked() ? 0.8 : 0.1);
            if (Profile::sharedInstance()->mineMoves <= 0) settle(1.5);
        }
        return turns;
    }

    int villageVisits = 0;

protected:
    // Game time passes: frames drawn, or with `drawFrames_` off only the
    // scheduler's ticks and the run loop (the long bot runs, where drawing
    // would cost most of the time and decides nothing).
    void advance(double seconds)
    {
        if (drawFrames_) {
            run(seconds);
            return;
        }
        const int steps = static_cast<int>(seconds * 60 + 0.5);
        for (int i = 0; i < steps; ++i) {
            CCScheduler::sharedScheduler()->tick(1.0f / 60);
            RunLoop::main().drain();
        }
    }
    bool drawFrames_ = true;
    std::string resources_;
    session::SceneMaker savedVillage_;
};

} // namespace mw::test
