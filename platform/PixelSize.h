#pragma once

namespace mw {

// A size in whole pixels (surfaces, windows, textures).
struct PixelSize {
    int width = 0;
    int height = 0;
    friend constexpr bool operator==(const PixelSize&, const PixelSize&) = default;
};

} // namespace mw
