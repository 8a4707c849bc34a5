#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace mw {

// Writes one printf-style line to stderr, followed by a newline. Safe from
// any thread: lines never interleave. Numbers are formatted in the C locale
// (see format()); "%@" takes a const char* like "%s".
void logLine(const char* fmt, ...);

// The standard stream a line goes to when no sink is installed.
enum class LogStream { standardError, standardOutput };

// As logLine, but without a sink the line goes to the given stream: the few
// messages the system prints to standard output come through here, so a
// sink still silences or captures them with every other line.
void logLineTo(LogStream stream, const char* fmt, ...);

// Receives every logged line (without its newline) instead of stderr.
using LogSink = std::function<void(const std::string& line)>;

// Installs a sink, or restores stderr with an empty one; answers the previous
// sink. The sink is called under the log lock, so it must not block on a
// thread that logs; it may log itself.
LogSink setLogSink(LogSink sink);

// Collects the lines logged while it lives (tests assert on them), then puts
// the previous sink back.
class ScopedLogCapture {
public:
    ScopedLogCapture();
    ~ScopedLogCapture();
    ScopedLogCapture(const ScopedLogCapture&) = delete;
    ScopedLogCapture& operator=(const ScopedLogCapture&) = delete;

    // A copy of the lines captured so far.
    std::vector<std::string> lines() const;
    // True when some captured line contains the text.
    bool contains(const std::string& text) const;

private:
    struct State;
    std::shared_ptr<State> state_;
    LogSink previous_;
};

} // namespace mw
