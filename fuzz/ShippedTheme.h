#pragma once

// What the fuzz targets of the social screens share: a start with the log
// silenced, a scratch home and the shipped theme current (from the source
// tree the target was built from), and the split of an input into two JSON
// texts.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "foundation/Log.h"
#include "foundation/Value.h"
#include "fuzz/ScratchFolder.h"
#include "social/services/CCTheming.h"
#include "social/support/CCJSON.h"

namespace mw::fuzz {

// Silences the log, points MOSSWICK_HOME at a scratch folder named after
// `target`, MOSSWICK_RESOURCES at the tree's resources (unless already set),
// and makes the shipped theme current.
inline void startWithShippedTheme(const char* target)
{
    setLogSink([](const std::string&) {});
    useScratchHome(target);
    const std::string resources = std::filesystem::path(__FILE__).parent_path().parent_path() / "resources";
    ::setenv("MOSSWICK_RESOURCES", resources.c_str(), 0);
    CCTheming::sharedInstance()->setCurrentTheme("mosswick_01");
}

// The parsed text, or null when it is not JSON.
inline Value parseJson(std::string_view text)
{
    CCJSON json;
    JsonError error;
    std::optional<Value> value = json.objectWithString(std::string(text), &error);
    return value ? *value : Value();
}

// The input as two JSON texts split at its first NUL byte; the second is
// null when there is no NUL.
struct TwoTexts {
    Value first;
    Value second;
};

inline TwoTexts splitIntoTwoTexts(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const size_t split = bytes.find('\0');
    return {parseJson(bytes.substr(0, split)),
            split == std::string_view::npos ? Value() : parseJson(bytes.substr(split + 1))};
}

} // namespace mw::fuzz
