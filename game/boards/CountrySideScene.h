#pragma once

#include "engine/nodes/CCLayer.h"
#include "engine/nodes/CCScene.h"
#include "foundation/Ref.h"

namespace mw {

class CountryBoard;
class CCSprite;

// The layer of a field session: the field's background and, above it, the
// field board, with the fields' background track playing.
class CountrySideScene : public CCLayer {
public:
    static constexpr int kTagLayer = 546;

    CountrySideScene() = default;
    ~CountrySideScene() override;
    // A new session's layer: background and a new field board. Null when the
    // board cannot be made.
    static Ref<CountrySideScene> layer();
    bool init();
    // The scene a session runs in: a CountryScene holding a new layer at
    // z-order 0 under kTagLayer.
    static Ref<CCScene> scene();

    CountryBoard* board() const { return board_.get(); }
    CCSprite* background() const { return background_.get(); }

private:
    Ref<CountryBoard> board_;
    Ref<CCSprite> background_;
};

// The scene of a field session. The door transition hides it by taking the
// session's layer out with clean-up.
class CountryScene : public CCScene {
public:
    void onHide() override;
};

} // namespace mw
