#include "engine/actions/CCCallFunc.h"

#include "engine/base/ccDescription.h"

namespace mw {

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

} // namespace mw
