#include "foundation/PropertyList.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include <libxml/parser.h>
#include <libxml/tree.h>

#include "foundation/AtomicFile.h"
#include "foundation/LibxmlLog.h"
#include "foundation/Log.h"
#include "foundation/Utf8.h"

namespace mw {

namespace {

constexpr char kHeader[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
    "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
    "<plist version=\"1.0\">\n";
constexpr char kFooter[] = "</plist>\n";
constexpr char kBase64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr size_t kBase64LineLength = 68;
// 0001-01-01T00:00:00Z.
constexpr double kEarliestDateUnixTime = -62135596800.0;

bool isXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && isXmlSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && isXmlSpace(text.back())) text.remove_suffix(1);
    return text;
}

std::string doubleText(double d)
{
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, d, std::chars_format::general, 17);
    return std::string(buffer, result.ptr);
}

std::string floatText(float f)
{
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, f);
    return std::string(buffer, result.ptr);
}

// ---- Calendar arithmetic (proleptic Gregorian, UTC) ----

int64_t daysFromCivil(int64_t year, unsigned month, unsigned day)
{
    year -= month <= 2;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const unsigned yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<int64_t>(dayOfEra) - 719468;
}

void civilFromDays(int64_t days, int64_t& year, unsigned& month, unsigned& day)
{
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const unsigned dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned mp = (5 * dayOfYear + 2) / 153;
    day = dayOfYear - (153 * mp + 2) / 5 + 1;
    month = mp < 10 ? mp + 3 : mp - 9;
    year = static_cast<int64_t>(yearOfEra) + era * 400 + (month <= 2);
}

unsigned daysInMonth(int64_t year, unsigned month)
{
    static constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

// ---- Writing ----

// Appends one UTF-8 code point's worth of checking; false when the text is not
// UTF-8 or holds a character XML 1.0 cannot carry.
bool appendEscaped(std::string& out, std::string_view text)
{
    size_t i = 0;
    while (i < text.size()) {
        // Printable ASCII that needs no escape goes over in one piece: most
        // text is keys, class names and record kinds.
        size_t plain = i;
        while (plain < text.size()) {
            const unsigned char c = static_cast<unsigned char>(text[plain]);
            if (c < 0x20 || c > 0x7E || c == '&' || c == '<' || c == '>') break;
            ++plain;
        }
        if (plain > i) {
            out.append(text.data() + i, plain - i);
            i = plain;
            continue;
        }
        const Utf8Char character = decodeUtf8(text, i);
        if (!character.valid) return false;
        const char32_t codePoint = character.codePoint;
        const size_t length = character.length;
        const bool allowed = codePoint == 0x9 || codePoint == 0xA || codePoint == 0xD ||
                             (codePoint >= 0x20 && codePoint <= 0xD7FF) ||
                             (codePoint >= 0xE000 && codePoint <= 0xFFFD) || codePoint >= 0x10000;
        if (!allowed) return false;
        switch (codePoint) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        // A raw carriage return would be turned into a line feed by any XML reader.
        case '\r': out += "&#13;"; break;
        default: out.append(text.substr(i, length));
        }
        i += length;
    }
    return true;
}

class Writer {
public:
    bool write(const Value& value, int depth)
    {
        if (depth > kPropertyListMaxDepth) return failWith("nesting deeper than " + std::to_string(kPropertyListMaxDepth));
        switch (value.kind()) {
        case Value::Kind::Null: return failWith("a null value has no property-list form");
        case Value::Kind::Boolean: line(depth, value.asBool() ? "<true/>" : "<false/>"); return true;
        case Value::Kind::Integer: element(depth, "integer", value.asString()); return true;
        case Value::Kind::Real:
            element(depth, "real", value.isFloat() ? floatText(value.asFloat()) : doubleText(value.asDouble()));
            return true;
        case Value::Kind::Decimal: return writeDecimal(value, depth);
        case Value::Kind::Date: return writeDate(value, depth);
        case Value::Kind::String: return writeText(depth, "string", value.stringView());
        case Value::Kind::Data: writeData(value.asData(), depth); return true;
        case Value::Kind::Array: return writeArray(value, depth);
        case Value::Kind::Dictionary: return writeDictionary(value, depth);
        }
        return failWith("unknown value kind");
    }

    std::string out;
    std::string error;

private:
    bool failWith(std::string reason)
    {
        if (error.empty()) error = std::move(reason);
        return false;
    }

