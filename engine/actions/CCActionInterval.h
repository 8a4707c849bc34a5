// The interval actions: the actions that move, jump, scale, rotate, skew,
// fade, tint or blink a node over a duration (their timed base sits with the
// action manager, which steps it directly).

#pragma once

#include <algorithm>
#include <cstdint>

#include "engine/base/ccTypes.h"
#include "engine/nodes/CCAction.h"
#include "foundation/Geometry.h"

namespace mw {

// Spends its duration doing nothing (in sequences and spawns).
class CCDelayTime : public CCActionInterval {
public:
    using CCActionInterval::CCActionInterval;

    static Ref<CCDelayTime> actionWithDuration(float duration) { return makeRef<CCDelayTime>(duration); }

    Ref<CCAction> copy() const override { return makeRef<CCDelayTime>(duration_); }
    void update(float progress) override {}
    Ref<CCFiniteTimeAction> reverse() const override { return makeRef<CCDelayTime>(duration_); }
};

// Runs an action backwards in time: progress t becomes 1 - t.
class CCReverseTime : public CCActionInterval {
public:
    // The action is retained and must not be null.
    explicit CCReverseTime(CCFiniteTimeAction* action)
        : CCActionInterval(action->duration()), other_(action)
    {
    }

    static Ref<CCReverseTime> actionWithAction(CCFiniteTimeAction* action)
    {
        return makeRef<CCReverseTime>(action);
    }

    Ref<CCAction> copy() const override
    {
        Ref<CCFiniteTimeAction> other = copyAs<CCFiniteTimeAction>(*other_);
        return makeRef<CCReverseTime>(other);
    }
    void startWithTarget(CCNode* target) override
    {
        CCActionInterval::startWithTarget(target);
        other_->startWithTarget(target);
    }
    void stop() override
    {
        other_->stop();
        CCActionInterval::stop();
    }
    void update(float progress) override { other_->update(1 - progress); }
    // Reversing twice gives the action itself (a copy of it).
    Ref<CCFiniteTimeAction> reverse() const override { return copyAs<CCFiniteTimeAction>(*other_); }

private:
    Ref<CCFiniteTimeAction> other_;
};

// Moves a node in a straight line to an absolute position. Every start
// reads the node's position afresh and aims at the same end point.
class CCMoveTo : public CCActionInterval {
public:
    CCMoveTo(float duration, CGPoint position) : CCActionInterval(duration), endPosition_(position) {}

    static Ref<CCMoveTo> actionWithDuration(float duration, CGPoint position)
    {
        return makeRef<CCMoveTo>(duration, position);
    }

    Ref<CCAction> copy() const override;
    void startWithTarget(CCNode* target) override;
    void update(float t) override;

protected:
    CGPoint endPosition_;
    CGPoint startPosition_;
    CGPoint delta_;
};

// Moves a node in a straight line by an offset from wherever it is at start.
class CCMoveBy : public CCMoveTo {
public:
    CCMoveBy(float duration, CGPoint offset) : CCMoveTo(duration, CGPointZero) { delta_ = offset; }

    static Ref<CCMoveBy> actionWithDuration(float duration, CGPoint offset)
    {
        return makeRef<CCMoveBy>(duration, offset);
    }

    Ref<CCAction> copy() const override { return makeRef<CCMoveBy>(duration_, delta_); }
    void startWithTarget(CCNode* target) override;
    // The same move with the offset negated.
    Ref<CCFiniteTimeAction> reverse() const override;
};

// Drops a node onto an absolute position: x moves at a constant speed while
// y follows the bounce-out curve, so the node hits its place and bounces
// three times, ever lower. Bonus items land this way.
class CCMoveToWithYBounce : public CCActionInterval {
public:
    CCMoveToWithYBounce(float duration, CGPoint position) : CCActionInterval(duration), endPosition_(position) {}

    static Ref<CCMoveToWithYBounce> actionWithDuration(float duration, CGPoint position)
    {
        return makeRef<CCMoveToWithYBounce>(duration, position);
    }

    // The bounce-out curve (the same as the bounce eases').
    static float bounceTime(float t);

