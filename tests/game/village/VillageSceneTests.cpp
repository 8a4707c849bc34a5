#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/menus/CCMenu.h"
#include "engine/nodes/CCLayer.h"
#include "engine/sprites/CCSprite.h"
#include "game/front/MainMenuPopUp.h"
#include "game/front/MosswickAppDelegate.h"
#include "game/village/CCBonusItem.h"
#include "game/village/CCExpBar.h"
#include "game/village/CCSeenCounter.h"
#include "game/village/StatsScene.h"
#include "game/village/screens/BuildingsLayer.h"
#include "game/village/screens/MicroLayer.h"
#include "game/village/screens/ShopLayer.h"
#include "game/village/screens/ToolsLayer.h"
#include "game/village/screens/WorkersLayer.h"
#include "foundation/Paths.h"
#include "game/state/SaveFile.h"
#include "tests/game/village/VillageTestSupport.h"

namespace mw {
namespace {

using test::VillageWorld;

class VillageSceneTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(world.run.ok()) << "no headless GL context";
        ASSERT_TRUE(world.ready());
        world.established();
    }
    // Puts a plain node tagged `tag` on the HUD, as the tutorials put arrows.
    void arrow(int tag) { world.hud().addChild(CCNode::node().get(), 0, tag); }
    // A tap on a button where it shows, through the touch dispatcher.
    void press(CCNode* button)
    {
        ASSERT_NE(button, nullptr);
        world.tap(VillageWorld::centreOf(button));
    }
    // The statistics, as the player reaches them: the map's settlement button.
    void openStatistics()
    {
        ASSERT_NE(world.map(), nullptr);
        press(world.map()->settleButton());
    }
    int32_t buildBadge()
    {
        CCSeenCounter* badge = world.hud().seenCounter(GuiObject::kBuildTab);
        return badge != nullptr && badge->visible() ? badge->GetValue() : 0;
    }

    VillageWorld world {GetParam()};
};

template <class Layer>
bool isA(CCLayer* layer)
{
    return dynamic_cast<Layer*>(layer) != nullptr;
}

// Layers that record who was stopped, and whether it was still in the tree.
struct StopLog {
    std::vector<std::string> stops;
};
class ProbeMap : public MapScene {
public:
    void Stop() override
    {
        log->stops.push_back(parent() ? "map in tree" : "map out of tree");
        MapScene::Stop();
    }
    StopLog* log = nullptr;
};
class ProbeList : public CCLayer {
public:
    void Stop() override { log->stops.push_back("list"); }
    StopLog* log = nullptr;
};

TEST_P(VillageSceneTest, EachLayerIdentifierBuildsItsLayerAndClearsItsArrows)
{
    struct Row {
        int32_t layer;
        CCMenuItem* GuiObject::*tab; // null: the map's settlement button
        bool (*isItsClass)(CCLayer*);
        std::vector<int> arrowsRemoved;
        std::vector<int> arrowsKept;
        int32_t frameMarked; // 0: none
    };
    const Row rows[] = {
        {10, &GuiObject::BuildButton, &isA<BuildingsLayer>, {898, 900, 901, 906, 909, 911}, {902, 912}, 7},
        {11, &GuiObject::WorkersButton, &isA<WorkersLayer>, {902}, {898, 912}, 0},
        {12, &GuiObject::ToolsButton, &isA<ToolsLayer>, {}, {898, 902, 912}, 0},
        {13, &GuiObject::MicroButton, &isA<MicroLayer>, {}, {898, 902, 912}, 0},
        {14, &GuiObject::ShopButton, &isA<ShopLayer>, {912}, {898, 902}, 0},
        {15, nullptr, &isA<StatsScene>, {}, {898, 902, 912}, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.layer);
        VillageScene& scene = world.start();
        world.markFrame(7, true, false);
        for (int tag : {898, 900, 901, 902, 906, 909, 911, 912}) arrow(tag);
        if (row.tab) {
            press(world.hud().*row.tab);
        } else {
            openStatistics();
        }
        ASSERT_EQ(scene.currentLayerId(), row.layer);
        ASSERT_NE(scene.GetLayer(), nullptr);
        EXPECT_TRUE(row.isItsClass(scene.GetLayer())) << "the real list";
        EXPECT_EQ(scene.GetLayer()->parent(), &scene);
        EXPECT_EQ(scene.GetLayer()->zOrder(), 0);
        EXPECT_EQ(scene.GetGUI()->zOrder(), 5) << "the HUD over the layer";
        EXPECT_TRUE(world.hud().BackButton->isEnabled());
        EXPECT_FALSE(world.hud().expBar()->visible()) << "the bar hides while the Back button shows";
        for (int tag : row.arrowsRemoved) EXPECT_EQ(world.hud().getChildByTag(tag), nullptr) << tag;
        for (int tag : row.arrowsKept) EXPECT_NE(world.hud().getChildByTag(tag), nullptr) << tag;
        EXPECT_EQ(world.profile().GetTutorialDef(7)->ArrowAfterDone, row.frameMarked == 7);
    }
}

