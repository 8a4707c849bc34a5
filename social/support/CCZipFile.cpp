#include "social/support/CCZipFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unzip.h>
#include <zip.h>

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <limits>
#include <vector>

#include "foundation/Log.h"
#include "foundation/Paths.h"

namespace mw {

namespace {

constexpr size_t kBlockSize = 64 * 1024;

unzFile reader(void* handle) { return static_cast<unzFile>(handle); }
zipFile writer(void* handle) { return static_cast<zipFile>(handle); }

// An entry name that would land outside the target folder: absolute, with a
// drive prefix, or with a ".." component. Backslashes have become "/".
bool isUnsafeName(const std::string& name)
{
    if (name.empty() || name[0] == '/') return true;
    if (name.size() >= 2 && name[1] == ':' && std::isalpha(static_cast<unsigned char>(name[0]))) return true;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find('/', start);
        if (end == std::string::npos) end = name.size();
        if (name.compare(start, end - start, "..") == 0) return true;
        start = end + 1;
    }
    return false;
}

std::string parentOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

// The entry's date fields as a local time.
time_t localTimeOf(const tm_unz& date)
{
    std::tm parts{};
    parts.tm_year = static_cast<int>(date.tm_year) - 1900;
    parts.tm_mon = static_cast<int>(date.tm_mon);
    parts.tm_mday = static_cast<int>(date.tm_mday);
    parts.tm_hour = static_cast<int>(date.tm_hour);
    parts.tm_min = static_cast<int>(date.tm_min);
    parts.tm_sec = static_cast<int>(date.tm_sec);
    parts.tm_isdst = -1;
    return std::mktime(&parts);
}

bool setModificationTime(const std::string& path, time_t when)
{
    const struct timespec times[2] = {{when, 0}, {when, 0}};
    return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

// The current entry's name up to its first NUL byte, whatever its length.
bool currentEntryName(unzFile zip, std::string& name)
{
    unz_file_info info{};
    if (unzGetCurrentFileInfo(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) return false;
    std::vector<char> raw(info.size_filename + 1, '\0');
    if (unzGetCurrentFileInfo(zip, &info, raw.data(), raw.size(), nullptr, 0, nullptr, 0) != UNZ_OK)
        return false;
    name.assign(raw.data());
    return true;
}

bool writeAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

} // namespace

// The archive's file as minizip reads it (through stdio, as its own
// functions do), every read, seek and tell counted; past the budget each
// one fails, so that the library gives up at once.
struct CCZipFile::ReaderFile {
    zlib_filefunc64_def stdio{};
    size_t calls = 0; // made
    size_t budget = std::numeric_limits<size_t>::max();
    bool refused = false;

    ReaderFile() { fill_fopen64_filefunc(&stdio); }
    bool spend()
    {
        // The library goes on asking after a failure: a refusal costs nothing.
        if (calls == budget) {
            refused = true;
            return false;
        }
        ++calls;
        return true;
    }
    bool overBudget() const { return refused; }

    zlib_filefunc64_def functions()
    {
        zlib_filefunc64_def counted{};
        counted.zopen64_file = [](voidpf self, const void* path, int mode) -> voidpf {
            const zlib_filefunc64_def& stdio = static_cast<ReaderFile*>(self)->stdio;
            return stdio.zopen64_file(stdio.opaque, path, mode);
        };
        counted.zread_file = [](voidpf self, voidpf stream, void* buffer, uLong size) -> uLong {
            auto* file = static_cast<ReaderFile*>(self);
            if (!file->spend()) return 0;
            return file->stdio.zread_file(file->stdio.opaque, stream, buffer, size);
        };
        counted.zwrite_file = [](voidpf, voidpf, const void*, uLong) -> uLong { return 0; };
        counted.ztell64_file = [](voidpf self, voidpf stream) -> ZPOS64_T {
            auto* file = static_cast<ReaderFile*>(self);
            if (!file->spend()) return static_cast<ZPOS64_T>(-1);
            return file->stdio.ztell64_file(file->stdio.opaque, stream);
        };
        counted.zseek64_file = [](voidpf self, voidpf stream, ZPOS64_T offset, int origin) -> long {
            auto* file = static_cast<ReaderFile*>(self);
            if (!file->spend()) return -1;
            return file->stdio.zseek64_file(file->stdio.opaque, stream, offset, origin);
        };
        counted.zclose_file = [](voidpf self, voidpf stream) -> int {
            const zlib_filefunc64_def& stdio = static_cast<ReaderFile*>(self)->stdio;
            return stdio.zclose_file(stdio.opaque, stream);
        };
        counted.zerror_file = [](voidpf self, voidpf stream) -> int {
            const zlib_filefunc64_def& stdio = static_cast<ReaderFile*>(self)->stdio;
            return stdio.zerror_file(stdio.opaque, stream);
        };
        counted.opaque = this;
        return counted;
    }
};

CCZipFile::CCZipFile() = default;

CCZipFile::~CCZipFile()
{
    CloseZipFile2();
    UnzipCloseFile();
}

void CCZipFile::OutputErrorMessage(const std::string& message) const
{
    if (delegate_ && (delegate_->respondsTo() & CCZipFileDelegate::kErrorMessage))
        delegate_->ErrorMessage(message);
}

bool CCZipFile::OverWrite(const std::string& path) const
{
    if (delegate_ && (delegate_->respondsTo() & CCZipFileDelegate::kOverWriteOperation)) {
        return delegate_->OverWriteOperation(path);
    }
    return true;
}

bool CCZipFile::CreateZipFile2(const std::string& path)
{
    CloseZipFile2();
    zipFile_ = zipOpen(path.c_str(), APPEND_STATUS_CREATE);
    return zipFile_ != nullptr;
}

bool CCZipFile::addFileToZip(const std::string& file, const std::string& newName)
{
    if (!zipFile_) return false;
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info {};
    const time_t modified = ::fstat(fd, &info) == 0 ? info.st_mtime : std::time(nullptr);
    std::tm local{};
    localtime_r(&modified, &local);
    zip_fileinfo entry{};
    entry.tmz_date.tm_sec = static_cast<uInt>(local.tm_sec);
    entry.tmz_date.tm_min = static_cast<uInt>(local.tm_min);
    entry.tmz_date.tm_hour = static_cast<uInt>(local.tm_hour);
    entry.tmz_date.tm_mday = static_cast<uInt>(local.tm_mday);
    entry.tmz_date.tm_mon = static_cast<uInt>(local.tm_mon);
    entry.tmz_date.tm_year = static_cast<uInt>(local.tm_year + 1900);
    if (zipOpenNewFileInZip(writer(zipFile_), newName.c_str(), &entry, nullptr, 0, nullptr, 0, nullptr,
                            Z_DEFLATED, Z_DEFAULT_COMPRESSION) != ZIP_OK) {
        ::close(fd);
        return false;
    }
    std::vector<char> block(kBlockSize);
    bool ok = true;
    while (ok) {
        const ssize_t got = ::read(fd, block.data(), block.size());
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            ok = got == 0;
            break;
        }
        ok = zipWriteInFileInZip(writer(zipFile_), block.data(), static_cast<unsigned>(got)) == ZIP_OK;
    }
    ::close(fd);
    const bool closed = zipCloseFileInZip(writer(zipFile_)) == ZIP_OK;
    return ok && closed;
}

bool CCZipFile::CloseZipFile2()
{
    if (!zipFile_) return false;
    const bool ok = zipClose(writer(zipFile_), nullptr) == ZIP_OK;
    zipFile_ = nullptr;
    return ok;
}

bool CCZipFile::UnzipOpenFile(const std::string& path)
{
    UnzipCloseFile();
    readerFile_ = std::make_unique<ReaderFile>();
    readerFile_->budget = kMostDirectoryCalls;
    zlib_filefunc64_def functions = readerFile_->functions();
    unzFile_ = unzOpen2_64(path.c_str(), &functions);
    unz_global_info global{};
    if (unzFile_ && unzGetGlobalInfo(reader(unzFile_), &global) == UNZ_OK) {
        // One walk of the directory, as every lookup makes it; a directory
        // that cannot be walked to its end is reported by whatever needs it.
        int step = unzGoToFirstFile(reader(unzFile_));
        while (step == UNZ_OK) step = unzGoToNextFile(reader(unzFile_));
    }
    if (readerFile_->overBudget()) {
        UnzipCloseFile();
        logLine("CCZipFile: %s: %s (more than %zu file operations)", path.c_str(), kDirectoryTooCostly,
                kMostDirectoryCalls);
        OutputErrorMessage(kDirectoryTooCostly);
        return false;
    }
    if (!unzFile_ || unzGetGlobalInfo(reader(unzFile_), &global) != UNZ_OK) {
        UnzipCloseFile();
        return false;
    }
    // Later walks repeat the work just measured.
    readerFile_->budget = std::numeric_limits<size_t>::max();
    return true;
}

size_t CCZipFile::readerCalls() const { return readerFile_ ? readerFile_->calls : 0; }

bool CCZipFile::UnzipCloseFile()
{
    if (!unzFile_) return true;
    const bool ok = unzClose(reader(unzFile_)) == UNZ_OK;
    unzFile_ = nullptr;
    return ok;
}

std::string CCZipFile::rootDirectory()
{
    if (!unzFile_) return "";
    if (unzGoToFirstFile(reader(unzFile_)) != UNZ_OK) {
        OutputErrorMessage("Failed");
        return "";
    }
    if (unzOpenCurrentFile(reader(unzFile_)) != UNZ_OK) {
        OutputErrorMessage("Failed to open zip file");
        return "";
    }
    std::string entry;
    const bool haveInfo = currentEntryName(reader(unzFile_), entry);
    unzCloseCurrentFile(reader(unzFile_));
    if (!haveInfo) {
        OutputErrorMessage("Error occurs while getting file info");
        return "";
    }
    if (entry.empty() || (entry.back() != '/' && entry.back() != '\\')) {
        OutputErrorMessage("Root directory not found");
        return "";
    }
    std::string root;
    for (const char c : entry) {
        if (c != '/' && c != '\\') root += c;
    }
    return root;
}

bool CCZipFile::UnzipFileTo(const std::string& folder, bool overWrite)
{
    if (!unzFile_) return false;
    int step = unzGoToFirstFile(reader(unzFile_));
    if (step != UNZ_OK) OutputErrorMessage("Failed");
    while (step == UNZ_OK) {
        if (!extractCurrentEntry(folder, overWrite, true)) return false;
        step = unzGoToNextFile(reader(unzFile_));
    }
    if (step != UNZ_END_OF_LIST_OF_FILE) {
        OutputErrorMessage("Failed");
        return false;
    }
    return true;
}

bool CCZipFile::hasEntry(const std::string& name, bool caseSensitive)
{
    return unzFile_ && unzLocateFile(reader(unzFile_), name.c_str(), caseSensitive ? 1 : 2) == UNZ_OK;
}

bool CCZipFile::UnzipSpecifiedFile(const std::string& name, const std::string& folder, bool caseSensitive)
{
    if (!unzFile_) return false;
    if (unzLocateFile(reader(unzFile_), name.c_str(), caseSensitive ? 1 : 2) != UNZ_OK) return false;
    return extractCurrentEntry(folder, false, false);
}

bool CCZipFile::extractCurrentEntry(const std::string& folder, bool overwriteAll, bool wholeArchive)
{
    unzFile zip = reader(unzFile_);
    if (unzOpenCurrentFile(zip) != UNZ_OK) {
        OutputErrorMessage("Error occurs");
        return false;
    }
    // Closing the entry also checks its checksum when it was read to its end.
    const auto fail = [&](const char* message) {
        unzCloseCurrentFile(zip);
        OutputErrorMessage(message);
        return false;
    };
    unz_file_info info{};
    std::string name;
    if (unzGetCurrentFileInfo(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK ||
        !currentEntryName(zip, name)) {
        return fail("Error occurs while getting file info");
    }
    for (char& c : name) {
        if (c == '\\') c = '/';
    }
    if (isUnsafeName(name)) return fail("Unsafe entry name");

    const std::string target = Paths::join(folder, name);
    if (name.back() == '/') {
        unzCloseCurrentFile(zip);
        if (!Paths::createDirectories(target)) {
            OutputErrorMessage("Error occurs while writing file");
            return false;
        }
        return true;
    }
    const std::string parent = parentOf(target);
    if (!Paths::createDirectories(parent)) return fail("Error occurs while writing file");
    if (!overwriteAll && Paths::fileExists(target) && !OverWrite(target)) {
        if (wholeArchive) {
            unzCloseCurrentFile(zip);
            return true; // kept as it is, as asked
        }
        return fail("Error occurs while overwriting file");
    }

    std::string temporary = parent + "/.unzip-XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) return fail("Error occurs while writing file");
    const auto discard = [&](const char* message) {
        ::close(fd);
        ::unlink(temporary.c_str());
        return fail(message);
    };
    std::vector<char> block(kBlockSize);
    while (true) {
        const int got = unzReadCurrentFile(zip, block.data(), static_cast<unsigned>(block.size()));
        if (got < 0) return discard("Failed to reading zip file");
        if (got == 0) break;
        if (!writeAll(fd, block.data(), static_cast<size_t>(got)))
            return discard("Error occurs while writing file");
    }
    if (unzCloseCurrentFile(zip) != UNZ_OK) {
        ::close(fd);
        ::unlink(temporary.c_str());
        OutputErrorMessage("Failed to reading zip file");
        return false;
    }
    // Theme files are a cache rebuilt from the bundle: renamed into place, not synced.
    ::fchmod(fd, 0644); // mkostemp made it private
    if (::close(fd) != 0 || ::rename(temporary.c_str(), target.c_str()) != 0) {
        ::unlink(temporary.c_str());
        OutputErrorMessage("Error occurs while writing file");
        return false;
    }
    if (info.dosDate != 0 && !setModificationTime(target, localTimeOf(info.tmu_date)) && wholeArchive) {
        logLine("CCZipFile: Failed to set attributes of %s", target.c_str());
    }
    return true;
}

} // namespace mw
