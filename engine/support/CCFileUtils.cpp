#include "engine/support/CCFileUtils.h"

#include "engine/base/ccContentScale.h"
#include "foundation/Paths.h"
#include "platform/DeviceProfile.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include <sys/stat.h>

namespace mw {

namespace {

namespace fs = std::filesystem;

struct FileUtilsState {
    std::string iPhoneRetinaSuffix;
    std::string iPadSuffix;
    std::string iPadRetinaSuffix;
    std::string bundle;
    bool bundleChosen = false;
    std::function<CCFileUtilsDevice()> deviceQuery;
};

FileUtilsState& state()
{
    static FileUtilsState s;
    return s;
}

bool fileExists(const std::string& path)
{
    std::error_code ec;
    return fs::exists(path, ec);
}

// Splits "dir/name" at the last slash; the directory part keeps its slash.
std::pair<std::string, std::string> splitLastComponent(const std::string& path)
{
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return {"", path};
    }
    return {path.substr(0, slash + 1), path.substr(slash + 1)};
}

// Extension of the last component ("" when there is none; a leading dot of a
// hidden file does not start an extension).
std::string extensionOf(const std::string& path)
{
    auto [dir, name] = splitLastComponent(path);
    size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0) {
        return "";
    }
    return name.substr(dot + 1);
}

std::string withoutExtension(const std::string& path)
{
    std::string ext = extensionOf(path);
    return ext.empty() ? path : path.substr(0, path.size() - ext.size() - 1);
}

bool isHighResolution(const CCFileUtilsDevice& device)
{
    return device.contentScaleFactor == 2.0f;
}

} // namespace

bool CCFileUtils::iPadRetinaDisplayFileExistsAtPath(const std::string& path)
{
    return fileExistsAtPath(path, state().iPadRetinaSuffix);
}

bool CCFileUtils::iPadFileExistsAtPath(const std::string& path)
{
    return fileExistsAtPath(path, state().iPadSuffix);
}

bool CCFileUtils::iPhoneRetinaDisplayFileExistsAtPath(const std::string& path)
{
    return fileExistsAtPath(path, state().iPhoneRetinaSuffix);
}

bool CCFileUtils::fileExistsAtPath(const std::string& path, const std::string& suffix)
{
    return getPath(bundleLookup(path), suffix).has_value();
}

void CCFileUtils::setiPadRetinaDisplaySuffix(const std::string& suffix) { state().iPadRetinaSuffix = suffix; }
void CCFileUtils::setiPadSuffix(const std::string& suffix) { state().iPadSuffix = suffix; }
void CCFileUtils::setiPhoneRetinaDisplaySuffix(const std::string& suffix) { state().iPhoneRetinaSuffix = suffix; }

std::string CCFileUtils::removeSuffixFromFile(const std::string& path)
{
    CCFileUtilsDevice device = currentDevice();
    if (device.isTablet) {
        return removeSuffix(isHighResolution(device) ? state().iPadRetinaSuffix : state().iPadSuffix, path);
    }
    return isHighResolution(device) ? removeSuffix(state().iPhoneRetinaSuffix, path) : path;
}

std::string CCFileUtils::removeSuffix(const std::string& suffix, const std::string& path)
{
    if (suffix.empty()) {
        return path;
    }
    auto [dir, name] = splitLastComponent(path);
    if (name.find(suffix) == std::string::npos) {
        return path;
    }
    std::string stripped;
    for (size_t at = 0;;) {
        size_t hit = name.find(suffix, at);
        stripped.append(name, at, hit == std::string::npos ? std::string::npos : hit - at);
        if (hit == std::string::npos) {
            break;
        }
        at = hit + suffix.size();
    }
    return dir + stripped;
}

std::string CCFileUtils::fullPathFromRelativePath(const std::string& relPath)
{
    return fullPathFromRelativePath(relPath, nullptr);
}

