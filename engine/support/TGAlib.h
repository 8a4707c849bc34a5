#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

namespace mw {

// Result codes of the TGA reader.
enum TGAStatus : int32_t {
    TGA_OK = 0,
    TGA_ERROR_FILE_OPEN = 1,
    TGA_ERROR_READING_FILE = 2, // short read, or a header no image can have
    TGA_ERROR_INDEXED_COLOR = 3,
    TGA_ERROR_MEMORY = 4,
    TGA_ERROR_COMPRESSED_FILE = 5, // any type other than 2, 3 and 10
};

// A decoded TGA image. imageData holds width x height x (pixelDepth / 8)
// bytes, rows from the bottom row up, with bytes 0 and 2 of every pixel
// swapped for depths of 24 and more (so pixels read R, G, B[, A]).
struct sImageTGA {
    int32_t status = TGA_OK;
    uint8_t type = 0;
    uint8_t pixelDepth = 0;
    int16_t width = 0;
    int16_t height = 0;
    std::vector<unsigned char> imageData;
    int32_t flipped = 0; // 1 while the rows are still top-down
};

// Loads a true-colour (2), grey (3) or run-length true-colour (10) image.
// Null only when the record itself cannot be allocated; otherwise the status
// tells success. Files with an image ID field are not supported (the pixels
// are taken from offset 18).
[[nodiscard]] std::unique_ptr<sImageTGA> tgaLoad(const char* path);
// The same from an open stream positioned at the header; the stream stays open.
[[nodiscard]] std::unique_ptr<sImageTGA> tgaLoadFromStream(std::FILE* file);

// The steps of tgaLoad. Each sets info->status on failure and returns false.
// The data readers fill info->imageData, which must already be sized.
bool tgaLoadHeader(std::FILE* file, sImageTGA* info);
bool tgaLoadImageData(std::FILE* file, sImageTGA* info);
bool tgaLoadRLEImageData(std::FILE* file, sImageTGA* info);
// Turns top-down rows bottom-up and clears the flipped mark.
void tgaFlipImage(sImageTGA* info);

} // namespace mw
