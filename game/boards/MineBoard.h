#pragma once

#include <cstdint>

#include "engine/base/ccTypes.h"
#include "foundation/Ref.h"
#include "game/boards/Board.h"

namespace mw {

class CCFoodBar;

// The mine form of the board: every counted turn that holds a kind costing
// time spends one of the moves bought with food, tiles sit on earth that
// shows under a chain, and the columns refill from the top after each turn.
//
// The session around the turn (the food bars, gas, the tutorial, the end
// of the session and its summary) comes through the hooks below, which do
// nothing here.
class MineBoard : public Board {
public:
    MineBoard();
    ~MineBoard() override;
    // A mine board with its panel, generator and a full grid, input open.
    static Ref<MineBoard> board();
    bool init() override;

    // The end of a touch: the turn.
    void ccTouchEnded(UITouch* touch, const UIEvent& event) override;
    void touchEnded();
    // Lets the columns above the chain's tiles fall and refills them from
    // the generator; the grid is whole again when it returns.
    void completeColumn() override;
    // Undims the board and lets the chain and its tooltips go.
    void ClearAndReset();
    // The end of an input block: the after-turn checks when a turn asked for them.
    void activeInput() override;
    // The session's moves back to the bought count, shown on the counter.
    void ReinitStepsInMine() override;

    // ---- hooks of the session
    // The session is over: sent 1.0 s after the last move.
    virtual void StartEndGame() {}
    // Gas tiles prime, calm down or explode (after each turn's block).
    virtual void checkNewChainMethane() {}
    // The mine's tutorial step.
    void ValidateAndPlayTutorial() override {}

    Ref<CCFoodBar> FoodBar; // the live food bar, when the session has made one
    int32_t CollectAnyThing = 0;
    int32_t CollectedStones = 0;
    bool StonesDone = false;
    bool UnlockWellActive = false;

    // The moves counter's colours.
    static constexpr ccColor3B kCounterNormal{231, 215, 172};

private:
    void fillGrid();
    void buildBoardBackgrounds();
    void buildCounter();
    void showFreeMove();
    void warnFewMovesLeft(int32_t movesLeft);
};

} // namespace mw
