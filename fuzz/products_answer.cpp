// Turns arbitrary bytes into a store's products answer (identifiers, titles,
// descriptions, prices and price locales) and publishes its text tokens as
// the product info does. Every valid product must leave its three tokens.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/Log.h"
#include "fuzz/ScratchFolder.h"
#include "platform/LocaleFormats.h"
#include "platform/Store.h"
#include "social/data/CCDataStore.h"
#include "social/services/CCStorePurchases.h"

namespace {

// Reads a field up to the next NUL byte (or the end).
std::string field(const uint8_t*& data, const uint8_t* end)
{
    const uint8_t* stop = static_cast<const uint8_t*>(std::memchr(data, 0, static_cast<size_t>(end - data)));
    if (!stop) stop = end;
    std::string text(reinterpret_cast<const char*>(data), static_cast<size_t>(stop - data));
    data = stop < end ? stop + 1 : end;
    return text;
}

// Each product writes the store's file three times, and each write encodes
// every token kept so far. Two products cover a first identifier and a
// second one, new or the same again; more only repeat those.
constexpr size_t kMaxProducts = 2;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    mw::setLogSink([](const std::string&) {});
    // The data store writes its file at each token: a scratch data folder.
    mw::fuzz::useScratchHome("products-answer");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const uint8_t* end = data + size;
    std::vector<mw::StoreProduct> products;
    while (data < end && products.size() < kMaxProducts) {
        mw::StoreProduct product;
        product.productIdentifier = field(data, end);
        product.localizedTitle = field(data, end);
        product.localizedDescription = field(data, end);
        double price = 0;
        if (end - data >= static_cast<long>(sizeof price)) {
            std::memcpy(&price, data, sizeof price);
            data += sizeof price;
        }
        product.price = price;
        product.priceLocale = field(data, end);
        products.push_back(std::move(product));
    }
    mw::CCSKProductInfo* info = mw::CCSKProductInfo::sharedInstance();
    mw::CCDataStore* tokens = mw::CCDataStore::sharedInstance();
    for (const mw::StoreProduct& product : products) {
        info->setReplacementTextForProduct(product);
        const std::string& id = product.productIdentifier;
        if (tokens->textForToken(id + "_title") != product.localizedTitle ||
            tokens->textForToken(id + "_desc") != product.localizedDescription ||
            tokens->textForToken(id + "_curr") != mw::priceAsString(product)) {
            std::fprintf(stderr, "products_answer: a product's tokens were not kept\n");
            std::abort();
        }
    }
    tokens->removeAllKeys();
    // The price formatter of the last locale is kept between calls: closed,
    // so that an input leaves as many blocks allocated as it found (one that
    // does not is run again under the leak check, which costs far more).
    mw::forgetCurrencyFormat();
    return 0;
}
