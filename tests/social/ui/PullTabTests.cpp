#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "foundation/Notification.h"
#include "foundation/NotificationCenter.h"
#include "foundation/Log.h"
#include "foundation/Paths.h"
#include "platform/Image.h"
#include "social/data/CCDataStore.h"
#include "social/queues/CCFetchManager.h"
#include "social/screens/CCGenericTableViewController.h"
#include "social/session/CCPrivateSession.h"
#include "social/screens/CCPullTabViewController.h"
#include "social/services/CCTheming.h"
#include "social/screens/CCModalControllers.h"
#include "social/queues/records/CCServerRecords.h"
#include "social/support/CCJSON.h"
#include "social/ui/UIImagePickerController.h"
#include "social/ui/UIPopoverController.h"
#include "tests/social/ui/ScreenControllerFixture.h"

namespace mw::test {
namespace {

// The shipped theme's numbers (phone, tablet): page area, border B and the
// translations of the four states.
struct DeviceNumbers {
    const char* device;
    float contentWidth, contentHeight, border, offscreen, tabVisible, news, full;
};
constexpr DeviceNumbers kDevices[] = {{"phone-hd", 320, 320, 44, 0, 44, 104, 364},
                                      {"tablet", 320, 600, 44, 0, 44, 104, 644}};

Value parse(const std::string& json)
{
    CCJSON parser;
    JsonError error;
    std::optional<Value> value = parser.objectWithString(json, &error);
    EXPECT_TRUE(value) << json << " " << error.message;
    return value.value_or(Value());
}

// A news page of three banners (heights 120, 200 and 100: rows of 60, 100
// and 50 points) whose delays are 3 s, 0 and -1.
constexpr const char* kThreeBanners = R"({"uitype":"plaintable","groups":[{"items":[
    {"type":"lite_banner","height":120,"delay":3},
    {"type":"banner","height":200,"delay":0,"text":"Harvest fair"},
    {"type":"banner","height":100,"delay":-1,"text":"New moss"}]}]})";

class Delegate : public CCPullTabViewControllerDelegate {
public:
    void onPullTabViewControllerDeactivated() override { ++deactivations; }
    int deactivations = 0;
};

class PullTabTest : public ScreenControllerTest, public ::testing::WithParamInterface<DeviceNumbers> {
protected:
    void SetUp() override
    {
        ScreenControllerTest::SetUp();
        start(GetParam().device);
        activate();
        useTheme("mosswick_01");
        session()->setCurrentDeviceOrientation(1);
        // The session's start-up (its session count) runs on the next turn.
        settle();
    }
    void TearDown() override
    {
        controller_ = nullptr;
        ScreenControllerTest::TearDown();
    }

    // A pull tab of the shipped theme's slimline strips from an edge.
    CCPullTabViewController& make(int edge, int state, bool twoStage = false, Value config = Value())
    {
        CCTheming* theme = CCTheming::sharedInstance();
        const std::string word = CCPrivateSession::edgeStringFromEdge(edge);
        if (config.isNull()) config = theme->getSkinDescription("pulltab/config");
        controller_ = CCPullTabViewController::create(
            &delegate_, "pulltab/" + word + "/lumoraslimline_landscape", "pulltab/" + word + "/lumoraslimline_portrait",
            window_, edge, state, theme->getSkinDescription("pulltab/" + word + "/overlay_position"), config);
        controller_->setTwoStageMode(twoStage);
        return *controller_;
    }
    // The news page answered before the first tab opens it (the opening
    // runs on the next loop turn).
    void seedNews(const std::string& data)
    {
        const std::string url = controller_->tabPageUrl("newsfeed.cuid");
        auto record = makeRef<CCUIDescription>(url, 10, 0);
        const std::string envelope = R"({"meta":{"type":"uidesc","timestamp":1},"data":)" + data + "}";
        record->setReceivedData(Value::Bytes(envelope.begin(), envelope.end()));
        CCFetchManager::sharedInstance()->serverDataFinishedNetworkOpWithStatus(record.get(), 0);
    }
    // Runs the frames (and with them the driver's clock, which the banner
    // steps' run-loop timers follow).
    void advance(double seconds) { runSeconds(seconds); }
    float stripTranslation() const
    {
        const CGAffineTransform t = controller_->visiblePullTabView()->transform();
        return std::fabs(t.tx) + std::fabs(t.ty);
    }

    Delegate delegate_;
    Ref<CCPullTabViewController> controller_;
};

INSTANTIATE_TEST_SUITE_P(Devices, PullTabTest, ::testing::ValuesIn(kDevices),
                         [](const auto& info) { return std::string(info.param.device == std::string("tablet") ? "tablet" : "phone"); });

