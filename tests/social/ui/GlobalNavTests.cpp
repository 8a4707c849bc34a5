// The phone's full-screen social UI against the loopback service: the mode
// chosen at start, the layout of both modes in both orientations (with and
// without status-bar skins), page pushes and pops, the bars' taps, the
// navigation description, keyboard, rotation, the incoming notice, the
// picker's underlay and the log-in entry points.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <filesystem>
#include <string>
#include <vector>

#include "foundation/Notification.h"
#include "foundation/NotificationCenter.h"
#include "platform/NetworkReachability.h"
#include "platform/UITouch.h"
#include "social/data/CCDataStore.h"
#include "social/queues/CCFetchManager.h"
#include "social/screens/CCGenericTableViewController.h"
#include "social/screens/CCGlobalNavController.h"
#include "social/services/CCLoginHandler.h"
#include "social/session/CCPrivateSession.h"
#include "social/screens/CCSkinnedView.h"
#include "social/services/CCTheming.h"
#include "social/queues/records/CCServerRecords.h"
#include "social/queues/records/CCServerDataHTTP.h"
#include "social/ui/UIImagePickerController.h"
#include "tests/social/ui/SocialUiFixture.h"
#include "tests/support/LoopbackSocialService.h"

namespace mw::test {
namespace {

using Reply = LoopbackSocialService::Reply;

// A page of `rows` text rows titled `title`.
std::string pageJson(const std::string& title, int rows)
{
    std::string items;
    for (int i = 0; i < rows; ++i) {
        if (i) items += ",";
        items += R"({"type":"text_row","text":")" + title + " row " + std::to_string(i + 1) + R"("})";
    }
    return R"({"title":")" + title + R"(","uitype":"plaintable","groups":[{"items":[)" + items + "]}]}";
}

std::string envelope(const std::string& data, const std::string& cache = "")
{
    std::string meta = R"({"type":"uidesc","timestamp":1)";
    if (!cache.empty()) meta += R"(,"cache":")" + cache + R"(")";
    return R"({"meta":)" + meta + R"(},"data":)" + data + "}";
}

std::string lite(const std::string& path) { return CCPrivateSession::liteBaseUrl() + path; }

bool sameRect(CGRect a, CGRect b)
{
    return std::abs(a.origin.x - b.origin.x) < 0.01f && std::abs(a.origin.y - b.origin.y) < 0.01f &&
           std::abs(a.size.width - b.size.width) < 0.01f && std::abs(a.size.height - b.size.height) < 0.01f;
}

// Whether `inner` lies wholly in `outer` (to a hundredth of a point).
bool inside(CGRect outer, CGRect inner)
{
    const float e = 0.01f;
    return inner.origin.x >= outer.origin.x - e && inner.origin.y >= outer.origin.y - e &&
           inner.origin.x + inner.size.width <= outer.origin.x + outer.size.width + e &&
           inner.origin.y + inner.size.height <= outer.origin.y + outer.size.height + e;
}

std::string text(CGRect r)
{
    return "(" + std::to_string(int(r.origin.x)) + ", " + std::to_string(int(r.origin.y)) + ", " +
           std::to_string(int(r.size.width)) + ", " + std::to_string(int(r.size.height)) + ")";
}

// The tabs of the navigation bars and the page each opens.
constexpr std::pair<const char*, const char*> kTabPages[] = {{"profiletab", "profile.cuid"},
                                                             {"splashtab", "splash.cuid"},
                                                             {"challengestab", "challenges.cuid"},
                                                             {"giftingtab", "gifts_and_market.cuid"}};

class GlobalNavTest : public SocialUiTest, public ::testing::WithParamInterface<const char*> {
protected:
    void SetUp() override { SocialUiTest::SetUp(); }
    // The device, the theme, the network and the sign-in state.
    void begin(const std::string& theme = "mosswick_01", bool online = false, bool signedInToday = false)
    {
        start(GetParam(), theme);
        if (theme == "variant") {
            // The variant's bundle holds only the theme: its pages take the
            // game's fonts.
            std::filesystem::create_directory_symlink(sourcePath("resources/fonts"),
                                                      home_.path() + "/variant_bundle/fonts");
        }
        activate();
        session()->activateLumoraSetting(2, Value("YES"));
        session()->setCurrentDeviceOrientation(1);
        service_.route();
        service_.setSigning({kSecret});
        service_.clearRequests();
        reachability_->setFlags(CCPrivateSession::kServiceHost, online ? ReachabilityFlag::kReachable : 0);
        CCLoginHandler::sharedInstance()->setIsFirstUiActivationToday(true);
        deactivations_ = 0;
        if (signedInToday) {
            Value cookie = Value::dictionary({{"Name", Value("SPRING_SECURITY_REMEMBER_ME_COOKIE")},
                                              {"Value", Value("v")},
                                              {"Domain", Value(CCPrivateSession::kServiceHost)},
                                              {"Path", Value("/")},
                                              {"Expires", Value::dateFromUnixTime(clock_->wallSeconds() + 3600)}});
            cookies_->plant(*HTTPCookie::fromProperties(cookie));
            CCLoginHandler::sharedInstance()->setIsFirstUiActivationToday(false);
        }
        for (const auto& [tab, path] : kTabPages) service_.script(std::string("/lite/") + path, {200, {}, envelope(pageJson(tab, 20))});
        service_.script("/lite/second.cuid", {200, {}, envelope(pageJson("Second", 20))});
        service_.script("/lite/third.cuid", {200, {}, envelope(pageJson("Third", 20))});
        service_.script("/lite/globalnav.cuid", {200, {}, envelope(R"({"uidata":{"profiletab":"3","challengestab":"12"}})")});
        CCSessionScreenHooks hooks = session()->screenHooks();
        hooks.deactivateLumoraUI = [this] { ++deactivations_; };
        session()->setScreenHooks(hooks);
        RunLoop::main().drain();
    }
    void TearDown() override
    {
        if (controller_) controller_->cleanUp();
        controller_ = nullptr;
        const std::vector<Ref<CCAbstractServerData>> queued = CCFetchManager::sharedInstance()->fetchQueue();
        for (const Ref<CCAbstractServerData>& record : queued) record->clearDelegate();
        SocialUiTest::TearDown();
    }
    static CCPrivateSession* session() { return CCPrivateSession::sharedInstance(); }
    // A fresh world for the next row of a table: nothing of the last one
    // stays (its data store, its fetch cache, its cookies).
    void restart()
    {
        TearDown();
        for (const auto& entry : std::filesystem::directory_iterator(home_.path()))
            std::filesystem::remove_all(entry.path());
        SetUp();
    }

