#include "foundation/Value.h"

#include <atomic>
#include <charconv>
#include <cmath>
#include <limits>

namespace mw {

namespace {

const Value::Bytes kEmptyBytes;
const Value::Array kEmptyArray;
const ValueDictionary kEmptyDict;
const std::string kEmptyString;

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view skipSpace(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && isSpace(text[i])) ++i;
    return text.substr(i);
}

int64_t clampToInt64(double d)
{
    if (std::isnan(d)) return 0;
    // 2^63 is exactly representable; anything at or above it overflows.
    if (d >= 9223372036854775808.0) return std::numeric_limits<int64_t>::max();
    if (d <= -9223372036854775808.0) return std::numeric_limits<int64_t>::min();
    return static_cast<int64_t>(d);
}

template <typename Integer>
std::string formatInteger(Integer i)
{
    char buffer[32];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, i);
    return std::string(buffer, result.ptr);
}

uint64_t clampToUInt64(double d)
{
    if (std::isnan(d) || d <= 0.0) return 0;
    // 2^64 is exactly representable; anything at or above it overflows.
    if (d >= 18446744073709551616.0) return std::numeric_limits<uint64_t>::max();
    return static_cast<uint64_t>(d);
}

std::string formatReal(double d, bool asFloat)
{
    char buffer[64];
    auto result = asFloat ? std::to_chars(buffer, buffer + sizeof buffer, static_cast<float>(d))
                          : std::to_chars(buffer, buffer + sizeof buffer, d);
    return std::string(buffer, result.ptr);
}

bool realsEqual(double a, double b, bool atFloatPrecision)
{
    if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
    if (atFloatPrecision) return static_cast<float>(a) == static_cast<float>(b);
    return a == b;
}

} // namespace

int64_t parseLeadingInteger(std::string_view text)
{
    text = skipSpace(text);
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    size_t digits = 0;
    while (digits < text.size() && isDigit(text[digits])) ++digits;
    if (digits == 0) return 0;
    // Parse as unsigned so that INT64_MIN, whose magnitude exceeds INT64_MAX, fits.
    uint64_t magnitude = 0;
    auto result = std::from_chars(text.data(), text.data() + digits, magnitude);
    const uint64_t limit = negative ? uint64_t(INT64_MAX) + 1 : uint64_t(INT64_MAX);
    if (result.ec == std::errc::result_out_of_range || magnitude > limit) {
        return negative ? std::numeric_limits<int64_t>::min() : std::numeric_limits<int64_t>::max();
    }
    if (negative) return magnitude == uint64_t(INT64_MAX) + 1 ? INT64_MIN : -static_cast<int64_t>(magnitude);
    return static_cast<int64_t>(magnitude);
}

double parseLeadingReal(std::string_view text)
{
    text = skipSpace(text);
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    // from_chars is locale-independent and stops at the first character that
    // cannot continue the number, which is the "leading number" rule.
    double value = 0.0;
    auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ptr == text.data()) return 0.0;
    if (result.ec == std::errc::result_out_of_range) {
        // Overflow clamps to infinity; underflow (a negative exponent) reads as zero.
        std::string_view number(text.data(), static_cast<size_t>(result.ptr - text.data()));
        size_t exponent = number.find_first_of("eE");
        bool tiny = exponent != std::string_view::npos && exponent + 1 < number.size() && number[exponent + 1] == '-';
        value = tiny ? 0.0 : std::numeric_limits<double>::infinity();
    }
    return negative ? -value : value;
}

bool parseLeadingBool(std::string_view text)
{
    text = skipSpace(text);
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) text.remove_prefix(1);
    while (!text.empty() && text[0] == '0') text.remove_prefix(1);
    if (text.empty()) return false;
    char c = text[0];
    return c == 'Y' || c == 'y' || c == 'T' || c == 't' || (c >= '1' && c <= '9');
}

// ---- Value ----

Value::Value(const char* s) : Value(std::string(s ? s : "")) {}

Value::Value(std::string s) : kind_(Kind::String), storage_(std::make_shared<std::string>(std::move(s))) {}

Value::Value(Bytes bytes) : kind_(Kind::Data), storage_(std::make_shared<Bytes>(std::move(bytes))) {}

Value::Value(Array items) : kind_(Kind::Array), storage_(std::make_shared<Array>(std::move(items))) {}

Value::Value(ValueDictionary dict)
    : kind_(Kind::Dictionary), storage_(std::make_shared<ValueDictionary>(std::move(dict)))
{
}

