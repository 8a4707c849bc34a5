#pragma once

// The three JSON documents the parser and writer are measured and checked
// on, made here the same on every run and machine:
//  - a social feed (about 600 KB): users and messages, many non-ASCII
//    strings and escapes;
//  - an event catalogue (about 1.7 MB): many small objects with integer ids;
//  - a coordinate track (about 2 MB): pairs of reals.
// Header-only so that the benchmarks, the tests and the fuzz-seed writer use
// the very same generator.

#include <cstdint>
#include <cstdio>
#include <string>

namespace mw::jsondocs {

class Sequence {
public:
    explicit Sequence(uint32_t seed) : state_(seed) {}
    uint32_t next(uint32_t bound)
    {
        state_ = state_ * 1664525u + 1013904223u;
        return (state_ >> 8) % bound;
    }

private:
    uint32_t state_;
};

inline const char* pick(Sequence& s, const char* const* words, uint32_t count)
{
    return words[s.next(count)];
}

inline std::string sentence(Sequence& s, int words)
{
    static const char* const kWords[] = {"harvest",
                                         "village",
                                         "mine",
                                         "Gr\\u00fc\\u00dfe",
                                         "\xc5\xbc\xc3\xb3\xc5\x82w",
                                         "\xc3\xa9t\xc3\xa9",
                                         "\xe6\x9d\x91",
                                         "\xf0\x9f\x8c\xbe",
                                         "\xf0\x9f\x90\x94",
                                         "coal",
                                         "\\\"quoted\\\"",
                                         "line\\nbreak",
                                         "tab\\tstop",
                                         "path\\/to",
                                         "\xd0\xb4\xd0\xb5\xd1\x80\xd0\xb5\xd0\xb2\xd0\xbd\xd1\x8f",
                                         "gold",
                                         "wheat",
                                         "M\xc3\xbchle",
                                         "\\u2603",
                                         "friends"};
    std::string text;
    for (int i = 0; i < words; ++i) {
        if (i) text += ' ';
        text += pick(s, kWords, sizeof kWords / sizeof *kWords);
    }
    return text;
}

// About 600 KB.
inline std::string socialFeed()
{
    Sequence s(31);
    std::string text = "{\"users\":[";
    for (int u = 0; u < 400; ++u) {
        if (u) text += ',';
        text += "{\"id\":\"u" + std::to_string(100000 + u) + "\",\"name\":\"" + sentence(s, 2) +
                "\",\"level\":" + std::to_string(s.next(60)) +
                ",\"online\":" + (s.next(2) ? "true" : "false") + ",\"avatar\":\"https://img.example.net/a/" +
                std::to_string(s.next(100000)) + ".png\"}";
    }
    text += "],\"messages\":[";
    for (int m = 0; m < 2300; ++m) {
        if (m) text += ',';
        text += "{\"from\":\"u" + std::to_string(100000 + s.next(400)) + "\",\"text\":\"" +
                sentence(s, 6 + static_cast<int>(s.next(20))) +
                "\",\"likes\":" + std::to_string(s.next(500)) +
                ",\"reply\":" + (s.next(4) ? "null" : "\"m" + std::to_string(s.next(m + 1)) + "\"") +
                ",\"tags\":[\"" + sentence(s, 1) + "\",\"" + sentence(s, 1) + "\"]}";
    }
    text += "],\"next\":\"/lite/newsfeed.cuid?page=2\"}";
    return text;
}

// About 1.7 MB.
inline std::string eventCatalogue()
{
    Sequence s(32);
    static const char* const kKinds[] = {"harvest", "build", "trade", "quest", "festival"};
    std::string text = "{\"catalogue\":{\"version\":12,\"events\":[";
    for (int e = 0; e < 9000; ++e) {
        if (e) text += ',';
        text += "{\"id\":" + std::to_string(700000 + e) + ",\"kind\":\"" + pick(s, kKinds, 5) +
                "\",\"start\":" + std::to_string(1700000000 + s.next(30000000)) +
                ",\"reward\":{\"gold\":" + std::to_string(s.next(5000)) + ",\"items\":[" +
                std::to_string(s.next(143)) + "," + std::to_string(s.next(143)) + "]},\"limits\":{\"min\":" +
                std::to_string(s.next(10)) + ",\"max\":" + std::to_string(10 + s.next(90)) +
                "},\"open\":" + (s.next(2) ? "true" : "false") + "}";
    }
    text += "]}}";
    return text;
}

// About 2 MB.
inline std::string coordinateTrack()
{
    Sequence s(33);
    std::string text = "{\"type\":\"track\",\"points\":[";
    char pair[96];
    for (int p = 0; p < 52000; ++p) {
        const double x = -180.0 + s.next(36000000) / 100000.0 + s.next(1000) / 1e9;
        const double y = -90.0 + s.next(18000000) / 100000.0 + s.next(1000) / 1e9;
        std::snprintf(pair, sizeof pair, "%s[%.12g,%.12g]", p ? "," : "", x, y);
        text += pair;
    }
    text += "]}";
    return text;
}

} // namespace mw::jsondocs
