#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "engine/nodes/CCLayer.h"
#include "foundation/Ref.h"
#include "game/boards/BoardHost.h"
#include "game/front/MainMenuPopUp.h"
#include "platform/AlertView.h"

namespace mw {

class BoardTooltip;
class CCLabelTTF;
class CCLineObject;
class CCMenu;
class CCMenuItem;
class CCMenuItemSprite;
class CCParticleBatchNode;
class CCSprite;
class CCToolInfoFrame;
class Collectible;
class Puzzle;
class PuzzleFactory;
class ResourceBoard;
class UpgradeItem;

// The 6 by 6 chain-matching board of a puzzle session: a touch layer owning
// the grid of tiles, the chain the finger draws, the chain line, the
// tooltips shown while drawing, the bottom menu, the tools bar and the block
// that keeps input off while tiles move. It is only used through a subclass
// (the mine, the fields), which sets the geometry, fills the grid and
// answers the end of a touch; the base gives every board the same chain
// rules, grid queries, no-moves check and tools.
//
// Grid: puzzlesArray[row][column], row 0 at the top. The tile at (r, c)
// stands at x = halfWidth + (c - 2.5) * distStep, y = yOffset - r * distStep
// and carries row r and column c, except while its column falls. Every tile
// of the grid is a child of the board. Main thread only.
class Board : public CCLayer, public BoardHost, public AlertViewDelegate, public PopUpOpener {
public:
    static constexpr int kSize = 6;
    static constexpr int kMaxChain = kSize * kSize;
    // Board child tags: the dimming layer under a chain, a chain tooltip, the
    // tools button's pulse; tool-bar child tags: the arrows.
    static constexpr int kTagDim = 667;
    static constexpr int kTagTooltip = 668;
    static constexpr int kTagRightArrow = 987;
    static constexpr int kTagLeftArrow = 654;
    static constexpr int kTagToolShake = 756;
    static constexpr int kTagToolScroll = 534;
    // Tutorial marks: the arrow on the tools button, the arrow on the earth
    // tool's button (whose tag is the tool's identifier) and the marker on
    // the tools button.
    static constexpr int kTagToolsButtonArrow = 907;
    static constexpr int kTagEarthToolArrow = 908;
    static constexpr int kTagToolsButtonMarker = 910;
    static constexpr int kTagEarthToolButton = 24;
    // Seconds the input stays blocked after a turn, and after a tool.
    static constexpr float kTurnBlock = 0.64f;
    static constexpr float kToolBlock = 0.5f;
    static constexpr float kFallTime = 0.32f;

    Board();
    ~Board() override;
    // Leaving the stage takes a no-moves alert still up with it, unanswered:
    // the session is over and the screen that follows has no board to shuffle.
    void onExit() override;

    // Builds the frame of a session (bars, bottom menu, tools bar parked
    // above the window, the line, timers) and starts the session's
    // experience at zero. The subclass calls it first, then sets the
    // geometry, the panel, the generator and the grid.
    virtual bool init();

    void onEnter() override;
    void registerWithTouchDispatcher() override;
    int32_t targetedTouchCallbacks() const override { return kCCTouchAllBits; }

    // ---- input
    // Opens (YES) or closes the board, its bottom menu and its tool buttons.
    // Nothing happens when the bottom menu is already in that state.
    void SetInputActive(bool active) override;
    // Blocks input for `seconds`; a longer block replaces a running one with
    // less time left, a shorter one changes nothing. When it ends by itself,
    // activeInput runs.
    void BlockInput(float seconds);
    void UpdateBlock(float dt);
    // The end of a block: input open again; subclasses run their checks.
    virtual void activeInput();
    // The information tooltip's timer (every 0.5 s).
    void Update(float dt);
    bool isInputBlocked() const { return isActionAlive; }
    bool isBlockRunning() const { return blockRunning_; }

    // ---- touches (the subclass answers the end of a touch)
    bool ccTouchBegan(UITouch* touch, const UIEvent& event) override;
    void ccTouchMoved(UITouch* touch, const UIEvent& event) override;
    void ccTouchCancelled(UITouch* touch, const UIEvent& event) override;
    // The same in board space (the touch handlers convert and call these).
    bool touchBeganAt(CGPoint point);
    void touchMovedTo(CGPoint point);
    void touchCancelled();

