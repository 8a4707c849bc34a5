#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "foundation/Geometry.h"
#include "foundation/Ref.h"

namespace mw {

class FontFace;
class Image;

enum class BitmapFormat {
    Gray8,                // one byte a pixel: 0 black, 255 white
    RGBA8Premultiplied,   // four bytes a pixel, R G B A, colour multiplied by alpha
};

// A fill colour with channels 0..1 (straight, not premultiplied).
struct FillColor {
    float r = 0, g = 0, b = 0, a = 1;
    friend constexpr bool operator==(const FillColor&, const FillColor&) = default;
};

// A drawing canvas in memory: the stand-in for the platform's bitmap
// graphics context, as far as text drawing needs one.
//
// Coordinates are pixels with the ORIGIN AT THE TOP-LEFT and y growing
// downwards; the first row in memory is the top row. Drawing composites the
// fill colour "source over" what is there, weighted by coverage: fractional
// rectangle edges and glyph edges are anti-aliased. Nothing outside the
// canvas is touched. Not thread-safe.
class BitmapContext {
public:
    // Largest width or height accepted.
    static constexpr int kMaxDimension = 16384;

    // A cleared canvas (all bytes 0: black in grey, transparent in RGBA).
    // Null, with one log line, for a size that is not positive or too large.
    [[nodiscard]] static std::unique_ptr<BitmapContext> create(int width, int height, BitmapFormat format);

    int width() const { return width_; }
    int height() const { return height_; }
    BitmapFormat format() const { return format_; }
    int bytesPerPixel() const { return format_ == BitmapFormat::Gray8 ? 1 : 4; }
    size_t bytesPerRow() const { return static_cast<size_t>(width_) * static_cast<size_t>(bytesPerPixel()); }
    // Rows top first, bytesPerRow() each, no padding.
    const std::vector<uint8_t>& pixels() const { return pixels_; }
    std::vector<uint8_t>& pixels() { return pixels_; }

    // The drawing state: fill colour and the offset added to every
    // coordinate. saveState pushes it, restoreState pops it (an unmatched
    // restore does nothing).
    void saveState();
    void restoreState();
    void setFillColor(const FillColor& color) { state_.fill = color; }
    const FillColor& fillColor() const { return state_.fill; }
    // Moves the origin by (dx, dy) pixels.
    void translate(float dx, float dy);
    CGPoint offset() const { return state_.offset; }

    // Fills a rectangle with the fill colour.
    void fillRect(const CGRect& rect);

    // Draws glyphs of `face` at `pixelSize` pixels to the em, each with its
    // origin (on the baseline) at the matching position.
    void showGlyphs(const FontFace& face, float pixelSize, const uint16_t* glyphs, const CGPoint* positions,
                    size_t count);

    // A copy of the canvas as an image (grey as an alpha-less mask image,
    // RGBA as premultiplied RGBA), e.g. to write a PNG.
    [[nodiscard]] Ref<Image> makeImage() const;

private:
    BitmapContext(int width, int height, BitmapFormat format);

    // Blends the fill colour into one pixel with a coverage of 0..1.
    void blendPixel(int x, int y, float coverage);

    struct State {
        FillColor fill;
        CGPoint offset;
    };

    int width_;
    int height_;
    BitmapFormat format_;
    std::vector<uint8_t> pixels_;
    State state_;
    std::vector<State> saved_;
};

} // namespace mw
