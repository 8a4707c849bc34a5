#include "engine/text/TextLayout.h"

#include <algorithm>
#include <cmath>

#include "engine/text/CharacterMap.h"
#include "engine/text/ZFont.h"
#include "foundation/Utf16.h"
#include "foundation/Utf8.h"
#include "platform/BitmapContext.h"
#include "platform/FontFace.h"

namespace mw {

namespace {

constexpr char16_t kEllipsis = 0x2026;

bool isHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

bool isNewline(char16_t unit)
{
    return (unit >= 0x000A && unit <= 0x000D) || unit == 0x0085 || unit == 0x2028 || unit == 0x2029;
}

// Letters, marks and digits, plus the opening brackets and quotes that stay
// with the word they open. Outside ASCII and Latin-1 the test is by block:
// punctuation, symbols, private use and surrogates (emoji) are not word
// characters, everything else is.
bool isWordCharacter(char16_t unit)
{
    if (unit < 0x80) {
        return (unit >= '0' && unit <= '9') || (unit >= 'A' && unit <= 'Z') || (unit >= 'a' && unit <= 'z') ||
               unit == '(' || unit == '[' || unit == '{' || unit == '\'' || unit == '"';
    }
    if (unit == 0x2019 || unit == 0x02BC) return true; // right single quote, modifier apostrophe
    if (unit < 0x100) {
        return unit == 0xAA || unit == 0xB2 || unit == 0xB3 || unit == 0xB5 || unit == 0xB9 || unit == 0xBA ||
               (unit >= 0xBC && unit <= 0xBE) || (unit >= 0xC0 && unit != 0xD7 && unit != 0xF7);
    }
    if (unit >= 0x2000 && unit <= 0x2BFF) return false; // punctuation, symbols, arrows, shapes
    if (unit >= 0x3000 && unit <= 0x303F) return false; // CJK punctuation
    if (unit >= 0xD800 && unit <= 0xF8FF) return false; // surrogates, private use
    if (unit >= 0xFE10 && unit <= 0xFE6F) return false; // presentation punctuation
    if (unit >= 0xFF00 && unit <= 0xFF0F) return false; // full-width punctuation
    return unit < 0xFFF0;
}

FillColor fillColor(const ccColor4F& color) { return {color.r, color.g, color.b, color.a}; }

// With one line, line ends become spaces and a CR LF pair one space; the
// runs move back with every unit taken out.
void joinLines(std::u16string& text, std::vector<TextLayoutRun>& runs)
{
    std::u16string joined;
    joined.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            joined.push_back(u' ');
            // The runs already count in the shortened text up to here, where
            // the LF stands at joined.size(): what lies after it moves back.
            const size_t lineFeed = joined.size();
            for (TextLayoutRun& run : runs) {
                if (run.start > lineFeed) --run.start;
                if (run.end > lineFeed) --run.end;
            }
            ++i;
            continue;
        }
        joined.push_back(isNewline(text[i]) ? u' ' : text[i]);
    }
    text = std::move(joined);
}

} // namespace

// Where a line may break: the state just before character `index`.
struct TextLayout::Mark {
    size_t index = 0;
    size_t run = 0;
    size_t glyph = 0;
    float width = 0;
    float lineHeight = 0;
    float ascender = 0;
};

TextLayout::TextLayout(std::u16string text, std::vector<TextLayoutRun> runs, const TextLayoutOptions& options)
    : text_(std::move(text)), runs_(std::move(runs)), options_(options)
{
    if (options_.maxLines == 1) joinLines(text_, runs_);
    // Runs that cover nothing would only confuse the walk.
    std::erase_if(runs_, [](const TextLayoutRun& run) { return run.end <= run.start; });
    if (!text_.empty() && coversText()) layOut();
}

bool TextLayout::coversText() const
{
    if (runs_.empty() || runs_.front().start != 0 || runs_.back().end != text_.size()) return false;
    for (size_t run = 0; run < runs_.size(); ++run) {
        if (!runs_[run].font || (run > 0 && runs_[run].start != runs_[run - 1].end)) return false;
    }
    return true;
}

