#include "analytics/TallySession.h"

#include <gtest/gtest.h>

#include <ctime>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "foundation/KeyedArchive.h"
#include "foundation/Log.h"
#include "foundation/Paths.h"
#include "foundation/PropertyList.h"
#include "tests/analytics/ReportDecoder.h"
#include "tests/analytics/TallySessionTestSupport.h"

namespace mw {
namespace {

Value parametersOfSize(int count)
{
    Value parameters = Value::dictionary();
    for (int i = 0; i < count; ++i) parameters.set("key" + std::to_string(i), "value");
    return parameters;
}

test::DecodedSession decodeRecord(const TallySession& session)
{
    const std::optional<TallySession::Bytes> record = session.data();
    EXPECT_TRUE(record.has_value());
    if (!record) return {};
    test::ByteReader reader(*record);
    test::DecodedSession decoded = test::readSession(reader);
    EXPECT_TRUE(reader.atEnd()) << reader.remaining() << " bytes after the record";
    return decoded;
}

class TallySessionTest : public test::TallySessionFixture { };

TEST_F(TallySessionTest, EventLimits)
{
    struct Case {
        const char* name;
        std::function<void(TallySession&)> record;
        size_t countedNames;
        size_t logged;
        bool complete;
        const char* watched; // a name whose count is checked
        int watchedCount;
    };
    const std::vector<Case> cases = {
        { "10 parameters", [](TallySession& s) { s.recordEvent("ten", parametersOfSize(10)); }, 1, 1, true,
          "ten", 1 },
        { "11 parameters", [](TallySession& s) { s.recordEvent("eleven", parametersOfSize(11)); }, 0, 0,
          false, "eleven", 0 },
        { "empty name", [](TallySession& s) { s.recordEvent(""); }, 0, 0, false, "", 0 },
        { "101st distinct name",
          [](TallySession& s) {
              for (int i = 0; i < 100; ++i) s.recordEvent("name" + std::to_string(i));
              s.recordEvent("one too many");
              s.recordEvent("name7");
          },
          100, 101, false, "name7", 2 },
        { "logging off counts only",
          [](TallySession& s) {
              s.setEventLoggingEnabled(false);
              s.recordEvent("quiet");
              s.recordEvent("quiet");
          },
          1, 0, false, "quiet", 2 },
        { "1001st event",
          [](TallySession& s) {
              for (int i = 0; i < 1001; ++i) s.recordEvent("busy");
          },
          1, 1000, false, "busy", 1001 },
        { "1000 events fit",
          [](TallySession& s) {
              for (int i = 0; i < 1000; ++i) s.recordEvent("busy");
          },
          1, 1000, true, "busy", 1000 },
    };
    for (const Case& c : cases) {
        const Ref<TallySession> session = TallySession::sessionWithAPIKey("key", "1.0");
        c.record(*session);
        EXPECT_EQ(session->eventCounts().size(), c.countedNames) << c.name;
        EXPECT_EQ(session->eventLog().size(), c.logged) << c.name;
        EXPECT_EQ(session->eventLogComplete(), c.complete) << c.name;
        const Value* count = session->eventCounts().find(c.watched);
        EXPECT_EQ(count ? count->asInt() : 0, c.watchedCount) << c.name;
        // What was counted and logged is what the record says.
        const test::DecodedSession decoded = decodeRecord(*session);
        EXPECT_EQ(decoded.events.size(), c.logged) << c.name;
        EXPECT_EQ(decoded.eventLogComplete, c.complete) << c.name;
    }
}

TEST_F(TallySessionTest, EleventhErrorIsCountedNotKept)
{
    const Ref<TallySession> session = TallySession::sessionWithAPIKey("key", "1.0");
    const std::runtime_error failure("no disk");
    for (int i = 0; i < 11; ++i) {
        session->recordError("E" + std::to_string(i), "message", i == 0 ? &failure : nullptr);
    }
    EXPECT_EQ(session->totalErrorCount(), 11);
    ASSERT_EQ(session->errors().size(), 10u);
    EXPECT_EQ(session->errors()[0].exceptionText, "std::runtime_error: no disk");
    EXPECT_EQ(session->errors()[1].exceptionText, "nil");
    const test::DecodedSession decoded = decodeRecord(*session);
    EXPECT_EQ(decoded.totalErrors, 11);
    ASSERT_EQ(decoded.errors.size(), 10u);
    EXPECT_EQ(decoded.errors[9].number, 10);
    EXPECT_EQ(decoded.errors[9].errorId, "E9");
    EXPECT_EQ(decoded.errors[0].date, int64_t(test::kTestNow * 1000));
}

TEST_F(TallySessionTest, Gender)
{
    const std::pair<std::optional<std::string>, int8_t> cases[] = {
        { "m", 1 }, { "f", 0 }, { "M", -1 }, { std::nullopt, -1 }, { "x", -1 }
    };
    for (const auto& [text, expected] : cases) {
        const Ref<TallySession> session = TallySession::sessionWithAPIKey("key", "1.0");
        session->setGender(text);
        EXPECT_EQ(decodeRecord(*session).gender, expected) << text.value_or("nil");
    }
}

TEST_F(TallySessionTest, AgeIsNewYearOfTheBirthYearInLocalTime)
{
    const std::pair<const char*, double> zones[] = { { "Europe/Warsaw", 820454400.0 - 3600 },
                                                     { "America/New_York", 820454400.0 + 5 * 3600 } };
    for (const auto& [zone, expected] : zones) {
        test::ScopedEnv tz("TZ", zone);
        tzset();
        const Ref<TallySession> session = TallySession::sessionWithAPIKey("key", "1.0");
        session->setAge(0);
        session->setAge(151);
        EXPECT_FALSE(session->age().has_value()) << zone;
        EXPECT_EQ(decodeRecord(*session).agePresent, false) << zone;
        session->setAge(30);
        EXPECT_EQ(session->age(), expected) << zone;
        session->setAge(151);
        EXPECT_EQ(session->age(), expected) << zone;
        const test::DecodedSession decoded = decodeRecord(*session);
        EXPECT_TRUE(decoded.agePresent);
        EXPECT_EQ(decoded.age, int64_t(expected * 1000)) << zone;
    }
    tzset();
}

TEST_F(TallySessionTest, LocationIsCutToThreeDecimals)
{
    const struct {
        double value;
        double expected;
    } cases[] = { { 12.34567, 12.345 },
                  { -0.0009, 0.0 },
                  { -12.34567, -12.345 },
                  // Beyond the 32-bit range of thousandths: clamped, not undefined.
                  { 1e7, 2147483.647 },
                  { std::numeric_limits<double>::quiet_NaN(), 0.0 },
                  { -std::numeric_limits<double>::infinity(), -2147483.648 } };
    for (const auto& c : cases)
        EXPECT_EQ(TallySession::reduceLocationPrecision(c.value), c.expected) << c.value;

    const Ref<TallySession> session = TallySession::sessionWithAPIKey("key", "1.0");
    session->setLocation(12.34567, -0.0009, 10.0004f, -20.0f);
    test::DecodedSession decoded = decodeRecord(*session);
    EXPECT_EQ(decoded.latitude, 12.345);
    EXPECT_EQ(decoded.longitude, 0.0);
    EXPECT_EQ(decoded.accuracy, 15.0f);
    session->setLocation(0, 0, 1e7f, 1e7f);
    EXPECT_EQ(decodeRecord(*session).accuracy, float(2147483.647));
}

TEST_F(TallySessionTest, PageViewsAtMostOnePer300Milliseconds)
{
    const Ref<TallySession> first = TallySession::sessionWithAPIKey("key", "1.0");
    first->maybeIncrementPageView();
    clock_->advance(0.3);
    first->maybeIncrementPageView();
    EXPECT_EQ(first->pageViewCount(), 1);
    clock_->advance(0.001);
    first->maybeIncrementPageView();
    EXPECT_EQ(first->pageViewCount(), 2);
    // The last counted time is the process's, not the session's.
    const Ref<TallySession> second = TallySession::sessionWithAPIKey("key", "1.0");
    clock_->advance(0.1);
    second->maybeIncrementPageView();
    EXPECT_EQ(second->pageViewCount(), 0);
    clock_->advance(0.25);
    second->maybeIncrementPageView();
    EXPECT_EQ(second->pageViewCount(), 1);
    EXPECT_EQ(decodeRecord(*second).pageViews, 1);
}

TEST_F(TallySessionTest, PauseAndResume)
{
    const Ref<TallySession> session = launch();
    const std::string path = TallySessionStore::currentSessionFilePath();
    ASSERT_TRUE(Paths::fileExists(path));
    // Resume without a pause changes nothing and writes nothing.
    ASSERT_EQ(unlink(path.c_str()), 0);
    session->resumeSession();
    EXPECT_FALSE(Paths::fileExists(path));
    EXPECT_EQ(session->totalPauseIntervalMillis(), 0);

    clock_->advance(5);
    session->pauseSession();
    EXPECT_TRUE(Paths::fileExists(path));
    clock_->advance(2.5);
    session->resumeSession();
    clock_->advance(1);
    session->pauseSession();
    clock_->advance(0.25);
    session->resumeSession();
    EXPECT_EQ(session->totalPauseIntervalMillis(), 2750);
    EXPECT_FALSE(session->pauseTime().has_value());
    EXPECT_EQ(decodeRecord(*session).pauseMillis, 2750);
}

TEST_F(TallySessionTest, ArchiveKeysInOrderWithoutTheSwitches)
{
    const Ref<TallySession> session = TallySession::sessionWithAPIKey("key", "1.0");
    session->recordEvent("Language", Value::dictionary({ { "Language", "pl" } }));
    session->recordError("E", "m", nullptr);
    session->setAge(30);
    session->setUserID("player");
    session->pauseSession();
    session->endSessionAndSend(false, false);

    KeyedArchiver archiver;
    session->encodeWithCoder(archiver);
    const Value fields = archiver.archiveValue()["$top"];
    const std::vector<std::string> keys = { "serializationVersion",
                                            "startTime",
                                            "endTime",
                                            "pauseTime",
                                            "pauseIntervalMillis",
                                            "eventCounts",
                                            "eventLog",
                                            "eventLogComplete",
                                            "errors",
                                            "totalErrorCount",
                                            "adLog",
                                            "promoSpotAdLog",
                                            "latitude",
                                            "longitude",
                                            "accuracy",
                                            "crashed",
                                            "apiKey",
                                            "appVersion",
                                            "userID",
                                            "pageViewCount",
                                            "locale",
                                            "timeZone",
                                            "internetAvailable",
                                            "age",
                                            "gender" };
    std::vector<std::string> written;
    for (const auto& [key, value] : fields.asDict()) written.push_back(key);
    EXPECT_EQ(written, keys);
    EXPECT_TRUE(fields["serializationVersion"].is32Bit());
    EXPECT_TRUE(fields["pauseIntervalMillis"].isInteger() && !fields["pauseIntervalMillis"].is32Bit());
    EXPECT_TRUE(fields["accuracy"].isFloat());
    EXPECT_TRUE(fields["crashed"].isBool());

    const Ref<TallySession> back =
        dynamicRef<TallySession>(unarchiveObjectWithData(archivedDataWithRootObject(session.get())));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->data(), session->data());
    EXPECT_FALSE(back->eventLoggingEnabled());
    EXPECT_FALSE(back->sessionReportsOnCloseEnabled());
    EXPECT_FALSE(back->sessionReportsOnPauseEnabled());

