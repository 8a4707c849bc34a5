#include "game/state/SaveFile.h"

#include <zlib.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string_view>

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include "foundation/AtomicFile.h"
#include "foundation/GuardedFileRead.h"
#include "foundation/Log.h"
#include "foundation/Paths.h"
#include "foundation/PropertyList.h"

namespace mw {

namespace {

constexpr const char* kFileName = "supersave.plist";
// A whole village saves in under a megabyte: a file far beyond that is no save.
constexpr size_t kLargestSave = size_t(32) << 20;
// The check line: "<!-- mosswick-save length=<n> crc32=<8 hex digits> -->\n".
constexpr std::string_view kCheckPrefix = "<!-- mosswick-save length=";

uint32_t checksum(const void* data, size_t size)
{
    uLong crc = crc32(0L, Z_NULL, 0);
    const auto* bytes = static_cast<const Bytef*>(data);
    while (size > 0) {
        const uInt chunk = size > (1u << 30) ? (1u << 30) : static_cast<uInt>(size);
        crc = crc32(crc, bytes, chunk);
        bytes += chunk;
        size -= chunk;
    }
    return static_cast<uint32_t>(crc);
}

std::string checkLine(size_t length, uint32_t crc)
{
    char line[96];
    std::snprintf(line, sizeof line, "<!-- mosswick-save length=%zu crc32=%08" PRIx32 " -->\n", length, crc);
    return line;
}

void refuse(std::string* error, std::string reason)
{
    if (error) *error = std::move(reason);
}

} // namespace

// ---- SaveSnapshot ----

void SaveSnapshot::setValue(const std::string& key, Value value)
{
    for (Entry& entry : entries_) {
        if (entry.key == key) {
            entry = {key, std::move(value), false};
            return;
        }
    }
    entries_.push_back({key, std::move(value), false});
}

bool SaveSnapshot::setArchive(const std::string& key, const KeyedArchiver& archiver)
{
    Value archive = archiver.archiveValue();
    if (archive.isNull()) {
        logLine("Save: the entry \"%s\" could not be archived; left out", key.c_str());
        return false;
    }
    setValue(key, std::move(archive));
    for (Entry& entry : entries_) {
        if (entry.key == key) entry.archive = true;
    }
    return true;
}

Value SaveSnapshot::toDictionary(std::string* error) const
{
    ValueDictionary dictionary;
    for (const Entry& entry : entries_) {
        if (!entry.archive) {
            dictionary.set(entry.key, entry.value);
            continue;
        }
        std::string reason;
        std::string text = writePropertyList(entry.value, &reason);
        if (text.empty()) {
            refuse(error, "the entry \"" + entry.key + "\" cannot be written: " + reason);
            return Value();
        }
        dictionary.set(entry.key, Value(Value::Bytes(text.begin(), text.end())));
    }
    return Value(std::move(dictionary));
}

// ---- SaveFile ----

SaveFile::~SaveFile()
{
    waitUntilIdle();
    if (background_.joinable()) background_.join();
}

std::string SaveFile::path()
{
    return Paths::documentsPath(kFileName);
}

bool SaveFile::isMissing()
{
    struct stat info {};
    if (::stat(path().c_str(), &info) == 0) return false;
    return errno == ENOENT || errno == ENOTDIR;
}

bool SaveFile::adoptCopyFromCaches(std::string* error)
{
    const std::string from = Paths::cachesPath(kFileName);
    struct stat info {};
    if (::lstat(from.c_str(), &info) != 0 && (errno == ENOENT || errno == ENOTDIR)) return true;
    const std::string to = path();
    // Never over a save already in place: the platform's move refused that too.
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        logLine("Save: the save left in the caches folder is moved to %s", to.c_str());
        return true;
    }
    refuse(error, std::strerror(errno));
    return false;
}

std::string SaveFile::encode(const Value& dictionary, std::string* error)
{
    std::string reason;
    std::string text = writePropertyList(dictionary, &reason);
    if (text.empty()) {
        refuse(error, reason);
        return {};
    }
    return text + checkLine(text.size(), checksum(text.data(), text.size()));
}

