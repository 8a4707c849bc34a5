#pragma once

// Bitmap fonts made by the tests themselves: description text (".fnt") from a
// table of glyphs, a page image of solid blocks whose colours tell the
// letters apart, and a font rendered from one of the platform's faces for
// pictures a person looks at.

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "engine/text/CharacterMap.h"
#include "engine/text/UIFont.h"
#include "engine/text/UIStringDrawing.h"
#include "engine/text/ZFont.h"
#include "foundation/Utf8.h"
#include "platform/BitmapContext.h"
#include "platform/Image.h"
#include "tests/support/GLTestContext.h"

namespace mw::test {

// One character of a description, in pixels.
struct GlyphSpec {
    char32_t code;
    int x, y, width, height;
    int xOffset, yOffset, xAdvance;
};

struct KerningSpec {
    char32_t first, second;
    int amount;
};

// A description in the AngelCode text form, every line ended by `lineEnd`.
inline std::string fntText(const std::vector<GlyphSpec>& glyphs, const std::vector<KerningSpec>& kernings,
                           int lineHeight, const std::string& page, const std::string& lineEnd = "\n")
{
    std::string text =
        "info face=\"Test\" size=16 bold=0 italic=0 charset=\"\" unicode=1 stretchH=100 smooth=1 "
        "aa=1 padding=0,0,0,0 spacing=1,1" +
        lineEnd;
    text += "common lineHeight=" + std::to_string(lineHeight) +
            " base=" + std::to_string(lineHeight * 4 / 5) + " scaleW=64 scaleH=64 pages=1 packed=0" + lineEnd;
    text += "page id=0 file=\"" + page + "\"" + lineEnd;
    text += "chars count=" + std::to_string(glyphs.size()) + lineEnd;
    for (const GlyphSpec& g : glyphs) {
        text += "char id=" + std::to_string(g.code) + "   x=" + std::to_string(g.x) +
                "     y=" + std::to_string(g.y) + "     width=" + std::to_string(g.width) +
                "     height=" + std::to_string(g.height) + "     xoffset=" + std::to_string(g.xOffset) +
                "     yoffset=" + std::to_string(g.yOffset) + "     xadvance=" + std::to_string(g.xAdvance) +
                "     page=0  chnl=15" + lineEnd;
    }
    text += "kernings count=" + std::to_string(kernings.size()) + lineEnd;
    for (const KerningSpec& k : kernings) {
        text += "kerning first=" + std::to_string(k.first) + "  second=" + std::to_string(k.second) +
                "  amount=" + std::to_string(k.amount) + lineEnd;
    }
    return text;
}

// ---- the block font: a 64 x 64 page of solid blocks, line height 20 ----
// Every glyph advances its width; no space glyph unless asked for.

inline RGBA blockColour(char32_t code)
{
    switch (code) {
    case 'A': return {255, 0, 0, 255};
    case 'B': return {0, 255, 0, 255};
    case 'C': return {0, 0, 255, 255};
    case 'D': return {255, 255, 0, 255};
    case 'W': return {255, 0, 255, 255};
    case ' ': return {0, 255, 255, 255};
    default: return {255, 255, 255, 255};
    }
}

// A: 10 x 12 at (0,0); B: 8 x 12 at (10,0), one pixel right of the pen and
// advancing 8; C: 6 x 16 at (18,0); D: 10 x 10 at (24,0); W: 20 x 12 at
// (34,0); the space 5 x 12 at (54,0). Offsets place them on the line.
inline std::vector<GlyphSpec> blockGlyphs(bool withSpace = false)
{
    std::vector<GlyphSpec> glyphs = {
        {'A', 0, 0, 10, 12, 0, 3, 10},  {'B', 10, 0, 8, 12, 1, 3, 8},   {'C', 18, 0, 6, 16, 0, 2, 6},
        {'D', 24, 0, 10, 10, 0, 5, 10}, {'W', 34, 0, 20, 12, 0, 3, 20},
    };
    if (withSpace) glyphs.push_back({' ', 54, 0, 5, 12, 0, 3, 5});
    return glyphs;
}

inline Ref<Image> blockPage(const std::vector<GlyphSpec>& glyphs)
{
    std::vector<uint8_t> pixels(64 * 64 * 4, 0);
    for (const GlyphSpec& g : glyphs) {
        const RGBA c = blockColour(g.code);
        for (int y = g.y; y < g.y + g.height; ++y) {
            for (int x = g.x; x < g.x + g.width; ++x) {
                uint8_t* p = &pixels[(static_cast<size_t>(y) * 64 + x) * 4];
                p[0] = c.r, p[1] = c.g, p[2] = c.b, p[3] = c.a;
            }
        }
    }
    return Image::fromRGBA(std::move(pixels), 64, 64, ImageAlphaInfo::Last);
}

// ---- a font rendered from a platform face ----

struct RenderedFont {
    std::string fnt;
    Ref<Image> page;
};

// Every character of `characters` (UTF-8) drawn white in the named platform
// font into a 256 x 256 page, one cell a character (its advance rounded up,
// plus a pixel each side, by the font's leading); the line height is the
// leading and each advance is rounded to whole pixels. The font must exist.
inline RenderedFont renderedFont(const std::string& fontName, float size, const std::string& characters,
                                 const std::string& page)
{
    constexpr int kPage = 256;
    Ref<UIFont> font = UIFont::fontWithName(fontName, size);
    Ref<ZFont> metrics = ZFont::fontWithUIFont(font.get());
    std::vector<uint8_t> cmap;
    font->face()->copyTable(fontTableTag("cmap"), cmap);
    std::unique_ptr<CharacterMap> characterMap = CharacterMap::parse(std::move(cmap));
    auto canvas = BitmapContext::create(kPage, kPage, BitmapFormat::RGBA8Premultiplied);
    canvas->setFillColor({1, 1, 1, 1});
    const int lineHeight = static_cast<int>(std::ceil(metrics->leading()));
    std::vector<GlyphSpec> glyphs;
    int x = 0, y = 0;
    for (size_t at = 0; at < characters.size();) {
        const size_t begin = at;
        const char32_t code = nextCodePoint(characters, at);
        const std::string character = characters.substr(begin, at - begin);
        const uint16_t glyph = characterMap->glyphForCodePoint(code);
        int32_t units = 0;
        font->face()->glyphAdvances(&glyph, 1, &units);
        const float advance = static_cast<float>(units) * metrics->ratio();
        const int cell = static_cast<int>(std::ceil(advance)) + 2;
        if (x + cell > kPage) x = 0, y += lineHeight;
        drawAtPoint(*canvas, character, {static_cast<float>(x + 1), static_cast<float>(y)}, font.get());
        glyphs.push_back({code, x, y, cell, lineHeight, -1, 0, static_cast<int>(std::lround(advance))});
        x += cell;
    }
    return {fntText(glyphs, {}, lineHeight, page), canvas->makeImage()};
}

} // namespace mw::test
