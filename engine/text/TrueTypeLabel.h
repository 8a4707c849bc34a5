#pragma once

#include <memory>
#include <optional>
#include <string>

#include "engine/base/ccTypes.h"
#include "engine/text/TextLayoutTypes.h"
#include "foundation/Geometry.h"
#include "foundation/Object.h"
#include "foundation/Ref.h"

namespace mw {

class BitmapContext;
class FontFace;
class UIFont;
class ZAttributedString;
class ZFont;

// Where a one-line label's text moves when shrinking to fit changes its
// size; the platform's numbering.
enum UIBaselineAdjustment : int {
    UIBaselineAdjustmentAlignBaselines = 0,
    UIBaselineAdjustmentAlignCenters = 1,
    UIBaselineAdjustmentNone = 2,
};

// A label view: a box of text that draws itself into a bitmap. It draws its
// text with a ZFont, or draws an attributed text (which then wins), through
// the TrueType text layout; with neither it is a plain label that draws its
// text in its platform font.
class TrueTypeLabel : public Object {
public:
    // A plain label with the 17-point system font.
    explicit TrueTypeLabel(CGRect frame);
    // A label drawing in `font` (retained; may be null).
    [[nodiscard]] static Ref<TrueTypeLabel> labelWithFrame(CGRect frame, ZFont* font);
    // A label drawing in the font manager's font of that name; without such
    // a font it is a plain label.
    [[nodiscard]] static Ref<TrueTypeLabel> labelWithFrame(CGRect frame, const std::string& fontName,
                                                           float pointSize);
    [[nodiscard]] static Ref<TrueTypeLabel> labelWithFrame(CGRect frame, FontFace* face, float pointSize);

    // ---- the platform label's properties ----
    const CGRect& frame() const { return frame_; }
    void setFrame(const CGRect& frame);
    // The frame's size at the origin.
    CGRect bounds() const { return {CGPointZero, frame_.size}; }
    const std::string& text() const { return text_; }
    void setText(std::string text);
    // The platform font of a plain label; never null after construction
    // when the bundle has the system font.
    UIFont* font() const { return font_.get(); }
    void setFont(UIFont* font);
    std::optional<ccColor4F> textColor;            // black when unset
    std::optional<ccColor4F> highlightedTextColor; // white when unset
    bool highlighted = false;
    UILineBreakMode lineBreakMode = UILineBreakModeTailTruncation;
    UITextAlignment textAlignment = UITextAlignmentLeft;
    int numberOfLines = 1; // 0: no limit
    bool adjustsFontSizeToFitWidth = false;
    float minimumFontSize = 0;
    UIBaselineAdjustment baselineAdjustment = UIBaselineAdjustmentAlignBaselines;

    // ---- TrueType text ----
    ZFont* zFont() const { return zFont_.get(); }
    void setZFont(ZFont* font);
    // The label keeps its own immutable copy; null removes it.
    ZAttributedString* zAttributedText() const { return zAttributedText_.get(); }
    void setZAttributedText(ZAttributedString* text);
    // The ZFont's size and face (0 and null without one). Setting a value
    // the ZFont already has keeps the same ZFont object.
    float pointSize() const;
    void setPointSize(float pointSize);
    FontFace* cgFont() const;
    void setCGFont(FontFace* face);

    // True after a change that needs the label drawn again.
    bool needsDisplay() const { return needsDisplay_; }

    // The rectangle the text takes inside `bounds` (its origin kept) with at
    // most `lines` lines (0: no limit).
    CGRect textRectForBounds(CGRect bounds, int lines) const;
    // Draws the text into `rect` of the context.
    void drawTextInRect(BitmapContext& context, CGRect rect);
    // Draws the label: its text in its bounds, at the context's origin.
    void drawRect(BitmapContext& context);
    // The label drawn into a fresh transparent RGBA canvas of its frame's
    // size (rounded up); null for an empty frame.
    [[nodiscard]] std::unique_ptr<BitmapContext> render();

private:
    // The font a label without a ZFont lays out its plain text in.
    Ref<ZFont> textFont() const;
    void drawAttributedText(BitmapContext& context, CGRect rect);
    void drawOneLine(BitmapContext& context, CGRect rect, const Ref<ZFont>& labelFont);

    CGRect frame_;
    std::string text_;
    Ref<UIFont> font_;
    Ref<ZFont> zFont_;
    Ref<ZAttributedString> zAttributedText_;
    bool needsDisplay_ = true;
};

} // namespace mw
