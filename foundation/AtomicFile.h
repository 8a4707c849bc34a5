#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace mw {

// Writing files that hold the player's or a client's data so that a crash or a
// full disk never leaves a half-written file behind.
class AtomicFile {
public:
    // How write() tells of a failure besides its answer: one log line, or
    // nothing for a caller that logs the reason itself (a saver that says
    // once that its writes keep failing).
    enum class FailureLog { Line, Caller };

    // Writes the bytes to a temporary file in the same folder (".NAME.tmp-XXXXXX",
    // locked while it is written), flushes it to disk, renames it over `path`
    // and flushes the folder. On any failure the temporary file is removed,
    // the old file stays whole, and false comes back with the reason in
    // `error` (when given) and one log line (unless the caller logs it).
    // Temporary files of the same path that a killed writer left behind are
    // removed first (each logged); those of a writer still at work elsewhere
    // are left alone.
    [[nodiscard]] static bool write(const std::string& path, const void* data, size_t size,
                                    std::string* error = nullptr, FailureLog log = FailureLog::Line);
    [[nodiscard]] static bool write(const std::string& path, const std::string& bytes,
                                    std::string* error = nullptr, FailureLog log = FailureLog::Line)
    {
        return write(path, bytes.data(), bytes.size(), error, log);
    }

    // The most read() takes of a file whose caller names no bound of its own.
    static constexpr size_t kDefaultReadLimit = size_t(64) << 20;

    // Reads a whole file of at most `limit` bytes. False (with the reason)
    // when it cannot be opened or read, when it is no regular file (a folder,
    // a device such as /dev/zero, a pipe) or when it holds more than `limit`
    // bytes: a file without end, or a huge one, would otherwise take memory
    // until the process dies. Callers treat such a file as unreadable: kept,
    // and not written over.
    [[nodiscard]] static bool read(const std::string& path, std::vector<uint8_t>& bytes,
                                   std::string* error = nullptr, size_t limit = kDefaultReadLimit);

    // Moves a file that could not be read out of the way, to
    // "<path>.corrupt-<UTC time>" (with a counter when that exists too), so
    // that a later write does not destroy what may still be rescued. Returns
    // the new path for the caller to report (it knows why the file was bad),
    // or an empty string (logged) when the move failed.
    static std::string moveAside(const std::string& path, std::string* error = nullptr);

    // Keeps the file as it is under "<path>.<tag>-<UTC time>" (with a counter
    // when that exists too, so an earlier kept copy is never replaced) while
    // it also stays at `path`: the kept name is a second link to the same
    // file, which a later write over `path` (a rename) cannot touch. Where
    // the file system has no second links, or `path` is a folder, the file is
    // moved to the kept name instead. Returns the kept name, or an empty
    // string (logged) when neither worked.
    static std::string keepAside(const std::string& path, const std::string& tag,
                                 std::string* error = nullptr);
};

} // namespace mw
