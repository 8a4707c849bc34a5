// The tablet's full social screen over the real frame loop at both tablet
// profiles: its bar, its popovers and the session's calls into it.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "foundation/Notification.h"
#include "foundation/NotificationCenter.h"
#include "platform/AlertView.h"
#include "platform/UITouch.h"
#include "social/CCFetchManager.h"
#include "social/CCGenericTableViewController.h"
#include "social/CCPadTabController.h"
#include "social/CCPrivateSession.h"
#include "social/CCSmallViews.h"
#include "social/CCTheming.h"
#include "social/records/CCServerRecords.h"
#include "tests/social/ui/ScreenControllerFixture.h"
#include "tests/support/RecordingReachability.h"

namespace mw::test {
namespace {

struct Device {
    const char* name;
};
constexpr Device kDevices[] = {{"tablet"}, {"tablet-hd"}};

// Records the session's popover calls in order.
class PopoverDelegate : public CCPrivateSessionDelegate {
public:
    unsigned respondsTo() const override { return kPadPopoversActivated; }
    void lumoraiPadPopoversActivated(bool activated) override { told.push_back(activated); }
    std::vector<bool> told;
};

class PadTabTest : public ScreenControllerTest, public ::testing::WithParamInterface<Device> {
protected:
    void SetUp() override
    {
        ScreenControllerTest::SetUp();
        start(GetParam().name);
        CCPrivateSession* core = session();
        ASSERT_NE(core, nullptr);
        core->sessionActivatedWithAppID(kAppId, &delegate_, 1.0, "mosswick_01", kSecret);
        core->lockToOrientationList({1, 2, 3, 4});
        core->setCurrentDeviceOrientation(1);
        settle();
    }
    void TearDown() override
    {
        controller_ = nullptr;
        ScreenControllerTest::TearDown();
    }
    static std::string page(const std::string& path) { return CCPrivateSession::liteBaseUrl() + path; }
    // Whether the fetch manager keeps an answered page for the address.
    static bool cachedWithData(const std::string& url)
    {
        CCFetchManager* fetcher = CCFetchManager::sharedInstance();
        for (const auto* cache : {&fetcher->temporaryDataCache(), &fetcher->permanentDataCache()})
            for (const Ref<CCAbstractServerData>& record : *cache)
                if (record->url() == url && record->dataAvailable()) return true;
        return false;
    }

    // The service reachable (basic mode at start without a log-in) or not
    // (main mode whatever the log-in).
    void setReachable(bool reachable)
    {
        reachability_->setFlags(CCPrivateSession::kServiceHost, reachable ? ReachabilityFlag::kReachable : 0);
    }
    CCPadTabController& make(const std::string& tab = "", std::optional<std::string> url = std::nullopt,
                             bool loginRequired = true)
    {
        controller_ = CCPadTabController::create(tab, url, loginRequired);
        settle();
        return *controller_;
    }
    // A page of `rows` text rows, answered as if the service had sent it.
    static void seed(const std::string& url, int rows)
    {
        std::string items;
        for (int i = 0; i < rows; ++i) {
            if (i) items += ",";
            items += R"({"type":"text_row","text":"Row )" + std::to_string(i + 1) + R"("})";
        }
        const std::string envelope = R"({"meta":{"type":"uidesc","timestamp":1},"data":{"uitype":"plaintable","groups":[{"items":[)" +
                                     items + "]}]}}";
        auto record = makeRef<CCUIDescription>(url, 10, 0);
        record->setReceivedData(Value::Bytes(envelope.begin(), envelope.end()));
        CCFetchManager::sharedInstance()->serverDataFinishedNetworkOpWithStatus(record.get(), 0);
    }
    void tap(CGPoint point)
    {
        Ref<UITouch> touch = driver_->touchDown(point);
        driver_->touchUp(touch.get());
        settle();
    }
    // Whether a touch there reaches the game (no view takes it).
    bool gameGetsTouchAt(CGPoint point)
    {
        Ref<UITouch> probe = makeRef<UITouch>(CGPoint {0, 0}, 0.0);
        const bool taken = window_->touchBegan(probe.get(), point);
        if (taken) window_->touchCancelled(probe.get(), point);
        return !taken;
    }
    UIPopoverController& topPopover() { return *controller_->popoverInfoStack().back().popover; }
    CCGenericTableViewController* topPage() { return controller_->currentDisplayedGenericTableViewController(); }
    void savePicture(const std::string& name)
    {
        const std::string path = shoot(name);
        if (const char* dir = std::getenv("MOSSWICK_TEST_PICTURES")) {
            std::filesystem::create_directories(dir);
            std::filesystem::copy_file(path, std::string(dir) + "/" + name + ".png",
                                       std::filesystem::copy_options::overwrite_existing);
        }
    }

