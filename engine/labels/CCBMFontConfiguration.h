#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include "foundation/Geometry.h"
#include "foundation/Object.h"
#include "foundation/Ref.h"

namespace mw {

// One character of a bitmap font: where its picture lies on the page image
// and how it sits on the line, all in pixels.
struct ccBMFontDef {
    uint32_t charID = 0;
    CGRect rect;          // on the page image, y from the top
    int32_t xOffset = 0;  // from the pen to the picture's left edge
    int32_t yOffset = 0;  // from the line's top down to the picture's top edge
    int32_t xAdvance = 0; // how far the pen moves
};

// Space the font's generator left around each picture; the description's
// reader leaves it zero.
struct ccBMFontPadding {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};

// A bitmap font description (".fnt", the AngelCode text form) as read: the
// line height, one page image and, per character code, a picture and its
// metrics, plus kerning pairs. Immutable once read; labels share it through
// CCBMFontConfigurationCache.
//
// The file is read as lines split at line feeds. A line is taken by its
// beginning ("common lineHeight", "page id", "char", "kerning first"; "info
// face", "chars c", "kernings count" and anything else are passed over), and
// its values are the leading integers of the pieces between its "=" signs,
// so carriage returns and extra spaces do not matter. A line too short for
// the values it must give, a "char" line whose code is not followed by a
// space, a "page id" line without a quoted file name and a negative line
// height are skipped with one log line each. A later definition of the same
// character, kerning pair or page replaces the earlier one. Only one page
// is supported.
class CCBMFontConfiguration : public Object {
public:
    // Reads the description file found through the file utilities. A file
    // that cannot be read (logged) gives a configuration without characters
    // and without an image name.
    [[nodiscard]] static Ref<CCBMFontConfiguration> configurationWithFNTFile(const std::string& fntFile);
    // Reads a description from its text; `fntFile` is the name the image's
    // path is relative to and that log lines give.
    [[nodiscard]] static Ref<CCBMFontConfiguration> configurationWithFNTText(std::string_view text,
                                                                             const std::string& fntFile);

    // The character's definition, or null when the font has none.
    const ccBMFontDef* definition(uint32_t charID) const;
    size_t characterCount() const { return definitions_.size(); }
    // Pixels from one line's top to the next one's.
    uint32_t commonHeight() const { return commonHeight_; }
    const ccBMFontPadding& padding() const { return padding_; }
    // The page image: the description's folder joined with the file name
    // the page line gives; empty when no page line was read.
    const std::string& atlasName() const { return atlasName_; }
    // Pixels added to the pen between the two characters (0 for no pair).
    int32_t kerningAmount(uint16_t first, uint16_t second) const;
    size_t kerningCount() const { return kerning_.size(); }

    // "<CCBMFontConfiguration = ADDRESS | Kernings:N | Image = NAME>"
    std::string description() const;

private:
    void parseConfigFile(std::string_view text, const std::string& fntFile);
    void parseLine(std::string_view line, const std::string& fntFile, size_t lineNumber);

    std::unordered_map<uint32_t, ccBMFontDef> definitions_;
    uint32_t commonHeight_ = 0;
    ccBMFontPadding padding_;
    std::string atlasName_;
    std::unordered_map<uint32_t, int32_t> kerning_; // (first << 16 | second) -> amount
};

} // namespace mw
