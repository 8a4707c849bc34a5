#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "analytics/TallyAdBlocks.h"
#include "analytics/TallyAdStateCallbacks.h"
#include "analytics/TallyAnalytics.h"
#include "analytics/TallyReportSender.h"
#include "analytics/TallySessionSender.h"
#include "foundation/RunLoop.h"
#include "platform/BackgroundTasks.h"
#include "tests/analytics/TallySessionTestSupport.h"
#include "tests/support/LoopbackHTTPServer.h"

namespace mw {
namespace {

using Server = test::LoopbackHTTPServer;
using Bytes = std::vector<uint8_t>;

// Records where it was asked to read and answers as scripted: `consume`
// bytes further on, no answer, or a fixed offset from the body's start.
class RecordingParser : public TallyAdParser {
public:
    enum class Answer { Consume, Nothing, Offset };
    RecordingParser(std::string name, Answer answer, long amount)
        : name_(std::move(name))
        , answer_(answer)
        , amount_(amount)
    {
    }

    std::optional<const uint8_t*> parseData(const uint8_t* position, size_t remaining) override
    {
        const std::string at = bodyStart ? std::to_string(position - bodyStart) : "?";
        calls->push_back(name_ + "@" + at + "/" + std::to_string(remaining));
        switch (answer_) {
        case Answer::Consume:
            return position + amount_;
        case Answer::Nothing:
            return std::nullopt;
        case Answer::Offset:
            // Built as an address, never read: the scan must refuse it.
            return reinterpret_cast<const uint8_t*>(reinterpret_cast<uintptr_t>(bodyStart) +
                                                    uintptr_t(amount_));
        }
        return std::nullopt;
    }

