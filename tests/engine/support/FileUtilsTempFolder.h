#pragma once

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace mw::test {

// A fresh folder under the system's temporary folder, removed with its
// contents when the object goes.
class FileUtilsTempFolder {
public:
    FileUtilsTempFolder()
    {
        static std::atomic<int> counter{0};
        path_ = std::filesystem::temp_directory_path() /
                ("mw-files-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~FileUtilsTempFolder()
    {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    FileUtilsTempFolder(const FileUtilsTempFolder&) = delete;
    FileUtilsTempFolder& operator=(const FileUtilsTempFolder&) = delete;

    std::string path() const { return path_.string(); }
    std::string file(const std::string& relative) const { return (path_ / relative).string(); }

    // Writes bytes to a file below the folder, making its sub-folders.
    std::string write(const std::string& relative, const std::vector<unsigned char>& bytes) const
    {
        std::filesystem::path target = path_ / relative;
        std::filesystem::create_directories(target.parent_path());
        std::ofstream out(target, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return target.string();
    }
    std::string write(const std::string& relative, const std::string& text) const
    {
        return write(relative, std::vector<unsigned char>(text.begin(), text.end()));
    }

private:
    std::filesystem::path path_;
};

} // namespace mw::test
