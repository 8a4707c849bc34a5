#pragma once

// Measures and draws text in TrueType fonts with the text layout of this
// system: characters map to glyphs through the font's own `cmap` table, the
// pen moves by the glyphs' advances (no kerning), lines break at word
// boundaries or characters, the last line may be truncated with an
// ellipsis, and each line is aligned in the width given.
//
// Text is UTF-8. Sizes are points (= pixels of the context). A dimension of
// kUnboundedTextSize has no limit. Sizing operations round each dimension
// up to a whole point; drawing operations draw into the context, with the
// rectangle's or point's top-left as the top-left of the first line, and
// return the unrounded size. Plain strings are drawn in the context's fill
// colour without underline; attributed strings use their runs' font,
// colours and underline. A line count of 0 means no limit.
//
// Every line takes at least one character, so a width narrower than a glyph
// still lays out (one character a line) rather than producing empty lines.

#include <cfloat>
#include <string_view>

#include "engine/text/TextLayoutTypes.h"
#include "foundation/Geometry.h"

namespace mw {

class BitmapContext;
class FontFace;
class ZAttributedString;
class ZFont;

inline constexpr float kUnboundedTextSize = FLT_MAX;

// ---- plain strings in one font; a null font measures and draws nothing ----

// One line, unbounded: line ends read as spaces.
CGSize sizeWithZFont(std::string_view text, ZFont* font);
CGSize sizeWithZFont(std::string_view text, ZFont* font, CGSize constrainedSize,
                     UILineBreakMode lineBreakMode = UILineBreakModeWordWrap, int numberOfLines = 0);

// One line from `point`, unbounded.
CGSize drawAtPoint(BitmapContext& context, std::string_view text, CGPoint point, ZFont* font);
// One line from `point` in `width`, broken as `lineBreakMode` says.
CGSize drawAtPoint(BitmapContext& context, std::string_view text, CGPoint point, float width, ZFont* font,
                   UILineBreakMode lineBreakMode);
CGSize drawInRect(BitmapContext& context, std::string_view text, CGRect rect, ZFont* font,
                  UILineBreakMode lineBreakMode = UILineBreakModeWordWrap,
                  UITextAlignment alignment = UITextAlignmentLeft, int numberOfLines = 0);

// ---- plain strings in a platform font at a size: the same as the ZFont
// operations above with ZFont::fontWithCGFont(face, pointSize); a null face
// measures and draws nothing ----

CGSize sizeWithCGFont(std::string_view text, FontFace* face, float pointSize);
CGSize sizeWithCGFont(std::string_view text, FontFace* face, float pointSize, CGSize constrainedSize,
                      UILineBreakMode lineBreakMode = UILineBreakModeWordWrap);
CGSize drawAtPoint(BitmapContext& context, std::string_view text, CGPoint point, FontFace* face,
                   float pointSize);
CGSize drawInRect(BitmapContext& context, std::string_view text, CGRect rect, FontFace* face, float pointSize,
                  UILineBreakMode lineBreakMode = UILineBreakModeWordWrap,
                  UITextAlignment alignment = UITextAlignmentLeft);

// ---- attributed strings ----
// A run without a font uses the 12-point system font; without a foreground
// colour, black; a background colour other than clear fills the run's box;
// an underline style whose low eight bits are not all 0 underlines the run.

CGSize attributedStringSize(const ZAttributedString& text);
CGSize attributedStringSize(const ZAttributedString& text, CGSize constrainedSize,
                            UILineBreakMode lineBreakMode = UILineBreakModeWordWrap, int numberOfLines = 0);
CGSize drawAtPoint(BitmapContext& context, const ZAttributedString& text, CGPoint point);
CGSize drawAtPoint(BitmapContext& context, const ZAttributedString& text, CGPoint point, float width,
                   UILineBreakMode lineBreakMode);
CGSize drawInRect(BitmapContext& context, const ZAttributedString& text, CGRect rect,
                  UILineBreakMode lineBreakMode = UILineBreakModeWordWrap,
                  UITextAlignment alignment = UITextAlignmentLeft, int numberOfLines = 0);

} // namespace mw
