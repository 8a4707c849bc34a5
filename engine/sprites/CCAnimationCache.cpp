#include "engine/sprites/CCAnimationCache.h"

#include <vector>

#include "engine/base/ccDescription.h"
#include "engine/sprites/CCAnimation.h"
#include "engine/sprites/CCSpriteFrame.h"
#include "engine/sprites/CCSpriteFrameCache.h"
#include "engine/support/CCFileUtils.h"
#include "foundation/Log.h"
#include "foundation/PropertyList.h"
#include "foundation/Shared.h"

namespace mw {

CCAnimationCache::~CCAnimationCache() = default;

CCAnimationCache* CCAnimationCache::sharedAnimationCache() { return Shared<CCAnimationCache>::get(); }

void CCAnimationCache::purgeSharedAnimationCache() { Shared<CCAnimationCache>::purge(); }

void CCAnimationCache::addAnimation(CCAnimation* animation, const std::string& name)
{
    animations_[name] = animation;
}

CCAnimation* CCAnimationCache::animationByName(const std::string& name) const
{
    auto found = animations_.find(name);
    return found != animations_.end() ? found->second.get() : nullptr;
}

void CCAnimationCache::removeAnimationByName(const std::string& name) { animations_.erase(name); }

bool CCAnimationCache::addAnimationsWithFile(const std::string& path)
{
    std::string error;
    std::optional<Value> dictionary = readPropertyListFile(CCFileUtils::fullPathFromRelativePath(path), &error);
    if (!dictionary || !dictionary->isDict()) {
        logLine("CCAnimationCache: cannot read the animation file %s: %s", path.c_str(),
                error.empty() ? "not a dictionary" : error.c_str());
        return false;
    }
    addAnimationsWithDictionary(*dictionary);
    return true;
}

void CCAnimationCache::addAnimationsWithDictionary(const Value& dictionary)
{
    const Value& animations = dictionary["animations"];
    if (!animations.isDict()) return;
    int format = 1;
    if (dictionary.contains("properties")) {
        const Value& properties = dictionary["properties"];
        format = properties["format"].asInt();
        for (const Value& sheet : properties["spritesheets"].asArray()) {
            // A sheet that cannot be loaded is logged by the sprite-frame
            // cache; its frames are then skipped like any unknown frame.
            (void)CCSpriteFrameCache::sharedSpriteFrameCache()->addSpriteFramesWithFile(sheet.asString());
        }
    }
    if (format == 1) addFormat1Animations(animations);
    if (format == 2) addFormat2Animations(animations);
}

void CCAnimationCache::addFormat1Animations(const Value& animations)
{
    CCSpriteFrameCache* frameCache = CCSpriteFrameCache::sharedSpriteFrameCache();
    for (const auto& [name, entry] : animations.asDict()) {
        if (!entry.contains("frames")) continue;
        std::vector<Ref<CCAnimationFrame>> frames;
        for (const Value& frameName : entry["frames"].asArray()) {
            Ref<CCSpriteFrame> spriteFrame = frameCache->spriteFrameByName(frameName.asString());
            if (spriteFrame) frames.push_back(makeRef<CCAnimationFrame>(spriteFrame.get(), 1.0f));
        }
        if (frames.empty()) continue;
        auto animation = CCAnimation::animationWithFrames(frames, entry["delay"].asFloat());
        sharedAnimationCache()->addAnimation(animation.get(), name);
    }
}

void CCAnimationCache::addFormat2Animations(const Value& animations)
{
    CCSpriteFrameCache* frameCache = CCSpriteFrameCache::sharedSpriteFrameCache();
    for (const auto& [name, entry] : animations.asDict()) {
        const bool restoreOriginalFrame = entry["restoreOriginalFrame"].asBool();
        if (!entry.contains("frames")) continue;
        std::vector<Ref<CCAnimationFrame>> frames;
        for (const Value& frameEntry : entry["frames"].asArray()) {
            Ref<CCSpriteFrame> spriteFrame = frameCache->spriteFrameByName(frameEntry["spriteframe"].asString());
            if (!spriteFrame) continue;
            const Value& notification = frameEntry["notification"];
            frames.push_back(makeRef<CCAnimationFrame>(spriteFrame.get(), frameEntry["delayUnits"].asFloat(),
                                                       notification.isDict() ? notification : Value()));
        }
        // Kept even when every frame was missing, as an animation without frames.
        auto animation = CCAnimation::animationWithFrames(frames, entry["delayPerUnit"].asFloat());
        animation->setRestoreOriginalFrame(restoreOriginalFrame);
        sharedAnimationCache()->addAnimation(animation.get(), name);
    }
}

std::string CCAnimationCache::description() const
{
    return std::string("<") + ccClassName(typeid(*this)) + " = " + ccAddressString(this) +
           " | num of animations =  " + std::to_string(animations_.size()) + ">";
}

} // namespace mw