TEST_P(PullTabTest, EveryStateStandsOutOfItsEdgeByTheThemesDistance)
{
    const DeviceNumbers& n = GetParam();
    // The vector the strips are moved by minus, per edge, for a distance a.
    auto along = [](int edge, float a) -> CGPoint {
        switch (edge) {
        case 0: return {0, a};
        case 1: return {a, 0};
        case 2: return {0, -a};
        default: return {-a, 0};
        }
    };
    for (int edge = 0; edge < 4; ++edge) {
        SCOPED_TRACE(edge);
        CCPullTabViewController& tab = make(edge, 1);
        struct Row {
            int state;
            bool overrides;
            float distance;
        };
        const bool alongOrientation = edge == 0 || edge == 2;
        const Row rows[] = {
            {0, false, n.offscreen},
            {1, false, n.tabVisible},
            {2, false, n.news},
            // With banners but no ready row: the row's height (no page:
            // "fullvisibility") plus B.
            {2, true, n.full + n.border},
            {3, false, alongOrientation ? n.full : n.contentHeight},
        };
        for (const Row& row : rows) {
            tab.setBannerOverrides(row.overrides ? parse(R"([{"elementIndex":0,"height":30}])") : Value());
            const CGPoint offset = tab.offsetForState(row.state);
            EXPECT_FLOAT_EQ(offset.x, along(edge, row.distance).x) << row.state;
            EXPECT_FLOAT_EQ(offset.y, along(edge, row.distance).y) << row.state;
        }
        tab.setBannerOverrides(Value());
        settle(0.2);
        EXPECT_EQ(tab.state(), 1);
        const CGAffineTransform moved = tab.visiblePullTabView()->transform();
        EXPECT_FLOAT_EQ(moved.tx, -along(edge, n.tabVisible).x) << "the strip moved into the screen";
        EXPECT_FLOAT_EQ(moved.ty, -along(edge, n.tabVisible).y);
    }
    // State 3 in landscape: the side edges run along it.
    session()->setCurrentDeviceOrientation(3);
    EXPECT_FLOAT_EQ(make(1, 1).offsetForState(3).x, n.full);
    EXPECT_FLOAT_EQ(make(0, 1).offsetForState(3).y, n.contentHeight);
}

TEST_P(PullTabTest, TapsOnTheSelectedTabStepThroughTheStateTable)
{
    struct Row {
        int from;
        bool twoStage;
        bool backPressed;
        int to;
        const char* animation;
        double duration;
    };
    const Row rows[] = {
        {1, false, false, 2, "pull_expand_1", 0.1},
        {1, true, false, 3, "pull_expand_2", 0.5},
        {2, false, false, 1, "pull_contract", 0.1},
        {3, false, false, 1, "pull_contract", 0.5},
        {3, false, true, 2, "pull_contract_and_restart_scroll", 0.5},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.from) + " -> " + std::to_string(row.to));
        CCPullTabViewController& tab = make(0, 1, row.twoStage);
        settle(0.2);
        if (row.from != 1) tab.changeStateFrom(1, row.from, 0, "setup");
        if (row.backPressed) tab.genericTableViewControllerGotBackNav(); // no page: only the flag
        settle(0.1);
        session()->activateLumoraSetting(2, Value("YES"));
        const Value selected = tab.findFirstTabUrlAndId();
        tab.skinnedViewButtonPressed(*tab.visiblePullTabView(), selected["id"].asString(), "tab", selected["href"]);
        ASSERT_FALSE(tab.stateChanges().empty());
        const CCPullTabViewController::StateChange& change = tab.stateChanges().back();
        EXPECT_EQ(change.from, row.from);
        EXPECT_EQ(change.to, row.to);
        EXPECT_EQ(change.name, row.animation);
        EXPECT_DOUBLE_EQ(change.duration, row.duration);
        const bool intoOpen = row.to >= 2;
        EXPECT_EQ(session()->valueForWorkaroundSetting(2).asString(), intoOpen ? "NO" : "YES")
            << "moves into 2 or 3 stop avoiding background activity";
        // Half-way the strip is between the two offsets; at the end it is there.
        const float start = std::fabs(tab.offsetForState(row.from).y);
        const float end = std::fabs(tab.offsetForState(row.to).y);
        runSeconds(row.duration / 2);
        const CGAffineTransform mid = tab.visiblePullTabView()->presentationTransform();
        EXPECT_GT(std::fabs(std::fabs(mid.ty) - end), 0.5f) << "still moving";
        (void)start;
        settle(row.duration);
        EXPECT_NEAR(std::fabs(tab.visiblePullTabView()->presentationTransform().ty), end, 0.01f);
    }
}

