#include "audio/CDAudioInterruptTargetGroup.h"

#include <algorithm>

namespace mw {

CDAudioInterruptTargetGroup::CDAudioInterruptTargetGroup() { children_.reserve(32); }

void CDAudioInterruptTargetGroup::addAudioInterruptTarget(CDAudioInterruptProtocol* target)
{
    if (!target) return;
    target->setMute(mute_);
    target->setEnabled(enabled_);
    children_.emplace_back(target);
}

void CDAudioInterruptTargetGroup::removeAudioInterruptTarget(CDAudioInterruptProtocol* target)
{
    std::erase_if(children_,
                  [target](const Ref<CDAudioInterruptProtocol>& child) { return child.get() == target; });
}

void CDAudioInterruptTargetGroup::setMute(bool mute)
{
    if (mute == mute_) return;
    mute_ = mute;
    for (const Ref<CDAudioInterruptProtocol>& child : children_) child->setMute(mute);
}

void CDAudioInterruptTargetGroup::setEnabled(bool enabled)
{
    if (enabled == enabled_) return;
    enabled_ = enabled;
    for (const Ref<CDAudioInterruptProtocol>& child : children_) child->setEnabled(enabled);
}

} // namespace mw
