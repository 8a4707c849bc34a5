#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace mw {

class ValueDictionary;
template <typename T>
class Ref;

// A property-list value: null, boolean, integer, real, decimal, string, data,
// date, array or dictionary.
//
// Value is a plain value type of 16 bytes. Strings, data, arrays and
// dictionaries live in shared, reference-counted storage that is copied only
// when a shared copy is changed, so passing values around is cheap. Copies may
// travel between threads; one Value object must not be changed by two threads
// at once. A Value moved from is null.
//
// A decimal is a number kept as the literal it was read from ("12",
// "-0.5E+3", "123456789012345678901234567890", "1E400"): every digit and the
// exponent stay exactly as written, however many there are, and the value
// hands its literal back unchanged (asString, and the JSON writer). It is how
// JSON numbers are read, so that an id or an amount past what a double holds
// is neither rounded nor pushed to infinity. Small literals (up to 19 digits,
// an exponent up to 65535) are held in the value itself; longer ones in a
// shared block like a string's.
//
// Reads are forgiving, as the platform's number and string objects were: a
// value of the wrong kind reads as 0, false or empty; a string read as a number
// yields its leading number (C locale); a real or a decimal read as an integer
// truncates toward zero and clamps to the integer's range; a decimal read as a
// double is the nearest double, infinity or zero past the double's range. A
// decimal never reads as NaN.
//
// Equality is deep and compares kinds: a boolean, an integer and a real are
// three different kinds, so Value(1) != Value(1.0) != Value(true). Within a
// kind the width hints do not matter: a 32-bit and a 64-bit integer of the same
// number are equal, and a real marked as float is compared at float precision
// (the mark says the value never had more). A decimal compares as the number
// it writes: equal to another decimal of the same value ("1.50" == "1.5",
// "-0" == "0"), to an integer of the same value, and to a real whose own
// text (asString's shortest form, at float precision for one marked float)
// has the same value, so Value::decimal("0.1") == Value(0.1): the real's JSON
// text reads back equal. It is never equal to a boolean, a
// string or a NaN or infinite real. (A decimal can thus equal both Value(1)
// and Value(1.0), which differ from each other.) Dictionaries are equal when
// they hold the same keys with equal values, whatever their order; the order
// is kept for writing files, not for identity. Values have no hash and no
// order.
class Value {
public:
    enum class Kind : uint8_t { Null, Boolean, Integer, Real, String, Data, Date, Array, Dictionary, Decimal };
    using Array = std::vector<Value>;
    using Dictionary = ValueDictionary;
    using Bytes = std::vector<uint8_t>;

    // Seconds from the Unix epoch to the platform's reference date 2001-01-01 UTC.
    static constexpr double kReferenceDateUnixTime = 978307200.0;

    Value() = default;
    Value(std::nullptr_t) {}
    Value(bool b) : kind_(Kind::Boolean) { payload_.integer = b ? 1 : 0; }
    Value(int32_t i) : kind_(Kind::Integer), is32Bit_(true) { payload_.integer = i; }
    Value(int64_t i) : kind_(Kind::Integer) { payload_.integer = i; }
    Value(long long i) : Value(static_cast<int64_t>(i)) {}
    Value(uint32_t i) : Value(static_cast<int64_t>(i)) {}
    // Unsigned 64-bit numbers keep their value: one above INT64_MAX becomes an
    // unsigned integer (see isUnsigned), as property lists allow up to 2^64-1.
    Value(unsigned long i) : Value(static_cast<unsigned long long>(i)) {}
    Value(unsigned long long i)
        : kind_(Kind::Integer), isUnsigned_(i > uint64_t(INT64_MAX))
    {
        payload_.integer = static_cast<int64_t>(i);
    }
    Value(float f) : kind_(Kind::Real), isFloat_(true) { payload_.real = static_cast<double>(f); }
    Value(double d) : kind_(Kind::Real) { payload_.real = d; }
    Value(const char* s);
    Value(const std::string& s) : Value(std::string_view(s)) {}
    Value(std::string_view s);
    Value(Bytes bytes);
    Value(Array items);
    Value(ValueDictionary dict);
    // Pointers and object references are no property-list values; without
    // these they would quietly turn into booleans.
    template <typename T>
    Value(const T*) = delete;
    template <typename T>
    Value(const Ref<T>&) = delete;

