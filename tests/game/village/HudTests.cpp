#include <gtest/gtest.h>

#include <string>

#include "engine/base/ccContentScale.h"
#include "engine/labels/CCLabelTTF.h"
#include "engine/menus/CCMenu.h"
#include "engine/nodes/CCLayerColor.h"
#include "engine/sprites/CCSprite.h"
#include "game/front/MainMenuPopUp.h"
#include "game/state/Resource.h"
#include "game/boards/CCCounterDrell.h"
#include "game/village/CCExpBar.h"
#include "game/village/CCSeenCounter.h"
#include "game/village/CCTutorialParent.h"
#include "tests/game/village/VillageTestSupport.h"

namespace mw {
namespace {

using test::VillageWorld;

float points(const CCLabelTTF* label) { return label->fontSizeInPixels() / CC_CONTENT_SCALE_FACTOR(); }

class HudTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(world.run.ok()) << "no headless GL context";
        ASSERT_TRUE(world.ready());
    }
    VillageWorld world {GetParam()};
};

TEST_P(HudTest, BarsMarkersAndLabelsSitWhereTheLayoutPutsThem)
{
    world.established();
    world.start();
    GuiObject& hud = world.hud();
    const CGSize win = world.win();
    const bool tablet = world.tablet();
    ASSERT_NE(hud.BottomBar, nullptr);
    ASSERT_NE(hud.TopBar, nullptr);
    ASSERT_NE(hud.GoodsPopUp, nullptr);
    EXPECT_EQ(hud.BottomBar->position(), (CGPoint{win.width, 0}));
    EXPECT_EQ(hud.TopBar->position(), (CGPoint{win.width, win.height}));
    EXPECT_EQ(hud.GoodsPopUp->position(), (CGPoint{0, win.height / 2}));
    EXPECT_EQ(hud.expBar()->position(), (CGPoint{win.width / 2 + (tablet ? 0 : 64), tablet ? -18.0f : -9.0f}));
    EXPECT_EQ(hud.BottomBar->textureRect().size.height, tablet ? 90 : 45);
    EXPECT_EQ(hud.TopBar->textureRect().size.height, tablet ? 54 : 27);

    const float inset = tablet ? 0 : 2;
    const float numbers = tablet ? 24 : 12;
    struct Row {
        CCLabelTTF* label;
        CCSprite* marker;
        float fraction;
        std::string text;
    };
    const CGSize gold = {hud.GoldMarker->textureRect().size.width, hud.GoldMarker->contentSize().height};
    const CGSize level = {hud.LvlMarker->textureRect().size.width, hud.LvlMarker->contentSize().height};
    const CGSize workers = {hud.WorkersMarker->textureRect().size.width, hud.WorkersMarker->contentSize().height};
    EXPECT_EQ(hud.goldLabel()->parent(), hud.GoldMarker);
    EXPECT_EQ(hud.goldLabel()->position(), (CGPoint{inset + gold.width * 0.42f, gold.height * 0.5f}));
    EXPECT_EQ(hud.goldLabel()->string(), "1234");
    EXPECT_EQ(hud.levelLabel()->parent(), hud.LvlMarker);
    EXPECT_EQ(hud.levelLabel()->position(), (CGPoint{inset + level.width * 0.7f, level.height * 0.5f}));
    EXPECT_EQ(hud.levelLabel()->string(), std::to_string(world.profile().PlayerLevel));
    ASSERT_NE(hud.workerLabel()->parent(), nullptr);
    EXPECT_EQ(hud.workerLabel()->parent()->parent(), hud.WorkersMarker) << "inside its own node";
    EXPECT_EQ(hud.workerLabel()->parent()->position(), (CGPoint{inset + workers.width * 0.5f, workers.height * 0.5f}));
    EXPECT_EQ(hud.workerLabel()->anchorPoint(), (CGPoint{-0.1f, 0.5f}));
    for (CCLabelTTF* label : {hud.goldLabel(), hud.levelLabel(), hud.workerLabel()}) {
        EXPECT_EQ(label->fontName(), "HelveticaNeue");
        EXPECT_EQ(points(label), numbers);
    }
    EXPECT_EQ(hud.villageNameLabel()->string(), "Mossbrook");
    EXPECT_EQ(hud.villageNameLabel()->fontName(), "HelveticaNeue-Bold");
    EXPECT_EQ(points(hud.villageNameLabel()), tablet ? 30 : 15);
    EXPECT_EQ(hud.villageNameLabel()->parent(), hud.VillageNameMarker);

    EXPECT_EQ(hud.GetColorLayer()->zOrder(), -1);
    EXPECT_EQ(hud.GetColorLayer()->contentSize().height, hud.BottomBar->textureRect().size.height);
    EXPECT_EQ(hud.bonusParent()->parent(), hud.gui());
    EXPECT_EQ(hud.bonusParent()->zOrder(), 1);
    EXPECT_EQ(hud.GetTutorialParent()->parent(), hud.gui());
    EXPECT_EQ(hud.GetTutorialParent()->zOrder(), 2);
    EXPECT_EQ(hud.GetTutorialParent()->parent()->parent(), &hud) << "the forwarding node's grandparent";
}

