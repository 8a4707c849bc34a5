#include "tests/game/front/StageEnds.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <utility>

#include "foundation/Paths.h"
#include "tests/support/TempDir.h"

namespace mw::test {

namespace fs = std::filesystem;

StageEnds::StageEnds(std::string kind, std::vector<std::string> stages, std::vector<std::string> stamped)
    : kind_(std::move(kind)), stages_(std::move(stages)), stamped_(std::move(stamped))
{
}

fs::path StageEnds::folder(const std::string& device, size_t stage) const
{
    return root() / device / (std::to_string(stage + 1) + "-" + stages_.at(stage));
}

bool StageEnds::kept(const std::string& device, size_t stage) const
{
    std::error_code error;
    const fs::path at = folder(device, stage);
    return TempDir::readText((at / "stamp").string()) == stamp() && fs::is_directory(at / "home", error);
}

double StageEnds::wall(const std::string& device, size_t stage) const
{
    return std::stod("0" + note(device, stage, "wall"));
}

std::string StageEnds::note(const std::string& device, size_t stage, const std::string& name) const
{
    return TempDir::readText((folder(device, stage) / name).string());
}

void StageEnds::discard(const std::string& device, size_t stage) const
{
    std::error_code error;
    fs::remove_all(folder(device, stage), error);
}

bool StageEnds::restore(const std::string& device, size_t stage, const std::string& home) const
{
    std::error_code error;
    fs::copy(folder(device, stage) / "home", home,
             fs::copy_options::recursive | fs::copy_options::overwrite_existing, error);
    return !error && kept(device, stage);
}

void StageEnds::keep(const std::string& device, size_t stage, const std::string& home, double wall,
                     const std::map<std::string, std::string>& notes) const
{
    std::error_code error;
    const fs::path at = folder(device, stage);
    const std::string suffix = "." + std::to_string(::getpid());
    const fs::path fresh = at.string() + ".new" + suffix, old = at.string() + ".old" + suffix;
    fs::remove_all(fresh, error);
    fs::create_directories(fresh, error);
    fs::copy(home, fresh / "home", fs::copy_options::recursive, error);
    ASSERT_FALSE(error) << "cannot keep " << home << ": " << error.message();
    char clock[64];
    std::snprintf(clock, sizeof clock, "%.17g", wall);
    TempDir::writeText((fresh / "wall").string(), clock);
    for (const auto& [name, text] : notes) TempDir::writeText((fresh / name).string(), text);
    TempDir::writeText((fresh / "stamp").string(), stamp());
    fs::rename(at, old, error);
    fs::rename(fresh, at, error); // another process may just have kept the same end
    fs::remove_all(fresh, error);
    fs::remove_all(old, error);
}

bool StageEnds::ensureKept(const std::string& device, size_t stage,
                           const std::function<bool(size_t)>& play) const
{
    if (kept(device, stage)) return true;
    if (stage > 0 && !ensureKept(device, stage - 1, play)) return false;
    std::printf("%s: playing stage %zu first, which no earlier test kept\n", device.c_str(), stage + 1);
    return play(stage) && kept(device, stage);
}

fs::path StageEnds::root() const
{
    if (const char* build = std::getenv("MOSSWICK_BUILD_DIR"); build && *build) return fs::path(build) / kind_;
    static TempDir scratch;
    return fs::path(scratch.path()) / kind_;
}

std::string StageEnds::stamp() const
{
    std::error_code error;
    auto describe = [&](const fs::path& file) {
        const auto time = fs::last_write_time(file, error).time_since_epoch().count();
        return file.string() + " " + std::to_string(fs::file_size(file, error)) + " " + std::to_string(time) +
               "\n";
    };
    const fs::path bundle = Paths::bundleDirectory();
    std::string text = describe(fs::read_symlink("/proc/self/exe", error));
    if (!stamped_.empty()) {
        for (const std::string& name : stamped_) text += describe(bundle / name);
        return text;
    }
    fs::path newest;
    fs::file_time_type newestTime{};
    for (const auto& entry : fs::recursive_directory_iterator(bundle, error))
        if (entry.is_regular_file(error) && entry.last_write_time(error) > newestTime) {
            newestTime = entry.last_write_time(error);
            newest = entry.path();
        }
    return text + describe(newest);
}

} // namespace mw::test
