// Opens arbitrary bytes as a zip archive, asks its root folder and extracts
// every entry, one by one and as a whole, into a scratch folder. Nothing may
// appear outside that folder, and no temporary file may stay behind.
#include <unistd.h>
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
#include "social/support/CCZipFile.h"

namespace fs = std::filesystem;

namespace {

[[noreturn]] void escaped(const std::string& what)
{
    std::fprintf(stderr, "zip_archive: %s\n", what.c_str());
    std::abort();
}

// A scratch folder for the run, removed when the fuzzer exits.
struct ScratchFolder {
    fs::path path;
    ScratchFolder()
    {
        std::string pattern = (fs::temp_directory_path() / "mosswick-fuzz-zip-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) std::abort();
        path = pattern;
    }
    ~ScratchFolder()
    {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
};

const fs::path& workFolder()
{
    static const ScratchFolder folder;
    return folder.path;
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
        for (const std::string& name : names) {
            (void)zip.UnzipSpecifiedFile(name, (work / "target").string(), true);
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
