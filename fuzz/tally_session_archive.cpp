// Feeds arbitrary bytes to the reading of an analytics session archive (the
// current-session file a crashed run leaves behind). A session that decodes
// must give a record or none, and its archive must read back to the same record.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "analytics/TallySession.h"
#include "foundation/KeyedArchive.h"
#include "foundation/Log.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    mw::setLogSink([](const std::string&) {});
    // Links the archivable classes of the client into this program.
    (void)mw::makeRef<mw::TallySession>();
    (void)mw::makeRef<mw::TallyEvent>();
    if (!mw::ArchivableRegistry::isRegistered("TallySession") ||
        !mw::ArchivableRegistry::isRegistered("TallyEvent")) {
        std::abort();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const mw::Ref<mw::TallySession> session =
        mw::dynamicRef<mw::TallySession>(mw::unarchiveObjectWithData(data, size));
    if (!session) return 0;
    (void)session->data();
    std::string error;
    const std::vector<uint8_t> archived = mw::archivedDataWithRootObject(session.get(), &error);
    if (archived.empty()) return 0; // a date or text the property list cannot carry
    // Archiving marks the session as of the current format: compare from here.
    const std::optional<mw::TallySession::Bytes> record = session->data();
    const mw::Ref<mw::TallySession> again =
        mw::dynamicRef<mw::TallySession>(mw::unarchiveObjectWithData(archived, &error));
    if (!again) {
        std::fprintf(stderr, "a session archive written by the client does not read back: %s\n",
                     error.c_str());
        std::abort();
    }
    if (record && again->data() != record) {
        std::fprintf(stderr, "a session's record changed through its archive\n");
        std::abort();
    }
    return 0;
}
