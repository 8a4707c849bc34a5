#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "engine/textures/CCTexture2D.h"
#include "foundation/Object.h"
#include "foundation/Ref.h"
#include "foundation/Selector.h"

namespace mw {

class Image;

// The shared store of loaded textures, keyed by file name, so that each image
// file is decoded and uploaded once. The cache holds one reference to every
// texture; removeUnusedTextures drops those nobody else holds.
//
// Keys are the names as passed in (after the device suffix is stripped):
// "a.png" and "./a.png" are two entries. Every operation takes the table's
// lock, so lookups and removals are safe while a background load stores its
// texture. Textures are made on the main thread (they need its GL context).
class CCTextureCache : public Object {
public:
    // The one cache, made on first use.
    static CCTextureCache* sharedTextureCache();
    // Drops the shared cache (and its references); the next call makes a new one.
    static void purgeSharedTextureCache();

    CCTextureCache() = default;
    ~CCTextureCache() override = default;
    CCTextureCache(const CCTextureCache&) = delete;
    CCTextureCache& operator=(const CCTextureCache&) = delete;

    // The texture of an image file (PNG, JPEG, or PVR plain/.gz/.ccz by name,
    // case ignored), loaded on first use. Null when the file cannot be read.
    // JPEG textures are always RGBA8888.
    [[nodiscard]] Ref<CCTexture2D> addImage(const std::string& path);
    // One image file and the pixel format its texture is made in (what the
    // default alpha format would be set to around addImage).
    struct ImageRequest {
        std::string path;
        CCTexture2DPixelFormat format = kCCTexture2DPixelFormat_RGBA8888;
    };
    // The textures of several image files, in order (null where a file
    // cannot be read, logged), each made as addImage would with its
    // request's format as the default alpha format. The files not cached yet
    // are read and decoded at the same time, on a worker thread each, while
    // the caller waits; every texture is then made on the calling thread,
    // which must hold the GL context. The default alpha format is left as it
    // was.
    [[nodiscard]] std::vector<Ref<CCTexture2D>> addImages(const std::vector<ImageRequest>& requests);
    // Decodes an image file on a thread of its own and hands the texture (or
    // null) to target's selector on the main run loop; the target is retained
    // until then. A cached texture is handed over at once, before returning.
    void addImageAsync(const std::string& path, Object* target, SEL_CallO selector);
    // A texture from a decoded image; cached under key when one is given and
    // made, otherwise fresh each time.
    [[nodiscard]] Ref<CCTexture2D> addCGImage(const Image* image, const std::optional<std::string>& key);
    [[nodiscard]] Ref<CCTexture2D> addPVRImage(const std::string& path);
    // A raw PVRTC file of one square level; null without PVRTC support or
    // when the file is shorter than the level.
    [[nodiscard]] Ref<CCTexture2D> addPVRTCImage(const std::string& path, int bpp, bool hasAlpha, int width);

    // The texture stored under key, or null.
    [[nodiscard]] Ref<CCTexture2D> textureForKey(const std::string& key);
    void removeAllTextures();
    // Drops every texture that only the cache holds.
    void removeUnusedTextures();
    // Removes every key that maps to the texture; null is ignored.
    void removeTexture(const CCTexture2D* texture);
    void removeTextureForKey(const std::string& key);

    size_t count() const;
    // GL memory the cached textures take, in bytes: each texture's pixel
    // size times its format's bits per pixel. Writes nothing.
    uint64_t dumpCachedTextureInfo() const;
    // "<CCTextureCache = 0x... | num of textures =  n | keys: (a, b)>"
    std::string description() const;

private:
    Ref<CCTexture2D> addPVRImageLocked(const std::string& key);
    Ref<CCTexture2D> cachedLocked(const std::string& key) const;
    // Stores a texture decoded off the main thread, unless one arrived first.
    Ref<CCTexture2D> storeDecoded(const std::string& key, const Image* image, ccResolutionType type, bool jpg);

    mutable std::mutex lock_;
    std::map<std::string, Ref<CCTexture2D>> textures_;
};

} // namespace mw
