#pragma once

#include "engine/nodes/CCLayer.h"
#include "engine/nodes/CCScene.h"
#include "foundation/Ref.h"

namespace mw {

class MineBoard;

// The scene of a mine session: a MiningScene holding one MineScene layer
// (tag 546), which holds the board and plays the mine's ambient track.
class MineScene : public CCLayer {
public:
    static constexpr int kTag = 546;

    // A new mining scene with a new layer and board.
    static Ref<CCScene> scene();
    bool init();

    Ref<MineBoard> board;
};

class MiningScene : public CCScene {
public:
    // The door transitions hide the scene: the layer and its board go.
    void onHide() override;
};

} // namespace mw
