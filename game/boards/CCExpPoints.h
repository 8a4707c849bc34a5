#pragma once

#include <cstdint>

#include "engine/sprites/CCSprite.h"
#include "foundation/Ref.h"

namespace mw {

class CCLabelTTF;

// The floating points label of a reward: "+%d EXP" (experience) or "+%d"
// over a burst of sparks, at a point of its parent. The text pops in with an
// elastic scale, rises 50 to 65 points and fades; the node leaves its parent
// 1.2 s after it was made. The caller adds it to the parent it is placed on.
class CCExpPoints : public CCSprite {
public:
    static constexpr float kLifetime = 1.2f;
    static constexpr int kBurstZ = 2;

    CCExpPoints(int32_t points, float x, float y, bool experience);
    // The experience form, as the boards show their won points.
    static Ref<CCExpPoints> expWithPoints(int32_t points, float x, float y)
    {
        return makeRef<CCExpPoints>(points, x, y, true);
    }
    static Ref<CCExpPoints> rewardWithPoints(int32_t points, float x, float y, bool experience)
    {
        return makeRef<CCExpPoints>(points, x, y, experience);
    }

    int32_t points() const { return points_; }
    // The label showing the text; it carries the scale, rise and fade.
    CCLabelTTF* label() const { return label_.get(); }

private:
    int32_t points_;
    Ref<CCLabelTTF> label_;
};

} // namespace mw
