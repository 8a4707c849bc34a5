#include "foundation/KeyedArchive.h"

#include <map>
#include <mutex>

#include "foundation/AtomicFile.h"
#include "foundation/Log.h"
#include "foundation/PropertyList.h"

namespace mw {

namespace {

constexpr char kArchiverName[] = "MosswickKeyedArchive";
constexpr int32_t kArchiveVersion = 1;
constexpr char kClassKey[] = "$class";
constexpr char kDictionaryClass[] = "NSDictionary";
constexpr char kNullClass[] = "$null";
constexpr char kKeysKey[] = "NS.keys";
constexpr char kObjectsKey[] = "NS.objects";
constexpr char kRootKey[] = "root";

struct Registry {
    std::mutex lock;
    std::map<std::string, ArchivableRegistry::Factory, std::less<>> factories;
};

// Built on first use, so registrations from other files' static objects
// never run before the table exists.
Registry& registry()
{
    static Registry* shared = new Registry();
    return *shared;
}

// A whole-object form's failure that no lower layer has logged: one log line,
// and the reason for the caller.
void refuse(std::string* error, const std::string& reason)
{
    logLine("KeyedArchive: %s", reason.c_str());
    if (error) *error = reason;
}

bool isReservedKey(std::string_view key) { return !key.empty() && key.front() == '$'; }

} // namespace

// ---- ArchiveItem ----

ArchiveItem ArchiveItem::array(Items items)
{
    ArchiveItem item;
    item.kind_ = Kind::Array;
    item.items_ = std::move(items);
    return item;
}

ArchiveItem ArchiveItem::dictionary(Entries entries)
{
    ArchiveItem item;
    item.kind_ = Kind::Dictionary;
    item.entries_ = std::move(entries);
    return item;
}

const ArchiveItem* ArchiveItem::find(const Value& key) const
{
    for (const auto& [entryKey, entryValue] : entries_) {
        if (entryKey.kind_ == Kind::Value && entryKey.value_ == key) return &entryValue;
    }
    return nullptr;
}

// ---- ArchivableRegistry ----

void ArchivableRegistry::registerClass(std::string name, Factory factory)
{
    Registry& shared = registry();
    std::lock_guard<std::mutex> guard(shared.lock);
    shared.factories[std::move(name)] = std::move(factory);
}

Ref<Object> ArchivableRegistry::create(std::string_view name)
{
    Factory factory;
    {
        Registry& shared = registry();
        std::lock_guard<std::mutex> guard(shared.lock);
        auto it = shared.factories.find(name);
        if (it == shared.factories.end()) return nullptr;
        factory = it->second;
    }
    return factory ? factory() : nullptr;
}

bool ArchivableRegistry::isRegistered(std::string_view name)
{
    Registry& shared = registry();
    std::lock_guard<std::mutex> guard(shared.lock);
    return shared.factories.find(name) != shared.factories.end();
}

// ---- KeyedArchiver ----

KeyedArchiver::KeyedArchiver() { frames_.emplace_back(); }

void KeyedArchiver::fail(std::string reason)
{
    if (error_.empty()) error_ = std::move(reason);
}

void KeyedArchiver::put(std::string_view key, Value value)
{
    if (isReservedKey(key)) {
        fail("archive key \"" + std::string(key) + "\" is reserved");
        return;
    }
    frames_.back().set(std::string(key), std::move(value));
}

void KeyedArchiver::encodeObject(std::string_view key, const Archivable* object)
{
    if (!object) return;
    Value encoded = encodeObjectToValue(object, 1);
    if (!encoded.isNull()) put(key, std::move(encoded));
}

void KeyedArchiver::encodeValue(std::string_view key, const Value& value)
{
    if (value.isNull()) return;
    encodeItem(key, ArchiveItem(value));
}

void KeyedArchiver::encodeItem(std::string_view key, const ArchiveItem& item)
{
    if (item.isNull()) return;
    Value encoded = encodeToValue(item, 1);
    if (!encoded.isNull()) put(key, std::move(encoded));
}

Value KeyedArchiver::encodeObjectToValue(const Archivable* object, int depth)
{
    if (depth + static_cast<int>(frames_.size()) > kPropertyListMaxDepth) {
        fail("objects nest too deeply (a cycle?)");
        return Value();
    }
    const std::string className = object->className();
    if (className.empty()) {
        fail("an archivable object has no class name");
        return Value();
    }
    ValueDictionary frame;
    frame.set(kClassKey, Value(className));
    frames_.push_back(std::move(frame));
    object->encodeWithCoder(*this);
    Value encoded(std::move(frames_.back()));
    frames_.pop_back();
    return encoded;
}

Value KeyedArchiver::encodeToValue(const ArchiveItem& item, int depth)
{
    // Frames count toward the depth too: each open object is one level of the file.
    if (depth + static_cast<int>(frames_.size()) > kPropertyListMaxDepth) {
        fail("archive nests too deeply (a cycle?)");
        return Value();
    }
    switch (item.kind()) {
    case ArchiveItem::Kind::Object: {
        const auto* archivable = dynamic_cast<const Archivable*>(item.object().get());
        if (!archivable) {
            fail("an object in the archive is not archivable");
            return Value();
        }
        return encodeObjectToValue(archivable, depth);
    }
    case ArchiveItem::Kind::Array: {
        Value::Array encoded;
        encoded.reserve(item.items().size());
        for (const ArchiveItem& element : item.items()) encoded.push_back(encodeToValue(element, depth + 1));
        return Value(std::move(encoded));
    }
    case ArchiveItem::Kind::Dictionary: {
        Value::Array keys;
        Value::Array objects;
        for (const auto& [key, element] : item.entries()) {
            keys.push_back(encodeToValue(key, depth + 2));
            objects.push_back(encodeToValue(element, depth + 2));
        }
        return Value::dictionary({{kClassKey, Value(kDictionaryClass)},
                                  {kKeysKey, Value(std::move(keys))},
                                  {kObjectsKey, Value(std::move(objects))}});
    }
    case ArchiveItem::Kind::Value: break;
    }

    return encodePlainValue(item.value(), depth);
}

Value KeyedArchiver::encodePlainValue(const Value& value, int depth)
{
    if (depth + static_cast<int>(frames_.size()) > kPropertyListMaxDepth) {
        fail("archive nests too deeply (a cycle?)");
        return Value();
    }
    if (value.isNull()) {
        // One shared marker: copies share its storage, and logs of records
        // hold many null slots.
        static const Value marker = Value::dictionary({{kClassKey, Value(kNullClass)}});
        return marker;
    }
    if (value.isArray()) {
        Value::Array encoded;
        encoded.reserve(value.size());
        for (const Value& element : value.asArray()) encoded.push_back(encodePlainValue(element, depth + 1));
        return Value(std::move(encoded));
    }
    if (value.isDict()) {
        Value::Array keys;
        Value::Array objects;
        keys.reserve(value.size());
        objects.reserve(value.size());
        for (const auto& [key, element] : value.asDict()) {
            keys.push_back(Value(key));
            objects.push_back(encodePlainValue(element, depth + 2));
        }
        return Value::dictionary({{kClassKey, Value(kDictionaryClass)},
                                  {kKeysKey, Value(std::move(keys))},
                                  {kObjectsKey, Value(std::move(objects))}});
    }
    return value;
}

Value KeyedArchiver::archiveValue(std::string* error) const
{
    if (!error_.empty()) {
        logLine("KeyedArchiver: %s", error_.c_str());
        if (error) *error = error_;
        return Value();
    }
    return Value::dictionary({{"$archiver", Value(kArchiverName)},
                              {"$version", Value(kArchiveVersion)},
                              {"$top", Value(frames_.front())}});
}

std::vector<uint8_t> KeyedArchiver::encodedData(std::string* error) const
{
    const std::string text = encodedText(error);
    return std::vector<uint8_t>(text.begin(), text.end());
}

std::string KeyedArchiver::encodedText(std::string* error) const
{
    Value archive = archiveValue(error);
    if (archive.isNull()) return {};
    std::string reason;
    std::string text = writePropertyList(archive, &reason);
    if (!text.empty()) return text;
    logLine("KeyedArchiver: %s", reason.c_str());
    if (error) *error = reason;
    return {};
}

// ---- KeyedUnarchiver ----

KeyedUnarchiver::KeyedUnarchiver(const uint8_t* data, size_t size)
{
    std::string reason;
    std::optional<Value> archive = readPropertyList(data, size, &reason);
    if (!archive) {
        fail("not a keyed archive: " + reason);
        return;
    }
    archive_ = std::move(*archive);
    if (archive_["$archiver"].asString() != kArchiverName || !archive_["$top"].isDict()) {
        fail("not a keyed archive: no \"$archiver\" or \"$top\"");
        return;
    }
    frames_.push_back(&archive_["$top"]);
}

void KeyedUnarchiver::fail(std::string reason)
{
    if (!error_.empty()) return;
    error_ = std::move(reason);
    logLine("KeyedUnarchiver: %s", error_.c_str());
}

const Value& KeyedUnarchiver::field(std::string_view key) const
{
    if (frames_.empty()) return Value::null();
    return frames_.back()->get(key);
}

bool KeyedUnarchiver::containsValueForKey(std::string_view key) const
{
    return !frames_.empty() && frames_.back()->contains(key);
}

Ref<Object> KeyedUnarchiver::decodeObject(std::string_view key)
{
    const Value& encoded = field(key);
    if (encoded.isNull()) return nullptr;
    return decodeObjectFromValue(encoded, 1);
}

ArchiveItem KeyedUnarchiver::decodeItem(std::string_view key)
{
    const Value& encoded = field(key);
    if (encoded.isNull()) return ArchiveItem();
    return decodeFromValue(encoded, 1);
}

Value KeyedUnarchiver::decodeValue(std::string_view key) const
{
    return plainFromValue(field(key), 1);
}

Ref<Object> KeyedUnarchiver::decodeObjectFromValue(const Value& encoded, int depth)
{
    const std::string className = encoded[kClassKey].asString();
    if (!encoded.isDict() || className.empty() || className == kDictionaryClass || className == kNullClass) {
        return nullptr; // not an object: a missing or plain entry decodes as null
    }
    if (depth + static_cast<int>(frames_.size()) > kPropertyListMaxDepth) {
        fail("objects nest too deeply");
        return nullptr;
    }
    Ref<Object> object = ArchivableRegistry::create(className);
    if (!object) {
        fail("unknown archived class \"" + className + "\"");
        return nullptr;
    }
    auto* archivable = dynamic_cast<Archivable*>(object.get());
    if (!archivable) {
        fail("class \"" + className + "\" is registered but not archivable");
        return nullptr;
    }
    frames_.push_back(&encoded);
    const bool accepted = archivable->initWithCoder(*this);
    frames_.pop_back();
    if (!accepted) {
        fail("an archived \"" + className + "\" was rejected by its class");
        return nullptr;
    }
    return object;
}

ArchiveItem KeyedUnarchiver::decodeFromValue(const Value& encoded, int depth)
{
    if (depth > kPropertyListMaxDepth) {
        fail("archive nests too deeply");
        return ArchiveItem();
    }
    if (encoded.isArray()) {
        ArchiveItem::Items items;
        items.reserve(encoded.size());
        for (const Value& element : encoded.asArray()) items.push_back(decodeFromValue(element, depth + 1));
        return ArchiveItem::array(std::move(items));
    }
    if (!encoded.isDict()) return ArchiveItem(encoded);

    const std::string className = encoded[kClassKey].asString();
    if (className == kNullClass) return ArchiveItem();
    if (className == kDictionaryClass) {
        const Value::Array& keys = encoded[kKeysKey].asArray();
        const Value::Array& objects = encoded[kObjectsKey].asArray();
        if (keys.size() != objects.size()) fail("a dictionary's keys and objects differ in number");
        ArchiveItem::Entries entries;
        for (size_t i = 0; i < keys.size() && i < objects.size(); ++i) {
            entries.emplace_back(decodeFromValue(keys[i], depth + 2), decodeFromValue(objects[i], depth + 2));
        }
        return ArchiveItem::dictionary(std::move(entries));
    }
    return ArchiveItem(decodeObjectFromValue(encoded, depth));
}

Value KeyedUnarchiver::plainFromValue(const Value& encoded, int depth) const
{
    if (depth > kPropertyListMaxDepth) return Value();
    if (encoded.isArray()) {
        Value::Array items;
        for (const Value& element : encoded.asArray()) {
            Value plain = plainFromValue(element, depth + 1);
            if (!plain.isNull()) items.push_back(std::move(plain));
        }
        return Value(std::move(items));
    }
    if (!encoded.isDict()) return encoded;
    if (encoded[kClassKey].asString() != kDictionaryClass) return Value(); // null or an object
    const Value::Array& keys = encoded[kKeysKey].asArray();
    const Value::Array& objects = encoded[kObjectsKey].asArray();
    ValueDictionary dict;
    for (size_t i = 0; i < keys.size() && i < objects.size(); ++i) {
        Value plain = plainFromValue(objects[i], depth + 2);
        if (!plain.isNull()) dict.set(keys[i].asString(), std::move(plain));
    }
    return Value(std::move(dict));
}

// ---- Whole-object forms ----

std::vector<uint8_t> archivedDataWithRootObject(const Archivable* root, std::string* error)
{
    if (!root) {
        refuse(error, "no root object to archive");
        return {};
    }
    KeyedArchiver archiver;
    archiver.encodeObject(kRootKey, root);
    return archiver.encodedData(error);
}

Ref<Object> unarchiveObjectWithData(const uint8_t* data, size_t size, std::string* error)
{
    KeyedUnarchiver unarchiver(data, size);
    Ref<Object> root = unarchiver.decodeObject(kRootKey);
    if (!unarchiver.ok()) { // logged by the unarchiver
        if (error) *error = unarchiver.error();
        return nullptr;
    }
    if (!root) {
        refuse(error, "the archive holds no root object");
        return nullptr;
    }
    return root;
}

bool archiveRootObjectToFile(const Archivable* root, const std::string& path, std::string* error)
{
    std::vector<uint8_t> bytes = archivedDataWithRootObject(root, error);
    if (bytes.empty()) return false;
    return AtomicFile::write(path, bytes.data(), bytes.size(), error);
}

Ref<Object> unarchiveObjectWithFile(const std::string& path, std::string* error)
{
    std::vector<uint8_t> bytes;
    std::string reason;
    if (!AtomicFile::read(path, bytes, &reason)) {
        refuse(error, reason);
        return nullptr;
    }
    return unarchiveObjectWithData(bytes.data(), bytes.size(), error);
}

} // namespace mw
