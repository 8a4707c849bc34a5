#include "engine/text/UIStringDrawing.h"

#include "engine/text/TrueTypeStringDrawing.h"
#include "engine/text/UIFont.h"
#include "engine/text/ZFont.h"

namespace mw {

CGSize sizeWithFont(std::string_view text, const UIFont* font)
{
    return sizeWithZFont(text, ZFont::fontWithUIFont(font).get());
}

CGSize sizeWithFont(std::string_view text, const UIFont* font, CGSize constrainedSize,
                    UILineBreakMode lineBreakMode, int numberOfLines)
{
    return sizeWithZFont(text, ZFont::fontWithUIFont(font).get(), constrainedSize, lineBreakMode,
                         numberOfLines);
}

CGSize drawAtPoint(BitmapContext& context, std::string_view text, CGPoint point, const UIFont* font)
{
    return drawAtPoint(context, text, point, ZFont::fontWithUIFont(font).get());
}

CGSize drawInRect(BitmapContext& context, std::string_view text, CGRect rect, const UIFont* font,
                  UILineBreakMode lineBreakMode, UITextAlignment alignment, int numberOfLines)
{
    return drawInRect(context, text, rect, ZFont::fontWithUIFont(font).get(), lineBreakMode, alignment,
                      numberOfLines);
}

} // namespace mw
