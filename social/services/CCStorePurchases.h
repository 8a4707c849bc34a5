#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "foundation/Object.h"
#include "foundation/Ref.h"
#include "platform/Store.h"

namespace mw {

// The product's price in its own price locale's currency style.
std::string priceAsString(const StoreProduct& product);

// The prices, titles and descriptions of the service's own products (the
// ids of setting 6), published as the text tokens "<id>_title", "<id>_desc"
// and "<id>_curr" of the data store. Main thread.
class CCSKProductInfo : public Object {
public:
    enum State { kNotAsked = 0, kRequestRunning = 2, kReceived = 3 };

    static CCSKProductInfo* sharedInstance();
    static void releaseSharedInstance();
    static bool checkForSharedInstance();

    CCSKProductInfo() = default;
    ~CCSKProductInfo() override;

    // Asks the store for the products of setting 6; nothing when it is absent
    // or empty.
    void startUpdating();
    // The store's answer to request `request`; an answer to any but the
    // latest request is ignored.
    void productsRequestDidReceiveResponse(uint64_t request, const std::vector<StoreProduct>& products,
                                           const std::vector<std::string>& invalid);
    static bool productInfoIsUpToDate();
    const StoreProduct* productForProductId(const std::string& identifier) const;
    void setReplacementTextForProduct(const StoreProduct& product);

    int updateState() const { return updateState_; }
    const std::vector<StoreProduct>& products() const { return products_; }
    uint64_t currentRequest() const { return currentRequest_; }

private:
    std::vector<StoreProduct> products_;
    uint64_t currentRequest_ = 0; // 0: none running
    uint64_t requestCounter_ = 0;
    int updateState_ = kNotAsked;
};

// Told of the end of a purchase this client started.
class CCSKTransactionObserver {
public:
    virtual ~CCSKTransactionObserver() = default;
    virtual void transactionFinishedWithError(const std::optional<StoreError>& error, bool cancelled,
                                              const std::string& productId,
                                              const std::optional<std::string>& base64Receipt) = 0;
};

// Watches the payment queue beside any other observer, starts one purchase
// at a time and reports each purchase with its receipt to the delegate or
// straight to the service. Main thread.
class CCSKTransactionHandler : public Object, public PaymentTransactionObserver {
public:
    static constexpr const char* kReportPage = "buy_virtual_currency.cuid";

    static CCSKTransactionHandler* sharedInstance();
    static void releaseSharedInstance();
    static bool checkForSharedInstance();

    CCSKTransactionHandler();
    ~CCSKTransactionHandler() override;

    bool canMakePayments() const;
    bool canInitiateTransaction() const { return canMakePayments() && !currentPayment_; }
    // The payment (its product id) for a known product, or nullopt.
    std::optional<std::string> paymentForProductId(const std::string& identifier) const;
    void initiateTransactionWithId(const std::string& identifier);
    static bool paymentIsEqualTo(const std::optional<std::string>& a, const std::optional<std::string>& b);
    // Standard Base64: RFC 4648 alphabet, "=" padding, no line breaks.
    static std::string base64ForData(const std::vector<uint8_t>& data);

    void paymentQueueUpdatedTransactions(const std::vector<Ref<PaymentTransaction>>& transactions) override;
    void transactionCompleted(const PaymentTransaction& transaction, bool tellServerSilently);
    void transactionFailed(const PaymentTransaction& transaction);
    void transactionRestored(const PaymentTransaction&) {}

    CCSKTransactionObserver* delegate() const { return delegate_; }
    void setDelegate(CCSKTransactionObserver* delegate) { delegate_ = delegate; }
    const std::optional<std::string>& currentPayment() const { return currentPayment_; }

private:
    CCSKTransactionObserver* delegate_ = nullptr;
    std::optional<std::string> currentPayment_;
    std::shared_ptr<Store> store_; // the queue observed, kept to leave it at the end
};

} // namespace mw
