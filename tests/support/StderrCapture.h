#pragma once

// Redirects one of the process's standard streams (its file descriptor, so
// that text written by C libraries is caught too) into a scratch file while
// it lives.

#include <cstdio>
#include <fcntl.h>
#include <string>
#include <unistd.h>

#include <gtest/gtest.h>

namespace mw::test {

class StreamCapture {
public:
    // stream is stdout or stderr.
    explicit StreamCapture(FILE* stream) : stream_(stream), fd_(::fileno(stream))
    {
        std::fflush(stream_);
        file_ = std::tmpfile();
        EXPECT_NE(file_, nullptr);
        saved_ = ::dup(fd_);
        if (file_) ::dup2(::fileno(file_), fd_);
    }
    ~StreamCapture()
    {
        restore();
        if (file_) std::fclose(file_);
    }
    StreamCapture(const StreamCapture&) = delete;
    StreamCapture& operator=(const StreamCapture&) = delete;

    // Everything written so far; the stream goes back to where it was.
    std::string text()
    {
        restore();
        std::string captured;
        if (!file_) return captured;
        std::rewind(file_);
        char buffer[4096];
        for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, file_)) > 0;) captured.append(buffer, got);
        return captured;
    }

private:
    void restore()
    {
        if (saved_ < 0) return;
        std::fflush(stream_);
        ::dup2(saved_, fd_);
        ::close(saved_);
        saved_ = -1;
    }

    FILE* stream_;
    int fd_;
    FILE* file_ = nullptr;
    int saved_ = -1;
};

class StderrCapture : public StreamCapture {
public:
    StderrCapture() : StreamCapture(stderr) {}
};

class StdoutCapture : public StreamCapture {
public:
    StdoutCapture() : StreamCapture(stdout) {}
};

} // namespace mw::test
