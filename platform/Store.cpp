#include "platform/Store.h"

#include <map>
#include <mutex>

#include "foundation/Format.h"
#include "foundation/Log.h"
#include "foundation/RunLoop.h"
#include "platform/AlertView.h"
#include "platform/PaymentQueue.h"

namespace mw {

namespace {

// The desktop's store sells the game's six coin packs at prices of its own and
// asks in an alert before it "charges": no money is involved. An alert still
// asking when the store goes answers nobody (the payment is dropped with the run).
class DesktopStore : public PaymentQueue, public AlertViewDelegate, public std::enable_shared_from_this<DesktopStore> {
public:
    bool canMakePayments() const override { return true; }

    void requestProducts(
        const std::vector<std::string>& identifiers,
        std::function<void(const std::vector<StoreProduct>&, const std::vector<std::string>&)> done) override
    {
        std::vector<StoreProduct> products;
        std::vector<std::string> invalid;
        for (const auto& identifier : identifiers) {
            if (auto product = productFor(identifier)) products.push_back(*product);
            else invalid.push_back(identifier);
        }
        std::weak_ptr<DesktopStore> weak = weak_from_this();
        RunLoop::main().perform([weak, products, invalid, done] {
            if (weak.lock() && done) done(products, invalid);
        });
    }

    void alertViewClickedButtonAtIndex(AlertView& alert, int index) override
    {
        auto found = asking_.find(&alert);
        if (found == asking_.end()) return;
        Ref<PaymentTransaction> transaction = found->second;
        asking_.erase(found);
        if (index == 1) update(*transaction, PaymentTransaction::kPurchased);
        else update(*transaction, PaymentTransaction::kFailed, StoreError{2, "Cannot connect to the store."});
    }

protected:
    void paymentAdded(PaymentTransaction& transaction) override
    {
        auto product = productFor(transaction.productIdentifier);
        if (!product) {
            update(transaction, PaymentTransaction::kFailed, StoreError{3, "This product is not on sale."});
            return;
        }
        auto alert = makeRef<AlertView>(
            "Confirm your purchase",
            format("Buy %@ for $%.2f?\n(Nothing is charged on this computer.)", product->localizedTitle.c_str(),
                   product->price),
            this, std::vector<std::string>{"Cancel", "Buy"});
        asking_[alert.get()] = Ref<PaymentTransaction>(&transaction);
        alert->show();
    }

private:
    static std::optional<StoreProduct> productFor(const std::string& identifier)
    {
        static const std::map<std::string, std::pair<const char*, double>> catalogue = {
            {"com.zandovar.mosswick.money1", {"A purse of coins", 0.99}},
            {"com.zandovar.mosswick.money2", {"A pouch of coins", 2.99}},
            {"com.zandovar.mosswick.money3", {"A bag of coins", 4.99}},
            {"com.zandovar.mosswick.money4", {"A sack of coins", 9.99}},
            {"com.zandovar.mosswick.money5", {"A chest of coins", 19.99}},
            {"com.zandovar.mosswick.money6", {"A cart of coins", 49.99}},
        };
        auto found = catalogue.find(identifier);
        if (found == catalogue.end()) return std::nullopt;
        return StoreProduct{identifier, found->second.first, found->second.second, "en_US@currency=USD",
                            found->second.first};
    }

    std::map<AlertView*, Ref<PaymentTransaction>> asking_;
};

std::mutex gLock;
std::shared_ptr<Store>& installed()
{
    static std::shared_ptr<Store> store = std::make_shared<DesktopStore>();
    return store;
}

} // namespace

std::shared_ptr<Store> Store::sharedInstance()
{
    std::lock_guard<std::mutex> guard(gLock);
    return installed();
}

std::shared_ptr<Store> Store::replaceSharedInstance(std::shared_ptr<Store> store)
{
    std::lock_guard<std::mutex> guard(gLock);
    if (!store) store = std::make_shared<DesktopStore>();
    std::swap(store, installed());
    return store;
}

} // namespace mw
