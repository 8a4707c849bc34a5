#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "analytics/TallyAnalytics.h"
#include "engine/director/HeadlessDriver.h"
#include "engine/labels/CCLabelTTF.h"
#include "foundation/Random.h"
#include "game/front/CCTransitionDoors.h"
#include "game/front/MainMenuPopUp.h"
#include "game/front/MainMenuScene.h"
#include "game/front/MosswickAppDelegate.h"
#include "game/state/Profile.h"
#include "game/village/GuiObject.h"
#include "game/village/VillageScene.h"
#include "game/village/tutorial/TutorialPopup.h"
#include "platform/AlertView.h"
#include "platform/DeviceProfile.h"
#include "platform/HTTPTransport.h"
#include "social/data/CCDataStore.h"
#include "social/screens/CCGenericTableViewController.h"
#include "social/screens/CCModalControllers.h"
#include "social/session/CCPrivateSession.h"
#include "social/screens/CCPullTabViewController.h"
#include "social/screens/CCSmallViews.h"
#include "social/services/CCTheming.h"
#include "social/session/LumoraSlimlineSession.h"
#include "social/ui/UITableView.h"
#include "social/ui/UIWindow.h"
#include "tests/game/front/WholeGameSupport.h"
#include "tests/support/GLTestContext.h"
#include "tests/support/LoopbackSocialService.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/ScriptedDeviceServices.h"
#include "tests/support/SharedInstances.h"
#include "tests/support/SocialServicePages.h"
#include "tests/support/TempDir.h"

namespace mw {
namespace {

using test::LoopbackSocialService;
using test::nodesOf;
using Pages = test::SocialServicePages;
constexpr const char* kBannerId = Pages::kBannerId;
constexpr uint32_t kSeed = 20261210;
constexpr double kLaunchWall = 1'800'000'000;
constexpr double kStep = 1.0 / 30;
const std::string kVillageName = "Mossbury";
// Every skin the capability string names is in the shipped theme, so every
// request to the service carries all five, in their order.
constexpr const char* kShippedThemeCaps =
    "form_switchpicturetwoline,giftingtab,challengestab,findfriendsimages,groupfooterimage";

// What one run left behind, to compare with another run.
struct Outcome {
    std::vector<std::string> requests;           // one line each, volatile parts normalised
    std::map<std::string, std::string> files;    // below the home folder, by relative path
};

// The game launched through the headless driver with the real start-up, at
// a fixed step with a fake clock, seeded random generators and scripted
// device facts, its social requests answered by the loopback HTTPS service
// (the service host resolved to 127.0.0.1, trusted through the test
// authority). Every run has a home folder of its own. Pictures of the steps
// go to $MOSSWICK_TEST_PICTURES.
class SocialScreensEndToEndTest : public ::testing::TestWithParam<const char*> {
protected:
    void TearDown() override
    {
        stop();
        // The stopped service's test routes its own hosts.
        HTTPTransport::setConnectTo({});
        HTTPTransport::setConnectionGuard(nullptr);
    }

    const DeviceProfile& profile() const { return *DeviceProfile::named(GetParam()); }

    // A fresh home, service and device for the next run.
    void prepare()
    {
        stop();
        // Each scope puts back what it replaced: the last one made goes first.
        device_.reset();
        service_.reset();
        homeEnv_.reset();
        home_.reset();
        home_ = std::make_unique<test::TempDir>();
        homeEnv_ = std::make_unique<test::ScopedEnv>("MOSSWICK_HOME", home_->path());
        service_ = std::make_unique<LoopbackSocialService>();
        service_->setSigning({MosswickAppDelegate::kSocialSecret});
        Pages::script(*service_);
        device_ = std::make_unique<test::ScopedDeviceServices>();
        device_->facts->pad = profile().isTablet;
        device_->facts->screen = profile().pointSize;
        device_->facts->machine = profile().isTablet ? "iPad2,1" : "iPhone4,1";
        device_->facts->model = profile().isTablet ? "iPad" : "iPhone";
        device_->facts->locale = "en_GB";
        device_->facts->timeZone = "Europe/London";
        device_->facts->languages = {"en"};
    }