    // A finger on the middle of `id`'s item of `bar`, where the screen
    // shows it (the root view turns with the device).
    void tapItem(CCSkinnedView& bar, const std::string& id)
    {
        const CGRect area = CCTheming::dimensionsFromItem(CCSkinnedView::skinItemForId(id, bar.skinDescription()));
        ASSERT_GT(area.size.width, 0) << id;
        const CGPoint centre = bar.convertPointToView(
            {area.origin.x + area.size.width / 2, area.origin.y + area.size.height / 2}, nullptr);
        Ref<UITouch> touch = driver_->touchDown(centre);
        driver_->touchUp(touch.get());
    }

    CCGlobalNavController& open(const std::string& tab = "profiletab",
                                const std::optional<std::string>& url = std::nullopt, bool loginRequired = true)
    {
        controller_ = CCGlobalNavController::create(tab, url, loginRequired);
        window_->addSubview(controller_->view());
        return *controller_;
    }
    // Runs the loop, and frames between its turns, until `done` holds (or
    // 10 s of real time pass).
    bool until(const std::function<bool()>& done, double seconds = 10)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        while (!RunLoop::main().runUntil(done, 0.002)) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            driver_->runFrames(1);
        }
        return true;
    }
    // Until the page shown is the one at `path`, with its data.
    bool waitForPage(const std::string& path)
    {
        return until([&] {
            CCGenericTableViewController* page = controller_->primaryViewController();
            return !controller_->incomingViewController() && page &&
                   page->currentUIDescription()->url() == lite(path) && page->currentUIDescription()->dataAvailable();
        });
    }
    std::vector<std::string> targets() const
    {
        std::vector<std::string> list;
        for (const auto& request : service_.requests()) list.push_back(request.target);
        return list;
    }
    bool requested(const std::string& target) const
    {
        for (const std::string& one : targets())
            if (one == target) return true;
        return false;
    }
    std::string shownUrl() const
    {
        CCUIDescription* shown = controller_->currentDisplayedUiDescription();
        return shown ? shown->url() : std::string();
    }
    // Turns the social screens to `orientation` as the platform does.
    void rotate(int orientation)
    {
        session()->lockToOrientationList({1, 3, 4});
        const int previous = session()->currentInterfaceOrientation();
        controller_->willRotateToInterfaceOrientation(orientation, 0.3);
        session()->willRotateToInterfaceOrientation(orientation, 0.3);
        controller_->didRotateFromInterfaceOrientation(previous);
        session()->didRotateFromInterfaceOrientation(previous);
    }
    void picture(const std::string& name)
    {
        const char* dir = std::getenv("MOSSWICK_TEST_PICTURES");
        if (!dir) return;
        driver_->runFrames(1);
        std::filesystem::create_directories(dir);
        EXPECT_TRUE(driver_->screenshot(std::string(dir) + "/" + name + ".png"));
    }

    LoopbackSocialService service_;
    Ref<CCGlobalNavController> controller_;
    int deactivations_ = 0;
};

INSTANTIATE_TEST_SUITE_P(Phones, GlobalNavTest, ::testing::Values("phone", "phone-hd"),
                         [](const auto& info) { return std::string(info.param) == "phone" ? "phone" : "phone_hd"; });

TEST_P(GlobalNavTest, TheModeFollowsTheNetworkAndTheDaysSignIn)
{
    struct Row {
        const char* name;
        bool online;
        bool signedInToday;
        bool main;
        const char* firstPage;
    };
    const Row rows[] = {
        {"no network: main, whatever the sign-in", false, false, true, "profile.cuid"},
        {"signed in earlier today: main", true, true, true, "profile.cuid"},
        {"online, first opening of the day: basic", true, false, false, "splash.cuid"},
    };
    bool first = true;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (!first) restart();
        first = false;
        begin("mosswick_01", row.online, row.signedInToday);
        CCGlobalNavController& nav = open();
        EXPECT_EQ(nav.uiHasBeenActivated(), row.main);
        EXPECT_TRUE(nav.isFirstPageOfSession());
        ASSERT_TRUE(waitForPage(row.firstPage));
        EXPECT_EQ(nav.urlHistoryCount(), 1u);
        if (row.main) {
            EXPECT_TRUE(until([&] { return requested("/lite/globalnav.cuid"); }));
            EXPECT_FALSE(nav.launchUrlStringMainNav());
        } else {
            // The splash page's banner is asked for, and the default tab
            // waits as the first page of the main mode.
            EXPECT_TRUE(until([&] { return requested("/lite/advert_global.img"); }));
            EXPECT_EQ(nav.launchUrlStringMainNav(), std::optional<std::string>(lite("profile.cuid")));
            EXPECT_FALSE(CCLoginHandler::sharedInstance()->isFirstUiActivationToday());
        }
    }
}

