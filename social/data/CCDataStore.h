#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/KeyedArchive.h"
#include "foundation/Object.h"
#include "foundation/Ref.h"
#include "foundation/Value.h"

namespace mw {

// The social client's small persistent memory: one dictionary, saved whole
// as a keyed archive in the documents folder under "DataStore". It holds the
// player's identity towards the service (the "userid" CCUniqueId), first-run
// and install facts, the usage and impression logs not yet sent, text
// replacements, identity overrides and the bookkeeping of other classes,
// each under its own key. Any class may read or write any key; the typed
// operations cover the keys this class manages.
//
// The file is never lost or torn: every write is atomic (AtomicFile), and a
// file that does not read back as a store's archive is moved aside under a
// dated name and reported, so the store starts empty and the old file stays
// for recovery. A file that cannot be read for another reason (permission,
// I/O) is left in place and nothing writes over it while this store lives.
//
// Main thread only: work elsewhere hands its change to the main loop. A call
// from another thread is reported in the log.
class CCDataStore : public Object {
public:
    // The shared store, read from its file when first made.
    static CCDataStore* sharedInstance();
    // Writes the file, then drops the shared store (the next use reads it again).
    static void releaseSharedInstance();
    // Drops the shared store without writing; its queued writes are dropped
    // too (tests, whose data folder may be gone by then).
    static void purgeSharedInstance();

    // Reads the file at saveFilePath().
    CCDataStore();

    // ---- the dictionary ----

    // The plain value under key; null when absent or when it holds an object.
    const Value& valueForKey(std::string_view key) const;
    // The archived object under key (a CCUniqueId ...); null when absent or plain.
    Ref<Object> objectForKey(std::string_view key) const;
    template <typename T>
    Ref<T> objectForKeyAs(std::string_view key) const { return dynamicRef<T>(objectForKey(key)); }
    bool containsKey(std::string_view key) const;
    // Stores a plain value; a null value removes the key. Memory only.
    void setValue(const std::string& key, Value value);
    // Stores an archivable object; null removes the key. Memory only.
    void setObject(const std::string& key, const Ref<Object>& object);
    void removeKey(std::string_view key);
    // Empties the dictionary (memory only).
    void removeAllKeys();
    // The keys, in the order they were first stored.
    std::vector<std::string> keys() const;
    size_t count() const { return order_.size(); }

    // ---- the file ----

    // Documents folder + "DataStore".
    static std::string saveFilePath();
    // Replaces the dictionary with the file's (see the class comment for
    // what happens to a file that cannot be read).
    void readFromFile();
    // Writes the whole dictionary atomically. False when the write failed or
    // when an unreadable file is being protected; the file is then unchanged.
    bool writeToFile();
    // Queues writeToFile on the main loop (a later turn, never inside the
    // call); several asked for before that turn are one write, of everything
    // stored by then.
    void writeToFileLater();
    // Writes done so far (tests check each operation's write moment).
    size_t writeCount() const { return writeCount_; }
    // Where an unreadable file was moved in this store's read; empty when none.
    const std::string& movedAsidePath() const { return movedAsidePath_; }

    // The archive text of a dictionary (empty, with the reason, when it
    // cannot be encoded) and back from its bytes. decodeArchive answers
    // nullopt (with the reason) for bytes that are no store archive; the
    // fuzz target and the benchmark use them as the store does.
    struct Entry {
        Value value;        // a plain value, or null when object holds the entry
        ArchiveItem object; // an entry holding archived objects
    };
    using Entries = std::map<std::string, Entry, std::less<>>;
    [[nodiscard]] static std::string encodeArchive(const Entries& entries, const std::vector<std::string>& order,
                                                   std::string* error = nullptr);
    [[nodiscard]] static bool decodeArchive(const uint8_t* data, size_t size, Entries& entries,
                                            std::vector<std::string>& order, std::string* error = nullptr);

    // ---- typed keys ----

    // "uireplacement": token -> text.
    void setTextForToken(const std::string& text, const std::string& token); // writes
    std::optional<std::string> textForToken(const std::string& token) const;
    void removeTextForToken(const std::string& token); // memory only
    void resetAllTokens();                             // memory only