TEST_P(PullTabTest, ThePagesTransformFollowsEdgeOrientationAndMode)
{
    const DeviceNumbers& n = GetParam();
    const float h = n.contentHeight, w = n.contentWidth, b = n.border;
    struct Row {
        int edge;
        int orientation;
        bool twoStage;
        CGAffineTransform out;
        CGAffineTransform shown;
    };
    auto t = [](float sx, float sy, float tx, float ty) { return CGAffineTransform {sx, 0, 0, sy, tx, ty}; };
    const Row rows[] = {
        {0, 1, false, t(1, 1, 0, h + b), t(1, 1, 0, b)},
        {0, 3, false, t(1, 1, 0, h), t(1, 1, 0, h)},
        {0, 3, true, t(1, 0.9f, 0, h), t(1, 0.9f, 0, 0.05f * h)},
        {2, 2, true, t(1, 1, 0, -(h + b)), t(1, 1, 0, 0)},
        {2, 4, false, t(1, 1, 0, -h), t(1, 1, 0, -h)},
        {2, 4, true, t(1, 0.9f, 0, -h), t(1, 0.9f, 0, -0.05f * h)},
        {1, 3, false, t(1, 1, w + b, 0), t(1, 1, b, 0)},
        {1, 1, false, t(1, 1, w, 0), t(1, 1, w, 0)},
        {1, 1, true, t(0.92f, 1, w, 0), t(0.92f, 1, 0.08f * w - 10, 0)},
        {3, 4, true, t(1, 1, -(w + b), 0), t(1, 1, 0, 0)},
        {3, 2, false, t(1, 1, -w, 0), t(1, 1, -w, 0)},
        {3, 1, true, t(0.92f, 1, -w, 0), t(0.92f, 1, -0.08f * w + 5, 0)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE("edge " + std::to_string(row.edge) + " orientation " + std::to_string(row.orientation) +
                     (row.twoStage ? " two-stage" : ""));
        session()->setCurrentDeviceOrientation(row.orientation);
        CCPullTabViewController& tab = make(row.edge, 1, row.twoStage);
        for (bool shown : {false, true}) {
            const CGAffineTransform got = tab.transformForAnimation(shown);
            const CGAffineTransform want = shown ? row.shown : row.out;
            EXPECT_NEAR(got.a, want.a, 1e-4);
            EXPECT_NEAR(got.d, want.d, 1e-4);
            EXPECT_NEAR(got.tx, want.tx, 1e-3) << (shown ? "shown" : "out");
            EXPECT_NEAR(got.ty, want.ty, 1e-3) << (shown ? "shown" : "out");
        }
        // The incoming page of a forward push starts pushed out.
        auto page = makeRef<CCUIDescription>("https://lumora.mosswick.example/lite/a.cuid", 10, 0);
        page->setMainData(parse(R"({"groups":[{"items":[{"type":"text_row","text":"a"}]}]})"));
        tab.pushView(page, std::nullopt, 2, false);
        ASSERT_NE(tab.incomingViewController(), nullptr);
        const CGAffineTransform start = tab.incomingViewController()->view()->presentationTransform();
        EXPECT_NEAR(start.tx, row.out.tx, 1e-3);
        EXPECT_NEAR(start.ty, row.out.ty, 1e-3);
        settle(0.5);
    }
}

TEST_P(PullTabTest, OnlyTheStripTakesTouches)
{
    CCPullTabViewController& tab = make(0, 1);
    settle(0.2);
    const CGRect screen = window_->bounds();
    const CGPoint onStrip {screen.size.width / 2, screen.size.height - 10};
    const CGPoint above {screen.size.width / 2, screen.size.height - 100};
    UIView* hit = window_->hitTest(onStrip);
    ASSERT_NE(hit, nullptr);
    EXPECT_TRUE(hit == tab.visiblePullTabView() || hit->isDescendantOfView(tab.visiblePullTabView()));
    EXPECT_EQ(window_->hitTest(above), nullptr) << "the game beneath gets the touch";
    // A tap through the transparent part reaches the engine's dispatcher.
    Ref<UITouch> touch = driver_->touchDown(above);
    EXPECT_FALSE(window_->touchBegan(touch.get(), above));
    driver_->touchUp(touch.get());
}

TEST_P(PullTabTest, TheSelectedTabShowsExpandWhenClosedAndContractWhenOpen)
{
    CCPullTabViewController& tab = make(0, 1);
    settle(0.2);
    const Value news = tab.skinItemForId("news", true);
    const Value profile = tab.skinItemForId("profile", true);
    ASSERT_TRUE(news.isDict());
    EXPECT_EQ(tab.normalImageForTabOrButton(news, "news"), news["expandimage"].asString());
    EXPECT_EQ(tab.normalImageForTabOrButton(profile, "profile"), profile["image"].asString());
    tab.changeStateFrom(1, 2, 0, "test");
    EXPECT_EQ(tab.normalImageForTabOrButton(news, "news"), news["contractimage"].asString());
    EXPECT_EQ(tab.depressedImageForTabOrButton(news, "news"), "") << "no pressed picture in the strip";
}

TEST_P(PullTabTest, TheBackButtonIsGreyedAndRestoredLazily)
{
    CCPullTabViewController& tab = make(0, 1);
    settle(0.2);
    CCSkinnedView& portrait = *tab.portraitPullTabView();
    tab.setBackButtonDisabled(true, true);
    EXPECT_EQ(portrait.disabledItem(), "backbutton");
    EXPECT_EQ(tab.landscapePullTabView()->disabledItem(), "backbutton");
    const unsigned drawn = portrait.displayGeneration();
    tab.setBackButtonDisabled(true, true);
    EXPECT_EQ(portrait.displayGeneration(), drawn) << "already greyed: nothing is redrawn";
    tab.setBackButtonDisabled(true, false);
    EXPECT_GT(portrait.displayGeneration(), drawn) << "not lazy: redrawn";
    tab.setBackButtonDisabled(false, true);
    EXPECT_EQ(portrait.disabledItem(), "");
}

TEST_P(PullTabTest, BannersRotateOnTheirDelaysWithTheDefaultForNonPositiveOnes)
{
    const DeviceNumbers& n = GetParam();
    CCPullTabViewController& tab = make(0, 2);
    seedNews(kThreeBanners);
    settle(0.3);
    ASSERT_NE(tab.primaryViewController(), nullptr);
    ASSERT_EQ(tab.state(), 2);
    const Value& overrides = tab.bannerOverrides();
    ASSERT_EQ(overrides.size(), 3u);
    EXPECT_DOUBLE_EQ(overrides[1]["height"].asDouble(), 100) << "heights halved";
    EXPECT_FLOAT_EQ(tab.offsetForState(2).y, 60 + n.border) << "no row ready yet: banner row + B";
    // The page reports its first image drawn: the row is ready.
    tab.primaryViewController()->dataForRowReady(*tab.visiblePullTabView());
    EXPECT_FLOAT_EQ(tab.offsetForState(2).y, std::min(n.full, 60.0f) == n.full ? n.full : 60 + n.border);

    // The rotation starts now, on the test's clock.
    advance(0.3);
    tab.initBannerScroll();
    struct Step {
        double after;
        int row;
    };
    // Row 0 waits 3 s, row 1 (delay 0) and row 2 (delay -1) the default 5 s.
    const Step steps[] = {{2.5, 0}, {1.0, 1}, {4.0, 1}, {1.0, 2}, {4.0, 2}, {1.0, 0}};
    for (const Step& step : steps) {
        advance(step.after);
        EXPECT_EQ(tab.currentBannerRow(), step.row) << "after " << step.after;
    }
    // The strip follows the row's height in 0.1 s.
    EXPECT_FLOAT_EQ(std::fabs(tab.offset().y), 60 + n.border);

    // A news page cannot be scrolled by hand, so only a scrollable page
    // shows that a drag holds the rotation.
    auto plain = makeRef<CCUIDescription>("https://lumora.mosswick.example/lite/profile.cuid", 10, 0);
    plain->setMainData(parse(R"({"groups":[{"items":[{"type":"text_row","text":"a"},{"type":"text_row","text":"b"}]}]})"));
    tab.pushView(plain, std::nullopt, 0, false);
    settle();
    ASSERT_TRUE(tab.userScrollEnabled());
    const int row = tab.currentBannerRow();
    tab.genericTableViewControllerScrollViewWillBeginDragging(*tab.primaryViewController());
    tab.doBannerScroll();
    EXPECT_EQ(tab.currentBannerRow(), row) << "no step while dragged";
    tab.genericTableViewControllerScrollViewDidEndDragging(*tab.primaryViewController(), false);
    tab.doBannerScroll();
    EXPECT_NE(tab.currentBannerRow(), row);
}

TEST_P(PullTabTest, ANewsPageWithoutRowsKeepsBannerRowZero)
{
    CCPullTabViewController& tab = make(0, 2);
    seedNews(R"({"uitype":"plaintable","groups":[{"items":[]}],"title":"none"})");
    settle(0.3);
    tab.changeStateFrom(tab.state(), 2, 0, "test");
    tab.doBannerScroll();
    EXPECT_EQ(tab.currentBannerRow(), 0);
    EXPECT_TRUE(tab.hasPendingBannerStep());
    EXPECT_FLOAT_EQ(tab.offsetForState(2).y, GetParam().news);
}

TEST_P(PullTabTest, ALoneLiteBannerIsRememberedOnceAndClosesAfterItsDelay)
{
    CCPullTabViewController& tab = make(0, 2);
    seedNews(R"({"uitype":"plaintable","groups":[{"items":[
        {"type":"lite_banner","height":120,"delay":2,"image":"https://img.example/b.png?liteBannerId=42"}]}]})");
    RunLoop::main().drain();
    RunLoop::main().drain();
    // The banner's picture arrives.
    NotificationCenter::defaultCenter().postNotification(
        "https://img.example/b.png?liteBannerId=42", CCFetchManager::sharedInstance(),
        Value::dictionary({{"url", Value("https://img.example/b.png?liteBannerId=42")}, {"status", Value(1)}}));
    settle(0.3);
    ASSERT_EQ(tab.state(), 2);
    EXPECT_EQ(CCDataStore::sharedInstance()->lastBannerId().asString(), "42");
    EXPECT_TRUE(tab.hasPendingReset());
    advance(1.5);
    EXPECT_EQ(tab.state(), 2);
    advance(0.6);
    EXPECT_EQ(tab.state(), 1) << "closed to the tab after the banner's delay";
    EXPECT_EQ(tab.stateChanges().back().name, "pull_contract");

    // "liteBannerId=" at the very start gives no id.
    auto page = makeRef<CCUIDescription>("https://lumora.mosswick.example/lite/newsfeed.cuid?x=1", 10, 0);
    page->setMainData(parse(R"({"groups":[{"items":[{"type":"lite_banner","height":10,"image":"liteBannerId=9"},
        {"type":"lite_banner","delay":1,"image":"a?liteBannerId=8"},{"type":"banner"},{"type":"text_row","height":5}]}]})"));
    const Value overrides = tab.bannerOverridesFromCurrentUiDescription(page.get());
    ASSERT_EQ(overrides.size(), 2u) << "a banner with neither height nor delay and other rows are skipped";
    EXPECT_FALSE(overrides[0].contains("bannerId"));
    EXPECT_EQ(overrides[1]["bannerId"].asString(), "8");
    auto other = makeRef<CCUIDescription>("https://lumora.mosswick.example/lite/profile.cuid", 10, 0);
    other->setMainData(page->mainData());
    EXPECT_TRUE(tab.bannerOverridesFromCurrentUiDescription(other.get()).isNull()) << "only news pages";
}

