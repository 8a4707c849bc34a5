// The mine's session around the turn: gas, explosions, the tutorial, the
// moves refresh and the end of the session.

#include <algorithm>
#include <array>

#include "engine/actions/CCActionInstant.h"
#include "engine/actions/CCActionInterval.h"
#include "engine/actions/CCAnimate.h"
#include "engine/actions/CCSequence.h"
#include "engine/labels/CCLabelTTF.h"
#include "engine/menus/CCMenuItem.h"
#include "engine/sprites/CCSprite.h"
#include "engine/sprites/CCSpriteFrameCache.h"
#include "foundation/Format.h"
#include "foundation/Log.h"
#include "foundation/Shared.h"
#include "game/boards/BoardSupport.h"
#include "game/boards/CCFoodBar.h"
#include "game/boards/EndOfPopUp.h"
#include "game/boards/MineBoard.h"
#include "game/boards/Puzzle.h"
#include "game/boards/PuzzleFactory.h"
#include "game/boards/CCTutorialArrow.h"
#include "game/boards/SessionHooks.h"
#include "game/state/GlobalObject.h"
#include "game/state/Profile.h"
#include "game/state/TutorialFrameDef.h"
#include "game/state/UpgradeItem.h"

namespace mw {
namespace {

constexpr int32_t kGas = 3;
constexpr int32_t kPrimedGas = 20;
constexpr int32_t kWorkshop = 19;
constexpr int32_t kWellUpgrade = 116;
constexpr int32_t kBuildingBlock = 10;
constexpr int32_t kToolEarth = 24;
constexpr int kPopUpZ = 5;
constexpr float kRetryStep = 0.1f;
constexpr float kExplosionFrame = 0.03125f;

// A frame the game data does not hold counts as done: there is nothing to show.
bool done(int32_t frame)
{
    const TutorialFrameDef* def = Profile::sharedInstance()->GetTutorialDef(frame);
    return def == nullptr || def->Done;
}

void markDone(int32_t frame)
{
    if (TutorialFrameDef* def = Profile::sharedInstance()->GetTutorialDef(frame)) {
        def->Done = true;
        def->ArrowAfterDone = true;
    }
}

bool contains(const std::vector<Puzzle*>& tiles, const Puzzle* tile)
{
    return std::find(tiles.begin(), tiles.end(), tile) != tiles.end();
}

} // namespace

MineBoard::~MineBoard()
{
    // A board outliving the profile (a purge at shut-down) makes no new one.
    if (Profile* profile = Shared<Profile>::current()) profile->SavedMinePuzzles.clear();
}

// ---- input and tutorial

void MineBoard::SetInputActive(bool active)
{
    Board::SetInputActive(active);
    if (active && !done(26) && session::showTutorial(this, 26, kPopUpZ)) Board::SetInputActive(false);
}

void MineBoard::showTutorialFrame(int32_t frame)
{
    if (session::showTutorial(this, frame, kPopUpZ)) {
        Board::SetInputActive(false);
    } else {
        SetInputActive(true);
    }
}

void MineBoard::startTutorialAtEntry()
{
    Profile* profile = Profile::sharedInstance();
    if (!done(25)) {
        // The mine's overlay; the frame's pop-up where no overlay can be made.
        if (session::showTutorialOverlay(this, 25, kPopUpZ)) {
            Board::SetInputActive(false);
        } else {
            showTutorialFrame(25);
        }
        return;
    }
    TutorialFrameDef* well = profile->GetTutorialDef(38);
    if (profile->GetUpgradeCount(kWorkshop) == 0 || well == nullptr || well->ArrowAfterDone) {
        SetInputActive(true);
        return;
    }
    UnlockWellActive = true;
    well->ArrowAfterDone = true;
    showTutorialFrame(39);
}

void MineBoard::ValidateAndPlayTutorial()
{
    Profile* profile = Profile::sharedInstance();
    if (done(59) && !done(60)) {
        showTutorialFrame(60);
    } else if (!done(27) && CollectAnyThing == 1) {
        showTutorialFrame(27);
        CollectAnyThing = 2;
    } else if (!done(28) && CollectedStones >= 20 && !StonesDone) {
        StonesDone = true;
        showTutorialFrame(28);
    } else if (StonesDone && done(39)) {
        const TutorialFrameDef* tools = profile->GetTutorialDef(40);
        if (!done(40)) {
            showTutorialFrame(40);
        } else if (tools && tools->ArrowAfter && !tools->ArrowAfterDone) {
            if (ToolBtn && !ToolBtn->getChildByTag(kTagTutorialArrow)) {
                Ref<CCTutorialArrow> arrow = CCTutorialArrow::arrow();
                arrow->setPosition({ToolBtn->contentSize().width / 2, ToolBtn->contentSize().height});
                ToolBtn->addChild(arrow.get(), 2, kTagTutorialArrow);
            }
            if (profile->GetUpgradeCount(kToolEarth) <= 1) {
                profile->increaseUpgradeCount(kToolEarth, 2);
                ReinitTools();
            }
            SetInputActive(true);
        } else if (!done(41)) {
            showTutorialFrame(41);
        } else if (done(42) && !done(43)) {
            // The shovel has been used: where the next one comes from.
            showTutorialFrame(43);
        } else {
            SetInputActive(true);
        }
    } else {
        SetInputActive(true);
    }
}

void MineBoard::SpecialTutorialAction(int32_t code)
{
    if (Profile::sharedInstance()->mineMoves < 2) return;
    if ((code == 62 || code == 61 || code == 59) && !done(code)) showTutorialFrame(code);
}

// ---- gas

void MineBoard::getChainOfMethanPuzzles(const std::vector<Puzzle*>& gas, Puzzle* source,
                                         std::vector<Puzzle*>& group) const
{
    std::vector<Puzzle*> open{source};
    if (!contains(group, source)) group.push_back(source);
    while (!open.empty()) {
        Puzzle* at = open.back();
        open.pop_back();
        for (Puzzle* other : gas) {
            if (contains(group, other) || !isPuzzleNeighborToPuzzle(at, other)) continue;
            group.push_back(other);
            open.push_back(other);
        }
    }
}

void MineBoard::checkNewChainMethane()
{
    std::vector<Puzzle*> gas = getAllPuzzlesByType(kGas);
    if (!gas.empty()) SpecialTutorialAction(59);
    for (Puzzle* primed : getAllPuzzlesByType(kPrimedGas)) gas.push_back(primed);

    // Groups by connection, each tile in one group.
    std::vector<std::vector<Puzzle*>> groups;
    std::vector<Puzzle*> seen;
    for (Puzzle* tile : gas) {
        if (contains(seen, tile)) continue;
        std::vector<Puzzle*> group;
        getChainOfMethanPuzzles(gas, tile, group);
        seen.insert(seen.end(), group.begin(), group.end());
        groups.push_back(std::move(group));
    }

    bool explode = false;
    std::vector<Puzzle*> large;
    for (const std::vector<Puzzle*>& group : groups) {
        if (group.size() < 3) {
            for (Puzzle* tile : group)
                if (tile->GetType() == kPrimedGas) replacePuzzle(tile, kGas);
            continue;
        }
        for (Puzzle* tile : group) {
            if (tile->GetType() == kPrimedGas) {
                explode = true;
                large.push_back(tile);
            } else if (Puzzle* primed = replacePuzzle(tile, kPrimedGas)) {
                large.push_back(primed);
            } else {
                large.push_back(tile);
            }
        }
    }
    if (explode) explodeMethane(large);
}

void MineBoard::explodeMethane(const std::vector<Puzzle*>& tiles)
{
    std::vector<Puzzle*> hit = findAllNeighbors(tiles);
    if (hit.empty()) return;
    SpecialTutorialAction(62);
    Profile* profile = Profile::sharedInstance();
    profile->MethanExplosions += 1;
    board::grantAchievementOnce("kaboom", "ACH_GASBOOM", 5);
    board::playSound("methan_explosion");

    for (Puzzle* old : hit) {
        Ref<Puzzle> keep(old);
        Ref<Puzzle> fresh = CurrentPuzzleFactory ? CurrentPuzzleFactory->createPuzzleAfterExplode(resourceBoard.get())
                                                 : nullptr;
        if (!fresh) continue;
        fresh->hoopCountdown = 222;
        fresh->row = old->row;
        fresh->column = old->column;
        fresh->setPosition(old->position());
        if (old->row >= 0 && old->row < kSize && old->column >= 0 && old->column < kSize &&
            puzzleAt(old->row, old->column) == old) {
            puzzlesArray[static_cast<size_t>(old->row)][static_cast<size_t>(old->column)] = fresh;
        }
        const float delay = old->GetType() == kPrimedGas ? 0.0f : 0.15f;
        createExplodeSpriteAt(fresh->position(), delay);
        Ref<Puzzle> arriving = fresh;
        runAction(CCSequence::actionOne(CCDelayTime::actionWithDuration(delay + 0.12f).get(),
                                        CCCallBlock::actionWithBlock([this, arriving] {
                                            if (!arriving->parent()) AddNewChild(arriving.get());
                                        }).get())
                      .get());
        old->removeFromParentAndCleanup(true);
    }
    isCheckAwaiting = true;
    BlockInput(kTurnBlock);
}

Ref<CCSprite> MineBoard::createExplodeSprite(float delay)
{
    Ref<CCSprite> sprite = CCSprite::spriteWithSpriteFrameName("explosion_01.png");
    if (!sprite) return nullptr;
    sprite->setTag(kTagExplosion);
    std::vector<Ref<CCSpriteFrame>> frames;
    CCSpriteFrameCache* cache = CCSpriteFrameCache::sharedSpriteFrameCache();
    for (int i = 1; i <= 16; ++i) {
        const std::string name = i < 10 ? format("explosion_0%d.png", i) : format("explosion_%d.png", i);
        if (Ref<CCSpriteFrame> frame = cache->spriteFrameByName(name)) frames.push_back(std::move(frame));
    }
    auto animation = CCAnimation::animationWithFrames(frames, kExplosionFrame);
    auto play = CCAnimate::actionWithAnimation(animation.get(), false);
    sprite->runAction(CCSequence::actionOne(
                          CCDelayTime::actionWithDuration(delay).get(),
                          CCSequence::actionOne(play.get(), CCCallBlockN::actionWithBlock([this](CCNode* node) {
                                                    removeExplosionSprites(node);
                                                }).get())
                              .get())
                          .get());
    return sprite;
}

void MineBoard::createExplodeSpriteAt(CGPoint position, float delay)
{
    Ref<CCSprite> sprite = createExplodeSprite(delay);
    if (!sprite) return;
    sprite->setPosition(position);
    if (delay <= 0) {
        AddNewChild(sprite.get());
        return;
    }
    Ref<CCSprite> keep = sprite;
    runAction(CCSequence::actionOne(CCDelayTime::actionWithDuration(delay).get(),
                                    CCCallBlock::actionWithBlock([this, keep] { AddNewChild(keep.get()); }).get())
                  .get());
}

void MineBoard::removeExplosionSprites(CCNode* sprite)
{
    if (sprite) sprite->removeFromParentAndCleanup(true);
}

void MineBoard::AddNewChild(CCNode* child)
{
    if (!child) return;
    addChild(child, child->tag() == kTagExplosion ? 4 : 0);
}

// ---- blinking, moves

void MineBoard::BlikTiles(float)
{
    Profile* profile = Profile::sharedInstance();
    std::vector<int32_t> seen;
    for (int32_t kind : {7, 9, 8, 6}) {
        const Collectible* tile = profile->GetCollectible(kind);
        if (tile && tile->Seen) seen.push_back(kind);
    }
    if (!seen.empty()) {
        const auto pick = static_cast<size_t>(board::uniform() * static_cast<float>(seen.size()));
        const int32_t kind = seen[std::min(pick, seen.size() - 1)];
        for (Puzzle* tile : getAllPuzzlesByType(kind))
            tile->Blink(0.3f * static_cast<float>(tile->column) + 0.3f * static_cast<float>(tile->row));
    }
    GlobalObject* global = Shared<GlobalObject>::current();
    if (global && global->GetDietAchievement()) {
        board::grantAchievementOnce("balanceddiet", "ACH_ALLFOOD", 20);
        global->SetDietAchievement(false);
    }
}

void MineBoard::ReinitStepsInMineTo(int32_t moves)
{
    Profile::sharedInstance()->Start_mineMoves = moves;
    ReinitStepsInMine();
}

// ---- the end

void MineBoard::StartEndGame()
{
    // Wait for the block first: the purchase count rises once per end of
    // the moves, however many times the wait repeats.
    if (isBlockRunning()) {
        runAction(CCSequence::actionOne(CCDelayTime::actionWithDuration(kRetryStep).get(),
                                        CCCallBlock::actionWithBlock([this] { StartEndGame(); }).get())
                      .get());
        return;
    }
    Profile* profile = Profile::sharedInstance();
    profile->MineBonusBought += 1;

    if (UnlockWellActive) {
        if (UpgradeItem* well = profile->GetUpgrade(kWellUpgrade); well && well->isHidden) {
            profile->SetObjectSeen(kWellUpgrade);
            well->isHidden = false;
        }
        if (profile->GetResourceCount(kBuildingBlock) <= 1) profile->increaseResource(kBuildingBlock, 2);
        profile->RegenerateBuyIndexes();
    }
    for (int32_t frame : {27, 28, 29, 26, 25}) markDone(frame);
    if (done(39)) {
        markDone(42);
        markDone(43);
    }
    if (TilesRemoved >= 1000) board::grantAchievementOnce("golddigger", "ACH_TILESMINE1000", 15);

    profile->SavedMinePuzzles.clear();
    for (int row = 0; row < kSize; ++row)
        for (int column = 0; column < kSize; ++column) {
            const Puzzle* tile = puzzleAt(row, column);
            profile->SavedMinePuzzles.push_back(tile ? tile->GetType() : 0);
        }
    profile->MaxHarvestMine = std::max(profile->MaxHarvestMine, TilesRemoved);

    if (auto popUp = EndOfPopUp::popUpWithMode(0, TilesRemoved, this)) addChild(popUp.get(), EndOfPopUp::kZOrder);
    Board::SetInputActive(false);
}

} // namespace mw
