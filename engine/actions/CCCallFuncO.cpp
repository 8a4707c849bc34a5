#include "engine/actions/CCCallFuncO.h"

namespace mw {

void CCCallFuncO::execute()
{
    if (targetCallback_ && selector_) (targetCallback_.get()->*selector_)(object_.get());
}

} // namespace mw
