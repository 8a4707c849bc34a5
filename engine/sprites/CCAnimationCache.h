#pragma once

#include <string>
#include <unordered_map>

#include "foundation/Object.h"
#include "foundation/Ref.h"
#include "foundation/Value.h"

namespace mw {

class CCAnimation;

// A table of named frame animations; one shared instance. It can be filled
// from animation property lists of format 1 (frame names and one delay) and
// format 2 (frame dictionaries with delay units and notifications), whose
// frames are looked up in the shared sprite-frame cache.
class CCAnimationCache : public Object {
public:
    CCAnimationCache() = default;
    ~CCAnimationCache() override;

    // The shared cache, created on first use.
    static CCAnimationCache* sharedAnimationCache();
    // Drops the shared cache; the next access creates a fresh, empty one.
    static void purgeSharedAnimationCache();

    // Stores the animation (retained) under the name, replacing one of that name.
    void addAnimation(CCAnimation* animation, const std::string& name);
    // The stored animation or null.
    CCAnimation* animationByName(const std::string& name) const;
    void removeAnimationByName(const std::string& name);

    // Reads an animation property list (path relative to the resources) and
    // loads it with addAnimationsWithDictionary. A file that cannot be read
    // loads nothing, logs one line and answers false.
    [[nodiscard]] bool addAnimationsWithFile(const std::string& path);
    // Loads the sprite sheets listed under "properties"/"spritesheets", then
    // the animations under "animations" by the format of "properties"/"format"
    // (1 when "properties" is absent; no animations for any format but 1 and 2).
    // Frames whose sprite frame is unknown are skipped. The animations go
    // into the shared cache, whichever cache was asked to load them: every
    // sprite looks its animations up there.
    void addAnimationsWithDictionary(const Value& dictionary);

    // "<CCAnimationCache = ADDRESS | num of animations =  N>"
    std::string description() const;

private:
    void addFormat1Animations(const Value& animations);
    void addFormat2Animations(const Value& animations);

    std::unordered_map<std::string, Ref<CCAnimation>> animations_;
};

} // namespace mw
