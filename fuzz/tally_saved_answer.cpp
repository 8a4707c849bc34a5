// Feeds arbitrary bytes to the reading of a saved report answer. What reads
// as an answer must survive being saved and read again unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "analytics/TallyHTTPResponse.h"
#include "foundation/Log.h"
#include "foundation/PropertyList.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    mw::setLogSink([](const std::string&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<uint8_t> bytes(data, data + size);
    const auto answer = mw::TallyHTTPResponse::parseSaved(bytes);
    if (!answer) return 0;
    // The form saveToDisk writes.
    mw::Value headers = mw::Value::dictionary();
    for (const auto& [name, value] : answer->headers()) headers.set(name, value);
    const mw::Value saved =
        mw::Value::dictionary({ { "statusCode", mw::Value(int32_t(answer->statusCode())) },
                                { "body", mw::Value(answer->body()) },
                                { "headers", headers } });
    std::string error;
    const std::string written = mw::writePropertyList(saved, &error);
    if (written.empty()) return 0; // a text the writer refuses (logged by it)
    const auto again =
        mw::TallyHTTPResponse::parseSaved(std::vector<uint8_t>(written.begin(), written.end()));
    if (!again || again->statusCode() != answer->statusCode() || again->body() != answer->body() ||
        again->headers() != answer->headers()) {
        std::fprintf(stderr, "saved answer changed through a save\n");
        std::abort();
    }
    return 0;
}
