#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/labels/CCLabelTTF.h"
#include "engine/menus/CCMenu.h"
#include "foundation/Format.h"
#include "foundation/RunLoop.h"
#include "foundation/UserDefaults.h"
#include "game/boards/EndOfPopUp.h"
#include "game/boards/FoodPopUp.h"
#include "game/boards/MineBoard.h"
#include "game/boards/SessionHooks.h"
#include "game/village/InAppPopUp.h"
#include "game/village/InAppPurchase.h"
#include "game/state/UpgradeItem.h"
#include "game/village/GuiObject.h"
#include "game/village/hud/HirePopUp.h"
#include "game/village/MapScene.h"
#include "game/village/screens/MicroLayer.h"
#include "game/village/VillageScene.h"
#include "tests/game/village/PopUpTestSupport.h"
#include "tests/support/ScriptedStore.h"

namespace mw {
namespace {

using test::ScriptedStore;

template <typename T> T* findFirst(CCNode* node)
{
    if (node == nullptr) return nullptr;
    if (auto* found = dynamic_cast<T*>(node)) return found;
    if (node->children() == nullptr) return nullptr;
    for (Object* child : *node->children())
        if (T* found = findFirst<T>(static_cast<CCNode*>(child))) return found;
    return nullptr;
}

std::vector<CCLabelTTF*> labelsOf(CCNode* node)
{
    std::vector<CCLabelTTF*> labels;
    if (node && node->children())
        for (Object* child : *node->children())
            if (auto* label = dynamic_cast<CCLabelTTF*>(child)) labels.push_back(label);
    return labels;
}

class CoinPackTest : public test::VillageTest {
protected:
    void SetUp() override
    {
        VillageTest::SetUp();
        if (HasFatalFailure()) return;
        previousStore_ = Store::replaceSharedInstance(store_);
        previousMaker_ = session::setCoinPackListMaker(
            [](CCNode* guiParent) -> Ref<CCNode> { return MicroLayer::layerForMicro(guiParent); });
        profile().Loaded = true;
        profile().MicroGoldCount1 = 500;
        profile().MicroGoldCount2 = 1200;
        for (int i = 0; i < 6; ++i)
            store_->catalogue.push_back(
                {InAppPurchase::productIdentifier(i), "", 0.99 + i, "en_US@currency=USD", ""});
    }
    void TearDown() override
    {
        village_ = nullptr;
        InAppPurchase::purgeSharedInstance();
        session::setCoinPackListMaker(std::move(previousMaker_));
        Store::replaceSharedInstance(previousStore_);
        VillageTest::TearDown();
    }
    // A village scene running with its HUD over the map.
    // A village past its tutorial, so that no frame takes the HUD's input.
    VillageScene* runVillage()
    {
        for (auto& [number, frame] : Profile::sharedInstance()->TutorialDict) {
            frame->Done = true;
            frame->ArrowAfterDone = true;
        }
        village_ = VillageScene::scene();
        run_.driver().director()->replaceScene(village_.get());
        run_.driver().runFrames(2);
        return village_.get();
    }
    void settle()
    {
        for (int i = 0; i < 10 && RunLoop::main().pendingWorkCount() > 0; ++i) RunLoop::main().drain();
    }
    InAppPopUp* frameOn(CCNode* scene) { return findFirst<InAppPopUp>(scene); }
    InAppPurchase& service() { return *InAppPurchase::sharedInstance(); }

