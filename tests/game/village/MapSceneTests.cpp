#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "engine/menus/CCMenu.h"
#include "engine/sprites/CCSprite.h"
#include "foundation/Paths.h"
#include "foundation/RunLoop.h"
#include "game/state/SaveFile.h"
#include "game/boards/FieldPopUp.h"
#include "game/boards/FoodPopUp.h"
#include "game/defs/Animation.h"
#include "game/village/RatingPrompt.h"
#include "game/village/CCBonusItem.h"
#include "game/boards/CCTooltip.h"
#include "platform/Store.h"
#include "tests/game/village/VillageTestSupport.h"
#include "tests/support/ScriptedStore.h"

namespace mw {
namespace {

using test::VillageWorld;

class MapTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(world.run.ok()) << "no headless GL context";
        ASSERT_TRUE(world.ready());
        previousStore_ = Store::replaceSharedInstance(store_);
        world.established();
    }
    void TearDown() override { (void)Store::replaceSharedInstance(previousStore_); }

    MapScene& map() { return *world.map(); }
    // The 320-pixel phone, where the map saves animations.
    bool smallPhone() { return world.run.driver().director()->winSizeInPixels().width == 320; }
    CCNode* building(int32_t upgrade) { return map().pageParent()->getChildByTag(upgrade); }
    // A point on a building: the middle of its hit area.
    CGPoint on(int32_t upgrade)
    {
        CCNode* node = building(upgrade);
        if (auto* animation = dynamic_cast<Animation*>(node)) {
            const CGRect box = animation->AnimationBox;
            return {node->position().x + box.origin.x + box.size.width / 2,
                    node->position().y + box.origin.y + box.size.height * 0.15f};
        }
        const CGRect box = node->boundingBox();
        return {box.origin.x + box.size.width / 2, box.origin.y + box.size.height / 2};
    }
    // A touch straight to the map, as the dispatcher would hand it over.
    bool began(CGPoint gl)
    {
        touch_ = makeRef<UITouch>(CGPoint{gl.x, world.win().height - gl.y}, 0.0);
        return map().ccTouchBegan(touch_.get(), UIEvent{});
    }
    void ended() { map().ccTouchEnded(touch_.get(), UIEvent{}); }
    Ref<CCBonusItem> lyingItem(CGPoint at)
    {
        auto item = CCBonusItem::itemWithGold(10);
        item->SetVParent(&world.hud());
        item->setOpacity(255);
        item->setPosition(at);
        world.hud().bonusParent()->addChild(item.get());
        return item;
    }

    VillageWorld world {GetParam()};
    std::shared_ptr<test::ScriptedStore> store_ = std::make_shared<test::ScriptedStore>();
    std::shared_ptr<Store> previousStore_;
    Ref<UITouch> touch_;
};

TEST_P(MapTest, SlotsDrawTheirBuildingsAndDecorationsByTheDepthRule)
{
    world.start();
    const float H = world.win().height;
    struct Row {
        int32_t key;    // slot key
        int32_t tag;    // node tag on the object layer
        bool animated;
        CGPoint anchor; // sprites only
    };
    const Row rows[] = {
        {21, 18, false, {0.5f, 0}},   // market: a sprite on its base
        {24, 28, true, {}},           // bakery: animated
        {49, 53, true, {}},           // hen-house
        {9, 29, false, {0.5f, 0.5f}}, // the mine stands in group 101: centred
        {1, 88, true, {}},            // the camp on the settlement slot
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.key);
        const MAP_OBJECT& slot = world.slot(row.key);
        CCNode* node = building(row.tag);
        ASSERT_NE(node, nullptr);
        EXPECT_EQ(node->zOrder(), static_cast<int>(H - static_cast<float>(slot.y)));
        EXPECT_EQ(node->position(), (CGPoint{static_cast<float>(slot.x), static_cast<float>(slot.y)}));
        auto* animation = dynamic_cast<Animation*>(node);
        EXPECT_EQ(animation != nullptr, row.animated);
        if (animation) {
            if (!smallPhone()) {
                EXPECT_TRUE(animation->Loop) << "started, looping";
            }
        } else {
            EXPECT_EQ(node->anchorPoint(), row.anchor);
        }
    }
    EXPECT_EQ(map().pageParent()->getChildByTag(0)->zOrder(), 0) << "slot 0 lies under everything";
    CCNode* willow = map().pageParent()->getChildByTag(62000);
    ASSERT_NE(willow, nullptr);
    EXPECT_EQ(willow->zOrder(), static_cast<int>(H) - 1);
    int fish = 0;
    for (size_t i = 0; i < map().pageParent()->children()->count(); ++i) {
        auto* node = static_cast<CCNode*>(map().pageParent()->children()->objectAtIndex(i));
        // Walkers share the layer and carry no tag either.
        fish += node->tag() == MapScene::kFishTag && dynamic_cast<Animation*>(node) != nullptr;
    }
    EXPECT_EQ(fish, 2) << "slots 401 and 402";
    EXPECT_EQ(map().pageParent()->zOrder(), 1);
    EXPECT_EQ(map().menu()->zOrder(), 2);
}

