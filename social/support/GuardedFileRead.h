#pragma once

// Reading a file the player's data lives in, so that nothing is lost when
// it is unreadable: shared by the data store and the queue files.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace mw {

enum class GuardedRead {
    NoFile,     // nothing there: start empty
    Read,       // decoded
    MovedAside, // the bytes did not decode: moved aside under a dated name; start empty
    Unreadable, // could not be read, or not moved aside: left alone; never write over it this run
};

// Decodes the bytes into the caller's state; false (with the reason) when
// they are not what the file holds.
using GuardedDecode = std::function<bool(const std::vector<uint8_t>& bytes, std::string* error)>;

// Reads the file at `path` (refused as Unreadable when it holds more than
// `limit` bytes, or is no regular file) and hands its bytes to `decode`. Every outcome
// but NoFile and Read is logged, naming the file as `logName` (the caller's
// log prefix and the file's name). On MovedAside, `movedTo` (when given)
// names where the file went; it is cleared otherwise. On any outcome but
// Read the caller starts empty, whatever `decode` left behind.
GuardedRead readGuardedFile(const std::string& path, const std::string& logName, size_t limit,
                            const GuardedDecode& decode, std::string* movedTo = nullptr);

} // namespace mw
