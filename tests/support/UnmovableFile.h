#pragma once

// The failed move aside, for every kind of file that keeps data between runs:
// a file whose bytes are no such file sits in a folder that refuses every new
// name while its owner reads it (the folder belongs to another user and gives
// no write right; ScopedPermissionChecks holds root to that, so an owner that
// tightens its folder's rights cannot open it either), so the owner can
// neither take the file nor move it aside. The
// moment the move fails (its log line) the folder takes writes again, so an
// owner that goes on to write, then or later, would write over the unread
// file; what the file held must still be there afterwards.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "foundation/Log.h"
#include "foundation/Paths.h"
#include "tests/support/ScopedPermissionChecks.h"
#include "tests/support/TempDir.h"

namespace mw::test {

struct GuardedFileKind {
    const char* name;
    std::function<std::string()> path; // where the file lives
    std::function<void()> open;        // its owner reads it (made afresh, as at a start)
    std::function<void()> change;      // a change its owner writes at once
    // The owner reads the file again at each change (so it may move it aside
    // then and write anew) rather than once when it starts (so the file must
    // stay untouched for the rest of the run).
    bool readsAgain = false;
    std::function<void()> close = [] {}; // the owner goes
};

// What the file held before the owner read it: no file of any kind here.
inline const std::string kNoSuchFile = "\x01\x02 not what this file holds";

// The names in `folder` that `path` was set aside under.
inline std::vector<std::string> setAsideNames(const std::string& path)
{
    const std::filesystem::path file(path);
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(file.parent_path(), error)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(file.filename().string() + ".corrupt-", 0) == 0) names.push_back(name);
    }
    return names;
}

// Runs the kind through a failed move aside; a test failure names what was lost.
// False (with a note) when the permission bits cannot be made to apply here.
inline bool checkFailedMoveAside(const GuardedFileKind& kind)
{
    SCOPED_TRACE(kind.name);
    const std::string path = kind.path();
    const std::string folder = std::filesystem::path(path).parent_path().string();
    std::error_code error;
    EXPECT_TRUE(Paths::createDirectories(folder));
    TempDir::writeText(path, kNoSuchFile);
    ScopedLogCapture log;
    struct stat before {};
    ::stat(folder.c_str(), &before);
    const mode_t writable = before.st_mode & 07777;
    auto giveBack = [&] {
        (void)::chown(folder.c_str(), before.st_uid, before.st_gid);
        ::chmod(folder.c_str(), writable);
    };
    bool moveFailed = false;
    struct Watch {
        LogSink capture = setLogSink(nullptr);
        ~Watch() { setLogSink(capture); }
    } watch;
    setLogSink([&](const std::string& line) {
        if (line.find("cannot move aside " + path + ":") != std::string::npos && !moveFailed) {
            moveFailed = true;
            giveBack();
        }
        if (watch.capture) watch.capture(line);
    });
    {
        ScopedPermissionChecks checks;
        if (!checks.active()) {
            std::cout << "[ NOTE     ] " << kind.name << ": not tested, the capabilities were not lowered\n";
            return false;
        }
        constexpr uid_t kNobody = 65534;
        ::chmod(folder.c_str(), 0555);
        if (::chown(folder.c_str(), kNobody, kNobody) != 0) {
            giveBack();
            std::cout << "[ NOTE     ] " << kind.name << ": not tested, the folder cannot be given away\n";
            return false;
        }
        kind.open();
        giveBack();
    }
    EXPECT_TRUE(moveFailed) << "the owner never tried to move the file aside";
    EXPECT_TRUE(setAsideNames(path).empty()) << "the fixture let the file be moved";
    kind.change();
    const std::vector<std::string> aside = setAsideNames(path);
    if (kind.readsAgain) {
        // Read again once it could be moved: kept under its new name.
        EXPECT_EQ(aside.size(), 1u) << "the unread file was written over";
        if (aside.size() == 1) {
            EXPECT_EQ(TempDir::readText(Paths::join(folder, aside[0])), kNoSuchFile) << "kept aside as it was";
        }
    } else {
        EXPECT_TRUE(aside.empty());
        EXPECT_EQ(TempDir::readText(path), kNoSuchFile) << "the unread file was written over";
    }
    kind.close();
    // The next kind finds no unread file of this one in its way.
    std::filesystem::remove(path, error);
    for (const std::string& name : setAsideNames(path)) std::filesystem::remove(Paths::join(folder, name), error);
    return true;
}

} // namespace mw::test
