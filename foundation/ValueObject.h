#pragma once

#include <string>
#include <utility>

#include "foundation/Object.h"
#include "foundation/Ref.h"
#include "foundation/Value.h"

namespace mw {

// A property-list value boxed as an object, for the places that keep strings
// and numbers among objects (an engine array of strings, say). Archives store
// the value itself, not a class-tagged record.
class ValueObject : public Object {
public:
    explicit ValueObject(Value value) : value_(std::move(value)) {}

    static Ref<ValueObject> with(Value value) { return makeRef<ValueObject>(std::move(value)); }

    const Value& value() const { return value_; }

private:
    Value value_;
};

} // namespace mw
