#include "platform/PaymentQueue.h"

#include <algorithm>
#include <cstdio>

#include "foundation/AtomicFile.h"
#include "foundation/Clock.h"
#include "foundation/Format.h"
#include "foundation/GuardedPropertyList.h"
#include "foundation/Log.h"
#include "foundation/Paths.h"
#include "foundation/PropertyList.h"
#include "foundation/RunLoop.h"

namespace mw {

namespace {

std::string queuePath() { return Paths::documentsPath("StoreTransactions.plist"); }

bool isEnded(PaymentTransaction::State state) { return state != PaymentTransaction::kPurchasing; }

Value encode(const PaymentTransaction& t)
{
    Value::Dictionary entry;
    entry.set("id", Value(t.transactionIdentifier));
    entry.set("product", Value(t.productIdentifier));
    entry.set("state", Value(static_cast<int32_t>(t.state)));
    if (t.error) {
        entry.set("errorCode", Value(static_cast<int32_t>(t.error->code)));
        entry.set("errorText", Value(t.error->localizedDescription));
    }
    if (t.originalTransaction) entry.set("original", Value(t.originalTransaction->transactionIdentifier));
    if (!t.transactionReceipt.empty())
        entry.set("receipt", Value(std::string(t.transactionReceipt.begin(), t.transactionReceipt.end())));
    return Value(std::move(entry));
}

Ref<PaymentTransaction> decode(const Value& entry)
{
    auto t = makeRef<PaymentTransaction>();
    t->transactionIdentifier = entry["id"].asString();
    t->productIdentifier = entry["product"].asString();
    int state = entry["state"].asInt();
    if (t->transactionIdentifier.empty() || state < 1 || state > 3) return nullptr;
    t->state = static_cast<PaymentTransaction::State>(state);
    const std::string receipt = entry["receipt"].asString();
    t->transactionReceipt.assign(receipt.begin(), receipt.end());
    if (t->state == PaymentTransaction::kFailed)
        t->error = StoreError{entry["errorCode"].asInt(), entry["errorText"].asString()};
    if (t->state == PaymentTransaction::kRestored) {
        t->originalTransaction = makeRef<PaymentTransaction>();
        t->originalTransaction->transactionIdentifier = entry["original"].asString();
        t->originalTransaction->productIdentifier = t->productIdentifier;
        t->originalTransaction->state = PaymentTransaction::kPurchased;
    }
    return t;
}

} // namespace

PaymentQueue::PaymentQueue() { load(); }

PaymentQueue::~PaymentQueue() { *alive_ = false; }

std::vector<Ref<PaymentTransaction>> PaymentQueue::endedTransactions() const
{
    std::vector<Ref<PaymentTransaction>> ended;
    for (const auto& t : transactions_)
        if (isEnded(t->state)) ended.push_back(t);
    return ended;
}

bool PaymentQueue::isObserver(PaymentTransactionObserver* observer) const
{
    return observer && (observer == observer_ ||
                        std::find(extraObservers_.begin(), extraObservers_.end(), observer) != extraObservers_.end());
}

void PaymentQueue::setTransactionObserver(PaymentTransactionObserver* observer)
{
    observer_ = observer;
    if (!observer_) return;
    // What an earlier run (or this one) left unfinished is offered again.
    auto ended = endedTransactions();
    if (!ended.empty()) deliverLater(std::move(ended), observer);
}

void PaymentQueue::addTransactionObserver(PaymentTransactionObserver* observer)
{
    if (!observer || isObserver(observer)) return;
    extraObservers_.push_back(observer);
    auto ended = endedTransactions();
    if (!ended.empty()) deliverLater(std::move(ended), observer);
}

void PaymentQueue::removeTransactionObserver(PaymentTransactionObserver* observer)
{
    if (observer == observer_) observer_ = nullptr;
    std::erase(extraObservers_, observer);
}

void PaymentQueue::addPayment(const std::string& productIdentifier)
{
    auto t = makeRef<PaymentTransaction>();
    t->transactionIdentifier = newIdentifier();
    t->productIdentifier = productIdentifier;
    transactions_.push_back(t);
    deliverLater({t});
    paymentAdded(*t);
}

void PaymentQueue::finishTransaction(PaymentTransaction& transaction)
{
    auto found = std::find_if(transactions_.begin(), transactions_.end(),
                              [&](const Ref<PaymentTransaction>& t) { return t.get() == &transaction; });
    if (found == transactions_.end()) return;
    if (!isEnded(transaction.state)) {
        logLine("Store: a transaction still purchasing cannot be finished");
        return;
    }
    transactions_.erase(found);
    save();
}

void PaymentQueue::update(PaymentTransaction& transaction, PaymentTransaction::State state,
                          std::optional<StoreError> error)
{
    transaction.state = state;
    transaction.error = std::move(error);
    if (state == PaymentTransaction::kPurchased && transaction.transactionReceipt.empty()) {
        // The stand-in's receipt: a small signed-looking text naming the purchase.
        const std::string receipt = format("{\"transaction-id\" = \"%s\"; \"product-id\" = \"%s\";}",
                                           transaction.transactionIdentifier.c_str(),
                                           transaction.productIdentifier.c_str());
        transaction.transactionReceipt.assign(receipt.begin(), receipt.end());
    }
    if (isEnded(state)) save();
    deliverLater({Ref<PaymentTransaction>(&transaction)});
}

void PaymentQueue::restore(const std::string& productIdentifier)
{
    auto t = makeRef<PaymentTransaction>();
    t->transactionIdentifier = newIdentifier();
    t->productIdentifier = productIdentifier;
    t->originalTransaction = makeRef<PaymentTransaction>();
    t->originalTransaction->transactionIdentifier = newIdentifier();
    t->originalTransaction->productIdentifier = productIdentifier;
    t->originalTransaction->state = PaymentTransaction::kPurchased;
    transactions_.push_back(t);
    update(*t, PaymentTransaction::kRestored);
}

PaymentTransaction& PaymentQueue::lateTransaction(const std::string& productIdentifier)
{
    auto t = makeRef<PaymentTransaction>();
    t->transactionIdentifier = newIdentifier();
    t->productIdentifier = productIdentifier;
    transactions_.push_back(t);
    return *t;
}

void PaymentQueue::deliverLater(std::vector<Ref<PaymentTransaction>> transactions, PaymentTransactionObserver* only)
{
    // Each update carries the state it had when it was made, as the queue
    // reports every step; a transaction finished meanwhile is still told.
    std::vector<std::pair<PaymentTransaction::State, std::optional<StoreError>>> states;
    for (const auto& t : transactions) states.emplace_back(t->state, t->error);
    std::weak_ptr<bool> alive = alive_;
    RunLoop::main().perform([this, alive, only, transactions = std::move(transactions), states]() {
        if (!alive.lock()) return;
        if (only && !isObserver(only)) return;
        std::vector<Ref<PaymentTransaction>> snapshot;
        for (size_t i = 0; i < transactions.size(); ++i) {
            if (transactions[i]->state != states[i].first) {
                // A later step overtook this one: report the step as it was.
                auto copy = makeRef<PaymentTransaction>(*transactions[i]);
                copy->state = states[i].first;
                copy->error = states[i].second;
                snapshot.push_back(copy);
            } else {
                snapshot.push_back(transactions[i]);
            }
        }
        if (only) {
            only->paymentQueueUpdatedTransactions(snapshot);
            return;
        }
        // Copied first: an observer may add or remove observers while told.
        std::vector<PaymentTransactionObserver*> observers;
        if (observer_) observers.push_back(observer_);
        observers.insert(observers.end(), extraObservers_.begin(), extraObservers_.end());
        for (PaymentTransactionObserver* observer : observers)
            if (isObserver(observer)) observer->paymentQueueUpdatedTransactions(snapshot);
    });
}

void PaymentQueue::load()
{
    const std::string path = queuePath();
    std::optional<Value> value;
    const GuardedRead read = readGuardedPropertyList(path, "Store: " + path, AtomicFile::kDefaultReadLimit,
        &Value::isArray, "no list of transactions", value);
    // Unfinished purchases may be in it: never written over before it is read.
    if (read == GuardedRead::Unreadable) fileWritable_ = false;
    if (read != GuardedRead::Read) return;
    for (const Value& entry : value->asArray()) {
        if (auto t = decode(entry)) transactions_.push_back(t);
        else logLine("Store: skipped an unreadable transaction in %s", path.c_str());
    }
}

void PaymentQueue::save()
{
    if (!fileWritable_) return;
    Value::Array list;
    for (const auto& t : transactions_)
        if (isEnded(t->state)) list.push_back(encode(*t));
    const std::string path = queuePath();
    if (list.empty()) {
        std::remove(path.c_str());
        return;
    }
    Paths::createDirectories(Paths::documentsDirectory());
    if (!writePropertyListFile(path, Value(std::move(list))))
        logLine("Store: unfinished transactions could not be kept in %s", path.c_str());
}

std::string PaymentQueue::newIdentifier()
{
    return format("%.0f.%d", Clock::wallSeconds() * 1000, ++counter_);
}

} // namespace mw
