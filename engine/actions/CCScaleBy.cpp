#include "engine/actions/CCScaleBy.h"

namespace mw {

void CCScaleBy::startWithTarget(CCNode* target)
{
    CCScaleTo::startWithTarget(target);
    // The end scales hold the factors.
    deltaX_ = startScaleX_ * endScaleX_ - startScaleX_;
    deltaY_ = startScaleY_ * endScaleY_ - startScaleY_;
}

} // namespace mw
