#include "engine/actions/CCCallFuncN.h"

namespace mw {

void CCCallFuncN::execute()
{
    if (targetCallback_ && selector_) (targetCallback_.get()->*selector_)(target_);
}

} // namespace mw
