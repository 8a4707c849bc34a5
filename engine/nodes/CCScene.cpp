#include "engine/nodes/CCScene.h"

#include "engine/base/CCWinSize.h"

namespace mw {

CCScene::CCScene()
{
    setIsRelativeAnchorPoint(false);
    anchorPoint_ = {0.5f, 0.5f};
    setContentSize(ccWinSize());
}

} // namespace mw
