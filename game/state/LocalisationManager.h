#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <map>

#include "foundation/Object.h"

namespace mw {

// Every text the game shows, in the one language chosen when the manager is
// made: English, German or Polish. The texts come from the string table, a
// bundled file of rows "key|en|de|pl" (a header row first, a line feed after
// every row), loaded once at start-up; screens ask for them by key.
//
// The language: the user default "lang_key" 2, 3 or 4 picks "en", "de" or
// "pl"; 0 (or no value) and 1 take the first preferred language of the
// environment; anything else, and a language the table lacks, gives "en".
// Creating the manager logs the analytics event "Language".
class LocalisationManager : public Object {
public:
    LocalisationManager();

    // The one manager, made on first use.
    static LocalisationManager* sharedInstance();

    // Builds the table from the bundled file of that name ("stringdb.csv").
    // A file that cannot be read leaves the table empty (logged).
    void parseCSVFile(const std::string& file);
    // Builds the table from the file's bytes. The encoding is detected: a
    // UTF-16 or UTF-8 byte-order mark, else UTF-8 when the bytes are valid
    // UTF-8, else Latin-1. Rows are split at each line feed (a carriage
    // return before it is dropped); the first row and whatever follows the
    // last line feed are never read. Fields are split at "|"; a field longer
    // than two characters loses its first and last character (its quotes). A
    // row without the chosen language's field is skipped (logged once per
    // table). A later row with the same key wins.
    void parseCSVData(std::string_view bytes);

    // The text for the key, or "NO STRING".
    std::string getValue(std::string_view key) const;

    const std::string& getLang() const { return currentLanguage; }
    // Takes effect with the next parse, which reads that language's column.
    void setLang(std::string language) { currentLanguage = std::move(language); }
    // The column of the current language: 0 English, 1 German, 2 Polish; a
    // language the table lacks reads the English one. Follows getLang().
    int32_t LangType() const;

    std::string currentLanguage; // "en", "de" or "pl" (the one record of the language)
    std::map<std::string, std::string, std::less<>> dictionary; // key to text in the chosen language
};

} // namespace mw
