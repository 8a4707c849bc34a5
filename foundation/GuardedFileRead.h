#pragma once

// Reading a file the player's data lives in, so that nothing is lost when it
// is unreadable. Every file kind that keeps data between runs (the settings,
// the save's neighbours, the platform stand-ins, the analytics stores, the
// social data store and queues) reads through here, so that they all agree
// on one rule: what was not read is never written over.

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

// What became of one guarded read, for a caller that logs it itself.
struct GuardedReadResult {
    GuardedRead outcome = GuardedRead::NoFile;
    // Why the file was not taken (empty on NoFile and Read): the read's
    // failure, or the decoder's reason, with the failed move's when it failed.
    std::string reason;
    std::string movedTo; // on MovedAside, where the file went
    bool decoded = false; // the bytes were read and handed to the decoder (Read, MovedAside, or a failed move)
};

// Reads the file at `path` (refused as Unreadable when it holds more than
// `limit` bytes, or is no regular file) and hands its bytes to `decode`.
// Only a path that is not there at all counts as NoFile: one that cannot even
// be looked at (a folder without search right) is Unreadable. Logs nothing.
// On any outcome but Read the caller starts empty, whatever `decode` left
// behind, and on Unreadable it writes nothing over `path`.
GuardedReadResult readGuardedFileQuietly(const std::string& path, size_t limit, const GuardedDecode& decode);

// The same, with every outcome but NoFile and Read logged, naming the file as
// `logName` (the caller's log prefix and the file's name). On MovedAside,
// `movedTo` (when given) names where the file went; it is cleared otherwise.
GuardedRead readGuardedFile(const std::string& path, const std::string& logName, size_t limit,
                            const GuardedDecode& decode, std::string* movedTo = nullptr);

} // namespace mw
