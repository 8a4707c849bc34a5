#pragma once

#include <cstdint>

#include "engine/touch/CCTouchHandler.h"
#include "foundation/Object.h"
#include "foundation/Ref.h"

namespace mw {

// One handler addition held back while the dispatcher walks its lists.
class CCHandlersToDo : public Object {
public:
    CCHandlersToDo() = default;
    CCHandlersToDo(int32_t type, CCTouchHandler* handler, int32_t arg)
        : type_(type)
        , handler_(handler)
        , arg_(arg)
    {
    }

    // 0 for the targeted list, 1 for the standard list.
    int32_t type() const { return type_; }
    void setType(int32_t type) { type_ = type; }
    // The pending handler, owned until it is added or dropped.
    CCTouchHandler* handler() const { return handler_.get(); }
    void setHandler(CCTouchHandler* handler) { handler_ = handler; }
    // The doNotSort flag of the request.
    int32_t arg() const { return arg_; }
    void setArg(int32_t arg) { arg_ = arg; }

private:
    int32_t type_ = 0;
    Ref<CCTouchHandler> handler_;
    int32_t arg_ = 0;
};

} // namespace mw
