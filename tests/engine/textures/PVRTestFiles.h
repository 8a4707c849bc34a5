#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

namespace mw::test {

// Builds a PVR version-2 file: the 52-byte header of little-endian words and
// `payload` bytes of pixel data (by default as many as the header's data
// length says). Pixel bytes follow a pattern so uploads can be checked.
struct PVRFileFields {
    uint32_t width = 8;
    uint32_t height = 8;
    uint8_t pixelType = 0x12;
    uint32_t dataLength = 0;
    uint32_t alphaMask = 0xFF;
    int64_t payload = -1; // -1: dataLength bytes
    const char* tag = "PVR!";
};

inline void putWord(std::vector<unsigned char>& bytes, size_t offset, uint32_t value)
{
    for (int i = 0; i < 4; ++i) {
        bytes[offset + static_cast<size_t>(i)] = static_cast<unsigned char>(value >> (8 * i));
    }
}

inline std::vector<unsigned char> makePVRFile(const PVRFileFields& fields)
{
    const size_t payload = fields.payload < 0 ? fields.dataLength : static_cast<size_t>(fields.payload);
    std::vector<unsigned char> file(52 + payload, 0);
    putWord(file, 0, 52);
    putWord(file, 4, fields.height);
    putWord(file, 8, fields.width);
    putWord(file, 16, fields.pixelType);
    putWord(file, 20, fields.dataLength);
    putWord(file, 40, fields.alphaMask);
    std::memcpy(&file[44], fields.tag, 4);
    putWord(file, 48, 1);
    for (size_t i = 0; i < payload; ++i) {
        file[52 + i] = static_cast<unsigned char>(i * 13 + 5);
    }
    return file;
}

// Bytes of a full mip chain of an uncompressed type (levels never below a
// 2 x 2 block count, as the reader computes them).
inline uint32_t mipChainBytes(uint32_t width, uint32_t height, uint32_t bitsPerPixel)
{
    uint32_t total = 0;
    for (;;) {
        total += (width < 2 ? 2 : width) * (height < 2 ? 2 : height) * bitsPerPixel / 8;
        if (width == 1 && height == 1) {
            return total;
        }
        width = width > 1 ? width / 2 : 1;
        height = height > 1 ? height / 2 : 1;
    }
}

} // namespace mw::test
