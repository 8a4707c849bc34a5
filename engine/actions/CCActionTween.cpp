#include "engine/actions/CCActionTween.h"

#include "engine/base/CCPropertyRegistry.h"
#include "engine/base/ccDescription.h"
#include "engine/nodes/CCNode.h"
#include "foundation/Log.h"

namespace mw {

void CCActionTween::startWithTarget(CCNode* target)
{
    CCActionInterval::startWithTarget(target);
    delta_ = to_ - from_;
    reportedUnknownKey_ = false;
}

void CCActionTween::update(float t)
{
    if (!target_) return;
    if (CCPropertyRegistry::shared().setFloat(target_, key_, to_ - (1 - t) * delta_)) return;
    // The frame loop must not stop for a misnamed property: say it once a run.
    if (!reportedUnknownKey_) {
        logLine("CCActionTween: %s has no float property \"%s\"", ccClassName(typeid(*target_)).c_str(),
                key_.c_str());
        reportedUnknownKey_ = true;
    }
}

} // namespace mw
