#pragma once

#include <cstddef>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace mw::structure {

// The layer table of layers.txt: which top folder may include which, and for
// the top folders that are stacks (engine, social, game), the floor of every
// sub-folder.
struct LayerTable {
    // Top folder -> the other top folders it may include.
    std::map<std::string, std::set<std::string>> topDeps;
    // Stacked top folder -> sub-folder -> floor (0 is the lowest).
    std::map<std::string, std::map<std::string, int>> floors;
};

// Reads the table's text. Null when a line cannot be read; `error` then
// names the line.
std::optional<LayerTable> parseLayerTable(std::string_view text, std::string& error);

// The layer rules broken by one file's includes, one line each:
// "engine/nodes/CCNode.cpp:7: engine/nodes may not include engine/actions/CCAction.h".
// `path` is the file's path from the top of the tree. Quoted includes count;
// an include that does not start with a top folder of `topFolders` is taken
// relative to the file's folder. Lines that are not include directives
// (commented-out ones among them) are ignored.
std::vector<std::string> checkFile(const LayerTable& table, const std::set<std::string>& topFolders,
                                   const std::string& path, std::string_view text);

struct TreeCheck {
    std::vector<std::string> violations;
    size_t filesRead = 0;
};

// checkFile for every source file (.h, .hpp, .cpp, .cc, .c, .inl) below the
// table's top folders under `root`, in path order; the folders at the top of
// `root` are the top folders includes may start with.
TreeCheck checkTree(const std::filesystem::path& root, const LayerTable& table);

} // namespace mw::structure
