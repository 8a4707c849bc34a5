#pragma once

// TMX documents and tile images written on the fly for the tile-map tests.

#include <zlib.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Image.h"
#include "tests/support/TempDir.h"

namespace mw::test {

inline std::string base64Of(const std::vector<unsigned char>& bytes)
{
    static const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const uint32_t n = static_cast<uint32_t>(bytes[i]) << 16 |
                           (i + 1 < bytes.size() ? static_cast<uint32_t>(bytes[i + 1]) << 8 : 0) |
                           (i + 2 < bytes.size() ? bytes[i + 2] : 0);
        out += alphabet[n >> 18 & 63];
        out += alphabet[n >> 12 & 63];
        out += i + 1 < bytes.size() ? alphabet[n >> 6 & 63] : '=';
        out += i + 2 < bytes.size() ? alphabet[n & 63] : '=';
    }
    return out;
}

inline std::vector<unsigned char> gidBytes(const std::vector<uint32_t>& gids)
{
    std::vector<unsigned char> bytes;
    for (uint32_t gid : gids) {
        for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<unsigned char>(gid >> shift));
    }
    return bytes;
}

// zlib (windowBits 15) or gzip (windowBits 31) compression.
inline std::vector<unsigned char> deflated(const std::vector<unsigned char>& bytes, int windowBits)
{
    z_stream stream{};
    deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY);
    std::vector<unsigned char> out(deflateBound(&stream, bytes.size()) + 32);
    stream.next_in = const_cast<unsigned char*>(bytes.data());
    stream.avail_in = static_cast<uInt>(bytes.size());
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

// A <data> element of the GIDs: "zlib", "gzip" or "" (plain base64).
inline std::string dataElement(const std::vector<uint32_t>& gids, const std::string& compression)
{
    const std::vector<unsigned char> raw = gidBytes(gids);
    if (compression.empty()) return "<data encoding=\"base64\">\n   " + base64Of(raw) + "\n  </data>";
    const std::vector<unsigned char> packed = deflated(raw, compression == "gzip" ? 31 : 15);
    return "<data encoding=\"base64\" compression=\"" + compression + "\">\n   " + base64Of(packed) + "\n  </data>";
}

// A tileset image of `across` x `down` tiles of size x size pixels; tile n
// (left to right, top to bottom) is filled with tileColour(n).
inline std::array<uint8_t, 4> tileColour(int n)
{
    static const std::array<uint8_t, 4> colours[] = {{220, 40, 40, 255},  {40, 200, 80, 255},  {50, 90, 230, 255},
                                                     {240, 210, 40, 255}, {200, 60, 220, 255}, {40, 210, 210, 255},
                                                     {250, 140, 30, 255}, {240, 240, 240, 255}};
    return colours[n % 8];
}

inline std::string writeTileset(const TempDir& dir, const std::string& name, int across, int down, int size)
{
    const int width = across * size;
    const int height = down * size;
    std::vector<uint8_t> pixels;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int n = (y / size) * across + x / size;
            // A dark frame around every tile shows where tiles meet.
            const bool edge = x % size == 0 || y % size == 0;
            std::array<uint8_t, 4> c = tileColour(n);
            if (edge) c = {20, 20, 20, 255};
            pixels.insert(pixels.end(), c.begin(), c.end());
        }
    }
    Ref<Image> image = Image::fromRGBA(std::move(pixels), width, height, ImageAlphaInfo::Last);
    return dir.write(name, image->encodePNG());
}

} // namespace mw::test
