#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "engine/labels/CCLabelTTF.h"
#include "engine/menus/CCHoldButton.h"
#include "engine/menus/CCMenu.h"
#include "game/boards/VillageGate.h"
#include "game/state/Resource.h"
#include "game/state/TutorialFrameDef.h"
#include "game/boards/CCCounterDrell.h"
#include "game/village/screens/ShopLayer.h"
#include "game/village/screens/ShopPopUp.h"
#include "game/village/tutorial/TutorialPopup.h"
#include "tests/game/village/PopUpTestSupport.h"

namespace mw {
namespace {

// The HUD as the shop and its pop-ups see it: it names the shop as its
// current layer and records what it is asked.
class ProbeHud : public CCLayer, public VillageGate {
public:
    void SetInputActive(bool active) override { input.push_back(active); }
    void UpdateTopBar() override { ++topBars; }
    CCNode* GetLayer() const override { return layer; }

    CCNode* layer = nullptr;
    std::vector<bool> input;
    int topBars = 0;
};

template <typename T> T* childOfType(CCNode* node)
{
    if (node == nullptr || node->children() == nullptr) return nullptr;
    for (Object* child : *node->children())
        if (auto* found = dynamic_cast<T*>(child)) return found;
    return nullptr;
}

// The face label (the second caption label, at z-order 2) of a button.
CCLabelTTF* face(CCNode* button)
{
    std::vector<CCLabelTTF*> labels;
    for (Object* child : *button->children())
        if (auto* label = dynamic_cast<CCLabelTTF*>(child); label && label->zOrder() == 2)
            labels.push_back(label);
    return labels.size() >= 2 ? labels[1] : nullptr;
}

class ShopTest : public test::VillageTest {
protected:
    void SetUp() override
    {
        VillageTest::SetUp();
        if (HasFatalFailure()) return;
        // Every good unseen and priceless, so each test names the rows it wants.
        for (int32_t id = 1; id <= 24; ++id) {
            if (Resource* r = profile().GetResource(id)) {
                r->Seen = false;
                r->Value = 0;
                r->ValueSell = 0;
            }
        }
        hud_ = makeRef<ProbeHud>();
        scene_->addChild(hud_.get(), 5);
    }
    void TearDown() override
    {
        if (shop_) shop_->removeFromParentAndCleanup(true);
        shop_ = nullptr;
        hud_ = nullptr;
        VillageTest::TearDown();
    }
    void offer(int32_t id, int32_t buy, int32_t sell, int32_t stock = 0, bool seen = true)
    {
        Resource* r = profile().GetResource(id);
        ASSERT_NE(r, nullptr) << id;
        r->Seen = seen;
        r->Value = buy;
        r->ValueSell = sell;
        profile().SetResourceCount(id, stock);
    }
    ShopLayer* openShop()
    {
        shop_ = ShopLayer::layerWithGuiParent(hud_.get());
        scene_->addChild(shop_.get(), 0);
        hud_->layer = shop_.get();
        run_.driver().runFrames(1);
        return shop_.get();
    }
    ShopCell* row(uint32_t index) { return dynamic_cast<ShopCell*>(shop_->table()->cellAtIndex(index)); }
    TradePopUp* popUp() { return childOfType<TradePopUp>(hud_.get()); }
    std::vector<int32_t> shownRows()
    {
        std::vector<int32_t> ids;
        for (uint32_t i = 0; i < shop_->table()->GetIndices(); ++i)
            ids.push_back(static_cast<ShopCell*>(shop_->table()->GetCell(i))->resource());
        return ids;
    }

