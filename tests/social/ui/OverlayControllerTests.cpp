#include <gtest/gtest.h>

#include <cmath>
#include <sys/socket.h>
#include <netinet/in.h>
#include <unistd.h>

#include "foundation/Log.h"
#include "platform/MessageService.h"
#include "social/screens/CCOverlayControllers.h"
#include "social/screens/CCSmallViews.h"
#include "social/ui/UIControls.h"
#include "tests/social/ui/NavigationFakes.h"
#include "tests/social/ui/SocialUiFixture.h"
#include "tests/support/LoopbackHTTPServer.h"

namespace mw::test {
namespace {

class ScriptedMessages : public MessageService {
public:
    bool canSendText() override { return available; }
    Result sendText(const std::vector<std::string>& recipients, const std::string& body) override
    {
        sent.push_back(body);
        (void)recipients;
        return answer;
    }
    bool available = true;
    Result answer = kSent;
    std::vector<std::string> sent;
};

class OverlayTest : public SocialUiTest {
protected:
    void SetUp() override
    {
        SocialUiTest::SetUp();
        start("phone");
        previousOpener_ = URLOpener::replaceSharedInstance(opener_);
        previousMessages_ = MessageService::replaceSharedInstance(messages_);
    }
    void TearDown() override
    {
        nav_ = nullptr;
        RunLoop::main().drain();
        URLOpener::replaceSharedInstance(previousOpener_);
        MessageService::replaceSharedInstance(previousMessages_);
        SocialUiTest::TearDown();
    }

    // Follows a chain through the navigation base; answers the log lines.
    std::vector<std::string> follow(const std::string& url)
    {
        ScopedLogCapture log;
        nav_->initiateAffiliateRedirect(url);
        EXPECT_NE(nav_->redirectViewController(), nullptr);
        EXPECT_TRUE(
            RunLoop::main().runUntil([this] { return nav_->redirectViewController() == nullptr; }, 10));
        RunLoop::main().drain();
        return log.lines();
    }