    void indent(int depth) { out.append(static_cast<size_t>(depth), '\t'); }

    void line(int depth, std::string_view text)
    {
        indent(depth);
        out += text;
        out += '\n';
    }

    // "<tag>text</tag>" on a line of its own, for text that needs no escape.
    void element(int depth, std::string_view tag, std::string_view text)
    {
        indent(depth);
        out += '<';
        out += tag;
        out += '>';
        out += text;
        out += "</";
        out += tag;
        out += ">\n";
    }

    // A dictionary of one entry that many values share (an archive's null
    // marker is one, written once for every empty slot of a record) is
    // written out once per depth; later copies repeat those bytes. The table
    // is direct-mapped: a clash only costs writing the dictionary again.
    struct Repeat {
        const void* identity = nullptr;
        int depth = -1;
        size_t offset = 0;
        size_t length = 0;
    };
    static constexpr size_t kRepeats = 16;
    Repeat repeats_[kRepeats];

    static bool repeatable(const Value& value)
    {
        return value.size() == 1 && !value.asDict().begin()->second.isArray() &&
               !value.asDict().begin()->second.isDict();
    }
    Repeat& repeatSlot(const void* identity, int depth)
    {
        const auto bits = reinterpret_cast<uintptr_t>(identity);
        return repeats_[((bits >> 4) ^ static_cast<uintptr_t>(depth) * 7) % kRepeats];
    }

    bool writeText(int depth, const char* tag, std::string_view text)
    {
        indent(depth);
        out += '<';
        out += tag;
        out += '>';
        if (!appendEscaped(out, text)) return failWith(std::string("<") + tag + "> text is not valid UTF-8 XML text");
        out += "</";
        out += tag;
        out += ">\n";
        return true;
    }

    // Property lists have no decimals: one that an integer or a real holds
    // exactly is written as that; any other as its own literal, a whole
    // number's digits in <integer> (past 64 bits, so they cannot read back
    // as an integer), else in <real> with one more zero in front ("01E400",
    // "-00.1000000000000000000001"). No writer prints a number with a zero
    // before another digit, so the reader knows these for decimals, while
    // other readers still read the number.
    bool writeDecimal(const Value& value, int depth)
    {
        const Value narrowed = value.narrowedNumber();
        if (!narrowed.isDecimal()) return write(narrowed, depth);
        Value::DecimalTextRoom room;
        const std::string_view literal = value.decimalText(room);
        if (literal.find_first_of(".eE") == std::string_view::npos) {
            element(depth, "integer", literal);
            return true;
        }
        std::string marked(literal);
        marked.insert(marked.front() == '-' ? 1 : 0, 1, '0');
        element(depth, "real", marked);
        return true;
    }

    bool writeDate(const Value& value, int depth)
    {
        const std::string text = formatPropertyListDate(value.asDate());
        if (text.empty()) return failWith("date outside the years 0001 to 9999");
        line(depth, "<date>" + text + "</date>");
        return true;
    }

    void writeData(const Value::Bytes& bytes, int depth)
    {
        const std::string encoded = encodeBase64(bytes.data(), bytes.size());
        line(depth, "<data>");
        for (size_t start = 0; start < encoded.size(); start += kBase64LineLength) {
            line(depth, encoded.substr(start, kBase64LineLength));
        }
        line(depth, "</data>");
    }

    bool writeArray(const Value& value, int depth)
    {
        if (value.empty()) {
            line(depth, "<array/>");
            return true;
        }
        line(depth, "<array>");
        for (const Value& item : value.asArray()) {
            if (!write(item, depth + 1)) return false;
        }
        line(depth, "</array>");
        return true;
    }

    bool writeDictionary(const Value& value, int depth)
    {
        if (value.empty()) {
            line(depth, "<dict/>");
            return true;
        }
        Repeat* repeat = nullptr;
        if (repeatable(value)) {
            repeat = &repeatSlot(value.storageIdentity(), depth);
            if (repeat->identity == value.storageIdentity() && repeat->depth == depth) {
                out.append(out, repeat->offset, repeat->length);
                return true;
            }
        }
        const size_t start = out.size();
        line(depth, "<dict>");
        for (const auto& [key, item] : value.asDict()) {
            if (!writeText(depth + 1, "key", key)) return false;
            if (!write(item, depth + 1)) return false;
        }
        line(depth, "</dict>");
        if (repeat) *repeat = {value.storageIdentity(), depth, start, out.size() - start};
        return true;
    }
};

