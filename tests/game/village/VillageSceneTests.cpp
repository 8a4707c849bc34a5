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

    VillageWorld world {GetParam()};
};

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
        std::function<void(GuiObject&)> open; // null: asked of the scene directly
        std::vector<int> arrowsRemoved;
        std::vector<int> arrowsKept;
        int32_t frameMarked; // 0: none
    };
    const Row rows[] = {
        {10, [](GuiObject& hud) { hud.BuildCallback(hud.BuildButton); }, {898, 900, 901, 906, 909, 911}, {902, 912}, 7},
        {11, [](GuiObject& hud) { hud.WorkersCallback(hud.WorkersButton); }, {902}, {898, 912}, 0},
        {12, [](GuiObject& hud) { hud.ToolsCallback(hud.ToolsButton); }, {}, {898, 902, 912}, 0},
        {13, [](GuiObject& hud) { hud.MicroCallback(hud.MicroButton); }, {}, {898, 902, 912}, 0},
        {14, [](GuiObject& hud) { hud.ShopCallback(hud.ShopButton); }, {912}, {898, 902}, 0},
        {15, nullptr, {}, {898, 902, 912}, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.layer);
        VillageScene& scene = world.start();
        world.markFrame(7, true, false);
        for (int tag : {898, 900, 901, 902, 906, 909, 911, 912}) arrow(tag);
        if (row.open) {
            row.open(world.hud());
        } else {
            scene.ChangeLayer(row.layer);
        }
        EXPECT_EQ(scene.currentLayerId(), row.layer);
        ASSERT_NE(scene.GetLayer(), nullptr);
        EXPECT_EQ(dynamic_cast<MapScene*>(scene.GetLayer()), nullptr) << "a list, not the map";
        EXPECT_EQ(scene.GetLayer()->parent(), &scene);
        EXPECT_EQ(scene.GetLayer()->zOrder(), 0);
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
    scene.ChangeLayer(VillageScene::kBuildingsLayer);
    EXPECT_FALSE(world.profile().GetTutorialDef(7)->ArrowAfterDone);
}

TEST_P(VillageSceneTest, BackToTheMapRemovesArrow897AndMarksFrameFive)
{
    VillageScene& scene = world.start();
    scene.ChangeLayer(VillageScene::kShopLayer);
    world.markFrame(5, true, false);
    arrow(897);
    world.hud().BackCallback(world.hud().BackButton);
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
    hud.BuildCallback(hud.BuildButton);
    EXPECT_EQ(scene.currentLayerId(), VillageScene::kBuildingsLayer);
    EXPECT_FALSE(tabs->getChildByTag(tag)->visible());
    EXPECT_TRUE(tabs->getChildByTag(tag * 2)->visible()) << "the active look";
    EXPECT_TRUE(hud.isTabActive(GuiObject::kBuildTab));

    auto* active = static_cast<CCMenuItem*>(tabs->getChildByTag(tag * 2));
    hud.BuildCallback(active);
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
    VillageScene& scene = world.start();
    GuiObject& hud = world.hud();
    for (int32_t from : {11, 15}) {
        SCOPED_TRACE(from);
        scene.ChangeLayer(from);
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
        const int32_t shown = hud.seenCounter(GuiObject::kBuildTab) ? hud.seenCounter(GuiObject::kBuildTab)->GetValue() : 0;
        scene.ChangeLayer(VillageScene::kMapLayer);
        const int32_t now = hud.seenCounter(GuiObject::kBuildTab) ? hud.seenCounter(GuiObject::kBuildTab)->GetValue() : 0;
        EXPECT_EQ(now, from == 15 ? after : shown);
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
