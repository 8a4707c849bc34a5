#pragma once

// The ends of a long play's stages, kept so that each stage is a test of its
// own that starts where the stage before ended: under the build folder CTest
// names (else a scratch folder of this process), "<kind>/<device>/<n>-<stage>/"
// holds "home" (the home folder after the quit), "wall" (the clock), the
// play's own notes (a file each) and "stamp" (the test program and the
// bundle that made it: an end kept by another build is never taken up).

#include <cstddef>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace mw::test {

// A stage of a play: its name and the steps of `Play` it takes.
template <typename Play>
struct PlayStage {
    const char* name;
    std::vector<void (Play::*)()> steps;
};

class StageEnds {
public:
    // `stages` names the stages in their order; `stamped` the bundle's files
    // the stamp describes (none: the bundle's newest file, whichever it is).
    StageEnds(std::string kind, std::vector<std::string> stages, std::vector<std::string> stamped = {});
    // The names of a table of stages that each have a `name`.
    template <typename Stages>
    static std::vector<std::string> namesOf(const Stages& stages)
    {
        std::vector<std::string> names;
        for (const auto& stage : stages) names.push_back(stage.name);
        return names;
    }

    std::filesystem::path folder(const std::string& device, size_t stage) const;
    // Whether this build kept the end of `stage`.
    bool kept(const std::string& device, size_t stage) const;
    // The clock at the end of `stage`.
    double wall(const std::string& device, size_t stage) const;
    // A note kept with the end of `stage` ("" when there is none).
    std::string note(const std::string& device, size_t stage, const std::string& name) const;
    // Forgets the end of `stage`, so that a play of it that fails leaves none.
    void discard(const std::string& device, size_t stage) const;
    // The home folder at the end of `stage` copied into `home`.
    bool restore(const std::string& device, size_t stage, const std::string& home) const;
    // Keeps a stage's end: written beside, then put in place whole.
    void keep(const std::string& device, size_t stage, const std::string& home, double wall,
              const std::map<std::string, std::string>& notes) const;
    // The end of `stage` kept by this build, played here when no earlier test
    // kept it: `play` plays a stage from the end before it, keeps its end and
    // answers whether it got that far.
    bool ensureKept(const std::string& device, size_t stage, const std::function<bool(size_t)>& play) const;

private:
    std::filesystem::path root() const;
    // The program's file and the bundle's files, each by size and time.
    std::string stamp() const;

    std::string kind_;
    std::vector<std::string> stages_;
    std::vector<std::string> stamped_;
};

} // namespace mw::test
