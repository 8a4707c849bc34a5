#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "analytics/TallyProtocolData.h"
#include "foundation/Ref.h"

namespace mw {

class TallySession;

// Where the analytics sessions wait on disk: the stored session records
// (oldest first), the current session, the sent marker and the first-use
// date, in files named after a hash of the application key. Files live in
// the documents folder on system versions after 5.0 (marked as excluded from
// backups) and in the caches folder before; an older file without the
// leading dot is used in place of the hidden one when it exists.
//
// A file whose content does not parse is moved aside and logged, never
// deleted; one that cannot be read for another reason, or cannot be moved
// aside, is left alone and not written over until a read succeeds (records
// meant for it wait in memory).
// Safe from any thread.
class TallySessionStore {
public:
    using Bytes = TallyProtocolData::Bytes;
    static constexpr const char* kAgentVersion = "78";
    static constexpr int kDefaultMaxSessions = 50;

    // The key whose hash names the files; set when the active session is made.
    static void setApplicationKey(const std::string& key);
    static std::string applicationKey();
    // The 32-bit FNV-1a hash of the key's UTF-8 bytes, as a signed number.
    static int32_t keyHash(const std::string& key);

    static std::string filePathDirectory();
    static std::string sessionsFilePath();
    static std::string currentSessionFilePath();
    static std::string sessionSentFilePath();
    static std::string initialTimestampFilePath();
    static std::string oldSessionsFilePath();
    static std::string oldCurrentSessionFilePath();
    static std::string oldSessionSentFilePath();
    static std::string oldInitialTimestampFilePath();
    static std::string adStateCallbacksFilePath();
    static std::string oldAdStateCallbacksFilePath();

    // One ad-state callback waiting to be made again: the address to call
    // and the number of failed calls so far.
    struct AdStateCallback {
        std::string url;
        int attempts = 0;
        bool operator==(const AdStateCallback&) const = default;
    };
    // The waiting callbacks, oldest first; empty when there are none or the
    // file does not parse (then it is moved aside). Nothing when the file is
    // there and cannot be read, or moved aside, now.
    static std::optional<std::vector<AdStateCallback>> savedAdStateCallbacks();
    // The callbacks of a callback file's bytes; nothing when they are no such archive.
    static std::optional<std::vector<AdStateCallback>>
    parseAdStateCallbacks(const std::vector<uint8_t>& bytes);
    // Replaces the callback file; false (logged) when not written.
    static bool setSavedAdStateCallbacks(const std::vector<AdStateCallback>& callbacks);

    // The stored records, oldest first; empty when there are none. Nothing
    // when the file is there and cannot be read, or moved aside, now.
    static std::optional<std::vector<Bytes>> savedSessions();
    // The records of a stored-sessions file's bytes; nothing (with the
    // reason) when they are no such archive.
    static std::optional<std::vector<Bytes>> parseSavedSessions(const std::vector<uint8_t>& bytes,
                                                                std::string* reason = nullptr);
    // Replaces the stored records; false (logged) when not written.
    static bool setSavedSessions(const std::vector<Bytes>& records);
    // Appends one record and trims to the limit. When the file cannot be
    // read the record waits in memory and joins the next write that can be made.
    static void addToSavedSessions(Bytes record);
    // Removes, oldest first, the records of `sent` that are still stored, so
    // records added while they were being sent stay. False when not written.
    static bool removeSentSessions(const std::vector<Bytes>& sent);
    // Trims to the newest maxSessions() records.
    static void removeOldSessionsIfNecessary(std::vector<Bytes>& records);
    // The number of stored records kept (50 at start); below 0 acts as 0.
    static void setMaxSessions(int maxSessions);
    static int maxSessions();

    static bool sentSession();
    static void setSentSession();
    // The first-use date: read from its file, or `now` (the current
    // session's start) written there once.
    static double initialTimestamp(double now);

    // The session in the current-session file; null when there is none. A
    // file that cannot be read or decoded (also one of a later archive
    // version) is moved aside and logged, never deleted, so the new session
    // written next does not replace it. One that cannot be moved aside either
    // stays as it is: this run then neither writes nor deletes that file.
    static Ref<TallySession> readCurrentSession();
    static bool writeCurrentSession(const TallySession& session);
    static void deleteCurrentSession();

    // Forgets the key, the limit and the records waiting in memory (tests).
    static void resetForTesting();
};

} // namespace mw
