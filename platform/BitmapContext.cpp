#include "platform/BitmapContext.h"

#include <algorithm>
#include <cmath>

#include "foundation/Log.h"
#include "platform/FontFace.h"
#include "platform/Image.h"

namespace mw {

namespace {

uint8_t toByte(float value)
{
    return static_cast<uint8_t>(std::lround(std::clamp(value, 0.f, 1.f) * 255.f));
}

// How much of the pixel span [pixel, pixel + 1) the span [from, to) covers.
float spanCoverage(int pixel, float from, float to)
{
    return std::max(0.f, std::min(to, pixel + 1.f) - std::max(from, static_cast<float>(pixel)));
}

} // namespace

std::unique_ptr<BitmapContext> BitmapContext::create(int width, int height, BitmapFormat format)
{
    if (width <= 0 || height <= 0 || width > kMaxDimension || height > kMaxDimension) {
        logLine("BitmapContext: cannot make a %dx%d canvas", width, height);
        return nullptr;
    }
    return std::unique_ptr<BitmapContext>(new BitmapContext(width, height, format));
}

BitmapContext::BitmapContext(int width, int height, BitmapFormat format)
    : width_(width), height_(height), format_(format),
      pixels_(static_cast<size_t>(width) * static_cast<size_t>(height) *
                  (format == BitmapFormat::Gray8 ? 1 : 4),
              0)
{
}

void BitmapContext::saveState()
{
    saved_.push_back(state_);
}

void BitmapContext::restoreState()
{
    if (saved_.empty()) return;
    state_ = saved_.back();
    saved_.pop_back();
}

void BitmapContext::translate(float dx, float dy)
{
    state_.offset.x += dx;
    state_.offset.y += dy;
}

void BitmapContext::blendPixel(int x, int y, float coverage)
{
    const FillColor& fill = state_.fill;
    const float alpha = std::clamp(fill.a, 0.f, 1.f) * coverage;
    if (alpha <= 0.f) return;
    const size_t index = (static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)) *
                         static_cast<size_t>(bytesPerPixel());
    uint8_t* pixel = pixels_.data() + index;
    if (format_ == BitmapFormat::Gray8) {
        // The platform's grey colour space weighs the channels by luminance.
        const float grey = 0.299f * fill.r + 0.587f * fill.g + 0.114f * fill.b;
        pixel[0] = toByte(grey * alpha + (pixel[0] / 255.f) * (1.f - alpha));
        return;
    }
    const float source[4] = {fill.r * alpha, fill.g * alpha, fill.b * alpha, alpha};
    for (int channel = 0; channel < 4; ++channel) {
        pixel[channel] = toByte(source[channel] + (pixel[channel] / 255.f) * (1.f - alpha));
    }
}

void BitmapContext::fillRect(const CGRect& rect)
{
    const CGRect r = CGRectStandardize(rect);
    const float left = r.origin.x + state_.offset.x;
    const float top = r.origin.y + state_.offset.y;
    const float right = left + r.size.width;
    const float bottom = top + r.size.height;
    if (!(right > left) || !(bottom > top)) return;
    const int firstX = std::max(0, static_cast<int>(std::floor(std::max(left, -1.f))));
    const int endX = std::min(width_, static_cast<int>(std::ceil(std::min(right, float(width_)))));
    const int firstY = std::max(0, static_cast<int>(std::floor(std::max(top, -1.f))));
    const int endY = std::min(height_, static_cast<int>(std::ceil(std::min(bottom, float(height_)))));
    for (int y = firstY; y < endY; ++y) {
        const float rowCoverage = spanCoverage(y, top, bottom);
        for (int x = firstX; x < endX; ++x) {
            blendPixel(x, y, rowCoverage * spanCoverage(x, left, right));
        }
    }
}

void BitmapContext::showGlyphs(const FontFace& face, float pixelSize, const uint16_t* glyphs,
                               const CGPoint* positions, size_t count)
{
    // Glyphs seldom overlap: a grey pixel still 0 under a glyph takes the
    // fill at the glyph's coverage, which a table of the 256 coverages
    // answers exactly as blendPixel would; only other pixels blend in full.
    const bool grey = format_ == BitmapFormat::Gray8;
    uint8_t fresh[256] = {};
    if (grey) {
        const FillColor& fill = state_.fill;
        const float level = 0.299f * fill.r + 0.587f * fill.g + 0.114f * fill.b;
        for (int coverage = 1; coverage < 256; ++coverage) {
            const float alpha = std::clamp(fill.a, 0.f, 1.f) * (static_cast<float>(coverage) / 255.f);
            fresh[coverage] = alpha > 0.f ? toByte(level * alpha) : 0;
        }
    }
    GlyphImage image;
    for (size_t i = 0; i < count; ++i) {
        const float x = positions[i].x + state_.offset.x;
        const float y = positions[i].y + state_.offset.y;
        // Far outside the canvas (or not a number): nothing to draw, and the
        // pixel arithmetic below must not overflow.
        if (!(std::fabs(x) < 1e6f) || !(std::fabs(y) < 1e6f)) continue;
        const float wholeX = std::floor(x);
        const float wholeY = std::floor(y);
        if (!face.renderGlyph(glyphs[i], pixelSize, x - wholeX, y - wholeY, image)) continue;
        const int originX = static_cast<int>(wholeX) + image.left;
        const int originY = static_cast<int>(wholeY) - image.top;
        for (int row = 0; row < image.height; ++row) {
            const int canvasY = originY + row;
            if (canvasY < 0 || canvasY >= height_) continue;
            for (int column = 0; column < image.width; ++column) {
                const int canvasX = originX + column;
                if (canvasX < 0 || canvasX >= width_) continue;
                const uint8_t coverage = image.coverage[static_cast<size_t>(row) * image.width + column];
                if (coverage == 0) continue;
                if (grey) {
                    uint8_t& pixel = pixels_[static_cast<size_t>(canvasY) * static_cast<size_t>(width_) +
                                             static_cast<size_t>(canvasX)];
                    if (pixel == 0) {
                        pixel = fresh[coverage];
                        continue;
                    }
                }
                blendPixel(canvasX, canvasY, coverage / 255.f);
            }
        }
    }
}

Ref<Image> BitmapContext::makeImage() const
{
    if (format_ == BitmapFormat::Gray8) return Image::fromAlpha(pixels_, width_, height_);
    return Image::fromRGBA(pixels_, width_, height_, ImageAlphaInfo::PremultipliedLast);
}

} // namespace mw