    // ---- chain rules
    // The first tile (row order) whose hit circle holds the point, or null.
    Puzzle* GetTouchedPuzzle(CGPoint point) const;
    // Within one row and one column of each other (a tile neighbours itself).
    static bool isPuzzleNeighborToPuzzle(const Puzzle* a, const Puzzle* b);
    // b may join a chain started on a: same kind, or a shared connection group.
    static bool isPuzzleChainsToPuzzle(const Puzzle* a, const Puzzle* b);
    // Null: every tile active, at z-order 0, deselected. A tile: every other
    // tile active exactly when it may join a chain started on it (z-order 2
    // when active, 0 when not).
    void setActivePuzzles(Puzzle* first);
    // The chain's kinds walked from the first tile: sets NoNextCollectible
    // and MultiTypeCase for a mixed chain and raises MultiTypeGroupCase to
    // the largest minimum group met.
    void recountChain();
    // The length a chain must reach to count: the largest minimum group met
    // for a mixed chain, else the first tile's kind's. Empty chain: 0.
    int32_t requiredChainLength() const;
    void puzzleSelected(Puzzle* tile, bool draw) override;
    // Hook run after every move of the finger (the fields mark animals).
    virtual void ValidateChain() {}

    // ---- grid and chain queries
    std::vector<Puzzle*> getAllPuzzlesByType(int32_t kind) const;
    static std::vector<Puzzle*> getAllPuzzlesByType(int32_t kind, const std::vector<Puzzle*>& from);
    std::vector<Puzzle*> getAllPuzzlesByConnectionGroup(int32_t group) const;
    std::vector<int32_t> getAllPuzzleTypes() const;
    std::vector<int32_t> getAllPuzzleConnectionGroups() const;
    std::vector<Puzzle*> findAllNeighbors(const std::vector<Puzzle*>& tiles) const;
    int32_t countPuzzlesFromChainByType(int32_t kind) const;
    int32_t getChainIndexForPuzzle(const Puzzle* tile) const;
    Puzzle* puzzleAt(int row, int column) const;
    std::vector<Puzzle*> chainTiles() const;
    // Where the tile of a cell stands.
    CGPoint cellPosition(int row, int column) const;
    // Puts a new tile of `kind` from the generator in place of `old`: same
    // position, row, column and grid slot; the old tile leaves the board.
    // Null (nothing changes) when the generator has no picture for the kind.
    Puzzle* replacePuzzle(Puzzle* old, int32_t kind);
    // A removed tile's flight has ended: its kind is credited, the panel
    // refreshed and the tile leaves the board and the chain.
    void removePuzzlesFromChain(Puzzle* tile) override;

    // ---- no moves
    // Shows the no-moves alert when no chain can be drawn. Always NO.
    bool checkMoves();
    // YES when some chain can still be drawn (by kind or by connection group).
    bool isThereNoMoves() const;
    // Whether a chain of at least `minimum` tiles can be drawn from `start`
    // through neighbouring candidates. `count` is the number already counted:
    // the caller starts it at 1 when the start tile counts itself (tiles of
    // one kind) and at 0 when the walk is to count it as its own neighbour
    // (tiles of one connection group); the walk adds every candidate reached.
    static bool CheckIsThereReqGroupInArray(const std::vector<Puzzle*>& candidates, int32_t& count,
                                            int32_t minimum, const Puzzle* start);
    void alertViewClickedButtonAtIndex(AlertView& alert, int index) override;
    // Re-types the kinds that block the board, in place.
    void shufflePuzzles();
    AlertView* noMovesAlert() const { return alert_.get(); }

    // ---- tools
    void ReinitTools(int32_t mode);
    void ReinitTools() { ReinitTools(Mode); }
    void ToolsCallback(Object* sender);
    void ActiveToolBtn();
    void RightCallback(Object* sender);
    void LeftCallback(Object* sender);
    void ToolInfoCallback(Object* sender);
    void ToolInfoCallback() override { ToolInfoCallback(nullptr); }
    void ToolActionCallback(Object* sender);
    void RunToolAction();
    // Whether the tool would change anything now (and the pigs achievement of its count).
    bool isToolUseful(const UpgradeItem& tool) const;
    // The tool buttons and the arrows (null without tools / arrows).
    CCMenu* toolButtons() const { return mtb.get(); }
    CCMenu* toolArrows() const { return mtb2.get(); }
    CCMenuItem* toolButton(int32_t tool) const;
    // Board operations of the tools' effects.
    void collectPuzzlesOfType(int32_t kind);
    void collectPuzzlesOfManyTypes(const std::vector<int32_t>& kinds);
    void replacePuzzlesOfTo(int32_t from, int32_t to);
    void nextSpawnSetTo(int32_t kind);

    // ---- the bottom menu
    void MenuCallback(Object* sender);
    void MapCallback(Object* sender);
    // Opens the end-of-session pop-up (EndOfPopUp) at z-order 15 in a mode:
    // 0 the mine's summary without a board, 1 the field's summary with the
    // tiles removed, 3 the exit question. The caller switches input off.
    virtual void ShowEndOfSession(int32_t mode);
    // Presents the tutorial pop-up of `frame` on the board at `z` through
    // the session's tutorial maker. YES when something was put on the board;
    // without a maker the request is logged and nothing shows.
    virtual bool PresentTutorialFrame(int32_t frame, int z);

