#include "engine/support/TGAlib.h"

#include <algorithm>
#include <new>
#include <optional>

namespace mw {

namespace {

constexpr size_t kHeaderSize = 18;
constexpr unsigned char kTopDownBit = 0x20;
constexpr uint8_t kTypeColourMapped = 1;
constexpr uint8_t kTypeTrueColour = 2;
constexpr uint8_t kTypeGrey = 3;
constexpr uint8_t kTypeRLETrueColour = 10;
// A run-length packet covers at most 128 pixels.
constexpr size_t kMaxPixelsPerPacket = 128;

size_t bytesPerPixel(const sImageTGA& info)
{
    return info.pixelDepth / 8u;
}

size_t imageBytes(const sImageTGA& info)
{
    return static_cast<size_t>(info.width) * static_cast<size_t>(info.height) * bytesPerPixel(info);
}

// Bytes left after the current position, when the stream can tell.
std::optional<uint64_t> bytesRemaining(std::FILE* file)
{
    long here = std::ftell(file);
    if (here < 0 || std::fseek(file, 0, SEEK_END) != 0) {
        return std::nullopt;
    }
    long end = std::ftell(file);
    if (std::fseek(file, here, SEEK_SET) != 0 || end < here) {
        return std::nullopt;
    }
    return static_cast<uint64_t>(end - here);
}

// The fewest file bytes that can hold the image's pixels; used to refuse a
// header that promises more than the file holds before allocating for it.
uint64_t smallestPixelData(const sImageTGA& info)
{
    uint64_t pixels = static_cast<uint64_t>(info.width) * static_cast<uint64_t>(info.height);
    if (info.type != kTypeRLETrueColour) {
        return pixels * bytesPerPixel(info);
    }
    uint64_t packets = (pixels + kMaxPixelsPerPacket - 1) / kMaxPixelsPerPacket;
    return packets * (1 + bytesPerPixel(info));
}

bool validDepth(uint8_t depth)
{
    return depth == 8 || depth == 16 || depth == 24 || depth == 32;
}

void swapRedBlue(unsigned char* pixel, size_t bpp)
{
    if (bpp >= 3) {
        std::swap(pixel[0], pixel[2]);
    }
}

bool failWith(sImageTGA* info, TGAStatus status)
{
    info->status = status;
    return false;
}

} // namespace

bool tgaLoadHeader(std::FILE* file, sImageTGA* info)
{
    unsigned char header[kHeaderSize];
    if (std::fread(header, 1, kHeaderSize, file) != kHeaderSize) {
        return failWith(info, TGA_ERROR_READING_FILE);
    }
    info->type = header[2];
    info->width = static_cast<int16_t>(header[12] | (header[13] << 8));
    info->height = static_cast<int16_t>(header[14] | (header[15] << 8));
    info->pixelDepth = header[16];
    info->flipped = (header[17] & kTopDownBit) ? 1 : 0;
    return true;
}

bool tgaLoadImageData(std::FILE* file, sImageTGA* info)
{
    const size_t bpp = bytesPerPixel(*info);
    std::vector<unsigned char>& data = info->imageData;
    if (!data.empty() && std::fread(data.data(), 1, data.size(), file) != data.size()) {
        return failWith(info, TGA_ERROR_READING_FILE);
    }
    if (bpp >= 3) {
        for (size_t at = 0; at + bpp <= data.size(); at += bpp) {
            swapRedBlue(&data[at], bpp);
        }
    }
    return true;
}

bool tgaLoadRLEImageData(std::FILE* file, sImageTGA* info)
{
    const size_t bpp = bytesPerPixel(*info);
    if (bpp == 0) {
        return true;
    }
    std::vector<unsigned char>& data = info->imageData;
    unsigned char pixel[4] = {};
    size_t left = 0;     // pixels still owed by the current packet
    bool repeated = false;
    for (size_t at = 0; at + bpp <= data.size(); at += bpp) {
        bool firstOfPacket = left == 0;
        if (firstOfPacket) {
            int header = std::fgetc(file);
            if (header == EOF) {
                return failWith(info, TGA_ERROR_READING_FILE);
            }
            repeated = header >= 128;
            left = repeated ? static_cast<size_t>(header - 127) : static_cast<size_t>(header + 1);
        }
        if (firstOfPacket || !repeated) {
            if (std::fread(pixel, 1, bpp, file) != bpp) {
                return failWith(info, TGA_ERROR_READING_FILE);
            }
            swapRedBlue(pixel, bpp);
        }
        std::copy(pixel, pixel + bpp, &data[at]);
        --left;
    }
    return true;
}

void tgaFlipImage(sImageTGA* info)
{
    const size_t rowBytes = static_cast<size_t>(std::max<int16_t>(info->width, 0)) * bytesPerPixel(*info);
    const size_t rows = static_cast<size_t>(std::max<int16_t>(info->height, 0));
    if (info->imageData.size() < rowBytes * rows) {
        return;
    }
    unsigned char* data = info->imageData.data();
    for (size_t top = 0; top < rows / 2; ++top) {
        size_t bottom = rows - 1 - top;
        std::swap_ranges(data + top * rowBytes, data + (top + 1) * rowBytes, data + bottom * rowBytes);
    }
    info->flipped = 0;
}

std::unique_ptr<sImageTGA> tgaLoadFromStream(std::FILE* file)
{
    std::unique_ptr<sImageTGA> info(new (std::nothrow) sImageTGA);
    if (!info) {
        return nullptr;
    }
    if (!tgaLoadHeader(file, info.get())) {
        return info;
    }
    if (info->type == kTypeColourMapped) {
        info->status = TGA_ERROR_INDEXED_COLOR;
        return info;
    }
    if (info->type != kTypeTrueColour && info->type != kTypeGrey && info->type != kTypeRLETrueColour) {
        info->status = TGA_ERROR_COMPRESSED_FILE;
        return info;
    }
    // Sizes are checked before anything is allocated or read: negative sizes
    // and odd depths describe no image, and a header may not promise more
    // pixels than the file holds.
    if (info->width < 0 || info->height < 0 || !validDepth(info->pixelDepth)) {
        info->status = TGA_ERROR_READING_FILE;
        return info;
    }
    if (auto remaining = bytesRemaining(file); remaining && *remaining < smallestPixelData(*info)) {
        info->status = TGA_ERROR_READING_FILE;
        return info;
    }
    try {
        info->imageData.resize(imageBytes(*info));
    } catch (const std::bad_alloc&) {
        info->status = TGA_ERROR_MEMORY;
        return info;
    }
    bool read = info->type == kTypeRLETrueColour ? tgaLoadRLEImageData(file, info.get())
                                                  : tgaLoadImageData(file, info.get());
    if (!read) {
        info->imageData.clear();
        return info;
    }
    info->status = TGA_OK;
    if (info->flipped) {
        tgaFlipImage(info.get());
    }
    return info;
}

std::unique_ptr<sImageTGA> tgaLoad(const char* path)
{
    std::FILE* file = path ? std::fopen(path, "rb") : nullptr;
    if (!file) {
        std::unique_ptr<sImageTGA> info(new (std::nothrow) sImageTGA);
        if (info) {
            info->status = TGA_ERROR_FILE_OPEN;
        }
        return info;
    }
    std::unique_ptr<sImageTGA> info = tgaLoadFromStream(file);
    std::fclose(file);
    return info;
}

} // namespace mw
