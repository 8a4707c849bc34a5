#include "social/support/CCJsonParser.h"

#include <algorithm>
#include <deque>

#include "foundation/Format.h"
#include "foundation/Utf8.h"
#include "social/support/JsonStringScan.h"

namespace mw {

namespace {

bool isWhiteSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

int hexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

} // namespace

// Elements and members wait here until their container is complete, and a
// string with escapes is unescaped here. The thread keeps this room between
// calls, so that parsing documents of one size after another does not grow
// it anew each time (for a large document, growing it costs as much as a
// good part of the parse); room of more than a few megabytes is let go once a
// parse used less than a quarter of it. A parse runs no outside code, so
// calls on one thread never overlap.
struct CCJsonParser::Scratch {
    std::vector<Value> elements;
    // A member's key is a view of the input, or of escapedKeys when the key
    // held an escape (a deque never moves what it holds, so the views stay
    // good while the document is read).
    std::vector<ValueDictionary::Pending> members;
    std::deque<std::string> escapedKeys;
    std::string text;
    // The most elements and members this parse held at once.
    size_t elementsPeak = 0;
    size_t membersPeak = 0;

    void start()
    {
        elements.clear();
        members.clear();
        escapedKeys.clear();
        elementsPeak = 0;
        membersPeak = 0;
    }

