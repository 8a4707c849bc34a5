#pragma once

namespace mw {

// A content layer with a tutorial check of its own (the map, the buildings
// list, the statistics screen): it looks for the first due tutorial frame
// and shows it, or gives its input back when none is due. The HUD, the bag
// and the level-up pop-up run it by casting the current layer to this.
class TutorialScreen {
public:
    virtual ~TutorialScreen() = default;
    virtual void ValidateAndPlayTutorial() = 0;
};

} // namespace mw
