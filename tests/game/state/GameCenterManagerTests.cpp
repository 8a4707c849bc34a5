#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "foundation/Log.h"
#include "foundation/Paths.h"
#include "foundation/PropertyList.h"
#include "foundation/RunLoop.h"
#include "game/state/GameCenterManager.h"
#include "tests/support/RecordingPlatformServices.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"
#include "tests/support/UnmovableFile.h"

namespace mw {
namespace {

using test::RecordingGameCenter;

class RecordingDelegate : public GameCenterManagerDelegate {
public:
    void achievementSubmitted(GKAchievement* achievement, const GameCenterResult& error) override
    {
        calls.push_back(std::string("submitted ") + (achievement ? achievement->identifier : "-") +
                        (error ? " error" : ""));
    }
    void scoreReported(const GameCenterResult& error) override { calls.push_back(error ? "score error" : "score"); }
    void processGameCenterAuth(const GameCenterResult& error) override { calls.push_back(error ? "auth error" : "auth"); }
    std::vector<std::string> calls;
};

class GameCenterManagerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        previous_ = GameCenter::replaceSharedInstance(service_);
        manager_ = makeRef<GameCenterManager>();
        manager_->setDelegate(&delegate_);
    }
    void TearDown() override
    {
        manager_->stop();
        settle();
        GameCenter::replaceSharedInstance(previous_);
    }
    // Runs the main loop until nothing is queued.
    static void settle()
    {
        for (int i = 0; i < 20 && RunLoop::main().pendingWorkCount() > 0; ++i) RunLoop::main().drain();
    }
    std::vector<std::string> offline()
    {
        std::vector<std::string> ids;
        auto file = readPropertyListFile(GameCenterManager::offlineFilePath());
        if (!file || !file->asDict().contains("Achievements")) return ids;
        auto list = GameCenterManager::decodeOfflineAchievements((*file)["Achievements"].asData());
        EXPECT_TRUE(list.has_value());
        for (const auto& a : *list) ids.push_back(a->identifier);
        return ids;
    }
    void keep(const std::string& id)
    {
        auto achievement = makeRef<GKAchievement>(id, 100);
        manager_->saveAchievementToDevice(*achievement);
    }

    test::TempDir home_;
    test::ScopedEnv homeEnv_{"MOSSWICK_HOME", home_.path()};
    std::shared_ptr<RecordingGameCenter> service_ = std::make_shared<RecordingGameCenter>();
    std::shared_ptr<GameCenter> previous_;
    Ref<GameCenterManager> manager_;
    RecordingDelegate delegate_;
};