    PopoverDelegate delegate_;
    Ref<CCPadTabController> controller_;
};

INSTANTIATE_TEST_SUITE_P(Profiles, PadTabTest, ::testing::ValuesIn(kDevices), [](const auto& info) {
    return std::string(info.param.name) == "tablet" ? std::string("tablet") : std::string("tabletHd");
});

TEST_P(PadTabTest, TheBarSlidesInAndSlidesOutBeforeTheSecondStage)
{
    controller_ = CCPadTabController::create("", std::nullopt, true);
    CCSkinnedView* bar = controller_->leftBarView();
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(controller_->uiHasBeenActivated()) << "no network: main mode";
    EXPECT_EQ(bar->bounds().size, (CGSize {92, 626}));
    EXPECT_LT(bar->presentationCenter().x, bar->center().x) << "it starts left of its place";
    settle(0.3);
    EXPECT_FLOAT_EQ(bar->presentationCenter().x, 46);
    EXPECT_EQ(controller_->view()->frame(), (CGRect {0, 0, 92, 626})) << "only the bar covers the game";
    EXPECT_TRUE(gameGetsTouchAt({400, 500}));
    EXPECT_FALSE(gameGetsTouchAt({40, 300}));

    int stages = 0;
    controller_->animatePadBarOutOfViewAndTell([&] { ++stages; });
    EXPECT_EQ(stages, 0);
    runSeconds(0.1);
    EXPECT_EQ(stages, 0) << "not while the bar is still sliding";
    settle(0.3);
    EXPECT_EQ(stages, 1);
    EXPECT_FLOAT_EQ(bar->presentationCenter().x, -46) << "out by its own width";
}

TEST_P(PadTabTest, TheRootStandsWhereTheOrientationModeAndThemePutIt)
{
    struct Row {
        int orientation;
        bool main;
        bool statusBarTheme;
        CGPoint origin;
    };
    // The theme's bars: main 92 × 626, basic 92 × 300.
    const Row rows[] = {
        {1, true, false, {0, 0}},       {2, true, false, {676, 398}},  {4, true, false, {0, 932}},
        {3, true, false, {142, 0}},     {1, false, false, {0, 0}},     {2, false, false, {676, 724}},
        {4, false, false, {0, 932}},    {3, false, false, {415, 0}},   {2, true, true, {668, 398}},
        {4, true, true, {0, 924}},      {3, true, true, {142, 0}},     {2, false, true, {676, 724}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << "orientation " << row.orientation << (row.main ? " main" : " basic")
                                          << (row.statusBarTheme ? " status bar" : ""));
        useTheme(row.statusBarTheme ? "variant" : "mosswick_01");
        setReachable(!row.main);
        session()->setCurrentDeviceOrientation(1);
        CCPadTabController& pad = make();
        ASSERT_EQ(pad.uiHasBeenActivated(), row.main);
        session()->setCurrentDeviceOrientation(row.orientation);
        pad.view()->setTransform(session()->workaroundTransformForCurrentDeviceOrientation());
        pad.updateMainViewShouldIntercept(false, false);
        const CGRect frame = pad.view()->frame();
        EXPECT_NEAR(frame.origin.x, row.origin.x, 0.01);
        EXPECT_NEAR(frame.origin.y, row.origin.y, 0.01);
        const CGSize bar = pad.leftBarView()->bounds().size;
        const bool turned = row.orientation == 3 || row.orientation == 4;
        EXPECT_NEAR(frame.size.width, turned ? bar.height : bar.width, 0.01);
        EXPECT_EQ(pad.bigButton()->backgroundColor()->a, 0.0f);
        pad.updateMainViewShouldIntercept(true, true);
        const CGRect whole = pad.view()->frame();
        EXPECT_NEAR(whole.origin.x, 0, 0.01);
        EXPECT_NEAR(whole.origin.y, 0, 0.01);
        EXPECT_NEAR(whole.size.width, 768, 0.01) << "the whole screen";
        EXPECT_NEAR(whole.size.height, 1024, 0.01);
        EXPECT_NEAR(pad.view()->bounds().size.width, turned ? 1024 : 768, 0.01);
        EXPECT_NEAR(pad.bigButton()->backgroundColor()->a, 0.3f, 1e-6);
        controller_ = nullptr;
    }
}

TEST_P(PadTabTest, APushOpensOnePopoverBesideItsTabSizedToThePage)
{
    const std::string url = page("profile.cuid");
    CCPadTabController& pad = make("profiletab");
    ASSERT_EQ(pad.popoverCount(), 1u) << "the default tab's page opens on the next turn";
    const CCPadTabController::PopoverRecord& record = pad.popoverInfoStack().front();
    EXPECT_EQ(record.startRect, (CGRect {6, 20, 80 - 5, 40})) << "anchored at the tab, 5 narrower";
    EXPECT_EQ(pad.firstPopoverNormalisedX(), 81);
    EXPECT_EQ(topPage()->currentUIDescription()->url(), url);
    EXPECT_EQ(pad.leftBarView()->depressedButton(), "profiletab");
    // Still loading: the big progress page decides the height.
    EXPECT_EQ(topPopover().popoverContentSize(), (CGSize {320, topPage()->totalHeight()}));
    EXPECT_EQ(topPopover().popoverContentSize().height, 436);
    EXPECT_EQ(pad.view()->frame(), (CGRect {0, 0, 768, 1024})) << "the root covers the screen";
    EXPECT_EQ(pad.bigButton()->frame(), (CGRect {0, 0, 768, 1024}));
    EXPECT_EQ(delegate_.told, std::vector<bool> {true});

    settle(0.3);
    UIView* panel = topPopover().popoverView();
    // The service answers the page the popover waits for.
    CCFetchManager::sharedInstance()->clearUrlFromFetchQueue(url);
    seed(url, 3);
    RunLoop::main().drain();
    EXPECT_EQ(topPopover().popoverContentSize(), (CGSize {320, topPage()->totalHeight()}));
    EXPECT_EQ(topPopover().popoverContentSize().height, 3 * 44);
    EXPECT_GT(panel->presentationBounds().size.height, panel->bounds().size.height)
        << "it shrinks with an animation";
    settle(0.3);
    EXPECT_EQ(panel->presentationBounds().size.height, panel->bounds().size.height);

    // Another page while it is open reuses it; the session is not told again.
    pad.pushViewFromRect(makeRef<CCUIDescription>(page("two.cuid"), 10, 0), std::nullopt, 1,
                         CGRect {6, 70, 300, 40}, pad.leftBarView(), false);
    EXPECT_EQ(pad.popoverCount(), 1u);
    EXPECT_EQ(delegate_.told, std::vector<bool> {true});
}

TEST_P(PadTabTest, ASecondPageReplacesTheContentAndBackBringsTheFirstBackWithItsOffset)
{
    const std::string first = page("profile.cuid");
    const std::string second = page("friends.cuid");
    seed(first, 40);
    seed(second, 2);
    CCPadTabController& pad = make("profiletab");
    ASSERT_EQ(pad.popoverCount(), 1u);
    UIPopoverController* popover = &topPopover();
    EXPECT_LE(popover->popoverContentSize().height, 1024) << "a long page scrolls inside the screen";
    topPage()->tableView()->setContentOffset({0, 120});

    pad.pushView(makeRef<CCUIDescription>(second, 10, 0), std::nullopt, 1, false);
    settle();
    EXPECT_EQ(pad.popoverCount(), 1u);
    EXPECT_EQ(&topPopover(), popover) << "the same popover";
    EXPECT_EQ(pad.currentDisplayedUiDescription()->url(), second);
    ASSERT_EQ(pad.urlHistoryCount(), 2u);
    EXPECT_EQ(pad.viewUrlStack().front()->rowOffset(), (CGPoint {0, 120}));

    pad.genericTableViewControllerGotBackNav();
    settle();
    EXPECT_EQ(&topPopover(), popover);
    EXPECT_EQ(pad.currentDisplayedUiDescription()->url(), first);
    EXPECT_EQ(pad.urlHistoryCount(), 1u);
    EXPECT_EQ(topPage()->tableView()->contentOffset(), (CGPoint {0, 120}));

    // Back on the only page closes the popover and the session hears it.
    pad.genericTableViewControllerGotBackNav();
    settle(0.3);
    EXPECT_EQ(pad.popoverCount(), 0u);
    EXPECT_EQ(delegate_.told, (std::vector<bool> {true, false}));
}

TEST_P(PadTabTest, ThePickerOpensBesideThePageAndPopoversDimByDepth)
{
    seed(page("profile.cuid"), 3);
    CCPadTabController& pad = make("profiletab");
    CCGenericTableViewController* pageBelow = topPage();
    pad.initiateImagePickerWithType(0, page("upload_image"), CGRect {0, 0, 320, 44}, pageBelow->view());
    settle(0.3);
    ASSERT_EQ(pad.popoverCount(), 2u);
    EXPECT_NE(dynamic_cast<UIImagePickerController*>(topPopover().contentViewController()), nullptr);
    ASSERT_NE(pageBelow->dimmingButton(), nullptr);
    EXPECT_FLOAT_EQ(pageBelow->dimmingButton()->alpha(), 0.2f);
    EXPECT_EQ(pageBelow->dimmingButton()->frame().size.width, pageBelow->view()->bounds().size.width)
        << "the cover dims the page, not the screen around it";
    const CGRect anchor = pad.popoverInfoStack().back().startRect;
    EXPECT_FLOAT_EQ(anchor.size.width, 320 - 270) << "anchored 270 narrower beside the open one";
    EXPECT_GT(topPopover().popoverView()->frame().origin.x, pad.popoverInfoStack().front().popover->popoverView()->frame().origin.x);
    EXPECT_EQ(delegate_.told, std::vector<bool> {true});

    // Three pages deep: 0 on top, 0.2 below, 0.6 beneath.
    std::vector<Ref<CCGenericTableViewController>> pages;
    for (int i = 0; i < 3; ++i)
        pages.push_back(makeRef<CCGenericTableViewController>(makeRef<CCUIDescription>(page("d.cuid"), 10, 0), nullptr,
                                                              &pad, "", "", false));
    pad.imagePickerControllerDidCancel(*dynamic_cast<UIImagePickerController*>(topPopover().contentViewController()));
    settle(0.3);
    EXPECT_EQ(pad.popoverCount(), 1u);
    EXPECT_TRUE(!pageBelow->dimmingButton() || pageBelow->dimmingButton()->alpha() == 0)
        << "the page on top again: not dimmed";
    for (auto& each : pages) {
        auto popover = makeRef<UIPopoverController>(each.get());
        popover->presentPopoverFromRect({6, 20, 80, 40}, pad.leftBarView(), UIPopoverController::kArrowLeft, false);
        pad.addPopoverToStack(popover.get(), {6, 20, 80, 40});
    }
    pad.dimPopovers();
    EXPECT_FLOAT_EQ(pageBelow->dimmingButton()->alpha(), 0.6f);
    EXPECT_FLOAT_EQ(pages[0]->dimmingButton()->alpha(), 0.6f);
    EXPECT_FLOAT_EQ(pages[1]->dimmingButton()->alpha(), 0.2f);
    EXPECT_TRUE(!pages[2]->dimmingButton() || pages[2]->dimmingButton()->alpha() == 0);
}

TEST_P(PadTabTest, RearrangementSpreadsPopoversByTheFormula)
{
    // Big button 768 wide: slots x0 + gap × i, gap = (768 − 370 − x0) / slots.
    struct Row {
        const char* what;
        std::vector<CGRect> anchors;
        bool force, leaveGap;
        std::vector<float> wanted;
        float gap;
    };
    const Row rows[] = {
        {"first anchor far from the edge", {{0, 0, 87, 40}}, false, true, {0}, 0},
        {"crowded, room left for one more", {{250, 0, 140, 40}}, false, true, {390}, 8},
        {"no slot: one popover, neither forced nor a gap", {{250, 0, 140, 40}}, false, false, {0}, 0},
        {"two, the top one crowded", {{0, 0, 87, 40}, {300, 0, 100, 40}}, false, true, {87, 242.5f}, 155.5f},
        {"forced without a known gap, not crowded", {{0, 0, 87, 40}, {0, 0, 50, 40}}, true, false, {0, 0}, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        CCPadTabController& pad = make();
        pad.updateMainViewShouldIntercept(true, true);
        std::vector<Ref<UIPopoverController>> popovers;
        for (const CGRect& anchor : row.anchors) {
            auto content = makeRef<UIViewControllerBase>();
            auto popover = makeRef<UIPopoverController>(content.get());
            popover->presentPopoverFromRect({0, 0, 10, 10}, pad.leftBarView(), UIPopoverController::kArrowLeft, false);
            pad.addPopoverToStack(popover.get(), anchor);
            popovers.push_back(popover);
        }
        pad.rearrangePopoversWithForce(row.force, row.leaveGap);
        ASSERT_EQ(pad.popoverCount(), row.wanted.size());
        for (size_t i = 0; i < row.wanted.size(); ++i) {
            const CCPadTabController::PopoverRecord& record = pad.popoverInfoStack()[i];
            EXPECT_FLOAT_EQ(record.wantedX, row.wanted[i]) << i;
            const float x = record.popover->popoverView()->frame().origin.x;
            if (row.wanted[i] != 0) EXPECT_FLOAT_EQ(x, row.wanted[i]) << "moved " << i;
            else EXPECT_FLOAT_EQ(x, record.startX) << "stays " << i;
        }
        EXPECT_FLOAT_EQ(pad.firstPopoverGap(), row.gap);
        pad.clearAllPopoversAndTellClient(false);
        controller_ = nullptr;
    }

    auto add = [](CCPadTabController& pad, CGRect anchor) {
        auto content = makeRef<UIViewControllerBase>();
        auto popover = makeRef<UIPopoverController>(content.get());
        popover->presentPopoverFromRect({0, 0, 10, 10}, pad.leftBarView(), UIPopoverController::kArrowLeft, false);
        pad.addPopoverToStack(popover.get(), anchor);
    };
    {
        // The slotless arrangement keeps no gap: a later forced one of an
        // uncrowded stack, with no gap known, still moves nothing.
        CCPadTabController& pad = make();
        pad.updateMainViewShouldIntercept(true, true);
        add(pad, {250, 0, 140, 40});
        pad.rearrangePopoversWithForce(false, false);
        EXPECT_EQ(pad.firstPopoverGap(), 0);
        add(pad, {0, 0, 50, 40});
        pad.rearrangePopoversWithForce(true, false);
        for (const CCPadTabController::PopoverRecord& record : pad.popoverInfoStack()) {
            EXPECT_EQ(record.wantedX, 0);
            EXPECT_FLOAT_EQ(record.popover->popoverView()->frame().origin.x, record.startX);
        }
        pad.clearAllPopoversAndTellClient(false);
        controller_ = nullptr;
    }

    // The first gap is kept and caps later ones: three popovers give 103.67;
    // closing the top one would give two slots of 155.5, capped.
    CCPadTabController& pad = make();
    pad.updateMainViewShouldIntercept(true, true);
    for (const CGRect& anchor : {CGRect {0, 0, 87, 40}, CGRect {0, 0, 50, 40}, CGRect {300, 0, 100, 40}})
        add(pad, anchor);
    pad.rearrangePopoversWithForce(false, true);
    const float gap = 311.0f / 3;
    EXPECT_FLOAT_EQ(pad.firstPopoverGap(), gap);
    EXPECT_FLOAT_EQ(pad.popoverInfoStack()[2].wantedX, 87 + 2 * gap);
    pad.clearLastPopover();
    EXPECT_FLOAT_EQ(pad.firstPopoverGap(), gap);
    EXPECT_FLOAT_EQ(pad.popoverInfoStack()[1].wantedX, 87 + gap);
}

TEST_P(PadTabTest, ATapOutsideClosesEverythingOnceAndTheGameGetsTapsAgain)
{
    seed(page("profile.cuid"), 3);
    seed(page("challenges.cuid"), 2);
    CCPadTabController& pad = make("profiletab");
    ASSERT_EQ(pad.popoverCount(), 1u);
    EXPECT_FALSE(gameGetsTouchAt({700, 900})) << "the big button takes it";

    tap({700, 900});
    settle(0.3);
    EXPECT_EQ(pad.popoverCount(), 0u);
    EXPECT_EQ(delegate_.told, (std::vector<bool> {true, false}));
    EXPECT_EQ(pad.view()->frame(), (CGRect {0, 0, 92, 626}));
    EXPECT_TRUE(gameGetsTouchAt({700, 900}));
    EXPECT_EQ(pad.urlHistoryCount(), 0u);

    // A tap on the bar goes to its tab: its page opens on the next turn.
    tap({46, 140});
    EXPECT_EQ(pad.popoverCount(), 1u);
    EXPECT_EQ(pad.currentDisplayedUiDescription()->url(), page("challenges.cuid"));
    EXPECT_EQ(pad.leftBarView()->depressedButton(), "challengestab");
    EXPECT_EQ(delegate_.told, (std::vector<bool> {true, false, true}));

    // A touch the big button gets over the bar is handed to the bar: a tab
    // takes it, so the session hears nothing and the root keeps the screen.
    UIViewTouches touches {{nullptr, {46, 40}}};
    pad.bigButton()->touchesBegan(touches);
    pad.bigButton()->touchesEnded(touches);
    EXPECT_EQ(pad.popoverCount(), 0u);
    EXPECT_TRUE(pad.tabViewGotButton());
    EXPECT_EQ(pad.view()->frame().size.width, 768);
    settle();
    EXPECT_EQ(pad.popoverCount(), 1u);
    EXPECT_EQ(pad.currentDisplayedUiDescription()->url(), page("profile.cuid"));
    EXPECT_EQ(delegate_.told, (std::vector<bool> {true, false, true})) << "edge-triggered";
}

TEST_P(PadTabTest, ARotationClosesThePopoversAndReopensTheBottomPageAfterATenth)
{
    seed(page("profile.cuid"), 3);
    CCPadTabController& pad = make("profiletab");
    pad.initiateImagePickerWithType(0, page("upload_image"), CGRect {0, 0, 320, 44}, topPage()->view());
    settle(0.3);
    ASSERT_EQ(pad.popoverCount(), 2u);
    int recreated = 0;
    const auto observer = NotificationCenter::defaultCenter().addObserver(
        nullptr, CCPadTabController::kPopoverRecreatedNotification, &pad, [&](const Notification&) { ++recreated; });

    // Turned as the session turns its full UI.
    session()->willRotateToInterfaceOrientation(3, 0.3);
    pad.willRotateToInterfaceOrientation(3, 0.3);
    EXPECT_EQ(pad.popoverCount(), 0u);
    EXPECT_TRUE(pad.leftBarView()->isHidden());
    EXPECT_EQ(pad.urlPostOrientation(), page("profile.cuid"));
    EXPECT_TRUE(pad.recreatePopoverPostOrientation());
    session()->didRotateFromInterfaceOrientation(1);
    pad.didRotateFromInterfaceOrientation(1);
    EXPECT_FALSE(pad.leftBarView()->isHidden());
    EXPECT_NEAR(pad.view()->bounds().size.width, 1024, 0.01) << "intercepting, turned";
    runSeconds(0.05);
    EXPECT_EQ(pad.popoverCount(), 0u) << "not yet";
    settle(0.1);
    ASSERT_EQ(pad.popoverCount(), 1u);
    EXPECT_EQ(pad.currentDisplayedUiDescription()->url(), page("profile.cuid"));
    EXPECT_EQ(recreated, 1);
    EXPECT_EQ(delegate_.told, std::vector<bool> {true}) << "the popovers never counted as closed";
    NotificationCenter::defaultCenter().removeObserver(observer);
}

TEST_P(PadTabTest, ReactivationNeedsAUrlAndALogoutStartsBasic)
{
    CCPadTabController& pad = make();
    ASSERT_TRUE(pad.uiHasBeenActivated());
    // No URL given, and the tab is in no bar: nothing changes.
    pad.activateWithDefaultTabId("nosuchtab", std::nullopt, true);
    settle();
    EXPECT_EQ(pad.popoverCount(), 0u);
    EXPECT_FALSE(pad.selectedTabId());
    EXPECT_FALSE(pad.launchUrlStringMainNav());

    // The tab's own page, in the main mode.
    pad.activateWithDefaultTabId("challengestab", std::nullopt, true);
    settle();
    ASSERT_EQ(pad.popoverCount(), 1u);
    EXPECT_EQ(pad.currentDisplayedUiDescription()->url(), page("challenges.cuid"));
    EXPECT_EQ(pad.defaultTabId(), "challengestab");
    EXPECT_TRUE(pad.uiHasBeenActivated());

    // A logout address starts the basic mode on the splash page.
    pad.activateWithDefaultTabId("profiletab", page("logout"), false);
    EXPECT_FALSE(CCFetchManager::sharedInstance()->isFetching()) << "stopped";
    settle(0.3);
    EXPECT_TRUE(CCFetchManager::sharedInstance()->isFetching()) << "and started again a tenth later";
    EXPECT_FALSE(pad.uiHasBeenActivated());
    EXPECT_EQ(pad.leftBarView()->bounds().size.height, 300) << "the basic bar";
    ASSERT_EQ(pad.popoverCount(), 1u);
    EXPECT_EQ(pad.currentDisplayedUiDescription()->url(), page("splash.cuid"));
    EXPECT_EQ(delegate_.told, (std::vector<bool> {true, false, true}));
}

TEST_P(PadTabTest, AnIncomingNoticeAlwaysOpensOnTheChallengesTab)
{
    CCPadTabController& pad = make();
    for (int answer : {0, 1}) {
        SCOPED_TRACE(answer ? "OK" : "Cancel");
        pad.displayIncomingPushNotice("You were challenged", page("challenge_7.cuid"), "profiletab");
        AlertView* alert = AlertViewPresenter::sharedPresenter().frontAlert();
        ASSERT_NE(alert, nullptr);
        EXPECT_EQ(alert->title, "Incoming Notification");
        EXPECT_EQ(alert->message, "You were challenged");
        EXPECT_EQ(alert->buttonTitles, (std::vector<std::string> {"Cancel", "OK"}));
        alert->dismissWithClickedButtonIndex(answer);
        settle();
        EXPECT_EQ(pad.popoverCount(), size_t(answer));
    }
    EXPECT_EQ(pad.currentDisplayedUiDescription()->url(), page("challenge_7.cuid"));
    EXPECT_EQ(pad.leftBarView()->depressedButton(), "challengestab");
    EXPECT_EQ(pad.popoverInfoStack().front().startRect, (CGRect {6, 120, 75, 40}));
}

TEST_P(PadTabTest, LogInEntryPointsReloadOrOpenWithoutGrowingTheHistory)
{
    CCFetchManager* fetcher = CCFetchManager::sharedInstance();
    struct Row {
        const char* what;
        bool withPage;
        std::function<void(CCPadTabController&)> call;
        const char* shown; // nullptr: no popover
        bool queuedAt10;
    };
    const std::string settings = page("twitter_settings.cuid");
    const std::string profile = page("profile.cuid");
    const std::string other = page("friends.cuid");
    const Row rows[] = {
        {"twitter reload, nothing open", false, [](auto& p) { p.twitterSessionRequiredPageRefresh(); },
         "twitter_settings.cuid", false},
        {"twitter reload, a page open", true, [](auto& p) { p.twitterSessionRequiredPageRefresh(); },
         "twitter_settings.cuid", false},
        {"facebook reload, nothing open", false, [](auto& p) { p.facebookSessionRequiredPageRefresh(); }, nullptr,
         false},
        {"facebook reload, a page open", true, [](auto& p) { p.facebookSessionRequiredPageRefresh(); },
         "profile.cuid", false},
        {"reload of an address", true,
         [&](auto& p) { p.facebookSessionRequiredPageRefreshWithUrl(other); }, "friends.cuid", false},
        {"twitter reload of an address", false,
         [&](auto& p) { p.twitterSessionRequiredPageRefreshWithUrl(other); }, "friends.cuid", false},
        {"open after a Twitter log-in", true, [&](auto& p) { p.twitterUserLogin(other); }, "friends.cuid", true},
        {"open after a Facebook log-in", false, [&](auto& p) { p.facebookUserLogin(other); }, "friends.cuid", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        for (const std::string& url : {settings, profile, other}) seed(url, 2);
        CCPadTabController& pad = make(row.withPage ? "profiletab" : "");
        ASSERT_EQ(pad.popoverCount(), row.withPage ? 1u : 0u);
        const size_t history = pad.urlHistoryCount();
        row.call(pad);
        if (!row.shown) {
            EXPECT_EQ(pad.popoverCount(), 0u);
            EXPECT_TRUE(cachedWithData(profile)) << "nothing cleared";
        } else {
            ASSERT_EQ(pad.popoverCount(), 1u);
            const std::string url = page(row.shown);
            EXPECT_EQ(pad.currentDisplayedUiDescription()->url(), url);
            EXPECT_FALSE(pad.currentDisplayedUiDescription()->dataAvailable()) << "a fresh record";
            EXPECT_EQ(pad.urlHistoryCount(), std::max<size_t>(history, 1)) << "no stack entry";
            // A reload clears the address first; an opening keeps what is cached.
            EXPECT_EQ(cachedWithData(url), row.queuedAt10);
            bool queued = false;
            for (const Ref<CCAbstractServerData>& record : fetcher->fetchQueue())
                queued = queued || (record->url() == url && record->fetchPriority() == 10);
            EXPECT_TRUE(queued);
        }
        controller_ = nullptr;
        fetcher->clearDataWithCompleteClean(true);
    }
}

TEST_P(PadTabTest, PicturesOfOneAndTwoPopovers)
{
    if (std::string(GetParam().name) != "tablet-hd") GTEST_SKIP() << "pictures at tablet-hd only";
    seed(page("profile.cuid"), 6);
    CCPadTabController& pad = make("profiletab");
    settle(0.5);
    ASSERT_EQ(pad.popoverCount(), 1u);
    savePicture("pad_one_popover");
    // The popover's panel is drawn right of the bar, beside the tab.
    const CGRect panel = topPopover().popoverView()->frame();
    EXPECT_GE(panel.origin.x, 80);
    pad.initiateImagePickerWithType(0, page("upload_image"), CGRect {0, 44, 320, 44}, topPage()->view());
    settle(0.5);
    ASSERT_EQ(pad.popoverCount(), 2u);
    savePicture("pad_two_popovers");
}

} // namespace
} // namespace mw::test