    Value(const Value& other) noexcept : kind_(other.kind_), is32Bit_(other.is32Bit_), isFloat_(other.isFloat_),
                                         isUnsigned_(other.isUnsigned_), decimal_(other.decimal_),
                                         payload_(other.payload_)
    {
        if (hasStorage()) payload_.storage->references.fetch_add(1, std::memory_order_relaxed);
    }
    Value(Value&& other) noexcept : kind_(other.kind_), is32Bit_(other.is32Bit_), isFloat_(other.isFloat_),
                                    isUnsigned_(other.isUnsigned_), decimal_(other.decimal_),
                                    payload_(other.payload_)
    {
        if (hasStorage()) other.kind_ = Kind::Null;
    }
    Value& operator=(const Value& other) noexcept
    {
        // Safe when `other` lives inside this value's own storage: it is
        // taken before that storage is let go.
        Value copy(other);
        swap(copy);
        return *this;
    }
    Value& operator=(Value&& other) noexcept
    {
        Value taken(std::move(other));
        swap(taken);
        return *this;
    }
    ~Value()
    {
        if (hasStorage()) release();
    }

    // A dictionary built from key/value pairs, in the given order.
    static Value dictionary(std::initializer_list<std::pair<std::string, Value>> entries = {});
    // An array built from a list: Value::array({1, "two", 3.0}).
    static Value array(Array items = {}) { return Value(std::move(items)); }
    static Value data(const void* bytes, size_t size);
    // Dates count seconds from 2001-01-01 00:00:00 UTC.
    static Value date(double secondsSinceReferenceDate);
    static Value dateFromUnixTime(double unixSeconds) { return date(unixSeconds - kReferenceDateUnixTime); }
    // An integer that remembers it was written as 64-bit even when it fits in 32.
    static Value int64(int64_t i) { return Value(i); }
    // A real that holds `d` in full but carries the float mark, so that it is
    // written as the float nearest to it. The reader makes these from a text
    // that is a float's shortest form: in memory it is the text's double (what
    // any other reader sees), and it writes back as the same text.
    static Value realMarkedFloat(double d);
    // The decimal whose literal is `text`, which must be a JSON number as a
    // whole: an optional minus, an integer part without leading zeros, an
    // optional fraction and an optional exponent ("0", "-12.50", "1E+400").
    // Nothing for any other text, and for an exponent of more than 18 digits
    // (past any use, and past what the comparisons can count exactly).
    static std::optional<Value> decimal(std::string_view text);

    // Why a number literal could not be read (see readDecimal).
    enum class DecimalSyntax : uint8_t {
        Read,
        NoDigitsAfterMinus, // also: no number at all
        LeadingZero,
        NoDigitsAfterPoint,
        NoDigitsAfterExponent,
        ExponentTooLong,
    };
    // Reads the number literal that starts at `cursor` and ends before the
    // first byte that cannot continue it, into `out` as a decimal, and moves
    // `cursor` past it. On any other result `out` and `cursor` are unchanged.
    // Parsers of number texts use this to read a number in one pass.
    static DecimalSyntax readDecimal(const char*& cursor, const char* end, Value& out);

    Kind kind() const { return kind_ == kLongDecimal ? Kind::Decimal : kind_; }
    bool isNull() const { return kind_ == Kind::Null; }
    bool isBool() const { return kind_ == Kind::Boolean; }
    bool isInteger() const { return kind_ == Kind::Integer; }
    bool isReal() const { return kind_ == Kind::Real; }
    bool isDecimal() const { return kind_ == Kind::Decimal || kind_ == kLongDecimal; }
    bool isNumber() const { return isBool() || isInteger() || isReal() || isDecimal(); }
    bool isString() const { return kind_ == Kind::String; }
    bool isData() const { return kind_ == Kind::Data; }
    bool isDate() const { return kind_ == Kind::Date; }
    bool isArray() const { return kind_ == Kind::Array; }
    bool isDict() const { return kind_ == Kind::Dictionary; }
    // Width hints: an integer made from a 32-bit number, a real made from a
    // float (or read from a float's text, see realMarkedFloat).
    bool is32Bit() const { return kind_ == Kind::Integer && is32Bit_; }
    bool isFloat() const { return kind_ == Kind::Real && isFloat_; }
    // An integer above INT64_MAX (up to 2^64-1); read it with asUInt64.
    bool isUnsigned() const { return kind_ == Kind::Integer && isUnsigned_; }

