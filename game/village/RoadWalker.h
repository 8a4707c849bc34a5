#pragma once

#include <cstdint>

#include "engine/sprites/CCSprite.h"
#include "foundation/Ref.h"

namespace mw {

class Road;

// A villager walking the village's roads: a figure of legs (or a skirt),
// body and hands whose parts are the sprite's children (the sprite itself
// shows nothing), with looping hand and leg animations. It walks a road's
// curve and, at the end, takes another road at random, for ever.
class RoadWalker : public CCSprite {
public:
    // The generic villager, who has no upgrade of its own.
    static constexpr int32_t kVillager = 1024;
    // Seconds per frame of the part animations, and their frame count.
    static constexpr float kFrameDelay = 1.0f / 24;
    static constexpr int kAnimationFrames = 24;

    // Builds the figure of a walker kind (a worker upgrade identifier or
    // kVillager). A kind without an upgrade record, or a part frame that is
    // not loaded, leaves that part empty (logged once per walker).
    static Ref<RoadWalker> walkerOfKind(int32_t kind);
    explicit RoadWalker(int32_t kind);

    // Whether a kind is drawn in a skirt (and speaks with the women's voice).
    static bool IsWomen(int32_t kind) { return kind == 7 || kind == 8 || kind == 65 || kind == 66; }

    // The first walk on `road`: from either end with even odds (flipped when
    // it starts at the end, walking the curve backwards), over `baseSeconds`
    // plus up to 15 s more, starting at a random point of the walk so that
    // walkers appear spread along their roads. The base time is kept for
    // the later walks.
    void InitWalk(Road* road, float baseSeconds);
    // A later walk: from the road's start, or with `mayReverse` from either
    // end with even odds, and from the walk's beginning.
    void ReInitWalk(Road* road, float baseSeconds, bool mayReverse = true);
    // Sends the walker on to a road of the definitions manager chosen at
    // random; with no road it stays where it is (logged).
    void ResetWalker();

    void SetBaseMoveTime(float seconds) { BaseMoveTime = seconds; }
    float GetBaseMovetime() const { return BaseMoveTime; }
    int32_t kind() const { return kind_; }
    // Flips every part, then the walker itself.
    void setFlipX(bool flip) override;

    // The parts, in the order added: legs or skirt, body, hands.
    CCSprite* lower() const { return lower_.get(); }
    CCSprite* body() const { return body_.get(); }
    CCSprite* hands() const { return hands_.get(); }

    // The tags of the running walk and of the parts' looping animations.
    static constexpr int kWalkTag = 0x57414c4b;
    static constexpr int kPartLoopTag = 0x4c4f4f50;

private:
    void walk(Road* road, float seconds, bool fromEnd, bool randomStart);

    float BaseMoveTime = 0;
    int32_t kind_ = 0;
    Ref<CCSprite> lower_;
    Ref<CCSprite> body_;
    Ref<CCSprite> hands_;
};

} // namespace mw