    // A new session has no end, pause, user or age: those keys are left out.
    const Ref<TallySession> fresh = TallySession::sessionWithAPIKey("key", "1.0");
    KeyedArchiver freshArchiver;
    fresh->encodeWithCoder(freshArchiver);
    const Value freshFields = freshArchiver.archiveValue()["$top"];
    for (const char* absent : { "endTime", "pauseTime", "userID", "age" }) {
        EXPECT_FALSE(freshFields.contains(absent)) << absent;
    }
}

// The archive of a session, with one field replaced.
std::vector<uint8_t> archiveWith(const TallySession& session, const std::string& key, const Value& value)
{
    KeyedArchiver archiver;
    archiver.encodeObject("root", &session);
    Value archive = archiver.archiveValue();
    Value top = archive["$top"];
    Value root = top["root"];
    root.set(key, value);
    top.set("root", root);
    archive.set("$top", top);
    const std::string text = writePropertyList(archive);
    return std::vector<uint8_t>(text.begin(), text.end());
}

TEST_F(TallySessionTest, LaterVersionsAndBadEntriesGiveNoSessionOrNoRecord)
{
    const Ref<TallySession> session = TallySession::sessionWithAPIKey("key", "1.0");
    session->recordEvent("Language");
    {
        ScopedLogCapture quiet;
        EXPECT_FALSE(
            unarchiveObjectWithData(archiveWith(*session, "serializationVersion", Value(int32_t(2)))));
    }
    ASSERT_TRUE(unarchiveObjectWithData(archiveWith(*session, "serializationVersion", Value(int32_t(1)))));

    const struct {
        const char* key;
        Value value;
    } bad[] = {
        { "eventLog", Value::array({ Value("not an event") }) },
        { "errors", Value::array({ Value("not a list") }) },
    };
    for (const auto& c : bad) {
        const Ref<TallySession> odd =
            dynamicRef<TallySession>(unarchiveObjectWithData(archiveWith(*session, c.key, c.value)));
        ASSERT_TRUE(odd) << c.key;
        EXPECT_FALSE(odd->data().has_value()) << c.key;
        // A report leaves it out and does not count it.
        const test::DecodedReport report =
            test::readReport(TallySession::dataForSessions({ odd, session }, {}));
        EXPECT_EQ(report.sessions.size(), 1u) << c.key;
    }
}

} // namespace
} // namespace mw
