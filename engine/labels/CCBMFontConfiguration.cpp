#include "engine/labels/CCBMFontConfiguration.h"

#include <climits>
#include <vector>

#include "engine/base/ccDescription.h"
#include "engine/support/CCFileUtils.h"
#include "foundation/Format.h"
#include "foundation/Log.h"

namespace mw {

namespace {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The integer a piece begins with, after any white space: 0 when it begins
// with none, clamped to the 32-bit range when it is longer.
int32_t leadingInt(std::string_view piece)
{
    size_t i = 0;
    while (i < piece.size() && isSpace(piece[i])) ++i;
    bool negative = false;
    if (i < piece.size() && (piece[i] == '-' || piece[i] == '+')) negative = piece[i++] == '-';
    int64_t value = 0;
    for (; i < piece.size() && isDigit(piece[i]); ++i) {
        value = value * 10 + (piece[i] - '0');
        if (value > int64_t{INT32_MAX} + 1) value = int64_t{INT32_MAX} + 1; // keeps the sum bounded
    }
    if (negative) value = -value;
    if (value > INT32_MAX) return INT32_MAX;
    return static_cast<int32_t>(value);
}

// The pieces between the "=" signs; piece i ends with the name of the key
// whose value begins piece i + 1.
void splitAtEquals(std::string_view line, std::vector<std::string_view>& pieces)
{
    pieces.clear();
    size_t start = 0;
    for (;;) {
        const size_t equals = line.find('=', start);
        pieces.push_back(
            line.substr(start, equals == std::string_view::npos ? std::string_view::npos : equals - start));
        if (equals == std::string_view::npos) return;
        start = equals + 1;
    }
}

// The folder part of a path, without its last separator ("" for none).
std::string_view folderOf(std::string_view path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash);
}

uint32_t kerningKey(uint16_t first, uint16_t second) { return uint32_t{first} << 16 | second; }

void skipLine(const std::string& fntFile, size_t lineNumber, const char* why)
{
    logLine("CCBMFontConfiguration: %s line %zu %s; skipped", fntFile.c_str(), lineNumber, why);
}

} // namespace

Ref<CCBMFontConfiguration> CCBMFontConfiguration::configurationWithFNTFile(const std::string& fntFile)
{
    Ref<CCBMFontConfiguration> configuration = makeRef<CCBMFontConfiguration>();
    const std::string path = CCFileUtils::fullPathFromRelativePath(fntFile);
    std::vector<unsigned char> bytes;
    if (ccLoadFileIntoMemory(path.c_str(), bytes) < 0) {
        logLine("CCBMFontConfiguration: cannot read %s", fntFile.c_str());
        return configuration;
    }
    configuration->parseConfigFile({reinterpret_cast<const char*>(bytes.data()), bytes.size()}, fntFile);
    return configuration;
}

Ref<CCBMFontConfiguration> CCBMFontConfiguration::configurationWithFNTText(std::string_view text,
                                                                           const std::string& fntFile)
{
    Ref<CCBMFontConfiguration> configuration = makeRef<CCBMFontConfiguration>();
    configuration->parseConfigFile(text, fntFile);
    return configuration;
}

void CCBMFontConfiguration::parseConfigFile(std::string_view text, const std::string& fntFile)
{
    size_t lineNumber = 0;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find('\n', start);
        const std::string_view line =
            text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        parseLine(line, fntFile, ++lineNumber);
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
}

void CCBMFontConfiguration::parseLine(std::string_view line, const std::string& fntFile, size_t lineNumber)
{
    // Checked in this order: "chars c" also begins with "char".
    if (line.starts_with("info face") || line.starts_with("chars c") || line.starts_with("kernings count")) {
        return;
    }
    const bool common = line.starts_with("common lineHeight");
    const bool page = line.starts_with("page id");
    const bool character = line.starts_with("char");
    const bool kerning = line.starts_with("kerning first");
    if (!common && !page && !character && !kerning) return;

    std::vector<std::string_view> pieces;
    splitAtEquals(line, pieces);
    if (common) {
        // lineHeight, then base, scaleW, scaleH and pages, which nothing uses.
        if (pieces.size() < 2) return skipLine(fntFile, lineNumber, "has no line height");
        const int32_t height = leadingInt(pieces[1]);
        if (height < 0) return skipLine(fntFile, lineNumber, "gives a negative line height");
        commonHeight_ = static_cast<uint32_t>(height);
    } else if (page) {
        // id, then file="name".
        if (pieces.size() < 3) return skipLine(fntFile, lineNumber, "names no file");
        const std::string_view quoted = pieces[2];
        const size_t open = quoted.find('"');
        if (open == std::string_view::npos) return skipLine(fntFile, lineNumber, "has no quoted file name");
        const size_t close = quoted.find('"', open + 1);
        const std::string_view name = quoted.substr(
            open + 1, close == std::string_view::npos ? std::string_view::npos : close - open - 1);
        if (name.empty()) return skipLine(fntFile, lineNumber, "has an empty file name");
        const std::string_view folder = folderOf(fntFile);
        atlasName_ = folder.empty() ? std::string(name) : std::string(folder) + "/" + std::string(name);
    } else if (character) {
        // id, x, y, width, height, xoffset, yoffset, xadvance (page and chnl unused).
        if (pieces.size() < 9) return skipLine(fntFile, lineNumber, "has fewer than eight values");
        const size_t space = pieces[1].find(' ');
        if (space == std::string_view::npos) {
            return skipLine(fntFile, lineNumber, "has no space after the character code");
        }
        ccBMFontDef definition;
        definition.charID = static_cast<uint32_t>(leadingInt(pieces[1].substr(0, space)));
        definition.rect = {
            static_cast<float>(leadingInt(pieces[2])), static_cast<float>(leadingInt(pieces[3])),
            static_cast<float>(leadingInt(pieces[4])), static_cast<float>(leadingInt(pieces[5]))};
        definition.xOffset = leadingInt(pieces[6]);
        definition.yOffset = leadingInt(pieces[7]);
        definition.xAdvance = leadingInt(pieces[8]);
        definitions_.insert_or_assign(definition.charID, definition);
    } else {
        // first, second, amount.
        if (pieces.size() < 4) return skipLine(fntFile, lineNumber, "has fewer than three values");
        const int32_t first = leadingInt(pieces[1]);
        const int32_t second = leadingInt(pieces[2]);
        // Labels look pairs up by 16-bit character codes; a pair of codes
        // beyond them can never apply (and must not alias one that can).
        if (first < 0 || first > 0xFFFF || second < 0 || second > 0xFFFF) return;
        kerning_.insert_or_assign(kerningKey(static_cast<uint16_t>(first), static_cast<uint16_t>(second)),
                                  leadingInt(pieces[3]));
    }
}

const ccBMFontDef* CCBMFontConfiguration::definition(uint32_t charID) const
{
    const auto found = definitions_.find(charID);
    return found == definitions_.end() ? nullptr : &found->second;
}

int32_t CCBMFontConfiguration::kerningAmount(uint16_t first, uint16_t second) const
{
    if (kerning_.empty()) return 0;
    const auto found = kerning_.find(kerningKey(first, second));
    return found == kerning_.end() ? 0 : found->second;
}

std::string CCBMFontConfiguration::description() const
{
    return format("<%s = %s | Kernings:%d | Image = %s>", ccClassName(typeid(*this)).c_str(),
                  ccAddressString(this).c_str(), static_cast<int>(kerning_.size()), atlasName_.c_str());
}

} // namespace mw
