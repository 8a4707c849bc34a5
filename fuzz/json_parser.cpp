// Feeds arbitrary bytes to the JSON parser, with and without a nesting
// limit. Whatever it accepts must write out, read back equal, and write out
// to the same text again, plain and human-readable with sorted keys.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "foundation/Log.h"
#include "social/support/CCJSON.h"
#include "social/support/CCJsonParser.h"
#include "social/support/CCJsonWriter.h"

namespace {

[[noreturn]] void mismatch(const char* what, const std::string& detail)
{
    std::fprintf(stderr, "json_parser: %s\n%s\n", what, detail.c_str());
    std::abort();
}

void roundTrip(const mw::Value& value, bool pretty)
{
    mw::CCJsonWriter writer;
    writer.setMaxDepth(0);
    writer.setHumanReadable(pretty);
    writer.setSortKeys(pretty);
    const std::optional<std::string> text = writer.stringWithFragment(value);
    if (!text) mismatch("an accepted value cannot be written", mw::describeJsonTrace(writer.errorTrace()));
    mw::CCJsonParser parser;
    parser.setMaxDepth(0);
    const std::optional<mw::Value> back = parser.fragmentWithString(*text);
    if (!back)
        mismatch("what was written cannot be read",
                 mw::describeJsonTrace(parser.errorTrace()) + "\n" + *text);
    if (!(*back == value)) mismatch("the value changed through a write and a read", *text);
    if (writer.stringWithFragment(*back) != text) mismatch("a second write gives another text", *text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool quiet = [] {
        mw::setLogSink([](const std::string&) {});
        return true;
    }();
    (void)quiet;

    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const uint32_t limit : {0u, 512u}) {
        mw::CCJsonParser parser;
        parser.setMaxDepth(limit);
        const std::optional<mw::Value> value = parser.fragmentWithString(text);
        if (!value) {
            if (parser.errorTrace().empty()) mismatch("a refusal without a reason", std::string(text));
            continue;
        }
        if (!parser.errorTrace().empty()) mismatch("an error trace after a success", std::string(text));
        roundTrip(*value, false);
        roundTrip(*value, true);
    }
    (void)mw::JSONValue(text);
    return 0;
}
