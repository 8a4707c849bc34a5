#include <gtest/gtest.h>

#include "foundation/Log.h"
#include "social/CCDataStore.h"
#include "social/CCFetchManager.h"
#include "social/CCGlobalNavController.h"
#include "social/CCLoginHandler.h"
#include "social/CCAsyncPostManager.h"
#include "social/CCModalControllers.h"
#include "social/CCNavControllerBase.h"
#include "social/CCPadTabController.h"
#include "social/CCPrivateSession.h"
#include "social/CCPullTabViewController.h"
#include "social/CCTheming.h"
#include "tests/social/ui/ScreenControllerFixture.h"

namespace mw::test {
namespace {

// A full UI's root as the session sees it: it records each activation and
// each request to slide its bar out, and can hold that request until the
// test lets it go.
class RecordingRoot : public CCNavControllerBase {
public:
    explicit RecordingRoot(std::vector<std::string>& calls) : calls_(calls) {}
    void activateWithDefaultTabId(const std::string& tabId, const std::optional<std::string>& url,
                                  bool loginRequired) override
    {
        calls_.push_back("activate " + tabId + " " + url.value_or("-") + (loginRequired ? " login" : ""));
    }
    void animatePadBarOutOfViewAndTell(std::function<void()> done) override
    {
        calls_.push_back("bar out");
        if (holdBar) barDone = std::move(done);
        else done();
    }
    void willRotateToInterfaceOrientation(int orientation, double durationSeconds) override
    {
        calls_.push_back("will rotate " + std::to_string(orientation) + " " +
                         std::to_string(durationSeconds));
    }
    void didRotateFromInterfaceOrientation(int previousOrientation) override
    {
        calls_.push_back("did rotate " + std::to_string(previousOrientation));
    }
    bool holdBar = false;
    std::function<void()> barDone;

private:
    std::vector<std::string>& calls_;
};

// The session's delegate, answering only what `answers` names.
class ScreensDelegate : public CCPrivateSessionDelegate {
public:
    unsigned respondsTo() const override { return answers; }
    void lumoraUiDeactivated() override { calls.push_back("deactivated"); }
    void lumoraiPadPopoversActivated(bool activated) override
    {
        calls.push_back(std::string("popovers ") + (activated ? "1" : "0"));
    }
    unsigned answers = kUiDeactivated | kPadPopoversActivated;
    std::vector<std::string> calls;
};

class ShowingTest : public ScreenControllerTest {
protected:
    void begin(const std::string& device = "phone-hd")
    {
        start(device);
        activate();
        session()->setCurrentDeviceOrientation(1);
    }
    void TearDown() override
    {
        if (session()) session()->deactivateLumoraPullTabWithAnimation(false);
        ScreenControllerTest::TearDown();
    }
    // Makes a cached skin read as missing.
    static void dropSkin(const std::string& skinId)
    {
        CCTheming* theme = CCTheming::sharedInstance();
        (void)theme->getSkinDescription(skinId);
        ASSERT_TRUE(theme->replaceCachedSkinDescription(skinId, Value()));
    }

    // Full-UI roots come from a recording factory: each made root is kept
    // and each request noted as "make <tab> <url> [login] phone|pad".
    void recordRoots()
    {
        session()->setRootControllerFactory([this](const std::string& tabId, const std::optional<std::string>& url,
                                                   bool loginRequired, bool pad) -> Ref<CCNavControllerBase> {
            calls_.push_back("make " + tabId + " " + url.value_or("-") + (loginRequired ? " login" : "") +
                             (pad ? " pad" : " phone"));
            roots_.push_back(makeRef<RecordingRoot>(calls_));
            return Ref<CCNavControllerBase>(roots_.back().get());
        });
    }
    // The session reports to `delegate_` from now on.
    void useRecordingDelegate()
    {
        session()->sessionActivatedWithAppID(kAppId, &delegate_, 1.0, "mosswick_01", kSecret);
    }
    static bool inWindow(UIViewControllerBase* controller, UIWindow* window)
    {
        return controller && controller->isViewLoaded() && controller->view()->superview() == window;
    }

