#include "game/defs/Animation.h"

#include <tinyxml2.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "engine/director/CCDirector.h"
#include "engine/support/CCFileUtils.h"
#include "foundation/Log.h"
#include "foundation/Selector.h"
#include "foundation/Shared.h"
#include "game/state/GlobalObject.h"

namespace mw {

namespace {

float attribute(const tinyxml2::XMLElement* element, const char* name)
{
    return element ? element->FloatAttribute(name, 0.0f) : 0.0f;
}

// A number of the file cut toward zero to an int, clamped to the int range
// (NaN reads as 0): a cast of an out-of-range float is undefined.
int32_t cutToInt(double value)
{
    if (std::isnan(value)) return 0;
    if (value >= 2147483647.0) return INT32_MAX;
    if (value <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(value);
}

} // namespace

float Animation::devicePositionScale()
{
    if (GlobalObject* global = Shared<GlobalObject>::current(); global && global->isIp3) return 0.5f;
    CCDirector* director = CCDirector::currentDirector();
    if (director && director->winSizeInPixels().width > 1024) return 2.0f;
    return 1.0f;
}

Ref<Animation> Animation::animationWithTinyXML(const std::string& file)
{
    return animationWithFile(CCFileUtils::fullPathFromRelativePath(file), devicePositionScale());
}

Ref<Animation> Animation::animationWithFile(const std::string& path, float positionScale)
{
    Ref<Animation> animation = makeRef<Animation>();
    tinyxml2::XMLDocument document;
    if (document.LoadFile(path.c_str()) != tinyxml2::XML_SUCCESS || !document.RootElement()) {
        logLine("Animation: %s cannot be read (%s); the template is empty", path.c_str(), document.ErrorStr());
        return animation;
    }
    const tinyxml2::XMLElement* fps = document.RootElement()->FirstChildElement();
    if (!fps) return animation;
    animation->Fps = fps->GetText() ? std::atoi(fps->GetText()) : 0;
    for (auto* element = fps->NextSiblingElement(); element; element = element->NextSiblingElement()) {
        Ref<ANIM_DEF> part = makeRef<ANIM_DEF>();
        part->Name = element->Attribute("image") ? element->Attribute("image") : "";
        for (auto* key = element->FirstChildElement(); key; key = key->NextSiblingElement()) {
            const tinyxml2::XMLElement* item = key->FirstChildElement();
            Ref<FRAME_DEF> frame = makeRef<FRAME_DEF>();
            frame->index = cutToInt(key->DoubleAttribute("index", 0.0));
            frame->StartTime = animation->Fps > 0 ? static_cast<float>(frame->index) / animation->Fps : 0.0f;
            frame->Position = CGPoint{attribute(item, "x") * positionScale, -attribute(item, "y") * positionScale};
            frame->Scale = CGPoint{attribute(item, "scaleX"), attribute(item, "scaleY")};
            frame->depth = cutToInt(attribute(item, "depth"));
            frame->AlphaRotation = CGPoint{attribute(item, "alpha"), attribute(item, "rotation")};
            frame->Anchor = CGPoint{attribute(item, "anchorX"), attribute(item, "anchorY")};
            part->Frames.push_back(frame);
        }
        animation->Animations.push_back(part);
    }
    return animation;
}

Ref<Animation> Animation::animationWithXML(const XML& reader)
{
    return animationWithXML(reader, devicePositionScale());
}

Ref<Animation> Animation::animationWithXML(const XML& reader, float positionScale)
{
    Ref<Animation> animation = makeRef<Animation>();
    animation->Fps = cutToInt(reader.query("fps.value").value().asDouble());
    const float frameTime = animation->Fps > 0 ? 1.0f / static_cast<float>(animation->Fps) : 0.0f;
    const int32_t parts = reader.query("animation.count").intValue();
    for (int32_t p = 0; p < parts; ++p) {
        const std::string partPath = "animation[" + std::to_string(p) + "]";
        Ref<ANIM_DEF> part = makeRef<ANIM_DEF>();
        part->Name = reader.query(partPath + ".@image").stringValue();
        const int32_t frames = reader.query(partPath + ".frame.count").intValue();
        for (int32_t k = 0; k < frames; ++k) {
            const std::string framePath = partPath + ".frame[" + std::to_string(k) + "]";
            auto item = [&](const char* name) {
                return reader.query(framePath + ".item.@" + name).value().asDouble();
            };
            auto itemFloat = [&](const char* name) { return static_cast<float>(item(name)); };
            Ref<FRAME_DEF> frame = makeRef<FRAME_DEF>();
            if (frames != 1) {
                frame->index = cutToInt(reader.query(framePath + ".@index").value().asDouble());
                frame->StartTime = static_cast<float>(frame->index) * frameTime;
            }
            frame->Position = CGPoint{itemFloat("x") * positionScale, -itemFloat("y") * positionScale};
            frame->Scale = CGPoint{itemFloat("scaleX"), itemFloat("scaleY")};
            frame->depth = cutToInt(item("depth"));
            frame->AlphaRotation = CGPoint{itemFloat("alpha"), itemFloat("rotation")};
            frame->Anchor = CGPoint{itemFloat("anchorX"), itemFloat("anchorY")};
            part->Frames.push_back(frame);
        }
        animation->Animations.push_back(part);
    }
    return animation;
}

Ref<Animation> Animation::GenerateNewObject() const
{
    Ref<Animation> copy = makeRef<Animation>();
    copy->Fps = Fps;
    copy->Animations.reserve(Animations.size());
    for (const Ref<ANIM_DEF>& part : Animations) {
        Ref<ANIM_DEF> own = makeRef<ANIM_DEF>();
        own->Name = part->Name;
        own->Frames = part->Frames;
        copy->Animations.push_back(own);
    }
    return copy;
}

void Animation::PlaceObject(int32_t opacity)
{
    double minX = 2147483648.0, minY = 2147483648.0, maxX = -2147483648.0, maxY = -2147483648.0;
    for (const Ref<ANIM_DEF>& part : Animations) {
        Ref<CCSprite> sprite = CCSprite::spriteWithSpriteFrameName(part->Name);
        if (part->Frames.empty()) continue;
        const FRAME_DEF& first = *part->Frames.front();
        sprite->setPositionInPixels(first.Position);
        sprite->setScaleX(first.Scale.x);
        sprite->setScaleY(first.Scale.y);
        sprite->setRotation(first.AlphaRotation.y);
        sprite->setOpacity(static_cast<uint8_t>(opacity == -1 ? static_cast<int32_t>(first.AlphaRotation.x) : opacity));
        const CGSize size = sprite->contentSize();
        sprite->setAnchorPoint(CGPoint{size.width > 0 ? 0.5f - first.Anchor.x / size.width : 0.5f,
                                       size.height > 0 ? 0.5f - first.Anchor.y / size.height : 0.5f});
        addChild(sprite.get(), first.depth);
        const CGRect box = sprite->boundingBox();
        minX = std::min<double>(minX, box.origin.x);
        minY = std::min<double>(minY, box.origin.y);
        maxX = std::max<double>(maxX, box.origin.x + box.size.width);
        maxY = std::max<double>(maxY, box.origin.y + box.size.height);
        if (part->Frames.size() >= 2) part->Sprite = sprite;
    }
    sortAllChildren();
    AnimationBox = CGRect{CGPoint{static_cast<float>(minX), static_cast<float>(minY)},
                          CGSize{static_cast<float>(maxX - minX), static_cast<float>(maxY - minY)}};
}

void Animation::StartAnimations(bool loop, bool stopAtEnd)
{
    Loop = loop;
    StopAtEnd = stopAtEnd;
    for (const Ref<ANIM_DEF>& part : Animations) {
        part->CurrentFrame = 0;
        part->Timer = 0;
    }
    schedule(schedule_selector(Animation::Update));
}

void Animation::StopAnimations()
{
    unschedule(schedule_selector(Animation::Update));
}

CCSprite* Animation::GetSpriteNamed(const std::string& name) const
{
    for (const Ref<ANIM_DEF>& part : Animations) {
        if (part->Name == name) return part->Sprite.get();
    }
    return nullptr;
}

void Animation::apply(ANIM_DEF& part, const FRAME_DEF& frame)
{
    applyBetween(part, frame, frame, 0.0f);
}

void Animation::applyBetween(ANIM_DEF& part, const FRAME_DEF& from, const FRAME_DEF& to, float t)
{
    if (!part.Sprite) return;
    auto mix = [t](float a, float b) { return a * (1.0f - t) + b * t; };
    part.Sprite->setPositionInPixels(CGPoint{mix(from.Position.x, to.Position.x), mix(from.Position.y, to.Position.y)});
    part.Sprite->setScaleX(mix(from.Scale.x, to.Scale.x));
    part.Sprite->setScaleY(mix(from.Scale.y, to.Scale.y));
    part.Sprite->setOpacity(static_cast<uint8_t>(static_cast<int32_t>(mix(from.AlphaRotation.x, to.AlphaRotation.x))));
    part.Sprite->setRotation(mix(from.AlphaRotation.y, to.AlphaRotation.y));
}

void Animation::restart(ANIM_DEF& part)
{
    part.CurrentFrame = 0;
    part.Timer = 0;
    apply(part, *part.Frames.front());
}

void Animation::Update(float dt)
{
    Ref<Animation> keep(this); // removing itself from the parent may drop the last other reference
    for (const Ref<ANIM_DEF>& owned : Animations) {
        ANIM_DEF& part = *owned;
        const size_t count = part.Frames.size();
        if (count < 2 || part.CurrentFrame < 0 || static_cast<size_t>(part.CurrentFrame) + 1 >= count) continue;
        const FRAME_DEF& current = *part.Frames[part.CurrentFrame];
        const FRAME_DEF& next = *part.Frames[part.CurrentFrame + 1];
        part.Timer += dt;
        if (part.Timer >= next.StartTime) {
            ++part.CurrentFrame;
            if (static_cast<size_t>(part.CurrentFrame) + 1 < count) {
                apply(part, *part.Frames[part.CurrentFrame]);
                continue;
            }
            // The last key frame only ends the last stretch.
            if (Loop) {
                restart(part);
                continue;
            }
            if (!StopAtEnd) restart(part);
            StopAnimations();
            if (AutoRelease) removeFromParentAndCleanup(false);
            return;
        }
        if (next.index == current.index + 1) {
            apply(part, current);
        } else {
            const float span = next.StartTime - current.StartTime;
            const float t = span > 0 ? std::min(1.0f, (part.Timer - current.StartTime) / span) : 1.0f;
            applyBetween(part, current, next, t);
        }
    }
}

} // namespace mw
