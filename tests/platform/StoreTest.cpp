#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "foundation/Log.h"
#include "foundation/Paths.h"
#include "foundation/RunLoop.h"
#include "platform/AlertView.h"
#include "platform/Store.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/ScriptedStore.h"
#include "tests/support/TempDir.h"

namespace mw {
namespace {

using test::ScriptedStore;

// Writes each update as "product state[/code]" and finishes what it is told to.
class RecordingObserver : public PaymentTransactionObserver {
public:
    explicit RecordingObserver(Store& store, bool finishes = true) : store_(store), finishes_(finishes) {}
    void paymentQueueUpdatedTransactions(const std::vector<Ref<PaymentTransaction>>& transactions) override
    {
        for (const auto& t : transactions) {
            std::string line = t->productIdentifier + " " + std::to_string(t->state);
            if (t->error) line += "/" + std::to_string(t->error->code);
            seen.push_back(line);
            ids.push_back(t->transactionIdentifier);
            if (finishes_ && t->state != PaymentTransaction::kPurchasing) store_.finishTransaction(*t);
        }
    }
    std::vector<std::string> seen;
    std::vector<std::string> ids;

private:
    Store& store_;
    bool finishes_;
};

class StoreTest : public ::testing::Test {
protected:
    StoreTest() : home_("MOSSWICK_HOME", dir_.path()) {}
    test::TempDir dir_;
    test::ScopedEnv home_;
};

TEST_F(StoreTest, ProductsArriveLaterInTheStoresOrder)
{
    ScriptedStore store;
    store.catalogue = {{"p3", "Three", 4.99, "en_US@currency=USD", ""},
                       {"p1", "One", 0.99, "en_US@currency=USD", ""}};
    std::vector<std::string> got, invalid;
    store.requestProducts({"p1", "p2", "p3"}, [&](const auto& products, const auto& unknown) {
        for (const auto& p : products) got.push_back(p.productIdentifier);
        invalid = unknown;
    });
    EXPECT_TRUE(got.empty());
    RunLoop::main().drain();
    EXPECT_EQ(got, (std::vector<std::string>{"p3", "p1"}));
    EXPECT_EQ(invalid, std::vector<std::string>{"p2"});
}

TEST_F(StoreTest, PaymentsReportEveryStepThroughTheRunLoop)
{
    using O = ScriptedStore::Outcome;
    struct Row {
        const char* name;
        std::vector<O> script;
        std::vector<std::string> seen;
    };
    const Row rows[] = {
        {"unscripted", {}, {"p 0", "p 1"}},
        {"cancelled", {{PaymentTransaction::kFailed, StoreError{2, "cancelled"}}}, {"p 0", "p 2/2"}},
        {"store error", {{PaymentTransaction::kFailed, StoreError{17, "the store is down"}}}, {"p 0", "p 2/17"}},
        {"late success",
         {{PaymentTransaction::kFailed, StoreError{0, "timed out"}}, {PaymentTransaction::kPurchased, {}}},
         {"p 0", "p 2/0", "p 1"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ScriptedStore store;
        RecordingObserver observer(store);
        store.setTransactionObserver(&observer);
        if (!row.script.empty()) store.script("p", row.script);
        store.addPayment("p");
        EXPECT_TRUE(observer.seen.empty());
        RunLoop::main().drain();
        EXPECT_EQ(observer.seen, row.seen);
        EXPECT_TRUE(store.transactions().empty());
    }
}

TEST_F(StoreTest, UnfinishedTransactionIsDeliveredOnceInTheNextRun)
{
    {
        ScriptedStore store;
        RecordingObserver observer(store, /*finishes=*/false);
        store.setTransactionObserver(&observer);
        store.addPayment("p");
        RunLoop::main().drain();
        EXPECT_EQ(observer.seen, (std::vector<std::string>{"p 0", "p 1"}));
    } // killed before finishing
    std::string id;
    {
        ScriptedStore store;
        RecordingObserver observer(store);
        store.setTransactionObserver(&observer);
        RunLoop::main().drain();
        EXPECT_EQ(observer.seen, std::vector<std::string>{"p 1"});
    }
    ScriptedStore store;
    RecordingObserver observer(store);
    store.setTransactionObserver(&observer);
    RunLoop::main().drain();
    EXPECT_TRUE(observer.seen.empty());
    EXPECT_FALSE(Paths::fileExists(Paths::documentsPath("StoreTransactions.plist")));
}

TEST_F(StoreTest, DamagedQueueFileIsMovedAsideAndReported)
{
    Paths::createDirectories(Paths::documentsDirectory());
    test::TempDir::writeText(Paths::documentsPath("StoreTransactions.plist"), "<plist><array><dict>");
    ScopedLogCapture log;
    ScriptedStore store;
    EXPECT_TRUE(log.contains("is unreadable"));
    int aside = 0;
    for (const auto& entry : std::filesystem::directory_iterator(Paths::documentsDirectory()))
        if (entry.path().filename().string().find(".corrupt-") != std::string::npos) ++aside;
    EXPECT_EQ(aside, 1);
}

TEST_F(StoreTest, DesktopStoreAsksBeforeItCharges)
{
    auto previous = Store::replaceSharedInstance(nullptr);
    auto store = Store::sharedInstance();
    RecordingObserver observer(*store);
    store->setTransactionObserver(&observer);
    struct Row {
        const char* product;
        int answer; // -2: no alert expected
        const char* last;
    };
    const Row rows[] = {
        {"com.zandovar.mosswick.money2", 1, "com.zandovar.mosswick.money2 1"},
        {"com.zandovar.mosswick.money2", 0, "com.zandovar.mosswick.money2 2/2"},
        {"com.zandovar.mosswick.money9", -2, "com.zandovar.mosswick.money9 2/3"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.product);
        store->addPayment(row.product);
        AlertView* alert = AlertViewPresenter::sharedPresenter().frontAlert();
        if (row.answer == -2) {
            EXPECT_EQ(alert, nullptr);
        } else {
            ASSERT_NE(alert, nullptr);
            EXPECT_EQ(alert->buttonTitles, (std::vector<std::string>{"Cancel", "Buy"}));
            EXPECT_NE(alert->message.find("$2.99"), std::string::npos);
            alert->dismissWithClickedButtonIndex(row.answer);
        }
        RunLoop::main().drain();
        ASSERT_FALSE(observer.seen.empty());
        EXPECT_EQ(observer.seen.back(), row.last);
    }
    std::vector<std::string> priced;
    store->requestProducts({"com.zandovar.mosswick.money6", "x"}, [&](const auto& products, const auto& invalid) {
        for (const auto& p : products) priced.push_back(p.productIdentifier + " " + std::to_string(p.price));
        priced.push_back("invalid " + invalid.at(0));
    });
    RunLoop::main().drain();
    EXPECT_EQ(priced, (std::vector<std::string>{"com.zandovar.mosswick.money6 49.990000", "invalid x"}));
    store->setTransactionObserver(nullptr);
    Store::replaceSharedInstance(previous);
}


TEST_F(StoreTest, EveryObserverSeesEveryTransactionAndPurchasesCarryReceipts)
{
    ScriptedStore store;
    RecordingObserver first(store, false);
    RecordingObserver second(store, false);
    store.setTransactionObserver(&first);
    store.addTransactionObserver(&second);
    store.addTransactionObserver(&second); // once only
    store.script("q", {{PaymentTransaction::kFailed, StoreError{2, "cancelled"}}});
    store.addPayment("p");
    store.addPayment("q");
    RunLoop::main().drain();
    // Each payment reports its steps in turn (the scripted store settles at once).
    const std::vector<std::string> expected {"p 0", "p 1", "q 0", "q 2/2"};
    EXPECT_EQ(first.seen, expected);
    EXPECT_EQ(second.seen, expected);
    ASSERT_EQ(store.transactions().size(), 2u);
    EXPECT_FALSE(store.transactions()[0]->transactionReceipt.empty()) << "a purchase has its receipt";
    EXPECT_TRUE(store.transactions()[1]->transactionReceipt.empty()) << "a failure has none";

    // A late observer is offered what is unfinished, the others are not told again.
    RecordingObserver late(store, false);
    store.addTransactionObserver(&late);
    RunLoop::main().drain();
    EXPECT_EQ(late.seen, (std::vector<std::string> {"p 1", "q 2/2"}));
    EXPECT_EQ(first.seen.size(), 4u);

    store.removeTransactionObserver(&second);
    store.addPayment("r");
    RunLoop::main().drain();
    EXPECT_EQ(second.seen.size(), 4u) << "a removed observer hears nothing";
    EXPECT_EQ(first.seen.back(), "r 1");
    EXPECT_EQ(late.seen.back(), "r 1");
}

TEST_F(StoreTest, ReceiptsSurviveARestart)
{
    std::vector<uint8_t> receipt;
    {
        ScriptedStore store;
        store.addPayment("p");
        RunLoop::main().drain();
        ASSERT_EQ(store.transactions().size(), 1u);
        receipt = store.transactions()[0]->transactionReceipt;
    }
    ScriptedStore again;
    ASSERT_EQ(again.transactions().size(), 1u);
    EXPECT_EQ(again.transactions()[0]->transactionReceipt, receipt);
    EXPECT_FALSE(receipt.empty());
}

} // namespace
} // namespace mw
