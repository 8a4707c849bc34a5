#include "analytics/TallySessionStore.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "foundation/Log.h"
#include "foundation/Paths.h"
#include "tests/analytics/TallySessionTestSupport.h"

namespace mw {
namespace {

using Bytes = TallySessionStore::Bytes;

class TallySessionStoreTest : public test::TallySessionFixture {
protected:
    void SetUp() override { TallySessionStore::setApplicationKey("QX3TR7WMB2KJ9PLD4HSZ"); }

    static Bytes record(int i) { return Bytes { uint8_t(i >> 8), uint8_t(i), 0xAB }; }

    static std::vector<Bytes> stored()
    {
        std::optional<std::vector<Bytes>> records = TallySessionStore::savedSessions();
        EXPECT_TRUE(records.has_value());
        return records.value_or(std::vector<Bytes>());
    }

    static std::vector<std::string> listFolder(const std::string& path);
};

std::vector<std::string> TallySessionStoreTest::listFolder(const std::string& path)
{
    std::vector<std::string> names;
    if (DIR* dir = opendir(path.c_str())) {
        while (const dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") names.push_back(name);
        }
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST_F(TallySessionStoreTest, FileNamesCarryTheKeyHash)
{
    // FNV-1a of the key's bytes, as a signed 32-bit number.
    EXPECT_EQ(TallySessionStore::keyHash(""), int32_t(0x811C9DC5u));
    EXPECT_EQ(TallySessionStore::keyHash("a"), int32_t(0xE40C292Cu));
    const std::string hash = std::to_string(TallySessionStore::keyHash("QX3TR7WMB2KJ9PLD4HSZ"));
    const std::string documents = Paths::documentsDirectory();
    EXPECT_EQ(TallySessionStore::sessionsFilePath(), documents + "/.tallyStored" + hash + "_78.archive");
    EXPECT_EQ(TallySessionStore::currentSessionFilePath(),
              documents + "/.tallyCurrent" + hash + "_78.archive");
    EXPECT_EQ(TallySessionStore::sessionSentFilePath(), documents + "/.tallySent" + hash + "_78.archive");
    EXPECT_EQ(TallySessionStore::initialTimestampFilePath(),
              documents + "/.initialTimestamp" + hash + ".archive");
}

TEST_F(TallySessionStoreTest, FolderAndBackupMarkFollowTheSystemVersion)
{
    const struct {
        const char* version;
        bool documents;
    } cases[] = { { "5.0", false }, { "5.0.1", true } };
    for (const auto& c : cases) {
        TallyUtil::resetSystemVersionForTesting();
        services_.facts->version = c.version;
        services_.attributes->values.clear();
        TallySessionStore::addToSavedSessions(record(1));
        const std::string path = TallySessionStore::sessionsFilePath();
        const std::string folder = c.documents ? Paths::documentsDirectory() : Paths::cachesDirectory();
        EXPECT_EQ(path.rfind(folder + "/", 0), 0u) << c.version << " " << path;
        EXPECT_TRUE(Paths::fileExists(path)) << c.version;
        const auto mark = services_.attributes->get(path, "com.apple.MobileBackup");
        EXPECT_EQ(mark.has_value(), c.documents) << c.version;
        if (mark) {
            EXPECT_EQ(*mark, std::vector<uint8_t> { 1 });
        }
    }
}

TEST_F(TallySessionStoreTest, OlderDotlessFileIsUsedInstead)
{
    const std::string old = TallySessionStore::oldSessionsFilePath();
    TallySessionStore::addToSavedSessions(record(1)); // the hidden file
    const std::string hidden = TallySessionStore::sessionsFilePath();
    ASSERT_NE(hidden, old);
    ASSERT_EQ(rename(hidden.c_str(), old.c_str()), 0);
    EXPECT_EQ(TallySessionStore::sessionsFilePath(), old);
    TallySessionStore::addToSavedSessions(record(2));
    EXPECT_EQ(stored(), (std::vector<Bytes> { record(1), record(2) }));
    EXPECT_FALSE(Paths::fileExists(hidden));
}

TEST_F(TallySessionStoreTest, KeepsTheNewestRecords)
{
    const struct {
        int limit;
        int added;
        int kept;
    } cases[] = { { 50, 51, 50 }, { 10, 51, 10 }, { 0, 3, 0 }, { -4, 3, 0 } };
    for (const auto& c : cases) {
        ASSERT_TRUE(TallySessionStore::setSavedSessions({}));
        TallySessionStore::setMaxSessions(c.limit);
        for (int i = 0; i < c.added; ++i) TallySessionStore::addToSavedSessions(record(i));
        const std::vector<Bytes> records = stored();
        ASSERT_EQ(records.size(), size_t(c.kept)) << c.limit;
        if (c.kept > 0) {
            EXPECT_EQ(records.front(), record(c.added - c.kept)) << c.limit;
            EXPECT_EQ(records.back(), record(c.added - 1)) << c.limit;
        }
    }
}

TEST_F(TallySessionStoreTest, SentRecordsAreRemovedAndLaterOnesKept)
{
    for (int i = 0; i < 4; ++i) TallySessionStore::addToSavedSessions(record(i));
    const std::vector<Bytes> sent = stored();
    TallySessionStore::addToSavedSessions(record(9)); // stored while the report was on its way
    ASSERT_TRUE(TallySessionStore::removeSentSessions(sent));
    EXPECT_EQ(stored(), std::vector<Bytes> { record(9) });
}

TEST_F(TallySessionStoreTest, FirstUseDateStaysAcrossLaunches)
{
    const double first = TallySessionStore::initialTimestamp(test::kTestNow + 0.25);
    EXPECT_EQ(first, test::kTestNow + 0.25);
    for (int launch = 0; launch < 3; ++launch) {
        EXPECT_EQ(TallySessionStore::initialTimestamp(test::kTestNow + 1000 * (launch + 1)), first);
    }
}

TEST_F(TallySessionStoreTest, UnparsableStoredFileIsMovedAsideNotReplaced)
{
    TallySessionStore::addToSavedSessions(record(1));
    const std::string path = TallySessionStore::sessionsFilePath();
    test::TempDir::writeText(path, "<plist>torn");
    ScopedLogCapture capture;
    TallySessionStore::addToSavedSessions(record(2));
    EXPECT_TRUE(capture.contains("moved aside to"));
    EXPECT_EQ(stored(), std::vector<Bytes> { record(2) });
    const std::string folder = path.substr(0, path.rfind('/'));
    const std::string name = path.substr(path.rfind('/') + 1);
    bool kept = false;
    for (const std::string& entry : listFolder(folder)) {
        if (entry.rfind(name + ".corrupt-", 0) == 0) {
            kept = true;
            EXPECT_EQ(test::TempDir::readText(folder + "/" + entry), "<plist>torn");
        }
    }
    EXPECT_TRUE(kept);
}

// A stored file that cannot be read now is neither written over nor
// emptied; the record waits and joins once the file reads again.
TEST_F(TallySessionStoreTest, UnreadableStoredFileIsLeftAlone)
{
    TallySessionStore::addToSavedSessions(record(1));
    const std::string path = TallySessionStore::sessionsFilePath();
    const std::string aside = path + ".test-away";
    ASSERT_EQ(rename(path.c_str(), aside.c_str()), 0);
    ASSERT_EQ(mkdir(path.c_str(), 0700), 0); // a folder cannot be read as a file, even by root
    ScopedLogCapture capture;
    TallySessionStore::addToSavedSessions(record(2));
    EXPECT_FALSE(TallySessionStore::savedSessions().has_value());
    EXPECT_FALSE(TallySessionStore::setSavedSessions({}));
    EXPECT_FALSE(TallySessionStore::removeSentSessions({ record(1) }));
    EXPECT_TRUE(capture.contains("cannot read"));
    ASSERT_EQ(rmdir(path.c_str()), 0);
    ASSERT_EQ(rename(aside.c_str(), path.c_str()), 0);
    TallySessionStore::addToSavedSessions(record(3));
    EXPECT_EQ(stored(), (std::vector<Bytes> { record(1), record(2), record(3) }));
}

TEST_F(TallySessionStoreTest, UnreadableCurrentSessionIsMovedAsideAtLaunch)
{
    const std::string path = TallySessionStore::currentSessionFilePath();
    test::TempDir::writeText(path, "not an archive");
    ScopedLogCapture capture;
    const Ref<TallySession> session = launch();
    EXPECT_TRUE(capture.contains("moved aside to"));
    EXPECT_TRUE(stored().empty());
    const std::string folder = path.substr(0, path.rfind('/'));
    const std::string name = path.substr(path.rfind('/') + 1);
    int asides = 0;
    for (const std::string& entry : listFolder(folder)) {
        if (entry.rfind(name + ".corrupt-", 0) == 0) {
            ++asides;
            EXPECT_EQ(test::TempDir::readText(folder + "/" + entry), "not an archive");
        }
    }
    EXPECT_EQ(asides, 1);
    EXPECT_TRUE(TallySessionStore::readCurrentSession()); // the new session's file
}

TEST_F(TallySessionStoreTest, SentMarker)
{
    EXPECT_FALSE(TallySessionStore::sentSession());
    TallySessionStore::setSentSession();
    EXPECT_TRUE(TallySessionStore::sentSession());
    EXPECT_TRUE(
        services_.attributes->get(TallySessionStore::sessionSentFilePath(), "com.apple.MobileBackup"));
}

} // namespace
} // namespace mw