// ---- Reading ----

bool nameIs(const xmlNode* node, const char* name)
{
    return std::strcmp(reinterpret_cast<const char*>(node->name), name) == 0;
}

class Reader {
public:
    std::optional<Value> read(const xmlNode* node, int depth)
    {
        if (depth > kPropertyListMaxDepth) return failAt(node, "nesting deeper than " + std::to_string(kPropertyListMaxDepth));
        if (nameIs(node, "dict")) return readDictionary(node, depth);
        if (nameIs(node, "array")) return readArray(node, depth);
        if (nameIs(node, "string")) return readString(node);
        if (nameIs(node, "integer")) return readInteger(node);
        if (nameIs(node, "real")) return readReal(node);
        if (nameIs(node, "true") || nameIs(node, "false")) return readBoolean(node);
        if (nameIs(node, "date")) return readDate(node);
        if (nameIs(node, "data")) return readData(node);
        return failAt(node, "unknown element <" + std::string(reinterpret_cast<const char*>(node->name)) + ">");
    }

    // The single value element inside <plist>.
    std::optional<Value> readRoot(const xmlNode* plist)
    {
        const xmlNode* valueNode = nullptr;
        for (const xmlNode* child = plist->children; child; child = child->next) {
            if (!isIgnorable(child)) {
                if (child->type != XML_ELEMENT_NODE) return failAt(child, "text outside a value");
                if (valueNode) return failAt(child, "more than one value in <plist>");
                valueNode = child;
            }
        }
        if (!valueNode) return failAt(plist, "<plist> holds no value");
        return read(valueNode, 0);
    }

    std::optional<Value> failAt(const xmlNode* node, const std::string& reason)
    {
        if (error.empty()) error = reason + " (line " + std::to_string(xmlGetLineNo(node)) + ")";
        return std::nullopt;
    }

    std::string error;
    // When set, a dictionary entry whose value cannot be read is left out and
    // described here instead of failing the whole list.
    std::vector<std::string>* skipped = nullptr;

private:
    static bool isBlankText(const xmlNode* node)
    {
        if (node->type != XML_TEXT_NODE && node->type != XML_CDATA_SECTION_NODE) return false;
        for (const xmlChar* c = node->content; c && *c; ++c) {
            if (!isXmlSpace(static_cast<char>(*c))) return false;
        }
        return true;
    }

    static bool isIgnorable(const xmlNode* node)
    {
        return node->type == XML_COMMENT_NODE || node->type == XML_PI_NODE || isBlankText(node);
    }

    // The character content of a leaf element; fails on child elements or
    // entity references (entities are never expanded).
    std::optional<std::string> textOf(const xmlNode* node)
    {
        std::string text;
        for (const xmlNode* child = node->children; child; child = child->next) {
            switch (child->type) {
            case XML_TEXT_NODE:
            case XML_CDATA_SECTION_NODE:
                if (child->content) text += reinterpret_cast<const char*>(child->content);
                break;
            case XML_COMMENT_NODE:
            case XML_PI_NODE:
                break;
            case XML_ENTITY_REF_NODE:
                failAt(child, "entity references are not allowed");
                return std::nullopt;
            default:
                failAt(child, "unexpected element inside <" + std::string(reinterpret_cast<const char*>(node->name)) + ">");
                return std::nullopt;
            }
        }
        return text;
    }

    std::optional<Value> readDictionary(const xmlNode* node, int depth)
    {
        ValueDictionary dict;
        std::optional<std::string> pendingKey;
        for (const xmlNode* child = node->children; child; child = child->next) {
            if (isIgnorable(child)) continue;
            if (child->type != XML_ELEMENT_NODE) return failAt(child, "text inside <dict>");
            if (!pendingKey) {
                if (!nameIs(child, "key")) return failAt(child, "a value inside <dict> without a <key>");
                pendingKey = textOf(child);
                if (!pendingKey) return std::nullopt;
                continue;
            }
            if (nameIs(child, "key")) return failAt(child, "key \"" + *pendingKey + "\" has no value");
            std::optional<Value> item = read(child, depth + 1);
            if (item) {
                dict.set(std::move(*pendingKey), std::move(*item));
            } else if (skipped) {
                skipped->push_back("\"" + *pendingKey + "\": " + error);
                error.clear();
            } else {
                return std::nullopt;
            }
            pendingKey.reset();
        }
        if (pendingKey) return failAt(node, "key \"" + *pendingKey + "\" has no value");
        return Value(std::move(dict));
    }