TEST_P(PullTabTest, RotationSwapsTheStripsWithoutAnimationAndTheLockListRefuses)
{
    const DeviceNumbers& n = GetParam();
    CCPullTabViewController& tab = make(0, 1);
    settle(0.2);
    session()->lockToOrientationList({1, 2});
    EXPECT_TRUE(tab.shouldAutorotateToInterfaceOrientation(2));
    EXPECT_FALSE(tab.shouldAutorotateToInterfaceOrientation(3));
    session()->lockToOrientationList({});
    EXPECT_TRUE(tab.shouldAutorotateToInterfaceOrientation(3));

    NotificationCenter::defaultCenter().postNotification("CCOrientationWillChangeNotification", session());
    EXPECT_TRUE(tab.view()->isHidden());
    session()->setCurrentDeviceOrientation(2);
    NotificationCenter::defaultCenter().postNotification("CCOrientationDidChangeNotification", session());
    EXPECT_FALSE(tab.view()->isHidden());
    EXPECT_FALSE(tab.portraitPullTabView()->isHidden());
    EXPECT_TRUE(tab.landscapePullTabView()->isHidden());
    EXPECT_EQ(UIView::runningAnimationCount(), 0u) << "the offset is reapplied at once";
    EXPECT_FLOAT_EQ(tab.portraitPullTabView()->transform().ty, -n.tabVisible);
}

