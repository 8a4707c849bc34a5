// The embedded social view: started through the session, pages from the
// loopback service, drawn scaled into the host's rectangle.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "foundation/Log.h"
#include "foundation/Notification.h"
#include "foundation/NotificationCenter.h"
#include "social/data/CCDataStore.h"
#include "social/screens/CCEmbeddedViewController.h"
#include "social/queues/CCFetchManager.h"
#include "social/screens/CCGenericTableViewController.h"
#include "social/session/CCPrivateSession.h"
#include "social/services/CCStorePurchases.h"
#include "social/services/CCTheming.h"
#include "social/queues/records/CCServerRecords.h"
#include "tests/social/ui/SocialUiFixture.h"
#include "tests/support/LoopbackSocialService.h"
#include "tests/support/ScriptedStore.h"

namespace mw::test {
namespace {

std::string envelope(const std::string& data) { return R"({"meta":{"type":"uidesc","timestamp":1},"data":)" + data + "}"; }

// A page of rows, its first row's text naming the page.
std::string pageData(const std::string& name, const std::string& extraRow = "")
{
    return R"({"uitype":"plaintable","groups":[{"items":[{"type":"text_row","text":")" + name +
           R"("},{"type":"text_row","text":"Wren keeps the orchard"},{"type":"link_row","text":"Friends","href":"friends.cuid"})" +
           extraRow + "]}]}";
}

class EmbeddedViewTest : public SocialUiTest, public ::testing::WithParamInterface<const char*> {
protected:
    void SetUp() override
    {
        SocialUiTest::SetUp();
        start(GetParam());
        activate();
        // The session's telemetry stays quiet: the service sees the pages only.
        session()->activateLumoraSetting(2, Value("YES"));
        service_.route();
        service_.setSigning({kSecret});
        for (const char* page : {"profile", "friends", "garden", "orchard"})
            service_.script(std::string("/lite/") + page + ".cuid", {200, {}, envelope(pageData(page))});
        session()->setCurrentDeviceOrientation(1);
        settle();
    }
    void TearDown() override
    {
        if (session() && session()->embeddedViewController()) {
            Ref<CCEmbeddedViewController> held(session()->embeddedViewController());
            held->doDeactivation();
            session()->onEmbeddedViewControllerDeactivated();
        }
        if (CCFetchManager* fetcher = CCFetchManager::sharedInstance()) {
            for (const Ref<CCAbstractServerData>& record : fetcher->fetchQueue()) record->clearDelegate();
        }
        SocialUiTest::TearDown();
    }
    static CCPrivateSession* session() { return CCPrivateSession::sharedInstance(); }
    static std::string lite(const std::string& path) { return CCPrivateSession::liteBaseUrl() + path; }

    void settle(double seconds = 0.05)
    {
        runSeconds(seconds);
        RunLoop::main().drain();
    }
    // Runs frames until `done` (bounded in real time: the service answers
    // on threads of its own).
    bool waitFor(const std::function<bool()>& done, double seconds = 10)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        while (!done()) {
            if (std::chrono::steady_clock::now() > end) return false;
            driver_->runFrames(1);
            RunLoop::main().drain();
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return true;
    }
    // The shown page's data has arrived and the page is in place.
    bool showsPage(const std::string& name)
    {
        CCEmbeddedViewController* embedded = session()->embeddedViewController();
        CCGenericTableViewController* page = embedded ? embedded->primaryViewController() : nullptr;
        CCUIDescription* description = page ? page->currentUIDescription() : nullptr;
        return description && description->dataAvailable() && !embedded->incomingViewController() &&
               description->url().find("/lite/" + name + ".cuid") != std::string::npos;
    }
    CCEmbeddedViewController& open(CGRect frame, const std::string& path = "garden.cuid")
    {
        session()->activateLumoraEmbeddedUIOnPage(path, window_.get(), frame);
        EXPECT_TRUE(session()->isLumoraEmbeddedUIActive());
        return *session()->embeddedViewController();
    }
    // A press on a bar item: the controller is the bar's delegate.
    void press(const std::string& itemId, const std::string& type, const std::string& href = "")
    {
        auto bar = makeRef<CCSkinnedView>(Value(), Value(), CGRect {0, 0, 10, 10}, nullptr, false);
        session()->embeddedViewController()->skinnedViewButtonPressed(*bar, itemId, type,
                                                                      href.empty() ? Value() : Value(href));
    }
    // The screen as a PNG, when MOSSWICK_TEST_PICTURES names a folder.
    void picture(const std::string& name)
    {
        const char* folder = std::getenv("MOSSWICK_TEST_PICTURES");
        if (!folder) return;
        std::filesystem::create_directories(folder);
        driver_->runFrames(1);
        EXPECT_TRUE(driver_->screenshot(std::string(folder) + "/" + name + ".png"));
    }