TEST_P(VillageSceneTest, BuildingsListMarksFrameSevenOnlyWhenItsArrowWasThere)
{
    VillageScene& scene = world.start();
    world.markFrame(7, true, false);
    press(world.hud().BuildButton);
    ASSERT_EQ(scene.currentLayerId(), VillageScene::kBuildingsLayer);
    EXPECT_FALSE(world.profile().GetTutorialDef(7)->ArrowAfterDone);
}

TEST_P(VillageSceneTest, BackToTheMapRemovesArrow897AndMarksFrameFive)
{
    VillageScene& scene = world.start();
    press(world.hud().ShopButton);
    ASSERT_EQ(scene.currentLayerId(), VillageScene::kShopLayer);
    world.markFrame(5, true, false);
    arrow(897);
    press(world.hud().BackButton);
    EXPECT_EQ(scene.currentLayerId(), VillageScene::kMapLayer);
    ASSERT_NE(world.map(), nullptr);
    EXPECT_EQ(world.map()->mapState(), VillageScene::kMapNormalState);
    EXPECT_EQ(world.hud().getChildByTag(897), nullptr);
    EXPECT_TRUE(world.profile().GetTutorialDef(5)->ArrowAfterDone);
    EXPECT_FALSE(world.hud().BackButton->isEnabled());
    EXPECT_TRUE(world.hud().expBar()->visible());
}

TEST_P(VillageSceneTest, ATabTappedTwiceReturnsToTheMapWithEveryTabInItsNormalLook)
{
    VillageScene& scene = world.start();
    GuiObject& hud = world.hud();
    CCMenu* tabs = hud.Menu1;
    const int tag = hud.BuildButton->tag();
    press(hud.BuildButton);
    EXPECT_EQ(scene.currentLayerId(), VillageScene::kBuildingsLayer);
    EXPECT_FALSE(tabs->getChildByTag(tag)->visible());
    EXPECT_TRUE(tabs->getChildByTag(tag * 2)->visible()) << "the active look";
    EXPECT_TRUE(hud.isTabActive(GuiObject::kBuildTab));

    press(tabs->getChildByTag(tag * 2)); // the same place, in its active look
    EXPECT_EQ(scene.currentLayerId(), VillageScene::kMapLayer);
    ASSERT_NE(world.map(), nullptr);
    EXPECT_EQ(world.map()->mapState(), 102);
    EXPECT_EQ(world.map()->mapStateHelper(), -1);
    EXPECT_EQ(world.map()->mapToBuild(), -1);
    for (int t = 10; t <= 14; ++t) {
        EXPECT_TRUE(tabs->getChildByTag(t)->visible()) << t;
        EXPECT_FALSE(tabs->getChildByTag(t * 2)->visible()) << t * 2;
    }
}

