// Feeds arbitrary bytes to the shared record's archive reader, as the cloud
// document, the data store and the keychain copies are read. A record that
// reads must archive again, read back equal, and archive to the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "foundation/Log.h"
#include "social/services/CCDataSharing.h"

namespace {

[[noreturn]] void mismatch(const char* what)
{
    std::fprintf(stderr, "data_sharing_record: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    mw::setLogSink([](const std::string&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::optional<mw::CCDataSharingData> record = mw::CCDataSharingData::unarchive(data, size);
    if (!record) return 0;
    (void)record->description();
    const std::vector<uint8_t> first = record->archive();
    if (first.empty()) return 0; // text a property list cannot carry: refused when written, logged
    std::optional<mw::CCDataSharingData> again = mw::CCDataSharingData::unarchive(first);
    if (!again) mismatch("an archive written does not read back");
    if (!again->isEqual(&*record)) mismatch("the record read back differs");
    if (again->cookieTimestamp != record->cookieTimestamp) mismatch("the cookie date drifted");
    if (again->archive() != first) mismatch("a second archive differs");
    mw::CCDataSharingData merged = *again;
    merged.mergeWithSharingStore(*record);
    if (!merged.isEqual(&*record)) mismatch("merging a record into its equal changed it");
    return 0;
}
