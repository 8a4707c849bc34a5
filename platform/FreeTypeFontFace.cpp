// The font face the game uses on Linux: FreeType reads the file, answers the
// metrics and tables, and rasterises glyphs.
#include <cmath>
#include <fstream>
#include <iterator>
#include <mutex>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H
#include FT_TRUETYPE_TABLES_H

#include "foundation/Log.h"
#include "platform/FontFace.h"

namespace mw {

namespace {

// Glyph outlines are drawn as the designer made them, without hinting, so
// that text looks the same at every size and position, as the platform drew
// it; embedded bitmaps would break that.
constexpr FT_Int32 kRenderFlags = FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP | FT_LOAD_RENDER;

class FreeTypeFontFace final : public FontFace {
public:
    // Takes over the library and the face (and the bytes the face reads).
    FreeTypeFontFace(FT_Library library, FT_Face face, std::vector<uint8_t> bytes)
        : library_(library), face_(face), bytes_(std::move(bytes))
    {
        readHeights();
    }

    ~FreeTypeFontFace() override
    {
        FT_Done_Face(face_);
        FT_Done_FreeType(library_);
    }

    int unitsPerEm() const override { return face_->units_per_EM; }
    // The ascender plus the line gap: the ascent must reach the top of the
    // tallest glyphs, as the platform's faces' did, and a face that keeps
    // its gap apart may set its ascender at the capitals' height (Nimbus
    // Sans does, with 0.2 em of gap), so accents on capitals stand above it
    // and would be cut off at the top of a text box. The gap above the
    // baseline keeps the face's whole line spacing and gives them room.
    int ascent() const override
    {
        const int gap = static_cast<int>(face_->height) - (face_->ascender - face_->descender);
        return face_->ascender + (gap > 0 ? gap : 0);
    }
    int descent() const override { return face_->descender; }
    int xHeight() const override { return xHeight_; }
    int capHeight() const override { return capHeight_; }
    size_t glyphCount() const override { return static_cast<size_t>(face_->num_glyphs); }

    bool copyTable(uint32_t tag, std::vector<uint8_t>& out) const override
    {
        std::lock_guard guard(mutex_);
        out.clear();
        FT_ULong length = 0;
        if (FT_Load_Sfnt_Table(face_, tag, 0, nullptr, &length) != 0) return false;
        out.resize(length);
        if (length > 0 && FT_Load_Sfnt_Table(face_, tag, 0, out.data(), &length) != 0) {
            out.clear();
            return false;
        }
        return true;
    }

    bool glyphAdvances(const uint16_t* glyphs, size_t count, int32_t* advances) const override
    {
        std::lock_guard guard(mutex_);
        for (size_t i = 0; i < count; ++i) {
            FT_Fixed advance = 0;
            if (glyphs[i] >= face_->num_glyphs ||
                FT_Get_Advance(face_, glyphs[i], FT_LOAD_NO_SCALE, &advance) != 0) {
                advance = 0;
            }
            advances[i] = static_cast<int32_t>(advance);
        }
        return true;
    }

