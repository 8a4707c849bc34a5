#include "engine/actions/CCCallFuncND.h"

namespace mw {

void CCCallFuncND::execute()
{
    if (targetCallback_ && callbackMethod_) (targetCallback_.get()->*callbackMethod_)(target_, data_);
}

} // namespace mw
