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
    if (x0 >= x1 || y0 >= y1) return;
    const std::vector<uint8_t>& src = image.pixels();
    const int imageWidth = image.width();
    const int imageHeight = image.height();
    const bool mask = src.size() == static_cast<size_t>(imageWidth) * static_cast<size_t>(imageHeight);
    const bool premultiplied = image.alphaInfo() == ImageAlphaInfo::PremultipliedLast ||
                               image.alphaInfo() == ImageAlphaInfo::PremultipliedFirst;
    const bool hasAlpha = image.hasAlpha();
    // One source row as premultiplied colours (the edges clamped by the caller).
    const FillColor fill = bitmap_->fillColor();
    auto convertRow = [&](int y, std::vector<float>& out) {
        const size_t row = static_cast<size_t>(y) * static_cast<size_t>(imageWidth);
        for (int x = 0; x < imageWidth; ++x) {
            const size_t at = row + static_cast<size_t>(x);
            float* texel = &out[static_cast<size_t>(x) * 4];
            if (mask) {
                const float a = src[at] / 255.0f * fill.a;
                texel[0] = fill.r * a;
                texel[1] = fill.g * a;
                texel[2] = fill.b * a;
                texel[3] = a;
                continue;
            }
            const float a = hasAlpha ? src[at * 4 + 3] / 255.0f : 1.0f;
            for (int c = 0; c < 3; ++c) texel[c] = src[at * 4 + c] / 255.0f * (premultiplied ? 1.0f : a);
            texel[3] = a;
        }
    };
    // Rounded half away from zero as lround does (exact in double for this
    // range); NaN, which lround cannot round, gives 0.
    auto store = [](float value) {
        value = std::clamp(value, 0.0f, 255.0f);
        return value >= 0.0f ? static_cast<uint8_t>(static_cast<int>(static_cast<double>(value) + 0.5)) : 0;
    };
    std::vector<uint8_t>& dst = bitmap_->pixels();
    // A picture at its own size on whole pixels (a row's background at the
    // screen's scale): every sample falls on a source pixel with full
    // coverage, so the blend below needs no filtering, and an opaque source
    // pixel is copied (its blend rounds back to the same bytes).
    if (!mask && alpha == 1.0f && width == static_cast<float>(imageWidth) &&
        height == static_cast<float>(imageHeight) && left == std::floor(left) && top == std::floor(top)) {
        const int sourceLeft = static_cast<int>(left);
        const int sourceTop = static_cast<int>(top);
        for (int y = y0; y < y1; ++y) {
            const uint8_t* in = &src[(static_cast<size_t>(y - sourceTop) * static_cast<size_t>(imageWidth) +
                                      static_cast<size_t>(x0 - sourceLeft)) * 4];
            const size_t row = static_cast<size_t>(y) * static_cast<size_t>(bitmap_->width());
            uint8_t* o = &dst[(row + static_cast<size_t>(x0)) * 4];
            for (int x = x0; x < x1; ++x, in += 4, o += 4) {
                if (!hasAlpha || in[3] == 255) {
                    o[0] = in[0], o[1] = in[1], o[2] = in[2], o[3] = 255;
                    continue;
                }
                const float a = in[3] / 255.0f;
                const float keep = 1 - a;
                const float unmultiply = premultiplied ? 1.0f : a;
                for (int k = 0; k < 3; ++k) o[k] = store(in[k] / 255.0f * unmultiply * 255.0f + o[k] * keep);
                o[3] = store(a * 255.0f + o[3] * keep);
            }
        }
        return;
    }
    const float sx = imageWidth / width;
    const float sy = imageHeight / height;
    // Per column: the two source columns (clamped to the edges), the weight
    // of the second and the coverage of a partly covered edge column.
    struct Column {
        size_t first;
        size_t second;
        float weight;
        float cover;
    };
    std::vector<Column> columns(static_cast<size_t>(x1 - x0));
    for (int x = x0; x < x1; ++x) {
        const float u = (x + 0.5f - left) * sx - 0.5f;
        const int ix = static_cast<int>(std::floor(u));
        columns[static_cast<size_t>(x - x0)] = {
            static_cast<size_t>(std::clamp(ix, 0, imageWidth - 1)) * 4,
            static_cast<size_t>(std::clamp(ix + 1, 0, imageWidth - 1)) * 4, u - ix,
            std::clamp(std::min(x + 1.0f, left + width) - std::max<float>(x, left), 0.0f, 1.0f)};
    }
    // Source rows converted once and kept while the output rows read them.
    std::vector<float> upper(static_cast<size_t>(imageWidth) * 4), lower(upper.size());
    int upperRow = -1, lowerRow = -1;
    // A weight of 0 takes the first value as it is (a * 1 + b * 0 is a).
    auto mix = [](float a, float b, float weight) { return weight == 0.0f ? a : a * (1 - weight) + b * weight; };
    for (int y = y0; y < y1; ++y) {
        const float v = (y + 0.5f - top) * sy - 0.5f;
        const int iy = static_cast<int>(std::floor(v));
        const float fy = v - iy;
        const int upperAt = std::clamp(iy, 0, imageHeight - 1);
        const int lowerAt = std::clamp(iy + 1, 0, imageHeight - 1);
        if (upperAt != upperRow) {
            if (upperAt == lowerRow) upper.swap(lower), std::swap(upperRow, lowerRow);
            else convertRow(upperAt, upper), upperRow = upperAt;
        }
        if (lowerAt != lowerRow) {
            if (lowerAt == upperRow) lower = upper;
            else convertRow(lowerAt, lower);
            lowerRow = lowerAt;
        }
        // Coverage of partly covered edge rows and columns.
        const float rowCover = std::clamp(std::min(y + 1.0f, top + height) - std::max<float>(y, top), 0.0f, 1.0f);
        uint8_t* o = &dst[(static_cast<size_t>(y) * static_cast<size_t>(bitmap_->width()) + static_cast<size_t>(x0)) * 4];
        for (const Column& column : columns) {
            const float cover = rowCover * column.cover * alpha;
            float px[4];
            for (int k = 0; k < 4; ++k) {
                const float above = mix(upper[column.first + k], upper[column.second + k], column.weight);
                const float below = mix(lower[column.first + k], lower[column.second + k], column.weight);
                px[k] = mix(above, below, fy) * cover;
            }
            const float keep = 1 - px[3];
            for (int k = 0; k < 4; ++k) o[k] = store(px[k] * 255.0f + o[k] * keep);
            o += 4;
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
