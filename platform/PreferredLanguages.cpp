#include "platform/PreferredLanguages.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>

namespace mw {

namespace {

// "de_DE.UTF-8@euro" -> "de"; empty for an empty name.
std::string languageOf(std::string_view locale)
{
    const size_t end = locale.find_first_of("_.@-");
    std::string language(locale.substr(0, end));
    if (language == "C" || language == "POSIX") return "en";
    return language;
}

void addLocale(std::vector<std::string>& languages, std::string_view locale)
{
    std::string language = languageOf(locale);
    if (language.empty()) return;
    if (std::find(languages.begin(), languages.end(), language) == languages.end()) {
        languages.push_back(std::move(language));
    }
}

} // namespace

std::vector<std::string> preferredLanguages()
{
    std::vector<std::string> languages;
    if (const char* list = std::getenv("LANGUAGE")) {
        std::string_view rest(list);
        for (size_t colon = rest.find(':');; colon = rest.find(':')) {
            addLocale(languages, rest.substr(0, colon));
            if (colon == std::string_view::npos) break;
            rest.remove_prefix(colon + 1);
        }
    }
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        if (const char* locale = std::getenv(variable); locale && *locale) {
            addLocale(languages, locale);
            break;
        }
    }
    return languages;
}

} // namespace mw