    // "imageactivate": the tokens whose images are switched on; nullopt removes (writes).
    void setImageActivationList(const std::optional<std::vector<std::string>>& tokens);
    bool isImageActivationSetForToken(const std::string& token) const;

    // Identity overrides; nullopt removes; each set writes.
    std::optional<std::string> spoofUdid() const;
    void setSpoofUdid(const std::optional<std::string>& value);
    std::optional<std::string> spoofUUID() const;
    void setSpoofUUID(const std::optional<std::string>& value);
    std::optional<std::string> spoofUserId() const;
    void setSpoofUserId(const std::optional<std::string>& value);

    // "udidenabled", "uuidenabled": absent = enabled, "no" = disabled. The
    // setters log and change memory only.
    bool UDIDEnabled() const;
    bool UUIDEnabled() const;
    void setUDIDEnabled(bool enabled);
    void setUUIDEnabled(bool enabled);

    // "sessioncountsinceappinstall": adds one (first value 1) and writes.
    void setAppSessionCount();
    int appSessionCountSinceInstall() const;

    // "appinstalldate": stored (and written) only when no date is there;
    // whole minutes since it, 0 without one.
    void setAppInstallDate();
    int minsSinceAppInstallDate() const;

    // "useroptout" (writes) and "appinstalled" (stored once, writes).
    void setUserOptOut(bool optOut);
    bool userOptOut() const;
    void setAppInstalled();
    bool appInstalled() const;

    // "lastbannerid" (memory only) and "lastUserLevel" (null removes; writes).
    void setLastBannerId(const Value& bannerId);
    const Value& lastBannerId() const;
    void setLastUserLevel(const Value& level);
    const Value& lastUserLevel() const;

    // "analytictimeoffset" in seconds (writes); 0 when absent.
    void setAnalyticTimeOffset(double seconds);
    double analyticTimeOffset() const;
    // Wall time in seconds since 1970 plus the offset.
    double intervalSince1970WithAnalyticOffset() const;
    // The same moment as a date value.
    Value dateWithAnalyticsOffset() const;

    // ---- usage and impression logs ----

    // A 7-slot record of nulls.
    static Value nullUsageArray();
    // Slot 0 becomes the time with offset; appended to "currentusagedata";
    // written now or on a later loop turn.
    void logUsageData(Value record, bool immediately);
    void logUsageDataForUiActivatedWithType(const std::string& type); // "UI_START"
    void logUsageDataForTabActivated(const std::string& tabId);       // "TAB_ACT"

    const Value& currentUsageData() const;
    const Value& readyToGoLumoraUsageData() const;
    const Value& readyToGoImpressionData() const;
    const Value& readyToGoGameUsageData() const;
    void clearReadyToGoLumoraUsageData(); // memory only, as the two below
    void clearReadyToGoImpressionData();
    void clearReadyToGoGameUsageData();
    // YES (nothing moved) while a ready list waits; NO without a current
    // list; else moves it, writes and answers YES.
    bool moveLumoraUsageDataToReadyToGo();
    bool moveImpressionDataToReadyToGo();
    bool moveGameUsageDataToReadyToGo();
    bool moveUsageDataToReadyToGo();

    // Index of the first current impression record holding id in any slot; -1 when none.
    int impressionDataIndex(const Value& id) const;
    // description: 5 or more slots, slot 1 the impression id (null: nothing logged).
    void logImpressionData(const Value& description, const std::string& type, bool immediately);

private:
    void checkThread(const char* operation) const;
    bool moveToReadyToGo(const char* currentKey, const char* readyKey);
    void setOptionalString(const char* key, const std::optional<std::string>& value);
    std::optional<std::string> optionalString(const char* key) const;
    void storeEntry(const std::string& key, Entry entry);
    Value* mutableList(const char* key);

    Entries entries_;
    std::vector<std::string> order_;
    size_t writeCount_ = 0;
    bool protectFile_ = false; // an unreadable file is there: never write over it
    bool released_ = false;    // no longer the shared store: deferred writes are dropped
    bool laterWriteQueued_ = false; // a deferred write is on the main loop's queue
    std::string movedAsidePath_;
};

} // namespace mw