Value Value::dictionary(std::initializer_list<std::pair<std::string, Value>> entries)
{
    return Value(ValueDictionary(entries));
}

Value Value::data(const void* bytes, size_t size)
{
    const auto* begin = static_cast<const uint8_t*>(bytes);
    return Value(size == 0 ? Bytes() : Bytes(begin, begin + size));
}

Value Value::realMarkedFloat(double d)
{
    Value v(d);
    v.isFloat_ = true;
    return v;
}

Value Value::date(double secondsSinceReferenceDate)
{
    Value v;
    v.kind_ = Kind::Date;
    v.real_ = secondsSinceReferenceDate;
    return v;
}

const Value& Value::null()
{
    static const Value shared;
    return shared;
}

const std::string& Value::stringRef() const
{
    return kind_ == Kind::String ? *static_cast<const std::string*>(storage_.get()) : kEmptyString;
}

int64_t Value::asInt64() const
{
    switch (kind_) {
    case Kind::Boolean: return int_;
    case Kind::Integer: return isUnsigned_ ? std::numeric_limits<int64_t>::max() : int_;
    case Kind::Real:
    case Kind::Date: return clampToInt64(real_);
    case Kind::String: return parseLeadingInteger(stringRef());
    default: return 0;
    }
}

uint64_t Value::asUInt64() const
{
    switch (kind_) {
    case Kind::Integer:
        if (isUnsigned_) return static_cast<uint64_t>(int_);
        return int_ < 0 ? 0 : static_cast<uint64_t>(int_);
    case Kind::Real:
    case Kind::Date: return clampToUInt64(real_);
    case Kind::String: {
        // Past the signed range the leading number is read again as unsigned.
        const int64_t leading = parseLeadingInteger(stringRef());
        if (leading < 0) return 0;
        if (leading < std::numeric_limits<int64_t>::max()) return static_cast<uint64_t>(leading);
        std::string_view digits = skipSpace(stringRef());
        if (!digits.empty() && digits[0] == '+') digits.remove_prefix(1);
        uint64_t wide = 0;
        auto result = std::from_chars(digits.data(), digits.data() + digits.size(), wide);
        return result.ec == std::errc() ? wide : std::numeric_limits<uint64_t>::max();
    }
    default: return asInt64() < 0 ? 0 : static_cast<uint64_t>(asInt64());
    }
}

