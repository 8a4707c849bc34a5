#pragma once

#include <functional>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "foundation/Object.h"
#include "foundation/Ref.h"

namespace mw {

// One product as the store prices it.
struct StoreProduct {
    std::string productIdentifier;
    std::string localizedTitle;
    double price = 0;
    std::string priceLocale; // "en_US@currency=USD": the language, region and currency
    std::string localizedDescription;
};

// Why a payment failed. Codes: 0 unknown, 1 client not allowed, 2 cancelled
// by the player, 3 invalid payment, 4 payment not allowed; other codes are
// the store's own, described by the text.
struct StoreError {
    int code = 0;
    std::string localizedDescription;
};

// One payment as it moves through the queue.
class PaymentTransaction : public Object {
public:
    enum State { kPurchasing = 0, kPurchased = 1, kFailed = 2, kRestored = 3 };

    std::string transactionIdentifier;
    std::string productIdentifier; // of the payment
    State state = kPurchasing;
    std::optional<StoreError> error; // set when failed
    // For a restored transaction, the purchase it restores (else null).
    Ref<PaymentTransaction> originalTransaction;
    // The store's signed proof of a purchased transaction (empty otherwise).
    std::vector<uint8_t> transactionReceipt;
};

// An observer of the payment queue: the game's purchase service, or another
// part of the application that sells through the same queue.
class PaymentTransactionObserver {
public:
    virtual ~PaymentTransactionObserver() = default;
    virtual void paymentQueueUpdatedTransactions(const std::vector<Ref<PaymentTransaction>>& transactions) = 0;
};

// The platform's store: products requests and the payment queue. Every
// answer and update runs later on the main run loop, never inside the call
// that caused it. A transaction that is purchased, restored or failed stays
// in the queue until finishTransaction: until then it is kept in the
// documents folder ("StoreTransactions.plist") and delivered again to the
// observer that registers in a later run. Main thread.
class Store {
public:
    // The installed store (the desktop's unless another was installed).
    static std::shared_ptr<Store> sharedInstance();
    // Installs a store, or a fresh desktop one for null; answers the previous.
    static std::shared_ptr<Store> replaceSharedInstance(std::shared_ptr<Store> store);

    virtual ~Store() = default;
    // Whether the player may pay at all.
    virtual bool canMakePayments() const = 0;
    // Asks for the products' prices; `done` gets the products the store
    // knows, in an order of its choosing, and the identifiers it does not.
    virtual void requestProducts(
        const std::vector<std::string>& identifiers,
        std::function<void(const std::vector<StoreProduct>& products, const std::vector<std::string>& invalid)>
            done) = 0;
    // The queue's observer (not owned; one at a time, null removes it).
    // Registering delivers the transactions left unfinished.
    virtual void setTransactionObserver(PaymentTransactionObserver* observer) = 0;
    // Further observers beside that one (not owned): each sees every update,
    // in the order they were added, after the one above. Adding delivers the
    // transactions left unfinished to the new observer only.
    virtual void addTransactionObserver(PaymentTransactionObserver* observer) = 0;
    virtual void removeTransactionObserver(PaymentTransactionObserver* observer) = 0;
    virtual void addPayment(const std::string& productIdentifier) = 0;
    // Takes a transaction that reached its end off the queue for good.
    virtual void finishTransaction(PaymentTransaction& transaction) = 0;
};

} // namespace mw
