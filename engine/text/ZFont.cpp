#include "engine/text/ZFont.h"

#include <cmath>
#include <vector>

#include "engine/text/FontNameTable.h"
#include "engine/text/UIFont.h"

namespace mw {

Ref<ZFont> ZFont::fontWithCGFont(FontFace* face, float pointSize)
{
    if (!face) return nullptr;
    return Ref<ZFont>(new ZFont(face, pointSize));
}

Ref<ZFont> ZFont::fontWithUIFont(const UIFont* font)
{
    if (!font) return nullptr;
    return fontWithCGFont(font->face(), font->pointSize());
}

ZFont::ZFont(FontFace* face, float pointSize)
    : face_(face),
      pointSize_(pointSize),
      ratio_(face->unitsPerEm() > 0 ? pointSize / static_cast<float>(face->unitsPerEm()) : 0.f)
{
}

Ref<ZFont> ZFont::fontWithSize(float pointSize)
{
    if (pointSize == pointSize_) return Ref<ZFont>(this);
    return Ref<ZFont>(new ZFont(face_.get(), pointSize));
}

bool ZFont::isEqual(const ZFont* other) const
{
    return other && other->face_.get() == face_.get() && other->pointSize_ == pointSize_;
}

float ZFont::ascender() const { return std::ceil(ratio_ * static_cast<float>(face_->ascent())); }
float ZFont::descender() const { return std::floor(ratio_ * static_cast<float>(face_->descent())); }
float ZFont::leading() const { return ascender() - descender(); }
float ZFont::xHeight() const { return std::ceil(ratio_ * static_cast<float>(face_->xHeight())); }
float ZFont::capHeight() const { return std::ceil(ratio_ * static_cast<float>(face_->capHeight())); }

std::optional<std::string> ZFont::familyName() { return cachedName(familyName_, kFontNameFamily); }
std::optional<std::string> ZFont::fontName() { return cachedName(fontName_, kFontNameFull); }
std::optional<std::string> ZFont::postScriptName()
{
    return cachedName(postScriptName_, kFontNamePostScript);
}

std::optional<std::string> ZFont::cachedName(std::optional<std::string>& cache, uint16_t nameID)
{
    if (!cache) cache = copyNameTableEntryForID(nameID);
    return cache;
}

std::optional<std::string> ZFont::copyNameTableEntryForID(uint16_t nameID) const
{
    std::vector<uint8_t> table;
    if (!face_->copyTable(fontTableTag("name"), table)) return std::nullopt;
    return readFontNameEntry(table.data(), table.size(), nameID);
}

} // namespace mw