std::optional<Value> SaveFile::decode(const uint8_t* data, size_t size, std::string* error)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const size_t lineStart = bytes.rfind(kCheckPrefix);
    if (lineStart == std::string_view::npos) {
        refuse(error, "no check line (the file was cut short or is no save)");
        return std::nullopt;
    }
    const std::string_view body = bytes.substr(0, lineStart);
    if (bytes.substr(lineStart) != checkLine(body.size(), checksum(body.data(), body.size()))) {
        refuse(error, "the check line does not match the content (the file is damaged)");
        return std::nullopt;
    }
    std::string reason;
    std::optional<Value> dictionary = readPropertyList(std::string_view(body), &reason);
    if (!dictionary || !dictionary->isDict()) {
        refuse(error, dictionary ? "the save holds no dictionary" : reason);
        return std::nullopt;
    }
    return dictionary;
}

uint64_t SaveFile::beginWrite()
{
    std::lock_guard<std::mutex> guard(stateLock_);
    ++activeWrites_;
    if (activeFlag_) *activeFlag_ = true;
    return ++handedOver_;
}

void SaveFile::endWrite()
{
    std::lock_guard<std::mutex> guard(stateLock_);
    if (pending_ && activeWrites_.load() == 1) {
        // A background save was asked for during this write: it goes on
        // with this write's count instead of being dropped.
        startDraining();
        return;
    }
    endWriteLocked();
}

void SaveFile::endWriteLocked()
{
    if (--activeWrites_ > 0) return;
    if (activeFlag_) *activeFlag_ = false;
    idle_.notify_all();
}

void SaveFile::waitUntilIdle()
{
    std::unique_lock<std::mutex> guard(stateLock_);
    idle_.wait(guard, [this] { return activeWrites_.load() == 0; });
}

bool SaveFile::writeNow(const SaveSnapshot& snapshot, uint64_t order, std::string* error)
{
    std::lock_guard<std::mutex> writer(writeLock_);
    // A newer state is on disk already (a direct save overtook this one
    // while it waited): writing this one would take the game back.
    if (order < newestWritten_) return true;
    std::string reason;
    bool written = mayReplace(reason);
    if (written) {
        const Value dictionary = snapshot.toDictionary(&reason);
        std::string bytes = dictionary.isNull() ? std::string() : encode(dictionary, &reason);
        if (writeHook_) writeHook_();
        written = !bytes.empty() && AtomicFile::write(path(), bytes, &reason, AtomicFile::FailureLog::Caller);
    }
    if (!written) {
        if (!failing_) {
            logLine("Save: the game could not be saved; the previous save is kept, and each later save tries "
                    "again (not logged again until one works): %s",
                    reason.c_str());
        }
        failing_ = true;
        refuse(error, reason);
        return false;
    }
    if (failing_) logLine("Save: the game is saved again");
    failing_ = false;
    newestWritten_ = order;
    knowCurrentFile();
    return true;
}

namespace {

std::optional<struct stat> statOf(const std::string& file)
{
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0) return std::nullopt;
    return info;
}

} // namespace

bool SaveFile::mayReplace(std::string& reason) const
{
    const std::optional<struct stat> now = statOf(path());
    if (!now) {
        if (errno == ENOENT) return true;
        reason = std::string("cannot look at the save on disk: ") + std::strerror(errno);
        return false;
    }
    if (known_ && *known_ == FileIdentity{uint64_t(now->st_dev), uint64_t(now->st_ino)}) return true;
    // A save this saver never took in may be the player's only village.
    reason = unreadable_ ? "the save on disk could not be read, and is not written over"
                         : "the save on disk has not been read, and is not written over";
    return false;
}

void SaveFile::knowCurrentFile()
{
    const std::optional<struct stat> now = statOf(path());
    known_.reset();
    if (now) known_ = FileIdentity{uint64_t(now->st_dev), uint64_t(now->st_ino)};
    unreadable_ = false;
}

