#include "engine/nodes/CCAction.h"

#include "engine/base/ccDescription.h"
#include "foundation/Log.h"

namespace mw {

Ref<CCAction> CCAction::copy() const
{
    auto copied = makeRef<CCAction>();
    copied->setTag(tag_);
    return copied;
}

void CCAction::startWithTarget(CCNode* target)
{
    originalTarget_ = target;
    target_ = target;
}

void CCAction::stop() { target_ = nullptr; }

void CCAction::step(float)
{
    logLine("[Action step]. override me");
}

void CCAction::update(float)
{
    logLine("[Action update]. override me");
}

std::string CCAction::description() const
{
    return std::string("<") + ccClassName(typeid(*this)) + " = " + ccAddressString(this) + " | Tag = " +
           std::to_string(tag_) + ">";
}

} // namespace mw
