#pragma once

// Redirects the process's standard error (file descriptor 2, so that text
// written by C libraries is caught too) into a scratch file while it lives.

#include <cstdio>
#include <fcntl.h>
#include <string>
#include <unistd.h>

#include <gtest/gtest.h>

namespace mw::test {

class StderrCapture {
public:
    StderrCapture()
    {
        std::fflush(stderr);
        file_ = std::tmpfile();
        EXPECT_NE(file_, nullptr);
        saved_ = ::dup(STDERR_FILENO);
        if (file_) ::dup2(::fileno(file_), STDERR_FILENO);
    }
    ~StderrCapture()
    {
        restore();
        if (file_) std::fclose(file_);
    }
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;

    // Everything written so far; standard error goes back to where it was.
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
        std::fflush(stderr);
        ::dup2(saved_, STDERR_FILENO);
        ::close(saved_);
        saved_ = -1;
    }

    FILE* file_ = nullptr;
    int saved_ = -1;
};

} // namespace mw::test