TextLayout::~TextLayout() = default;

std::string TextLayout::lineText(const TextLine& line) const
{
    std::string out = utf16ToUtf8(std::u16string_view(text_).substr(line.start, line.end - line.start));
    if (line.ellipsis) appendUtf8(out, kEllipsis);
    return out;
}

CharacterMap* TextLayout::characterMap(ZFont* font)
{
    FontFace* face = font->cgFont();
    auto found = maps_.find(face);
    if (found != maps_.end()) return found->second.get();
    std::vector<uint8_t> table;
    std::unique_ptr<CharacterMap> map;
    if (face->copyTable(fontTableTag("cmap"), table)) map = CharacterMap::parse(std::move(table));
    return maps_.emplace(face, std::move(map)).first->second.get();
}

void TextLayout::mapRun(size_t run, RunGlyphs& out)
{
    if (out.run == run) return;
    const TextLayoutRun& layoutRun = runs_[run];
    const size_t units = layoutRun.end - layoutRun.start;
    out.glyphs.assign(units + 1, 0);
    out.advances.assign(units + 1, 0.f);
    size_t count = codePoints(layoutRun.start, layoutRun.end);
    if (CharacterMap* map = characterMap(layoutRun.font)) {
        count = map->mapCharacters(text_.data() + layoutRun.start, units, out.glyphs.data());
    }
    std::vector<int32_t> fontUnits(count);
    if (count > 0 && layoutRun.font->cgFont()->glyphAdvances(out.glyphs.data(), count, fontUnits.data())) {
        for (size_t i = 0; i < count; ++i) {
            out.advances[i] = static_cast<float>(fontUnits[i]) * layoutRun.font->ratio();
        }
    }
    out.run = run;
}

size_t TextLayout::runContaining(size_t index) const
{
    auto after = std::upper_bound(runs_.begin(), runs_.end(), index,
                                  [](size_t value, const TextLayoutRun& run) { return value < run.start; });
    return after == runs_.begin() ? 0 : static_cast<size_t>(after - runs_.begin()) - 1;
}

size_t TextLayout::codePoints(size_t from, size_t to) const
{
    size_t count = 0;
    for (size_t i = from; i < to; i += unitsAt(i)) ++count;
    return count;
}

size_t TextLayout::unitsAt(size_t index) const
{
    const bool pair =
        index + 1 < text_.size() && isHighSurrogate(text_[index]) && isLowSurrogate(text_[index + 1]);
    return pair ? 2 : 1;
}

void TextLayout::seek(size_t index)
{
    mapRun(runContaining(index), cursor_);
    glyph_ = codePoints(runs_[cursor_.run].start, index);
}

bool TextLayout::nextLineLeavesHeight(float y, float lineHeight, const ZFont* font) const
{
    return y + lineHeight + font->ascender() > options_.constrained.height;
}

