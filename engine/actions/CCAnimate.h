#pragma once

#include <vector>

#include "engine/actions/CCActionInterval.h"
#include "engine/sprites/CCAnimation.h"

namespace mw {

class CCSpriteFrame;

// Plays a frame animation on a sprite: each frame is shown once the
// progress reaches its split time (the share of the animation's delay units
// before it). At most one frame is shown per update, so frames whose times
// have passed together follow on later updates; there is no wrap-around.
// A frame with user information posts "CCAnimationFrameDisplayedNotification"
// (object: the sprite, user information: the frame's dictionary) through the
// default notification centre whenever it is shown.
//
// The target must be a sprite (CCSpriteProtocol); other nodes are left
// alone. The animation is retained and shared with copies; the split times
// are fixed when the action is made.
class CCAnimate : public CCActionInterval {
public:
    CCAnimate(float duration, CCAnimation* animation, bool restoreOriginalFrame);
    // Lasts the animation's duration.
    CCAnimate(CCAnimation* animation, bool restoreOriginalFrame)
        : CCAnimate(animation ? animation->duration() : 0.0f, animation, restoreOriginalFrame)
    {
    }
    // Takes the restore flag from the animation too.
    explicit CCAnimate(CCAnimation* animation)
        : CCAnimate(animation, animation ? animation->restoreOriginalFrame() : false)
    {
    }
    ~CCAnimate() override;

    static Ref<CCAnimate> actionWithAnimation(CCAnimation* animation) { return makeRef<CCAnimate>(animation); }
    static Ref<CCAnimate> actionWithAnimation(CCAnimation* animation, bool restoreOriginalFrame)
    {
        return makeRef<CCAnimate>(animation, restoreOriginalFrame);
    }
    static Ref<CCAnimate> actionWithDuration(float duration, CCAnimation* animation, bool restoreOriginalFrame)
    {
        return makeRef<CCAnimate>(duration, animation, restoreOriginalFrame);
    }

    static constexpr const char* kFrameDisplayedNotification = "CCAnimationFrameDisplayedNotification";

    // Same duration, the same animation object and restore flag.
    Ref<CCAction> copy() const override;
    // Rewinds to the first frame; with the restore flag, remembers the frame
    // the sprite shows now.
    void startWithTarget(CCNode* target) override;
    // With the restore flag, puts the remembered frame back.
    void stop() override;
    void update(float t) override;
    // Copies of the frames in reverse order, same duration and restore flag.
    Ref<CCFiniteTimeAction> reverse() const override;

    CCAnimation* animation() const { return animation_.get(); }
    void setAnimation(CCAnimation* animation) { animation_ = animation; }
    // The progress at which each frame is due, fixed at creation.
    const std::vector<float>& splitTimes() const { return splitTimes_; }

private:
    void computeSplitTimes(float duration);
    void showFrame(size_t index);

    std::vector<float> splitTimes_;
    int32_t nextFrame_ = 0;
    Ref<CCAnimation> animation_;
    Ref<CCSpriteFrame> origFrame_;
    bool restoreOriginalFrame_;
};

} // namespace mw