    Ref<CCAction> copy() const override;
    void startWithTarget(CCNode* target) override;
    void update(float t) override;

private:
    CGPoint endPosition_;
    CGPoint startPosition_;
    CGPoint delta_;
};

// Moves a node by an offset in a number of parabolic hops of a given height;
// it lands on the straight line from start to end at every whole hop.
class CCJumpBy : public CCActionInterval {
public:
    CCJumpBy(float duration, CGPoint position, float height, uint32_t jumps)
        : CCActionInterval(duration), delta_(position), height_(height), jumps_(jumps)
    {
    }

    static Ref<CCJumpBy> actionWithDuration(float duration, CGPoint position, float height, uint32_t jumps)
    {
        return makeRef<CCJumpBy>(duration, position, height, jumps);
    }

    Ref<CCAction> copy() const override { return makeRef<CCJumpBy>(duration_, delta_, height_, jumps_); }
    void startWithTarget(CCNode* target) override;
    void update(float t) override;
    // Hops back by the negated offset.
    Ref<CCFiniteTimeAction> reverse() const override
    {
        return makeRef<CCJumpBy>(duration_, CGPoint(-delta_.x, -delta_.y), height_, jumps_);
    }

protected:
    CGPoint startPosition_;
    CGPoint delta_;
    float height_;
    uint32_t jumps_;
};

// Hops a node to an absolute position. Every start measures the offset from
// where the node is then, so a restarted jump still lands on the same point.
class CCJumpTo : public CCJumpBy {
public:
    CCJumpTo(float duration, CGPoint position, float height, uint32_t jumps)
        : CCJumpBy(duration, position, height, jumps), endPosition_(position)
    {
    }

    static Ref<CCJumpTo> actionWithDuration(float duration, CGPoint position, float height, uint32_t jumps)
    {
        return makeRef<CCJumpTo>(duration, position, height, jumps);
    }

    Ref<CCAction> copy() const override { return makeRef<CCJumpTo>(duration_, endPosition_, height_, jumps_); }
    void startWithTarget(CCNode* target) override;
    // Hops back to where the last start began.
    Ref<CCFiniteTimeAction> reverse() const override
    {
        return makeRef<CCJumpTo>(duration_, startPosition_, height_, jumps_);
    }

private:
    CGPoint endPosition_;  // absolute, as given at creation
};

// A cubic curve for the bezier actions: the end point and two control
// points. The by-actions read them relative to the node's start position,
// the to-action as absolute points.
struct ccBezierConfig {
    CGPoint endPosition;
    CGPoint controlPoint_1;
    CGPoint controlPoint_2;
};

// The point at progress t on the cubic curve starting at the origin,
// computed per coordinate in single precision.
inline CGPoint ccBezierPointAt(const ccBezierConfig& c, float t)
{
    const float u = 1 - t;
    const float w1 = 3 * t * u * u;
    const float w2 = 3 * t * t * u;
    const float w3 = t * t * t;
    return {w1 * c.controlPoint_1.x + w2 * c.controlPoint_2.x + w3 * c.endPosition.x,
            w1 * c.controlPoint_1.y + w2 * c.controlPoint_2.y + w3 * c.endPosition.y};
}

// The relative curve that, run from the end point, retraces `c` to its start.
inline ccBezierConfig ccBezierReversed(const ccBezierConfig& c)
{
    const CGPoint end = c.endPosition;
    return {{-end.x, -end.y},
            {c.controlPoint_2.x - end.x, c.controlPoint_2.y - end.y},
            {c.controlPoint_1.x - end.x, c.controlPoint_1.y - end.y}};
}

// Moves a node along a cubic curve whose points are relative to its
// position at start.
class CCBezierBy : public CCActionInterval {
public:
    CCBezierBy(float duration, const ccBezierConfig& config) : CCActionInterval(duration), config_(config) {}

    static Ref<CCBezierBy> actionWithDuration(float duration, const ccBezierConfig& config)
    {
        return makeRef<CCBezierBy>(duration, config);
    }

