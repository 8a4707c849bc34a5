#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "foundation/Object.h"
#include "foundation/Ref.h"
#include "platform/FontFace.h"

namespace mw {

class UIFont;

// One font face at one point size, with the line metrics the text layout
// uses. Immutable apart from the names it reads on first request.
class ZFont : public Object {
public:
    // A font of `face` at `pointSize`; null for a null face.
    [[nodiscard]] static Ref<ZFont> fontWithCGFont(FontFace* face, float pointSize);
    // The face and size of a platform font; null for a null font.
    [[nodiscard]] static Ref<ZFont> fontWithUIFont(const UIFont* font);

    // This font when `pointSize` equals its own exactly, else a new font of
    // the same face.
    [[nodiscard]] Ref<ZFont> fontWithSize(float pointSize);

    // The same face object (by identity) at an equal size.
    bool isEqual(const ZFont* other) const;

    FontFace* cgFont() const { return face_.get(); }
    float pointSize() const { return pointSize_; }
    // Points per font unit: pointSize / unitsPerEm.
    float ratio() const { return ratio_; }

    // Line metrics in points, rounded outwards so that leading() is never
    // smaller than the unrounded line height.
    float ascender() const;   // ceil(ratio * ascent)
    float descender() const;  // floor(ratio * descent): zero or negative
    float leading() const;    // ascender - descender: the layout's line height
    float xHeight() const;    // ceil(ratio * x-height)
    float capHeight() const;  // ceil(ratio * cap height)

    // Entries 1, 4 and 6 of the face's `name` table; nothing when the table
    // has no readable entry. A found name is kept; a missing one is looked
    // up again on the next call.
    std::optional<std::string> familyName();
    std::optional<std::string> fontName();
    std::optional<std::string> postScriptName();

    // Any entry of the `name` table, read afresh.
    std::optional<std::string> copyNameTableEntryForID(uint16_t nameID) const;

private:
    ZFont(FontFace* face, float pointSize); // face not null
    std::optional<std::string> cachedName(std::optional<std::string>& cache, uint16_t nameID);

    Ref<FontFace> face_;
    float pointSize_;
    float ratio_;
    std::optional<std::string> familyName_;
    std::optional<std::string> fontName_;
    std::optional<std::string> postScriptName_;
};

} // namespace mw