std::string CCFileUtils::fullPathFromRelativePath(const std::string& relPath, ccResolutionType* resolutionType)
{
    const std::string found = bundleLookup(relPath);
    const CCFileUtilsDevice device = currentDevice();
    const bool highRes = isHighResolution(device);

    std::optional<std::string> result;
    ccResolutionType type = kCCResolutioniPhone;
    if (device.isTablet) {
        type = highRes ? kCCResolutioniPadRetinaDisplay : kCCResolutioniPad;
        result = getPath(found, highRes ? state().iPadRetinaSuffix : state().iPadSuffix);
    } else if (highRes) {
        type = kCCResolutioniPhoneRetinaDisplay;
        result = getPath(found, state().iPhoneRetinaSuffix);
    } else {
        result = found;
    }
    // A suffixed file that does not exist falls back to the plain one, which is
    // a phone-resolution file whatever the device.
    if (!result) {
        type = kCCResolutioniPhone;
        result = found;
    }
    if (resolutionType) {
        *resolutionType = type;
    }
    return *result;
}

std::optional<std::string> CCFileUtils::getPath(const std::string& path, const std::string& suffix)
{
    if (suffix.empty()) {
        return path;
    }
    std::string base = withoutExtension(path);
    if (splitLastComponent(base).second.find(suffix) != std::string::npos) {
        return path;
    }
    std::string ext = extensionOf(path);
    // Containers keep the inner extension: a/b.pvr.gz -> a/b-t.pvr.gz.
    if (ext == "ccz" || ext == "gz") {
        std::string inner = extensionOf(base);
        if (!inner.empty()) {
            ext = inner + "." + ext;
            base = withoutExtension(base);
        }
    }
    std::string candidate = base + suffix;
    if (!ext.empty()) {
        candidate += "." + ext;
    }
    if (fileExists(candidate)) {
        return candidate;
    }
    return std::nullopt;
}

void CCFileUtils::setBundlePath(const std::string& folder)
{
    state().bundle = folder;
    state().bundleChosen = true;
}

std::string CCFileUtils::bundlePath()
{
    FileUtilsState& s = state();
    if (!s.bundleChosen) {
        s.bundle = Paths::bundleDirectory();
        s.bundleChosen = true;
    }
    return s.bundle;
}

void CCFileUtils::setDeviceQuery(std::function<CCFileUtilsDevice()> query)
{
    state().deviceQuery = std::move(query);
}

CCFileUtilsDevice CCFileUtils::currentDevice()
{
    const auto& query = state().deviceQuery;
    if (query) {
        return query();
    }
    return CCFileUtilsDevice{DeviceProfile::current().isTablet, ccContentScaleFactor()};
}

std::string CCFileUtils::bundleLookup(const std::string& path)
{
    if (path.empty() || path.front() == '/') {
        return path;
    }
    std::string bundle = bundlePath();
    if (bundle.empty()) {
        return path;
    }
    std::string candidate = bundle.back() == '/' ? bundle + path : bundle + "/" + path;
    return fileExists(candidate) ? candidate : path;
}

int64_t ccLoadFileIntoMemory(const char* path, std::vector<unsigned char>& out)
{
    out.clear();
    if (!path) {
        return -1;
    }
    std::FILE* file = std::fopen(path, "rb");
    if (!file) {
        return -1;
    }
    // A folder opens too, and reports a nonsense size: only regular files.
    struct stat info {};
    if (::fstat(::fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) {
        std::fclose(file);
        return -1;
    }
    int64_t size = -1;
    if (std::fseek(file, 0, SEEK_END) == 0) {
        long end = std::ftell(file);
        if (end >= 0 && std::fseek(file, 0, SEEK_SET) == 0) {
            out.resize(static_cast<size_t>(end));
            size_t got = end > 0 ? std::fread(out.data(), 1, out.size(), file) : 0;
            size = got == out.size() ? end : -1;
        }
    }
    std::fclose(file);
    if (size < 0) {
        out.clear();
        out.shrink_to_fit();
    }
    return size;
}

} // namespace mw