TEST_P(HudTest, ANewVillageOpensItsTabsOneConditionAtATime)
{
    Profile& profile = world.profile();
    world.build(1, 88);
    world.start();
    GuiObject& hud = world.hud();
    for (CCMenuItem* button : {hud.BuildButton, hud.ToolsButton, hud.WorkersButton, hud.ShopButton, hud.MicroButton,
                               hud.BagButton})
        EXPECT_FALSE(button->isEnabled());

    profile.TaxesCollected = 40;
    hud.UpdateSeenCounters();
    EXPECT_TRUE(hud.BuildButton->isEnabled());
    EXPECT_FALSE(hud.ShopButton->isEnabled());

    profile.increaseUpgradeCount(18, 1);
    hud.UpdateSeenCounters();
    EXPECT_TRUE(hud.ShopButton->isEnabled()) << "before any visit";
    EXPECT_TRUE(hud.MicroButton->isEnabled());
    profile.increaseUpgradeCount(19, 1);
    profile.increaseUpgradeCount(21, 1);
    hud.UpdateSeenCounters();
    EXPECT_TRUE(hud.ToolsButton->isEnabled());
    EXPECT_TRUE(hud.WorkersButton->isEnabled());

    profile.MineVisits = 1;
    hud.UpdateSeenCounters();
    EXPECT_FALSE(hud.BagButton->isEnabled()) << "the bag waits for a new HUD";
    world.start();
    EXPECT_TRUE(world.hud().BagButton->isEnabled());
}

TEST_P(HudTest, ABadgeComesGoesAndComesBackAtOnePlace)
{
    world.established();
    Profile& profile = world.profile();
    // Nothing new at first. (The profile's "seen" flag is the new-item flag:
    // set while the item is new.)
    for (int32_t id : profile.BuildingsDict) profile.SetObjectNotSeen(id);
    for (int32_t id : profile.ToolsDict) profile.SetObjectNotSeen(id);
    ASSERT_EQ(profile.GetNotSeenCountBuildings(), 0);
    ASSERT_FALSE(profile.ToolsDict.empty());
    world.start();
    GuiObject& hud = world.hud();
    EXPECT_EQ(hud.seenCounter(GuiObject::kBuildTab), nullptr);

    const int32_t building = profile.BuildingsDict.front();
    profile.SetObjectSeen(building);
    hud.UpdateSeenCounters();
    Ref<CCSeenCounter> first(hud.seenCounter(GuiObject::kBuildTab));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->GetValue(), 1);
    EXPECT_EQ(first->parent(), hud.BottomBar);
    const CGPoint offset = world.tablet() ? CGPoint{40, 20} : CGPoint{20, 10};
    const CGPoint button = hud.BuildButton->position();
    const CGPoint menu = hud.Menu1->position();
    EXPECT_EQ(first->position(), (CGPoint{button.x + menu.x + offset.x, button.y + menu.y + offset.y}));

    profile.SetObjectNotSeen(building);
    hud.UpdateSeenCounters();
    EXPECT_EQ(hud.seenCounter(GuiObject::kBuildTab), nullptr);
    world.run.run(0.3);
    EXPECT_EQ(first->parent(), nullptr) << "shrunk and gone";

    profile.SetObjectSeen(building);
    hud.UpdateSeenCounters();
    CCSeenCounter* again = hud.seenCounter(GuiObject::kBuildTab);
    ASSERT_NE(again, nullptr);
    EXPECT_NE(again, first.get());
    EXPECT_EQ(again->position(), first->position());

    // A badge made at build time sits where a later one does.
    profile.SetObjectSeen(profile.ToolsDict.front());
    world.start();
    CCSeenCounter* atBuild = world.hud().seenCounter(GuiObject::kToolsTab);
    ASSERT_NE(atBuild, nullptr);
    const CGPoint expected = {world.hud().ToolsButton->position().x + offset.x,
                              world.hud().ToolsButton->position().y + offset.y};
    EXPECT_EQ(atBuild->position(), expected);
    EXPECT_EQ(world.hud().seenCounter(GuiObject::kBuildTab)->position(), first->position());
}

