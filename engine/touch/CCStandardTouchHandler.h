#pragma once

#include "engine/touch/CCTouchHandler.h"

namespace mw {

// A handler whose delegate receives the whole touch set of a phase.
class CCStandardTouchHandler : public CCTouchHandler {
public:
    // Reads the delegate's declared callbacks once; later changes are not seen.
    CCStandardTouchHandler(CCStandardTouchDelegate* delegate, int32_t priority, int32_t tag = 0,
                           int32_t disable = 0);

    static Ref<CCStandardTouchHandler> handlerWithDelegate(
        CCStandardTouchDelegate* delegate, int32_t priority, int32_t tag = 0, int32_t disable = 0);

    // The delegate as a standard delegate; null if it was replaced by one of another kind.
    CCStandardTouchDelegate* standardDelegate() const;

    CCStandardTouchHandler* asStandard() override { return this; }
};

} // namespace mw
