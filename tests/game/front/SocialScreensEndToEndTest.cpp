#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "analytics/TallyAnalytics.h"
#include "engine/director/HeadlessDriver.h"
#include "foundation/Log.h"
#include "foundation/RunLoop.h"
#include "game/front/MainMenuPopUp.h"
#include "game/front/MainMenuScene.h"
#include "game/front/MosswickAppDelegate.h"
#include "game/state/Profile.h"
#include "platform/DeviceProfile.h"
#include "platform/HTTPTransport.h"
#include "social/CCDataStore.h"
#include "social/CCGenericTableViewController.h"
#include "social/CCModalControllers.h"
#include "social/CCPrivateSession.h"
#include "social/CCPullTabViewController.h"
#include "social/CCSmallViews.h"
#include "social/CCTheming.h"
#include "social/LumoraSlimlineSession.h"
#include "social/ui/UITableView.h"
#include "social/ui/UIWindow.h"
#include "tests/support/GLTestContext.h"
#include "tests/support/LoopbackSocialService.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/SharedInstances.h"
#include "tests/support/SocialServicePages.h"
#include "tests/support/TempDir.h"

namespace mw {
namespace {

using test::LoopbackSocialService;
using Reply = LoopbackSocialService::Reply;

using Pages = test::SocialServicePages;
constexpr const char* kBannerId = Pages::kBannerId;

// The game launched through the headless driver at a fixed step with a fake
// clock, its social requests answered by the loopback HTTPS service (the
// service host resolved to 127.0.0.1, trusted through the test authority).
// Pictures of the steps go to $MOSSWICK_TEST_PICTURES.
class SocialScreensEndToEndTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        service_ = std::make_unique<LoopbackSocialService>();
        service_->setSigning({MosswickAppDelegate::kSocialSecret});
        Pages::script(*service_);
    }
    void TearDown() override
    {
        stop();
        service_.reset();
    }

