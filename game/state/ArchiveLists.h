#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string_view>
#include <vector>

#include "foundation/KeyedArchive.h"

namespace mw {

// The archived forms the game-data records share: lists of integers as
// arrays of 32-bit numbers, and tables of counts as dictionaries with 32-bit
// number keys and values.
ArchiveItem archivedIntegers(const std::vector<int32_t>& values);
ArchiveItem archivedCounts(const std::map<int32_t, int32_t>& counts);

// Nothing when the archive has no entry under the key; items of other kinds
// read forgivingly (see Value).
std::optional<std::vector<int32_t>> decodeIntegers(KeyedUnarchiver& coder, std::string_view key);
std::optional<std::map<int32_t, int32_t>> decodeCounts(KeyedUnarchiver& coder, std::string_view key);

} // namespace mw
