#pragma once

// Shared by the particle tests: generated particle images, a base64 writer
// for embedded images, and a surface in the frame loop's drawing state.

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "engine/base/CCWinSize.h"
#include "engine/base/ccDrawingState.h"
#include "platform/Image.h"
#include "tests/engine/sprites/SpriteTestSupport.h"

namespace mw::test {

// A size x size image of one opaque colour.
inline Ref<Image> solidImage(int size, RGBA colour)
{
    std::vector<uint8_t> pixels;
    for (int i = 0; i < size * size; ++i) pixels.insert(pixels.end(), {colour.r, colour.g, colour.b, colour.a});
    return Image::fromRGBA(std::move(pixels), size, size, ImageAlphaInfo::Last);
}

// A soft round spot, white, fading to transparent at the edge: a spark.
inline Ref<Image> sparkImage(int size = 32)
{
    std::vector<uint8_t> pixels;
    const float centre = (static_cast<float>(size) - 1) / 2;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const float dx = (static_cast<float>(x) - centre) / centre;
            const float dy = (static_cast<float>(y) - centre) / centre;
            const float d = std::min(1.f, std::sqrt(dx * dx + dy * dy));
            const auto a = static_cast<uint8_t>((1 - d) * 255);
            pixels.insert(pixels.end(), {255, 255, 255, a});
        }
    }
    return Image::fromRGBA(std::move(pixels), size, size, ImageAlphaInfo::Last);
}

inline std::string base64Encode(const std::vector<unsigned char>& bytes)
{
    static const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const uint32_t n = (bytes[i] << 16) | (bytes[i + 1] << 8) | bytes[i + 2];
        for (int s = 18; s >= 0; s -= 6) out += alphabet[(n >> s) & 63];
    }
    if (i + 1 == bytes.size()) {
        const uint32_t n = bytes[i] << 16;
        out += alphabet[(n >> 18) & 63];
        out += alphabet[(n >> 12) & 63];
        out += "==";
    } else if (i + 2 == bytes.size()) {
        const uint32_t n = (bytes[i] << 16) | (bytes[i + 1] << 8);
        out += alphabet[(n >> 18) & 63];
        out += alphabet[(n >> 12) & 63];
        out += alphabet[(n >> 6) & 63];
        out += '=';
    }
    return out;
}

// A window of width x height points while it lives (presets read it).
class ScopedWinSize {
public:
    ScopedWinSize(float width, float height)
    {
        size() = {width, height};
        ccSetWinSizeProvider([] { return size(); });
    }
    ~ScopedWinSize() { ccSetWinSizeProvider(nullptr); }
    ScopedWinSize(const ScopedWinSize&) = delete;
    ScopedWinSize& operator=(const ScopedWinSize&) = delete;

private:
    static CGSize& size()
    {
        static CGSize current;
        return current;
    }
};

} // namespace mw::test