namespace {

// The name in `folder` under which the file `kept` is already kept beside
// `file` ("<file name>.<tag>-<time>", the same device and inode), or "".
std::string keptNameOf(const std::string& file, const struct stat& kept)
{
    const size_t slash = file.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : file.substr(0, slash);
    const std::string prefix = file.substr(slash == std::string::npos ? 0 : slash + 1) + ".";
    DIR* listing = ::opendir(folder.c_str());
    if (!listing) return std::string();
    std::string found;
    while (const dirent* entry = ::readdir(listing)) {
        const std::string name = entry->d_name;
        if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) continue;
        struct stat info {};
        const std::string candidate = Paths::join(folder, name);
        const bool same = ::lstat(candidate.c_str(), &info) == 0 && info.st_dev == kept.st_dev &&
                          info.st_ino == kept.st_ino;
        if (same) {
            found = candidate;
            break;
        }
    }
    ::closedir(listing);
    return found;
}

} // namespace

std::optional<std::string> SaveFile::keepUnreadAside(std::string* error)
{
    std::lock_guard<std::mutex> writer(writeLock_);
    return keepUnreadAsideLocked(error);
}

std::optional<std::string> SaveFile::keepUnreadAsideLocked(std::string* error)
{
    std::string reason;
    if (mayReplace(reason)) return std::string();
    const std::string file = path();
    const std::optional<struct stat> now = statOf(file);
    if (!now && errno != ENOENT) {
        logLine("Save: the save at %s is kept where it is: %s", file.c_str(), reason.c_str());
        refuse(error, reason);
        return std::nullopt;
    }
    // A new game that ended before its first save kept this very file
    // already: one name for it is enough.
    std::string kept = now ? keptNameOf(file, *now) : std::string();
    if (!kept.empty()) {
        logLine("Save: the save at %s was not loaded; a new game starts beside it, and it is kept as %s "
                "already",
                file.c_str(), kept.c_str());
        knowCurrentFile();
        return kept;
    }
    std::string failure;
    kept = AtomicFile::keepAside(file, unreadable_ ? "unreadable" : "unread", &failure);
    if (kept.empty()) {
        logLine("Save: the save at %s that was not loaded cannot be kept aside (%s); it is not written over",
                file.c_str(), failure.c_str());
        refuse(error, failure);
        return std::nullopt;
    }
    logLine("Save: the save at %s was not loaded; a new game starts beside it, and it is kept as %s",
            file.c_str(), kept.c_str());
    // Kept under the new name, the file may now be replaced at the old one.
    knowCurrentFile();
    return kept;
}

bool SaveFile::remove(std::string* error)
{
    waitUntilIdle();
    std::lock_guard<std::mutex> writer(writeLock_);
    std::string reason;
    if (!mayReplace(reason) && !keepUnreadAsideLocked(error)) return false;
    const std::string file = path();
    const bool deleted = ::unlink(file.c_str()) == 0;
    if (!deleted && errno != ENOENT) {
        refuse(error, std::string("cannot delete ") + file + ": " + std::strerror(errno));
        return false;
    }
    known_.reset();
    unreadable_ = false;
    if (deleted) logLine("Save: the save at %s is deleted", file.c_str());
    return true;
}

bool SaveFile::write(const SaveSnapshot& snapshot, std::string* error)
{
    const uint64_t order = beginWrite();
    const bool written = writeNow(snapshot, order, error);
    endWrite();
    return written;
}

bool SaveFile::writeInBackground(SaveSnapshot snapshot, std::function<void(bool)> done)
{
    std::lock_guard<std::mutex> guard(stateLock_);
    pending_
        = std::make_unique<PendingWrite>(PendingWrite{std::move(snapshot), ++handedOver_, std::move(done)});
    // A write that runs now takes the pending one up when it ends; a newer
    // request replaces one still waiting, as it holds the newer state.
    if (activeWrites_.load() > 0) return true;
    ++activeWrites_;
    if (activeFlag_) *activeFlag_ = true;
    startDraining();
    return true;
}

