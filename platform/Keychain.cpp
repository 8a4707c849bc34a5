#include "platform/Keychain.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>

#include "foundation/AtomicFile.h"
#include "foundation/GuardedFileRead.h"
#include "foundation/Log.h"
#include "foundation/Paths.h"
#include "foundation/PropertyList.h"

namespace mw {

namespace {

// A handful of small items: a file far larger is no keychain of ours.
constexpr size_t kLargestKeychain = size_t(4) << 20;

// Tightens a file or folder that others could read; logs when it had to.
void makePrivate(const std::string& path, mode_t wanted)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return;
    if ((info.st_mode & 0777) == wanted) return;
    if ((info.st_mode & 077) != 0) {
        logLine("Keychain: %s could be read by others (mode %o); made private", path.c_str(),
                static_cast<unsigned>(info.st_mode & 0777));
    }
    ::chmod(path.c_str(), wanted);
}

bool sameItem(const KeychainQuery& a, const KeychainQuery& b)
{
    return a.account == b.account && a.service == b.service && a.accessGroup == b.accessGroup;
}

std::string encode(const std::vector<KeychainItem>& items)
{
    Value::Array list;
    for (const KeychainItem& item : items) {
        ValueDictionary entry;
        entry.set("account", item.query.account);
        entry.set("service", item.query.service);
        if (item.query.accessGroup) entry.set("accessGroup", *item.query.accessGroup);
        entry.set("value", Value(item.value));
        list.push_back(Value(std::move(entry)));
    }
    return writePropertyList(Value::dictionary({{"items", Value(std::move(list))}}));
}

// Holds an exclusive lock on a file for its lifetime.
class FileLock {
public:
    explicit FileLock(const std::string& path)
    {
        fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ < 0) return;
        while (::flock(fd_, LOCK_EX) != 0) {
            if (errno != EINTR) {
                ::close(fd_);
                fd_ = -1;
                return;
            }
        }
    }
    ~FileLock()
    {
        if (fd_ >= 0) ::close(fd_); // closing drops the lock
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    bool held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

std::mutex gLock;
std::shared_ptr<Keychain>& installed()
{
    static std::shared_ptr<Keychain> keychain;
    return keychain;
}

std::shared_ptr<Keychain> makeDefault()
{
    return std::make_shared<FileKeychain>(Paths::documentsPath("Keychain"));
}

} // namespace

std::shared_ptr<Keychain> Keychain::sharedInstance()
{
    std::lock_guard<std::mutex> guard(gLock);
    if (!installed()) installed() = makeDefault();
    return installed();
}

std::shared_ptr<Keychain> Keychain::replaceSharedInstance(std::shared_ptr<Keychain> keychain)
{
    std::lock_guard<std::mutex> guard(gLock);
    std::swap(keychain, installed());
    return keychain;
}

FileKeychain::FileKeychain(std::string folder)
    : folder_(std::move(folder)), file_(folder_ + "/keychain.plist"), lockFile_(folder_ + "/keychain.lock")
{
}

std::optional<std::vector<KeychainItem>> FileKeychain::parse(const uint8_t* data, size_t size)
{
    const std::optional<Value> root = readPropertyList(data, size);
    if (!root || !root->isDict() || !root->get("items").isArray()) return std::nullopt;
    std::vector<KeychainItem> items;
    for (const Value& entry : root->get("items").asArray()) {
        const Value& group = entry["accessGroup"];
        if (!entry.isDict() || !entry["account"].isString() || !entry["service"].isString() ||
            !entry["value"].isData() || !(group.isNull() || group.isString())) {
            return std::nullopt;
        }
        KeychainItem item;
        item.query.account = entry["account"].asString();
        item.query.service = entry["service"].asString();
        if (group.isString()) item.query.accessGroup = group.asString();
        item.value = entry["value"].asData();
        const bool duplicate = std::any_of(items.begin(), items.end(), [&](const KeychainItem& held) {
            return sameItem(held.query, item.query);
        });
        if (duplicate) return std::nullopt;
        items.push_back(std::move(item));
    }
    return items;
}

// Runs `operation(items)` on the file's items under the lock; it answers the
// call's status and whether the items changed, in which case they are written.
template <typename Operation>
int32_t FileKeychain::transact(Operation operation)
{
    if (!Paths::createDirectories(folder_)) return KeychainStatus::kNoKeychain;
    makePrivate(folder_, 0700);
    FileLock lock(lockFile_);
    if (!lock.held()) {
        logLine("Keychain: cannot lock %s: %s", lockFile_.c_str(), std::strerror(errno));
        return KeychainStatus::kNoKeychain;
    }
    std::vector<KeychainItem> items;
    if (Paths::fileExists(file_)) makePrivate(file_, 0600);
    const GuardedRead read = readGuardedFile(
        file_, "Keychain: " + file_, kLargestKeychain, [&](const std::vector<uint8_t>& bytes, std::string* error) {
            std::optional<std::vector<KeychainItem>> stored = parse(bytes.data(), bytes.size());
            if (!stored) {
                *error = "no keychain file";
                return false;
            }
            items = std::move(*stored);
            return true;
        });
    // Read again at every call, so a file that could not be read or moved
    // aside is only ever refused, never written over.
    if (read == GuardedRead::Unreadable) return KeychainStatus::kNoKeychain;
    if (read != GuardedRead::Read) items.clear();
    const auto [status, changed] = operation(items);
    if (!changed) return status;
    if (!Paths::fileExists(file_)) {
        const int fd = ::open(file_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) ::close(fd);
    }
    if (!AtomicFile::write(file_, encode(items))) return KeychainStatus::kIOError;
    return status;
}

int32_t FileKeychain::add(const KeychainQuery& query, const Bytes& value)
{
    return transact([&](std::vector<KeychainItem>& items) -> std::pair<int32_t, bool> {
        for (const KeychainItem& item : items) {
            if (sameItem(item.query, query)) return {KeychainStatus::kDuplicateItem, false};
        }
        items.push_back({query, value});
        return {KeychainStatus::kSuccess, true};
    });
}

int32_t FileKeychain::update(const KeychainQuery& query, const Bytes& value)
{
    return transact([&](std::vector<KeychainItem>& items) -> std::pair<int32_t, bool> {
        for (KeychainItem& item : items) {
            if (!sameItem(item.query, query)) continue;
            item.value = value;
            return {KeychainStatus::kSuccess, true};
        }
        return {KeychainStatus::kItemNotFound, false};
    });
}

int32_t FileKeychain::remove(const KeychainQuery& query)
{
    return transact([&](std::vector<KeychainItem>& items) -> std::pair<int32_t, bool> {
        const auto found = std::find_if(items.begin(), items.end(), [&](const KeychainItem& item) {
            return sameItem(item.query, query);
        });
        if (found == items.end()) return {KeychainStatus::kItemNotFound, false};
        items.erase(found);
        return {KeychainStatus::kSuccess, true};
    });
}

int32_t FileKeychain::search(const KeychainQuery& query, Bytes& value)
{
    return transact([&](std::vector<KeychainItem>& items) -> std::pair<int32_t, bool> {
        for (const KeychainItem& item : items) {
            if (!sameItem(item.query, query)) continue;
            value = item.value;
            return {KeychainStatus::kSuccess, false};
        }
        return {KeychainStatus::kItemNotFound, false};
    });
}

} // namespace mw
