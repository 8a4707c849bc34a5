#include "engine/touch/CCTouchHandler.h"

namespace mw {

CCTouchHandler::CCTouchHandler(CCTouchDelegate* delegate, int32_t priority, int32_t tag, int32_t disable)
    : priority_(priority), tag_(tag), disable_(disable)
{
    setDelegate(delegate);
}

Ref<CCTouchHandler> CCTouchHandler::handlerWithDelegate(CCTouchDelegate* delegate, int32_t priority,
                                                        int32_t tag, int32_t disable)
{
    return makeRef<CCTouchHandler>(delegate, priority, tag, disable);
}

void CCTouchHandler::setDelegate(CCTouchDelegate* delegate)
{
    delegate_ = delegate;
    delegateOwner_ = dynamic_cast<Object*>(delegate);
}

} // namespace mw
