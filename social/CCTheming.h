#pragma once

#include <map>
#include <optional>
#include <string>

#include "foundation/Object.h"
#include "foundation/Value.h"
#include "social/CCLumoraError.h"

namespace mw {

// The social client's theme: a zip archive "<name>.lumoratheme" in the
// bundle with one root folder of skin descriptions (JSON "<id>.ctd"), unpacked
// on demand into the caches folder "lumora_themes/<name>/<root>". This much
// of the theming service is what the session needs to activate: choosing the
// theme, checking it, reading skins and the capability list. The screens'
// drawing (colours, images, canned pages) comes with the screens. Main thread.
class CCTheming : public Object {
public:
    static CCTheming* sharedInstance();
    static void releaseSharedInstance();

    // Opens the named theme and answers the current theme's name: the new
    // one when its archive opened, else the previous one (logged).
    std::string setCurrentTheme(const std::string& name);
    const std::string& currentTheme() const { return currentTheme_; }
    // YES when a theme is current and its master skin has an entry; else the
    // error (domain "LumoraTheme": 2 "The theme is not setup", 1 "The theme
    // master dictionary data is missing").
    bool validateTheme(CCLumoraError* error);
    // A skin's JSON object, cached; null when missing or not JSON (logged).
    const Value& getSkinDescription(const std::string& skinId);
    // The theme's optional screens as a comma-separated list, built once.
    std::optional<std::string> themeCapsString();

    // "<caches>/lumora_themes" and the unpacked folder of the current theme.
    static std::string themeRootPath();
    std::string currentThemePath() const;

private:
    bool openZipTheme(const std::string& name, CCLumoraError* error);
    bool isThemeAvailableLocally(const std::string& name) const;
    std::optional<std::string> readThemeFile(const std::string& relativePath);
    bool skinHasItem(const std::string& skinId, const std::string& itemId);

    std::string currentTheme_;
    std::string rootDirectory_;
    std::map<std::string, Value> skins_;
    std::optional<std::string> caps_;
};

} // namespace mw
