#include "tests/support/ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include <gtest/gtest.h>

extern char** environ;

namespace mw::test {

namespace {

using Clock = std::chrono::steady_clock;

Clock::time_point deadlineAfter(double seconds)
{
    return Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

std::string nameOf(const std::string& entry) { return entry.substr(0, entry.find('=')); }

} // namespace

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                           const std::vector<std::string>& environment, const std::string& logFile,
                           Output output)
{
    std::vector<std::string> variables;
    for (char** entry = environ; *entry; ++entry) {
        bool replaced = false;
        for (const std::string& added : environment) replaced = replaced || nameOf(added) == nameOf(*entry);
        if (!replaced) variables.emplace_back(*entry);
    }
    variables.insert(variables.end(), environment.begin(), environment.end());
    std::vector<char*> envp;
    for (std::string& variable : variables) envp.push_back(variable.data());
    envp.push_back(nullptr);
    std::vector<std::string> words = {program};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);

    int pipeEnds[2] = {-1, -1};
    if (output == Output::ToPipe && ::pipe2(pipeEnds, O_CLOEXEC) != 0) {
        ADD_FAILURE() << "no pipe for " << program << ": " << std::strerror(errno);
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, logFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    if (output == Output::ToPipe) posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    else posix_spawn_file_actions_adddup2(&actions, STDERR_FILENO, STDOUT_FILENO);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (int signal : {SIGPIPE, SIGINT, SIGTERM, SIGCHLD}) sigaddset(&defaults, signal);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    const int error = ::posix_spawn(&pid_, program.c_str(), &actions, &attributes, argv.data(), envp.data());
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (output == Output::ToPipe) {
        ::close(pipeEnds[1]);
        output_ = pipeEnds[0];
    }
    if (error != 0) {
        pid_ = -1;
        ADD_FAILURE() << "cannot start " << program << ": " << std::strerror(error);
    }
}

ChildProcess::~ChildProcess()
{
    if (started() && !status_) {
        ::kill(pid_, SIGKILL);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
    if (output_ >= 0) ::close(output_);
}

std::optional<std::string> ChildProcess::readLine(double seconds)
{
    const auto deadline = deadlineAfter(seconds);
    while (true) {
        if (const size_t end = buffer_.find('\n'); end != std::string::npos) {
            std::string line = buffer_.substr(0, end);
            buffer_.erase(0, end + 1);
            return line;
        }
        if (output_ < 0) return std::nullopt;
        using std::chrono::milliseconds;
        const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return std::nullopt;
        pollfd watch{output_, POLLIN, 0};
        if (::poll(&watch, 1, static_cast<int>(left)) <= 0) continue;
        char chunk[4096];
        const ssize_t got = ::read(output_, chunk, sizeof chunk);
        if (got <= 0) return std::nullopt;
        buffer_.append(chunk, static_cast<size_t>(got));
    }
}

std::optional<int> ChildProcess::wait(double seconds)
{
    if (!started() || status_) return status_;
    const auto deadline = deadlineAfter(seconds);
    do {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            status_ = status;
            return status_;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    } while (Clock::now() < deadline);
    return std::nullopt;
}

std::optional<int> ChildProcess::stop(int signal, double seconds)
{
    if (started() && !status_) ::kill(pid_, signal);
    return wait(seconds);
}

std::string ChildProcess::builtProgram(const std::string& name)
{
    const char* folder = std::getenv("MOSSWICK_BUILD_DIR");
    if (!folder || !*folder) {
        ADD_FAILURE() << "MOSSWICK_BUILD_DIR is not set (CTest sets it to the build folder)";
        return name;
    }
    return std::string(folder) + "/" + name;
}

} // namespace mw::test
