#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/sprites/CCSpriteFrameCache.h"
#include "game/boards/Puzzle.h"
#include "game/boards/PuzzleFactory.h"
#include "game/boards/ResourceBoard.h"
#include "game/boards/CCExpPoints.h"
#include "tests/game/boards/BoardsTestSupport.h"

namespace mw {
namespace {

using test::BoardTest;
using test::RecordingBoard;

bool shows(const CCNode* node, const std::string& frame)
{
    const auto* sprite = dynamic_cast<const CCSprite*>(node);
    auto wanted = CCSpriteFrameCache::sharedSpriteFrameCache()->spriteFrameByName(frame);
    return sprite != nullptr && wanted && sprite->isFrameDisplayed(wanted.get());
}

// The z-order of the child showing `frame`, or -100 when none does.
int zOf(const CCNode& tile, const std::string& frame)
{
    if (!tile.children()) return -100;
    for (uint32_t i = 0; i < tile.children()->count(); ++i) {
        const auto* child = static_cast<const CCNode*>(tile.children()->objectAtIndex(i));
        if (shows(child, frame)) return child->zOrder();
    }
    return -100;
}

template <typename T> int countChildren(const CCNode& node)
{
    int n = 0;
    for (uint32_t i = 0; node.children() && i < node.children()->count(); ++i)
        n += dynamic_cast<T*>(node.children()->objectAtIndex(i)) != nullptr;
    return n;
}

class PuzzleTest : public BoardTest {
protected:
    void SetUp() override
    {
        BoardTest::SetUp();
        board = makeRef<RecordingBoard>();
        scene().addChild(board.get());
    }
    // A tile of the kind from the mode's generator, standing on the board.
    Ref<Puzzle> tileOf(int32_t mode, int32_t kind, CGPoint at = {100, 200})
    {
        if (!panel || panel->GetMode() != mode) {
            if (panel) board->removeChild(panel.get(), true);
            panel = ResourceBoard::boardWithMode(mode);
            board->addChild(panel.get());
        }
        auto factory = PuzzleFactory::factoryWithMode(mode, panel.get());
        Ref<Puzzle> tile = factory->createPuzzleWithType(kind, panel.get());
        EXPECT_TRUE(tile);
        if (tile) {
            tile->setPosition(at);
            board->addChild(tile.get(), 1);
        }
        return tile;
    }

