#include "engine/actions/CCActionInstant.h"

#include "engine/base/ccDescription.h"
#include "engine/nodes/CCNode.h"
#include "engine/sprites/CCSpriteProtocol.h"

namespace mw {

void CCShow::startWithTarget(CCNode* target)
{
    CCActionInstant::startWithTarget(target);
    if (target) target->setVisible(true);
}

Ref<CCFiniteTimeAction> CCShow::reverse() const { return makeRef<CCHide>(); }

void CCHide::startWithTarget(CCNode* target)
{
    CCActionInstant::startWithTarget(target);
    if (target) target->setVisible(false);
}

Ref<CCFiniteTimeAction> CCHide::reverse() const { return makeRef<CCShow>(); }

void CCToggleVisibility::startWithTarget(CCNode* target)
{
    CCActionInstant::startWithTarget(target);
    if (target) target->setVisible(!target->visible());
}

void CCFlipX::startWithTarget(CCNode* target)
{
    CCActionInstant::startWithTarget(target);
    if (auto* sprite = dynamic_cast<CCSpriteProtocol*>(target)) sprite->setFlipX(flipX_);
}

void CCFlipY::startWithTarget(CCNode* target)
{
    CCActionInstant::startWithTarget(target);
    if (auto* sprite = dynamic_cast<CCSpriteProtocol*>(target)) sprite->setFlipY(flipY_);
}

void CCPlace::startWithTarget(CCNode* target)
{
    CCActionInstant::startWithTarget(target);
    if (target) target->setPosition(position_);
}

void CCCallFunc::startWithTarget(CCNode* target)
{
    CCActionInstant::startWithTarget(target);
    execute();
}

void CCCallFunc::execute()
{
    if (targetCallback_ && selector_) (targetCallback_.get()->*selector_)();
}

std::string CCCallFunc::description() const
{
    const std::string callbackClass = targetCallback_ ? ccClassName(typeid(*targetCallback_)) : "(null)";
    return std::string("<") + ccClassName(typeid(*this)) + " = " + ccAddressString(this) + " | Tag = " + std::to_string(tag_) +
           " | target = " + callbackClass + ">";
}

void CCCallFuncN::execute()
{
    if (targetCallback_ && selector_) (targetCallback_.get()->*selector_)(target_);
}

void CCCallFuncND::execute()
{
    if (targetCallback_ && callbackMethod_) (targetCallback_.get()->*callbackMethod_)(target_, data_);
}

void CCCallFuncO::execute()
{
    if (targetCallback_ && selector_) (targetCallback_.get()->*selector_)(object_.get());
}

} // namespace mw
