// Feeds arbitrary bytes to the reading of the stored-sessions file. What
// reads as records must survive being written and read again unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "analytics/TallySessionStore.h"
#include "foundation/KeyedArchive.h"
#include "foundation/Log.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    mw::setLogSink([](const std::string&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<uint8_t> bytes(data, data + size);
    const auto records = mw::TallySessionStore::parseSavedSessions(bytes);
    if (!records) return 0;
    mw::Value::Array list;
    for (const auto& record : *records) list.emplace_back(record);
    mw::KeyedArchiver archiver;
    archiver.encodeItem("root", mw::ArchiveItem(mw::Value(std::move(list))));
    const std::vector<uint8_t> written = archiver.encodedData();
    const auto again = mw::TallySessionStore::parseSavedSessions(written);
    if (!again || *again != *records) {
        std::fprintf(stderr, "stored records changed through a write\n");
        std::abort();
    }
    return 0;
}
