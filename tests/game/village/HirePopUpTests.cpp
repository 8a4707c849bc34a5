#include <gtest/gtest.h>

#include "analytics/TallyAnalytics.h"
#include "engine/labels/CCLabelTTF.h"
#include "engine/menus/CCHoldButton.h"
#include "engine/menus/CCMenu.h"
#include "game/boards/CCCounterDrell.h"
#include "game/village/MapScene.h"
#include "game/village/UpgradeCosts.h"
#include "game/village/hud/HirePopUp.h"
#include "game/village/screens/ToolsCell.h"
#include "game/village/screens/ToolsLayer.h"
#include "tests/game/village/ListScreensSupport.h"

namespace mw {
namespace {

constexpr int32_t kFields = 91, kBakery = 28, kMarket = 18, kWorkshop = 19, kCottage = 21;
constexpr int32_t kFieldWorker = 9, kPorter = 105, kShovel = 24;

class HirePopUpTest : public test::VillageListTest {
protected:
    void SetUp() override
    {
        test::VillageListTest::SetUp();
        if (HasFatalFailure()) return;
        for (int32_t resource = 1; resource <= 17; ++resource) profile()->SetResourceCount(resource, 500);
        TallyAnalytics::clearRecordedEvents();
    }
    void TearDown() override
    {
        TallyAnalytics::clearRecordedEvents();
        test::VillageListTest::TearDown();
    }
    HirePopUp* open(int32_t upgrade, bool act)
    {
        auto popUp = HirePopUp::popUpWithUpgrade(upgrade, act);
        const CGSize win = CCDirector::sharedDirector()->winSize();
        popUp->setPosition({win.width / 2, win.height / 2});
        hud_->addChild(popUp.get(), 3);
        hud_->SetInputActive(false);
        if (hud_->layer) hud_->layer->SetInputActive(false);
        run_.run(1.0 / 60);
        return popUp.get();
    }
    bool stillOpen(HirePopUp* popUp) const
    {
        for (CCNode* child : test::kids(hud_.get()))
            if (child == popUp) return true;
        return false;
    }
    // The pop-up's way to the map builds it afresh only from another layer.
    void leaveMap()
    {
        if (scene_->currentLayerId() == VillageScene::kMapLayer) scene_->ChangeLayer(VillageScene::kBuildingsLayer);
    }
    MapScene* map() const { return dynamic_cast<MapScene*>(scene_->GetLayer()); }
    std::vector<std::string> texts(const std::vector<CCLabelTTF*>& labels) const
    {
        std::vector<std::string> all;
        for (const CCLabelTTF* label : labels) all.push_back(label->string());
        return all;
    }
};

TEST_P(HirePopUpTest, RequirementLineListsWhatIsMissing)
{
    struct Case {
        const char* what;
        int32_t level;
        std::vector<int32_t> required;
        std::vector<std::string> texts;
    };
    const Case cases[] = {
        {"all met", 1, {kFields}, {}},
        {"only level 5", 5, {}, {"Needs:", "Lvl 5"}},
        {"two buildings and a level", 5, {kMarket, kFields, kWorkshop}, {"Needs:", "Market, ", "Workshop", ", Lvl 5"}},
    };
    profile()->UpgradesCountArray[kFields] = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        upgrade(kBakery)->ReqLevel = c.level;
        upgrade(kBakery)->ReqUpgrades = test::idArray(c.required);
        auto popUp = HirePopUp::popUpWithUpgrade(kBakery, true);
        EXPECT_EQ(texts(popUp->requirementLabels()), c.texts);
        // The parts follow each other on one line.
        const std::vector<CCLabelTTF*>& labels = popUp->requirementLabels();
        for (size_t i = 1; i < labels.size(); ++i) {
            EXPECT_FLOAT_EQ(labels[i]->position().y, pick(140, 280));
            const float expected = i == 1 ? pick(30, 60) + std::floor(labels[0]->contentSize().width)
                                          : labels[i - 1]->position().x + labels[i - 1]->contentSize().width;
            EXPECT_FLOAT_EQ(labels[i]->position().x, expected);
        }
    }
}

TEST_P(HirePopUpTest, WorkersGetDearerWithEveryHire)
{
    struct Case {
        int32_t worker;
        int32_t resource;
        int32_t owned;
        int32_t price;
    };
    const Case cases[] = {
        {kFieldWorker, 3, 0, 5}, {kFieldWorker, 3, 2, 15}, {kFieldWorker, 3, 3, 20},
        {kFieldWorker, 17, 3, 5}, {kPorter, 3, 2, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.worker << " resource " << c.resource << " owned " << c.owned);
        test::setCosts(upgrade(c.worker), {{c.resource, 5}});
        upgrade(c.worker)->StageMaxQuantity = 10;
        profile()->UpgradesCountArray[c.worker] = c.owned;
        EXPECT_EQ(upgradecosts::unitPrice(*upgrade(c.worker), *upgrade(c.worker)->ResourceCostArr[0], c.owned), c.price);
        auto popUp = HirePopUp::popUpWithUpgrade(c.worker, true);
        ASSERT_EQ(popUp->costCounters().size(), 1u);
        EXPECT_EQ(popUp->costCounters()[0]->GetValue(), c.price);
        // A building or a tool never scales.
        test::setCosts(upgrade(kBakery), {{c.resource, 5}});
        EXPECT_EQ(upgradecosts::unitPrice(*upgrade(kBakery), *upgrade(kBakery)->ResourceCostArr[0], c.owned), 5);
    }
}

TEST_P(HirePopUpTest, ButtonLayoutsFollowTheInstantBuyRule)
{
    struct Case {
        const char* what;
        int32_t upgrade;
        bool act, costs, market, met;
        int32_t money;
        bool craft, instant;
    };
    const Case cases[] = {
        {"craft mode, instant", kBakery, true, true, true, true, 150, true, true},
        {"craft mode, no market", kBakery, true, true, false, true, 150, true, false},
        {"craft mode, no gold price", kBakery, true, true, true, true, 0, true, false},
        {"no act, instant", kBakery, false, true, true, true, 150, false, true},
        {"no act, missing building", kBakery, false, true, true, false, 150, false, false},
        {"no act, tool with missing building", kShovel, false, true, true, false, 30, false, true},
        {"no costs: never craft mode", kBakery, true, false, true, true, 150, false, true},
        {"workers are never sold for gold", kFieldWorker, false, true, true, true, 150, false, false},
        {"worker in craft mode", kFieldWorker, true, true, true, true, 150, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        UpgradeItem* item = upgrade(c.upgrade);
        item->ReqLevel = 1;
        item->ReqUpgrades = test::idArray(c.met ? std::vector<int32_t> {} : std::vector<int32_t> {kWorkshop});
        item->Money = c.money;
        if (c.costs)
            test::setCosts(item, {{13, 2}});
        else
            item->ResourceCostArr.clear();
        profile()->UpgradesCountArray[kMarket] = c.market ? 1 : 0;
        auto popUp = HirePopUp::popUpWithUpgrade(c.upgrade, c.act);
        EXPECT_EQ(popUp->craftButton() != nullptr, c.craft);
        EXPECT_EQ(popUp->instantButton() != nullptr, c.instant);
        const float w = popUp->background()->contentSize().width;
        const float y = -0.31f * popUp->background()->contentSize().height;
        std::vector<CCMenuItem*> order;
        for (CCNode* child : test::kids(popUp->buttonMenu()))
            if (child != popUp->plusButton() && child != popUp->minusButton()) order.push_back(static_cast<CCMenuItem*>(child));
        std::vector<CCMenuItem*> expected;
        std::vector<float> xs;
        if (c.craft && c.instant) {
            expected = {popUp->craftButton(), popUp->closeButton(), popUp->instantButton()};
            xs = {0, -0.28f * w, 0.28f * w};
        } else if (c.craft) {
            expected = {popUp->craftButton(), popUp->closeButton()};
            xs = {0.16f * w, -0.16f * w};
        } else if (c.instant) {
            expected = {popUp->closeButton(), popUp->instantButton()};
            xs = {-0.16f * w, 0.16f * w};
        } else {
            expected = {popUp->closeButton()};
            xs = {0};
        }
        ASSERT_EQ(order, expected);
        for (size_t i = 0; i < order.size(); ++i) {
            EXPECT_FLOAT_EQ(order[i]->position().x, xs[i]);
            EXPECT_FLOAT_EQ(order[i]->position().y, y);
        }
    }
}

TEST_P(HirePopUpTest, ToolQuantityRepeatsWhileHeld)
{
    UpgradeItem* shovel = upgrade(kShovel);
    test::setCosts(shovel, {{14, 4}, {13, 1}});
    shovel->Money = 30;
    profile()->UpgradesCountArray[kMarket] = 1;
    profile()->SetResourceCount(14, 20); // covers five shovels, not six
    HirePopUp* popUp = open(kShovel, true);
    ASSERT_NE(popUp->plusButton(), nullptr);
    ASSERT_NE(popUp->quantityCounter(), nullptr);
    EXPECT_EQ(popUp->quantity(), 1);
    EXPECT_FALSE(popUp->minusButton()->isEnabled());
    auto prices = [&] {
        std::vector<std::string> shown;
        for (int tag : {HirePopUp::kPriceShadowTag, HirePopUp::kPriceFrontTag})
            shown.push_back(static_cast<CCLabelTTF*>(popUp->instantButton()->getChildByTag(tag))->string());
        return shown;
    };
    EXPECT_EQ(prices(), (std::vector<std::string> {"30", "30"}));

    tapNode(popUp->plusButton(), 1.0); // five repeats in a second held
    EXPECT_EQ(popUp->quantity(), 6);
    EXPECT_EQ(prices(), (std::vector<std::string> {"180", "180"}));
    EXPECT_EQ(popUp->costCounters()[0]->GetValue(), 24);
    EXPECT_TRUE(popUp->minusButton()->isEnabled());
    EXPECT_FALSE(popUp->craftButton()->isEnabled());
    EXPECT_EQ(static_cast<CCMenuItemSprite*>(popUp->craftButton())->opacity(), 140);
    EXPECT_EQ(popUp->stockLabels()[0]->color(), (ccColor3B {214, 0, 0}));

    tapNode(popUp->minusButton()); // a quick tap: one step
    EXPECT_EQ(popUp->quantity(), 5);
    EXPECT_TRUE(popUp->craftButton()->isEnabled());
    EXPECT_EQ(static_cast<CCMenuItemSprite*>(popUp->craftButton())->opacity(), 255);
    EXPECT_EQ(popUp->stockLabels()[0]->color(), (ccColor3B {112, 90, 82}));

    // Held down to the bottom, minus stops at 1 and is disabled there.
    tapNode(popUp->minusButton(), 2.0);
    EXPECT_EQ(popUp->quantity(), 1);
    EXPECT_FALSE(popUp->minusButton()->isEnabled());
    EXPECT_EQ(prices(), (std::vector<std::string> {"30", "30"}));
}

TEST_P(HirePopUpTest, BuildingWithResourcesGoesToTheMapToBePlaced)
{
    struct Case {
        const char* what;
        int32_t building;
        std::vector<int32_t> lessons; // frames whose follow-up arrow is then dismissed
        int32_t cityLevel;            // 0: unchanged
        int32_t people;               // villagers its effects add (the game data's)
    };
    const Case cases[] = {
        {"fields", kFields, {4, 6}, 0, 0}, {"bakery", kBakery, {19}, 0, 0}, {"mine", 29, {71}, 0, 0},
        {"cottage", kCottage, {30}, 0, 4}, {"settlement", 101, {}, 2, 4}, {"castle", 38, {}, 6, 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        leaveMap();
        UpgradeItem* item = upgrade(c.building);
        item->ReqLevel = 1;
        item->ReqUpgrades = test::idArray({});
        item->StageMaxQuantity = 1;
        test::setCosts(item, {{13, 2}, {10, 3}});
        for (int32_t n : c.lessons) profile()->GetTutorialDef(n)->ArrowAfterDone = false;
        profile()->CityLevel = 1;
        const int32_t buildings = profile()->CurrentBuildingCount;
        HirePopUp* popUp = open(c.building, true);
        ASSERT_NE(popUp->craftButton(), nullptr);
        tapNode(popUp->craftButton());
        EXPECT_FALSE(stillOpen(popUp));
        EXPECT_EQ(profile()->GetResourceCount(13), 498);
        EXPECT_EQ(profile()->GetResourceCount(10), 497);
        EXPECT_EQ(profile()->GetUpgradeCount(c.building), 1);
        EXPECT_EQ(profile()->CurrentBuildingCount, buildings + 1);
        EXPECT_EQ(profile()->GetResourceCount(17), 500 + c.people) << "its effects ran";
        EXPECT_TRUE(item->DoneWithThat);
        for (int32_t n : c.lessons) EXPECT_TRUE(profile()->GetTutorialDef(n)->ArrowAfterDone) << n;
        EXPECT_EQ(profile()->CityLevel, c.cityLevel == 0 ? 1 : c.cityLevel);
        EXPECT_TRUE(hud_->IsActive());
        ASSERT_NE(map(), nullptr);
        const HirePopUp::Placement placement = HirePopUp::placementFor(c.building);
        EXPECT_EQ(map()->mapState(), placement.state);
        EXPECT_EQ(map()->mapToBuild(), c.building);
        EXPECT_EQ(map()->mapStateHelper(), placement.group);
        for (int32_t resource : {13, 10, 17}) profile()->SetResourceCount(resource, 500);
    }
    // Building the cottage makes it ask for the market from then on.
    EXPECT_EQ(upgradecosts::requiredUpgrades(*upgrade(kCottage)), (std::vector<int32_t> {kMarket}));
}

TEST_P(HirePopUpTest, AnUpgradeOfAStandingBuildingIsPlacedInItsGroup)
{
    UpgradeItem* standing = upgrade(kBakery);
    UpgradeItem* better = upgrade(kWorkshop);
    standing->NextUpdateEnum = kWorkshop;
    standing->Group = 7;
    better->Group = 9;
    EXPECT_EQ(HirePopUp::placementFor(kWorkshop).group, 7);
    EXPECT_EQ(HirePopUp::placementFor(kWorkshop).state, HirePopUp::kStateUpgrade);
    EXPECT_EQ(HirePopUp::placementFor(kBakery).group, standing->Group);
    EXPECT_EQ(HirePopUp::placementFor(kBakery).state, HirePopUp::kStateBuild);

    better->ReqLevel = 1;
    better->ReqUpgrades = test::idArray({});
    HirePopUp* popUp = open(kWorkshop, true);
    tapNode(popUp->craftButton());
    ASSERT_NE(map(), nullptr);
    EXPECT_EQ(map()->mapState(), HirePopUp::kStateUpgrade);
    EXPECT_EQ(map()->mapStateHelper(), 7);
}

TEST_P(HirePopUpTest, TheWorkshopLessonsMoveOnOnlyTheFirstTime)
{
    for (bool alreadyDone : {false, true}) {
        SCOPED_TRACE(alreadyDone);
        leaveMap();
        for (int32_t n : {33, 34, 35, 36}) {
            profile()->GetTutorialDef(n)->Done = alreadyDone && n == 34;
            profile()->GetTutorialDef(n)->ArrowAfterDone = false;
        }
        upgrade(kWorkshop)->ReqLevel = 1;
        upgrade(kWorkshop)->ReqUpgrades = test::idArray({});
        profile()->UpgradesCountArray[kWorkshop] = 0;
        HirePopUp* popUp = open(kWorkshop, true);
        tapNode(popUp->craftButton());
        for (int32_t n : {33, 34, 35, 36}) {
            EXPECT_EQ(profile()->GetTutorialDef(n)->ArrowAfterDone, !alreadyDone) << n;
            EXPECT_EQ(profile()->GetTutorialDef(n)->Done, !alreadyDone || n == 34) << n;
        }
    }
}

TEST_P(HirePopUpTest, CraftedToolsAreCountedSavedAndListed)
{
    upgrade(kShovel)->isHidden = false;
    upgrade(kShovel)->Priority = -1; // first in the list
    profile()->RegenerateBuyIndexes();
    auto tools = ToolsLayer::layerWithGuiParent(hud_.get());
    show(tools.get());
    test::setCosts(upgrade(kShovel), {{14, 4}, {13, 1}});
    upgrade(kShovel)->StageMaxQuantity = 99;
    const int32_t before = profile()->GetUpgradeCount(kShovel);
    const int32_t toolsBefore = profile()->CurrentTools;
    HirePopUp* popUp = open(kShovel, true);
    tapNode(popUp->plusButton());
    ASSERT_EQ(popUp->quantity(), 2);
    tapNode(popUp->craftButton());
    EXPECT_FALSE(stillOpen(popUp));
    EXPECT_EQ(profile()->GetUpgradeCount(kShovel), before + 2);
    EXPECT_EQ(profile()->CurrentTools, toolsBefore + 2);
    EXPECT_EQ(profile()->GetResourceCount(14), 492);
    EXPECT_EQ(profile()->GetResourceCount(13), 498);
    EXPECT_TRUE(profile()->Loaded) << "saved";
    EXPECT_TRUE(hud_->IsActive());
    EXPECT_TRUE(tools->table()->isTouchEnabled());
    // The list was rebuilt: the shovel's row counts two more.
    bool counted = false;
    for (uint32_t i = 0; i < tools->table()->GetIndices(); ++i) {
        auto* row = dynamic_cast<UpgradeRow*>(tools->table()->GetCell(i));
        if (row != nullptr && row->GetID() == kShovel) {
            auto* cell = dynamic_cast<ToolsCell*>(row);
            counted = cell != nullptr && cell->countLabel()->string() == std::to_string(before + 2);
        }
    }
    EXPECT_TRUE(counted);
}

TEST_P(HirePopUpTest, AHiredWorkerArrivesOnTheMap)
{
    for (int32_t worker : {kFieldWorker, kPorter}) {
        SCOPED_TRACE(worker);
        leaveMap();
        UpgradeItem* item = upgrade(worker);
        item->ReqLevel = 1;
        item->ReqUpgrades = test::idArray({});
        item->StageMaxQuantity = 5;
        test::setCosts(item, {{3, 2}, {17, 1}});
        profile()->UpgradesCountArray[worker] = 1;
        profile()->GetTutorialDef(32)->ArrowAfterDone = false;
        const int32_t hires = profile()->WorkersBought;
        const float waiting = profile()->TempExperience;
        const float banked = profile()->Experience;
        HirePopUp* popUp = open(worker, true);
        tapNode(popUp->craftButton());
        EXPECT_FALSE(stillOpen(popUp));
        EXPECT_EQ(profile()->GetResourceCount(3), worker == kPorter ? 498 : 496);
        EXPECT_EQ(profile()->GetResourceCount(17), 499);
        EXPECT_EQ(profile()->GetUpgradeCount(worker), 2);
        EXPECT_EQ(profile()->WorkersBought, hires + (worker == kPorter ? 0 : 1));
        // The map's experience bar may already have banked part of it.
        EXPECT_FLOAT_EQ(profile()->TempExperience + (profile()->Experience - banked),
                        waiting + static_cast<float>(item->Points));
        EXPECT_EQ(profile()->GetTutorialDef(32)->ArrowAfterDone, worker == kFieldWorker);
        ASSERT_NE(map(), nullptr);
        EXPECT_EQ(map()->mapState(), HirePopUp::kStateHired);
        EXPECT_EQ(map()->mapToBuild(), worker);
        for (int32_t resource : {3, 17}) profile()->SetResourceCount(resource, 500);
    }
}

TEST_P(HirePopUpTest, GoldBuysOrSlidesTheCoinPacksIn)
{
    UpgradeItem* bakery = upgrade(kBakery);
    bakery->ReqLevel = 1;
    bakery->ReqUpgrades = test::idArray({});
    bakery->Money = 150;
    profile()->UpgradesCountArray[kMarket] = 1;
    profile()->GoldCount = 149;
    profile()->GoldSpent = -10;
    HirePopUp* popUp = open(kBakery, false);
    ASSERT_NE(popUp->instantButton(), nullptr);
    const float startY = popUp->background()->position().y;
    tapNode(popUp->instantButton());
    EXPECT_TRUE(stillOpen(popUp));
    EXPECT_TRUE(popUp->coinPanelOpen());
    EXPECT_EQ(profile()->GoldCount, 149);
    run_.run(0.25);
    const float winHeight = CCDirector::sharedDirector()->winSize().height;
    EXPECT_LT(popUp->background()->position().y, startY + 0.24f * winHeight);
    run_.run(0.3);
    EXPECT_NEAR(popUp->background()->position().y, startY + 0.24f * winHeight, 0.01f);
    // A second tap while the panel is in only plays its sound.
    sounds.clear();
    popUp->BuyCallback(nullptr);
    EXPECT_EQ(sounds, (std::vector<std::string> {"selection_buy"}));
    EXPECT_TRUE(popUp->coinPanelOpen());

    // Coins bought meanwhile: closing the panel shows them, the menu comes back after 0.5 s.
    profile()->GoldCount = 150;
    popUp->CloseMicro(nullptr);
    EXPECT_EQ(popUp->goldLabel()->string(), "150");
    EXPECT_FALSE(popUp->buttonMenu()->isTouchEnabled());
    run_.run(0.45);
    EXPECT_TRUE(popUp->coinPanelOpen());
    run_.run(0.1);
    EXPECT_FALSE(popUp->coinPanelOpen());
    EXPECT_TRUE(popUp->buttonMenu()->isTouchEnabled());
    EXPECT_NEAR(popUp->background()->position().y, startY, 0.01f);

    // Gold equal to the price buys.
    tapNode(popUp->instantButton());
    EXPECT_FALSE(stillOpen(popUp));
    EXPECT_EQ(profile()->GoldCount, 0);
    EXPECT_EQ(profile()->GoldSpent, -160);
    EXPECT_EQ(profile()->GetUpgradeCount(kBakery), 1);
    const auto events = TallyAnalytics::recordedEvents();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back().name, "MoneyUsage");
    EXPECT_EQ(events.back().parameters.at("MoneyUsage"), "Buy Building");
    ASSERT_NE(map(), nullptr);
    EXPECT_EQ(map()->mapState(), HirePopUp::kStateBuild);
}

TEST_P(HirePopUpTest, ClosingGivesBothInputsBack)
{
    auto tools = ToolsLayer::layerWithGuiParent(hud_.get());
    show(tools.get());
    const int32_t owned = profile()->GetUpgradeCount(kShovel);
    profile()->SetObjectSeen(kShovel);
    HirePopUp* popUp = open(kShovel, true);
    EXPECT_FALSE(profile()->WasObjectSeen(kShovel)) << "opening marks it seen";
    EXPECT_FALSE(hud_->IsActive());
    EXPECT_FALSE(tools->table()->isTouchEnabled());
    tapNode(popUp->closeButton());
    EXPECT_FALSE(stillOpen(popUp));
    EXPECT_TRUE(hud_->IsActive());
    EXPECT_TRUE(tools->table()->isTouchEnabled());
    EXPECT_EQ(profile()->GetUpgradeCount(kShovel), owned);
    EXPECT_EQ(count("selection_menu"), 1);
}

INSTANTIATE_TEST_SUITE_P(Devices, HirePopUpTest, ::testing::Values("phone", "tablet-hd"));

} // namespace
} // namespace mw