    std::shared_ptr<ScriptedStore> store_ = std::make_shared<ScriptedStore>();
    std::shared_ptr<Store> previousStore_;
    session::CoinPackListMaker previousMaker_;
    Ref<VillageScene> village_;
};

TEST_P(CoinPackTest, SixRowsCaptionedWithEachPacksCachedPrice)
{
    auto rowsOf = [&](MicroLayer* list) {
        std::vector<std::string> captions;
        for (uint32_t i = 0; i < MicroLayer::kRowCount; ++i) {
            list->table()->setContentOffset(
                {0, list->table()->minContainerOffset().y + i * list->cellSizeForTable(nullptr).height});
            auto* cell = dynamic_cast<TradeCell*>(list->table()->cellAtIndex(i));
            captions.push_back(cell ? cell->captionText() : "no row");
            if (cell) {
                EXPECT_EQ(cell->buyButton()->tag(), static_cast<int>(19 + i));
            }
        }
        return captions;
    };
    const std::string buy = text("BUTTON_BUY");
    struct Case {
        const char* name;
        std::vector<int> answered; // packs the store prices, in its order; empty: never asked
        std::vector<std::string> captions;
    };
    const Case cases[] = {
        {"no prices", {}, {buy, buy, buy, buy, buy, buy}},
        {"six, answered in reverse",
         {5, 4, 3, 2, 1, 0},
         {"$0.99", "$1.99", "$2.99", "$3.99", "$4.99", "$5.99"}},
        // The mend: a pack the cache has no price for reads "Buy".
        {"pack 3 missing", {0, 1, 3, 4, 5}, {"$0.99", "$1.99", buy, "$3.99", "$4.99", "$5.99"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UserDefaults& defaults = UserDefaults::standardUserDefaults();
        defaults.removeObjectForKey("MicroCount");
        for (int i = 0; i < 6; ++i) defaults.removeObjectForKey(format("Micro_%d", i));
        InAppPurchase::purgeSharedInstance();
        if (!c.answered.empty()) {
            store_->catalogue.clear();
            for (int pack : c.answered)
                store_->catalogue.push_back(
                    {InAppPurchase::productIdentifier(pack), "", 0.99 + pack, "en_US@currency=USD", ""});
            std::vector<std::string> all;
            for (int i = 0; i < 6; ++i) all.push_back(InAppPurchase::productIdentifier(i));
            service().requestProducts(all);
            settle();
        }
        for (Ref<MicroLayer> list :
             {MicroLayer::layerWithGuiParent(nullptr), MicroLayer::layerForMicro(nullptr)}) {
            scene_->addChild(list.get());
            EXPECT_EQ(list->numberOfCellsInTableView(list->table()), 6u);
            EXPECT_EQ(rowsOf(list.get()), c.captions);
            if (c.answered.size() == 6 && list->guiParent() == nullptr) {
                list->table()->setContentOffset(list->table()->minContainerOffset());
                run_.driver().runFrames(1);
                run_.picture("coin_pack_panel_prices");
            }
            list->removeFromParentAndCleanup(true);
        }
    }
}

TEST_P(CoinPackTest, TheTabTurnsEverythingOffAndClosingGivesBothBack)
{
    VillageScene* village = runVillage();
    GuiObject* hud = village->GetGUI();
    auto list = MicroLayer::layerWithGuiParent(hud);
    village->addChild(list.get(), 0);
    run_.driver().runFrames(1);
    auto* cell = dynamic_cast<TradeCell*>(list->table()->cellAtIndex(1));
    ASSERT_NE(cell, nullptr);
    run_.picture("coin_pack_tab");
    sounds.clear();
    cell->BuildCallback(cell->buyButton());
    EXPECT_EQ(sounds, std::vector<std::string>{"selection_menu"});
    InAppPopUp* frame = frameOn(village);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->parent(), village);
    EXPECT_EQ(frame->zOrder(), 5);
    EXPECT_EQ(frame->position(), (CGPoint{win().width / 2, win().height / 2}));
    EXPECT_GT(frame->orderOfArrival(), hud->orderOfArrival()) << "drawn above the HUD";
    EXPECT_FALSE(hud->IsActive());
    EXPECT_FALSE(list->table()->isTouchEnabled());
    EXPECT_FALSE(cell->active());
    EXPECT_EQ(store_->payments, std::vector<std::string>{"com.zandovar.mosswick.money2"});
    EXPECT_EQ(service().CurrentFrame, frame);
    EXPECT_EQ(frame->headerLabel()->string(), text("IAP_CONNECTING"));

    // While off, a tap does nothing, not even a sound.
    sounds.clear();
    cell->BuildCallback(cell->buyButton());
    EXPECT_TRUE(sounds.empty());
    EXPECT_EQ(store_->payments.size(), 1u);

    run_.driver().runFrames(2); // the store answers: purchasing, then purchased
    EXPECT_TRUE(frame->succeeded());
    EXPECT_EQ(profile().GoldCount, 1200);
    auto* map = dynamic_cast<MapScene*>(village->GetLayer());
    ASSERT_NE(map, nullptr);
    map->SetInputActive(false);
    run_.picture("purchase_success");
    frame->DoneCallback(nullptr);
    EXPECT_EQ(frameOn(village), nullptr);
    EXPECT_TRUE(hud->IsActive());
    EXPECT_TRUE(map->isTouchEnabled()) << "the current layer gets its input back";
    EXPECT_EQ(service().CurrentFrame, nullptr) << "later reports reach nothing";
    list->removeFromParentAndCleanup(true);
}

TEST_P(CoinPackTest, TheFoodPopUpsPanelTurnsThePopUpOffAndClosingSlidesItOut)
{
    VillageScene* village = runVillage();
    GuiObject* hud = village->GetGUI();
    profile().GoldCount = 10;
    Ref<FoodPopUp> food = FoodPopUp::popUpWithLayer(nullptr);
    ASSERT_NE(food, nullptr);
    hud->addChild(food.get(), 6);
    food->ResetCallback(nullptr); // too little gold: the panel slides in
    run_.run(0.6);
    auto* list = findFirst<MicroLayer>(food->getChildByTag(FoodPopUp::kTagCoinPanel));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->guiParent(), hud);
    auto* cell = dynamic_cast<TradeCell*>(list->table()->cellAtIndex(0));
    ASSERT_NE(cell, nullptr);
    auto* panelMenu = dynamic_cast<CCMenu*>(food->getChildByTag(FoodPopUp::kTagCoinPanel));
    ASSERT_NE(panelMenu, nullptr);
    store_->script("com.zandovar.mosswick.money1", {{PaymentTransaction::kFailed, StoreError{2, ""}}});
    cell->BuildCallback(cell->buyButton());
    InAppPopUp* frame = frameOn(village);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->parent(), village);
    EXPECT_FALSE(hud->IsActive());
    EXPECT_FALSE(panelMenu->isTouchEnabled());
    EXPECT_FALSE(list->table()->isTouchEnabled());
    EXPECT_FALSE(food->foodsMenu()->isTouchEnabled());

