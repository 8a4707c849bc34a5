#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/Object.h"
#include "foundation/Ref.h"

namespace mw {

// The big-endian four-letter tag of a font table: fontTableTag("cmap").
constexpr uint32_t fontTableTag(const char (&tag)[5])
{
    return (uint32_t(uint8_t(tag[0])) << 24) | (uint32_t(uint8_t(tag[1])) << 16) |
           (uint32_t(uint8_t(tag[2])) << 8) | uint32_t(uint8_t(tag[3]));
}

// One glyph rasterised as 8-bit coverage, rows top first.
struct GlyphImage {
    int width = 0;
    int height = 0;
    // From the glyph's origin (on the baseline) to the bitmap's top-left
    // pixel, in whole pixels: right and UP are positive.
    int left = 0;
    int top = 0;
    std::vector<uint8_t> coverage; // width * height bytes
};

// One face of a TrueType or OpenType (CFF) font file: the stand-in for the
// platform's font object. Metrics and advances are in font units; glyphs are
// numbered by the font. A face is immutable and may be shared; its members
// are safe to call from several threads.
class FontFace : public Object {
public:
    // Files larger than this are not fonts the game ships.
    static constexpr size_t kMaxFileBytes = 32 * 1024 * 1024;

    // Reads a font file (its first face). Null, with one log line, when the
    // file cannot be read or is not an sfnt font (TrueType or OpenType).
    [[nodiscard]] static Ref<FontFace> load(const std::string& path);
    // The same from bytes in memory; `nameForLog` names them in the log line.
    [[nodiscard]] static Ref<FontFace> fromData(std::vector<uint8_t> bytes,
                                                std::string_view nameForLog = "<memory>");

    // Font units in one em (the design grid); positive.
    virtual int unitsPerEm() const = 0;
    // Distance from the baseline up to the top of the tallest glyphs; positive.
    virtual int ascent() const = 0;
    // Distance from the baseline to the bottom of the lowest glyphs; negative
    // below the baseline.
    virtual int descent() const = 0;
    virtual int xHeight() const = 0;
    virtual int capHeight() const = 0;
    virtual size_t glyphCount() const = 0;

    // Copies the table with that tag into `out`; false (out emptied) when
    // the font has no such table.
    virtual bool copyTable(uint32_t tag, std::vector<uint8_t>& out) const = 0;

    // Writes the horizontal advance of each glyph in font units. A glyph
    // number the font does not have advances by 0. False when the face
    // cannot answer at all.
    virtual bool glyphAdvances(const uint16_t* glyphs, size_t count, int32_t* advances) const = 0;

    // Rasterises a glyph at `pixelSize` pixels to the em, with its origin
    // placed `fractionX` / `fractionY` of a pixel right of / below a pixel
    // corner (each 0 <= f < 1), so that glyphs can sit between pixels.
    // False when the glyph cannot be drawn (the image is then empty).
    virtual bool renderGlyph(uint16_t glyph, float pixelSize, float fractionX, float fractionY,
                             GlyphImage& out) const = 0;
};

} // namespace mw