TEST_F(GameCenterManagerTest, SubmissionsGoThroughTheCacheAndFailuresAreKept)
{
    struct Row {
        const char* name;
        std::map<std::string, double> serviceHolds;
        const char* failing; // operation scripted to fail, or null
        double percent;
        std::vector<std::string> calls;
        std::vector<std::string> kept;
    };
    const Row rows[] = {
        {"no cache: load then submit", {}, nullptr, 100, {"load", "report a 100"}, {}},
        {"load fails: kept offline", {}, RecordingGameCenter::kLoad, 100, {"load"}, {"a"}},
        {"already complete", {{"a", 100}}, nullptr, 100, {"load"}, {}},
        {"lower than known", {{"a", 60}}, nullptr, 50, {"load"}, {}},
        {"higher than known", {{"a", 60}}, nullptr, 80, {"load", "report a 80"}, {}},
        {"report fails: kept offline", {}, RecordingGameCenter::kReport, 100, {"load", "report a 100"}, {"a"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        manager_->stop();
        manager_ = makeRef<GameCenterManager>(); // an empty cache
        std::filesystem::remove(GameCenterManager::offlineFilePath());
        service_->calls.clear();
        service_->reported = row.serviceHolds;
        if (row.failing) service_->failNext(row.failing, {3, "offline"});
        manager_->submitAchievement("a", row.percent);
        settle();
        EXPECT_EQ(service_->calls, row.calls);
        EXPECT_EQ(offline(), row.kept);
    }
}

TEST_F(GameCenterManagerTest, SameAchievementTwiceIsReportedOnce)
{
    manager_->submitAchievement("a", 100);
    settle();
    manager_->submitAchievement("a", 100);
    settle();
    EXPECT_EQ(service_->calls, (std::vector<std::string>{"load", "report a 100"}));
}

TEST_F(GameCenterManagerTest, SignInByNotificationSendsTheKeptAchievementsInOrder)
{
    keep("first");
    keep("second");
    EXPECT_EQ(offline(), (std::vector<std::string>{"first", "second"}));
    service_->setAuthenticated(true);
    EXPECT_TRUE(manager_->UserLoged);
    settle();
    EXPECT_EQ(service_->achievements, (std::vector<std::string>{"first", "second"}));
    EXPECT_TRUE(offline().empty());
    service_->setAuthenticated(false);
    EXPECT_FALSE(manager_->UserLoged);

    // A stopped manager no longer follows sign-ins.
    manager_->stop();
    service_->setAuthenticated(true);
    EXPECT_FALSE(manager_->UserLoged);
}

TEST_F(GameCenterManagerTest, OtherEntriesOfTheOfflineFileStay)
{
    Paths::createDirectories(Paths::documentsDirectory());
    Value::Dictionary foreign;
    foreign.set("Someone", Value("else's"));
    ASSERT_TRUE(writePropertyListFile(GameCenterManager::offlineFilePath(), Value(foreign)));
    keep("a");
    service_->setAuthenticated(true);
    settle();
    auto file = readPropertyListFile(GameCenterManager::offlineFilePath());
    ASSERT_TRUE(file.has_value());
    EXPECT_EQ((*file)["Someone"].asString(), "else's");
    EXPECT_FALSE(file->asDict().contains("Achievements"));
}

TEST_F(GameCenterManagerTest, DamagedOfflineFileIsMovedAsideNotOverwritten)
{
    Paths::createDirectories(Paths::documentsDirectory());
    const std::string damaged = "<plist><dict><key>Achievements</key><data>!!</data></dict></plist>";
    test::TempDir::writeText(GameCenterManager::offlineFilePath(), damaged);
    ScopedLogCapture log;
    keep("a");
    EXPECT_TRUE(log.contains("is unreadable"));
    EXPECT_EQ(offline(), std::vector<std::string>{"a"});
    int aside = 0;
    for (const auto& entry : std::filesystem::directory_iterator(Paths::documentsDirectory())) {
        if (entry.path().filename().string().find(".corrupt-") == std::string::npos) continue;
        ++aside;
        EXPECT_EQ(test::TempDir::readText(entry.path().string()), damaged);
    }
    EXPECT_EQ(aside, 1);
}

TEST_F(GameCenterManagerTest, AnOfflineFileThatCannotBeMovedAsideIsNeverWrittenOver)
{
    (void)test::checkFailedMoveAside({"the offline achievements",
                                      [] { return GameCenterManager::offlineFilePath(); },
                                      [&] { keep("a"); },
                                      [&] {
                                          keep("b");
                                          EXPECT_EQ(offline(), std::vector<std::string>{"b"});
                                      },
                                      true});
}

TEST_F(GameCenterManagerTest, DelegateHearsResultsOnlyFromTheRunLoop)
{
    manager_->authenticateLocalUser();
    manager_->reportScore(12, "com.zandovar.mw.totalpoints");
    manager_->submitAchievement("a", 100);
    EXPECT_TRUE(delegate_.calls.empty());
    settle();
    EXPECT_EQ(delegate_.calls, (std::vector<std::string>{"auth error", "score", "submitted a"}));
    // After stop(), results still on their way reach nobody.
    manager_->reportScore(13, "com.zandovar.mw.totalpoints");
    manager_->stop();
    settle();
    EXPECT_EQ(delegate_.calls.size(), 3u);
}

} // namespace
} // namespace mw