    Ref<CCAction> copy() const override { return makeRef<CCBezierBy>(duration_, config_); }
    void startWithTarget(CCNode* target) override;
    void update(float t) override;
    // Retraces the curve from its end back to its start.
    Ref<CCFiniteTimeAction> reverse() const override
    {
        return makeRef<CCBezierBy>(duration_, ccBezierReversed(config_));
    }

protected:
    ccBezierConfig config_;
    CGPoint startPosition_;
};

// Moves a node along a cubic curve given in absolute points. Every start
// makes the curve relative to where the node is then, so a restarted curve
// still ends on the same point.
class CCBezierTo : public CCBezierBy {
public:
    CCBezierTo(float duration, const ccBezierConfig& config) : CCBezierBy(duration, config), toConfig_(config) {}

    static Ref<CCBezierTo> actionWithDuration(float duration, const ccBezierConfig& config)
    {
        return makeRef<CCBezierTo>(duration, config);
    }

    Ref<CCAction> copy() const override { return makeRef<CCBezierTo>(duration_, toConfig_); }
    void startWithTarget(CCNode* target) override;
    // Retraces the curve of the last start back to where that start began.
    Ref<CCFiniteTimeAction> reverse() const override;

private:
    ccBezierConfig toConfig_;  // absolute, as given at creation
};

// The village walkers' curve step: a relative cubic curve like CCBezierBy,
// kept as a class of its own so that the walkers' sequences copy and
// reverse into walker steps.
class CCBezierByVorn : public CCActionInterval {
public:
    CCBezierByVorn(float duration, const ccBezierConfig& config) : CCActionInterval(duration), config_(config) {}

    static Ref<CCBezierByVorn> actionWithDuration(float duration, const ccBezierConfig& config)
    {
        return makeRef<CCBezierByVorn>(duration, config);
    }

    Ref<CCAction> copy() const override { return makeRef<CCBezierByVorn>(duration_, config_); }
    void startWithTarget(CCNode* target) override;
    void update(float t) override;
    // Retraces the curve from its end back to its start.
    Ref<CCFiniteTimeAction> reverse() const override
    {
        return makeRef<CCBezierByVorn>(duration_, ccBezierReversed(config_));
    }

private:
    ccBezierConfig config_;
    CGPoint startPosition_;
};

// Scales a node to absolute factors per axis.
class CCScaleTo : public CCActionInterval {
public:
    CCScaleTo(float duration, float scale) : CCScaleTo(duration, scale, scale) {}
    CCScaleTo(float duration, float scaleX, float scaleY)
        : CCActionInterval(duration), endScaleX_(scaleX), endScaleY_(scaleY)
    {
    }

    static Ref<CCScaleTo> actionWithDuration(float duration, float scale)
    {
        return makeRef<CCScaleTo>(duration, scale);
    }
    static Ref<CCScaleTo> actionWithDuration(float duration, float scaleX, float scaleY)
    {
        return makeRef<CCScaleTo>(duration, scaleX, scaleY);
    }

    Ref<CCAction> copy() const override { return makeRef<CCScaleTo>(duration_, endScaleX_, endScaleY_); }
    void startWithTarget(CCNode* target) override;
    void update(float t) override;

protected:
    float startScaleX_ = 1;
    float startScaleY_ = 1;
    float endScaleX_;
    float endScaleY_;
    float deltaX_ = 0;
    float deltaY_ = 0;
};

// Multiplies a node's scale per axis by factors, from its scale at start.
class CCScaleBy : public CCScaleTo {
public:
    using CCScaleTo::CCScaleTo;

    static Ref<CCScaleBy> actionWithDuration(float duration, float scale)
    {
        return makeRef<CCScaleBy>(duration, scale);
    }
    static Ref<CCScaleBy> actionWithDuration(float duration, float scaleX, float scaleY)
    {
        return makeRef<CCScaleBy>(duration, scaleX, scaleY);
    }

    Ref<CCAction> copy() const override { return makeRef<CCScaleBy>(duration_, endScaleX_, endScaleY_); }
    void startWithTarget(CCNode* target) override;
    // Scales by the inverse factors.
    Ref<CCFiniteTimeAction> reverse() const override
    {
        return makeRef<CCScaleBy>(duration_, 1 / endScaleX_, 1 / endScaleY_);
    }
};

// Turns a node to an absolute angle in degrees, the short way round: at
// start the node's rotation is reduced to one turn and the difference is
// brought into -180..180 by one correction of a full turn (so a destination
// more than a turn away is not brought into range).
class CCRotateTo : public CCActionInterval {
public:
    CCRotateTo(float duration, float angle) : CCActionInterval(duration), dstAngle_(angle) {}

