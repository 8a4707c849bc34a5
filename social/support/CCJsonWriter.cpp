#include "social/support/CCJsonWriter.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "foundation/Format.h"
#include "foundation/Utf8.h"
#include "social/support/JsonStringScan.h"

namespace mw {

namespace {

const char* kindName(const Value& value)
{
    switch (value.kind()) {
    case Value::Kind::Data: return "data";
    case Value::Kind::Date: return "date";
    default: return "value";
    }
}

} // namespace

std::optional<std::string> CCJsonWriter::stringWithFragment(const Value& value)
{
    clearErrorTrace();
    depth_ = 0;
    // The text grows in a buffer the thread keeps between calls, and the
    // result is one copy of the right size: a large document then does not
    // move through a fresh string at every doubling. Buffers past a few
    // megabytes are not kept.
    constexpr size_t kKeptCapacity = size_t(4) << 20;
    thread_local std::string buffer;
    buffer.clear();
    const bool written = appendValue(value, buffer);
    std::optional<std::string> text;
    if (written) text.emplace(buffer);
    if (buffer.capacity() > kKeptCapacity) std::string().swap(buffer);
    return text;
}

std::optional<std::string> CCJsonWriter::stringWithFragment(const JsonProxy& proxy)
{
    return stringWithFragment(proxy.proxyForJson());
}

std::optional<std::string> CCJsonWriter::stringWithObject(const Value& value)
{
    if (value.isDict() || value.isArray()) return stringWithFragment(value);
    clearErrorTrace();
    addError(4, "Not valid type for JSON");
    return std::nullopt;
}

std::optional<std::string> CCJsonWriter::stringWithObject(const JsonProxy& proxy)
{
    if (std::optional<std::string> text = stringWithObject(proxy.proxyForJson())) return text;
    clearErrorTrace();
    addError(4, "Not valid type for JSON");
    return std::nullopt;
}

void CCJsonWriter::appendIndent(std::string& out) const
{
    out += '\n';
    out.append(2 * static_cast<size_t>(depth_), ' ');
}

bool CCJsonWriter::appendValue(const Value& value, std::string& out)
{
    switch (value.kind()) {
    case Value::Kind::Dictionary: return appendDictionary(value, out);
    case Value::Kind::Array: return appendArray(value, out);
    case Value::Kind::String: return appendString(value.stringView(), out);
    case Value::Kind::Boolean: out += value.asBool() ? "true" : "false"; return true;
    case Value::Kind::Integer: {
        char digits[24];
        const auto result = value.isUnsigned()
                                ? std::to_chars(digits, digits + sizeof digits, value.asUInt64())
                                : std::to_chars(digits, digits + sizeof digits, value.asInt64());
        out.append(digits, result.ptr);
        return true;
    }
    case Value::Kind::Real: return appendReal(value, out);
    case Value::Kind::Decimal: value.appendNumberText(out); return true;
    case Value::Kind::Null: out += "null"; return true;
    case Value::Kind::Data:
    case Value::Kind::Date: break;
    }
    addError(1, format("JSON serialisation not supported for %@", kindName(value)));
    return false;
}

bool CCJsonWriter::appendReal(const Value& value, std::string& out)
{
    const double real = value.asDouble();
    if (!std::isfinite(real)) {
        addError(1, "JSON serialisation not supported for non-finite number");
        return false;
    }
    // A number's own text: the shortest that reads back as it, at the
    // precision it was made with (a float's "0.1", not its double's digits).
    char text[32];
    const auto result = value.isFloat() ? std::to_chars(text, text + sizeof text, static_cast<float>(real))
                                        : std::to_chars(text, text + sizeof text, real);
    out.append(text, result.ptr);
    return true;
}

bool CCJsonWriter::appendArray(const Value& value, std::string& out)
{
    if (tooDeep(++depth_)) {
        addError(7, "Nested too deep");
        return false;
    }
    out += '[';
    bool first = true;
    for (const Value& item : value.asArray()) {
        if (!first) out += ',';
        first = false;
        if (humanReadable_) appendIndent(out);
        if (!appendValue(item, out)) return false;
    }
    --depth_;
    if (humanReadable_ && !first) appendIndent(out);
    out += ']';
    return true;
}

bool CCJsonWriter::appendDictionary(const Value& value, std::string& out)
{
    if (tooDeep(++depth_)) {
        addError(7, "Nested too deep");
        return false;
    }
    out += '{';
    bool first = true;
    const auto appendMember = [&](const ValueDictionary::Entry& entry) {
        if (!first) out += ',';
        first = false;
        if (humanReadable_) appendIndent(out);
        if (!appendString(entry.first, out)) return false;
        out += humanReadable_ ? " : " : ":";
        if (appendValue(entry.second, out)) return true;
        addError(1, format("Unsupported value for key %@ in object", entry.first));
        return false;
    };
    const auto& entries = value.asDict().entries();
    if (sortKeys_) {
        std::vector<const ValueDictionary::Entry*> order;
        order.reserve(entries.size());
        for (const auto& entry : entries) order.push_back(&entry);
        std::sort(order.begin(), order.end(),
                  [](const auto* a, const auto* b) { return a->first < b->first; });
        for (const ValueDictionary::Entry* entry : order) {
            if (!appendMember(*entry)) return false;
        }
    } else {
        for (const ValueDictionary::Entry& entry : entries) {
            if (!appendMember(entry)) return false;
        }
    }
    --depth_;
    if (humanReadable_ && !first) appendIndent(out);
    out += '}';
    return true;
}

bool CCJsonWriter::appendString(std::string_view text, std::string& out)
{
    out += '"';
    const char* c = text.data();
    const char* end = c + text.size();
    // Bytes go out in runs as long as nothing needs escaping; checked UTF-8
    // characters stay part of the run.
    const char* run = c;
    while (true) {
        c = findSpecialStringByte(c, end);
        if (c == end) break;
        const unsigned char byte = static_cast<unsigned char>(*c);
        if (byte >= 0x80) {
            const size_t length = validUtf8Length(c, end);
            if (length == 0) {
                addError(1, "JSON serialisation not supported for string that is not UTF-8");
                return false;
            }
            c += length;
            continue;
        }
        out.append(run, static_cast<size_t>(c - run));
        switch (byte) {
        case '\b': out += "\\b"; break;
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\f': out += "\\f"; break;
        case '\r': out += "\\r"; break;
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        default: {
            static const char kHex[] = "0123456789abcdef";
            const char escape[] = {'\\', 'u', '0', '0', kHex[byte >> 4], kHex[byte & 0xF]};
            out.append(escape, sizeof escape);
        }
        }
        run = ++c;
    }
    out.append(run, static_cast<size_t>(c - run));
    out += '"';
    return true;
}

} // namespace mw
