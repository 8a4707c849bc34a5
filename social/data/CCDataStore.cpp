#include "social/data/CCDataStore.h"

#include <algorithm>
#include <cmath>

#include "foundation/AtomicFile.h"
#include "foundation/Clock.h"
#include "foundation/Log.h"
#include "foundation/Paths.h"
#include "foundation/RunLoop.h"
#include "foundation/Shared.h"
#include "social/data/CCLumoraLog.h"
#include "foundation/GuardedFileRead.h"

namespace mw {

namespace {

// The client's stored values: a file far larger is no store of ours.
constexpr size_t kLargestStore = size_t(16) << 20;

constexpr const char* kFileName = "DataStore";
constexpr const char* kRootKey = "root";

constexpr const char* kUiReplacement = "uireplacement";
constexpr const char* kImageActivate = "imageactivate";
constexpr const char* kSpoofUdid = "spoofudid";
constexpr const char* kSpoofUuid = "spoofuuid";
constexpr const char* kSpoofUserId = "spoofuserid";
constexpr const char* kUdidEnabled = "udidenabled";
constexpr const char* kUuidEnabled = "uuidenabled";
constexpr const char* kSessionCount = "sessioncountsinceappinstall";
constexpr const char* kAppInstallDate = "appinstalldate";
constexpr const char* kUserOptOut = "useroptout";
constexpr const char* kLastBannerId = "lastbannerid";
constexpr const char* kAppInstalled = "appinstalled";
constexpr const char* kLastUserLevel = "lastUserLevel";
constexpr const char* kAnalyticTimeOffset = "analytictimeoffset";
constexpr const char* kCurrentUsage = "currentusagedata";
constexpr const char* kReadyUsage = "readyusagedata";
constexpr const char* kCurrentImpressions = "currentimpressiondata";
constexpr const char* kReadyImpressions = "readyimpressiondata";
constexpr const char* kCurrentGameUsage = "gameusagedata";
constexpr const char* kReadyGameUsage = "readygameusagedata";

constexpr size_t kUsageSlots = 7;
constexpr size_t kImpressionDescriptionSlots = 5;
constexpr double kBannerImpressionSpacing = 5.0;

// An archive item as a plain value; false when it holds an object somewhere.
bool plainValue(const ArchiveItem& item, Value& out)
{
    switch (item.kind()) {
    case ArchiveItem::Kind::Value: out = item.value(); return true;
    case ArchiveItem::Kind::Object: return false;
    case ArchiveItem::Kind::Array: {
        Value::Array items;
        items.reserve(item.items().size());
        for (const ArchiveItem& element : item.items()) {
            Value plain;
            if (!plainValue(element, plain)) return false;
            items.push_back(std::move(plain));
        }
        out = Value(std::move(items));
        return true;
    }
    case ArchiveItem::Kind::Dictionary: {
        ValueDictionary dict;
        for (const auto& [key, element] : item.entries()) {
            Value plain;
            if (!key.value().isString() || !plainValue(element, plain)) return false;
            dict.set(key.value().asString(), std::move(plain));
        }
        out = Value(std::move(dict));
        return true;
    }
    }
    return false;
}

Value typedRecord(const char* kind, const std::string& subject)
{
    Value record = CCDataStore::nullUsageArray();
    Value::Array& slots = *record.mutableArray();
    slots[1] = Value(kind);
    slots[6] = Value(subject);
    return record;
}

} // namespace

CCDataStore* CCDataStore::sharedInstance() { return Shared<CCDataStore>::get(); }

void CCDataStore::releaseSharedInstance()
{
    if (CCDataStore* store = Shared<CCDataStore>::current()) {
        (void)store->writeToFile();
        // Its queued writes are done now; one more must not overwrite a successor's file.
        store->released_ = true;
    }
    Shared<CCDataStore>::purge();
}

void CCDataStore::purgeSharedInstance()
{
    if (CCDataStore* store = Shared<CCDataStore>::current()) store->released_ = true;
    Shared<CCDataStore>::purge();
}

CCDataStore::CCDataStore() { readFromFile(); }

void CCDataStore::checkThread(const char* operation) const
{
    if (!RunLoop::main().isOwnerThread()) {
        logLine("%sCCDataStore::%s called off the main thread; hand the change to the main loop",
                kLumoraError, operation);
    }
}

// ---- the dictionary ----

const Value& CCDataStore::valueForKey(std::string_view key) const
{
    checkThread("valueForKey");
    auto found = entries_.find(key);
    return found == entries_.end() ? Value::null() : found->second.value;
}

Ref<Object> CCDataStore::objectForKey(std::string_view key) const
{
    checkThread("objectForKey");
    auto found = entries_.find(key);
    if (found == entries_.end() || found->second.object.kind() != ArchiveItem::Kind::Object) return nullptr;
    return found->second.object.object();
}

bool CCDataStore::containsKey(std::string_view key) const { return entries_.find(key) != entries_.end(); }

void CCDataStore::storeEntry(const std::string& key, Entry entry)
{
    checkThread("store");
    auto found = entries_.find(key);
    if (found == entries_.end()) {
        order_.push_back(key);
        entries_.emplace(key, std::move(entry));
    } else {
        found->second = std::move(entry);
    }
}

void CCDataStore::setValue(const std::string& key, Value value)
{
    if (value.isNull()) return removeKey(key);
    storeEntry(key, Entry {std::move(value), ArchiveItem()});
}

void CCDataStore::setObject(const std::string& key, const Ref<Object>& object)
{
    if (!object) return removeKey(key);
    storeEntry(key, Entry {Value(), ArchiveItem(object)});
}

void CCDataStore::removeKey(std::string_view key)
{
    checkThread("removeKey");
    auto found = entries_.find(key);
    if (found == entries_.end()) return;
    entries_.erase(found);
    order_.erase(std::find(order_.begin(), order_.end(), key));
}

void CCDataStore::removeAllKeys()
{
    checkThread("removeAllKeys");
    entries_.clear();
    order_.clear();
}

std::vector<std::string> CCDataStore::keys() const { return order_; }

Value* CCDataStore::mutableList(const char* key)
{
    auto found = entries_.find(std::string_view(key));
    if (found == entries_.end() || !found->second.value.isArray()) {
        setValue(key, Value::array());
        found = entries_.find(std::string_view(key));
    }
    return &found->second.value;
}

// ---- the file ----

std::string CCDataStore::saveFilePath() { return Paths::documentsPath(kFileName); }

std::string CCDataStore::encodeArchive(const Entries& entries, const std::vector<std::string>& order,
                                       std::string* error)
{
    ArchiveItem::Entries items;
    items.reserve(order.size());
    for (const std::string& key : order) {
        auto found = entries.find(key);
        if (found == entries.end()) continue;
        const Entry& entry = found->second;
        items.emplace_back(Value(key), entry.value.isNull() ? entry.object : ArchiveItem(entry.value));
    }
    KeyedArchiver archiver;
    archiver.encodeItem(kRootKey, ArchiveItem::dictionary(std::move(items)));
    return archiver.encodedText(error);
}

bool CCDataStore::decodeArchive(const uint8_t* data, size_t size, Entries& entries, std::vector<std::string>& order,
                                std::string* error)
{
    auto fail = [error](std::string reason) {
        if (error) *error = std::move(reason);
        return false;
    };
    entries.clear();
    order.clear();
    KeyedUnarchiver unarchiver(data, size);
    if (!unarchiver.ok()) return fail(unarchiver.error());
    ArchiveItem root = unarchiver.decodeItem(kRootKey);
    if (!unarchiver.ok()) return fail(unarchiver.error());
    if (root.kind() != ArchiveItem::Kind::Dictionary) return fail("the archive's root is not a dictionary");
    for (const auto& [key, element] : root.entries()) {
        if (!key.value().isString()) return fail("a key of the dictionary is not a string");
        std::string name = key.value().asString();
        if (entries.count(name)) continue;
        Entry entry;
        if (!plainValue(element, entry.value) || entry.value.isNull()) {
            entry.value = Value();
            entry.object = element;
        }
        order.push_back(name);
        entries.emplace(std::move(name), std::move(entry));
    }
    return true;
}

void CCDataStore::readFromFile()
{
    checkThread("readFromFile");
    entries_.clear();
    order_.clear();
    movedAsidePath_.clear();
    protectFile_ = false;
    const GuardedRead outcome = readGuardedFile(
        saveFilePath(), std::string(kLumoraError) + "DataStore", kLargestStore,
        [this](const std::vector<uint8_t>& bytes, std::string* error) {
            return decodeArchive(bytes.data(), bytes.size(), entries_, order_, error);
        },
        &movedAsidePath_);
    if (outcome == GuardedRead::Read) return;
    entries_.clear();
    order_.clear();
    protectFile_ = outcome == GuardedRead::Unreadable;
}

bool CCDataStore::writeToFile()
{
    checkThread("writeToFile");
    if (protectFile_) return false;
    std::string error;
    const std::string text = encodeArchive(entries_, order_, &error);
    if (text.empty()) {
        logLine("%sDataStore not written: %s", kLumoraError, error.c_str());
        return false;
    }
    Paths::createDirectories(Paths::documentsDirectory());
    if (!AtomicFile::write(saveFilePath(), text, &error)) return false;
    ++writeCount_;
    return true;
}

void CCDataStore::writeToFileLater()
{
    // Each write encodes the whole dictionary and syncs the file; a tap logs
    // its usage record and its view time, and both ride on one write.
    if (laterWriteQueued_) return;
    laterWriteQueued_ = true;
    Ref<CCDataStore> self(this);
    RunLoop::performOnMain([self] {
        self->laterWriteQueued_ = false;
        if (!self->released_) (void)self->writeToFile();
    });
}

// ---- typed keys ----

void CCDataStore::setTextForToken(const std::string& text, const std::string& token)
{
    Value map = valueForKey(kUiReplacement);
    if (!map.isDict()) map = Value::dictionary();
    map.set(token, Value(text));
    setValue(kUiReplacement, std::move(map));
    (void)writeToFile();
}

std::optional<std::string> CCDataStore::textForToken(const std::string& token) const
{
    const Value& text = valueForKey(kUiReplacement)[token];
    if (!text.isString()) return std::nullopt;
    return text.asString();
}

void CCDataStore::removeTextForToken(const std::string& token)
{
    Value map = valueForKey(kUiReplacement);
    if (!map.isDict() || !map.remove(token)) return;
    setValue(kUiReplacement, std::move(map));
}

void CCDataStore::resetAllTokens() { removeKey(kUiReplacement); }

void CCDataStore::setImageActivationList(const std::optional<std::vector<std::string>>& tokens)
{
    if (!tokens) {
        removeKey(kImageActivate);
    } else {
        Value::Array list;
        for (const std::string& token : *tokens) list.emplace_back(token);
        setValue(kImageActivate, Value(std::move(list)));
    }
    (void)writeToFile();
}

bool CCDataStore::isImageActivationSetForToken(const std::string& token) const
{
    const Value& list = valueForKey(kImageActivate);
    if (!list.isArray()) return false;
    for (const Value& entry : list.asArray()) {
        if (entry.isString() && entry.stringView() == token) return true;
    }
    return false;
}

std::optional<std::string> CCDataStore::optionalString(const char* key) const
{
    const Value& value = valueForKey(key);
    if (!value.isString()) return std::nullopt;
    return value.asString();
}

void CCDataStore::setOptionalString(const char* key, const std::optional<std::string>& value)
{
    if (value) setValue(key, Value(*value));
    else removeKey(key);
    (void)writeToFile();
}

std::optional<std::string> CCDataStore::spoofUdid() const { return optionalString(kSpoofUdid); }
void CCDataStore::setSpoofUdid(const std::optional<std::string>& value) { setOptionalString(kSpoofUdid, value); }
std::optional<std::string> CCDataStore::spoofUUID() const { return optionalString(kSpoofUuid); }
void CCDataStore::setSpoofUUID(const std::optional<std::string>& value) { setOptionalString(kSpoofUuid, value); }
std::optional<std::string> CCDataStore::spoofUserId() const { return optionalString(kSpoofUserId); }
void CCDataStore::setSpoofUserId(const std::optional<std::string>& value)
{
    setOptionalString(kSpoofUserId, value);
}

bool CCDataStore::UDIDEnabled() const { return optionalString(kUdidEnabled) != "no"; }
bool CCDataStore::UUIDEnabled() const { return optionalString(kUuidEnabled) != "no"; }

void CCDataStore::setUDIDEnabled(bool enabled)
{
    logLine(enabled ? "Enabling UDID" : "Disabling UDID");
    if (enabled) removeKey(kUdidEnabled);
    else setValue(kUdidEnabled, Value("no"));
}

void CCDataStore::setUUIDEnabled(bool enabled)
{
    logLine(enabled ? "Enabling UUID" : "Disabling UUID");
    if (enabled) removeKey(kUuidEnabled);
    else setValue(kUuidEnabled, Value("no"));
}

void CCDataStore::setAppSessionCount()
{
    setValue(kSessionCount, Value(int32_t(appSessionCountSinceInstall() + 1)));
    (void)writeToFile();
}

int CCDataStore::appSessionCountSinceInstall() const { return valueForKey(kSessionCount).asInt(); }

void CCDataStore::setAppInstallDate()
{
    // Anything but a date (an older build's number, a foreign value) counts as none.
    if (valueForKey(kAppInstallDate).isDate()) return;
    setValue(kAppInstallDate, Value::dateFromUnixTime(Clock::wallSeconds()));
    (void)writeToFile();
}

int CCDataStore::minsSinceAppInstallDate() const
{
    const Value& date = valueForKey(kAppInstallDate);
    if (!date.isDate()) return 0;
    return static_cast<int>(std::trunc((Clock::wallSeconds() - date.asUnixTime()) / 60.0));
}

void CCDataStore::setUserOptOut(bool optOut)
{
    setValue(kUserOptOut, Value(optOut));
    (void)writeToFile();
}

bool CCDataStore::userOptOut() const { return valueForKey(kUserOptOut).asBool(); }

void CCDataStore::setAppInstalled()
{
    if (containsKey(kAppInstalled)) return;
    setValue(kAppInstalled, Value(true));
    (void)writeToFile();
}

bool CCDataStore::appInstalled() const { return valueForKey(kAppInstalled).asBool(); }

void CCDataStore::setLastBannerId(const Value& bannerId) { setValue(kLastBannerId, bannerId); }
const Value& CCDataStore::lastBannerId() const { return valueForKey(kLastBannerId); }

void CCDataStore::setLastUserLevel(const Value& level)
{
    setValue(kLastUserLevel, level);
    (void)writeToFile();
}

const Value& CCDataStore::lastUserLevel() const { return valueForKey(kLastUserLevel); }

void CCDataStore::setAnalyticTimeOffset(double seconds)
{
    setValue(kAnalyticTimeOffset, Value(seconds));
    (void)writeToFile();
}

double CCDataStore::analyticTimeOffset() const { return valueForKey(kAnalyticTimeOffset).asDouble(); }

double CCDataStore::intervalSince1970WithAnalyticOffset() const
{
    return Clock::wallSeconds() + analyticTimeOffset();
}

Value CCDataStore::dateWithAnalyticsOffset() const
{
    return Value::dateFromUnixTime(intervalSince1970WithAnalyticOffset());
}

// ---- usage and impression logs ----

Value CCDataStore::nullUsageArray() { return Value(Value::Array(kUsageSlots)); }

void CCDataStore::logUsageData(Value record, bool immediately)
{
    if (!record.isArray() || record.empty()) {
        logLine("%sCCDataStore: a usage record must be an array; not logged", kLumoraError);
        return;
    }
    record.mutableArray()->at(0) = Value(intervalSince1970WithAnalyticOffset());
    mutableList(kCurrentUsage)->push(std::move(record));
    if (immediately) (void)writeToFile();
    else writeToFileLater();
}

void CCDataStore::logUsageDataForUiActivatedWithType(const std::string& type)
{
    logUsageData(typedRecord("UI_START", type), false);
}

void CCDataStore::logUsageDataForTabActivated(const std::string& tabId)
{
    logUsageData(typedRecord("TAB_ACT", tabId), false);
}

const Value& CCDataStore::currentUsageData() const { return valueForKey(kCurrentUsage); }
const Value& CCDataStore::readyToGoLumoraUsageData() const { return valueForKey(kReadyUsage); }
const Value& CCDataStore::readyToGoImpressionData() const { return valueForKey(kReadyImpressions); }
const Value& CCDataStore::readyToGoGameUsageData() const { return valueForKey(kReadyGameUsage); }
void CCDataStore::clearReadyToGoLumoraUsageData() { removeKey(kReadyUsage); }
void CCDataStore::clearReadyToGoImpressionData() { removeKey(kReadyImpressions); }
void CCDataStore::clearReadyToGoGameUsageData() { removeKey(kReadyGameUsage); }

bool CCDataStore::moveToReadyToGo(const char* currentKey, const char* readyKey)
{
    // An earlier batch that was not cleared yet goes first; the new one waits.
    if (valueForKey(readyKey).isArray()) return true;
    if (!containsKey(currentKey)) return false;
    Value current = valueForKey(currentKey);
    removeKey(currentKey);
    setValue(readyKey, std::move(current));
    (void)writeToFile();
    return true;
}

bool CCDataStore::moveLumoraUsageDataToReadyToGo() { return moveToReadyToGo(kCurrentUsage, kReadyUsage); }
bool CCDataStore::moveImpressionDataToReadyToGo() { return moveToReadyToGo(kCurrentImpressions, kReadyImpressions); }
bool CCDataStore::moveGameUsageDataToReadyToGo() { return moveToReadyToGo(kCurrentGameUsage, kReadyGameUsage); }

bool CCDataStore::moveUsageDataToReadyToGo()
{
    const bool usage = moveLumoraUsageDataToReadyToGo();
    const bool impressions = moveImpressionDataToReadyToGo();
    const bool game = moveGameUsageDataToReadyToGo();
    return usage || impressions || game;
}

int CCDataStore::impressionDataIndex(const Value& id) const
{
    const Value& list = valueForKey(kCurrentImpressions);
    if (!list.isArray()) return -1;
    for (size_t index = 0; index < list.size(); ++index) {
        const Value& record = list[index];
        if (!record.isArray()) continue;
        for (const Value& slot : record.asArray()) {
            if (slot == id) return static_cast<int>(index);
        }
    }
    return -1;
}

void CCDataStore::logImpressionData(const Value& description, const std::string& type, bool immediately)
{
    if (!description.isArray() || description.size() < kImpressionDescriptionSlots) {
        logLine("%sCCDataStore: an impression needs %zu slots; not logged", kLumoraError,
                kImpressionDescriptionSlots);
        return;
    }
    const Value& id = description[1];
    if (id.isNull()) return;
    const double now = intervalSince1970WithAnalyticOffset();
    Value* list = mutableList(kCurrentImpressions);
    const int index = impressionDataIndex(id);
    if (index < 0) {
        Value::Array record(kUsageSlots);
        for (size_t slot = 0; slot < kImpressionDescriptionSlots; ++slot) record[slot] = description[slot];
        record[5] = Value(Value::Array {Value(now)});
        list->push(Value(std::move(record)));
    } else {
        Value::Array& record = *list->mutableArray()->at(size_t(index)).mutableArray();
        if (record.size() < kUsageSlots) record.resize(kUsageSlots);
        if (!record[5].isArray()) record[5] = Value::array();
        Value& times = record[5];
        bool add = true;
        if (type == "lite_banner" && !times.empty()) {
            // Banners rotate: one more sighting counts only after every banner had its turn.
            const double spacing = kBannerImpressionSpacing * double(list->size()) - 0.1;
            add = now - times[times.size() - 1].asDouble() >= spacing;
        }
        if (add) times.push(Value(now));
    }
    if (immediately) (void)writeToFile();
    else writeToFileLater();
}

} // namespace mw
