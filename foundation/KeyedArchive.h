#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "foundation/Object.h"
#include "foundation/Ref.h"
#include "foundation/Value.h"

// Keyed archives: objects write their fields by name into a dictionary tagged
// with their class name; nested objects nest; the archive's bytes are an XML
// property list:
//
//   { "$archiver": "MosswickKeyedArchive", "$version": 1,
//     "$top": { <key>: <item>, ... } }
//
// where an item is a plain property-list value (integer, real, boolean,
// string, data, date), an array of items, a dictionary
// { "$class": "NSDictionary", "NS.keys": [...], "NS.objects": [...] } (keys of
// any kind, so tables keyed by numbers keep number keys), a null
// { "$class": "$null" }, or an object { "$class": <name>, <field>: <item>... }.
// 32-bit integers, 64-bit integers, floats, doubles and booleans are written
// with their kind marks, and decimals as the property list writes them (see
// PropertyList.h); every decode reads any kind forgivingly. An object referenced twice is written twice (no identity is
// kept), and a cycle fails at the nesting limit.

namespace mw {

class KeyedArchiver;
class KeyedUnarchiver;

// An object that can be written into a keyed archive and rebuilt from one.
// Implementations derive from Object too, and register their class name with
// ArchivableRegistration so that decoding can build them.
class Archivable {
public:
    virtual ~Archivable() = default;
    // The name the class is registered under.
    virtual std::string className() const = 0;
    // Writes the object's fields by name.
    virtual void encodeWithCoder(KeyedArchiver& coder) const = 0;
    // Fills a fresh object (made by the registered factory) from its fields;
    // false rejects the archive, and decoding then yields null.
    virtual bool initWithCoder(KeyedUnarchiver& coder) = 0;
};

// One node of an archive's object graph: a property-list value, an
// archivable object, an array of items or a dictionary from items to items.
class ArchiveItem {
public:
    enum class Kind : uint8_t { Value, Object, Array, Dictionary };
    using Items = std::vector<ArchiveItem>;
    using Entries = std::vector<std::pair<ArchiveItem, ArchiveItem>>;

    ArchiveItem() = default;
    // Anything a Value can be built from (a plain Value array or dictionary
    // stays a Value; a decode gives it back as an Array or Dictionary item).
    template <typename T>
        requires std::is_constructible_v<Value, T&&>
    ArchiveItem(T&& value) : value_(std::forward<T>(value)) {}
    // The object must be Archivable, or encoding fails.
    template <typename T>
    ArchiveItem(const Ref<T>& object) : kind_(object ? Kind::Object : Kind::Value), object_(object) {}

    static ArchiveItem array(Items items);
    static ArchiveItem dictionary(Entries entries);

    Kind kind() const { return kind_; }
    bool isNull() const { return kind_ == Kind::Value && value_.isNull(); }
    // The plain value; null for the other kinds.
    const Value& value() const { return kind_ == Kind::Value ? value_ : Value::null(); }
    const Ref<Object>& object() const { return object_; }
    template <typename T>
    Ref<T> objectAs() const { return dynamicRef<T>(object_); }
    // Empty unless the item is of that kind.
    const Items& items() const { return items_; }
    const Entries& entries() const { return entries_; }
    // The dictionary entry whose key equals `key` (Value equality); null when none.
    const ArchiveItem* find(const Value& key) const;

private:
    Kind kind_ = Kind::Value;
    Value value_;
    Ref<Object> object_;
    Items items_;
    Entries entries_;
};

// Class name -> factory, filled once per class before any decode.
class ArchivableRegistry {
public:
    using Factory = std::function<Ref<Object>()>;
    // A second registration of a name replaces the first.
    static void registerClass(std::string name, Factory factory);
    // A fresh object of the class, or null when the name is unknown.
    static Ref<Object> create(std::string_view name);
    static bool isRegistered(std::string_view name);
};

// Registers T under `name` when constructed; use as a file-level static in
// the class's .cpp (which the program must link in through some other use):
//   static const ArchivableRegistration<Collectible> registration("Collectible");
template <typename T>
class ArchivableRegistration {
public:
    explicit ArchivableRegistration(const char* name)
    {
        ArchivableRegistry::registerClass(name, [] { return Ref<Object>(makeRef<T>()); });
    }
};

// Writes an archive. Keys starting with '$' are reserved and refused.
class KeyedArchiver {
public:
    KeyedArchiver();

