#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "foundation/Value.h"
#include "social/support/CCJsonBase.h"

namespace mw {

// Reads JSON text into Values: an object becomes a dictionary (in the order
// of the text; a repeated key keeps the last value at the place of its
// first), an array an array, a string a UTF-8 string, true and false
// booleans, null the null value. A number becomes a decimal made from its
// literal exactly as written (see Value), whatever its size: it reads as any
// number does and is written back as the same number (its own text, see
// CCJsonWriter). Only an exponent of
// more than 18 digits is refused, as a number no decimal can hold.
//
// The text is taken as bytes with their length: a NUL byte is a byte like
// any other (an error outside a string, a control character inside one).
// Commas between elements and members may be left out; white space is
// space, tab, line feed, vertical tab, form feed and carriage return.
// Strings must be valid UTF-8. One parser serves one call at a time.
class CCJsonParser : public CCJsonBase {
public:
    // Any value, or nothing with the reasons in errorTrace(). No text at all
    // (nullopt) is error 12.
    std::optional<Value> fragmentWithString(std::optional<std::string_view> text);
    // Like fragmentWithString, but only an object or an array is accepted.
    std::optional<Value> objectWithString(std::optional<std::string_view> text);

private:
    std::optional<Value> scanDocument(std::string_view text);
    bool scanValue(Value& out);
    bool scanRestOfArray(Value& out);
    bool scanRestOfObject(Value& out);
    // The string's text: a view of the input when it holds no escape, else of
    // the scratch text (valid until the next string is read).
    bool scanRestOfString(std::string_view& out);
    bool scanEscapedRest(const char* start, std::string_view& out);
    bool scanUnicodeEscape(std::string& out);
    bool scanHexQuad(uint32_t& unit);
    bool scanNumber(Value& out);
    bool scanLiteral(std::string_view rest, const char* message);
    void skipWhiteSpace();

    // Working room of a call, kept by the thread between calls (CCJsonParser.cpp).
    struct Scratch;
    Scratch* scratch_ = nullptr;
    const char* c_ = nullptr;   // read cursor
    const char* end_ = nullptr; // one past the last byte
};

} // namespace mw
