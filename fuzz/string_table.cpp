// Feeds arbitrary bytes to the string table, in each of the three
// languages. Whatever is read must be valid UTF-8 (texts end up in labels and
// in the save file), every stored key must find its text, and an absent key
// must read as "NO STRING".
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "foundation/Log.h"
#include "foundation/Ref.h"
#include "foundation/Utf16.h"
#include "foundation/Utf8.h"
#include "game/state/LocalisationManager.h"

namespace {

[[noreturn]] void fail(const char* what, const std::string& detail)
{
    std::fprintf(stderr, "string_table: %s: %s\n", what, detail.c_str());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    mw::setLogSink([](const std::string&) {});
    // The manager reads the user defaults: keep them off the real home folder.
    ::setenv("MOSSWICK_HOME", "/tmp/mosswick-fuzz-string-table", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static mw::Ref<mw::LocalisationManager> manager = mw::makeRef<mw::LocalisationManager>();
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (const char* language : {"en", "de", "pl"}) {
        manager->setLang(language);
        manager->parseCSVData(bytes);
        for (const auto& [key, text] : manager->dictionary) {
            if (!mw::isValidUtf8(key)) fail("a key is not UTF-8", key);
            if (!mw::isValidUtf8(text)) fail("a text is not UTF-8", text);
            if (manager->getValue(key) != text) fail("a stored key does not find its text", key);
        }
        constexpr std::string_view kAbsent = "\x01" "absent";
        if (manager->dictionary.count(kAbsent) == 0 && manager->getValue(kAbsent) != "NO STRING") {
            fail("an absent key", manager->getValue(kAbsent));
        }
    }
    return 0;
}
