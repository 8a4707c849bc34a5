#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "foundation/AtomicFile.h"
#include "foundation/Clock.h"
#include "foundation/Log.h"
#include "foundation/Paths.h"
#include "foundation/RunLoop.h"
#include "social/data/CCDataStore.h"
#include "social/data/CCUniqueId.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/SharedInstances.h"
#include "tests/support/TempDir.h"

namespace mw {
namespace {

constexpr double kStart = 1'700'000'000;

// A store over a scratch documents folder and a clock the test moves.
class DataStoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::resetSharedInstances();
        RunLoop::main().drain();
    }
    void TearDown() override
    {
        test::resetSharedInstances();
        RunLoop::main().drain();
    }
    // The shared store as a restart would find it: dropped and read again.
    CCDataStore* restart()
    {
        CCDataStore::purgeSharedInstance();
        return CCDataStore::sharedInstance();
    }
    std::vector<std::string> asideFiles() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(Paths::documentsDirectory())) {
            const std::string name = entry.path().filename().string();
            if (name.rfind("DataStore.corrupt-", 0) == 0) names.push_back(name);
        }
        return names;
    }

    test::TempDir home_;
    test::ScopedEnv homeEnv_ {"MOSSWICK_HOME", home_.path()};
    std::shared_ptr<ManualClock> clock_ = std::make_shared<ManualClock>(0, kStart);
    ScopedClockSource clockScope_ {clock_};
};

Value description(Value id) { return Value::array({Value("banner"), std::move(id), Value(3), Value(), Value("x")}); }

