#include "engine/touch/CCTargetedTouchHandler.h"

namespace mw {

CCTargetedTouchHandler::CCTargetedTouchHandler(CCTargetedTouchDelegate* delegate, int32_t priority,
                                               bool swallowsTouches, int32_t tag, int32_t disable)
    : CCTouchHandler(delegate, priority, tag, disable), swallowsTouches_(swallowsTouches)
{
    claimedTouches_.reserve(2);
    if (delegate) {
        setEnabledSelectors((delegate->targetedTouchCallbacks() | kCCTouchBeganBit) & kCCTouchAllBits);
    }
}

Ref<CCTargetedTouchHandler> CCTargetedTouchHandler::handlerWithDelegate(CCTargetedTouchDelegate* delegate,
                                                                       int32_t priority, bool swallowsTouches,
                                                                       int32_t tag, int32_t disable)
{
    return makeRef<CCTargetedTouchHandler>(delegate, priority, swallowsTouches, tag, disable);
}

CCTargetedTouchDelegate* CCTargetedTouchHandler::targetedDelegate() const
{
    return dynamic_cast<CCTargetedTouchDelegate*>(delegate());
}

} // namespace mw