TEST_P(MapTest, OnTheSmallPhoneAnimatedBuildingsStartOnlyNowAndThen)
{
    // Each animated building draws once; on the 320-pixel phone it starts
    // only on a draw of 0.7 or more, elsewhere always.
    int animated = 0;
    int started = 0;
    for (unsigned seed = 1; seed <= 16; ++seed) {
        Random::srandom(seed);
        world.start();
        for (int32_t upgrade : {28, 53, 88}) {
            auto* animation = dynamic_cast<Animation*>(building(upgrade));
            ASSERT_NE(animation, nullptr) << upgrade;
            ++animated;
            started += animation->Loop ? 1 : 0;
        }
    }
    if (smallPhone()) {
        EXPECT_GE(started, animated / 10) << started << " of " << animated;
        EXPECT_LE(started, animated / 2) << started << " of " << animated;
    } else {
        EXPECT_EQ(started, animated);
    }
}

TEST_P(MapTest, TheCastleSitsOnItsOwnAnchorAndRevealedDecorationsLieFlat)
{
    world.build(1, 38);
    world.slot(301).isTree = 1;
    world.slot(301).Name = "map_deco_square.png";
    world.start();
    CCNode* castle = building(38);
    ASSERT_NE(castle, nullptr);
    EXPECT_EQ(castle->anchorPoint(), (CGPoint{0.4f, 0.1f}));
    CCNode* square = map().pageParent()->getChildByTag(301000);
    ASSERT_NE(square, nullptr);
    EXPECT_EQ(square->zOrder(), 1);
}

TEST_P(MapTest, EntranceButtonsStandByTheirBuildings)
{
    world.start();
    struct Row {
        CCMenuItemSprite* button;
        int32_t building;
        float dx, dy; // in button widths and heights
        int z;
    };
    const Row rows[] = {
        {map().farmButton(), 91, 0, 0.5f, 1},
        {map().mineButton(), 29, 2, 1, 0},
        {map().settleButton(), 88, 1, 0.5f, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.building);
        ASSERT_NE(row.button, nullptr);
        const CGSize size = row.button->contentSize();
        const CGPoint b = building(row.building)->position();
        EXPECT_EQ(row.button->position(), (CGPoint{b.x + row.dx * size.width, b.y + row.dy * size.height}));
        EXPECT_EQ(row.button->zOrder(), row.z);
        EXPECT_TRUE(row.button->isEnabled());
        EXPECT_GT(row.button->numberOfRunningActions(), 0u) << "pulsing";
    }
    // With frame 2's arrow still to follow the drawing makes no settlement
    // button: the tutorial makes it appear (disabled until it has grown).
    world.markFrame(2, true, false);
    world.start();
    ASSERT_NE(world.map()->settleButton(), nullptr);
    EXPECT_FALSE(world.map()->settleButton()->isEnabled());
    // Before frame 2 is done there is none at all: the frame shows.
    world.markFrame(2, false, false);
    world.start();
    EXPECT_EQ(world.map()->settleButton(), nullptr);
}