void SaveFile::startDraining()
{
    // Any earlier thread has ended its writes; only its exit may be pending.
    if (background_.joinable()) background_.join();
    background_ = std::thread([this] {
        std::unique_ptr<PendingWrite> next;
        {
            std::lock_guard<std::mutex> guard(stateLock_);
            next = std::move(pending_);
        }
        while (next) {
            const bool written = writeNow(next->snapshot, next->order, nullptr);
            if (next->done) next->done(written);
            std::lock_guard<std::mutex> guard(stateLock_);
            next = std::move(pending_);
            if (!next) endWriteLocked();
        }
    });
}

void SaveFile::noteNotTaken(const std::string& why, const std::string& aside)
{
    const std::string file = path();
    known_.reset();
    unreadable_ = aside.empty();
    if (aside.empty()) {
        logLine("Load: the save at %s is not taken (%s), so it stays where it is and is not written over",
                file.c_str(), why.c_str());
        return;
    }
    logLine("Load: the save at %s is not taken (%s); kept as %s", file.c_str(), why.c_str(), aside.c_str());
}

SaveFile::Found SaveFile::setAsideAfterRead(const std::string& why)
{
    std::lock_guard<std::mutex> writer(writeLock_);
    const std::optional<struct stat> now = statOf(path());
    if (!now || !known_ || !(*known_ == FileIdentity{uint64_t(now->st_dev), uint64_t(now->st_ino)})) {
        // Another file took the place since the read: it is not this load's to move.
        logLine("Load: the save at %s is not taken (%s); the file there now was not read, and is left as "
                "it is",
                path().c_str(), why.c_str());
        known_.reset();
        unreadable_ = false;
        return Found::DamagedInPlace;
    }
    // The read took the file whole; only the tables in it turned out to be
    // no game, so the move aside the guarded read would have made comes now.
    std::string failure;
    const std::string aside = AtomicFile::moveAside(path(), &failure);
    noteNotTaken(aside.empty() ? why + "; cannot move it aside: " + failure : why, aside);
    return aside.empty() ? Found::DamagedInPlace : Found::Damaged;
}

std::optional<Value> SaveFile::read(std::string* error, Found* found)
{
    std::lock_guard<std::mutex> writer(writeLock_);
    const std::string file = path();
    std::optional<Value> dictionary;
    std::string damage; // why the bytes that were read are no save
    const GuardedReadResult result
        = readGuardedFileQuietly(file, kLargestSave, [&](const std::vector<uint8_t>& bytes, std::string* why) {
              dictionary = decode(bytes.data(), bytes.size(), why);
              if (!dictionary && why) damage = *why;
              return dictionary.has_value();
          });
    Found outcome = Found::Nothing;
    std::string reason;
    switch (result.outcome) {
    case GuardedRead::NoFile:
        logLine("Load: there is no save at %s", file.c_str());
        reason = "no save file";
        break;
    case GuardedRead::Read:
        knowCurrentFile();
        outcome = Found::Save;
        break;
    case GuardedRead::MovedAside:
        noteNotTaken("it is damaged: " + damage, result.movedTo);
        reason = damage;
        outcome = Found::Damaged;
        break;
    case GuardedRead::Unreadable:
        if (result.decoded) {
            // Damaged, and still in the way: the reason says why it could not be moved.
            noteNotTaken("it is damaged: " + result.reason, std::string());
            reason = damage;
            outcome = Found::DamagedInPlace;
            break;
        }
        logLine("Load: the save at %s cannot be read; it is left where it is: %s", file.c_str(),
                result.reason.c_str());
        known_.reset();
        unreadable_ = true;
        reason = result.reason;
        outcome = Found::Unreadable;
        break;
    }
    if (outcome != Found::Save) {
        dictionary.reset();
        refuse(error, reason);
    }
    if (found) *found = outcome;
    return dictionary;
}

} // namespace mw
