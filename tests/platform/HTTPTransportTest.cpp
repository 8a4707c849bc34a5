#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "foundation/RunLoop.h"
#include "platform/HTTPTransport.h"
#include "tests/support/LoopbackHTTPServer.h"

namespace mw {
namespace {

using test::LoopbackHTTPServer;

// Writes every event as a line; the body is gathered whole.
class RecordingDelegate : public HTTPConnectionDelegate {
public:
    void didReceiveResponse(HTTPConnection&, const HTTPResponse& response) override
    {
        events.push_back("response " + std::to_string(response.status) + " " +
                         std::to_string(response.expectedLength));
        if (cancelOnResponse) connection->cancel();
    }
    void didReceiveData(HTTPConnection&, const uint8_t* bytes, size_t count) override
    {
        if (events.empty() || events.back() != "data") events.push_back("data");
        body.append(reinterpret_cast<const char*>(bytes), count);
    }
    void didRedirect(HTTPConnection&, int status, const std::string& location) override
    {
        events.push_back("redirect " + std::to_string(status) + " " + location);
    }
    void didFail(HTTPConnection&, const std::string&) override
    {
        events.push_back("fail");
        ended = true;
    }
    void didFinish(HTTPConnection&) override
    {
        events.push_back("finish");
        ended = true;
    }

    std::vector<std::string> events;
    std::string body;
    bool ended = false;
    bool cancelOnResponse = false;
    HTTPConnection* connection = nullptr;
};

std::string bytesOfLength(size_t length)
{
    std::string text(length, '\0');
    for (size_t i = 0; i < length; ++i) text[i] = static_cast<char>('a' + (i * 7 + i / 251) % 26);
    return text;
}

struct Case {
    const char* name;
    LoopbackHTTPServer::Reply reply;
    std::vector<std::string> events;
    bool bodyArrives;
};

class HTTPTransportTest : public ::testing::Test {
protected:
    RecordingDelegate run(const std::string& path, HTTPRequest request = {})
    {
        RecordingDelegate delegate;
        request.url = server.url(path);
        auto connection = HTTPTransport::sharedInstance()->start(request, &delegate);
        EXPECT_NE(connection, nullptr);
        // Nothing is reported inside start().
        EXPECT_TRUE(delegate.events.empty());
        delegate.connection = connection.get();
        RunLoop::main().runUntil([&] { return delegate.ended; }, 10);
        return delegate;
    }

    LoopbackHTTPServer server;
};

TEST_F(HTTPTransportTest, ReportsEachKindOfAnswerInOrder)
{
    const std::string body = bytesOfLength(300000);
    LoopbackHTTPServer::Reply located;
    located.status = 302;
    located.headers["Location"] = "/elsewhere";
    located.body = "moved";
    LoopbackHTTPServer::Reply unsized;
    unsized.body = body;
    unsized.sendLength = false;
    LoopbackHTTPServer::Reply dropped;
    dropped.body = body;
    dropped.dropAfter = 1000;
    const Case cases[] = {
        {"with length", {200, body, {}}, {"response 200 300000", "data", "finish"}, true},
        {"without length", unsized, {"response 200 -1", "data", "finish"}, true},
        {"error page", {500, "broken", {}}, {"response 500 6", "data", "finish"}, false},
        {"redirect", located, {"redirect 302 /elsewhere", "finish"}, false},
        {"dropped mid-body", dropped, {"response 200 300000", "data", "fail"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        server.script("/file", c.reply);
        RecordingDelegate delegate = run("/file");
        EXPECT_EQ(delegate.events, c.events);
        if (c.bodyArrives) EXPECT_EQ(delegate.body, body);
    }
}

TEST_F(HTTPTransportTest, SendsMethodHeadersAndBody)
{
    server.script("/post", {200, "ok", {}});
    HTTPRequest request;
    request.method = "POST";
    request.headers["Content-Type"] = "application/octet-stream";
    request.body = {1, 2, 3, 0, 5};
    RecordingDelegate delegate = run("/post", request);
    ASSERT_EQ(server.requests().size(), 1u);
    const auto requests = server.requests();
    const auto& seen = requests[0];
    EXPECT_EQ(seen.method, "POST");
    EXPECT_EQ(seen.header("content-type"), "application/octet-stream");
    EXPECT_EQ(seen.bodyText(), std::string("\1\2\3\0\5", 5));
    EXPECT_EQ(delegate.body, "ok");
}

TEST_F(HTTPTransportTest, NobodyListeningFails)
{
    HTTPRequest request;
    std::string url = server.url("/");
    // A port of the loopback that nothing listens on: the server's own, once closed.
    {
        LoopbackHTTPServer closed;
        url = closed.url("/gone");
    }
    RecordingDelegate delegate;
    request.url = url;
    auto connection = HTTPTransport::sharedInstance()->start(request, &delegate);
    RunLoop::main().runUntil([&] { return delegate.ended; }, 10);
    EXPECT_EQ(delegate.events, std::vector<std::string>{"fail"});
}

TEST_F(HTTPTransportTest, CancelledConnectionReportsNothingMore)
{
    server.script("/file", {200, bytesOfLength(200000), {}});
    RecordingDelegate delegate;
    delegate.cancelOnResponse = true;
    HTTPRequest request;
    request.url = server.url("/file");
    auto connection = HTTPTransport::sharedInstance()->start(request, &delegate);
    delegate.connection = connection.get();
    RunLoop::main().runUntil([&] { return !delegate.events.empty(); }, 10);
    RunLoop::main().runUntil([] { return false; }, 0.2);
    EXPECT_EQ(delegate.events, std::vector<std::string>{"response 200 200000"});
}

TEST_F(HTTPTransportTest, RefusesAddressesItCannotSend)
{
    RecordingDelegate delegate;
    HTTPRequest request;
    request.url = "file:///etc/passwd";
    EXPECT_EQ(HTTPTransport::sharedInstance()->start(request, &delegate), nullptr);
}

TEST(FreeSpaceTest, ReadsTheFileSystemUnlessOverridden)
{
    EXPECT_TRUE(freeSpaceOfFolder("/tmp").has_value());
    EXPECT_FALSE(freeSpaceOfFolder("/no/such/folder").has_value());
    setFreeSpaceOverride([](const std::string&) { return std::optional<uint64_t>(1234); });
    EXPECT_EQ(freeSpaceOfFolder("/tmp"), 1234u);
    setFreeSpaceOverride(nullptr);
    EXPECT_NE(freeSpaceOfFolder("/tmp"), 1234u);
}

} // namespace
} // namespace mw