    // ---- what a turn shows, alike on both boards
    // "FREE_MOVE" over its plate at the top edge, growing in and then gone.
    void showFreeMove();
    // The frame "end_farm<n>.png" for 1 to 3 moves left, growing in turned
    // and then gone, with "123_final_moves". Nothing for other counts.
    void showFinalMovesFrame(int32_t movesLeft);

    // ---- hooks the subclasses fill
    virtual void completeColumn() {}
    virtual void ReinitStepsInMine() {}
    // A blast that plays after `delay` and then removes itself, drawn where a
    // tool collects a rubble tile; null on a board without the art (the mine
    // has it).
    virtual Ref<CCSprite> createExplodeSprite(float delay);
    void SpecialTutorialAction(int32_t code) override {}

    // ---- pieces
    void AddParticle(const std::string& textureName, CCParticleSystem* particle) override;
    CCSprite* GetBcgSprite() const { return bcg2.get(); }
    void SetBcgBoard(CCSprite* background);
    void removeMe(CCNode* node);

    // ---- the board's state (names as the sessions use them)
    std::array<std::array<Ref<Puzzle>, kSize>, kSize> puzzlesArray;
    std::vector<Ref<Puzzle>> chainArray;
    bool AlertActive = false;
    Ref<CCLineObject> Line;
    Ref<ResourceBoard> resourceBoard;
    Ref<CCLabelTTF> counterLabel;
    int32_t yOffset = 0;
    int32_t distStep = 0;
    bool ToolInfoVisible = false;
    bool ToolVisible = false;
    int32_t halfWidth = 0;
    float ToolDist = 0;
    Ref<CCMenu> mtb;
    Ref<CCMenu> mtb2;
    Ref<CCMenuItemSprite> ToolBtn;
    int32_t CurrentToolsMove = 0;
    int32_t LastToolCnt = 0;
    bool isActionAlive = false;
    bool CanCheckNoMoreMoves = false;
    Ref<PuzzleFactory> CurrentPuzzleFactory;
    Ref<CCMenu> BottomMenu;
    CGPoint LastFingerLocation{};
    Ref<Collectible> SelectedCollectible;
    Ref<BoardTooltip> NextCollectibleTooltip;
    Ref<BoardTooltip> ErrorCollectibleTooltip;
    Ref<BoardTooltip> InfoCollectibleTooltip;
    Ref<CCToolInfoFrame> ToolInfo;
    int32_t LastChainSize = -1;
    int32_t LastPopUpNumber = 0;
    Ref<CCSprite> bcg2;
    Ref<CCSprite> bcgBoard;
    Ref<CCSprite> toolsBcg;
    Ref<CCSprite> bcg1;
    int32_t Mode = 0;
    bool NoNextCollectible = false;
    bool MultiTypeCase = false;
    int32_t MultiTypeGroupCase = -1;
    int32_t TilesRemoved = 0;
    float HelpTooltipTimer = 0;
    float offset2 = 0;
    std::vector<Ref<Puzzle>> NextObjArr;
    float ActionActiveTimer = 0;
    float ActionActiveFinishTimer = 0;
    bool HasAnnyTool = false;
    bool isCheckAwaiting = false;
    int32_t SelectedTool = -1;
    std::map<std::string, Ref<CCParticleBatchNode>> BatchNodes;

protected:
    // Builds the pieces of the frame in construction order.
    void buildBars();
    void buildBottomMenu();
    // Hides and forgets the three chain tooltips (the information one also
    // tells the generator that the touch showed no information).
    void forgetTooltips();
    void removeDimLayer();
    // The chain as it stood when the finger went back onto tile `index`.
    void cutChainBackTo(size_t index);
    void previewChain();
    void updateRewardStars();
    // Where a chain tooltip stands above the finger.
    CGPoint tooltipPosition(CGPoint finger, float phoneLift, float wideLift) const;
    void slideToolsBarOut();
    void refreshArrowFrames();
    void shakeTool(CCMenuItem* button);
    void showToolBanner(const UpgradeItem& tool);
    // The grid's tiles in visiting order: column by column, each from row 0.
    template <typename Visit> void forEachByColumn(Visit&& visit) const;

private:
    // Takes a no-moves alert still up off the screen without an answer.
    void dismissAlert();
    // The top edge of the bottom bar (centred on the window's bottom edge).
    float bottomBarTop() const;

    Ref<CCSprite> bottomBar_;
    bool blockRunning_ = false;
    Ref<AlertView> alert_;
    bool leftStage_ = false; // off the stage after having been on it
};

template <typename Visit> void Board::forEachByColumn(Visit&& visit) const
{
    for (int column = 0; column < kSize; ++column) {
        for (int row = 0; row < kSize; ++row) {
            if (Puzzle* tile = puzzlesArray[row][column].get()) visit(tile);
        }
    }
}

} // namespace mw
