#include "game/boards/MineBoard.h"

#include <algorithm>
#include <array>

#include "analytics/TallyAnalytics.h"
#include "engine/actions/CCActionEase.h"
#include "engine/actions/CCActionInstant.h"
#include "engine/actions/CCActionInterval.h"
#include "engine/actions/CCRepeat.h"
#include "engine/actions/CCSequence.h"
#include "engine/actions/CCSpawn.h"
#include "engine/labels/CCLabelTTF.h"
#include "engine/menus/CCMenu.h"
#include "engine/sprites/CCSprite.h"
#include "foundation/Format.h"
#include "foundation/Utf16.h"
#include "game/boards/BoardSupport.h"
#include "game/boards/CCFoodBar.h"
#include "game/boards/CCLineObject.h"
#include "game/boards/CCToolInfoFrame.h"
#include "game/boards/Puzzle.h"
#include "game/boards/PuzzleFactory.h"
#include "game/boards/ResourceBoard.h"
#include "game/state/Collectible.h"
#include "game/state/LocalisationManager.h"
#include "game/state/Profile.h"
#include "game/boards/CCExpPoints.h"

namespace mw {

namespace {

constexpr int32_t kEarth = 1;
constexpr int32_t kGas = 3;
constexpr int32_t kStone = 4;
constexpr int32_t kPrimedGas = 20;
constexpr int kBackgroundZ = -1;

bool isCoin(int32_t kind)
{
    return kind >= 21 && kind <= 24;
}

} // namespace

MineBoard::MineBoard() = default;

Ref<MineBoard> MineBoard::board()
{
    auto board = makeRef<MineBoard>();
    if (!board->init()) return nullptr;
    return board;
}

bool MineBoard::init()
{
    if (!Board::init()) return false;
    const bool tablet = board::isIpad();
    const CGSize win = board::winSize();
    Profile* profile = Profile::sharedInstance();

    TallyAnalytics::logEvent("MiniGames", {{"MiniGames", "Mine"}});
    CollectAnyThing = 0;
    CollectedStones = 0;
    UnlockWellActive = false;
    StonesDone = false;
    profile->CurrentMode = 0;
    profile->MineBonusBought = 0;

    distStep = tablet ? 99 : 49;
    yOffset = tablet ? 884 : 424;

    resourceBoard = ResourceBoard::boardWithMode(0);
    resourceBoard->updateBoard(-1);
    addChild(resourceBoard.get(), 2);
    CurrentPuzzleFactory = PuzzleFactory::factoryWithMode(0, resourceBoard.get());
    fillGrid();
    buildBoardBackgrounds();

    profile->mineMoves = profile->Start_mineMoves;
    buildFoodBars();

    ReinitTools(0);
    if (HasAnnyTool && ToolBtn) {
        auto pulse = CCSequence::actionOne(CCScaleTo::actionWithDuration(0.4f, 1.1f).get(),
                                           CCScaleTo::actionWithDuration(0.4f, 1.0f).get());
        ToolBtn->runAction(CCRepeatForever::actionWithAction(pulse.get()).get());
    }
    Mode = 0;
    profile->SavedMinePuzzles.clear();
    countVisit();
    buildCounter();
    if (profile->MineVisits >= 2) {
        CollectAnyThing = 3;
        CollectedStones = 22;
        StonesDone = true;
    }
    checkNewChainMethane();

    ToolInfo = CCToolInfoFrame::frame();
    ToolInfo->setPosition({tablet ? -200.0f : -100.0f, win.height / 2});
    addChild(ToolInfo.get(), 5);

    // The bottom menu starts with touch on: mark it off so that the switch
    // runs in full and registers the board.
    if (BottomMenu) BottomMenu->setIsTouchEnabled(false);
    startTutorialAtEntry();
    schedule(schedule_selector(MineBoard::BlikTiles), 9.0f);
    return true;
}

void MineBoard::buildFoodBars()
{
    const bool tablet = board::isIpad();
    const Profile* profile = Profile::sharedInstance();
    const int32_t foods = profile->MovesPerFood > 0 ? profile->MaxMineMoves / profile->MovesPerFood : 0;
    const float barMiddle = bcg1 ? bcg1->position().y - bcg1->contentSize().height / 2 : 0;
    shadowBar_ = CCFoodBar::barWithFoodCount(foods, 100, false, profile->MaxMineMoves, profile->Start_mineMoves, false);
    FoodBar = CCFoodBar::barWithFoodCount(foods, 255, true, profile->MaxMineMoves, profile->Start_mineMoves, false);
    for (CCFoodBar* bar : {shadowBar_.get(), FoodBar.get()}) {
        if (!bar) continue;
        bar->setAnchorPoint({0, 0.5f});
        bar->setPosition({tablet ? 36.0f : 20.0f, barMiddle});
        addChild(bar, 5);
    }
}

void MineBoard::countVisit()
{
    Profile* profile = Profile::sharedInstance();
    profile->MineVisits += 1;
    if (profile->MineVisits == 50) board::grantAchievementOnce("diggit", "ACH_MINE50", 15);
}

void MineBoard::fillGrid()
{
    for (int row = 0; row < kSize; ++row) {
        for (int column = 0; column < kSize; ++column) {
            Ref<Puzzle> tile = CurrentPuzzleFactory->createPuzzle(resourceBoard.get());
            if (!tile) continue;
            tile->setPosition(cellPosition(row, column));
            tile->row = row;
            tile->column = column;
            addChild(tile.get());
            puzzlesArray[static_cast<size_t>(row)][static_cast<size_t>(column)] = tile;
        }
    }
}

// The cave wall is drawn whole (no windows for the cells), so it stands
// behind the tiles, which rest at z-order 0; the dimming layer of a chain
// (z-order 1) still covers both.
void MineBoard::buildBoardBackgrounds()
{
    const CGSize win = board::winSize();
    const float y = board::isIpad() ? 291.0f : 125.0f;
    auto right = CCSprite::spriteWithSpriteFrameName("mine_tiles_bg_big.png");
    right->setAnchorPoint({1, 0});
    right->setPosition({win.width / 2 + 2, y});
    addChild(right.get(), kBackgroundZ);
    SetBcgBoard(right.get());
    auto left = CCSprite::spriteWithSpriteFrameName("mine_tiles_bg_big.png");
    left->setFlipX(true);
    left->setAnchorPoint({0, 0});
    left->setPosition({win.width / 2, y});
    addChild(left.get(), kBackgroundZ);
    SetBcgBoard(left.get());
}

void MineBoard::buildCounter()
{
    const bool tablet = board::isIpad();
    const Profile* profile = Profile::sharedInstance();
    counterLabel = CCLabelTTF::labelWithString(format("%d", profile->Start_mineMoves), "HelveticaNeue-Bold",
                                               tablet ? 28 : 14);
    counterLabel->setAnchorPoint({0, 0.5f});
    const float barMiddle = bcg1 ? bcg1->position().y - bcg1->contentSize().height / 2 : 0;
    counterLabel->setPosition({tablet ? 676.0f : 290.0f, barMiddle});
    counterLabel->setColor(kCounterNormal);
    addChild(counterLabel.get(), 5);
}

// ---- the turn

void MineBoard::ccTouchEnded(UITouch*, const UIEvent&)
{
    touchEnded();
}

void MineBoard::touchEnded()
{
    if (resourceBoard && resourceBoard->KillTooltip()) return;
    if (isActionAlive) return;

    Profile* profile = Profile::sharedInstance();
    // A touch that began on no tile ends with an empty chain: no first tile.
    Puzzle* first = chainArray.empty() ? nullptr : chainArray.front().get();
    const Collectible* kind = first ? first->TargetCollectible() : nullptr;

    if (first && chainArray.size() == 1 && isCoin(first->GetType()) && CurrentPuzzleFactory &&
        CurrentPuzzleFactory->TouchWasWithInfo) {
        first->ManageEarthSprite(false);
        CurrentPuzzleFactory->TouchWasWithInfo = false;
        ClearAndReset();
        return;
    }

    if (profile->mineMoves <= 0) {
        ShowEndOfSession(0);
        SetInputActive(false);
        return;
    }

    // Gas never gathers in a chain long enough: a player who tries learns why.
    bool gasLetGo = false;
    if (first) {
        for (const Ref<Puzzle>& star : NextObjArr) {
            const Collectible* starKind = star->TargetCollectible();
            auto label = CCExpPoints::expWithPoints(starKind ? starKind->Points : 0, star->position().x,
                                                    star->position().y);
            addChild(label.get(), 9);
        }
        NextObjArr.clear();

        const int32_t minimum = kind ? kind->minGroup : 0;
        if (static_cast<int32_t>(chainArray.size()) < minimum) {
            for (const Ref<Puzzle>& tile : chainArray) tile->ManageEarthSprite(false);
            gasLetGo = first->GetType() == kGas || first->GetType() == kPrimedGas;
        } else {
            if (kind) board::playSound(kind->name);
            if (kind && kind->ID == kEarth && chainArray.size() == static_cast<size_t>(kMaxChain)) {
                board::grantAchievementOnce("dusttodoust", "ACH_DIRT36", 15);
            }
            bool costsMove = false;
            for (const Ref<Puzzle>& tile : chainArray) {
                const Collectible* tileKind = tile->TargetCollectible();
                if (tileKind && tileKind->MovesTime) costsMove = true;
                if (tile->GetType() == kStone) ++CollectedStones;
                ++TilesRemoved;
                reorderChild(tile.get(), 5);
                tile->removeFromBoard();
            }
            if (CollectAnyThing == 2 && CollectedStones > 19 && !StonesDone) ValidateAndPlayTutorial();
            if (!NoNextCollectible && CurrentPuzzleFactory) CurrentPuzzleFactory->updateQueue(chainTiles());
            if (CollectAnyThing == 0) {
                CollectAnyThing = 1;
                ValidateAndPlayTutorial();
            }
            if (costsMove) {
                profile->mineMoves -= 1;
                profile->Start_mineMoves -= 1;
            } else {
                showFreeMove();
            }
            if (counterLabel) counterLabel->setString(format("%d", profile->mineMoves));
            if (costsMove && FoodBar) FoodBar->eatOneFood();
            completeColumn();
            profile->InMineMoves += 1;
            warnFewMovesLeft(profile->mineMoves);
        }
    }

    ClearAndReset();
    if (gasLetGo) SpecialTutorialAction(61);
    if (profile->mineMoves > 0) {
        isCheckAwaiting = true;
    } else {
        SetInputActive(false);
        auto wait = CCDelayTime::actionWithDuration(1.0f);
        auto end = CCCallBlock::actionWithBlock([this] { StartEndGame(); });
        runAction(CCSequence::actionOne(wait.get(), end.get()).get());
    }
}

void MineBoard::warnFewMovesLeft(int32_t movesLeft)
{
    if (!counterLabel) return;
    if (movesLeft >= 1 && movesLeft <= 3) {
        counterLabel->stopAllActions();
        auto red = CCSpawn::actionOne(CCTintTo::actionWithDuration(0.2f, 255, 0, 0).get(),
                                      CCScaleTo::actionWithDuration(0.2f, 1.2f).get());
        auto white = CCSpawn::actionOne(CCTintTo::actionWithDuration(0.2f, 255, 255, 255).get(),
                                        CCScaleTo::actionWithDuration(0.2f, 1.0f).get());
        auto pulse = CCSequence::actionOne(red.get(), white.get());
        counterLabel->runAction(CCRepeatForever::actionWithAction(pulse.get()).get());
        showFinalMovesFrame(movesLeft);
        return;
    }
    if (movesLeft != Profile::sharedInstance()->MaxMineMoves) counterLabel->setColor(kCounterNormal);
}

void MineBoard::completeColumn()
{
    std::array<int32_t, kSize> removedIn{};
    int32_t removed = 0;
    for (const Ref<Puzzle>& tile : chainArray) {
        if (tile->column < 0 || tile->column >= kSize) continue;
        ++removedIn[static_cast<size_t>(tile->column)];
        ++removed;
    }
    if (removed == 0) return;
    const auto inChain = [this](const Puzzle* tile) {
        return std::any_of(chainArray.begin(), chainArray.end(),
                           [tile](const Ref<Puzzle>& member) { return member.get() == tile; });
    };
    std::vector<Ref<Puzzle>> fresh = CurrentPuzzleFactory->createPuzzles(removed, resourceBoard.get());
    size_t nextFresh = 0;
    const float step = static_cast<float>(distStep);

    for (int column = 0; column < kSize; ++column) {
        const int32_t n = removedIn[static_cast<size_t>(column)];
        if (n == 0) continue;
        std::array<Ref<Puzzle>, kSize> settled{};
        for (int row = kSize - 1; row >= 0; --row) {
            Puzzle* tile = puzzleAt(row, column);
            if (!tile || inChain(tile)) continue;
            const int32_t below = getChainIndexForPuzzle(tile);
            if (below > 0) {
                const CGPoint at = tile->position();
                auto fall =
                    CCMoveTo::actionWithDuration(kFallTime, {at.x, at.y - static_cast<float>(below) * step});
                tile->runAction(fall.get());
                tile->row += below;
                if (tile->GetType() == kPrimedGas) tile->CheckShakeTag();
            }
            settled[static_cast<size_t>(tile->row)] = tile;
        }
        for (int32_t j = 0; j < n && nextFresh < fresh.size(); ++j) {
            Ref<Puzzle> tile = fresh[nextFresh++];
            const float x = cellPosition(j, column).x;
            tile->setPosition({x, static_cast<float>(yOffset) + static_cast<float>(n - j) * step});
            tile->row = j;
            tile->column = column;
            addChild(tile.get());
            tile->runAction(
                CCMoveBy::actionWithDuration(kFallTime, {0, -static_cast<float>(n) * step}).get());
            settled[static_cast<size_t>(j)] = tile;
        }
        for (int row = 0; row < kSize; ++row) {
            puzzlesArray[static_cast<size_t>(row)][static_cast<size_t>(column)] =
                settled[static_cast<size_t>(row)];
        }
    }
    BlockInput(kTurnBlock);
}

void MineBoard::ClearAndReset()
{
    removeDimLayer();
    SelectedCollectible = nullptr;
    forgetTooltips();
    Line->Clear();
    setActivePuzzles(nullptr);
}

void MineBoard::activeInput()
{
    Board::activeInput();
    if (!isCheckAwaiting) return;
    isCheckAwaiting = false;
    checkNewChainMethane();
    (void)checkMoves();
}

void MineBoard::ReinitStepsInMine()
{
    Profile* profile = Profile::sharedInstance();
    profile->mineMoves = profile->Start_mineMoves;
    if (counterLabel) {
        counterLabel->setString(format("%d", profile->mineMoves));
        counterLabel->stopAllActions();
        counterLabel->setColor(kCounterNormal);
        counterLabel->runAction(CCSequence::actionOne(CCScaleTo::actionWithDuration(0.2f, 1.2f).get(),
                                                      CCScaleTo::actionWithDuration(0.2f, 1.0f).get())
                                    .get());
    }
    if (FoodBar) FoodBar->refreshByCurrentState();
}

} // namespace mw
