#pragma once

#include <string>

#include "foundation/Object.h"
#include "foundation/Ref.h"
#include "foundation/Value.h"

namespace mw {

class CCSpriteFrame;

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

} // namespace mw
