// Feeds arbitrary bytes to the readers of the social client's queue files
// ("FetchManager", "PostManager" and "GCPostManager") as the managers read
// them. Whatever they accept must write again and read back to as many
// entries.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "foundation/Log.h"
#include "social/queues/CCFetchManager.h"
#include "social/queues/CCGameCenterPostManager.h"
#include "social/queues/CCRecordArchive.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    mw::setLogSink([](const std::string&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<mw::Ref<mw::CCAbstractServerData>> records;
    if (mw::CCFetchManager::decodeFile(data, size, records)) {
        const std::vector<uint8_t> again = mw::CCFetchManager::encodeFile(records);
        std::vector<mw::Ref<mw::CCAbstractServerData>> back;
        // A record whose envelope cannot be written is left out of a file.
        if (!mw::RecordArchive::decode(again.data(), again.size(), back, "fuzz") || back.size() > records.size()) {
            std::fprintf(stderr, "queue_files: records changed through their file\n");
            std::abort();
        }
    }
    mw::CCGameCenterPostManager::Queue queue;
    if (mw::CCGameCenterPostManager::decodeFile(data, size, queue)) {
        const std::vector<uint8_t> again = mw::CCGameCenterPostManager::encodeFile(queue);
        mw::CCGameCenterPostManager::Queue back;
        if (!mw::CCGameCenterPostManager::decodeFile(again.data(), again.size(), back) ||
            back.size() != queue.size()) {
            std::fprintf(stderr, "queue_files: game-centre queue changed through its file\n");
            std::abort();
        }
    }
    return 0;
}
