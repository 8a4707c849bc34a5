// The save-file reader: the whole file with its check line, and, so that the
// fuzzer reaches the tables behind the check, the input as the property list
// of a save taken into a fresh profile.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "foundation/Log.h"
#include "foundation/PropertyList.h"
#include "game/state/Profile.h"
#include "game/state/SaveFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool ready = [] {
        mw::setLogSink([](const std::string&) {});
        // The profile reads the user defaults; keep them out of the real home.
        setenv("MOSSWICK_HOME", "/tmp/mosswick-fuzz-save-file", 1);
        return true;
    }();
    (void)ready;

    (void)mw::SaveFile::decode(data, size);
    std::optional<mw::Value> save = mw::readPropertyList(data, size);
    if (save && save->isDict()) {
        mw::Profile profile;
        (void)profile.LoadFrom(*save);
    }
    return 0;
}
