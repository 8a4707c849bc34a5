#include "social/CCTheming.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <system_error>

#include "foundation/AtomicFile.h"
#include "foundation/Log.h"
#include "foundation/Paths.h"
#include "foundation/RunLoop.h"
#include "foundation/Shared.h"
#include "platform/DeviceProfile.h"
#include "platform/HTTPTransport.h"
#include "platform/Image.h"
#include "social/CCLumoraLog.h"
#include "social/CCPrivateSession.h"
#include "social/records/CCServerRecords.h"
#include "social/support/CCJSON.h"
#include "social/support/CCZipFile.h"

namespace mw {

namespace {

CCLumoraError themeError(int code, const char* text, std::string path = {})
{
    return CCLumoraError {"Lumora", code, text, std::move(path)};
}

bool isHexDigits(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); });
}

float hexPair(std::string_view text, size_t at)
{
    return static_cast<float>(std::stoi(std::string(text.substr(at, 2)), nullptr, 16)) / 255.0f;
}

std::string readFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// "<size> <mtime seconds>.<nanoseconds>" of a file; empty when it is not there.
std::string archiveStamp(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return {};
    return std::to_string(static_cast<long long>(info.st_size)) + " " +
           std::to_string(static_cast<long long>(info.st_mtim.tv_sec)) + "." +
           std::to_string(static_cast<long long>(info.st_mtim.tv_nsec));
}

// Half the width and height, each output pixel the mean of the 2x2 block
// under it (premultiplied, so transparent edges do not darken).
Ref<Image> halveImage(const Image& source)
{
    const int width = std::max(1, source.width() / 2);
    const int height = std::max(1, source.height() / 2);
    const std::vector<uint8_t>& in = source.pixels();
    const bool mask = in.size() == static_cast<size_t>(source.width()) * static_cast<size_t>(source.height());
    std::vector<uint8_t> out(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    auto pixel = [&](int x, int y, float rgba[4]) {
        x = std::min(x, source.width() - 1);
        y = std::min(y, source.height() - 1);
        const size_t at = static_cast<size_t>(y) * static_cast<size_t>(source.width()) + static_cast<size_t>(x);
        if (mask) {
            rgba[0] = rgba[1] = rgba[2] = 0;
            rgba[3] = in[at] / 255.0f;
            return;
        }
        const float alpha = source.hasAlpha() ? in[at * 4 + 3] / 255.0f : 1.0f;
        const bool premultiplied = source.alphaInfo() == ImageAlphaInfo::PremultipliedLast ||
                                   source.alphaInfo() == ImageAlphaInfo::PremultipliedFirst;
        for (int c = 0; c < 3; ++c) rgba[c] = in[at * 4 + c] / 255.0f * (premultiplied ? 1.0f : alpha);
        rgba[3] = alpha;
    };
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            float sum[4] = {0, 0, 0, 0};
            for (int dy = 0; dy < 2; ++dy) {
                for (int dx = 0; dx < 2; ++dx) {
                    float rgba[4];
                    pixel(x * 2 + dx, y * 2 + dy, rgba);
                    for (int c = 0; c < 4; ++c) sum[c] += rgba[c];
                }
            }
            uint8_t* o = &out[(static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 4];
            const float alpha = sum[3] / 4;
            for (int c = 0; c < 3; ++c) {
                const float straight = alpha > 0 ? (sum[c] / 4) / alpha : 0;
                o[c] = static_cast<uint8_t>(std::lround(std::clamp(straight, 0.0f, 1.0f) * 255));
            }
            o[3] = static_cast<uint8_t>(std::lround(alpha * 255));
        }
    }
    return Image::fromRGBA(std::move(out), width, height, ImageAlphaInfo::Last);
}

} // namespace

CCTheming* CCTheming::sharedInstance() { return Shared<CCTheming>::get(); }

void CCTheming::releaseSharedInstance() { Shared<CCTheming>::purge(); }

std::string CCTheming::themeRootPath() { return Paths::cachesPath("lumora_themes"); }

