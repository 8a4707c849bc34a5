#pragma once

// A whole mine board in a running scene, with the boards' game data of
// "board.xml", frames for the board's own art, a string table, and helpers
// that lay out tiles by kind and draw chains with the driver's touches.

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "game/boards/Board.h"
#include "game/boards/BoardSupport.h"
#include "game/boards/MineBoard.h"
#include "game/boards/Puzzle.h"
#include "game/boards/PuzzleFactory.h"
#include "game/state/DataParser.h"
#include "game/state/LocalisationManager.h"
#include "tests/game/boards/BoardsTestSupport.h"

namespace mw::test {

// The frames of the board's own pieces (bars, menus, tools), by size.
inline std::vector<SheetFrame> boardFrameSheet()
{
    std::vector<SheetFrame> frames{
        {"top_bar_food.png", 250, 30, {90, 60, 40, 255}},
        {"bottom_bar_menu.png", 250, 30, {90, 60, 40, 255}},
        {"mine_bottom_bg.png", 250, 20, {70, 50, 30, 255}},
        // XML-escaped: the sheet's property list is written as text.
        {"list_gradient_top&amp;bottom.png", 250, 4, {0, 0, 0, 120}},
        {"tools_menu_bar.png", 300, 50, {160, 130, 90, 255}},
        {"mine_tiles_bg_big.png", 150, 150, {60, 45, 35, 255}},
        {"tools_menu_icon.png", 30, 30, {200, 200, 0, 255}},
        {"tools_menu_icon_click.png", 30, 30, {150, 150, 0, 255}},
        {"menu_ico_menu.png", 30, 30, {0, 200, 200, 255}},
        {"menu_ico_menu_click.png", 30, 30, {0, 150, 150, 255}},
        {"tools_menu_bar_arrow.png", 20, 40, {250, 250, 250, 255}},
        {"tools_menu_bar_arrow_click.png", 20, 40, {200, 200, 200, 255}},
        {"tools_menu_bar_arrow_disabled.png", 20, 40, {90, 90, 90, 255}},
        {"tools_info_notool.png", 100, 40, {120, 100, 80, 255}},
        {"tool_label.png", 80, 50, {230, 200, 150, 255}},
        {"tool_methane.png", 40, 40, {100, 200, 100, 255}},
        {"tool_lunchbox.png", 40, 40, {200, 100, 100, 255}},
        {"tool_coal.png", 40, 40, {30, 30, 30, 255}},
        {"tool_drill.png", 40, 40, {150, 150, 200, 255}},
        {"free_move_bg.png", 20, 20, {250, 250, 200, 255}},
        {"resource_tooltip.png", 60, 50, {240, 230, 200, 255}},
        {"resource_tooltip_info.png", 100, 50, {240, 230, 200, 255}},
        {"explosion_01.png", 20, 20, {255, 100, 0, 255}},
    };
    for (int i = 1; i <= 3; ++i)
        frames.push_back(
            {"end_farm" + std::to_string(i) + ".png", 60, 60, {255, 0, static_cast<uint8_t>(60 * i), 255}});
    return frames;
}

// The string-table rows the board shows.
inline constexpr const char* kBoardStrings = "KEY|EN|DE|PL\n"
                                             "\"FREE_MOVE\"|\"Free move!\"|\"Gratiszug!\"|\"Darmowy ruch!\"\n"
                                             "\"NO_MORE_MOVES_A\"|\"No chain; tools?\"|\"a\"|\"a\"\n"
                                             "\"NO_MORE_MOVES_B\"|\"No chain; shuffle.\"|\"b\"|\"b\"\n"
                                             "\"NO_MORE_MOVES_NO\"|\"Shuffle\"|\"Mischen\"|\"Przetasuj\"\n"
                                             "\"NO_MORE_MOVES_YES\"|\"Tools\"|\"Werkzeuge\"|\"Narzedzia\"\n"
                                             "\"NO_TOOLS\"|\"No tools yet\"|\"Keine\"|\"Brak\"\n"
                                             "\"USE_TOOL\"|\"Use\"|\"Nutze\"|\"Uzyj\"\n";

// A mine board whose session hooks are recorded.
class RecordingMineBoard : public MineBoard {
public:
    void StartEndGame() override { calls.push_back("StartEndGame"); }
    void checkNewChainMethane() override { calls.push_back("checkNewChainMethane"); }
    void ValidateAndPlayTutorial() override { calls.push_back("ValidateAndPlayTutorial"); }
    void ShowEndOfSession(int32_t mode) override
    {
        calls.push_back("ShowEndOfSession " + std::to_string(mode));
    }
    bool PresentTutorialFrame(int32_t frame, int) override
    {
        calls.push_back("PresentTutorialFrame " + std::to_string(frame));
        return presentsTutorial;
    }
    std::vector<std::string> calls;
    bool presentsTutorial = false;
};

class MineBoardTest : public BoardTest {
protected:
    explicit MineBoardTest(const char* device = "phone") : BoardTest(device) {}

