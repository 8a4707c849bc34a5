#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "analytics/TallyHTTPEater.h"
#include "analytics/TallyHTTPResponse.h"
#include "foundation/Paths.h"
#include "tests/analytics/TallySessionTestSupport.h"
#include "tests/support/LoopbackHTTPServer.h"

namespace mw {
namespace {

using Server = test::LoopbackHTTPServer;
using Fields = TallyHTTPEater::Fields;

class TallyHTTPTest : public test::TallySessionFixture { };

TEST_F(TallyHTTPTest, RequestCarriesExactlyTheCallersFields)
{
    Server server([](const Server::Request& request) {
        return Server::response(200, "ok", { { "Set-Cookie", "session=abc; Path=/" } });
    });
    std::vector<uint8_t> body(64 * 1024);
    for (size_t i = 0; i < body.size(); ++i) body[i] = uint8_t(i * 7);
    const Fields fields = { { "Content-Type", "application/octet-stream" } };
    for (int round = 0; round < 2; ++round) {
        const auto started = std::chrono::steady_clock::now();
        const TallyHTTPResponse response = TallyHTTPEater::post(server.url("/aas.do"), body, fields);
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(900))
            << "no 100-continue wait";
        EXPECT_EQ(response.statusCode(), 200);
        EXPECT_EQ(response.body(), (std::vector<uint8_t> { 'o', 'k' }));
    }
    const std::vector<Server::Request> requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    for (const Server::Request& request : requests) {
        EXPECT_EQ(request.method, "POST");
        EXPECT_EQ(request.path, "/aas.do");
        EXPECT_EQ(request.body, body);
        EXPECT_EQ(request.header("Content-Type"), "application/octet-stream");
        // Only what HTTP itself needs beside the caller's field; no cookie even after one was set.
        for (const auto& [name, value] : request.headers) {
            EXPECT_TRUE(name == "Host" || name == "Content-Length" || name == "Content-Type")
                << name << ": " << value;
        }
    }
}

TEST_F(TallyHTTPTest, SuccessIsStatus200To399)
{
    const std::pair<int, bool> cases[] = { { 199, false }, { 200, true },  { 204, true },
                                           { 399, true },  { 400, false }, { 500, false } };
    for (const auto& c : cases) {
        const int status = c.first;
        EXPECT_EQ(TallyHTTPResponse({}, status, {}, {}).isSuccess(), c.second) << status;
        // A 1xx status is no final answer in HTTP: only the judgement is checked for it.
        if (status < 200) continue;
        Server server([status](const Server::Request&) { return Server::response(status, "x"); });
        const TallyHTTPResponse response = TallyHTTPEater::get(server.url("/"));
        EXPECT_EQ(response.statusCode(), status);
        EXPECT_EQ(response.isSuccess(), c.second) << status;
    }
}

TEST_F(TallyHTTPTest, FailuresStillAnswer)
{
    int closedPort = 0;
    {
        Server gone([](const Server::Request&) { return std::string(); });
        closedPort = gone.port();
    }
    const TallyHTTPResponse refused =
        TallyHTTPEater::get("http://127.0.0.1:" + std::to_string(closedPort) + "/");
    EXPECT_EQ(refused.statusCode(), 0);
    EXPECT_FALSE(refused.error().empty());
    EXPECT_FALSE(refused.isSuccess());

    Server silent([](const Server::Request&) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2500));
        return std::string();
    });
    const auto started = std::chrono::steady_clock::now();
    const std::optional<TallyHTTPResponse> timedOut =
        TallyHTTPEater::sendMethod("POST", silent.url("/aas.do"), { 1, 2 }, {}, 1, false);
    const auto waited = std::chrono::steady_clock::now() - started;
    ASSERT_TRUE(timedOut.has_value());
    EXPECT_EQ(timedOut->statusCode(), 0);
    EXPECT_FALSE(timedOut->error().empty());
    EXPECT_GE(waited, std::chrono::milliseconds(900));
    EXPECT_LT(waited, std::chrono::milliseconds(2400));
}

