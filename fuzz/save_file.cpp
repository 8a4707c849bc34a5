// The save-file reader: the whole file with its check line, and, so that the
// fuzzer reaches the tables behind the check, the input as the property list
// of a save taken into a fresh profile.
//
// The seeds are a new game's save in pieces of a few kilobytes (see
// tools/make_save_seeds.cpp). An input is bounded at a few times the largest:
// a longer one reaches nothing a shorter one does not, and each byte is
// parsed twice and checked.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "foundation/Log.h"
#include "foundation/PropertyList.h"
#include "fuzz/ScratchFolder.h"
#include "game/state/Profile.h"
#include "game/state/SaveFile.h"

namespace {

constexpr size_t kLargestInput = 16 * 1024;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    mw::setLogSink([](const std::string&) {});
    // The profile reads the user defaults; keep them out of the real home.
    mw::fuzz::useScratchHome("save-file");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > kLargestInput) return -1; // kept out of the corpus

    (void)mw::SaveFile::decode(data, size);
    std::optional<mw::Value> save = mw::readPropertyList(data, size);
    if (save && save->isDict()) {
        mw::Profile profile;
        (void)profile.LoadFrom(*save);
    }
    return 0;
}
