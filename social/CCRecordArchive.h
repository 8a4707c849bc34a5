#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "foundation/Ref.h"
#include "foundation/Value.h"
#include "social/records/CCAbstractServerData.h"

namespace mw {

// The files of the fetch and post queues: a keyed archive whose root is an
// array of server data records. Writing is split so that a background
// thread never touches a live record: snapshot() runs on the main thread
// and gives a plain value that shares nothing with the records; write()
// turns it into the file from any thread.
namespace RecordArchive {

// The archive of the records as a plain value. A record whose envelope the
// JSON writer refuses is left out, with a log line naming `label`, so that
// one record never stops the others being kept. Main thread.
Value snapshot(const std::vector<Ref<CCAbstractServerData>>& records, const char* label);

// Writes a snapshot atomically (temporary file, flush, rename). Any thread.
[[nodiscard]] bool write(const Value& snapshot, const std::string& path, std::string* error = nullptr);

// The bytes of a file holding the records (tests, the fuzz target and the
// benchmark use them as the managers do).
[[nodiscard]] std::vector<uint8_t> encode(const std::vector<Ref<CCAbstractServerData>>& records);

// Reads the records of a file's bytes: false (with the reason) when the
// bytes are no archive or the root is no array; entries that are no
// records are dropped, each with a log line naming `label`.
[[nodiscard]] bool decode(const uint8_t* data, size_t size, std::vector<Ref<CCAbstractServerData>>& records,
                          const char* label, std::string* error = nullptr);

// What reading a manager's file found.
enum class ReadOutcome {
    NoFile,     // nothing there: start empty
    Read,       // the records were read
    MovedAside, // the file was no queue: moved aside (movedTo), start empty
    Unreadable, // the file could not be read (I/O): left alone; never write over it this run
};

// Reads the file at path as decode() does. A file that is no archive of
// records is moved aside under a dated name and reported, so that nothing
// writes over what may still be rescued. Main thread.
ReadOutcome readFile(const std::string& path, std::vector<Ref<CCAbstractServerData>>& records, const char* label,
                     std::string* movedTo = nullptr);

} // namespace RecordArchive

} // namespace mw