    std::optional<Value> readArray(const xmlNode* node, int depth)
    {
        Value::Array items;
        for (const xmlNode* child = node->children; child; child = child->next) {
            if (isIgnorable(child)) continue;
            if (child->type != XML_ELEMENT_NODE) return failAt(child, "text inside <array>");
            std::optional<Value> item = read(child, depth + 1);
            if (!item) return std::nullopt;
            items.push_back(std::move(*item));
        }
        return Value(std::move(items));
    }

    std::optional<Value> readString(const xmlNode* node)
    {
        std::optional<std::string> text = textOf(node);
        if (!text) return std::nullopt;
        return Value(std::move(*text));
    }

    std::optional<Value> readBoolean(const xmlNode* node)
    {
        std::optional<std::string> text = textOf(node);
        if (!text) return std::nullopt;
        if (!trimmed(*text).empty()) return failAt(node, "text inside <true/> or <false/>");
        return Value(nameIs(node, "true"));
    }

    std::optional<Value> readInteger(const xmlNode* node)
    {
        std::optional<std::string> text = textOf(node);
        if (!text) return std::nullopt;
        std::string_view digits = trimmed(*text);
        if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
        int64_t number = 0;
        auto result = std::from_chars(digits.data(), digits.data() + digits.size(), number);
        if (result.ec == std::errc::result_out_of_range && digits.front() != '-') {
            // Property lists carry integers up to 2^64-1.
            uint64_t wide = 0;
            result = std::from_chars(digits.data(), digits.data() + digits.size(), wide);
            if (result.ec == std::errc() && result.ptr == digits.data() + digits.size()) return Value(wide);
        }
        if (result.ec == std::errc::result_out_of_range) {
            // Past 64 bits: a decimal keeps every digit (see writeDecimal).
            if (std::optional<Value> decimal = Value::decimal(digits)) return decimal;
            return failAt(node, "integer out of range: " + *text);
        }
        if (digits.empty() || result.ec != std::errc() || result.ptr != digits.data() + digits.size()) {
            return failAt(node, "not an integer: \"" + *text + "\"");
        }
        if (number >= INT32_MIN && number <= INT32_MAX) return Value(static_cast<int32_t>(number));
        return Value(number);
    }

    std::optional<Value> readReal(const xmlNode* node)
    {
        std::optional<std::string> text = textOf(node);
        if (!text) return std::nullopt;
        std::string_view number = trimmed(*text);
        if (!number.empty() && number.front() == '+') number.remove_prefix(1);
        if (std::optional<Value> decimal = markedDecimal(number)) return decimal;
        double value = 0.0;
        auto result = std::from_chars(number.data(), number.data() + number.size(), value);
        if (number.empty() || result.ptr != number.data() + number.size() ||
            (result.ec != std::errc() && result.ec != std::errc::result_out_of_range)) {
            return failAt(node, "not a real number: \"" + *text + "\"");
        }
        if (result.ec == std::errc::result_out_of_range) {
            // Past the double range: the platform read these as infinity or zero.
            value = parseLeadingReal(number);
        }
        // The number is the text's double whatever its form: other writers
        // print doubles in their shortest form, which often looks like a
        // float's ("0.1", "1e+16"). Only the mark follows the text, so that a
        // real we wrote from a float is written back as the same text.
        if (doubleText(value) != number && floatText(static_cast<float>(value)) == number) {
            return Value::realMarkedFloat(value);
        }
        return Value(value);
    }

    // A decimal written with one more zero in front (see writeDecimal).
    static std::optional<Value> markedDecimal(std::string_view number)
    {
        const size_t zero = !number.empty() && number.front() == '-' ? 1 : 0;
        if (number.size() < zero + 2 || number[zero] != '0' || number[zero + 1] < '0' || number[zero + 1] > '9') {
            return std::nullopt;
        }
        std::string literal(number);
        literal.erase(zero, 1);
        return Value::decimal(literal);
    }

    std::optional<Value> readDate(const xmlNode* node)
    {
        std::optional<std::string> text = textOf(node);
        if (!text) return std::nullopt;
        std::optional<double> seconds = parsePropertyListDate(trimmed(*text));
        if (!seconds) return failAt(node, "not a date: \"" + *text + "\"");
        return Value::date(*seconds);
    }

