#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace mw {

// Reads one entry of a font's `name` table (all fields big-endian): the
// first record with that name identifier whose platform and encoding are
// readable decides. Readable are platform 0 (any encoding) and platform 3
// encoding 1, both UTF-16BE, and platform 1 encoding 0, Mac OS Roman. A
// record whose string lies outside the table is skipped, and a table cut
// short ends the search, so any bytes are safe to pass. The answer is UTF-8;
// nothing when no record matches.
std::optional<std::string> readFontNameEntry(const uint8_t* table, size_t size, uint16_t nameID);

// Name identifiers the fonts use.
inline constexpr uint16_t kFontNameFamily = 1;
inline constexpr uint16_t kFontNameFull = 4;
inline constexpr uint16_t kFontNamePostScript = 6;

} // namespace mw