    std::shared_ptr<RecordingURLOpener> opener_ = std::make_shared<RecordingURLOpener>();
    std::shared_ptr<ScriptedMessages> messages_ = std::make_shared<ScriptedMessages>();
    Ref<RecordingNav> nav_ = makeRef<RecordingNav>();

private:
    std::shared_ptr<URLOpener> previousOpener_;
    std::shared_ptr<MessageService> previousMessages_;
};

// ---- input blocker ----

TEST_F(OverlayTest, BlockerSwallowsEveryTouchBehindItsSpinner)
{
    struct Row {
        const char* theme;
        bool themeSpinner;
    };
    for (const Row& row : {Row {"mosswick_01", false}, Row {"variant", true}}) {
        SCOPED_TRACE(row.theme);
        useTheme(row.theme);
        Ref<UITouch> probe = makeRef<UITouch>(CGPoint {0, 0}, 0.0);
        EXPECT_FALSE(window_->touchBegan(probe.get(), {160, 240})) << "nothing covers the game yet";
        nav_->realOverlays = true;
        nav_->blockUserInput(true);
        CCBlockUIViewController* blocker = nav_->blockUiViewController();
        ASSERT_NE(blocker, nullptr);
        Ref<UIView> view(blocker->view());
        EXPECT_EQ(view->superview(), window_.get());
        EXPECT_FLOAT_EQ(view->alpha(), 0.7f);
        EXPECT_EQ(view->frame(), window_->bounds());
        for (CGPoint point :
             {CGPoint {1, 1}, CGPoint {160, 240}, CGPoint {window_->bounds().size.width - 1, 10}}) {
            Ref<UITouch> touch = makeRef<UITouch>(CGPoint {0, 0}, 0.0);
            EXPECT_TRUE(window_->touchBegan(touch.get(), point));
            window_->touchEnded(touch.get(), point);
        }
        UIView* spinner = blocker->activityIndicator();
        ASSERT_NE(spinner, nullptr);
        EXPECT_EQ(spinner->bounds().size, (CGSize {40, 40}));
        EXPECT_EQ(spinner->center(),
                  (CGPoint {view->bounds().size.width / 2, view->bounds().size.height / 2}));
        EXPECT_EQ(dynamic_cast<CCTesselActivityIndicatorView*>(spinner) != nullptr, row.themeSpinner);
        if (!row.themeSpinner) {
            auto* platform = dynamic_cast<UIActivityIndicatorView*>(spinner);
            ASSERT_NE(platform, nullptr);
            EXPECT_EQ(platform->style(), UIActivityIndicatorView::kWhiteLarge);
            EXPECT_TRUE(platform->isAnimating());
        }
        nav_->blockUserInput(false);
        EXPECT_EQ(nav_->blockUiViewController(), nullptr);
        EXPECT_EQ(view->superview(), nullptr);
        Ref<UITouch> after = makeRef<UITouch>(CGPoint {0, 0}, 0.0);
        EXPECT_FALSE(window_->touchBegan(after.get(), {160, 240}));
    }
}

// ---- redirect follower ----

class RedirectTest : public OverlayTest {
protected:
    void SetUp() override
    {
        OverlayTest::SetUp();
        nav_->realOverlays = true;
    }
    // "/hN?to=M" redirects N times more; "/file" to a file address;
    // "/end" answers 200.
    LoopbackHTTPServer server_ {[](const LoopbackHTTPServer::Request& request) {
        const std::string& path = request.path;
        if (path == "/end") return LoopbackHTTPServer::response(200, "landed");
        if (path == "/file")
            return LoopbackHTTPServer::response(302, "", {{"Location", "file:///etc/hostname"}});
        if (path.rfind("/chain/", 0) == 0) {
            const int left = std::stoi(path.substr(7));
            const std::string next = left == 0 ? "/end" : "/chain/" + std::to_string(left - 1);
            return LoopbackHTTPServer::response(302, "", {{"Location", next}});
        }
        return LoopbackHTTPServer::response(404);
    }};
};

TEST_F(RedirectTest, OpensTheLastAddressThatRedirected)
{
    struct Row {
        std::string start;
        std::string opened; // empty: nothing opened (a failure)
    };
    const Row rows[] = {
        {server_.url("/chain/0"), server_.url("/chain/0")}, // A -> B, B loads: A
        {server_.url("/chain/1"), server_.url("/chain/0")}, // A -> B -> C: B
        {server_.url("/chain/9"), server_.url("/chain/0")}, // ten hops
        {server_.url("/end"), ""},                          // no redirect: nothing to open
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.start);
        opener_->opened.clear();
        nav_->calls.clear();
        const std::vector<std::string> log = follow(row.start);
        EXPECT_EQ(opener_->opened,
                  row.opened.empty() ? std::vector<std::string> {} : std::vector<std::string> {row.opened});
        EXPECT_EQ(nav_->calls, (std::vector<std::string> {"clearSelection"})) << "the completion ran once";
        for (const std::string& line : log)
            EXPECT_EQ(line.find("[CCRedirectViewController]"), std::string::npos) << line;
    }
}

TEST_F(RedirectTest, FailuresOpenNothing)
{
    // A port nobody listens on.
    int probe = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length), 0);
    const std::string refused = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/x";
    ::close(probe);

    const std::string rows[] = {
        server_.url("/file"),     // a redirect to a local file
        server_.url("/chain/10"), // an eleventh hop
        refused,                  // no connection
        "ftp://example.org/x",    // not http at all
    };
    for (const std::string& start : rows) {
        SCOPED_TRACE(start);
        opener_->opened.clear();
        nav_->calls.clear();
        const std::vector<std::string> log = follow(start);
        EXPECT_TRUE(opener_->opened.empty());
        EXPECT_EQ(nav_->calls, (std::vector<std::string> {"clearSelection"}));
        size_t lines = 0;
        for (const std::string& line : log) lines += line.rfind("[CCRedirectViewController] ", 0) == 0;
        EXPECT_EQ(lines, 1u);
    }
    // The file's address never reached the transport.
    for (const auto& request : server_.requests())
        EXPECT_EQ(request.path.find("hostname"), std::string::npos);
}

TEST_F(RedirectTest, SecondRequestWhileOneRunsIsIgnored)
{
    nav_->initiateAffiliateRedirect(server_.url("/chain/1"));
    CCRedirectViewController* running = nav_->redirectViewController();
    ASSERT_NE(running, nullptr);
    EXPECT_EQ(running->view()->superview(), window_.get());
    EXPECT_FLOAT_EQ(running->view()->alpha(), 0.8f);
    nav_->initiateAffiliateRedirect(server_.url("/chain/5"));
    EXPECT_EQ(nav_->redirectViewController(), running);
    ASSERT_TRUE(RunLoop::main().runUntil([this] { return nav_->redirectViewController() == nullptr; }, 10));
    RunLoop::main().drain();
    EXPECT_EQ(opener_->opened, (std::vector<std::string> {server_.url("/chain/0")}));
}

// ---- message composer ----