    std::optional<Value> readData(const xmlNode* node)
    {
        std::optional<std::string> text = textOf(node);
        if (!text) return std::nullopt;
        std::optional<Value::Bytes> bytes = decodeBase64(*text);
        if (!bytes) return failAt(node, "bad base64 in <data>");
        return Value(std::move(*bytes));
    }
};

std::optional<Value> report(std::string* error, const std::string& reason)
{
    if (error) {
        *error = reason;
    } else {
        logLine("PropertyList: %s", reason.c_str());
    }
    return std::nullopt;
}

struct ParserContextDeleter {
    void operator()(xmlParserCtxt* context) const { xmlFreeParserCtxt(context); }
};
struct DocumentDeleter {
    void operator()(xmlDoc* document) const { xmlFreeDoc(document); }
};

std::optional<Value> parsePropertyList(const uint8_t* data, size_t size, std::vector<std::string>* skipped,
                                       std::string* error)
{
    if (!data || size == 0) return report(error, "empty property list");
    if (size >= 6 && std::memcmp(data, "bplist", 6) == 0) {
        return report(error, "binary property lists are not supported");
    }
    if (size > static_cast<size_t>(std::numeric_limits<int>::max())) return report(error, "property list too large");
    routeLibxmlErrorsToLog();

    std::unique_ptr<xmlParserCtxt, ParserContextDeleter> context(xmlNewParserCtxt());
    if (!context) return report(error, "out of memory");
    // The parse result carries this context's errors, and its caller reports
    // them with what it was reading; the per-thread handler would log them a
    // second time.
    if (context->sax) context->sax->serror = [](void*, xmlErrorPtr) {};
    // No NOENT: entities stay unexpanded (and are refused below); no DTDLOAD,
    // NONET: the DOCTYPE's URL is never fetched.
    const int options = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_NOCDATA;
    std::unique_ptr<xmlDoc, DocumentDeleter> document(xmlCtxtReadMemory(
        context.get(), reinterpret_cast<const char*>(data), static_cast<int>(size), "plist", nullptr, options));
    if (!document) {
        const xmlError* last = xmlCtxtGetLastError(context.get());
        std::string reason(last && last->message ? trimmed(last->message) : std::string_view("malformed XML"));
        if (last) reason += " (line " + std::to_string(last->line) + ")";
        return report(error, "malformed XML: " + reason);
    }
    const xmlNode* root = xmlDocGetRootElement(document.get());
    if (!root || !nameIs(root, "plist")) {
        return report(error, "the root element is not <plist>");
    }
    Reader reader;
    reader.skipped = skipped;
    std::optional<Value> value = reader.readRoot(root);
    if (!value) return report(error, reader.error);
    return value;
}

} // namespace

std::optional<Value> readPropertyList(const uint8_t* data, size_t size, std::string* error)
{
    return parsePropertyList(data, size, nullptr, error);
}

std::optional<Value> readPropertyListSkippingBadEntries(const uint8_t* data, size_t size,
                                                        std::vector<std::string>& skipped, std::string* error)
{
    return parsePropertyList(data, size, &skipped, error);
}

std::optional<Value> readPropertyListFile(const std::string& path, std::string* error)
{
    std::vector<uint8_t> bytes;
    std::string reason;
    if (!AtomicFile::read(path, bytes, &reason)) return report(error, reason);
    std::optional<Value> value = readPropertyList(bytes.data(), bytes.size(), &reason);
    if (!value) return report(error, path + ": " + reason);
    return value;
}

std::string writePropertyList(const Value& value, std::string* error)
{
    Writer writer;
    writer.out = kHeader;
    if (!writer.write(value, 0)) {
        report(error, "cannot write property list: " + writer.error);
        return std::string();
    }
    writer.out += kFooter;
    return std::move(writer.out);
}

bool writePropertyListFile(const std::string& path, const Value& value, std::string* error)
{
    std::string reason;
    const std::string bytes = writePropertyList(value, &reason);
    if (bytes.empty()) {
        report(error, path + ": " + reason);
        return false;
    }
    // AtomicFile logs its own failures.
    return AtomicFile::write(path, bytes, error);
}

