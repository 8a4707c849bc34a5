#include "engine/text/TrueTypeLabel.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/text/FontManager.h"
#include "engine/text/TrueTypeStringDrawing.h"
#include "engine/text/UIFont.h"
#include "engine/text/ZAttributedString.h"
#include "engine/text/ZFont.h"
#include "platform/BitmapContext.h"

namespace mw {

namespace {

// The platform label's default font size.
constexpr float kDefaultFontSize = 17.f;

FillColor fillColor(const ccColor4F& color) { return {color.r, color.g, color.b, color.a}; }

// Half of a leftover height, to the nearest whole point (halves away from 0).
float halfRounded(float leftover) { return std::round(leftover * 0.5f); }

} // namespace

TrueTypeLabel::TrueTypeLabel(CGRect frame) : frame_(frame), font_(UIFont::systemFontOfSize(kDefaultFontSize))
{
}

Ref<TrueTypeLabel> TrueTypeLabel::labelWithFrame(CGRect frame, ZFont* font)
{
    Ref<TrueTypeLabel> label = makeRef<TrueTypeLabel>(frame);
    label->zFont_ = font;
    return label;
}

Ref<TrueTypeLabel> TrueTypeLabel::labelWithFrame(CGRect frame, const std::string& fontName, float pointSize)
{
    return labelWithFrame(frame, FontManager::sharedManager()->zFontWithName(fontName, pointSize).get());
}

Ref<TrueTypeLabel> TrueTypeLabel::labelWithFrame(CGRect frame, FontFace* face, float pointSize)
{
    return labelWithFrame(frame, ZFont::fontWithCGFont(face, pointSize).get());
}

void TrueTypeLabel::setFrame(const CGRect& frame)
{
    frame_ = frame;
    needsDisplay_ = true;
}

void TrueTypeLabel::setText(std::string text)
{
    text_ = std::move(text);
    needsDisplay_ = true;
}

void TrueTypeLabel::setFont(UIFont* font)
{
    font_ = font;
    needsDisplay_ = true;
}

void TrueTypeLabel::setZFont(ZFont* font)
{
    zFont_ = font;
    needsDisplay_ = true;
}

void TrueTypeLabel::setZAttributedText(ZAttributedString* text)
{
    if (text == zAttributedText_.get()) return;
    zAttributedText_ = text ? text->copy() : nullptr;
    needsDisplay_ = true;
}

float TrueTypeLabel::pointSize() const
{
    return zFont_ ? zFont_->pointSize() : 0.f;
}

void TrueTypeLabel::setPointSize(float pointSize)
{
    if (!zFont_ || zFont_->pointSize() == pointSize) return;
    setZFont(zFont_->fontWithSize(pointSize).get());
}

FontFace* TrueTypeLabel::cgFont() const
{
    return zFont_ ? zFont_->cgFont() : nullptr;
}

void TrueTypeLabel::setCGFont(FontFace* face)
{
    if (face == cgFont()) return;
    const float size = zFont_ ? zFont_->pointSize() : (font_ ? font_->pointSize() : kDefaultFontSize);
    setZFont(ZFont::fontWithCGFont(face, size).get());
}

Ref<ZFont> TrueTypeLabel::textFont() const
{
    if (zFont_) return zFont_;
    return ZFont::fontWithUIFont(font_.get());
}

CGRect TrueTypeLabel::textRectForBounds(CGRect bounds, int lines) const
{
    const Ref<ZFont> font = textFont();
    CGSize size;
    if (lines == 1) {
        size = zAttributedText_ ? attributedStringSize(*zAttributedText_) : sizeWithZFont(text_, font.get());
        size.width = std::min(size.width, bounds.size.width);
        size.height = std::min(size.height, bounds.size.height);
    } else {
        float heightLimit = bounds.size.height;
        if (lines > 0 && font)
            heightLimit = std::min(heightLimit, font->leading() * static_cast<float>(lines));
        const CGSize limit{bounds.size.width, heightLimit};
        size = zAttributedText_ ? attributedStringSize(*zAttributedText_, limit, lineBreakMode)
                                : sizeWithZFont(text_, font.get(), limit, lineBreakMode);
    }
    return {bounds.origin, size};
}

void TrueTypeLabel::drawAttributedText(BitmapContext& context, CGRect rect)
{
    Ref<ZAttributedString> text = zAttributedText_;
    if (highlighted) {
        // Stretches without a colour of their own turn white; the others
        // keep theirs.
        Ref<ZMutableAttributedString> highlightedText = zAttributedText_->mutableCopy();
        std::vector<NSRange> uncoloured;
        highlightedText->enumerateAttributesInRange(
            {0, highlightedText->length()}, 0, [&](const ZAttributes& attributes, NSRange range, bool&) {
                if (attributeValue(attributes, ZForegroundColorAttributeName).isAbsent())
                    uncoloured.push_back(range);
            });
        for (NSRange range : uncoloured)
            highlightedText->addAttribute(ZForegroundColorAttributeName, kZWhiteColor, range);
        text = Ref<ZAttributedString>(highlightedText.get());
    }
    const CGSize size = attributedStringSize(*text, rect.size, lineBreakMode, numberOfLines);
    const CGRect box{rect.origin.x, rect.origin.y + halfRounded(rect.size.height - size.height),
                     rect.size.width, size.height};
    drawInRect(context, *text, box, lineBreakMode, textAlignment, numberOfLines);
}

void TrueTypeLabel::drawOneLine(BitmapContext& context, CGRect rect, const Ref<ZFont>& labelFont)
{
    CGPoint origin{rect.origin.x, rect.origin.y + halfRounded(rect.size.height - labelFont->leading())};
    Ref<ZFont> font = labelFont;
    CGSize size = sizeWithZFont(text_, font.get());
    if (adjustsFontSizeToFitWidth && font->pointSize() > minimumFontSize && size.width > rect.size.width) {
        const float fitted = font->pointSize() * rect.size.width / size.width;
        font = font->fontWithSize(std::max(1.f, std::max(minimumFontSize, fitted)));
        size = sizeWithZFont(text_, font.get());
    }
    if (size.width != rect.size.width || size.height != labelFont->leading()) {
        if (baselineAdjustment == UIBaselineAdjustmentAlignBaselines) {
            origin.y += labelFont->ascender() - font->ascender();
        } else if (baselineAdjustment == UIBaselineAdjustmentAlignCenters) {
            origin.y += halfRounded(labelFont->leading() - size.height);
        }
    }
    const float drawnWidth = std::min(size.width, rect.size.width);
    if (textAlignment == UITextAlignmentRight) origin.x += rect.size.width - drawnWidth;
    if (textAlignment == UITextAlignmentCenter) origin.x += (rect.size.width - drawnWidth) * 0.5f;
    drawAtPoint(context, text_, origin, drawnWidth, font.get(), lineBreakMode);
}

void TrueTypeLabel::drawTextInRect(BitmapContext& context, CGRect rect)
{
    needsDisplay_ = false;
    if (zAttributedText_) {
        drawAttributedText(context, rect);
        return;
    }
    const Ref<ZFont> font = textFont();
    if (!font) return;
    context.saveState();
    if (highlighted) {
        context.setFillColor(fillColor(highlightedTextColor.value_or(kZWhiteColor)));
    } else {
        context.setFillColor(fillColor(textColor.value_or(kZBlackColor)));
    }
    if (numberOfLines != 1) {
        const CGSize size = sizeWithZFont(text_, font.get(), rect.size, lineBreakMode, numberOfLines);
        const CGRect box{rect.origin.x, rect.origin.y + halfRounded(rect.size.height - size.height),
                         rect.size.width, size.height};
        drawInRect(context, text_, box, font.get(), lineBreakMode, textAlignment, numberOfLines);
    } else {
        drawOneLine(context, rect, font);
    }
    context.restoreState();
}

void TrueTypeLabel::drawRect(BitmapContext& context)
{
    drawTextInRect(context, bounds());
}

std::unique_ptr<BitmapContext> TrueTypeLabel::render()
{
    const int width = static_cast<int>(std::ceil(frame_.size.width));
    const int height = static_cast<int>(std::ceil(frame_.size.height));
    if (width <= 0 || height <= 0) return nullptr;
    std::unique_ptr<BitmapContext> context =
        BitmapContext::create(width, height, BitmapFormat::RGBA8Premultiplied);
    if (context) drawRect(*context);
    return context;
}

} // namespace mw
