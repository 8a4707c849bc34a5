#pragma once

#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

namespace mw::test {

// A path below the source tree, which CTest names in MOSSWICK_SOURCE_DIR; tests
// never look for their data relative to their own program. Fails the test
// (and answers "") when run without it.
inline std::string sourceTreePath(const std::string& relative)
{
    const char* source = std::getenv("MOSSWICK_SOURCE_DIR");
    if (!source || !*source) {
        ADD_FAILURE() << "MOSSWICK_SOURCE_DIR is not set: run the tests through ctest";
        return {};
    }
    return std::string(source) + "/" + relative;
}

} // namespace mw::test