TEST_P(PullTabTest, TheKeyboardMovesTheStripOnlyInStateThree)
{
    Value config = CCTheming::sharedInstance()->getSkinDescription("pulltab/config");
    const char* device = GetParam().device == std::string("tablet") ? "iPad" : "iPhone";
    Value perDevice = config[device];
    perDevice.set("keyboard_portrait", parse(R"({"height":216,"offset":10,"offset_bottom":30,"offset_right":31,
        "offset_top":32,"offset_left":33})"));
    config.set(device, perDevice);
    for (int edge = 0; edge < 4; ++edge) {
        SCOPED_TRACE(edge);
        CCPullTabViewController& tab = make(edge, 1, false, config);
        settle(0.2);
        NotificationCenter::defaultCenter().postNotification(kKeyboardWillAppearNotification, tab.visiblePullTabView());
        EXPECT_FLOAT_EQ(tab.keyboardViewOffset().y, 0) << "state 1 ignores the keyboard";
        tab.changeStateFrom(1, 3, 0, "test");
        const float before = tab.offset().y;
        NotificationCenter::defaultCenter().postNotification(kKeyboardWillAppearNotification, tab.visiblePullTabView());
        EXPECT_FLOAT_EQ(tab.keyboardViewOffset().y, 30.0f + edge);
        EXPECT_FLOAT_EQ(tab.offset().y, before + 30 + edge);
        NotificationCenter::defaultCenter().postNotification(kKeyboardWillDisappearNotification, nullptr);
        EXPECT_FLOAT_EQ(tab.keyboardViewOffset().y, 0);
        EXPECT_FLOAT_EQ(tab.offset().y, before);
        settle(0.4);
    }
}

TEST_P(PullTabTest, DeactivationSlidesOutAndTellsTheSessionOnce)
{
    CCPullTabViewController& tab = make(0, 1);
    settle(0.2);
    tab.changeStateFrom(1, 2, 0, "test");
    tab.deactivateWithAnimation(true);
    EXPECT_EQ(tab.stateChanges().back().name, "deactivate");
    EXPECT_DOUBLE_EQ(tab.stateChanges().back().duration, 0.15);
    EXPECT_EQ(delegate_.deactivations, 0);
    settle(0.3);
    EXPECT_EQ(delegate_.deactivations, 1);
    EXPECT_EQ(tab.view()->superview(), nullptr) << "gone from the window";
    tab.deactivateWithAnimation(true);
    settle(0.3);
    EXPECT_EQ(delegate_.deactivations, 1);

    // From state 0 without a page: nothing.
    Delegate quiet;
    CCTheming* theme = CCTheming::sharedInstance();
    Ref<CCPullTabViewController> idle = CCPullTabViewController::create(
        &quiet, "pulltab/bottom/lumoraslimline_landscape", "pulltab/bottom/lumoraslimline_portrait", window_, 0, 2,
        theme->getSkinDescription("pulltab/bottom/overlay_position"), theme->getSkinDescription("pulltab/config"));
    idle->deactivateWithAnimation(true);
    settle(0.3);
    EXPECT_EQ(quiet.deactivations, 0);
}

TEST_P(PullTabTest, MissingStripSkinsAndTabsAreLogged)
{
    struct Row {
        const char* portrait;
        const char* landscape;
        const char* line;
        int state; // the tab still found in a portrait skin steps the (strip-less) state
    };
    const Row rows[] = {
        {"pulltab/bottom/none", "pulltab/bottom/lumoraslimline_landscape",
         "Lumora Error:  Unable to find Lumora tab overlay portrait skin in theme", 0},
        {"pulltab/bottom/lumoraslimline_portrait", "pulltab/bottom/none",
         "Lumora Error:  Unable to find Lumora tab overlay landscape skin in theme", 1},
        {"pulltab/bottom/none", "pulltab/bottom/none", "Lumora Error:  Failed to find Lumora tab overlay data in theme",
         0},
        {"master", "master", "Lumora Error:  Failed to find Lumora tab overlay data in theme", 0},
    };
    CCTheming* theme = CCTheming::sharedInstance();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.portrait);
        ScopedLogCapture log;
        Delegate quiet;
        Ref<CCPullTabViewController> tab = CCPullTabViewController::create(
            &quiet, row.landscape, row.portrait, window_, 0, 1,
            theme->getSkinDescription("pulltab/bottom/overlay_position"), theme->getSkinDescription("pulltab/config"));
        EXPECT_TRUE(log.contains(row.line)) << (log.lines().empty() ? std::string("no line") : log.lines().back());
        EXPECT_EQ(tab->state(), row.state);
        EXPECT_TRUE(tab->portraitPullTabView() == nullptr || row.state == 0) << "no strip without both skins";
    }
}


TEST_P(PullTabTest, TheStripAndItsPageDrawInEachState)
{
    const DeviceNumbers& n = GetParam();
    CCPullTabViewController& tab = make(0, 2);
    seedNews(kThreeBanners);
    settle(0.4);
    ASSERT_EQ(tab.state(), 2);
    const std::string device = n.device;
    const CGRect screen = window_->bounds();
    const RGBA ground {70, 96, 52, 255};
    auto isGround = [&](CGPoint p) {
        const RGBA c = pixelAt(p);
        return std::abs(c.r - ground.r) < 6 && std::abs(c.g - ground.g) < 6 && std::abs(c.b - ground.b) < 6;
    };
    struct Row {
        int state;
        float shown; // how far the strip stands out of the bottom edge
    };
    const Row rows[] = {{1, n.tabVisible}, {2, 60 + n.border}, {3, n.full}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.state);
        if (tab.state() != row.state) tab.changeStateFrom(tab.state(), row.state, 0.1, "test");
        settle(0.3);
        (void)shoot("pulltab_" + device + "_state" + std::to_string(row.state));
        EXPECT_FALSE(isGround({200, screen.size.height - row.shown + 6})) << "the strip or page";
        EXPECT_TRUE(isGround({200, screen.size.height - row.shown - 6})) << "the game above it";
    }
}

// ---- the tab pages ----

Ref<CCUIDescription> pageAt(const std::string& path, const std::string& data =
                                                         R"({"groups":[{"items":[{"type":"text_row","text":"a"},
                                                         {"type":"text_row","text":"b"}]}]})")
{
    auto page = makeRef<CCUIDescription>(CCPrivateSession::liteBaseUrl() + path, 10, 0);
    page->setMainData(parse(data));
    return page;
}