    LoopbackSocialService service_;
};

INSTANTIATE_TEST_SUITE_P(Devices, EmbeddedViewTest, ::testing::Values("phone-hd", "tablet"),
                         [](const auto& info) { return std::string(info.param[0] == 't' ? "tablet" : "phone"); });

// ---- activation ----

TEST_P(EmbeddedViewTest, RefusalsAreLoggedAndRepeatsIgnored)
{
    const std::string prefix = "Lumora Error:  Unable to show Lumora embedded UI - ";
    {
        CCTheming::releaseSharedInstance();
        ScopedLogCapture log;
        session()->activateLumoraEmbeddedUIOnPage("garden.cuid", window_.get(), {0, 0, 160, 160});
        EXPECT_TRUE(log.contains(prefix + "The theme is not setup")) << "no theme current";
        EXPECT_FALSE(session()->isLumoraEmbeddedUIActive());
        useTheme("mosswick_01");
    }
    {
        ScopedLogCapture log;
        session()->activateLumoraEmbeddedUIOnPage("garden.cuid", nullptr, {0, 0, 160, 160});
        EXPECT_FALSE(session()->isLumoraEmbeddedUIActive()) << "no view";
        EXPECT_TRUE(log.lines().empty());
    }
    CCEmbeddedViewController& first = open({10, 20, 160, 160});
    EXPECT_EQ(first.launchUrlString(), lite("garden.cuid?inTabbedView=1"));
    EXPECT_EQ(first.parentView(), window_.get());
    EXPECT_NE(first.delegate(), nullptr);
    session()->activateLumoraEmbeddedUIOnPage("orchard.cuid", window_.get(), {0, 0, 320, 320});
    EXPECT_EQ(session()->embeddedViewController(), &first) << "a second activation is ignored";
    EXPECT_EQ(window_->subviews().back().get(), first.view());
}

class EmbeddedRefusalTest : public SocialUiTest {};

TEST_F(EmbeddedRefusalTest, ASessionWithoutTheGamesIdentityIsRefused)
{
    start(); // the session exists, never activated
    ScopedLogCapture log;
    CCPrivateSession::sharedInstance()->activateLumoraEmbeddedUIOnPage("garden.cuid", window_.get(), {0, 0, 160, 160});
    EXPECT_TRUE(log.contains("Lumora Error:  Unable to show Lumora embedded UI - The application ID is unset"));
    EXPECT_FALSE(CCPrivateSession::sharedInstance()->isLumoraEmbeddedUIActive());
}

// ---- geometry and drawing ----

