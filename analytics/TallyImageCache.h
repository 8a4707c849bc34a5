#pragma once

#include <optional>
#include <string>
#include <vector>

#include "analytics/TallyFileCache.h"
#include "foundation/KeyedArchive.h"
#include "foundation/Object.h"
#include "foundation/Ref.h"
#include "foundation/Value.h"

namespace mw {

// Up to 400 images kept in the file cache with least-recently-used
// replacement, and an index of them (id -> file name). Ids are texts that
// name files ("tallyImage<id>"); an id with a path separator or a ".."
// component is refused. Used from one thread at a time.
class TallyImageCache : public Object, public Archivable {
public:
    static constexpr int kMaxImagesCached = 400;

    // The shared cache: read back from the file cache's "imageCache"
    // archive the first time, or made empty; it stores through `fileCache`.
    static Ref<TallyImageCache> createInstance(const Ref<TallyFileCache>& fileCache);
    static Ref<TallyImageCache> recreateInstance(const Ref<TallyFileCache>& fileCache);
    static Ref<TallyImageCache> instance();
    static void purgeInstance();

    TallyImageCache() = default;
    explicit TallyImageCache(Ref<TallyFileCache> fileCache)
        : fileCache_(std::move(fileCache))
    {
    }

    const Ref<TallyFileCache>& fileCache() const { return fileCache_; }
    void setFileCache(Ref<TallyFileCache> fileCache) { fileCache_ = std::move(fileCache); }
    int64_t cacheUpdateTimestamp() const { return cacheUpdateTimestamp_; }
    void setCacheUpdateTimestamp(int64_t timestamp) { cacheUpdateTimestamp_ = timestamp; }
    int maxImageCached() const { return maxImageCached_; }

    // Stores the image, evicting the least recently used one first when a
    // new id finds the cache full; false when refused or not written.
    bool save(const ArchiveItem& image, const std::string& imageId);
    // The image, which becomes the most recently used; nothing for an unknown
    // id, and an id whose file is gone is forgotten.
    std::optional<ArchiveItem> get(const std::string& imageId);
    // Deletes the image; whether its file was deleted.
    bool remove(const std::string& imageId);
    void setAsMostRecentlyUsed(const std::string& imageId);
    // Every id of the index, in the index's order.
    std::vector<std::string> storedIds() const;
    // Least recently used first.
    const std::vector<std::string>& lru() const { return lru_; }
    static std::string imageIdToFileName(const std::string& imageId) { return "tallyImage" + imageId; }

    std::string className() const override { return "TallyImageCache"; }
    void encodeWithCoder(KeyedArchiver& coder) const override;
    bool initWithCoder(KeyedUnarchiver& coder) override;

private:
    Ref<TallyFileCache> fileCache_;
    ValueDictionary index_;
    int maxImageCached_ = kMaxImagesCached;
    std::vector<std::string> lru_;
    int64_t cacheUpdateTimestamp_ = 0;
};

} // namespace mw
