#pragma once

#include <memory>
#include <string>
#include <vector>

namespace mw {

// Where the player's pictures come from: the photo library, the camera and
// the saved-photos album, as the image picker offers them. On the desktop
// the library and the album are the pictures (PNG, JPEG) of the folder
// "Pictures" in the documents folder, and there is no camera.
class ImageSources {
public:
    enum SourceType { kPhotoLibrary = 0, kCamera = 1, kSavedPhotosAlbum = 2 };

    static std::shared_ptr<ImageSources> sharedInstance();
    // Installs sources, or the desktop's again for null; answers the previous.
    static std::shared_ptr<ImageSources> replaceSharedInstance(std::shared_ptr<ImageSources> sources);

    virtual ~ImageSources() = default;
    virtual bool isSourceTypeAvailable(SourceType type) = 0;
    // The files a picker of that source lists, in name order.
    virtual std::vector<std::string> pictures(SourceType type) = 0;
};

} // namespace mw
