#pragma once

#include <array>
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

// Bytes of a full mip chain of an uncompressed type with every level padded
// to at least 2 x 2 pixels, as some writers store them.
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

// Builds a PVR version-2 file of an uncompressed pixel type the way texture
// tools write one: every header word filled in (mipmap count, the mipmap and
// alpha flags, bits per pixel, channel masks, one surface) and the full mip
// chain down to 1 x 1 stored tight, each level width x height x bpp / 8 bytes
// with no padding. Pixel bytes follow the same pattern as makePVRFile.
struct TightPVRFields {
    uint32_t width = 8;
    uint32_t height = 8;
    uint8_t pixelType = 0x12;
    int levels = 0; // 0: the full chain
};

// The channel masks a writer puts in the header: red, green, blue, alpha.
inline std::array<uint32_t, 4> pvrChannelMasks(uint8_t pixelType)
{
    switch (pixelType) {
    case 0x10: return {0xF000, 0x0F00, 0x00F0, 0x000F};
    case 0x11: return {0xF800, 0x07C0, 0x003E, 0x0001};
    case 0x12: return {0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000};
    case 0x13: return {0xF800, 0x07E0, 0x001F, 0};
    case 0x15: return {0x0000FF, 0x00FF00, 0xFF0000, 0};
    case 0x16: return {0xFF, 0, 0, 0};
    case 0x17: return {0x00FF, 0, 0, 0xFF00};
    case 0x1A: return {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
    case 0x1B: return {0, 0, 0, 0xFF};
    default: return {0, 0, 0, 0};
    }
}

inline uint32_t pvrBitsPerPixel(uint8_t pixelType)
{
    switch (pixelType) {
    case 0x12: case 0x1A: return 32;
    case 0x15: return 24;
    case 0x16: case 0x1B: return 8;
    default: return 16;
    }
}

// Level sizes of the tight chain, largest first.
inline std::vector<uint32_t> tightLevelSizes(const TightPVRFields& fields)
{
    std::vector<uint32_t> sizes;
    uint32_t width = fields.width;
    uint32_t height = fields.height;
    for (;;) {
        sizes.push_back(width * height * pvrBitsPerPixel(fields.pixelType) / 8);
        if ((width == 1 && height == 1) || static_cast<int>(sizes.size()) == fields.levels) {
            return sizes;
        }
        width = width > 1 ? width / 2 : 1;
        height = height > 1 ? height / 2 : 1;
    }
}

inline std::vector<unsigned char> makeTightPVRFile(const TightPVRFields& fields)
{
    const std::vector<uint32_t> sizes = tightLevelSizes(fields);
    uint32_t dataLength = 0;
    for (uint32_t size : sizes) {
        dataLength += size;
    }
    const std::array<uint32_t, 4> masks = pvrChannelMasks(fields.pixelType);
    constexpr uint32_t kFlagMipmaps = 0x100;
    constexpr uint32_t kFlagAlpha = 0x8000;
    uint32_t flags = fields.pixelType;
    if (sizes.size() > 1) flags |= kFlagMipmaps;
    if (masks[3] != 0) flags |= kFlagAlpha;

    std::vector<unsigned char> file(52 + dataLength, 0);
    putWord(file, 0, 52);
    putWord(file, 4, fields.height);
    putWord(file, 8, fields.width);
    putWord(file, 12, static_cast<uint32_t>(sizes.size() - 1)); // levels below the first
    putWord(file, 16, flags);
    putWord(file, 20, dataLength);
    putWord(file, 24, pvrBitsPerPixel(fields.pixelType));
    for (size_t i = 0; i < 4; ++i) {
        putWord(file, 28 + 4 * i, masks[i]);
    }
    std::memcpy(&file[44], "PVR!", 4);
    putWord(file, 48, 1);
    for (size_t i = 0; i < dataLength; ++i) {
        file[52 + i] = static_cast<unsigned char>(i * 13 + 5);
    }
    return file;
}

} // namespace mw::test
