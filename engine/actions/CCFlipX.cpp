#include "engine/actions/CCFlipX.h"

#include "engine/nodes/CCNode.h"
#include "engine/sprites/CCSpriteProtocol.h"

namespace mw {

void CCFlipX::startWithTarget(CCNode* target)
{
    CCActionInstant::startWithTarget(target);
    if (auto* sprite = dynamic_cast<CCSpriteProtocol*>(target)) sprite->setFlipX(flipX_);
}

} // namespace mw