    std::vector<std::string> calls_;
    std::vector<Ref<RecordingRoot>> roots_;
    ScreensDelegate delegate_;
};

// The full UI: the first opening makes a root of the device's kind and
// shows it, the post queue starts and background activity is allowed; a
// later opening is handed to that root.
TEST_F(ShowingTest, TheFullUiMakesOneRootPerDeviceAndHandsLaterOpeningsToIt)
{
    for (const char* device : {"phone-hd", "tablet"}) {
        SCOPED_TRACE(device);
        const std::string kind = std::string(device) == "tablet" ? " pad" : " phone";
        begin(device);
        recordRoots();
        ASSERT_NE(session()->postManager(), nullptr);
        session()->postManager()->stopPosting();
        EXPECT_FALSE(session()->isLumoraUIActive());

        driver_->clock().advance(60);
        session()->activateMainUIOnTabId("profiletab");
        ASSERT_EQ(roots_.size(), 1u);
        EXPECT_EQ(calls_, std::vector<std::string> {"make profiletab -" + kind});
        EXPECT_TRUE(session()->isLumoraUIActive());
        EXPECT_EQ(session()->rootViewController(), roots_[0].get());
        EXPECT_TRUE(inWindow(roots_[0].get(), window_.get()));
        EXPECT_TRUE(session()->postManager()->isPosting());
        EXPECT_NEAR(session()->lastViewedLumoraTimestamp(), driver_->clock().wallSeconds(), 1);

        session()->activateMainUIOnTabId("challengestab", std::string("https://x/y"), true);
        session()->activateMainUIOnTabId("newstab", std::string("https://x/z"));
        EXPECT_EQ(roots_.size(), 1u) << "no second root";
        EXPECT_EQ(calls_, (std::vector<std::string> {"make profiletab -" + kind,
                                                     "activate challengestab https://x/y login",
                                                     "activate newstab https://x/z"}));

        // Closed and opened again: a new root, and background activity
        // (setting 2) is allowed again.
        session()->deactivateLumoraUI();
        session()->activateLumoraSetting(2, Value("YES"));
        session()->activateMainUIOnTabId("profiletab");
        EXPECT_EQ(roots_.size(), 2u);
        EXPECT_EQ(session()->rootViewController(), roots_[1].get());
        EXPECT_EQ(session()->valueForWorkaroundSetting(2), Value("NO"));
        TearDown();
        SetUp();
        calls_.clear();
        roots_.clear();
    }
}

TEST_F(ShowingTest, TheFullScreenIsTheDevicesOwnAndLeavesTheWindowWhenClosed)
{
    for (const char* device : {"phone-hd", "tablet"}) {
        SCOPED_TRACE(device);
        const bool pad = std::string(device) == "tablet";
        begin(device);
        session()->activateMainUIOnTabId("profiletab");
        UIViewControllerBase* root = dynamic_cast<UIViewControllerBase*>(session()->rootViewController());
        ASSERT_NE(root, nullptr);
        EXPECT_EQ(dynamic_cast<CCPadTabController*>(root) != nullptr, pad);
        EXPECT_EQ(dynamic_cast<CCGlobalNavController*>(root) != nullptr, !pad);
        EXPECT_TRUE(inWindow(root, window_.get()));
        Ref<UIViewControllerBase> held(root);
        session()->deactivateLumoraUI();
        runSeconds(1.0);
        EXPECT_FALSE(session()->isLumoraUIActive());
        EXPECT_FALSE(inWindow(held.get(), window_.get()));
        TearDown();
        SetUp();
    }
}

// The checked opening: a pending incoming address decides the page of the
// challenge and leaderboard tabs, opens nothing for the others, and is
// cleared either way.
TEST_F(ShowingTest, TheValidatedOpeningFollowsThePendingAddress)
{
    begin();
    const std::string lite = CCPrivateSession::liteBaseUrl();
    struct Row {
        const char* pending;
        const char* tabId;
        std::string made; // "" = nothing opened
    };
    const Row rows[] = {
        {"", "profiletab", "make profiletab https://x/p login phone"},
        {"mosswick://specific_challenge.cuid?challengeID=7", "challengestab",
         "make challengestab " + lite + "specific_challenge.cuid?challengeID=7 phone"},
        {"specific_challenge.cuid", "challengestab", "make challengestab " + lite + "specific_challenge.cuid phone"},
        {"a//b//c", "challengestab", "make challengestab " + lite + "a//b//c phone"},
        {"mosswick://leaderboard?gameConfigID=12", "leaderboardtab",
         "make leaderboardtab " + lite + "leaderboard_global.cuid?gameConfigID=12 login phone"},
        {"mosswick://leaderboard", "leaderboardtab", ""},
        {"mosswick://a=b=c", "leaderboardtab", ""},
        {"leaderboard?gameConfigID=12", "leaderboardtab", ""},
        {"mosswick://profile?x=1", "profiletab", ""},
    };
    recordRoots();
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.tabId) + " with '" + row.pending + "'");
        calls_.clear();
        location_->running = false;
        session()->setPendingIncomingUrlString(row.pending);
        session()->activateLumoraUIOnTabId(row.tabId, std::string("https://x/p"));
        EXPECT_EQ(calls_, row.made.empty() ? std::vector<std::string> {} : std::vector<std::string> {row.made});
        EXPECT_EQ(session()->pendingIncomingUrlString(), "");
        EXPECT_TRUE(location_->running) << "the location manager starts";
        session()->deactivateLumoraUI();
    }

    calls_.clear();
    session()->activateLumoraUIAtLeaderboardWithId("board9");
    EXPECT_EQ(calls_, std::vector<std::string> {"make leaderboardtab " + lite +
                                                "leaderboard_global.cuid?gameConfigID=board9 login phone"});
    session()->deactivateLumoraUI();

    CCTheming::releaseSharedInstance();
    calls_.clear();
    ScopedLogCapture log;
    session()->activateLumoraUIOnTabId("profiletab");
    EXPECT_TRUE(log.contains("Lumora Error:  Unable to show Lumora UI - ")) << "no theme current";
    EXPECT_TRUE(calls_.empty());
}

