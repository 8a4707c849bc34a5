#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <unordered_map>

#include "foundation/Ref.h"
#include "platform/Image.h"

namespace mw::test {

// Keeps the images it decodes from files: tests that share a process load
// the same sprite sheets again and again, and decoding them under the
// sanitisers is most of such a test's work. An image is kept by its file's
// path, size and modification time, so a file written again is read again; a
// file that cannot be decoded is not kept. Past `budgetBytes` of pixels the
// oldest images are let go. Any thread.
class DecodedImageStore {
public:
    explicit DecodedImageStore(size_t budgetBytes) : budget_(budgetBytes) {}

    Ref<Image> load(const std::string& path);
    size_t keptBytes() const;

private:
    struct Stamp {
        std::string path;
        off_t size = 0;
        int64_t modifiedNanoseconds = 0;
        bool operator==(const Stamp&) const = default;
    };
    struct Kept {
        Stamp stamp;
        Ref<Image> image;
        size_t bytes = 0;
    };
    void forget(std::list<Kept>::iterator entry);

    mutable std::mutex mutex_;
    size_t budget_;
    size_t held_ = 0;
    std::list<Kept> kept_; // oldest first
    std::unordered_map<std::string, std::list<Kept>::iterator> byPath_;
};

// Installs a store as the process's image loader (Image::replaceLoader) for
// the rest of the process. Installing again keeps the first.
void keepDecodedImages(size_t budgetBytes = size_t{768} << 20);

} // namespace mw::test