TEST_P(MapTest, ReadyBuildingsAndTheSettlementCarryTheMark)
{
    world.profile().GetUpgrade(28)->BonusReady = true;
    world.profile().GetUpgrade(18)->BonusReady = true;
    world.start();
    const bool animates = !smallPhone();
    for (int32_t upgrade : {28, 18}) {
        SCOPED_TRACE(upgrade);
        auto* mark = dynamic_cast<CCSprite*>(building(upgrade)->getChildByTag(MapScene::kReadyMarkTag));
        ASSERT_NE(mark, nullptr);
        EXPECT_EQ(mark->anchorPoint(), (CGPoint{0.5f, 0}));
        EXPECT_EQ(mark->zOrder(), 1000);
        EXPECT_EQ(mark->numberOfRunningActions() > 0, animates);
    }
    EXPECT_EQ(building(53)->getChildByTag(MapScene::kReadyMarkTag), nullptr);
    ASSERT_NE(map().settleButton(), nullptr);
    EXPECT_NE(map().settleButton()->getChildByTag(MapScene::kReadyMarkTag), nullptr) << "no tax event queued";

    // A timed bonus falling due marks its building once.
    world.profile().GetUpgrade(53)->BonusReady = true;
    map().ValidateNotificationStatusForBuilding(53);
    map().ValidateNotificationStatusForBuilding(53);
    int marks = 0;
    for (size_t i = 0; i < building(53)->children()->count(); ++i)
        marks += static_cast<CCNode*>(building(53)->children()->objectAtIndex(i))->tag() == MapScene::kReadyMarkTag;
    EXPECT_EQ(marks, 1);

    // While taxes are counting down the settlement carries none.
    GlobalObject::sharedInstance()->GenerateNotification(1, 0, 0, MapScene::kTaxEvent);
    world.start();
    EXPECT_EQ(world.map()->settleButton()->getChildByTag(MapScene::kReadyMarkTag), nullptr);
}

TEST_P(MapTest, ATouchReachesTheTopmostThingItMeans)
{
    Profile& profile = world.profile();
    profile.GetUpgrade(53)->BonusReady = true;
    profile.GetUpgrade(112)->BonusReady = true;
    world.build(25, 112);
    world.build(26, 117);
    profile.GetUpgrade(117)->BonusReady = true;
    world.start();
    const int32_t gold = profile.GoldCount;

    // An item over a ready building: only the item.
    Ref<CCBonusItem> item = lyingItem(on(53));
    EXPECT_TRUE(began(on(53)));
    EXPECT_EQ(item->state(), CCBonusItem::kFlying);
    EXPECT_TRUE(profile.GetUpgrade(53)->BonusReady) << "the building below keeps its bonus";
    EXPECT_TRUE(map().wasThereChange());
    ended();
    world.run.run(1.1); // the item is gone to its counter

    // A ready building: its bonus falls out, its mark goes.
    EXPECT_TRUE(began(on(53)));
    EXPECT_FALSE(profile.GetUpgrade(53)->BonusReady);
    EXPECT_EQ(building(53)->getChildByTag(MapScene::kReadyMarkTag), nullptr);
    ended();

    // Without resource costs only 112, 113 and 117 answer.
    EXPECT_TRUE(began(on(112)));
    EXPECT_FALSE(profile.GetUpgrade(112)->BonusReady);
    ended();

    // The tooltip: added on touch, gone on touch end.
    world.sounds.clear();
    EXPECT_TRUE(began(on(18)));
    auto* tooltip = dynamic_cast<CCTooltip*>(map().getChildByTag(MapScene::kTooltipTag));
    ASSERT_NE(tooltip, nullptr);
    EXPECT_EQ(tooltip->zOrder(), 10);
    EXPECT_EQ(tooltip->buildingType(), 18);
    EXPECT_EQ(world.played("selection_menu"), 1);
    ended();
    EXPECT_EQ(map().getChildByTag(MapScene::kTooltipTag), nullptr);
    EXPECT_TRUE(began(on(18)));
    map().ccTouchCancelled(touch_.get(), UIEvent{});
    EXPECT_EQ(map().getChildByTag(MapScene::kTooltipTag), nullptr);

    // The animated camp first under the finger ends the search unclaimed.
    EXPECT_FALSE(began(on(88)));
    EXPECT_EQ(map().getChildByTag(MapScene::kTooltipTag), nullptr);
    EXPECT_EQ(profile.GoldCount, gold + 10) << "only the tapped item is credited; the rest still lie";
}

TEST_P(MapTest, TouchesOnTheBagAndTheHudBarsAreLeftToTheHud)
{
    world.slot(24).y = 4; // the bakery under the bottom bar
    world.start();
    GuiObject& hud = world.hud();
    // The input comes back after a pop-up: the map registers at 100.
    map().SetInputActive(false);
    map().SetInputActive(true);
    const CGPoint buildTab = hud.BuildButton->convertToWorldSpace(
        {hud.BuildButton->contentSize().width / 2, hud.BuildButton->contentSize().height / 2});
    EXPECT_FALSE(began(buildTab));
    const CGPoint topBar = {world.win().width / 2, world.win().height - 3};
    EXPECT_FALSE(began(topBar));
    // Through the dispatcher the tab opens its list.
    world.tap(buildTab);
    EXPECT_EQ(world.scene->currentLayerId(), VillageScene::kBuildingsLayer);
    world.scene->ChangeLayer(VillageScene::kMapLayer);

    hud.BagCallback(hud.BagButton);
    world.run.run(0.4);
    Ref<CCBonusItem> item = lyingItem(world.hud().GoodsPopUp->convertToWorldSpace({20, 20}));
    EXPECT_FALSE(began(item->position()));
    EXPECT_EQ(item->state(), CCBonusItem::kCreated);
}