std::string CCTheming::currentThemePath() const
{
    if (currentTheme_.empty() || currentThemeIsHttp_) return std::string();
    return Paths::join(Paths::join(themeRootPath(), currentTheme_), rootDirectory_);
}

std::string CCTheming::archivePath(const std::string& name) const
{
    return Paths::join(Paths::bundleDirectory(), name + ".lumoratheme");
}

bool CCTheming::isThemeAvailableLocally(const std::string& name) const
{
    std::error_code ignored;
    return std::filesystem::is_directory(Paths::join(themeRootPath(), name), ignored) && !rootDirectory_.empty();
}

bool CCTheming::isSafeThemePath(const std::string& relativePath)
{
    if (relativePath.empty() || relativePath.front() == '/' || relativePath.front() == '\\') return false;
    if (relativePath.size() > 1 && relativePath[1] == ':') return false;
    size_t start = 0;
    while (start <= relativePath.size()) {
        size_t end = relativePath.find_first_of("/\\", start);
        if (end == std::string::npos) end = relativePath.size();
        if (relativePath.compare(start, end - start, "..") == 0) return false;
        start = end + 1;
    }
    return relativePath.find('\0') == std::string::npos;
}

void CCTheming::dropStaleUnpackedTheme(const std::string& name)
{
    const std::string stampPath = Paths::join(themeRootPath(), name + ".archive");
    const std::string stamp = archiveStamp(archivePath(name));
    const std::string folder = Paths::join(themeRootPath(), name);
    std::error_code ignored;
    if (std::filesystem::exists(folder, ignored) && readFile(stampPath) != stamp) {
        logLine("[CCTheming] The archive of theme '%s' changed; its unpacked files go", name.c_str());
        std::filesystem::remove_all(folder, ignored);
    }
    if (!stamp.empty() && readFile(stampPath) != stamp) {
        Paths::createDirectories(themeRootPath());
        (void)AtomicFile::write(stampPath, stamp);
    }
}

bool CCTheming::openZipTheme(const std::string& name, CCLumoraError* error)
{
    const std::string path = archivePath(name);
    if (!Paths::fileExists(path)) {
        if (error) *error = themeError(1, "Unable to find theme file", path);
        return false;
    }
    CCZipFile zip;
    if (!zip.UnzipOpenFile(path)) {
        if (error) *error = themeError(1, "Unable to open theme file", path);
        return false;
    }
    dropStaleUnpackedTheme(name);
    Paths::createDirectories(Paths::join(themeRootPath(), name));
    rootDirectory_ = zip.rootDirectory();
    return true;
}

std::string CCTheming::setCurrentTheme(const std::string& name)
{
    if (name == currentTheme_) return currentTheme_;
    if (name.rfind("http://", 0) == 0) {
        forgetThemeLookups();
        currentThemeIsHttp_ = true;
        currentTheme_ = name;
        return currentTheme_;
    }
    CCLumoraError error;
    if (openZipTheme(name, &error)) {
        if (name != currentTheme_) forgetThemeLookups();
        currentTheme_ = name;
        currentThemeIsHttp_ = false;
    } else {
        logLine("%s Unable to open the zip for theme '%s' - %s %s", kLumoraError, name.c_str(),
                error.localizedDescription.c_str(), error.filePath.c_str());
    }
    return currentTheme_;
}

bool CCTheming::validateTheme(CCLumoraError* error)
{
    if (currentTheme_.empty()) {
        if (error) *error = CCLumoraError {"LumoraTheme", 2, "The theme is not setup", {}};
        return false;
    }
    if (getMasterDictionary().empty()) {
        if (error) *error = CCLumoraError {"LumoraTheme", 1, "The theme master dictionary data is missing", {}};
        return false;
    }
    return true;
}

// ---- files and skins ----

void CCTheming::forgetThemeLookups()
{
    images_.clear();
    imageBytes_ = 0;
    absentEntries_.clear();
}

