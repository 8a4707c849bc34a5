#pragma once

#include <cstdint>
#include <vector>

#include "foundation/Ref.h"
#include "game/boards/Board.h"

namespace mw {

class CCCalendar;
class CCTimeStripCounter;

// The field form of the board: a session of four seasons on a fixed budget
// of moves. A counted turn is judged by its last tile's kind, a move is spent
// only when the chain holds a kind that costs time, the generator's season
// turns every `stepsToChangeSeason` moves, rabbits and wolves count down and
// leap onto crops and livestock after each refill, and the last move opens
// the summary and keeps the field for the next visit.
//
// The board also decides which tutorial frame the first visits show. The
// frames themselves are drawn by the village's tutorial pop-up, animation and
// arrow; the board asks for them through the three presentation hooks below.
class CountryBoard : public Board {
public:
    // Kinds with fixed roles on the field.
    static constexpr int32_t kGrass = 10; // left where a rabbit stood
    static constexpr int32_t kWood = 11;  // left where a wolf stood
    static constexpr int32_t kCarrot = 12;
    static constexpr int32_t kBread = 13;
    static constexpr int32_t kChicken = 14;
    static constexpr int32_t kPig = 15;
    static constexpr int32_t kRabbit = 17;
    static constexpr int32_t kWolf = 18;
    // Child tags: the season strip's cover, the tutorial arrows.
    static constexpr int kTagArrowCarrot = 899;
    static constexpr int kTagArrowMarket = 905;
    static constexpr int kTagArrowTool = 910;
    // Input stays blocked this long after a refill.
    static constexpr float kRefillBlock = 0.87f;

    CountryBoard();
    ~CountryBoard() override;
    // A field board with its strip, calendar, panel, generator and a full
    // grid (the kept field when the profile holds one). Null on failure.
    static Ref<CountryBoard> board();
    bool init() override;

    // ---- the turn
    void ccTouchEnded(UITouch* touch, const UIEvent& event) override;
    void touchEnded();
    // Marks the animals of a counting chain to be taken, unmarks them otherwise.
    void ValidateChain() override;
    // A chain counts when it reaches the minimum group of its last tile's kind.
    bool isChainCounts() const;
    void completeColumn() override;
    void ClearAndReset();
    // The end of a block: animals act after a refill, then the no-moves check.
    void activeInput() override;

    // ---- animals
    void checkAnimals();
    void checkRabbit();
    void checkWolf();
    // The jump has ended: the animal takes its prey's slot and the prey goes.
    void removePuzzleAfterJump(Puzzle* animal) override;
    // The same without the no-moves check.
    void removePuzzle(Puzzle* animal);

    // ---- end of the session (1.0 s after the last move; retried every 0.1 s
    // while a block runs): the kept field, the records, the summary in mode 1
    virtual void StartEndGame();

    // ---- tutorial
    void SpecialTutorialAction(int32_t code) override;
    void ValidateAndPlayTutorial() override;
    void MoveWithTutorial() override { ValidateAndPlayTutorial(); }
    void PodTutorialHack() override;
    bool isFieldBoard() const override { return true; }
    static constexpr int kTutorialPopUpZ = 37;
    static constexpr int kTutorialOverlayZ = 5;
    // Presentation of a frame (the pop-up at z-order 37), of a frame's
    // animation (z-order 5) and of a pointing arrow. YES when something was
    // put on the board: its input then stays off until the tutorial calls
    // MoveWithTutorial. The board only decides; the village's tutorial
    // classes present. Without them nothing is shown (logged), every request
    // is listed in `TutorialRequests` and input stays on.
    virtual bool PresentTutorialAnimation(int32_t frame);
    virtual void PutTutorialArrow(CCNode* on, CGPoint at, int z, int tag);
    // Lists the request and presents it; YES when presented.
    bool ShowTutorialFrame(int32_t frame);
    bool AnimateTutorialFrame(int32_t frame);
    // What the board asked to present, in order: +n a frame shown, -n a
    // frame animated (for the default hooks above).
    std::vector<int32_t> TutorialRequests;

    Ref<CCTimeStripCounter> TimeCounter;
    Ref<CCCalendar> Calendar;
    int32_t TilesCollectedInSession = 0;
    int32_t CheckNextGrassStep = 0;
    int32_t BreadCollected = 0;
    int32_t ChcikenCollected = 0;
    int32_t WoodCollected = 0;
    bool ChickenDone = false;
    bool BreadDone = false;
    bool WoodDone = false;
    bool UnlockWorkshopActive = false;
    bool UnlockMarketActive = false;

private:
    void fillGrid();
    void buildSeasonPieces();
    void openingTutorialStep();
    // One species' turn: `prey` in order of preference.
    void checkAnimal(int32_t animal, const std::vector<int32_t>& prey, int32_t onBoardCode,
                     int32_t leftBehind, int32_t jumpPercent);
    void jump(Puzzle* animal, Puzzle* prey, int32_t leftBehind);
    void markAnimals(bool counts);
    void spendMove();
    void tutorialChecksAfterMove(bool seasonChanged);
    void unlockAtEnd();
    void closeSkippedFrames();
    // Tutorial frame flags (false / nothing for a frame the game data lacks).
    bool frameDone(int32_t frame) const;
    // The game data holds the frame and the player has not finished it.
    bool frameOpen(int32_t frame) const;
    bool arrowAfter(int32_t frame) const;
    bool arrowAfterDone(int32_t frame) const;
    void closeFrame(int32_t frame);
    void arrowOnCarrotSlot(int tag);
};

} // namespace mw
