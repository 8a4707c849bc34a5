#include "foundation/Value.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <tuple>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define MW_VALUE_ASAN 1
#endif
#endif
#if !defined(MW_VALUE_ASAN) && defined(__SANITIZE_ADDRESS__)
#define MW_VALUE_ASAN 1
#endif
#if MW_VALUE_ASAN
#include <sanitizer/asan_interface.h>
#endif

namespace mw {

namespace {

const Value::Bytes kEmptyBytes;
const Value::Array kEmptyArray;
const ValueDictionary kEmptyDict;

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

// ---- Value storage ----
//
// A string is one block: the count, the length, then the bytes and a NUL. A
// data, array or dictionary block is the count followed by the container.

//
// Blocks of up to kMaxRunBlock bytes (every container block and most strings)
// are cut in order from per-thread runs of kRunBytes, aligned to their size,
// instead of one general allocation each. A document is read as tens of
// thousands of such blocks and dropped as many: cutting them in order keeps a
// tree's blocks next to each other in the order it is read and walked, and a
// release is one count down on the block's run, found from the block's
// address. A run is given back when its last block is released, on whatever
// thread that happens; so one long-lived block keeps its whole run. Blocks
// are never reused one by one (reused blocks scatter a tree over memory).
//
// A run's count starts at kRunBias while its thread still cuts from it; the
// thread counts the blocks it hands out without atomics and takes the bias
// off (less those blocks) when it moves on to a new run or ends. Under
// AddressSanitizer a released block is poisoned until its run goes, so a use
// after release is still caught.

namespace {

constexpr size_t kRunBytes = size_t(32) << 10;
constexpr size_t kMaxRunBlock = 256;
constexpr size_t kBlockAlignment = 16;
constexpr size_t kRunBias = size_t(1) << 62;

struct alignas(64) Run {
    std::atomic<size_t> live{kRunBias};
};

// Trivially destructible, so it stays usable to the very end of its thread
// (values released or made by later thread-local or static destructors).
struct RunCutter {
    char* next;
    char* end;
    Run* run;
    size_t handedOut;
    Run* spare; // one emptied run kept for the next, so that a document read again and again does not churn runs
    bool armed;
    bool closed;
};
thread_local constinit RunCutter tCutter{};

Run* runOf(void* block)
{
    return reinterpret_cast<Run*>(reinterpret_cast<uintptr_t>(block) & ~uintptr_t(kRunBytes - 1));
}

void deleteRun(Run* run) noexcept
{
#if MW_VALUE_ASAN
    ASAN_UNPOISON_MEMORY_REGION(run, kRunBytes);
#endif
    run->~Run();
    ::operator delete(run, std::align_val_t(kRunBytes));
}

// A run whose last block went: kept as the releasing thread's spare when it
// has none and cuts runs itself (so that the spare is given back when the
// thread ends), else given back.
void dropRun(Run* run) noexcept
{
    RunCutter& cutter = tCutter;
    if (cutter.armed && !cutter.closed && cutter.spare == nullptr) {
#if MW_VALUE_ASAN
        ASAN_UNPOISON_MEMORY_REGION(run, kRunBytes);
#endif
        cutter.spare = run;
        return;
    }
    deleteRun(run);
}

// The thread stops cutting from its run: the bias comes off, and the run goes
// at once when every block it handed out is already released.
void retireRun(RunCutter& cutter) noexcept
{
    if (cutter.run == nullptr) return;
    const size_t unused = kRunBias - cutter.handedOut;
    Run* run = cutter.run;
    cutter.run = nullptr;
    cutter.next = cutter.end = nullptr;
    if (run->live.fetch_sub(unused, std::memory_order_acq_rel) == unused) dropRun(run);
}

Run* newRun()
{
    void* memory = ::operator new(kRunBytes, std::align_val_t(kRunBytes));
    return new (memory) Run;
}

// Gives the thread's run and spare back when the thread ends; blocks made
// after that get a run of their own.
struct RunCloser {
    ~RunCloser()
    {
        RunCutter& cutter = tCutter;
        cutter.closed = true;
        retireRun(cutter);
        if (cutter.spare != nullptr) deleteRun(std::exchange(cutter.spare, nullptr));
    }
};

void startRun(RunCutter& cutter)
{
    if (!cutter.armed) {
        cutter.armed = true;
        thread_local RunCloser closer;
        (void)closer;
    }
    retireRun(cutter);
    Run* run = cutter.spare != nullptr ? new (std::exchange(cutter.spare, nullptr)) Run : newRun();
    cutter.run = run;
    cutter.handedOut = 0;
    cutter.next = reinterpret_cast<char*>(run) + sizeof(Run);
    cutter.end = reinterpret_cast<char*>(run) + kRunBytes;
}

void* allocateBlock(size_t bytes)
{
    if (bytes > kMaxRunBlock) return ::operator new(bytes);
    bytes = (bytes + kBlockAlignment - 1) & ~(kBlockAlignment - 1);
    RunCutter& cutter = tCutter;
    if (cutter.closed) {
        // The thread is ending: a run for this block alone.
        Run* run = newRun();
        run->live.store(1, std::memory_order_relaxed);
        return reinterpret_cast<char*>(run) + sizeof(Run);
    }
    if (static_cast<size_t>(cutter.end - cutter.next) < bytes) startRun(cutter);
    void* block = cutter.next;
    cutter.next += bytes;
    ++cutter.handedOut;
    return block;
}

void freeBlock(void* block, size_t bytes) noexcept
{
    if (bytes > kMaxRunBlock) {
        ::operator delete(block);
        return;
    }
#if MW_VALUE_ASAN
    ASAN_POISON_MEMORY_REGION(block, bytes);
#endif
    Run* run = runOf(block);
    if (run->live.fetch_sub(1, std::memory_order_acq_rel) == 1) dropRun(run);
}

} // namespace

template <typename T>
struct Value::Block : Value::Storage {
    template <typename... Arguments>
    explicit Block(Arguments&&... arguments) : content(std::forward<Arguments>(arguments)...)
    {
    }
    T content;

