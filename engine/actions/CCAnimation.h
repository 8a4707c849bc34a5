#pragma once

#include <string>
#include <vector>

#include "engine/actions/CCAnimationFrame.h"
#include "foundation/Geometry.h"

namespace mw {

class CCSpriteFrame;
class CCTexture2D;

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
