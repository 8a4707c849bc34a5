// Feeds arbitrary bytes to the keyed-archive reader as a stored queue of
// server data records would be read, then to a record's own decoding. Any
// record that comes back must write an archive again that reads back to the
// same kind, address and data.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "foundation/KeyedArchive.h"
#include "foundation/Log.h"
#include "social/queues/records/CCAbstractServerData.h"
#include "social/queues/records/CCServerRecords.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    mw::setLogSink([](const std::string&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string error;
    mw::Ref<mw::Object> root = mw::unarchiveObjectWithData(data, size, &error);
    auto record = mw::dynamicRef<mw::CCAbstractServerData>(root);
    if (!record) return 0;
    (void)record->description();
    (void)record->dataAvailable();
    if (auto* image = dynamic_cast<mw::CCImageData*>(record.get())) (void)image->imageDataAsUIImage();

    const std::vector<uint8_t> again = mw::archivedDataWithRootObject(record.get(), &error);
    auto back = mw::dynamicRef<mw::CCAbstractServerData>(mw::unarchiveObjectWithData(again, &error));
    if (!back || back->dataType() != record->dataType() || back->url() != record->url() ||
        back->mainData() != record->mainData() || back->postData() != record->postData()) {
        std::fprintf(stderr, "server_data_archive: record changed through its archive\n");
        std::abort();
    }
    return 0;
}
