#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "foundation/Paths.h"
#include "foundation/RunLoop.h"
#include "game/front/FilesDownloader.h"
#include "game/front/SingleFileDownloader.h"
#include "platform/HTTPTransport.h"
#include "tests/support/LoopbackHTTPServer.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

namespace mw {
namespace {

using test::LoopbackHTTPServer;
namespace fs = std::filesystem;

std::string bytesOfLength(size_t length, char seed = 'a')
{
    std::string text(length, '\0');
    for (size_t i = 0; i < length; ++i) text[i] = static_cast<char>(seed + (i * 13 + i / 97) % 26);
    return text;
}

class Listener : public SingleFileDownloaderDelegate {
public:
    void downloadSizeUpdated(Object* sender) override { note(sender, "size"); }
    void downloadFinished(Object* sender) override
    {
        note(sender, "finished");
        ended = true;
    }
    void downloadFailedWithError(Object* sender, const std::string& message) override
    {
        note(sender, "failed " + message);
        ended = true;
    }
    void note(Object* sender, const std::string& what)
    {
        if (auto* batch = dynamic_cast<FilesDownloader*>(sender)) {
            totals.push_back(std::to_string(batch->totalContentDownloaded()) + "/" +
                             std::to_string(batch->totalContentLength()));
        }
        events.push_back(what);
    }
    std::vector<std::string> events;
    std::vector<std::string> totals;
    bool ended = false;
};

class DownloaderTest : public ::testing::Test {
protected:
    void TearDown() override { setFreeSpaceOverride(nullptr); }
    std::string caches(const std::string& name = "") const { return Paths::cachesDirectory() + "/" + name; }
    // Every file under the caches folder, relative names.
    std::vector<std::string> cachedFiles() const
    {
        std::vector<std::string> names;
        if (!fs::exists(Paths::cachesDirectory())) return names;
        for (const auto& entry : fs::recursive_directory_iterator(Paths::cachesDirectory()))
            if (entry.is_regular_file()) names.push_back(fs::relative(entry.path(), Paths::cachesDirectory()).string());
        std::sort(names.begin(), names.end());
        return names;
    }
    Listener fetch(const std::string& path, const std::string& name)
    {
        Listener listener;
        Paths::createDirectories(Paths::cachesDirectory());
        auto downloader = SingleFileDownloader::fileDownloaderWithSourcePath(server.url(path), name, &listener);
        downloader->startDownload();
        RunLoop::main().runUntil([&] { return listener.ended; }, 10);
        return listener;
    }

