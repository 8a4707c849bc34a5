// The social client's queues and telemetry as the game drives them: the
// game launched through the headless driver, with the loopback social
// service standing for both the service host and the telemetry host.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "analytics/TallyAnalytics.h"
#include "engine/director/CCDirector.h"
#include "engine/director/HeadlessDriver.h"
#include "foundation/AtomicFile.h"
#include "foundation/Clock.h"
#include "foundation/RunLoop.h"
#include "game/front/MainMenuScene.h"
#include "game/front/MosswickAppDelegate.h"
#include "game/state/DataParser.h"
#include "game/state/Profile.h"
#include "game/state/TutorialFrameDef.h"
#include "game/village/VillageScene.h"
#include "platform/BackgroundTasks.h"
#include "platform/DeviceProfile.h"
#include "platform/Keychain.h"
#include "platform/NetworkReachability.h"
#include "social/CCAsyncPostManager.h"
#include "social/CCDataStore.h"
#include "social/CCPrivateSession.h"
#include "social/CCRecordArchive.h"
#include "social/support/CCJSON.h"
#include "tests/support/GLTestContext.h"
#include "tests/support/LoopbackSocialService.h"
#include "tests/support/RecordingKeychain.h"
#include "tests/support/RecordingReachability.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/ScriptedDeviceServices.h"
#include "tests/support/SharedInstances.h"
#include "tests/support/SourceTree.h"
#include "tests/support/TempDir.h"

namespace mw {
namespace {

using Service = test::LoopbackSocialService;

// 2026-06-15 12:00:00 UTC.
constexpr double kNow = 1781524800.0;
// A frame step that is exact in binary, so that the ticks land on whole
// minutes of one another and the minute counts read exactly.
constexpr double kStep = 1.0 / 32;

// A saved village past its tutorials, so that the menu's Continue leads
// straight into it.
void saveAVillage()
{
    DataParser parser;
    ASSERT_TRUE(parser.parseData(test::sourceTreePath("resources") + "/test.xml"));
    Profile& p = *Profile::sharedInstance();
    p.VillageName = "Mossbury";
    for (auto& [id, frame] : p.TutorialDict) {
        frame->Done = true;
        frame->ArrowAfterDone = true;
    }
    ASSERT_TRUE(p.SaveData());
    Profile::purgeSharedInstance();
}

class SocialQueuesInGameTest : public ::testing::Test {
protected:
    SocialQueuesInGameTest()
    {
        service_.setSigning({MosswickAppDelegate::kSocialSecret});
        service_.script("/analytics/index.php", {200, {}, ""});
        previousKeychain_ = Keychain::replaceSharedInstance(keychain_);
        previousReachability_ = NetworkReachability::replaceSharedInstance(reachability_);
    }
    ~SocialQueuesInGameTest() override
    {
        stop();
        Keychain::replaceSharedInstance(previousKeychain_);
        NetworkReachability::replaceSharedInstance(previousReachability_);
    }

    void launch(double wallSeconds, const std::function<void()>& beforeLaunch = {})
    {
        test::GLTestContext* gl = test::GLTestContext::acquire(64, 64);
        ASSERT_NE(gl, nullptr);
        test::resetSharedInstances();
        TallyAnalytics::resetForTesting();
        service_.route(); // the reset closed the social hosts again
        Profile::purgeSharedInstance();
        driver_ = HeadlessDriver::createWithContext(gl->context(), *DeviceProfile::named("phone"), kStep);
        ASSERT_NE(driver_, nullptr);
        driver_->clock().setWall(wallSeconds);
        if (beforeLaunch) beforeLaunch();
        app_ = std::make_unique<MosswickAppDelegate>();
        driver_->lifeCycle().setDelegate(app_.get());
        driver_->lifeCycle().launch();
        driver_->runFrames(2);
        settle();
    }
    // The process ends: everything it held goes (the queues write what is
    // pending as they go).
    void stop()
    {
        // Nothing of the process outlives it, a background task's handler
        // (which holds the session) included.
        BackgroundTasks::replaceSharedInstance(nullptr);
        app_.reset();
        driver_.reset();
        test::resetSharedInstances();
        TallyAnalytics::resetForTesting();
        Profile::purgeSharedInstance();
        BackgroundTasks::noteInBackground(false);
    }

