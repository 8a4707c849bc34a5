#pragma once

#include <cstdint>
#include <vector>

#include "engine/nodes/CCNode.h"
#include "foundation/Ref.h"

namespace mw {

class CCSprite;

// The food bar of the mine: a row of food icons; a clipped bar shows only
// the part that the moves left cover. Driven by the mine board and the food
// pop-up; changes no game state.
class CCFoodBar : public CCNode {
public:
    // `count` icons at opacity `opacity`; `clip`: clipped to the moves left;
    // `maxMoves` and `currentMoves`; `big`: the pop-up's large icons.
    CCFoodBar(int32_t count, uint8_t opacity, bool clip, int32_t maxMoves, int32_t currentMoves, bool big);
    static Ref<CCFoodBar> barWithFoodCount(int32_t count, uint8_t opacity, bool clip, int32_t maxMoves,
                                           int32_t currentMoves, bool big)
    {
        return makeRef<CCFoodBar>(count, opacity, clip, maxMoves, currentMoves, big);
    }

    // One move eaten.
    void eatOneFood();
    // The moves from the profile's Start_mineMoves (the two are the same).
    void refreshByCurrentState();
    void refreshByCurrentStateNoBoing() { refreshByCurrentState(); }
    int32_t GetCurrentMoves() const { return Moves; }
    float getLength() const { return OneMoveLength * static_cast<float>(MaxMoves); }
    void SetParentPos(CGPoint position) { ParentsPos = position; }

    // The scissor rectangle of a clipped bar in framebuffer pixels, for the
    // device orientation (1 portrait, 2 upside down, 3 landscape left, 4
    // landscape right) and window size in points.
    CGRect clipRectInPixels(int orientation, CGSize window, float scale) const;

    void visit() override;

    bool isCliped = false;
    int32_t Moves = 0;
    float ContentLength = 0;
    float ContentHeight = 0;
    float OneMoveLength = 0;
    int32_t MaxMoves = 0;
    int32_t PosModif = 0;
    CGPoint ParentsPos{0, 0};

private:
    void setMoves(int32_t moves);
};

} // namespace mw
