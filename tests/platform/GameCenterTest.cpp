#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "foundation/KeyedArchive.h"
#include "foundation/Log.h"
#include "foundation/NotificationCenter.h"
#include "foundation/Paths.h"
#include "foundation/RunLoop.h"
#include "platform/GameCenter.h"
#include "tests/support/RecordingPlatformServices.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

namespace mw {
namespace {

// The desktop's service over a scratch data folder.
class DesktopGameCenterTest : public ::testing::Test {
protected:
    DesktopGameCenterTest() : home_("MOSSWICK_HOME", dir_.path()) {}
    void SetUp() override { previous_ = GameCenter::replaceSharedInstance(nullptr); }
    void TearDown() override { GameCenter::replaceSharedInstance(previous_); }

    // A fresh desktop service, signed in; as in a new run of the program.
    std::shared_ptr<GameCenter> signedIn()
    {
        GameCenter::replaceSharedInstance(nullptr);
        auto service = GameCenter::sharedInstance();
        bool done = false;
        service->authenticateLocalPlayer([&](const GameCenterResult& r) { done = !r; });
        RunLoop::main().drain();
        EXPECT_TRUE(done);
        return service;
    }
    std::vector<std::string> loaded(GameCenter& service)
    {
        std::vector<std::string> out;
        service.loadAchievements([&](const std::vector<Ref<GKAchievement>>& list, const GameCenterResult&) {
            for (const auto& a : list) out.push_back(a->identifier + " " + std::to_string(int(a->percentComplete)));
        });
        RunLoop::main().drain();
        return out;
    }

    test::TempDir dir_;
    test::ScopedEnv home_;
    std::shared_ptr<GameCenter> previous_;
};

TEST_F(DesktopGameCenterTest, SignsInOnRequestAndAnswersThroughTheRunLoop)
{
    auto service = GameCenter::sharedInstance();
    int changes = 0;
    auto id = NotificationCenter::defaultCenter().addObserver(nullptr, GKPlayerAuthenticationDidChangeNotificationName,
                                                              nullptr, [&](const Notification&) { ++changes; });
    bool answered = false;
    service->authenticateLocalPlayer([&](const GameCenterResult&) { answered = true; });
    EXPECT_FALSE(answered);
    EXPECT_FALSE(service->isLocalPlayerAuthenticated());
    RunLoop::main().drain();
    EXPECT_TRUE(answered);
    EXPECT_TRUE(service->isLocalPlayerAuthenticated());
    EXPECT_FALSE(service->localPlayerID().empty());
    service->authenticateLocalPlayer(nullptr);
    RunLoop::main().drain();
    EXPECT_EQ(changes, 1);
    NotificationCenter::defaultCenter().removeObserver(id);
}

TEST_F(DesktopGameCenterTest, KeepsAchievementsAndScoresAcrossRuns)
{
    {
        auto service = signedIn();
        service->reportAchievement("a.one", 50, nullptr);
        service->reportAchievement("a.one", 20, nullptr); // a lower report keeps the higher
        service->reportAchievement("a.two", 100, nullptr);
        service->reportScore(40, "board", nullptr);
        service->reportScore(30, "board", nullptr);
        RunLoop::main().drain();
    }
    auto service = signedIn();
    EXPECT_EQ(loaded(*service), (std::vector<std::string>{"a.one 50", "a.two 100"}));
    std::optional<LeaderboardEntry> top;
    service->loadTopScore("board", [&](const std::optional<LeaderboardEntry>& e, const GameCenterResult&) { top = e; });
    RunLoop::main().drain();
    ASSERT_TRUE(top.has_value());
    EXPECT_EQ(top->value, 40);
    service->resetAchievements(nullptr);
    RunLoop::main().drain();
    EXPECT_TRUE(loaded(*signedIn()).empty());
}

TEST_F(DesktopGameCenterTest, RefusesBeforeSignInAndMovesADamagedFileAside)
{
    auto service = GameCenter::sharedInstance();
    GameCenterResult result;
    service->reportAchievement("a.one", 100, [&](const GameCenterResult& r) { result = r; });
    RunLoop::main().drain();
    EXPECT_TRUE(result.has_value());

    const std::string file = Paths::documentsPath("GameCenterDesktop.plist");
    Paths::createDirectories(Paths::documentsDirectory());
    test::TempDir::writeText(file, "<plist><dict><key>achiev");
    ScopedLogCapture log;
    service = signedIn();
    EXPECT_TRUE(log.contains("is unreadable"));
    EXPECT_TRUE(loaded(*service).empty());
    service->reportAchievement("a.two", 100, nullptr);
    RunLoop::main().drain();
    EXPECT_EQ(loaded(*signedIn()), (std::vector<std::string>{"a.two 100"}));
    int aside = 0;
    for (const auto& entry : std::filesystem::directory_iterator(Paths::documentsDirectory()))
        if (entry.path().filename().string().find(".corrupt-") != std::string::npos) ++aside;
    EXPECT_EQ(aside, 1);
}

TEST(GKAchievementTest, ArchivesIdentifierAndPercentage)
{
    auto achievement = makeRef<GKAchievement>("com.example.first", 62.5);
    auto back = dynamicRef<GKAchievement>(unarchiveObjectWithData(archivedDataWithRootObject(achievement.get())));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->identifier, "com.example.first");
    EXPECT_EQ(back->percentComplete, 62.5);
}

TEST(RecordingGameCenterTest, ScriptedFailureArrivesLaterAndOnce)
{
    test::RecordingGameCenter service;
    service.failNext(test::RecordingGameCenter::kReport, {3, "offline"});
    std::vector<std::string> answers;
    auto record = [&](const GameCenterResult& r) { answers.push_back(r ? r->description : "ok"); };
    service.reportAchievement("a", 100, record);
    service.reportAchievement("b", 100, record);
    EXPECT_TRUE(answers.empty());
    RunLoop::main().drain();
    EXPECT_EQ(answers, (std::vector<std::string>{"offline", "ok"}));
    EXPECT_EQ(service.achievements, std::vector<std::string>{"b"});
}

} // namespace
} // namespace mw
