// Feeds arbitrary property lists to the sprite-sheet and animation readers
// (a texture object without GL stands in for the sheet's image), then looks
// every frame and animation up and removes them again.
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/sprites/CCAnimationCache.h"
#include "engine/sprites/CCSpriteFrameCache.h"
#include "engine/textures/CCTexture2D.h"
#include "foundation/Log.h"
#include "foundation/PropertyList.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool quiet = [] {
        mw::setLogSink([](const std::string&) {});
        return true;
    }();
    (void)quiet;
    std::string error;
    const std::optional<mw::Value> plist = mw::readPropertyList(data, size, &error);
    if (!plist || !plist->isDict()) {
        return 0;
    }
    mw::CCSpriteFrameCache* frames = mw::CCSpriteFrameCache::sharedSpriteFrameCache();
    mw::Ref<mw::CCTexture2D> texture = mw::makeRef<mw::CCTexture2D>();
    if (frames->addSpriteFramesWithDictionary(*plist, texture.get())) {
        for (const auto& [name, value] : plist->get("frames").asDict()) {
            (void)frames->spriteFrameByName(name);
        }
    }
    mw::CCAnimationCache* animations = mw::CCAnimationCache::sharedAnimationCache();
    animations->addAnimationsWithDictionary(*plist);
    for (const auto& [name, value] : plist->get("animations").asDict()) {
        (void)animations->animationByName(name);
    }
    frames->removeSpriteFrames();
    mw::CCAnimationCache::purgeSharedAnimationCache();
    return 0;
}
