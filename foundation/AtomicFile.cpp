#include "foundation/AtomicFile.h"
#include "foundation/Log.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mw {

namespace {

void fail(std::string* error, const std::string& message)
{
    logLine("AtomicFile: %s", message.c_str());
    if (error) *error = message;
}

std::string errnoText(const std::string& what, const std::string& path)
{
    return what + " " + path + ": " + std::strerror(errno);
}

std::string folderOf(const std::string& path)
{
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string nameOf(const std::string& path)
{
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool writeAll(int fd, const uint8_t* bytes, size_t size)
{
    while (size > 0) {
        ssize_t written = ::write(fd, bytes, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

constexpr char kTempInfix[] = ".tmp-";
constexpr size_t kTempSuffixLength = 6; // mkstemp's XXXXXX

bool isTempNameOf(const std::string& entry, const std::string& target)
{
    // "." + target + ".tmp-" + six characters.
    const size_t prefixLength = 1 + target.size() + sizeof kTempInfix - 1;
    return entry.size() == prefixLength + kTempSuffixLength && entry[0] == '.' &&
           entry.compare(1, target.size(), target) == 0 &&
           entry.compare(1 + target.size(), sizeof kTempInfix - 1, kTempInfix) == 0;
}

// Removes the temporary files that earlier writes of the target left behind
// when their process died between creating and renaming them. A writer holds
// an exclusive lock on its temporary file while it lives, and the kernel drops
// the lock with the process, so a file that can be locked has no writer. Any
// doubt (it cannot be opened or locked, it is no longer the file under that
// name) keeps the file.
void removeStaleTemporaries(const std::string& folder, const std::string& target)
{
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (!isTempNameOf(name, target)) continue;
        const std::string path = folder + "/" + name;
        int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0) continue;
        struct stat opened {}, named {};
        const bool unheld = ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &opened) == 0 &&
                            S_ISREG(opened.st_mode) && ::lstat(path.c_str(), &named) == 0 &&
                            named.st_dev == opened.st_dev && named.st_ino == opened.st_ino;
        if (unheld && ::unlink(path.c_str()) == 0) {
            logLine("AtomicFile: removed %s, which no writer holds", path.c_str());
        }
        ::close(fd);
    }
    ::closedir(dir);
}

// Creates the temporary file and locks it (see removeStaleTemporaries). A
// cleaner that locked the new file first, in the moment before our lock,
// removes it; then the locked file has no name left and we make another.
int createLockedTemporary(const std::string& folder, const std::string& target, std::string& tempPath)
{
    for (int attempt = 0; attempt < 8; ++attempt) {
        tempPath = folder + "/." + target + kTempInfix + std::string(kTempSuffixLength, 'X');
        int fd = ::mkostemp(tempPath.data(), O_CLOEXEC);
        if (fd < 0) return -1;
        // Without locks on this file system no cleaner can lock it either.
        if (::flock(fd, LOCK_EX) != 0) return fd;
        struct stat info {};
        if (::fstat(fd, &info) != 0 || info.st_nlink > 0) return fd;
        ::close(fd);
    }
    errno = EEXIST;
    return -1;
}

// A rename is only durable once the folder entry itself reaches the disk.
bool syncFolder(const std::string& folder)
{
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

} // namespace

bool AtomicFile::write(const std::string& path, const void* data, size_t size, std::string* error,
                       FailureLog log)
{
    auto fail = [&](std::string* reasonOut, const std::string& message) {
        if (log == FailureLog::Line) logLine("AtomicFile: %s", message.c_str());
        if (reasonOut) *reasonOut = message;
    };
    if (path.empty() || path.back() == '/') {
        fail(error, "not a file path: '" + path + "'");
        return false;
    }
    const std::string folder = folderOf(path);
    removeStaleTemporaries(folder, nameOf(path));
    // Hidden name in the same folder: rename() is only atomic within one file system.
    std::string tempPath;
    int fd = createLockedTemporary(folder, nameOf(path), tempPath);
    if (fd < 0) {
        fail(error, errnoText("cannot create a temporary file for", path));
        return false;
    }
    // mkstemp makes the file private (0600); a replaced file keeps its own
    // permissions, a new one gets the usual 0644.
    struct stat old {};
    ::fchmod(fd, ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644);

    std::string reason;
    if (!writeAll(fd, static_cast<const uint8_t*>(data), size)) {
        reason = errnoText("cannot write", tempPath);
    } else if (::fsync(fd) != 0) {
        reason = errnoText("cannot flush", tempPath);
    } else if (::rename(tempPath.c_str(), path.c_str()) != 0) {
        reason = errnoText("cannot replace", path);
    }
    if (!reason.empty()) {
        ::unlink(tempPath.c_str());
        ::close(fd);
        fail(error, reason);
        return false;
    }
    // Closed only now: closing drops the lock that tells a cleaner this
    // temporary file is still being written. The data already reached the
    // disk with fsync, so closing can no longer lose it.
    ::close(fd);
    if (!syncFolder(folder)) {
        // The new file is in place, so this is no failure of the write (false
        // promises the old file); only its survival of a power cut is in doubt.
        logLine("AtomicFile: %s", errnoText("cannot flush folder", folder).c_str());
    }
    return true;
}

bool AtomicFile::read(const std::string& path, std::vector<uint8_t>& bytes, std::string* error, size_t limit)
{
    bytes.clear();
    auto refuse = [&](const std::string& reason) {
        if (error) *error = reason;
        bytes.clear();
        bytes.shrink_to_fit();
        return false;
    };
    // Not blocked by a pipe without a writer: it is refused just below.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return refuse(errnoText("cannot open", path));
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        const bool folder = S_ISDIR(info.st_mode);
        ::close(fd);
        return refuse("cannot read " + path + (folder ? ": is a folder" : ": is not a regular file"));
    }
    const std::string tooLarge = "cannot read " + path + ": it holds more than " + std::to_string(limit) +
                                 " bytes, more than such a file ever needs";
    if (static_cast<uint64_t>(info.st_size) > limit) {
        ::close(fd);
        return refuse(tooLarge);
    }
    bytes.reserve(static_cast<size_t>(info.st_size));
    uint8_t chunk[65536];
    for (;;) {
        ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0) {
            if (errno == EINTR) continue;
            const std::string reason = errnoText("cannot read", path);
            ::close(fd);
            return refuse(reason);
        }
        if (got == 0) break;
        // A file that grows while it is read is held to the same bound.
        if (bytes.size() + static_cast<size_t>(got) > limit) {
            ::close(fd);
            return refuse(tooLarge);
        }
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    ::close(fd);
    return true;
}

namespace {

// Gives the file at `path` the first free name "<path>.<tag>-<UTC time>[-n]".
// link() refuses to replace an existing file, unlike rename(), so an earlier
// copy is never overwritten. `moved` tells whether the file had to be moved
// there (no second links on this file system, or a folder) rather than
// linked.
std::string linkAside(const std::string& path, const std::string& tag, const char* verb, bool& moved,
                      std::string* error)
{
    moved = false;
    std::time_t now = std::time(nullptr);
    std::tm utc {};
    gmtime_r(&now, &utc);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%dT%H%M%SZ", &utc);
    const std::string base = path + "." + tag + "-" + stamp;

    for (int attempt = 0; attempt < 1000; ++attempt) {
        std::string target = attempt == 0 ? base : base + "-" + std::to_string(attempt);
        if (::link(path.c_str(), target.c_str()) == 0) return target;
        if (errno == EEXIST) continue;
        if (errno == EPERM || errno == EXDEV || errno == ENOTSUP || errno == EMLINK) {
            // File systems without hard links, and folders: rename after a check.
            if (::access(target.c_str(), F_OK) == 0) continue;
            if (::rename(path.c_str(), target.c_str()) == 0) {
                moved = true;
                return target;
            }
        }
        fail(error, errnoText(std::string("cannot ") + verb, path));
        return std::string();
    }
    fail(error, std::string("cannot ") + verb + " " + path + ": too many earlier copies");
    return std::string();
}

} // namespace

std::string AtomicFile::moveAside(const std::string& path, std::string* error)
{
    bool moved = false;
    const std::string target = linkAside(path, "corrupt", "move aside", moved, error);
    if (!target.empty() && !moved) ::unlink(path.c_str());
    return target;
}

std::string AtomicFile::keepAside(const std::string& path, const std::string& tag, std::string* error)
{
    bool moved = false;
    return linkAside(path, tag, "keep aside", moved, error);
}

} // namespace mw