bool requested(const RecordingHTTPTransport& transport, const std::string& text)
{
    for (const std::string& url : transport.urls) {
        if (url.find(text) != std::string::npos) return true;
    }
    return false;
}

// The tab header of the first request whose address holds `text` ("" when
// absent or not requested).
std::string tabHeaderOf(const RecordingHTTPTransport& transport, const std::string& text)
{
    for (const HTTPRequest& request : transport.requests) {
        if (request.url.find(text) == std::string::npos) continue;
        const std::string* header = request.headers.find("x-lumora-uiview");
        return header ? *header : std::string();
    }
    return {};
}

TEST_P(PullTabTest, TabPressesStepTheStateOrOpenTheTabsPage)
{
    const DeviceNumbers& n = GetParam();
    CCPullTabViewController& tab = make(0, 1);
    settle(0.2);
    ASSERT_EQ(tab.selectedTabId(), "news");
    const Value news = tab.findTabUrlForId("news");
    const Value profile = tab.findTabUrlForId("profile");

    // The first press of the closed strip steps it and opens the news page.
    tab.skinnedViewButtonPressed(*tab.visiblePullTabView(), "news", "tab", news["href"]);
    EXPECT_EQ(tab.state(), 2);
    EXPECT_TRUE(tab.backgroundThreadRunning()) << "opened on the loop's next turn";
    settle();
    EXPECT_FALSE(tab.backgroundThreadRunning());
    const std::string maxH = "maxH=" + std::to_string(static_cast<int>(n.contentHeight));
    EXPECT_TRUE(requested(*transport_, "newsfeed.cuid?" + maxH + "&minsSinceInstall=0&sessionNumber=1&optOut=0"));
    EXPECT_FALSE(requested(*transport_, "lastBannerId"));
    EXPECT_EQ(tab.viewUrlStack().size(), 1u);
    EXPECT_EQ(tabHeaderOf(*transport_, "newsfeed.cuid?"), "lumora-tab") << "fetched as a tab page";

    // Another tab: history and form values go, its page opens in the tab.
    tab.formModelHeap()["x"] = makeRef<CCFormModel>();
    CCDataStore::sharedInstance()->removeKey("currentusagedata");
    const size_t writes = CCDataStore::sharedInstance()->writeCount();
    tab.skinnedViewButtonPressed(*tab.visiblePullTabView(), "profile", "tab", profile["href"]);
    EXPECT_EQ(tab.state(), 2) << "only the selected tab steps";
    EXPECT_TRUE(tab.viewUrlStack().empty());
    EXPECT_TRUE(tab.formModelHeap().empty());
    EXPECT_EQ(tab.selectedTabId(), "profile");
    EXPECT_EQ(tab.portraitPullTabView()->depressedButton(), "profile");
    EXPECT_EQ(CCDataStore::sharedInstance()->currentUsageData().size(), 1u) << "the tab's activation is logged";
    settle();
    EXPECT_TRUE(requested(*transport_, "profile.cuid?inTabbedView=1"));
    EXPECT_EQ(CCDataStore::sharedInstance()->writeCount() - writes, 1u)
        << "the activation and the view time are written together";
    EXPECT_EQ(tabHeaderOf(*transport_, "profile.cuid?"), "lumora-tab");

    // The selected tab with its one page only steps.
    const size_t before = transport_->urls.size();
    tab.skinnedViewButtonPressed(*tab.visiblePullTabView(), "profile", "tab", profile["href"]);
    settle();
    EXPECT_EQ(tab.state(), 1);
    EXPECT_EQ(transport_->urls.size(), before);

    // Once a banner id is known the news request carries it.
    CCDataStore::sharedInstance()->setLastBannerId(Value("42"));
    tab.doDoOpenUrlOnTab("newsfeed.cuid");
    settle();
    EXPECT_TRUE(requested(*transport_, "&lastBannerId=42"));
}

TEST_P(PullTabTest, PushedPagesSlideInWhateverTheirCodeAndKeepTheHistory)
{
    CCPullTabViewController& tab = make(0, 1);
    settle(0.2);
    tab.changeStateFrom(1, 3, 0, "test");
    struct Row {
        int code;
        bool noStack;
        size_t history;
    };
    // 1 is the code the navigation base pushes every tapped link with.
    const Row rows[] = {{0, false, 1}, {1, false, 2}, {2, false, 3}, {7, false, 4}, {0, true, 4}, {4, false, 5}};
    int index = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.code);
        Ref<CCUIDescription> page = pageAt("p" + std::to_string(index++) + ".cuid");
        tab.pushView(page, std::nullopt, row.code, row.noStack);
        EXPECT_EQ(tab.viewUrlStack().size(), row.history);
        EXPECT_EQ(tab.viewUrlStack().back()->url(), page->url());
        if (row.code != 0) {
            runSeconds(0.2);
            EXPECT_NE(tab.incomingViewController(), nullptr) << "still sliding (0.4 s)";
        }
        settle(0.4);
        ASSERT_EQ(tab.incomingViewController(), nullptr);
        ASSERT_NE(tab.primaryViewController(), nullptr);
        EXPECT_EQ(tab.primaryViewController()->currentUIDescription(), page.get());
        const CGAffineTransform shown = tab.transformForAnimation(true);
        const CGAffineTransform at = tab.primaryViewController()->view()->presentationTransform();
        EXPECT_FLOAT_EQ(at.ty, shown.ty) << "in sight after the swap";
        const Value first = page->elementForItem(0, 0);
        EXPECT_EQ(first["type"].asString() == "back_bar", row.history > 1) << "a back bar above the first page only";
        EXPECT_TRUE(tab.formModelHeap().count(page->url()));
    }
    // A news page cannot be scrolled by hand.
    tab.pushView(pageAt("newsfeed.cuid?maxH=1"), std::nullopt, 0, false);
    settle();
    EXPECT_FALSE(tab.userScrollEnabled());
    EXPECT_FALSE(tab.primaryViewController()->tableView()->isScrollEnabled());
}

