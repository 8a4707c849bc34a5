// The transfer of records against the loopback service: request shapes,
// answers and their status, the bounds, certificates, redirects, cookies and
// the life of a transfer.

#include <sys/socket.h>
#include <netinet/in.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>

#include "platform/HTTPCookie.h"
#include "social/services/CCLoginHandler.h"
#include "social/queues/CCNeighbours.h"
#include "tests/social/records/TransferTestSupport.h"
#include "tests/support/RecordingOutsideServices.h"

namespace mw::test {
namespace {

using Reply = LoopbackSocialService::Reply;
using Encoding = LoopbackSocialService::Encoding;
using Length = LoopbackSocialService::Length;

Reply redirectTo(int status, const std::string& location,
                 std::vector<std::pair<std::string, std::string>> more = {})
{
    Reply reply;
    reply.status = status;
    reply.fields = std::move(more);
    reply.fields.emplace_back("Location", location);
    return reply;
}

class ServerDataTransferTest : public TransferFixture {
protected:
    int connectionsBefore_ = 0;
    LoopbackSocialService::Request lastRequest()
    {
        auto requests = service_.requests();
        EXPECT_FALSE(requests.empty());
        return requests.empty() ? LoopbackSocialService::Request() : requests.back();
    }
};

TEST_F(ServerDataTransferTest, RequestShapes)
{
    auto page = makeRef<CCUIDescription>(serviceUrl("/lite/page"), 0, 0);
    RecordingTransferDelegate getDelegate;
    transfer(*page, false, getDelegate);
    auto request = lastRequest();
    EXPECT_EQ(request.method, "GET");
    EXPECT_EQ(request.header("Content-Type"), "application/json");
    EXPECT_EQ(request.header("User-Agent"), "Mosswick/1.0 gzip");
    EXPECT_EQ(request.header("Accept-Encoding"), "gzip, deflate");
    EXPECT_FALSE(request.hasHeader("x-lumora-uiview"));
    EXPECT_FALSE(page->doNotCache());

    // A tab page says so; a POST of a page is never cached and sends the
    // envelope without "internal".
    auto tab = makeRef<CCUIDescription>(serviceUrl("/lite/tab"), 0, 0, 2);
    RecordingTransferDelegate postDelegate;
    transfer(*tab, true, postDelegate);
    request = lastRequest();
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.header("x-lumora-uiview"), "lumora-tab");
    EXPECT_TRUE(tab->doNotCache());
    EXPECT_EQ(request.body, *tab->JSONRepresentation());
    EXPECT_EQ(request.body.find("internal"), std::string::npos);

