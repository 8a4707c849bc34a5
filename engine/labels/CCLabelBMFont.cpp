#include "engine/labels/CCLabelBMFont.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "engine/base/CCPropertyRegistry.h"
#include "engine/base/ccContentScale.h"
#include "engine/labels/CCBMFontConfiguration.h"
#include "engine/labels/CCBMFontConfigurationCache.h"
#include "engine/sprites/CCSprite.h"
#include "engine/textures/CCTexture2D.h"
#include "engine/textures/CCTextureAtlas.h"
#include "foundation/Log.h"
#include "foundation/Utf16.h"

namespace mw {

namespace {

// Scene files name this class; it registers itself for the reader.
[[maybe_unused]] const bool classRegistered = [] {
    CCPropertyRegistry::shared().registerClass<CCLabelBMFont>("CCLabelBMFont");
    return true;
}();

constexpr char16_t kLineFeed = u'\n';
// The code kerning is looked up with before the first letter of a line.
constexpr uint16_t kNoPreviousCharacter = 0xFFFF;

// The platform's newline set: line feed to carriage return, next line, and
// the line and paragraph separators.
bool isNewline(char16_t c) { return (c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029; }
bool isBlank(char16_t c) { return c == u' ' || c == u'\t'; }

void trimTrailingBlanks(std::u16string& text)
{
    while (!text.empty() && isBlank(text.back())) text.pop_back();
}

float leftEdge(const CCSprite& letter) { return letter.position().x - letter.contentSize().width / 2; }
float rightEdge(const CCSprite& letter) { return letter.position().x + letter.contentSize().width / 2; }

} // namespace

Ref<CCLabelBMFont> CCLabelBMFont::labelWithString(const std::string& text, const std::string& fntFile,
                                                  float width, UITextAlignment alignment)
{
    Ref<CCLabelBMFont> label = makeRef<CCLabelBMFont>();
    return label->initWithString(text, fntFile, width, alignment) ? label : nullptr;
}

Ref<CCLabelBMFont> CCLabelBMFont::labelWithString(const std::string& text, const std::string& fntFile)
{
    Ref<CCLabelBMFont> label = makeRef<CCLabelBMFont>();
    return label->initWithString(text, fntFile) ? label : nullptr;
}

void CCLabelBMFont::purgeCachedData() { CCBMFontConfigurationCache::purgeSharedCache(); }

CCLabelBMFont::~CCLabelBMFont() = default;

bool CCLabelBMFont::initWithString(const std::string& text, const std::string& fntFile)
{
    return initWithString(text, fntFile, -1, UITextAlignmentLeft);
}

bool CCLabelBMFont::initWithString(const std::string& text, const std::string& fntFile, float width,
                                   UITextAlignment alignment)
{
    configuration_ = CCBMFontConfigurationCache::sharedCache()->configurationForFile(fntFile);
    if (configuration_->atlasName().empty()) {
        logLine("CCLabelBMFont: %s names no page image", fntFile.c_str());
        return false;
    }
    // Room for every letter at once; the batch grows past that if needed.
    const auto capacity =
        static_cast<uint32_t>(std::min<size_t>(utf16Length(text), CCTextureAtlas::kMaxCapacity));
    if (!initWithFile(configuration_->atlasName(), capacity)) return false;
    width_ = width;
    alignment_ = alignment;
    rgba_ = CCRGBAState();
    rgba_.setOpacityModifyRGBFlag(texture()->hasPremultipliedAlpha());
    setContentSize(CGSizeZero);
    setAnchorPoint({0.5f, 0.5f});
    setString(text);
    return true;
}

// ---------------------------------------------------------------- text

void CCLabelBMFont::setString(const std::string& text) { setString(text, false); }

void CCLabelBMFont::setString(const std::string& text, bool fromUpdate)
{
    if (!fromUpdate) {
        // updateLabel lays the new text out from the start.
        initialString_ = text;
        updateLabel();
        return;
    }
    string_ = text;
    if (CCArray* letters = children()) {
        for (Object* letter : *letters) static_cast<CCNode*>(letter)->setVisible(false);
    }
    createFontChars();
}

void CCLabelBMFont::setWidth(float width)
{
    width_ = width;
    updateLabel();
}

void CCLabelBMFont::setAlignment(UITextAlignment alignment)
{
    alignment_ = alignment;
    updateLabel();
}

int32_t CCLabelBMFont::kerningAmount(uint16_t first, uint16_t second) const
{
    return configuration_ ? configuration_->kerningAmount(first, second) : 0;
}

std::vector<CCSprite*> CCLabelBMFont::lettersByTag(size_t count) const
{
    std::vector<CCSprite*> letters(count, nullptr);
    if (CCArray* children = this->children()) {
        for (Object* child : *children) {
            auto* letter = static_cast<CCSprite*>(child); // a batch node holds sprites only
            const int tag = letter->tag();
            if (tag >= 0 && static_cast<size_t>(tag) < count && !letters[static_cast<size_t>(tag)]) {
                letters[static_cast<size_t>(tag)] = letter;
            }
        }
    }
    return letters;
}

// ---------------------------------------------------------------- layout

void CCLabelBMFont::createFontChars()
{
    const std::u16string text = utf8ToUtf16(string_);
    if (text.empty() || !configuration_) return;

    // A line feed at the very end opens no line.
    const auto lines = 1 + std::count(text.begin(), text.end() - 1, kLineFeed);
    const auto lineHeight = static_cast<float>(configuration_->commonHeight());
    std::vector<CCSprite*> letters = lettersByTag(text.size());
    float penX = 0;
    float penY = static_cast<float>(lines - 1) * lineHeight;
    float longestLine = 0;
    uint16_t previous = kNoPreviousCharacter;
    bool batchFull = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t code = text[i];
        if (code == kLineFeed) {
            penX = 0;
            penY -= lineHeight;
            // Kerning pairs the letters of one line, never the last of a
            // line with the first of the next.
            previous = kNoPreviousCharacter;
            continue;
        }
        const int32_t kerning = configuration_->kerningAmount(previous, code);
        const ccBMFontDef* glyph = configuration_->definition(code);
        if (!glyph) continue;

        CCSprite* letter = letters[i];
        if (letter) {
            letter->setTextureRectInPixels(glyph->rect, false, glyph->rect.size);
            letter->setVisible(true);
            letter->setOpacity(255);
        } else if (!batchFull) {
            Ref<CCSprite> made = makeRef<CCSprite>();
            made->initWithBatchNodeRectInPixels(this, glyph->rect);
            addChild(made.get(), 0, static_cast<int>(i));
            // A full atlas refuses the sprite (logged once here): the other
            // letters still advance the pen but get no sprite.
            batchFull = made->parent() != this;
            letter = batchFull ? nullptr : made.get();
        }
        if (letter) {
            // The line height minus the y offset is signed: an offset below
            // the line is a negative distance, not a huge one.
            const float fromTop =
                static_cast<float>(int64_t{configuration_->commonHeight()} - glyph->yOffset);
            letter->setPositionInPixels({penX + static_cast<float>(glyph->xOffset) +
                                             glyph->rect.size.width * 0.5f + static_cast<float>(kerning),
                                         penY + fromTop - glyph->rect.size.height * 0.5f});
            letter->setOpacityModifyRGB(rgba_.opacityModifyRGB());
            letter->setColor(rgba_.color());
            if (rgba_.opacity() != 255) letter->setOpacity(rgba_.opacity());
        }
        penX += static_cast<float>(glyph->xAdvance + int64_t{kerning});
        longestLine = std::max(longestLine, penX);
        previous = code;
    }
    setContentSizeInPixels({longestLine, static_cast<float>(lines) * lineHeight});
}

void CCLabelBMFont::updateLabel()
{
    setString(initialString_, true);
    if (width_ > 0) setString(utf16ToUtf8(wrappedText()), true);
    if (alignment_ == UITextAlignmentCenter || alignment_ == UITextAlignmentRight) alignLines();
}

// Walks the characters with their letters (as laid out unwrapped, in points).
// A word is a run of characters up to a blank; a letter whose right edge
// lies further than the width from the line's start sends its word to a new
// line, unless the word began the line, since it would not fit on any.
std::u16string CCLabelBMFont::wrappedText() const
{
    const std::u16string text = utf8ToUtf16(string_);
    const std::vector<CCSprite*> letters = lettersByTag(text.size());
    std::u16string wrapped;
    std::u16string word;
    std::optional<float> lineStart;
    std::optional<float> wordStart;
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (isNewline(c)) {
            wrapped += word;
            wrapped += c;
            word.clear();
            lineStart.reset();
            wordStart.reset();
            continue;
        }
        // A character without a letter (no picture in the font) joins the
        // text but takes no room.
        const CCSprite* letter = letters[i] && letters[i]->visible() ? letters[i] : nullptr;
        float lineLeft = 0, wordLeft = 0;
        if (letter) {
            if (!wordStart) wordStart = leftEdge(*letter);
            if (!lineStart) lineStart = wordStart;
            lineLeft = *lineStart;
            wordLeft = *wordStart;
        }
        word += c;
        if (isBlank(c)) {
            wrapped += word;
            word.clear();
            wordStart.reset();
            continue;
        }
        if (letter && rightEdge(*letter) - lineLeft > width_ && wordLeft > lineLeft) {
            trimTrailingBlanks(wrapped);
            wrapped += kLineFeed;
            lineStart = wordStart;
        }
    }
    return wrapped + word;
}