    void trim()
    {
        constexpr size_t kKeptBytes = size_t(4) << 20;
        const auto wasted = [](size_t capacity, size_t peak, size_t itemBytes) {
            return capacity * itemBytes > kKeptBytes && peak < capacity / 4;
        };
        if (wasted(elements.capacity(), elementsPeak, sizeof(Value))) std::vector<Value>().swap(elements);
        if (wasted(members.capacity(), membersPeak, sizeof(members[0]))) decltype(members)().swap(members);
        if (text.capacity() > kKeptBytes) std::string().swap(text);
    }
};

std::optional<Value> CCJsonParser::fragmentWithString(std::optional<std::string_view> text)
{
    clearErrorTrace();
    if (!text) {
        addError(12, "Input was 'nil'");
        return std::nullopt;
    }
    thread_local Scratch threadScratch;
    scratch_ = &threadScratch;
    scratch_->start();
    std::optional<Value> value = scanDocument(*text);
    scratch_->trim();
    scratch_ = nullptr;
    return value;
}

std::optional<Value> CCJsonParser::scanDocument(std::string_view text)
{
    depth_ = 0;
    c_ = text.data();
    end_ = c_ + text.size();
    Value value;
    if (!scanValue(value)) return std::nullopt;
    skipWhiteSpace();
    if (c_ != end_) {
        addError(10, "Garbage after JSON");
        return std::nullopt;
    }
    return value;
}

std::optional<Value> CCJsonParser::objectWithString(std::optional<std::string_view> text)
{
    std::optional<Value> value = fragmentWithString(text);
    if (!value) return std::nullopt;
    if (!value->isDict() && !value->isArray()) {
        addError(4, "Valid fragment, but not JSON");
        return std::nullopt;
    }
    return value;
}

void CCJsonParser::skipWhiteSpace()
{
    // Every white space byte is at most a space; most bytes here are not.
    const char* p = c_;
    while (p != end_ && static_cast<unsigned char>(*p) <= ' ' && isWhiteSpace(*p)) ++p;
    c_ = p;
}

bool CCJsonParser::scanLiteral(std::string_view rest, const char* message)
{
    if (static_cast<size_t>(end_ - c_) >= rest.size() && std::string_view(c_, rest.size()) == rest) {
        c_ += rest.size();
        return true;
    }
    addError(3, message);
    return false;
}

bool CCJsonParser::scanValue(Value& out)
{
    skipWhiteSpace();
    if (c_ == end_) {
        addError(11, "Unexpected end of string");
        return false;
    }
    const char lead = *c_++;
    switch (lead) {
    case '"': {
        std::string_view text;
        if (!scanRestOfString(text)) return false;
        out = Value(text);
        return true;
    }
    case '[':
        return scanRestOfArray(out);
    case '{':
        return scanRestOfObject(out);
    case 't':
        if (!scanLiteral("rue", "Expected 'true'")) return false;
        out = Value(true);
        return true;
    case 'f':
        if (!scanLiteral("alse", "Expected 'false'")) return false;
        out = Value(false);
        return true;
    case 'n':
        if (!scanLiteral("ull", "Expected 'null'")) return false;
        out = Value();
        return true;
    case '+':
        addError(2, "Leading + disallowed in number");
        return false;
    default:
        if (lead == '-' || isDigit(lead)) {
            --c_;
            return scanNumber(out);
        }
        addError(3, "Unrecognised leading character");
        return false;
    }
}

// Elements and members wait on the scratch stacks until their container is
// complete, then move into it at its final size: one allocation per container
// instead of one per growth step.
bool CCJsonParser::scanRestOfArray(Value& out)
{
    if (tooDeep(++depth_)) {
        addError(7, "Nested too deep");
        return false;
    }
    const size_t base = scratch_->elements.size();
    const auto finish = [&](bool ok) {
        scratch_->elementsPeak = std::max(scratch_->elementsPeak, scratch_->elements.size());
        if (ok) {
            Value::Array items(
                std::make_move_iterator(scratch_->elements.begin() + static_cast<std::ptrdiff_t>(base)),
                std::make_move_iterator(scratch_->elements.end()));
            out = Value(std::move(items));
        }
        scratch_->elements.resize(base);
        return ok;
    };
    while (true) {
        if (c_ == end_) {
            addError(11, "End of input while parsing array");
            return finish(false);
        }
        skipWhiteSpace();
        if (c_ != end_ && *c_ == ']') {
            ++c_;
            --depth_;
            return finish(true);
        }
        // A number (most elements of large arrays) is read straight into its
        // place on the stack: reading it pushes nothing else there.
        if (c_ != end_ && (*c_ == '-' || isDigit(*c_))) {
            if (!scanNumber(scratch_->elements.emplace_back())) {
                addError(3, "Expected value while parsing array");
                return finish(false);
            }
        } else {
            Value item;
            if (!scanValue(item)) {
                addError(3, "Expected value while parsing array");
                return finish(false);
            }
            scratch_->elements.push_back(std::move(item));
        }
        skipWhiteSpace();
        if (c_ != end_ && *c_ == ',') {
            ++c_;
            skipWhiteSpace();
            if (c_ != end_ && *c_ == ']') {
                addError(9, "Trailing comma disallowed in array");
                return finish(false);
            }
        }
    }
}

bool CCJsonParser::scanRestOfObject(Value& out)
{
    if (tooDeep(++depth_)) {
        addError(7, "Nested too deep");
        return false;
    }
    const size_t base = scratch_->members.size();
    const auto finish = [&](bool ok) {
        scratch_->membersPeak = std::max(scratch_->membersPeak, scratch_->members.size());
        if (ok) {
            ValueDictionary members;
            members.assign(scratch_->members.data() + base, scratch_->members.data() + scratch_->members.size());
            out = Value(std::move(members));
        }
        scratch_->members.resize(base);
        return ok;
    };
    while (true) {
        if (c_ == end_) {
            addError(11, "End of input while parsing object");
            return finish(false);
        }
        skipWhiteSpace();
        if (c_ != end_ && *c_ == '}') {
            ++c_;
            --depth_;
            return finish(true);
        }
        std::string_view keyText;
        if (c_ == end_ || *c_ != '"' || (++c_, !scanRestOfString(keyText))) {
            addError(3, "Object key string expected");
            return finish(false);
        }
        // A key that held an escape is a view of the scratch text, which the
        // next string overwrites: it is kept aside.
        if (keyText.data() == scratch_->text.data()) keyText = scratch_->escapedKeys.emplace_back(keyText);
        skipWhiteSpace();
        if (c_ == end_ || *c_ != ':') {
            addError(3, "Expected ':' separating key and value");
            return finish(false);
        }
        ++c_;
        Value value;
        if (!scanValue(value)) {
            addError(3, format("Object value expected for key: %@", keyText));
            return finish(false);
        }
        scratch_->members.push_back({keyText, std::move(value)});
        skipWhiteSpace();
        if (c_ != end_ && *c_ == ',') {
            ++c_;
            skipWhiteSpace();
            if (c_ != end_ && *c_ == '}') {
                addError(9, "Trailing comma disallowed in object");
                return finish(false);
            }
        }
    }
}

bool CCJsonParser::scanRestOfString(std::string_view& out)
{
    // Most strings hold no escape: their text is the input's bytes, checked
    // and handed out without a copy.
    const char* start = c_;
    while (true) {
        c_ = findSpecialStringByte(c_, end_);
        if (c_ == end_) break;
        const unsigned char byte = static_cast<unsigned char>(*c_);
        if (byte >= 0x80) {
            const size_t length = validUtf8Length(c_, end_);
            if (length == 0) {
                addError(3, "Invalid UTF-8 in string");
                return false;
            }
            c_ += length;
        } else if (byte == '"') {
            out = std::string_view(start, static_cast<size_t>(c_ - start));
            ++c_;
            return true;
        } else if (byte == '\\') {
            return scanEscapedRest(start, out);
        } else {
            addError(5, format("Unescaped control character '0x%x'", static_cast<unsigned>(byte)));
            return false;
        }
    }
    addError(11, "Unexpected EOF while parsing string");
    return false;
}

// The rest of a string from its first escape on, unescaped into scratch_->text.
bool CCJsonParser::scanEscapedRest(const char* start, std::string_view& out)
{
    scratch_->text.assign(start, static_cast<size_t>(c_ - start));
    // Plain bytes are copied in runs; checked UTF-8 characters stay part of the run.
    const char* run = c_;
    while (true) {
        c_ = findSpecialStringByte(c_, end_);
        if (c_ == end_) break;
        const unsigned char byte = static_cast<unsigned char>(*c_);
        if (byte >= 0x80) {
            const size_t length = validUtf8Length(c_, end_);
            if (length == 0) {
                addError(3, "Invalid UTF-8 in string");
                return false;
            }
            c_ += length;
            continue;
        }
        scratch_->text.append(run, static_cast<size_t>(c_ - run));
        if (byte == '"') {
            ++c_;
            out = scratch_->text;
            return true;
        } else if (byte == '\\') {
            if (++c_ == end_) break;
            const char escape = *c_++;
            switch (escape) {
            case '"': case '/': case '\\': scratch_->text += escape; break;
            case 'b': scratch_->text += '\b'; break;
            case 'f': scratch_->text += '\f'; break;
            case 'n': scratch_->text += '\n'; break;
            case 'r': scratch_->text += '\r'; break;
            case 't': scratch_->text += '\t'; break;
            case 'u':
                if (!scanUnicodeEscape(scratch_->text)) return false;
                break;
            default:
                addError(8, format("Illegal escape sequence '0x%x'",
                                   static_cast<unsigned>(static_cast<unsigned char>(escape))));
                return false;
            }
            run = c_;
        } else {
            addError(5, format("Unescaped control character '0x%x'", static_cast<unsigned>(byte)));
            return false;
        }
    }
    addError(11, "Unexpected EOF while parsing string");
    return false;
}

bool CCJsonParser::scanHexQuad(uint32_t& unit)
{
    unit = 0;
    for (int i = 0; i < 4; ++i) {
        const int digit = c_ != end_ ? hexValue(*c_) : -1;
        if (digit < 0) {
            addError(6, "Missing hex digit in quad");
            addError(6, "Missing hex quad");
            return false;
        }
        unit = unit * 16 + static_cast<uint32_t>(digit);
        ++c_;
    }
    return true;
}

bool CCJsonParser::scanUnicodeEscape(std::string& out)
{
    const auto broken = [this] {
        addError(6, "Broken unicode character");
        return false;
    };
    uint32_t unit = 0;
    if (!scanHexQuad(unit)) return broken();
    if (unit >= 0xDC00 && unit <= 0xDFFF) {
        addError(6, "Invalid high character in surrogate pair");
        return broken();
    }
    if (unit >= 0xD800 && unit <= 0xDBFF) {
        if (end_ - c_ < 2 || c_[0] != '\\' || c_[1] != 'u') {
            addError(6, "Missing low character in surrogate pair");
            return broken();
        }
        c_ += 2;
        uint32_t low = 0;
        if (!scanHexQuad(low)) return broken();
        if (low < 0xDC00 || low > 0xDFFF) {
            addError(6, "Invalid low surrogate char");
            return broken();
        }
        unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
    }
    appendUtf8(out, unit);
    return true;
}

bool CCJsonParser::scanNumber(Value& out)
{
    // The literal is kept as it is written: a decimal (see Value), never a
    // double or an integer, so that no digit is lost on the way through.
    switch (Value::readDecimal(c_, end_, out)) {
    case Value::DecimalSyntax::Read: return true;
    case Value::DecimalSyntax::NoDigitsAfterMinus: addError(2, "No digits after initial minus"); return false;
    case Value::DecimalSyntax::LeadingZero: addError(2, "Leading 0 disallowed in number"); return false;
    case Value::DecimalSyntax::NoDigitsAfterPoint: addError(2, "No digits after decimal point"); return false;
    case Value::DecimalSyntax::NoDigitsAfterExponent: addError(2, "No digits after exponent"); return false;
    case Value::DecimalSyntax::ExponentTooLong: break;
    }
    addError(2, "Failed creating decimal instance");
    return false;
}

} // namespace mw
