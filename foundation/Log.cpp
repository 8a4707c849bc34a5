#include "foundation/Log.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <utility>

#include "foundation/Format.h"

namespace mw {

namespace {

// Recursive so that a sink may log (its line goes to the same sink).
std::recursive_mutex& logMutex()
{
    static std::recursive_mutex mutex;
    return mutex;
}

LogSink& currentSink()
{
    static LogSink sink;
    return sink;
}

// To the sink when one is installed, else to the stream with its newline.
void writeLine(LogStream stream, std::string line)
{
    std::lock_guard<std::recursive_mutex> lock(logMutex());
    if (currentSink()) {
        currentSink()(line);
        return;
    }
    FILE* file = stream == LogStream::standardOutput ? stdout : stderr;
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), file);
    std::fflush(file);
}

} // namespace

void logLine(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    std::string line = vformat(fmt, args);
    va_end(args);
    writeLine(LogStream::standardError, std::move(line));
}

void logLineTo(LogStream stream, const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    std::string line = vformat(fmt, args);
    va_end(args);
    writeLine(stream, std::move(line));
}

LogSink setLogSink(LogSink sink)
{
    std::lock_guard<std::recursive_mutex> lock(logMutex());
    LogSink previous = std::move(currentSink());
    currentSink() = std::move(sink);
    return previous;
}

struct ScopedLogCapture::State {
    mutable std::mutex mutex;
    std::vector<std::string> lines;
};

ScopedLogCapture::ScopedLogCapture() : state_(std::make_shared<State>())
{
    std::shared_ptr<State> state = state_;
    previous_ = setLogSink([state](const std::string& line) {
        std::lock_guard<std::mutex> lock(state->mutex);
        state->lines.push_back(line);
    });
}

ScopedLogCapture::~ScopedLogCapture() { setLogSink(std::move(previous_)); }

std::vector<std::string> ScopedLogCapture::lines() const
{
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->lines;
}

bool ScopedLogCapture::contains(const std::string& text) const
{
    std::lock_guard<std::mutex> lock(state_->mutex);
    return std::any_of(state_->lines.begin(), state_->lines.end(),
                       [&](const std::string& line) { return line.find(text) != std::string::npos; });
}

} // namespace mw
