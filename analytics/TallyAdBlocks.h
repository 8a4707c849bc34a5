#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "analytics/TallySession.h"

namespace mw {

// Reads one ad block of the report server's answer. Given the block's first
// byte and the bytes left in the answer, it answers where it stopped
// reading; no answer means it cannot read such blocks.
class TallyAdParser {
public:
    virtual ~TallyAdParser() = default;
    virtual std::optional<const uint8_t*> parseData(const uint8_t* position, size_t remaining) = 0;
    // Names the parser in the debug log.
    virtual std::string className() const { return "TallyAdParser"; }
};

// Hands the ad blocks of an accepted report answer to the registered
// parsers. The answer is a run of blocks, each starting with a 16-bit
// big-endian tag: 0x0201 for the PromoSpot parser, 0x0102 for the PromoRing,
// video and Recall parsers in turn (each starting where the one before it
// stopped). The scan stops at an unknown tag, a missing parser, a parser that
// does not answer, fewer than two bytes left, or a parser whose answer lies
// outside the body or does not move past the position it was given. Nothing
// registers a parser in the game. Any thread.
class TallyAdBlocks {
public:
    static constexpr uint16_t kPromoSpotTag = 0x0201;
    static constexpr uint16_t kPromoRingTag = 0x0102;

    static void setPromoRingAdParser(std::shared_ptr<TallyAdParser> parser);
    static void setVideoAdParser(std::shared_ptr<TallyAdParser> parser);
    static void setPromoSpotAdParser(std::shared_ptr<TallyAdParser> parser);
    static void setRecallAdParser(std::shared_ptr<TallyAdParser> parser);

    // Scans `body` with the parsers of the kinds `enabled` asks for. Answers
    // the number of bytes the parsers consumed from the body's start.
    static size_t scan(const std::vector<uint8_t>& body, const TallySession::AdRequest& enabled);

    // Forgets every parser (tests).
    static void resetForTesting();
};

} // namespace mw
