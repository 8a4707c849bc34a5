#include <gtest/gtest.h>

#include "foundation/Log.h"
#include "social/CCDataStore.h"
#include "social/CCFetchManager.h"
#include "social/CCModalControllers.h"
#include "social/CCPrivateSession.h"
#include "social/CCPullTabViewController.h"
#include "social/CCTheming.h"
#include "tests/social/ui/SocialUiFixture.h"
#include "tests/support/RecordingOutsideServices.h"

namespace mw::test {
namespace {

class ShowingTest : public SocialUiTest {
protected:
    void SetUp() override
    {
        SocialUiTest::SetUp();
        previousTransport_ = HTTPTransport::replaceSharedInstance(transport_);
    }
    void begin(const std::string& device = "phone-hd")
    {
        start(device);
        activate();
        session()->setCurrentDeviceOrientation(1);
    }
    void TearDown() override
    {
        if (session()) session()->deactivateLumoraPullTabWithAnimation(false);
        const std::vector<Ref<CCAbstractServerData>> queued = CCFetchManager::sharedInstance()->fetchQueue();
        for (const Ref<CCAbstractServerData>& record : queued) record->clearDelegate();
        SocialUiTest::TearDown();
        HTTPTransport::replaceSharedInstance(previousTransport_);
    }
    static CCPrivateSession* session() { return CCPrivateSession::sharedInstance(); }
    // Makes a cached skin read as missing.
    static void dropSkin(const std::string& skinId)
    {
        CCTheming* theme = CCTheming::sharedInstance();
        (void)theme->getSkinDescription(skinId);
        ASSERT_TRUE(theme->replaceCachedSkinDescription(skinId, Value()));
    }

    std::shared_ptr<RecordingHTTPTransport> transport_ = std::make_shared<RecordingHTTPTransport>();
    std::shared_ptr<HTTPTransport> previousTransport_;
};

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
