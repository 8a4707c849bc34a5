#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <filesystem>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "foundation/AtomicFile.h"
#include "foundation/PropertyList.h"
#include "tests/support/TempDir.h"

namespace mw {
namespace {

using test::TempDir;

TEST(AtomicFileTest, ReplacesTheFileAndLeavesNoTemporary)
{
    TempDir dir;
    const std::string path = dir.file("save.plist");
    ASSERT_TRUE(AtomicFile::write(path, std::string("first")));
    ASSERT_TRUE(AtomicFile::write(path, std::string("second, longer")));
    EXPECT_EQ(TempDir::readText(path), "second, longer");
    ASSERT_TRUE(AtomicFile::write(path, std::string()));
    EXPECT_EQ(TempDir::readText(path), "");
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"save.plist"});
}

// The temporary file is private; what lands under the name must not be.
TEST(AtomicFileTest, NewFilesAreReadableAndReplacedFilesKeepTheirMode)
{
    TempDir dir;
    const std::string path = dir.file("shot.png");
    auto modeOf = [](const std::string& file) {
        struct stat info {};
        EXPECT_EQ(::stat(file.c_str(), &info), 0);
        return info.st_mode & 07777;
    };
    ASSERT_TRUE(AtomicFile::write(path, std::string("first")));
    EXPECT_EQ(modeOf(path), 0644u);
    ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
    ASSERT_TRUE(AtomicFile::write(path, std::string("second")));
    EXPECT_EQ(modeOf(path), 0600u);
}

TEST(AtomicFileTest, FailuresKeepTheOldFileAndRemoveTheTemporary)
{
    TempDir dir;
    const std::string kept = dir.file("kept");
    TempDir::writeText(kept, "old contents");
    std::filesystem::create_directory(dir.file("folder"));
    struct Case {
        const char* name;
        std::string path;
    };
    const std::vector<Case> cases = {
        {"missing folder", dir.file("no/such/folder/file")},
        {"target is a folder", dir.file("folder")},
        {"empty path", ""},
        {"path ends in a slash", dir.file("kept/")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string error;
        EXPECT_FALSE(AtomicFile::write(c.path, std::string("new contents"), &error));
        EXPECT_FALSE(error.empty());
    }
    EXPECT_EQ(TempDir::readText(kept), "old contents");
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"folder", "kept"}));
    EXPECT_TRUE(std::filesystem::is_empty(dir.file("folder")));
}

// The child process is killed with SIGKILL in the middle of writing the
// temporary file: a file-size limit makes the kernel raise SIGXFSZ once the
// first 64 KiB are on disk, and the handler turns that into SIGKILL, so the
// kill always lands at the same point of the write.
TEST(AtomicFileTest, AWriterKilledMidWriteLeavesTheOldFileWhole)
{
    TempDir dir;
    const std::string path = dir.file("supersave.plist");
    const Value old = Value::dictionary({{"gold", 1234}, {"name", "Old village"}});
    ASSERT_TRUE(writePropertyListFile(path, old));
    const std::string oldBytes = TempDir::readText(path);
    constexpr rlim_t kLimit = 64 * 1024;

    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        struct rlimit noCore {0, 0};
        ::setrlimit(RLIMIT_CORE, &noCore);
        struct rlimit sizeLimit {kLimit, kLimit};
        ::setrlimit(RLIMIT_FSIZE, &sizeLimit);
        ::signal(SIGXFSZ, [](int) { ::raise(SIGKILL); });
        const std::string payload(4 * 1024 * 1024, 'x');
        (void)AtomicFile::write(path, payload);
        ::_exit(0); // not reached: the write is killed first
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the writer was not killed; status " << status;
    EXPECT_EQ(WTERMSIG(status), SIGKILL);

    EXPECT_EQ(TempDir::readText(path), oldBytes);
    EXPECT_EQ(readPropertyListFile(path), old);
    // The half-written temporary is what the kill left behind, beside the old file.
    std::vector<std::string> names = dir.entries();
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[1], "supersave.plist");
    EXPECT_EQ(names[0].rfind(".supersave.plist.tmp-", 0), 0u) << names[0];
    EXPECT_EQ(std::filesystem::file_size(dir.file(names[0])), kLimit);

    // The next write goes through and clears what the killed one left.
    EXPECT_TRUE(AtomicFile::write(path, std::string("fresh")));
    EXPECT_EQ(TempDir::readText(path), "fresh");
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"supersave.plist"});
}

// Only temporary files of the same target whose writer is gone are removed; a
// live writer (in another process, or another thread) holds a lock on its own.
TEST(AtomicFileTest, AWriteRemovesStaleTemporariesOfItsTargetOnly)
{
    TempDir dir;
    struct Case {
        const char* name;
        bool locked;
        bool folder;
        bool removed;
    };
    const std::vector<Case> cases = {
        {".save.plist.tmp-Ab12Cd", false, false, true},
        {".save.plist.tmp-zzzzzz", false, false, true},
        {".save.plist.tmp-Xy34Zw", true, false, false},
        {".save.plist.tmp-Fo1der", false, true, false},
        {".other.plist.tmp-Ab12Cd", false, false, false},
        {".save.plist.tmp-short", false, false, false},
        {".save.plist.tmp-Ab12Cd.bak", false, false, false},
        {"save.plist.tmp-Ab12Cd", false, false, false},
        {".save.plist.tmp-Ab12Cd~", false, false, false},
    };
    std::vector<int> lockHolders;
    std::vector<std::string> kept = {"save.plist"};
    for (const Case& c : cases) {
        if (c.folder) {
            std::filesystem::create_directory(dir.file(c.name));
        } else {
            TempDir::writeText(dir.file(c.name), "half");
        }
        if (c.locked) {
            const int fd = ::open(dir.file(c.name).c_str(), O_RDONLY | O_CLOEXEC);
            ASSERT_GE(fd, 0);
            ASSERT_EQ(::flock(fd, LOCK_EX), 0);
            lockHolders.push_back(fd);
        }
        if (!c.removed) kept.push_back(c.name);
    }
    std::sort(kept.begin(), kept.end());
    EXPECT_TRUE(AtomicFile::write(dir.file("save.plist"), std::string("whole")));
    EXPECT_EQ(dir.entries(), kept);
    for (int fd : lockHolders) ::close(fd);
}