TEST_F(OverlayTest, ComposerPassesItsResultOn)
{
    nav_->realOverlays = true;
    struct Row {
        const char* name;
        bool available;
        MessageService::Result serviceAnswer;
        bool cancel;
        int result;
    };
    const Row rows[] = {
        {"no message service", false, MessageService::kSent, false, 2},
        {"sent", true, MessageService::kSent, false, 1},
        {"failed", true, MessageService::kFailed, false, 2},
        {"cancelled", true, MessageService::kSent, true, 0},
    };
    struct Reporter : CCSMSDelegate {
        void SMSCompletedWithResult(int result) override { results.push_back(result); }
        std::vector<int> results;
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        messages_->available = row.available;
        messages_->answer = row.serviceAnswer;
        Reporter reporter;
        ScopedLogCapture log;
        auto composer = makeRef<CCSMSViewController>(&reporter, "Come and play",
                                                     std::vector<std::string> {"555 1", "555 2"});
        EXPECT_FLOAT_EQ(composer->view()->alpha(), 0.5f);
        EXPECT_EQ(composer->view()->superview(), composer->testViewController()->view());
        EXPECT_EQ(composer->testViewController()->view()->superview(), window_.get());
        RunLoop::main().drain();
        if (!row.available) {
            EXPECT_EQ(reporter.results, (std::vector<int> {2}));
            EXPECT_TRUE(log.contains("Lumora Error:  Failed to create SMS view controller"));
            continue;
        }
        UIMessageComposeViewController* shown = composer->composer();
        ASSERT_NE(shown, nullptr);
        EXPECT_EQ(composer->modalViewController(), shown);
        EXPECT_EQ(shown->recipients(), (std::vector<std::string> {"555 1", "555 2"}));
        EXPECT_EQ(shown->body(), "Come and play");
        EXPECT_TRUE(reporter.results.empty());
        if (row.cancel) {
            EXPECT_TRUE(shown->cancel());
        } else {
            EXPECT_TRUE(shown->send());
        }
        EXPECT_EQ(reporter.results, (std::vector<int> {row.result}));
        EXPECT_EQ(composer->composer(), nullptr);
    }
}

TEST_F(OverlayTest, OneComposerAtATimeAndDroppedWithItsResult)
{
    nav_->realOverlays = true;
    nav_->initiateSendSMSMessage("a", {"1"});
    CCSMSViewController* first = nav_->smsViewController();
    ASSERT_NE(first, nullptr);
    nav_->initiateSendSMSMessage("b", {"2"});
    EXPECT_EQ(nav_->smsViewController(), first);
    RunLoop::main().drain();
    ASSERT_NE(first->composer(), nullptr);
    EXPECT_TRUE(first->composer()->send());
    EXPECT_EQ(nav_->smsViewController(), nullptr);
    EXPECT_TRUE(nav_->pushes.empty()) << "no page shown: nothing to report to";
}

// ---- the composer's rotating host ----

TEST_F(OverlayTest, HostTurnsWithTheDevice)
{
    struct Row {
        int from;
        int to;
        float angle;    // the view's rotation at the end
        double seconds; // how long it turns
    };
    const Row rows[] = {
        {1, 2, static_cast<float>(M_PI), 0.6},
        {1, 3, static_cast<float>(M_PI / 2), 0.3},
        {1, 4, static_cast<float>(-M_PI / 2), 0.3},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.from) + "->" + std::to_string(row.to));
        CCPrivateSession::sharedInstance()->setCurrentDeviceOrientation(row.from);
        auto host = makeRef<CCTestUIViewController>();
        EXPECT_EQ(host->view()->superview(), window_.get());
        EXPECT_EQ(host->view()->frame(), (CGRect {0, 0, 320, 480}));
        CCPrivateSession::sharedInstance()->setCurrentDeviceOrientation(row.to);
        NotificationCenter::defaultCenter().postNotification("UIDeviceOrientationDidChangeNotification");
        EXPECT_EQ(host->currentOrientation(), row.to);
        auto angleNow = [&] {
            const CGAffineTransform t = host->view()->presentationTransform();
            return std::atan2(t.b, t.a);
        };
        runSeconds(row.seconds / 2);
        const float half = angleNow();
        EXPECT_GT(std::fabs(half), 0.05f) << "under way at half time";
        EXPECT_LT(std::fabs(half), std::fabs(row.angle) - 0.05f);
        runSeconds(row.seconds / 2 + 0.05);
        EXPECT_NEAR(std::fabs(angleNow()), std::fabs(row.angle), 1e-3);
        EXPECT_NEAR(host->view()->transform().b, std::sin(row.angle), 1e-5);
        host->view()->removeFromSuperview();
    }
}

} // namespace
} // namespace mw::test
