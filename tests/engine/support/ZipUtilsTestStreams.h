#pragma once

#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

namespace mw::test {

// Deflates bytes into a zlib (windowBits 15) or gzip (31) stream.
inline std::vector<unsigned char> deflateBytes(const std::vector<unsigned char>& raw, int windowBits = 15,
                                               const std::string& dictionary = "")
{
    z_stream stream{};
    deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY);
    if (!dictionary.empty()) {
        deflateSetDictionary(&stream, reinterpret_cast<const Bytef*>(dictionary.data()),
                             static_cast<uInt>(dictionary.size()));
    }
    std::vector<unsigned char> out(deflateBound(&stream, static_cast<uLong>(raw.size())) + 64);
    stream.next_in = const_cast<Bytef*>(raw.data());
    stream.avail_in = static_cast<uInt>(raw.size());
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

// Bytes that compress well but are not all alike.
inline std::vector<unsigned char> patternBytes(size_t count)
{
    std::vector<unsigned char> bytes(count);
    for (size_t i = 0; i < count; ++i) {
        bytes[i] = static_cast<unsigned char>((i / 3) ^ (i >> 9));
    }
    return bytes;
}

// A CCZ image: "CCZ!", compression type, version, reserved, length (all
// big-endian), then a zlib stream.
inline std::vector<unsigned char> cczBytes(const std::vector<unsigned char>& zlibStream, uint32_t claimedLength,
                                           uint16_t version = 2, uint16_t compression = 0)
{
    std::vector<unsigned char> out = {'C', 'C', 'Z', '!',
                                      static_cast<unsigned char>(compression >> 8), static_cast<unsigned char>(compression),
                                      static_cast<unsigned char>(version >> 8), static_cast<unsigned char>(version),
                                      0, 0, 0, 0,
                                      static_cast<unsigned char>(claimedLength >> 24),
                                      static_cast<unsigned char>(claimedLength >> 16),
                                      static_cast<unsigned char>(claimedLength >> 8),
                                      static_cast<unsigned char>(claimedLength)};
    out.reserve(out.size() + zlibStream.size()); // GCC 12 warns of a false overflow otherwise
    out.insert(out.end(), zlibStream.begin(), zlibStream.end());
    return out;
}

} // namespace mw::test
