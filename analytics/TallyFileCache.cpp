#include "analytics/TallyFileCache.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <mutex>

#include "analytics/TallyUtil.h"
#include "foundation/AtomicFile.h"
#include "foundation/Format.h"
#include "foundation/Paths.h"

namespace mw {

namespace {

// One cached object (an advert's picture at most): anything far larger is no entry of ours.
constexpr size_t kLargestEntry = size_t(16) << 20;

std::mutex gLock;
Ref<TallyFileCache>& shared()
{
    static Ref<TallyFileCache>* const cache = new Ref<TallyFileCache>();
    return *cache;
}

} // namespace

Ref<TallyFileCache> TallyFileCache::createInstance(const std::string& apiKey, const std::string& agentVersion)
{
    std::lock_guard<std::mutex> guard(gLock);
    if (!shared()) shared() = makeRef<TallyFileCache>(apiKey, agentVersion);
    return shared();
}

Ref<TallyFileCache> TallyFileCache::instance()
{
    std::lock_guard<std::mutex> guard(gLock);
    return shared();
}

void TallyFileCache::purgeInstance()
{
    Ref<TallyFileCache> dropped;
    std::lock_guard<std::mutex> guard(gLock);
    dropped = std::move(shared());
}

std::string TallyFileCache::createDirectoryPath()
{
    const std::string path = Paths::cachesPath("Tally");
    (void)Paths::createDirectories(path);
    return path;
}

std::string TallyFileCache::createFilePath(const std::string& name, bool forCurrentAgentVersion) const
{
    return format("%@/tallyCache_%@_%@_%@.archive", createDirectoryPath(), name, apiKey_,
                  forCurrentAgentVersion ? agentVersion_ : std::string());
}

bool TallyFileCache::isSafeName(const std::string& name)
{
    if (name.empty() || name.find('/') != std::string::npos) return false;
    return name.find("..") == std::string::npos;
}

std::optional<std::string> TallyFileCache::save(const ArchiveItem& item, const std::string& name,
                                                bool forCurrentAgentVersion)
{
    if (!isSafeName(name)) {
        TallyUtil::debugLog(format("Tally: object[%@] cannot be saved to disk", name));
        return std::nullopt;
    }
    const std::string path = createFilePath(name, forCurrentAgentVersion);
    KeyedArchiver archiver;
    archiver.encodeItem("root", item);
    const std::vector<uint8_t> bytes = archiver.encodedData();
    if (bytes.empty() || !AtomicFile::write(path, bytes.data(), bytes.size())) {
        TallyUtil::debugLog(format("Tally: object[%@] cannot be saved to disk", name));
        return std::nullopt;
    }
    TallyUtil::debugLog(format("Tally: object[%@] saved to disk at path[%@]", name, path));
    return path;
}

std::optional<ArchiveItem> TallyFileCache::get(const std::string& name, bool forCurrentAgentVersion) const
{
    if (!isSafeName(name)) return std::nullopt;
    const std::string path = createFilePath(name, forCurrentAgentVersion);
    std::optional<ArchiveItem> item;
    std::vector<uint8_t> bytes;
    if (Paths::fileExists(path) && AtomicFile::read(path, bytes, nullptr, kLargestEntry)) {
        KeyedUnarchiver unarchiver(bytes);
        ArchiveItem root = unarchiver.decodeItem("root");
        if (unarchiver.ok() && !root.isNull()) item = std::move(root);
    }
    TallyUtil::debugLog(format("Tally: object[%@] retrieved from disk at path[%@]", name, path));
    return item;
}

bool TallyFileCache::remove(const std::string& name, bool forCurrentAgentVersion)
{
    if (!isSafeName(name)) return false;
    const std::string path = createFilePath(name, forCurrentAgentVersion);
    const bool removed = ::unlink(path.c_str()) == 0;
    TallyUtil::debugLog(format("Tally: object at path[%@] removed from disk successful[%d]", path, removed));
    return removed;
}

bool TallyFileCache::removeCache()
{
    const std::string path = createDirectoryPath();
    std::error_code error;
    const bool removed = std::filesystem::remove_all(path, error) > 0 && !error;
    TallyUtil::debugLog(format("Tally: object at path[%@] removed from disk successful[%d]", path, removed));
    return removed;
}

} // namespace mw
