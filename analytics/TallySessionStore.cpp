#include "analytics/TallySessionStore.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <set>

#include "analytics/TallyArchiveDate.h"
#include "analytics/TallySession.h"
#include "analytics/TallyUtil.h"
#include "foundation/AtomicFile.h"
#include "foundation/Format.h"
#include "foundation/GuardedFileRead.h"
#include "foundation/KeyedArchive.h"
#include "foundation/Log.h"
#include "foundation/Paths.h"

namespace mw {

namespace {

struct StoreState {
    std::mutex lock; // the key and the limit
    std::mutex recordsLock; // every read-change-write of the stored records, and the waiting ones
    std::string key;
    int maxSessions = TallySessionStore::kDefaultMaxSessions;
    std::vector<TallyProtocolData::Bytes> waiting; // records the unreadable file could not take yet
    // Current-session files that could be neither read nor moved aside: the
    // session they hold was never taken, so they are not written over or
    // deleted until a later read takes them or moves them. Under `lock`.
    std::set<std::string> heldCurrentFiles;
};

StoreState& state()
{
    static StoreState* const shared = new StoreState();
    return *shared;
}

bool exists(const std::string& path)
{
    struct stat info { };
    return ::stat(path.c_str(), &info) == 0;
}

// The older dot-less name when a file of that name exists, else the hidden one.
std::string chosenPath(const std::string& hidden, const std::string& old)
{
    return exists(old) ? old : hidden;
}

std::string named(const char* pattern, bool withVersion)
{
    const int32_t hash = TallySessionStore::keyHash(TallySessionStore::applicationKey());
    const std::string directory = TallySessionStore::filePathDirectory();
    if (withVersion) return format(pattern, directory, hash, TallySessionStore::kAgentVersion);
    return format(pattern, directory, hash);
}

void markSkipBackup(const std::string& path) { (void)TallyUtil::addSkipBackupAttributeToItemAtPath(path); }

// Queued reports and session state: a file far larger is none of ours.
constexpr size_t kLargestFile = size_t(16) << 20;

// Reads a file through the guarded read, naming it in the log.
GuardedRead readStoreFile(const std::string& path, const GuardedDecode& decode)
{
    return readGuardedFile(path, "TallyAnalytics: " + path, kLargestFile, decode);
}

bool writeRootValue(const std::string& path, const ArchiveItem& root)
{
    KeyedArchiver archiver;
    archiver.encodeItem("root", root);
    std::string error;
    const std::vector<uint8_t> bytes = archiver.encodedData(&error);
    if (bytes.empty() || !AtomicFile::write(path, bytes.data(), bytes.size(), &error)) {
        logLine("TallyAnalytics: cannot write %s (%s)", path.c_str(), error.c_str());
        return false;
    }
    markSkipBackup(path);
    return true;
}

// The stored records; nothing when the file cannot be read now. Call under the records lock.
std::optional<std::vector<TallyProtocolData::Bytes>> readSavedSessionsLocked()
{
    const std::string path = TallySessionStore::sessionsFilePath();
    std::optional<std::vector<TallyProtocolData::Bytes>> records;
    switch (readStoreFile(path, [&](const std::vector<uint8_t>& bytes, std::string* error) {
        records = TallySessionStore::parseSavedSessions(bytes, error);
        return records.has_value();
    })) {
    case GuardedRead::Unreadable:
        return std::nullopt;
    case GuardedRead::Read:
        return records;
    case GuardedRead::NoFile:
    case GuardedRead::MovedAside:
        break;
    }
    return std::vector<TallyProtocolData::Bytes>();
}

bool writeSavedSessionsLocked(const std::vector<TallyProtocolData::Bytes>& records)
{
    Value::Array list;
    list.reserve(records.size());
    for (const TallyProtocolData::Bytes& record : records) list.emplace_back(record);
    return writeRootValue(TallySessionStore::sessionsFilePath(), ArchiveItem(Value(std::move(list))));
}

void trimLocked(std::vector<TallyProtocolData::Bytes>& records, int maxSessions)
{
    const size_t limit = static_cast<size_t>(std::max(maxSessions, 0));
    if (records.size() <= limit) return;
    const size_t surplus = records.size() - limit;
    TallyUtil::debugLog(format("TallyAnalytics: Max sessions allowed[%d] exceeded", maxSessions));
    TallyUtil::debugLog(format("TallyAnalytics: Removing [%d] sessions from saved sessions", int(surplus)));
    records.erase(records.begin(), records.begin() + long(surplus));
}

} // namespace

std::optional<std::vector<TallySessionStore::Bytes>>
TallySessionStore::parseSavedSessions(const std::vector<uint8_t>& bytes, std::string* reason)
{
    KeyedUnarchiver unarchiver(bytes);
    const Value root = unarchiver.decodeValue("root");
    if (!unarchiver.ok() || !root.isArray()) {
        if (reason) *reason = unarchiver.ok() ? "no list of records" : unarchiver.error();
        return std::nullopt;
    }
    std::vector<Bytes> records;
    for (const Value& record : root.asArray()) {
        // Only byte blocks are records; anything else cannot be sent.
        if (record.isData()) records.push_back(record.asData());
    }
    return records;
}

std::optional<std::vector<TallySessionStore::AdStateCallback>>
TallySessionStore::parseAdStateCallbacks(const std::vector<uint8_t>& bytes)
{
    KeyedUnarchiver unarchiver(bytes);
    const Value root = unarchiver.decodeValue("root");
    if (!unarchiver.ok() || !root.isArray()) return std::nullopt;
    std::vector<AdStateCallback> callbacks;
    for (const Value& entry : root.asArray()) {
        // An entry without an address cannot be called again.
        if (!entry.isDict() || !entry["url"].isString()) continue;
        const Value& attempts = entry["attempts"];
        callbacks.push_back({ entry["url"].asString(), attempts.isNumber() ? attempts.asInt() : 0 });
    }
    return callbacks;
}

std::optional<std::vector<TallySessionStore::AdStateCallback>> TallySessionStore::savedAdStateCallbacks()
{
    std::optional<std::vector<AdStateCallback>> callbacks;
    switch (readStoreFile(adStateCallbacksFilePath(), [&](const std::vector<uint8_t>& bytes, std::string* error) {
        callbacks = parseAdStateCallbacks(bytes);
        if (!callbacks) *error = "no list of callbacks";
        return callbacks.has_value();
    })) {
    case GuardedRead::Unreadable:
        return std::nullopt;
    case GuardedRead::Read:
        return callbacks;
    case GuardedRead::NoFile:
    case GuardedRead::MovedAside:
        break;
    }
    return std::vector<AdStateCallback>();
}

bool TallySessionStore::setSavedAdStateCallbacks(const std::vector<AdStateCallback>& callbacks)
{
    Value::Array list;
    list.reserve(callbacks.size());
    for (const AdStateCallback& callback : callbacks) {
        list.push_back(Value::dictionary(
            { { "url", Value(callback.url) }, { "attempts", Value(int64_t(callback.attempts)) } }));
    }
    return writeRootValue(adStateCallbacksFilePath(), ArchiveItem(Value(std::move(list))));
}

void TallySessionStore::setApplicationKey(const std::string& key)
{
    std::lock_guard<std::mutex> guard(state().lock);
    state().key = key;
}

std::string TallySessionStore::applicationKey()
{
    std::lock_guard<std::mutex> guard(state().lock);
    return state().key;
}

int32_t TallySessionStore::keyHash(const std::string& key)
{
    uint32_t hash = 0x811C9DC5u;
    for (unsigned char byte : key) {
        hash ^= byte;
        hash *= 0x01000193u;
    }
    return static_cast<int32_t>(hash);
}

std::string TallySessionStore::filePathDirectory()
{
    return TallyUtil::getSystemVersionAsAnInteger() > 50000 ? Paths::documentsDirectory()
                                                            : Paths::cachesDirectory();
}

std::string TallySessionStore::sessionsFilePath()
{
    return chosenPath(named("%@/.tallyStored%d_%@.archive", true), oldSessionsFilePath());
}
std::string TallySessionStore::currentSessionFilePath()
{
    return chosenPath(named("%@/.tallyCurrent%d_%@.archive", true), oldCurrentSessionFilePath());
}
std::string TallySessionStore::sessionSentFilePath()
{
    return chosenPath(named("%@/.tallySent%d_%@.archive", true), oldSessionSentFilePath());
}
std::string TallySessionStore::initialTimestampFilePath()
{
    return chosenPath(named("%@/.initialTimestamp%d.archive", false), oldInitialTimestampFilePath());
}
std::string TallySessionStore::adStateCallbacksFilePath()
{
    return chosenPath(named("%@/.tallyAdStateCallbacks%d_%@.archive", true), oldAdStateCallbacksFilePath());
}
std::string TallySessionStore::oldAdStateCallbacksFilePath()
{
    return named("%@/tallyAdStateCallbacks%d_%@.archive", true);
}
std::string TallySessionStore::oldSessionsFilePath() { return named("%@/tallyStored%d_%@.archive", true); }
std::string TallySessionStore::oldCurrentSessionFilePath()
{
    return named("%@/tallyCurrent%d_%@.archive", true);
}
std::string TallySessionStore::oldSessionSentFilePath() { return named("%@/tallySent%d_%@.archive", true); }
std::string TallySessionStore::oldInitialTimestampFilePath()
{
    return named("%@/initialTimestamp%d.archive", false);
}

std::optional<std::vector<TallySessionStore::Bytes>> TallySessionStore::savedSessions()
{
    std::lock_guard<std::mutex> guard(state().recordsLock);
    return readSavedSessionsLocked();
}

bool TallySessionStore::setSavedSessions(const std::vector<Bytes>& records)
{
    std::lock_guard<std::mutex> guard(state().recordsLock);
    // Replacing the list must not lose a file that could not be read: it may
    // hold records never sent.
    if (!readSavedSessionsLocked()) return false;
    return writeSavedSessionsLocked(records);
}

void TallySessionStore::addToSavedSessions(Bytes record)
{
    const int limit = maxSessions();
    StoreState& shared = state();
    std::lock_guard<std::mutex> guard(shared.recordsLock);
    shared.waiting.push_back(std::move(record));
    std::optional<std::vector<Bytes>> records = readSavedSessionsLocked();
    if (!records) return;
    for (Bytes& waiting : shared.waiting) records->push_back(std::move(waiting));
    shared.waiting.clear();
    trimLocked(*records, limit);
    (void)writeSavedSessionsLocked(*records);
}

bool TallySessionStore::removeSentSessions(const std::vector<Bytes>& sent)
{
    std::lock_guard<std::mutex> guard(state().recordsLock);
    std::optional<std::vector<Bytes>> records = readSavedSessionsLocked();
    if (!records) return false;
    // Records are only ever appended and trimmed from the front, so the sent
    // ones still stored are found in order.
    std::vector<Bytes> kept;
    size_t next = 0;
    for (Bytes& record : *records) {
        const auto found = std::find(sent.begin() + long(next), sent.end(), record);
        if (found == sent.end()) {
            kept.push_back(std::move(record));
        } else {
            next = size_t(found - sent.begin()) + 1;
        }
    }
    return writeSavedSessionsLocked(kept);
}

void TallySessionStore::removeOldSessionsIfNecessary(std::vector<Bytes>& records)
{
    trimLocked(records, maxSessions());
}

void TallySessionStore::setMaxSessions(int maxSessions)
{
    std::lock_guard<std::mutex> guard(state().lock);
    state().maxSessions = std::max(maxSessions, 0);
}

int TallySessionStore::maxSessions()
{
    std::lock_guard<std::mutex> guard(state().lock);
    return state().maxSessions;
}

bool TallySessionStore::sentSession()
{
    const bool sent = exists(sessionSentFilePath());
    TallyUtil::debugLog(format("TallyAnalytics: application sent session[%d]", sent ? 1 : 0));
    return sent;
}

void TallySessionStore::setSentSession()
{
    if (sentSession()) return;
    const std::string path = sessionSentFilePath();
    std::string error;
    if (!AtomicFile::write(path, "", 0, &error)) {
        logLine("TallyAnalytics: cannot write %s (%s)", path.c_str(), error.c_str());
        return;
    }
    markSkipBackup(path);
}

double TallySessionStore::initialTimestamp(double now)
{
    const std::string path = initialTimestampFilePath();
    TallyDate saved;
    const GuardedRead read = readStoreFile(path, [&](const std::vector<uint8_t>& bytes, std::string* error) {
        KeyedUnarchiver unarchiver(bytes);
        saved = dateFromArchiveValue(unarchiver.decodeValue("root"));
        if (!saved) *error = "no date";
        return bool(saved);
    });
    if (read == GuardedRead::Read) {
        TallyUtil::debugLog("TallyAnalytics: Initial timestamp[" + format("%.3f", *saved) + "] from saved source");
        return *saved;
    }
    // A file that is there and cannot be read (or moved aside) keeps the
    // first-use date: the present one stands in for this run only.
    if (read == GuardedRead::Unreadable) return now;
    if (writeRootValue(path, ArchiveItem(archiveDateValue(now)))) {
        TallyUtil::debugLog("TallyAnalytics: Initial timestamp[" + format("%.3f", now) +
                            "] created and saved");
    }
    return now;
}

Ref<TallySession> TallySessionStore::readCurrentSession()
{
    const std::string path = currentSessionFilePath();
    Ref<TallySession> session;
    GuardedReadResult read =
        readGuardedFileQuietly(path, kLargestFile, [&](const std::vector<uint8_t>& bytes, std::string* error) {
            // Also an archive of a later version: kept rather than lost.
            session = dynamicRef<TallySession>(unarchiveObjectWithData(bytes, error));
            if (!session && error->empty()) *error = "no session";
            return bool(session);
        });
    if (read.outcome == GuardedRead::Unreadable && !read.decoded) {
        // The new session is about to be written here: keep the old file
        // out of its way, if it can be moved at all.
        std::string error;
        read.movedTo = AtomicFile::moveAside(path, &error);
        if (read.movedTo.empty()) {
            read.reason += "; cannot move it aside: " + error;
        } else {
            read.outcome = GuardedRead::MovedAside;
        }
    }
    if (read.outcome == GuardedRead::MovedAside) {
        logLine("TallyAnalytics: %s cannot be read (%s); moved aside to %s", path.c_str(), read.reason.c_str(),
                read.movedTo.c_str());
    } else if (read.outcome == GuardedRead::Unreadable) {
        logLine("TallyAnalytics: %s cannot be read (%s); it is kept as it is, and the current session is not "
                "kept on disk this run",
                path.c_str(), read.reason.c_str());
    }
    std::lock_guard<std::mutex> guard(state().lock);
    if (read.outcome == GuardedRead::Unreadable) {
        state().heldCurrentFiles.insert(path);
    } else {
        state().heldCurrentFiles.erase(path);
    }
    return read.outcome == GuardedRead::Read ? session : nullptr;
}

namespace {

// True (logged) when the current-session file holds a session never read.
bool currentFileHeld(const std::string& path, const char* change)
{
    std::lock_guard<std::mutex> guard(state().lock);
    if (!state().heldCurrentFiles.count(path)) return false;
    logLine("TallyAnalytics: %s is not %s: it holds a session that could not be read", path.c_str(), change);
    return true;
}

} // namespace

bool TallySessionStore::writeCurrentSession(const TallySession& session)
{
    const std::string path = currentSessionFilePath();
    if (currentFileHeld(path, "written")) return false;
    std::string error;
    if (!archiveRootObjectToFile(&session, path, &error)) {
        logLine("TallyAnalytics: cannot write %s (%s)", path.c_str(), error.c_str());
        return false;
    }
    markSkipBackup(path);
    return true;
}

void TallySessionStore::deleteCurrentSession()
{
    const std::string path = currentSessionFilePath();
    if (currentFileHeld(path, "deleted")) return;
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
        logLine("TallyAnalytics: cannot delete %s (%s)", path.c_str(), std::strerror(errno));
    }
}

void TallySessionStore::resetForTesting()
{
    {
        std::lock_guard<std::mutex> guard(state().lock);
        state().key.clear();
        state().maxSessions = kDefaultMaxSessions;
        state().heldCurrentFiles.clear();
    }
    std::lock_guard<std::mutex> guard(state().recordsLock);
    state().waiting.clear();
}

} // namespace mw
