#include "analytics/TallyAdBlocks.h"

#include <mutex>

#include "analytics/TallyUtil.h"
#include "foundation/Format.h"

namespace mw {

namespace {

struct Parsers {
    std::mutex lock;
    std::shared_ptr<TallyAdParser> promoRing;
    std::shared_ptr<TallyAdParser> video;
    std::shared_ptr<TallyAdParser> promoSpot;
    std::shared_ptr<TallyAdParser> recall;
};

Parsers& parsers()
{
    static Parsers* const shared = new Parsers();
    return *shared;
}

template <typename... Args> void debug(std::string_view fmt, const Args&... args)
{
    if (!TallyUtil::isDebugLogEnabled()) return;
    TallyUtil::debugLog(format(fmt, args...));
}

void store(std::shared_ptr<TallyAdParser> Parsers::*slot, std::shared_ptr<TallyAdParser> parser,
           const char* line)
{
    {
        std::lock_guard<std::mutex> guard(parsers().lock);
        parsers().*slot = std::move(parser);
    }
    TallyUtil::debugLog(line);
}

// How one kind of parser is named in the log. `missingLine` is empty for a
// kind whose absence the log does not mention.
struct Kind {
    std::shared_ptr<TallyAdParser> Parsers::*slot;
    const char* name; // "PromoSpot", "Reels", ...
    const char* globalName; // "gPromoSpotAdParser", ...
    bool logsMissing;
};

constexpr Kind kPromoSpot { &Parsers::promoSpot, "PromoSpot", "gPromoSpotAdParser", true };
constexpr Kind kPromoRing { &Parsers::promoRing, "PromoRing", "gPromoRingAdParser", true };
constexpr Kind kVideo { &Parsers::video, "Reels", "gVideoAdParser", true };
constexpr Kind kRecall { &Parsers::recall, "Recall", "gRecallAdParser", false };

// Runs one parser from `offset`; answers its new offset, or nothing when
// the scan must stop.
std::optional<size_t> runParser(const Kind& kind, const uint8_t* start, size_t length, size_t offset)
{
    debug("TallyAnalytics: about to invoke %s ad parser", kind.name);
    std::shared_ptr<TallyAdParser> parser;
    {
        std::lock_guard<std::mutex> guard(parsers().lock);
        parser = parsers().*kind.slot;
    }
    if (!parser) {
        if (kind.logsMissing) debug("TallyAnalytics: %s ad parser is not available.", kind.name);
        return std::nullopt;
    }
    debug("TallyAnalytics: %s class [%@] address [%p]", kind.globalName, parser->className(),
          static_cast<const void*>(parser.get()));
    const std::optional<const uint8_t*> answered = parser->parseData(start + offset, length - offset);
    if (!answered) {
        debug("TallyAnalytics: %s ad parser did not respond to parseData:bufferLength.", kind.name);
        return std::nullopt;
    }
    // Compared as addresses: a parser may answer anything.
    const uintptr_t at = reinterpret_cast<uintptr_t>(*answered);
    const uintptr_t begin = reinterpret_cast<uintptr_t>(start);
    if (at < begin || at - begin > length || at - begin <= offset) {
        debug("TallyAnalytics: %s ad parser answered a position outside the rest of the body. Stopping.",
              kind.name);
        return std::nullopt;
    }
    const size_t reached = at - begin;
    debug("TallyAnalytics: %s ad parser finished. aggregate bytes scanned [%d]", kind.name, int64_t(reached));
    return reached;
}

} // namespace

void TallyAdBlocks::setPromoRingAdParser(std::shared_ptr<TallyAdParser> parser)
{
    store(&Parsers::promoRing, std::move(parser), "TallyAnalytics: PromoRingAdParser set");
}
void TallyAdBlocks::setVideoAdParser(std::shared_ptr<TallyAdParser> parser)
{
    store(&Parsers::video, std::move(parser), "TallyAnalytics: ReelsVideoAdParser set");
}
void TallyAdBlocks::setPromoSpotAdParser(std::shared_ptr<TallyAdParser> parser)
{
    store(&Parsers::promoSpot, std::move(parser), "TallyAnalytics: PromoSpotAdParser set");
}
void TallyAdBlocks::setRecallAdParser(std::shared_ptr<TallyAdParser> parser)
{
    store(&Parsers::recall, std::move(parser), "TallyAnalytics: RecallAdParser set");
}

void TallyAdBlocks::resetForTesting()
{
    std::lock_guard<std::mutex> guard(parsers().lock);
    parsers().promoRing.reset();
    parsers().video.reset();
    parsers().promoSpot.reset();
    parsers().recall.reset();
}

size_t TallyAdBlocks::scan(const std::vector<uint8_t>& body, const TallySession::AdRequest& enabled)
{
    const uint8_t* const start = body.data();
    const size_t length = body.size();
    size_t offset = 0;
    debug("TallyAnalytics: about to invoke Parser(s). bufferLength [%d] remainingBufferLength [%d]",
          int64_t(length), int64_t(length));
    // A tag takes two bytes: a lone last byte is no block.
    while (length - offset >= 2) {
        const uint16_t tag = uint16_t((start[offset] << 8) | start[offset + 1]);
        size_t reached = offset;
        if (tag == kPromoSpotTag) {
            if (enabled.promoSpot) {
                const std::optional<size_t> next = runParser(kPromoSpot, start, length, reached);
                if (!next) return reached;
                reached = *next;
            }
        } else if (tag == kPromoRingTag) {
            const std::pair<bool, const Kind*> kinds[] = { { enabled.promoRing, &kPromoRing },
                                                           { enabled.video, &kVideo },
                                                           { enabled.recall, &kRecall } };
            for (const auto& [on, kind] : kinds) {
                // A parser before took the whole body: the next has nothing to read.
                if (!on || (reached > offset && reached == length)) continue;
                const std::optional<size_t> next = runParser(*kind, start, length, reached);
                if (!next) return reached;
                reached = *next;
            }
        } else {
            debug("TallyAnalytics: unrecognized block tag [%d].", int(tag));
            return offset;
        }
        const size_t remaining = length - reached;
        debug("TallyAnalytics: buffer length [%d] remaining buffer length [%d].", int64_t(length),
              int64_t(remaining));
        if (reached <= offset) return offset; // the block was not read: it would be met again
        offset = reached;
        if (remaining < 1) break;
    }
    return offset;
}

} // namespace mw
