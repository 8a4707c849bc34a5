// Scans arbitrary answer bodies for ad blocks. The first byte picks the ad
// kinds asked for; the rest is the body, in a buffer of exactly its size so
// that any read past it is caught. The parsers read a 16-bit block length
// after the tag and answer that many bytes on less one, wherever that lies,
// or no answer for a zero length, so the scan meets answers outside the
// body and answers that do not move on.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "analytics/TallyAdBlocks.h"
#include "foundation/Log.h"

namespace {

struct LengthParser : mw::TallyAdParser {
    std::optional<const uint8_t*> parseData(const uint8_t* position, size_t remaining) override
    {
        if (position < begin || position > end || remaining != size_t(end - position)) {
            std::fprintf(stderr, "parser given a position outside the body\n");
            std::abort();
        }
        if (remaining < 4)
            return reinterpret_cast<const uint8_t*>(reinterpret_cast<uintptr_t>(position) + remaining + 1);
        const size_t length = size_t(position[2]) << 8 | position[3];
        if (length == 0) return std::nullopt;
        // 1 answers the position given; longer lengths may end past the body.
        return reinterpret_cast<const uint8_t*>(reinterpret_cast<uintptr_t>(position) + length - 1);
    }
    const uint8_t* begin = nullptr;
    const uint8_t* end = nullptr;
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    mw::setLogSink([](const std::string&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    const uint8_t kinds = data[0];
    const mw::TallySession::AdRequest enabled { bool(kinds & 1), bool(kinds & 2), bool(kinds & 4),
                                                bool(kinds & 8) };
    const std::vector<uint8_t> body(data + 1, data + size);
    static const auto parser = std::make_shared<LengthParser>();
    parser->begin = body.data();
    parser->end = body.data() + body.size();
    // Bit 4 leaves the PromoSpot parser out, bit 5 the Recall one.
    mw::TallyAdBlocks::setPromoSpotAdParser((kinds & 16) ? nullptr : parser);
    mw::TallyAdBlocks::setPromoRingAdParser(parser);
    mw::TallyAdBlocks::setVideoAdParser(parser);
    mw::TallyAdBlocks::setRecallAdParser((kinds & 32) ? nullptr : parser);
    const size_t scanned = mw::TallyAdBlocks::scan(body, enabled);
    if (scanned > body.size()) {
        std::fprintf(stderr, "scan went past the body\n");
        std::abort();
    }
    return 0;
}