TEST_F(DataStoreTest, BannerImpressionsCountOnlyAfterEveryBannerHadItsTurn)
{
    struct Row {
        const char* name;
        int otherRecords; // records of other ids logged before
        double after;     // seconds between the two sightings of id 7
        const char* type;
        size_t times;     // sightings of id 7 stored
    };
    const Row rows[] = {
        {"one record, 2 s", 0, 2.0, "lite_banner", 1},
        {"one record, 5 s", 0, 5.0, "lite_banner", 2},
        {"three records, 14.8 s", 2, 14.8, "lite_banner", 1},
        {"three records, 14.9 s", 2, 14.9, "lite_banner", 2},
        {"not a banner, 0 s", 0, 0.0, "image", 2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CCDataStore* store = restart();
        store->removeAllKeys();
        for (int other = 0; other < row.otherRecords; ++other) {
            store->logImpressionData(description(Value(100 + other)), row.type, true);
        }
        store->logImpressionData(description(Value(7)), row.type, true);
        clock_->advance(row.after);
        store->logImpressionData(description(Value(7)), row.type, true);
        const int index = store->impressionDataIndex(Value(7));
        ASSERT_GE(index, 0);
        const Value& record = store->valueForKey("currentimpressiondata")[index];
        EXPECT_EQ(record[5].size(), row.times);
        EXPECT_EQ(store->valueForKey("currentimpressiondata").size(), size_t(row.otherRecords + 1));
    }
}

TEST_F(DataStoreTest, AnImpressionWithoutAnIdLogsAndWritesNothing)
{
    CCDataStore* store = CCDataStore::sharedInstance();
    store->logImpressionData(description(Value()), "lite_banner", true);
    EXPECT_FALSE(store->containsKey("currentimpressiondata"));
    EXPECT_EQ(store->writeCount(), 0u);
}

TEST_F(DataStoreTest, MovingToReadyWaitsForTheEarlierBatch)
{
    CCDataStore* store = CCDataStore::sharedInstance();
    EXPECT_FALSE(store->moveLumoraUsageDataToReadyToGo()) << "nothing to move";
    store->logUsageDataForTabActivated("news");
    EXPECT_TRUE(store->moveLumoraUsageDataToReadyToGo());
    EXPECT_EQ(store->readyToGoLumoraUsageData().size(), 1u);
    EXPECT_FALSE(store->containsKey("currentusagedata"));

    store->logUsageDataForTabActivated("profile");
    const size_t writes = store->writeCount();
    EXPECT_TRUE(store->moveLumoraUsageDataToReadyToGo()) << "a ready batch still waits";
    EXPECT_EQ(store->currentUsageData().size(), 1u) << "the new record stays current";
    EXPECT_EQ(store->readyToGoLumoraUsageData().size(), 1u);
    EXPECT_EQ(store->writeCount(), writes);

    store->clearReadyToGoLumoraUsageData();
    EXPECT_TRUE(store->moveUsageDataToReadyToGo());
    EXPECT_EQ(store->readyToGoLumoraUsageData()[0][6], Value("profile"));
}

TEST_F(DataStoreTest, TypedKeysAndTheirWriteMoments)
{
    struct Row {
        const char* name;
        std::function<void(CCDataStore&)> change;
        size_t writes;
        std::function<bool(CCDataStore&)> check;
    };
    const std::vector<Row> rows = {
        {"text token set", [](CCDataStore& s) { s.setTextForToken("Gold", "coin_title"); }, 1,
         [](CCDataStore& s) { return s.textForToken("coin_title") == "Gold"; }},
        {"text token removed",
         [](CCDataStore& s) {
             s.setTextForToken("Gold", "coin_title");
             s.removeTextForToken("coin_title");
         },
         1, [](CCDataStore& s) { return !s.textForToken("coin_title"); }},
        {"tokens reset", [](CCDataStore& s) { s.resetAllTokens(); }, 0,
         [](CCDataStore& s) { return !s.containsKey("uireplacement"); }},
        {"image activation", [](CCDataStore& s) { s.setImageActivationList(std::vector<std::string> {"a", "b"}); },
         1, [](CCDataStore& s) { return s.isImageActivationSetForToken("b") && !s.isImageActivationSetForToken("c"); }},
        {"image activation removed", [](CCDataStore& s) { s.setImageActivationList(std::nullopt); }, 1,
         [](CCDataStore& s) { return !s.containsKey("imageactivate"); }},
        {"spoof user id", [](CCDataStore& s) { s.setSpoofUserId("u-1"); }, 1,
         [](CCDataStore& s) { return s.spoofUserId() == "u-1"; }},
        {"spoof uuid cleared", [](CCDataStore& s) { s.setSpoofUUID(std::nullopt); }, 1,
         [](CCDataStore& s) { return !s.spoofUUID(); }},
        {"spoof udid", [](CCDataStore& s) { s.setSpoofUdid("d-1"); }, 1,
         [](CCDataStore& s) { return s.spoofUdid() == "d-1"; }},
        {"uuid disabled", [](CCDataStore& s) { s.setUUIDEnabled(false); }, 0,
         [](CCDataStore& s) { return !s.UUIDEnabled() && s.valueForKey("uuidenabled") == Value("no"); }},
        {"udid enabled again",
         [](CCDataStore& s) {
             s.setUDIDEnabled(false);
             s.setUDIDEnabled(true);
         },
         0, [](CCDataStore& s) { return s.UDIDEnabled() && !s.containsKey("udidenabled"); }},
        {"session count twice",
         [](CCDataStore& s) {
             s.setAppSessionCount();
             s.setAppSessionCount();
         },
         2, [](CCDataStore& s) { return s.appSessionCountSinceInstall() == 2; }},
        {"install date twice",
         [](CCDataStore& s) {
             s.setAppInstallDate();
             s.setAppInstallDate();
         },
         1, [](CCDataStore& s) { return s.valueForKey("appinstalldate").isDate(); }},
        {"opt out", [](CCDataStore& s) { s.setUserOptOut(true); }, 1, [](CCDataStore& s) { return s.userOptOut(); }},
        {"installed twice",
         [](CCDataStore& s) {
             s.setAppInstalled();
             s.setAppInstalled();
         },
         1, [](CCDataStore& s) { return s.appInstalled(); }},
        {"banner id", [](CCDataStore& s) { s.setLastBannerId(Value(12)); }, 0,
         [](CCDataStore& s) { return s.lastBannerId() == Value(12); }},
        {"user level", [](CCDataStore& s) { s.setLastUserLevel(Value(4)); }, 1,
         [](CCDataStore& s) { return s.lastUserLevel() == Value(4); }},
        {"user level removed", [](CCDataStore& s) { s.setLastUserLevel(Value()); }, 1,
         [](CCDataStore& s) { return !s.containsKey("lastUserLevel"); }},
        {"time offset", [](CCDataStore& s) { s.setAnalyticTimeOffset(30); }, 1,
         [](CCDataStore& s) { return s.intervalSince1970WithAnalyticOffset() == kStart + 30; }},
        {"usage now", [](CCDataStore& s) { s.logUsageData(CCDataStore::nullUsageArray(), true); }, 1,
         [](CCDataStore& s) { return s.currentUsageData().size() == 1; }},
        {"usage later", [](CCDataStore& s) { s.logUsageDataForUiActivatedWithType("X"); }, 0,
         [](CCDataStore& s) { return s.currentUsageData().size() == 1; }},
        {"ready lists cleared",
         [](CCDataStore& s) {
             s.clearReadyToGoImpressionData();
             s.clearReadyToGoGameUsageData();
         },
         0, [](CCDataStore& s) { return !s.containsKey("readyimpressiondata"); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        RunLoop::main().drain();
        std::filesystem::remove(CCDataStore::saveFilePath());
        CCDataStore* store = restart();
        const size_t before = store->writeCount();
        row.change(*store);
        EXPECT_EQ(store->writeCount() - before, row.writes);
        EXPECT_TRUE(row.check(*store));
        RunLoop::main().drain();
    }
}

TEST_F(DataStoreTest, DisablingReachesTheFileOnlyWithTheNextWrite)
{
    CCDataStore* store = CCDataStore::sharedInstance();
    store->setUDIDEnabled(false);
    EXPECT_FALSE(store->UDIDEnabled());
    EXPECT_TRUE(restart()->UDIDEnabled()) << "nothing was written";
    restart()->setUDIDEnabled(false);
    CCDataStore::sharedInstance()->setUserOptOut(false);
    EXPECT_FALSE(restart()->UDIDEnabled());
}

TEST_F(DataStoreTest, MinutesSinceInstallAreWholeMinutes)
{
    CCDataStore* store = CCDataStore::sharedInstance();
    EXPECT_EQ(store->minsSinceAppInstallDate(), 0) << "no date yet";
    store->setAppInstallDate();
    clock_->advance(119);
    EXPECT_EQ(store->minsSinceAppInstallDate(), 1);
    clock_->advance(1);
    EXPECT_EQ(store->minsSinceAppInstallDate(), 2);
}

TEST_F(DataStoreTest, ADeferredWriteHappensOnALaterLoopTurn)
{
    CCDataStore* store = CCDataStore::sharedInstance();
    store->logUsageDataForUiActivatedWithType("LUMORASLIMLINE_PULLTAB");
    EXPECT_EQ(store->writeCount(), 0u);
    EXPECT_FALSE(Paths::fileExists(CCDataStore::saveFilePath()));
    RunLoop::main().drain();
    EXPECT_EQ(store->writeCount(), 1u);
    EXPECT_EQ(restart()->currentUsageData().size(), 1u);

    // Deferred ("L") and immediate ("N") writes in one turn: the deferred
    // ones are one write, at the turn, of everything stored by then.
    struct Row {
        const char* steps;
        size_t atOnce;
        size_t afterTheTurn;
    };
    const Row rows[] = {{"LL", 0, 1}, {"LLL", 0, 1}, {"LN", 1, 2}, {"NLL", 1, 2}, {"LNL", 1, 2}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.steps);
        CCDataStore* fresh = restart();
        const size_t before = fresh->writeCount();
        for (const char* step = row.steps; *step; ++step) {
            const int index = static_cast<int>(step - row.steps);
            fresh->setValue(std::string(row.steps) + std::to_string(index), Value(index));
            if (*step == 'L') fresh->writeToFileLater();
            else EXPECT_TRUE(fresh->writeToFile());
        }
        fresh->setValue("after the steps", Value(true));
        EXPECT_EQ(fresh->writeCount() - before, row.atOnce);
        RunLoop::main().drain();
        EXPECT_EQ(fresh->writeCount() - before, row.afterTheTurn);
        const size_t keys = fresh->count();
        EXPECT_EQ(restart()->count(), keys) << "every change reached the file";
    }
}

TEST_F(DataStoreTest, RecordsReadBackSlotForSlotAfterARestart)
{
    CCDataStore* store = CCDataStore::sharedInstance();
    store->setAnalyticTimeOffset(0.5);
    store->logUsageDataForUiActivatedWithType("LUMORASLIMLINE_PULLTAB");
    Value fromServer = Value::array({Value(), Value("TAB_ACT"), Value(int32_t(3)), Value(0.1f), Value(true),
                                     Value(), Value("news")});
    store->logUsageData(fromServer, false);
    store->logImpressionData(description(Value("b-1")), "lite_banner", false);
    store->setTextForToken("Gold coins", "coins_title");
    store->setObject("userid", makeRef<CCUniqueId>("0A1B2C3D-0000-4000-8000-000000000001"));
    store->setValue("newstabactivationdate", Value::dateFromUnixTime(kStart + 3600));
    store->setValue("lastviewedtime", Value(kStart));
    RunLoop::main().drain();
    const Value usage = store->currentUsageData();
    const Value impressions = store->valueForKey("currentimpressiondata");
    const std::vector<std::string> keys = store->keys();

    CCDataStore* read = restart();
    EXPECT_EQ(read->currentUsageData(), usage);
    ASSERT_EQ(read->currentUsageData().size(), 2u);
    const Value& first = read->currentUsageData()[0];
    ASSERT_EQ(first.size(), 7u);
    EXPECT_EQ(first[0], Value(kStart + 0.5));
    for (int slot : {2, 3, 4, 5}) EXPECT_TRUE(first[slot].isNull()) << "slot " << slot;
    const Value& second = read->currentUsageData()[1];
    EXPECT_TRUE(second[2].is32Bit());
    EXPECT_TRUE(second[3].isFloat());
    EXPECT_TRUE(second[4].isBool());
    EXPECT_EQ(read->valueForKey("currentimpressiondata"), impressions);
    EXPECT_TRUE(read->valueForKey("currentimpressiondata")[0][6].isNull());
    EXPECT_TRUE(read->valueForKey("currentimpressiondata")[0][3].isNull());
    EXPECT_EQ(read->textForToken("coins_title"), "Gold coins");
    auto uid = read->objectForKeyAs<CCUniqueId>("userid");
    ASSERT_NE(uid, nullptr);
    EXPECT_EQ(uid->uid(), "0A1B2C3D-0000-4000-8000-000000000001");
    EXPECT_TRUE(read->valueForKey("newstabactivationdate").isDate());
    EXPECT_TRUE(read->valueForKey("lastviewedtime").isReal());
    EXPECT_EQ(read->keys(), keys) << "the keys keep their order";
}

// A store file as earlier versions wrote it: every null slot is the class-
// tagged dictionary, written out in full. It reads back slot for slot, and a
// write gives the very same text (stored files and their readers rely on it).
TEST_F(DataStoreTest, AStoredFileReadsBackAndIsWrittenAgainByteForByte)
{
    const std::string null6 = "\t\t\t\t\t\t<dict>\n"
                              "\t\t\t\t\t\t\t<key>$class</key>\n"
                              "\t\t\t\t\t\t\t<string>$null</string>\n"
                              "\t\t\t\t\t\t</dict>\n";
    const std::string stored = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                               "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                               "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                               "<plist version=\"1.0\">\n"
                               "<dict>\n"
                               "\t<key>$archiver</key>\n"
                               "\t<string>MosswickKeyedArchive</string>\n"
                               "\t<key>$version</key>\n"
                               "\t<integer>1</integer>\n"
                               "\t<key>$top</key>\n"
                               "\t<dict>\n"
                               "\t\t<key>root</key>\n"
                               "\t\t<dict>\n"
                               "\t\t\t<key>$class</key>\n"
                               "\t\t\t<string>NSDictionary</string>\n"
                               "\t\t\t<key>NS.keys</key>\n"
                               "\t\t\t<array>\n"
                               "\t\t\t\t<string>currentusagedata</string>\n"
                               "\t\t\t\t<string>lastviewedtime</string>\n"
                               "\t\t\t</array>\n"
                               "\t\t\t<key>NS.objects</key>\n"
                               "\t\t\t<array>\n"
                               "\t\t\t\t<array>\n"
                               "\t\t\t\t\t<array>\n"
                               "\t\t\t\t\t\t<real>1700000000.5</real>\n"
                               "\t\t\t\t\t\t<string>UI_START</string>\n" +
                               null6 + null6 +
                               "\t\t\t\t\t\t<integer>3</integer>\n" +
                               null6 +
                               "\t\t\t\t\t\t<string>LUMORASLIMLINE_PULLTAB</string>\n"
                               "\t\t\t\t\t</array>\n"
                               "\t\t\t\t\t<array>\n" +
                               null6 +
                               "\t\t\t\t\t\t<string>TAB_ACT</string>\n"
                               "\t\t\t\t\t</array>\n"
                               "\t\t\t\t</array>\n"
                               "\t\t\t\t<real>1700000000</real>\n"
                               "\t\t\t</array>\n"
                               "\t\t</dict>\n"
                               "\t</dict>\n"
                               "</dict>\n"
                               "</plist>\n";
    Paths::createDirectories(Paths::documentsDirectory());
    ASSERT_TRUE(AtomicFile::write(CCDataStore::saveFilePath(), stored));

    CCDataStore* store = restart();
    const Value& usage = store->currentUsageData();
    ASSERT_EQ(usage.size(), 2u);
    EXPECT_EQ(usage[0], Value::array({Value(kStart + 0.5), Value("UI_START"), Value(), Value(), Value(int32_t(3)),
                                      Value(), Value("LUMORASLIMLINE_PULLTAB")}));
    EXPECT_EQ(usage[1], Value::array({Value(), Value("TAB_ACT")}));
    ASSERT_TRUE(store->writeToFile());
    std::vector<uint8_t> written;
    ASSERT_TRUE(AtomicFile::read(CCDataStore::saveFilePath(), written));
    EXPECT_EQ(std::string(written.begin(), written.end()), stored);
}

TEST_F(DataStoreTest, AWrongKindUnderATypedKeyReadsForgivingly)
{
    CCDataStore* store = CCDataStore::sharedInstance();
    store->setValue("sessioncountsinceappinstall", Value("7"));
    store->setValue("appinstalldate", Value(12345));
    store->setValue("useroptout", Value("YES"));
    store->setValue("analytictimeoffset", Value("2.5s"));
    store->setValue("uireplacement", Value("not a map"));
    store->setValue("imageactivate", Value(3));
    EXPECT_EQ(store->appSessionCountSinceInstall(), 7);
    EXPECT_EQ(store->minsSinceAppInstallDate(), 0);
    EXPECT_TRUE(store->userOptOut());
    EXPECT_DOUBLE_EQ(store->analyticTimeOffset(), 2.5);
    EXPECT_FALSE(store->textForToken("a"));
    EXPECT_FALSE(store->isImageActivationSetForToken("a"));
    store->setAppSessionCount();
    EXPECT_EQ(store->appSessionCountSinceInstall(), 8);
    store->setAppInstallDate();
    EXPECT_TRUE(store->valueForKey("appinstalldate").isDate()) << "a number is no install date";
    store->setTextForToken("b", "a");
    EXPECT_EQ(store->textForToken("a"), "b");
}

// The mend: a file that does not read back as a store is kept aside, not
// overwritten, and the store starts empty.
TEST_F(DataStoreTest, AnUnreadableFileIsMovedAsideAndKept)
{
    CCDataStore* good = CCDataStore::sharedInstance();
    good->setObject("userid", makeRef<CCUniqueId>("OLD-ID"));
    ASSERT_TRUE(good->writeToFile());
    const std::string valid = test::TempDir::readText(CCDataStore::saveFilePath());

    struct Row {
        const char* name;
        std::string bytes;
    };
    const Row rows[] = {
        {"not xml", "\x01\x02 garbage"},
        {"truncated", valid.substr(0, valid.size() / 2)},
        {"foreign plist",
         "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>a</key><string>b</string></dict></plist>"},
        {"root not a dictionary", [] {
             KeyedArchiver archiver;
             archiver.encodeItem("root", ArchiveItem(Value("text")));
             const auto bytes = archiver.encodedData();
             return std::string(bytes.begin(), bytes.end());
         }()},
        {"empty", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CCDataStore::purgeSharedInstance();
        for (const std::string& name : asideFiles()) std::filesystem::remove(Paths::documentsPath(name));
        test::TempDir::writeText(CCDataStore::saveFilePath(), row.bytes);
        ScopedLogCapture log;
        CCDataStore* store = CCDataStore::sharedInstance();
        EXPECT_EQ(store->count(), 0u);
        EXPECT_TRUE(log.contains("Lumora Error: DataStore is unreadable"));
        const std::vector<std::string> aside = asideFiles();
        ASSERT_EQ(aside.size(), 1u);
        EXPECT_EQ(store->movedAsidePath(), Paths::documentsPath(aside[0]));
        EXPECT_EQ(test::TempDir::readText(Paths::documentsPath(aside[0])), row.bytes) << "kept as it was";
        store->setValue("firstrun", Value("YES"));
        EXPECT_TRUE(store->writeToFile());
        EXPECT_EQ(test::TempDir::readText(Paths::documentsPath(aside[0])), row.bytes) << "not overwritten";
        EXPECT_EQ(restart()->valueForKey("firstrun"), Value("YES"));
    }
}

// A "DataStore" that exists but cannot be read (here a folder in its place,
// which even the superuser cannot read as a file) may be readable later: it
// stays, and nothing writes over it this run.
TEST_F(DataStoreTest, AFileThatCannotBeReadIsNeverWrittenOver)
{
    const std::string path = CCDataStore::saveFilePath();
    ASSERT_TRUE(Paths::createDirectories(path));
    test::TempDir::writeText(path + "/inside", "kept");
    ScopedLogCapture log;
    CCDataStore* blind = CCDataStore::sharedInstance();
    EXPECT_TRUE(log.contains("Lumora Error: DataStore cannot be read"));
    blind->setValue("x", Value(1));
    EXPECT_FALSE(blind->writeToFile());
    EXPECT_EQ(test::TempDir::readText(path + "/inside"), "kept");
    EXPECT_TRUE(asideFiles().empty());
    EXPECT_EQ(blind->writeCount(), 0u);
}

TEST_F(DataStoreTest, AChangeFromAnotherThreadIsReported)
{
    CCDataStore* store = CCDataStore::sharedInstance();
    ScopedLogCapture log;
    std::thread([store] { (void)store->valueForKey("firstrun"); }).join();
    EXPECT_TRUE(log.contains("called off the main thread"));
}

// A writer killed at any moment leaves the old dictionary or the new one,
// never a torn file. The child writes generation after generation, each a
// dictionary whose every record names its generation; the parent kills it at
// random moments and reads what is on disk.
TEST_F(DataStoreTest, AWriterKilledAtAnyMomentLeavesTheOldOrTheNewDictionary)
{
    const std::string path = CCDataStore::saveFilePath();
    Paths::createDirectories(Paths::documentsDirectory());
    std::mt19937 random(20261210);
    std::uniform_int_distribution<int> pause(0, 8000);
    for (int round = 0; round < 100; ++round) {
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            CCDataStore store;
            for (int generation = 1;; ++generation) {
                store.removeAllKeys();
                store.setValue("generation", Value(generation));
                Value records = Value::array();
                for (int index = 0; index < 300; ++index) {
                    records.push(Value::array({Value(double(generation)), Value("UI_START"), Value(), Value(),
                                               Value(), Value(), Value(generation)}));
                }
                store.setValue("currentusagedata", std::move(records));
                if (!store.writeToFile()) ::_exit(3);
            }
        }
        ::usleep(useconds_t(pause(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "round " << round << " status " << status;
        if (!Paths::fileExists(path)) continue; // killed before the first rename
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(AtomicFile::read(path, bytes));
        CCDataStore::Entries entries;
        std::vector<std::string> order;
        std::string error;
        ASSERT_TRUE(CCDataStore::decodeArchive(bytes.data(), bytes.size(), entries, order, &error))
            << "round " << round << ": " << error;
        const Value generation = entries["generation"].value;
        const Value& records = entries["currentusagedata"].value;
        ASSERT_EQ(records.size(), 300u) << "round " << round;
        for (const Value& record : records.asArray()) ASSERT_EQ(record[6], generation) << "round " << round;
    }
}

} // namespace
} // namespace mw