    test::TempDir home_;
    test::ScopedEnv homeEnv_{"MOSSWICK_HOME", home_.path()};
    LoopbackHTTPServer server;
};

TEST_F(DownloaderTest, SingleFileOutcomes)
{
    const std::string body = bytesOfLength(200000);
    LoopbackHTTPServer::Reply unsized{200, body, {}, false};
    LoopbackHTTPServer::Reply moved{302, "", {{"Location", "/elsewhere"}}};
    LoopbackHTTPServer::Reply dropped{200, body, {}};
    dropped.dropAfter = 5000;
    struct Row {
        const char* name;
        LoopbackHTTPServer::Reply reply;
        std::optional<uint64_t> freeSpace;
        std::vector<std::string> events;
        bool arrives;
    };
    const Row rows[] = {
        {"plain", {200, body, {}}, std::nullopt, {"size", "finished"}, true},
        {"unknown length, little space", unsized, 1000, {"size", "finished"}, true},
        {"known length above the space", {200, body, {}}, 150000, {"failed Not enough space"}, false},
        {"known length equal to the space", {200, body, {}}, 200000, {"failed Not enough space"}, false},
        {"redirect", moved, std::nullopt, {"failed Unhandled redirect"}, false},
        {"not found", {404, "no such file", {}}, std::nullopt, {"failed Connection Error"}, false},
        {"server error", {500, "broken", {}}, std::nullopt, {"failed Connection Error"}, false},
        {"dropped mid-body", dropped, std::nullopt, {"size", "failed Connection Error"}, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove_all(Paths::cachesDirectory());
        if (row.freeSpace) setFreeSpaceOverride([&](const std::string&) { return row.freeSpace; });
        else setFreeSpaceOverride(nullptr);
        server.script("/file.bin", row.reply);
        Listener listener = fetch("/file.bin", "file.bin");
        EXPECT_EQ(listener.events, row.events);
        if (row.arrives) {
            EXPECT_EQ(test::TempDir::readText(caches("file.bin")), body);
            EXPECT_EQ(cachedFiles(), std::vector<std::string>{"file.bin"}) << "no temporary file left";
        } else {
            EXPECT_TRUE(cachedFiles().empty()) << "neither the target nor a temporary file";
        }
    }
}

TEST_F(DownloaderTest, PresentFileIsReportedWithoutARequest)
{
    Paths::createDirectories(Paths::cachesDirectory());
    test::TempDir::writeText(caches("test.xml"), "12345");
    Listener listener;
    auto downloader = SingleFileDownloader::fileDownloaderWithSourcePath(server.url("/test.xml"), "test.xml", &listener);
    downloader->startDownload();
    EXPECT_EQ(listener.events, (std::vector<std::string>{"size", "finished"}));
    EXPECT_EQ(downloader->contentLength(), 5u);
    EXPECT_TRUE(server.requests().empty());
    EXPECT_EQ(cachedFiles(), std::vector<std::string>{"test.xml"});
}

TEST_F(DownloaderTest, NamesMayHoldFoldersButNeverLeaveTheCaches)
{
    server.script("/a/b/c.txt", {200, "deep", {}});
    EXPECT_EQ(fetch("/a/b/c.txt", "a/b/c.txt").events, (std::vector<std::string>{"size", "finished"}));
    EXPECT_EQ(test::TempDir::readText(caches("a/b/c.txt")), "deep");

    server.script("/x", {200, "escaped", {}});
    const std::string outside = home_.path() + "/x";
    for (const std::string& name : {std::string("../x"), std::string("a/../../x"), outside}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(fetch("/x", name).events, std::vector<std::string>{"failed Can't create file"});
    }
    EXPECT_FALSE(fs::exists(outside));
    EXPECT_FALSE(fs::exists(outside + ".tmp"));
    EXPECT_FALSE(fs::exists(home_.path() + "/x.tmp"));
}

// A file of the player's standing where the target path needs a folder is
// never removed to make room: the download fails once, asking nothing.
TEST_F(DownloaderTest, AFileInTheWayOfAFolderIsLeftAndTheDownloadFails)
{
    const struct {
        const char* inTheWay; // a regular file where the name needs a folder
        const char* name;
    } rows[] = {{"a", "a/b.txt"}, {"d/e", "d/e/f/g.txt"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove_all(Paths::cachesDirectory());
        Paths::createDirectories(fs::path(caches(row.inTheWay)).parent_path().string());
        test::TempDir::writeText(caches(row.inTheWay), "the player's own");
        EXPECT_FALSE(SingleFileDownloader::checkTargetDirectory(caches(row.name)));
        server.script("/b.txt", {200, "fetched", {}});
        EXPECT_EQ(fetch("/b.txt", row.name).events, std::vector<std::string>{"failed Can't create file"});
        EXPECT_EQ(test::TempDir::readText(caches(row.inTheWay)), "the player's own");
        EXPECT_EQ(cachedFiles(), std::vector<std::string>{row.inTheWay});
    }
    EXPECT_TRUE(server.requests().empty());
}

class BatchTest : public DownloaderTest {
protected:
    std::vector<std::string> names{"one.dat", "two.dat", "three.dat", "four.dat", "five.dat"};
    void scriptAll()
    {
        for (size_t i = 0; i < names.size(); ++i)
            server.script("/files/" + names[i], {200, bytesOfLength(1000 * (i + 1), char('a' + i)), {}});
    }
};

TEST_F(BatchTest, SizesOneAfterAnotherThenDownloadsInOrder)
{
    scriptAll();
    Paths::createDirectories(Paths::cachesDirectory());
    Listener listener;
    auto batch = FilesDownloader::downloaderWithFiles(names, server.url("/files/"));
    batch->delegate = &listener;
    EXPECT_EQ(batch->totalPercentsDone(), 0);
    batch->start();
    RunLoop::main().runUntil([&] { return listener.ended; }, 20);
    EXPECT_EQ(batch->status(), FilesDownloader::kComplete);
    std::vector<std::string> expected;
    for (int pass = 0; pass < 2; ++pass)
        for (const auto& name : names) expected.push_back("GET /files/" + name);
    EXPECT_EQ(server.requestLines(), expected) << "sizes first, one after another, then the files in order";
    EXPECT_EQ(listener.events, std::vector<std::string>{"finished"});
    EXPECT_EQ(listener.totals, std::vector<std::string>{"15000/15000"});
    EXPECT_FLOAT_EQ(batch->totalPercentsDone(), 100);
    for (size_t i = 0; i < names.size(); ++i)
        EXPECT_EQ(test::TempDir::readText(caches(names[i])), bytesOfLength(1000 * (i + 1), char('a' + i)));
    EXPECT_EQ(cachedFiles().size(), names.size()) << "no temporary files";
}

TEST_F(BatchTest, PresentFileCountsOnce)
{
    scriptAll();
    Paths::createDirectories(Paths::cachesDirectory());
    test::TempDir::writeText(caches("three.dat"), bytesOfLength(3000, 'c'));
    Listener listener;
    auto batch = FilesDownloader::downloaderWithFiles(names, server.url("/files/"));
    batch->delegate = &listener;
    batch->start();
    RunLoop::main().runUntil([&] { return listener.ended; }, 20);
    EXPECT_EQ(listener.events, std::vector<std::string>{"finished"});
    EXPECT_EQ(server.requestLines().size(), 8u) << "the present file is never asked for";
    EXPECT_EQ(batch->fileSizes(), (std::vector<uint32_t>{1000, 2000, 3000, 4000, 5000}));
    EXPECT_EQ(batch->totalContentLength(), 15000u);
    EXPECT_EQ(batch->totalContentDownloaded(), 15000u);
}

TEST_F(BatchTest, CancellingLeavesNoTemporaryFiles)
{
    scriptAll();
    Paths::createDirectories(Paths::cachesDirectory());
    for (int status : {1, 2}) {
        SCOPED_TRACE(status);
        fs::remove_all(Paths::cachesDirectory());
        Paths::createDirectories(Paths::cachesDirectory());
        Listener listener;
        auto batch = FilesDownloader::downloaderWithFiles(names, server.url("/files/"));
        batch->delegate = &listener;
        batch->start();
        if (status == 2) RunLoop::main().runUntil([&] { return batch->status() == FilesDownloader::kDownloading; }, 10);
        EXPECT_EQ(batch->status(), status);
        batch->cancel();
        EXPECT_EQ(batch->status(), FilesDownloader::kCancelled);
        EXPECT_TRUE(cachedFiles().empty());
    }
    // Idle and complete batches ignore a cancel.
    auto idle = FilesDownloader::downloaderWithFiles(names, server.url("/files/"));
    idle->cancel();
    EXPECT_EQ(idle->status(), FilesDownloader::kIdle);
    Listener listener;
    auto done = FilesDownloader::downloaderWithFiles({"one.dat"}, server.url("/files/"));
    done->delegate = &listener;
    done->start();
    RunLoop::main().runUntil([&] { return listener.ended; }, 10);
    done->cancel();
    EXPECT_EQ(done->status(), FilesDownloader::kComplete);
    EXPECT_TRUE(fs::exists(caches("one.dat")));
}

TEST_F(BatchTest, DestroyedBatchRemovesItsTemporaryFiles)
{
    scriptAll();
    Paths::createDirectories(Paths::cachesDirectory());
    {
        auto batch = FilesDownloader::downloaderWithFiles(names, server.url("/files/"));
        batch->start();
    }
    EXPECT_TRUE(cachedFiles().empty());
}

} // namespace
} // namespace mw
