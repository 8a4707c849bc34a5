// The game's routing to a loopback social service, read from the environment
// at start-up: the reader's table of good and bad values, and the program
// itself started beside the service tool, whose log shows the game's signed
// requests.

#include <sys/wait.h>

#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/SocialServiceRouting.h"
#include "foundation/Log.h"
#include "social/session/CCPrivateSession.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TempDir.h"

namespace mw {
namespace {

using test::ChildProcess;

TEST(SocialServiceRoutingTest, TakesBothValuesWholeOrNothing)
{
    test::TempDir folder;
    const std::string authority = folder.write("authority.pem", "-----BEGIN CERTIFICATE-----\n");
    const std::string missing = folder.file("missing.pem");
    const std::string good = "a.example:443:127.0.0.1:4000,a.example:80:127.0.0.1:4001";
    struct Case {
        const char* name;
        const char* authority;
        const char* connectTo;
        std::vector<std::string> entries; // empty: no routing
        const char* line;                 // nullptr: nothing logged
    };
    const Case cases[] = {
        {"neither", nullptr, nullptr, {}, nullptr},
        {"both empty", "", "", {}, nullptr},
        {"both", authority.c_str(), good.c_str(),
         {"a.example:443:127.0.0.1:4000", "a.example:80:127.0.0.1:4001"}, nullptr},
        {"one entry", authority.c_str(), "b:443:localhost:1", {"b:443:localhost:1"}, nullptr},
        {"authority only", authority.c_str(), nullptr, {}, "MOSSWICK_SOCIAL_CONNECT_TO is not set"},
        {"connect-to only", nullptr, good.c_str(), {}, "MOSSWICK_SOCIAL_CA is not set"},
        {"unreadable authority", missing.c_str(), good.c_str(), {}, "cannot read MOSSWICK_SOCIAL_CA"},
        {"three parts", authority.c_str(), "a:443:127.0.0.1", {}, "entry 'a:443:127.0.0.1' is not"},
        {"five parts", authority.c_str(), "a:443:127.0.0.1:4:5", {}, "entry 'a:443:127.0.0.1:4:5' is not"},
        {"port beyond range", authority.c_str(), "a:443:127.0.0.1:65536", {}, "entry 'a:443:127.0.0.1:6553"},
        {"port zero", authority.c_str(), "a:0:127.0.0.1:4000", {}, "entry 'a:0:127.0.0.1:4000'"},
        {"port not a number", authority.c_str(), "a:https:127.0.0.1:4000", {}, "entry 'a:https:"},
        {"no host", authority.c_str(), ":443:127.0.0.1:4000", {}, "entry ':443:127.0.0.1:4000'"},
        {"a bad one among good ones", authority.c_str(), "a:443:127.0.0.1:4000,a:80:", {}, "entry 'a:80:'"},
        {"trailing comma", authority.c_str(), "a:443:127.0.0.1:4000,", {}, "entry ''"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedLogCapture capture;
        const std::optional<SocialServiceRouting> routing = socialServiceRouting(c.authority, c.connectTo);
        if (c.entries.empty()) {
            EXPECT_FALSE(routing);
        } else {
            ASSERT_TRUE(routing);
            EXPECT_EQ(routing->authorityFile, authority);
            EXPECT_EQ(routing->connectTo, c.entries);
        }
        if (c.line) {
            ASSERT_EQ(capture.lines().size(), 1u);
            EXPECT_TRUE(capture.contains("social service routing ignored")) << capture.lines()[0];
            EXPECT_TRUE(capture.contains(c.line)) << capture.lines()[0];
        } else {
            EXPECT_TRUE(capture.lines().empty());
        }
    }
}

// The program, started headless with the routing the tool prints, reaches
// the tool: its news request and the banner's picture arrive signed as the
// service expects.
TEST(SocialServiceRoutingTest, TheGameStartedWithTheToolsRoutingFetchesItsNews)
{
    test::TempDir folder;
    ChildProcess tool(ChildProcess::builtProgram("mosswick_social_service"), {}, {},
                      folder.file("service.log"), ChildProcess::Output::ToPipe);
    ASSERT_TRUE(tool.started());
    std::vector<std::string> environment = {"MOSSWICK_HOME=" + folder.path() + "/home"};
    for (int i = 0; i < 2; ++i) {
        const std::optional<std::string> line = tool.readLine(30);
        ASSERT_TRUE(line) << test::TempDir::readText(folder.file("service.log"));
        environment.push_back(*line);
    }
    ChildProcess game(ChildProcess::builtProgram("mosswick"), {"--headless", "--frames", "300"}, environment,
                      folder.file("game.log"));
    const std::optional<int> status = game.wait(180);
    const std::string gameLog = test::TempDir::readText(folder.file("game.log"));
    ASSERT_TRUE(status) << "the game did not end\n" << gameLog;
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0)
        << "wait status " << *status << "\n" << gameLog;
    EXPECT_NE(gameLog.find("social service routing: "), std::string::npos) << gameLog;

    ASSERT_TRUE(tool.stop(SIGTERM, 20));
    const std::string serviceLog = test::TempDir::readText(folder.file("service.log"));
    const std::string host = CCPrivateSession::serviceHost();
    for (const char* path : {"/lite/newsfeed.cuid?", "/lite/images/banner.png"})
        EXPECT_NE(serviceLog.find("GET https://" + host + path), std::string::npos) << serviceLog;
    EXPECT_EQ(serviceLog.find("check failed"), std::string::npos) << serviceLog;
}

} // namespace
} // namespace mw