    static Ref<CCRotateTo> actionWithDuration(float duration, float angle)
    {
        return makeRef<CCRotateTo>(duration, angle);
    }

    Ref<CCAction> copy() const override { return makeRef<CCRotateTo>(duration_, dstAngle_); }
    void startWithTarget(CCNode* target) override;
    void update(float t) override;

private:
    float dstAngle_;
    float startAngle_ = 0;
    float diffAngle_ = 0;
};

// Turns a node by an angle in degrees from its rotation at start.
class CCRotateBy : public CCActionInterval {
public:
    CCRotateBy(float duration, float angle) : CCActionInterval(duration), angle_(angle) {}

    static Ref<CCRotateBy> actionWithDuration(float duration, float angle)
    {
        return makeRef<CCRotateBy>(duration, angle);
    }

    Ref<CCAction> copy() const override { return makeRef<CCRotateBy>(duration_, angle_); }
    void startWithTarget(CCNode* target) override;
    void update(float t) override;
    // The same turn the other way.
    Ref<CCFiniteTimeAction> reverse() const override { return makeRef<CCRotateBy>(duration_, -angle_); }

private:
    float angle_;
    float startAngle_ = 0;
};

// Skews a node to absolute angles in degrees, the short way round: the
// start is reduced (x within a half turn, y within a turn) and each
// difference is brought into -180..180 by one correction of a full turn.
class CCSkewTo : public CCActionInterval {
public:
    CCSkewTo(float duration, float skewX, float skewY)
        : CCActionInterval(duration), endSkewX_(skewX), endSkewY_(skewY)
    {
    }

    static Ref<CCSkewTo> actionWithDuration(float duration, float skewX, float skewY)
    {
        return makeRef<CCSkewTo>(duration, skewX, skewY);
    }

    Ref<CCAction> copy() const override { return makeRef<CCSkewTo>(duration_, endSkewX_, endSkewY_); }
    void startWithTarget(CCNode* target) override;
    void update(float t) override;

protected:
    float skewX_ = 0;  // the relative amounts of a skew-by
    float skewY_ = 0;
    float startSkewX_ = 0;
    float startSkewY_ = 0;
    float endSkewX_;
    float endSkewY_;
    float deltaX_ = 0;
    float deltaY_ = 0;
};

// Skews a node by angles in degrees from its (reduced) skew at start.
class CCSkewBy : public CCSkewTo {
public:
    CCSkewBy(float duration, float deltaSkewX, float deltaSkewY) : CCSkewTo(duration, 0, 0)
    {
        skewX_ = deltaSkewX;
        skewY_ = deltaSkewY;
    }

    static Ref<CCSkewBy> actionWithDuration(float duration, float deltaSkewX, float deltaSkewY)
    {
        return makeRef<CCSkewBy>(duration, deltaSkewX, deltaSkewY);
    }

    Ref<CCAction> copy() const override { return makeRef<CCSkewBy>(duration_, skewX_, skewY_); }
    void startWithTarget(CCNode* target) override;
    // Skews back by the negated amounts.
    Ref<CCFiniteTimeAction> reverse() const override { return makeRef<CCSkewBy>(duration_, -skewX_, -skewY_); }
};

// The byte the fading and tinting actions write for a channel value: the
// value truncated toward zero, keeping its low 8 bits. Nothing clamps, so a
// tint-by that carries a channel past 255 wraps (200 + 100 gives 44).
inline uint8_t ccColorByte(float value) { return static_cast<uint8_t>(static_cast<int32_t>(value)); }

// Raises a node's opacity from 0 to 255 over the duration. Its reverse is a fade-out.
// Nodes without colour and opacity are left alone.
class CCFadeIn : public CCActionInterval {
public:
    using CCActionInterval::CCActionInterval;

    static Ref<CCFadeIn> actionWithDuration(float duration) { return makeRef<CCFadeIn>(duration); }

    Ref<CCAction> copy() const override { return makeRef<CCFadeIn>(duration_); }
    void update(float t) override;
    Ref<CCFiniteTimeAction> reverse() const override;
};

// Lowers a node's opacity from 255 to 0 over the duration. Its reverse is a fade-in.
// Nodes without colour and opacity are left alone.
class CCFadeOut : public CCActionInterval {
public:
    using CCActionInterval::CCActionInterval;

