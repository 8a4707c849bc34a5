#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "foundation/KeyedArchive.h"
#include "foundation/Value.h"

namespace mw {

// The entries of one save, in the order they are written, taken on the main
// thread. Plain entries are property-list values; archive entries hold a
// keyed archive's value tree, turned into bytes only when the save is
// written. Nothing in it refers to the live state, so a background thread
// may write it while the game goes on.
class SaveSnapshot {
public:
    // Adds or replaces an entry (a replaced one keeps its place).
    void setValue(const std::string& key, Value value);
    // Adds the archive's content under `key`; false (logged) when the
    // archiver failed, and nothing is added.
    bool setArchive(const std::string& key, const KeyedArchiver& archiver);

    // The save dictionary with every archive as data, or null (with the
    // reason) when an archive cannot be written.
    [[nodiscard]] Value toDictionary(std::string* error = nullptr) const;

private:
    struct Entry {
        std::string key;
        Value value;
        bool archive = false;
    };
    std::vector<Entry> entries_;
};

// An owner of state that rides in the player's save beside the profile (the
// global object, the definitions manager). Called on the main thread.
class SaveParticipant {
public:
    virtual ~SaveParticipant() = default;
    // Adds the owner's entries to the save being taken.
    virtual void SaveTo(SaveSnapshot& save) = 0;
    // Takes the owner's entries from a save that has been read and checked;
    // with null (a new game) only what the owner keeps outside the file.
    virtual void LoadFrom(const Value* save) = 0;
    // Asked before anything of a save is taken: false (with the reason) when
    // the owner's entries are there but cannot be taken, so the save is
    // refused whole rather than half taken and then written over.
    virtual bool CanLoadFrom(const Value& save, std::string& reason) const
    {
        (void)save;
        (void)reason;
        return true;
    }
};

// The file form of a save and its one writer.
//
// The file ("supersave.plist" in the documents folder) is an XML property
// list holding the save dictionary, followed by one comment line that
// carries the length and CRC-32 of everything before it. A file whose line
// is missing or does not match was cut short or damaged: it is refused as a
// whole, so a load never takes half a game.
//
// Writes go through AtomicFile (temporary file, fsync, rename, fsync of the
// folder): a killed writer or a full disk leaves the previous file whole.
// Only one write runs at a time; writeInBackground hands the write of a
// snapshot to a thread of its own and returns at once. Snapshots land in
// the order they were handed over: one that comes to be written after a
// newer one has been is dropped, as the file already holds a later state.
//
// Every write, move and delete of the file goes through this class.
class SaveFile {
public:
    // `activeFlag`, when given, is kept true while a write runs (the
    // profile's SaveActive); it must outlive the saver.
    explicit SaveFile(std::atomic<bool>* activeFlag = nullptr) : activeFlag_(activeFlag) {}
    // Waits for a background write still running.
    ~SaveFile();
    SaveFile(const SaveFile&) = delete;
    SaveFile& operator=(const SaveFile&) = delete;

    // The path of the player's save in the documents folder.
    static std::string path();
    // True only when there is no file at the save's path; one that cannot
    // be looked at (a permission, a loop of links) counts as there. Never
    // throws.
    static bool isMissing();
    // At start-up, before any saver reads: moves a save left in the caches
    // folder to the save's path, unless a file is there already (then both
    // stay). True when there was nothing to move or it was moved; false with
    // the reason otherwise (the caller logs it).
    static bool adoptCopyFromCaches(std::string* error = nullptr);

    // Encodes a save dictionary into the file's bytes (the property list and
    // its check line), and back. decode answers null (with the reason) for
    // anything that is not a whole, undamaged save dictionary.
    [[nodiscard]] static std::string encode(const Value& dictionary, std::string* error = nullptr);
    [[nodiscard]] static std::optional<Value> decode(const uint8_t* data, size_t size,
                                                     std::string* error = nullptr);

    // Writes the snapshot now, on the calling thread, after any write still
    // running. False when it could not be written; the file on disk is then
    // the previous one. The first failure after a good write is logged with
    // its reason, the others only come back in `error`; the next good write
    // says that saving works again.
    [[nodiscard]] bool write(const SaveSnapshot& snapshot, std::string* error = nullptr);
    // Starts writing the snapshot on a thread of its own; `done` runs on that
    // thread afterwards with the result. While a write runs, the snapshot is
    // written right after it instead (a newer request replaces one still
    // waiting), so no asked-for save is lost. Always true.
    bool writeInBackground(SaveSnapshot snapshot, std::function<void(bool)> done);
    // True while a write of this saver runs.
    bool busy() const { return activeWrites_.load() > 0; }
    // Returns once no write is running.
    void waitUntilIdle();

