#include "social/services/CCStorePurchases.h"

#include <algorithm>

#include "foundation/Log.h"
#include "foundation/Shared.h"
#include "platform/LocaleFormats.h"
#include "social/data/CCDataStore.h"
#include "social/queues/CCFetchManager.h"
#include "social/data/CCLumoraService.h"
#include "social/services/CCServiceSession.h"
#include "social/queues/records/CCServerRecords.h"
#include "social/support/CCJSON.h"

namespace mw {

namespace {

constexpr int kCancelledCode = 2;

std::vector<std::string> settingProductIds()
{
    std::vector<std::string> ids;
    CCServiceSession* session = CCServiceSession::installed();
    if (!session) return ids;
    const Value& setting = session->valueForWorkaroundSetting(6);
    if (!setting.isArray()) return ids;
    for (const Value& id : setting.asArray())
        if (id.isString()) ids.push_back(id.asString());
    return ids;
}

} // namespace

std::string priceAsString(const StoreProduct& product) { return formatCurrency(product.price, product.priceLocale); }

// ---- products ----

CCSKProductInfo* CCSKProductInfo::sharedInstance() { return Shared<CCSKProductInfo>::get(); }
void CCSKProductInfo::releaseSharedInstance() { Shared<CCSKProductInfo>::purge(); }
bool CCSKProductInfo::checkForSharedInstance() { return Shared<CCSKProductInfo>::current() != nullptr; }

CCSKProductInfo::~CCSKProductInfo() { currentRequest_ = 0; }

void CCSKProductInfo::startUpdating()
{
    const std::vector<std::string> ids = settingProductIds();
    if (ids.empty()) return;
    const uint64_t request = ++requestCounter_;
    currentRequest_ = request;
    updateState_ = kRequestRunning;
    // The answer comes through the run loop; by then this object may be gone
    // (it is then no longer the shared one, and the answer is dropped).
    Ref<CCSKProductInfo> self(this);
    Store::sharedInstance()->requestProducts(
        ids, [self, request](const std::vector<StoreProduct>& products, const std::vector<std::string>& invalid) {
            self->productsRequestDidReceiveResponse(request, products, invalid);
        });
}

void CCSKProductInfo::productsRequestDidReceiveResponse(uint64_t request, const std::vector<StoreProduct>& products,
                                                        const std::vector<std::string>& invalid)
{
    if (Shared<CCSKProductInfo>::current() != this || request == 0 || request != currentRequest_) return;
    currentRequest_ = 0;
    products_ = products;
    updateState_ = kReceived;
    for (const StoreProduct& product : products_) setReplacementTextForProduct(product);
    if (!invalid.empty()) {
        std::string list = "(\n";
        for (size_t i = 0; i < invalid.size(); ++i)
            list += "    \"" + invalid[i] + "\"" + (i + 1 < invalid.size() ? ",\n" : "\n");
        list += ")";
        logLine(">>> Invalid product identifiers in product request response from Apple!\n%s\nCheck your IDs in the "
                "LumoraSettingEnableVirtualGoods call.",
                list.c_str());
    }
}

bool CCSKProductInfo::productInfoIsUpToDate()
{
    CCSKProductInfo* info = Shared<CCSKProductInfo>::current();
    return info && info->updateState_ == kReceived;
}

const StoreProduct* CCSKProductInfo::productForProductId(const std::string& identifier) const
{
    for (const StoreProduct& product : products_)
        if (product.productIdentifier == identifier) return &product;
    return nullptr;
}

void CCSKProductInfo::setReplacementTextForProduct(const StoreProduct& product)
{
    CCDataStore* store = CCDataStore::sharedInstance();
    store->setTextForToken(product.localizedTitle, product.productIdentifier + "_title");
    store->setTextForToken(product.localizedDescription, product.productIdentifier + "_desc");
    store->setTextForToken(priceAsString(product), product.productIdentifier + "_curr");
}

// ---- transactions ----

CCSKTransactionHandler* CCSKTransactionHandler::sharedInstance() { return Shared<CCSKTransactionHandler>::get(); }
void CCSKTransactionHandler::releaseSharedInstance() { Shared<CCSKTransactionHandler>::purge(); }
bool CCSKTransactionHandler::checkForSharedInstance() { return Shared<CCSKTransactionHandler>::current() != nullptr; }

CCSKTransactionHandler::CCSKTransactionHandler() : store_(Store::sharedInstance())
{
    store_->addTransactionObserver(this);
}

CCSKTransactionHandler::~CCSKTransactionHandler()
{
    store_->removeTransactionObserver(this);
    currentPayment_.reset();
}

bool CCSKTransactionHandler::canMakePayments() const
{
    return CCSKProductInfo::productInfoIsUpToDate() && Store::sharedInstance()->canMakePayments();
}

std::optional<std::string> CCSKTransactionHandler::paymentForProductId(const std::string& identifier) const
{
    CCSKProductInfo* info = Shared<CCSKProductInfo>::current();
    if (!info) return std::nullopt;
    const StoreProduct* product = info->productForProductId(identifier);
    if (!product) return std::nullopt;
    return product->productIdentifier;
}

void CCSKTransactionHandler::initiateTransactionWithId(const std::string& identifier)
{
    std::optional<std::string> payment = paymentForProductId(identifier);
    if (!payment) return;
    currentPayment_ = payment;
    Store::sharedInstance()->addPayment(*payment);
}

bool CCSKTransactionHandler::paymentIsEqualTo(const std::optional<std::string>& a, const std::optional<std::string>& b)
{
    return a && b && *a == *b;
}

std::string CCSKTransactionHandler::base64ForData(const std::vector<uint8_t>& data)
{
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((data.size() + 2) / 3 * 4);
    for (size_t i = 0; i < data.size(); i += 3) {
        const size_t left = data.size() - i;
        const uint32_t chunk = (uint32_t(data[i]) << 16) | (left > 1 ? uint32_t(data[i + 1]) << 8 : 0) |
                               (left > 2 ? uint32_t(data[i + 2]) : 0);
        out += kAlphabet[(chunk >> 18) & 63];
        out += kAlphabet[(chunk >> 12) & 63];
        out += left > 1 ? kAlphabet[(chunk >> 6) & 63] : '=';
        out += left > 2 ? kAlphabet[chunk & 63] : '=';
    }
    return out;
}

void CCSKTransactionHandler::paymentQueueUpdatedTransactions(const std::vector<Ref<PaymentTransaction>>& transactions)
{
    Ref<CCSKTransactionHandler> keep(this); // a delegate may release the handler
    for (size_t i = 0; i < transactions.size(); ++i) {
        PaymentTransaction& transaction = *transactions[i];
        const bool last = i + 1 == transactions.size();
        if (last) {
            switch (transaction.state) {
            case PaymentTransaction::kRestored: transactionRestored(transaction); break;
            case PaymentTransaction::kFailed: transactionFailed(transaction); break;
            case PaymentTransaction::kPurchased: transactionCompleted(transaction, false); break;
            default: break;
            }
        } else if (transaction.state == PaymentTransaction::kPurchased) {
            transactionCompleted(transaction, true);
        }
        if (transaction.state != PaymentTransaction::kPurchasing) {
            store_->finishTransaction(transaction);
            if (paymentIsEqualTo(transaction.productIdentifier, currentPayment_)) currentPayment_.reset();
        }
    }
}

void CCSKTransactionHandler::transactionCompleted(const PaymentTransaction& transaction, bool tellServerSilently)
{
    const std::string receipt = base64ForData(transaction.transactionReceipt);
    if (!tellServerSilently && delegate_) {
        delegate_->transactionFinishedWithError(std::nullopt, false, transaction.productIdentifier, receipt);
        return;
    }
    const std::string url = CCLumoraService::liteBaseUrl() + kReportPage;
    auto record = makeRef<CCUIDescription>(url, 500, 0);
    Value::Dictionary body;
    body.set("productID", Value(transaction.productIdentifier));
    body.set("receipt", Value(receipt));
    CCJSON writer;
    std::optional<std::string> json = writer.stringWithObject(Value(std::move(body)), false, nullptr);
    if (!json) {
        logLine("Store purchases: the receipt report of %s could not be written",
                transaction.productIdentifier.c_str());
        return;
    }
    record->setPostData(Value::Bytes(json->begin(), json->end()));
    CCFetchManager* fetchManager = CCFetchManager::sharedInstance();
    fetchManager->clearUrlFromCache(url);
    fetchManager->queueServerDataForPost(record);
}

void CCSKTransactionHandler::transactionFailed(const PaymentTransaction& transaction)
{
    if (!delegate_) return;
    const bool cancelled = transaction.error && transaction.error->code == kCancelledCode;
    delegate_->transactionFinishedWithError(transaction.error, cancelled, transaction.productIdentifier, std::nullopt);
}

} // namespace mw
