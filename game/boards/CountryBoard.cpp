#include "game/boards/CountryBoard.h"

#include <algorithm>
#include <array>
#include <cmath>

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
#include "foundation/Log.h"
#include "foundation/Utf16.h"
#include "game/boards/BoardSupport.h"
#include "game/boards/CCCalendar.h"
#include "game/boards/CCLineObject.h"
#include "game/boards/CCTimeStripCounter.h"
#include "game/boards/CCToolInfoFrame.h"
#include "game/boards/Puzzle.h"
#include "game/boards/CCTutorialArrow.h"
#include "game/boards/SessionHooks.h"
#include "game/boards/PuzzleFactory.h"
#include "game/boards/ResourceBoard.h"
#include "game/state/Collectible.h"
#include "game/state/LocalisationManager.h"
#include "game/state/Profile.h"
#include "game/state/TutorialFrameDef.h"
#include "game/state/UpgradeItem.h"
#include "game/boards/CCExpPoints.h"

namespace mw {

namespace {

constexpr int kTileZ = 0;
constexpr int kFlyingZ = 5;
constexpr int kJumpingZ = 4;
constexpr int kLeftBehindZ = -1;
constexpr int kMarkerZ = 5;
constexpr int kCollectedForLesson = 20;
constexpr int32_t kWorkshopUpgrade = 19;
constexpr int32_t kMarketUpgrade = 18;
constexpr int32_t kFarmUpgrade = 9;
constexpr int32_t kCarrotToolUpgrade = 81;

bool isCoin(int32_t kind)
{
    return kind >= 21 && kind <= 24;
}

bool isAnimalKind(int32_t kind)
{
    return kind == CountryBoard::kRabbit || kind == CountryBoard::kWolf;
}

// The fall of a refilled tile: the move, then a squash as it lands.
Ref<CCAction> fallTo(CGPoint target)
{
    auto move = CCMoveTo::actionWithDuration(Board::kFallTime, target);
    auto squash = CCScaleTo::actionWithDuration(0.1f, 1.0f, 0.92f);
    auto stretch = CCScaleTo::actionWithDuration(0.1f, 1.0f, 1.06f);
    auto settle = CCScaleTo::actionWithDuration(0.15f, 1.0f, 0.96f);
    auto rest = CCScaleTo::actionWithDuration(0.2f, 1.0f, 1.0f);
    return CCSequence::actions({move.get(), squash.get(), stretch.get(), settle.get(), rest.get()});
}

} // namespace

CountryBoard::CountryBoard() = default;
CountryBoard::~CountryBoard() = default;

Ref<CountryBoard> CountryBoard::board()
{
    auto made = makeRef<CountryBoard>();
    if (!made->init()) return nullptr;
    return made;
}

bool CountryBoard::init()
{
    if (!Board::init()) return false;
    const bool tablet = board::isIpad();
    const CGSize win = board::winSize();
    Profile* profile = Profile::sharedInstance();

    UnlockWorkshopActive = false;
    UnlockMarketActive = false;
    profile->CurrentMode = 1;
    distStep = tablet ? 99 : 49;
    yOffset = tablet ? 824 : 404;
    TallyAnalytics::logEvent("MiniGames", {{"MiniGames", "Fields"}});

    profile->countryMoves = profile->stepsToChangeSeason;
    resourceBoard = ResourceBoard::boardWithMode(1);
    resourceBoard->updateBoard(-1);
    addChild(resourceBoard.get(), 2);
    TimeCounter = CCTimeStripCounter::stripWithSteps(4 * profile->stepsToChangeSeason);
    TimeCounter->setPosition({0, win.height});
    addChild(TimeCounter.get(), 3);
    CurrentPuzzleFactory = PuzzleFactory::factoryWithMode(1, resourceBoard.get());

    fillGrid();
    // The kept field is used once, whether it was whole or not.
    profile->FieldSaved = false;
    profile->SavedFieldPuzzles.clear();
    profile->countryMoves = profile->stepsToChangeSeason;
    profile->countryStepsForBar = 4 * profile->stepsToChangeSeason;

    Mode = 1;
    ReinitTools(1);
    if (HasAnnyTool && ToolBtn) {
        auto pulse = CCSequence::actionOne(CCScaleTo::actionWithDuration(0.4f, 1.1f).get(),
                                           CCScaleTo::actionWithDuration(0.4f, 1.0f).get());
        ToolBtn->runAction(CCRepeatForever::actionWithAction(pulse.get()).get());
    }

    profile->FieldVisits += 1;
    if (profile->FieldVisits == 100) board::grantAchievementOnce("superfarmer", "ACH_FIELD100", 15);

    buildSeasonPieces();
    // The strip and its cover stand where the base board's top bar was.
    if (bcg1) {
        removeChild(bcg1.get(), true);
        bcg1 = nullptr;
    }

    // The bottom menu starts with touch on: mark it off so that a switch on
    // runs in full and registers the board.
    if (BottomMenu) BottomMenu->setIsTouchEnabled(false);
    openingTutorialStep();

    if (profile->FieldVisits > 1) {
        CheckNextGrassStep = 2;
        BreadCollected = 22;
        ChcikenCollected = 22;
        WoodCollected = 23;
        BreadDone = ChickenDone = WoodDone = true;
    }

    ToolInfo = CCToolInfoFrame::frame();
    ToolInfo->setPosition({tablet ? -200.0f : -100.0f, win.height / 2});
    addChild(ToolInfo.get(), 5);
    // A kept field was left as the last move made it, unchecked because the
    // session ended: offer the shuffle at once if no chain can be drawn on it.
    (void)checkMoves();
    return true;
}

void CountryBoard::fillGrid()
{
    Profile* profile = Profile::sharedInstance();
    const bool kept = profile->FieldSaved && profile->SavedFieldPuzzles.size() == kMaxChain;
    if (profile->FieldSaved && !kept) {
        logLine("fields: a kept field of %zu tiles is not 36; dealing a new one",
                profile->SavedFieldPuzzles.size());
    }
    size_t next = 0;
    for (int row = 0; row < kSize; ++row) {
        for (int column = 0; column < kSize; ++column) {
            Ref<Puzzle> tile;
            if (kept)
                tile = CurrentPuzzleFactory->createPuzzleWithType(profile->SavedFieldPuzzles[next++],
                                                                  resourceBoard.get());
            // A kept kind without a picture this season still needs a tile.
            if (!tile) tile = CurrentPuzzleFactory->createPuzzle(resourceBoard.get());
            if (!tile) continue;
            tile->setPosition(cellPosition(row, column));
            tile->row = row;
            tile->column = column;
            addChild(tile.get(), kTileZ);
            puzzlesArray[static_cast<size_t>(row)][static_cast<size_t>(column)] = tile;
        }
    }
}

void CountryBoard::buildSeasonPieces()
{
    const CGSize win = board::winSize();
    const Profile* profile = Profile::sharedInstance();
    if (auto cover = CCSprite::spriteWithSpriteFrameName("farm_time_bar_cover.png")) {
        cover->setAnchorPoint({1, 1});
        cover->setPosition({win.width, win.height});
        addChild(cover.get(), 4);
    }
    Calendar = CCCalendar::calendarWithTime(profile->countryStepsForBar);
    Calendar->setPosition({0.955f * win.width, win.height});
    addChild(Calendar.get(), 4);
}

// ---- the turn

bool CountryBoard::isChainCounts() const
{
    if (chainArray.empty()) return false;
    const Collectible* kind = chainArray.back()->TargetCollectible();
    const int32_t minimum = kind ? std::max(kind->minGroup, 0) : 0;
    return static_cast<int32_t>(chainArray.size()) >= minimum;
}

void CountryBoard::ValidateChain()
{
    markAnimals(isChainCounts());
}

void CountryBoard::markAnimals(bool counts)
{
    if (!counts) {
        for (const Ref<Puzzle>& tile : chainArray) {
            if (!isAnimalKind(tile->GetType()) || !tile->MarkedToKill) continue;
            tile->MarkedToKill = false;
            CCNode* marker = tile->getChildByTag(Puzzle::kTagKillMarker);
            if (!marker) continue;
            marker->stopAllActions();
            auto fade = CCSpawn::actionOne(CCFadeTo::actionWithDuration(0.15f, 0).get(),
                                           CCScaleTo::actionWithDuration(0.075f, 0).get());
            Puzzle* owner = tile.get();
            auto gone = CCCallBlock::actionWithBlock([owner] { owner->removeMarker(); });
            marker->runAction(CCSequence::actionOne(fade.get(), gone.get()).get());
        }
        return;
    }
    for (const int32_t animal : {kWolf, kRabbit}) {
        for (const Ref<Puzzle>& tile : chainArray) {
            if (tile->GetType() != animal || tile->MarkedToKill) continue;
            tile->MarkedToKill = true;
            tile->removeMarker();
            auto marker = CCSprite::spriteWithSpriteFrameName("cross_kill.png");
            if (!marker) continue;
            marker->setAnchorPoint({0.5f, 0});
            marker->setPosition({tile->contentSize().width / 2, 0});
            marker->setOpacity(0);
            marker->setScale(1.0f);
            auto appear = CCSpawn::actionOne(CCFadeTo::actionWithDuration(0.15f, 255).get(),
                                             CCScaleTo::actionWithDuration(0.15f, 1.25f).get());
            marker->runAction(
                CCSequence::actionOne(appear.get(), CCScaleTo::actionWithDuration(0.075f, 1.0f).get()).get());
            tile->addChild(marker.get(), kMarkerZ, Puzzle::kTagKillMarker);
        }
    }
}

void CountryBoard::ccTouchEnded(UITouch*, const UIEvent&)
{
    touchEnded();
}

void CountryBoard::touchEnded()
{
    if (resourceBoard && resourceBoard->KillTooltip()) return;
    if (isActionAlive) return;
    Profile* profile = Profile::sharedInstance();

    Puzzle* last = nullptr;
    for (auto it = chainArray.rbegin(); it != chainArray.rend(); ++it) {
        if (!isAnimalKind((*it)->GetType())) {
            last = it->get();
            break;
        }
    }
    if (!last && !chainArray.empty()) last = chainArray.front().get();
    const Collectible* kind = last ? last->TargetCollectible() : nullptr;
    const int32_t d = last ? last->GetType() : -1;

    if (chainArray.size() == 1 && isCoin(d) && CurrentPuzzleFactory &&
        CurrentPuzzleFactory->TouchWasWithInfo) {
        CurrentPuzzleFactory->TouchWasWithInfo = false;
        ClearAndReset();
        return;
    }

    if (isChainCounts()) {
        for (const Ref<Puzzle>& star : NextObjArr) {
            const Collectible* starKind = star->TargetCollectible();
            auto label = CCExpPoints::expWithPoints(starKind ? starKind->Points : 0, star->position().x,
                                                    star->position().y);
            addChild(label.get(), 9);
        }
        NextObjArr.clear();
        if (kind) board::playSound(kind->name);
        profile->InFieldMoves += 1;
        const auto length = static_cast<int32_t>(chainArray.size());
        if (d == kCarrot && length > 2 && frameOpen(52)) {
            if (profile->countryStepsForBar > 1)
                ShowTutorialFrame(52);
            else
                closeFrame(52);
        }
        if (d == kBread && length == kMaxChain)
            board::grantAchievementOnce("fieldsofgold", "ACH_TILES36", 15);
        if (d == kPig && length >= 3) board::grantAchievementOnce("threelittlepigs", "ACH_PIGS3", 10);

        bool costsMove = false;
        for (const Ref<Puzzle>& member : chainArray) {
            Ref<Puzzle> tile = member;
            ++TilesRemoved;
            const int32_t type = tile->GetType();
            if (type == kBread) ++BreadCollected;
            if (type == kChicken) ++ChcikenCollected;
            if (type == kWood) ++WoodCollected;
            if (const Collectible* tileKind = tile->TargetCollectible(); tileKind && tileKind->MovesTime) {
                costsMove = true;
            }
            removeChild(tile.get(), true);
            addChild(tile.get(), kFlyingZ);
            tile->removeFromBoard();
            if (TilesCollectedInSession == 0) TilesCollectedInSession = 1;
        }

        if (TilesCollectedInSession == 1) {
            TilesCollectedInSession = 2;
            ValidateAndPlayTutorial();
        }
        if (CheckNextGrassStep == 1) {
            CheckNextGrassStep = 2;
            ValidateAndPlayTutorial();
        }
        const std::array<std::pair<int32_t*, bool*>, 3> lessons{
            {{&BreadCollected, &BreadDone}, {&ChcikenCollected, &ChickenDone}, {&WoodCollected, &WoodDone}}};
        for (const auto& [count, done] : lessons) {
            if (*count >= kCollectedForLesson && !*done) {
                *done = true;
                ValidateAndPlayTutorial();
            }
        }

        if (!NoNextCollectible && CurrentPuzzleFactory) CurrentPuzzleFactory->updateQueue(chainTiles());
        completeColumn();
        if (costsMove)
            spendMove();
        else
            showFreeMove();
    }

    if (profile->countryStepsForBar == 0) {
        SetInputActive(false);
        auto wait = CCDelayTime::actionWithDuration(1.0f);
        auto end = CCCallBlock::actionWithBlock([this] { StartEndGame(); });
        runAction(CCSequence::actionOne(wait.get(), end.get()).get());
    }
    ClearAndReset();
}

void CountryBoard::spendMove()
{
    Profile* profile = Profile::sharedInstance();
    profile->countryMoves -= 1;
    profile->countryStepsForBar -= 1;
    bool seasonChanged = false;
    if (profile->countryMoves <= 0) {
        CurrentPuzzleFactory->setSeason((CurrentPuzzleFactory->season() + 1) % 4);
        profile->countryMoves = profile->stepsToChangeSeason;
        seasonChanged = true;
    }
    tutorialChecksAfterMove(seasonChanged);
    if (TimeCounter) TimeCounter->MoveMarker(CurrentPuzzleFactory->season());
    if (Calendar) Calendar->ChangeDate(-1);
    showFinalMovesFrame(profile->countryStepsForBar);
}

void CountryBoard::completeColumn()
{
    std::array<int32_t, kSize> removedIn{};
    int32_t removed = 0;
    for (const Ref<Puzzle>& tile : chainArray) {
        if (tile->column < 0 || tile->column >= kSize) continue;
        ++removedIn[static_cast<size_t>(tile->column)];
        ++removed;
    }
    if (removed == 0 || !CurrentPuzzleFactory) return;
    const auto inChain = [this](const Puzzle* tile) {
        return std::any_of(chainArray.begin(), chainArray.end(),
                           [tile](const Ref<Puzzle>& member) { return member.get() == tile; });
    };
    // Reward tiles queued beyond the holes are dropped with the batch.
    std::vector<Ref<Puzzle>> batch = CurrentPuzzleFactory->createPuzzles(removed, resourceBoard.get());
    size_t nextFresh = 0;

    for (int column = 0; column < kSize; ++column) {
        const int32_t holes = removedIn[static_cast<size_t>(column)];
        if (holes == 0) continue;
        std::array<Ref<Puzzle>, kSize> settled{};
        for (int row = kSize - 1; row >= 0; --row) {
            Puzzle* tile = puzzleAt(row, column);
            if (!tile || inChain(tile)) continue;
            const int32_t below = getChainIndexForPuzzle(tile);
            if (below > 0) {
                tile->row += below;
                tile->runAction(fallTo(cellPosition(tile->row, column)).get());
            }
            settled[static_cast<size_t>(tile->row)] = tile;
        }
        for (int32_t j = 0; j < holes && nextFresh < batch.size(); ++j) {
            Ref<Puzzle> tile = batch[nextFresh++];
            const CGPoint cell = cellPosition(j, column);
            tile->setPosition({cell.x, cell.y + static_cast<float>(holes * distStep)});
            tile->row = j;
            tile->column = column;
            addChild(tile.get(), kTileZ);
            tile->runAction(fallTo(cell).get());
            settled[static_cast<size_t>(j)] = tile;
        }
        for (int row = 0; row < kSize; ++row) {
            puzzlesArray[static_cast<size_t>(row)][static_cast<size_t>(column)] =
                settled[static_cast<size_t>(row)];
        }
    }
    isCheckAwaiting = true;
    BlockInput(kRefillBlock);
}

void CountryBoard::ClearAndReset()
{
    removeDimLayer();
    SelectedCollectible = nullptr;
    forgetTooltips();
    if (Line) Line->Clear();
    setActivePuzzles(nullptr);
}

void CountryBoard::activeInput()
{
    isActionAlive = false;
    if (isCheckAwaiting) {
        isCheckAwaiting = false;
        checkAnimals();
    }
    (void)checkMoves();
}

// ---- animals

void CountryBoard::checkAnimals()
{
    if (isActionAlive) return;
    checkRabbit();
    checkWolf();
}

void CountryBoard::checkRabbit()
{
    checkAnimal(kRabbit, {kCarrot, 19, kBread}, 63, kGrass, Profile::sharedInstance()->RatJumpProbability);
}

void CountryBoard::checkWolf()
{
    checkAnimal(kWolf, {kChicken, kPig, 16}, 66, kWood, Profile::sharedInstance()->WolfJumpProbability);
}

void CountryBoard::checkAnimal(int32_t animal, const std::vector<int32_t>& preyKinds, int32_t onBoardCode,
                               int32_t leftBehind, int32_t jumpPercent)
{
    const std::vector<Puzzle*> animals = getAllPuzzlesByType(animal);
    if (animals.empty()) return;
    SpecialTutorialAction(onBoardCode);
    std::vector<Puzzle*> prey;
    for (const int32_t kind : preyKinds) {
        for (Puzzle* tile : getAllPuzzlesByType(kind)) prey.push_back(tile);
    }
    for (Puzzle* tile : animals) {
        const float r = board::uniform();
        if (tile->hoopCountdown != 0) {
            tile->decreaseHoopCountdown();
            if (tile->hoopCountdown != 0) continue;
            if (prey.empty()) return;
            auto index = static_cast<size_t>(static_cast<float>(prey.size()) * board::uniform());
            index = std::min(index, prey.size() - 1);
            Puzzle* target = prey[index];
            prey.erase(prey.begin() + static_cast<std::ptrdiff_t>(index));
            jump(tile, target, leftBehind);
        } else if (r < static_cast<float>(jumpPercent) / 100.0f) {
            tile->initHoopCountdown();
        }
    }
}

void CountryBoard::jump(Puzzle* animalTile, Puzzle* prey, int32_t leftBehind)
{
    Ref<Puzzle> animal = animalTile;
    if (Ref<Puzzle> left = CurrentPuzzleFactory->createPuzzleWithType(leftBehind, resourceBoard.get())) {
        left->row = animal->row;
        left->column = animal->column;
        left->setPosition(animal->position());
        addChild(left.get(), kLeftBehindZ);
        puzzlesArray[static_cast<size_t>(left->row)][static_cast<size_t>(left->column)] = left;
    }
    animal->row = prey->row;
    animal->column = prey->column;
    removeChild(animal.get(), true);
    addChild(animal.get(), kJumpingZ);
    const CGPoint from = animal->position();
    const CGPoint to = prey->GetMidpointPosition();
    const float distance = std::hypot(to.x - from.x, to.y - from.y);
    const float duration = distance / 114.0f * 0.3f;
    animal->moveToPosition(prey->position(), duration);
    BlockInput(duration);
}

void CountryBoard::removePuzzle(Puzzle* animal)
{
    if (!animal || animal->row < 0 || animal->row >= kSize || animal->column < 0 || animal->column >= kSize)
        return;
    Ref<Puzzle>& slot = puzzlesArray[static_cast<size_t>(animal->row)][static_cast<size_t>(animal->column)];
    Ref<Puzzle> prey = slot;
    slot = animal;
    if (prey && prey.get() != animal) prey->removeFromParentAndCleanup(true);
}

void CountryBoard::removePuzzleAfterJump(Puzzle* animal)
{
    removePuzzle(animal);
    (void)checkMoves();
}

// ---- end of the session

void CountryBoard::StartEndGame()
{
    // The board's input is off by now; only a running block (a refill, a
    // leap) makes the summary wait.
    if (isBlockRunning()) {
        auto wait = CCDelayTime::actionWithDuration(0.1f);
        auto again = CCCallBlock::actionWithBlock([this] { StartEndGame(); });
        runAction(CCSequence::actionOne(wait.get(), again.get()).get());
        return;
    }
    Profile* profile = Profile::sharedInstance();
    unlockAtEnd();
    closeSkippedFrames();
    if (TilesRemoved > 500) board::grantAchievementOnce("greatharvest", "ACH_TILESFIELD500", 10);
    for (int row = 0; row < kSize; ++row) {
        for (int column = 0; column < kSize; ++column) {
            const Puzzle* tile = puzzleAt(row, column);
            profile->SavedFieldPuzzles.push_back(tile ? tile->GetType() : kGrass);
        }
    }
    profile->MaxHarvestField = std::max(profile->MaxHarvestField, TilesRemoved);
    ShowEndOfSession(1);
}

void CountryBoard::unlockAtEnd()
{
    Profile* profile = Profile::sharedInstance();
    const auto reveal = [profile](int32_t upgrade) {
        UpgradeItem* item = profile->GetUpgrade(upgrade);
        if (item && item->isHidden) {
            profile->SetObjectSeen(upgrade);
            item->isHidden = false;
        }
    };
    if (UnlockWorkshopActive) {
        reveal(kWorkshopUpgrade);
        if (profile->GetResourceCount(10) <= 1) profile->increaseResource(10, 2);
        if (profile->GetResourceCount(7) <= 0) profile->increaseResource(7, 1);
        profile->RegenerateBuyIndexes();
    }
    if (UnlockMarketActive) {
        reveal(kMarketUpgrade);
        profile->RegenerateBuyIndexes();
    }
}

// ---- tutorial

bool CountryBoard::frameDone(int32_t frame) const
{
    const TutorialFrameDef* def = Profile::sharedInstance()->GetTutorialDef(frame);
    return def && def->Done;
}

bool CountryBoard::arrowAfter(int32_t frame) const
{
    const TutorialFrameDef* def = Profile::sharedInstance()->GetTutorialDef(frame);
    return def && def->ArrowAfter;
}

bool CountryBoard::arrowAfterDone(int32_t frame) const
{
    const TutorialFrameDef* def = Profile::sharedInstance()->GetTutorialDef(frame);
    return def && def->ArrowAfterDone;
}

void CountryBoard::closeFrame(int32_t frame)
{
    if (TutorialFrameDef* def = Profile::sharedInstance()->GetTutorialDef(frame)) {
        def->Done = true;
        def->ArrowAfterDone = true;
    }
}

bool CountryBoard::frameOpen(int32_t frame) const
{
    const TutorialFrameDef* def = Profile::sharedInstance()->GetTutorialDef(frame);
    return def && !def->Done;
}

bool CountryBoard::ShowTutorialFrame(int32_t frame)
{
    TutorialRequests.push_back(frame);
    if (!PresentTutorialFrame(frame, kTutorialPopUpZ)) return false;
    SetInputActive(false);
    return true;
}

bool CountryBoard::AnimateTutorialFrame(int32_t frame)
{
    TutorialRequests.push_back(-frame);
    if (!PresentTutorialAnimation(frame)) return false;
    SetInputActive(false);
    return true;
}

bool CountryBoard::PresentTutorialAnimation(int32_t frame)
{
    return session::showTutorialOverlay(this, frame, kTutorialOverlayZ);
}

void CountryBoard::PutTutorialArrow(CCNode* on, CGPoint at, int z, int tag)
{
    if (on == nullptr) return;
    Ref<CCTutorialArrow> arrow = CCTutorialArrow::arrow();
    arrow->setPosition(at);
    on->addChild(arrow.get(), z, tag);
}

void CountryBoard::openingTutorialStep()
{
    Profile* profile = Profile::sharedInstance();
    bool presented = false;
    if (frameOpen(10)) {
        presented = AnimateTutorialFrame(10);
    } else if (frameDone(33) && frameOpen(34)) {
        UnlockWorkshopActive = true;
        presented = ShowTutorialFrame(34);
    } else if (profile->GetUpgradeCount(kFarmUpgrade) >= 1 && frameDone(46) && !arrowAfterDone(46)) {
        UnlockMarketActive = true;
        for (const int32_t frame : {46, 45}) {
            if (TutorialFrameDef* def = profile->GetTutorialDef(frame)) def->ArrowAfterDone = true;
        }
        presented = AnimateTutorialFrame(47);
    } else if (profile->GetUpgradeCount(kFarmUpgrade) >= 1 && frameOpen(69)) {
        presented = AnimateTutorialFrame(69);
    }
    // Nothing covers the board: it opens now (a tutorial gives input back itself).
    if (!presented) {
        if (BottomMenu) BottomMenu->setIsTouchEnabled(false);
        SetInputActive(true);
    }
}

void CountryBoard::arrowOnCarrotSlot(int tag)
{
    if (!resourceBoard) return;
    CCNode* slot = resourceBoard->slotOf(3);
    if (!slot || slot->getChildByTag(tag)) return;
    PutTutorialArrow(slot, {slot->contentSize().width / 2, slot->contentSize().height / 2}, 6, tag);
}

void CountryBoard::ValidateAndPlayTutorial()
{
    const Profile* profile = Profile::sharedInstance();
    const auto finish = [this] {
        if (!isTouchEnabled()) SetInputActive(true);
    };
    if (frameOpen(11)) return (void)ShowTutorialFrame(11);
    if (frameOpen(12)) return (void)ShowTutorialFrame(12);
    if (frameDone(12) && arrowAfter(12) && !arrowAfterDone(12)) {
        arrowOnCarrotSlot(kTagArrowCarrot);
        return finish();
    }
    if (frameOpen(13)) {
        CheckNextGrassStep = 1;
        return (void)ShowTutorialFrame(13);
    }
    if (CheckNextGrassStep == 2) {
        if (frameOpen(14)) return (void)ShowTutorialFrame(14);
        if (BreadCollected > 19 && frameOpen(15)) return (void)ShowTutorialFrame(15);
        if (ChcikenCollected > 19 && frameOpen(16)) return (void)ShowTutorialFrame(16);
        if (WoodCollected > 19 && frameOpen(17)) {
            if (profile->countryStepsForBar != 1) return (void)ShowTutorialFrame(17);
            closeFrame(17);
        }
    }
    if (frameDone(17) && frameDone(34) && arrowAfter(34) && !arrowAfterDone(34)) {
        arrowOnCarrotSlot(kTagArrowMarket);
        return finish();
    }
    if (frameDone(34) && frameOpen(35)) {
        return (void)ShowTutorialFrame(35);
    }
    if (frameDone(36) && frameDone(47) && frameOpen(48)) return (void)ShowTutorialFrame(48);
    const Collectible* carrot = profile->GetCollectible(kCarrot);
    if (frameDone(49) && carrot && carrot->Seen) {
        if (frameOpen(50)) return (void)ShowTutorialFrame(50);
        if (frameOpen(51)) return (void)ShowTutorialFrame(51);
    }
    if (frameDone(53) && !arrowAfterDone(53) && ToolBtn && !ToolBtn->getChildByTag(kTagArrowTool)) {
        PutTutorialArrow(ToolBtn.get(), {ToolBtn->contentSize().width / 2, ToolBtn->contentSize().height}, 2,
                         kTagArrowTool);
    }
    finish();
}

void CountryBoard::SpecialTutorialAction(int32_t code)
{
    if (code < 63 || code > 68) return;
    if (frameOpen(code) && Profile::sharedInstance()->countryStepsForBar >= 2) ShowTutorialFrame(code);
}

void CountryBoard::PodTutorialHack()
{
    (void)ShowTutorialFrame(50);
}

void CountryBoard::tutorialChecksAfterMove(bool seasonChanged)
{
    const Profile* profile = Profile::sharedInstance();
    if (seasonChanged && CurrentPuzzleFactory->season() == 2 && frameOpen(36) && frameDone(35)) {
        (void)ShowTutorialFrame(36);
    }
    if (frameOpen(49) && frameDone(48)) ShowTutorialFrame(49);
    const bool carrotArrowLeft = frameDone(11) && frameDone(12) && !arrowAfterDone(12);
    const bool marketArrowLeft = frameDone(33) && frameDone(34) && !arrowAfterDone(34);
    if ((carrotArrowLeft || marketArrowLeft) && resourceBoard) resourceBoard->KillTooltipArrow();
    if (profile->countryStepsForBar == 1 && frameOpen(53) && frameDone(50)) {
        if (!getAllPuzzlesByType(kCarrot).empty() && profile->GetUpgradeCount(kCarrotToolUpgrade) > 0) {
            (void)ShowTutorialFrame(53);
        } else {
            closeFrame(53);
        }
        closeFrame(52);
    }
}

void CountryBoard::closeSkippedFrames()
{
    if (frameOpen(17)) {
        for (int32_t frame = 10; frame <= 17; ++frame) closeFrame(frame);
    } else if (frameDone(17) && !arrowAfterDone(36) && frameDone(34)) {
        for (int32_t frame = 33; frame <= 36; ++frame) closeFrame(frame);
    }
}

} // namespace mw
