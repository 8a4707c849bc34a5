#include "foundation/Paths.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "foundation/Log.h"

namespace mw {

namespace {

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

bool isDirectory(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string parentOf(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return std::string();
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string executableFolder()
{
    char buffer[4096];
    ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0) return std::string();
    return parentOf(std::string(buffer, static_cast<size_t>(length)));
}

std::string homeFolder()
{
    std::string home = environment("HOME");
    return home.empty() ? std::string("/tmp") : home;
}

// $MOSSWICK_HOME/<sub>, else $<xdgVariable>/mosswick, else ~/<fallback>/mosswick.
std::string userFolder(const char* sub, const char* xdgVariable, const char* fallback)
{
    std::string folder;
    if (std::string base = environment("MOSSWICK_HOME"); !base.empty()) {
        folder = Paths::join(base, sub);
    } else if (std::string xdg = environment(xdgVariable); !xdg.empty() && xdg[0] == '/') {
        folder = Paths::join(xdg, "mosswick");
    } else {
        folder = Paths::join(Paths::join(homeFolder(), fallback), "mosswick");
    }
    if (!Paths::createDirectories(folder)) {
        logLine("Paths: cannot create %s: %s", folder.c_str(), std::strerror(errno));
    }
    return folder;
}

} // namespace

std::string Paths::join(std::string_view head, std::string_view tail)
{
    if (head.empty() || (!tail.empty() && tail.front() == '/')) return std::string(tail);
    if (tail.empty()) return std::string(head);
    std::string joined(head);
    while (joined.size() > 1 && joined.back() == '/') joined.pop_back();
    if (joined.back() != '/') joined += '/';
    joined += tail;
    return joined;
}

bool Paths::createDirectories(const std::string& path)
{
    if (path.empty()) return false;
    if (isDirectory(path)) return true;
    std::string parent = parentOf(path);
    if (!parent.empty() && parent != path && !createDirectories(parent)) return false;
    if (::mkdir(path.c_str(), 0755) == 0 || errno == EEXIST) return isDirectory(path);
    return false;
}

bool Paths::fileExists(const std::string& path)
{
    return !path.empty() && ::access(path.c_str(), F_OK) == 0;
}

std::string Paths::bundleDirectory()
{
    if (std::string configured = environment("MOSSWICK_RESOURCES"); !configured.empty()) return configured;
    std::string folder = executableFolder();
    for (int level = 0; level <= 3 && !folder.empty(); ++level) {
        std::string candidate = join(folder, "resources");
        if (isDirectory(candidate)) return candidate;
        if (folder == "/") break;
        folder = parentOf(folder);
    }
    static std::atomic<bool> reported{false};
    if (!reported.exchange(true)) logLine("Paths: no resources folder next to the program; set MOSSWICK_RESOURCES");
    return std::string();
}

std::string Paths::documentsDirectory() { return userFolder("documents", "XDG_DATA_HOME", ".local/share"); }

std::string Paths::cachesDirectory() { return userFolder("caches", "XDG_CACHE_HOME", ".cache"); }

std::string Paths::pathForResource(std::string_view name)
{
    std::string bundle = bundleDirectory();
    if (bundle.empty() || name.empty()) return std::string();
    std::string path = join(bundle, name);
    return fileExists(path) ? path : std::string();
}

} // namespace mw
