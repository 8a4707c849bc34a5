#pragma once

// A scripted stand-in of the platform's store: tests set whether payments are
// allowed, the catalogue (in the order the store answers), and the outcomes of
// each payment of a product. Answers and updates arrive through the main run
// loop. It shares the real queue's file of unfinished transactions, so a test
// can end a "run" by destroying the store and start another with a new one.

#include <algorithm>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "foundation/RunLoop.h"
#include "platform/PaymentQueue.h"

namespace mw::test {

class ScriptedStore : public PaymentQueue {
public:
    struct Outcome {
        PaymentTransaction::State state;
        std::optional<StoreError> error;
    };

    bool canMakePayments() const override { return paymentsAllowed; }

    void requestProducts(
        const std::vector<std::string>& identifiers,
        std::function<void(const std::vector<StoreProduct>&, const std::vector<std::string>&)> done) override
    {
        requests.push_back(identifiers);
        std::vector<StoreProduct> products;
        std::vector<std::string> invalid;
        for (const auto& product : catalogue)
            if (std::find(identifiers.begin(), identifiers.end(), product.productIdentifier) != identifiers.end())
                products.push_back(product);
        for (const auto& identifier : identifiers)
            if (std::none_of(products.begin(), products.end(),
                             [&](const StoreProduct& p) { return p.productIdentifier == identifier; }))
                invalid.push_back(identifier);
        RunLoop::main().perform([products, invalid, done] {
            if (done) done(products, invalid);
        });
    }

    // The outcomes of the next payment of this product, in order (the
    // purchasing step comes first on its own). Unscripted payments are
    // purchased.
    void script(const std::string& productIdentifier, std::vector<Outcome> outcomes)
    {
        scripts[productIdentifier].push_back(std::move(outcomes));
    }
    // Adds a restored transaction of an earlier purchase.
    void restorePurchase(const std::string& productIdentifier) { restore(productIdentifier); }

    bool paymentsAllowed = true;
    std::vector<StoreProduct> catalogue;                // in the store's order
    std::vector<std::vector<std::string>> requests;     // identifiers of each products request
    std::vector<std::string> payments;                  // product of each payment, in order

protected:
    void paymentAdded(PaymentTransaction& transaction) override
    {
        payments.push_back(transaction.productIdentifier);
        std::vector<Outcome> outcomes{{PaymentTransaction::kPurchased, std::nullopt}};
        auto& queue = scripts[transaction.productIdentifier];
        if (!queue.empty()) {
            outcomes = queue.front();
            queue.pop_front();
        }
        PaymentTransaction* current = &transaction;
        for (const auto& outcome : outcomes) {
            // After a step that ended the payment, the store settles it late
            // as a transaction of its own.
            if (current->state != PaymentTransaction::kPurchasing)
                current = &lateTransaction(transaction.productIdentifier);
            update(*current, outcome.state, outcome.error);
        }
    }

private:
    std::map<std::string, std::deque<std::vector<Outcome>>> scripts;
};

} // namespace mw::test
