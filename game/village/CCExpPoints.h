#pragma once

#include <cstdint>

#include "engine/nodes/CCNode.h"
#include "foundation/Ref.h"

namespace mw {

// A floating "%d EXP" label at a point of its parent: it rises, fades and
// removes itself. The caller adds it to the parent. This is the least version
// the boards need; the village's widgets add the particle burst.
class CCExpPoints : public CCNode {
public:
    CCExpPoints(int32_t points, float x, float y, const char* text = "%d EXP");
    static Ref<CCExpPoints> expWithPoints(int32_t points, float x, float y)
    {
        return makeRef<CCExpPoints>(points, x, y);
    }
    // A reward's label: "+%d EXP" for experience, "+%d" for anything else.
    static Ref<CCExpPoints> rewardWithPoints(int32_t points, float x, float y, bool experience)
    {
        return makeRef<CCExpPoints>(points, x, y, experience ? "+%d EXP" : "+%d");
    }
    int32_t points() const { return points_; }

private:
    int32_t points_;
};

} // namespace mw
