#include "engine/actions/CCFadeTo.h"

#include "engine/actions/ccColorByte.h"
#include "engine/base/CCRGBAProtocol.h"
#include "engine/nodes/CCNode.h"

namespace mw {

void CCFadeTo::startWithTarget(CCNode* target)
{
    CCActionInterval::startWithTarget(target);
    if (auto* rgba = dynamic_cast<CCRGBAProtocol*>(target)) fromOpacity_ = rgba->opacity();
}

void CCFadeTo::update(float t)
{
    auto* rgba = dynamic_cast<CCRGBAProtocol*>(target_);
    if (!rgba) return;
    rgba->setOpacity(ccColorByte(fromOpacity_ + (toOpacity_ - fromOpacity_) * t));
}

} // namespace mw
