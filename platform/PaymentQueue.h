#pragma once

#include <string>
#include <vector>

#include "platform/Store.h"

namespace mw {

// The part of a store every store shares: the observer, the delivery of
// updates through the main run loop, and the file of transactions not yet
// finished (written atomically; a damaged one is moved aside and reported;
// one that cannot be read, or cannot be moved aside, is left alone and never
// overwritten in that run).
// A store derives from it and decides what becomes of each payment.
class PaymentQueue : public Store {
public:
    // Loads what an earlier run left unfinished.
    PaymentQueue();
    ~PaymentQueue() override;

    void setTransactionObserver(PaymentTransactionObserver* observer) override;
    void addTransactionObserver(PaymentTransactionObserver* observer) override;
    void removeTransactionObserver(PaymentTransactionObserver* observer) override;
    void addPayment(const std::string& productIdentifier) override;
    void finishTransaction(PaymentTransaction& transaction) override;

    // Transactions not finished, in the order they began.
    const std::vector<Ref<PaymentTransaction>>& transactions() const { return transactions_; }

protected:
    // A new payment joined the queue (already told as purchasing): decide
    // its outcome now or later through update().
    virtual void paymentAdded(PaymentTransaction& transaction) = 0;
    // Moves a transaction on and tells the observer through the run loop.
    void update(PaymentTransaction& transaction, PaymentTransaction::State state,
                std::optional<StoreError> error = std::nullopt);
    // Adds a restored transaction for a product bought earlier.
    void restore(const std::string& productIdentifier);
    // Adds a transaction of its own for a payment the store settles late
    // (after it already reported the first one as failed); not yet told.
    PaymentTransaction& lateTransaction(const std::string& productIdentifier);

private:
    // To every observer, or to `only` when given (if it is still registered).
    void deliverLater(std::vector<Ref<PaymentTransaction>> transactions, PaymentTransactionObserver* only = nullptr);
    std::vector<Ref<PaymentTransaction>> endedTransactions() const;
    bool isObserver(PaymentTransactionObserver* observer) const;
    void load();
    void save();
    std::string newIdentifier();

    PaymentTransactionObserver* observer_ = nullptr;
    std::vector<PaymentTransactionObserver*> extraObservers_;
    std::vector<Ref<PaymentTransaction>> transactions_;
    bool fileWritable_ = true;
    int counter_ = 0;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace mw