    static CCPrivateSession& session() { return *CCPrivateSession::sharedInstance(); }
    // Runs the main loop (not the game's clock) until no post is in transfer.
    static void settle()
    {
        RunLoop::main().drain();
        CCPrivateSession* core = CCPrivateSession::sharedInstance();
        CCAsyncPostManager* posts = core ? core->postManager() : nullptr;
        RunLoop::main().runUntil([posts] { return !posts || !posts->isWaitingForResponsesFromServer(); }, 10);
        RunLoop::main().runUntil([] { return false; }, 0.02);
    }
    bool framesUntil(const std::function<bool()>& done, double seconds)
    {
        for (int frame = 0; frame < int(seconds / kStep); ++frame) {
            if (done()) return true;
            driver_->runFrames(1);
        }
        return done();
    }
    // Moves the game's clock to `wall` exactly, the last step as a frame.
    void frameAt(double wall)
    {
        driver_->clock().advance(wall - Clock::wallSeconds() - kStep);
        driver_->runFrames(1);
        settle();
    }
    template <class T> static T* runningAs()
    {
        return dynamic_cast<T*>(CCDirector::sharedDirector()->runningScene());
    }

    // The telemetry posts received so far, as their "data" objects.
    std::vector<Value> posts() const
    {
        std::vector<Value> list;
        for (const Service::Request& request : service_.requests()) {
            if (request.host != CCPrivateSession::telemetryHost()) continue;
            const std::optional<Value> envelope = JSONFragmentValue(request.body);
            list.push_back(envelope ? (*envelope)["data"] : Value());
        }
        return list;
    }
    static std::string sessionIdOf(const Value& post) { return post["clientsessionid"].asString(); }
    // Whether the post carries the usage record ("UI_START", subject).
    static bool carriesUiStart(const Value& post, const std::string& subject)
    {
        const Value& usage = post["usage"];
        for (size_t i = 0; i < usage.size(); ++i)
            if (usage.at(i).at(1) == Value("UI_START") && usage.at(i).at(6) == Value(subject)) return true;
        return false;
    }
    // The records of the queue file; none when it cannot be read.
    static std::optional<size_t> queuedOnDisk()
    {
        std::vector<uint8_t> bytes;
        if (!AtomicFile::read(CCAsyncPostManager::saveFilePath(), bytes, nullptr)) return std::nullopt;
        std::vector<Ref<CCAbstractServerData>> records;
        if (!RecordArchive::decode(bytes.data(), bytes.size(), records, "test", nullptr)) return std::nullopt;
        return records.size();
    }

