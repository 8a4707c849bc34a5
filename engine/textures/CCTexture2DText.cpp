// The text initialisers of CCTexture2D: text drawn into an alpha-only canvas
// by the platform's string drawing or the TrueType layout, then uploaded as A8.
#include <memory>

#include "engine/base/ccUtils.h"
#include "engine/text/TextFont.h"
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

TextFont fontNamed(const std::string& name, float size)
{
    TextFont font = TextFont::named(name, size);
    if (!font) logLine("CCTexture2D: no font named \"%s\"; no text texture", name.c_str());
    return font;
}

} // namespace

bool CCTexture2D::initWithString(std::string_view text, CGSize dimensions, UITextAlignment alignment,
                                 UILineBreakMode lineBreakMode, UIFont* font)
{
    return initWithString(text, dimensions, alignment, lineBreakMode, TextFont{Ref<UIFont>(font), nullptr});
}

bool CCTexture2D::initWithString(std::string_view text, CGSize dimensions, UITextAlignment alignment,
                                 UILineBreakMode lineBreakMode, ZFont* font)
{
    return initWithString(text, dimensions, alignment, lineBreakMode, TextFont{nullptr, Ref<ZFont>(font)});
}

bool CCTexture2D::initWithString(std::string_view text, CGSize dimensions, UITextAlignment alignment,
                                 UILineBreakMode lineBreakMode, const std::string& fontName, float fontSize)
{
    return initWithString(text, dimensions, alignment, lineBreakMode, fontNamed(fontName, fontSize));
}

bool CCTexture2D::initWithString(std::string_view text, CGSize dimensions, UITextAlignment alignment,
                                 const std::string& fontName, float fontSize)
{
    return initWithString(text, dimensions, alignment, UILineBreakModeWordWrap, fontName, fontSize);
}

bool CCTexture2D::initWithString(std::string_view text, const std::string& fontName, float fontSize)
{
    const TextFont font = fontNamed(fontName, fontSize);
    return font && initWithString(text, font.sizeWithText(text), UITextAlignmentCenter,
                                  UILineBreakModeWordWrap, font);
}

bool CCTexture2D::initWithString(std::string_view text, CGSize dimensions, UITextAlignment alignment,
                                 UILineBreakMode lineBreakMode, const TextFont& font)
{
    if (!font) return false;
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
    font.drawInRect(*canvas, text, {CGPointZero, dimensions}, lineBreakMode, alignment);
    // The grey level becomes the alpha channel.
    return initWithData(canvas->pixels().data(), kCCTexture2DPixelFormat_A8, width, height, dimensions);
}

} // namespace mw
