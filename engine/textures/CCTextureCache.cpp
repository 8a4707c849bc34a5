#include "engine/textures/CCTextureCache.h"

#include <algorithm>
#include <cctype>
#include <future>
#include <system_error>
#include <thread>
#include <typeinfo>
#include <vector>

#include "engine/base/ccDescription.h"
#include "engine/gl/CCConfiguration.h"
#include "engine/support/CCFileUtils.h"
#include "foundation/Format.h"
#include "foundation/Log.h"
#include "foundation/RunLoop.h"
#include "foundation/Shared.h"
#include "platform/Image.h"

namespace mw {

namespace {

std::string lowerCased(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool endsWith(const std::string& text, const char* tail)
{
    const std::string suffix(tail);
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

bool isPVRName(const std::string& lower)
{
    return endsWith(lower, ".pvr") || endsWith(lower, ".pvr.gz") || endsWith(lower, ".pvr.ccz");
}

// Systems from 4.0 on decoded JPEG files into images the texture code could
// not convert reliably, so from there a JPEG always becomes RGBA8888.
constexpr uint32_t kSystem4 = 0x04000000;

bool isJPEGName(const std::string& lower)
{
    return endsWith(lower, ".jpg") || endsWith(lower, ".jpeg");
}

// Whether a file of this (lower-cased) name is made as a JPEG texture.
bool takesJPEGRule(const std::string& lower)
{
    return isJPEGName(lower) && CCConfiguration::sharedConfiguration()->OSVersion() >= kSystem4;
}

} // namespace

CCTextureCache* CCTextureCache::sharedTextureCache() { return Shared<CCTextureCache>::get(); }

void CCTextureCache::purgeSharedTextureCache() { Shared<CCTextureCache>::purge(); }

Ref<CCTexture2D> CCTextureCache::addImage(const std::string& path)
{
    std::lock_guard guard(lock_);
    const std::string key = CCFileUtils::removeSuffixFromFile(path);
    if (Ref<CCTexture2D> cached = cachedLocked(key)) {
        return cached;
    }
    const std::string lower = lowerCased(key);
    if (isPVRName(lower)) {
        return addPVRImageLocked(key);
    }
    ccResolutionType type = kCCResolutionUnknown;
    const std::string fullPath = CCFileUtils::fullPathFromRelativePath(key, &type);
    Ref<Image> image = Image::load(fullPath);
    if (!image) {
        return nullptr;
    }
    // Decoded JPEGs are opaque 8-bit images; they always become RGBA8888.
    Ref<CCTexture2D> texture = makeRef<CCTexture2D>();
    if (!texture->initWithImage(image.get(), type, takesJPEGRule(lower))) {
        logLine("CCTextureCache: cannot make a texture of %s", key.c_str());
        return nullptr;
    }
    textures_[key] = texture;
    return texture;
}

std::vector<Ref<CCTexture2D>> CCTextureCache::addImages(const std::vector<ImageRequest>& requests)
{
    using Prepared = std::optional<CCTexture2D::PreparedImage>;
    struct Decoding {
        std::string key;
        ccResolutionType type = kCCResolutionUnknown;
        std::future<Prepared> prepared; // not valid: made through addImage
    };
    const CCConfiguration* configuration = CCConfiguration::sharedConfiguration();
    std::vector<Decoding> decodings(requests.size());
    for (size_t i = 0; i < requests.size(); ++i) {
        Decoding& decoding = decodings[i];
        decoding.key = CCFileUtils::removeSuffixFromFile(requests[i].path);
        const std::string lower = lowerCased(decoding.key);
        if (isPVRName(lower) || textureForKey(decoding.key)) continue;
        // Paths and rules are settled here; the workers only read, decode and
        // convert bytes, which touches nothing shared.
        const std::string fullPath = CCFileUtils::fullPathFromRelativePath(decoding.key, &decoding.type);
        const CCTexture2D::CanvasRules rules{configuration->supportsNPOT(), configuration->maxTextureSize(),
                                             requests[i].format};
        const bool jpg = takesJPEGRule(lower);
        auto work = [fullPath, rules, jpg]() -> Prepared {
            const Ref<Image> image = Image::load(fullPath);
            return image ? CCTexture2D::prepareImage(image.get(), rules, jpg) : std::nullopt;
        };
        try {
            decoding.prepared = std::async(std::launch::async, work);
        } catch (const std::system_error&) {
            // No thread to be had: this one is made when its turn comes.
            decoding.prepared = std::async(std::launch::deferred, work);
        }
    }
    std::vector<Ref<CCTexture2D>> textures;
    textures.reserve(requests.size());
    for (size_t i = 0; i < requests.size(); ++i) {
        Decoding& decoding = decodings[i];
        if (!decoding.prepared.valid()) {
            const CCTexture2DPixelFormat previous = CCTexture2D::defaultAlphaPixelFormat();
            CCTexture2D::setDefaultAlphaPixelFormat(requests[i].format);
            textures.push_back(addImage(requests[i].path));
            CCTexture2D::setDefaultAlphaPixelFormat(previous);
            continue;
        }
        Prepared prepared = decoding.prepared.get();
        std::lock_guard guard(lock_);
        if (Ref<CCTexture2D> cached = cachedLocked(decoding.key)) {
            textures.push_back(cached);
            continue;
        }
        Ref<CCTexture2D> texture = makeRef<CCTexture2D>();
        if (!prepared || !texture->initWithPreparedImage(*prepared, decoding.type)) {
            if (prepared) logLine("CCTextureCache: cannot make a texture of %s", decoding.key.c_str());
            textures.push_back(nullptr);
            continue;
        }
        textures_[decoding.key] = texture;
        textures.push_back(texture);
    }
    return textures;
}

void CCTextureCache::addImageAsync(const std::string& path, Object* target, SEL_CallO selector)
{
    const std::string key = CCFileUtils::removeSuffixFromFile(path);
    if (Ref<CCTexture2D> cached = textureForKey(key)) {
        if (target && selector) {
            (target->*selector)(cached.get());
        }
        return;
    }
    Ref<CCTextureCache> cache(this);
    Ref<Object> keptTarget(target);
    // Reading and decoding happen off the main thread; the upload needs the
    // main thread's GL context, so the texture is made when the main run loop
    // runs the hand-back. PVR files are read there whole.
    std::thread([cache, keptTarget, selector, key]() {
        const std::string lower = lowerCased(key);
        Ref<Image> image;
        ccResolutionType type = kCCResolutionUnknown;
        if (!isPVRName(lower)) {
            image = Image::load(CCFileUtils::fullPathFromRelativePath(key, &type));
        }
        RunLoop::performOnMain([cache, keptTarget, selector, key, image, type, lower]() {
            Ref<CCTexture2D> texture =
                isPVRName(lower) ? cache->addImage(key)
                                 : cache->storeDecoded(key, image.get(), type, takesJPEGRule(lower));
            if (keptTarget && selector) {
                (keptTarget.get()->*selector)(texture.get());
            }
        });
    }).detach();
}

Ref<CCTexture2D> CCTextureCache::storeDecoded(const std::string& key, const Image* image, ccResolutionType type,
                                              bool jpg)
{
    std::lock_guard guard(lock_);
    if (Ref<CCTexture2D> cached = cachedLocked(key)) {
        return cached;
    }
    if (!image) {
        return nullptr;
    }
    Ref<CCTexture2D> texture = makeRef<CCTexture2D>();
    if (!texture->initWithImage(image, type, jpg)) {
        logLine("CCTextureCache: cannot make a texture of %s", key.c_str());
        return nullptr;
    }
    textures_[key] = texture;
    return texture;
}

Ref<CCTexture2D> CCTextureCache::addCGImage(const Image* image, const std::optional<std::string>& key)
{
    std::lock_guard guard(lock_);
    if (key) {
        if (Ref<CCTexture2D> cached = cachedLocked(*key)) {
            return cached;
        }
    }
    Ref<CCTexture2D> texture = makeRef<CCTexture2D>();
    if (!texture->initWithImage(image, kCCResolutionUnknown)) {
        return nullptr;
    }
    if (key) {
        textures_[*key] = texture;
    }
    return texture;
}

Ref<CCTexture2D> CCTextureCache::addPVRImage(const std::string& path)
{
    std::lock_guard guard(lock_);
    return addPVRImageLocked(CCFileUtils::removeSuffixFromFile(path));
}

Ref<CCTexture2D> CCTextureCache::addPVRImageLocked(const std::string& key)
{
    if (Ref<CCTexture2D> cached = cachedLocked(key)) {
        return cached;
    }
    Ref<CCTexture2D> texture = makeRef<CCTexture2D>();
    if (!texture->initWithPVRFile(key)) {
        return nullptr;
    }
    textures_[key] = texture;
    return texture;
}

Ref<CCTexture2D> CCTextureCache::addPVRTCImage(const std::string& path, int bpp, bool hasAlpha, int width)
{
    std::lock_guard guard(lock_);
    const std::string key = CCFileUtils::removeSuffixFromFile(path);
    if (Ref<CCTexture2D> cached = cachedLocked(key)) {
        return cached;
    }
    std::vector<unsigned char> data;
    if (ccLoadFileIntoMemory(CCFileUtils::fullPathFromRelativePath(key).c_str(), data) < 0) {
        logLine("CCTextureCache: cannot read %s", key.c_str());
        return nullptr;
    }
    // The upload reads a whole level: a shorter file would be read past.
    if (width <= 0 || data.size() < CCTexture2D::pvrtcDataSize(bpp, width)) {
        logLine("CCTextureCache: %s is too short for a %dx%d PVRTC image", key.c_str(), width, width);
        return nullptr;
    }
    Ref<CCTexture2D> texture = makeRef<CCTexture2D>();
    CCTexture2DPixelFormat format = bpp == 2 ? kCCTexture2DPixelFormat_PVRTC2 : kCCTexture2DPixelFormat_PVRTC4;
    if (!texture->initWithPVRTCData(data.data(), 0, bpp, hasAlpha, width, format)) {
        return nullptr;
    }
    textures_[key] = texture;
    return texture;
}

Ref<CCTexture2D> CCTextureCache::textureForKey(const std::string& key)
{
    std::lock_guard guard(lock_);
    return cachedLocked(key);
}

Ref<CCTexture2D> CCTextureCache::cachedLocked(const std::string& key) const
{
    auto found = textures_.find(key);
    return found == textures_.end() ? nullptr : found->second;
}

void CCTextureCache::removeAllTextures()
{
    std::map<std::string, Ref<CCTexture2D>> dropped;
    {
        std::lock_guard guard(lock_);
        dropped.swap(textures_);
    }
}

void CCTextureCache::removeUnusedTextures()
{
    std::vector<Ref<CCTexture2D>> dropped;
    std::lock_guard guard(lock_);
    for (auto entry = textures_.begin(); entry != textures_.end();) {
        if (entry->second->retainCount() == 1) {
            dropped.push_back(std::move(entry->second));
            entry = textures_.erase(entry);
        } else {
            ++entry;
        }
    }
}

void CCTextureCache::removeTexture(const CCTexture2D* texture)
{
    if (!texture) {
        return;
    }
    std::lock_guard guard(lock_);
    std::erase_if(textures_, [texture](const auto& entry) { return entry.second.get() == texture; });
}

void CCTextureCache::removeTextureForKey(const std::string& key)
{
    std::lock_guard guard(lock_);
    textures_.erase(key);
}

size_t CCTextureCache::count() const
{
    std::lock_guard guard(lock_);
    return textures_.size();
}

uint64_t CCTextureCache::dumpCachedTextureInfo() const
{
    std::lock_guard guard(lock_);
    uint64_t bits = 0;
    for (const auto& [key, texture] : textures_) {
        const uint32_t bitsPerPixel = texture->bitsPerPixelForFormat();
        if (bitsPerPixel != UINT32_MAX) {
            bits += uint64_t{texture->pixelsWide()} * texture->pixelsHigh() * bitsPerPixel;
        }
    }
    return bits / 8;
}

std::string CCTextureCache::description() const
{
    std::lock_guard guard(lock_);
    std::string keys;
    for (const auto& [key, texture] : textures_) {
        keys += keys.empty() ? key : ", " + key;
    }
    return format("<%@ = %@ | num of textures =  %u | keys: (%@)>", ccClassName(typeid(*this)),
                  ccAddressString(this), static_cast<unsigned>(textures_.size()), keys);
}

} // namespace mw
