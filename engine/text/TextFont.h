#pragma once

#include <string>
#include <string_view>

#include "engine/text/TextLayoutTypes.h"
#include "engine/text/UIFont.h"
#include "engine/text/ZFont.h"
#include "foundation/Geometry.h"
#include "foundation/Ref.h"

namespace mw {

class BitmapContext;

// A font found by name the way text textures and labels find one: the
// platform font of that name first, else the font manager's TrueType font
// (a bundle file of that name). Measures and draws with whichever it holds.
struct TextFont {
    Ref<UIFont> platform;
    Ref<ZFont> trueType;

    // The font of that name at `size` points; empty (no log line) when
    // there is none.
    [[nodiscard]] static TextFont named(const std::string& name, float size);

    explicit operator bool() const { return platform || trueType; }

    // One line, sized up to whole points; zero for an empty font.
    CGSize sizeWithText(std::string_view text) const;
    // Fills the text's glyphs with the context's fill colour; nothing for
    // an empty font.
    void drawInRect(BitmapContext& context, std::string_view text, CGRect rect, UILineBreakMode lineBreakMode,
                    UITextAlignment alignment) const;
};

} // namespace mw
