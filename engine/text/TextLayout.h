#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/text/TextLayoutTypes.h"
#include "engine/text/ZAttributes.h"
#include "foundation/Geometry.h"

namespace mw {

class BitmapContext;
class CharacterMap;
class FontFace;
class ZFont;

// A stretch of the text laid out in one font: UTF-16 units [start, end).
struct TextLayoutRun {
    size_t start = 0;
    size_t end = 0;
    ZFont* font = nullptr;                   // not null
    const ZAttributes* attributes = nullptr; // colours and underline; null for plain text
};

struct TextLayoutOptions {
    CGSize constrained;      // kUnboundedTextSize for no limit
    int maxLines = 0;        // 0: no limit
    UILineBreakMode lineBreakMode = UILineBreakModeWordWrap;
};

// One laid-out line: the units [start, end) of TextLayout::text(), without
// the line end or the spaces at which it broke.
struct TextLine {
    size_t start = 0;
    size_t end = 0;
    float top = 0;
    float height = 0;   // the tallest font's leading
    float ascender = 0; // the tallest font's ascender: the baseline is top + ascender
    float width = 0;    // the advances of its glyphs, ellipsis included
    // A tail-truncated last line ends in an ellipsis, drawn in the font of
    // run `ellipsisRun` after that run's glyphs.
    bool ellipsis = false;
    size_t ellipsisRun = 0;
    uint16_t ellipsisGlyph = 0;
    float ellipsisAdvance = 0;
};

// Breaks text into lines in TrueType fonts and draws them.
//
// Characters map to glyphs through each font's own `cmap` table (a font
// without a usable one maps every character to glyph 0); the pen moves by
// the glyphs' advances alone. A line breaks before the word that overflows
// (at the first of the spaces before it, which are skipped, or before a word
// character that follows other punctuation such as a hyphen: brackets and
// quotes that open a word stay with it), or at the
// overflowing character in character wrap, for a word longer than the line,
// and on a clipped last line. Every line takes at least one character.
// Line feed, next line, carriage return and CR LF end lines. The last line
// is the one of number maxLines, or the one after which the next line's
// ascender would leave the height; in tail truncation it ends in an
// ellipsis when text remains.
class TextLayout {
public:
    // Lays the text out at once. With maxLines 1 every line end becomes a
    // space (a CR LF pair one space, shortening the text; the runs are
    // moved to match). Runs must cover the text in order from 0, each where
    // the one before ends (empty runs are dropped), each with a font;
    // otherwise nothing is laid out.
    TextLayout(std::u16string text, std::vector<TextLayoutRun> runs, const TextLayoutOptions& options);
    ~TextLayout();
    TextLayout(const TextLayout&) = delete;
    TextLayout& operator=(const TextLayout&) = delete;

    // The text as laid out (after the one-line conversion).
    const std::u16string& text() const { return text_; }
    const std::vector<TextLine>& lines() const { return lines_; }
    // The widest line's width and the lines' total height (unrounded).
    CGSize size() const { return size_; }
    // A line's characters as UTF-8, with its ellipsis.
    std::string lineText(const TextLine& line) const;

    // Draws the lines into the context, aligned in the constrained width,
    // from the context's origin. Unless colours are ignored, each run's
    // background colour (when not clear) fills its box, its foreground colour
    // (black when unset) fills its glyphs, and an underline style with any of
    // its low eight bits set draws a 1-point line on the baseline; ignoring
    // colours draws glyphs in the context's fill colour.
    void draw(BitmapContext& context, UITextAlignment alignment, bool ignoreColor);

private:
    struct RunGlyphs {
        size_t run = SIZE_MAX;
        std::vector<uint16_t> glyphs; // one a character, plus a spare entry
        std::vector<float> advances;  // in points
    };
    struct Mark;

    bool coversText() const;
    void layOut();
    CharacterMap* characterMap(ZFont* font);
    void mapRun(size_t run, RunGlyphs& out);
    size_t runContaining(size_t index) const;
    size_t codePoints(size_t from, size_t to) const;
    size_t unitsAt(size_t index) const;
    void seek(size_t index);
    bool nextLineLeavesHeight(float y, float lineHeight, const ZFont* font) const;
    void mapEllipsis(TextLine& line);
    void truncateTail(TextLine& line);
    void removeLastCharacter(TextLine& line);
    void drawLine(BitmapContext& context, const TextLine& line, UITextAlignment alignment, bool ignoreColor);

    std::u16string text_;
    std::vector<TextLayoutRun> runs_;
    TextLayoutOptions options_;
    std::vector<TextLine> lines_;
    CGSize size_;
    // Each face's character map is decoded once per layout; null when the
    // face has none usable.
    std::unordered_map<FontFace*, std::unique_ptr<CharacterMap>> maps_;
    RunGlyphs cursor_;  // the run the layout is in
    size_t glyph_ = 0;  // the glyph of the current character in cursor_
    RunGlyphs scratch_; // runs read again for drawing
};

} // namespace mw