TEST_P(MapTest, SpawningDropsEachKindOfBonusAndQueuesTheNextOne)
{
    world.start();
    Profile& profile = world.profile();
    UpgradeItem& bakery = *profile.GetUpgrade(28);
    bakery.Points = 40;
    bakery.BonusMoney = 15;
    bakery.BonusTools = std::map<int32_t, int32_t>{{24, 2}};
    bakery.BonusResources = std::map<int32_t, int32_t>{{3, 2}, {4, 1}};
    bakery.BonusTime = 3725;
    bakery.BonusReady = true;
    world.markFrame(38, false, false);
    world.markFrame(37, false, false);
    const float lift = world.tablet() ? 10 : 5;

    struct Row {
        bool experience;
        std::vector<int32_t> kinds;
        float lowestWait, highestWait;
    };
    const Row rows[] = {
        {true, {402, 403, 401, 400, 400}, 0.4f, 1.4f},
        {false, {403, 401, 400, 400}, 0.0f, 0.1f},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.experience);
        CCNode* holder = world.hud().bonusParent();
        holder->removeAllChildrenWithCleanup(true);
        map().SpawnBonuses(28, 100, 200, row.experience);
        EXPECT_FALSE(bakery.BonusReady);
        ASSERT_EQ(holder->children()->count(), row.kinds.size());
        for (size_t i = 0; i < row.kinds.size(); ++i) {
            auto* item = static_cast<CCBonusItem*>(holder->children()->objectAtIndex(i));
            EXPECT_EQ(item->kind(), row.kinds[i]);
            EXPECT_EQ(item->position(), (CGPoint{100, 200 - lift}));
            EXPECT_EQ(item->zOrder(), static_cast<int>(world.win().height));
            EXPECT_EQ(item->state(), CCBonusItem::kCreated) << "waiting for its fall";
        }
        world.run.run(row.lowestWait);
        for (size_t i = 0; i < row.kinds.size(); ++i)
            EXPECT_EQ(static_cast<CCBonusItem*>(holder->children()->objectAtIndex(i))->state(), CCBonusItem::kCreated);
        world.run.run(row.highestWait - row.lowestWait + 0.05);
        for (size_t i = 0; i < holder->children()->count(); ++i) {
            if (auto* item = dynamic_cast<CCBonusItem*>(holder->children()->objectAtIndex(i))) {
                EXPECT_EQ(item->state(), CCBonusItem::kFalling);
            }
        }
    }
    EXPECT_TRUE(profile.GetTutorialDef(37)->Done) << "tool 24 before frame 38 marks frame 37";
    EXPECT_TRUE(profile.GetTutorialDef(37)->ArrowAfterDone) << "and its Build arrow followed";
    const float left = GlobalObject::sharedInstance()->GetTimeTillNotification(28);
    EXPECT_NEAR(left, 3725, 2) << "1 h 2 min 5 s";
    ASSERT_EQ(building(28)->getChildByTag(MapScene::kReadyMarkTag), nullptr);
    GlobalObject::sharedInstance()->ProcessNotification(28);
    EXPECT_TRUE(bakery.BonusReady);
    EXPECT_NE(building(28)->getChildByTag(MapScene::kReadyMarkTag), nullptr) << "the map marks it when it falls due";
}

