#pragma once

#include <cstdint>

#include "engine/nodes/CCNode.h"
#include "foundation/Ref.h"

namespace mw {

class CCMenuItemLabel;
class CCSprite;
class Animation;

// The animated overlay that explains a board before its first session: a
// dimmed screen, a panel with a looping part animation, the frame's icon
// and text, and a "tap to continue" button. It positions its own content
// over the whole window, so the opener adds it at (0, 0), at z-order 5 on a
// board, and switches the board's input off.
//
// The continue button gives the parent its input back, marks the frame
// done (frame 10 also marks frame 9's arrow followed; 47 and 69 send the
// parent MoveWithTutorial) and removes the overlay. The four frames with a
// part animation are 10, 25, 47 and 69; any other frame shows the panel with
// its icon and text only.
class TutorialAnim : public CCNode {
public:
    // Null when the frame is not in the profile's game data (logged).
    static Ref<TutorialAnim> overlayWithTutorialState(int32_t frame);
    bool initWithTutorialState(int32_t frame);

    // The continue button's action.
    void RemoveMe();

    // ---- read by tests
    int32_t state() const { return State; }
    CCSprite* panel() const { return panel_.get(); }
    Animation* animation() const { return animation_; }
    CCSprite* icon() const { return icon_; }
    CCMenuItemLabel* continueButton() const { return button_; }

private:
    int32_t State = 0;
    Ref<CCSprite> panel_;
    Animation* animation_ = nullptr; // held by the panel
    CCSprite* icon_ = nullptr;       // held by the panel
    CCMenuItemLabel* button_ = nullptr;
};

} // namespace mw
