#include "game/village/InAppPurchase.h"

#include <cmath>

#include "foundation/Format.h"
#include "foundation/Log.h"
#include "foundation/Shared.h"
#include "foundation/UserDefaults.h"
#include "game/state/LocalisationManager.h"
#include "game/state/Profile.h"
#include "game/state/SessionReturnPoint.h"

namespace mw {

namespace {

std::string localized(const char* key) { return LocalisationManager::sharedInstance()->getValue(key); }

int32_t packGold(const Profile& profile, int packIndex)
{
    const int32_t amounts[InAppPurchase::kPackCount] = {profile.MicroGoldCount1, profile.MicroGoldCount2,
                                                        profile.MicroGoldCount3, profile.MicroGoldCount4,
                                                        profile.MicroGoldCount5, profile.MicroGoldCount6};
    return amounts[packIndex];
}

void increaseDefault(const std::string& key)
{
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    defaults.setObject(key, Value(static_cast<int32_t>(defaults.integerForKey(key) + 1)));
    defaults.synchronize();
}

} // namespace

InAppPurchase* InAppPurchase::sharedInstance() { return Shared<InAppPurchase>::get(); }

void InAppPurchase::purgeSharedInstance() { Shared<InAppPurchase>::purge(); }

InAppPurchase::InAppPurchase() { Store::sharedInstance()->setTransactionObserver(this); }

InAppPurchase::~InAppPurchase()
{
    *alive_ = false;
    Store::sharedInstance()->setTransactionObserver(nullptr);
}

std::string InAppPurchase::productIdentifier(int packIndex)
{
    return format("com.zandovar.mosswick.money%d", packIndex + 1);
}

std::optional<int> InAppPurchase::packIndexOf(const std::string& identifier)
{
    for (int i = 0; i < kPackCount; ++i)
        if (identifier == productIdentifier(i)) return i;
    return std::nullopt;
}

std::string InAppPurchase::formatPrice(double price, const std::string& priceLocale)
{
    // The language and the currency decide the symbol, its side and the
    // decimal mark, as the store's number formatter would.
    const std::string language = priceLocale.substr(0, priceLocale.find_first_of("_@"));
    std::string currency = "USD";
    if (size_t at = priceLocale.find("currency="); at != std::string::npos) currency = priceLocale.substr(at + 9, 3);
    const bool commaDecimals = language == "de" || language == "pl" || language == "fr" || language == "it" ||
                               language == "es" || language == "nl";
    const bool wholeUnits = currency == "JPY";
    std::string number = wholeUnits ? format("%.0f", std::round(price)) : format("%.2f", price);
    if (commaDecimals) {
        if (size_t dot = number.find('.'); dot != std::string::npos) number[dot] = ',';
    }
    static const std::map<std::string, std::string> symbols = {
        {"USD", "$"}, {"EUR", "€"}, {"GBP", "£"}, {"PLN", "zł"}, {"JPY", "¥"}, {"CAD", "CA$"}, {"AUD", "A$"}};
    auto found = symbols.find(currency);
    const std::string symbol = found != symbols.end() ? found->second : currency;
    if (commaDecimals) return number + "\u00a0" + symbol;
    return symbol + number;
}

void InAppPurchase::requestProducts(const std::vector<std::string>& identifiers)
{
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    if (defaults.integerForKey("MicroCount") <= 0) {
        Profile::sharedInstance()->TriedInApps = true;
        productIdentifiers = identifiers;
        requestInFlight_ = true;
        std::weak_ptr<bool> alive = alive_;
        Ref<InAppPurchase> keep(this);
        Store::sharedInstance()->requestProducts(
            identifiers, [alive, keep](const std::vector<StoreProduct>& products, const std::vector<std::string>&) {
                if (auto flag = alive.lock(); flag && *flag) keep->productsReceived(products);
            });
        return;
    }
    // Stored by pack: every pack's entry is looked at, whatever the count.
    products_.clear();
    for (int i = 0; i < kPackCount; ++i) {
        Value price = defaults.objectForKey(format("Micro_%d", i));
        if (!price.isNull()) products_[i] = price.asString();
    }
}

void InAppPurchase::productsReceived(const std::vector<StoreProduct>& products)
{
    logLine("Received products results...");
    requestInFlight_ = false;
    products_.clear();
    logLine("Received products count: %d", static_cast<int>(products.size()));
    if (products.empty()) return;
    // Each price belongs to the pack its identifier names, whatever order
    // the store answered in.
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    int received = 0;
    for (const StoreProduct& product : products) {
        auto pack = packIndexOf(product.productIdentifier);
        if (!pack) continue;
        const std::string text = formatPrice(product.price, product.priceLocale);
        defaults.setObject(format("Micro_%d", *pack), Value(text));
        products_[*pack] = text;
        ++received;
    }
    defaults.setObject("MicroCount", Value(static_cast<int32_t>(received)));
}

void InAppPurchase::buyProductIdentifier(const std::string& identifier)
{
    auto store = Store::sharedInstance();
    if (!store->canMakePayments()) {
        if (CurrentFrame) CurrentFrame->Failed(localized("IAP_NO_PERMISSION"));
        return;
    }
    logLine("Buying %s...", identifier.c_str());
    store->addPayment(identifier);
    increaseDefault(identifier);
}

void InAppPurchase::paymentQueueUpdatedTransactions(const std::vector<Ref<PaymentTransaction>>& transactions)
{
    auto store = Store::sharedInstance();
    for (const Ref<PaymentTransaction>& transaction : transactions) {
        switch (transaction->state) {
        case PaymentTransaction::kPurchasing:
            if (CurrentFrame) CurrentFrame->SetText(localized("IAP_IN_PROGRESS"));
            break;
        case PaymentTransaction::kPurchased:
        case PaymentTransaction::kRestored: {
            // Without a village loaded there is no game to credit: crediting
            // now would save an empty profile as the player's. Left unfinished,
            // the store delivers it again at the next launch.
            if (!Profile::sharedInstance()->Loaded) {
                logLine("Payment for %s kept for a loaded village", transaction->productIdentifier.c_str());
                break;
            }
            // The queue may report one transaction again before its finish
            // reached it: it was paid for once and is credited once.
            if (!transaction->transactionIdentifier.empty() &&
                !delivered_.insert(transaction->transactionIdentifier).second) {
                logLine("Payment %s already delivered", transaction->transactionIdentifier.c_str());
                store->finishTransaction(*transaction);
                break;
            }
            const bool restored = transaction->state == PaymentTransaction::kRestored;
            logLine(restored ? "restoreTransaction..." : "completeTransaction...");
            const std::string product = restored && transaction->originalTransaction
                                            ? transaction->originalTransaction->productIdentifier
                                            : transaction->productIdentifier;
            provideContent(product);
            store->finishTransaction(*transaction);
            break;
        }
        case PaymentTransaction::kFailed: failedTransaction(*transaction); break;
        }
    }
}

void InAppPurchase::failedTransaction(PaymentTransaction& transaction)
{
    logLine("failedTransaction...");
    std::string text;
    const int code = transaction.error ? transaction.error->code : 0;
    if (code == 2) text = localized("IAP_CANCELLED");
    else if (code == 1 || code == 4) text = localized("IAP_NO_PERMISSION");
    else text = transaction.error ? transaction.error->localizedDescription : std::string();
    if (CurrentFrame) CurrentFrame->Failed(text);
    Store::sharedInstance()->finishTransaction(transaction);
}

void InAppPurchase::provideContent(const std::string& identifier)
{
    logLine("Toggling flag for: %s", identifier.c_str());
    if (auto pack = packIndexOf(identifier)) {
        Profile& profile = *Profile::sharedInstance();
        const int32_t gold = packGold(profile, *pack);
        profile.GoldCount += gold;
        profile.GoldEarned += gold;
        SessionReturnPoint::noteGoldBought(gold);
        if (CurrentFrame) CurrentFrame->Success(gold);
        profile.Save();
    }
    increaseDefault(identifier + "_done");
}

} // namespace mw
