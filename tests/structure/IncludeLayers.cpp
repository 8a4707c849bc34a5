#include "tests/structure/IncludeLayers.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace mw::structure {
namespace {

std::string_view trim(std::string_view s)
{
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    const auto last = s.find_last_not_of(" \t\r");
    return s.substr(first, last - first + 1);
}

std::vector<std::string> words(std::string_view s)
{
    std::vector<std::string> out;
    std::istringstream in{std::string(s)};
    for (std::string word; in >> word;) out.push_back(word);
    return out;
}

// The path of a quoted include directive, or nothing for any other line.
std::optional<std::string> quotedInclude(std::string_view line)
{
    line = trim(line);
    if (line.empty() || line.front() != '#') return std::nullopt;
    line = trim(line.substr(1));
    if (!line.starts_with("include")) return std::nullopt;
    line = trim(line.substr(7));
    if (line.size() < 2 || line.front() != '"') return std::nullopt;
    const auto close = line.find('"', 1);
    if (close == std::string_view::npos) return std::nullopt;
    return std::string(line.substr(1, close - 1));
}

std::vector<std::string> components(const std::string& path)
{
    std::vector<std::string> out;
    for (const auto& part : std::filesystem::path(path)) out.push_back(part.string());
    return out;
}

// The layer a path belongs to: "foundation", "engine/nodes"; an unknown
// engine sub-folder keeps its name, a file right in engine/ gives "engine/".
std::string layerOf(const LayerTable& table, const std::vector<std::string>& parts)
{
    const std::string& top = parts.front();
    if (!table.floors.contains(top)) return top;
    return parts.size() > 2 ? top + "/" + parts[1] : top + "/";
}

bool mayInclude(const LayerTable& table, const std::string& from, const std::string& to)
{
    const auto slash = [](const std::string& layer) { return layer.find('/'); };
    const std::string fromTop = from.substr(0, slash(from));
    const std::string toTop = to.substr(0, slash(to));
    if (fromTop != toTop) {
        const auto deps = table.topDeps.find(fromTop);
        return deps != table.topDeps.end() && deps->second.contains(toTop);
    }
    if (from == to) return true;
    const auto stack = table.floors.find(fromTop);
    if (stack == table.floors.end()) return true;
    const auto floorOf = [&](const std::string& layer) {
        const auto found = stack->second.find(layer.substr(slash(layer) + 1));
        return found == stack->second.end() ? -1 : found->second;
    };
    const int fromFloor = floorOf(from);
    const int toFloor = floorOf(to);
    return fromFloor >= 0 && toFloor >= 0 && toFloor < fromFloor;
}

} // namespace

std::optional<LayerTable> parseLayerTable(std::string_view text, std::string& error)
{
    LayerTable table;
    std::string stack;  // the stacked folder being read, empty outside a stack
    int floor = 0;
    int lineNumber = 0;
    std::istringstream in{std::string(text)};
    for (std::string raw; std::getline(in, raw);) {
        ++lineNumber;
        std::string_view line = raw;
        line = trim(line.substr(0, line.find('#')));
        if (line.empty()) continue;
        const auto fail = [&] {
            error = "line " + std::to_string(lineNumber) + ": cannot read '" + std::string(line) + "'";
            return std::nullopt;
        };
        if (!stack.empty()) {
            if (line == "}") {
                stack.clear();
                continue;
            }
            if (line.find("->") != std::string_view::npos || line.find_first_of("{}") != std::string_view::npos) {
                return fail();
            }
            for (const std::string& folder : words(line)) table.floors[stack][folder] = floor;
            ++floor;
        } else if (const auto arrow = line.find("->"); arrow != std::string_view::npos) {
            const auto name = words(line.substr(0, arrow));
            if (name.size() != 1) return fail();
            auto& deps = table.topDeps[name.front()];
            for (const std::string& dep : words(line.substr(arrow + 2))) deps.insert(dep);
        } else if (line.ends_with("{")) {
            const auto name = words(line.substr(0, line.size() - 1));
            if (name.size() != 1) return fail();
            stack = name.front();
            floor = 0;
            table.floors[stack];
        } else {
            return fail();
        }
    }
    if (!stack.empty()) {
        error = "the stack of " + stack + " is not closed";
        return std::nullopt;
    }
    return table;
}

std::vector<std::string> checkFile(const LayerTable& table, const std::set<std::string>& topFolders,
                                   const std::string& path, std::string_view text)
{
    std::vector<std::string> violations;
    const auto parts = components(path);
    const std::string layer = layerOf(table, parts);
    const auto stack = table.floors.find(parts.front());
    if (stack != table.floors.end() && (parts.size() < 3 || !stack->second.contains(parts[1]))) {
        violations.push_back(path + ":1: " + (parts.size() < 3 ? path : layer) +
                             " lies in no floor of the " + parts.front() + " stack of layers.txt");
        return violations;
    }
    std::istringstream in{std::string(text)};
    int lineNumber = 0;
    for (std::string line; std::getline(in, line);) {
        ++lineNumber;
        const auto include = quotedInclude(line);
        if (!include) continue;
        std::string target = *include;
        if (!topFolders.contains(components(target).front())) {
            target = (std::filesystem::path(path).parent_path() / target).lexically_normal().generic_string();
        }
        const auto targetParts = components(target);
        if (targetParts.empty() || !topFolders.contains(targetParts.front())) continue;
        const std::string targetLayer = layerOf(table, targetParts);
        if (!mayInclude(table, layer, targetLayer)) {
            violations.push_back(path + ":" + std::to_string(lineNumber) + ": " + layer + " may not include " +
                                 *include);
        }
    }
    return violations;
}

TreeCheck checkTree(const std::filesystem::path& root, const LayerTable& table)
{
    namespace fs = std::filesystem;
    std::set<std::string> topFolders;
    for (const auto& entry : fs::directory_iterator(root)) {
        if (entry.is_directory()) topFolders.insert(entry.path().filename().string());
    }
    static const std::set<std::string> kSourceExtensions = {".h", ".hpp", ".cpp", ".cc", ".c", ".inl"};
    std::vector<std::string> files;
    for (const auto& [top, deps] : table.topDeps) {
        if (!fs::is_directory(root / top)) continue;
        for (const auto& entry : fs::recursive_directory_iterator(root / top)) {
            if (entry.is_regular_file() && kSourceExtensions.contains(entry.path().extension().string())) {
                files.push_back(entry.path().lexically_relative(root).generic_string());
            }
        }
    }
    std::sort(files.begin(), files.end());
    TreeCheck check;
    for (const std::string& file : files) {
        std::ifstream in(root / file, std::ios::binary);
        const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        for (std::string& violation : checkFile(table, topFolders, file, text)) {
            check.violations.push_back(std::move(violation));
        }
        ++check.filesRead;
    }
    return check;
}

} // namespace mw::structure
