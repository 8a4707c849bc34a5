#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace mw {

// Which kind of device a file was chosen for. Stored with textures; 0 means the
// texture was not made from a file (raw data or text).
enum ccResolutionType : int32_t {
    kCCResolutionUnknown = 0,
    kCCResolutioniPhone = 1,
    kCCResolutioniPhoneRetinaDisplay = 2,
    kCCResolutioniPad = 3,
    kCCResolutioniPadRetinaDisplay = 4,
};

// What the file utilities need to know about the device: whether it is a
// tablet and its content scale factor (2 means high resolution). By default
// the platform's current device profile and the engine's content scale factor
// answer; CCFileUtils::setDeviceQuery replaces them (tests pose as devices).
struct CCFileUtilsDevice {
    bool isTablet = false;
    float contentScaleFactor = 1.0f;
};

// Turns resource names into full paths inside the bundle and tells which
// device resolution a file was chosen for. All operations are static; the
// class-wide state (suffixes, bundle folder, device query) is written at
// start-up on the main thread and only read afterwards (also from the texture
// loader thread), so it takes no lock.
//
// A device suffix ("-hd", "-ipad"...) is tried before the plain name. All
// three suffixes start empty, so by default every path is used as given and
// the resolution type depends on the device alone.
class CCFileUtils {
public:
    CCFileUtils() = delete;

    // Existence of the suffixed variant of path for each device kind.
    static bool iPadRetinaDisplayFileExistsAtPath(const std::string& path);
    static bool iPadFileExistsAtPath(const std::string& path);
    static bool iPhoneRetinaDisplayFileExistsAtPath(const std::string& path);
    // True when the suffixed variant of the bundle-resolved path exists; with an
    // empty suffix true for every path without touching the file system.
    static bool fileExistsAtPath(const std::string& path, const std::string& suffix);

    static void setiPadRetinaDisplaySuffix(const std::string& suffix);
    static void setiPadSuffix(const std::string& suffix);
    static void setiPhoneRetinaDisplaySuffix(const std::string& suffix);

    // Strips the current device's suffix from the last path component.
    static std::string removeSuffixFromFile(const std::string& path);
    // Removes every occurrence of suffix from the last path component.
    static std::string removeSuffix(const std::string& suffix, const std::string& path);

    // Full path of a resource: relative names are looked up in the bundle
    // (a name the bundle does not hold comes back as given), then the device's
    // suffixed variant is preferred when it exists.
    static std::string fullPathFromRelativePath(const std::string& relPath);
    static std::string fullPathFromRelativePath(const std::string& relPath, ccResolutionType* resolutionType);

    // path with suffix inserted before its extension (".pvr.gz" and ".pvr.ccz"
    // count as one extension) when that file exists; nullopt when it does not.
    // An empty suffix, or a path whose name already carries it, gives path.
    static std::optional<std::string> getPath(const std::string& path, const std::string& suffix);

    // The bundle folder that relative names resolve in. Defaults to the
    // program's bundle folder (Paths::bundleDirectory) on first use.
    static void setBundlePath(const std::string& folder);
    static std::string bundlePath();

    // Replaces the device query (null restores the default).
    static void setDeviceQuery(std::function<CCFileUtilsDevice()> query);
    static CCFileUtilsDevice currentDevice();

private:
    static std::string bundleLookup(const std::string& path);
};

// Reads a whole file into out (exactly its size, no terminator). Returns the
// size, or -1 when the file cannot be opened or read completely (out is then
// empty).
[[nodiscard]] int64_t ccLoadFileIntoMemory(const char* path, std::vector<unsigned char>& out);

} // namespace mw