TEST_P(GlobalNavTest, TheBarsAndThePageSitWhereTheLayoutPutsThem)
{
    struct Row {
        const char* theme;
        int orientation;
        bool main;
        CGRect page, navBar, statusBar, banner;
        bool navShown;
    };
    constexpr CGRect none {0, 0, 0, 0};
    const Row rows[] = {
        {"mosswick_01", 1, true, {0, 0, 320, 320}, {0, 320, 320, 160}, none, none, true},
        {"mosswick_01", 3, true, {160, 0, 320, 320}, {0, 0, 160, 320}, none, none, true},
        {"mosswick_01", 1, false, {0, 0, 320, 320}, {0, 320, 320, 160}, none, none, true},
        {"mosswick_01", 3, false, {160, 0, 320, 320}, {0, 0, 160, 320}, none, none, true},
        {"variant", 1, true, {0, 0, 320, 320}, {0, 435, 320, 45}, {0, 320, 320, 115}, none, true},
        {"variant", 3, true, {115, 0, 320, 320}, {435, 0, 45, 320}, {0, 0, 115, 320}, none, true},
        {"variant", 1, false, {0, 0, 320, 320}, {0, 0, 0, 0}, {0, 320, 320, 160}, {0, 435, 320, 45}, false},
        {"variant", 3, false, {115, 0, 320, 320}, {0, 0, 0, 0}, {0, 0, 115, 320}, {435, 0, 45, 320}, false},
    };
    bool first = true;
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.theme) + (row.orientation == 1 ? " portrait" : " landscape") +
                     (row.main ? " main" : " basic"));
        if (!first) restart();
        first = false;
        begin(row.theme, !row.main, false);
        if (row.orientation == 3) {
            // Landscape needs a lock list that allows it.
            session()->lockToOrientationList({1, 3});
            session()->willRotateToInterfaceOrientation(3, 0);
            ASSERT_EQ(session()->currentInterfaceOrientation(), 3);
        }
        CCGlobalNavController& nav = open();
        ASSERT_TRUE(waitForPage(row.main ? "profile.cuid" : "splash.cuid"));
        const bool landscape = row.orientation == 3;
        EXPECT_TRUE(sameRect(nav.view()->bounds(), landscape ? CGRect {0, 0, 480, 320} : CGRect {0, 0, 320, 480}));
        EXPECT_TRUE(sameRect(nav.view()->frame(), {0, 0, 320, 480})) << text(nav.view()->frame());
        EXPECT_TRUE(sameRect(nav.primaryViewController()->view()->frame(), row.page))
            << text(nav.primaryViewController()->view()->frame());
        CCSkinnedView* navBar = landscape ? nav.landscapeNavBarView() : nav.portraitNavBarView();
        CCSkinnedView* otherNav = landscape ? nav.portraitNavBarView() : nav.landscapeNavBarView();
        if (row.navShown) {
            ASSERT_NE(navBar, nullptr);
            EXPECT_FALSE(navBar->isHidden());
            EXPECT_TRUE(otherNav->isHidden());
            EXPECT_TRUE(sameRect(navBar->frame(), row.navBar)) << text(navBar->frame());
        } else {
            EXPECT_TRUE(!navBar || navBar->isHidden());
        }
        CCSkinnedView* status = landscape ? nav.landscapeStatusBarView() : nav.portraitStatusBarView();
        if (row.statusBar.size.width > 0) {
            ASSERT_NE(status, nullptr);
            EXPECT_FALSE(status->isHidden());
            EXPECT_TRUE(sameRect(status->frame(), row.statusBar)) << text(status->frame());
            EXPECT_EQ(status->superview(), nav.containerView());
        } else {
            EXPECT_EQ(status, nullptr);
        }
        CCSkinnedView* banner = landscape ? nav.landscapeBasicNavBannerView() : nav.portraitBasicNavBannerView();
        if (row.banner.size.width > 0) {
            ASSERT_NE(banner, nullptr);
            EXPECT_TRUE(sameRect(banner->frame(), row.banner)) << text(banner->frame());
            EXPECT_EQ(banner->superview(), nav.view()) << "banners live in the root view";
        } else {
            EXPECT_EQ(banner, nullptr);
        }
        if (navBar) {
            EXPECT_EQ(navBar->superview(), nav.pageHolder());
        }
    }
}