TEST_P(HudTest, TheBagSlidesWithItsOwnSoundAndDropsItsArrow)
{
    world.established();
    world.start();
    GuiObject& hud = world.hud();
    const CGSize win = world.win();
    const float open = hud.GoodsPopUp->textureRect().size.width;
    world.markFrame(87, true, false);
    hud.addChild(CCNode::node().get(), 0, GuiObject::kBagArrowTag);

    world.sounds.clear();
    hud.BagCallback(hud.BagButton);
    EXPECT_TRUE(hud.isBagOpen());
    EXPECT_EQ(world.played("selection_menu"), 1);
    EXPECT_EQ(hud.getChildByTag(GuiObject::kBagArrowTag), nullptr);
    EXPECT_TRUE(world.profile().GetTutorialDef(87)->ArrowAfterDone);
    world.run.run(0.15);
    EXPECT_GT(hud.GoodsPopUp->position().x, 0);
    EXPECT_LT(hud.GoodsPopUp->position().x, open);
    world.run.run(0.2);
    EXPECT_EQ(hud.GoodsPopUp->position(), (CGPoint{open, win.height / 2}));

    // Closed by a layer change: no sound.
    world.sounds.clear();
    hud.ChangeLayer(VillageScene::kShopLayer);
    EXPECT_FALSE(hud.isBagOpen());
    EXPECT_EQ(world.played("selection_menu"), 0);
    world.run.run(0.35);
    EXPECT_EQ(hud.GoodsPopUp->position(), (CGPoint{0, win.height / 2}));

    // On a list other than the buildings, the arrow goes and no frame changes.
    world.markFrame(87, true, false);
    hud.addChild(CCNode::node().get(), 0, GuiObject::kBagArrowTag);
    hud.BagCallback(hud.BagButton);
    EXPECT_EQ(hud.getChildByTag(GuiObject::kBagArrowTag), nullptr);
    EXPECT_FALSE(world.profile().GetTutorialDef(87)->ArrowAfterDone);
    world.sounds.clear();
    hud.CloseBagCallback(hud.CloseBag);
    EXPECT_EQ(world.played("selection_menu"), 1);
    EXPECT_FALSE(hud.isBagOpen());
}

TEST_P(HudTest, TheBagShowsEverySeenResourceWithItsStock)
{
    world.established();
    Profile& profile = world.profile();
    for (int32_t id = 1; id <= 16; ++id) {
        profile.GetResource(id)->Seen = id != 7;
        profile.SetResourceCount(id, id * 10);
    }
    world.start();
    GuiObject& hud = world.hud();
    const float column = world.tablet() ? 90 : 45;
    const float row = world.tablet() ? -86 : -43;
    const CGPoint counterOffset = world.tablet() ? CGPoint{20, -20} : CGPoint{10, -10};
    const int32_t order[4][4] = {{3, 1, 2, 15}, {4, 5, 6, 13}, {10, 11, 12, 14}, {7, 8, 9, 16}};
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            const int32_t id = order[r][c];
            SCOPED_TRACE(id);
            auto* picture = dynamic_cast<CCSprite*>(hud.resMarker()->getChildByTag(id));
            ASSERT_NE(picture, nullptr);
            EXPECT_EQ(picture->position(), (CGPoint{c * column, r * row}));
            EXPECT_EQ(picture->scale(), 0.6f);
            auto* counter = dynamic_cast<CCCounterDrell*>(hud.resMarker()->getChildByTag(id * 33));
            if (id == 7) {
                EXPECT_EQ(counter, nullptr);
                EXPECT_EQ(picture->color().r, 0);
                EXPECT_EQ(picture->opacity(), 102);
            } else {
                ASSERT_NE(counter, nullptr);
                EXPECT_EQ(counter->GetValue(), id * 10);
                EXPECT_EQ(counter->position(),
                          (CGPoint{c * column + counterOffset.x, r * row + counterOffset.y}));
                EXPECT_EQ(picture->opacity(), 255);
            }
        }
    }
    // Seen after the HUD was built: the next opening shows its picture in
    // full, but its counter waits for the HUD to be built again.
    profile.GetResource(7)->Seen = true;
    profile.SetResourceCount(7, 3);
    profile.SetResourceCount(1, 77);
    hud.BagCallback(hud.BagButton);
    EXPECT_EQ(hud.resMarker()->getChildByTag(7 * 33), nullptr);
    auto* stock = dynamic_cast<CCCounterDrell*>(hud.resMarker()->getChildByTag(1 * 33));
    ASSERT_NE(stock, nullptr);
    EXPECT_EQ(stock->GetValue(), 77) << "a counter already there shows the stock of now";
    auto* picture = dynamic_cast<CCSprite*>(hud.resMarker()->getChildByTag(7));
    EXPECT_EQ(picture->opacity(), 255);
    EXPECT_EQ(picture->color().r, 255);
    world.run.run(0.4);
    world.run.picture("village-bag");
}

