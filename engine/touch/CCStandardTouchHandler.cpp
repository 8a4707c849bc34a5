#include "engine/touch/CCStandardTouchHandler.h"

namespace mw {

CCStandardTouchHandler::CCStandardTouchHandler(CCStandardTouchDelegate* delegate, int32_t priority,
                                               int32_t tag, int32_t disable)
    : CCTouchHandler(delegate, priority, tag, disable)
{
    if (delegate) {
        setEnabledSelectors(delegate->standardTouchCallbacks() & kCCTouchAllBits);
    }
}

Ref<CCStandardTouchHandler> CCStandardTouchHandler::handlerWithDelegate(CCStandardTouchDelegate* delegate,
                                                                       int32_t priority, int32_t tag,
                                                                       int32_t disable)
{
    return makeRef<CCStandardTouchHandler>(delegate, priority, tag, disable);
}

CCStandardTouchDelegate* CCStandardTouchHandler::standardDelegate() const
{
    return dynamic_cast<CCStandardTouchDelegate*>(delegate());
}

} // namespace mw
