#include "game/state/LocalisationManager.h"

#include <vector>

#include "analytics/TallyAnalytics.h"
#include "foundation/AtomicFile.h"
#include "foundation/Log.h"
#include "foundation/Paths.h"
#include "foundation/Shared.h"
#include "foundation/UserDefaults.h"
#include "foundation/Utf16.h"
#include "foundation/Utf8.h"
#include "platform/PreferredLanguages.h"

namespace mw {

namespace {

constexpr const char* kLanguages[] = {"en", "de", "pl"};
constexpr const char* kMissing = "NO STRING";

std::string chosenLanguage()
{
    const int64_t choice = UserDefaults::standardUserDefaults().integerForKey("lang_key");
    std::string code;
    if (choice >= 2 && choice <= 4) {
        code = kLanguages[choice - 2];
    } else if (choice == 0 || choice == 1) {
        const std::vector<std::string> preferred = preferredLanguages();
        if (!preferred.empty()) code = preferred.front();
    }
    for (const char* language : kLanguages) {
        if (code == language) return code;
    }
    return kLanguages[0];
}

std::string decodeText(std::string_view bytes)
{
    auto startsWith = [&bytes](std::string_view mark) { return bytes.substr(0, mark.size()) == mark; };
    if (startsWith("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    const bool littleEndian = startsWith("\xFF\xFE");
    if (littleEndian || startsWith("\xFE\xFF")) {
        std::u16string units;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
            const auto low = static_cast<unsigned char>(bytes[littleEndian ? i : i + 1]);
            const auto high = static_cast<unsigned char>(bytes[littleEndian ? i + 1 : i]);
            units.push_back(static_cast<char16_t>(high << 8 | low));
        }
        return utf16ToUtf8(units);
    }
    if (isValidUtf8(bytes)) return std::string(bytes);
    std::string text;
    for (char byte : bytes) appendUtf8(text, static_cast<unsigned char>(byte));
    return text;
}

// A field longer than two characters without its first and last character.
std::string_view stripped(std::string_view field)
{
    if (utf16Length(field) <= 2) return field;
    size_t afterFirst = 0;
    nextCodePoint(field, afterFirst);
    size_t last = field.size() - 1;
    while (last > afterFirst && (static_cast<unsigned char>(field[last]) & 0xC0) == 0x80) --last;
    return field.substr(afterFirst, last - afterFirst);
}

std::vector<std::string_view> split(std::string_view text, char separator)
{
    std::vector<std::string_view> pieces;
    for (size_t start = 0;;) {
        const size_t end = text.find(separator, start);
        pieces.push_back(
            text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos) return pieces;
        start = end + 1;
    }
}

} // namespace

LocalisationManager::LocalisationManager() : currentLanguage(chosenLanguage())
{
    TallyAnalytics::logEvent("Language", {{"Language", currentLanguage}});
}

int32_t LocalisationManager::LangType() const
{
    for (int32_t index = 0; index < 3; ++index) {
        if (currentLanguage == kLanguages[index]) return index;
    }
    return 0;
}

LocalisationManager* LocalisationManager::sharedInstance()
{
    return Shared<LocalisationManager>::get();
}

void LocalisationManager::parseCSVFile(const std::string& file)
{
    const std::vector<std::string_view> parts = split(file, '.');
    std::string name(parts[0]);
    if (parts.size() > 1) name += "." + std::string(parts[1]);
    const std::string path = Paths::pathForResource(name);
    std::vector<uint8_t> bytes;
    std::string error = "not in the bundle";
    if (path.empty() || !AtomicFile::read(path, bytes, &error)) {
        logLine("LocalisationManager: %s: %s; every text reads \"%s\"", name.c_str(), error.c_str(),
                kMissing);
        dictionary.clear();
        return;
    }
    parseCSVData(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

void LocalisationManager::parseCSVData(std::string_view bytes)
{
    const std::string text = decodeText(bytes);
    const std::vector<std::string_view> rows = split(text, '\n');
    dictionary.clear();
    const size_t column = static_cast<size_t>(LangType()) + 1;
    int skipped = 0;
    for (size_t row = 1; row + 1 < rows.size(); ++row) {
        std::string_view line = rows[row];
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty()) continue;
        const std::vector<std::string_view> fields = split(line, '|');
        if (fields.size() <= column) {
            ++skipped;
            continue;
        }
        dictionary.insert_or_assign(std::string(stripped(fields[0])), std::string(stripped(fields[column])));
    }
    if (skipped > 0) {
        logLine("LocalisationManager: %d row(s) of the string table have no \"%s\" text; skipped", skipped,
                currentLanguage.c_str());
    }
}

std::string LocalisationManager::getValue(std::string_view key) const
{
    auto found = dictionary.find(key);
    return found == dictionary.end() ? std::string(kMissing) : found->second;
}

} // namespace mw