// Closing marks the telemetry for the next minute; a root with a bar slides
// it out before the second stage takes the full UI, the session's dialog
// and the pending address away and tells a delegate that answers.
TEST_F(ShowingTest, ClosingTheFullUiRunsItsSecondStageOnceTheBarIsOut)
{
    begin();
    recordRoots();
    useRecordingDelegate();
    session()->activateLumoraUIOnTabId("profiletab");
    ASSERT_EQ(roots_.size(), 1u);
    EXPECT_TRUE(location_->running);
    roots_[0]->holdBar = true;
    session()->activateSplashDialog();
    ASSERT_NE(session()->sessionDialog(), nullptr);
    Ref<CCModalViewController> dialog(session()->sessionDialog());
    session()->setPendingIncomingUrlString("mosswick://later");
    session()->setPostCurrentSessionAnalytics(false);

    session()->deactivateLumoraUI();
    EXPECT_TRUE(session()->postCurrentSessionAnalytics());
    EXPECT_TRUE(session()->isLumoraUIActive()) << "the bar is still sliding out";
    EXPECT_TRUE(delegate_.calls.empty());
    ASSERT_TRUE(roots_[0]->barDone);
    roots_[0]->barDone();
    EXPECT_FALSE(session()->isLumoraUIActive());
    EXPECT_FALSE(inWindow(roots_[0].get(), window_.get()));
    EXPECT_EQ(session()->sessionDialog(), nullptr);
    EXPECT_FALSE(inWindow(dialog.get(), window_.get()));
    EXPECT_EQ(session()->pendingIncomingUrlString(), "");
    EXPECT_FALSE(location_->running);
    EXPECT_EQ(delegate_.calls, std::vector<std::string> {"deactivated"});

    // A delegate that does not answer is not told; closing with no full UI
    // still runs the second stage.
    delegate_.answers = 0;
    session()->deactivateLumoraUI();
    EXPECT_EQ(delegate_.calls, std::vector<std::string> {"deactivated"});
    delegate_.answers = ScreensDelegate::kPadPopoversActivated;
    session()->tellClientiPadPopoversActivated(true);
    EXPECT_EQ(delegate_.calls, (std::vector<std::string> {"deactivated", "popovers 1"}));
}