    void encodeInt32(std::string_view key, int32_t value) { put(key, Value(value)); }
    void encodeInt64(std::string_view key, int64_t value) { put(key, Value::int64(value)); }
    void encodeFloat(std::string_view key, float value) { put(key, Value(value)); }
    void encodeDouble(std::string_view key, double value) { put(key, Value(value)); }
    void encodeBool(std::string_view key, bool value) { put(key, Value(value)); }
    void encodeString(std::string_view key, std::string_view value) { put(key, Value(value)); }
    void encodeData(std::string_view key, const Value::Bytes& value) { put(key, Value(value)); }
    // A null object writes nothing (it decodes as null).
    void encodeObject(std::string_view key, const Archivable* object);
    template <typename T>
    void encodeObject(std::string_view key, const Ref<T>& object) { encodeItem(key, ArchiveItem(object)); }
    // A plain property-list value; null writes nothing.
    void encodeValue(std::string_view key, const Value& value);
    // Any item: values, objects, and arrays or dictionaries of them.
    void encodeItem(std::string_view key, const ArchiveItem& item);

    // False once anything failed to encode (a non-archivable object, a reserved
    // key, a cycle); error() tells the first failure.
    bool ok() const { return error_.empty(); }
    const std::string& error() const { return error_; }

    // The finished archive, or empty (with the reason) when encoding failed.
    [[nodiscard]] std::vector<uint8_t> encodedData(std::string* error = nullptr) const;
    // The same bytes as text, without the copy into a byte vector.
    [[nodiscard]] std::string encodedText(std::string* error = nullptr) const;
    // The archive as the property-list value that encodedData writes, or null
    // (with the reason) when encoding failed. It shares nothing that the
    // encoded objects can change, so another thread may write it out later.
    [[nodiscard]] Value archiveValue(std::string* error = nullptr) const;

private:
    void put(std::string_view key, Value value);
    Value encodeToValue(const ArchiveItem& item, int depth);
    // A plain value (no objects inside) straight to its archived form.
    Value encodePlainValue(const Value& value, int depth);
    Value encodeObjectToValue(const Archivable* object, int depth);
    void fail(std::string reason);

    std::vector<ValueDictionary> frames_; // frames_[0] is "$top"; one more per object being written
    std::string error_;
};

// Reads an archive made by KeyedArchiver. Missing keys decode as 0, false,
// empty or null; an unknown class or a rejected object decodes as null and
// records an error (logged once per archive).
class KeyedUnarchiver {
public:
    KeyedUnarchiver(const uint8_t* data, size_t size);
    explicit KeyedUnarchiver(const std::vector<uint8_t>& data) : KeyedUnarchiver(data.data(), data.size()) {}

    // False when the bytes were no archive, or when some decode failed.
    bool ok() const { return error_.empty(); }
    const std::string& error() const { return error_; }

    bool containsValueForKey(std::string_view key) const;
    int32_t decodeInt32(std::string_view key) const { return field(key).asInt(); }
    int64_t decodeInt64(std::string_view key) const { return field(key).asInt64(); }
    float decodeFloat(std::string_view key) const { return field(key).asFloat(); }
    double decodeDouble(std::string_view key) const { return field(key).asDouble(); }
    bool decodeBool(std::string_view key) const { return field(key).asBool(); }
    std::string decodeString(std::string_view key) const { return field(key).asString(); }
    Value::Bytes decodeData(std::string_view key) const { return field(key).asData(); }
    Ref<Object> decodeObject(std::string_view key);
    template <typename T>
    Ref<T> decodeObjectOfClass(std::string_view key) { return dynamicRef<T>(decodeObject(key)); }
    // The field as a plain value: dictionaries come back with their keys as
    // strings; objects inside are left out.
    Value decodeValue(std::string_view key) const;
    ArchiveItem decodeItem(std::string_view key);

private:
    const Value& field(std::string_view key) const;
    ArchiveItem decodeFromValue(const Value& encoded, int depth);
    Ref<Object> decodeObjectFromValue(const Value& encoded, int depth);
    Value plainFromValue(const Value& encoded, int depth) const;
    void fail(std::string reason);

    Value archive_;                           // the whole property list; frames point into it
    std::vector<const Value*> frames_;        // the dictionary of the object being read
    std::string error_;
};

// The whole-object forms: the root object stored under the key "root".
[[nodiscard]] std::vector<uint8_t> archivedDataWithRootObject(const Archivable* root, std::string* error = nullptr);
[[nodiscard]] Ref<Object> unarchiveObjectWithData(const uint8_t* data, size_t size, std::string* error = nullptr);
[[nodiscard]] inline Ref<Object> unarchiveObjectWithData(const std::vector<uint8_t>& data, std::string* error = nullptr)
{
    return unarchiveObjectWithData(data.data(), data.size(), error);
}
// Written atomically (AtomicFile).
[[nodiscard]] bool archiveRootObjectToFile(const Archivable* root, const std::string& path,
                                           std::string* error = nullptr);
[[nodiscard]] Ref<Object> unarchiveObjectWithFile(const std::string& path, std::string* error = nullptr);

} // namespace mw