    run_.driver().runFrames(2);
    EXPECT_FALSE(frame->succeeded());
    EXPECT_TRUE(frame->failedButton()->visible());
    EXPECT_EQ(frame->headerLabel()->string(), text("IAP_CANCELLED"));
    run_.picture("purchase_failure");
    frame->DoneCallback(nullptr);
    EXPECT_FALSE(hud->IsActive()) << "the HUD stays off under the food pop-up";
    run_.run(0.6);
    EXPECT_EQ(food->getChildByTag(FoodPopUp::kTagCoinPanel), nullptr) << "the panel slid out";
    EXPECT_TRUE(food->foodsMenu()->isTouchEnabled());
    food->removeFromParentAndCleanup(true);
}

TEST_P(CoinPackTest, TheHirePopUpsPanelTurnsEverythingUnderOffAndClosingReopensOnlyThePopUp)
{
    VillageScene* village = runVillage();
    GuiObject* hud = village->GetGUI();
    int32_t building = 0;
    for (int32_t id = 1; id < Profile::kUpgradeSlots && building == 0; ++id)
        if (UpgradeItem* item = profile().GetUpgrade(id); item && item->Type == 2 && item->Money > 0)
            building = id;
    ASSERT_NE(building, 0);
    profile().GoldCount = 0;
    Ref<HirePopUp> hire = HirePopUp::popUpWithUpgrade(building, false);
    ASSERT_NE(hire, nullptr);
    hire->setPosition({win().width / 2, win().height / 2});
    hud->addChild(hire.get(), 3);
    hud->SetInputActive(false); // as the list that opened it does
    hire->BuyCallback(nullptr);
    run_.run(0.6);
    auto* list = findFirst<MicroLayer>(hire->getChildByTag(HirePopUp::kCoinPanelTag));
    ASSERT_NE(list, nullptr);
    run_.picture("coin_pack_panel_hire");
    auto* cell = dynamic_cast<TradeCell*>(list->table()->cellAtIndex(0));
    ASSERT_NE(cell, nullptr);
    auto* map = dynamic_cast<MapScene*>(village->GetLayer());
    ASSERT_NE(map, nullptr);
    map->SetInputActive(true);
    cell->BuildCallback(cell->buyButton());
    InAppPopUp* frame = frameOn(village);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->parent(), village);
    EXPECT_EQ(frame->zOrder(), 5);
    EXPECT_FALSE(hire->buttonMenu()->isTouchEnabled());
    EXPECT_FALSE(static_cast<CCMenu*>(hire->getChildByTag(HirePopUp::kCoinPanelTag))->isTouchEnabled());
    EXPECT_FALSE(list->table()->isTouchEnabled());
    EXPECT_FALSE(hud->IsActive());
    EXPECT_FALSE(map->isTouchEnabled());