std::string encodeBase64(const uint8_t* data, size_t size)
{
    std::string out;
    out.reserve((size + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 3 <= size; i += 3) {
        const uint32_t group = (uint32_t(data[i]) << 16) | (uint32_t(data[i + 1]) << 8) | data[i + 2];
        out += kBase64Alphabet[(group >> 18) & 63];
        out += kBase64Alphabet[(group >> 12) & 63];
        out += kBase64Alphabet[(group >> 6) & 63];
        out += kBase64Alphabet[group & 63];
    }
    if (i < size) {
        uint32_t group = uint32_t(data[i]) << 16;
        if (i + 1 < size) group |= uint32_t(data[i + 1]) << 8;
        out += kBase64Alphabet[(group >> 18) & 63];
        out += kBase64Alphabet[(group >> 12) & 63];
        out += i + 1 < size ? kBase64Alphabet[(group >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

std::optional<Value::Bytes> decodeBase64(std::string_view text)
{
    Value::Bytes bytes;
    bytes.reserve(text.size() / 4 * 3);
    uint32_t group = 0;
    int symbols = 0;
    int padding = 0;
    for (char c : text) {
        if (isXmlSpace(c)) continue;
        int sextet = -1;
        if (c >= 'A' && c <= 'Z') sextet = c - 'A';
        else if (c >= 'a' && c <= 'z') sextet = c - 'a' + 26;
        else if (c >= '0' && c <= '9') sextet = c - '0' + 52;
        else if (c == '+') sextet = 62;
        else if (c == '/') sextet = 63;
        else if (c == '=') {
            // Padding fills only the last one or two places of the final group.
            if (symbols < 2) return std::nullopt;
            ++padding;
            ++symbols;
            group <<= 6;
        } else {
            return std::nullopt;
        }
        if (sextet >= 0) {
            if (padding > 0) return std::nullopt; // data after padding
            group = (group << 6) | static_cast<uint32_t>(sextet);
            ++symbols;
        }
        if (symbols == 4) {
            bytes.push_back(static_cast<uint8_t>(group >> 16));
            if (padding < 2) bytes.push_back(static_cast<uint8_t>(group >> 8));
            if (padding < 1) bytes.push_back(static_cast<uint8_t>(group));
            group = 0;
            symbols = 0;
            if (padding > 0) padding = 3; // marks the end: nothing may follow
        }
    }
    if (symbols != 0) return std::nullopt; // a truncated group
    return bytes;
}

std::string formatPropertyListDate(double secondsSinceReferenceDate)
{
    if (!std::isfinite(secondsSinceReferenceDate)) return std::string();
    const double unix = std::floor(secondsSinceReferenceDate) + Value::kReferenceDateUnixTime;
    // Years 0001-9999: other readers refuse year 0000, which their calendars lack.
    if (unix < kEarliestDateUnixTime || unix > 253402300799.0) return std::string();
    const auto total = static_cast<int64_t>(unix);
    int64_t days = total / 86400;
    int64_t rest = total % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    int64_t year = 0;
    unsigned month = 0, day = 0;
    civilFromDays(days, year, month, day);
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(year), month, day,
                  static_cast<int>(rest / 3600), static_cast<int>(rest / 60 % 60), static_cast<int>(rest % 60));
    return buffer;
}

std::optional<double> parsePropertyListDate(std::string_view text)
{
    // Exactly "YYYY-MM-DDTHH:MM:SSZ".
    if (text.size() != 20) return std::nullopt;
    auto field = [&](size_t at, size_t width, int& out) {
        out = 0;
        for (size_t i = at; i < at + width; ++i) {
            if (text[i] < '0' || text[i] > '9') return false;
            out = out * 10 + (text[i] - '0');
        }
        return true;
    };
    int year, month, day, hour, minute, second;
    if (!field(0, 4, year) || text[4] != '-' || !field(5, 2, month) || text[7] != '-' || !field(8, 2, day) ||
        text[10] != 'T' || !field(11, 2, hour) || text[13] != ':' || !field(14, 2, minute) || text[16] != ':' ||
        !field(17, 2, second) || text[19] != 'Z') {
        return std::nullopt;
    }
    if (month < 1 || month > 12 || day < 1 || static_cast<unsigned>(day) > daysInMonth(year, static_cast<unsigned>(month)) ||
        hour > 23 || minute > 59 || second > 59) {
        return std::nullopt;
    }
    const int64_t days = daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day));
    const int64_t unix = days * 86400 + hour * 3600 + minute * 60 + second;
    // Earlier versions wrote year 0000; such a date reads as the earliest one
    // that can be written again, so the file it is in can still be saved.
    return std::max(static_cast<double>(unix), kEarliestDateUnixTime) - Value::kReferenceDateUnixTime;
}

} // namespace mw
