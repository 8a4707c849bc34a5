#include "game/boards/MineScene.h"

#include "foundation/Log.h"
#include "foundation/Shared.h"
#include "game/boards/MineBoard.h"
#include "game/state/GlobalObject.h"

namespace mw {

Ref<CCScene> MineScene::scene()
{
    auto scene = makeRef<MiningScene>();
    auto layer = makeRef<MineScene>();
    if (!layer->init()) {
        logLine("MineScene: the mine board could not be built");
        return nullptr;
    }
    scene->addChild(layer.get(), 0, kTag);
    return scene;
}

bool MineScene::init()
{
    board = MineBoard::board();
    if (!board) return false;
    setIsTouchEnabled(true);
    addChild(board.get(), 1);
    if (GlobalObject* global = Shared<GlobalObject>::current()) global->PlayBackgroundTrack("mine_ambient.aac");
    return true;
}

void MiningScene::onHide()
{
    removeChildByTag(MineScene::kTag, true);
}

} // namespace mw
