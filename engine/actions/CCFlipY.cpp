#include "engine/actions/CCFlipY.h"

#include "engine/nodes/CCNode.h"
#include "engine/sprites/CCSpriteProtocol.h"

namespace mw {

void CCFlipY::startWithTarget(CCNode* target)
{
    CCActionInstant::startWithTarget(target);
    if (auto* sprite = dynamic_cast<CCSpriteProtocol*>(target)) sprite->setFlipY(flipY_);
}

} // namespace mw
