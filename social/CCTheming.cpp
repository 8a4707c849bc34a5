#include "social/CCTheming.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "foundation/Log.h"
#include "foundation/Paths.h"
#include "foundation/Shared.h"
#include "social/CCLumoraLog.h"
#include "social/support/CCJSON.h"
#include "social/support/CCZipFile.h"

namespace mw {

namespace {

CCLumoraError themeError(int code, const char* text, std::string path = {})
{
    return CCLumoraError {"Lumora", code, text, std::move(path)};
}

} // namespace

CCTheming* CCTheming::sharedInstance() { return Shared<CCTheming>::get(); }

void CCTheming::releaseSharedInstance() { Shared<CCTheming>::purge(); }

std::string CCTheming::themeRootPath() { return Paths::cachesPath("lumora_themes"); }

std::string CCTheming::currentThemePath() const
{
    if (currentTheme_.empty()) return std::string();
    return Paths::join(Paths::join(themeRootPath(), currentTheme_), rootDirectory_);
}

bool CCTheming::isThemeAvailableLocally(const std::string& name) const
{
    std::error_code ignored;
    return std::filesystem::is_directory(Paths::join(themeRootPath(), name), ignored) && !rootDirectory_.empty();
}

bool CCTheming::openZipTheme(const std::string& name, CCLumoraError* error)
{
    const std::string archivePath = Paths::join(Paths::bundleDirectory(), name + ".lumoratheme");
    Paths::createDirectories(Paths::join(themeRootPath(), name));
    if (!Paths::fileExists(archivePath)) {
        if (error) *error = themeError(1, "Unable to find theme file", archivePath);
        return false;
    }
    CCZipFile zip;
    if (!zip.UnzipOpenFile(archivePath)) {
        if (error) *error = themeError(1, "Unable to open theme file", archivePath);
        return false;
    }
    rootDirectory_ = zip.rootDirectory();
    skins_.clear();
    caps_.reset();
    return true;
}

std::string CCTheming::setCurrentTheme(const std::string& name)
{
    if (name == currentTheme_) return currentTheme_;
    CCLumoraError error;
    if (openZipTheme(name, &error)) {
        currentTheme_ = name;
    } else {
        logLine("%s Unable to open the zip for theme '%s' - %s %s", kLumoraError, name.c_str(),
                error.localizedDescription.c_str(), error.filePath.c_str());
    }
    return currentTheme_;
}

std::optional<std::string> CCTheming::readThemeFile(const std::string& relativePath)
{
    if (currentTheme_.empty()) return std::nullopt;
    const std::string path = Paths::join(currentThemePath(), relativePath);
    if (!Paths::fileExists(path)) {
        CCZipFile zip;
        const std::string archivePath = Paths::join(Paths::bundleDirectory(), currentTheme_ + ".lumoratheme");
        const std::string entry = rootDirectory_.empty() ? relativePath : rootDirectory_ + "/" + relativePath;
        if (!zip.UnzipOpenFile(archivePath) ||
            !zip.UnzipSpecifiedFile(entry, Paths::join(themeRootPath(), currentTheme_), false)) {
            return std::nullopt;
        }
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

const Value& CCTheming::getSkinDescription(const std::string& skinId)
{
    if (currentTheme_.empty()) return Value::null();
    auto cached = skins_.find(skinId);
    if (cached != skins_.end()) return cached->second;
    std::optional<std::string> text = readThemeFile(skinId + ".ctd");
    if (!text || text->empty()) return Value::null();
    CCJSON json;
    JsonError error;
    std::optional<Value> parsed = json.objectWithString(*text, &error);
    if (!parsed || !parsed->isDict()) {
        logLine("%s [CCTheming] Unable to decode JSON data from %s\n%s", kLumoraError, skinId.c_str(),
                error.message.c_str());
        return Value::null();
    }
    return skins_.emplace(skinId, std::move(*parsed)).first->second;
}

bool CCTheming::validateTheme(CCLumoraError* error)
{
    if (currentTheme_.empty()) {
        if (error) *error = CCLumoraError {"LumoraTheme", 2, "The theme is not setup", {}};
        return false;
    }
    if (getSkinDescription("master").empty()) {
        if (error) *error = CCLumoraError {"LumoraTheme", 1, "The theme master dictionary data is missing", {}};
        return false;
    }
    return true;
}

bool CCTheming::skinHasItem(const std::string& skinId, const std::string& itemId)
{
    const Value& items = getSkinDescription(skinId)["items"];
    if (!items.isArray()) return false;
    for (const Value& item : items.asArray()) {
        if (item["id"].isString() && item["id"].stringView() == itemId) return true;
    }
    return false;
}

std::optional<std::string> CCTheming::themeCapsString()
{
    if (caps_) return caps_;
    if (currentTheme_.empty()) return std::nullopt;
    std::string caps;
    auto add = [&caps](bool present, const char* entry) {
        if (present) caps += std::string(entry) + ",";
    };
    add(!getSkinDescription("form_switchpicturetwoline").isNull(), "form_switchpicturetwoline");
    add(skinHasItem("globalnav_landscape", "giftingtab") || skinHasItem("globalnav_portrait", "giftingtab"),
        "giftingtab");
    add(skinHasItem("globalnav_landscape", "challengestab") || skinHasItem("globalnav_portrait", "challengestab"),
        "challengestab");
    add(skinHasItem("find_friends_images", "contacts_find_friend"), "findfriendsimages");
    add(!getSkinDescription("group_footer").isNull(), "groupfooterimage");
    if (!caps.empty()) caps.pop_back();
    caps_ = caps;
    return caps_;
}

} // namespace mw