TEST_P(MapTest, TheFirstMapOfAMarketVillageAsksTheStoreOtherwiseTellsTheRatingPrompt)
{
    struct Row {
        int64_t microCount;
        bool market;
        bool tried;
        bool asks;
    };
    const Row rows[] = {
        {0, true, false, true}, {1, true, false, false}, {0, false, false, false}, {0, true, true, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.microCount << row.market << row.tried);
        UserDefaults::standardUserDefaults().setObject("MicroCount", Value(row.microCount));
        world.profile().UpgradesCountArray[18] = row.market ? 1 : 0;
        world.profile().TriedInApps = row.tried;
        store_->requests.clear();
        RatingPrompt::waitForCounting();
        const int64_t uses = UserDefaults::standardUserDefaults().integerForKey(RatingPrompt::kUseCount);
        auto made = MapScene::mapWithGuiParent(nullptr);
        RatingPrompt::waitForCounting();
        const int64_t after = UserDefaults::standardUserDefaults().integerForKey(RatingPrompt::kUseCount);
        EXPECT_EQ(store_->requests.size(), row.asks ? 1u : 0u);
        if (row.asks) {
            EXPECT_EQ(store_->requests[0].size(), 6u);
            EXPECT_EQ(store_->requests[0][0], "com.zandovar.mosswick.money1");
            EXPECT_TRUE(world.profile().TriedInApps);
        }
        EXPECT_EQ(after - uses, row.asks ? 0 : 1) << "a launch is counted only without the request";
    }
}

TEST_P(MapTest, CollectAllCreditsWhatLiesAndTheMapSavesWhenItGoes)
{
    world.start();
    struct Row {
        int items;
        bool noSave;
        int saves;
    };
    for (const Row& row : {Row{0, false, 0}, Row{2, false, 1}, Row{2, true, 0}}) {
        SCOPED_TRACE(testing::Message() << row.items << row.noSave);
        world.profile().saveFile().waitUntilIdle();
        std::remove(SaveFile::path().c_str());
        {
            auto probe = makeRef<MapScene>();
            ASSERT_TRUE(probe->initWithGuiParentAndState(&world.hud(), 102, -1, -1));
            const int32_t gold = world.profile().GoldCount;
            for (int i = 0; i < row.items; ++i) (void)lyingItem({50.0f + 40 * i, 100});
            // Falling and flying items are credited alike, each once.
            if (row.items > 0) {
                auto* falling = static_cast<CCBonusItem*>(world.hud().bonusParent()->children()->objectAtIndex(0));
                falling->Bounce();
            }
            if (row.noSave) {
                probe->StopWithRelease();
            } else {
                probe->Stop();
            }
            EXPECT_EQ(world.profile().GoldCount, gold + 10 * row.items);
            EXPECT_EQ(world.hud().bonusParent()->children() ? world.hud().bonusParent()->children()->count() : 0u, 0u);
            EXPECT_FALSE(probe->CollectAllBonuses()) << "nothing left";
        }
        EXPECT_EQ(Paths::fileExists(SaveFile::path()), row.saves == 1) << "saved when it went";
        world.start();
    }
}

TEST_P(MapTest, StopWithReleaseHidesTheVillageScene)
{
    VillageScene& scene = world.start();
    Ref<MapScene> keep(world.map());
    (void)lyingItem({30, 30});
    EXPECT_TRUE(keep->CollectAllBonuses());
    EXPECT_FALSE(keep->CollectAllBonuses());
    keep->StopWithRelease();
    EXPECT_TRUE(keep->noSave());
    EXPECT_EQ(scene.GetGUI(), nullptr);
    EXPECT_EQ(scene.children() ? scene.children()->count() : 0u, 0u);
}

TEST_P(MapTest, TheMineAndFieldButtonsOpenTheirPopUpsOverTheHud)
{
    world.profile().SetResourceCount(3, 5);
    for (bool mine : {true, false}) {
        SCOPED_TRACE(mine);
        world.start();
        GuiObject& hud = world.hud();
        if (mine) {
            map().MineCallback(map().mineButton());
        } else {
            map().FieldCallback(map().farmButton());
        }
        CCNode* popUp = nullptr;
        for (size_t i = 0; i < hud.children()->count(); ++i) {
            auto* child = static_cast<CCNode*>(hud.children()->objectAtIndex(i));
            if (dynamic_cast<FoodPopUp*>(child) || dynamic_cast<FieldPopUp*>(child)) popUp = child;
        }
        ASSERT_NE(popUp, nullptr);
        EXPECT_EQ(dynamic_cast<FoodPopUp*>(popUp) != nullptr, mine);
        EXPECT_EQ(popUp->zOrder(), 6);
        EXPECT_FALSE(map().isTouchEnabled());
        EXPECT_FALSE(hud.IsActive());
    }
}

INSTANTIATE_TEST_SUITE_P(Devices, MapTest, ::testing::ValuesIn(test::kVillageDevices));

} // namespace
} // namespace mw