    Ref<ProbeHud> hud_;
    Ref<ShopLayer> shop_;
};

TEST_P(ShopTest, RowsAreTheSeenPricedGoodsInShopOrder)
{
    struct Row {
        const char* name;
        std::vector<std::array<int32_t, 4>> offers; // id, buy, sell, seen
        std::vector<int32_t> rows;
    };
    auto record = [this](int32_t id) {
        Resource* r = profile().GetResource(id);
        return r ? r : profile().GetMicroResource(id);
    };
    const Row cases[] = {
        {"nothing seen", {{3, 10, 5, 0}, {1, 10, 5, 0}}, {}},
        {"shop order, not id order",
         {{1, 10, 5, 1}, {3, 12, 4, 1}, {16, 2, 1, 1}, {7, 30, 9, 1}},
         {3, 1, 7, 16}},
        {"no price at all is no row", {{3, 0, 0, 1}, {2, 8, 3, 1}}, {2}},
        // The mend: one rule for the count and the rows. A sell price alone
        // makes a row; it used to be counted and never built.
        {"a sell price alone", {{4, 0, 6, 1}, {5, 20, 7, 1}}, {4, 5}},
        {"a buy price alone", {{6, 15, 0, 1}}, {6}},
        {"workers and coin packs never",
         {{17, 10, 10, 1}, {19, 10, 10, 1}, {24, 10, 10, 1}, {9, 50, 20, 1}},
         {9}},
    };
    for (const Row& c : cases) {
        SCOPED_TRACE(c.name);
        for (int32_t id = 1; id <= 24; ++id)
            if (Resource* r = record(id)) r->Seen = false;
        for (const auto& o : c.offers) {
            Resource* r = record(o[0]);
            ASSERT_NE(r, nullptr);
            r->Value = o[1];
            r->ValueSell = o[2];
            r->Seen = o[3] != 0;
        }
        EXPECT_EQ(ShopLayer::rowResources(), c.rows);
        openShop();
        EXPECT_EQ(shop_->numberOfCellsInTableView(shop_->table()), c.rows.size());
        EXPECT_EQ(shownRows(), c.rows);
        shop_->removeFromParentAndCleanup(true);
        for (const auto& o : c.offers) {
            Resource* r = record(o[0]);
            r->Value = r->ValueSell = 0;
        }
    }
}

TEST_P(ShopTest, ButtonsFollowGoldAndStock)
{
    offer(3, 20, 5, 0);  // affordable, nothing to sell
    offer(1, 50, 10, 3); // too dear, three to sell
    offer(4, 0, 6, 2);   // no buy price
    profile().GoldCount = 30;
    openShop();
    const ccColor3B white{255, 255, 255}, dimFace{123, 111, 85}, sellFace{71, 57, 48};
    struct Row {
        uint32_t index;
        bool buy, sell;
    } rows[] = {{0, true, false}, {1, false, true}, {2, false, true}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.index);
        ShopCell* cell = row(r.index);
        ASSERT_NE(cell, nullptr);
        EXPECT_EQ(cell->buyButton()->isEnabled(), r.buy);
        EXPECT_EQ(cell->sellButton()->isEnabled(), r.sell);
        EXPECT_EQ(face(cell->buyButton())->color(), r.buy ? white : dimFace);
        EXPECT_EQ(face(cell->sellButton())->color(), r.sell ? sellFace : dimFace);
        EXPECT_EQ(cell->buyButton()->tag(), cell->resource());
        EXPECT_EQ(cell->sellButton()->tag(), cell->resource() * 22);
        EXPECT_EQ(cell->background()->color(), r.index % 2 ? (ccColor3B{180, 180, 180}) : white);
        auto* stock = childOfType<CCCounterDrell>(cell->background());
        ASSERT_NE(stock, nullptr);
        EXPECT_EQ(stock->GetValue(), profile().GetResourceCount(cell->resource()));
    }
    run_.picture("shop");
}

TEST_P(ShopTest, APressUnderABarDoesNothingAndPlaysNothing)
{
    for (int32_t id : {3, 1, 2, 4, 5, 6, 10, 11, 12, 7, 8, 9}) offer(id, 5, 2, 4);
    profile().GoldCount = 1000;
    openShop();
    const float rowHeight = shop_->cellSizeForTable(nullptr).height;
    // Scroll so that row 0 lies half under the top bar.
    const float top = shop_->table()->minContainerOffset().y;
    shop_->table()->setContentOffset({0, top + 0.5f * rowHeight + pick(54, 27)});
    run_.driver().runFrames(1);
    ShopCell* under = row(0);
    ASSERT_NE(under, nullptr);
    sounds.clear();
    under->BuildCallback(under->buyButton());
    under->SellCallback(under->sellButton());
    EXPECT_EQ(popUp(), nullptr);
    EXPECT_TRUE(sounds.empty());
    EXPECT_TRUE(hud_->input.empty());

    ShopCell* clear = row(3);
    ASSERT_NE(clear, nullptr);
    clear->SellCallback(clear->sellButton());
    ASSERT_NE(dynamic_cast<SellPopUp*>(popUp()), nullptr);
    EXPECT_EQ(popUp()->resourceType(), clear->resource());
    EXPECT_EQ(popUp()->zOrder(), 3);
    EXPECT_EQ(popUp()->position(), (CGPoint{win().width / 2, win().height / 2}));
    EXPECT_EQ(sounds, std::vector<std::string>{"selection_menu"});
    EXPECT_EQ(hud_->input, std::vector<bool>{false});
    EXPECT_FALSE(shop_->table()->isTouchEnabled());
}

TEST_P(ShopTest, StepsStopAtTheLimitAndTheTotalFollowsEveryPress)
{
    struct Step {
        bool plus;
        int32_t quantity;
        bool plusOn, minusOn;
        bool sound;
    };
    struct Case {
        const char* name;
        bool selling;
        int32_t gold, stock;
        std::vector<Step> steps;
    };
    // Price 7: 21 gold pays for exactly three; three in stock to sell.
    const Case cases[] = {
        {"buy with gold for three",
         false,
         21,
         0,
         {{true, 2, true, true, true},
          {true, 3, false, true, true},
          {true, 3, false, true, false},
          {false, 2, true, true, true},
          {true, 3, false, true, true}}},
        {"sell a stock of three",
         true,
         0,
         3,
         {{true, 2, true, true, true},
          {true, 3, false, true, true},
          {true, 3, false, true, false},
          {false, 2, true, true, true},
          {false, 1, true, true, true},
          {false, 0, true, false, true},
          {false, 0, true, false, false}}},
    };
    offer(3, 7, 7, 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        profile().GoldCount = c.gold;
        profile().SetResourceCount(3, c.stock);
        Ref<TradePopUp> deal = c.selling ? Ref<TradePopUp>(SellPopUp::popUpWithResourceType(3).get())
                                         : Ref<TradePopUp>(BuyPopUp::popUpWithResourceType(3).get());
        ASSERT_NE(deal, nullptr);
        hud_->addChild(deal.get(), 3);
        EXPECT_EQ(deal->quantity(), 1);
        EXPECT_EQ(deal->total()->string(), "7");
        for (size_t i = 0; i < c.steps.size(); ++i) {
            SCOPED_TRACE(i);
            const Step& s = c.steps[i];
            sounds.clear();
            if (s.plus)
                deal->PlusCallback(deal->plusButton());
            else
                deal->MinusCallback(deal->minusButton());
            EXPECT_EQ(deal->quantity(), s.quantity);
            EXPECT_EQ(deal->plusButton()->isEnabled(), s.plusOn);
            EXPECT_EQ(deal->minusButton()->isEnabled(), s.minusOn);
            EXPECT_EQ(deal->total()->string(), std::to_string(7 * s.quantity));
            EXPECT_EQ(sounds.size(), s.sound ? 1u : 0u);
        }
        deal->removeFromParentAndCleanup(true);
    }
}

TEST_P(ShopTest, HoldingPlusRepeatsEveryEighteenHundredthsAndATapStepsOnce)
{
    offer(3, 1, 1, 0);
    profile().GoldCount = 100;
    const struct {
        double held;
        int32_t quantity;
    } rows[] = {{0.05, 2}, {0.17, 2}, {0.75, 5}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.held);
        Ref<BuyPopUp> deal = BuyPopUp::popUpWithResourceType(3);
        deal->setPosition({win().width / 2, win().height / 2});
        hud_->addChild(deal.get(), 3);
        run_.run(0.8); // the pop-up's spring in
        hold(centreOf(deal->plusButton()), r.held);
        EXPECT_EQ(deal->quantity(), r.quantity);
        EXPECT_EQ(deal->plusButton()->actionRunTime(), 0.18f);
        deal->removeFromParentAndCleanup(true);
    }
    Ref<BuyPopUp> deal = BuyPopUp::popUpWithResourceType(3);
    deal->setPosition({win().width / 2, win().height / 2});
    hud_->addChild(deal.get(), 3);
    run_.run(0.8);
    run_.picture("shop_buy_popup");
}