    run_.driver().runFrames(2);
    ASSERT_TRUE(frame->succeeded());
    frame->DoneCallback(nullptr);
    EXPECT_FALSE(hud->IsActive()) << "the HUD's input is the hire pop-up's to give back";
    run_.run(0.6);
    EXPECT_FALSE(hire->coinPanelOpen());
    EXPECT_TRUE(hire->buttonMenu()->isTouchEnabled());
}

TEST_P(CoinPackTest, TheSummarysPanelOnABoardTurnsTheBoardOffAndClosingReturnsTheSummary)
{
    auto layer = CCLayer::node();
    scene_->addChild(layer.get());
    Ref<MineBoard> board = MineBoard::board();
    ASSERT_NE(board, nullptr);
    layer->addChild(board.get());
    profile().GoldCount = 0;
    profile().MoreMineMovesPrice = 100;
    profile().MineBonusBought = 1;
    Ref<EndOfPopUp> summary = EndOfPopUp::popUpWithMode(0, 3, board.get());
    ASSERT_NE(summary, nullptr);
    board->addChild(summary.get(), EndOfPopUp::kZOrder);
    summary->BuyCallbackMine(nullptr);
    run_.run(0.6);
    auto* list = findFirst<MicroLayer>(summary->getChildByTag(EndOfPopUp::kTagCoinPanel));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->guiParent(), nullptr);
    auto* cell = dynamic_cast<TradeCell*>(list->table()->cellAtIndex(0));
    ASSERT_NE(cell, nullptr);
    board->SetInputActive(true);
    cell->BuildCallback(cell->buyButton());
    InAppPopUp* frame = frameOn(layer.get());
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->parent(), layer.get()) << "on the board's scene";
    EXPECT_EQ(frame->zOrder(), 5);
    EXPECT_FALSE(board->isTouchEnabled());
    EXPECT_FALSE(summary->menu->isTouchEnabled());
    EXPECT_FALSE(list->table()->isTouchEnabled());

    run_.driver().runFrames(2);
    EXPECT_TRUE(frame->succeeded());
    frame->DoneCallback(nullptr);
    EXPECT_TRUE(summary->menu->isTouchEnabled() ||
                summary->getChildByTag(EndOfPopUp::kTagCoinPanel) != nullptr);
    run_.run(0.6);
    EXPECT_EQ(summary->getChildByTag(EndOfPopUp::kTagCoinPanel), nullptr);
    EXPECT_TRUE(summary->menu->isTouchEnabled());
    EXPECT_FALSE(board->isTouchEnabled()) << "the summary stays modal";
}

TEST_P(CoinPackTest, AButtonOfNoPackMakesNoPopUp)
{
    VillageScene* village = runVillage();
    auto list = MicroLayer::layerWithGuiParent(village->GetGUI());
    village->addChild(list.get(), 0);
    run_.driver().runFrames(1);
    auto* cell = dynamic_cast<TradeCell*>(list->table()->cellAtIndex(0));
    ASSERT_NE(cell, nullptr);
    for (int tag : {18, 25}) {
        cell->buyButton()->setTag(tag);
        cell->BuildCallback(cell->buyButton());
        EXPECT_EQ(frameOn(village), nullptr) << tag;
    }
    EXPECT_TRUE(store_->payments.empty());
    EXPECT_TRUE(village->GetGUI()->IsActive());
}