    // Forgiving reads (see the class comment). Out-of-range numbers clamp.
    int64_t asInt64() const;
    // Negative numbers clamp to 0, larger ones to UINT64_MAX.
    uint64_t asUInt64() const;
    int32_t asInt() const;
    double asDouble() const;
    float asFloat() const { return static_cast<float>(asDouble()); }
    bool asBool() const;
    // Strings as they are; numbers in their C-locale decimal form (a decimal
    // as its literal); anything else empty.
    std::string asString() const;
    // Room for a small decimal's literal (see decimalText).
    struct DecimalTextRoom {
        char bytes[48];
    };
    // A decimal's literal, exactly as it was read, without an allocation:
    // a small decimal writes it into `room`. Valid while both `room` and the
    // value live unchanged; empty for any other kind.
    std::string_view decimalText(DecimalTextRoom& room) const;
    // Appends a decimal as a decimal number prints itself (its own text, the
    // platform's stringValue): the digits with the exponent applied and the
    // point where it falls, no zero after the last significant digit of a
    // fraction, no sign on zero: "-500" for "-0.5E+3", "1.5" for "1.50",
    // "100000" for "1e05", "0" for "-0.0"; "0.1" and the 30 digits of a
    // 30-digit integer as they are. Every digit is kept, however many. A
    // number whose plain digits would need more than 127 zeros after its
    // last digit or before its first (past every number the platform's
    // decimal holds) is written with one digit before the point and an
    // exponent instead ("1.5E+400", "1E-129"). Appends nothing for any
    // other kind.
    void appendNumberText(std::string& out) const;
    // The integer or real a decimal stands for exactly, or the decimal itself
    // when neither does. A whole number in the 64-bit range (signed, or
    // unsigned above it) gives an integer, except "-0", which gives the real
    // -0.0; else a number whose nearest double's own text (the shortest, as
    // asString writes the real) has the same value gives that real: "0.1",
    // "1E22", "2.50", but not "0.10000000000000001" or "1E400". The result
    // equals the decimal. Any other kind is returned as it is. Writers of
    // formats without decimals use this.
    Value narrowedNumber() const;
    // A string's text without a copy, valid while the value lives unchanged;
    // empty for any other kind.
    std::string_view stringView() const
    {
        if (kind_ != Kind::String) return {};
        const auto* block = static_cast<const StringStorage*>(payload_.storage);
        return std::string_view(block->bytes(), block->size);
    }
    // The shared block that holds a string's, data's, array's or
    // dictionary's content, null for the other kinds. Two values with the
    // same identity hold the same content (until one of them is changed,
    // which gives it a block of its own).
    const void* storageIdentity() const { return hasStorage() ? payload_.storage : nullptr; }
    // Seconds since 2001-01-01 UTC for a date, 0 otherwise.
    double asDate() const { return kind_ == Kind::Date ? payload_.real : 0.0; }
    double asUnixTime() const { return asDate() + kReferenceDateUnixTime; }
    // These return a shared empty container when the value is of another kind.
    const Bytes& asData() const;
    const Array& asArray() const;
    const ValueDictionary& asDict() const;

    // Array and dictionary element count; 0 for anything else.
    size_t size() const;
    bool empty() const { return size() == 0; }

    // Dictionary lookup; a shared null for a missing key or a non-dictionary.
    const Value& get(std::string_view key) const;
    const Value& operator[](std::string_view key) const { return get(key); }
    const Value& operator[](const char* key) const { return get(key); }
    bool contains(std::string_view key) const;
    // Array element; a shared null when out of range or not an array.
    const Value& at(size_t index) const;
    const Value& operator[](size_t index) const { return at(index); }
    const Value& operator[](int index) const { return index < 0 ? at(SIZE_MAX) : at(static_cast<size_t>(index)); }

    // Writers. A null value becomes an empty dictionary (set) or array (push)
    // first; on a value of another kind they do nothing and return false.
    bool set(std::string key, Value value);
    bool remove(std::string_view key);
    bool push(Value value);

    // Mutable access to the containers, unsharing them first. Null when the
    // value is of another kind.
    Array* mutableArray();
    ValueDictionary* mutableDict();

    friend bool operator==(const Value& a, const Value& b);
    friend bool operator!=(const Value& a, const Value& b) { return !(a == b); }

    // Shared null returned by failed lookups.
    static const Value& null();

private:
    // The head of every shared storage block (Value.cpp): the number of
    // Values that hold it, then the string's bytes or the container.
    struct Storage {
        std::atomic<size_t> references{1};
    };
    // A string's block: the length, then the bytes and a NUL right after it.
    struct StringStorage : Storage {
        size_t size = 0;
        const char* bytes() const { return reinterpret_cast<const char*>(this + 1); }
        char* bytes() { return reinterpret_cast<char*>(this + 1); }
    };
    template <typename T>
    struct Block;
    union Payload {
        int64_t integer; // boolean and integer
        double real;     // real and date
        Storage* storage; // string, data, array or dictionary; never null for those kinds
    };

