// The service's own products and purchases: started by setting 6, published
// as text tokens, bought one at a time and reported with their receipts.

#include <optional>
#include <string>
#include <vector>

#include "foundation/Log.h"
#include "social/data/CCDataStore.h"
#include "social/queues/CCFetchManager.h"
#include "social/session/CCPrivateSession.h"
#include "social/services/CCStorePurchases.h"
#include "social/support/CCJSON.h"
#include "tests/social/SocialFixture.h"
#include "tests/support/ScriptedStore.h"

namespace mw::test {
namespace {

// A store whose products requests are never answered (a failed request: the
// store gives no failure callback that the product info handles).
class SilentStore : public ScriptedStore {
public:
    void
    requestProducts(const std::vector<std::string>& identifiers,
                    std::function<void(const std::vector<StoreProduct>&, const std::vector<std::string>&)>) override
    {
        requests.push_back(identifiers);
    }
};

class RecordingTransactionObserver : public CCSKTransactionObserver {
public:
    void transactionFinishedWithError(const std::optional<StoreError>& error, bool cancelled,
                                      const std::string& productId,
                                      const std::optional<std::string>& base64Receipt) override
    {
        std::string line = productId + (cancelled ? " cancelled" : "") + (error ? " error" : "");
        line += base64Receipt ? " receipt " + *base64Receipt : " no receipt";
        seen.push_back(line);
    }
    std::vector<std::string> seen;
};

class StorePurchasesTest : public SocialFixture {
protected:
    void SetUp() override
    {
        SocialFixture::SetUp();
        install(std::make_shared<ScriptedStore>());
        activate();
        RunLoop::main().drain();
        CCFetchManager::sharedInstance()->stopFetching();
    }
    void TearDown() override
    {
        CCSKTransactionHandler::releaseSharedInstance();
        CCSKProductInfo::releaseSharedInstance();
        Store::replaceSharedInstance(previous_);
        RunLoop::main().drain();
        SocialFixture::TearDown();
    }
    template <typename S> void install(std::shared_ptr<S> store)
    {
        store->catalogue = { { "coins_100", "100 coins", 0.99, "en_US", "A small bag" },
                             { "coins_euro", "100 Münzen", 0.99, "de_DE", "Ein Beutel" } };
        store_ = store;
        auto previous = Store::replaceSharedInstance(store);
        if (!previous_) previous_ = previous;
    }
    CCPrivateSession* session() { return CCPrivateSession::sharedInstance(); }
    static std::optional<std::string> token(const std::string& name)
    {
        return CCDataStore::sharedInstance()->textForToken(name);
    }
    // Starts the products and lets the store answer.
    void enable(std::vector<std::string> ids)
    {
        Value::Array list;
        for (auto& id : ids) list.push_back(Value(id));
        session()->activateLumoraSetting(6, Value(std::move(list)));
        RunLoop::main().drain();
    }
    static Ref<PaymentTransaction> transaction(const std::string& product, PaymentTransaction::State state,
                                               std::optional<StoreError> error = std::nullopt)
    {
        auto t = makeRef<PaymentTransaction>();
        t->productIdentifier = product;
        t->state = state;
        t->error = std::move(error);
        if (state == PaymentTransaction::kPurchased) t->transactionReceipt = { 'f', 'o', 'o' };
        return t;
    }
    static std::vector<std::string> reportBodies()
    {
        std::vector<std::string> bodies;
        for (const auto& record : CCFetchManager::sharedInstance()->fetchQueue()) {
            if (record->url() != CCPrivateSession::liteBaseUrl() + CCSKTransactionHandler::kReportPage) continue;
            const auto& data = record->postData();
            CCJSON reader;
            std::optional<Value> body =
                data ? reader.objectWithString(std::string(data->begin(), data->end())) : std::nullopt;
            bodies.push_back(body ? (*body)["productID"].asString() + " " + (*body)["receipt"].asString()
                                  : std::string("(unreadable)"));
        }
        return bodies;
    }

