#pragma once

#include <string>

#include "engine/support/CCFileUtils.h"
#include "tests/support/ScopedEnv.h"

namespace mw::test {

// Makes `folder` the bundle for the scope: MOSSWICK_RESOURCES names it, and
// the engine, which keeps the bundle folder it chose on first use, resolves
// names in it. Both are put back at the end, so tests that share a process
// each see their own bundle.
class ScopedBundle {
public:
    explicit ScopedBundle(const std::string& folder)
        : env_("MOSSWICK_RESOURCES", folder), previous_(CCFileUtils::bundlePath())
    {
        CCFileUtils::setBundlePath(folder);
    }
    ~ScopedBundle() { CCFileUtils::setBundlePath(previous_); }
    ScopedBundle(const ScopedBundle&) = delete;
    ScopedBundle& operator=(const ScopedBundle&) = delete;

private:
    ScopedEnv env_;
    std::string previous_;
};

} // namespace mw::test
