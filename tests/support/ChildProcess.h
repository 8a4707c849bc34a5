#pragma once

// A program of the build run as a child of a test: started with the test's
// environment plus some variables, its standard error (and its standard
// output, unless the test reads that line by line) written to a log file.
// Signal dispositions and the signal mask start at their defaults whatever
// the test process set. The destructor kills and reaps a child still running,
// so no test leaves one behind.

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

namespace mw::test {

class ChildProcess {
public:
    enum class Output { ToLog, ToPipe };

    // `environment` holds "NAME=value" entries added to (or replacing) the
    // test's own. A test failure when the program cannot be started.
    ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                 const std::vector<std::string>& environment, const std::string& logFile,
                 Output output = Output::ToLog);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }
    // The next line of standard output (Output::ToPipe), without its newline;
    // nothing at its end or when none comes within `seconds`.
    std::optional<std::string> readLine(double seconds);
    // Waits up to `seconds` for the child to end: its wait status, or nothing
    // while it still runs.
    std::optional<int> wait(double seconds);
    // Sends `signal`, then waits as wait() does.
    std::optional<int> stop(int signal, double seconds);

    // A program of the build: $MOSSWICK_BUILD_DIR/<name> (CTest sets it).
    static std::string builtProgram(const std::string& name);

private:
    pid_t pid_ = -1;
    int output_ = -1;
    std::string buffer_;
    std::optional<int> status_;
};

} // namespace mw::test
