#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "foundation/Object.h"
#include "game/village/InAppFrame.h"
#include "platform/Store.h"

namespace mw {

// The game's one client of the store: it sells six coin packs, keeps their
// prices in the user defaults ("MicroCount", "Micro_<pack index>"), starts
// payments (counting attempts under the product identifier), credits the gold
// of each delivery to the profile and saves it (counting deliveries under
// "<identifier>_done"), and tells the purchase pop-up how a payment goes.
// It is the store's transaction observer from its creation on. Main thread.
class InAppPurchase : public Object, public PaymentTransactionObserver {
public:
    static constexpr int kPackCount = 6;

    static InAppPurchase* sharedInstance();
    static void purgeSharedInstance();

    InAppPurchase();
    ~InAppPurchase() override;

    // "com.zandovar.mosswick.money1" .. "money6", by pack index 0 .. 5.
    static std::string productIdentifier(int packIndex);
    // The pack index of an identifier, or nothing for another product.
    static std::optional<int> packIndexOf(const std::string& productIdentifier);
    // A price in the currency style of a price locale ("en_US@currency=USD").
    static std::string formatPrice(double price, const std::string& priceLocale);

    // With no prices stored, asks the store for them (and marks that the
    // player looked at the packs); otherwise takes the stored ones.
    void requestProducts(const std::vector<std::string>& identifiers);
    // The known prices by pack index; a pack the store did not price has none.
    const std::map<int, std::string>& products() const { return products_; }

    // Starts a payment, or tells the pop-up the player may not pay.
    void buyProductIdentifier(const std::string& productIdentifier);
    // The pop-up told of progress (not owned; null for none).
    void SetFrame(InAppFrame* frame) { CurrentFrame = frame; }
    void requestCancel() { CurrentFrame = nullptr; }

    void paymentQueueUpdatedTransactions(const std::vector<Ref<PaymentTransaction>>& transactions) override;

    InAppFrame* CurrentFrame = nullptr;
    std::vector<std::string> productIdentifiers;

private:
    void productsReceived(const std::vector<StoreProduct>& products);
    void failedTransaction(PaymentTransaction& transaction);
    void provideContent(const std::string& productIdentifier);

    std::map<int, std::string> products_;
    // Identifiers of the transactions credited in this run.
    std::set<std::string> delivered_;
    bool requestInFlight_ = false;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace mw