    bool hasStorage() const
    {
        return kind_ == Kind::String || kind_ == Kind::Data || kind_ == Kind::Array || kind_ == Kind::Dictionary ||
               kind_ == kLongDecimal;
    }
    static Storage* makeString(std::string_view text);
    void release() noexcept;
    void swap(Value& other) noexcept
    {
        std::swap(kind_, other.kind_);
        std::swap(is32Bit_, other.is32Bit_);
        std::swap(isFloat_, other.isFloat_);
        std::swap(isUnsigned_, other.isUnsigned_);
        std::swap(decimal_, other.decimal_);
        std::swap(payload_, other.payload_);
    }
    template <typename T>
    const T& content() const;
    template <typename T>
    T* unshared();

    // A small decimal (kind_ Decimal) keeps all its digits, fraction
    // included, as one unsigned integer in payload_.integer, and here how
    // many of them follow the point and how its sign and exponent were
    // written (ValueDecimal.cpp). A long one has kind_ kLongDecimal and keeps
    // its literal in a string's block; kind() reports it as a Decimal. All
    // zero for every other kind.
    struct DecimalForm {
        uint8_t fractionDigits = 0;
        uint8_t form = 0; // marks of the sign and the exponent, its leading zeros in the top two bits
        uint16_t exponent = 0; // magnitude of the exponent as written
    };
    static constexpr Kind kLongDecimal = static_cast<Kind>(static_cast<uint8_t>(Kind::Decimal) + 1);

    // The reads and the equality of decimals (ValueDecimal.cpp).
    int64_t decimalAsInt64() const;
    uint64_t decimalAsUInt64() const;
    double decimalAsDouble() const;
    bool decimalAsBool() const;
    static bool decimalEquals(const Value& decimal, const Value& other);

    Kind kind_ = Kind::Null;
    bool is32Bit_ = false;
    bool isFloat_ = false;
    bool isUnsigned_ = false; // payload_.integer holds the bits of a number above INT64_MAX
    DecimalForm decimal_;
    Payload payload_{0};
};

// Dictionary with string keys that keeps insertion order and finds keys by
// hash once it holds more than a few.
class ValueDictionary {
public:
    using Entry = std::pair<std::string, Value>;

    ValueDictionary() = default;
    ValueDictionary(std::initializer_list<Entry> entries);

    size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    // Null when missing.
    const Value* find(std::string_view key) const;
    Value* find(std::string_view key);
    bool contains(std::string_view key) const { return find(key) != nullptr; }
    // Replaces the value in place when the key exists (keeping its position),
    // otherwise appends.
    void set(std::string key, Value value);
    bool remove(std::string_view key);
    void clear();
    // Room for this many entries without growing.
    void reserve(size_t count) { entries_.reserve(count); }
    // An entry waiting to be put in: its key is a view of text that outlives
    // the assign() call.
    struct Pending {
        std::string_view key;
        Value value;
    };
    // Replaces the content with the entries of [first, last), their values
    // moved out of them, as set() one by one would: a repeated key keeps the
    // last value at the place of its first. One allocation for the entries,
    // one for the index.
    void assign(Pending* first, Pending* last);

    // Entries in insertion order.
    std::vector<Entry>::const_iterator begin() const { return entries_.begin(); }
    std::vector<Entry>::const_iterator end() const { return entries_.end(); }
    const std::vector<Entry>& entries() const { return entries_; }

    // Same keys with equal values; order is ignored.
    friend bool operator==(const ValueDictionary& a, const ValueDictionary& b);

private:
    // Small dictionaries (most of them) are searched in order: building a
    // hash index costs more than it saves until they grow past this.
    static constexpr size_t kLinearSearchLimit = 8;
    static constexpr size_t kMissing = SIZE_MAX;
    size_t positionOf(std::string_view key) const;
    // The index slot that holds `key`, or the empty one where it would go.
    size_t slotOf(std::string_view key) const;
    // Builds the index for every entry, with room to grow to `capacity` entries.
    void rebuildIndex(size_t capacity);
    // Appends a new key (not present) and indexes it.
    void append(std::string&& key, Value&& value);

    std::vector<Entry> entries_;
    // Open-addressing hash table, a power of two at least twice the entry
    // count; empty while the dictionary is small. A slot holds the key's hash
    // in its high half and the entry's position plus one in its low half (0:
    // empty), so that a probe reads an entry's key only when the hashes agree.
    std::vector<uint64_t> index_;
};

// Parses the leading number of a string the way the platform's string reads did:
// leading white space, an optional sign, then digits (with a fraction and an
// exponent for the real form). No number gives 0; overflow clamps.
int64_t parseLeadingInteger(std::string_view text);
double parseLeadingReal(std::string_view text);
// The platform's string-to-boolean rule: after white space and an optional sign
// and zeros, true when the text starts with Y, y, T, t or a digit 1-9.
bool parseLeadingBool(std::string_view text);

} // namespace mw