TEST_P(VillageSceneTest, OnlyLeavingTheStatisticsRecountsTheBadges)
{
    // The statistics' lessons are behind the player: nothing holds the input there.
    for (int32_t frame : {3, 4, 5}) world.markFrame(frame, true, true);
    VillageScene& scene = world.start();
    GuiObject& hud = world.hud();
    struct Row {
        int32_t layer;
        std::function<void()> open;
    };
    const Row rows[] = {
        {VillageScene::kWorkersLayer, [&] { press(hud.WorkersButton); }},
        {VillageScene::kShopLayer, [&] { press(hud.ShopButton); }},
        {VillageScene::kStatsLayer, [&] { openStatistics(); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.layer);
        row.open();
        ASSERT_EQ(scene.currentLayerId(), row.layer);
        // A building newly on offer: only a recount shows its badge.
        const int32_t before = world.profile().GetNotSeenCountBuildings();
        for (int32_t id : world.profile().BuildingsDict) {
            if (!world.profile().WasObjectSeen(id)) {
                world.profile().SetObjectSeen(id); // the new-item flag
                break;
            }
        }
        const int32_t after = world.profile().GetNotSeenCountBuildings();
        ASSERT_GT(after, before);
        const int32_t shown = buildBadge();
        press(hud.BackButton);
        ASSERT_EQ(scene.currentLayerId(), VillageScene::kMapLayer);
        EXPECT_EQ(buildBadge(), row.layer == VillageScene::kStatsLayer ? after : shown);
    }
}

TEST_P(VillageSceneTest, LeavingTheMapStopsItInTheTreeAndNoOtherLayerIsStopped)
{
    StopLog log;
    auto previous = VillageScene::replaceLayerMakerForTesting([&log](GuiObject* gui, int32_t layer) -> Ref<CCLayer> {
        if (layer == VillageScene::kMapLayer) {
            auto map = makeRef<ProbeMap>();
            map->log = &log;
            (void)map->initWithGuiParentAndState(gui, 102, -1, -1);
            return map;
        }
        auto list = makeRef<ProbeList>();
        list->log = &log;
        return list;
    });
    VillageScene& scene = world.start();
    Ref<CCLayer> map(scene.GetLayer());
    scene.ChangeLayer(VillageScene::kToolsLayer);
    EXPECT_EQ(log.stops, std::vector<std::string>{"map in tree"});
    EXPECT_EQ(map->parent(), nullptr) << "dropped after its Stop";
    EXPECT_EQ(map->children() ? map->children()->count() : 0u, 0u) << "Stop removed everything";
    scene.ChangeLayer(VillageScene::kShopLayer);
    scene.ChangeLayer(VillageScene::kMapLayer);
    EXPECT_EQ(log.stops, std::vector<std::string>{"map in tree"}) << "lists are never stopped";
    (void)VillageScene::replaceLayerMakerForTesting(std::move(previous));
}

TEST_P(VillageSceneTest, HideLeavesNoChildrenAndNothingToReach)
{
    VillageScene& scene = world.start();
    EXPECT_EQ(scene.GetGUI()->zOrder(), 5);
    EXPECT_EQ(scene.GetLayer()->zOrder(), 0);
    EXPECT_EQ(scene.children()->count(), 2u);
    scene.onHide();
    EXPECT_EQ(scene.children() ? scene.children()->count() : 0u, 0u);
    EXPECT_EQ(scene.GetLayer(), nullptr);
    EXPECT_EQ(scene.GetGUI(), nullptr);
    scene.ChangeLayer(VillageScene::kShopLayer); // hidden: nothing to change
    EXPECT_EQ(scene.GetLayer(), nullptr);
}

TEST_P(VillageSceneTest, UnknownIdentifiersAndTheMapOverTheMapKeepTheLayer)
{
    VillageScene& scene = world.start();
    CCLayer* map = scene.GetLayer();
    for (int32_t layer : {9, 8, 16, -1, 1000}) {
        SCOPED_TRACE(layer);
        scene.ChangeLayer(layer);
        EXPECT_EQ(scene.GetLayer(), map);
        EXPECT_EQ(scene.currentLayerId(), 9);
    }
}

TEST_P(VillageSceneTest, BackgroundFromTheMapCollectsAndSavesFromAListOnlySaves)
{
    struct Row {
        int32_t layer;
        bool collects;
    };
    for (const Row& row : {Row{9, true}, Row{14, false}}) {
        SCOPED_TRACE(row.layer);
        VillageScene& scene = world.start();
        if (row.layer != 9) scene.ChangeLayer(row.layer);
        auto item = CCBonusItem::itemWithGold(25);
        item->SetVParent(&world.hud());
        world.hud().bonusParent()->addChild(item.get());
        const int32_t gold = world.profile().GoldCount;
        world.profile().saveFile().waitUntilIdle();
        std::remove(SaveFile::path().c_str());
        MosswickAppDelegate delegate;
        delegate.applicationDidEnterBackground();
        EXPECT_EQ(world.profile().GoldCount, gold + (row.collects ? 25 : 0));
        EXPECT_EQ(item->parent() != nullptr, !row.collects);
        EXPECT_TRUE(Paths::fileExists(SaveFile::path())) << "saved in both cases";
        CCDirector::sharedDirector()->startAnimation();
    }
}

INSTANTIATE_TEST_SUITE_P(Devices, VillageSceneTest, ::testing::ValuesIn(test::kVillageDevices));

} // namespace
} // namespace mw