    static Ref<CCFadeOut> actionWithDuration(float duration) { return makeRef<CCFadeOut>(duration); }

    Ref<CCAction> copy() const override { return makeRef<CCFadeOut>(duration_); }
    void update(float t) override;
    Ref<CCFiniteTimeAction> reverse() const override;
};

// Fades a node from its opacity at start to an absolute opacity. Nodes
// without colour and opacity are left alone.
class CCFadeTo : public CCActionInterval {
public:
    CCFadeTo(float duration, uint8_t opacity) : CCActionInterval(duration), toOpacity_(opacity) {}

    static Ref<CCFadeTo> actionWithDuration(float duration, uint8_t opacity)
    {
        return makeRef<CCFadeTo>(duration, opacity);
    }

    Ref<CCAction> copy() const override { return makeRef<CCFadeTo>(duration_, toOpacity_); }
    void startWithTarget(CCNode* target) override;
    void update(float t) override;

private:
    uint8_t toOpacity_;
    uint8_t fromOpacity_ = 0;
};

// Tints a node from its colour at start to an absolute colour. Nodes
// without colour and opacity are left alone.
class CCTintTo : public CCActionInterval {
public:
    CCTintTo(float duration, uint8_t red, uint8_t green, uint8_t blue)
        : CCActionInterval(duration), to_{red, green, blue}
    {
    }

    static Ref<CCTintTo> actionWithDuration(float duration, uint8_t red, uint8_t green, uint8_t blue)
    {
        return makeRef<CCTintTo>(duration, red, green, blue);
    }

    Ref<CCAction> copy() const override { return makeRef<CCTintTo>(duration_, to_.r, to_.g, to_.b); }
    void startWithTarget(CCNode* target) override;
    void update(float t) override;

private:
    ccColor3B to_;
    ccColor3B from_;
};

// Tints a node by signed amounts per channel from its colour at start.
// Channels are not clamped: one carried past 255 or below 0 wraps. Nodes
// without colour and opacity are left alone.
class CCTintBy : public CCActionInterval {
public:
    CCTintBy(float duration, int16_t deltaRed, int16_t deltaGreen, int16_t deltaBlue)
        : CCActionInterval(duration), deltaR_(deltaRed), deltaG_(deltaGreen), deltaB_(deltaBlue)
    {
    }

    static Ref<CCTintBy> actionWithDuration(float duration, int16_t deltaRed, int16_t deltaGreen, int16_t deltaBlue)
    {
        return makeRef<CCTintBy>(duration, deltaRed, deltaGreen, deltaBlue);
    }

    Ref<CCAction> copy() const override { return makeRef<CCTintBy>(duration_, deltaR_, deltaG_, deltaB_); }
    void startWithTarget(CCNode* target) override;
    void update(float t) override;
    // Tints back by the negated amounts.
    Ref<CCFiniteTimeAction> reverse() const override
    {
        return makeRef<CCTintBy>(duration_, int16_t(-deltaR_), int16_t(-deltaG_), int16_t(-deltaB_));
    }

private:
    int16_t deltaR_, deltaG_, deltaB_;
    int16_t fromR_ = 0, fromG_ = 0, fromB_ = 0;
};

// Shows and hides a node `blinks` times over the duration: in each slice of
// 1/blinks it is hidden for the first half and shown for the second. The
// update that finds the action done is skipped, so the node keeps the
// visibility of the frame before. Pass at least one blink.
class CCBlink : public CCActionInterval {
public:
    CCBlink(float duration, uint32_t blinks) : CCActionInterval(duration), times_(blinks) {}

    static Ref<CCBlink> actionWithDuration(float duration, uint32_t blinks)
    {
        return makeRef<CCBlink>(duration, blinks);
    }

    Ref<CCAction> copy() const override { return makeRef<CCBlink>(duration_, times_); }
    void update(float t) override;
    // A blink is its own reverse.
    Ref<CCFiniteTimeAction> reverse() const override { return makeRef<CCBlink>(duration_, times_); }

private:
    uint32_t times_;
};

} // namespace mw
