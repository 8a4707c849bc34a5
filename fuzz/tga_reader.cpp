// Feeds arbitrary bytes to the TGA reader through a memory stream.
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "engine/support/TGAlib.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) {
        return 0;
    }
    std::FILE* stream = fmemopen(const_cast<uint8_t*>(data), size, "rb");
    if (!stream) {
        return 0;
    }
    std::unique_ptr<mw::sImageTGA> image = mw::tgaLoadFromStream(stream);
    std::fclose(stream);
    if (image && image->status == mw::TGA_OK) {
        // The buffer must be exactly the size the header describes.
        size_t expected = static_cast<size_t>(image->width) * static_cast<size_t>(image->height) *
                          (image->pixelDepth / 8u);
        if (image->imageData.size() != expected) {
            __builtin_trap();
        }
    }
    return 0;
}