    // The login form goes as a form, with the post bytes as the body.
    auto login = makeRef<CCNullPost>(serviceUrl("/lite/j_spring_security_check"));
    login->setPostData(Value::Bytes{'a', '=', '1'});
    RecordingTransferDelegate loginDelegate;
    transfer(*login, true, loginDelegate);
    request = lastRequest();
    EXPECT_EQ(request.header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(request.body, "a=1");

    // A large body goes without "Expect: 100-continue".
    auto big = makeRef<CCNullPost>(serviceUrl("/lite/big"));
    big->setPostData(Value::Bytes(2 * 1024 * 1024, 'b'));
    RecordingTransferDelegate bigDelegate;
    transfer(*big, true, bigDelegate);
    request = lastRequest();
    EXPECT_FALSE(request.hasHeader("Expect"));
    EXPECT_EQ(request.body.size(), 2u * 1024 * 1024);
}

TEST_F(ServerDataTransferTest, ContentTypeOfAnEmptyURLIsTheForm)
{
    CCNullPost record("");
    HTTPRequest request;
    record.addContentTypeToHeaders(request);
    EXPECT_EQ(*request.headers.find("Content-Type"), "application/x-www-form-urlencoded");
}

TEST_F(ServerDataTransferTest, AnswersGiveTheirStatus)
{
    const struct {
        int http;
        std::vector<std::pair<std::string, std::string>> fields;
        int status;
    } rows[] = {
        {200, {}, 0}, {201, {}, 0}, {202, {}, 0}, {203, {}, 3}, {204, {}, 3}, {301, {}, 3}, {401, {}, 3},
        {404, {}, 3}, {500, {}, 3}, {503, {}, 3}, {400, {}, 3}, {410, {}, 5},
    };
    int n = 0;
    for (const auto& row : rows) {
        const std::string path = "/lite/answer" + std::to_string(n++);
        service_.script(path, {row.http, row.fields, "{}"});
        EXPECT_EQ(get(serviceUrl(path)), row.status) << row.http;
    }
    facts_->version = "2.2.1";
    service_.script("/lite/bad", {400, {}, "{}"});
    EXPECT_EQ(get(serviceUrl("/lite/bad")), 7);
}

TEST_F(ServerDataTransferTest, FailuresGiveTheirStatus)
{
    Reply notFoundDropped{404, {}, std::string(1000, 'n')};
    notFoundDropped.dropAfter = 10;
    service_.script("/lite/gone404", notFoundDropped);
    EXPECT_EQ(get(serviceUrl("/lite/gone404")), 4);

    Reply dropped{200, {}, std::string(1000, 'd')};
    dropped.dropAfter = 10;
    service_.script("/lite/dropped", dropped);
    EXPECT_EQ(get(serviceUrl("/lite/dropped")), 2);

    Reply wrongLength{200, {}, "{}"};
    wrongLength.length = Length::Wrong;
    service_.script("/lite/short", wrongLength);
    EXPECT_EQ(get(serviceUrl("/lite/short")), 2);

    // A port where nothing listens.
    const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(probe);
    EXPECT_EQ(get("http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/"), 2);
}

TEST_F(ServerDataTransferTest, EmptyAnswerIsSuccessWithoutData)
{
    service_.script("/lite/empty", {200, {}, ""});
    auto record = makeRef<CCUIDescription>(serviceUrl("/lite/empty"), 0, 0);
    RecordingTransferDelegate delegate;
    EXPECT_EQ(transfer(*record, false, delegate), 0);
    EXPECT_FALSE(record->updatedDataAvailable());
}

TEST_F(ServerDataTransferTest, BodiesArriveDecoded)
{
    const std::string page = R"({"meta":{"type":"uidesc"},"data":{"title":"Village"}})";
    for (Encoding encoding : {Encoding::Plain, Encoding::Chunked, Encoding::Gzip}) {
        Reply reply{200, {}, page};
        reply.encoding = encoding;
        service_.script("/lite/body", reply);
        auto record = makeRef<CCUIDescription>(serviceUrl("/lite/body"), 0, 0);
        RecordingTransferDelegate delegate;
        EXPECT_EQ(transfer(*record, false, delegate), 0);
        EXPECT_EQ(std::string(record->receivedData().begin(), record->receivedData().end()), page);
    }
}

TEST_F(ServerDataTransferTest, CertificatesAreVerifiedForEveryHost)
{
    for (const char* host : {LoopbackSocialService::kUntrustedHost, LoopbackSocialService::kWrongNameHost,
                             LoopbackSocialService::kExpiredHost}) {
        EXPECT_EQ(get(LoopbackSocialService::httpsUrl(host, "/x")), 2) << host;
    }
    EXPECT_EQ(service_.requests().size(), 0u);
    // The service's own certificate against the system's store alone.
    HTTPTransport::setTrustedCertificatesFile("");
    EXPECT_EQ(get(serviceUrl("/lite/page")), 2);
    EXPECT_EQ(service_.requests().size(), 0u);
}

// Two silent transfers started together, one under a stall bound of 1 s and
// one under 4 s: each ends at its own bound, about 3 s apart. A bound not
// taken from the transfer's start (both at one bound, or at the default
// minute) shows in that gap, which load on the machine moves little as both
// wait side by side.
// Two silent transfers started together, one under a stall bound of 1 s and
// one under 4 s: each ends at its own bound, about 3 s apart. A bound not
// taken from the transfer's start (both at one bound, or at the default
// minute) shows in that gap, which load on the machine moves little as both
// wait side by side.
TEST_F(ServerDataTransferTest, SilentServerEndsAtTheStallBound)
{
    struct TimedDelegate : RecordingTransferDelegate {
        void serverDataFinishedNetworkOpWithStatus(CCAbstractServerData* record, int status) override
        {
            RecordingTransferDelegate::serverDataFinishedNetworkOpWithStatus(record, status);
            ended = std::chrono::steady_clock::now();
        }
        std::chrono::steady_clock::time_point ended;
    };
    Reply silent;
    silent.neverAnswer = true;
    service_.script("/lite/silent", silent);
    struct Silent {
        double stallSeconds;
        Ref<CCUIDescription> record;
        TimedDelegate delegate;
    } transfers[] = {{1, makeRef<CCUIDescription>(serviceUrl("/lite/silent"), 0, 0), {}},
                     {4, makeRef<CCUIDescription>(serviceUrl("/lite/silent"), 0, 0), {}}};
    const auto start = std::chrono::steady_clock::now();
    for (Silent& transfer : transfers) {
        ServerDataTransferBounds bounds;
        bounds.stallSeconds = transfer.stallSeconds;
        ServerDataTransferBounds::setCurrent(bounds);
        transfer.record->initiateGetWithDelegate(&transfer.delegate);
    }
    RunLoop::main().runUntil(
        [&] {
            return std::all_of(std::begin(transfers), std::end(transfers),
                               [](const Silent& transfer) { return !transfer.delegate.statuses.empty(); });
        },
        30);
    const auto after = [&](const Silent& transfer) {
        return std::chrono::duration<double>(transfer.delegate.ended - start).count();
    };
    for (const Silent& transfer : transfers) {
        SCOPED_TRACE(transfer.stallSeconds);
        ASSERT_EQ(transfer.delegate.statuses, std::vector<int>{2});
        EXPECT_GT(after(transfer), transfer.stallSeconds - 0.1);
    }
    const double gap = after(transfers[1]) - after(transfers[0]);
    EXPECT_GT(gap, 1.5) << "stall bounds of 1 s and 4 s";
    EXPECT_LT(gap, 5.0) << "stall bounds of 1 s and 4 s";
}

TEST_F(ServerDataTransferTest, BodiesBeyondTheCapFail)
{
    ServerDataTransferBounds bounds;
    bounds.stallSeconds = 5;
    bounds.maxBodyBytes = 64 * 1024;
    ServerDataTransferBounds::setCurrent(bounds);
    Reply announced{200, {}, std::string(100 * 1024, 'a')};
    Reply endless;
    endless.endless = true;
    Reply bomb{200, {}, std::string(4 * 1024 * 1024, '0')};
    bomb.encoding = Encoding::Gzip;
    const struct {
        const char* path;
        Reply reply;
    } rows[] = {{"/lite/announced", announced}, {"/lite/endless", endless}, {"/lite/bomb", bomb}};
    for (const auto& row : rows) {
        service_.script(row.path, row.reply);
        auto record = makeRef<CCUIDescription>(serviceUrl(row.path), 0, 0);
        RecordingTransferDelegate delegate;
        record->initiateGetWithDelegate(&delegate);
        size_t largest = 0;
        RunLoop::main().runUntil([&] {
            largest = std::max(largest, record->receivedData().size());
            return !delegate.statuses.empty();
        }, 10);
        ASSERT_EQ(delegate.statuses, std::vector<int>{2}) << row.path;
        EXPECT_LE(largest, bounds.maxBodyBytes) << row.path;
        EXPECT_TRUE(record->receivedData().empty()) << row.path;
    }
}

TEST_F(ServerDataTransferTest, OnlyHttpAndHttpsAreTransferred)
{
    TempDir folder;
    const std::string secret = folder.file("secret.txt");
    FILE* file = std::fopen(secret.c_str(), "w");
    std::fputs("{\"meta\":{\"type\":\"uidesc\"}}", file);
    std::fclose(file);
    service_.script("/lite/tofile", redirectTo(302, "file://" + secret));
    for (const std::string& url : {"file://" + secret, serviceUrl("/lite/tofile"), std::string("ftp://x/y")}) {
        auto record = makeRef<CCUIDescription>(url, 0, 0);
        RecordingTransferDelegate delegate;
        EXPECT_EQ(transfer(*record, false, delegate), 2) << url;
        EXPECT_TRUE(record->receivedData().empty()) << url;
    }
}

TEST_F(ServerDataTransferTest, PostWithNothingToSendIsNotSent)
{
    auto record = makeRef<CCNullPost>(serviceUrl("/lite/nothing"));
    record->setMainData(Value(std::nan("")));
    record->setPostData(Value::Bytes{});
    RecordingTransferDelegate delegate;
    EXPECT_EQ(transfer(*record, true, delegate), 3);
    EXPECT_TRUE(service_.requests().empty());
}

TEST_F(ServerDataTransferTest, ClearDelegateInEachPhaseReportsNothing)
{
    Reply held{200, {}, "{}"};
    held.held = true;
    service_.script("/lite/held", held);
    Reply endless;
    endless.endless = true;
    service_.script("/lite/stream", endless);
    // The handshake row goes to a host no other row uses: the transport
    // works on its own thread, and a connection the first row opened before
    // its cancel arrived may wait in the pool for the service's own host.
    const std::string handshakeUrl = LoopbackSocialService::httpsUrl(LoopbackSocialService::kOtherHost, "/handshake");
    const struct {
        std::string url;
        std::function<bool(CCAbstractServerData&)> phaseReached;
    } rows[] = {
        {serviceUrl("/lite/page"), [](CCAbstractServerData&) { return true; }}, // still connecting
        {handshakeUrl, [this](CCAbstractServerData&) { return service_.connections() > connectionsBefore_; }},
        {serviceUrl("/lite/held"), [this](CCAbstractServerData&) { return !service_.requests().empty(); }},
        {serviceUrl("/lite/stream"), [](CCAbstractServerData& r) { return !r.receivedData().empty(); }},
    };
    for (const auto& row : rows) {
        service_.clearRequests();
        connectionsBefore_ = service_.connections();
        if (row.url == handshakeUrl) service_.setHandshakeDelay(0.3);
        auto record = makeRef<CCUIDescription>(row.url, 0, 0);
        RecordingTransferDelegate delegate;
        record->initiateGetWithDelegate(&delegate);
        EXPECT_TRUE(RunLoop::main().runUntil([&] { return row.phaseReached(*record); }, 10)) << row.url;
        record->clearDelegate();
        service_.setHandshakeDelay(0);
        EXPECT_FALSE(record->networkOpInProgress());
        RunLoop::main().runUntil([] { return false; }, 0.2);
        EXPECT_TRUE(delegate.statuses.empty()) << row.url;
    }
    service_.release("/lite/held");
}

TEST_F(ServerDataTransferTest, DroppedRecordLivesUntilTheTransportLetsGo)
{
    service_.script("/lite/slow", [] {
        Reply reply{200, {}, "{}"};
        reply.delaySeconds = 0.2;
        return reply;
    }());
    RecordingTransferDelegate delegate;
    {
        auto record = makeRef<CCUIDescription>(serviceUrl("/lite/slow"), 0, 0);
        record->initiateGetWithDelegate(&delegate);
    }
    RunLoop::main().runUntil([&] { return !delegate.statuses.empty(); }, 10);
    EXPECT_EQ(delegate.statuses, std::vector<int>{0});
}

TEST_F(ServerDataTransferTest, RedirectedPageCarriesTheFinalURL)
{
    clearNeighbourCalls();
    // The final URL begins the requested one: only it is dropped.
    service_.script("/lite/news/today", redirectTo(302, "/lite/news"));
    service_.script("/lite/news", {200, {}, "{}"});
    auto page = makeRef<CCUIDescription>(serviceUrl("/lite/news/today"), 0, 0);
    RecordingTransferDelegate delegate;
    EXPECT_EQ(transfer(*page, false, delegate), 0);
    EXPECT_EQ(delegate.finalUrls, std::vector<std::string>{serviceUrl("/lite/news")});
    EXPECT_EQ(page->url(), serviceUrl("/lite/news"));
    std::vector<std::string> fetchCalls;
    for (const std::string& call : neighbourCalls())
        if (call.rfind("fetchManager", 0) == 0) fetchCalls.push_back(call);
    EXPECT_EQ(fetchCalls, std::vector<std::string>{"fetchManager clearUrlFromCache " + serviceUrl("/lite/news")});
    EXPECT_EQ(page->httpDelegate(), nullptr);
}

TEST_F(ServerDataTransferTest, RedirectsKeepOrDropTheMethod)
{
    service_.script("/lite/see", redirectTo(303, "/lite/seen"));
    service_.script("/lite/temp", redirectTo(307, "/lite/kept"));
    service_.script("/lite/seen", {200, {}, "{}"});
    service_.script("/lite/kept", {200, {}, "{}"});
    service_.script("/lite/loop", redirectTo(302, "/lite/loop"));

    auto post = makeRef<CCNullPost>(serviceUrl("/lite/see"));
    post->setPostData(Value::Bytes{'x'});
    RecordingTransferDelegate seeDelegate;
    EXPECT_EQ(transfer(*post, true, seeDelegate), 6); // a null post that was redirected
    auto seen = lastRequest();
    EXPECT_EQ(seen.method, "GET");
    EXPECT_TRUE(seen.body.empty());

    auto kept = makeRef<CCPlayerData>(serviceUrl("/lite/temp"));
    kept->setPostData(Value::Bytes{'y'});
    RecordingTransferDelegate keptDelegate;
    EXPECT_EQ(transfer(*kept, true, keptDelegate), 0);
    auto again = lastRequest();
    EXPECT_EQ(again.target, "/lite/kept");
    EXPECT_EQ(again.method, "POST");
    EXPECT_EQ(again.body, "y");

    service_.clearRequests();
    EXPECT_EQ(get(serviceUrl("/lite/loop")), 2);
    EXPECT_EQ(service_.requests().size(), 10u);
}

TEST_F(ServerDataTransferTest, CookiesOfEachHopGoToTheirDomainOnly)
{
    service_.script("/lite/login", redirectTo(302, "/lite/home", {{"Set-Cookie", "hop=1; Path=/"}}));
    service_.script("/lite/home", {200, {{"Set-Cookie", "answer=2; Path=/"}, {"Set-Cookie", "safe=3; Path=/; Secure"}}, "{}"});
    get(serviceUrl("/lite/login"));
    get(serviceUrl("/lite/page"));
    EXPECT_EQ(lastRequest().header("Cookie"), "hop=1; answer=2; safe=3");
    get(LoopbackSocialService::httpsUrl(LoopbackSocialService::kOtherHost, "/banner.png"));
    EXPECT_FALSE(lastRequest().hasHeader("Cookie"));
    get(LoopbackSocialService::httpUrl(CCPrivateSession::serviceHost(), "/lite/plain"));
    EXPECT_EQ(lastRequest().header("Cookie"), "hop=1; answer=2");
}

TEST_F(ServerDataTransferTest, RememberMeCookieSignsThePlayerIn)
{
    EXPECT_FALSE(CCLoginHandler::sharedInstance()->isUserLoggedIn());
    service_.script("/lite/j_spring_security_check",
                    {200,
                     {{"Set-Cookie", "SPRING_SECURITY_REMEMBER_ME_COOKIE=abc; Path=/; Secure; "
                                     "Expires=Wed, 01 Jan 2031 00:00:00 GMT"}},
                     "{}"});
    auto login = makeRef<CCNullPost>(serviceUrl("/lite/j_spring_security_check"));
    login->setPostData(Value::Bytes{'a'});
    RecordingTransferDelegate delegate;
    EXPECT_EQ(transfer(*login, true, delegate), 0);
    EXPECT_TRUE(CCLoginHandler::sharedInstance()->isUserLoggedIn());
}

TEST_F(ServerDataTransferTest, ConnectionsAreKeptAlive)
{
    std::vector<Ref<CCUIDescription>> records;
    RecordingTransferDelegate delegate;
    size_t started = 0;
    auto startNext = [&] {
        auto record = makeRef<CCUIDescription>(serviceUrl("/lite/page" + std::to_string(started++)), 0, 0);
        record->initiateGetWithDelegate(&delegate);
        records.push_back(record);
    };
    for (int i = 0; i < 6; ++i) startNext();
    ASSERT_TRUE(RunLoop::main().runUntil([&] {
        while (started < 60 && started - delegate.statuses.size() < 6) startNext();
        return delegate.statuses.size() == 60;
    }, 30));
    EXPECT_LE(service_.handshakes(), 6);
}

// A burst that ends one transfer at a time, with nothing started meanwhile
// (the end of a fetch queue), still leaves its connections open for the
// next: libcurl's own bound on idle connections shrinks with the transfers
// running, and closed them.
TEST_F(ServerDataTransferTest, ConnectionsOutliveABurstThatEndsOneAtATime)
{
    RecordingTransferDelegate delegate;
    std::vector<Ref<CCUIDescription>> records;
    // Six answers held at once need six connections.
    auto startHeldBurst = [&](const std::string& prefix) {
        for (int i = 0; i < 6; ++i) {
            Reply held;
            held.held = true;
            held.body = "{}";
            service_.script(prefix + std::to_string(i), held);
            records.push_back(makeRef<CCUIDescription>(serviceUrl(prefix + std::to_string(i)), 0, 0));
            records.back()->initiateGetWithDelegate(&delegate);
        }
    };
    startHeldBurst("/lite/first");
    ASSERT_TRUE(RunLoop::main().runUntil([&] { return service_.requests().size() == 6; }, 10));
    for (size_t i = 0; i < 6; ++i) {
        service_.release("/lite/first" + std::to_string(i));
        ASSERT_TRUE(RunLoop::main().runUntil([&] { return delegate.statuses.size() == i + 1; }, 10));
    }
    startHeldBurst("/lite/second");
    ASSERT_TRUE(RunLoop::main().runUntil([&] { return service_.requests().size() == 12; }, 10));
    for (int i = 0; i < 6; ++i) service_.release("/lite/second" + std::to_string(i));
    ASSERT_TRUE(RunLoop::main().runUntil([&] { return delegate.statuses.size() == 12; }, 10));
    EXPECT_EQ(delegate.statuses, std::vector<int>(12, 0));
    EXPECT_EQ(service_.handshakes(), 6);
}

TEST_F(ServerDataTransferTest, DefaultBoundsGoWithEveryRequest)
{
    ServerDataTransferBounds::setCurrent(ServerDataTransferBounds());
    auto transport = std::make_shared<RecordingHTTPTransport>();
    auto previous = HTTPTransport::replaceSharedInstance(transport);
    auto record = makeRef<CCUIDescription>("https://lumora.mosswick.example/lite/page", 0, 0);
    RecordingTransferDelegate delegate;
    record->initiateGetWithDelegate(&delegate);
    ASSERT_EQ(transport->requests.size(), 1u);
    EXPECT_EQ(transport->requests[0].timeoutSeconds, 60);
    EXPECT_EQ(transport->requests[0].maxBodyBytes, 16u * 1024 * 1024);
    record->clearDelegate();
    HTTPTransport::replaceSharedInstance(previous);
}

} // namespace
} // namespace mw::test