bool CCTheming::unzipThemeItemToLocalStore(const std::string& entryPath, CCLumoraError* error)
{
    note("extract " + entryPath);
    CCZipFile zip;
    const bool opened = zip.UnzipOpenFile(archivePath(currentTheme_));
    // Screens ask for optional skins and pictures on every page; an entry
    // the archive lacks is found missing once, not by a scan of the archive
    // each time.
    if (opened && !zip.hasEntry(entryPath, false)) absentEntries_.insert(entryPath);
    if (!opened || !zip.UnzipSpecifiedFile(entryPath, Paths::join(themeRootPath(), currentTheme_), false)) {
        if (error) *error = themeError(1, "Unable to unzip theme file", entryPath);
        return false;
    }
    return true;
}

std::optional<std::string> CCTheming::getDataFromThemeForFilePath(const std::string& relativePath, bool autoUnzip)
{
    if (currentTheme_.empty()) return std::nullopt;
    if (!isSafeThemePath(relativePath)) {
        logLine("%s [CCTheming] Refused theme path '%s'", kLumoraError, relativePath.c_str());
        return std::nullopt;
    }
    if (currentThemeIsHttp_) {
        HTTPRequest request;
        request.url = currentTheme_ + "/" + relativePath;
        note("read " + request.url);
        HTTPResponse response = HTTPTransport::sharedInstance()->send(request);
        if (!response.error.empty() || response.status != 200) return std::nullopt;
        return std::string(response.body.begin(), response.body.end());
    }
    const std::string path = Paths::join(currentThemePath(), relativePath);
    if (!Paths::fileExists(path)) {
        if (!autoUnzip) return std::nullopt;
        const std::string entry = rootDirectory_.empty() ? relativePath : rootDirectory_ + "/" + relativePath;
        if (absentEntries_.count(entry)) return std::nullopt;
        if (!unzipThemeItemToLocalStore(entry, nullptr) || !Paths::fileExists(path)) return std::nullopt;
    }
    note("read " + relativePath);
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
    std::optional<std::string> text = getDataFromThemeForFilePath(skinId + ".ctd");
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

bool CCTheming::replaceCachedSkinDescription(const std::string& skinId, Value skin)
{
    auto cached = skins_.find(skinId);
    if (cached == skins_.end()) return false;
    cached->second = std::move(skin);
    return true;
}

const Value& CCTheming::itemForId(const std::string& itemId, const Value& skin)
{
    for (const Value& item : skin["items"].asArray()) {
        if (item["id"].isString() && item["id"].stringView() == itemId) return item;
    }
    return Value::null();
}

bool CCTheming::itemIsStretchy(const Value& skin)
{
    for (const Value& item : skin["items"].asArray()) {
        if (item["type"].stringView() == "stretchytext") return true;
    }
    return false;
}

CGRect CCTheming::dimensionsFromItem(const Value& item)
{
    const float infinity = std::numeric_limits<float>::infinity();
    return CGRect {item.contains("x") ? item["x"].asFloat() : infinity,
                   item.contains("y") ? item["y"].asFloat() : infinity, item["w"].asFloat(), item["h"].asFloat()};
}

// ---- colours ----

std::optional<FillColor> CCTheming::uiColorFromRGBString(const std::string& text)
{
    // Red, green and blue are the first six characters whatever follows;
    // alpha is read only from a text of exactly eight.
    const size_t read = text.size() == 8 ? 8 : 6;
    if (text.size() < 6 || !isHexDigits(std::string_view(text).substr(0, read))) return std::nullopt;
    FillColor colour {hexPair(text, 0), hexPair(text, 2), hexPair(text, 4), 1.0f};
    if (read == 8) colour.a = hexPair(text, 6);
    return colour;
}

std::optional<FillColor> CCTheming::getMasterConfigShortcutColorFromId(const std::string& key)
{
    const Value& value = getMasterDictionary()[key];
    if (!value.isString()) return std::nullopt;
    return uiColorFromRGBString(value.asString());
}

std::optional<FillColor> CCTheming::uiColorFromString(const std::string& text)
{
    if (getMasterDictionary().contains(text)) return getMasterConfigShortcutColorFromId(text);
    return uiColorFromRGBString(text);
}

std::optional<FillColor> CCTheming::getMasterConfigTableBackgroundColour()
{
    return uiColorFromString(getMasterDictionary()["tablebackgroundcolor"].asString());
}

std::optional<FillColor> CCTheming::getMasterConfigTableHeaderColour()
{
    return uiColorFromString(getMasterDictionary()["tablegroupheadercolor"].asString());
}

std::optional<FillColor> CCTheming::getMasterConfigTableItemSeparatorColor()
{
    return uiColorFromString(getMasterDictionary()["tableitemseparatorcolor"].asString());
}

int CCTheming::getMasterConfigTableSeparatorStyle()
{
    return getMasterDictionary()["tableitemshaveseparator"].asInt() == 1 ? 1 : 0;
}

int CCTheming::getMasterConfigTableHeaderHeight() { return getMasterDictionary()["tablegroupheaderheight"].asInt(); }

int CCTheming::getMasterConfigScrollIndicatorStyle()
{
    const Value& value = getMasterDictionary()["tablescrollindicatorcolor"];
    return value.isNull() || value.stringView() == "white" ? 2 : 1;
}

// ---- images ----

std::string CCTheming::at2xStringFromPath(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path + "@2x";
    return path.substr(0, dot) + "@2x" + path.substr(dot);
}

bool CCTheming::deviceIsDoubleResolution()
{
    if (doubleResolution_ == 0) doubleResolution_ = DeviceProfile::current().scale == 2.0f ? 2 : 1;
    return doubleResolution_ == 2;
}

Ref<Image> CCTheming::doGetImageFromPath(const std::string& path, bool autoUnzip)
{
    if (path.empty()) return nullptr;
    std::optional<std::string> bytes = getDataFromThemeForFilePath(path, autoUnzip);
    if (!bytes || bytes->empty()) return nullptr;
    return Image::decode(reinterpret_cast<const uint8_t*>(bytes->data()), bytes->size(), path);
}

// Lookup order. Double resolution: "@2x" then plain from the unpacked folder,
// then both again extracting. Normal: plain unpacked; else "@2x" extracting;
// else plain extracting. An "@2x" found on a normal screen is written at half
// size under the plain name (once, on the next turn), so later lookups and
// later runs find the plain file first; that answer is not kept, so the
// next lookup takes the half-size one.
Ref<Image> CCTheming::lookUpImage(const std::string& path, bool* keep)
{
    *keep = true;
    const std::string doublePath = at2xStringFromPath(path);
    if (deviceIsDoubleResolution()) {
        if (Ref<Image> image = doGetImageFromPath(doublePath, false)) return image;
        if (Ref<Image> image = doGetImageFromPath(path, false)) return image;
        if (Ref<Image> image = doGetImageFromPath(doublePath, true)) return image;
        return doGetImageFromPath(path, true);
    }
    if (Ref<Image> image = doGetImageFromPath(path, false)) return image;
    if (Ref<Image> image = doGetImageFromPath(doublePath, true)) {
        *keep = false;
        std::string lower = path;
        std::transform(lower.begin(), lower.end(), lower.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (lower.find("png") != std::string::npos && !currentThemeIsHttp_) {
            Ref<CCTheming> self(this);
            RunLoop::main().perform([self, path, doublePath] { self->resizeThemeImage(path, doublePath); });
        }
        return image;
    }
    return doGetImageFromPath(path, true);
}

Ref<Image> CCTheming::getImageFromPath(const std::string& sourcePath)
{
    std::string path = sourcePath;
    const size_t scheme = path.find("theme://");
    if (scheme != std::string::npos) path.erase(scheme, 8);
    if (path.empty() || currentTheme_.empty()) return nullptr;
    const std::string key = (deviceIsDoubleResolution() ? "2 " : "1 ") + path;
    if (auto cached = images_.find(key); cached != images_.end()) {
        cached->second.lastUse = ++imageUses_;
        return cached->second.image;
    }
    bool keep = false;
    Ref<Image> image = lookUpImage(path, &keep);
    if (image && keep) keepImage(key, image);
    return image;
}

void CCTheming::keepImage(const std::string& key, const Ref<Image>& image)
{
    const size_t bytes = image->pixels().size();
    if (bytes > imageCacheLimit_) return;
    trimImageCache(imageCacheLimit_ - bytes);
    images_[key] = CachedImage {image, bytes, ++imageUses_};
    imageBytes_ += bytes;
}

void CCTheming::trimImageCache(size_t limit)
{
    while (imageBytes_ > limit && !images_.empty()) {
        auto oldest = std::min_element(images_.begin(), images_.end(), [](const auto& a, const auto& b) {
            return a.second.lastUse < b.second.lastUse;
        });
        imageBytes_ -= oldest->second.bytes;
        images_.erase(oldest);
    }
}

void CCTheming::setImageCacheLimit(size_t bytes)
{
    imageCacheLimit_ = bytes;
    trimImageCache(bytes);
}

void CCTheming::resizeThemeImage(const std::string& plainPath, const std::string& doublePath)
{
    if (currentThemeIsHttp_ || currentTheme_.empty()) return;
    const std::string folder = currentThemePath();
    if (Paths::fileExists(Paths::join(folder, plainPath))) return;
    Ref<Image> image = doGetImageFromPath(doublePath, true);
    if (!image) return;
    Ref<Image> half = halveImage(*image);
    if (!half) return;
    note("halve " + plainPath);
    const std::vector<uint8_t> png = half->encodePNG();
    const std::string target = Paths::join(folder, plainPath);
    const bool written = writer_ ? writer_(target, png) : AtomicFile::write(target, png.data(), png.size());
    if (!written) return;
    std::error_code ignored;
    std::filesystem::remove(Paths::join(folder, doublePath), ignored);
}

bool CCTheming::statusBarSkinInTheme()
{
    return hasSkin("globalstatusbar_portrait") && hasSkin("globalstatusbar_landscape");
}

Ref<Image> CCTheming::getThemeBackgroundFromPath(const std::string& skinId, const std::string& itemId)
{
    const Value& skin = getSkinDescription(skinId);
    if (skin.isNull()) return nullptr;
    const Value& item = itemForId(itemId, skin);
    if (!item["themesrc"].isString()) return nullptr;
    return getImageFromPath(item["themesrc"].asString());
}

bool CCTheming::backgroundImageInTheme()
{
    CCPrivateSession* session = CCPrivateSession::sharedInstance();
    if (session && session->isRunningOniPad()) {
        return getThemeBackgroundFromPath("ipad_background", "background").get() != nullptr;
    }
    return getThemeBackgroundFromPath("globalbackground_landscape", "background").get() != nullptr &&
           getThemeBackgroundFromPath("globalbackground_portrait", "background").get() != nullptr;
}

Ref<Image> CCTheming::getIPadBackgroundImageForTheme()
{
    return getThemeBackgroundFromPath("ipad_background", "background");
}

Ref<Image> CCTheming::getBackgroundImageForTheme(bool global)
{
    const int orientation = CCPrivateSession::sharedInstance()->currentDeviceOrientation();
    const bool landscape = orientation == 3 || orientation == 4;
    const std::string skin = std::string(global ? "globalbackground_" : "basicbackground_") +
                             (landscape ? "landscape" : "portrait");
    return getThemeBackgroundFromPath(skin, "background");
}

bool CCTheming::shouldAutorotateToInterfaceOrientationStockAnswer(int orientation)
{
    CCPrivateSession* session = CCPrivateSession::sharedInstance();
    const std::vector<int>& locks = session->deviceOrientationLockList();
    if (!locks.empty()) return std::find(locks.begin(), locks.end(), orientation) != locks.end();
    return orientation == session->currentInterfaceOrientation();
}

// ---- capabilities ----

bool CCTheming::skinHasItem(const std::string& skinId, const std::string& itemId)
{
    return !itemForId(itemId, getSkinDescription(skinId)).isNull();
}

std::optional<std::string> CCTheming::themeCapsString()
{
    if (caps_) return caps_;
    if (currentTheme_.empty()) return std::nullopt;
    std::string caps;
    auto add = [&caps](bool present, const char* entry) {
        if (present) caps += std::string(entry) + ",";
    };
    add(hasSkin("form_switchpicturetwoline"), "form_switchpicturetwoline");
    add(skinHasItem("globalnav_landscape", "giftingtab") || skinHasItem("globalnav_portrait", "giftingtab"),
        "giftingtab");
    add(skinHasItem("globalnav_landscape", "challengestab") || skinHasItem("globalnav_portrait", "challengestab"),
        "challengestab");
    add(skinHasItem("find_friends_images", "contacts_find_friend"), "findfriendsimages");
    add(hasSkin("group_footer"), "groupfooterimage");
    if (!caps.empty()) caps.pop_back();
    caps_ = caps;
    return caps_;
}

// ---- canned descriptions ----

Ref<CCUIDescription> CCTheming::uiDescriptionForElement(const Value& element, const std::string& type)
{
    Ref<CCUIDescription> description(new CCUIDescription(std::string(), 10000, 0));
    description->setMainData(Value::dictionary({{"uitype", Value(type)}, {"uidata", element}}));
    return description;
}

Ref<CCUIDescription> CCTheming::uiDescriptionForTwoButtonDialog(const std::string& title, const std::string& body,
                                                                const std::string& button1,
                                                                const std::string& button2)
{
    return uiDescriptionForElement(Value::dictionary({{"title", Value(title)},
                                                      {"body", Value(body)},
                                                      {"buttontext1", Value(button1)},
                                                      {"buttontext2", Value(button2)},
                                                      {"type", Value("dialog_twobutton")}}),
                                   "dialog_twobutton");
}

Ref<CCUIDescription> CCTheming::uiDescriptionForOneButtonDialog(const std::string& title, const std::string& body,
                                                                const std::string& button1)
{
    return uiDescriptionForElement(Value::dictionary({{"title", Value(title)},
                                                      {"body", Value(body)},
                                                      {"buttontext1", Value(button1)},
                                                      {"type", Value("dialog_onebutton")}}),
                                   "dialog_onebutton");
}

Ref<CCUIDescription> CCTheming::uiDescriptionForSplashDialog()
{
    return uiDescriptionForElement(Value::dictionary({{"type", Value("dialog_splash")}}), "dialog_splash");
}

Ref<CCUIDescription> CCTheming::uiDescriptionForPopup(const std::string& title, const std::string& body)
{
    return uiDescriptionForElement(
        Value::dictionary({{"title", Value(title)}, {"body", Value(body)}, {"type", Value("popup")}}), "popup");
}

Ref<CCUIDescription> CCTheming::uiDescriptionForFullScreenSplashAsLandscape(bool landscape)
{
    const bool pad = CCPrivateSession::sharedInstance()->isRunningOniPad();
    const std::string type = std::string(pad ? "ipad_" : "") + (landscape ? "splash_landscape" : "splash_portrait");
    return uiDescriptionForElement(Value::dictionary({{"type", Value(type)}}), type);
}

Ref<CCUIDescription> CCTheming::uiDescriptionForNoConnection()
{
    return uiDescriptionForOneButtonDialog(
        "Internet Unavailable", "\nYou are not currently connected to the Internet.\n\nPlease try again later.", "OK");
}

void CCTheming::addBackButtonBarToUiDescription(CCUIDescription* description)
{
    if (!description || description->numberOfGroups() == 0) return;
    const Value first = description->elementForItem(0, 0);
    if (first["type"].isString() && first["type"].stringView() == "back_bar") return;
    description->insertElement(Value::dictionary({{"type", Value("back_bar")}, {"backtext", Value("Back")}}), 0, 0);
}

} // namespace mw
