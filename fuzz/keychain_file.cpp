// Feeds arbitrary bytes to the desktop keychain's file reader, then through
// a keychain whose file holds them: every call must answer a status, and
// after a write the file must read back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "foundation/Log.h"
#include "platform/Keychain.h"

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool quiet = [] {
        mw::setLogSink([](const std::string&) {});
        return true;
    }();
    // A scratch folder for the run, removed when the fuzzer exits.
    static const struct Scratch {
        fs::path path;
        Scratch()
        {
            std::string pattern = (fs::temp_directory_path() / "mosswick-fuzz-keychain-XXXXXX").string();
            if (!::mkdtemp(pattern.data())) std::abort();
            path = pattern;
        }
        ~Scratch()
        {
            std::error_code ignored;
            fs::remove_all(path, ignored);
        }
    } scratch;
    const fs::path& folder = scratch.path;
    (void)quiet;

    (void)mw::FileKeychain::parse(data, size);

    fs::remove_all(folder);
    fs::create_directories(folder);
    std::ofstream(folder / "keychain.plist", std::ios::binary)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    mw::FileKeychain keychain(folder.string());
    const mw::KeychainQuery query{"zandovar", "uniqueid", std::string("7ZQ4M2KX9A.sharedstore")};
    mw::Keychain::Bytes value;
    const int32_t found = keychain.search(query, value);
    const int32_t written = found == 0 ? keychain.update(query, {1, 2, 3}) : keychain.add(query, {1, 2, 3});
    if (written != 0) std::abort();
    if (keychain.search(query, value) != 0 || value != mw::Keychain::Bytes{1, 2, 3}) std::abort();
    return 0;
}