    // What a read found at the save's path.
    enum class Found {
        Nothing,        // no file: a new player
        Save,           // a whole save, now known to this saver
        Unreadable,     // a file that could not be read; left where it is
        Damaged,        // a file that is no whole save; moved aside
        DamagedInPlace, // a file that is no whole save and could not be moved; left where it is
    };

    // Reads the file. A missing file or one that cannot be read answers null
    // and stays where it is; a damaged one is moved aside (see
    // AtomicFile::moveAside). Each refusal is logged with its reason, which
    // also comes back in `error`; `found` (when given) says which it was.
    //
    // No write replaces a file at the save's path that this saver has not
    // read whole or written itself (one it could not read, one it never
    // read, one put there by someone else): such a write fails and the file
    // stays as it is, until keepUnreadAside() has kept it.
    [[nodiscard]] std::optional<Value> read(std::string* error = nullptr, Found* found = nullptr);

    // After a read: the save it gave holds no game that can be taken (`why`
    // says what is wrong). Moves it aside as a damaged file (Found::Damaged);
    // when it cannot be moved, or is no longer the file read, it stays where
    // it is and counts as unread again, so no write replaces it
    // (Found::DamagedInPlace). Logged either way.
    Found setAsideAfterRead(const std::string& why);

    // Before a new game is saved beside a save this saver has not read
    // (never read, or unreadable): keeps that file under
    // "supersave.plist.unread-<UTC time>" (".unreadable-" when its read
    // failed; never replacing an earlier kept copy, see
    // AtomicFile::keepAside), so that the new game's save may take the
    // name. A file already kept under such a name (an earlier new game that
    // ended before its first save) keeps that one name. Returns the kept
    // name (logged), an empty string when there was nothing to keep, or null
    // (logged, the reason in `error`) when it could not be kept: the file
    // then stays refused to writes.
    [[nodiscard]] std::optional<std::string> keepUnreadAside(std::string* error = nullptr);

    // Deletes the save (a game reset), after any write still running. A
    // file at the path that this saver has not read whole or written is
    // kept aside first (as keepUnreadAside does): the reset is for the game
    // that was played. True when no file is left at the path; false (with
    // the reason) otherwise.
    [[nodiscard]] bool remove(std::string* error = nullptr);

    // Tests: runs inside every write before the file is replaced, on the
    // writing thread.
    void setWriteHookForTesting(std::function<void()> hook) { writeHook_ = std::move(hook); }

private:
    bool writeNow(const SaveSnapshot& snapshot, uint64_t order, std::string* error);
    // keepUnreadAside with writeLock_ held.
    std::optional<std::string> keepUnreadAsideLocked(std::string* error);
    // Logs a file at the path that is not taken, moved to `aside` (empty:
    // left in place, `why` then says why it could not be moved), and
    // forgets it; one left in place stays refused to writes. With
    // writeLock_ held.
    void noteNotTaken(const std::string& why, const std::string& aside);
    // Whether a write may replace what is at the path now (with writeLock_ held).
    bool mayReplace(std::string& reason) const;
    // Notes the file now at the path as one this saver read or wrote (with writeLock_ held).
    void knowCurrentFile();
    uint64_t beginWrite(); // the order of the snapshot it writes
    void endWrite();
    void endWriteLocked(); // with stateLock_ held
    void startDraining();  // with stateLock_ held and a write counted for the thread

    struct PendingWrite {
        SaveSnapshot snapshot;
        uint64_t order = 0;
        std::function<void(bool)> done;
    };

    std::mutex writeLock_; // held for the whole of a write: one writer
    std::mutex stateLock_;
    std::condition_variable idle_;
    std::atomic<int> activeWrites_{0};
    std::atomic<bool>* activeFlag_ = nullptr;
    // The file this saver last read whole or wrote (device and inode), or
    // none; and whether the last read failed. With writeLock_ held.
    struct FileIdentity {
        uint64_t device = 0;
        uint64_t inode = 0;
        bool operator==(const FileIdentity&) const = default;
    };
    std::optional<FileIdentity> known_;
    bool unreadable_ = false;
    // The last write failed: later failures are not logged again until a
    // write succeeds (a full disk fails every save point). With writeLock_ held.
    bool failing_ = false;
    std::thread background_;
    std::unique_ptr<PendingWrite> pending_; // the write that follows the running one
    uint64_t handedOver_ = 0; // snapshots handed to a write so far (with stateLock_ held)
    uint64_t newestWritten_ = 0; // the order of the newest snapshot on disk (with writeLock_ held)
    std::function<void()> writeHook_;
};

} // namespace mw
