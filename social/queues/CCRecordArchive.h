#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "foundation/Ref.h"
#include "foundation/Value.h"
#include "social/queues/records/CCAbstractServerData.h"
#include "foundation/GuardedFileRead.h"

namespace mw {

// The files of the fetch and post queues: a keyed archive whose root is an
// array of server data records. Writing is split so that a background
// thread never touches a live record: snapshot() runs on the main thread
// and gives a plain value that shares nothing with the records; write()
// turns it into the file from any thread.
namespace RecordArchive {

// What the file of some records is written from: frozen copies of the
// records (their fields, sharing no mutable state with the live records;
// copied values share storage copy-on-write). Taking it is cheap; the
// envelopes are written from it later, on any thread.
struct Snapshot {
    struct Entry {
        std::string className; // the live record's
        Ref<CCAbstractServerData> copy;
        std::optional<Value::Bytes> image; // decoded picture bytes, kept as received
    };
    std::vector<Entry> entries;
    std::string label;
};

// Main thread: the live records are read here and nowhere else.
Snapshot snapshot(const std::vector<Ref<CCAbstractServerData>>& records, const char* label);

// Writes a snapshot atomically (temporary file, flush, rename). A record
// whose envelope the JSON writer refuses is left out, with a log line, so
// that one record never stops the others being kept. Any thread.
[[nodiscard]] bool write(const Snapshot& snapshot, const std::string& path, std::string* error = nullptr);

// The bytes of a file holding the records (tests, the fuzz target and the
// benchmark use them as the managers do).
[[nodiscard]] std::vector<uint8_t> encode(const std::vector<Ref<CCAbstractServerData>>& records);

// Reads the records of a file's bytes: false (with the reason) when the
// bytes are no archive or the root is no array; entries that are no
// records are dropped, each with a log line naming `label`.
[[nodiscard]] bool decode(const uint8_t* data, size_t size, std::vector<Ref<CCAbstractServerData>>& records,
                          const char* label, std::string* error = nullptr);

// What reading a manager's file found.
using ReadOutcome = GuardedRead;

// Reads the file at path as decode() does. A file that is no archive of
// records is moved aside under a dated name and reported, so that nothing
// writes over what may still be rescued. Main thread.
ReadOutcome readFile(const std::string& path, std::vector<Ref<CCAbstractServerData>>& records, const char* label,
                     std::string* movedTo = nullptr);

} // namespace RecordArchive

// Writes one queue file, at once or on a background thread: one write at a
// time, and a write of an older snapshot (a lower generation) never
// replaces a newer file. The background thread gets only the snapshot.
class RecordFileWriter {
public:
    RecordFileWriter();
    // Completions of background writes still running are dropped.
    ~RecordFileWriter();
    RecordFileWriter(const RecordFileWriter&) = delete;
    RecordFileWriter& operator=(const RecordFileWriter&) = delete;

    // Writes now on the calling thread (waiting for a background write).
    bool writeNow(const RecordArchive::Snapshot& snapshot, uint64_t generation, const std::string& path);
    // Writes on a new thread; `done` (generation, success) runs later on
    // the main run loop unless this writer is gone by then.
    void writeInBackground(RecordArchive::Snapshot snapshot, uint64_t generation, std::string path,
                           std::function<void(uint64_t, bool)> done);
    // Files written so far (counted as each write completes).
    size_t writeCount() const;
    // Called on the writing thread just before each file write (tests).
    static void setWriteHook(std::function<void()> hook);

private:
    struct State;
    std::shared_ptr<State> state_;
};

} // namespace mw
