#pragma once

#include "engine/sprites/CCSprite.h"

namespace mw {

// The tutorial's pointing arrow: the arrow picture hangs from the node's
// origin (its tip just below it) and bobs up and back forever, 0.6 s each
// way. The caller places and turns the node, adds it under a tag of its own
// and removes it by that tag.
class CCTutorialArrow : public CCSprite {
public:
    CCTutorialArrow();
    static Ref<CCTutorialArrow> arrow() { return makeRef<CCTutorialArrow>(); }

    // The picture, or null when "strzalka.png" is not loaded.
    CCSprite* picture() const { return picture_.get(); }

private:
    Ref<CCSprite> picture_;
};

} // namespace mw
