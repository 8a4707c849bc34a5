#pragma once

// The PNG and JPEG codecs behind Image. Internal to the platform layer: other
// code goes through Image.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Image.h"

namespace mw::codecs {

bool looksLikePNG(const uint8_t* data, size_t size);
bool looksLikeJPEG(const uint8_t* data, size_t size);

// Decoders fill `description` and `pixels` (RGBA8, top row first); on failure
// they return false and put the codec's reason in `error`.
bool decodePNG(const uint8_t* data, size_t size, Image::Description& description, std::vector<uint8_t>& pixels,
               std::string& error);
bool decodeJPEG(const uint8_t* data, size_t size, Image::Description& description, std::vector<uint8_t>& pixels,
                std::string& error);

// Encoders take rows of `channels` bytes a pixel (1 grey, 3 RGB, 4 RGBA),
// top row first; false with the reason in `error` on failure.
bool encodePNG(const uint8_t* rows, int width, int height, int channels, std::vector<uint8_t>& out,
               std::string& error);
bool encodeJPEG(const uint8_t* rgbRows, int width, int height, int quality, std::vector<uint8_t>& out,
                std::string& error);

} // namespace mw::codecs
