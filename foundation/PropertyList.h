#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/Value.h"

namespace mw {

// XML property lists, in the platform's format.
//
// Reading accepts every value kind; dictionaries keep the file's key order (a
// repeated key keeps its first position and its last value). Anything that is
// not a well-formed XML property list is an error: the functions return
// nullopt (or false / an empty string), put the reason in `error` when given,
// and log one line when it is not given. Entities are never expanded and
// nothing is fetched from the network. Binary property lists are refused.
//
// Integers run from -2^63 to 2^64-1 (those above INT64_MAX read as unsigned
// values; longer ones read as decimals) and keep the 32-bit mark when their
// value fits in 32 bits. A real
// reads as the double of its text; it also gets the float mark when the text
// is a float's shortest form and not the 17-digit form the writer gives
// doubles, so that a real written from a float is written back as it was.
// A decimal is written as the integer or real that holds it exactly (see
// Value::narrowedNumber); any other as its literal: digits in <integer> for
// a whole number past 64 bits, else in <real> with one more zero in front
// ("01E400"), a form no writer gives a real. Both read back as that decimal,
// while other readers still read a number.
// Dates are written in whole seconds from year 0001 to 9999, as the platform
// did; a year-0000 date that earlier versions wrote reads as 0001-01-01.

// Nesting deeper than this is refused when reading and writing (the outermost
// value is at depth 0). libxml2 refuses documents nested deeper than 256
// elements, so the writer must stop below that: a file written deeper could
// never be read back, and the player's data in it would be lost.
inline constexpr int kPropertyListMaxDepth = 250;

[[nodiscard]] std::optional<Value> readPropertyList(const uint8_t* data, size_t size,
                                                    std::string* error = nullptr);
[[nodiscard]] inline std::optional<Value> readPropertyList(std::string_view text, std::string* error = nullptr)
{
    return readPropertyList(reinterpret_cast<const uint8_t*>(text.data()), text.size(), error);
}
[[nodiscard]] std::optional<Value> readPropertyListFile(const std::string& path, std::string* error = nullptr);

// As readPropertyList, but a dictionary entry whose value cannot be read (an
// integer out of range, a bad date, an unknown element, an array holding one
// of these) is left out instead of failing the whole list; each one left out
// adds a line to `skipped` naming its key and why. A file that is not a
// well-formed property list around its entries still fails as a whole.
[[nodiscard]] std::optional<Value> readPropertyListSkippingBadEntries(const uint8_t* data, size_t size,
                                                                     std::vector<std::string>& skipped,
                                                                     std::string* error = nullptr);

// The XML form of `value`. Empty (with the reason) when the value cannot be a
// property list: a null anywhere, text that is not UTF-8 or holds characters
// XML cannot carry, or nesting beyond the limit.
[[nodiscard]] std::string writePropertyList(const Value& value, std::string* error = nullptr);

// Writes the XML form atomically (see AtomicFile): on failure the old file stays whole.
[[nodiscard]] bool writePropertyListFile(const std::string& path, const Value& value,
                                         std::string* error = nullptr);

// Base64 as property lists use it. Decoding skips white space and fails on
// any other character outside the alphabet or on misplaced padding.
std::string encodeBase64(const uint8_t* data, size_t size);
[[nodiscard]] std::optional<Value::Bytes> decodeBase64(std::string_view text);

// ISO 8601 dates as property lists write them ("2026-12-09T12:00:00Z"),
// against seconds since 2001-01-01 UTC.
std::string formatPropertyListDate(double secondsSinceReferenceDate);
[[nodiscard]] std::optional<double> parsePropertyListDate(std::string_view text);

} // namespace mw
