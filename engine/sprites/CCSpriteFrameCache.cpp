#include "engine/sprites/CCSpriteFrameCache.h"

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <vector>

#include "engine/base/ccDescription.h"
#include "engine/support/CCFileUtils.h"
#include "engine/textures/CCTexture2D.h"
#include "engine/textures/CCTextureCache.h"
#include "foundation/Format.h"
#include "foundation/Geometry.h"
#include "foundation/Log.h"
#include "foundation/PropertyList.h"
#include "foundation/Shared.h"
#include "foundation/Value.h"

namespace mw {

namespace {

// Whether a dictionary can be read as a sheet: "frames" must be a
// dictionary and the format one of 0 to 3 (guessing at an unknown layout
// would hand out wrong regions). Logs one line when it cannot.
bool isReadableSheet(const Value& sheet)
{
    if (!sheet["frames"].isDict()) {
        logLine("CCSpriteFrameCache: sheet without a \"frames\" dictionary");
        return false;
    }
    const int format = sheet["metadata"]["format"].asInt();
    if (format < 0 || format > 3) {
        logLine("CCSpriteFrameCache: sheet format %d is not supported", format);
        return false;
    }
    return true;
}

// The sheet's dictionary, or nullopt (one log line) when the file is not a
// readable property list with a sheet dictionary at the top.
std::optional<Value> readSheet(const std::string& plist)
{
    const std::string fullPath = CCFileUtils::fullPathFromRelativePath(plist);
    std::string error;
    std::optional<Value> sheet = readPropertyListFile(fullPath, &error);
    if (!sheet) {
        logLine("CCSpriteFrameCache: cannot read %s: %s", plist.c_str(), error.c_str());
        return std::nullopt;
    }
    if (!sheet->isDict()) {
        logLine("CCSpriteFrameCache: %s is not a dictionary", plist.c_str());
        return std::nullopt;
    }
    if (!isReadableSheet(*sheet)) {
        return std::nullopt;
    }
    return sheet;
}

// The sheet's image: "textureFileName" beside the property list, else the
// property list's own name with the extension "png".
std::string texturePathFor(const std::string& plist, const Value& sheet)
{
    const Value& metadata = sheet["metadata"];
    if (metadata.isDict() && metadata.contains("textureFileName")) {
        const std::filesystem::path folder = std::filesystem::path(plist).parent_path();
        return (folder / metadata["textureFileName"].asString()).string();
    }
    return std::filesystem::path(plist).replace_extension("png").string();
}

CGSize absoluteSize(float width, float height) { return {std::abs(width), std::abs(height)}; }

Ref<CCSpriteFrame> frameOfFormat0(const Value& entry, CCTexture2D* texture)
{
    const CGRect region{entry["x"].asFloat(), entry["y"].asFloat(), entry["width"].asFloat(),
                        entry["height"].asFloat()};
    const CGPoint offset{entry["offsetX"].asFloat(), entry["offsetY"].asFloat()};
    // Some packers wrote negative untrimmed sizes; only the magnitude counts.
    const CGSize original = absoluteSize(static_cast<float>(entry["originalWidth"].asInt()),
                                         static_cast<float>(entry["originalHeight"].asInt()));
    return CCSpriteFrame::frameWithTexture(texture, region, false, offset, original);
}

Ref<CCSpriteFrame> frameOfFormat1Or2(const Value& entry, CCTexture2D* texture, int format)
{
    const CGRect region = CGRectFromString(entry["frame"].asString());
    const bool rotated = format == 2 && entry["rotated"].asBool();
    const CGPoint offset = CGPointFromString(entry["offset"].asString());
    const CGSize original = CGSizeFromString(entry["sourceSize"].asString());
    return CCSpriteFrame::frameWithTexture(texture, region, rotated, offset, original);
}

Ref<CCSpriteFrame> frameOfFormat3(const Value& entry, CCTexture2D* texture)
{
    const CGSize size = CGSizeFromString(entry["spriteSize"].asString());
    const CGPoint origin = CGRectFromString(entry["textureRect"].asString()).origin;
    const CGRect region{origin.x, origin.y, size.width, size.height};
    const CGPoint offset = CGPointFromString(entry["spriteOffset"].asString());
    const CGSize original = CGSizeFromString(entry["spriteSourceSize"].asString());
    return CCSpriteFrame::frameWithTexture(texture, region, entry["textureRotated"].asBool(), offset,
                                           original);
}

} // namespace

CCSpriteFrameCache* CCSpriteFrameCache::sharedSpriteFrameCache() { return Shared<CCSpriteFrameCache>::get(); }

void CCSpriteFrameCache::purgeSharedSpriteFrameCache() { Shared<CCSpriteFrameCache>::purge(); }

bool CCSpriteFrameCache::addSpriteFramesWithFile(const std::string& plist)
{
    std::optional<Value> sheet = readSheet(plist);
    if (!sheet) {
        return false;
    }
    const std::string texturePath = texturePathFor(plist, *sheet);
    Ref<CCTexture2D> texture = CCTextureCache::sharedTextureCache()->addImage(texturePath);
    if (!texture) {
        logLine("CCSpriteFrameCache: no texture %s for %s", texturePath.c_str(), plist.c_str());
        return false;
    }
    return addSpriteFramesWithDictionary(*sheet, texture.get());
}

bool CCSpriteFrameCache::addSpriteFramesWithFile(const std::string& plist, const std::string& textureFile)
{
    Ref<CCTexture2D> texture = CCTextureCache::sharedTextureCache()->addImage(textureFile);
    if (!texture) {
        logLine("CCSpriteFrameCache: no texture %s for %s", textureFile.c_str(), plist.c_str());
        return false;
    }
    return addSpriteFramesWithFile(plist, texture.get());
}

bool CCSpriteFrameCache::addSpriteFramesWithFile(const std::string& plist, CCTexture2D* texture)
{
    std::optional<Value> sheet = readSheet(plist);
    return sheet && addSpriteFramesWithDictionary(*sheet, texture);
}

bool CCSpriteFrameCache::addSpriteFramesWithDictionary(const Value& dictionary, CCTexture2D* texture)
{
    if (!isReadableSheet(dictionary)) {
        return false;
    }
    const int format = dictionary["metadata"]["format"].asInt();
    for (const auto& [name, entry] : dictionary["frames"].asDict()) {
        if (!entry.isDict()) {
            continue;
        }
        Ref<CCSpriteFrame> frame;
        switch (format) {
        case 0: frame = frameOfFormat0(entry, texture); break;
        case 1:
        case 2: frame = frameOfFormat1Or2(entry, texture, format); break;
        default:
            frame = frameOfFormat3(entry, texture);
            for (const Value& alias : entry["aliases"].asArray()) {
                spriteFramesAliases_[alias.asString()] = name;
            }
            break;
        }
        spriteFrames_[name] = frame;
    }
    return true;
}

void CCSpriteFrameCache::addSpriteFrame(CCSpriteFrame* frame, const std::string& name)
{
    if (frame) {
        spriteFrames_[name] = frame;
    }
}

Ref<CCSpriteFrame> CCSpriteFrameCache::spriteFrameByName(const std::string& name) const
{
    if (auto found = spriteFrames_.find(name); found != spriteFrames_.end()) {
        return found->second;
    }
    if (auto alias = spriteFramesAliases_.find(name); alias != spriteFramesAliases_.end()) {
        if (auto found = spriteFrames_.find(alias->second); found != spriteFrames_.end()) {
            return found->second;
        }
    }
    return nullptr;
}

void CCSpriteFrameCache::removeSpriteFrameByName(const std::string& name)
{
    if (auto alias = spriteFramesAliases_.find(name); alias != spriteFramesAliases_.end()) {
        spriteFrames_.erase(alias->second);
        spriteFramesAliases_.erase(alias);
        return;
    }
    spriteFrames_.erase(name);
}

void CCSpriteFrameCache::removeSpriteFrames()
{
    spriteFrames_.clear();
    spriteFramesAliases_.clear();
}

void CCSpriteFrameCache::removeUnusedSpriteFrames()
{
    std::erase_if(spriteFrames_, [](const auto& entry) { return entry.second->retainCount() == 1; });
}

bool CCSpriteFrameCache::removeSpriteFramesFromFile(const std::string& plist)
{
    std::optional<Value> sheet = readSheet(plist);
    if (!sheet) {
        return false;
    }
    removeSpriteFramesFromDictionary(*sheet);
    return true;
}

void CCSpriteFrameCache::removeSpriteFramesFromDictionary(const Value& dictionary)
{
    const Value& frames = dictionary["frames"];
    if (!frames.isDict()) {
        return;
    }
    for (const auto& entry : frames.asDict()) {
        spriteFrames_.erase(entry.first);
    }
}

void CCSpriteFrameCache::removeSpriteFramesFromTexture(const CCTexture2D* texture)
{
    std::erase_if(spriteFrames_, [texture](const auto& entry) { return entry.second->texture() == texture; });
}

std::string CCSpriteFrameCache::description() const
{
    return format("<%s = %s | num of sprite frames =  %d>", ccClassName(typeid(*this)).c_str(),
                  ccAddressString(this).c_str(), static_cast<int>(spriteFrames_.size()));
}

} // namespace mw
