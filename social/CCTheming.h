#pragma once

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "foundation/Geometry.h"
#include "foundation/Object.h"
#include "foundation/Ref.h"
#include "foundation/Value.h"
#include "platform/BitmapContext.h"
#include "platform/Image.h"
#include "social/CCLumoraError.h"

namespace mw {

class CCUIDescription;

// The social client's theme: a zip archive "<name>.lumoratheme" in the
// bundle with one root folder of skin descriptions (JSON "<id>.ctd") and
// images, unpacked on demand into the caches folder
// "lumora_themes/<name>/<root>", or a remote base ("http://...") read file by
// file. Every social screen asks it for skins, colours and images, and for
// the canned descriptions of dialogs and notices. Main thread.
//
// Paths handed to it (from skins, from the server's elements, from
// "theme://" sources) are relative to the theme's root: an absolute path or
// one with a ".." component reads and extracts nothing. The unpacked folder
// remembers the archive it came from (size and modification time, in
// "lumora_themes/<name>.archive" beside it); a different archive removes the
// folder before its first lookup, so a game update never shows stale files.
class CCTheming : public Object {
public:
    static CCTheming* sharedInstance();
    static void releaseSharedInstance();

    // ---- theme selection ----
    // Opens the named theme (or takes a remote base beginning "http://") and
    // answers the current theme's name: the new one when its archive opened,
    // else the previous one (logged). The same name again does nothing.
    std::string setCurrentTheme(const std::string& name);
    const std::string& currentTheme() const { return currentTheme_; }
    bool currentThemeIsHttp() const { return currentThemeIsHttp_; }
    // YES when a theme is current and its master skin has an entry; else the
    // error (domain "LumoraTheme": 2 "The theme is not setup", 1 "The theme
    // master dictionary data is missing").
    bool validateTheme(CCLumoraError* error);

    // "<caches>/lumora_themes" and the unpacked folder of the current theme.
    static std::string themeRootPath();
    std::string currentThemePath() const;

    // ---- files and skins ----
    // A theme file's bytes; nullopt when missing, unsafe or unreadable. With
    // autoUnzip, a file not yet unpacked is extracted first.
    std::optional<std::string> getDataFromThemeForFilePath(const std::string& relativePath, bool autoUnzip = true);
    // A skin's JSON object, cached; null when missing or not JSON (logged,
    // and read again next time).
    const Value& getSkinDescription(const std::string& skinId);
    bool hasSkin(const std::string& skinId) { return !getSkinDescription(skinId).isNull(); }
    // Replaces the cached description of a skin already read (later look-ups
    // by its name answer the new one); false when it was never read.
    bool replaceCachedSkinDescription(const std::string& skinId, Value skin);
    const Value& getMasterDictionary() { return getSkinDescription("master"); }
    // The first item of the skin whose "id" is `itemId` (items without an id
    // never match); null when none.
    static const Value& itemForId(const std::string& itemId, const Value& skin);
    static bool itemIsStretchy(const Value& skin);
    // The item's "x", "y", "w", "h"; a missing x or y is +infinity, a
    // missing w or h 0.
    static CGRect dimensionsFromItem(const Value& item);

    // ---- colours ----
    // A master key's colour (one level), else the string as hex: RRGGBB
    // from its first six characters, AA only when it has exactly eight.
    // Fewer than six characters, or a read pair that is not hex, is no colour.
    std::optional<FillColor> uiColorFromString(const std::string& text);
    static std::optional<FillColor> uiColorFromRGBString(const std::string& text);
    std::optional<FillColor> getMasterConfigShortcutColorFromId(const std::string& key);
    std::optional<FillColor> getMasterConfigTableBackgroundColour();
    std::optional<FillColor> getMasterConfigTableHeaderColour();
    std::optional<FillColor> getMasterConfigTableItemSeparatorColor();
    // 1 single line, 0 none.
    int getMasterConfigTableSeparatorStyle();
    int getMasterConfigTableHeaderHeight();
    // 2 white, 1 black.
    int getMasterConfigScrollIndicatorStyle();

    // ---- images ----
    // The image at a theme path ("theme://" removed), in the screen's
    // resolution: see the lookup order in the source. Null when none.
    // Decoded images are kept (least recently used first out, within
    // imageCacheLimit() bytes of pixels) until the theme changes, so a page's
    // rows decode each picture once; images are immutable and shared.
    Ref<Image> getImageFromPath(const std::string& path);
    static constexpr size_t kDefaultImageCacheBytes = 16u << 20;
    size_t imageCacheLimit() const { return imageCacheLimit_; }
    // 0 keeps nothing; a smaller limit drops the oldest images at once.
    void setImageCacheLimit(size_t bytes);
    static std::string at2xStringFromPath(const std::string& path);
    // Worked out once from the device profile; tests may set it.
    bool deviceIsDoubleResolution();
    void setDeviceIsDoubleResolution(bool doubled) { doubleResolution_ = doubled ? 2 : 1; }

