// The text initialisers of CCTexture2D: text drawn into an alpha-only canvas
// by the platform's string drawing or the TrueType layout, then uploaded as A8.
#include <memory>

#include "engine/base/ccUtils.h"
#include "engine/text/FontManager.h"
#include "engine/text/TrueTypeStringDrawing.h"
#include "engine/text/UIFont.h"
#include "engine/text/UIStringDrawing.h"
#include "engine/text/ZFont.h"
#include "engine/textures/CCTexture2D.h"
#include "foundation/Log.h"
#include "platform/BitmapContext.h"

namespace mw {

namespace {

// A box side in whole pixels: 0 for less than one pixel (NaN included), and
// capped far above any canvas size (which then refuses it with a log line)
// so that the conversion to an integer stays defined.
uint32_t wholePixels(float side)
{
    constexpr float kCap = 1u << 30;
    if (!(side >= 1.0f)) return 0;
    return static_cast<uint32_t>(side < kCap ? side : kCap);
}

// The font a name stands for: the platform's first, then a TrueType file of
// the bundle through the font manager.
struct NamedFont {
    Ref<UIFont> platform;
    Ref<ZFont> trueType;
    explicit operator bool() const { return platform || trueType; }
};

NamedFont fontNamed(const std::string& name, float size)
{
    NamedFont font;
    font.platform = UIFont::fontWithName(name, size);
    if (!font.platform) font.trueType = FontManager::sharedManager()->zFontWithName(name, size);
    if (!font) logLine("CCTexture2D: no font named \"%s\"; no text texture", name.c_str());
    return font;
}

} // namespace

bool CCTexture2D::initWithString(std::string_view text, CGSize dimensions, UITextAlignment alignment,
                                 UILineBreakMode lineBreakMode, const UIFont* font)
{
    return font && initWithText(text, dimensions, alignment, lineBreakMode, font, nullptr);
}

bool CCTexture2D::initWithString(std::string_view text, CGSize dimensions, UITextAlignment alignment,
                                 UILineBreakMode lineBreakMode, ZFont* font)
{
    return font && initWithText(text, dimensions, alignment, lineBreakMode, nullptr, font);
}

bool CCTexture2D::initWithString(std::string_view text, CGSize dimensions, UITextAlignment alignment,
                                 UILineBreakMode lineBreakMode, const std::string& fontName, float fontSize)
{
    const NamedFont font = fontNamed(fontName, fontSize);
    return font &&
           initWithText(text, dimensions, alignment, lineBreakMode, font.platform.get(), font.trueType.get());
}

bool CCTexture2D::initWithString(std::string_view text, CGSize dimensions, UITextAlignment alignment,
                                 const std::string& fontName, float fontSize)
{
    return initWithString(text, dimensions, alignment, UILineBreakModeWordWrap, fontName, fontSize);
}

bool CCTexture2D::initWithString(std::string_view text, const std::string& fontName, float fontSize)
{
    const NamedFont font = fontNamed(fontName, fontSize);
    if (!font) return false;
    const CGSize dimensions = font.platform ? mw::sizeWithFont(text, font.platform.get())
                                            : sizeWithZFont(text, font.trueType.get());
    return initWithText(text, dimensions, UITextAlignmentCenter, UILineBreakModeWordWrap, font.platform.get(),
                        font.trueType.get());
}

bool CCTexture2D::initWithText(std::string_view text, CGSize dimensions, UITextAlignment alignment,
                               UILineBreakMode lineBreakMode, const UIFont* platformFont, ZFont* trueTypeFont)
{
    // A box under a pixel (an empty text measures 0 wide) has nothing to
    // show: no texture, and no log line, since labels are set empty often.
    const uint32_t width = ccNextPOT(wholePixels(dimensions.width));
    const uint32_t height = ccNextPOT(wholePixels(dimensions.height));
    if (width == 0 || height == 0) return false;
    std::unique_ptr<BitmapContext> canvas =
        BitmapContext::create(static_cast<int>(width), static_cast<int>(height), BitmapFormat::Gray8);
    if (!canvas) return false;
    // The canvas's first row is its top one, as the texture's: no flip.
    canvas->setFillColor({1, 1, 1, 1});
    const CGRect box{CGPointZero, dimensions};
    if (platformFont) {
        (void)mw::drawInRect(*canvas, text, box, platformFont, lineBreakMode, alignment);
    } else {
        (void)mw::drawInRect(*canvas, text, box, trueTypeFont, lineBreakMode, alignment);
    }
    // The grey level becomes the alpha channel.
    return initWithData(canvas->pixels().data(), kCCTexture2DPixelFormat_A8, width, height, dimensions);
}

} // namespace mw
