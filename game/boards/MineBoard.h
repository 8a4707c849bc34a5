#pragma once

#include <cstdint>
#include <vector>

#include "engine/base/ccTypes.h"
#include "foundation/Ref.h"
#include "game/boards/Board.h"

namespace mw {

class CCFoodBar;
class CCSprite;

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

    // ---- the session around the turn
    // The session is over: sent 1.0 s after the last move. Waits in 0.1 s
    // steps while an input block runs, then records the session and opens
    // the summary with this board.
    virtual void StartEndGame();
    // Gas tiles in groups of three or more prime; primed tiles of smaller
    // groups calm down; a group that was primed already explodes, together
    // with every group of three or more (after each turn's block).
    virtual void checkNewChainMethane();
    // The gas tiles connected to `source` through neighbours (itself
    // included), each once, appended to `group`.
    void getChainOfMethanPuzzles(const std::vector<Puzzle*>& gas, Puzzle* source, std::vector<Puzzle*>& group) const;
    // Replaces the exploding tiles and every tile around them; the checks
    // run again when the 0.64 s block ends.
    void explodeMethane(const std::vector<Puzzle*>& tiles);
    Ref<CCSprite> createExplodeSprite(float delay) override;
    // A gas blast at a point, added to the board after `delay` at z-order 4.
    void createExplodeSpriteAt(CGPoint position, float delay);
    void removeExplosionSprites(CCNode* sprite);
    // Tag 666 (an explosion) at z-order 4, anything else at 0.
    void AddNewChild(CCNode* child);
    // A wave of blinks over one kind the player has seen (every 9 s).
    void BlikTiles(float dt);
    // The session's moves set to `moves`, shown on the counter and the food bar.
    void ReinitStepsInMineTo(int32_t moves);
    // The mine's tutorial step.
    void ValidateAndPlayTutorial() override;
    void MoveWithTutorial() override { ValidateAndPlayTutorial(); }
    void SpecialTutorialAction(int32_t code) override;
    // Input on also opens tutorial frame 26 (input off again) until it is done.
    void SetInputActive(bool active) override;

    // The explosion sprite's tag.
    static constexpr int kTagExplosion = 666;
    static constexpr int kTagTutorialArrow = 907;

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
    void warnFewMovesLeft(int32_t movesLeft);
    void buildFoodBars();
    void startTutorialAtEntry();
    // Opens the tutorial pop-up of a frame; input goes off while it shows.
    void showTutorialFrame(int32_t frame);
    void countVisit();
    Ref<CCFoodBar> shadowBar_;
};

} // namespace mw
