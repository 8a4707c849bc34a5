#include "engine/actions/CCSkewBy.h"

namespace mw {

void CCSkewBy::startWithTarget(CCNode* target)
{
    CCSkewTo::startWithTarget(target);
    deltaX_ = skewX_;
    deltaY_ = skewY_;
    endSkewX_ = startSkewX_ + deltaX_;
    endSkewY_ = startSkewY_ + deltaY_;
}

} // namespace mw
