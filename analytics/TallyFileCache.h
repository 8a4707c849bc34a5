#pragma once

#include <optional>
#include <string>

#include "foundation/KeyedArchive.h"
#include "foundation/Object.h"
#include "foundation/Ref.h"

namespace mw {

// Single objects kept as keyed-archive files in "<caches>/Tally", under
// names that carry the application key and, when bound to it, the agent
// version: files of another key or agent version are never picked up. A
// name with a path separator or a ".." component is refused, since the name
// becomes part of a file path.
class TallyFileCache : public Object {
public:
    // The shared cache, made with these values on the first call; later
    // calls answer it unchanged.
    static Ref<TallyFileCache> createInstance(const std::string& apiKey, const std::string& agentVersion);
    // The shared cache, or null.
    static Ref<TallyFileCache> instance();
    // Drops the shared cache (tests).
    static void purgeInstance();

    TallyFileCache(std::string apiKey, std::string agentVersion)
        : apiKey_(std::move(apiKey))
        , agentVersion_(std::move(agentVersion))
    {
    }

    const std::string& apiKey() const { return apiKey_; }
    const std::string& agentVersion() const { return agentVersion_; }

    // The cache folder, made when missing (a failure shows at the first write).
    static std::string createDirectoryPath();
    // "<folder>/tallyCache_<name>_<key>_<version or empty>.archive".
    std::string createFilePath(const std::string& name, bool forCurrentAgentVersion) const;
    // Whether the name can name a file: no '/', no ".." component, not empty.
    static bool isSafeName(const std::string& name);

    // Writes the item as the root of an archive; the path, or nothing when
    // refused or not written.
    std::optional<std::string> save(const ArchiveItem& item, const std::string& name,
                                    bool forCurrentAgentVersion = true);
    // The item read back; nothing when there is no such file or it is refused.
    std::optional<ArchiveItem> get(const std::string& name, bool forCurrentAgentVersion = true) const;
    // Deletes the file; whether that succeeded.
    bool remove(const std::string& name, bool forCurrentAgentVersion = true);
    // Deletes the whole cache folder.
    bool removeCache();

private:
    std::string apiKey_;
    std::string agentVersion_;
};

} // namespace mw