    const uint8_t* bodyStart = nullptr;
    std::vector<std::string>* calls = nullptr;

private:
    std::string name_;
    Answer answer_;
    long amount_;
};

class TallyAdTest : public test::TallySessionFixture {
protected:
    TallyAdTest()
    {
        TallyAdBlocks::resetForTesting();
        TallyAdStateCallbacks::resetForTesting();
        (void)launch();
    }
    ~TallyAdTest() override
    {
        TallyAdBlocks::resetForTesting();
        TallyAdStateCallbacks::resetForTesting();
    }
};

struct ParserScript {
    RecordingParser::Answer answer = RecordingParser::Answer::Consume;
    long amount = 0;
};

TEST_F(TallyAdTest, ScanHandsEachBlockToItsParsers)
{
    using A = RecordingParser::Answer;
    const TallySession::AdRequest all { true, true, true, true };
    // PromoSpot block of 4 bytes, then a PromoRing block shared by three parsers.
    const Bytes twoBlocks = { 0x02, 0x01, 0xAA, 0xBB, 0x01, 0x02, 1, 2, 3, 4, 5, 6, 7, 8 };
    const struct {
        const char* name;
        Bytes body;
        TallySession::AdRequest enabled;
        std::optional<ParserScript> promoSpot, promoRing, video, recall; // unset: not registered
        std::vector<std::string> expectedCalls;
        size_t expectedScanned;
    } cases[] = {
        { "every tag and parser",
          twoBlocks,
          all,
          ParserScript { A::Consume, 4 },
          ParserScript { A::Consume, 4 },
          ParserScript { A::Consume, 3 },
          ParserScript { A::Consume, 3 },
          { "spot@0/14", "ring@4/10", "video@8/6", "recall@11/3" },
          14 },
        { "kinds switched off are skipped",
          twoBlocks,
          { true, false, true, false },
          ParserScript { A::Consume, 4 },
          ParserScript { A::Consume, 10 },
          ParserScript { A::Consume, 1 },
          ParserScript { A::Consume, 1 },
          { "spot@0/14", "ring@4/10" },
          14 },
        { "a block nobody reads stops the scan",
          twoBlocks,
          { true, true, false, true },
          std::nullopt,
          ParserScript { A::Consume, 4 },
          std::nullopt,
          std::nullopt,
          {},
          0 },
        { "missing parser",
          twoBlocks,
          all,
          std::nullopt,
          ParserScript { A::Consume, 4 },
          std::nullopt,
          std::nullopt,
          {},
          0 },
        { "missing recall parser",
          twoBlocks,
          all,
          ParserScript { A::Consume, 4 },
          ParserScript { A::Consume, 4 },
          ParserScript { A::Consume, 3 },
          std::nullopt,
          { "spot@0/14", "ring@4/10", "video@8/6" },
          11 },
        { "parser not answering",
          twoBlocks,
          all,
          ParserScript { A::Nothing, 0 },
          ParserScript { A::Consume, 4 },
          std::nullopt,
          std::nullopt,
          { "spot@0/14" },
          0 },
        { "unknown tag",
          { 0x7F, 0x00, 0x02, 0x01 },
          all,
          ParserScript { A::Consume, 2 },
          std::nullopt,
          std::nullopt,
          std::nullopt,
          {},
          0 },
        { "one-byte body",
          { 0x02 },
          all,
          ParserScript { A::Consume, 1 },
          std::nullopt,
          std::nullopt,
          std::nullopt,
          {},
          0 },
        { "one byte left after a block",
          { 0x02, 0x01, 0x00, 0x02 },
          all,
          ParserScript { A::Consume, 3 },
          std::nullopt,
          std::nullopt,
          std::nullopt,
          { "spot@0/4" },
          3 },
        { "parser answering past the end",
          twoBlocks,
          all,
          ParserScript { A::Offset, 15 },
          ParserScript { A::Consume, 4 },
          std::nullopt,
          std::nullopt,
          { "spot@0/14" },
          0 },
        { "parser answering before the start",
          twoBlocks,
          all,
          ParserScript { A::Offset, -1 },
          ParserScript { A::Consume, 4 },
          std::nullopt,
          std::nullopt,
          { "spot@0/14" },
          0 },
        { "parser not moving on",
          twoBlocks,
          all,
          ParserScript { A::Consume, 0 },
          ParserScript { A::Consume, 4 },
          std::nullopt,
          std::nullopt,
          { "spot@0/14" },
          0 },
    };
    for (const auto& c : cases) {
        TallyAdBlocks::resetForTesting();
        std::vector<std::string> calls;
        auto make = [&](const char* name,
                        const std::optional<ParserScript>& script) -> std::shared_ptr<TallyAdParser> {
            if (!script) return nullptr;
            auto parser = std::make_shared<RecordingParser>(name, script->answer, script->amount);
            parser->bodyStart = c.body.data();
            parser->calls = &calls;
            return parser;
        };
        TallyAdBlocks::setPromoSpotAdParser(make("spot", c.promoSpot));
        TallyAdBlocks::setPromoRingAdParser(make("ring", c.promoRing));
        TallyAdBlocks::setVideoAdParser(make("video", c.video));
        TallyAdBlocks::setRecallAdParser(make("recall", c.recall));
        EXPECT_EQ(TallyAdBlocks::scan(c.body, c.enabled), c.expectedScanned) << c.name;
        EXPECT_EQ(calls, c.expectedCalls) << c.name;
    }
}

TEST_F(TallyAdTest, OnlyAnAcceptedAnswerIsScanned)
{
    std::vector<std::string> calls;
    const std::string blocks("\x02\x01\x00\x00", 4);
    // A captive portal answers 200 with a page of its own.
    Server portal([&](const Server::Request&) { return Server::response(200, blocks); });
    const std::string portalPage = "http://localhost:" + std::to_string(portal.port()) + "/login";
    const struct {
        const char* name;
        std::string answer;
        size_t scans;
    } cases[] = {
        { "accepted", Server::response(200, blocks), 1 },
        { "refused", Server::response(500, blocks), 0 },
        { "redirected to a portal", Server::response(302, "", { { "Location", portalPage } }), 0 },
        { "accepted with no body", Server::response(200), 0 },
    };
    for (const auto& c : cases) {
        calls.clear();
        Server service([&](const Server::Request&) { return c.answer; });
        auto parser = std::make_shared<RecordingParser>("spot", RecordingParser::Answer::Consume, 4);
        parser->calls = &calls;
        // Where the sender keeps the answer is not known here: only the remaining length is recorded.
        TallyAdBlocks::setPromoSpotAdParser(parser);
        TallyUpload upload;
        upload.ads.promoSpot = true;
        upload.timeoutSeconds = 5;
        upload.serverURL = service.url("/aas.do");
        TallySessionSender().send(upload);
        RunLoop::main().drain();
        ASSERT_EQ(calls.size(), c.scans) << c.name;
        if (!calls.empty()) {
            EXPECT_EQ(calls[0], "spot@?/4") << c.name;
        }
    }
}

TEST_F(TallyAdTest, CallbackIsDroppedAfterTheFifthFailedAttempt)
{
    Server service([](const Server::Request&) { return Server::response(503); });
    TallyAdStateCallbacks::asyncNotifyAdStateCompleted(service.url("/done?ad=7"));
    TallyAdStateCallbacks::resetForTesting(); // waits for the call, and reads the file again
    using Entry = TallyAdStateCallbacks::Entry;
    EXPECT_EQ(TallySessionStore::savedAdStateCallbacks(),
              (std::vector<Entry> { { service.url("/done?ad=7"), 1 } }))
        << "the first failure is written at once";
    for (int run = 2; run <= 5; ++run) {
        TallyAdStateCallbacks::sendSavedAdStateCallbacks();
        const std::vector<Entry> left = *TallySessionStore::savedAdStateCallbacks();
        if (run < 5) {
            EXPECT_EQ(left, (std::vector<Entry> { { service.url("/done?ad=7"), run } }));
        } else {
            EXPECT_TRUE(left.empty());
        }
    }
    TallyAdStateCallbacks::sendSavedAdStateCallbacks();
    EXPECT_EQ(service.requests().size(), 5u);
    for (const Server::Request& request : service.requests())
        EXPECT_EQ(request.method + " " + request.path, "GET /done?ad=7");
}

TEST_F(TallyAdTest, AtMostFiveCallbacksAreRetriedPerRun)
{
    Server service(
        [](const Server::Request& request) { return Server::response(request.path == "/c2" ? 500 : 200); });
    using Entry = TallyAdStateCallbacks::Entry;
    std::vector<Entry> waiting;
    for (int i = 0; i < 7; ++i) waiting.push_back({ service.url("/c" + std::to_string(i)), 1 });
    ASSERT_TRUE(TallySessionStore::setSavedAdStateCallbacks(waiting));
    TallyAdStateCallbacks::sendSavedAdStateCallbacks();
    EXPECT_EQ(service.requestLines(),
              (std::vector<std::string> { "GET /c0", "GET /c1", "GET /c2", "GET /c3", "GET /c4" }));
    // The two not taken stay first; the failed one comes back with its count raised.
    const std::vector<Entry> expected = { waiting[5], waiting[6], { service.url("/c2"), 2 } };
    EXPECT_EQ(TallyAdStateCallbacks::savedAdStateCallbacks(), expected);
    EXPECT_EQ(TallySessionStore::savedAdStateCallbacks(), expected);

    // The list keeps the newest 100.
    std::vector<Entry> many;
    for (int i = 0; i < 103; ++i) many.push_back({ "http://127.0.0.1:9/" + std::to_string(i), 0 });
    TallyAdStateCallbacks::removeOldAdStateCallbacksIfNecessary(many);
    ASSERT_EQ(many.size(), 100u);
    EXPECT_EQ(many.front().url, "http://127.0.0.1:9/3");
}

// The start upload retries the waiting callbacks only when an ad kind is asked for.
TEST_F(TallyAdTest, StartUploadRetriesWaitingCallbacksWhenAdsAreAskedFor)
{
    struct NoSender : TallyReportSender {
        void send(const TallyUpload&) override { }
    };
    struct NoBackgroundTasks : BackgroundTasks {
        TaskId beginTask(std::function<void()>) override { return 1; }
        void endTask(TaskId) override { }
    };
    Server service([](const Server::Request&) { return Server::response(200); });
    const auto tasks = BackgroundTasks::replaceSharedInstance(std::make_shared<NoBackgroundTasks>());
    for (const bool ads : { false, true }) {
        TallyAnalytics::resetForTesting();
        TallySessionStore::deleteCurrentSession();
        ASSERT_TRUE(TallySessionStore::setSavedAdStateCallbacks({ { service.url("/waiting"), 1 } }));
        TallyAnalytics::setReportSender(std::make_shared<NoSender>());
        TallyAnalytics::setRecallEnabled(ads);
        TallyAnalytics::startSession("QX3TR7WMB2KJ9PLD4HSZ");
        TallyAnalytics::waitForUploadsForTesting();
        EXPECT_EQ(service.requests().size(), ads ? 1u : 0u) << ads;
        EXPECT_EQ(TallySessionStore::savedAdStateCallbacks()->empty(), ads) << ads;
    }
    TallyAnalytics::resetForTesting();
    (void)BackgroundTasks::replaceSharedInstance(tasks);
}

} // namespace
} // namespace mw