TEST_P(GlobalNavTest, TheAnimationTableGivesEachKindItsStartAndEnd)
{
    struct Row {
        int kind;
        CGPoint beforePortrait, afterPortrait, beforeLandscape, afterLandscape;
    };
    // L is the landscape page x: 160, or 115 with status-bar skins.
    for (const char* theme : {"mosswick_01", "variant"}) {
        SCOPED_TRACE(theme);
        if (std::string(theme) == "variant") restart();
        begin(theme);
        const float l = std::string(theme) == "variant" ? 115 : 160;
        const Row rows[] = {
            {0, {0, 0}, {0, 0}, {l, 0}, {l, 0}},
            {1, {320, 0}, {0, 0}, {480, 0}, {l, 0}},
            {2, {0, 320}, {0, 0}, {160, 320}, {l, 0}},
            {3, {-320, 0}, {0, 0}, {-160, 0}, {l, 0}},
            {4, {0, 0}, {320, 0}, {l, 0}, {480, 0}},
            {5, {320, 0}, {0, 0}, {480, 0}, {l, 0}},
            {-1, {320, 0}, {0, 0}, {480, 0}, {l, 0}},
        };
        CCGlobalNavController& nav = open();
        session()->lockToOrientationList({1, 3});
        for (const Row& row : rows) {
            SCOPED_TRACE(row.kind);
            session()->setCurrentDeviceOrientation(1);
            EXPECT_TRUE(sameRect(nav.rectForBeforeAnimation(row.kind),
                                 {row.beforePortrait.x, row.beforePortrait.y, 320, 320}));
            EXPECT_TRUE(sameRect(nav.rectForAfterAnimation(row.kind), {row.afterPortrait.x, row.afterPortrait.y, 320, 320}));
            session()->setCurrentDeviceOrientation(3);
            EXPECT_TRUE(sameRect(nav.rectForBeforeAnimation(row.kind),
                                 {row.beforeLandscape.x, row.beforeLandscape.y, 320, 320}))
                << text(nav.rectForBeforeAnimation(row.kind));
            EXPECT_TRUE(sameRect(nav.rectForAfterAnimation(row.kind),
                                 {row.afterLandscape.x, row.afterLandscape.y, 320, 320}));
        }
        session()->setCurrentDeviceOrientation(1);
    }
}

TEST_P(GlobalNavTest, PushesKeepTheHistoryAndPopsGoBackToTheOffsetLeft)
{
    begin();
    CCGlobalNavController& nav = open();
    ASSERT_TRUE(waitForPage("profile.cuid"));
    // The first page of the main mode: Back greyed on the bars.
    EXPECT_EQ(nav.portraitNavBarView()->disabledItem(), "backbutton");
    EXPECT_EQ(nav.landscapeNavBarView()->disabledItem(), "backbutton");
    Ref<UIView> first(nav.primaryViewController()->view());
    nav.primaryViewController()->tableView()->setContentOffset({0, 200});

    // Kind 1 stores the offset of the page left and slides the new one in from the right.
    nav.pushView(makeRef<CCUIDescription>(lite("second.cuid"), 10, 0), std::nullopt, 1);
    ASSERT_NE(nav.incomingViewController(), nullptr);
    EXPECT_NEAR(nav.incomingViewController()->view()->presentationCenter().x, 320 + 160, 0.5);
    EXPECT_TRUE(sameRect(nav.incomingViewController()->view()->frame(), {0, 0, 320, 320}));
    EXPECT_EQ(nav.viewUrlStack().front()->rowOffset().y, 200);
    EXPECT_EQ(nav.portraitNavBarView()->disabledItem(), "");
    ASSERT_TRUE(waitForPage("second.cuid"));
    EXPECT_EQ(nav.incomingViewController(), nullptr);
    EXPECT_TRUE(sameRect(nav.primaryViewController()->view()->frame(), {0, 0, 320, 320}));
    EXPECT_EQ(first->superview(), nullptr) << "the page left is off the screen";
    EXPECT_EQ(nav.urlHistoryCount(), 2u);

    // Kinds 0 and 4 store no offset; kind 4 goes under the page shown.
    nav.primaryViewController()->tableView()->setContentOffset({0, 120});
    for (int kind : {0, 4}) {
        SCOPED_TRACE(kind);
        nav.primaryViewController()->tableView()->setContentOffset({0, 120});
        nav.viewUrlStack().back()->setRowOffset({0, 0});
        UIView* shown = nav.primaryViewController()->view();
        nav.pushView(makeRef<CCUIDescription>(lite("third.cuid"), 10, 0), std::nullopt, kind, true);
        EXPECT_EQ(nav.viewUrlStack().size(), 2u) << "no-stack pushes replace the top item";
        EXPECT_EQ(nav.viewUrlStack().front()->rowOffset().y, 200);
        if (kind == 4) {
            UIView* incoming = nav.incomingViewController()->view();
            const auto& views = nav.pageHolder()->subviews();
            const auto at = [&](UIView* v) { return std::find(views.begin(), views.end(), Ref<UIView>(v)) - views.begin(); };
            EXPECT_LT(at(incoming), at(shown)) << "the new page lies under the one sliding out";
            EXPECT_TRUE(sameRect(incoming->frame(), {0, 0, 320, 320}));
        }
        ASSERT_TRUE(waitForPage("third.cuid"));
    }
    // Back: the first page again, at the offset it was left with, Back greyed.
    nav.popViewWithAnimation(4);
    ASSERT_TRUE(waitForPage("profile.cuid"));
    EXPECT_EQ(nav.urlHistoryCount(), 1u);
    EXPECT_EQ(nav.primaryViewController()->tableView()->contentOffset().y, 200);
    EXPECT_EQ(nav.portraitNavBarView()->disabledItem(), "backbutton");
    nav.popViewWithAnimation(4);
    EXPECT_EQ(shownUrl(), lite("profile.cuid")) << "one page left: nothing to pop";
}