    std::shared_ptr<ScriptedStore> store_;
    std::shared_ptr<Store> previous_;
};

TEST_F(StorePurchasesTest, ProductsStartOnlyWithSettingSixAndPublishTheirTokens)
{
    session()->activateLumoraSetting(6, Value());
    session()->activateLumoraSetting(6, Value::array());
    RunLoop::main().drain();
    EXPECT_TRUE(store_->requests.empty());
    EXPECT_FALSE(CCSKProductInfo::checkForSharedInstance());
    EXPECT_FALSE(CCSKTransactionHandler::checkForSharedInstance());

    ScopedLogCapture log;
    session()->activateLumoraSetting(6, Value::array({ Value("coins_100"), Value("coins_euro"), Value("bogus") }));
    ASSERT_TRUE(CCSKProductInfo::checkForSharedInstance());
    EXPECT_TRUE(CCSKTransactionHandler::checkForSharedInstance());
    EXPECT_EQ(CCSKProductInfo::sharedInstance()->updateState(), CCSKProductInfo::kRequestRunning);
    EXPECT_EQ(store_->requests, (std::vector<std::vector<std::string>> { { "coins_100", "coins_euro", "bogus" } }));
    RunLoop::main().drain();
    EXPECT_EQ(CCSKProductInfo::sharedInstance()->updateState(), CCSKProductInfo::kReceived);
    EXPECT_EQ(CCSKProductInfo::sharedInstance()->products().size(), 2u) << "the valid products are kept";
    EXPECT_TRUE(log.contains(">>> Invalid product identifiers in product request "
                             "response from Apple!"));
    EXPECT_TRUE(log.contains("\"bogus\""));
    EXPECT_EQ(token("coins_100_title"), "100 coins");
    EXPECT_EQ(token("coins_100_desc"), "A small bag");
    EXPECT_EQ(token("coins_100_curr"), "$0.99");
    EXPECT_EQ(token("coins_euro_curr"), "0,99\u00a0\u20ac") << "the product's own locale";

    // An answer to an earlier request changes nothing.
    CCSKProductInfo* info = CCSKProductInfo::sharedInstance();
    info->productsRequestDidReceiveResponse(1, { { "coins_100", "stale", 5, "en_US", "" } }, {});
    EXPECT_EQ(token("coins_100_title"), "100 coins");
    EXPECT_NE(info->productForProductId("coins_100"), nullptr);
    EXPECT_EQ(info->productForProductId("bogus"), nullptr);
}

TEST_F(StorePurchasesTest, AFailedRequestLeavesPaymentsRefused)
{
    install(std::make_shared<SilentStore>());
    enable({ "coins_100" });
    EXPECT_EQ(CCSKProductInfo::sharedInstance()->updateState(), CCSKProductInfo::kRequestRunning);
    EXPECT_FALSE(CCSKTransactionHandler::sharedInstance()->canMakePayments());
    CCSKTransactionHandler::sharedInstance()->initiateTransactionWithId("coins_100");
    RunLoop::main().drain();
    EXPECT_TRUE(store_->payments.empty());
}

TEST_F(StorePurchasesTest, OnePurchaseAtATimeAndOnlyOfKnownProducts)
{
    enable({ "coins_100", "coins_euro" });
    CCSKTransactionHandler* handler = CCSKTransactionHandler::sharedInstance();
    RecordingTransactionObserver delegate;
    handler->setDelegate(&delegate);
    store_->paymentsAllowed = false;
    EXPECT_FALSE(handler->canMakePayments());
    store_->paymentsAllowed = true;
    EXPECT_TRUE(handler->canInitiateTransaction());

    handler->initiateTransactionWithId("unknown");
    EXPECT_FALSE(handler->currentPayment());
    handler->initiateTransactionWithId("coins_100");
    EXPECT_EQ(handler->currentPayment(), "coins_100");
    EXPECT_FALSE(handler->canInitiateTransaction());
    RunLoop::main().drain();
    EXPECT_EQ(store_->payments, (std::vector<std::string> { "coins_100" }));
    ASSERT_EQ(delegate.seen.size(), 1u);
    EXPECT_EQ(delegate.seen[0].rfind("coins_100 receipt ", 0), 0u) << delegate.seen[0];
    EXPECT_FALSE(handler->currentPayment()) << "cleared when the purchase finished";
    EXPECT_TRUE(store_->transactions().empty()) << "every ended transaction is finished";
}

TEST_F(StorePurchasesTest, UpdatedTransactionsTable)
{
    using T = PaymentTransaction;
    enable({ "coins_100", "coins_euro" });
    CCSKTransactionHandler* handler = CCSKTransactionHandler::sharedInstance();
    const std::string report = "coins_100 Zm9v"; // the JSON body's two fields
    struct Row {
        const char* name;
        bool delegate;
        std::vector<Ref<T>> update;
        std::vector<std::string> told;
        std::vector<std::string> reports;
        bool paymentKept;
    };
    const Row rows[] = {
        { "two purchased",
          true,
          { transaction("coins_100", T::kPurchased), transaction("coins_euro", T::kPurchased) },
          { "coins_euro receipt Zm9v" },
          { report },
          false },
        { "no delegate", false, { transaction("coins_100", T::kPurchased) }, {}, { report }, false },
        { "cancelled",
          true,
          { transaction("coins_100", T::kFailed, StoreError { 2, "cancelled" }) },
          { "coins_100 cancelled error no receipt" },
          {},
          false },
        { "failed otherwise",
          true,
          { transaction("coins_100", T::kFailed, StoreError { 0, "down" }) },
          { "coins_100 error no receipt" },
          {},
          false },
        { "restored", true, { transaction("coins_100", T::kRestored) }, {}, {}, false },
        { "purchasing", true, { transaction("coins_100", T::kPurchasing) }, {}, {}, true },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        RecordingTransactionObserver delegate;
        handler->setDelegate(row.delegate ? &delegate : nullptr);
        handler->initiateTransactionWithId("coins_100");
        RunLoop::main().drain(); // the store's own purchase of it, reported and finished
        delegate.seen.clear();
        // The payment is in flight again, as if the store had not answered yet.
        handler->initiateTransactionWithId("coins_100");
        const size_t before = reportBodies().size();
        handler->paymentQueueUpdatedTransactions(row.update);
        EXPECT_EQ(delegate.seen, row.told);
        const std::vector<std::string> bodies = reportBodies();
        EXPECT_EQ(std::vector<std::string>(bodies.begin() + static_cast<long>(before), bodies.end()), row.reports);
        EXPECT_EQ(handler->currentPayment().has_value(), row.paymentKept);
        RunLoop::main().drain();
    }
    handler->setDelegate(nullptr);
}

TEST(StorePurchasesBase64, Rfc4648Vectors)
{
    const std::pair<std::string, std::string> vectors[] = {
        { "", "" },
        { "f", "Zg==" },
        { "fo", "Zm8=" },
        { "foo", "Zm9v" },
        { "foob", "Zm9vYg==" },
        { "fooba", "Zm9vYmE=" },
        { "foobar", "Zm9vYmFy" },
    };
    for (const auto& [text, encoded] : vectors)
        EXPECT_EQ(CCSKTransactionHandler::base64ForData(std::vector<uint8_t>(text.begin(), text.end())), encoded)
            << text;
}

} // namespace
} // namespace mw::test