    void launch()
    {
        const PixelSize pixels = profile().pixelSize();
        test::GLTestContext* gl = test::GLTestContext::acquire(pixels.width, pixels.height);
        ASSERT_NE(gl, nullptr);
        test::resetSharedInstances();
        TallyAnalytics::resetForTesting();
        Profile::purgeSharedInstance();
        random_ = std::make_unique<ScopedRandomSource>(std::make_shared<test::PinnedRandom>(kSeed));
        // After the reset, which forgets every transport setting.
        if (service_) service_->route();
        driver_ = HeadlessDriver::createForApplicationWithContext(gl->context(), profile(), kStep);
        ASSERT_NE(driver_, nullptr);
        // Drawing is most of a refresh's cost and changes nothing of the
        // game: every fourth refresh draws, each one when pictures are kept.
        driver_->setPictureEvery(std::getenv("MOSSWICK_TEST_PICTURES") ? 1 : test::GameRun::kPictureEvery);
        driver_->clock().setWall(kLaunchWall);
        app_ = std::make_unique<MosswickAppDelegate>();
        driver_->lifeCycle().setDelegate(app_.get());
        driver_->lifeCycle().launch();
    }
    void stop()
    {
        while (AlertView* open = AlertViewPresenter::sharedPresenter().frontAlert()) {
            open->delegate = nullptr;
            open->dismissWithClickedButtonIndex(-1);
        }
        if (driver_) driver_->lifeCycle().setDelegate(nullptr);
        app_.reset();
        driver_.reset();
        test::resetSharedInstances();
        TallyAnalytics::resetForTesting();
        random_.reset();
    }