TEST_P(GlobalNavTest, TheNavigationDescriptionComesFirstAndRefreshesTheBadges)
{
    begin();
    Reply held {200, {}, envelope(R"({"uidata":{"profiletab":"3","challengestab":"12"}})")};
    held.held = true;
    service_.script("/lite/globalnav.cuid", held);
    CCGlobalNavController& nav = open();
    auto queuedAt = [](const std::string& url) {
        for (const auto& record : CCFetchManager::sharedInstance()->fetchQueue())
            if (record->url() == url) return record->fetchPriority();
        return -1;
    };
    EXPECT_EQ(queuedAt(lite("globalnav.cuid")), 1);
    EXPECT_EQ(*nav.navigationDescriptionUrl(), lite("globalnav.cuid"));
    service_.release("/lite/globalnav.cuid");
    ASSERT_TRUE(until([&] { return nav.portraitNavBarView()->uiElement()["challengestab"].isString(); }));
    for (CCSkinnedView* bar : {nav.portraitNavBarView(), nav.landscapeNavBarView()})
        EXPECT_EQ(bar->uiElement()["challengestab"], Value("12")) << "the badges reach both bars";
    // Loaded again: a refresh at 400.
    service_.script("/lite/globalnav.cuid", held);
    nav.loadUiDescription();
    EXPECT_EQ(queuedAt(lite("globalnav.cuid")), 400);
    service_.release("/lite/globalnav.cuid");
    until([&] { return queuedAt(lite("globalnav.cuid")) < 0; });
}

TEST_P(GlobalNavTest, ATabTapOpensTheTabsPageOnTheNextTurnWithItsKind)
{
    struct Row {
        const char* theme;
        int orientation;
        int kind;
    };
    const Row rows[] = {{"mosswick_01", 1, 2}, {"mosswick_01", 3, 3}, {"variant", 1, 1}, {"variant", 3, 1}};
    bool first = true;
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.theme) + " " + std::to_string(row.orientation));
        if (!first) restart();
        first = false;
        begin(row.theme);
        session()->lockToOrientationList({1, 3});
        session()->setCurrentDeviceOrientation(row.orientation);
        CCGlobalNavController& nav = open();
        ASSERT_TRUE(waitForPage("profile.cuid"));
        nav.pushView(makeRef<CCUIDescription>(lite("second.cuid"), 10, 0), std::nullopt, 0);
        nav.formModelCreatingForUrl(lite("second.cuid"))->values.set("name", Value("Ada"));
        CCSkinnedView& bar = *(row.orientation == 1 ? nav.portraitNavBarView() : nav.landscapeNavBarView());
        // A finger on the tab as the theme ships it: its own "href" names
        // the page (the tabs carry no badge here, so no link of the page's).
        tapItem(bar, "giftingtab");
        EXPECT_TRUE(nav.backgroundThreadRunning());
        EXPECT_EQ(nav.urlHistoryCount(), 0u);
        EXPECT_TRUE(nav.formModelHeap().empty());
        EXPECT_EQ(bar.depressedButton(), "giftingtab");
        EXPECT_EQ(nav.selectedTabId(), std::optional<std::string>("giftingtab"));
        // Taps while the switch runs are ignored.
        tapItem(bar, "splashtab");
        EXPECT_EQ(nav.selectedTabId(), std::optional<std::string>("giftingtab"));
        RunLoop::main().drain();
        EXPECT_FALSE(nav.backgroundThreadRunning());
        ASSERT_NE(nav.incomingViewController(), nullptr);
        EXPECT_TRUE(sameRect(nav.incomingViewController()->view()->presentationBounds(), {0, 0, 320, 320}));
        const CGRect start = nav.rectForBeforeAnimation(row.kind);
        const CGPoint centre = nav.incomingViewController()->view()->presentationCenter();
        EXPECT_NEAR(centre.x, start.origin.x + 160, 0.5) << "kind " << row.kind;
        EXPECT_NEAR(centre.y, start.origin.y + 160, 0.5);
        ASSERT_TRUE(waitForPage("gifts_and_market.cuid"));
        EXPECT_EQ(nav.urlHistoryCount(), 1u);
        // A second tap on the selected tab with one page is ignored.
        tapItem(bar, "giftingtab");
        EXPECT_FALSE(nav.backgroundThreadRunning());
    }
}

TEST_P(GlobalNavTest, BackAndCloseButtonsPopOrCloseByModeAndHistory)
{
    struct Row {
        const char* name;
        bool main;
        bool secondPage;
        const char* button;
        bool popped;
        int closes;
    };
    const Row rows[] = {
        {"main, two pages, Back", true, true, "backbutton", true, 0},
        {"main, one page, Back", true, false, "backbutton", false, 0},
        {"basic, two pages, Back", false, true, "backbutton", true, 0},
        {"basic, one page, Back closes", false, false, "backbutton", false, 1},
        {"Close", true, true, "closebutton", false, 1},
        {"another button", true, true, "helpbutton", false, 0},
    };
    bool first = true;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (!first) restart();
        first = false;
        begin("mosswick_01", !row.main, false);
        CCGlobalNavController& nav = open();
        ASSERT_TRUE(waitForPage(row.main ? "profile.cuid" : "splash.cuid"));
        if (row.secondPage) {
            nav.pushView(makeRef<CCUIDescription>(lite("second.cuid"), 10, 0), std::nullopt, 1);
            ASSERT_TRUE(waitForPage("second.cuid"));
        }
        const size_t before = nav.urlHistoryCount();
        nav.skinnedViewButtonPressed(*nav.portraitNavBarView(), row.button, "button", Value());
        if (row.popped) {
            ASSERT_NE(nav.incomingViewController(), nullptr);
            // Kind 4: the page shown slides out to the right over the one below.
            EXPECT_TRUE(sameRect(nav.incomingViewController()->view()->frame(), {0, 0, 320, 320}));
            EXPECT_EQ(nav.urlHistoryCount(), before - 1);
        } else {
            EXPECT_EQ(nav.urlHistoryCount(), before);
        }
        EXPECT_EQ(deactivations_, row.closes);
    }
}

