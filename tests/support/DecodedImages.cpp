#include "tests/support/DecodedImages.h"

#include <sys/stat.h>

#include <iterator>
#include <optional>

namespace mw::test {

Ref<Image> DecodedImageStore::load(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return Image::readFile(path);
    const Stamp stamp{path, info.st_size, int64_t{info.st_mtim.tv_sec} * 1000000000 + info.st_mtim.tv_nsec};
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (auto found = byPath_.find(path); found != byPath_.end()) {
            if (found->second->stamp == stamp) return found->second->image;
            forget(found->second);
        }
    }
    // Decoded outside the lock: threads loading other files go on.
    Ref<Image> image = Image::readFile(path);
    if (!image) return image;
    std::lock_guard<std::mutex> lock(mutex_);
    if (auto found = byPath_.find(path); found != byPath_.end()) forget(found->second);
    const size_t bytes = image->pixels().size();
    kept_.push_back({stamp, image, bytes});
    byPath_[path] = std::prev(kept_.end());
    held_ += bytes;
    while (held_ > budget_ && !kept_.empty()) forget(kept_.begin());
    return image;
}

size_t DecodedImageStore::keptBytes() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return held_;
}

void DecodedImageStore::forget(std::list<Kept>::iterator entry)
{
    held_ -= entry->bytes;
    byPath_.erase(entry->stamp.path);
    kept_.erase(entry);
}

void keepDecodedImages(size_t budgetBytes)
{
    static std::once_flag installed;
    std::call_once(installed, [budgetBytes] {
        // Lives as long as the process: images may be loaded until its end.
        auto* store = new DecodedImageStore(budgetBytes);
        (void)Image::replaceLoader([store](const std::string& path) { return store->load(path); });
    });
}

} // namespace mw::test
