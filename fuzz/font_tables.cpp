// Reads arbitrary bytes as a font's `cmap` table, as its `name` table and as
// a whole font file, and lays text out in whatever face loads.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/text/CharacterMap.h"
#include "engine/text/FontNameTable.h"
#include "engine/text/TrueTypeStringDrawing.h"
#include "engine/text/ZFont.h"
#include "foundation/Log.h"
#include "platform/BitmapContext.h"
#include "platform/FontFace.h"

namespace {

// Every BMP unit of interest, a surrogate pair and a lone surrogate.
const std::u16string& probeText()
{
    static const std::u16string text = [] {
        std::u16string units;
        for (char16_t unit = 0; unit < 0x200; ++unit) units.push_back(unit);
        units += u"\u2026\uFFFF\U0001F600\xD800";
        return units;
    }();
    return text;
}

void mapEverything(mw::CharacterMap& map)
{
    const std::u16string& text = probeText();
    std::vector<uint16_t> glyphs(text.size());
    if (map.mapCharacters(text.data(), text.size(), glyphs.data()) > text.size()) __builtin_trap();
    for (char32_t cp : {char32_t(0x10FFFF), char32_t(0xFFFFFFFF), char32_t(0x1F600)})
        (void)map.glyphForCodePoint(cp);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool quiet = [] {
        mw::setLogSink([](const std::string&) {});
        return true;
    }();
    (void)quiet;

    if (auto map = mw::CharacterMap::parse(std::vector<uint8_t>(data, data + size))) mapEverything(*map);
    for (uint16_t nameID = 0; nameID < 8; ++nameID) (void)mw::readFontNameEntry(data, size, nameID);

    mw::Ref<mw::FontFace> face = mw::FontFace::fromData(std::vector<uint8_t>(data, data + size), "fuzz");
    if (!face) return 0;
    mw::Ref<mw::ZFont> font = mw::ZFont::fontWithCGFont(face, 12);
    (void)font->familyName();
    (void)font->postScriptName();
    (void)font->leading();
    (void)font->xHeight();
    auto canvas = mw::BitmapContext::create(64, 32, mw::BitmapFormat::Gray8);
    mw::drawInRect(*canvas, "Aa \xC4\x85\xC5\x82 \xE2\x80\xA6 x", {1.5f, 0.25f, 60, 30}, font.get(),
                   mw::UILineBreakModeTailTruncation, mw::UITextAlignmentCenter, 2);
    return 0;
}
