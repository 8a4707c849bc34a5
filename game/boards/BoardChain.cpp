// Drawing a chain with one finger: which touches the board takes, which
// tiles may join, cutting back, the dimming, the preview and the reward stars.

#include <algorithm>
#include <cstdlib>
#include <map>

#include "engine/actions/CCActionInstant.h"
#include "engine/actions/CCActionInterval.h"
#include "engine/actions/CCSequence.h"
#include "engine/actions/CCSpawn.h"
#include "engine/nodes/CCLayerColor.h"
#include "engine/sprites/CCSprite.h"
#include "game/boards/Board.h"
#include "game/boards/BoardSupport.h"
#include "game/boards/BoardTooltip.h"
#include "game/boards/CCLineObject.h"
#include "game/boards/Puzzle.h"
#include "game/boards/PuzzleFactory.h"
#include "game/boards/ResourceBoard.h"
#include "game/state/Collectible.h"
#include "game/state/Profile.h"

namespace mw {

namespace {

// Field animals: never counted in a preview.
bool isAnimal(int32_t kind)
{
    return kind == 17 || kind == 18;
}

// The line runs a little below the tiles' midpoints.
CGPoint linePointOf(const Puzzle& tile)
{
    const CGPoint mid = tile.GetMidpointPosition();
    return {mid.x, mid.y - (board::isIpad() ? 5.0f : 2.5f)};
}

} // namespace

// ---- rules

bool Board::isPuzzleNeighborToPuzzle(const Puzzle* a, const Puzzle* b)
{
    return std::abs(a->column - b->column) < 2 && std::abs(a->row - b->row) < 2;
}

bool Board::isPuzzleChainsToPuzzle(const Puzzle* a, const Puzzle* b)
{
    if (a->GetType() == b->GetType()) return true;
    const Collectible* kindA = a->TargetCollectible();
    const Collectible* kindB = b->TargetCollectible();
    if (!kindA || !kindB || !kindA->connGroups || !kindB->connGroups) return false;
    for (int32_t groupB : *kindB->connGroups) {
        for (int32_t groupA : *kindA->connGroups) {
            if (groupA == groupB) return true;
        }
    }
    return false;
}

Puzzle* Board::GetTouchedPuzzle(CGPoint point) const
{
    for (const auto& row : puzzlesArray) {
        for (const Ref<Puzzle>& tile : row) {
            if (tile && tile->isPointInside(point)) return tile.get();
        }
    }
    return nullptr;
}

void Board::setActivePuzzles(Puzzle* first)
{
    forEachByColumn([&](Puzzle* tile) {
        if (first == nullptr) {
            tile->isActive = true;
            reorderChild(tile, 0);
            tile->setSelected(false);
            return;
        }
        // The first tile joins its own chain, so it may be entered again after a cut-back.
        tile->isActive = isPuzzleChainsToPuzzle(first, tile);
        reorderChild(tile, tile->isActive ? 2 : 0);
    });
}

void Board::recountChain()
{
    NoNextCollectible = false;
    MultiTypeCase = false;
    int32_t previousKind = 0;
    bool first = true;
    for (const Ref<Puzzle>& tile : chainArray) {
        const int32_t kind = tile->GetType();
        if (!first && kind == previousKind) continue;
        if (!first) {
            NoNextCollectible = true;
            MultiTypeCase = true;
        }
        if (const Collectible* record = tile->TargetCollectible()) {
            MultiTypeGroupCase = std::max(MultiTypeGroupCase, record->minGroup);
        }
        previousKind = kind;
        first = false;
    }
}

int32_t Board::requiredChainLength() const
{
    if (chainArray.empty()) return 0;
    if (MultiTypeCase) return MultiTypeGroupCase;
    const Collectible* kind = chainArray.front()->TargetCollectible();
    return kind ? kind->minGroup : 0;
}

// ---- touches

bool Board::ccTouchBegan(UITouch* touch, const UIEvent&)
{
    return touchBeganAt(convertTouchToNodeSpace(touch));
}

void Board::ccTouchMoved(UITouch* touch, const UIEvent&)
{
    touchMovedTo(convertTouchToNodeSpace(touch));
}

void Board::ccTouchCancelled(UITouch*, const UIEvent&)
{
    touchCancelled();
}

bool Board::touchBeganAt(CGPoint p)
{
    const CGSize win = board::winSize();
    if (p.y < 0.15f * win.height) return false;
    if (ToolVisible && p.y > 0.85f * win.height) return false;
    if (isActionAlive || ToolInfoVisible) return false;

    HelpTooltipTimer = 0;
    if (InfoCollectibleTooltip) {
        InfoCollectibleTooltip->ChangeVisible(false);
        InfoCollectibleTooltip = nullptr;
    }
    ErrorCollectibleTooltip = nullptr;
    NoNextCollectible = false;
    MultiTypeGroupCase = -1;
    MultiTypeCase = false;

    if (ToolVisible) {
        ToolVisible = false;
        slideToolsBarOut();
    }

    // A chain left drawn by a touch end that came during a block is let go
    // here, so its tiles do not stay locked under the new chain.
    if (!chainArray.empty()) {
        removeDimLayer();
        Line->Clear();
        setActivePuzzles(nullptr);
        NextObjArr.clear();
        forgetTooltips();
    }
    LastPopUpNumber = 0;
    chainArray.clear();
    LastChainSize = -1;
    SelectedCollectible = nullptr;

    Puzzle* tile = GetTouchedPuzzle(p);
    LastFingerLocation = p;
    if (tile == nullptr) {
        // Starts no chain: later moves find it empty and select nothing.
        if (resourceBoard) resourceBoard->PassInput(convertToWorldSpace(p));
        return true;
    }

    SelectedCollectible = tile->TargetCollectible();
    if (SelectedCollectible) {
        Line->SetMinGroup(SelectedCollectible->nextCollectibleCount);
        if (SelectedCollectible->minGroup > kMaxChain) {
            if (InfoCollectibleTooltip) {
                InfoCollectibleTooltip->ChangeVisible(false);
                InfoCollectibleTooltip = nullptr;
            }
            ErrorCollectibleTooltip = BoardTooltip::tooltipWithError(SelectedCollectible->ID);
            board::playSound("selection_error");
            ErrorCollectibleTooltip->setPosition(tooltipPosition(p, 56, 1));
            addChild(ErrorCollectibleTooltip.get(), 5, kTagTooltip);
        }
    }

    tile->setSelected(true);
    Line->AddPoint(linePointOf(*tile));

    const float boardHeight = bcgBoard ? bcgBoard->contentSize().height : 0;
    const float boardY = bcgBoard ? bcgBoard->position().y : 0;
    auto dim = CCLayerColor::layerWithColor(ccc4(0, 0, 0, 190), win.width, boardHeight);
    dim->setPosition({0, boardY});
    addChild(dim.get(), 1, kTagDim);
    reorderChild(tile, 2);
    setActivePuzzles(tile);

    board::playSound("selection_normal");
    LastChainSize = 1;
    return true;
}

void Board::touchMovedTo(CGPoint p)
{
    if ((resourceBoard && resourceBoard->isCheck()) || isActionAlive) return;
    LastFingerLocation = p;
    // A touch that began on no tile has no chain to extend.
    if (chainArray.empty()) return;

    Puzzle* entered = GetTouchedPuzzle(p);
    Puzzle* last = chainArray.back().get();
    if (entered && entered != last && !entered->isLocked && entered->isActive &&
        (isPuzzleNeighborToPuzzle(entered, last) || entered->isInChain)) {
        if (!entered->isInChain) Line->AddPoint(linePointOf(*entered));
        entered->setSelected(true);
    }

    if (static_cast<int32_t>(chainArray.size()) != LastChainSize) {
        HelpTooltipTimer = 0;
        if (InfoCollectibleTooltip) {
            InfoCollectibleTooltip->ChangeVisible(false);
            InfoCollectibleTooltip = nullptr;
        }
        recountChain();
        LastChainSize = static_cast<int32_t>(chainArray.size());
        board::playSound("selection_normal");
    }

    if (SelectedCollectible) previewChain();
    updateRewardStars();
    ValidateChain();
}

void Board::previewChain()
{
    if (!resourceBoard) return;
    resourceBoard->ResetAll();
    Line->SetMinGroup(MultiTypeCase ? -1 : SelectedCollectible->nextCollectibleCount);
    if (static_cast<int32_t>(chainArray.size()) < requiredChainLength()) return;
    std::map<int32_t, int32_t> counts;
    for (const Ref<Puzzle>& tile : chainArray) {
        if (!isAnimal(tile->GetType())) counts[tile->GetType()] += 1;
    }
    for (const Ref<Puzzle>& tile : chainArray) {
        if (isAnimal(tile->GetType())) continue;
        const Collectible* kind = tile->TargetCollectible();
        if (!kind) continue;
        resourceBoard->ChangeFakeProgressBy(counts[tile->GetType()], kind->nextResource,
                                            kind->nextResourceCount);
    }
}

void Board::updateRewardStars()
{
    if (ErrorCollectibleTooltip) {
        ErrorCollectibleTooltip->setPosition(tooltipPosition(LastFingerLocation, 56, 1));
        return;
    }
    const Collectible* kind = SelectedCollectible.get();
    if (!kind) return;
    const int32_t length = static_cast<int32_t>(chainArray.size());
    const int32_t interval = kind->nextCollectibleCount;
    const bool tooltipShown = NextCollectibleTooltip && NextCollectibleTooltip->visible();
    if (!MultiTypeCase && !tooltipShown && kind->nextCollectible > 0 && interval >= 1 && length >= interval) {
        if (NextCollectibleTooltip) NextCollectibleTooltip->removeFromParentAndCleanup(true);
        if (InfoCollectibleTooltip) {
            InfoCollectibleTooltip->ChangeVisible(false);
            InfoCollectibleTooltip = nullptr;
        }
        const Collectible* next = Profile::sharedInstance()->GetCollectible(kind->nextCollectible);
        NextCollectibleTooltip = BoardTooltip::tooltipWithNumber(next ? next->pngName : std::string(), 1);
        board::playSound("selection_accent");
        NextCollectibleTooltip->setPosition(tooltipPosition(LastFingerLocation, 56, 1));
        addChild(NextCollectibleTooltip.get(), 5, kTagTooltip);
        LastPopUpNumber = 1;
        Line->AddStarAt(chainArray.back()->GetMidpointPosition());
        NextObjArr.push_back(chainArray.back());
        return;
    }
    if (!NextCollectibleTooltip) return;
    if (NoNextCollectible || length < interval) {
        NextCollectibleTooltip->ChangeVisible(false);
        NextCollectibleTooltip = nullptr;
        NextObjArr.clear();
        Line->SetMinGroup(-1);
        return;
    }
    NextCollectibleTooltip->setPosition(tooltipPosition(LastFingerLocation, 56, 1));
    if (interval < 1) return;
    const int32_t stars = length / interval;
    if (stars == LastPopUpNumber) return;
    if (LastPopUpNumber >= stars) {
        if (!NextObjArr.empty()) NextObjArr.pop_back();
    } else {
        NextObjArr.push_back(chainArray.back());
        Line->AddStarAt(chainArray.back()->GetMidpointPosition());
    }
    LastPopUpNumber = stars;
    NextCollectibleTooltip->SetNumber(stars);
    board::playSound("selection_accent");
}

void Board::touchCancelled()
{
    if (resourceBoard) (void)resourceBoard->KillTooltip();
    NextObjArr.clear();
    HelpTooltipTimer = 0;
    removeDimLayer();
    Line->Clear();
    setActivePuzzles(nullptr);
    SelectedCollectible = nullptr;
    forgetTooltips();
}

void Board::forgetTooltips()
{
    if (NextCollectibleTooltip) NextCollectibleTooltip->ChangeVisible(false);
    if (ErrorCollectibleTooltip) ErrorCollectibleTooltip->ChangeVisible(false);
    if (InfoCollectibleTooltip) {
        InfoCollectibleTooltip->ChangeVisible(false);
        if (CurrentPuzzleFactory) CurrentPuzzleFactory->TouchWasWithInfo = false;
    }
    NextCollectibleTooltip = nullptr;
    ErrorCollectibleTooltip = nullptr;
    InfoCollectibleTooltip = nullptr;
}

void Board::removeDimLayer()
{
    removeChildByTag(kTagDim, true);
}

// ---- the board's side of a selection

void Board::puzzleSelected(Puzzle* tile, bool)
{
    if (tile == nullptr) return;
    const auto found = std::find_if(chainArray.begin(), chainArray.end(),
                                    [tile](const Ref<Puzzle>& member) { return member.get() == tile; });
    if (found != chainArray.end()) {
        cutChainBackTo(static_cast<size_t>(found - chainArray.begin()));
        return;
    }
    if (Mode == 0) tile->ManageEarthSprite(true);
    chainArray.emplace_back(tile);
    const size_t n = chainArray.size();
    if (n >= 2) chainArray[n - 2]->isLocked = false;
    if (n >= 3) chainArray[n - 3]->isLocked = false;
    if (n >= 4) chainArray[n - 4]->isLocked = true;
}

void Board::cutChainBackTo(size_t index)
{
    while (chainArray.size() > index + 1) {
        Ref<Puzzle> last = chainArray.back();
        last->setSelected(false);
        if (last->MarkedToKill) {
            last->MarkedToKill = false;
            if (CCNode* marker = last->getChildByTag(Puzzle::kTagKillMarker)) {
                auto fade = CCSpawn::actionOne(CCFadeTo::actionWithDuration(0.15f, 0).get(),
                                               CCScaleTo::actionWithDuration(0.075f, 0).get());
                auto wait = CCDelayTime::actionWithDuration(0.075f);
                auto remove = CCCallBlock::actionWithBlock([tile = last] { tile->removeMarker(); });
                marker->runAction(CCSequence::actions({fade.get(), wait.get(), remove.get()}).get());
            }
        }
        if (Mode == 0) last->ManageEarthSprite(false);
        chainArray.pop_back();
        Line->RemoveLast();
        const size_t n = chainArray.size();
        chainArray[n - 1]->isLocked = false;
        if (n >= 2) chainArray[n - 2]->isLocked = false;
        if (n >= 3) chainArray[n - 3]->isLocked = false;
    }
}

} // namespace mw