TEST_P(PullTabTest, PoppingToOnePageGreysBackAndRestoresTheOffset)
{
    CCPullTabViewController& tab = make(0, 1);
    settle(0.2);
    tab.changeStateFrom(1, 3, 0, "test");
    Ref<CCUIDescription> first = pageAt("first.cuid");
    // The fetch manager keeps the first page, so the pop finds it.
    CCFetchManager::sharedInstance()->queueServerData(Ref<CCAbstractServerData>(first.get()), 10, 0);
    tab.pushView(first, std::nullopt, 0, false);
    settle();
    tab.primaryViewController()->tableView()->setContentOffset({0, 12});
    tab.pushView(pageAt("second.cuid"), std::nullopt, 2, false);
    settle(0.5);
    EXPECT_FLOAT_EQ(tab.viewUrlStack().front()->rowOffset().y, 12) << "the left page's offset is kept";
    const size_t changes = tab.stateChanges().size();
    tab.popViewWithAnimation(4);
    EXPECT_EQ(tab.viewUrlStack().size(), 1u);
    EXPECT_EQ(tab.portraitPullTabView()->disabledItem(), "backbutton");
    ASSERT_EQ(tab.stateChanges().size(), changes + 1) << "outside two-stage mode the state steps";
    EXPECT_EQ(tab.stateChanges().back().to, 1);
    settle(0.5);
    EXPECT_FLOAT_EQ(tab.primaryViewController()->tableView()->contentOffset().y, 12);
    tab.popViewWithAnimation(4);
    EXPECT_EQ(tab.viewUrlStack().size(), 1u) << "nothing below the last page";
}

TEST_P(PullTabTest, AFailedPageClosesOrPopsByDevice)
{
    const bool pad = GetParam().device == std::string("tablet");
    CCPullTabViewController& tab = make(0, 1);
    settle(0.2);
    tab.changeStateFrom(1, 3, 0, "test");
    tab.pushView(pageAt("one.cuid"), std::nullopt, 0, false);
    settle();
    tab.genericTableViewControllerFailedToLoadPage(*tab.primaryViewController());
    if (pad) {
        EXPECT_EQ(tab.state(), 3) << "one page on a tablet: nothing to pop";
    } else {
        EXPECT_EQ(tab.state(), 1);
        EXPECT_EQ(tab.stateChanges().back().name, "pull_contract");
        EXPECT_DOUBLE_EQ(tab.stateChanges().back().duration, 0.1);
    }
    tab.changeStateFrom(tab.state(), 3, 0, "test");
    tab.pushView(pageAt("two.cuid"), std::nullopt, 0, false);
    settle();
    tab.genericTableViewControllerFailedToLoadPage(*tab.primaryViewController());
    EXPECT_EQ(tab.viewUrlStack().size(), 1u) << "popped";
    runSeconds(0.2);
    RunLoop::main().drain();
    EXPECT_EQ(tab.incomingViewController() != nullptr, !pad) << "the phone pops with the back slide, the tablet at once";
    settle(0.5);
}

TEST_P(PullTabTest, ItemTapsOpenTheWholePageExceptStoreAndAffiliateLinks)
{
    CCPullTabViewController& tab = make(0, 1);
    settle(0.2);
    tab.changeStateFrom(1, 2, 0, "test");
    // An https link reaches the navigation base (which pushes its page)
    // with "inTabbedView=1" added.
    struct Row {
        const char* url;
        bool opens;
        const char* pushed; // null: no page pushed
    };
    const Row rows[] = {
        {"itms://store/app", false, nullptr},
        {"lumora-affiliate://click.example/x", false, nullptr},
        {"https://lumora.mosswick.example/lite/a.cuid", true, "https://lumora.mosswick.example/lite/a.cuid?inTabbedView=1"},
        {"https://lumora.mosswick.example/lite/b.cuid?x=1", true,
         "https://lumora.mosswick.example/lite/b.cuid?x=1&inTabbedView=1"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.url);
        const size_t history = tab.viewUrlStack().size();
        // As the navigation base's "tablelink" observer hands it over.
        auto tap = makeRef<Notification>(kTableLinkNotification, nullptr,
                                         CCTableLinkInfo {Value::dictionary({{"url", Value(row.url)}}), nullptr});
        tab.listItemSelectedNotification(*tap);
        EXPECT_EQ(tab.state(), row.opens ? 3 : 2);
        if (row.opens) {
            EXPECT_EQ(tab.stateChanges().back().name, "pull_expand_2");
            EXPECT_DOUBLE_EQ(tab.stateChanges().back().duration, 0.4);
        }
        settle(0.5);
        if (!row.pushed) continue;
        ASSERT_EQ(tab.viewUrlStack().size(), history + 1);
        EXPECT_EQ(tab.viewUrlStack().back()->url(), row.pushed);
    }
}

