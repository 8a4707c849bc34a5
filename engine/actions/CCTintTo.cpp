#include "engine/actions/CCTintTo.h"

#include "engine/actions/ccColorByte.h"
#include "engine/base/CCRGBAProtocol.h"
#include "engine/nodes/CCNode.h"

namespace mw {

void CCTintTo::startWithTarget(CCNode* target)
{
    CCActionInterval::startWithTarget(target);
    if (auto* rgba = dynamic_cast<CCRGBAProtocol*>(target)) from_ = rgba->color();
}

void CCTintTo::update(float t)
{
    auto* rgba = dynamic_cast<CCRGBAProtocol*>(target_);
    if (!rgba) return;
    rgba->setColor({ccColorByte(from_.r + (to_.r - from_.r) * t), ccColorByte(from_.g + (to_.g - from_.g) * t),
                    ccColorByte(from_.b + (to_.b - from_.b) * t)});
}

} // namespace mw