// Each writer's cleaning must leave the others' temporary files alone.
TEST(AtomicFileTest, ConcurrentWritersOfOneFileAllSucceed)
{
    TempDir dir;
    const std::string path = dir.file("save.plist");
    std::atomic<int> failures{0};
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t) {
        writers.emplace_back([&, t] {
            const std::string payload(1000 * (t + 1), static_cast<char>('a' + t));
            for (int i = 0; i < 50; ++i) {
                if (!AtomicFile::write(path, payload)) ++failures;
            }
        });
    }
    for (std::thread& writer : writers) writer.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"save.plist"});
    const std::string last = TempDir::readText(path);
    ASSERT_FALSE(last.empty());
    EXPECT_EQ(last, std::string(last.size(), last[0]));
}

TEST(AtomicFileTest, MoveAsideNeverOverwritesAnEarlierCopy)
{
    TempDir dir;
    const std::string path = dir.file("UserDefaults.plist");
    TempDir::writeText(path, "first broken");
    const std::string first = AtomicFile::moveAside(path);
    TempDir::writeText(path, "second broken");
    const std::string second = AtomicFile::moveAside(path);
    ASSERT_FALSE(first.empty());
    ASSERT_FALSE(second.empty());
    EXPECT_NE(first, second);
    EXPECT_EQ(first.rfind(path + ".corrupt-", 0), 0u) << first;
    EXPECT_EQ(TempDir::readText(first), "first broken");
    EXPECT_EQ(TempDir::readText(second), "second broken");
    EXPECT_FALSE(std::filesystem::exists(path));

    std::string error;
    EXPECT_EQ(AtomicFile::moveAside(dir.file("missing"), &error), "");
    EXPECT_FALSE(error.empty());
}

TEST(AtomicFileTest, ReadReportsWhatItCannotRead)
{
    TempDir dir;
    std::vector<uint8_t> bytes{1, 2, 3};
    std::string error;
    EXPECT_FALSE(AtomicFile::read(dir.file("missing"), bytes, &error));
    EXPECT_TRUE(bytes.empty());
    EXPECT_FALSE(AtomicFile::read(dir.path(), bytes, &error));
    EXPECT_NE(error.find("folder"), std::string::npos) << error;
}

// A read that would never end (a link to /dev/zero, a pipe nobody writes)
// or that would fill the memory (a huge file) is refused with its reason.
// Each runs in a child under a short timer, so a read that does not stop
// ends the child, not the test.
TEST(AtomicFileTest, AFileWithoutEndOrLargerThanItsBoundIsRefused)
{
    TempDir dir;
    constexpr size_t kLimit = size_t(1) << 20;
    const std::string zero = dir.file("zero");
    std::filesystem::create_symlink("/dev/zero", zero);
    const std::string pipe = dir.file("pipe");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const std::string huge = dir.file("huge");
    const std::string bounded = dir.file("bounded");
    for (const auto& [path, size] : {std::pair{huge, kLimit + 1}, std::pair{bounded, kLimit}}) {
        const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, off_t(size)), 0); // sparse: no disk used
        ::close(fd);
    }
    struct Case {
        const char* name;
        std::string path;
        bool read;
        const char* reason;
    };
    const Case cases[] = {
        {"a link to /dev/zero", zero, false, "is not a regular file"},
        {"a pipe", pipe, false, "is not a regular file"},
        {"one byte beyond the bound", huge, false, "holds more than 1048576 bytes"},
        {"at the bound", bounded, true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int answer[2];
        ASSERT_EQ(::pipe(answer), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(answer[0]);
            itimerval timer{};
            timer.it_value.tv_usec = 500000;
            ::setitimer(ITIMER_REAL, &timer, nullptr); // SIGALRM ends the child
            std::vector<uint8_t> bytes;
            std::string error;
            const bool read = AtomicFile::read(c.path, bytes, &error, kLimit);
            const std::string said = (read ? "read " + std::to_string(bytes.size()) : "refused ") + error;
            (void)!::write(answer[1], said.data(), said.size());
            _exit(0);
        }
        ::close(answer[1]);
        std::string said;
        char buffer[512];
        for (ssize_t got; (got = ::read(answer[0], buffer, sizeof buffer)) > 0;) said.append(buffer, size_t(got));
        ::close(answer[0]);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFEXITED(status)) << "the read did not end";
        if (c.read) {
            EXPECT_EQ(said, "read " + std::to_string(kLimit));
        } else {
            EXPECT_EQ(said.rfind("refused cannot read " + c.path, 0), 0u) << said;
            EXPECT_NE(said.find(c.reason), std::string::npos) << said;
        }
    }
}

} // namespace
} // namespace mw