void TextLayout::layOut()
{
    const CGSize& constrained = options_.constrained;
    float y = 0;
    float widest = 0;
    size_t lineStart = 0;
    for (int lineNumber = 1; lineStart < text_.size(); ++lineNumber) {
        seek(lineStart);
        TextLine line;
        line.start = lineStart;
        line.top = y;
        line.height = runs_[cursor_.run].font->leading();
        line.ascender = runs_[cursor_.run].font->ascender();
        const bool lastByCount = options_.maxLines > 0 && lineNumber == options_.maxLines;
        bool lastLine = lastByCount;
        Mark candidate;
        bool haveCandidate = false;
        bool inWord = false;
        size_t skip = 0;

        for (size_t i = lineStart;;) {
            if (i >= text_.size()) {
                line.end = text_.size();
                lastLine = true;
                break;
            }
            if (i >= runs_[cursor_.run].end) {
                seek(i);
                const ZFont* font = runs_[cursor_.run].font;
                if (font->leading() > line.height) {
                    line.height = font->leading();
                    if (y + font->ascender() > constrained.height) {
                        line.end = i;
                        lastLine = true;
                        break;
                    }
                }
                line.ascender = std::max(line.ascender, font->ascender());
            }
            const char16_t unit = text_[i];
            const bool word = isWordCharacter(unit);
            // A line may break at the first of a row of spaces (they are
            // skipped, so the line's width leaves them out), or before a
            // word that follows other punctuation, such as a hyphen.
            const bool afterSpace = i > lineStart && text_[i - 1] == u' ';
            if ((unit == u' ' || (word && !inWord)) && !afterSpace) {
                candidate = {i, cursor_.run, glyph_, line.width, line.height, line.ascender};
                haveCandidate = true;
            }
            inWord = word;
            if (unit == u'\n' || unit == 0x0085) {
                line.end = i;
                skip = 1;
                break;
            }
            if (unit == u'\r') {
                line.end = i;
                skip = i + 1 < text_.size() && text_[i + 1] == u'\n' ? 2 : 1;
                break;
            }
            const float advance = cursor_.advances[glyph_];
            if (line.width + advance <= constrained.width) {
                line.width += advance;
                i += unitsAt(i);
                ++glyph_;
                continue;
            }
            // The character overflows the width.
            lastLine = lastLine || nextLineLeavesHeight(y, line.height, runs_[cursor_.run].font);
            const bool clipLastLine = lastLine && options_.lineBreakMode == UILineBreakModeClip;
            if (haveCandidate && candidate.index > lineStart &&
                options_.lineBreakMode != UILineBreakModeCharacterWrap && !clipLastLine) {
                line.width = candidate.width;
                line.height = candidate.lineHeight;
                line.ascender = candidate.ascender;
                mapRun(candidate.run, cursor_);
                glyph_ = candidate.glyph;
                lastLine = lastByCount || nextLineLeavesHeight(y, line.height, runs_[cursor_.run].font);
                line.end = candidate.index;
                while (line.end + skip < text_.size() && text_[line.end + skip] == u' ') ++skip;
            } else if (i == lineStart) {
                // Not even one character fits: it is taken all the same, so
                // that every line makes progress.
                line.width += advance;
                line.end = i + unitsAt(i);
                ++glyph_;
            } else {
                line.end = i;
            }
            break;
        }

        if (lastLine && line.end + skip < text_.size() && line.end > line.start &&
            options_.lineBreakMode == UILineBreakModeTailTruncation) {
            truncateTail(line);
        }
        widest = std::max(widest, line.width);
        y += line.height;
        lines_.push_back(line);
        lineStart = line.end + skip;
        if (lastLine) break;
    }
    size_ = {widest, y};
}

void TextLayout::mapEllipsis(TextLine& line)
{
    ZFont* font = runs_[cursor_.run].font;
    line.ellipsis = true;
    line.ellipsisRun = cursor_.run;
    line.ellipsisGlyph = 0;
    line.ellipsisAdvance = 0;
    if (CharacterMap* map = characterMap(font)) line.ellipsisGlyph = map->glyphForCodePoint(kEllipsis);
    int32_t advance = 0;
    if (font->cgFont()->glyphAdvances(&line.ellipsisGlyph, 1, &advance)) {
        line.ellipsisAdvance = static_cast<float>(advance) * font->ratio();
    }
}

// Ends the line in an ellipsis: characters come off the end until the
// ellipsis fits (at least one stays), then the spaces before it.
void TextLayout::truncateTail(TextLine& line)
{
    mapEllipsis(line);
    size_t characters = codePoints(line.start, line.end);
    while (characters > 1 && line.width + line.ellipsisAdvance > options_.constrained.width) {
        removeLastCharacter(line);
        --characters;
    }
    while (characters > 1 && text_[line.end - 1] == u' ') {
        removeLastCharacter(line);
        --characters;
    }
    line.width += line.ellipsisAdvance;
}

