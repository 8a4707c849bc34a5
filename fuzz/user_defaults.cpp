// Feeds arbitrary bytes to the user-defaults file: loading it, and moving it
// aside when it holds no readable dictionary. The player's data must never be
// lost: right after the load, some file in the folder holds exactly the bytes
// that were there (the defaults file itself, or the copy set aside), and a
// copy set aside is still intact after the next write. Whatever was loaded,
// plus one change, must write, and a fresh instance must read the same values.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

#include "foundation/Log.h"
#include "foundation/UserDefaults.h"
#include "foundation/Value.h"

namespace {

namespace fs = std::filesystem;

// A scratch folder for the run, on a memory file system where there is one:
// every input writes the file with fsync. Never destroyed, so that the exit
// handler that removes the folder can still name it.
const std::string& scratchFolder()
{
    static const std::string& folder = *new std::string([] {
        std::string base = "/tmp";
        if (fs::is_directory("/dev/shm")) {
            base = "/dev/shm";
        } else if (const char* tmp = std::getenv("TMPDIR"); tmp && *tmp) {
            base = tmp;
        }
        std::string pattern = base + "/mosswick-fuzz-defaults-XXXXXX";
        if (!::mkdtemp(pattern.data())) {
            std::perror("user_defaults: mkdtemp");
            std::abort();
        }
        return pattern;
    }());
    return folder;
}

[[noreturn]] void failure(const char* what, const std::string& detail = "")
{
    std::fprintf(stderr, "user_defaults: %s\n%s\n", what, detail.c_str());
    std::abort();
}

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The file in the folder that holds exactly `bytes`, or an empty path.
fs::path fileHolding(const std::string& bytes)
{
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(scratchFolder(), error)) {
        if (entry.is_regular_file() && readFile(entry.path()) == bytes) return entry.path();
    }
    return {};
}

void emptyScratchFolder()
{
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(scratchFolder(), error)) {
        fs::remove_all(entry.path(), error);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    mw::setLogSink([](const std::string&) {});
    (void)scratchFolder();
    std::atexit([] {
        std::error_code ignored;
        fs::remove_all(scratchFolder(), ignored);
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    emptyScratchFolder();
    const std::string path = scratchFolder() + "/UserDefaults.plist";
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    {
        std::ofstream out(path, std::ios::binary);
        out << bytes;
        if (!out) failure("cannot write the input file");
    }

    mw::UserDefaults defaults(path);
    (void)defaults.objectForKey("key");
    const fs::path keptIn = fileHolding(bytes);
    if (keptIn.empty()) failure("the file's bytes are gone after the load");
    const bool setAside = keptIn != fs::path(path);

    (void)defaults.stringForKey("key");
    defaults.setInteger("fuzz", static_cast<int64_t>(size));
    if (!defaults.synchronize()) failure("the loaded values do not write back");
    if (setAside && readFile(keptIn) != bytes) failure("the copy set aside changed", keptIn.string());

    const mw::Value written = defaults.dictionaryRepresentation();
    mw::UserDefaults reread(path);
    if (!(reread.dictionaryRepresentation() == written)) failure("a fresh instance reads other values");
    return 0;
}