    test::TempDir home_;
    test::ScopedEnv homeEnv_ {"MOSSWICK_HOME", home_.path()};
    test::ScopedDeviceServices services_;
    Service service_;
    std::shared_ptr<test::RecordingKeychain> keychain_ = std::make_shared<test::RecordingKeychain>();
    std::shared_ptr<test::RecordingReachability> reachability_ = std::make_shared<test::RecordingReachability>();
    std::shared_ptr<Keychain> previousKeychain_;
    std::shared_ptr<NetworkReachability> previousReachability_;
    std::unique_ptr<HeadlessDriver> driver_;
    std::unique_ptr<MosswickAppDelegate> app_;
};

// First start, the main menu (which activates the pull tab), the first
// tick's post, the pull tab closed by the menu's Continue into the village,
// the post at minute 32 carrying the usage records logged since the first
// tick, the window minimised for 301 s (the final post), quit; a relaunch
// that reports neither "-1" nor the first session again; an empty queue
// once everything is answered; no configuration request and no keychain
// call anywhere.
TEST_F(SocialQueuesInGameTest, ASessionFromFirstStartToRelaunch)
{
    launch(kNow, [] { saveAVillage(); });
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(framesUntil([] { return runningAs<MainMenuScene>() != nullptr; }, 10)) << "the loading scene";
    settle();
    std::vector<Value> sent = posts();
    ASSERT_EQ(sent.size(), 1u) << "the first preparation's report";
    EXPECT_EQ(sessionIdOf(sent[0]), "-1");

    // The first tick, a minute after the session began, posts.
    frameAt(Clock::wallSeconds() + 60);
    sent = posts();
    ASSERT_EQ(sent.size(), 2u) << "the first tick";
    const std::string first = sessionIdOf(sent[1]);
    EXPECT_NE(first, "-1");
    EXPECT_EQ(first, *session().analyticsCurrentSessionId());
    const double firstTick = Clock::wallSeconds();
    for (const Service::Request& request : service_.requests()) {
        EXPECT_TRUE(request.tls);
        if (request.host == CCPrivateSession::telemetryHost())
            EXPECT_EQ(request.target, "/analytics/index.php?sig=" +
                                          Service::telemetrySignature(MosswickAppDelegate::kSocialAppID));
    }
    EXPECT_TRUE(carriesUiStart(sent[0], "LUMORASLIMLINE_PULLTAB") ||
                carriesUiStart(sent[1], "LUMORASLIMLINE_PULLTAB"))
        << "the menu's activation";

    // The menu's own way into the village closes the pull tab.
    runningAs<MainMenuScene>()->ContinueCallback();
    ASSERT_TRUE(framesUntil([] { return runningAs<VillageScene>() != nullptr; }, 5)) << "the doors";
    EXPECT_FALSE(session().isLumoraPullTabUIActive());

    for (int minute = 2; minute <= 31; ++minute) frameAt(firstTick + 60.0 * (minute - 1));
    EXPECT_EQ(posts().size(), 2u) << "nothing until more than 30 minutes since the last post";
    frameAt(firstTick + 60.0 * 31);
    sent = posts();
    ASSERT_EQ(sent.size(), 3u) << "minute 32";
    EXPECT_EQ(sessionIdOf(sent[2]), first);
    EXPECT_TRUE(carriesUiStart(sent[2], "DEACTIVATED_PULLTAB"));
    EXPECT_EQ(CCDataStore::sharedInstance()->valueForKey("currentsessionmins"), Value(32));

    // Minimised: the final post once more than 300 s of the background went.
    auto& life = driver_->lifeCycle();
    life.hidden();
    const double hiddenAt = Clock::wallSeconds();
    frameAt(hiddenAt + 300);
    EXPECT_EQ(posts().size(), 3u) << "not at 300 s exactly";
    frameAt(hiddenAt + 301);
    sent = posts();
    ASSERT_EQ(sent.size(), 4u) << "the final post";
    EXPECT_EQ(sessionIdOf(sent[3]), first) << "the final post reports the session";
    EXPECT_TRUE(sent[3]["extrasessiondata"]["clientSessionFinalPost"].asBool());
    EXPECT_EQ(CCDataStore::sharedInstance()->valueForKey("postedfinalsessiondataonexit"), Value("YES"));
    ASSERT_TRUE(framesUntil([] { return session().postManager()->serverDataArray().empty(); }, 5));
    // The wait ends the task at its next look, well within the queue's
    // 3-second write: the answer is on disk by then, since the game may be
    // ended without a word once the task is over.
    driver_->runFrames(8);
    EXPECT_EQ(queuedOnDisk(), std::optional<size_t>(0)) << "the final answer on disk when the task ends";
    life.quit();
    const double quitAt = Clock::wallSeconds();
    stop();

    // The relaunch, ten minutes later.
    const size_t before = posts().size();
    launch(quitAt + 600);
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(framesUntil([] { return runningAs<MainMenuScene>() != nullptr; }, 10)) << "the loading scene";
    frameAt(Clock::wallSeconds() + 60);
    sent = posts();
    ASSERT_GT(sent.size(), before) << "the relaunch's first tick";
    for (size_t i = before; i < sent.size(); ++i) {
        EXPECT_NE(sessionIdOf(sent[i]), "-1") << i;
        EXPECT_NE(sessionIdOf(sent[i]), first) << i << ": the first session reported again";
        EXPECT_EQ(sessionIdOf(sent[i]), *session().analyticsCurrentSessionId()) << i << ": one new session only";
    }

    // Everything answered: the queue's file ends empty.
    ASSERT_TRUE(framesUntil([] { return session().postManager()->serverDataArray().empty(); }, 5));
    EXPECT_TRUE(framesUntil(
        [] {
            RunLoop::main().runUntil([] { return false; }, 0.002);
            return queuedOnDisk() == std::optional<size_t>(0);
        },
        10))
        << "the queue file after the last answer";

    for (const Service::Request& request : service_.requests())
        EXPECT_EQ(request.target.find("abconfigurations"), std::string::npos) << request.target;
    EXPECT_TRUE(keychain_->calls.empty());
    EXPECT_EQ(service_.problems(), std::vector<std::string>());
}

} // namespace
} // namespace mw
