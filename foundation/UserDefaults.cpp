#include "foundation/UserDefaults.h"

#include <cerrno>
#include <sys/stat.h>

#include "foundation/AtomicFile.h"
#include "foundation/Log.h"
#include "foundation/Paths.h"
#include "foundation/PropertyList.h"

namespace mw {

namespace {

constexpr char kFileName[] = "UserDefaults.plist";

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

bool exists(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
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

void UserDefaults::loadIfNeeded()
{
    if (loaded_) return;
    loaded_ = true;
    if (!exists(path_)) return;
    std::string reason;
    std::vector<uint8_t> bytes;
    std::optional<Value> contents;
    if (AtomicFile::read(path_, bytes, &reason)) contents = readPropertyList(bytes.data(), bytes.size(), &reason);
    if (contents && contents->isDict()) {
        stored_ = std::move(*contents);
        return;
    }
    if (contents) reason = "the file holds no dictionary";
    // Keep the unreadable file for inspection instead of writing over it later.
    const std::string movedTo = AtomicFile::moveAside(path_);
    logLine("UserDefaults: cannot read %s (%s); %s%s; starting empty", path_.c_str(), reason.c_str(),
            movedTo.empty() ? "could not move it aside" : "moved it to ", movedTo.c_str());
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
        dirty_ = stored_.remove(key) || dirty_;
    } else {
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

bool UserDefaults::synchronize()
{
    std::lock_guard<std::mutex> guard(lock_);
    loadIfNeeded();
    if (!dirty_) return true;
    std::string reason;
    const std::string text = writePropertyList(stored_, &reason);
    if (text.empty()) {
        logLine("UserDefaults: cannot write %s: %s", path_.c_str(), reason.c_str());
        return false;
    }
    if (!AtomicFile::write(path_, text)) return false; // logged there
    dirty_ = false;
    return true;
}

} // namespace mw