    bool renderGlyph(uint16_t glyph, float pixelSize, float fractionX, float fractionY,
                     GlyphImage& out) const override
    {
        std::lock_guard guard(mutex_);
        // Emptied, but its storage kept for the next glyph drawn through it.
        out.width = out.height = out.left = out.top = 0;
        out.coverage.clear();
        if (glyph >= face_->num_glyphs || !(pixelSize > 0.f) || pixelSize > 4096.f) return false;
        const auto size26d6 = static_cast<FT_F26Dot6>(std::lround(pixelSize * 64.f));
        if (size26d6 != currentSize_) {
            if (FT_Set_Char_Size(face_, 0, size26d6, 72, 72) != 0) return false;
            currentSize_ = size26d6;
        }
        // FreeType's y axis points up, ours down.
        FT_Vector delta{static_cast<FT_Pos>(std::lround(fractionX * 64.f)),
                        -static_cast<FT_Pos>(std::lround(fractionY * 64.f))};
        FT_Set_Transform(face_, nullptr, &delta);
        if (FT_Load_Glyph(face_, glyph, kRenderFlags) != 0) return false;
        const FT_GlyphSlot slot = face_->glyph;
        const FT_Bitmap& bitmap = slot->bitmap;
        if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY) return false;
        out.width = static_cast<int>(bitmap.width);
        out.height = static_cast<int>(bitmap.rows);
        out.left = slot->bitmap_left;
        out.top = slot->bitmap_top;
        out.coverage.reserve(static_cast<size_t>(out.width) * static_cast<size_t>(out.height));
        for (int row = 0; row < out.height; ++row) {
            const unsigned char* source = bitmap.buffer + static_cast<ptrdiff_t>(row) * bitmap.pitch;
            out.coverage.insert(out.coverage.end(), source, source + out.width);
        }
        return true;
    }

private:
    // x-height and cap height come from the OS/2 table when it carries them
    // (version 2 on); older fonts give the top of 'x' and 'H' instead.
    void readHeights()
    {
        const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face_, FT_SFNT_OS2));
        if (os2 && os2->version >= 2 && os2->version != 0xFFFF) {
            xHeight_ = os2->sxHeight;
            capHeight_ = os2->sCapHeight;
        }
        if (xHeight_ == 0) xHeight_ = glyphTop('x');
        if (capHeight_ == 0) capHeight_ = glyphTop('H');
    }

    int glyphTop(FT_ULong character) const
    {
        const FT_UInt glyph = FT_Get_Char_Index(face_, character);
        if (glyph == 0 || FT_Load_Glyph(face_, glyph, FT_LOAD_NO_SCALE) != 0) return 0;
        return static_cast<int>(face_->glyph->metrics.horiBearingY);
    }

    FT_Library library_;
    FT_Face face_;
    std::vector<uint8_t> bytes_; // FreeType reads the face from here
    int xHeight_ = 0;
    int capHeight_ = 0;
    mutable std::mutex mutex_; // a face has one glyph slot and one size
    mutable FT_F26Dot6 currentSize_ = 0;
};

} // namespace

Ref<FontFace> FontFace::fromData(std::vector<uint8_t> bytes, std::string_view nameForLog)
{
    const std::string name(nameForLog);
    if (bytes.empty()) {
        logLine("Font: %s is empty", name.c_str());
        return nullptr;
    }
    // One library per face: faces never share FreeType state, so each face's
    // own lock is all the locking needed.
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0) {
        logLine("Font: FreeType could not start for %s", name.c_str());
        return nullptr;
    }
    FT_Face face = nullptr;
    if (FT_New_Memory_Face(library, bytes.data(), static_cast<FT_Long>(bytes.size()), 0, &face) != 0) {
        logLine("Font: %s is not a font", name.c_str());
        FT_Done_FreeType(library);
        return nullptr;
    }
    if (!FT_IS_SFNT(face) || !FT_IS_SCALABLE(face) || face->units_per_EM == 0) {
        logLine("Font: %s is not a TrueType or OpenType font", name.c_str());
        FT_Done_Face(face);
        FT_Done_FreeType(library);
        return nullptr;
    }
    return Ref<FontFace>(new FreeTypeFontFace(library, face, std::move(bytes)));
}

Ref<FontFace> FontFace::load(const std::string& path)
{
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    if (!file) {
        logLine("Font: cannot open %s", path.c_str());
        return nullptr;
    }
    const std::streamoff size = file.tellg();
    if (size <= 0 || static_cast<size_t>(size) > kMaxFileBytes) {
        logLine("Font: %s has an implausible size", path.c_str());
        return nullptr;
    }
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    file.seekg(0);
    if (!file.read(reinterpret_cast<char*>(bytes.data()), size)) {
        logLine("Font: cannot read %s", path.c_str());
        return nullptr;
    }
    return fromData(std::move(bytes), path);
}

} // namespace mw