    // Runs frames of the fixed step until `done` answers yes, giving the
    // service's threads a moment between frames; false after `seconds` of
    // game time. `exactly` runs out the whole time even when done sooner, so
    // that the following steps fall on the same frames in every run.
    bool runUntil(const std::function<bool()>& done, double seconds, bool exactly = false)
    {
        const int frames = static_cast<int>(seconds / kStep + 0.5);
        bool reached = false;
        for (int i = 0; i < frames; ++i) {
            reached = reached || done();
            if (reached && !exactly) return true;
            driver_->runFrames(1);
            if (!reached) std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return reached || done();
    }
    void run(double seconds) { driver_->runFrames(static_cast<int>(seconds / kStep + 0.5)); }
    double now() const { return driver_->clock().monotonicSeconds(); }

    void picture(const std::string& name)
    {
        if (!picturesOn_) return;
        if (const char* dir = std::getenv("MOSSWICK_TEST_PICTURES")) {
            EXPECT_TRUE(driver_->screenshot(std::string(dir) + "/social-" + name + "-" + GetParam() + ".png"));
        }
    }

    CCScene* scene() const { return driver_->director()->runningScene(); }
    MainMenuScene* menu() const { return dynamic_cast<MainMenuScene*>(scene()); }
    VillageScene* village() const { return dynamic_cast<VillageScene*>(scene()); }
    template <class T> T* first(CCNode* root) const
    {
        const std::vector<T*> found = nodesOf<T>(root);
        return found.empty() ? nullptr : found.front();
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
    // A tap at the centre of a node of the game's scene.
    void tap(CCNode* node)
    {
        ASSERT_NE(node, nullptr);
        const CGPoint gl = test::GameRun::centreOf(node);
        tap({gl.x, driver_->director()->winSize().height - gl.y});
    }
    // A finger put down, moved by `dy` points in a few steps, held still
    // (so that the content does not fly on) and lifted.
    void drag(CGPoint from, float dy)
    {
        Ref<UITouch> touch = driver_->touchDown(from);
        driver_->runFrames(1);
        for (int i = 1; i <= 4; ++i) {
            driver_->touchMove(touch.get(), {from.x, from.y + dy * i / 4});
            driver_->runFrames(1);
        }
        run(0.2);
        driver_->touchUp(touch.get());
        driver_->runFrames(1);
    }
    static CGPoint centre(CGRect rect) { return {rect.origin.x + rect.size.width / 2, rect.origin.y + rect.size.height / 2}; }
    // The centre of a strip item, in the window.
    CGPoint stripItem(const std::string& itemId)
    {
        CCSkinnedView* strip = pullTab()->visiblePullTabView();
        const Value& skin = CCTheming::sharedInstance()->getSkinDescription(pullTab()->portraitSkinName());
        const Value& item = CCSkinnedView::skinItemForId(itemId, skin);
        const CGRect rect {item["x"].asFloat(), item["y"].asFloat(), item["w"].asFloat(), item["h"].asFloat()};
        return centre(strip->convertRectToView(rect, window()));
    }
    // The centre of a button of the dialog over the page shown.
    CGPoint dialogButton(const std::string& itemId)
    {
        CCSkinnedView* dialog = pullTab()->primaryViewController()->modalViewController()->skinnedView();
        const Value& skin = CCTheming::sharedInstance()->getSkinDescription("dialog_twobutton");
        const Value& item = CCSkinnedView::skinItemForId(itemId, skin);
        const CGRect rect {item["x"].asFloat(), item["y"].asFloat(), item["w"].asFloat(), item["h"].asFloat()};
        return centre(dialog->convertRectToView(rect, window()));
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
    UITableView* shownTable() { return pullTab()->primaryViewController()->tableView(); }
    // The centre of a row of the page shown, in the window.
    CGPoint row(int index)
    {
        UITableView* table = shownTable();
        return centre(table->convertRectToView(table->rectForRowAtIndexPath({0, index}), window()));
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
    bool usagePosted(const std::string& text) const
    {
        for (const auto& request : requestsFor("/analytics/index.php"))
            if (request.body.find(text) != std::string::npos) return true;
        return false;
    }

    // The requests as lines (without the connection numbers, which count
    // the service's connections), and the files of the home folder.
    Outcome outcome() const
    {
        Outcome result;
        for (const auto& request : service_->requests()) {
            std::string line = request.method + " " + request.host + request.target + (request.tls ? " tls" : "");
            for (const auto& [name, value] : request.fields) line += "\n  " + name + ": " + value;
            line += "\n  body " + request.body;
            result.requests.push_back(line);
        }
        for (const auto& entry : std::filesystem::recursive_directory_iterator(home_->path())) {
            if (!entry.is_regular_file()) continue;
            const std::string path = std::filesystem::relative(entry.path(), home_->path()).string();
            result.files[path] = test::TempDir::readText(entry.path().string());
        }
        return result;
    }

    // The tutorial pop-up of frame `n` now on screen, or null.
    TutorialPopup* tutorialFrame(int32_t n) const
    {
        for (TutorialPopup* popUp : nodesOf<TutorialPopup>(scene()))
            if (popUp->frameDef() && popUp->frameDef()->ID == n && !popUp->frameDef()->Done) return popUp;
        return nullptr;
    }

    void playTheRoad();

    bool picturesOn_ = true;
    std::unique_ptr<test::TempDir> home_;
    std::unique_ptr<test::ScopedEnv> homeEnv_;
    std::unique_ptr<test::ScopedDeviceServices> device_;
    std::unique_ptr<LoopbackSocialService> service_;
    std::unique_ptr<ScopedRandomSource> random_;
    std::unique_ptr<HeadlessDriver> driver_;
    std::unique_ptr<MosswickAppDelegate> app_;
    std::vector<std::pair<std::string, std::string>> notices_;
};

// The road, step by step, each step printing its time (wall and game).
void SocialScreensEndToEndTest::playTheRoad()
{
    auto clockStart = std::chrono::steady_clock::now();
    double gameStart = 0;
    auto step = [&](const char* name) {
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - clockStart).count();
        std::printf("%s %s: %.1f s (%.1f s of game time)\n", GetParam(), name, wall, now() - gameStart);
        clockStart = std::chrono::steady_clock::now();
        gameStart = now();
    };
    launch();
    ASSERT_FALSE(HasFatalFailure());
    // Notices are watched on their way to the screen.
    CCSessionScreenHooks hooks = session()->screenHooks();
    auto show = hooks.presentPopupNotification;
    hooks.presentPopupNotification = [this, show](const std::string& title, const std::string& body) {
        notices_.emplace_back(title, body);
        if (show) show(title, body);
    };
    session()->setScreenHooks(hooks);

    // The menu appears and the pull tab shows at the bottom edge in state 2
    // with the news banner.
    ASSERT_TRUE(runUntil([] { return state() == 2; }, 6, true)) << "state " << state();
    EXPECT_EQ(pullTab()->fromEdge(), CCPullTabViewController::kEdgeBottom);
    ASSERT_TRUE(runUntil([this] { return menu() != nullptr; }, 5));
    run(0.5);
    picture("01-news");
    const auto news = requestsFor("/lite/newsfeed.cuid?");
    ASSERT_EQ(news.size(), 1u);
    EXPECT_EQ(news[0].method, "GET");
    EXPECT_TRUE(news[0].tls);
    for (const char* parameter : {"maxH=", "minsSinceInstall=", "sessionNumber=", "optOut="})
        EXPECT_NE(news[0].target.find(parameter), std::string::npos) << parameter << " in " << news[0].target;
    EXPECT_EQ(news[0].target.find("lastBannerId"), std::string::npos);
    EXPECT_EQ(news[0].header("x-lumora-uiview"), "lumora-tab");
    EXPECT_EQ(requestsFor("/lite/images/banner.png").size(), 1u) << "the banner image";
    step("news");

    // After the banner's delay the strip closes to state 1; the id is kept.
    ASSERT_TRUE(runUntil([] { return state() == 1; }, 3, true));
    EXPECT_EQ(CCDataStore::sharedInstance()->lastBannerId(), Value(kBannerId));
    picture("02-closed");

    // A tap through the transparent overlay reaches the menu's Options
    // plate, which its Back closes again.
    run(2);
    ASSERT_NE(menu()->menu3m, nullptr);
    ASSERT_GT(menu()->menu3m->children()->count(), 0u);
    tap(menu()->menu3m->children()->objectAtIndexAs<CCNode>(0));
    MainMenuPopUp* options = first<MainMenuPopUp>(menu());
    ASSERT_NE(options, nullptr) << "the Options plate opened";
    run(0.5);
    picture("03-options-through-the-overlay");
    tap(options->BackButton);
    run(0.5);
    EXPECT_EQ(first<MainMenuPopUp>(menu()), nullptr) << "the Options plate closed";
    EXPECT_EQ(state(), 1);
    step("options");

    // The second tab opens its page in state 2, with a signed GET.
    tap(stripItem("profile"));
    ASSERT_TRUE(runUntil([this] { return shownPageUrl().find("profile.cuid") != std::string::npos; }, 2, true));
    run(0.5);
    EXPECT_EQ(state(), 2);
    const auto profileRequests = requestsFor("/lite/profile.cuid?");
    ASSERT_EQ(profileRequests.size(), 1u);
    EXPECT_NE(profileRequests[0].target.find("inTabbedView=1"), std::string::npos);
    EXPECT_EQ(profileRequests[0].header("x-lumora-uiview"), "lumora-tab");
    // Closed and opened again by its tab, the page (loaded by now, however
    // fast the service was) shows its first row; scrolled a little, for the
    // way back.
    tap(stripItem("profile"));
    run(0.5);
    EXPECT_EQ(state(), 1);
    tap(stripItem("profile"));
    run(0.5);
    EXPECT_EQ(state(), 2);
    ASSERT_NE(shownPageUrl().find("profile.cuid"), std::string::npos);
    drag(row(0), -16);
    const CGPoint scrolled = shownTable()->contentOffset();
    EXPECT_GT(scrolled.y, 10) << "the tab's page scrolled";
    picture("04-tab-page-scrolled");

    // Its link row opens state 3 and pushes the second page in 0.4 s with
    // a back bar.
    tap(row(0));
    EXPECT_EQ(state(), 3);
    EXPECT_NE(pullTab()->incomingViewController(), nullptr) << "sliding in";
    run(0.3);
    EXPECT_NE(pullTab()->incomingViewController(), nullptr) << "still sliding at 0.3 s";
    ASSERT_TRUE(runUntil([] { return pullTab()->incomingViewController() == nullptr; }, 0.2))
        << "in place after 0.4 s";
    ASSERT_TRUE(runUntil([this] { return shownPageUrl().find("friends.cuid") != std::string::npos; }, 2, true));
    EXPECT_EQ(pullTab()->viewUrlStack().size(), 2u);
    run(0.3);
    picture("05-second-page");
    step("tab page and second page");

    // The confirmed row (below the back bar): No opens nothing; again and
    // Yes push the third page.
    tap(row(1));
    run(0.6);
    ASSERT_NE(pullTab()->primaryViewController()->modalViewController(), nullptr) << "the Confirmation dialog";
    picture("06-confirmation");
    tap(dialogButton("button2"));
    run(0.6);
    EXPECT_EQ(pullTab()->primaryViewController()->modalViewController(), nullptr);
    EXPECT_EQ(pullTab()->viewUrlStack().size(), 2u) << "No opens nothing";
    tap(row(1));
    run(0.6);
    ASSERT_NE(pullTab()->primaryViewController()->modalViewController(), nullptr);
    tap(dialogButton("button1"));
    ASSERT_TRUE(runUntil([this] { return shownPageUrl().find("sync.cuid") != std::string::npos; }, 2, true));
    run(0.5);
    EXPECT_EQ(pullTab()->viewUrlStack().size(), 3u);
    picture("07-third-page");

    // The sync row twice: the second raises the "Too soon" notice, which
    // holds 2 s and slides away.
    tap(row(1));
    run(0.3);
    EXPECT_TRUE(notices_.empty()) << "the first sync raises no notice";
    tap(row(1));
    ASSERT_EQ(notices_.size(), 1u);
    EXPECT_EQ(notices_[0].second, "Too soon since last sync, please try again in the future");
    EXPECT_TRUE(session()->popupIsActive());
    run(0.5);
    // The notice (a view of the theme's pop-up skin) stands in sight at the
    // bottom of the screen.
    CCSkinnedView* notice = nullptr;
    const Value& popupSkin = CCTheming::sharedInstance()->getSkinDescription("popup");
    std::function<void(UIView*)> findNotice = [&](UIView* view) {
        if (auto* skinned = dynamic_cast<CCSkinnedView*>(view); skinned && skinned->skinDescription() == popupSkin)
            notice = skinned;
        for (const Ref<UIView>& child : view->subviews()) findNotice(child.get());
    };
    findNotice(window());
    ASSERT_NE(notice, nullptr) << "the notice on screen";
    const CGRect noticeFrame = notice->frame();
    const CGSize screen = window()->bounds().size;
    EXPECT_TRUE(noticeFrame.origin.x >= 0 && noticeFrame.origin.y >= 0 &&
                noticeFrame.origin.x + noticeFrame.size.width <= screen.width &&
                noticeFrame.origin.y + noticeFrame.size.height <= screen.height)
        << "the notice in sight: " << NSStringFromCGRect(noticeFrame);
    EXPECT_NEAR(noticeFrame.origin.y + noticeFrame.size.height, screen.height, 1) << "at the bottom";
    picture("08-sync-notice");
    run(1.4);
    EXPECT_TRUE(session()->popupIsActive()) << "held 2 s";
    ASSERT_TRUE(runUntil([] { return !session()->popupIsActive(); }, 1.5)) << "slid away";
    step("confirmation and notice");

    // Back twice (the page's back bar) returns to the tab's page with its
    // scroll offset and the strip in the news state.
    for (int i = 0; i < 2; ++i) {
        tap(backBar());
        run(0.6);
    }
    EXPECT_NE(shownPageUrl().find("profile.cuid"), std::string::npos);
    EXPECT_EQ(pullTab()->viewUrlStack().size(), 1u);
    EXPECT_EQ(shownTable()->contentOffset(), scrolled) << "the tab's page where it was left";
    EXPECT_EQ(state(), 2) << "the news state";
    picture("09-back-to-the-tab");

    // A tap on the selected tab closes it to state 1.
    tap(stripItem("profile"));
    run(0.6);
    EXPECT_EQ(state(), 1);
    picture("10-closed-again");
    step("back");

    // A new game from the menu: the name typed in the alert. The pull tab
    // slides away in 0.15 s, before the intro.
    ASSERT_NE(menu()->menu2m, nullptr);
    tap(menu()->menu2m->children()->objectAtIndexAs<CCNode>(0));
    AlertView* alert = AlertViewPresenter::sharedPresenter().frontAlert();
    ASSERT_NE(alert, nullptr) << "the name alert";
    ASSERT_TRUE(driver_->typeText(kVillageName));
    Ref<CCPullTabViewController> leaving(pullTab());
    ASSERT_TRUE(driver_->pressAlertButton(1));
    ASSERT_FALSE(leaving->stateChanges().empty());
    const CCPullTabViewController::StateChange away = leaving->stateChanges().back();
    EXPECT_EQ(away.from, 1);
    EXPECT_EQ(away.to, 0);
    EXPECT_DOUBLE_EQ(away.duration, 0.15);
    EXPECT_TRUE(LumoraSlimlineSession::isLumoraUIActive()) << "still sliding";
    const double pressed = now();
    ASSERT_TRUE(runUntil([] { return !LumoraSlimlineSession::isLumoraUIActive(); }, 1));
    EXPECT_LE(now() - pressed, 0.15 + 2 * kStep) << "gone once its slide ends";
    EXPECT_EQ(menu()->IntroText, nullptr) << "before the intro";
    EXPECT_EQ(pullTab(), nullptr);
    leaving = nullptr;
    ASSERT_TRUE(runUntil([this] { return menu() && menu()->IntroText != nullptr; }, 3));
    run(2);
    picture("11-intro");
    EXPECT_EQ(menu()->IntroText->string(), kVillageName + " " + LocalisationManager::sharedInstance()->getValue("INTRO_01"));
    EXPECT_FALSE(LumoraSlimlineSession::isLumoraUIActive());
    step("new game");

    // The intro's pages and the doors lead into the village, whose first
    // tutorial frames are tapped away.
    ASSERT_TRUE(runUntil([this] { return village() != nullptr; }, 40)) << "into the village";
    for (int32_t n : {0, 1, 2}) {
        ASSERT_TRUE(runUntil([&] { return tutorialFrame(n) && tutorialFrame(n)->showed(); }, 4)) << "frame " << n;
        if (n == 0) picture("12-village");
        tap(CGPoint {driver_->director()->winSize().width / 2, driver_->director()->winSize().height / 2});
        run(0.2);
    }
    EXPECT_EQ(pullTab(), nullptr) << "no pull tab over the game";
    step("intro and village");

    // Options and Main menu return to the menu; the pull tab comes back and
    // its news request now carries the banner id.
    GuiObject* hud = village()->GetGUI();
    ASSERT_TRUE(runUntil([&] { return hud->IsActive(); }, 3));
    tap(hud->MenuButton);
    run(0.5);
    MainMenuPopUp* villageOptions = first<MainMenuPopUp>(hud);
    ASSERT_NE(villageOptions, nullptr) << "the village's Options";
    tap(villageOptions->MenuButton);
    ASSERT_TRUE(runUntil([this] { return menu() != nullptr; }, 5)) << "to the menu";
    // The news may already show while the doors open on the menu: the
    // picture is taken at the first frame it is seen; the wait runs its
    // whole time, so that the next steps fall on the same frames.
    bool newsSeen = false;
    ASSERT_TRUE(runUntil(
        [&] {
            if (state() == 2 && !newsSeen) picture("13-news-again");
            newsSeen = newsSeen || state() == 2;
            return newsSeen;
        },
        5, true))
        << "the pull tab comes back";
    const auto again = requestsFor("/lite/newsfeed.cuid?");
    ASSERT_EQ(again.size(), 2u);
    EXPECT_NE(again.back().target.find(std::string("lastBannerId=") + kBannerId), std::string::npos)
        << again.back().target;
    step("back to the menu");

    // At the next telemetry post the service gets the usage records of the
    // showing, the tab activation and the closing.
    for (int minute = 0; minute < 3 && !usagePosted("DEACTIVATED_PULLTAB"); ++minute) {
        driver_->clock().advance(60);
        runUntil([&] { return usagePosted("DEACTIVATED_PULLTAB"); }, 2, true);
    }
    for (const char* record : {"UI_START", "LUMORASLIMLINE_PULLTAB", "DEACTIVATED_PULLTAB", "profile"})
        EXPECT_TRUE(usagePosted(record)) << record;
    step("telemetry");

    // Every request was signed as the service recomputes it and carried the
    // shipped theme's capabilities.
    const std::vector<std::string> problems = service_->problems();
    EXPECT_TRUE(problems.empty()) << (problems.empty() ? "" : problems.front());
    for (const auto& request : service_->requests()) {
        if (request.host != CCPrivateSession::serviceHost()) continue;
        EXPECT_TRUE(request.hasHeader("x-lumora-secret")) << request.target;
        EXPECT_EQ(request.header("x-lumora-themecaps"), kShippedThemeCaps) << request.target;
    }
}

// The road from the news banner through three pages, a new game and back
// to the menu; at phone-hd twice from an empty home folder, and the two runs
// leave the same requests and files.
TEST_P(SocialScreensEndToEndTest, ThePullTabFromItsNewsToAThirdPageIntoTheGameAndBack)
{
    const int runs = std::string(GetParam()) == "phone-hd" ? 2 : 1;
    std::vector<Outcome> outcomes;
    for (int run = 0; run < runs; ++run) {
        SCOPED_TRACE("run " + std::to_string(run + 1));
        prepare();
        picturesOn_ = run == 0;
        notices_.clear();
        playTheRoad();
        if (HasFatalFailure()) return;
        driver_->lifeCycle().quit();
        Profile::sharedInstance()->saveFile().waitUntilIdle();
        stop();
        outcomes.push_back(outcome());
    }
    if (outcomes.size() < 2) return;
    const Outcome& a = outcomes[0];
    const Outcome& b = outcomes[1];
    EXPECT_EQ(a.requests.size(), b.requests.size());
    for (size_t i = 0; i < std::min(a.requests.size(), b.requests.size()); ++i)
        EXPECT_EQ(a.requests[i], b.requests[i]) << "request " << i;
    // A theme picture is unpacked when it is first drawn, and whether a
    // placeholder is ever drawn depends on when its download lands: such a
    // file may be in one run only, but never differs.
    auto drawnOnDemand = [](const std::string& path) { return path.rfind("caches/lumora_themes/", 0) == 0; };
    for (const auto& [path, bytes] : a.files) {
        const auto other = b.files.find(path);
        if (other == b.files.end()) {
            if (!drawnOnDemand(path)) ADD_FAILURE() << path << " only in the first run";
            continue;
        }
        EXPECT_TRUE(bytes == other->second) << path << " differs";
    }
    for (const auto& [path, bytes] : b.files)
        EXPECT_TRUE(a.files.count(path) || drawnOnDemand(path)) << path << " only in the second run";
}

// A port of 127.0.0.1 that refuses every connection (bound, never listening).
class RefusingPort {
public:
    RefusingPort()
    {
        socket_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (socket_ < 0 || ::bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            ADD_FAILURE() << "no port to refuse on";
            return;
        }
        port_ = ntohs(address.sin_port);
    }
    ~RefusingPort()
    {
        if (socket_ >= 0) ::close(socket_);
    }
    RefusingPort(const RefusingPort&) = delete;
    RefusingPort& operator=(const RefusingPort&) = delete;
    int port() const { return port_; }

private:
    int socket_ = -1;
    int port_ = 0;
};

// With the service stopped the pull tab never shows, nothing of it is left
// on screen and the menu works.
TEST_P(SocialScreensEndToEndTest, WithTheServiceStoppedThePullTabNeverShows)
{
    prepare();
    service_.reset();
    RefusingPort refusing;
    launch();
    ASSERT_FALSE(HasFatalFailure());
    // After the launch's reset of the transport settings: the service's
    // hosts lead to the refusing port, and nothing else is reached.
    std::vector<std::string> routes;
    for (const std::string& host : {CCPrivateSession::serviceHost(), CCPrivateSession::telemetryHost()}) {
        for (const char* port : {":443:", ":80:"}) routes.push_back(host + port + "127.0.0.1:" + std::to_string(refusing.port()));
    }
    HTTPTransport::setConnectTo(routes);
    auto connections = std::make_shared<std::atomic<int>>(0);
    HTTPTransport::setConnectionGuard([connections](const std::string& address) {
        ++*connections;
        if (address == "127.0.0.1") return true;
        ADD_FAILURE() << "a transfer connected to " << address;
        return false;
    });
    ASSERT_TRUE(runUntil([this] { return menu() != nullptr; }, 20));
    ASSERT_TRUE(runUntil([] { return !LumoraSlimlineSession::isLumoraUIActive(); }, 10)) << "the pull tab gave up";
    run(1);
    EXPECT_GT(connections->load(), 0) << "the news page was asked for";
    EXPECT_EQ(pullTab(), nullptr);
    std::function<bool(UIView*)> holdsPullTab = [&](UIView* view) {
        if (dynamic_cast<CCPullTabView*>(view) || dynamic_cast<CCSkinnedView*>(view)) return true;
        for (const Ref<UIView>& child : view->subviews())
            if (holdsPullTab(child.get())) return true;
        return false;
    };
    ASSERT_NE(window(), nullptr);
    EXPECT_FALSE(holdsPullTab(window())) << "nothing of the social screens left in the window";
    picture("14-no-service");

    // The menu works: its Options plate opens and closes.
    tap(menu()->menu3m->children()->objectAtIndexAs<CCNode>(0));
    MainMenuPopUp* options = first<MainMenuPopUp>(menu());
    ASSERT_NE(options, nullptr) << "the Options plate opened";
    run(0.5);
    tap(options->BackButton);
    run(0.5);
    EXPECT_EQ(first<MainMenuPopUp>(menu()), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Devices, SocialScreensEndToEndTest, ::testing::Values("phone-hd", "tablet"),
                         [](const auto& info) { return std::string(info.param == std::string("tablet") ? "tablet" : "phone_hd"); });

} // namespace
} // namespace mw
