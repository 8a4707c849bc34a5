#include "foundation/UserDefaults.h"

#include "foundation/AtomicFile.h"
#include "foundation/GuardedFileRead.h"
#include "foundation/Log.h"
#include "foundation/Paths.h"
#include "foundation/PropertyList.h"

namespace mw {

namespace {

constexpr char kFileName[] = "UserDefaults.plist";
// A few dozen small settings: a file far larger is none of ours.
constexpr size_t kLargestFile = size_t(16) << 20;

std::mutex& sharedLock()
{
    static std::mutex lock;
    return lock;
}

std::unique_ptr<UserDefaults>& sharedInstance()
{
    static std::unique_ptr<UserDefaults> instance;
    return instance;
}

} // namespace

UserDefaults& UserDefaults::standardUserDefaults()
{
    std::lock_guard<std::mutex> guard(sharedLock());
    std::unique_ptr<UserDefaults>& instance = sharedInstance();
    if (!instance) instance = std::make_unique<UserDefaults>(Paths::documentsPath(kFileName));
    return *instance;
}

void UserDefaults::resetStandardUserDefaults()
{
    std::lock_guard<std::mutex> guard(sharedLock());
    sharedInstance().reset();
}

UserDefaults::UserDefaults(std::string path) : path_(std::move(path)) {}

bool UserDefaults::loadIfNeeded()
{
    if (loaded_) return true;
    std::optional<Value> contents;
    std::vector<std::string> skipped;
    // Anything but content that does not parse (and was moved aside) is a
    // failure to read it, which may pass: every call tries again.
    const GuardedReadResult read = readGuardedFileQuietly(
        path_, kLargestFile, [&](const std::vector<uint8_t>& bytes, std::string* error) {
            contents = readPropertyListSkippingBadEntries(bytes.data(), bytes.size(), skipped, error);
            if (contents && !contents->isDict()) *error = "the file holds no dictionary";
            return contents && contents->isDict();
        });
    switch (read.outcome) {
    case GuardedRead::Unreadable:
        return noteReadFailure(read.reason);
    case GuardedRead::NoFile:
        adoptFileValues(Value::dictionary());
        return true;
    case GuardedRead::MovedAside:
        logLine("UserDefaults: cannot read %s (%s); moved it to %s; starting empty", path_.c_str(),
                read.reason.c_str(), read.movedTo.c_str());
        adoptFileValues(Value::dictionary());
        return true;
    case GuardedRead::Read:
        break;
    }
    for (const std::string& entry : skipped) {
        logLine("UserDefaults: %s: left out the unreadable value of %s", path_.c_str(), entry.c_str());
    }
    adoptFileValues(std::move(*contents));
    return true;
}

bool UserDefaults::noteReadFailure(const std::string& reason)
{
    // Every call retries the read; one line for each new reason is enough.
    if (reason != readError_) {
        logLine("UserDefaults: cannot read %s (%s); keeping it and not writing it until it can be read",
                path_.c_str(), reason.c_str());
    }
    readError_ = reason;
    return false;
}

void UserDefaults::adoptFileValues(Value fileValues)
{
    if (!readError_.empty()) logLine("UserDefaults: read %s after all", path_.c_str());
    readError_.clear();
    // Changes made while the file was unread are newer than what it holds.
    for (const auto& [key, value] : stored_.asDict()) fileValues.set(key, value);
    for (const std::string& key : removedBeforeLoad_) fileValues.remove(key);
    stored_ = std::move(fileValues);
    removedBeforeLoad_.clear();
    loaded_ = true;
}

Value UserDefaults::objectForKey(std::string_view key)
{
    std::lock_guard<std::mutex> guard(lock_);
    loadIfNeeded();
    if (const Value* found = stored_.asDict().find(key)) return *found;
    return registered_.get(key);
}

void UserDefaults::setObject(std::string_view key, Value value)
{
    // One value that has no property-list form (text that is not UTF-8, a
    // nested null) would make every later synchronize fail, losing all the
    // other settings with it; refuse it here instead.
    std::string reason;
    if (!value.isNull() && writePropertyList(value, &reason).empty()) {
        logLine("UserDefaults: refused the value for \"%.*s\": %s", int(key.size()), key.data(), reason.c_str());
        return;
    }
    std::lock_guard<std::mutex> guard(lock_);
    loadIfNeeded();
    if (value.isNull()) {
        // Before the file is read the key may be in it, so its removal is a change.
        const bool removed = stored_.remove(key);
        if (!loaded_) removedBeforeLoad_.emplace(key);
        dirty_ = removed || !loaded_ || dirty_;
    } else {
        if (auto removed = removedBeforeLoad_.find(key); removed != removedBeforeLoad_.end()) {
            removedBeforeLoad_.erase(removed);
        }
        stored_.set(std::string(key), std::move(value));
        dirty_ = true;
    }
}

void UserDefaults::registerDefaults(const Value& defaults)
{
    std::lock_guard<std::mutex> guard(lock_);
    for (const auto& [key, value] : defaults.asDict()) registered_.set(key, value);
}

Value UserDefaults::dictionaryRepresentation()
{
    std::lock_guard<std::mutex> guard(lock_);
    loadIfNeeded();
    Value merged = registered_;
    for (const auto& [key, value] : stored_.asDict()) merged.set(key, value);
    return merged;
}

bool UserDefaults::synchronize() { return synchronize(nullptr); }

bool UserDefaults::synchronize(std::string* error)
{
    std::lock_guard<std::mutex> guard(lock_);
    const bool loaded = loadIfNeeded();
    // With nothing changed the file on disk already holds every value.
    if (!dirty_) return true;
    std::string reason;
    if (!loaded) {
        reason = "not writing " + path_ + " before it can be read (" + readError_ + ")";
        logLine("UserDefaults: %s", reason.c_str());
    } else if (const std::string text = writePropertyList(stored_, &reason); text.empty()) {
        reason = "cannot write " + path_ + ": " + reason;
        logLine("UserDefaults: %s", reason.c_str());
    } else if (AtomicFile::write(path_, text, &reason)) { // logs its own failure
        dirty_ = false;
        return true;
    }
    if (error) *error = reason;
    return false;
}

} // namespace mw
