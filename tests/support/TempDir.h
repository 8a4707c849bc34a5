#pragma once

// A scratch folder per test: made fresh under the system's temporary folder,
// removed with everything in it when the object goes. Every test that needs
// files on disk uses this one.

#include <string>
#include <string_view>
#include <vector>

namespace mw::test {

class TempDir {
public:
    // A test failure (and an empty path) when the folder cannot be made.
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    // The path of a file below the folder; nothing is created.
    std::string file(const std::string& relative) const { return path_ + "/" + relative; }

    // Writes a file below the folder, making its sub-folders; answers its path.
    std::string write(const std::string& relative, const std::vector<unsigned char>& bytes) const;
    std::string write(const std::string& relative, std::string_view text) const;

    // Names in the folder, sorted.
    std::vector<std::string> entries() const;

    // A whole file at any path, written or read as bytes ("" when unreadable).
    static void writeText(const std::string& path, std::string_view text);
    static std::string readText(const std::string& path);

private:
    std::string path_;
};

} // namespace mw::test
