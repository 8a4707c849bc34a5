#pragma once

#include <cstdint>

namespace mw {

// Pixel formats of textures, by the numbers that data files and the texture
// code share. The default format for images with alpha is RGBA8888.
enum CCTexture2DPixelFormat : int32_t {
    kCCTexture2DPixelFormat_RGBA8888 = 1,
    kCCTexture2DPixelFormat_RGB565 = 2,
    kCCTexture2DPixelFormat_RGB888 = 3,
    kCCTexture2DPixelFormat_A8 = 4,
    kCCTexture2DPixelFormat_I8 = 5,
    kCCTexture2DPixelFormat_AI88 = 6,
    kCCTexture2DPixelFormat_RGBA4444 = 7,
    kCCTexture2DPixelFormat_RGB5A1 = 8,
    kCCTexture2DPixelFormat_PVRTC4 = 9,
    kCCTexture2DPixelFormat_PVRTC2 = 10,
    kCCTexture2DPixelFormat_Default = kCCTexture2DPixelFormat_RGBA8888,
};

} // namespace mw
