#pragma once

// The platform's own string drawing in its fonts (UIFont), for the texture
// and label code. It is the same layout as TrueTypeStringDrawing.h, with the
// platform font's face and size: sizes round up to whole points, drawing
// fills glyphs with the context's fill colour from the rectangle's or
// point's top-left. A null font measures and draws nothing.

#include <string_view>

#include "engine/text/TextLayoutTypes.h"
#include "foundation/Geometry.h"

namespace mw {

class BitmapContext;
class UIFont;

// One line, unbounded: line ends read as spaces.
CGSize sizeWithFont(std::string_view text, const UIFont* font);
CGSize sizeWithFont(std::string_view text, const UIFont* font, CGSize constrainedSize,
                    UILineBreakMode lineBreakMode = UILineBreakModeWordWrap, int numberOfLines = 0);

CGSize drawAtPoint(BitmapContext& context, std::string_view text, CGPoint point, const UIFont* font);
CGSize drawInRect(BitmapContext& context, std::string_view text, CGRect rect, const UIFont* font,
                  UILineBreakMode lineBreakMode = UILineBreakModeWordWrap,
                  UITextAlignment alignment = UITextAlignmentLeft, int numberOfLines = 0);

} // namespace mw
