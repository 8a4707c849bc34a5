#pragma once

#include <string>
#include <vector>

#include "foundation/Geometry.h"
#include "foundation/Object.h"
#include "foundation/Ref.h"
#include "foundation/Value.h"

namespace mw {

class CCSpriteFrame;
class CCTexture2D;

// One frame of a frame animation: a sprite frame, its length in delay
// units and optional user information (a dictionary, announced by a
// notification whenever the frame is shown). The frame holds its sprite
// frame; several animations may share one animation frame.
class CCAnimationFrame : public Object {
public:
    // userInfo: a dictionary, or null when the frame carries none.
    CCAnimationFrame(CCSpriteFrame* spriteFrame, float delayUnits, Value userInfo = {});
    ~CCAnimationFrame() override;

    // A frame with a copy of the sprite frame, the same delay units and a
    // copy of the user information.
    Ref<CCAnimationFrame> copy() const;

    CCSpriteFrame* spriteFrame() const { return spriteFrame_.get(); }
    void setSpriteFrame(CCSpriteFrame* spriteFrame);
    float delayUnits() const { return delayUnits_; }
    void setDelayUnits(float units) { delayUnits_ = units; }
    // Null when the frame carries no user information.
    const Value& userInfo() const { return userInfo_; }
    void setUserInfo(Value userInfo) { userInfo_ = std::move(userInfo); }

    // "<CCAnimationFrame = ADDRESS | SpriteFrame = ADDRESS, delayUnits = D.DD >"
    std::string description() const;

private:
    Ref<CCSpriteFrame> spriteFrame_;
    float delayUnits_;
    Value userInfo_;
};

// A list of animation frames with a delay per unit: frame i lasts its delay
// units times the delay per unit. The animation owns its frame list;
// duration and total delay units are kept up to date by the constructors and
// the add functions only (setDelayPerUnit does not recompute the duration).
class CCAnimation : public Object {
public:
    // No frames, delay 0.
    CCAnimation() = default;
    // One frame of one delay unit per sprite frame; `delay` seconds per frame.
    CCAnimation(const std::vector<Ref<CCSpriteFrame>>& spriteFrames, float delay);
    // The given animation frames (shared, not copied) and seconds per delay unit.
    CCAnimation(const std::vector<Ref<CCAnimationFrame>>& frames, float delayPerUnit);

    static Ref<CCAnimation> animation() { return makeRef<CCAnimation>(); }
    static Ref<CCAnimation> animationWithFrames(const std::vector<Ref<CCSpriteFrame>>& spriteFrames, float delay = 0)
    {
        return makeRef<CCAnimation>(spriteFrames, delay);
    }
    static Ref<CCAnimation> animationWithFrames(const std::vector<Ref<CCAnimationFrame>>& frames, float delayPerUnit)
    {
        return makeRef<CCAnimation>(frames, delayPerUnit);
    }

    // Appends a frame of one delay unit: the duration grows by the delay per unit.
    void addFrame(CCSpriteFrame* spriteFrame);
    // Appends a frame lasting `delay` seconds. The first frame's delay becomes
    // the delay per unit; a frame added while the delay per unit is 0 counts
    // no units (rather than dividing by zero).
    void addFrame(CCSpriteFrame* spriteFrame, float delay);
    // Appends a frame covering the whole texture of an image file (through
    // the shared texture cache). An image that cannot be loaded adds nothing
    // and logs one line; the answer says whether a frame was added.
    bool addFrameWithFilename(const std::string& path);
    // Appends a frame of the texture's rectangle (in points).
    void addFrameWithTexture(CCTexture2D* texture, CGRect rect);

    const std::vector<Ref<CCAnimationFrame>>& frames() const { return frames_; }
    void setFrames(std::vector<Ref<CCAnimationFrame>> frames) { frames_ = std::move(frames); }
    float delayPerUnit() const { return delayPerUnit_; }
    void setDelayPerUnit(float delay) { delayPerUnit_ = delay; }
    float totalDelayUnits() const { return totalDelayUnits_; }
    // Seconds.
    float duration() const { return duration_; }
    // Whether an animate made from this animation puts the sprite's earlier
    // frame back when it stops; false after every constructor.
    bool restoreOriginalFrame() const { return restoreOriginalFrame_; }
    void setRestoreOriginalFrame(bool restore) { restoreOriginalFrame_ = restore; }

    // "<CCAnimation = ADDRESS | frames=N, totalDelayUnits=U, delayPerUnit=D>"
    std::string description() const;

private:
    float totalDelayUnits_ = 0;
    float delayPerUnit_ = 0;
    float duration_ = 0;
    std::vector<Ref<CCAnimationFrame>> frames_;
    bool restoreOriginalFrame_ = false;
};

} // namespace mw
