#pragma once

// Text drawn with FreeType used directly, as the reference the engine's text
// drawing (and the labels built on it) must match pixel for pixel.

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H

#include <gtest/gtest.h>

#include "foundation/Geometry.h"

namespace mw::test {

// The advance of one line of text in points: each character's glyph through
// the face's own character map, unhinted advances scaled from font units.
inline float referenceLineWidth(const std::string& path, float pointSize, const std::u16string& text)
{
    FT_Library library;
    FT_Face face;
    EXPECT_EQ(FT_Init_FreeType(&library), 0);
    EXPECT_EQ(FT_New_Face(library, path.c_str(), 0, &face), 0);
    const float ratio = pointSize / static_cast<float>(face->units_per_EM);
    float width = 0;
    for (char16_t unit : text) {
        FT_Fixed advance = 0;
        FT_Get_Advance(face, FT_Get_Char_Index(face, unit), FT_LOAD_NO_SCALE, &advance);
        width += static_cast<float>(advance) * ratio;
    }
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    return width;
}

// Draws `text` the way the layout must: each character's glyph through the
// face's own character map, pen moved by unhinted advances scaled from font
// units, glyph origins placed to 1/64 pixel, coverage blended over black.
// `origin` is the top-left of the line, which lies one ascent (the face's
// ascender and line gap, rounded up) above the baseline; rows top first.
inline std::vector<uint8_t> referenceRendering(const std::string& path, float pointSize,
                                               const std::u16string& text, CGPoint origin, int width,
                                               int height)
{
    std::vector<uint8_t> canvas(static_cast<size_t>(width) * height, 0);
    FT_Library library;
    FT_Face face;
    EXPECT_EQ(FT_Init_FreeType(&library), 0);
    EXPECT_EQ(FT_New_Face(library, path.c_str(), 0, &face), 0);
    FT_Set_Char_Size(face, 0, static_cast<FT_F26Dot6>(std::lround(pointSize * 64)), 72, 72);
    const float ratio = pointSize / static_cast<float>(face->units_per_EM);
    const float ascent = static_cast<float>(face->height + face->descender);
    const float baseline = origin.y + std::ceil(ratio * ascent);
    float pen = origin.x;
    for (char16_t unit : text) {
        const FT_UInt glyph = FT_Get_Char_Index(face, unit);
        const float wholeX = std::floor(pen), wholeY = std::floor(baseline);
        FT_Vector delta{std::lround((pen - wholeX) * 64), -std::lround((baseline - wholeY) * 64)};
        FT_Set_Transform(face, nullptr, &delta);
        EXPECT_EQ(FT_Load_Glyph(face, glyph, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP | FT_LOAD_RENDER), 0);
        const FT_Bitmap& bitmap = face->glyph->bitmap;
        for (unsigned row = 0; row < bitmap.rows; ++row) {
            for (unsigned column = 0; column < bitmap.width; ++column) {
                const int x = static_cast<int>(wholeX) + face->glyph->bitmap_left + static_cast<int>(column);
                const int y = static_cast<int>(wholeY) - face->glyph->bitmap_top + static_cast<int>(row);
                if (x < 0 || y < 0 || x >= width || y >= height) continue;
                const float coverage = bitmap.buffer[row * bitmap.pitch + column] / 255.f;
                uint8_t& pixel = canvas[static_cast<size_t>(y) * width + x];
                pixel = static_cast<uint8_t>(std::lround((coverage + pixel / 255.f * (1 - coverage)) * 255));
            }
        }
        FT_Fixed advance = 0;
        FT_Get_Advance(face, glyph, FT_LOAD_NO_SCALE, &advance);
        pen += static_cast<float>(advance) * ratio;
    }
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    return canvas;
}

} // namespace mw::test
