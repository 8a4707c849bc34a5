#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "analytics/TallyHTTPEater.h"
#include "analytics/TallyHTTPResponse.h"
#include "foundation/Paths.h"
#include "platform/HTTPTransport.h"
#include "tests/analytics/TallySessionTestSupport.h"
#include "tests/support/LoopbackHTTPServer.h"
#include "tests/support/TestCertificateAuthority.h"

namespace mw {
namespace {

using Server = test::LoopbackHTTPServer;
using Fields = TallyHTTPEater::Fields;

// Every exchange runs once over plain HTTP and once over HTTPS, against a
// certificate authority made for this program.
class TallyHTTPTest : public test::TallySessionFixture, public ::testing::WithParamInterface<bool> {
protected:
    TallyHTTPTest() { HTTPTransport::setTrustedCertificatesFile(authority().certificateFile()); }
    ~TallyHTTPTest() override { HTTPTransport::setTrustedCertificatesFile(""); }

    static test::TestCertificateAuthority& authority()
    {
        static test::TestCertificateAuthority* const made = new test::TestCertificateAuthority();
        return *made;
    }
    static const Server::Tls& loopbackCertificate()
    {
        static const Server::Tls tls = [] {
            const test::TestCertificateAuthority::Issued issued =
                authority().issue({ "IP:127.0.0.1", "DNS:localhost" });
            return Server::Tls { issued.certificateFile, issued.keyFile };
        }();
        return tls;
    }
    static bool secure() { return GetParam(); }
    std::unique_ptr<Server> serve(Server::Handler handler)
    {
        if (secure()) return std::make_unique<Server>(std::move(handler), loopbackCertificate());
        return std::make_unique<Server>(std::move(handler));
    }
};

INSTANTIATE_TEST_SUITE_P(Schemes, TallyHTTPTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "https" : "http";
                         });

TEST_P(TallyHTTPTest, RequestCarriesExactlyTheCallersFields)
{
    const auto server = serve([](const Server::Request& request) {
        return Server::response(200, "ok", { { "Set-Cookie", "session=abc; Path=/" } });
    });
    std::vector<uint8_t> body(64 * 1024);
    for (size_t i = 0; i < body.size(); ++i) body[i] = uint8_t(i * 7);
    const Fields fields = { { "Content-Type", "application/octet-stream" } };
    for (int round = 0; round < 2; ++round) {
        const TallyHTTPResponse response = TallyHTTPEater::post(server->url("/aas.do"), body, fields);
        EXPECT_EQ(response.statusCode(), 200) << response.error();
        EXPECT_EQ(response.body(), (std::vector<uint8_t> { 'o', 'k' }));
    }
    const std::vector<Server::Request> requests = server->requests();
    ASSERT_EQ(requests.size(), 2u);
    for (const Server::Request& request : requests) {
        EXPECT_EQ(request.method, "POST");
        EXPECT_EQ(request.path, "/aas.do");
        EXPECT_EQ(request.body, body);
        EXPECT_EQ(request.header("Content-Type"), "application/octet-stream");
        // Only what HTTP itself needs beside the caller's field; no cookie even after one was set,
        // and no "Expect: 100-continue", whose wait a server that never says 100 would cost.
        for (const auto& [name, value] : request.headers) {
            EXPECT_TRUE(name == "Host" || name == "Content-Length" || name == "Content-Type")
                << name << ": " << value;
        }
    }
}

TEST_P(TallyHTTPTest, SuccessIsStatus200To399)
{
    const std::pair<int, bool> cases[] = { { 199, false }, { 200, true },  { 204, true },
                                           { 399, true },  { 400, false }, { 500, false } };
    for (const auto& c : cases) {
        const int status = c.first;
        EXPECT_EQ(TallyHTTPResponse({}, status, {}, {}).isSuccess(), c.second) << status;
        // A 1xx status is no final answer in HTTP: only the judgement is checked for it.
        if (status < 200) continue;
        const auto server = serve([status](const Server::Request&) { return Server::response(status, "x"); });
        const TallyHTTPResponse response = TallyHTTPEater::get(server->url("/"));
        EXPECT_EQ(response.statusCode(), status) << response.error();
        EXPECT_EQ(response.isSuccess(), c.second) << status;
    }
}

TEST_P(TallyHTTPTest, FailuresStillAnswer)
{
    int closedPort = 0;
    {
        const auto gone = serve([](const Server::Request&) { return std::string(); });
        closedPort = gone->port();
    }
    const TallyHTTPResponse refused = TallyHTTPEater::get(std::string(secure() ? "https" : "http") +
                                                          "://127.0.0.1:" + std::to_string(closedPort) + "/");
    EXPECT_EQ(refused.statusCode(), 0);
    EXPECT_FALSE(refused.error().empty());
    EXPECT_FALSE(refused.isSuccess());

    // Two requests to servers that stay silent, sent together: one bound to
    // 1 s, one to the pause report's 5 s. Each ends at its own bound, so the
    // second ends about 4 s after the first; a bound ignored or replaced
    // (both ending together, at 5 s, at the silence's end, or twice as late)
    // shows in that gap, which load on the machine moves little as both wait
    // side by side.
    constexpr int kShort = 1;
    constexpr int kLong = 5;
    constexpr int kSilence = 40;
    std::atomic<bool> answered { false };
    const Server::Handler silence = [&](const Server::Request&) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(kSilence);
        while (!answered && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return std::string();
    };
    const auto silentShort = serve(silence);
    const auto silentLong = serve(silence);
    struct Sent {
        std::optional<TallyHTTPResponse> response;
        std::chrono::steady_clock::duration waited {};
    };
    Sent shortOne, longOne;
    const auto started = std::chrono::steady_clock::now();
    const auto send = [&](Sent& sent, const Server& server, int timeout) {
        sent.response = TallyHTTPEater::sendMethod("POST", server.url("/aas.do"), { 1, 2 }, {}, timeout, false);
        sent.waited = std::chrono::steady_clock::now() - started;
    };
    std::thread longSender(send, std::ref(longOne), std::cref(*silentLong), kLong);
    send(shortOne, *silentShort, kShort);
    longSender.join();
    answered = true;
    for (const Sent* sent : { &shortOne, &longOne }) {
        ASSERT_TRUE(sent->response.has_value());
        EXPECT_EQ(sent->response->statusCode(), 0);
        EXPECT_FALSE(sent->response->error().empty());
    }
    EXPECT_GE(shortOne.waited, std::chrono::milliseconds(kShort * 1000 - 100));
    EXPECT_GE(longOne.waited, std::chrono::milliseconds(kLong * 1000 - 100));
    const auto gap = longOne.waited - shortOne.waited;
    EXPECT_GT(gap, std::chrono::seconds(2)) << "the bounds are " << kShort << " s and " << kLong << " s";
    EXPECT_LT(gap, std::chrono::seconds(7)) << "the bounds are " << kShort << " s and " << kLong << " s";
}

TEST_P(TallyHTTPTest, RedirectsToWebAddressesOnly)
{
    const auto server = serve([](const Server::Request& request) {
        if (request.path == "/moved") return Server::response(302, "", { { "Location", "/final" } });
        if (request.path == "/to-file")
            return Server::response(302, "", { { "Location", "file:///etc/passwd" } });
        return Server::response(200, "final");
    });
    const TallyHTTPResponse followed = TallyHTTPEater::get(server->url("/moved"));
    EXPECT_EQ(followed.statusCode(), 200);
    EXPECT_EQ(followed.finalUrl(), server->url("/final"));
    const TallyHTTPResponse refused = TallyHTTPEater::get(server->url("/to-file"));
    EXPECT_FALSE(refused.error().empty());
    EXPECT_EQ(std::string(refused.body().begin(), refused.body().end()).find("root:"), std::string::npos);
    EXPECT_EQ(server->requestLines(),
              (std::vector<std::string> { "GET /moved", "GET /final", "GET /to-file" }));
}

TEST_P(TallyHTTPTest, LatestOfTwoResponsesIsKept)
{
    const auto server = serve([](const Server::Request&) {
        return std::string("HTTP/1.1 100 Continue\r\nX-First: 1\r\n\r\n") +
            Server::response(201, "second", { { "X-Second", "2" } });
    });
    const TallyHTTPResponse response = TallyHTTPEater::get(server->url("/"));
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

// Peers are verified: a certificate for another name, one from an authority
// the client does not trust, and no test authority at all are each refused
// before any request is sent.
class TallyHTTPSTest : public test::TallySessionFixture { };

TEST_F(TallyHTTPSTest, PeerAndHostNameAreVerified)
{
    test::TestCertificateAuthority trusted;
    test::TestCertificateAuthority stranger("Someone Else");
    const auto issuedTo = [](test::TestCertificateAuthority& by, std::vector<std::string> names) {
        const test::TestCertificateAuthority::Issued issued = by.issue(std::move(names));
        return Server::Tls { issued.certificateFile, issued.keyFile };
    };
    const struct {
        const char* name;
        Server::Tls certificate;
        std::string trust;
        bool accepted;
    } cases[] = {
        { "right name, trusted", issuedTo(trusted, { "IP:127.0.0.1" }), trusted.certificateFile(), true },
        { "another host's name", issuedTo(trusted, { "DNS:elsewhere.test" }), trusted.certificateFile(),
          false },
        { "untrusted authority", issuedTo(stranger, { "IP:127.0.0.1" }), trusted.certificateFile(), false },
        { "the system's store only", issuedTo(trusted, { "IP:127.0.0.1" }), "", false },
    };
    for (const auto& c : cases) {
        HTTPTransport::setTrustedCertificatesFile(c.trust);
        Server server([](const Server::Request&) { return Server::response(200, "ok"); }, c.certificate);
        const TallyHTTPResponse response = TallyHTTPEater::post(server.url("/aas.do"), { 1 }, {});
        EXPECT_EQ(response.isSuccess(), c.accepted) << c.name << ": " << response.error();
        EXPECT_EQ(response.error().empty(), c.accepted) << c.name;
        EXPECT_EQ(server.requests().size(), c.accepted ? 1u : 0u) << c.name;
    }
    HTTPTransport::setTrustedCertificatesFile("");
}

// The time-outs as the transport receives them.
class TallyHTTPEaterTest : public test::TallySessionFixture { };

TEST_F(TallyHTTPEaterTest, TimeOutsReachTheTransport)
{
    struct Recording : HTTPTransport {
        std::unique_ptr<HTTPConnection> start(const HTTPRequest&, HTTPConnectionDelegate*) override
        {
            return nullptr;
        }
        HTTPResponse send(const HTTPRequest& request) override
        {
            timeouts.push_back(request.timeoutSeconds);
            return HTTPResponse {};
        }
        std::vector<double> timeouts;
    };
    const auto recording = std::make_shared<Recording>();
    const std::shared_ptr<HTTPTransport> previous = HTTPTransport::replaceSharedInstance(recording);
    (void)TallyHTTPEater::get("https://127.0.0.1:9/");
    (void)TallyHTTPEater::post("https://127.0.0.1:9/aas.do", { 1 });
    (void)TallyHTTPEater::sendMethod("POST", "https://127.0.0.1:9/aas.do", { 1 }, {}, 5, false);
    (void)HTTPTransport::replaceSharedInstance(previous);
    EXPECT_EQ(recording->timeouts, (std::vector<double> { 20, 20, 5 }));
}

TEST_F(TallyHTTPEaterTest, SavedAnswerRoundTrip)
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
