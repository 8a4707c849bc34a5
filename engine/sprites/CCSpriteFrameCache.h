#pragma once

#include <map>
#include <string>

#include "engine/sprites/CCSpriteFrame.h"
#include "foundation/Object.h"
#include "foundation/Ref.h"

namespace mw {

class CCTexture2D;
class Value;

// The one shared table of sprite frames by name. It reads sprite-sheet
// property lists (formats 0 to 3), loads their textures through the shared
// texture cache, keeps the aliases that format 3 lists, and answers
// spriteFrameByName, which is how sprites are made almost everywhere.
//
// The cache holds one reference to each frame; sprites keep the texture of a
// frame, not the frame, so removing frames leaves sprites already made
// unchanged. Main thread only.
class CCSpriteFrameCache : public Object {
public:
    // The one cache, made empty on first use.
    static CCSpriteFrameCache* sharedSpriteFrameCache();
    // Drops the shared cache; the next access makes an empty one.
    static void purgeSharedSpriteFrameCache();

    CCSpriteFrameCache() = default;
    ~CCSpriteFrameCache() override = default;
    CCSpriteFrameCache(const CCSpriteFrameCache&) = delete;
    CCSpriteFrameCache& operator=(const CCSpriteFrameCache&) = delete;

    // Reads a sheet (path relative to the resources). Its texture is
    // "metadata"/"textureFileName" beside the property list, or the property
    // list's own name with the extension "png". False, with one log line and
    // nothing added, when the property list or the texture cannot be read.
    [[nodiscard]] bool addSpriteFramesWithFile(const std::string& plist);
    // The same with the texture taken from the given image file.
    [[nodiscard]] bool addSpriteFramesWithFile(const std::string& plist, const std::string& textureFile);
    // The same with a texture the caller already has.
    [[nodiscard]] bool addSpriteFramesWithFile(const std::string& plist, CCTexture2D* texture);
    // Makes a frame of every entry of "frames" with the texture, replacing
    // frames of the same names. False (one log line) for a dictionary that
    // is not a sheet or names a format other than 0 to 3; entries that are
    // not dictionaries are skipped.
    [[nodiscard]] bool addSpriteFramesWithDictionary(const Value& dictionary, CCTexture2D* texture);
    // Stores one frame under a name, replacing one of that name; null is ignored.
    void addSpriteFrame(CCSpriteFrame* frame, const std::string& name);

    // The frame stored under the name, else under the name the alias table
    // gives for it, else null (without a message).
    Ref<CCSpriteFrame> spriteFrameByName(const std::string& name) const;

    // An alias removes the frame it points to and the alias itself.
    void removeSpriteFrameByName(const std::string& name);
    // Empties both the frames and the aliases.
    void removeSpriteFrames();
    // Drops every frame that only the cache holds; aliases stay.
    void removeUnusedSpriteFrames();
    // Drops the frames that a sheet names; aliases stay. False (one log
    // line) when the property list cannot be read.
    bool removeSpriteFramesFromFile(const std::string& plist);
    void removeSpriteFramesFromDictionary(const Value& dictionary);
    // Drops every frame of that very texture object; aliases stay.
    void removeSpriteFramesFromTexture(const CCTexture2D* texture);

    // "<CCSpriteFrameCache = ADDRESS | num of sprite frames =  N>"
    std::string description() const;

private:
    std::map<std::string, Ref<CCSpriteFrame>> spriteFrames_;
    // Alias -> frame name.
    std::map<std::string, std::string> spriteFramesAliases_;
};

} // namespace mw
