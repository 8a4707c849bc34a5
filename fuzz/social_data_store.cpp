// Feeds arbitrary bytes to the social client's "DataStore" reader, as the
// store reads its file at start-up. A file that reads must write again, and
// that archive must read back and write to the same bytes: nothing of the
// player's identity or the logs drifts through a save.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "foundation/Log.h"
#include "social/data/CCDataStore.h"
#include "social/data/CCUniqueId.h"

namespace {

[[noreturn]] void mismatch(const char* what)
{
    std::fprintf(stderr, "social_data_store: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    mw::setLogSink([](const std::string&) {});
    // Links the identity's registration in, so that "CCUniqueId" records decode.
    (void)mw::makeRef<mw::CCUniqueId>("seed");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    mw::CCDataStore::Entries entries;
    std::vector<std::string> order;
    if (!mw::CCDataStore::decodeArchive(data, size, entries, order)) return 0;
    const std::string first = mw::CCDataStore::encodeArchive(entries, order);
    if (first.empty()) mismatch("a store that reads does not write");
    mw::CCDataStore::Entries again;
    std::vector<std::string> againOrder;
    if (!mw::CCDataStore::decodeArchive(reinterpret_cast<const uint8_t*>(first.data()), first.size(), again,
                                        againOrder)) {
        mismatch("a written store does not read back");
    }
    if (againOrder != order) mismatch("the keys changed order");
    if (mw::CCDataStore::encodeArchive(again, againOrder) != first) mismatch("a second write differs");
    return 0;
}
