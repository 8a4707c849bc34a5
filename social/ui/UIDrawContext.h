#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/text/TextLayoutTypes.h"
#include "foundation/Geometry.h"
#include "foundation/Ref.h"
#include "platform/BitmapContext.h"

namespace mw {

class Image;
class UIFont;

// The social screens' system fonts (DejaVu Sans, plain and bold) at a size
// in points; null only when the bundle lacks the font file (logged).
Ref<UIFont> systemFontOfSize(float points);
Ref<UIFont> boldSystemFontOfSize(float points);

// Where a view draws: a premultiplied RGBA canvas of the view's bounds at
// the device's content scale. Coordinates are points, origin top-left, y
// down; the scale is applied here. Not thread-safe.
class UIDrawContext {
public:
    // Null for an empty or absurd size (logged by the canvas).
    [[nodiscard]] static std::unique_ptr<UIDrawContext> create(CGSize points, float scale);

    float scale() const { return scale_; }
    CGSize size() const { return size_; }
    BitmapContext& bitmap() { return *bitmap_; }
    Ref<Image> makeImage() const;

    void saveState();
    void restoreState();
    void translate(float dx, float dy);
    void setFillColor(const FillColor& colour) { bitmap_->setFillColor(colour); }
    const FillColor& fillColor() const { return bitmap_->fillColor(); }

    void fillRect(CGRect rect);
    // The image stretched over the rectangle (bilinear), blended over.
    void drawImage(const Image& image, CGRect rect, float alpha = 1);

    // Text in the fill colour. In a rectangle: wrapped or truncated as the
    // mode says, aligned in its width, from the rectangle's top. Answers the
    // size used.
    CGSize drawTextInRect(std::string_view text, CGRect rect, const UIFont* font,
                          UILineBreakMode mode = UILineBreakModeWordWrap,
                          UITextAlignment alignment = UITextAlignmentLeft);
    // One line from the point (top-left of the line).
    CGSize drawTextAtPoint(std::string_view text, CGPoint point, const UIFont* font);
    // One line at the point in `width`: the font shrinks, one point at a
    // time, down to `minimumSize` until the text fits, then the tail is
    // cut; the line is centred vertically on the height of the start font.
    // Answers the font size used.
    float drawTextAtPointForWidth(std::string_view text, CGPoint point, float width, const UIFont* font,
                                  float minimumSize, UILineBreakMode mode = UILineBreakModeTailTruncation);

    // Measuring, in points.
    static CGSize measure(std::string_view text, const UIFont* font);
    static CGSize measure(std::string_view text, const UIFont* font, CGSize constraint,
                          UILineBreakMode mode = UILineBreakModeWordWrap);

private:
    UIDrawContext(std::unique_ptr<BitmapContext> bitmap, CGSize size, float scale);

    std::unique_ptr<BitmapContext> bitmap_;
    CGSize size_;
    float scale_;
};

} // namespace mw
