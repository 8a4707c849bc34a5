// Opens arbitrary bytes as a zip archive, asks its root folder and extracts
// every entry, one by one and as a whole, into a scratch folder. Nothing may
// appear outside that folder, and no temporary file may stay behind.
#include <unzip.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "foundation/Log.h"
#include "fuzz/ScratchFolder.h"
#include "social/support/CCZipFile.h"

namespace fs = std::filesystem;

namespace {

// The reader walks the directory from its start for each lookup by name,
// every step a seek and a read of the file: the first two entries show how
// one is found and written, and the whole extraction takes them all.
constexpr size_t kEntriesExtractedByName = 2;
// The reader bounds its own cost (CCZipFile::kMostDirectoryCalls); this
// bounds the files one run writes, so that an input stays quick to try.
constexpr size_t kMostEntries = 64;

[[noreturn]] void escaped(const std::string& what)
{
    std::fprintf(stderr, "zip_archive: %s\n", what.c_str());
    std::abort();
}

const fs::path& workFolder()
{
    static const fs::path folder = mw::fuzz::makeScratchFolder("zip");
    return folder;
}

// The input as a file that minizip reads from memory, so that the harness's
// own look at the entry names costs no system calls.
struct MemoryFile {
    const uint8_t* data = nullptr;
    uLong size = 0;
    uLong position = 0; // may lie past the end, as a file's may
};

voidpf ZCALLBACK openMemory(voidpf opaque, const char*, int) { return opaque; }

uLong ZCALLBACK readMemory(voidpf, voidpf stream, void* buffer, uLong size)
{
    auto* file = static_cast<MemoryFile*>(stream);
    const uLong count = file->position < file->size ? std::min(size, file->size - file->position) : 0;
    std::memcpy(buffer, file->data + file->position, count);
    file->position += count;
    return count;
}

uLong ZCALLBACK writeMemory(voidpf, voidpf, const void*, uLong) { return 0; }

long ZCALLBACK tellMemory(voidpf, voidpf stream)
{
    auto* file = static_cast<MemoryFile*>(stream);
    return static_cast<long>(file->position);
}

long ZCALLBACK seekMemory(voidpf, voidpf stream, uLong offset, int origin)
{
    auto* file = static_cast<MemoryFile*>(stream);
    const uLong base = origin == ZLIB_FILEFUNC_SEEK_CUR   ? file->position
                       : origin == ZLIB_FILEFUNC_SEEK_END ? file->size
                                                          : 0;
    if (offset > ~uLong(0) - base) return -1;
    file->position = base + offset;
    return 0;
}

int ZCALLBACK closeMemory(voidpf, voidpf) { return 0; }

int ZCALLBACK errorMemory(voidpf, voidpf) { return 0; }

// The names of at most kMostEntries + 1 entries. Only called for an archive
// the reader accepted, whose directory it found cheap to walk.
std::vector<std::string> readNames(const uint8_t* data, size_t size)
{
    std::vector<std::string> names;
    MemoryFile file {data, static_cast<uLong>(size)};
    zlib_filefunc_def memory {openMemory,  readMemory,  writeMemory, tellMemory,
                              seekMemory,  closeMemory, errorMemory, &file};
    unzFile zip = unzOpen2("input.zip", &memory);
    if (!zip) return names;
    for (int step = unzGoToFirstFile(zip); step == UNZ_OK && names.size() <= kMostEntries;
         step = unzGoToNextFile(zip)) {
        char name[512];
        unz_file_info info{};
        if (unzGetCurrentFileInfo(zip, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK) break;
        names.emplace_back(name);
    }
    unzClose(zip);
    return names;
}

// Tells a refusal for cost from the other failures.
class RefusalWatch : public mw::CCZipFileDelegate {
public:
    unsigned respondsTo() const override { return kErrorMessage; }
    void ErrorMessage(const std::string& message) override
    {
        tooCostly |= message == mw::CCZipFile::kDirectoryTooCostly;
    }
    bool tooCostly = false;
};

// Checks what the extraction left below `folder` and removes it on the same
// walk: no temporary file may stay, and no link may appear.
void checkAndClear(const fs::path& folder, bool namesLikeTemporary)
{
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (!namesLikeTemporary && entry.path().filename().string().rfind(".unzip-", 0) == 0) {
            escaped("a temporary file stayed behind");
        }
        if (entry.is_symlink()) escaped("a link appeared in the target");
        if (entry.is_directory()) checkAndClear(entry.path(), namesLikeTemporary);
        fs::remove(entry.path());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool quiet = [] {
        mw::setLogSink([](const std::string&) {});
        return true;
    }();
    (void)quiet;

    // The target folder is empty here: the previous input's walk cleared it.
    const fs::path& work = workFolder();
    const fs::path target = work / "target";
    fs::create_directories(target);
    const std::string archive = (work / "input.zip").string();
    std::ofstream(archive, std::ios::binary)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));

    bool namesLikeTemporary = false;
    RefusalWatch watch;
    mw::CCZipFile zip;
    zip.setDelegate(&watch);
    const bool opened = zip.UnzipOpenFile(archive);
    if (watch.tooCostly) return -1; // refused as the game refuses it; kept out of the corpus
    if (opened) {
        const std::vector<std::string> names = readNames(data, size);
        if (names.size() > kMostEntries) return -1;
        // An entry may itself be named like a temporary file; then the check below cannot tell.
        for (const std::string& name : names) namesLikeTemporary |= name.find(".unzip-") != std::string::npos;
        (void)zip.rootDirectory();
        for (size_t i = 0; i < names.size() && i < kEntriesExtractedByName; ++i) {
            (void)zip.UnzipSpecifiedFile(names[i], target.string(), true);
        }
        (void)zip.UnzipFileTo(target.string(), true);
        zip.UnzipCloseFile();
    }

    for (const auto& entry : fs::directory_iterator(work)) {
        const std::string name = entry.path().filename().string();
        if (name != "target" && name != "input.zip") escaped("something appeared beside the target: " + name);
    }
    checkAndClear(target, namesLikeTemporary);
    return 0;
}