    Ref<RecordingBoard> board;
    Ref<ResourceBoard> panel;
};

TEST_F(PuzzleTest, MineTilesLayTheirPicturesShadowAndEarthByKind)
{
    const struct {
        int32_t kind;
        const char* picture;
        int pictureZ;
        const char* cover;
        int coverZ;
        const char* extra; // a third frame and its z-order
        int extraZ;
    } rows[] = {
        {1, "earth.png", 0, "mine_earth.png", 1, nullptr, 0},
        {3, "methane.png", 2, "mine_earth3.png", 0, "methane_shadow.png", 1},
        {2, "rubble.png", 2, "mine_earth3.png", 0, nullptr, 0},
    };
    for (const auto& row : rows) {
        Ref<Puzzle> tile = tileOf(0, row.kind);
        ASSERT_TRUE(tile);
        EXPECT_EQ(zOf(*tile, row.picture), row.pictureZ) << "kind " << row.kind;
        EXPECT_EQ(zOf(*tile, row.cover), row.coverZ) << "kind " << row.kind;
        EXPECT_TRUE(shows(tile->getChildByTag(Puzzle::kTagEarth), row.cover)) << "kind " << row.kind;
        if (row.extra) {
            EXPECT_EQ(zOf(*tile, row.extra), row.extraZ) << "kind " << row.kind;
        }
        EXPECT_FLOAT_EQ(tile->StartRadius, 23) << "phone";
        EXPECT_FLOAT_EQ(tile->Radius, 23);
    }
    // Resting gas pulses; primed gas also shakes until told to stop.
    Ref<Puzzle> resting = tileOf(0, 3);
    EXPECT_EQ(resting->picture()->numberOfRunningActions(), 1u);
    EXPECT_EQ(resting->picture()->getActionByTag(Puzzle::kTagShake), nullptr);
    Ref<Puzzle> primed = tileOf(0, 20);
    EXPECT_EQ(zOf(*primed, "methane_shadow.png"), 1);
    ASSERT_NE(primed->picture()->getActionByTag(Puzzle::kTagShake), nullptr);
    run(0.1);
    EXPECT_NE(primed->picture()->position(), CGPointZero) << "shaking";
    primed->CheckShakeTag();
    EXPECT_EQ(primed->picture()->getActionByTag(Puzzle::kTagShake), nullptr);
    EXPECT_EQ(primed->picture()->numberOfRunningActions(), 1u) << "the pulse goes on";

    // Other kinds: the picture at 0.95 over a black copy of it at opacity 60.
    Ref<Puzzle> rubble = tileOf(0, 2);
    EXPECT_FLOAT_EQ(rubble->picture()->scale(), 0.95f);
    int shadows = 0;
    for (uint32_t i = 0; i < rubble->children()->count(); ++i) {
        auto* child = dynamic_cast<CCSprite*>(rubble->children()->objectAtIndex(i));
        if (child && shows(child, "rubble.png") && child->zOrder() == 1) {
            ++shadows;
            EXPECT_EQ(child->color(), ccBLACK);
            EXPECT_EQ(child->opacity(), 60);
        }
    }
    EXPECT_EQ(shadows, 1);
}

TEST_F(PuzzleTest, FieldTilesStandOnTheirBottomEdge)
{
    Ref<Puzzle> carrot = tileOf(1, 12, {100, 200});
    EXPECT_TRUE(shows(carrot.get(), "carrot_spring.png"));
    EXPECT_EQ(carrot->anchorPoint(), (CGPoint{0.5f, 0}));
    EXPECT_EQ(carrot->Mode, 1);
    EXPECT_EQ(carrot->GetMidpointPosition(), (CGPoint{100, 223}));
    EXPECT_TRUE(carrot->isPointInside({100, 245}));
    EXPECT_FALSE(carrot->isPointInside({100, 201 - 1.5f}));
    // The coin shows its spinning animation's first frame.
    Ref<Puzzle> coin = tileOf(1, 21);
    EXPECT_TRUE(shows(coin.get(), "drell_16fps_000.png"));
    // Grass animates for ever only on a tablet: on a phone it is a plain
    // picture that never animates.
    Ref<Puzzle> grass = tileOf(1, 10);
    EXPECT_TRUE(shows(grass.get(), "grass_spring.png"));
    EXPECT_FALSE(grass->getChildByTag(Puzzle::kTagFieldAnimation));
    EXPECT_EQ(grass->numberOfRunningActions(), 0u);
}

TEST_F(PuzzleTest, SelectingLocksOnceAndReleasingRestores)
{
    Ref<Puzzle> tile = tileOf(0, 1);
    tile->setSelected(true);
    EXPECT_TRUE(tile->isLocked);
    EXPECT_TRUE(tile->isInChain);
    EXPECT_FLOAT_EQ(tile->Radius, 23 * 0.75f);
    EXPECT_EQ(board->selected, (std::vector<Puzzle*>{tile.get()}));
    EXPECT_EQ(tile->numberOfRunningActions(), 1u);
    tile->setSelected(true);
    EXPECT_EQ(board->selected.size(), 1u) << "a locked tile does nothing";
    EXPECT_EQ(tile->numberOfRunningActions(), 1u);
    run(0.2);
    EXPECT_FLOAT_EQ(tile->scale(), 0.8f);
    tile->setSelected(false);
    EXPECT_FALSE(tile->isLocked);
    EXPECT_FALSE(tile->isInChain);
    EXPECT_FLOAT_EQ(tile->Radius, 23);
    run(0.2);
    EXPECT_FLOAT_EQ(tile->scale(), 1.0f);
}

TEST_F(PuzzleTest, TheEarthCoverStaysOnKindsNoChainTakesUntilTheTileItselfGoes)
{
    Ref<Puzzle> stone = tileOf(0, 4);
    ASSERT_FALSE(stone->CanCollect);
    stone->ManageEarthSprite(true);
    EXPECT_TRUE(stone->getChildByTag(Puzzle::kTagEarth)) << "a neighbour's chain leaves stone covered";
    Ref<Puzzle> earth = tileOf(0, 1);
    earth->ManageEarthSprite(true);
    EXPECT_FALSE(earth->getChildByTag(Puzzle::kTagEarth));
    earth->ManageEarthSprite(false);
    EXPECT_EQ(zOf(*earth, "mine_earth.png"), 1) << "the cover comes back over the picture";
    stone->removeFromBoard();
    EXPECT_TRUE(stone->CanCollect);
    EXPECT_FALSE(stone->getChildByTag(Puzzle::kTagEarth));
}

TEST_F(PuzzleTest, AnimalsCountDownThenStrikeOnce)
{
    const struct {
        int32_t kind;
        int warn;
        int strike;
        const char* achievement;
    } rows[] = {{17, 64, 65, "com.zandovar.mw.quietasamouse ACH_RATEAT 5"},
                {18, 67, 68, "com.zandovar.mw.bigbadwolf ACH_WOLFEAT 10"}};
    for (const auto& row : rows) {
        board->tutorial.clear();
        ledger().grants.clear();
        Ref<Puzzle> animal = tileOf(1, row.kind);
        animal->initHoopCountdown();
        EXPECT_EQ(animal->hoopCountdown, 3);
        ASSERT_NE(animal->hoopBadge(), nullptr);
        EXPECT_TRUE(shows(animal->hoopBadge(), "321_0001.png"));
        EXPECT_FLOAT_EQ(animal->hoopBadge()->scale(), 0.7f);
        // Badge 16 points: x = tile width 40 + 8, y = 8 - 6.
        EXPECT_EQ(animal->hoopBadge()->position(), (CGPoint{48, 2}));

        animal->decreaseHoopCountdown();
        run(0.3);
        EXPECT_TRUE(shows(animal->hoopBadge(), "321_0006.png")) << "count 2 keeps frame 6";
        EXPECT_TRUE(board->tutorial.empty());
        animal->decreaseHoopCountdown();
        run(0.3);
        EXPECT_TRUE(shows(animal->hoopBadge(), "321_00011.png")) << "count 1 keeps frame 11";
        EXPECT_EQ(board->tutorial, (std::vector<int32_t>{row.warn}));
        animal->decreaseHoopCountdown();
        EXPECT_EQ(animal->hoopBadge(), nullptr);
        EXPECT_EQ(board->tutorial, (std::vector<int32_t>{row.warn, row.strike}));
        EXPECT_EQ(ledger().grants, (std::vector<std::string>{row.achievement}));
    }
    EXPECT_EQ(profile().PlantsByRats, 1);
    EXPECT_EQ(profile().AnimalsByWolfs, 1);
    // A second strike counts but grants nothing more.
    ledger().grants.clear();
    Ref<Puzzle> rabbit = tileOf(1, 17);
    rabbit->hoopCountdown = 1;
    rabbit->decreaseHoopCountdown();
    EXPECT_EQ(profile().PlantsByRats, 2);
    EXPECT_TRUE(ledger().grants.empty());
}

TEST_F(PuzzleTest, AnAnimalJumpLandsAndTellsTheBoard)
{
    Ref<Puzzle> wolf = tileOf(1, 18, {50, 100});
    wolf->moveToPosition({150, 100}, 0.5f);
    run(0.25);
    EXPECT_GT(wolf->position().y, 100) << "level jumps still rise 50 points";
    EXPECT_TRUE(board->jumped.empty());
    run(0.3);
    EXPECT_EQ(wolf->position(), (CGPoint{150, 100}));
    EXPECT_EQ(board->jumped, (std::vector<Puzzle*>{wolf.get()}));
}

TEST_F(PuzzleTest, RemovedTilesCreditTheProfileAndEndWhereTheyShould)
{
    // Earth flies to the slot of its resource with 1 point of stage experience.
    Ref<Puzzle> earth = tileOf(0, 1, {40, 300});
    const float stage = profile().StageExp;
    earth->removeFromBoard();
    EXPECT_FLOAT_EQ(profile().StageExp - stage, 1);
    EXPECT_EQ(countChildren<CCExpPoints>(*board), 1);
    run(1.05);
    EXPECT_EQ(board->removed, (std::vector<Puzzle*>{earth.get()}));
    EXPECT_EQ(earth->position(), panel->GetPositionOfResourceOfType(14));
    EXPECT_FLOAT_EQ(earth->scale(), 0.3f);

    // Coins fade in place and pay; their achievement is granted once.
    const struct {
        int32_t mode;
        int32_t kind;
        int32_t gold;
    } coins[] = {{0, 22, 200}, {1, 21, 200}};
    for (const auto& coin : coins) {
        board->removed.clear();
        const int32_t goldBefore = profile().GoldCount;
        const int32_t earnedBefore = profile().GoldEarned;
        Ref<Puzzle> tile = tileOf(coin.mode, coin.kind, {200, 200});
        tile->removeFromBoard();
        EXPECT_EQ(profile().GoldCount - goldBefore, coin.gold) << "kind " << coin.kind;
        EXPECT_EQ(profile().GoldEarned - earnedBefore, coin.gold);
        run(0.4);
        EXPECT_EQ(board->removed, (std::vector<Puzzle*>{tile.get()}));
        EXPECT_EQ(tile->position(), (CGPoint{200, 200}));
        EXPECT_EQ(tile->opacity(), 0);
    }
    EXPECT_EQ(std::count(ledger().grants.begin(), ledger().grants.end(),
                         "com.zandovar.mw.moneyfornothing ACH_COIN1 20"),
              1);
}

TEST_F(PuzzleTest, KillCountersGrantOnlyAtTheirExactMark)
{
    const struct {
        int32_t kind;
        int32_t before;
        bool grants;
    } rows[] = {{17, 98, false}, {17, 99, true}, {17, 100, false}, {18, 49, true}, {18, 50, false}};
    for (const auto& row : rows) {
        ledger().grants.clear();
        ledger().done.clear();
        int32_t& counter = row.kind == 17 ? profile().RatsKilled : profile().WolfsKilled;
        counter = row.before;
        tileOf(1, row.kind)->removeFromBoard();
        EXPECT_EQ(counter, row.before + 1);
        EXPECT_EQ(!ledger().grants.empty(), row.grants) << "kind " << row.kind << " from " << row.before;
    }
}

TEST_F(PuzzleTest, OreGlintsPlayBackwardsAfterTheirDelay)
{
    Ref<Puzzle> gold = tileOf(0, 9);
    gold->Blink(0.5f);
    auto glintOf = [&]() -> CCSprite* {
        CCNode* picture = gold->picture();
        return picture->children() && picture->children()->count() > 0
                   ? dynamic_cast<CCSprite*>(picture->children()->objectAtIndex(0))
                   : nullptr;
    };
    ASSERT_NE(glintOf(), nullptr);
    EXPECT_EQ(glintOf()->opacity(), 0);
    EXPECT_FLOAT_EQ(glintOf()->scale(), 2);
    run(0.55);
    EXPECT_EQ(glintOf()->opacity(), 255);
    EXPECT_TRUE(shows(glintOf(), "gold_blik_10.png"));
    run(0.83);
    EXPECT_EQ(glintOf(), nullptr) << "removed after its ten frames";
    Ref<Puzzle> earth = tileOf(0, 1);
    earth->Blink(0);
    EXPECT_FALSE(earth->picture()->children() && earth->picture()->children()->count() > 0);
}

} // namespace
} // namespace mw
