#include "social/support/GuardedFileRead.h"

#include "foundation/AtomicFile.h"
#include "foundation/Log.h"
#include "foundation/Paths.h"

namespace mw {

GuardedRead readGuardedFile(const std::string& path, const std::string& logName, size_t limit,
                            const GuardedDecode& decode, std::string* movedTo)
{
    if (movedTo) movedTo->clear();
    if (!Paths::fileExists(path)) return GuardedRead::NoFile;
    std::vector<uint8_t> bytes;
    std::string error;
    if (!AtomicFile::read(path, bytes, &error, limit)) {
        // Maybe readable later: keep it, and keep every write off it.
        logLine("%s cannot be read (%s); it is left as it is and not written this run", logName.c_str(),
                error.c_str());
        return GuardedRead::Unreadable;
    }
    if (decode(bytes, &error)) return GuardedRead::Read;
    const std::string moved = AtomicFile::moveAside(path);
    if (moved.empty()) {
        // Still in the way: writing over it would lose what may be rescued.
        logLine("%s is unreadable (%s) and could not be moved aside; it is not written this run", logName.c_str(),
                error.c_str());
        return GuardedRead::Unreadable;
    }
    logLine("%s is unreadable (%s); moved aside to %s, starting empty", logName.c_str(), error.c_str(),
            moved.c_str());
    if (movedTo) *movedTo = moved;
    return GuardedRead::MovedAside;
}

} // namespace mw
