#pragma once

// A font face with round numbers for layout tests: 1000 units to the em,
// ascent 800, descent -200, so at 10 points every character is 10 points
// wide, the ascender 8 and the leading 10. Glyph numbers are the code
// points (through a real format-4 `cmap` table); characters outside the
// Basic Multilingual Plane map to glyph 0. Each glyph draws as a solid box
// as wide as its advance and as tall as the ascent, standing on the
// baseline, so pixels show exactly where the layout put it.

#include <cmath>
#include <map>

#include "foundation/Ref.h"
#include "platform/FontFace.h"
#include "tests/engine/text/FontTables.h"

namespace mw::test {

class FakeFontFace : public FontFace {
public:
    // Advances in font units of particular glyphs; others are 1000.
    explicit FakeFontFace(std::map<uint16_t, int32_t> advances = {}) : advances_(std::move(advances)) {}

    int unitsPerEm() const override { return 1000; }
    int ascent() const override { return 800; }
    int descent() const override { return -200; }
    int xHeight() const override { return 500; }
    int capHeight() const override { return 700; }
    size_t glyphCount() const override { return 65535; }

    bool copyTable(uint32_t tag, std::vector<uint8_t>& out) const override
    {
        out.clear();
        if (tag != fontTableTag("cmap") || !withCmap) return false;
        out = cmapTable({{3, 1, format4Subtable({{0x0000, 0xFFFE, 0}})}});
        return true;
    }

    bool glyphAdvances(const uint16_t* glyphs, size_t count, int32_t* advances) const override
    {
        for (size_t i = 0; i < count; ++i) advances[i] = advanceOf(glyphs[i]);
        return true;
    }

    bool renderGlyph(uint16_t glyph, float pixelSize, float, float, GlyphImage& out) const override
    {
        ++rendered;
        out = GlyphImage{};
        out.width = static_cast<int>(std::lround(advanceOf(glyph) * pixelSize / 1000.f));
        out.height = static_cast<int>(std::lround(800 * pixelSize / 1000.f));
        out.left = 0;
        out.top = out.height;
        out.coverage.assign(static_cast<size_t>(out.width) * static_cast<size_t>(out.height), 255);
        return true;
    }

    int32_t advanceOf(uint16_t glyph) const
    {
        auto found = advances_.find(glyph);
        return found == advances_.end() ? 1000 : found->second;
    }

    bool withCmap = true;
    mutable int rendered = 0;

private:
    std::map<uint16_t, int32_t> advances_;
};

} // namespace mw::test
