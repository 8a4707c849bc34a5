#include "social/ui/UIControls.h"

#include <cmath>

#include "engine/text/UIFont.h"
#include "foundation/NSTimer.h"
#include "platform/Image.h"
#include "social/ui/UIDrawContext.h"

namespace mw {

// ---- label ----

UILabel::UILabel(CGRect frame) : UIView(frame), font_(systemFontOfSize(17)) { setOpaque(false); }

void UILabel::setText(std::string text)
{
    text_ = std::move(text);
    setNeedsDisplay();
}

void UILabel::setFont(Ref<UIFont> font)
{
    font_ = std::move(font);
    setNeedsDisplay();
}

void UILabel::setTextColor(FillColor colour)
{
    colour_ = colour;
    setNeedsDisplay();
}

void UILabel::setTextAlignment(UITextAlignment alignment)
{
    alignment_ = alignment;
    setNeedsDisplay();
}

void UILabel::setNumberOfLines(int lines)
{
    lines_ = lines;
    setNeedsDisplay();
}

void UILabel::setLineBreakMode(UILineBreakMode mode)
{
    mode_ = mode;
    setNeedsDisplay();
}

void UILabel::setAdjustsFontSizeToFitWidth(bool on, float minimumFontSize)
{
    shrink_ = on;
    minimumSize_ = minimumFontSize;
    setNeedsDisplay();
}

CGSize UILabel::sizeThatFits(CGSize size) const
{
    if (!font_) return CGSizeZero;
    if (lines_ == 1) {
        const CGSize one = UIDrawContext::measure(text_, font_.get());
        return {std::ceil(one.width), std::ceil(one.height)};
    }
    const float width = size.width > 0 ? size.width : bounds().size.width;
    const CGSize many = UIDrawContext::measure(text_, font_.get(), {width, 100000}, UILineBreakModeWordWrap);
    const float lineHeight = UIDrawContext::measure("Ag", font_.get()).height;
    float height = many.height;
    if (lines_ > 0) height = std::min(height, lineHeight * static_cast<float>(lines_));
    return {std::ceil(many.width), std::ceil(height)};
}

void UILabel::drawRect(UIDrawContext& context, CGRect rect)
{
    if (!font_ || text_.empty()) return;
    context.setFillColor(colour_);
    const CGRect area = bounds();
    if (lines_ == 1 && shrink_) {
        const float lineHeight = UIDrawContext::measure("Ag", font_.get()).height;
        const float y = area.origin.y + (area.size.height - lineHeight) / 2;
        // Shrinking only decides the size; the alignment still applies.
        Ref<UIFont> used = font_;
        float size = font_->pointSize();
        while (size - 1 >= minimumSize_ && UIDrawContext::measure(text_, used.get()).width > area.size.width) {
            size -= 1;
            used = font_->fontWithSize(size);
        }
        lastFontSize_ = size;
        const float height = UIDrawContext::measure("Ag", used.get()).height;
        context.drawTextInRect(text_, {area.origin.x, y + (lineHeight - height) / 2, area.size.width, height},
                               used.get(), UILineBreakModeTailTruncation, alignment_);
        return;
    }
    lastFontSize_ = font_->pointSize();
    const CGSize fits = sizeThatFits({area.size.width, 0});
    const float height = std::min(fits.height, area.size.height);
    const float y = area.origin.y + (area.size.height - height) / 2;
    context.drawTextInRect(text_, {area.origin.x, y, area.size.width, height}, font_.get(),
                           lines_ == 1 ? mode_ : UILineBreakModeWordWrap, alignment_);
}

// ---- image view ----

UIImageView::UIImageView(CGRect frame, Ref<Image> image) : UIView(frame), image_(std::move(image))
{
    setOpaque(false);
    setUserInteractionEnabled(false);
}

void UIImageView::setImage(Ref<Image> image)
{
    image_ = std::move(image);
    setNeedsDisplay();
}

void UIImageView::drawRect(UIDrawContext& context, CGRect rect)
{
    if (image_) context.drawImage(*image_, bounds());
}

CGSize UIImageView::sizeThatFits(CGSize size) const
{
    if (!image_) return bounds().size;
    const float scale = image_->width() > 0 ? 1.0f : 1.0f;
    return {image_->width() * scale, image_->height() * scale};
}

// ---- button ----

UIButton::UIButton(CGRect frame) : UIView(frame) { setOpaque(false); }

void UIButton::setImage(Ref<Image> normal, Ref<Image> highlighted)
{
    normal_ = std::move(normal);
    highlightedImage_ = std::move(highlighted);
    setNeedsDisplay();
}

void UIButton::setTitle(std::string title, Ref<UIFont> font, FillColor colour)
{
    title_ = std::move(title);
    titleFont_ = std::move(font);
    titleColour_ = colour;
    setNeedsDisplay();
}

void UIButton::setHighlighted(bool on)
{
    if (highlighted_ == on) return;
    highlighted_ = on;
    setNeedsDisplay();
}

void UIButton::sendTouchUpInside()
{
    Ref<UIButton> hold(this);
    if (touchUpInside_) touchUpInside_(*this);
}

void UIButton::drawRect(UIDrawContext& context, CGRect rect)
{
    const Image* shown = highlighted_ && highlightedImage_ ? highlightedImage_.get() : normal_.get();
    if (shown) context.drawImage(*shown, bounds());
    if (highlighted_ && !highlightedImage_) {
        context.setFillColor({0, 0, 0, 0.25f});
        context.fillRect(bounds());
    }
    if (!title_.empty() && titleFont_) {
        context.setFillColor(titleColour_);
        const float height = UIDrawContext::measure("Ag", titleFont_.get()).height;
        context.drawTextInRect(title_, {0, (bounds().size.height - height) / 2, bounds().size.width, height},
                               titleFont_.get(), UILineBreakModeTailTruncation, UITextAlignmentCenter);
    }
}

bool UIButton::inside(const UIViewTouches& touches) const
{
    if (touches.empty()) return false;
    return pointInside(convertPointFromView(touches.front().windowPoint, nullptr));
}

void UIButton::touchesBegan(const UIViewTouches& touches)
{
    Ref<UIButton> hold(this);
    setHighlighted(true);
    if (touchDown_) touchDown_(*this);
}

void UIButton::touchesMoved(const UIViewTouches& touches) { setHighlighted(inside(touches)); }

void UIButton::touchesEnded(const UIViewTouches& touches)
{
    Ref<UIButton> hold(this);
    const bool wasInside = inside(touches);
    setHighlighted(false);
    if (wasInside && touchUpInside_) touchUpInside_(*this);
}

void UIButton::touchesCancelled(const UIViewTouches& touches) { setHighlighted(false); }

// ---- spinner ----

UIActivityIndicatorView::UIActivityIndicatorView(Style style)
    : UIView(style == kWhiteLarge ? CGRect {0, 0, 37, 37} : CGRect {0, 0, 20, 20}), style_(style)
{
    setOpaque(false);
    setUserInteractionEnabled(false);
}

UIActivityIndicatorView::~UIActivityIndicatorView()
{
    if (timer_) timer_->invalidate();
}

CGSize UIActivityIndicatorView::sizeThatFits(CGSize) const
{
    return style_ == kWhiteLarge ? CGSize {37, 37} : CGSize {20, 20};
}

void UIActivityIndicatorView::startAnimating()
{
    if (animating_) return;
    animating_ = true;
    setHidden(false);
    UIActivityIndicatorView* self = this;
    timer_ = NSTimer::scheduledTimer(1.0 / 12, true, [self](NSTimer*) {
        self->step_ = (self->step_ + 1) % 12;
        self->setNeedsDisplay();
    });
}

void UIActivityIndicatorView::stopAnimating()
{
    animating_ = false;
    if (timer_) timer_->invalidate();
    timer_ = nullptr;
    setHidden(true);
}

void UIActivityIndicatorView::drawRect(UIDrawContext& context, CGRect rect)
{
    const CGSize size = bounds().size;
    const float radius = std::min(size.width, size.height) / 2;
    const float spoke = radius * 0.16f;
    const FillColor base = style_ == kGray ? FillColor {0.45f, 0.45f, 0.45f, 1} : FillColor {1, 1, 1, 1};
    for (int i = 0; i < 12; ++i) {
        const int age = (step_ - i + 12) % 12;
        const float angle = static_cast<float>(i) * 3.14159265f / 6;
        const float alpha = 1.0f - static_cast<float>(age) / 14.0f;
        context.setFillColor({base.r, base.g, base.b, alpha});
        for (float r = radius * 0.45f; r < radius * 0.95f; r += spoke * 0.5f) {
            const float x = size.width / 2 + std::sin(angle) * r;
            const float y = size.height / 2 - std::cos(angle) * r;
            context.fillRect({x - spoke / 2, y - spoke / 2, spoke, spoke});
        }
    }
}

} // namespace mw