// With setting 3 "YES" a window delegate that is not one of the social
// screens' own controllers is cleared; without it nothing is touched.
TEST_F(ShowingTest, SettingThreeClearsAForeignWindowDelegate)
{
    begin();
    session()->activateMainUIOnTabId("profiletab");
    Object* phoneRoot = session()->rootViewController();
    ASSERT_NE(dynamic_cast<CCGlobalNavController*>(phoneRoot), nullptr);
    auto recordingRoot = makeRef<RecordingRoot>(calls_);
    auto foreign = makeRef<UIView>();
    auto underlay = makeRef<CCImagePickerUnderlay>();
    struct Row {
        const char* setting;
        Object* delegate;
        bool cleared;
    };
    const Row rows[] = {
        {nullptr, foreign.get(), false},
        {"NO", foreign.get(), false},
        {"YES", foreign.get(), true},
        {"YES", underlay.get(), false},
        {"YES", phoneRoot, false},           // the phone's full UI
        {"YES", recordingRoot.get(), true},  // another navigation controller
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.setting ? row.setting : "(none)") + (row.cleared ? " cleared" : " kept"));
        session()->activateLumoraSetting(3, row.setting ? Value(row.setting) : Value());
        window_->setDelegate(row.delegate);
        session()->ensureNotTopWindowDelegate();
        EXPECT_EQ(window_->delegate(), row.cleared ? nullptr : row.delegate);
    }
    window_->setDelegate(nullptr);
    session()->deactivateLumoraUI();
}

// The challenge and game-centre steps reach the session's own showing.
TEST_F(ShowingTest, TheChallengeStepsReachTheFullUi)
{
    begin();
    recordRoots();
    session()->activateSplashDialog();
    session()->dialogButtonPressed("okbutton");
    EXPECT_EQ(calls_, std::vector<std::string> {"make profiletab - phone"});
    ASSERT_TRUE(session()->isLumoraUIActive());
    EXPECT_EQ(session()->screenHooks().presentingViewController(), session()->rootViewController());
    session()->notifyStartChallengeConfirmed();
    EXPECT_FALSE(session()->isLumoraUIActive()) << "confirming a challenge closes the full UI";
    EXPECT_EQ(calls_, (std::vector<std::string> {"make profiletab - phone", "bar out"}));
}

TEST_F(ShowingTest, TheActivationTable)
{
    begin();
    struct Row {
        const char* tabId;
        int edge;
        bool closed;
        bool twoStage;
        int initialState;
        const char* portraitSkin;
    };
    const Row rows[] = {
        {"lumoraslimline", 0, false, false, 2, "pulltab/bottom/lumoraslimline_portrait"},
        // With the news delay at -1 the news always opens: "closed" is replaced.
        {"news", 2, true, false, 2, "pulltab/top/news_portrait"},
        {"lumoraslimline", 1, false, true, 3, "pulltab/right/lumoraslimline_portrait"},
        {"news", 3, true, true, 1, "pulltab/left/news_portrait"},
        {"profile", 0, true, true, 1, "pulltab/bottom/profile_portrait"},
        {"leaderboards", 0, false, true, 3, "pulltab/bottom/leaderboard_portrait"},
        {"somethingelse", 0, false, true, 3, "pulltab/bottom/news_portrait"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.tabId) + " edge " + std::to_string(row.edge));
        session()->activateLumoraPullTabOn(row.tabId, row.edge, row.closed);
        CCPullTabViewController* tab = session()->pullTabController();
        ASSERT_NE(tab, nullptr);
        EXPECT_TRUE(session()->isLumoraPullTabUIActive());
        EXPECT_EQ(tab->twoStageMode(), row.twoStage);
        EXPECT_EQ(tab->initialState(), row.initialState);
        EXPECT_EQ(tab->portraitSkinName(), row.portraitSkin);
        EXPECT_EQ(tab->fromEdge(), row.edge);
        session()->activateLumoraPullTabOn("profile", 0, true);
        EXPECT_EQ(session()->pullTabController(), tab) << "a second request is ignored";
        session()->deactivateLumoraPullTabWithAnimation(false);
        runSeconds(0.2);
        if (session()->isLumoraPullTabUIActive()) {
            // A tab still opening (state 0 without a page) stays until it is shown.
            session()->onPullTabViewControllerDeactivated();
        }
    }
}

TEST_F(ShowingTest, RefusalsAreLoggedAndShowNothing)
{
    begin();
    struct Row {
        const char* missing;
        const char* line;
    };
    const Row rows[] = {
        {"pulltab/config",
         "Lumora Error:  Lumora tab configuration data is not available.  Please ensure the theme data is up to date."},
        {"pulltab/bottom/overlay_position",
         "Lumora Error:  Lumora tab overlay position theme data is not available from the bottom edge.  Please ensure "
         "the theme data is up to date."},
        {"pulltab/bottom/lumoraslimline_landscape",
         "Lumora Error:  Lumora tab overlay theme data is not available for 'lumoraslimline' from the bottom edge.  "
         "Please ensure the theme data is up to date."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.missing);
        useTheme("mosswick_01");
        CCTheming::releaseSharedInstance();
        useTheme("mosswick_01");
        dropSkin(row.missing);
        ScopedLogCapture log;
        session()->activateLumoraPullTabOn("lumoraslimline", 0, false);
        EXPECT_TRUE(log.contains(row.line));
        EXPECT_FALSE(session()->isLumoraPullTabUIActive());
    }
    CCTheming::releaseSharedInstance();
    ScopedLogCapture log;
    session()->activateLumoraPullTabOn("lumoraslimline", 0, false);
    EXPECT_TRUE(log.contains("Lumora Error:  Unable to show Lumora tab overlay - ")) << "no theme current";
    EXPECT_FALSE(session()->isLumoraPullTabUIActive());
}

