#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "foundation/Value.h"
#include "social/support/CCJsonBase.h"
#include "social/support/CCJsonParser.h"
#include "social/support/CCJsonWriter.h"

namespace mw {

// One parser and one writer behind one object. After a failed call its own
// errorTrace() is a copy of the failing side's trace, and the trace's last
// error is handed out through `error` when one is given.
class CCJSON : public CCJsonBase {
public:
    CCJSON();

    std::optional<Value> objectWithString(std::optional<std::string_view> text, bool allowScalar,
                                          JsonError* error);
    std::optional<Value> objectWithString(std::optional<std::string_view> text, JsonError* error)
    {
        return objectWithString(text, false, error);
    }
    std::optional<Value> fragmentWithString(std::optional<std::string_view> text, JsonError* error)
    {
        return objectWithString(text, true, error);
    }
    std::optional<Value> objectWithString(std::optional<std::string_view> text)
    {
        return objectWithString(text, false, nullptr);
    }

    std::optional<std::string> stringWithObject(const Value& value, bool allowScalar, JsonError* error);
    std::optional<std::string> stringWithObject(const Value& value, JsonError* error)
    {
        return stringWithObject(value, false, error);
    }
    std::optional<std::string> stringWithFragment(const Value& value, JsonError* error)
    {
        return stringWithObject(value, true, error);
    }
    std::optional<std::string> stringWithObject(const Value& value)
    {
        return stringWithObject(value, false, nullptr);
    }

    // The parser's limit; setting it sets both sides'.
    uint32_t maxDepth() const { return parser_.maxDepth(); }
    void setMaxDepth(uint32_t maxDepth);
    bool humanReadable() const { return writer_.humanReadable(); }
    void setHumanReadable(bool humanReadable) { writer_.setHumanReadable(humanReadable); }
    bool sortKeys() const { return writer_.sortKeys(); }
    void setSortKeys(bool sortKeys) { writer_.setSortKeys(sortKeys); }

private:
    void takeTrace(const CCJsonBase& side, JsonError* error);

    CCJsonParser parser_;
    CCJsonWriter writer_;
};

// One-shot conversions with a fresh parser or writer. On failure each logs
// one line holding the error trace and returns nothing.
// Only a dictionary or an array.
std::optional<std::string> JSONRepresentation(const Value& value);
// Any value.
std::optional<std::string> JSONFragment(const Value& value);
// Only an object or an array.
std::optional<Value> JSONValue(std::string_view text);
// Any value.
std::optional<Value> JSONFragmentValue(std::string_view text);

} // namespace mw
