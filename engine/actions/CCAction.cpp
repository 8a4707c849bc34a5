#include "engine/actions/CCAction.h"

#include <cstdio>

#include "engine/base/ccDescription.h"

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
    std::fprintf(stderr, "[Action step]. override me\n");
}

void CCAction::update(float)
{
    std::fprintf(stderr, "[Action update]. override me\n");
}

std::string CCAction::description() const
{
    return "<" + ccClassName(typeid(*this)) + " = " + ccAddressString(this) + " | Tag = " +
           std::to_string(tag_) + ">";
}

} // namespace mw
