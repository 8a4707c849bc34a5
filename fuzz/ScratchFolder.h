#pragma once

// The scratch folder of the fuzz targets that write files: one fresh folder
// a run, on a memory file system where there is one, removed when the run
// ends. Every file the game writes is synced to its disk, and on a disk one
// sync costs more than the whole of the work being fuzzed; a folder of the
// run's own keeps targets that run side by side (and several checkouts) out
// of each other's files.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace mw::fuzz {

// A new empty folder named after `name`, under /dev/shm when that exists
// (else $TMPDIR, else /tmp); it and all in it go when the program exits.
// Aborts when no folder can be made: the target cannot run without it.
inline std::string makeScratchFolder(const std::string& name)
{
    // Never destroyed, so that the exit handler can still read it.
    static std::vector<std::string>& made = *new std::vector<std::string>;
    std::string base = "/tmp";
    if (std::filesystem::is_directory("/dev/shm")) {
        base = "/dev/shm";
    } else if (const char* tmp = std::getenv("TMPDIR"); tmp && *tmp) {
        base = tmp;
    }
    std::string pattern = base + "/mosswick-fuzz-" + name + "-XXXXXX";
    if (!::mkdtemp(pattern.data())) {
        std::perror(("fuzz " + name + ": mkdtemp").c_str());
        std::abort();
    }
    if (made.empty()) {
        std::atexit([] {
            std::error_code ignored;
            for (const std::string& folder : made) std::filesystem::remove_all(folder, ignored);
        });
    }
    made.push_back(pattern);
    return pattern;
}

// Points MOSSWICK_HOME (the documents and caches) at a new scratch folder,
// whatever the environment named: fuzzed input never reaches a real player's files.
inline void useScratchHome(const std::string& name)
{
    ::setenv("MOSSWICK_HOME", makeScratchFolder(name).c_str(), 1);
}

} // namespace mw::fuzz
