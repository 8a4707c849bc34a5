#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "foundation/Log.h"
#include "foundation/NotificationCenter.h"
#include "platform/Application.h"
#include "social/data/CCDataStore.h"
#include "social/services/CCLoginHandler.h"
#include "social/queues/CCNeighbours.h"
#include "social/session/CCPrivateSession.h"
#include "tests/social/SocialFixture.h"
#include "tests/support/RecordingSessionCalls.h"

namespace mw {
namespace {

class PublicInterfaceTest : public test::SocialFixture {
protected:
    void SetUp() override
    {
        SocialFixture::SetUp();
        activate();
        RunLoop::main().drain();
        clearNeighbourCalls();
    }
    CCPrivateSession* session() { return CCPrivateSession::sharedInstance(); }
    CCDataStore* store() { return CCDataStore::sharedInstance(); }
    // The subjects (slot 6) of the usage records, in order.
    std::vector<std::string> usageSubjects()
    {
        std::vector<std::string> subjects;
        const Value& records = store()->currentUsageData();
        for (size_t index = 0; index < records.size(); ++index) {
            // The pull tab also logs its tabs' activations ("TAB_ACT").
            if (records[index][1] != Value("UI_START")) continue;
            subjects.push_back(records[index][6].asString());
        }
        return subjects;
    }
    // Lines beginning with "--> ".
    static std::vector<std::string> traceLines(const ScopedLogCapture& log)
    {
        std::vector<std::string> lines;
        for (const std::string& line : log.lines()) {
            if (line.rfind("--> ", 0) == 0) lines.push_back(line);
        }
        return lines;
    }
};

TEST_F(PublicInterfaceTest, EveryOperationWritesItsTraceLineWhileTheSwitchIsOn)
{
    struct Row {
        const char* name;
        std::function<void()> call;
        std::vector<std::string> trace;
    };
    const std::vector<Row> rows = {
        {"close", [] { LumoraSlimlineSession::closeLumoraSession(); }, {"--> closeLumoraSession"}},
        {"setting", [] { LumoraSlimlineSession::activateLumoraSetting(3, Value("x")); },
         {"--> activateLumoraSetting: [set 3][val x]"}},
        {"lock one", [] { LumoraSlimlineSession::lockToOrientation(2); }, {"--> lockToOrientation: [2]"}},
        {"lock list", [] { LumoraSlimlineSession::lockToOrientationList({1, 2}); },
         {"--> lockToOrientationList: [(1, 2)]"}},
        {"activate", [] { LumoraSlimlineSession::activateLumoraUI(); },
         {"--> activateLumoraSlimlineUI [screenEdge 0][closed 0]"}},
        {"activate top", [] { LumoraSlimlineSession::activateLumoraUIFromScreenEdge("top"); },
         {"--> activateLumoraSlimlineUI [screenEdge 2][closed 0]"}},
        {"pull tab closed", [] { LumoraSlimlineSession::activateLumoraPullTabUIFromScreenEdge(1); },
         {"--> activateLumoraSlimlineUI [screenEdge 1][closed 1]"}},
        {"deactivate", [] { LumoraSlimlineSession::deactivateLumoraUI(); }, {"--> deactivateLumoraUI"}},
        {"active?", [] { (void)LumoraSlimlineSession::isLumoraUIActive(); }, {"--> isLumoraUIActive"}},
        {"will rotate", [] { LumoraSlimlineSession::willRotateToInterfaceOrientation(2, 0.4); },
         {"--> willRotateToInterfaceOrientation: [to 2][duration 0.400000]"}},
        {"did rotate", [] { LumoraSlimlineSession::didRotateFromInterfaceOrientation(1); },
         {"--> didRotateFromInterfaceOrientation: [from 1]"}},
        {"init", [] { LumoraSlimlineSession::initWithAppID(test::kAppId, nullptr, 1.0, "mosswick_01", "k"); }, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EnablePublicAPILog(true);
        {
            ScopedLogCapture log;
            row.call();
            EXPECT_EQ(traceLines(log), row.trace);
        }
        LumoraSlimlineSession::activateLumoraSetting(1, Value("YES"));
        ScopedLogCapture quiet;
        row.call();
        EXPECT_TRUE(traceLines(quiet).empty()) << "the switch is off";
    }
    LumoraSlimlineSession::activateLumoraSetting(1, Value("NO"));
    ScopedLogCapture log;
    LumoraSlimlineSession::closeLumoraSession();
    EXPECT_EQ(traceLines(log), std::vector<std::string> {"--> closeLumoraSession"}) << "on again with NO";
}

TEST_F(PublicInterfaceTest, OnlyPublicSettingOneReachesTheCore)
{
    struct Row {
        int setting;
        int mapped;
    };
    for (const Row& row : {Row {1, 8}, Row {0, -1}, Row {2, -1}, Row {8, -1}, Row {-1005, -1}}) {
        EXPECT_EQ(LumoraSlimlineSession::mapSlimlineSettingToPrivateSetting(row.setting), row.mapped) << row.setting;
    }
    LumoraSlimlineSession::activateLumoraSetting(2, Value("NO"));
    EXPECT_TRUE(session()->valueForWorkaroundSetting(2).isNull());
    EXPECT_TRUE(neighbourCalls().empty());
    LumoraSlimlineSession::activateLumoraSetting(1, Value("maybe"));
    EXPECT_EQ(session()->valueForWorkaroundSetting(8), Value("maybe"));
    EXPECT_TRUE(AllowPublicAPILog());
}

TEST_F(PublicInterfaceTest, ScreenEdgesByName)
{
    struct Row {
        const char* edge;
        const char* request; // null: refused
    };
    const Row rows[] = {{"bottom", "pullTab activate lumoraslimline edge 0 closed 0"},
                        {"top", "pullTab activate lumoraslimline edge 2 closed 0"},
                        {"left", nullptr}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.edge);
        clearNeighbourCalls();
        store()->removeKey("currentusagedata");
        ScopedLogCapture log;
        LumoraSlimlineSession::activateLumoraUIFromScreenEdge(row.edge);
        if (row.request) {
            EXPECT_EQ(neighbourCalls().front(), row.request);
        } else {
            EXPECT_TRUE(log.contains("Lumora Error:  Invalid screen edge requested for Lumora Slimline tab overlay"));
            EXPECT_TRUE(neighbourCalls().empty());
            EXPECT_FALSE(store()->containsKey("currentusagedata")) << "nothing else happens";
        }
        LumoraSlimlineSession::deactivateLumoraUI();
    }
}

TEST_F(PublicInterfaceTest, ThePullTabComesAndGoesWithItsUsageRecords)
{
    EXPECT_FALSE(LumoraSlimlineSession::isLumoraUIActive());
    LumoraSlimlineSession::deactivateLumoraUI();
    EXPECT_EQ(usageSubjects(), std::vector<std::string> {"DEACTIVATED_PULLTAB"}) << "written with none shown";
    store()->removeKey("currentusagedata");

    LumoraSlimlineSession::activateLumoraUI();
    LumoraSlimlineSession::activateLumoraUI();
    EXPECT_TRUE(LumoraSlimlineSession::isLumoraUIActive());
    EXPECT_EQ(usageSubjects(), (std::vector<std::string> {"LUMORASLIMLINE_PULLTAB", "LUMORASLIMLINE_PULLTAB"}));
    const size_t writes = store()->writeCount();
    RunLoop::main().drain();
    EXPECT_GT(store()->writeCount(), writes) << "the records reach the file on a later turn";

    LumoraSlimlineSession::deactivateLumoraUI();
    // Still waiting off screen for its first page, the pull tab ignores the
    // request; the session lets it go only when it reports leaving.
    EXPECT_TRUE(LumoraSlimlineSession::isLumoraUIActive());
    CCPrivateSession::sharedInstance()->onPullTabViewControllerDeactivated();
    EXPECT_FALSE(LumoraSlimlineSession::isLumoraUIActive());
    LumoraSlimlineSession::closeLumoraSession();
    LumoraSlimlineSession::activateLumoraUI();
    EXPECT_TRUE(LumoraSlimlineSession::isLumoraUIActive()) << "shown again after close";
}

// The main menu's calls: show the tab, ask, hide it before a game, close.
TEST_F(PublicInterfaceTest, TheMainMenusCallsLeaveTheirUsageRecords)
{
    test::RecordingSessionCalls calls;
    LumoraSlimlineSession::activateLumoraUI();
    if (LumoraSlimlineSession::isLumoraUIActive()) LumoraSlimlineSession::deactivateLumoraUI();
    LumoraSlimlineSession::closeLumoraSession();
    EXPECT_EQ(calls.calls(), (std::vector<std::string> {"activateLumoraSlimlineUI 0 0", "isLumoraUIActive",
                                                        "deactivateLumoraUI", "closeLumoraSession"}));
    EXPECT_EQ(usageSubjects(), (std::vector<std::string> {"LUMORASLIMLINE_PULLTAB", "DEACTIVATED_PULLTAB"}));
    EXPECT_EQ(neighbourCalls(),
              (std::vector<std::string> {"pullTab activate lumoraslimline edge 0 closed 0", "postManager retryAllPosts",
                                         "postManager startPosting",
                                         "gameCenter requestHistoricLeaderboardAndAchievementData"}))
        << "the first opening ever retries the posts and asks for the history";
}

TEST_F(PublicInterfaceTest, NumberedSettingsAndTheirEffects)
{
    struct Row {
        const char* name;
        int number;
        Value value;
        std::vector<std::string> calls;
        std::function<bool(CCPrivateSession&, CCDataStore&)> check;
    };
    const std::vector<std::string> identityReset = {"gameCenter updateSecretForGameCenterPlayerId",
                                                    "fetchManager stopFetching",
                                                    "fetchManager clearDataWithCompleteClean 1"};
    const std::vector<Row> rows = {
        {"2 NO starts posting", 2, Value("NO"), {"postManager startPosting"}, nullptr},
        {"2 YES", 2, Value("YES"), {}, nullptr},
        {"nil removes", 2, Value(), {}, [](CCPrivateSession& s, CCDataStore&) {
             return s.valueForWorkaroundSetting(2).isNull();
         }},
        {"8 YES", 8, Value("YES"), {}, [](CCPrivateSession&, CCDataStore&) { return !AllowPublicAPILog(); }},
        {"8 NO", 8, Value("NO"), {}, [](CCPrivateSession&, CCDataStore&) { return AllowPublicAPILog(); }},
        {"-1005", -1005, Value("SPOOF"), identityReset,
         [](CCPrivateSession& s, CCDataStore& d) { return s.userID() == "SPOOF" && d.spoofUserId() == "SPOOF"; }},
        {"-1005 nil", -1005, Value(), identityReset,
         [](CCPrivateSession& s, CCDataStore& d) { return s.userID() != "SPOOF" && !d.spoofUserId(); }},
        {"-1002", -1002, Value("U"), identityReset,
         [](CCPrivateSession& s, CCDataStore&) { return s.UUID() == "U"; }},
        {"-1001", -1001, Value("D"), identityReset,
         [](CCPrivateSession& s, CCDataStore& d) { return d.spoofUdid() == "D" && !s.UDID(); }},
        {"-1004 other", -1004, Value("no"), identityReset,
         [](CCPrivateSession& s, CCDataStore& d) { return !d.UUIDEnabled() && !s.UUID(); }},
        {"-1004 YES", -1004, Value("YES"), identityReset,
         [](CCPrivateSession& s, CCDataStore& d) { return d.UUIDEnabled() && s.UUID() == "U"; }},
        {"-1003 other", -1003, Value("off"), identityReset,
         [](CCPrivateSession&, CCDataStore& d) { return !d.UDIDEnabled(); }},
        {"-1003 YES", -1003, Value("YES"), identityReset,
         [](CCPrivateSession&, CCDataStore& d) { return d.UDIDEnabled(); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        session()->setSecret("cached");
        CCLoginHandler::sharedInstance()->setIsFirstUiActivationToday(false);
        clearNeighbourCalls();
        session()->activateLumoraSetting(row.number, row.value);
        EXPECT_EQ(neighbourCalls(), row.calls);
        const bool identityChange = row.number < -1000;
        EXPECT_EQ(!session()->secret(), identityChange) << "the cached secret goes";
        EXPECT_EQ(CCLoginHandler::sharedInstance()->isFirstUiActivationToday(), identityChange)
            << "the next opening is the new identity's first of the day";
        if (!row.value.isNull()) {
            EXPECT_EQ(session()->valueForWorkaroundSetting(row.number), row.value);
        }
        if (row.check) {
            EXPECT_TRUE(row.check(*session(), *store()));
        }
    }
}

TEST_F(PublicInterfaceTest, GameCentrePostingOnlyWithSettingFive)
{
    struct Row {
        const char* value;
        std::vector<std::string> calls;
    };
    const Row rows[] = {
        {"NO", {}},
        {"YES", {"gcPostManager startPosting"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.value);
        session()->activateLumoraSetting(5, Value(row.value));
        clearNeighbourCalls();
        session()->startPostManager();
        EXPECT_EQ(neighbourCalls(), row.calls) << "the service's queue exists already";
    }
    clearNeighbourCalls();
    session()->activateLumoraSetting(2, Value("NO"));
    EXPECT_EQ(neighbourCalls(), (std::vector<std::string> {"postManager startPosting", "gcPostManager startPosting"}));
}

TEST_F(PublicInterfaceTest, StoreProductsStartOnlyWithProducts)
{
    std::vector<Value> started;
    CCPrivateSession::setStoreProductsHook([&started](const Value& ids) { started.push_back(ids); });
    session()->activateLumoraSetting(6, Value::array());
    EXPECT_TRUE(started.empty());
    session()->activateLumoraSetting(6, Value::array({Value("coins_100")}));
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0][0], Value("coins_100"));
    CCPrivateSession::setStoreProductsHook(nullptr);
}

// The mend: the sign-in cookies go whether the service set them for its host
// alone or for its domain; other names and other hosts stay.
TEST_F(PublicInterfaceTest, AnIdentityChangeSignsThePlayerOutOfTheService)
{
    const double expires = test::kWallStart + 3600;
    auto cookie = [expires](const char* name, const char* domain) {
        return *HTTPCookie::fromProperties(Value::dictionary({{"Name", Value(name)},
                                                              {"Value", Value("v")},
                                                              {"Domain", Value(domain)},
                                                              {"Path", Value("/")},
                                                              {"Expires", Value::dateFromUnixTime(expires)}}));
    };
    const std::string host = CCPrivateSession::kServiceHost;
    const std::string domain = host.substr(host.find('.'));
    cookies_->plant(cookie("JSESSIONID", host.c_str()));
    cookies_->plant(cookie("REMEMBER_ME", domain.c_str()));
    cookies_->plant(cookie("SPRING_SECURITY_REMEMBER_ME_COOKIE", domain.c_str()));
    cookies_->plant(cookie("theme", host.c_str()));
    cookies_->plant(cookie("JSESSIONID", "other.example.org"));

    session()->activateLumoraSetting(-1004, Value("YES")); // no cookie flag
    EXPECT_TRUE(cookies_->deleted.empty());
    session()->activateLumoraSetting(-1005, Value("SPOOF"));
    EXPECT_EQ(cookies_->deleted,
              (std::vector<std::string> {"JSESSIONID", "REMEMBER_ME", "SPRING_SECURITY_REMEMBER_ME_COOKIE"}));
    std::vector<std::string> left;
    for (const HTTPCookie& kept : cookies_->cookies()) left.push_back(std::string(kept.name()) + "@" + std::string(kept.domain()));
    EXPECT_EQ(left, (std::vector<std::string> {"theme@" + host, "JSESSIONID@other.example.org"}));
}

TEST_F(PublicInterfaceTest, OrientationFollowsTheLockList)
{
    int willChange = 0;
    int didChange = 0;
    auto& centre = NotificationCenter::defaultCenter();
    const auto willId = centre.addObserver(nullptr, "CCOrientationWillChangeNotification", nullptr,
                                           [&willChange](const Notification&) { ++willChange; });
    const auto didId = centre.addObserver(nullptr, "CCOrientationDidChangeNotification", nullptr,
                                          [&didChange](const Notification&) { ++didChange; });
    struct Row {
        const char* name;
        int statusBar;
        std::vector<int> lockList;
        std::vector<std::pair<int, int>> turns; // (will-rotate to, did-rotate from); 0 skips the call
        int current;
        int will, did;
    };
    const Row rows[] = {
        {"landscape bar, portrait list", 3, {1, 2}, {}, 1, 0, 0},
        {"upside-down bar allowed", 2, {1, 2}, {}, 2, 0, 0},
        {"default list keeps landscape", 4, {3, 4, 1, 2}, {}, 4, 0, 0},
        {"turn to a refused orientation", 1, {1, 2}, {{3, 1}}, 1, 0, 0},
        {"turn to the current one", 1, {1, 2}, {{1, 1}}, 1, 0, 0},
        {"1 to 2", 1, {1, 2}, {{2, 1}}, 2, 1, 1},
        {"did-rotate alone", 1, {1, 2}, {{0, 1}}, 1, 0, 0},
        {"two did-rotates", 1, {1, 2}, {{2, 1}, {0, 1}}, 2, 1, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        test::resetSharedInstances();
        Application::sharedApplication().setStatusBarOrientation(row.statusBar);
        activate();
        LumoraSlimlineSession::lockToOrientationList(row.lockList);
        willChange = didChange = 0;
        for (const auto& [to, from] : row.turns) {
            if (to) LumoraSlimlineSession::willRotateToInterfaceOrientation(to, 0.3);
            LumoraSlimlineSession::didRotateFromInterfaceOrientation(from);
        }
        EXPECT_EQ(session()->currentDeviceOrientation(), row.current);
        EXPECT_EQ(willChange, row.will);
        EXPECT_EQ(didChange, row.did);
    }
    centre.removeObserver(willId);
    centre.removeObserver(didId);
    Application::sharedApplication().setStatusBarOrientation(1);
}

TEST_F(PublicInterfaceTest, InterfaceOrientationAndTransformForEachOrientation)
{
    const float pi = 3.14159265f;
    struct Row {
        int orientation;
        int interface;
        float angle;
    };
    const Row rows[] = {{1, 1, 0}, {2, 2, pi}, {3, 3, pi / 2}, {4, 4, -pi / 2}, {7, 1, 0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.orientation);
        session()->setCurrentDeviceOrientation(row.orientation);
        EXPECT_EQ(session()->currentInterfaceOrientation(), row.interface);
        const CGAffineTransform t = session()->workaroundTransformForCurrentDeviceOrientation();
        EXPECT_NEAR(t.a, std::cos(row.angle), 1e-6);
        EXPECT_NEAR(t.b, std::sin(row.angle), 1e-6);
        EXPECT_NEAR(t.c, -std::sin(row.angle), 1e-6);
        EXPECT_NEAR(t.d, std::cos(row.angle), 1e-6);
    }
}

} // namespace
} // namespace mw
