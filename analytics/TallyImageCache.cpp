#include "analytics/TallyImageCache.h"

#include <algorithm>
#include <mutex>

#include "analytics/TallyUtil.h"
#include "foundation/Format.h"

namespace mw {

namespace {

const ArchivableRegistration<TallyImageCache> registration("TallyImageCache");

std::mutex gLock;
Ref<TallyImageCache>& shared()
{
    static Ref<TallyImageCache>* const cache = new Ref<TallyImageCache>();
    return *cache;
}

} // namespace

Ref<TallyImageCache> TallyImageCache::createInstance(const Ref<TallyFileCache>& fileCache)
{
    std::lock_guard<std::mutex> guard(gLock);
    if (shared()) return shared();
    Ref<TallyImageCache> cache;
    if (const Ref<TallyFileCache> files = TallyFileCache::instance()) {
        if (const std::optional<ArchiveItem> stored = files->get("imageCache", false)) {
            cache = stored->objectAs<TallyImageCache>();
        }
    }
    if (cache) {
        cache->setFileCache(fileCache);
    } else {
        cache = makeRef<TallyImageCache>(fileCache);
    }
    shared() = cache;
    return cache;
}

Ref<TallyImageCache> TallyImageCache::recreateInstance(const Ref<TallyFileCache>& fileCache)
{
    purgeInstance();
    return createInstance(fileCache);
}

Ref<TallyImageCache> TallyImageCache::instance()
{
    std::lock_guard<std::mutex> guard(gLock);
    return shared();
}

void TallyImageCache::purgeInstance()
{
    Ref<TallyImageCache> dropped;
    std::lock_guard<std::mutex> guard(gLock);
    dropped = std::move(shared());
}

bool TallyImageCache::save(const ArchiveItem& image, const std::string& imageId)
{
    TallyUtil::debugLog(format("Tally: Image cache saving imageId[%@]", imageId));
    if (image.isNull() || !fileCache_ || !TallyFileCache::isSafeName(imageId)) return false;
    if (!index_.contains(imageId) && index_.size() >= size_t(std::max(maxImageCached_, 0)) && !lru_.empty()) {
        const std::string oldest = lru_.front();
        TallyUtil::debugLog(format("Tally: Image cache full, remove oldest entry[%@]", oldest));
        (void)remove(oldest);
    }
    const std::string fileName = imageIdToFileName(imageId);
    if (!fileCache_->save(image, fileName, false)) return false;
    index_.set(imageId, fileName);
    setAsMostRecentlyUsed(imageId);
    return true;
}

std::optional<ArchiveItem> TallyImageCache::get(const std::string& imageId)
{
    TallyUtil::debugLog(format("Tally: Image cache retrieving imageId[%@]", imageId));
    const Value* fileName = index_.find(imageId);
    if (!fileName || !fileCache_) return std::nullopt;
    setAsMostRecentlyUsed(imageId);
    std::optional<ArchiveItem> image = fileCache_->get(fileName->asString(), false);
    if (!image) {
        index_.remove(imageId);
        lru_.erase(std::remove(lru_.begin(), lru_.end(), imageId), lru_.end());
    }
    return image;
}

bool TallyImageCache::remove(const std::string& imageId)
{
    TallyUtil::debugLog(format("Tally: Image cache removing imageId[%@]", imageId));
    bool removed = false;
    if (const Value* fileName = index_.find(imageId)) {
        removed = fileCache_ && fileCache_->remove(fileName->asString(), false);
        index_.remove(imageId);
    }
    lru_.erase(std::remove(lru_.begin(), lru_.end(), imageId), lru_.end());
    return removed;
}

void TallyImageCache::setAsMostRecentlyUsed(const std::string& imageId)
{
    TallyUtil::debugLog(format("Tally: Image cache setting imageId[%@] as most recently used", imageId));
    lru_.erase(std::remove(lru_.begin(), lru_.end(), imageId), lru_.end());
    lru_.push_back(imageId);
}

std::vector<std::string> TallyImageCache::storedIds() const
{
    std::vector<std::string> ids;
    for (const auto& [id, fileName] : index_) ids.push_back(id);
    return ids;
}

void TallyImageCache::encodeWithCoder(KeyedArchiver& coder) const
{
    TallyUtil::debugLog("Tally: Encode TallyImageCache");
    coder.encodeValue("index", Value(index_));
    coder.encodeInt32("maxImageCached", maxImageCached_);
    Value::Array lru;
    for (const std::string& id : lru_) lru.emplace_back(id);
    coder.encodeValue("lru", Value(std::move(lru)));
    coder.encodeInt64("cacheUpdateTimestamp", cacheUpdateTimestamp_);
}

bool TallyImageCache::initWithCoder(KeyedUnarchiver& coder)
{
    const Value index = coder.decodeValue("index");
    for (const auto& [id, fileName] : index.asDict()) {
        // An entry that could name a file outside the cache is not taken.
        if (TallyFileCache::isSafeName(id) && TallyFileCache::isSafeName(fileName.asString()))
            index_.set(id, fileName);
    }
    maxImageCached_ = coder.decodeInt32("maxImageCached");
    const Value lru = coder.decodeValue("lru");
    for (const Value& id : lru.asArray()) lru_.push_back(id.asString());
    cacheUpdateTimestamp_ = coder.decodeInt64("cacheUpdateTimestamp");
    return true;
}

} // namespace mw