TEST_P(EmbeddedViewTest, ThePageSquareIsDrawnAtTheLaunchFramesSize)
{
    const RGBA ground {70, 96, 52, 255};
    auto near = [](RGBA a, RGBA b) {
        return std::abs(a.r - b.r) < 8 && std::abs(a.g - b.g) < 8 && std::abs(a.b - b.b) < 8;
    };
    const RGBA container {0, 255, 0, 255};
    struct Row {
        CGRect frame;
        float scale;
    };
    const Row rows[] = {{{24, 40, 160, 160}, 0.5f}, {{0, 100, 320, 320}, 1.0f}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.scale);
        CCEmbeddedViewController& embedded = open(row.frame);
        ASSERT_TRUE(waitFor([&] { return showsPage("garden"); }));
        const CGAffineTransform t = embedded.transformForOrientation(1);
        EXPECT_FLOAT_EQ(t.a, row.scale);
        EXPECT_FLOAT_EQ(t.d, row.scale);
        EXPECT_FLOAT_EQ(t.tx, -(1 - row.scale) * 160);
        EXPECT_FLOAT_EQ(t.ty, -(1 - row.scale) * 160);
        // The page square in window points.
        UIView* page = embedded.primaryViewController()->view();
        const CGRect drawn = page->convertRectToView(page->bounds(), window_.get());
        EXPECT_NEAR(drawn.origin.x, row.frame.origin.x, 0.01);
        EXPECT_NEAR(drawn.origin.y, row.frame.origin.y, 0.01);
        EXPECT_NEAR(drawn.size.width, row.frame.size.width, 0.01);
        EXPECT_NEAR(drawn.size.height, row.frame.size.height, 0.01);
        settle(0.3);
        picture(std::string("embedded_") + GetParam() + (row.scale < 1 ? "_half" : "_full"));
        // Inside the frame: the page (neither the game nor the bare container)
        // from corner to corner; just outside it: the game.
        const float x = row.frame.origin.x, y = row.frame.origin.y, side = row.frame.size.width;
        for (CGPoint inside : {CGPoint {x + 2, y + 2}, CGPoint {x + side - 3, y + side - 3},
                               CGPoint {x + side - 3, y + 2}, CGPoint {x + 2, y + side - 3}}) {
            const RGBA c = pixelAt(inside);
            EXPECT_FALSE(near(c, ground)) << inside.x << "," << inside.y;
            EXPECT_FALSE(near(c, container)) << inside.x << "," << inside.y;
        }
        for (CGPoint outside : {CGPoint {x + side + 3, y + side / 2}, CGPoint {x + side / 2, y + side + 3}}) {
            if (outside.x >= window_->bounds().size.width) continue;
            EXPECT_TRUE(near(pixelAt(outside), ground)) << outside.x << "," << outside.y;
        }
        if (y >= 3) {
            EXPECT_TRUE(near(pixelAt({x + side / 2, y - 3}), ground));
        }
        session()->deactivateLumoraEmbeddedUI();
        ASSERT_FALSE(session()->isLumoraEmbeddedUIActive());
        settle();
    }
}

// ---- pages ----

TEST_P(EmbeddedViewTest, WithoutALaunchUrlTheProfilePageOpens)
{
    auto delegateless = CCEmbeddedViewController::create(nullptr, {0, 0, 320, 320}, window_.get(), std::nullopt);
    ASSERT_TRUE(waitFor([&] {
        CCGenericTableViewController* page = delegateless->primaryViewController();
        return page && page->currentUIDescription()->dataAvailable();
    }));
    EXPECT_EQ(delegateless->primaryViewController()->currentUIDescription()->url(), lite("profile.cuid"));
    EXPECT_EQ(delegateless->urlHistoryCount(), 1u);
    delegateless->doDeactivation();
    EXPECT_EQ(delegateless->primaryViewController(), nullptr);
}

