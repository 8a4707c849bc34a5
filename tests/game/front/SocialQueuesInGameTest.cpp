// The social client's queues and telemetry as the game drives them: the
// game launched through the headless driver, with the loopback social
// service standing for both the service host (answering the social
// screens' pages) and the telemetry host.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "foundation/AtomicFile.h"
#include "foundation/Clock.h"
#include "foundation/RunLoop.h"
#include "platform/Keychain.h"
#include "platform/NetworkReachability.h"
#include "social/queues/CCAsyncPostManager.h"
#include "social/data/CCDataStore.h"
#include "social/session/CCPrivateSession.h"
#include "social/screens/CCPullTabViewController.h"
#include "social/queues/CCRecordArchive.h"
#include "social/support/CCJSON.h"
#include "tests/game/front/InGameRoute.h"
#include "tests/support/LoopbackSocialService.h"
#include "tests/support/RecordingKeychain.h"
#include "tests/support/RecordingReachability.h"
#include "tests/support/SocialServicePages.h"

namespace mw {
namespace {

using Service = test::LoopbackSocialService;
using test::InGameRoute;

// A frame step that is exact in binary, so that the ticks land on whole
// minutes of one another and the minute counts read exactly.
constexpr double kStep = 1.0 / 32;

class SocialQueuesInGameTest : public ::testing::Test {
protected:
    SocialQueuesInGameTest()
    {
        service_.setSigning({MosswickAppDelegate::kSocialSecret});
        test::SocialServicePages::script(service_);
        previousKeychain_ = Keychain::replaceSharedInstance(keychain_);
        previousReachability_ = NetworkReachability::replaceSharedInstance(reachability_);
    }
    ~SocialQueuesInGameTest() override
    {
        route_.stop();
        Keychain::replaceSharedInstance(previousKeychain_);
        NetworkReachability::replaceSharedInstance(previousReachability_);
    }

    // The process starts; the social hosts are the loopback service's.
    void launch(double wallSeconds, const std::function<void()>& beforeLaunch = {})
    {
        route_.launch(wallSeconds, [&] {
            service_.route(); // the reset closed the social hosts again
            if (beforeLaunch) beforeLaunch();
        });
        ASSERT_FALSE(HasFatalFailure());
        settle();
    }

    static CCPrivateSession& session() { return *CCPrivateSession::sharedInstance(); }
    // The pull tab's state; -1 while there is none.
    static int pullTabState()
    {
        CCPrivateSession* core = CCPrivateSession::sharedInstance();
        return core && core->pullTabController() ? core->pullTabController()->state() : -1;
    }
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
        return route_.framesUntil(done, seconds);
    }
    // Moves the game's clock to `wall` exactly, the last step as a frame.
    void frameAt(double wall)
    {
        route_.driver().clock().advance(wall - Clock::wallSeconds() - kStep);
        route_.driver().runFrames(1);
        settle();
    }
    template <class T> static T* runningAs() { return InGameRoute::runningAs<T>(); }

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

    Service service_;
    std::shared_ptr<test::RecordingKeychain> keychain_ = std::make_shared<test::RecordingKeychain>();
    std::shared_ptr<test::RecordingReachability> reachability_ = std::make_shared<test::RecordingReachability>();
    std::shared_ptr<Keychain> previousKeychain_;
    std::shared_ptr<NetworkReachability> previousReachability_;
    InGameRoute route_ {kStep};
};

// First start, the main menu (whose pull tab shows the service's news
// page), the first tick's post, the pull tab closed by the menu's Continue
// into the village, the post at minute 32 carrying the usage records logged
// since the first tick, the window minimised for 301 s (the final post),
// quit; a relaunch that reports neither "-1" nor the first session again;
// an empty queue once everything is answered; no configuration request and
// no keychain call anywhere.
TEST_F(SocialQueuesInGameTest, ASessionFromFirstStartToRelaunch)
{
    launch(test::kRouteStart, [] { test::saveAVillagePastTutorials(); });
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(framesUntil([] { return runningAs<MainMenuScene>() != nullptr; }, 10)) << "the loading scene";
    // The menu's pull tab opens on the service's news page at the bottom edge.
    ASSERT_TRUE(framesUntil([] { return pullTabState() == CCPullTabViewController::kStateNews; }, 5))
        << "the pull tab in state " << pullTabState();
    EXPECT_TRUE(session().isLumoraPullTabUIActive());
    EXPECT_EQ(session().pullTabController()->fromEdge(), CCPullTabViewController::kEdgeBottom);
    EXPECT_NE(session().pullTabController()->visiblePullTabView(), nullptr) << "its strip";
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
        if (request.host == CCPrivateSession::telemetryHost()) {
            EXPECT_EQ(request.target, "/analytics/index.php?sig=" +
                                          Service::telemetrySignature(MosswickAppDelegate::kSocialAppID));
        }
    }
    EXPECT_TRUE(carriesUiStart(sent[0], "LUMORASLIMLINE_PULLTAB") ||
                carriesUiStart(sent[1], "LUMORASLIMLINE_PULLTAB"))
        << "the menu's activation";

    // The menu's own way into the village closes the pull tab.
    EXPECT_TRUE(session().isLumoraPullTabUIActive()) << "still shown before the Continue";
    ASSERT_NE(route_.continueIntoTheVillage(5), nullptr);
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
    auto& life = route_.driver().lifeCycle();
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
    route_.driver().runFrames(8);
    EXPECT_EQ(queuedOnDisk(), std::optional<size_t>(0)) << "the final answer on disk when the task ends";
    life.quit();
    const double quitAt = Clock::wallSeconds();
    route_.stop();

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