TEST_P(GlobalNavTest, TheKeyboardShortensThePageAndScrollsOnlyToRowsItHas)
{
    begin("variant");
    session()->lockToOrientationList({1, 3});
    CCGlobalNavController& nav = open();
    ASSERT_TRUE(waitForPage("profile.cuid"));
    UIView* page = nav.primaryViewController()->view();
    UITableView* table = nav.primaryViewController()->tableView();
    auto post = [](const char* name, Value info) {
        NotificationCenter::defaultCenter().postNotification(name, nullptr, std::move(info));
    };
    struct Row {
        int orientation;
        CGRect out, in;
    };
    const Row rows[] = {{1, {0, 0, 320, 265}, {0, 0, 320, 320}}, {3, {115, 0, 320, 159}, {115, 0, 320, 320}}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.orientation);
        session()->setCurrentDeviceOrientation(row.orientation);
        post(kKeyboardWillAppearNotification, Value::dictionary());
        EXPECT_TRUE(nav.keyboardIsOut());
        EXPECT_TRUE(sameRect(page->frame(), row.out)) << text(page->frame());
        post(kKeyboardWillDisappearNotification, Value::dictionary());
        EXPECT_FALSE(nav.keyboardIsOut());
        EXPECT_TRUE(sameRect(page->frame(), row.in)) << text(page->frame());
    }
    session()->setCurrentDeviceOrientation(1);
    // A field's row comes into view.
    table->setContentOffset({0, 0});
    post(kKeyboardWillAppearNotification, Value::dictionary({{"row", Value(19)}, {"section", Value(0)}}));
    runSeconds(0.5);
    EXPECT_GT(table->contentOffset().y, 0);
    // A row the page does not have (a field of another page) moves nothing;
    // scrolling to it used to throw the page back to its top.
    table->setContentOffset({0, 200});
    post(kKeyboardWillAppearNotification, Value::dictionary({{"row", Value(99)}, {"section", Value(0)}}));
    post(kKeyboardWillAppearNotification, Value::dictionary({{"row", Value(0)}, {"section", Value(4)}}));
    runSeconds(0.5);
    EXPECT_EQ(table->contentOffset().y, 200);
}

TEST_P(GlobalNavTest, RotationLaysTheScreenOutAgainAndKeepsTheOffset)
{
    begin();
    CCGlobalNavController& nav = open();
    ASSERT_TRUE(waitForPage("profile.cuid"));
    nav.primaryViewController()->tableView()->setContentOffset({0, 150});
    rotate(3);
    EXPECT_TRUE(sameRect(nav.view()->bounds(), {0, 0, 480, 320}));
    EXPECT_TRUE(sameRect(nav.view()->frame(), {0, 0, 320, 480}));
    EXPECT_TRUE(nav.portraitNavBarView()->isHidden());
    EXPECT_FALSE(nav.landscapeNavBarView()->isHidden());
    EXPECT_TRUE(sameRect(nav.primaryViewController()->view()->frame(), {160, 0, 320, 320}));
    EXPECT_EQ(nav.primaryViewController()->tableView()->contentOffset().y, 150);
    EXPECT_TRUE(nav.shouldAutorotateToInterfaceOrientation(3));
    EXPECT_FALSE(nav.shouldAutorotateToInterfaceOrientation(2)) << "the lock list rules";
    picture("globalnav-landscape");
    rotate(1);
    EXPECT_TRUE(sameRect(nav.view()->bounds(), {0, 0, 320, 480}));
    EXPECT_FALSE(nav.portraitNavBarView()->isHidden());
    EXPECT_TRUE(sameRect(nav.primaryViewController()->view()->frame(), {0, 0, 320, 320}));
}

TEST_P(GlobalNavTest, TheIncomingNoticeOpensItsPageOnOkOnly)
{
    for (const char* answer : {"button2", "button1"}) {
        SCOPED_TRACE(answer);
        if (std::string(answer) == "button1") restart();
        begin();
        CCGlobalNavController& nav = open();
        ASSERT_TRUE(waitForPage("profile.cuid"));
        nav.displayIncomingPushNotice("A challenge for you", lite("challenges.cuid"), "challengestab");
        CCModalViewController* dialog = nav.modalViewController();
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->view()->superview(), nav.view());
        ASSERT_NE(dialog->skinnedView(), nullptr);
        EXPECT_EQ(dialog->skinnedView()->uiElement()["title"], Value("Incoming Notification"));
        EXPECT_EQ(dialog->skinnedView()->uiElement()["body"], Value("A challenge for you"));
        if (std::string(answer) == "button2") {
            // Through the dialog's own press (its animation, then the answer).
            dialog->skinnedViewButtonPressed(*dialog->skinnedView(), answer, "button", Value());
            ASSERT_TRUE(until([&] { return nav.modalViewController() == nullptr; }));
        } else {
            nav.modalViewControllerButtonPressed(*dialog, answer);
            EXPECT_EQ(nav.modalViewController(), nullptr);
            // Kind 2: the page rises from below the page area.
            ASSERT_NE(nav.incomingViewController(), nullptr);
            EXPECT_NEAR(nav.incomingViewController()->view()->presentationCenter().y, 320 + 160, 0.5);
        }
        EXPECT_FALSE(nav.pendingUrlString());
        EXPECT_FALSE(nav.pendingTabId());
        if (std::string(answer) == "button2") {
            EXPECT_EQ(nav.incomingViewController(), nullptr);
            EXPECT_EQ(shownUrl(), lite("profile.cuid"));
            EXPECT_EQ(nav.urlHistoryCount(), 1u);
        } else {
            ASSERT_TRUE(waitForPage("challenges.cuid"));
            EXPECT_EQ(nav.portraitNavBarView()->depressedButton(), "challengestab");
            EXPECT_EQ(nav.urlHistoryCount(), 2u);
        }
    }
}