    void launch()
    {
        const DeviceProfile& profile = *DeviceProfile::named(GetParam());
        const PixelSize pixels = profile.pixelSize();
        test::GLTestContext* gl = test::GLTestContext::acquire(pixels.width, pixels.height);
        ASSERT_NE(gl, nullptr);
        test::resetSharedInstances();
        TallyAnalytics::resetForTesting();
        Profile::purgeSharedInstance();
        // After the reset, which forgets every transport setting.
        service_->route();
        driver_ = HeadlessDriver::createForApplicationWithContext(gl->context(), profile, 1.0 / 30);
        ASSERT_NE(driver_, nullptr);
        driver_->clock().setWall(1'800'000'000);
        app_ = std::make_unique<MosswickAppDelegate>();
        driver_->lifeCycle().setDelegate(app_.get());
        driver_->lifeCycle().launch();
    }
    void stop()
    {
        if (driver_) driver_->lifeCycle().setDelegate(nullptr);
        app_.reset();
        driver_.reset();
        test::resetSharedInstances();
        TallyAnalytics::resetForTesting();
    }

    // Runs frames of the fixed step until `done` answers yes, giving the
    // service's threads a moment between frames; false after `seconds` of
    // game time.
    bool runUntil(const std::function<bool()>& done, double seconds)
    {
        const int frames = static_cast<int>(seconds / driver_->step());
        for (int i = 0; i < frames; ++i) {
            if (done()) return true;
            driver_->runFrames(1);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return done();
    }
    void run(double seconds) { driver_->runFrames(static_cast<int>(seconds / driver_->step() + 0.5)); }

    void picture(const std::string& name)
    {
        if (const char* dir = std::getenv("MOSSWICK_TEST_PICTURES")) {
            driver_->runFrames(1);
            EXPECT_TRUE(driver_->screenshot(std::string(dir) + "/social-" + name + "-" + GetParam() + ".png"));
        }
    }

    MainMenuScene* menu() { return dynamic_cast<MainMenuScene*>(driver_->director()->runningScene()); }
    MainMenuPopUp* optionsPopUp()
    {
        MainMenuScene* scene = menu();
        for (uint32_t i = 0; scene && scene->children() && i < scene->children()->count(); ++i)
            if (auto* found = dynamic_cast<MainMenuPopUp*>(scene->children()->objectAtIndexAs<CCNode>(i)))
                return found;
        return nullptr;
    }
    static CCPrivateSession* session() { return CCPrivateSession::sharedInstance(); }
    static CCPullTabViewController* pullTab() { return session() ? session()->pullTabController() : nullptr; }
    static int state() { return pullTab() ? pullTab()->state() : -1; }
    static UIWindow* window() { return UIWindow::keyWindow(); }

    // A finger's tap at a point of the window (points, top-left origin).
    void tap(CGPoint point)
    {
        Ref<UITouch> touch = driver_->touchDown(point);
        driver_->runFrames(1);
        driver_->touchUp(touch.get());
        driver_->runFrames(1);
    }
    // The centre of a strip item, in the window.
    CGPoint stripItem(const std::string& itemId)
    {
        CCSkinnedView* strip = pullTab()->visiblePullTabView();
        const Value& skin = CCTheming::sharedInstance()->getSkinDescription(pullTab()->portraitSkinName());
        const Value& item = CCSkinnedView::skinItemForId(itemId, skin);
        const CGRect rect {item["x"].asFloat(), item["y"].asFloat(), item["w"].asFloat(), item["h"].asFloat()};
        const CGRect in = strip->convertRectToView(rect, window());
        return {in.origin.x + in.size.width / 2, in.origin.y + in.size.height / 2};
    }
    // The centre of a button of the dialog over the page shown.
    CGPoint dialogButton(const std::string& itemId)
    {
        CCSkinnedView* dialog = pullTab()->primaryViewController()->modalViewController()->skinnedView();
        const Value& skin = CCTheming::sharedInstance()->getSkinDescription("dialog_twobutton");
        const Value& item = CCSkinnedView::skinItemForId(itemId, skin);
        const CGRect rect {item["x"].asFloat(), item["y"].asFloat(), item["w"].asFloat(), item["h"].asFloat()};
        const CGRect in = dialog->convertRectToView(rect, window());
        return {in.origin.x + in.size.width / 2, in.origin.y + in.size.height / 2};
    }
    // The back button of the back bar above the page shown, in the window.
    CGPoint backBar()
    {
        UITableView* table = pullTab()->primaryViewController()->tableView();
        const CGRect rect = table->convertRectToView(table->rectForRowAtIndexPath({0, 0}), window());
        const Value& skin = CCTheming::sharedInstance()->getSkinDescription("back_bar");
        const Value& button = CCSkinnedView::skinItemForId("backbutton", skin);
        return {rect.origin.x + button["x"].asFloat() + button["w"].asFloat() / 2,
                rect.origin.y + button["y"].asFloat() + button["h"].asFloat() / 2};
    }
    // The centre of a row of the page shown, in the window.
    CGPoint row(int index)
    {
        CCGenericTableViewController* page = pullTab()->primaryViewController();
        UITableView* table = page->tableView();
        const CGRect rect = table->convertRectToView(table->rectForRowAtIndexPath({0, index}), window());
        return {rect.origin.x + rect.size.width / 2, rect.origin.y + rect.size.height / 2};
    }
    std::vector<LoopbackSocialService::Request> requestsFor(const std::string& prefix) const
    {
        std::vector<LoopbackSocialService::Request> found;
        for (const auto& request : service_->requests())
            if (request.target.rfind(prefix, 0) == 0) found.push_back(request);
        return found;
    }
    std::string shownPageUrl()
    {
        CCGenericTableViewController* page = pullTab() ? pullTab()->primaryViewController() : nullptr;
        return page && page->currentUIDescription() ? page->currentUIDescription()->url() : std::string();
    }

    test::TempDir home_;
    test::ScopedEnv homeEnv_ {"MOSSWICK_HOME", home_.path()};
    std::unique_ptr<LoopbackSocialService> service_;
    std::unique_ptr<HeadlessDriver> driver_;
    std::unique_ptr<MosswickAppDelegate> app_;
};

TEST_P(SocialScreensEndToEndTest, ThePullTabFromItsNewsToAThirdPageAndAway)
{
    launch();
    // The menu appears and the pull tab shows at the bottom edge in state 2
    // with the news banner.
    ASSERT_TRUE(runUntil([] { return state() == 2; }, 20)) << "state " << state();
    EXPECT_EQ(pullTab()->fromEdge(), 0);
    ASSERT_TRUE(runUntil([this] { return menu() != nullptr; }, 5));
    run(0.5);
    picture("01-news");
    const auto news = requestsFor("/lite/newsfeed.cuid?");
    ASSERT_FALSE(news.empty());
    EXPECT_EQ(news[0].method, "GET");
    for (const char* parameter : {"maxH=", "minsSinceInstall=", "sessionNumber=", "optOut="})
        EXPECT_NE(news[0].target.find(parameter), std::string::npos) << parameter << " in " << news[0].target;
    EXPECT_EQ(news[0].target.find("lastBannerId"), std::string::npos);
    EXPECT_TRUE(news[0].hasHeader("x-lumora-secret"));
    EXPECT_FALSE(requestsFor("/lite/images/banner.png").empty());

    // After the banner's delay the strip closes to state 1; the id is kept.
    ASSERT_TRUE(runUntil([] { return state() == 1; }, 4));
    run(0.3);
    EXPECT_EQ(CCDataStore::sharedInstance()->lastBannerId(), Value(kBannerId));
    picture("02-closed");

    // A tap through the transparent overlay reaches the menu's Options
    // plate, which is closed again.
    run(2);
    ASSERT_NE(menu()->menu3m, nullptr);
    const CGPoint plate = menu()->menu3m->convertToWorldSpace(CGPointZero);
    tap({plate.x, driver_->director()->winSize().height - plate.y});
    MainMenuPopUp* options = optionsPopUp();
    ASSERT_NE(options, nullptr) << "the Options plate opened";
    run(0.5);
    picture("02b-options-through-the-overlay");
    options->BackCallback(nullptr);
    run(0.5);
    EXPECT_EQ(state(), 1);

    // The second tab opens its page in state 2.
    tap(stripItem("profile"));
    ASSERT_TRUE(runUntil([this] { return shownPageUrl().find("profile.cuid") != std::string::npos; }, 5));
    run(0.5);
    EXPECT_EQ(state(), 2);
    const auto profile = requestsFor("/lite/profile.cuid?");
    ASSERT_FALSE(profile.empty());
    EXPECT_NE(profile[0].target.find("inTabbedView=1"), std::string::npos);
    picture("03-profile-tab");

    // Its link row opens state 3 and pushes the second page with a back bar.
    tap(row(0));
    EXPECT_EQ(state(), 3);
    ASSERT_TRUE(runUntil([this] { return shownPageUrl().find("friends.cuid") != std::string::npos; }, 5));
    run(0.5);
    EXPECT_EQ(pullTab()->viewUrlStack().size(), 2u);
    picture("04-second-page");

    // The confirmed row (below the back bar): No opens nothing; again and
    // Yes push the third page.
    tap(row(1));
    run(0.6);
    picture("05-confirmation");
    ASSERT_NE(pullTab()->primaryViewController()->modalViewController(), nullptr);
    tap(dialogButton("button2"));
    run(0.6);
    EXPECT_EQ(pullTab()->viewUrlStack().size(), 2u) << "No opens nothing";
    tap(row(1));
    run(0.6);
    ASSERT_NE(pullTab()->primaryViewController()->modalViewController(), nullptr);
    tap(dialogButton("button1"));
    ASSERT_TRUE(runUntil([this] { return shownPageUrl().find("sync.cuid") != std::string::npos; }, 5));
    run(0.5);
    picture("06-third-page");

    // The sync row twice: the second raises the "Too soon" notice, which
    // holds 2 s and slides away.
    tap(row(1));
    run(0.3);
    tap(row(1));
    run(0.5);
    EXPECT_TRUE(session()->popupIsActive());
    picture("07-sync-notice");
    run(4);
    EXPECT_FALSE(session()->popupIsActive());

    // Back twice (the page's back bar) returns to the tab's page.
    for (int i = 0; i < 2; ++i) {
        tap(backBar());
        run(0.6);
    }
    EXPECT_NE(shownPageUrl().find("profile.cuid"), std::string::npos);
    picture("08-back-to-the-tab");

    EXPECT_EQ(state(), 2) << "the news state";
    // A tap on the selected tab closes it to state 1.
    tap(stripItem("profile"));
    run(0.6);
    EXPECT_EQ(state(), 1);
    picture("09-closed-again");

    // The menu closes it: it slides away in 0.15 s and the session lets it go.
    LumoraSlimlineSession::deactivateLumoraUI();
    EXPECT_TRUE(LumoraSlimlineSession::isLumoraUIActive()) << "still sliding";
    run(0.3);
    EXPECT_FALSE(LumoraSlimlineSession::isLumoraUIActive());
    picture("10-gone");

    // Shown again, the news request carries the banner id.
    LumoraSlimlineSession::activateLumoraUI();
    ASSERT_TRUE(runUntil([] { return state() == 2; }, 10));
    run(0.5);
    picture("11-news-again");
    const auto again = requestsFor("/lite/newsfeed.cuid?");
    ASSERT_GE(again.size(), 2u);
    EXPECT_NE(again.back().target.find("lastBannerId=77"), std::string::npos) << again.back().target;

    // At the next telemetry post the service gets the usage records of the
    // showing, the tab activation and the closing.
    auto usagePosted = [this](const std::string& text) {
        for (const auto& request : requestsFor("/analytics/index.php"))
            if (request.body.find(text) != std::string::npos) return true;
        return false;
    };
    for (int minute = 0; minute < 3 && !usagePosted("DEACTIVATED_PULLTAB"); ++minute) {
        driver_->clock().advance(60);
        runUntil([&] { return usagePosted("DEACTIVATED_PULLTAB"); }, 2);
    }
    EXPECT_TRUE(usagePosted("UI_START"));
    EXPECT_TRUE(usagePosted("LUMORASLIMLINE_PULLTAB"));
    EXPECT_TRUE(usagePosted("DEACTIVATED_PULLTAB"));
    EXPECT_TRUE(usagePosted("profile"));

    const std::vector<std::string> problems = service_->problems();
    EXPECT_TRUE(problems.empty()) << (problems.empty() ? "" : problems.front());
}

// Without a service the pull tab never shows and the menu is unaffected.
TEST_P(SocialScreensEndToEndTest, WithTheServiceStoppedThePullTabNeverShows)
{
    service_->script("/lite/newsfeed.cuid", {503, {}, ""});
    launch();
    ASSERT_TRUE(runUntil([this] { return dynamic_cast<MainMenuScene*>(driver_->director()->runningScene()); }, 20));
    runUntil([] { return !LumoraSlimlineSession::isLumoraUIActive(); }, 10);
    run(1);
    EXPECT_NE(state(), 1);
    EXPECT_NE(state(), 2);
    EXPECT_NE(state(), 3);
    picture("12-no-service");
}

INSTANTIATE_TEST_SUITE_P(Devices, SocialScreensEndToEndTest, ::testing::Values("phone-hd", "tablet"),
                         [](const auto& info) { return std::string(info.param == std::string("tablet") ? "tablet" : "phone_hd"); });

} // namespace
} // namespace mw