TEST_P(EmbeddedViewTest, TabAndBackPresses)
{
    CCEmbeddedViewController& embedded = open({0, 0, 320, 320});
    ASSERT_TRUE(waitFor([&] { return showsPage("garden"); }));
    auto historyHas = [&](size_t count) { return embedded.urlHistoryCount() == count; };

    press("backbutton", "button");
    EXPECT_TRUE(historyHas(1)) << "nothing to go back to";

    // A tab opens its page on the next loop turn, as the first of a new history.
    const size_t usageBefore = CCDataStore::sharedInstance()->currentUsageData().size();
    press("orchardtab", "tab", "orchard.cuid");
    EXPECT_TRUE(embedded.backgroundThreadRunning());
    EXPECT_EQ(embedded.selectedTabId(), "orchardtab");
    ASSERT_TRUE(waitFor([&] { return showsPage("orchard"); }));
    EXPECT_FALSE(embedded.backgroundThreadRunning());
    EXPECT_TRUE(historyHas(1));
    EXPECT_EQ(embedded.currentUIDescription()->url(), lite("orchard.cuid?inTabbedView=1"));
    EXPECT_EQ(CCDataStore::sharedInstance()->currentUsageData().size(), usageBefore + 1) << "the activation logged";

    // The selected tab with one page: nothing.
    press("orchardtab", "tab", "garden.cuid");
    settle();
    EXPECT_FALSE(embedded.backgroundThreadRunning());
    EXPECT_TRUE(showsPage("orchard"));

    // A link on the page pushes a second page; back returns at once (no animation).
    embedded.pushView(makeRef<CCUIDescription>(lite("friends.cuid"), 10, 0), std::nullopt, 2);
    ASSERT_TRUE(waitFor([&] { return showsPage("friends"); }));
    EXPECT_TRUE(historyHas(2));
    press("backbutton", "button");
    EXPECT_TRUE(historyHas(1));
    RunLoop::main().drain();
    EXPECT_TRUE(showsPage("orchard")) << "swapped on the next loop turn, without frames";

    // Another tab with the same page open elsewhere: history restarts.
    embedded.pushView(makeRef<CCUIDescription>(lite("friends.cuid"), 10, 0), std::nullopt, 2);
    ASSERT_TRUE(waitFor([&] { return showsPage("friends"); }));
    press("orchardtab", "tab", "garden.cuid");
    ASSERT_TRUE(waitFor([&] { return showsPage("garden"); }));
    EXPECT_TRUE(historyHas(1)) << "the selected tab with two pages opens again";
}

TEST_P(EmbeddedViewTest, APageLoadRedrawsBothHolders)
{
    CCEmbeddedViewController& embedded = open({0, 0, 320, 320});
    ASSERT_TRUE(waitFor([&] { return showsPage("garden"); }));
    const std::string url = embedded.currentUIDescription()->url();
    UIView* portrait = embedded.portraitPullTabView();
    UIView* landscape = embedded.landscapePullTabView();
    struct Row {
        std::string url;
        int status;
        bool redraws;
    };
    const Row rows[] = {{url, 1, true}, {url, 0, false}, {url, 3, false}, {lite("other.cuid"), 1, false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.url + " " + std::to_string(row.status));
        const unsigned p = portrait->displayGeneration(), l = landscape->displayGeneration();
        NotificationCenter::defaultCenter().postNotification(
            row.url, CCFetchManager::sharedInstance(),
            Value::dictionary({{"url", Value(row.url)}, {"status", Value(row.status)}}));
        EXPECT_EQ(portrait->displayGeneration() > p, row.redraws);
        EXPECT_EQ(landscape->displayGeneration() > l, row.redraws);
    }
}

// What the session hears from its embedded view.
class RecordingDelegate : public CCEmbeddedViewControllerDelegate {
public:
    void onEmbeddedViewControllerDeactivated() override { calls.push_back("deactivated"); }
    void onEmbeddedViewControllerFailedToLoadPage() override { calls.push_back("failed"); }
    std::vector<std::string> calls;
};