void CCLabelBMFont::alignLines()
{
    const std::u16string text = utf8ToUtf16(string_);
    const std::vector<CCSprite*> letters = lettersByTag(text.size());
    auto shown = [&](size_t i) { return letters[i] && letters[i]->visible() ? letters[i] : nullptr; };
    const double contentWidth = contentSize().width;
    const double scale = CC_CONTENT_SCALE_FACTOR();
    size_t lineBegin = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && !isNewline(text[i])) continue;
        // The line's width reaches to its last letter's right edge, in whole points.
        const CCSprite* last = nullptr;
        for (size_t k = i; k > lineBegin && !last; --k) last = shown(k - 1);
        if (last) {
            const double lineWidth = std::trunc(rightEdge(*last));
            double shift = alignment_ == UITextAlignmentRight ? contentWidth - lineWidth
                                                              : contentWidth / 2 - std::trunc(lineWidth / 2);
            // Half of an odd content width would put the letters between
            // pixels, where the page's filtering blurs them: whole pixels only.
            shift = std::floor(shift * scale) / scale;
            if (shift != 0) {
                for (size_t k = lineBegin; k < i; ++k) {
                    if (CCSprite* letter = shown(k)) {
                        const CGPoint at = letter->position();
                        letter->setPosition({at.x + static_cast<float>(shift), at.y});
                    }
                }
            }
        }
        lineBegin = i + 1;
    }
}

// ---------------------------------------------------------------- colour

void CCLabelBMFont::setColor(ccColor3B color)
{
    rgba_.setColor(color);
    if (CCArray* letters = children()) {
        for (Object* letter : *letters) static_cast<CCSprite*>(letter)->setColor(color);
    }
}

void CCLabelBMFont::setOpacity(uint8_t opacity)
{
    rgba_.setOpacity(opacity);
    if (CCArray* letters = children()) {
        for (Object* letter : *letters) static_cast<CCSprite*>(letter)->setOpacity(opacity);
    }
}

void CCLabelBMFont::setOpacityModifyRGB(bool modify)
{
    rgba_.setOpacityModifyRGB(modify);
    if (CCArray* letters = children()) {
        for (Object* letter : *letters) static_cast<CCSprite*>(letter)->setOpacityModifyRGB(modify);
    }
}

} // namespace mw