TEST_P(ShopTest, ConfirmingMakesTheDealSavesAndReloadsInPlace)
{
    for (int32_t id : {3, 1, 2, 4, 5, 6, 10, 11, 12, 7, 8, 9}) offer(id, 10, 4, 5);
    struct Case {
        const char* name;
        bool selling;
        int32_t steps; // plus presses after the first unit; -1: minus to 0
        int32_t gold, goldSpent, goldEarned, stock, spent;
        const char* event;
    };
    const Case cases[] = {
        {"buy three", false, 2, 100 - 30, -30, 0, 8, 0, "Shop Buy"},
        {"sell two", true, 1, 100 + 8, 0, 8, 3, 2, "Shop Sell"},
        {"buy none", false, -1, 100, 0, 0, 5, 0, "Shop Buy"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        profile().GoldCount = 100;
        profile().GoldSpent = profile().GoldEarned = profile().TotalResSpend = 0;
        profile().SetResourceCount(7, 5);
        openShop();
        const float top = shop_->table()->minContainerOffset().y;
        shop_->table()->setContentOffset({0, top + 2 * shop_->cellSizeForTable(nullptr).height});
        const CGPoint offset = shop_->table()->contentOffset();
        if (c.selling)
            shop_->ShowSellPopUpWithResource(7);
        else
            shop_->ShowBuyPopUpWithResource(7);
        TradePopUp* deal = popUp();
        ASSERT_NE(deal, nullptr);
        if (c.steps < 0) deal->MinusCallback(nullptr);
        for (int i = 0; i < c.steps; ++i) deal->PlusCallback(nullptr);
        hud_->input.clear();
        hud_->topBars = 0;
        sounds.clear();
        TallyAnalytics::clearRecordedEvents();
        deal->GoodCallback(nullptr);
        EXPECT_EQ(sounds.front(), "selection_buy");
        EXPECT_EQ(profile().GoldCount, c.gold);
        EXPECT_EQ(profile().GoldSpent, c.goldSpent);
        EXPECT_EQ(profile().GoldEarned, c.goldEarned);
        EXPECT_EQ(profile().GetResourceCount(7), c.stock);
        EXPECT_EQ(profile().TotalResSpend, c.spent);
        EXPECT_EQ(eventValues("MoneyUsage"), std::vector<std::string>{c.event});
        EXPECT_EQ(popUp(), nullptr);
        EXPECT_EQ(hud_->input, std::vector<bool>{true});
        EXPECT_EQ(hud_->topBars, 1);
        EXPECT_TRUE(shop_->table()->isTouchEnabled());
        EXPECT_EQ(shop_->table()->contentOffset(), offset) << "reloaded at the same offset";
        for (uint32_t i = 0; i < shop_->table()->GetIndices(); ++i) {
            auto* cell = static_cast<ShopCell*>(shop_->table()->GetCell(i));
            if (cell->resource() == 7) {
                EXPECT_EQ(childOfType<CCCounterDrell>(cell->background())->GetValue(), c.stock);
            }
        }
        // The save holds the deal.
        Profile::purgeSharedInstance();
        ASSERT_TRUE(Profile::sharedInstance()->Load());
        EXPECT_EQ(profile().GoldCount, c.gold);
        EXPECT_EQ(profile().GoldSpent, c.goldSpent);
        EXPECT_EQ(profile().GoldEarned, c.goldEarned);
        EXPECT_EQ(profile().GetResourceCount(7), c.stock);
        shop_->removeFromParentAndCleanup(true);
        shop_ = nullptr;
        for (int32_t id : {3, 1, 2, 4, 5, 6, 10, 11, 12, 7, 8, 9}) offer(id, 10, 4, 5);
    }
}

TEST_P(ShopTest, ClosingChangesNothingAndGivesTheInputBack)
{
    offer(3, 10, 4, 5);
    profile().GoldCount = 100;
    openShop();
    shop_->ShowBuyPopUpWithResource(3);
    popUp()->PlusCallback(nullptr);
    hud_->input.clear();
    popUp()->BadCallback(nullptr);
    EXPECT_EQ(popUp(), nullptr);
    EXPECT_EQ(profile().GoldCount, 100);
    EXPECT_EQ(profile().GetResourceCount(3), 5);
    EXPECT_EQ(hud_->input, std::vector<bool>{true});
    EXPECT_TRUE(eventValues("MoneyUsage").empty());
}

TEST_P(ShopTest, TheShopTutorialShowsFrame57ThenPointsAtBuild)
{
    offer(3, 10, 4, 5);
    TutorialFrameDef* before = profile().GetTutorialDef(56);
    TutorialFrameDef* shop = profile().GetTutorialDef(57);
    ASSERT_TRUE(before && shop);
    before->Done = true;
    shop->Done = false;
    shop->ArrowAfter = true;
    shop->ArrowAfterDone = false;
    openShop();
    auto* tutorial = childOfType<TutorialPopup>(hud_.get());
    ASSERT_NE(tutorial, nullptr);
    EXPECT_TRUE(before->ArrowAfterDone);
    EXPECT_EQ(hud_->input, std::vector<bool>{false});
    EXPECT_FALSE(shop_->table()->isTouchEnabled());

    shop->Done = true; // as the pop-up's dismissal does before the HUD passes the hook on
    shop_->MoveWithTutorial();
    CCNode* arrow = hud_->getChildByTag(ShopLayer::kBuildArrowTag);
    ASSERT_NE(arrow, nullptr);
    EXPECT_EQ(arrow->position(), (CGPoint{pick(140, 56), pick(100, 40)}));
    EXPECT_EQ(arrow->zOrder(), 1);
    EXPECT_EQ(hud_->input, (std::vector<bool>{false, true}));
    EXPECT_TRUE(shop_->table()->isTouchEnabled());
    shop_->MoveWithTutorial();
    int arrows = 0;
    for (Object* child : *hud_->children())
        arrows += static_cast<CCNode*>(child)->tag() == ShopLayer::kBuildArrowTag;
    EXPECT_EQ(arrows, 1) << "one arrow only";

    // Once the arrow is dismissed nothing more is added.
    hud_->removeChildByTag(ShopLayer::kBuildArrowTag, true);
    shop->ArrowAfterDone = true;
    shop_->MoveWithTutorial();
    EXPECT_EQ(hud_->getChildByTag(ShopLayer::kBuildArrowTag), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Devices, ShopTest, ::testing::Values("phone", "tablet"));

} // namespace
} // namespace mw
