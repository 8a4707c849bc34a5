#pragma once

#include <string>

#include "engine/labels/CCLabelProtocol.h"
#include "engine/sprites/CCSprite.h"
#include "engine/text/TextFont.h"
#include "engine/text/TextLayoutTypes.h"

namespace mw {

// A sprite whose texture is its text rendered in a font: the platform font
// of the name, else the bundle's TrueType font of that name. Either sized to
// the text (one line, centred) or set in a fixed box with an alignment and a
// line-break mode. Every setString renders the whole text into a new A8
// texture, which the sprite tints with its colour; font, size, box,
// alignment and line-break mode are fixed once made.
//
// The font is looked up once, when the label is made (since it never
// changes), so that a label updated every frame only renders. Without a font
// of the name (logged then) the label has no texture, an empty region and a
// zero content size, and shows nothing; so does an empty text.
class CCLabelTTF : public CCSprite, public CCLabelProtocol {
public:
    // Sized to the text; the size is in points.
    [[nodiscard]] static Ref<CCLabelTTF> labelWithString(const std::string& text, const std::string& fontName,
                                                         float fontSize);
    // In a box of `dimensions` points, word wrap.
    [[nodiscard]] static Ref<CCLabelTTF> labelWithString(const std::string& text, CGSize dimensions,
                                                         UITextAlignment alignment,
                                                         const std::string& fontName, float fontSize);
    [[nodiscard]] static Ref<CCLabelTTF> labelWithString(const std::string& text, CGSize dimensions,
                                                         UITextAlignment alignment,
                                                         UILineBreakMode lineBreakMode,
                                                         const std::string& fontName, float fontSize);

    // An empty sprite; the factories run one of the initialisers on it.
    CCLabelTTF() = default;
    ~CCLabelTTF() override;

    // Call one once on a fresh label; sizes are points (kept in pixels).
    void initWithString(const std::string& text, const std::string& fontName, float fontSize);
    void initWithString(const std::string& text, CGSize dimensions, UITextAlignment alignment,
                        const std::string& fontName, float fontSize);
    void initWithString(const std::string& text, CGSize dimensions, UITextAlignment alignment,
                        UILineBreakMode lineBreakMode, const std::string& fontName, float fontSize);

    // Keeps a copy of the text and renders it into a new texture (also when
    // it is unchanged), which becomes the sprite's texture and, in points,
    // its region and content size. The former texture is released.
    void setString(const std::string& text) override;
    const std::string& string() const override { return string_; }

    // The box in pixels; zero when the label is sized to its text.
    CGSize dimensionsInPixels() const { return dimensions_; }
    UITextAlignment alignment() const { return alignment_; }
    UILineBreakMode lineBreakMode() const { return lineBreakMode_; }
    const std::string& fontName() const { return fontName_; }
    // The font size in pixels.
    float fontSizeInPixels() const { return fontSize_; }

    // "<CCLabelTTF = ADDRESS | FontSize = 12.0>" (the size in pixels)
    std::string description() const override;

private:
    // Looks the font up by name and size, then renders the text.
    void setUp(const std::string& text);

    CGSize dimensions_;
    UITextAlignment alignment_ = UITextAlignmentLeft;
    std::string fontName_;
    float fontSize_ = 0;
    UILineBreakMode lineBreakMode_ = UILineBreakModeWordWrap;
    std::string string_;
    TextFont font_;
};

} // namespace mw
