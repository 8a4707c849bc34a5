#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
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
        if (onData) {
            auto act = std::move(onData); // once
            onData = nullptr;
            act();
        }
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
    void didPrepare(HTTPConnection&, std::shared_ptr<void> result) override
    {
        const auto* made = static_cast<const std::string*>(result.get());
        events.push_back("prepared " + (made ? *made : std::string("nothing")));
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
    std::function<void()> onData; // run at the first data
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

    // A 302 to "/elsewhere" with a body of its own.
    static LoopbackHTTPServer::Reply redirect()
    {
        LoopbackHTTPServer::Reply located;
        located.status = 302;
        located.headers["Location"] = "/elsewhere";
        located.body = "moved";
        return located;
    }
    // `body` announced whole, the connection closed after its first 1000 bytes.
    static LoopbackHTTPServer::Reply droppedMidBody(const std::string& body)
    {
        LoopbackHTTPServer::Reply dropped;
        dropped.body = body;
        dropped.dropAfter = 1000;
        return dropped;
    }

    LoopbackHTTPServer server;
};

TEST_F(HTTPTransportTest, ReportsEachKindOfAnswerInOrder)
{
    const std::string body = bytesOfLength(300000);
    LoopbackHTTPServer::Reply unsized;
    unsized.body = body;
    unsized.sendLength = false;
    const Case cases[] = {
        {"with length", {200, body, {}}, {"response 200 300000", "data", "finish"}, true},
        {"without length", unsized, {"response 200 -1", "data", "finish"}, true},
        {"error page", {500, "broken", {}}, {"response 500 6", "data", "finish"}, false},
        {"redirect", redirect(), {"redirect 302 /elsewhere", "finish"}, false},
        {"dropped mid-body", droppedMidBody(body), {"response 200 300000", "data", "fail"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        server.script("/file", c.reply);
        RecordingDelegate delegate = run("/file");
        EXPECT_EQ(delegate.events, c.events);
        if (c.bodyArrives) {
            EXPECT_EQ(delegate.body, body);
        }
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

// Fields go in the order first set; setting one again, in any case, replaces
// its value where it stands.
TEST_F(HTTPTransportTest, HeaderFieldsKeepTheirOrder)
{
    server.script("/order", {200, "ok", {}});
    HTTPRequest request;
    for (const char* name : {"x-zeta", "X-Alpha", "x-mid"}) request.headers.set(name, "1");
    request.headers.set("X-ZETA", "2");
    request.headers.remove("x-mid");
    run("/order", request);
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    std::vector<std::string> ours;
    for (const auto& [name, value] : requests[0].headers)
        if (name.rfind("x-", 0) == 0 || name.rfind("X-", 0) == 0) ours.push_back(name + "=" + value);
    EXPECT_EQ(ours, (std::vector<std::string>{"x-zeta=2", "X-Alpha=1"}));
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

// Data reaches the delegate while libcurl is still reading; whatever the
// delegate does to its own or another connection there must hold.
TEST_F(HTTPTransportTest, DelegateMayCancelOrStartRequestsFromTheData)
{
    const std::string body = bytesOfLength(3000000);
    server.script("/big", {200, body, {}});
    server.script("/small", {200, "small", {}});
    struct Row {
        const char* name;
        enum { Cancel, Destroy, StartAnother } act;
    };
    for (const Row row : {Row{"cancel", Row::Cancel}, Row{"destroy", Row::Destroy},
                          Row{"start another", Row::StartAnother}}) {
        SCOPED_TRACE(row.name);
        RecordingDelegate first;
        RecordingDelegate second;
        std::unique_ptr<HTTPConnection> secondConnection;
        HTTPRequest request;
        request.url = server.url("/big");
        auto connection = HTTPTransport::sharedInstance()->start(request, &first);
        first.connection = connection.get();
        first.onData = [&] {
            if (row.act == Row::Cancel) connection->cancel();
            if (row.act == Row::Destroy) connection.reset();
            if (row.act == Row::StartAnother) {
                HTTPRequest other;
                other.url = server.url("/small");
                secondConnection = HTTPTransport::sharedInstance()->start(other, &second);
                EXPECT_TRUE(second.events.empty()) << "nothing is reported inside start()";
            }
        };
        if (row.act == Row::StartAnother) {
            RunLoop::main().runUntil([&] { return first.ended && second.ended; }, 10);
            EXPECT_EQ(first.events, (std::vector<std::string>{"response 200 3000000", "data", "finish"}));
            EXPECT_EQ(first.body, body);
            EXPECT_EQ(second.events, (std::vector<std::string>{"response 200 5", "data", "finish"}));
            EXPECT_EQ(second.body, "small");
        } else {
            RunLoop::main().runUntil([&] { return !first.events.empty() && !first.onData; }, 10);
            RunLoop::main().runUntil([] { return false; }, 0.2);
            EXPECT_EQ(first.events, (std::vector<std::string>{"response 200 3000000", "data"}));
            EXPECT_LT(first.body.size(), body.size());
        }
    }
}

// An idle main loop sleeps instead of turning while the network thread
// waits for a slow answer: a few wake-ups, and the answer ends the wait at
// once rather than at its bound.
TEST(HTTPTransportWaitTest, TheLoopSleepsUntilTheAnswerArrives)
{
    LoopbackHTTPServer slow([](const LoopbackHTTPServer::Request&) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        return LoopbackHTTPServer::response(200, "late");
    });
    RecordingDelegate delegate;
    HTTPRequest request;
    request.url = slow.url("/late");
    auto connection = HTTPTransport::sharedInstance()->start(request, &delegate);
    const auto start = std::chrono::steady_clock::now();
    int wakeUps = 0;
    // The wait's bound is far beyond what the answer takes even on a loaded
    // machine, so a wait that the answer did not end shows.
    constexpr double kBound = 20;
    while (!delegate.ended && std::chrono::steady_clock::now() - start < std::chrono::seconds(30)) {
        RunLoop::main().drain();
        if (delegate.ended) break;
        RunLoop::main().waitForInput(kBound);
        ++wakeUps;
    }
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(delegate.events, (std::vector<std::string>{"response 200 4", "data", "finish"}));
    EXPECT_LT(wakeUps, 30);
    EXPECT_LT(elapsed, std::chrono::duration<double>(kBound / 2));
}

// A request's prepare sees the whole body of a successful answer, away from
// the main thread, and its result reaches the delegate just before the
// finish; other answers are reported as ever, with nothing prepared.
TEST_F(HTTPTransportTest, PreparesTheWholeBodyOfASuccessAwayFromTheMainThread)
{
    const std::string body = bytesOfLength(300000);
    const Case cases[] = {
        {"success", {200, body, {}}, {"response 200 300000", "data", "prepared 300000 bytes", "finish"}, true},
        {"empty success", {204, "", {}}, {"response 204 0", "prepared 0 bytes", "finish"}, false},
        {"error page", {404, "missing", {}}, {"response 404 7", "data", "finish"}, false},
        {"redirect", redirect(), {"redirect 302 /elsewhere", "finish"}, false},
        {"dropped mid-body", droppedMidBody(body), {"response 200 300000", "data", "fail"}, false},
    };
    const std::thread::id mainThread = std::this_thread::get_id();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        server.script("/file", c.reply);
        std::vector<std::thread::id> preparedOn;
        std::mutex lock;
        HTTPRequest request;
        request.prepare = [&](const std::vector<uint8_t>& bytes) -> std::shared_ptr<void> {
            std::lock_guard guard(lock);
            preparedOn.push_back(std::this_thread::get_id());
            if (std::string(bytes.begin(), bytes.end()) != c.reply.body) return nullptr;
            return std::make_shared<std::string>(std::to_string(bytes.size()) + " bytes");
        };
        RecordingDelegate delegate = run("/file", request);
        EXPECT_EQ(delegate.events, c.events);
        if (c.bodyArrives) {
            EXPECT_EQ(delegate.body, body);
        }
        std::lock_guard guard(lock);
        const bool prepared = c.events.size() > 1 && c.events[c.events.size() - 2].rfind("prepared", 0) == 0;
        ASSERT_EQ(preparedOn.size(), prepared ? 1u : 0u);
        for (const std::thread::id& thread : preparedOn) EXPECT_NE(thread, mainThread);
    }
}

// A main thread that stops taking a fast download's data holds it up at a
// bounded amount instead of gathering the whole body; once it takes the
// data again the download goes on, every byte in order.
TEST_F(HTTPTransportTest, AMainThreadThatFallsBehindPausesTheDownload)
{
    const std::string body = bytesOfLength(24 * 1024 * 1024);
    server.script("/huge", {200, body, {}});
    RecordingDelegate delegate;
    HTTPRequest request;
    request.url = server.url("/huge");
    using namespace std::chrono_literals;
    using SteadyClock = std::chrono::steady_clock;
    const auto started = SteadyClock::now();
    auto connection = HTTPTransport::sharedInstance()->start(request, &delegate);
    delegate.connection = connection.get();
    // Once the first body bytes are taken, the main thread does something
    // else for a while, taking nothing; the network thread could read the
    // whole body meanwhile. The while grows with what the first bytes took,
    // so that a loaded machine gives the network thread as much of a chance.
    while (delegate.body.empty() && !delegate.ended && SteadyClock::now() - started < 20s) {
        RunLoop::main().waitForInput(1.0);
        RunLoop::main().drain();
    }
    ASSERT_FALSE(delegate.body.empty()) << "no body bytes in 20 s";
    const size_t takenFirst = delegate.body.size();
    const SteadyClock::duration firstBytes = SteadyClock::now() - started;
    std::this_thread::sleep_for(std::clamp<SteadyClock::duration>(20 * firstBytes, 600ms, 10s));
    RunLoop::main().drain();
    const size_t handedOverWhileAway = delegate.body.size() - takenFirst;
    EXPECT_GT(handedOverWhileAway, 0u);
    EXPECT_LE(handedOverWhileAway, size_t{4} * 1024 * 1024 + 256 * 1024);
    RunLoop::main().runUntil([&] { return delegate.ended; }, 20);
    EXPECT_EQ(delegate.events, (std::vector<std::string>{"response 200 25165824", "data", "finish"}));
    EXPECT_TRUE(delegate.body == body) << "the body differs after the pause, " << delegate.body.size() << " bytes";
}

// A transport replaced while its requests run takes its threads with it:
// the requests' delegates hear nothing more, and a connection dropped
// afterwards is cancelled without touching what is gone.
TEST_F(HTTPTransportTest, RequestsOutlivingTheirTransportEndQuietly)
{
    LoopbackHTTPServer slow([](const LoopbackHTTPServer::Request&) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        return LoopbackHTTPServer::response(200, "late");
    });
    const std::shared_ptr<HTTPTransport> previous = HTTPTransport::replaceSharedInstance(nullptr);
    RecordingDelegate delegate;
    HTTPRequest request;
    request.url = slow.url("/late");
    auto connection = HTTPTransport::sharedInstance()->start(request, &delegate);
    ASSERT_NE(connection, nullptr);
    RunLoop::main().runUntil([] { return false; }, 0.05);
    (void)HTTPTransport::replaceSharedInstance(previous);
    RunLoop::main().runUntil([] { return false; }, 0.4);
    EXPECT_TRUE(delegate.events.empty());
    connection.reset();
    // The transport put back still works.
    server.script("/small", {200, "small", {}});
    EXPECT_EQ(run("/small").body, "small");
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