TEST_P(EmbeddedViewTest, AFailedPageGoesBackOrIsReported)
{
    const bool pad = std::string(GetParam()).rfind("tablet", 0) == 0;
    RecordingDelegate delegate;
    auto embedded = CCEmbeddedViewController::create(&delegate, {0, 0, 320, 320}, window_.get(), lite("garden.cuid"));
    auto shown = [&](const std::string& path) {
        CCGenericTableViewController* page = embedded->primaryViewController();
        return page && !embedded->incomingViewController() && page->currentUIDescription()->url() == lite(path);
    };
    ASSERT_TRUE(waitFor([&] { return shown("garden.cuid"); }));

    // The only page fails: a phone tells the delegate, a tablet keeps it.
    embedded->genericTableViewControllerFailedToLoadPage(*embedded->primaryViewController());
    EXPECT_EQ(delegate.calls, pad ? std::vector<std::string> {} : std::vector<std::string> {"failed"});
    EXPECT_EQ(embedded->urlHistoryCount(), 1u);
    delegate.calls.clear();

    // A second page fails: back to the first, at once on a tablet, with the
    // back animation on a phone.
    embedded->pushView(makeRef<CCUIDescription>(lite("friends.cuid"), 10, 0), std::nullopt, 2);
    ASSERT_TRUE(waitFor([&] { return shown("friends.cuid"); }));
    embedded->genericTableViewControllerFailedToLoadPage(*embedded->primaryViewController());
    EXPECT_EQ(embedded->urlHistoryCount(), 1u);
    RunLoop::main().drain();
    EXPECT_EQ(shown("garden.cuid"), pad) << "no frames run yet";
    ASSERT_TRUE(waitFor([&] { return shown("garden.cuid"); }));
    EXPECT_TRUE(delegate.calls.empty());
    embedded->doDeactivation();
    EXPECT_EQ(delegate.calls, std::vector<std::string> {"deactivated"});
}

TEST_P(EmbeddedViewTest, DeactivationWaitsForTheFirstPage)
{
    CCEmbeddedViewController& embedded = open({0, 0, 160, 160});
    ASSERT_EQ(embedded.primaryViewController(), nullptr) << "the first page swaps in on the next loop turn";
    session()->deactivateLumoraEmbeddedUI();
    EXPECT_TRUE(session()->isLumoraEmbeddedUIActive()) << "nothing shown yet: the session keeps it";
    EXPECT_EQ(session()->embeddedViewController(), &embedded);
    RunLoop::main().drain();
    ASSERT_NE(embedded.primaryViewController(), nullptr);

    // Afterwards the controller closes and the session lets it go; its
    // view leaves the host's view with it.
    Ref<CCEmbeddedViewController> held(&embedded);
    UIView* container = embedded.view();
    EXPECT_EQ(container->superview(), window_.get());
    session()->deactivateLumoraEmbeddedUI();
    EXPECT_FALSE(session()->isLumoraEmbeddedUIActive());
    EXPECT_EQ(session()->embeddedViewController(), nullptr);
    EXPECT_EQ(held->primaryViewController(), nullptr);
    EXPECT_EQ(held->portraitPullTabView(), nullptr);
    EXPECT_EQ(held->delegate(), nullptr);
    held = nullptr;
    for (const Ref<UIView>& view : window_->subviews()) EXPECT_NE(view.get(), container);
    session()->deactivateLumoraEmbeddedUI(); // nothing left to close
}

