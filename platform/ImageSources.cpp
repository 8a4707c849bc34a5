#include "platform/ImageSources.h"

#include <algorithm>
#include <filesystem>
#include <mutex>

#include "foundation/Paths.h"

namespace mw {

namespace {

class DesktopImageSources : public ImageSources {
public:
    bool isSourceTypeAvailable(SourceType type) override
    {
        if (type == kCamera) return false;
        std::error_code ignored;
        return std::filesystem::is_directory(folder(), ignored);
    }
    std::vector<std::string> pictures(SourceType type) override
    {
        std::vector<std::string> files;
        if (!isSourceTypeAvailable(type)) return files;
        // Stepped with an error code: the range-for's step throws when the
        // folder cannot be read on, and this runs inside a frame.
        std::error_code error;
        for (std::filesystem::directory_iterator entry(folder(), error), end; !error && entry != end;
             entry.increment(error)) {
            std::string extension = entry->path().extension().string();
            std::transform(extension.begin(), extension.end(), extension.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
            if (extension == ".png" || extension == ".jpg" || extension == ".jpeg")
                files.push_back(entry->path().string());
        }
        std::sort(files.begin(), files.end());
        return files;
    }

private:
    static std::string folder() { return Paths::documentsPath("Pictures"); }
};

std::mutex gLock;
std::shared_ptr<ImageSources>& installed()
{
    static std::shared_ptr<ImageSources> sources = std::make_shared<DesktopImageSources>();
    return sources;
}

} // namespace

std::shared_ptr<ImageSources> ImageSources::sharedInstance()
{
    std::lock_guard guard(gLock);
    return installed();
}

std::shared_ptr<ImageSources> ImageSources::replaceSharedInstance(std::shared_ptr<ImageSources> sources)
{
    std::lock_guard guard(gLock);
    if (!sources) sources = std::make_shared<DesktopImageSources>();
    std::swap(sources, installed());
    return sources;
}

} // namespace mw