TEST_P(HudTest, MenuOpensTheOptionsOverEverythingWithTheInputOff)
{
    world.established();
    world.start();
    GuiObject& hud = world.hud();
    hud.MenuCallback(hud.MenuButton);
    MainMenuPopUp* options = nullptr;
    for (size_t i = 0; i < hud.children()->count(); ++i) {
        if (auto* found = dynamic_cast<MainMenuPopUp*>(hud.children()->objectAtIndex(i))) options = found;
    }
    ASSERT_NE(options, nullptr);
    EXPECT_EQ(options->zOrder(), 7);
    EXPECT_EQ(options->position(), (CGPoint{world.win().width / 2, world.win().height / 2}));
    EXPECT_FALSE(hud.IsActive());
    EXPECT_FALSE(hud.Menu1->isTouchEnabled());
    EXPECT_FALSE(world.map()->isTouchEnabled());
}

TEST_P(HudTest, TheForwardingNodePassesEachHookToTheHud)
{
    world.established();
    world.start();
    GuiObject& hud = world.hud();
    CCTutorialParent* relay = hud.GetTutorialParent();
    relay->SetInputActive(false);
    EXPECT_FALSE(hud.IsActive());
    relay->SetInputActive(true);
    EXPECT_TRUE(hud.IsActive());
    // MoveWithTutorial reaches the map's tutorial check: it gives its input back.
    world.map()->SetInputActive(false);
    relay->MoveWithTutorial();
    EXPECT_TRUE(world.map()->isTouchEnabled());
    // AfterBuildSeq reaches the map's after-build frames: with level 2's pair
    // done it gives the input back.
    world.profile().CityLevel = 2;
    world.map()->SetInputActive(false);
    relay->AfterBuildSeq();
    EXPECT_TRUE(world.map()->isTouchEnabled());
    // Without a grandparent nothing happens.
    auto lone = CCTutorialParent::node();
    lone->SetInputActive(false);
    lone->MoveWithTutorial();
}

// The top bar on every kind of screen, the low-resolution tablet included.
class HudTopBarTest : public HudTest { };

TEST_P(HudTopBarTest, TheVillageNameEndsBeforeTheWorkersMarker)
{
    struct Row {
        const char* name;
        bool scaled; // on a phone
        const char* picture;
    };
    const Row rows[] = {
        {"Moss", false, nullptr},
        {"Mossbrook", true, "hud-name"},
        {"WWWWWWWWWWW", true, "hud-long-name"}, // eleven letters: the longest name there is
        {"Źdźbłów Mały", true, nullptr},
    };
    world.established();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        world.profile().VillageName = row.name;
        world.start();
        GuiObject& hud = world.hud();
        CCLabelTTF* name = hud.villageNameLabel();
        ASSERT_NE(name, nullptr);
        EXPECT_EQ(name->string(), row.name);
        EXPECT_EQ(points(name), world.tablet() ? 30 : 15) << "the font stays; a long name is scaled";
        const float nameEnd = name->convertToWorldSpace({name->contentSize().width, 0}).x;
        const float markerStart = hud.WorkersMarker->convertToWorldSpace({0, 0}).x;
        EXPECT_LE(nameEnd, markerStart);
        if (!world.tablet()) {
            EXPECT_EQ(name->scale() < 1, row.scaled);
        }
        if (row.picture) {
            world.run.run(0.2);
            world.run.picture(row.picture);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Devices, HudTest, ::testing::ValuesIn(test::kVillageDevices));
INSTANTIATE_TEST_SUITE_P(Devices, HudTopBarTest, ::testing::Values("phone", "phone-hd", "tablet", "tablet-hd"));

} // namespace
} // namespace mw