    static void* operator new(size_t bytes) { return allocateBlock(bytes); }
    static void operator delete(void* memory, size_t bytes) noexcept { freeBlock(memory, bytes); }
};

Value::Storage* Value::makeString(std::string_view text)
{
    void* memory = allocateBlock(sizeof(StringStorage) + text.size() + 1);
    auto* block = new (memory) StringStorage;
    block->size = text.size();
    if (!text.empty()) std::memcpy(block->bytes(), text.data(), text.size());
    block->bytes()[text.size()] = '\0';
    return block;
}

void Value::release() noexcept
{
    Storage* storage = payload_.storage;
    // A count of 1 is this value's own reference: no other thread can add one,
    // so the atomic decrement is skipped.
    if (storage->references.load(std::memory_order_acquire) != 1 &&
        storage->references.fetch_sub(1, std::memory_order_acq_rel) != 1) {
        return;
    }
    // A long decimal's literal is held as a string's bytes are.
    switch (kind()) {
    case Kind::String:
    case Kind::Decimal: {
        auto* block = static_cast<StringStorage*>(storage);
        const size_t bytes = sizeof(StringStorage) + block->size + 1;
        block->~StringStorage();
        freeBlock(block, bytes);
        break;
    }
    case Kind::Data: delete static_cast<Block<Bytes>*>(storage); break;
    case Kind::Array: delete static_cast<Block<Array>*>(storage); break;
    case Kind::Dictionary: delete static_cast<Block<ValueDictionary>*>(storage); break;
    default: break;
    }
}

template <typename T>
const T& Value::content() const
{
    return static_cast<const Block<T>*>(payload_.storage)->content;
}

// Copy-on-write: the storage is cloned when another Value still shares it.
template <typename T>
T* Value::unshared()
{
    // The acquire load pairs with the release of a copy just dropped on
    // another thread, so its reads of the storage happen before our writes.
    if (payload_.storage->references.load(std::memory_order_acquire) != 1) {
        Storage* copy = new Block<T>(content<T>());
        release();
        payload_.storage = copy;
    }
    return &static_cast<Block<T>*>(payload_.storage)->content;
}

// ---- Value ----

static_assert(sizeof(Value) == 16, "a Value is passed and copied as two words");

Value::Value(const char* s) : Value(std::string_view(s ? s : "")) {}

Value::Value(std::string_view s) : kind_(Kind::String) { payload_.storage = makeString(s); }

Value::Value(Bytes bytes) : kind_(Kind::Data) { payload_.storage = new Block<Bytes>(std::move(bytes)); }

Value::Value(Array items) : kind_(Kind::Array) { payload_.storage = new Block<Array>(std::move(items)); }

Value::Value(ValueDictionary dict) : kind_(Kind::Dictionary)
{
    payload_.storage = new Block<ValueDictionary>(std::move(dict));
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
    v.payload_.real = secondsSinceReferenceDate;
    return v;
}

const Value& Value::null()
{
    static const Value shared;
    return shared;
}

int64_t Value::asInt64() const
{
    switch (kind()) {
    case Kind::Boolean: return payload_.integer;
    case Kind::Integer: return isUnsigned_ ? std::numeric_limits<int64_t>::max() : payload_.integer;
    case Kind::Real:
    case Kind::Date: return clampToInt64(payload_.real);
    case Kind::Decimal: return decimalAsInt64();
    case Kind::String: return parseLeadingInteger(stringView());
    default: return 0;
    }
}

uint64_t Value::asUInt64() const
{
    switch (kind()) {
    case Kind::Integer:
        if (isUnsigned_) return static_cast<uint64_t>(payload_.integer);
        return payload_.integer < 0 ? 0 : static_cast<uint64_t>(payload_.integer);
    case Kind::Real:
    case Kind::Date: return clampToUInt64(payload_.real);
    case Kind::Decimal: return decimalAsUInt64();
    case Kind::String: {
        // Past the signed range the leading number is read again as unsigned.
        const int64_t leading = parseLeadingInteger(stringView());
        if (leading < 0) return 0;
        if (leading < std::numeric_limits<int64_t>::max()) return static_cast<uint64_t>(leading);
        std::string_view digits = skipSpace(stringView());
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
    switch (kind()) {
    case Kind::Boolean: return static_cast<double>(payload_.integer);
    case Kind::Integer:
        return isUnsigned_ ? static_cast<double>(static_cast<uint64_t>(payload_.integer))
                           : static_cast<double>(payload_.integer);
    case Kind::Real:
    case Kind::Date: return payload_.real;
    case Kind::Decimal: return decimalAsDouble();
    case Kind::String: return parseLeadingReal(stringView());
    default: return 0.0;
    }
}

bool Value::asBool() const
{
    switch (kind()) {
    case Kind::Boolean:
    case Kind::Integer: return payload_.integer != 0;
    case Kind::Real: return payload_.real != 0.0;
    case Kind::Decimal: return decimalAsBool();
    case Kind::String: return parseLeadingBool(stringView());
    default: return false;
    }
}

std::string Value::asString() const
{
    switch (kind()) {
    case Kind::String: return std::string(stringView());
    case Kind::Boolean: return formatInteger(payload_.integer);
    case Kind::Integer:
        return isUnsigned_ ? formatInteger(static_cast<uint64_t>(payload_.integer)) : formatInteger(payload_.integer);
    case Kind::Real: return formatReal(payload_.real, isFloat_);
    case Kind::Decimal: {
        DecimalTextRoom room;
        return std::string(decimalText(room));
    }
    default: return std::string();
    }
}

const Value::Bytes& Value::asData() const { return kind_ == Kind::Data ? content<Bytes>() : kEmptyBytes; }

const Value::Array& Value::asArray() const { return kind_ == Kind::Array ? content<Array>() : kEmptyArray; }

const ValueDictionary& Value::asDict() const
{
    return kind_ == Kind::Dictionary ? content<ValueDictionary>() : kEmptyDict;
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
    if (a.isDecimal()) return Value::decimalEquals(a, b);
    if (b.isDecimal()) return Value::decimalEquals(b, a);
    if (a.kind_ != b.kind_) return false;
    const bool same = a.hasStorage() && a.payload_.storage == b.payload_.storage;
    switch (a.kind_) {
    case Value::Kind::Null: return true;
    case Value::Kind::Boolean: return a.payload_.integer == b.payload_.integer;
    case Value::Kind::Integer: return a.payload_.integer == b.payload_.integer && a.isUnsigned_ == b.isUnsigned_;
    case Value::Kind::Real: return realsEqual(a.payload_.real, b.payload_.real, a.isFloat_ || b.isFloat_);
    case Value::Kind::Date: return realsEqual(a.payload_.real, b.payload_.real, false);
    case Value::Kind::String: return same || a.stringView() == b.stringView();
    case Value::Kind::Data: return same || a.asData() == b.asData();
    case Value::Kind::Array: return same || a.asArray() == b.asArray();
    case Value::Kind::Dictionary: return same || a.asDict() == b.asDict();
    case Value::Kind::Decimal: break; // compared above
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

namespace {

uint64_t keyHash(std::string_view key) { return std::hash<std::string_view>()(key); }

// An index slot holds the hash's high half (its low bits pick the slot) and
// the position plus one.
constexpr uint64_t kTagBits = ~uint64_t(0xFFFFFFFF);

// Puts an entry known to be missing from the index into its first free slot.
void placeInIndex(std::vector<uint64_t>& index, uint64_t hash, size_t position)
{
    const size_t mask = index.size() - 1;
    size_t slot = hash & mask;
    while (index[slot] != 0) slot = (slot + 1) & mask;
    index[slot] = (hash & kTagBits) | (position + 1);
}

} // namespace

size_t ValueDictionary::positionOf(std::string_view key) const
{
    if (index_.empty()) {
        for (size_t i = 0; i < entries_.size(); ++i) {
            if (entries_[i].first == key) return i;
        }
        return kMissing;
    }
    const uint64_t held = index_[slotOf(key)];
    return held == 0 ? kMissing : static_cast<uint32_t>(held) - 1;
}

size_t ValueDictionary::slotOf(std::string_view key) const
{
    const uint64_t hash = keyHash(key);
    const uint64_t tag = hash & kTagBits;
    const size_t mask = index_.size() - 1;
    for (size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        const uint64_t held = index_[slot];
        if (held == 0) return slot;
        if ((held & kTagBits) == tag && entries_[static_cast<uint32_t>(held) - 1].first == key) {
            return slot;
        }
    }
}

void ValueDictionary::rebuildIndex(size_t capacity)
{
    size_t slots = 16;
    while (slots < 2 * capacity) slots *= 2;
    index_.assign(slots, 0);
    for (size_t i = 0; i < entries_.size(); ++i) placeInIndex(index_, keyHash(entries_[i].first), i);
}

void ValueDictionary::append(std::string&& key, Value&& value)
{
    if (!index_.empty() && 2 * (entries_.size() + 1) > index_.size()) {
        rebuildIndex(2 * (entries_.size() + 1));
    }
    entries_.emplace_back(std::move(key), std::move(value));
    if (!index_.empty()) {
        placeInIndex(index_, keyHash(entries_.back().first), entries_.size() - 1);
    } else if (entries_.size() > kLinearSearchLimit) {
        rebuildIndex(2 * entries_.size());
    }
}

void ValueDictionary::set(std::string key, Value value)
{
    if (Value* existing = find(key)) {
        *existing = std::move(value);
        return;
    }
    append(std::move(key), std::move(value));
}

void ValueDictionary::assign(Pending* first, Pending* last)
{
    clear();
    const size_t count = static_cast<size_t>(last - first);
    entries_.reserve(count);
    if (count > kLinearSearchLimit) {
        rebuildIndex(count);
        // A large index is far bigger than the caches, and each key lands on
        // a random slot of it: the slot of the key kAhead places on is
        // fetched while this one is placed, so that the waits for memory
        // overlap instead of adding up. The ring keeps those keys' hashes.
        constexpr size_t kAhead = 16;
        uint64_t ahead[kAhead];
        const size_t mask = index_.size() - 1;
        for (size_t i = 0; i < kAhead && i < count; ++i) ahead[i] = keyHash(first[i].key);
        for (size_t i = 0; i < count; ++i) {
            const uint64_t hash = ahead[i % kAhead];
            if (i + kAhead < count) {
                const uint64_t next = keyHash(first[i + kAhead].key);
                ahead[i % kAhead] = next;
                __builtin_prefetch(&index_[next & mask]);
            }
            Pending& entry = first[i];
            const uint64_t tag = hash & kTagBits;
            for (size_t slot = hash & mask;; slot = (slot + 1) & mask) {
                const uint64_t held = index_[slot];
                if (held == 0) {
                    index_[slot] = tag | (entries_.size() + 1);
                    entries_.emplace_back(std::piecewise_construct, std::forward_as_tuple(entry.key),
                                          std::forward_as_tuple(std::move(entry.value)));
                    break;
                }
                Entry& existing = entries_[static_cast<uint32_t>(held) - 1];
                if ((held & kTagBits) == tag && existing.first == entry.key) {
                    existing.second = std::move(entry.value);
                    break;
                }
            }
        }
        return;
    }
    // A small dictionary stays without an index. Each key sets one bit picked
    // from its length and last byte: a key whose bit is still clear cannot be
    // there yet, so only a shared bit costs a search.
    uint64_t seen = 0;
    for (Pending* entry = first; entry != last; ++entry) {
        const std::string_view key = entry->key;
        const size_t sketch = key.size() + (key.empty() ? 0 : 7 * static_cast<unsigned char>(key.back()));
        const uint64_t bit = uint64_t(1) << (sketch & 63);
        if ((seen & bit) != 0) {
            if (Value* existing = find(key)) {
                *existing = std::move(entry->value);
                continue;
            }
        }
        seen |= bit;
        entries_.emplace_back(std::piecewise_construct, std::forward_as_tuple(key),
                              std::forward_as_tuple(std::move(entry->value)));
    }
}

bool ValueDictionary::remove(std::string_view key)
{
    const size_t position = positionOf(key);
    if (position == kMissing) return false;
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(position));
    // Positions after the removed entry all shift: the index is built anew.
    if (!index_.empty()) rebuildIndex(entries_.size());
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