int32_t Value::asInt() const
{
    int64_t wide = asInt64();
    if (wide > INT32_MAX) return INT32_MAX;
    if (wide < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(wide);
}

double Value::asDouble() const
{
    switch (kind_) {
    case Kind::Boolean: return static_cast<double>(int_);
    case Kind::Integer:
        return isUnsigned_ ? static_cast<double>(static_cast<uint64_t>(int_)) : static_cast<double>(int_);
    case Kind::Real:
    case Kind::Date: return real_;
    case Kind::String: return parseLeadingReal(stringRef());
    default: return 0.0;
    }
}

bool Value::asBool() const
{
    switch (kind_) {
    case Kind::Boolean:
    case Kind::Integer: return int_ != 0;
    case Kind::Real: return real_ != 0.0;
    case Kind::String: return parseLeadingBool(stringRef());
    default: return false;
    }
}

std::string Value::asString() const
{
    switch (kind_) {
    case Kind::String: return stringRef();
    case Kind::Boolean: return formatInteger(int_);
    case Kind::Integer: return isUnsigned_ ? formatInteger(static_cast<uint64_t>(int_)) : formatInteger(int_);
    case Kind::Real: return formatReal(real_, isFloat_);
    default: return std::string();
    }
}

const Value::Bytes& Value::asData() const
{
    return kind_ == Kind::Data ? *static_cast<const Bytes*>(storage_.get()) : kEmptyBytes;
}

const Value::Array& Value::asArray() const
{
    return kind_ == Kind::Array ? *static_cast<const Array*>(storage_.get()) : kEmptyArray;
}

const ValueDictionary& Value::asDict() const
{
    return kind_ == Kind::Dictionary ? *static_cast<const ValueDictionary*>(storage_.get()) : kEmptyDict;
}

size_t Value::size() const
{
    if (kind_ == Kind::Array) return asArray().size();
    if (kind_ == Kind::Dictionary) return asDict().size();
    return 0;
}

const Value& Value::get(std::string_view key) const
{
    const Value* found = asDict().find(key);
    return found ? *found : null();
}

bool Value::contains(std::string_view key) const { return asDict().contains(key); }

const Value& Value::at(size_t index) const
{
    const Array& items = asArray();
    return index < items.size() ? items[index] : null();
}

// Copy-on-write: the storage is cloned when another Value still shares it.
template <typename T>
T* Value::unshared()
{
    if (storage_.use_count() > 1) {
        storage_ = std::make_shared<T>(*static_cast<const T*>(storage_.get()));
    } else {
        // use_count() is a relaxed read. A copy just dropped on another thread
        // released its reads of the storage with the count; this fence makes
        // them happen before the writes below.
        std::atomic_thread_fence(std::memory_order_acquire);
    }
    return const_cast<T*>(static_cast<const T*>(storage_.get()));
}

Value::Array* Value::mutableArray()
{
    if (kind_ != Kind::Array) return nullptr;
    return unshared<Array>();
}

ValueDictionary* Value::mutableDict()
{
    if (kind_ != Kind::Dictionary) return nullptr;
    return unshared<ValueDictionary>();
}

bool Value::set(std::string key, Value value)
{
    if (kind_ == Kind::Null) *this = Value(ValueDictionary());
    ValueDictionary* dict = mutableDict();
    if (!dict) return false;
    dict->set(std::move(key), std::move(value));
    return true;
}

bool Value::remove(std::string_view key)
{
    ValueDictionary* dict = mutableDict();
    return dict && dict->remove(key);
}

bool Value::push(Value value)
{
    if (kind_ == Kind::Null) *this = Value(Array());
    Array* items = mutableArray();
    if (!items) return false;
    items->push_back(std::move(value));
    return true;
}

bool operator==(const Value& a, const Value& b)
{
    if (a.kind_ != b.kind_) return false;
    switch (a.kind_) {
    case Value::Kind::Null: return true;
    case Value::Kind::Boolean: return a.int_ == b.int_;
    case Value::Kind::Integer: return a.int_ == b.int_ && a.isUnsigned_ == b.isUnsigned_;
    case Value::Kind::Real: return realsEqual(a.real_, b.real_, a.isFloat_ || b.isFloat_);
    case Value::Kind::Date: return realsEqual(a.real_, b.real_, false);
    case Value::Kind::String: return a.storage_ == b.storage_ || a.stringRef() == b.stringRef();
    case Value::Kind::Data: return a.storage_ == b.storage_ || a.asData() == b.asData();
    case Value::Kind::Array: return a.storage_ == b.storage_ || a.asArray() == b.asArray();
    case Value::Kind::Dictionary: return a.storage_ == b.storage_ || a.asDict() == b.asDict();
    }
    return false;
}

// ---- ValueDictionary ----

ValueDictionary::ValueDictionary(std::initializer_list<Entry> entries)
{
    for (const Entry& entry : entries) set(entry.first, entry.second);
}

const Value* ValueDictionary::find(std::string_view key) const
{
    const size_t position = positionOf(key);
    return position == kMissing ? nullptr : &entries_[position].second;
}

Value* ValueDictionary::find(std::string_view key)
{
    const size_t position = positionOf(key);
    return position == kMissing ? nullptr : &entries_[position].second;
}

size_t ValueDictionary::positionOf(std::string_view key) const
{
    if (index_.empty()) {
        for (size_t i = 0; i < entries_.size(); ++i) {
            if (entries_[i].first == key) return i;
        }
        return kMissing;
    }
    auto it = index_.find(key);
    return it == index_.end() ? kMissing : it->second;
}

void ValueDictionary::set(std::string key, Value value)
{
    if (Value* existing = find(key)) {
        *existing = std::move(value);
        return;
    }
    entries_.emplace_back(std::move(key), std::move(value));
    if (!index_.empty()) {
        index_.emplace(entries_.back().first, entries_.size() - 1);
    } else if (entries_.size() > kLinearSearchLimit) {
        for (size_t i = 0; i < entries_.size(); ++i) index_.emplace(entries_[i].first, i);
    }
}

bool ValueDictionary::remove(std::string_view key)
{
    const size_t position = positionOf(key);
    if (position == kMissing) return false;
    if (!index_.empty()) {
        index_.erase(index_.find(key));
        for (auto& slot : index_) {
            if (slot.second > position) --slot.second;
        }
    }
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(position));
    return true;
}

void ValueDictionary::clear()
{
    entries_.clear();
    index_.clear();
}

bool operator==(const ValueDictionary& a, const ValueDictionary& b)
{
    if (a.size() != b.size()) return false;
    for (const auto& [key, value] : a.entries_) {
        const Value* other = b.find(key);
        if (!other || !(*other == value)) return false;
    }
    return true;
}

} // namespace mw
