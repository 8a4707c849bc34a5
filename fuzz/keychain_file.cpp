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
#include "fuzz/ScratchFolder.h"
#include "platform/Keychain.h"

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    mw::setLogSink([](const std::string&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const fs::path folder = mw::fuzz::makeScratchFolder("keychain");
    // The first search reads the file with the file reader, so the bytes meet
    // it there; each input starts from a folder holding only its file.
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
