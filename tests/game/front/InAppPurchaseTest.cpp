#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "foundation/Paths.h"
#include "foundation/RunLoop.h"
#include "foundation/UserDefaults.h"
#include "game/village/InAppPurchase.h"
#include "game/state/LocalisationManager.h"
#include "game/state/Profile.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/ScriptedStore.h"
#include "tests/support/SharedInstances.h"
#include "tests/support/TempDir.h"

namespace mw {
namespace {

using test::ScriptedStore;

class RecordingFrame : public InAppFrame {
public:
    void SetText(const std::string& text) override { calls.push_back("text " + text); }
    void Failed(const std::string& text) override { calls.push_back("failed " + text); }
    void Success(int32_t gold) override { calls.push_back("success " + std::to_string(gold)); }
    std::vector<std::string> calls;
};

const std::string kPack1 = "com.zandovar.mosswick.money1";
const std::string kPack2 = "com.zandovar.mosswick.money2";

class InAppPurchaseTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::resetSharedInstances();
        previous_ = Store::replaceSharedInstance(store_);
        auto& strings = LocalisationManager::sharedInstance()->dictionary;
        strings["IAP_NO_PERMISSION"] = "not allowed";
        strings["IAP_CANCELLED"] = "cancelled";
        strings["IAP_IN_PROGRESS"] = "working";
        Profile& profile = *Profile::sharedInstance();
        profile.MicroGoldCount1 = 100;
        profile.MicroGoldCount2 = 250;
        profile.Loaded = true;
    }
    void TearDown() override
    {
        test::resetSharedInstances();
        Store::replaceSharedInstance(previous_);
    }
    UserDefaults& defaults() { return UserDefaults::standardUserDefaults(); }
    static void settle()
    {
        for (int i = 0; i < 10 && RunLoop::main().pendingWorkCount() > 0; ++i) RunLoop::main().drain();
    }
    // A new service over a new store, as in another run of the program.
    void freshRun()
    {
        InAppPurchase::purgeSharedInstance();
        store_ = std::make_shared<ScriptedStore>();
        (void)Store::replaceSharedInstance(store_);
    }
    std::vector<std::string> allPacks()
    {
        std::vector<std::string> ids;
        for (int i = 0; i < InAppPurchase::kPackCount; ++i) ids.push_back(InAppPurchase::productIdentifier(i));
        return ids;
    }

    test::TempDir home_;
    test::ScopedEnv homeEnv_{"MOSSWICK_HOME", home_.path()};
    std::shared_ptr<ScriptedStore> store_ = std::make_shared<ScriptedStore>();
    std::shared_ptr<Store> previous_;
};

TEST_F(InAppPurchaseTest, PricesBelongToThePackTheStoreNamed)
{
    // The store answers in reverse order and leaves pack 3 unpriced.
    for (int i = InAppPurchase::kPackCount - 1; i >= 0; --i) {
        if (i == 2) continue;
        store_->catalogue.push_back({InAppPurchase::productIdentifier(i), "", 0.99 + i, "en_US@currency=USD", ""});
    }
    InAppPurchase& iap = *InAppPurchase::sharedInstance();
    iap.requestProducts(allPacks());
    EXPECT_EQ(store_->requests.size(), 1u);
    EXPECT_TRUE(Profile::sharedInstance()->TriedInApps);
    settle();
    EXPECT_EQ(defaults().integerForKey("MicroCount"), 5);
    EXPECT_EQ(defaults().objectForKey("Micro_0").asString(), "$0.99");
    EXPECT_EQ(defaults().objectForKey("Micro_5").asString(), "$5.99");
    EXPECT_TRUE(defaults().objectForKey("Micro_2").isNull()) << "an unpriced pack has no entry";
    EXPECT_EQ(iap.products().at(1), "$1.99");
    EXPECT_EQ(iap.products().count(2), 0u);

    // Stored prices: no store request, each pack from its own entry.
    InAppPurchase::purgeSharedInstance();
    InAppPurchase::sharedInstance()->requestProducts(allPacks());
    EXPECT_EQ(store_->requests.size(), 1u);
    EXPECT_EQ(InAppPurchase::sharedInstance()->products().at(4), "$4.99");
}

TEST_F(InAppPurchaseTest, StoredCountOfThreeAsksNothingAndEmptyAnswerChangesNothing)
{
    defaults().setObject("MicroCount", Value(3));
    defaults().setObject("Micro_0", Value("$0.99"));
    defaults().setObject("Micro_2", Value("$2.99"));
    InAppPurchase::sharedInstance()->requestProducts(allPacks());
    EXPECT_TRUE(store_->requests.empty());
    EXPECT_EQ(InAppPurchase::sharedInstance()->products(), (std::map<int, std::string>{{0, "$0.99"}, {2, "$2.99"}}));

    defaults().setObject("MicroCount", Value(0));
    InAppPurchase::sharedInstance()->requestProducts(allPacks()); // the store knows nothing
    settle();
    EXPECT_EQ(defaults().integerForKey("MicroCount"), 0);
    EXPECT_EQ(defaults().objectForKey("Micro_0").asString(), "$0.99");
    EXPECT_TRUE(InAppPurchase::sharedInstance()->products().empty());
}

