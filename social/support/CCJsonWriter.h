#pragma once

#include <optional>
#include <string>

#include "foundation/Value.h"
#include "social/support/CCJsonBase.h"

namespace mw {

// What an object that is no Value offers to be written as JSON: the Value
// that stands for it.
class JsonProxy {
public:
    virtual ~JsonProxy() = default;
    virtual Value proxyForJson() const = 0;
};

// Writes Values as JSON text: dictionaries in their own order (or sorted by
// key); every number as its own text, in the C locale: an integer as its
// digits, a real as the shortest text that reads back as it (a float's at
// float precision: 0.1f is "0.1", 2.0 is "2"), a decimal as a decimal
// number prints itself, every digit kept (Value::appendNumberText: "-500"
// for "-0.5E+3", "1.5" for "1.50"). Strings escape the quote, the backslash and the
// control characters only; "/" and non-ASCII characters stay as they are.
//
// Refused with error 1: data and date values, reals that are not finite and
// strings that are not UTF-8, none of which a reader could take back.
// Dictionary keys are strings by type, so a non-string key cannot occur.
// One writer serves one call at a time.
class CCJsonWriter : public CCJsonBase {
public:
    // Any value's text, or nothing with the reasons in errorTrace().
    std::optional<std::string> stringWithFragment(const Value& value);
    std::optional<std::string> stringWithFragment(const JsonProxy& proxy);
    // Only a dictionary or an array (or a proxy standing for one); anything
    // else is error 4.
    std::optional<std::string> stringWithObject(const Value& value);
    std::optional<std::string> stringWithObject(const JsonProxy& proxy);

    // Keys in byte order instead of the dictionary's order.
    bool sortKeys() const { return sortKeys_; }
    void setSortKeys(bool sortKeys) { sortKeys_ = sortKeys; }
    // A line per element and member, indented two spaces a level, " : "
    // between key and value.
    bool humanReadable() const { return humanReadable_; }
    void setHumanReadable(bool humanReadable) { humanReadable_ = humanReadable; }

private:
    bool appendValue(const Value& value, std::string& out);
    bool appendArray(const Value& value, std::string& out);
    bool appendDictionary(const Value& value, std::string& out);
    bool appendString(std::string_view text, std::string& out);
    bool appendReal(const Value& value, std::string& out);
    void appendIndent(std::string& out) const;

    bool sortKeys_ = false;
    bool humanReadable_ = false;
};

} // namespace mw
