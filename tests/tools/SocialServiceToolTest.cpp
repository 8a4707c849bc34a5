// The social service tool (tools/social_service) as a game process meets it:
// started as a child process, its routing read from its output with the
// game's own reader, its pages fetched through the platform transport, every
// request and failed check in its log, and a clean end on a stop signal.

#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "app/SocialServiceRouting.h"
#include "game/front/MosswickAppDelegate.h"
#include "platform/HTTPTransport.h"
#include "social/session/CCPrivateSession.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/LoopbackSocialService.h"
#include "tests/support/SocialServicePages.h"
#include "tests/support/TempDir.h"

namespace mw {
namespace {

using test::ChildProcess;
using test::LoopbackSocialService;

class SocialServiceToolTest : public ::testing::Test {
protected:
    void SetUp() override { start(); }
    // Starts a tool and reads its routing.
    void start()
    {
        tool_ = std::make_unique<ChildProcess>(ChildProcess::builtProgram("mosswick_social_service"),
                                               std::vector<std::string>{}, std::vector<std::string>{},
                                               logFile(), ChildProcess::Output::ToPipe);
        ASSERT_TRUE(tool_->started());
        const std::optional<std::string> authority = tool_->readLine(30);
        const std::optional<std::string> connectTo = tool_->readLine(5);
        ASSERT_TRUE(authority && connectTo) << log();
        const std::string caName = "MOSSWICK_SOCIAL_CA=";
        const std::string connectToName = "MOSSWICK_SOCIAL_CONNECT_TO=";
        ASSERT_EQ(authority->rfind(caName, 0), 0u) << *authority;
        ASSERT_EQ(connectTo->rfind(connectToName, 0), 0u) << *connectTo;
        routing_ = socialServiceRouting(authority->substr(caName.size()).c_str(),
                                        connectTo->substr(connectToName.size()).c_str());
        ASSERT_TRUE(routing_) << *authority << "\n" << *connectTo;
    }
    void TearDown() override
    {
        HTTPTransport::setTrustedCertificatesFile("");
        HTTPTransport::setConnectTo({});
    }

    std::string logFile() const { return folder_.file("service.log"); }
    std::string log() const { return test::TempDir::readText(logFile()); }
    // Whether the log holds `text` within a few seconds (the tool logs from
    // its connection threads).
    bool logShows(const std::string& text) const
    {
        for (int i = 0; i < 500; ++i) {
            if (log().find(text) != std::string::npos) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
    void route() const
    {
        HTTPTransport::setTrustedCertificatesFile(routing_->authorityFile);
        HTTPTransport::setConnectTo(routing_->connectTo);
    }

    test::TempDir folder_;
    std::unique_ptr<ChildProcess> tool_;
    std::optional<SocialServiceRouting> routing_;
};

TEST_F(SocialServiceToolTest, ServesTheNewsPageToAProcessThatTakesItsRoutingAndLogsTheRequest)
{
    route();
    HTTPRequest request;
    request.url = CCPrivateSession::liteBaseUrl() + "newsfeed.cuid";
    request.timeoutSeconds = 20;
    const HTTPResponse response = HTTPTransport::sharedInstance()->send(request);
    ASSERT_EQ(response.error, "");
    EXPECT_EQ(response.status, 200);
    const std::string body(response.body.begin(), response.body.end());
    EXPECT_NE(body.find(R"("type":"lite_banner")"), std::string::npos) << body;
    const std::string bannerId = test::SocialServicePages::kBannerId;
    EXPECT_NE(body.find("liteBannerId=" + bannerId), std::string::npos) << body;
    const std::string host = CCPrivateSession::serviceHost();
    EXPECT_TRUE(logShows("GET https://" + host + "/lite/newsfeed.cuid -> 200")) << log();
}

// The tool checks each request's signing with the game's secret and logs what
// fails; a request signed as the game signs passes.
TEST_F(SocialServiceToolTest, LogsTheChecksARequestFails)
{
    route();
    struct Case {
        const char* name;
        bool signs;
        std::string secretKey;
        const char* failure; // nullptr: no check fails
    };
    const Case cases[] = {
        {"unsigned", false, "", "missing x-lumora-secret"},
        {"game", true, MosswickAppDelegate::kSocialSecret, nullptr},
        {"other", true, "another-key", "secret does not match"},
    };
    const std::string identity = "0b0e5c0a-1111-4222-8333-944455556666";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HTTPRequest request;
        request.url = CCPrivateSession::liteBaseUrl() + "newsfeed.cuid?case=" + c.name;
        request.timeoutSeconds = 20;
        if (c.signs) {
            request.headers.set("x-lumora-appid", "mosswick");
            request.headers.set("x-lumora-uuid", identity);
            request.headers.set("x-lumora-uname", "Moss");
            request.headers.set("x-lumora-secret",
                                LoopbackSocialService::sessionSecret(identity, "mosswick", c.secretKey));
            request.headers.set("x-lumora-appversion", "1.0000");
            request.headers.set("x-lumora-sdkname", "lumora-slimline");
            request.headers.set("x-lumora-lumoraversion", "0.3 build 77");
            request.headers.set("x-lumora-connection", "wifi");
        }
        const HTTPResponse response = HTTPTransport::sharedInstance()->send(request);
        EXPECT_EQ(response.status, 200) << response.error;
        const std::string target = std::string("/lite/newsfeed.cuid?case=") + c.name;
        ASSERT_TRUE(logShows(target + " -> 200")) << log();
        const std::string failed = "check failed: " + target + ": ";
        if (c.failure) EXPECT_NE(log().find(failed + c.failure), std::string::npos) << log();
        else EXPECT_EQ(log().find(failed), std::string::npos) << log();
    }
}

TEST_F(SocialServiceToolTest, EndsCleanlyOnAStopSignal)
{
    for (int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signal);
        if (signal != SIGTERM) {
            ASSERT_NO_FATAL_FAILURE(start()); // a second tool for the second signal
        }
        const std::optional<int> status = tool_->stop(signal, 20);
        ASSERT_TRUE(status) << "still running after the signal";
        EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0)
            << "wait status " << *status << "\n" << log();
        const char* said = signal == SIGTERM ? "stopping (SIGTERM)" : "stopping (SIGINT)";
        EXPECT_NE(log().find(said), std::string::npos) << log();
        // Its certificate files go with it.
        EXPECT_FALSE(std::ifstream(routing_->authorityFile).good()) << routing_->authorityFile;
    }
}

} // namespace
} // namespace mw
