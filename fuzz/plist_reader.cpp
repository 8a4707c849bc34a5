// Feeds arbitrary bytes to the XML property-list reader. Whatever it accepts
// must write out, read back equal, and write out to the same bytes again (so
// no kind, mark or key order drifts). The same bytes also go through the
// keyed-archive reader, which must fail cleanly on anything that is no archive.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "foundation/KeyedArchive.h"
#include "foundation/Log.h"
#include "foundation/PropertyList.h"

namespace {

[[noreturn]] void mismatch(const char* what, const std::string& detail)
{
    std::fprintf(stderr, "plist_reader: %s\n%s\n", what, detail.c_str());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool quiet = [] {
        mw::setLogSink([](const std::string&) {});
        return true;
    }();
    (void)quiet;

    std::string error;
    std::optional<mw::Value> value = mw::readPropertyList(data, size, &error);
    if (value) {
        const std::string written = mw::writePropertyList(*value, &error);
        if (written.empty()) mismatch("a value that was read cannot be written", error);
        std::optional<mw::Value> again = mw::readPropertyList(written, &error);
        if (!again) mismatch("what was written cannot be read", error + "\n" + written);
        if (!(*again == *value)) mismatch("the value changed through a write and a read", written);
        const std::string rewritten = mw::writePropertyList(*again);
        if (rewritten != written) mismatch("a second write gives other bytes", written + "\n----\n" + rewritten);
    }

    mw::KeyedUnarchiver unarchiver(data, size);
    (void)unarchiver.decodeItem("root");
    (void)unarchiver.decodeValue("root");
    (void)unarchiver.decodeObject("root");
    return 0;
}