TEST_F(ShowingTest, TheNewsDelayOpensClosedUntilItsDatePasses)
{
    begin();
    session()->setNewstabActivationDelay(3600);
    const double now = driver_->clock().wallSeconds();
    session()->activateLumoraPullTabOn("lumoraslimline", 0, false);
    ASSERT_NE(session()->pullTabController(), nullptr);
    EXPECT_EQ(session()->pullTabController()->initialState(), 1);
    const Value& date = CCDataStore::sharedInstance()->valueForKey("newstabactivationdate");
    ASSERT_TRUE(date.isDate()) << int(date.kind());
    EXPECT_NEAR(date.asUnixTime(), now + 3600, 1);
    session()->deactivateLumoraPullTabWithAnimation(false);
    runSeconds(0.2);
    session()->onPullTabViewControllerDeactivated();

    session()->activateLumoraPullTabOn("lumoraslimline", 0, false);
    EXPECT_EQ(session()->pullTabController()->initialState(), 1) << "within the hour";
    session()->onPullTabViewControllerDeactivated();
    driver_->clock().advance(3601);
    session()->activateLumoraPullTabOn("lumoraslimline", 0, false);
    EXPECT_EQ(session()->pullTabController()->initialState(), 2) << "after the hour";
}

TEST_F(ShowingTest, CustomTabsWriteTheirIdsIntoTheStripSkins)
{
    begin();
    struct Row {
        std::vector<std::string> ids;
        const char* pair;
    };
    const Row rows[] = {
        {{"news", "findfriends", "switchuser", "giftsandmarket", "extra"}, "lumora_4tab"},
        {{"news", "findfriends", "switchuser"}, "lumora_3tab"},
        {{"settings", "virtualgoods"}, "lumora_2tab"},
        {{"mine"}, "lumora_1tab"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pair);
        session()->activateLumoraPullTabOnTabs(row.ids, "board7", 0, false);
        CCPullTabViewController* tab = session()->pullTabController();
        ASSERT_NE(tab, nullptr);
        EXPECT_EQ(tab->portraitSkinName(), std::string("pulltab/bottom/") + row.pair + "_portrait");
        EXPECT_TRUE(tab->twoStageMode());
        EXPECT_EQ(tab->leaderboardId(), "board7");
        EXPECT_EQ(tab->initialState(), 3);
        session()->onPullTabViewControllerDeactivated();
    }
    // Three ids over a strip of four tab items: the fourth is left alone.
    CCTheming* theme = CCTheming::sharedInstance();
    const Value four = theme->getSkinDescription("pulltab/bottom/lumora_4tab_portrait");
    for (const char* side : {"portrait", "landscape"}) {
        ASSERT_TRUE(theme->replaceCachedSkinDescription(std::string("pulltab/bottom/lumora_3tab_") + side, four));
    }
    session()->activateLumoraPullTabOnTabs({"findfriends", "switchuser", "leaderboards"}, "", 0, true);
    const Value& skin = theme->getSkinDescription("pulltab/bottom/lumora_3tab_portrait");
    std::vector<std::string> ids, hrefs;
    for (const Value& item : skin["items"].asArray()) {
        if (item["type"].stringView() != "tab") continue;
        ids.push_back(item["id"].asString());
        hrefs.push_back(item["href"].asString());
    }
    EXPECT_EQ(ids, (std::vector<std::string> {"findfriendstab", "switchusertab", "leaderboardstab",
                                              four["items"][4]["id"].asString()}));
    EXPECT_EQ(hrefs, (std::vector<std::string> {"find_friends.cuid", "logout", "leaderboard.cuid",
                                                four["items"][4]["href"].asString()}));
    EXPECT_EQ(skin["items"][1]["expandimage"].asString(), "images/pulltab_bottom/tab_find_friends_expand.png");
    EXPECT_EQ(skin["items"][2]["contractimage"].asString(), "images/pulltab_bottom/tab_switch_user_contract.png");
    EXPECT_EQ(skin["items"][3]["image"].asString(), "images/pulltab_bottom/tab_leaderboards.png");
    EXPECT_EQ(session()->pullTabController()->initialState(), 1);
}

