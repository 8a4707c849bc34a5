#pragma once

// Random JSON-shaped Values from a fixed seed, for the round-trip and
// differential tests: every kind, deep nesting, long strings, every escape
// and non-ASCII text.

#include <cmath>
#include <cstdint>
#include <random>
#include <string>

#include "foundation/Value.h"

namespace mw::test {

class JsonDocumentGenerator {
public:
    explicit JsonDocumentGenerator(uint32_t seed) : random_(seed) {}

    // A dictionary or an array.
    Value document(int maxDepth = 8) { return pick(2) == 0 ? dictionary(maxDepth) : array(maxDepth); }

    // Text that exercises the string rules: escapes, control characters,
    // 2-, 3- and 4-byte characters, sometimes long.
    std::string text()
    {
        static const char* const kPieces[] = {"a",
                                              "Zandovar",
                                              " ",
                                              "\"",
                                              "\\",
                                              "/",
                                              "\b",
                                              "\f",
                                              "\n",
                                              "\r",
                                              "\t",
                                              "\x01",
                                              "\x1f",
                                              "\xc3\xb6",
                                              "\xc5\xbc",
                                              "\xe2\x82\xac",
                                              "\xe4\xb8\xad",
                                              "\xf0\x9f\x98\x80",
                                              "\xf4\x8f\xbf\xbf",
                                              "{}[],:"};
        std::string out;
        const int pieces = pick(10) == 0 ? 400 + pick(2000) : pick(12);
        for (int i = 0; i < pieces; ++i) out += kPieces[pick(sizeof kPieces / sizeof *kPieces)];
        return out;
    }

private:
    int pick(size_t n) { return static_cast<int>(std::uniform_int_distribution<size_t>(0, n - 1)(random_)); }

    Value scalar()
    {
        switch (pick(9)) {
        case 0: return Value();
        case 1: return Value(pick(2) == 0);
        case 2: return Value(static_cast<int64_t>(random_()) - (int64_t(1) << 31));
        case 3: return Value(static_cast<int64_t>((uint64_t(random_()) << 32) | random_()));
        case 4: return Value(std::uniform_real_distribution<double>(-1e6, 1e6)(random_));
        case 5:
            return Value(
                std::ldexp(std::uniform_real_distribution<double>(-1, 1)(random_), pick(2000) - 1000));
        case 6: return Value(static_cast<double>(pick(100)));
        default: return Value(text());
        }
    }

    Value element(int depth)
    {
        return depth > 0 && pick(3) == 0 ? (pick(2) ? dictionary(depth) : array(depth)) : scalar();
    }

    Value array(int depth)
    {
        Value::Array items;
        const int count = pick(8);
        for (int i = 0; i < count; ++i) items.push_back(element(depth - 1));
        return Value(std::move(items));
    }

    Value dictionary(int depth)
    {
        ValueDictionary members;
        const int count = pick(8);
        for (int i = 0; i < count; ++i) members.set(text() + std::to_string(i), element(depth - 1));
        return Value(std::move(members));
    }

    std::mt19937 random_;
};

// An array nested `levels` deep around nothing: [[[...]]].
inline std::string nestedArrays(size_t levels) { return std::string(levels, '[') + std::string(levels, ']'); }

// Objects nested `levels` deep: {"a":{"a":...{}}}.
inline std::string nestedObjects(size_t levels)
{
    std::string text;
    for (size_t i = 1; i < levels; ++i) text += "{\"a\":";
    text += "{}";
    text += std::string(levels - 1, '}');
    return text;
}

} // namespace mw::test
