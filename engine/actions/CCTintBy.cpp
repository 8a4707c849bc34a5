#include "engine/actions/CCTintBy.h"

#include "engine/actions/ccColorByte.h"
#include "engine/base/CCRGBAProtocol.h"
#include "engine/nodes/CCNode.h"

namespace mw {

void CCTintBy::startWithTarget(CCNode* target)
{
    CCActionInterval::startWithTarget(target);
    auto* rgba = dynamic_cast<CCRGBAProtocol*>(target);
    if (!rgba) return;
    const ccColor3B color = rgba->color();
    fromR_ = color.r;
    fromG_ = color.g;
    fromB_ = color.b;
}

void CCTintBy::update(float t)
{
    auto* rgba = dynamic_cast<CCRGBAProtocol*>(target_);
    if (!rgba) return;
    rgba->setColor(
        {ccColorByte(fromR_ + deltaR_ * t), ccColorByte(fromG_ + deltaG_ * t), ccColorByte(fromB_ + deltaB_ * t)});
}

} // namespace mw