TEST_P(PullTabTest, PageLoadsOfTheCurrentPage)
{
    struct Row {
        int status;
        bool twoStage;
        bool removed;
        int state;
    };
    const Row rows[] = {{0, false, true, 0}, {3, false, true, 0}, {3, true, false, 3}};
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.status) + (row.twoStage ? " two-stage" : ""));
        Delegate told;
        delegate_ = told;
        CCPullTabViewController& tab = make(0, 1, row.twoStage);
        settle(0.2);
        Ref<CCUIDescription> page = pageAt("load.cuid");
        tab.pushView(page, std::nullopt, 0, false);
        settle();
        // As the navigation base's fetch-manager observer hands it over.
        auto loaded = makeRef<Notification>(page->url(), CCFetchManager::sharedInstance(),
                                            Value::dictionary({{"url", Value(page->url())}, {"status", Value(row.status)}}));
        tab.fetchUpdateNotification(*loaded);
        settle();
        EXPECT_EQ(delegate_.deactivations, row.removed ? 1 : 0);
        if (!row.removed) {
            EXPECT_EQ(tab.state(), row.state);
        }
    }
    // Status 1: both strips are drawn from the page's flat element (badges).
    CCPullTabViewController& tab = make(0, 1);
    settle(0.2);
    Ref<CCUIDescription> page = pageAt("badges.cuid", R"({"groups":[],"uidata":{"profile":3},"uicontrol":"open"})");
    tab.pushView(page, std::nullopt, 0, false);
    settle();
    auto record = makeRef<CCUIDescription>(page->url(), 10, 0);
    const std::string envelope = R"({"meta":{"type":"uidesc","timestamp":1},"data":{"groups":[],"uidata":{"profile":3},"uicontrol":"open"}})";
    record->setReceivedData(Value::Bytes(envelope.begin(), envelope.end()));
    CCFetchManager::sharedInstance()->serverDataFinishedNetworkOpWithStatus(record.get(), 0);
    auto loaded = makeRef<Notification>(page->url(), CCFetchManager::sharedInstance(),
                                        Value::dictionary({{"url", Value(page->url())}, {"status", Value(1)}}));
    tab.fetchUpdateNotification(*loaded);
    settle();
    EXPECT_EQ(tab.portraitPullTabView()->uiElement()["profile"].asInt(), 3);
    EXPECT_EQ(tab.landscapePullTabView()->uiElement()["profile"].asInt(), 3);
    EXPECT_EQ(tab.initialState(), 2) << "a page marked open revises a closed tab's initial state";
}

// Picking the player's picture from a page: the phone's picker on a dimmed
// underlay (presented on the next turn, dropped 2 s after the choice), the
// tablet's in a popover beside the row (closed with the post); either way a
// 114 x 114 JPEG is posted to the pending address and pushed in place of the
// page.
TEST_P(PullTabTest, APickedPictureIsPostedFromTheDevicesPicker)
{
    const bool pad = GetParam().device == std::string("tablet");
    const std::string folder = Paths::documentsPath("Pictures");
    std::filesystem::create_directories(folder);
    std::vector<uint8_t> pixels(300 * 200 * 4, 180);
    ASSERT_TRUE(Image::fromRGBA(std::move(pixels), 300, 200, ImageAlphaInfo::Last)->writePNG(folder + "/wide.png"));

    CCPullTabViewController& tab = make(0, 1);
    settle(0.2);
    tab.changeStateFrom(1, 3, 0, "test");
    tab.pushView(pageAt("me.cuid"), std::nullopt, 0, false);
    settle();
    const std::string url = CCPrivateSession::liteBaseUrl() + "upload_image";
    UIView* row = tab.primaryViewController()->view();
    tab.initiateImagePickerWithType(ImageSources::kPhotoLibrary, url, {10, 40, 300, 44}, row);
    EXPECT_EQ(tab.pendingUrlString(), url);
    UIImagePickerController* picker = nullptr;
    if (pad) {
        ASSERT_NE(tab.imagePickerPopover(), nullptr);
        EXPECT_TRUE(tab.imagePickerPopover()->isPopoverVisible());
        EXPECT_EQ(tab.imagePickerPopover()->arrowDirection(), UIPopoverController::kArrowLeft);
        EXPECT_EQ(tab.imagePickerUnderlay(), nullptr);
        picker = dynamic_cast<UIImagePickerController*>(tab.imagePickerPopover()->contentViewController());
    } else {
        ASSERT_NE(tab.imagePickerUnderlay(), nullptr);
        EXPECT_EQ(tab.imagePickerUnderlay()->view()->superview(), window_.get());
        EXPECT_EQ(tab.imagePickerUnderlay()->modalViewController(), nullptr) << "presented on the next turn";
        settle();
        picker = dynamic_cast<UIImagePickerController*>(tab.imagePickerUnderlay()->modalViewController());
        EXPECT_EQ(tab.imagePickerPopover(), nullptr);
    }
    ASSERT_NE(picker, nullptr);
    EXPECT_TRUE(picker->allowsEditing());
    EXPECT_EQ(picker->delegate(), &tab);
    settle(0.3);
    ASSERT_EQ(picker->pictures().size(), 1u);
    ASSERT_TRUE(picker->pickPictureAtIndex(0));

    Ref<CCAbstractServerData> post;
    for (const Ref<CCAbstractServerData>& record : CCFetchManager::sharedInstance()->fetchQueue())
        if (record->url() == url && record->postData()) post = record;
    ASSERT_NE(post, nullptr);
    const Value::Bytes& bytes = *post->postData();
    Ref<Image> decoded = Image::decode(bytes.data(), bytes.size());
    ASSERT_NE(decoded, nullptr);
    EXPECT_EQ(decoded->width(), 114);
    EXPECT_EQ(decoded->height(), 114);
    EXPECT_EQ(tab.viewUrlStack().size(), 1u) << "pushed in place of the page";
    EXPECT_EQ(tab.viewUrlStack().back()->url(), url);
    if (pad) {
        EXPECT_EQ(tab.imagePickerPopover(), nullptr) << "closed with the post";
    } else {
        settle(1.5);
        EXPECT_NE(tab.imagePickerUnderlay(), nullptr);
        settle(0.6);
        EXPECT_EQ(tab.imagePickerUnderlay(), nullptr) << "dropped 2 s after the choice";
    }
    settle(0.5);
}

} // namespace
} // namespace mw::test
