#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/base/CCRGBAProtocol.h"
#include "engine/base/CCRGBAState.h"
#include "engine/labels/CCLabelProtocol.h"
#include "engine/sprites/CCSpriteBatchNode.h"
#include "engine/text/TextLayoutTypes.h"

namespace mw {

class CCBMFontConfiguration;
class CCSprite;

// A text drawn from a bitmap font: a ".fnt" description (read once per file
// through CCBMFontConfigurationCache) and its page image. The label is a
// sprite batch over the page with one letter sprite per visible character,
// tagged with the character's index (in UTF-16 units) in the laid-out text;
// characters without a picture and line feeds have none. Letter sprites are
// hidden, never removed, when the text gets shorter, and reused by index.
//
// Lines break at line feeds; with a width above 0 the text is also wrapped
// at spaces so that lines stay within it (a word wider than the width keeps
// its own line), and lines can be centred or right-aligned within the
// longest one. Kerning pairs move a letter and all after it on its line.
class CCLabelBMFont : public CCSpriteBatchNode, public CCLabelProtocol, public CCRGBAProtocol {
public:
    // Null (one log line) when the description names no page image or the
    // image cannot be loaded. `width` is in points; 0 or less: no wrapping.
    [[nodiscard]] static Ref<CCLabelBMFont> labelWithString(const std::string& text,
                                                            const std::string& fntFile, float width,
                                                            UITextAlignment alignment);
    // No wrapping, left-aligned.
    [[nodiscard]] static Ref<CCLabelBMFont> labelWithString(const std::string& text,
                                                            const std::string& fntFile);
    // Empties the shared configuration cache; labels keep theirs.
    static void purgeCachedData();

    CCLabelBMFont() = default;
    ~CCLabelBMFont() override;

    // Call one once on a fresh label; false as for the factories.
    [[nodiscard]] bool initWithString(const std::string& text, const std::string& fntFile, float width,
                                      UITextAlignment alignment);
    [[nodiscard]] bool initWithString(const std::string& text, const std::string& fntFile);

    // Keeps the text as the initial string and lays it out again (wrapped
    // and aligned). An empty text hides every letter and keeps the content
    // size.
    void setString(const std::string& text) override;
    // The text as laid out: after wrapping, with the line feeds it added.
    const std::string& string() const override { return string_; }
    // The text as last set.
    const std::string& initialString() const { return initialString_; }

    // Each setter lays the text out again.
    float width() const { return width_; }
    void setWidth(float width);
    UITextAlignment alignment() const { return alignment_; }
    void setAlignment(UITextAlignment alignment);

    // The description the label draws from (shared, retained).
    CCBMFontConfiguration* configuration() const { return configuration_.get(); }
    // The font's kerning between two characters, in pixels (0 for none).
    int32_t kerningAmount(uint16_t first, uint16_t second) const;

    // ---- colour (CCRGBAProtocol): stored, and passed to every letter ----
    uint8_t opacity() const override { return rgba_.opacity(); }
    void setOpacity(uint8_t opacity) override;
    ccColor3B color() const override { return rgba_.color(); }
    void setColor(ccColor3B color) override;
    // Starts as the page texture's premultiplied-alpha flag.
    bool doesOpacityModifyRGB() const { return rgba_.opacityModifyRGB(); }
    void setOpacityModifyRGB(bool modify);

    // Places a letter sprite for each character of string() at the pen's
    // pixel position, lines from the top, and sets the content size to the
    // longest line's advance by the number of lines times the line height.
    // No wrapping or alignment.
    void createFontChars();
    // Lays the initial string out, then wraps and aligns it.
    void updateLabel();

private:
    // With fromUpdate the text becomes the laid-out string and is placed
    // at once; otherwise it becomes the initial string and updateLabel runs.
    void setString(const std::string& text, bool fromUpdate);
    // The letter sprites by tag, for tags 0 to count - 1 (null where there
    // is none).
    std::vector<CCSprite*> lettersByTag(size_t count) const;
    // The initial string with line feeds where lines must break to stay
    // within width_, and the spaces before them dropped.
    std::u16string wrappedText() const;
    // Moves each line right to its alignment within the content width.
    void alignLines();

    std::string string_;
    std::string initialString_;
    float width_ = -1;
    UITextAlignment alignment_ = UITextAlignmentLeft;
    Ref<CCBMFontConfiguration> configuration_;
    CCRGBAState rgba_;
};

} // namespace mw