TEST_P(GlobalNavTest, ThePickersUnderlayGoesTwoSecondsAfterThePickerCloses)
{
    begin();
    CCGlobalNavController& nav = open();
    ASSERT_TRUE(waitForPage("profile.cuid"));
    nav.initiateImagePickerWithType(0, lite("upload_picture"), CGRectZero, nullptr);
    CCImagePickerUnderlay* underlay = nav.imagePickerUnderlay();
    ASSERT_NE(underlay, nullptr);
    EXPECT_EQ(underlay->view()->superview(), window_.get());
    EXPECT_TRUE(sameRect(underlay->view()->frame(), {0, 0, 320, 480}));
    EXPECT_EQ(underlay->modalViewController(), nullptr) << "the picker comes on the next turn";
    RunLoop::main().drain();
    auto* picker = dynamic_cast<UIImagePickerController*>(underlay->modalViewController());
    ASSERT_NE(picker, nullptr);
    EXPECT_EQ(picker->delegate(), &nav);
    nav.primaryViewController()->tableView()->selectRowAtIndexPath(NSIndexPath {0, 2}, false);
    picker->cancel();
    runSeconds(1.9);
    EXPECT_NE(nav.imagePickerUnderlay(), nullptr);
    runSeconds(0.2);
    EXPECT_EQ(nav.imagePickerUnderlay(), nullptr);
    EXPECT_FALSE(nav.primaryViewController()->tableView()->indexPathForSelectedRow().has_value()) << "selection cleared";
}

TEST_P(GlobalNavTest, AFailedFirstPageClosesTheUiAndALaterOneGoesBack)
{
    // A page the service does not have: the page says so in its dialog,
    // and its OK reports the failure.
    auto answerTheFailure = [this] {
        CCGenericTableViewController* page = nullptr;
        if (!until([&] {
                page = controller_->primaryViewController();
                return page && page->currentUIDescription()->url() == lite("missing.cuid") &&
                       page->modalViewController();
            }))
            return false;
        CCModalViewController* dialog = page->modalViewController();
        dialog->skinnedViewButtonPressed(*dialog->skinnedView(), "button1", "button", Value());
        return true;
    };
    begin();
    CCGlobalNavController& nav = open("profiletab", lite("missing.cuid"));
    ASSERT_TRUE(answerTheFailure());
    ASSERT_TRUE(until([&] { return deactivations_ > 0; }));
    EXPECT_EQ(deactivations_, 1);
    EXPECT_TRUE(nav.isFirstPageOfSession());

    restart();
    begin();
    CCGlobalNavController& later = open();
    ASSERT_TRUE(waitForPage("profile.cuid"));
    later.pushView(makeRef<CCUIDescription>(lite("missing.cuid"), 10, 0), std::nullopt, 1);
    ASSERT_TRUE(answerTheFailure());
    ASSERT_TRUE(waitForPage("profile.cuid"));
    EXPECT_EQ(deactivations_, 0);
    EXPECT_EQ(later.urlHistoryCount(), 1u);
}

TEST_P(GlobalNavTest, ATabWithoutAPageOpensNoFirstPage)
{
    // A theme whose default tab names no page.
    begin();
    CCTheming* theme = CCTheming::sharedInstance();
    for (const char* name : {"globalnav_portrait", "globalnav_landscape"}) {
        Value skin = theme->getSkinDescription(name);
        Value::Array items = skin["items"].asArray();
        for (Value& item : items)
            if (item["id"].isString() && item["id"].asString() == "profiletab") item.remove("href");
        skin.set("items", Value::array(std::move(items)));
        ASSERT_TRUE(theme->replaceCachedSkinDescription(name, skin));
    }
    CCGlobalNavController& nav = open();
    runSeconds(0.2);
    EXPECT_TRUE(nav.uiHasBeenActivated());
    EXPECT_EQ(nav.primaryViewController(), nullptr);
    EXPECT_EQ(nav.urlHistoryCount(), 0u);
    EXPECT_FALSE(nav.portraitNavBarView()->isHidden());
}