TEST_F(InAppPurchaseTest, PriceFollowsTheLocale)
{
    EXPECT_EQ(InAppPurchase::formatPrice(0.99, "en_US@currency=USD"), "$0.99");
    EXPECT_EQ(InAppPurchase::formatPrice(0.99, "de_DE@currency=EUR"), "0,99\u00a0€");
    EXPECT_EQ(InAppPurchase::formatPrice(3.99, "pl_PL@currency=PLN"), "3,99\u00a0zł");
    EXPECT_EQ(InAppPurchase::formatPrice(120, "ja_JP@currency=JPY"), "¥120");
}

TEST_F(InAppPurchaseTest, PaymentsTellTheFrameAndCreditTheGold)
{
    using O = ScriptedStore::Outcome;
    struct Row {
        const char* name;
        bool allowed;
        std::string product;
        std::vector<O> script;
        std::vector<std::string> calls;
        int32_t gold;
        int done;
    };
    const Row rows[] = {
        {"purchased", true, kPack2, {}, {"text working", "success 250"}, 250, 1},
        {"not allowed", false, kPack2, {}, {"failed not allowed"}, 0, 0},
        {"cancelled", true, kPack2, {{PaymentTransaction::kFailed, StoreError{2, "x"}}}, {"text working", "failed cancelled"}, 0, 0},
        {"client refused", true, kPack2, {{PaymentTransaction::kFailed, StoreError{1, "x"}}}, {"text working", "failed not allowed"}, 0, 0},
        {"payment refused", true, kPack2, {{PaymentTransaction::kFailed, StoreError{4, "x"}}}, {"text working", "failed not allowed"}, 0, 0},
        {"store error", true, kPack2, {{PaymentTransaction::kFailed, StoreError{9, "Store closed"}}}, {"text working", "failed Store closed"}, 0, 0},
        {"late success", true, kPack1,
         {{PaymentTransaction::kFailed, StoreError{0, "Timed out"}}, {PaymentTransaction::kPurchased, {}}},
         {"text working", "failed Timed out", "success 100"}, 100, 1},
        {"unknown product", true, "com.example.other", {}, {"text working"}, 0, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        freshRun();
        store_->paymentsAllowed = row.allowed;
        if (!row.script.empty()) store_->script(row.product, row.script);
        RecordingFrame frame;
        InAppPurchase& iap = *InAppPurchase::sharedInstance();
        iap.SetFrame(&frame);
        const int32_t goldBefore = Profile::sharedInstance()->GoldCount;
        const int32_t earnedBefore = Profile::sharedInstance()->GoldEarned;
        iap.buyProductIdentifier(row.product);
        settle();
        EXPECT_EQ(frame.calls, row.calls);
        EXPECT_EQ(defaults().integerForKey(row.product), row.allowed ? 1 : 0) << "attempts";
        EXPECT_EQ(defaults().integerForKey(row.product + "_done"), row.done);
        EXPECT_EQ(Profile::sharedInstance()->GoldCount - goldBefore, row.gold);
        EXPECT_EQ(Profile::sharedInstance()->GoldEarned - earnedBefore, row.gold);
        if (row.gold) {
            EXPECT_TRUE(Paths::fileExists(Paths::documentsPath("supersave.plist"))) << "saved";
        }
        EXPECT_TRUE(store_->transactions().empty()) << "every transaction finished";
        iap.requestCancel();
        defaults().removeObjectForKey(row.product);
        defaults().removeObjectForKey(row.product + "_done");
    }
}

TEST_F(InAppPurchaseTest, RestoredPurchaseIsCreditedAgain)
{
    RecordingFrame frame;
    InAppPurchase::sharedInstance()->SetFrame(&frame);
    store_->restorePurchase(kPack1);
    settle();
    EXPECT_EQ(frame.calls, std::vector<std::string>{"success 100"});
    EXPECT_EQ(Profile::sharedInstance()->GoldCount, 100);
}

TEST_F(InAppPurchaseTest, PaymentWithoutAVillageWaitsForTheNextLaunch)
{
    Profile::sharedInstance()->Loaded = false;
    RecordingFrame frame;
    InAppPurchase::sharedInstance()->SetFrame(&frame);
    InAppPurchase::sharedInstance()->buyProductIdentifier(kPack2);
    settle();
    EXPECT_EQ(Profile::sharedInstance()->GoldCount, 0);
    EXPECT_FALSE(Paths::fileExists(Paths::documentsPath("supersave.plist"))) << "no empty profile saved";
    EXPECT_EQ(store_->transactions().size(), 1u) << "left unfinished";

    // The next launch, with the village loaded: delivered once and credited.
    freshRun();
    Profile::sharedInstance()->Loaded = true;
    InAppPurchase::sharedInstance();
    settle();
    EXPECT_EQ(Profile::sharedInstance()->GoldCount, 250);
    EXPECT_TRUE(store_->transactions().empty());
    freshRun();
    InAppPurchase::sharedInstance();
    settle();
    EXPECT_EQ(Profile::sharedInstance()->GoldCount, 250) << "delivered once";
}

} // namespace
} // namespace mw