    bool statusBarSkinInTheme();
    bool backgroundImageInTheme();
    Ref<Image> getThemeBackgroundFromPath(const std::string& skinId, const std::string& itemId);
    Ref<Image> getIPadBackgroundImageForTheme();
    Ref<Image> getBackgroundImageForTheme(bool global);
    bool shouldAutorotateToInterfaceOrientationStockAnswer(int orientation);

    // ---- capabilities ----
    // The theme's optional screens as a comma-separated list, built once;
    // nullopt while no theme is current.
    std::optional<std::string> themeCapsString();

    // ---- canned descriptions ----
    static Ref<CCUIDescription> uiDescriptionForElement(const Value& element, const std::string& type);
    static Ref<CCUIDescription> uiDescriptionForTwoButtonDialog(const std::string& title, const std::string& body,
                                                               const std::string& button1,
                                                               const std::string& button2);
    static Ref<CCUIDescription> uiDescriptionForOneButtonDialog(const std::string& title, const std::string& body,
                                                               const std::string& button1);
    static Ref<CCUIDescription> uiDescriptionForSplashDialog();
    static Ref<CCUIDescription> uiDescriptionForPopup(const std::string& title, const std::string& body);
    Ref<CCUIDescription> uiDescriptionForFullScreenSplashAsLandscape(bool landscape);
    static Ref<CCUIDescription> uiDescriptionForNoConnection();
    // Puts {"type": "back_bar", "backtext": "Back"} first in group 0, unless
    // the description is null, has no groups or already starts with one.
    static void addBackButtonBarToUiDescription(CCUIDescription* description);

    // What the theme reads and extracts, one line each ("read <path>",
    // "extract <entry>", "halve <path>"), for tests. Empty: nothing is noted.
    void setTrace(std::function<void(const std::string&)> trace) { trace_ = std::move(trace); }
    // How the half-size copy of an image is written (atomically by default);
    // tests put a failing writer here.
    using FileWriter = std::function<bool(const std::string& path, const std::vector<uint8_t>& bytes)>;
    void setFileWriter(FileWriter writer) { writer_ = std::move(writer); }

    // Whether a theme-relative path stays inside the theme folder.
    static bool isSafeThemePath(const std::string& relativePath);

private:
    bool openZipTheme(const std::string& name, CCLumoraError* error);
    bool isThemeAvailableLocally(const std::string& name) const;
    std::string archivePath(const std::string& name) const;
    // Removes the unpacked folder of `name` when it came from another archive.
    void dropStaleUnpackedTheme(const std::string& name);
    bool unzipThemeItemToLocalStore(const std::string& entryPath, CCLumoraError* error);
    Ref<Image> lookUpImage(const std::string& path, bool* keep);
    void keepImage(const std::string& key, const Ref<Image>& image);
    void trimImageCache(size_t limit);
    // What a theme's lookups remember: dropped when another theme is set.
    void forgetThemeLookups();
    Ref<Image> doGetImageFromPath(const std::string& path, bool autoUnzip);
    void resizeThemeImage(const std::string& plainPath, const std::string& doublePath);
    bool skinHasItem(const std::string& skinId, const std::string& itemId);
    void note(const std::string& line) const
    {
        if (trace_) trace_(line);
    }

    std::string currentTheme_;
    bool currentThemeIsHttp_ = false;
    std::string rootDirectory_;
    int doubleResolution_ = 0; // 0 not yet known, 1 normal, 2 double
    std::map<std::string, Value> skins_;
    std::optional<std::string> caps_;
    struct CachedImage {
        Ref<Image> image;
        size_t bytes = 0;
        uint64_t lastUse = 0;
    };
    std::map<std::string, CachedImage> images_; // by resolution and theme path
    size_t imageBytes_ = 0;
    size_t imageCacheLimit_ = kDefaultImageCacheBytes;
    uint64_t imageUses_ = 0;
    // Archive entries looked for and not there: the archive does not change
    // while its theme is set, so they are not looked for again.
    std::set<std::string> absentEntries_;
    std::function<void(const std::string&)> trace_;
    FileWriter writer_;
};

} // namespace mw
