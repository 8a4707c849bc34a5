// Feeds arbitrary bytes to the check of the shared identifier that another
// program may have left on the pasteboard. A value judged valid must be the
// 46-character stored form of the identifier it answers.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "analytics/TallyIdentifiers.h"
#include "foundation/Log.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    mw::setLogSink([](const std::string&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<uint8_t> stored(data, data + size);
    const mw::TallyIdentifiers::StoredIdentifier found = mw::TallyIdentifiers::checkStoredIdentifier(&stored);
    if (found.status < mw::TallyIdentifiers::NothingStored ||
        found.status > mw::TallyIdentifiers::WrongLength) {
        std::abort();
    }
    if (found.status != mw::TallyIdentifiers::Valid) return 0;
    // A checksum text read leniently (case, a "0x") may differ from the
    // canonical form, but the identifier part must be the value's start.
    const std::string text(stored.begin(), stored.end());
    if (text.compare(0, found.identifier.size(), found.identifier) != 0) {
        std::fprintf(stderr, "valid identifier is not the value's start: %s\n", text.c_str());
        std::abort();
    }
    return 0;
}
