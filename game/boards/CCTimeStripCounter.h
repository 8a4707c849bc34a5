#pragma once

#include <array>
#include <cstdint>

#include "engine/nodes/CCNode.h"
#include "foundation/Ref.h"

namespace mw {

class CCSprite;

// The season strip of the fields: a bar of four season areas, the current
// one lit and the others dark, with a marker that walks across the bar one
// step per time-costing move. Driven by the field board; changes no game state.
class CCTimeStripCounter : public CCNode {
public:
    // A strip for a session of `moves` moves (the node anchored top left).
    explicit CCTimeStripCounter(int32_t moves);
    static Ref<CCTimeStripCounter> stripWithSteps(int32_t moves) { return makeRef<CCTimeStripCounter>(moves); }

    // One time-costing move, `season` being the season after it.
    void MoveMarker(int32_t season);
    // The marker's idle loop.
    void StartDig();
    void SeasonEnd() {}

    int32_t CurrentSteps = 0;
    int32_t MaxSteps = 0;
    float OneSeasonSteps = 0; // the marker's step in points per move
    int32_t CurrentSeason = 0;
    int32_t Changes = 0;

    CCSprite* bar() const { return bcg_.get(); }
    CCNode* markerCarrier() const { return animParent_.get(); }
    CCSprite* marker() const { return marker_.get(); }
    // The dark area over a season (0..3), or null.
    CCSprite* darkArea(int season) const { return darkAreas_[static_cast<size_t>(season)].get(); }

private:
    Ref<CCNode> animParent_;
    Ref<CCSprite> bcg_;
    Ref<CCSprite> marker_;
    std::array<Ref<CCSprite>, 4> darkAreas_;
};

} // namespace mw
