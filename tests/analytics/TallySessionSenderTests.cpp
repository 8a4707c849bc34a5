#include "analytics/TallySessionSender.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include <unistd.h>

#include "analytics/TallySessionStore.h"
#include "foundation/Paths.h"
#include "foundation/RunLoop.h"
#include "tests/analytics/ReportDecoder.h"
#include "tests/analytics/TallySessionTestSupport.h"
#include "tests/support/LoopbackHTTPServer.h"

namespace mw {
namespace {

using Server = test::LoopbackHTTPServer;
using Bytes = TallySession::Bytes;

class TallySessionSenderTest : public test::TallySessionFixture {
protected:
    TallyUpload startUpload(const std::string& url)
    {
        TallyUpload upload;
        upload.purpose = TallyUpload::Purpose::Start;
        upload.waitsForAnswer = true;
        upload.timeoutSeconds = 2;
        upload.currentSession = TallySession::currentSession();
        upload.serverURL = url;
        return upload;
    }

    static std::vector<Bytes> stored()
    {
        return TallySessionStore::savedSessions().value_or(std::vector<Bytes>());
    }

    // Two sessions stored as earlier runs left them.
    void storeTwo()
    {
        for (int i = 0; i < 2; ++i) {
            const Ref<TallySession> session = TallySession::sessionWithAPIKey("QX3TR7WMB2KJ9PLD4HSZ", "1.0");
            session->recordEvent("Language", Value::dictionary({ { "Language", "pl" } }));
            TallySessionStore::addToSavedSessions(*session->data());
        }
    }
};

TEST_F(TallySessionSenderTest, AnswersDecideWhatStaysStored)
{
    Server elsewhere([](const Server::Request&) { return Server::response(200, "portal"); });
    const std::string portal = "http://localhost:" + std::to_string(elsewhere.port()) + "/login";
    int closedPort = 0;
    {
        Server gone([](const Server::Request&) { return std::string(); });
        closedPort = gone.port();
    }
    enum class Fault { None, Refused, Silent };
    const struct {
        const char* name;
        std::string answer; // empty: the connection closes without one
        bool accepted;
        Fault fault = Fault::None;
    } cases[] = {
        { "accepted", Server::response(200), true },
        { "refused", Server::response(500), false },
        { "dropped mid-body", "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nshort", false },
        { "closed without an answer", "", false },
        { "redirected to another host", Server::response(302, "", { { "Location", portal } }), false },
        { "connection refused", Server::response(200), false, Fault::Refused },
        { "timed out", Server::response(200), false, Fault::Silent },
    };
    for (const auto& c : cases) {
        (void)launch();
        storeTwo();
        const std::vector<Bytes> before = stored();
        std::atomic<bool> done { false };
        Server service([&](const Server::Request&) {
            // Held past the upload's time-out (bounded, so the server always ends).
            for (int waited = 0; c.fault == Fault::Silent && !done && waited < 400; ++waited)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            return c.answer;
        });
        TallyUpload upload = startUpload(c.fault == Fault::Refused
                                             ? "http://127.0.0.1:" + std::to_string(closedPort) + "/aas.do"
                                             : service.url("/aas.do"));
        if (c.fault == Fault::Silent) upload.timeoutSeconds = 1;
        TallySessionSender().send(upload);
        done = true;
        RunLoop::main().drain(); // the internet flag comes back through the run loop
        if (c.fault != Fault::Refused) {
            ASSERT_EQ(service.requests().size(), 1u) << c.name;
            const test::DecodedReport report = test::readReport(service.requests()[0].body);
            EXPECT_EQ(report.sessions.size(), 2u) << c.name;
        }
        EXPECT_EQ(stored().empty(), c.accepted) << c.name;
        if (!c.accepted) {
            EXPECT_EQ(stored(), before) << c.name;
        }
        EXPECT_EQ(TallySessionStore::sentSession(), c.accepted) << c.name;
        const bool portalSeen = c.answer.find("302") != std::string::npos;
        EXPECT_EQ(TallySession::currentSession()->internetAvailable(), c.accepted || portalSeen) << c.name;
        // The next record carries the flag.
        const Bytes record = *TallySession::currentSession()->data();
        test::ByteReader reader(record);
        EXPECT_EQ(test::readSession(reader).internetAvailable, c.accepted || portalSeen) << c.name;
        // The next case starts as a fresh install.
        ASSERT_TRUE(TallySessionStore::setSavedSessions({}));
        (void)unlink(TallySessionStore::sessionSentFilePath().c_str());
        TallySessionStore::deleteCurrentSession();
        TallySession::setCurrentSession(nullptr);
    }
}

TEST_F(TallySessionSenderTest, PauseUploadKeepsTheRecords)
{
    (void)launch();
    storeTwo();
    Server service([](const Server::Request&) { return Server::response(200); });
    TallyUpload pause = startUpload(service.url("/aas.do"));
    pause.purpose = TallyUpload::Purpose::Pause;
    pause.waitsForAnswer = false;
    pause.currentRecord = TallySession::currentSession()->data();
    TallySessionSender().send(pause);
    ASSERT_EQ(service.requests().size(), 1u);
    EXPECT_EQ(test::readReport(service.requests()[0].body).sessions.size(), 3u);
    EXPECT_EQ(stored().size(), 2u);
    TallySessionSender().send(startUpload(service.url("/aas.do")));
    EXPECT_TRUE(stored().empty());
}

TEST_F(TallySessionSenderTest, OneUploadAtATimeAndLaterSessionsSurvive)
{
    (void)launch();
    storeTwo();
    std::atomic<bool> release { false };
    Server service([&](const Server::Request&) {
        while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return Server::response(200);
    });
    std::thread first([&] { TallySessionSender().send(startUpload(service.url("/aas.do"))); });
    while (service.requests().empty()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    // A second upload finds the lock held and returns while the first is
    // still held up (one that waited for the lock would wait for the release).
    std::future<void> second = std::async(std::launch::async, [&] {
        TallySessionSender().send(startUpload(service.url("/aas.do")));
    });
    const bool secondReturned = second.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
    EXPECT_TRUE(secondReturned) << "the second upload waited for the first";
    // A session stored while the accepted upload is on its way stays.
    const Bytes later = { 0x00, 0x01, 0x02 };
    if (secondReturned) TallySessionStore::addToSavedSessions(later);
    release = true;
    first.join();
    second.wait();
    if (!secondReturned) return;
    EXPECT_EQ(service.requests().size(), 1u);
    EXPECT_EQ(stored(), std::vector<Bytes> { later });
}

TEST(TallySessionSenderOrigin, SameSchemeHostAndPort)
{
    EXPECT_TRUE(TallySessionSender::sameOrigin("https://a.example/aas.do", "https://A.example/aas.do?x"));
    EXPECT_FALSE(TallySessionSender::sameOrigin("https://a.example/aas.do", "http://a.example/aas.do"));
    EXPECT_FALSE(TallySessionSender::sameOrigin("http://127.0.0.1:80/aas.do", "http://localhost:80/aas.do"));
    EXPECT_FALSE(TallySessionSender::sameOrigin("http://h:1/aas.do", "http://h:2/aas.do"));
}

} // namespace
} // namespace mw
