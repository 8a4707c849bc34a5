#include "engine/text/TextFont.h"

#include "engine/text/FontManager.h"
#include "engine/text/TrueTypeStringDrawing.h"
#include "engine/text/UIStringDrawing.h"

namespace mw {

TextFont TextFont::named(const std::string& name, float size)
{
    TextFont font;
    font.platform = UIFont::fontWithName(name, size);
    if (!font.platform) font.trueType = FontManager::sharedManager()->zFontWithName(name, size);
    return font;
}

CGSize TextFont::sizeWithText(std::string_view text) const
{
    if (platform) return sizeWithFont(text, platform.get());
    return sizeWithZFont(text, trueType.get());
}

void TextFont::drawInRect(BitmapContext& context, std::string_view text, CGRect rect,
                          UILineBreakMode lineBreakMode, UITextAlignment alignment) const
{
    if (platform) {
        (void)mw::drawInRect(context, text, rect, platform.get(), lineBreakMode, alignment);
    } else if (trueType) {
        (void)mw::drawInRect(context, text, rect, trueType.get(), lineBreakMode, alignment);
    }
}

} // namespace mw
