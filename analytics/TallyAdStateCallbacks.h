#pragma once

#include <string>
#include <vector>

#include "analytics/TallySessionStore.h"

namespace mw {

// Web addresses to be called once when an ad's state completes, with
// retries: a failed call is kept (in memory, and in its file where the
// caller asks) and made again by a later start upload, at most 5 per run,
// until it succeeds or has failed 5 times in all; the list keeps the newest
// 100. Nothing in the game starts a callback. Any thread.
class TallyAdStateCallbacks {
public:
    using Entry = TallySessionStore::AdStateCallback;
    static constexpr int kMaxAttempts = 5;
    static constexpr size_t kMaxCallbacks = 100;
    static constexpr size_t kRetriesPerRun = 5;

    // Calls the address on a thread of its own.
    static void asyncNotifyAdStateCompleted(const std::string& url);
    // One attempt; the file is written when the list was not loaded yet.
    static void sendAdStateCompleted(const Entry& entry);
    // One attempt. A failed call is kept with its count raised, or dropped
    // after the fifth; `saveData` writes the list to its file.
    static void sendAdStateCompleted(const Entry& entry, bool saveData);
    // Makes the oldest (at most 5) waiting callbacks again and writes the list.
    static void sendSavedAdStateCallbacks();

    // The waiting callbacks, loaded from their file on first use.
    static std::vector<Entry> savedAdStateCallbacks();
    // Writes the list to the file (not while the file could not be read:
    // its callbacks would be lost).
    static void setSavedAdStateCallbacks(const std::vector<Entry>& callbacks);
    // Appends and trims to the newest 100; not written here.
    static void addToSavedAdStateCallbacks(const Entry& entry);
    static void removeOldAdStateCallbacksIfNecessary(std::vector<Entry>& callbacks);

    // Waits for the callback threads and forgets the loaded list (tests).
    static void resetForTesting();
};

} // namespace mw