TEST_P(GlobalNavTest, LogInEntryPointsReloadOrOpenInPlace)
{
    struct Row {
        const char* name;
        std::function<void(CCGlobalNavController&)> call;
        bool pageShown;
        const char* expected; // the page pushed, or null for none
        bool afterLogIn;
    };
    const Row rows[] = {
        {"Twitter reload", [](CCGlobalNavController& n) { n.twitterSessionRequiredPageRefresh(); }, true, "second.cuid",
         false},
        {"Facebook reload", [](CCGlobalNavController& n) { n.facebookSessionRequiredPageRefresh(); }, true, "second.cuid",
         false},
        {"reload without a page", [](CCGlobalNavController& n) { n.twitterSessionRequiredPageRefresh(); }, false,
         nullptr, false},
        {"reload of an address",
         [](CCGlobalNavController& n) { n.facebookSessionRequiredPageRefreshWithUrl(lite("third.cuid")); }, true,
         "third.cuid", false},
        {"reload of an address without a page",
         [](CCGlobalNavController& n) { n.twitterSessionRequiredPageRefreshWithUrl(lite("third.cuid")); }, false,
         nullptr, false},
        {"Twitter log-in", [](CCGlobalNavController& n) { n.twitterUserLogin(lite("third.cuid")); }, true, "third.cuid",
         true},
        {"Facebook log-in", [](CCGlobalNavController& n) { n.facebookUserLogin(lite("third.cuid")); }, true,
         "third.cuid", true},
    };
    bool first = true;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (!first) restart();
        first = false;
        begin();
        // The first page is held back when no page is to be shown.
        if (!row.pageShown) {
            Reply held {200, {}, envelope(pageJson("profile", 20))};
            held.held = true;
            service_.script("/lite/profile.cuid", held);
        }
        CCGlobalNavController& nav = open();
        if (row.pageShown) {
            ASSERT_TRUE(waitForPage("profile.cuid"));
            nav.pushView(makeRef<CCUIDescription>(lite("second.cuid"), 10, 0), std::nullopt, 1);
            ASSERT_TRUE(waitForPage("second.cuid"));
        } else {
            // The page record is shown while it loads: drop it as a mode switch does.
            nav.activateBasicNavUiWithTab(true, "");
        }
        CCFetchManager* fetch = CCFetchManager::sharedInstance();
        const size_t before = nav.urlHistoryCount();
        CCGenericTableViewController* shown = nav.primaryViewController();
        row.call(nav);
        if (!row.expected) {
            EXPECT_EQ(nav.primaryViewController(), shown);
            EXPECT_EQ(nav.incomingViewController(), nullptr);
            EXPECT_EQ(nav.urlHistoryCount(), before);
            if (!row.pageShown) service_.release("/lite/profile.cuid");
            continue;
        }
        const std::string url = lite(row.expected);
        ASSERT_EQ(nav.primaryViewController()->currentUIDescription()->url(), url) << "animation 0: shown at once";
        EXPECT_EQ(nav.urlHistoryCount(), before) << "no history entry";
        EXPECT_EQ(nav.viewUrlStack().back()->url(), url);
        bool queued = false;
        for (const auto& record : fetch->fetchQueue())
            if (record->url() == url && record->fetchPriority() == 10) queued = true;
        EXPECT_TRUE(queued) << "fetched at priority 10";
        if (!row.afterLogIn) {
            // A reload takes nothing from the cache.
            EXPECT_FALSE(nav.primaryViewController()->currentUIDescription()->dataAvailable());
        }
        ASSERT_TRUE(waitForPage(row.expected));
    }
}

TEST_P(GlobalNavTest, ScreensOfBothModesAndTheStatusBarVariantInBothOrientations)
{
    if (std::string(GetParam()) != "phone-hd") GTEST_SKIP() << "pictures at phone-hd";
    struct Row {
        const char* picture;
        const char* theme;
        bool main;
        bool landscape;
    };
    const Row rows[] = {{"globalnav-main-portrait", "mosswick_01", true, false},
                        {"globalnav-basic-portrait", "mosswick_01", false, false},
                        {"globalnav-main-landscape", "mosswick_01", true, true},
                        {"globalnav-basic-landscape", "mosswick_01", false, true},
                        {"globalnav-statusbar-main-portrait", "variant", true, false},
                        {"globalnav-statusbar-basic-portrait", "variant", false, false},
                        {"globalnav-statusbar-main-landscape", "variant", true, true},
                        {"globalnav-statusbar-basic-landscape", "variant", false, true}};
    bool first = true;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.picture);
        if (!first) restart();
        first = false;
        begin(row.theme, !row.main, false);
        if (row.landscape) {
            session()->lockToOrientationList({1, 3});
            session()->willRotateToInterfaceOrientation(3, 0);
        }
        CCGlobalNavController& nav = open();
        ASSERT_TRUE(waitForPage(row.main ? "profile.cuid" : "splash.cuid"));
        runSeconds(0.3);
        picture(row.picture);
        // The page's first row covers the game, and every tab of the bar
        // shown is drawn on the screen, where a finger finds it.
        UIView* page = nav.primaryViewController()->view();
        const RGBA moss {70, 96, 52, 255};
        const RGBA top = pixelAt(page->convertPointToView({100, 20}, nullptr));
        EXPECT_FALSE(top.r == moss.r && top.g == moss.g && top.b == moss.b) << "the page covers the game";
        const bool status = std::string(row.theme) == "variant";
        CCSkinnedView* bar = status && !row.main
                                 ? (row.landscape ? nav.landscapeBasicNavBannerView() : nav.portraitBasicNavBannerView())
                                 : (row.landscape ? nav.landscapeNavBarView() : nav.portraitNavBarView());
        ASSERT_NE(bar, nullptr);
        const CGRect screen {0, 0, 320, 480};
        for (const auto& [tab, path] : kTabPages) {
            const Value& item = CCSkinnedView::skinItemForId(tab, bar->skinDescription());
            if (item.isNull()) continue;
            const CGRect area = bar->convertRectToView(CCTheming::dimensionsFromItem(item), nullptr);
            EXPECT_TRUE(inside(screen, area)) << tab << " at " << text(area);
            EXPECT_TRUE(inside(bar->convertRectToView(bar->bounds(), nullptr), area)) << tab;
        }
    }
}

} // namespace
} // namespace mw::test
