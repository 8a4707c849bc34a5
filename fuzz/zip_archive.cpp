// Opens arbitrary bytes as a zip archive, asks its root folder and extracts
// every entry, one by one and as a whole, into a scratch folder. Nothing may
// appear outside that folder, and no temporary file may stay behind.
#include <unzip.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "foundation/Log.h"
#include "fuzz/ScratchFolder.h"
#include "social/support/CCZipFile.h"

namespace fs = std::filesystem;

namespace {

constexpr size_t kEntriesExtractedByName = 8;

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

std::vector<std::string> entryNames(const std::string& archive)
{
    std::vector<std::string> names;
    unzFile zip = unzOpen(archive.c_str());
    if (!zip) return names;
    for (int step = unzGoToFirstFile(zip); step == UNZ_OK && names.size() < 64; step = unzGoToNextFile(zip)) {
        char name[512];
        unz_file_info info{};
        if (unzGetCurrentFileInfo(zip, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK) break;
        names.emplace_back(name);
    }
    unzClose(zip);
    return names;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool quiet = [] {
        mw::setLogSink([](const std::string&) {});
        return true;
    }();
    (void)quiet;

    const fs::path& work = workFolder();
    fs::remove_all(work);
    fs::create_directories(work / "target");
    const std::string archive = (work / "input.zip").string();
    std::ofstream(archive, std::ios::binary)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));

    const std::vector<std::string> names = entryNames(archive);
    // An entry may itself be named like a temporary file; then the check below cannot tell.
    bool namesLikeTemporary = false;
    for (const std::string& name : names) namesLikeTemporary |= name.find(".unzip-") != std::string::npos;

    mw::CCZipFile zip;
    if (zip.UnzipOpenFile(archive)) {
        (void)zip.rootDirectory();
        // Each lookup by name walks the directory from its start, every step a
        // seek and a read of the file: the first few entries show how one is
        // found and written, and the whole extraction below takes them all.
        for (size_t i = 0; i < names.size() && i < kEntriesExtractedByName; ++i) {
            (void)zip.UnzipSpecifiedFile(names[i], (work / "target").string(), true);
        }
        (void)zip.UnzipFileTo((work / "target").string(), true);
        zip.UnzipCloseFile();
    }

    for (const auto& entry : fs::directory_iterator(work)) {
        const std::string name = entry.path().filename().string();
        if (name != "target" && name != "input.zip") escaped("something appeared beside the target: " + name);
    }
    for (const auto& entry : fs::recursive_directory_iterator(work / "target")) {
        if (!namesLikeTemporary && entry.path().filename().string().rfind(".unzip-", 0) == 0) {
            escaped("a temporary file stayed behind");
        }
        if (entry.is_symlink()) escaped("a link appeared in the target");
    }
    return 0;
}
