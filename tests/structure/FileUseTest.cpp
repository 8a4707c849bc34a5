// Two rules for the code that runs in the game, read from the source tree:
// the player's save file is named by its one owner only, so that every
// write, move and delete of it goes through the saver that knows whether it
// may replace what is there; and no file-system call that throws is made,
// as a permission or a loop of links would otherwise end a frame (or a
// scene's constructor) with an exception.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace mw::structure {
namespace {

// The text with comments blanked out, so that a name in a comment counts
// for nothing; with `keepLiterals` false the insides of string and
// character literals are blanked too (code written in a string is no call).
std::string withoutComments(const std::string& text, bool keepLiterals = true)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (c == '"' || c == '\'') {
            const size_t start = i++;
            while (i < text.size() && text[i] != c && text[i] != '\n') i += text[i] == '\\' ? 2 : 1;
            if (keepLiterals) {
                out.append(text, start, ++i - start);
            } else {
                out += c;
                out.append(i - start - 1, ' ');
                out += c;
                ++i;
            }
        } else if (text.compare(i, 2, "//") == 0) {
            while (i < text.size() && text[i] != '\n') ++i;
        } else if (text.compare(i, 2, "/*") == 0) {
            const size_t end = text.find("*/", i + 2);
            i = end == std::string::npos ? text.size() : end + 2;
            out += ' ';
        } else {
            out += text[i++];
        }
    }
    return out;
}

// The arguments of the call whose "(" is at `open`, split at the commas
// outside brackets and literals; empty when the call is not closed.
std::vector<std::string> argumentsAt(const std::string& text, size_t open)
{
    std::vector<std::string> arguments;
    std::string current;
    int depth = 0;
    for (size_t i = open + 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"' || c == '\'') {
            const size_t start = i++;
            while (i < text.size() && text[i] != c) i += text[i] == '\\' ? 2 : 1;
            current.append(text, start, i - start + 1);
            continue;
        }
        if (c == '(' || c == '[' || c == '{') ++depth;
        if (c == ')' || c == ']' || c == '}') {
            if (depth-- == 0) {
                if (!current.empty() || !arguments.empty()) arguments.push_back(current);
                return arguments;
            }
        }
        if (c == ',' && depth == 0) {
            arguments.push_back(current);
            current.clear();
            continue;
        }
        current += c;
    }
    return {};
}

std::string trimmed(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t\n");
    const size_t last = text.find_last_not_of(" \t\n");
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

// The file-system calls of `source` that can throw: a call of an operation
// that has an error-code form whose last argument is no error code declared
// in the file, and a range-for over a directory iterator (its step throws).
std::vector<std::string> throwingCalls(const std::string& source)
{
    const std::string text = withoutComments(source, false);
    std::set<std::string> errorCodes;
    static const std::regex declared(R"(error_code\s*&?\s*([A-Za-z_]\w*))");
    for (std::sregex_iterator it(text.begin(), text.end(), declared), end; it != end; ++it)
        errorCodes.insert((*it)[1]);

    std::vector<std::string> found;
    static const std::regex call(
        R"(\b(?:std::filesystem|fs)::(exists|status|symlink_status|is_directory|is_regular_file|is_symlink|)"
        R"(is_empty|file_size|last_write_time|remove|remove_all|rename|create_directory|create_directories|)"
        R"(copy|copy_file|copy_symlink|canonical|weakly_canonical|absolute|read_symlink|space|permissions|)"
        R"(resize_file|hard_link_count|equivalent|create_symlink|create_directory_symlink|)"
        R"(create_hard_link|temp_directory_path|current_path|directory_iterator|)"
        R"(recursive_directory_iterator)\s*\()");
    for (std::sregex_iterator it(text.begin(), text.end(), call), end; it != end; ++it) {
        const size_t open = static_cast<size_t>(it->position(0) + it->length(0) - 1);
        const std::vector<std::string> arguments = argumentsAt(text, open);
        const std::string last = arguments.empty() ? std::string() : trimmed(arguments.back());
        if (!errorCodes.count(last)) found.push_back(it->str(0) + "...)");
    }
    static const std::regex rangeFor(
        R"(for\s*\([^;{}]*:\s*(?:std::filesystem|fs)::(?:recursive_)?directory_iterator\b)");
    for (std::sregex_iterator it(text.begin(), text.end(), rangeFor), end; it != end; ++it)
        found.push_back(it->str(0) + " (a range-for steps with the throwing increment)");
    return found;
}

TEST(FileUseTest, ThrowingFileSystemCallsAreFound)
{
    struct Row {
        const char* source;
        size_t throwing;
    };
    const Row rows[] = {
        {"if (!std::filesystem::exists(path)) x = 1;", 1},
        {"std::error_code error; if (std::filesystem::exists(path, error)) x = 1;", 0},
        {"std::error_code ignored; fs::remove_all(folder(\"a, b\"), ignored);", 0},
        {"fs::rename(from, to);", 1},
        {"std::error_code e; fs::rename(from, to, e);", 0},
        {"std::error_code e; fs::rename(from, to);", 1},
        {"// std::filesystem::exists(path) in a comment\n", 0},
        {"const char* text = \"std::filesystem::exists(path)\";", 0},
        {"std::error_code e; for (const auto& entry : std::filesystem::directory_iterator(folder, e)) {}", 1},
        {"std::error_code e; for (std::filesystem::directory_iterator it(folder, e), end; it != end; "
         "it.increment(e)) {}",
         0},
        {"const std::filesystem::path folder = std::filesystem::path(file).parent_path();", 0},
    };
    for (const Row& row : rows) EXPECT_EQ(throwingCalls(row.source).size(), row.throwing) << row.source;
}

// The folders of the code the game runs (not its tests, tools or benchmarks).
const char* const kRunningFolders[] = {"foundation", "platform", "engine", "audio",
                                       "game",       "social",   "analytics", "app"};

struct SourceFile {
    std::string name; // relative to the top of the tree
    std::string text;
};

std::vector<SourceFile> runningSources()
{
    const char* top = std::getenv("MOSSWICK_SOURCE_DIR");
    std::vector<SourceFile> files;
    if (!top) return files;
    const std::filesystem::path root(top);
    for (const char* folder : kRunningFolders) {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(root / folder)) {
            const std::string extension = entry.path().extension().string();
            if (!entry.is_regular_file() || (extension != ".cpp" && extension != ".h")) continue;
            std::ifstream in(entry.path());
            std::stringstream text;
            text << in.rdbuf();
            files.push_back({std::filesystem::relative(entry.path(), root).string(), text.str()});
        }
    }
    return files;
}

TEST(FileUseTest, OnlyTheSaverNamesThePlayersSaveFile)
{
    const std::vector<SourceFile> files = runningSources();
    ASSERT_GT(files.size(), 100u) << "MOSSWICK_SOURCE_DIR must name the top of the source tree";
    std::vector<std::string> naming;
    for (const SourceFile& file : files)
        if (withoutComments(file.text).find("\"supersave.plist") != std::string::npos)
            naming.push_back(file.name);
    EXPECT_EQ(naming, std::vector<std::string>{"game/state/SaveFile.cpp"});
}

TEST(FileUseTest, NoFileSystemCallThatThrowsInTheGame)
{
    const std::vector<SourceFile> files = runningSources();
    ASSERT_GT(files.size(), 100u) << "MOSSWICK_SOURCE_DIR must name the top of the source tree";
    for (const SourceFile& file : files)
        for (const std::string& call : throwingCalls(file.text)) ADD_FAILURE() << file.name << ": " << call;
}

} // namespace
} // namespace mw::structure