    void SetUp() override
    {
        BoardTest::SetUp();
        if (HasFatalFailure() || IsSkipped()) return;
        writeBoardSheet(bundle_, boardFrameSheet(), "board_frame");
        ASSERT_TRUE(
            CCSpriteFrameCache::sharedSpriteFrameCache()->addSpriteFramesWithFile("board_frame.plist"));
        Profile::purgeSharedInstance();
        DataParser parser;
        ASSERT_TRUE(parser.parseData(sourceTreePath("tests/game/boards/fixtures/board.xml")));
        LocalisationManager::sharedInstance()->parseCSVData(kBoardStrings);
        Profile& p = profile();
        p.Start_mineMoves = 20;
        p.MaxMineMoves = 30;
        p.ToolsDict.clear();
        board_ = newBoard();
    }
    void TearDown() override
    {
        if (board_) board_->removeFromParentAndCleanup(true);
        board_ = nullptr;
        BoardTest::TearDown();
    }

    // A new recording mine board running in the scene.
    Ref<RecordingMineBoard> newBoard()
    {
        if (board_) board_->removeFromParentAndCleanup(true);
        // Each board is the player's first visit (later visits skip the
        // stones goal), and the hooks are recorded from the first turn on
        // (construction runs the gas check once).
        profile().MineVisits = 0;
        auto made = makeRef<RecordingMineBoard>();
        EXPECT_TRUE(made->init());
        scene().addChild(made.get());
        driver().runFrames(1);
        made->calls.clear();
        return made;
    }

    // Kinds by letter, rows from the top: '1'..'9' the kinds of that number,
    // 'c' the coin (22); '.' keeps the tile there.
    void layout(const std::vector<std::string>& rows)
    {
        for (int r = 0; r < Board::kSize; ++r) {
            for (int c = 0; c < Board::kSize; ++c) {
                const char code = rows.at(static_cast<size_t>(r)).at(static_cast<size_t>(c));
                if (code == '.') continue;
                const int32_t kind = code == 'c' ? 22 : code - '0';
                Puzzle* old = board_->puzzleAt(r, c);
                if (old->GetType() != kind) {
                    ASSERT_NE(board_->replacePuzzle(old, kind), nullptr) << code;
                }
            }
        }
        board_->setActivePuzzles(nullptr);
    }
    std::string kindsOf(int row) const
    {
        std::string kinds;
        for (int c = 0; c < Board::kSize; ++c) {
            const int32_t kind = board_->puzzleAt(row, c)->GetType();
            kinds += kind == 22 ? 'c' : static_cast<char>('0' + kind);
        }
        return kinds;
    }

    using Cell = std::pair<int, int>;
    // The view point (origin top left) of a cell's centre.
    CGPoint viewPoint(Cell cell) const
    {
        const CGPoint p = board_->cellPosition(cell.first, cell.second);
        return {p.x, board::winSize().height - p.y};
    }
    // Puts the finger down on the first cell and moves it through the others.
    Ref<UITouch> drag(const std::vector<Cell>& cells)
    {
        Ref<UITouch> touch = driver().touchDown(viewPoint(cells.front()));
        for (size_t i = 1; i < cells.size(); ++i) driver().touchMove(touch.get(), viewPoint(cells[i]));
        return touch;
    }
    // A whole chain: down, through, up.
    void play(const std::vector<Cell>& cells)
    {
        Ref<UITouch> touch = drag(cells);
        driver().touchUp(touch.get());
    }
    // Lets a turn's animations and checks run out, answering a no-moves
    // alert (which would take the next touches) by re-typing.
    void settle()
    {
        run(1.0);
        while (driver().pressAlertButton(0)) {}
    }
    // The kinds of the chain, in order.
    std::vector<int32_t> chainKinds() const
    {
        std::vector<int32_t> kinds;
        for (const Ref<Puzzle>& tile : board_->chainArray) kinds.push_back(tile->GetType());
        return kinds;
    }
    std::vector<Cell> chainCells() const
    {
        std::vector<Cell> cells;
        for (const Ref<Puzzle>& tile : board_->chainArray) cells.emplace_back(tile->row, tile->column);
        return cells;
    }
    // Whether every grid slot holds the tile whose row and column name it.
    bool gridConsistent() const
    {
        for (int r = 0; r < Board::kSize; ++r)
            for (int c = 0; c < Board::kSize; ++c) {
                const Puzzle* tile = board_->puzzleAt(r, c);
                if (!tile || tile->row != r || tile->column != c || tile->parent() != board_.get())
                    return false;
            }
        return true;
    }

    Ref<RecordingMineBoard> board_;
};

} // namespace mw::test
