#include "social/ui/UIDrawContext.h"

#include <algorithm>
#include <cmath>

#include "engine/text/UIFont.h"
#include "engine/text/UIStringDrawing.h"
#include "platform/Image.h"

namespace mw {

Ref<UIFont> systemFontOfSize(float points) { return UIFont::fontWithName("DejaVuSans", points); }

Ref<UIFont> boldSystemFontOfSize(float points) { return UIFont::fontWithName("DejaVuSans-Bold", points); }

std::unique_ptr<UIDrawContext> UIDrawContext::create(CGSize points, float scale)
{
    const int width = static_cast<int>(std::ceil(points.width * scale));
    const int height = static_cast<int>(std::ceil(points.height * scale));
    std::unique_ptr<BitmapContext> bitmap = BitmapContext::create(width, height, BitmapFormat::RGBA8Premultiplied);
    if (!bitmap) return nullptr;
    return std::unique_ptr<UIDrawContext>(new UIDrawContext(std::move(bitmap), points, scale));
}

UIDrawContext::UIDrawContext(std::unique_ptr<BitmapContext> bitmap, CGSize size, float scale)
    : bitmap_(std::move(bitmap)), size_(size), scale_(scale)
{
}

Ref<Image> UIDrawContext::makeImage() const { return bitmap_->makeImage(); }

void UIDrawContext::saveState() { bitmap_->saveState(); }

void UIDrawContext::restoreState() { bitmap_->restoreState(); }

void UIDrawContext::translate(float dx, float dy) { bitmap_->translate(dx * scale_, dy * scale_); }

void UIDrawContext::fillRect(CGRect rect)
{
    bitmap_->fillRect({rect.origin.x * scale_, rect.origin.y * scale_, rect.size.width * scale_,
                       rect.size.height * scale_});
}

void UIDrawContext::drawImage(const Image& image, CGRect rect, float alpha)
{
    if (image.width() <= 0 || image.height() <= 0 || !(rect.size.width > 0) || !(rect.size.height > 0)) return;
    if (!std::isfinite(rect.origin.x) || !std::isfinite(rect.origin.y) || !std::isfinite(rect.size.width) ||
        !std::isfinite(rect.size.height)) {
        return;
    }
    const CGPoint offset = bitmap_->offset();
    const float left = rect.origin.x * scale_ + offset.x;
    const float top = rect.origin.y * scale_ + offset.y;
    const float width = rect.size.width * scale_;
    const float height = rect.size.height * scale_;
    const int x0 = std::max(0, static_cast<int>(std::floor(left)));
    const int y0 = std::max(0, static_cast<int>(std::floor(top)));
    const int x1 = std::min(bitmap_->width(), static_cast<int>(std::ceil(left + width)));
    const int y1 = std::min(bitmap_->height(), static_cast<int>(std::ceil(top + height)));
    const std::vector<uint8_t>& src = image.pixels();
    const bool mask = src.size() == static_cast<size_t>(image.width()) * static_cast<size_t>(image.height());
    const bool premultiplied = image.alphaInfo() == ImageAlphaInfo::PremultipliedLast ||
                               image.alphaInfo() == ImageAlphaInfo::PremultipliedFirst;
    const bool hasAlpha = image.hasAlpha();
    // Premultiplied colour of one source pixel, clamped to the edges.
    auto texel = [&](int x, int y, float out[4]) {
        x = std::clamp(x, 0, image.width() - 1);
        y = std::clamp(y, 0, image.height() - 1);
        const size_t at = static_cast<size_t>(y) * static_cast<size_t>(image.width()) + static_cast<size_t>(x);
        if (mask) {
            const FillColor& fill = bitmap_->fillColor();
            const float a = src[at] / 255.0f * fill.a;
            out[0] = fill.r * a;
            out[1] = fill.g * a;
            out[2] = fill.b * a;
            out[3] = a;
            return;
        }
        const float a = hasAlpha ? src[at * 4 + 3] / 255.0f : 1.0f;
        for (int c = 0; c < 3; ++c) out[c] = src[at * 4 + c] / 255.0f * (premultiplied ? 1.0f : a);
        out[3] = a;
    };
    std::vector<uint8_t>& dst = bitmap_->pixels();
    const float sx = image.width() / width;
    const float sy = image.height() / height;
    for (int y = y0; y < y1; ++y) {
        const float v = (y + 0.5f - top) * sy - 0.5f;
        const int iy = static_cast<int>(std::floor(v));
        const float fy = v - iy;
        // Coverage of partly covered edge rows and columns.
        const float rowCover = std::clamp(std::min(y + 1.0f, top + height) - std::max<float>(y, top), 0.0f, 1.0f);
        for (int x = x0; x < x1; ++x) {
            const float u = (x + 0.5f - left) * sx - 0.5f;
            const int ix = static_cast<int>(std::floor(u));
            const float fx = u - ix;
            const float colCover = std::clamp(std::min(x + 1.0f, left + width) - std::max<float>(x, left), 0.0f, 1.0f);
            float a[4], b[4], c[4], d[4], px[4];
            texel(ix, iy, a);
            texel(ix + 1, iy, b);
            texel(ix, iy + 1, c);
            texel(ix + 1, iy + 1, d);
            const float cover = rowCover * colCover * alpha;
            for (int k = 0; k < 4; ++k) {
                px[k] = ((a[k] * (1 - fx) + b[k] * fx) * (1 - fy) + (c[k] * (1 - fx) + d[k] * fx) * fy) * cover;
            }
            uint8_t* o = &dst[(static_cast<size_t>(y) * static_cast<size_t>(bitmap_->width()) + static_cast<size_t>(x)) * 4];
            const float keep = 1 - px[3];
            for (int k = 0; k < 4; ++k) {
                const float value = px[k] * 255.0f + o[k] * keep;
                o[k] = static_cast<uint8_t>(std::lround(std::clamp(value, 0.0f, 255.0f)));
            }
        }
    }
}

CGSize UIDrawContext::drawTextInRect(std::string_view text, CGRect rect, const UIFont* font, UILineBreakMode mode,
                                     UITextAlignment alignment)
{
    if (!font) return CGSizeZero;
    Ref<UIFont> scaled = font->fontWithSize(font->pointSize() * scale_);
    const CGSize used = drawInRect(*bitmap_, text,
                                   {rect.origin.x * scale_, rect.origin.y * scale_, rect.size.width * scale_,
                                    rect.size.height * scale_},
                                   scaled.get(), mode, alignment);
    return {used.width / scale_, used.height / scale_};
}

CGSize UIDrawContext::drawTextAtPoint(std::string_view text, CGPoint point, const UIFont* font)
{
    if (!font) return CGSizeZero;
    Ref<UIFont> scaled = font->fontWithSize(font->pointSize() * scale_);
    const CGSize used = drawAtPoint(*bitmap_, text, {point.x * scale_, point.y * scale_}, scaled.get());
    return {used.width / scale_, used.height / scale_};
}

float UIDrawContext::drawTextAtPointForWidth(std::string_view text, CGPoint point, float width, const UIFont* font,
                                             float minimumSize, UILineBreakMode mode)
{
    if (!font) return 0;
    const float startSize = font->pointSize();
    const float lineHeight = measure("Ag", font).height;
    Ref<UIFont> used(const_cast<UIFont*>(font));
    float size = startSize;
    while (size - 1 >= minimumSize && measure(text, used.get()).width > width) {
        size -= 1;
        used = font->fontWithSize(size);
    }
    const float height = measure("Ag", used.get()).height;
    const float y = point.y + (lineHeight - height) / 2;
    drawTextInRect(text, {point.x, y, width, height}, used.get(), mode, UITextAlignmentLeft);
    return size;
}

CGSize UIDrawContext::measure(std::string_view text, const UIFont* font) { return sizeWithFont(text, font); }

CGSize UIDrawContext::measure(std::string_view text, const UIFont* font, CGSize constraint, UILineBreakMode mode)
{
    return sizeWithFont(text, font, constraint, mode);
}

} // namespace mw
