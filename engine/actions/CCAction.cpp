#include "engine/actions/CCAction.h"

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
    // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) about a
    // chain of operator+ that starts with a literal.
    std::string text = "<";
    text += ccClassName(typeid(*this));
    text += " = ";
    text += ccAddressString(this);
    text += " | Tag = ";
    text += std::to_string(tag_);
    text += ">";
    return text;
}

} // namespace mw
