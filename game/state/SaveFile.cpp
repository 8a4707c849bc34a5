#include "game/state/SaveFile.h"

#include <zlib.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string_view>

#include <sys/stat.h>

#include "foundation/AtomicFile.h"
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

void SaveFile::beginWrite()
{
    std::lock_guard<std::mutex> guard(stateLock_);
    ++activeWrites_;
    if (activeFlag_) *activeFlag_ = true;
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

bool SaveFile::writeNow(const SaveSnapshot& snapshot, std::string* error)
{
    std::lock_guard<std::mutex> writer(writeLock_);
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

std::optional<std::string> SaveFile::keepUnreadAside()
{
    std::lock_guard<std::mutex> writer(writeLock_);
    std::string reason;
    if (mayReplace(reason)) return std::string();
    const std::string file = path();
    if (!statOf(file) && errno != ENOENT) {
        logLine("Save: the save at %s is kept where it is: %s", file.c_str(), reason.c_str());
        return std::nullopt;
    }
    std::string error;
    const std::string kept = AtomicFile::keepAside(file, unreadable_ ? "unreadable" : "unread", &error);
    if (kept.empty()) {
        logLine("Save: the save at %s that was not loaded cannot be kept aside (%s); it is not written over",
                file.c_str(), error.c_str());
        return std::nullopt;
    }
    logLine("Save: the save at %s was not loaded; a new game starts beside it, and it is kept as %s",
            file.c_str(), kept.c_str());
    // Kept under the new name, the file may now be replaced at the old one.
    knowCurrentFile();
    return kept;
}

bool SaveFile::write(const SaveSnapshot& snapshot, std::string* error)
{
    beginWrite();
    const bool written = writeNow(snapshot, error);
    endWrite();
    return written;
}

bool SaveFile::writeInBackground(SaveSnapshot snapshot, std::function<void(bool)> done)
{
    std::lock_guard<std::mutex> guard(stateLock_);
    pending_ = std::make_unique<PendingWrite>(PendingWrite{std::move(snapshot), std::move(done)});
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
            const bool written = writeNow(next->snapshot, nullptr);
            if (next->done) next->done(written);
            std::lock_guard<std::mutex> guard(stateLock_);
            next = std::move(pending_);
            if (!next) endWriteLocked();
        }
    });
}

std::optional<Value> SaveFile::read(std::string* error, Found* found)
{
    std::lock_guard<std::mutex> writer(writeLock_);
    Found outcome = Found::Nothing;
    const std::string file = path();
    if (!Paths::fileExists(file)) {
        logLine("Load: there is no save at %s", file.c_str());
        refuse(error, "no save file");
        if (found) *found = outcome;
        return std::nullopt;
    }
    std::vector<uint8_t> bytes;
    std::string reason;
    std::optional<Value> dictionary;
    if (!AtomicFile::read(file, bytes, &reason, kLargestSave)) {
        logLine("Load: the save at %s cannot be read; it is left where it is: %s", file.c_str(),
                reason.c_str());
        known_.reset();
        unreadable_ = true;
        outcome = Found::Unreadable;
    } else if ((dictionary = decode(bytes.data(), bytes.size(), &reason))) {
        knowCurrentFile();
        outcome = Found::Save;
    } else {
        const std::string aside = AtomicFile::moveAside(file);
        logLine("Load: the save at %s is damaged (%s); kept as %s", file.c_str(), reason.c_str(),
                aside.empty() ? "it was (it could not be moved)" : aside.c_str());
        known_.reset();
        unreadable_ = aside.empty();
        outcome = Found::Damaged;
    }
    if (!dictionary) refuse(error, reason);
    if (found) *found = outcome;
    return dictionary;
}

} // namespace mw