// The full UI's view is not under the game's root controller: the session
// turns it, for the orientations the lock list allows.
TEST_F(ShowingTest, TheSessionTurnsTheFullUi)
{
    begin();
    recordRoots();
    session()->activateMainUIOnTabId("profiletab");
    ASSERT_EQ(roots_.size(), 1u);
    calls_.clear();
    session()->lockToOrientationList({1, 3});
    session()->willRotateToInterfaceOrientation(4, 0.3);
    session()->didRotateFromInterfaceOrientation(1);
    EXPECT_TRUE(calls_.empty()) << "an orientation the list refuses";
    session()->willRotateToInterfaceOrientation(3, 0.3);
    session()->didRotateFromInterfaceOrientation(1);
    session()->didRotateFromInterfaceOrientation(1);
    EXPECT_EQ(calls_, (std::vector<std::string> {"will rotate 3 0.300000", "did rotate 1"}));
    session()->deactivateLumoraUI();
}

// A sign-in change (a page saying the player was switched, or a sign-out)
// takes the pull tab back to its selected tab's page, opened as a guest.
TEST_F(ShowingTest, ASignInChangeTakesThePullTabBackToItsTab)
{
    begin();
    for (void (CCLoginHandler::*change)() :
         {&CCLoginHandler::userWasSwitched, &CCLoginHandler::userWasSignedOut}) {
        session()->activateLumoraPullTabOn("profile", 0, false);
        settle(0.5);
        CCPullTabViewController* tab = session()->pullTabController();
        ASSERT_NE(tab, nullptr);
        ASSERT_EQ(tab->viewUrlStack().size(), 1u);
        const std::string tabPage = tab->viewUrlStack().front()->url();
        auto other = makeRef<CCUIDescription>(CCPrivateSession::liteBaseUrl() + "elsewhere.cuid", 10, 0);
        tab->pushView(other, std::nullopt, 0, false);
        settle(0.5);
        ASSERT_EQ(tab->viewUrlStack().size(), 2u);
        (CCLoginHandler::sharedInstance()->*change)();
        settle(0.5);
        ASSERT_EQ(tab->viewUrlStack().size(), 1u);
        // The tab's own address, without the parameters of the opening.
        EXPECT_EQ(tab->viewUrlStack().front()->url(), tabPage.substr(0, tabPage.find('?')));
        session()->deactivateLumoraPullTabWithAnimation(false);
        settle(0.5);
        if (session()->isLumoraPullTabUIActive()) session()->onPullTabViewControllerDeactivated();
    }
}

TEST_F(ShowingTest, NoticesShowOneAtATime)
{
    begin();
    session()->presentPopupNotificationWithTitle("Game Center Sync", "first");
    session()->presentPopupNotificationWithTitle("Game Center Sync", "second");
    EXPECT_TRUE(session()->popupIsActive());
    EXPECT_EQ(session()->queuedPopupCount(), 1u);
    runSeconds(1.5);
    EXPECT_EQ(session()->queuedPopupCount(), 1u) << "the first still holds";
    runSeconds(2.5);
    EXPECT_EQ(session()->queuedPopupCount(), 0u) << "the second shows once the first finished";
    EXPECT_TRUE(session()->popupIsActive());
    runSeconds(3.5);
    EXPECT_FALSE(session()->popupIsActive());
}

TEST_F(ShowingTest, SettingOneGivesThePhoneTheWorkaroundController)
{
    for (const char* device : {"phone-hd", "tablet"}) {
        SCOPED_TRACE(device);
        begin(device);
        session()->activateLumoraSetting(1, Value("YES"));
        const size_t before = CCWorkaroundController::liveCount();
        session()->presentPopupNotificationWithTitle("t", "b");
        EXPECT_EQ(CCWorkaroundController::liveCount(), before + (std::string(device) == "tablet" ? 0 : 1));
        runSeconds(4);
        EXPECT_FALSE(session()->popupIsActive());
        TearDown();
        SetUp();
    }
}

} // namespace
} // namespace mw::test
