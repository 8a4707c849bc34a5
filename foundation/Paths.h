#pragma once

#include <string>
#include <string_view>

namespace mw {

// The program's standard folders.
//
// Bundle: the read-only "resources" folder, taken from $MOSSWICK_RESOURCES or
// found next to the program (its folder and up to three parents, so that
// build/release/mosswick finds the repository's resources/).
// Documents: $MOSSWICK_HOME/documents, else $XDG_DATA_HOME/mosswick, else
// ~/.local/share/mosswick. Caches: $MOSSWICK_HOME/caches, else
// $XDG_CACHE_HOME/mosswick, else ~/.cache/mosswick.
// The environment is read on every call, so tests may point it elsewhere.
class Paths {
public:
    // The bundle folder, or an empty string (logged once) when none is found.
    static std::string bundleDirectory();
    // Creates the folder (and its parents) on demand. The path comes back even
    // when creating it failed (logged); writes into it will then fail.
    static std::string documentsDirectory();
    static std::string cachesDirectory();

    // "<bundle>/<name>" when that file exists, else an empty string.
    static std::string pathForResource(std::string_view name);
    // "<documents>/<name>" and "<caches>/<name>"; the file need not exist.
    static std::string documentsPath(std::string_view name) { return join(documentsDirectory(), name); }
    static std::string cachesPath(std::string_view name) { return join(cachesDirectory(), name); }

    // Joins with exactly one '/' between the parts; an absolute `tail` or an
    // empty `head` gives `tail`.
    static std::string join(std::string_view head, std::string_view tail);

    // Creates a folder and its parents; true when it exists afterwards.
    static bool createDirectories(const std::string& path);
    static bool fileExists(const std::string& path);
};

} // namespace mw