TEST_F(TallyHTTPTest, RedirectsToWebAddressesOnly)
{
    Server server([](const Server::Request& request) {
        if (request.path == "/moved") return Server::response(302, "", { { "Location", "/final" } });
        if (request.path == "/to-file")
            return Server::response(302, "", { { "Location", "file:///etc/passwd" } });
        return Server::response(200, "final");
    });
    const TallyHTTPResponse followed = TallyHTTPEater::get(server.url("/moved"));
    EXPECT_EQ(followed.statusCode(), 200);
    EXPECT_EQ(followed.finalUrl(), server.url("/final"));
    const TallyHTTPResponse refused = TallyHTTPEater::get(server.url("/to-file"));
    EXPECT_FALSE(refused.error().empty());
    EXPECT_NE(std::string(refused.body().begin(), refused.body().end()).find("root:"), 0u);
}

TEST_F(TallyHTTPTest, LatestOfTwoResponsesIsKept)
{
    Server server([](const Server::Request&) {
        return std::string("HTTP/1.1 100 Continue\r\nX-First: 1\r\n\r\n") +
               Server::response(201, "second", { { "X-Second", "2" } });
    });
    const TallyHTTPResponse response = TallyHTTPEater::get(server.url("/"));
    EXPECT_EQ(response.statusCode(), 201);
    bool first = false;
    bool second = false;
    for (const auto& [name, value] : response.headers()) {
        first = first || name == "x-first";
        second = second || name == "x-second";
    }
    EXPECT_FALSE(first);
    EXPECT_TRUE(second);
}

TEST_F(TallyHTTPTest, SavedAnswerRoundTrip)
{
    const TallyHTTPResponse answer({ 0x01, 0x02, 0x00, 0x05 }, 200, { { "X-Ad", "1" } }, {});
    const std::string path = answer.saveToDisk();
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path, TallyHTTPResponse::filePath(int64_t(test::kTestNow)));
    for (const std::string& address : { path, "file://" + path }) {
        const TallyHTTPResponse back = TallyHTTPResponse::readFromURL(address);
        EXPECT_EQ(back.statusCode(), 200);
        EXPECT_EQ(back.body(), answer.body());
        EXPECT_EQ(back.headers(), answer.headers());
    }
    const TallyHTTPResponse missing = TallyHTTPResponse::readFromURL(Paths::documentsPath("nothing-here"));
    EXPECT_EQ(missing.statusCode(), 0);
    EXPECT_TRUE(missing.body().empty());
}

TEST(TallyHTTPEater, AddressesAndQueries)
{
    EXPECT_EQ(TallyHTTPEater::queryDictionaryToString({}), "");
    EXPECT_EQ(TallyHTTPEater::queryDictionaryToString({ { "a", "1" }, { "b", "x y" } }), "a=1&b=x y");
    const struct {
        std::optional<std::string> protocol;
        std::optional<std::string> host;
        int port;
        std::optional<std::string> path;
        std::optional<std::string> query;
        std::optional<std::string> expected;
    } cases[] = {
        { std::nullopt, "example.com", 80, "aas.do", "k=v", "http://example.com/aas.do?k=v" },
        { std::nullopt, "example.com", 8080, "aas.do", std::nullopt, "http://example.com:8080/aas.do" },
        { "https", "example.com", 80, std::nullopt, std::nullopt, "https://example.com" },
        { "https", "example.com", 0, "a", std::nullopt, "https://example.com/a" },
        { "http", "bad host", 0, std::nullopt, std::nullopt, std::nullopt },
        { "http", std::nullopt, 0, "a", std::nullopt, std::nullopt },
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TallyHTTPEater::urlWithProtocol(c.protocol, c.host, c.port, c.path, c.query), c.expected)
            << c.expected.value_or("nil");
    }
    EXPECT_EQ(TallyHTTPEater::urlWithProtocol(std::nullopt, "h", 0, "p",
                                              TallyHTTPEater::queryDictionaryToString({ { "q", "1" } })),
              "http://h/p?q=1");
}

} // namespace
} // namespace mw