TEST_P(CoinPackTest, ThePurchasePopUpsStates)
{
    struct Report {
        char kind; // 't' text, 'f' failure, 's' success
        std::string text;
        int32_t gold;
    };
    struct Case {
        const char* name;
        std::vector<Report> reports;
        std::string header;
        bool failedShown, successShown;
        std::vector<std::string> inApp;
    };
    const Case cases[] = {
        {"connecting", {}, text("IAP_CONNECTING"), false, false, {}},
        {"in progress", {{'t', "working", 0}}, "working", false, false, {}},
        {"failed", {{'t', "working", 0}, {'f', "no luck", 0}}, "no luck", true, false, {}},
        {"failed, then a late success",
         {{'f', "no luck", 0}, {'s', "", 500}},
         text("IAP_HEAD"),
         false,
         true,
         {"500"}},
        {"success, then a failure",
         {{'s', "", 1200}, {'f', "no luck", 0}, {'t', "x", 0}},
         text("IAP_HEAD"),
         false,
         true,
         {"1200"}},
        {"a second success", {{'s', "", 500}, {'s', "", 900}}, text("IAP_HEAD"), false, true, {"500", "900"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TallyAnalytics::clearRecordedEvents();
        Ref<InAppPopUp> frame = InAppPopUp::popUp();
        scene_->addChild(frame.get());
        const uint32_t bare = frame->background()->children()->count();
        for (const Report& r : c.reports) {
            if (r.kind == 't') frame->SetText(r.text);
            if (r.kind == 'f') frame->Failed(r.text);
            if (r.kind == 's') frame->Success(r.gold);
        }
        EXPECT_EQ(frame->headerLabel()->string(), c.header);
        EXPECT_EQ(frame->failedButton()->visible(), c.failedShown);
        EXPECT_EQ(frame->successButton()->visible(), c.successShown);
        EXPECT_EQ(eventValues("InApp"), c.inApp);
        EXPECT_EQ(frame->goldRow() != nullptr, c.successShown);
        EXPECT_EQ(frame->background()->children()->count(), bare + (c.successShown ? 2u : 0u))
            << "one text and one gold row";
        if (CCNode* row = frame->goldRow()) {
            auto labels = labelsOf(row);
            ASSERT_EQ(labels.size(), 1u);
            EXPECT_EQ(labels[0]->string(), "+" + c.inApp.back()) << "the latest purchase's gold";
            float width = 0;
            for (Object* part : *row->children()) width += static_cast<CCNode*>(part)->contentSize().width;
            const CGSize bg = frame->background()->contentSize();
            EXPECT_NEAR(row->position().x + width / 2, bg.width / 2, 0.01f) << "centred";
            EXPECT_NEAR(row->position().y, 0.37f * bg.height, 0.01f);
        }
        frame->removeFromParentAndCleanup(true);
    }
}

// Purchases made while one purchase pop-up is up, through the store: each is
// credited and logged once, and a transaction the queue reports again (here:
// the service registers again while the purchase is still on its way) is
// neither credited nor logged a second time.
TEST_P(CoinPackTest, EachPurchaseUnderOnePopUpIsCreditedAndLoggedOnce)
{
    TallyAnalytics::clearRecordedEvents();
    profile().GoldCount = 0;
    Ref<InAppPopUp> frame = InAppPopUp::popUp();
    scene_->addChild(frame.get());
    service().SetFrame(frame.get());
    service().buyProductIdentifier(InAppPurchase::productIdentifier(0));
    settle();
    service().buyProductIdentifier(InAppPurchase::productIdentifier(1));
    settle();
    EXPECT_EQ(profile().GoldCount, 500 + 1200);
    EXPECT_EQ(eventValues("InApp"), (std::vector<std::string>{"500", "1200"}));

    service().buyProductIdentifier(InAppPurchase::productIdentifier(0));
    store_->setTransactionObserver(&service());
    settle();
    EXPECT_EQ(profile().GoldCount, 500 + 1200 + 500);
    EXPECT_EQ(eventValues("InApp"), (std::vector<std::string>{"500", "1200", "500"}));
    EXPECT_EQ(UserDefaults::standardUserDefaults().integerForKey(InAppPurchase::productIdentifier(0) + "_done"), 2);
    EXPECT_TRUE(store_->transactions().empty());
    ASSERT_NE(frame->goldRow(), nullptr);
    EXPECT_EQ(labelsOf(frame->goldRow()).at(0)->string(), "+500");
    service().SetFrame(nullptr);
    frame->removeFromParentAndCleanup(true);
}

TEST_P(CoinPackTest, CaptionSizeFollowsTheCancelTextsLength)
{
    auto& strings = LocalisationManager::sharedInstance()->dictionary;
    for (const auto& [cancel, size] :
         {std::pair{std::string("Abbruch"), pick(28, 14)}, std::pair{std::string("Abbreche"), pick(27, 13)},
          std::pair{std::string("Łączenie"), pick(27, 13)}}) {
        SCOPED_TRACE(cancel);
        strings["BUTTON_CANCEL"] = cancel;
        Ref<InAppPopUp> frame = InAppPopUp::popUp();
        for (CCNode* button :
             {static_cast<CCNode*>(frame->failedButton()), static_cast<CCNode*>(frame->successButton())}) {
            auto labels = labelsOf(button);
            ASSERT_EQ(labels.size(), 2u);
            for (CCLabelTTF* label : labels) {
                EXPECT_EQ(points(label), size);
                EXPECT_EQ(label->string(), text("MM_CONTINUE"));
                EXPECT_EQ(label->zOrder(), 2);
            }
            EXPECT_EQ(labels[0]->color(), (ccColor3B{151, 64, 10}));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Devices, CoinPackTest, ::testing::Values("phone", "tablet"));

} // namespace
} // namespace mw
