#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/sprites/CCSprite.h"
#include "foundation/Geometry.h"
#include "foundation/Object.h"
#include "foundation/Ref.h"
#include "game/state/XML.h"

namespace mw {

// One key frame of a part. Shared by a template and all its copies; never
// changed after reading.
class FRAME_DEF : public Object {
public:
    int32_t depth = 0;     // z-order of the part's sprite
    int32_t index = 0;     // frame number
    float StartTime = 0;   // index / fps, in seconds
    CGPoint Position;      // in pixels, already converted for the device
    CGPoint Scale;         // x and y
    CGPoint Anchor;        // offset of the pivot from the picture's centre, in the picture's points
    CGPoint AlphaRotation; // x: opacity 0..255, y: rotation in degrees
};

// One part: a picture moved between its key frames.
class ANIM_DEF : public Object {
public:
    std::string Name;     // sprite-frame name of the picture
    int32_t CurrentFrame = 0; // the key frame last passed
    float Timer = 0;      // seconds since the part's run began
    Ref<CCSprite> Sprite; // once placed; only for parts of two or more key frames
    std::vector<Ref<FRAME_DEF>> Frames; // in file order, ascending index
};

// A cut-out key-frame animation of several sprites, read from an XML file.
// A template is read once (animationWithTinyXML) and never placed; screens
// make their own copy (GenerateNewObject), add it to their tree, place its
// sprites (PlaceObject) and start it (StartAnimations). Main thread.
//
// The file: a root element whose first child element's text is the frames
// per second; every following sibling is a part (attribute "image", the
// sprite-frame name) whose child elements are its key frames (attribute
// "index"), each holding one element with the attributes x, y, scaleX,
// scaleY, depth, alpha, rotation, anchorX and anchorY. Elements are taken by
// position, not by name; a missing attribute reads as 0.
class Animation : public CCSprite {
public:
    // A template read from a file of the bundle (resolved through the file
    // utilities); positions are converted for the running device. A file
    // that cannot be read gives an empty template (logged): no parts, fps 0.
    static Ref<Animation> animationWithTinyXML(const std::string& file);
    // The same from a full path, with positions multiplied by `positionScale`.
    static Ref<Animation> animationWithFile(const std::string& path, float positionScale);
    // A template from an already parsed file, found by element names
    // ("fps", "animation" with "image", "frame" with "index", "item") rather
    // than by position. It reads like animationWithFile except that the fps
    // is a decimal number cut to an integer, a part of exactly one key frame
    // starts at 0 without its index being read (index stays 0), and a start
    // time is index * (1 / fps) in floats. A missing element or attribute
    // reads as 0; an fps of 0 or less puts every key frame at time 0.
    static Ref<Animation> animationWithXML(const XML& reader);
    static Ref<Animation> animationWithXML(const XML& reader, float positionScale);
    // How positions of the files are scaled on the running device: 0.5 on a
    // low-resolution phone, 2 on a window wider than 1024 pixels, else 1.
    static float devicePositionScale();

    // A new, unplaced copy owned by the caller: the same parts and key
    // frames, its own per-part state.
    Ref<Animation> GenerateNewObject() const;
    // Creates and adds the part sprites at key frame 0; opacity -1 lets each
    // part take its own, else every part takes the argument's low byte.
    void PlaceObject() { PlaceObject(-1); }
    void PlaceObject(int32_t opacity);
    // Puts every part back to key frame 0 and steps every frame from now on.
    void StartAnimations(bool loop) { StartAnimations(loop, false); }
    void StartAnimations(bool loop, bool stopAtEnd);
    void StopAnimations();
    // Removes itself from its parent when it stops at its end.
    void SetAutoRelease() { AutoRelease = true; }
    // The sprite of the first part of that name, or null (unplaced, or a
    // one-frame part).
    CCSprite* GetSpriteNamed(const std::string& name) const;
    // One frame's step of every part (scheduled by StartAnimations).
    void Update(float dt);

    int32_t Fps = 0;
    bool Loop = false;
    bool StopAtEnd = false;
    bool AutoRelease = false;
    std::vector<Ref<ANIM_DEF>> Animations; // the parts, in file order
    CGRect AnimationBox;                   // of the placed parts, in the node's coordinates

private:
    static void apply(ANIM_DEF& part, const FRAME_DEF& frame);
    static void applyBetween(ANIM_DEF& part, const FRAME_DEF& from, const FRAME_DEF& to, float t);
    void restart(ANIM_DEF& part);
};

} // namespace mw
