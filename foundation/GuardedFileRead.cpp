#include "foundation/GuardedFileRead.h"

#include <cerrno>
#include <sys/stat.h>

#include "foundation/AtomicFile.h"
#include "foundation/Log.h"

namespace mw {

GuardedReadResult readGuardedFileQuietly(const std::string& path, size_t limit, const GuardedDecode& decode)
{
    GuardedReadResult result;
    struct stat info {};
    if (path.empty() || (::stat(path.c_str(), &info) != 0 && (errno == ENOENT || errno == ENOTDIR))) {
        result.outcome = GuardedRead::NoFile;
        return result;
    }
    std::vector<uint8_t> bytes;
    if (!AtomicFile::read(path, bytes, &result.reason, limit)) {
        // Maybe readable later: keep it, and keep every write off it.
        result.outcome = GuardedRead::Unreadable;
        return result;
    }
    std::string error;
    result.decoded = true;
    if (decode(bytes, &error)) {
        result.outcome = GuardedRead::Read;
        return result;
    }
    result.reason = error.empty() ? std::string("its content does not decode") : error;
    std::string moveError;
    result.movedTo = AtomicFile::moveAside(path, &moveError);
    if (result.movedTo.empty()) {
        // Still in the way: writing over it would lose what may be rescued.
        result.reason += "; cannot move it aside: " + moveError;
        result.outcome = GuardedRead::Unreadable;
        return result;
    }
    result.outcome = GuardedRead::MovedAside;
    return result;
}

GuardedRead readGuardedFile(const std::string& path, const std::string& logName, size_t limit,
                            const GuardedDecode& decode, std::string* movedTo)
{
    if (movedTo) movedTo->clear();
    const GuardedReadResult result = readGuardedFileQuietly(path, limit, decode);
    switch (result.outcome) {
    case GuardedRead::NoFile:
    case GuardedRead::Read:
        break;
    case GuardedRead::Unreadable:
        logLine("%s cannot be read (%s); it is left as it is and not written this run", logName.c_str(),
                result.reason.c_str());
        break;
    case GuardedRead::MovedAside:
        logLine("%s is unreadable (%s); moved aside to %s, starting empty", logName.c_str(), result.reason.c_str(),
                result.movedTo.c_str());
        if (movedTo) *movedTo = result.movedTo;
        break;
    }
    return result.outcome;
}

} // namespace mw