TEST_P(EmbeddedViewTest, RotationShowsTheOtherHolder)
{
    CCEmbeddedViewController& embedded = open({0, 0, 320, 320});
    ASSERT_TRUE(waitFor([&] { return showsPage("garden"); }));
    UIView* page = embedded.primaryViewController()->view();
    EXPECT_EQ(page->superview(), embedded.portraitPullTabView());
    EXPECT_TRUE(embedded.landscapePullTabView()->isHidden());
    struct Row {
        int orientation;
        bool landscape;
    };
    for (const Row& row : {Row {3, true}, Row {2, false}, Row {4, true}, Row {1, false}}) {
        SCOPED_TRACE(row.orientation);
        NotificationCenter::defaultCenter().postNotification("CCOrientationWillChangeNotification", session());
        EXPECT_TRUE(embedded.view()->isHidden());
        session()->setCurrentDeviceOrientation(row.orientation);
        NotificationCenter::defaultCenter().postNotification("CCOrientationDidChangeNotification", session());
        EXPECT_FALSE(embedded.view()->isHidden());
        UIView* shown = row.landscape ? embedded.landscapePullTabView() : embedded.portraitPullTabView();
        UIView* other = row.landscape ? embedded.portraitPullTabView() : embedded.landscapePullTabView();
        EXPECT_FALSE(shown->isHidden());
        EXPECT_TRUE(other->isHidden());
        EXPECT_EQ(page->superview(), shown);
        EXPECT_EQ(shown->subviews().front().get(), page) << "sent to the back";
        EXPECT_EQ(embedded.visibleHolderView(), shown);
    }
}

// ---- a purchase from a page link ----

TEST_P(EmbeddedViewTest, APurchaseLinkBlocksInputBuysAndShowsTheServicesAnswer)
{
    auto store = std::make_shared<ScriptedStore>();
    store->catalogue = {{"coins_100", "100 coins", 0.99, "en_US", "A small bag"}};
    std::shared_ptr<Store> previous = Store::replaceSharedInstance(store);
    session()->activateLumoraSetting(6, Value::array({Value("coins_100")}));
    RunLoop::main().drain();
    ASSERT_EQ(CCSKProductInfo::sharedInstance()->updateState(), CCSKProductInfo::kReceived);
    service_.script("/lite/buy_virtual_currency.cuid", {200, {}, envelope(pageData("thanks"))});

    CCEmbeddedViewController& embedded = open({0, 0, 320, 320});
    ASSERT_TRUE(waitFor([&] { return showsPage("garden"); }));
    service_.clearRequests();
    NotificationCenter::defaultCenter().postNotification(
        kTableLinkNotification, embedded.primaryViewController(),
        CCTableLinkInfo {Value::dictionary({{"url", Value("lumora://buyvirtualcurrency?productID=coins_100")}}),
                         nullptr});
    EXPECT_NE(embedded.blockUiViewController(), nullptr) << "input blocked while the store works";
    EXPECT_EQ(store->payments, std::vector<std::string> {"coins_100"});
    RunLoop::main().drain();
    EXPECT_EQ(embedded.blockUiViewController(), nullptr) << "input unblocked with the store's answer";
    // The report page is pushed with animation 0 in place of the shown one:
    // it is in place on the next loop turn, without an animation's frames.
    RunLoop::main().drain();
    ASSERT_NE(embedded.primaryViewController(), nullptr);
    EXPECT_EQ(embedded.incomingViewController(), nullptr);
    EXPECT_EQ(embedded.primaryViewController()->currentUIDescription()->url(), lite("buy_virtual_currency.cuid"));
    EXPECT_EQ(embedded.urlHistoryCount(), 1u) << "in place of the page that had the link";
    ASSERT_TRUE(waitFor([&] { return showsPage("buy_virtual_currency") &&
                                     embedded.primaryViewController()->currentUIDescription()->mainData()["groups"][0]["items"][0]["text"] ==
                                         Value("thanks"); }));
    bool posted = false;
    for (const LoopbackSocialService::Request& request : service_.requests()) {
        if (request.target.rfind("/lite/buy_virtual_currency.cuid", 0) != 0) continue;
        posted = request.method == "POST" && request.body.find(R"("productID":"coins_100")") != std::string::npos &&
                 request.body.find(R"("receipt":")") != std::string::npos;
    }
    EXPECT_TRUE(posted) << "the receipt reported to the service";
    session()->deactivateLumoraEmbeddedUI();
    CCSKTransactionHandler::releaseSharedInstance();
    CCSKProductInfo::releaseSharedInstance();
    Store::replaceSharedInstance(previous);
}

} // namespace
} // namespace mw::test