// Takes the last character (a whole surrogate pair) off the line, reading
// earlier runs back as needed; a run of another font maps the ellipsis anew.
void TextLayout::removeLastCharacter(TextLine& line)
{
    while (line.end - 1 < runs_[cursor_.run].start) {
        const ZFont* oldFont = runs_[cursor_.run].font;
        mapRun(cursor_.run - 1, cursor_);
        glyph_ = codePoints(runs_[cursor_.run].start, line.end);
        if (runs_[cursor_.run].font->isEqual(oldFont)) {
            line.ellipsisRun = cursor_.run;
        } else {
            mapEllipsis(line);
        }
    }
    const size_t first = std::max(runs_[cursor_.run].start, line.start);
    const bool pair = line.end >= first + 2 && isLowSurrogate(text_[line.end - 1]) &&
                      isHighSurrogate(text_[line.end - 2]);
    line.end -= pair ? 2 : 1;
    --glyph_;
    line.width -= cursor_.advances[glyph_];
}

void TextLayout::draw(BitmapContext& context, UITextAlignment alignment, bool ignoreColor)
{
    context.saveState();
    for (const TextLine& line : lines_) drawLine(context, line, alignment, ignoreColor);
    context.restoreState();
}

void TextLayout::drawLine(BitmapContext& context, const TextLine& line, UITextAlignment alignment,
                          bool ignoreColor)
{
    float pen = 0;
    if (alignment == UITextAlignmentRight) pen = options_.constrained.width - line.width;
    if (alignment == UITextAlignmentCenter) pen = (options_.constrained.width - line.width) * 0.5f;
    const float baseline = line.top + line.ascender;

    size_t lastRun = runContaining(line.end > line.start ? line.end - 1 : line.start);
    if (line.ellipsis) lastRun = std::max(lastRun, line.ellipsisRun);
    std::vector<uint16_t> glyphs;
    std::vector<CGPoint> positions;
    for (size_t run = runContaining(line.start); run <= lastRun; ++run) {
        const TextLayoutRun& layoutRun = runs_[run];
        const size_t segmentStart = std::clamp(line.start, layoutRun.start, layoutRun.end);
        const size_t segmentEnd = std::clamp(line.end, segmentStart, layoutRun.end);
        mapRun(run, scratch_);
        const size_t firstGlyph = codePoints(layoutRun.start, segmentStart);
        const size_t glyphCount = codePoints(segmentStart, segmentEnd);
        glyphs.assign(scratch_.glyphs.begin() + static_cast<ptrdiff_t>(firstGlyph),
                      scratch_.glyphs.begin() + static_cast<ptrdiff_t>(firstGlyph + glyphCount));
        positions.clear();
        float runWidth = 0;
        for (size_t g = 0; g < glyphCount; ++g) {
            positions.push_back({pen + runWidth, baseline});
            runWidth += scratch_.advances[firstGlyph + g];
        }
        if (line.ellipsis && run == line.ellipsisRun) {
            glyphs.push_back(line.ellipsisGlyph);
            positions.push_back({pen + runWidth, baseline});
            runWidth += line.ellipsisAdvance;
        }
        if (glyphs.empty()) continue;

        const bool colours = !ignoreColor && layoutRun.attributes;
        if (colours) {
            const ZAttributeValue& background =
                attributeValue(*layoutRun.attributes, ZBackgroundColorAttributeName);
            if (background.isColor() && !(background.color() == kZClearColor)) {
                context.setFillColor(fillColor(background.color()));
                context.fillRect({pen, line.top, runWidth, line.height});
            }
            const ZAttributeValue& foreground =
                attributeValue(*layoutRun.attributes, ZForegroundColorAttributeName);
            context.setFillColor(fillColor(foreground.isColor() ? foreground.color() : kZBlackColor));
        }
        context.showGlyphs(*layoutRun.font->cgFont(), layoutRun.font->pointSize(), glyphs.data(),
                           positions.data(), glyphs.size());
        if (colours) {
            const double style = attributeValue(*layoutRun.attributes, ZUnderlineStyleAttributeName).number();
            const int64_t styleBits = std::fabs(style) < 9e18 ? static_cast<int64_t>(style) : 0;
            if ((styleBits & 0xFF) != 0) context.fillRect({pen, baseline, runWidth, 1.f});
        }
        pen += runWidth;
    }
}

} // namespace mw
