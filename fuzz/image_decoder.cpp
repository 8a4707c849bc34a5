// Feeds arbitrary bytes to the PNG/JPEG decoder and draws what decodes into a
// padded canvas, the way textures use it.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "foundation/Log.h"
#include "platform/Image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool quiet = [] {
        mw::setLogSink([](const std::string&) {});
        return true;
    }();
    (void)quiet;
    mw::Ref<mw::Image> image = mw::Image::decode(data, size, "fuzz");
    if (!image) {
        return 0;
    }
    if (image->width() <= 0 || image->height() <= 0 || image->width() > 4096 || image->height() > 4096) {
        return 0;
    }
    std::vector<uint8_t> canvas = image->premultipliedRGBA(image->width() + 3, image->height() + 1);
    if (canvas.size() != static_cast<size_t>(image->width() + 3) * (image->height() + 1) * 4) {
        __builtin_trap();
    }
    return 0;
}
