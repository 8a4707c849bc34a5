#pragma once

#include <cstdint>

#include "engine/touch/CCTouchDelegateProtocol.h"
#include "foundation/Object.h"
#include "foundation/Ref.h"

namespace mw {

class CCTargetedTouchHandler;
class CCStandardTouchHandler;

// One registration in the touch dispatcher: a delegate bound to a priority,
// with the marks the dispatcher's selections read and write (tag, disable,
// removal) and the mask of callbacks the delegate implements. Only the
// dispatcher makes handlers.
class CCTouchHandler : public Object {
public:
    // The delegate is kept alive by the handler while it is an Object.
    CCTouchHandler(CCTouchDelegate* delegate, int32_t priority, int32_t tag = 0, int32_t disable = 0);

    static Ref<CCTouchHandler> handlerWithDelegate(CCTouchDelegate* delegate, int32_t priority,
                                                   int32_t tag = 0, int32_t disable = 0);

    // Replaces the delegate, retaining the new one before letting the old one go.
    void setDelegate(CCTouchDelegate* delegate);
    CCTouchDelegate* delegate() const { return delegate_; }

    void setPriority(int32_t priority) { priority_ = priority; }
    int32_t priority() const { return priority_; }
    void setTag(int32_t tag) { tag_ = tag; }
    int32_t tag() const { return tag_; }
    // Non-zero makes the dispatcher pass the handler over.
    void setDisable(int32_t disable) { disable_ = disable; }
    int32_t disable() const { return disable_; }
    // The removal mark; the dispatcher takes marked handlers out at a safe point.
    void setRemove(bool remove) { remove_ = remove; }
    bool remove() const { return remove_; }
    // Phase bits of the callbacks the delegate implements, fixed at creation.
    void setEnabledSelectors(int32_t mask) { enabledSelectors_ = mask; }
    int32_t enabledSelectors() const { return enabledSelectors_; }

    // The handler as its kind, or null: lets the dispatcher refuse a handler
    // that was put into the wrong list instead of calling a missing callback.
    virtual CCTargetedTouchHandler* asTargeted() { return nullptr; }
    virtual CCStandardTouchHandler* asStandard() { return nullptr; }

private:
    CCTouchDelegate* delegate_ = nullptr;
    Ref<Object> delegateOwner_;  // the delegate's Object side, when it has one
    int32_t priority_ = 0;
    int32_t tag_ = 0;
    int32_t disable_ = 0;
    bool remove_ = false;
    int32_t enabledSelectors_ = 0;
};

} // namespace mw
