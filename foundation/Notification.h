#pragma once

#include <any>
#include <string>

#include "foundation/Object.h"

namespace mw {

// One posted notification: a name, the object that posted it (not owned; may
// be null) and optional user information of any type (a dictionary Value, a
// small struct ...). Observers read it during delivery only.
class Notification : public Object {
public:
    Notification(std::string name, Object* object, std::any userInfo = {})
        : name_(std::move(name)), object_(object), userInfo_(std::move(userInfo)) {}

    const std::string& name() const { return name_; }
    Object* object() const { return object_; }
    const std::any& userInfo() const { return userInfo_; }

private:
    std::string name_;
    Object* object_;
    std::any userInfo_;
};

} // namespace mw
