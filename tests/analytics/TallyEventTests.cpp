#include "analytics/TallyEvent.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "analytics/TallyAutoIncrement.h"
#include "foundation/Clock.h"
#include "foundation/KeyedArchive.h"
#include "tests/analytics/ReportDecoder.h"

namespace mw {
namespace {

constexpr double kSessionStart = 1'800'000'000.0;

class TallyEventTest : public ::testing::Test {
protected:
    void SetUp() override { TallyAutoIncrement::purgeSharedInstance(); }
    void TearDown() override { TallyAutoIncrement::purgeSharedInstance(); }

    std::shared_ptr<ManualClock> clock_ = std::make_shared<ManualClock>(0, kSessionStart);
    ScopedClockSource scopedClock_ { clock_ };
};

test::DecodedEvent decode(const TallyEvent& event)
{
    const TallyProtocolData::Bytes data = event.dataRelativeToSessionStart(kSessionStart);
    test::ByteReader reader(data);
    test::DecodedEvent decoded = test::readEvent(reader);
    EXPECT_TRUE(reader.atEnd()) << reader.remaining() << " bytes after the record of " << event.name();
    return decoded;
}

using Params = std::vector<std::pair<std::string, std::string>>;

struct RecordCase {
    const char* name;
    // Makes the event on the fake clock, which starts at the session's start.
    std::function<Ref<TallyEvent>(ManualClock&)> make;
    uint16_t number;
    std::string eventName;
    Params parameters;
    int64_t startOffset;
    int64_t duration;
};

TEST_F(TallyEventTest, RecordsDecodeFieldByField)
{
    const std::vector<RecordCase> cases = {
        { "no parameters",
          [](ManualClock&) { return TallyEvent::eventWithName("Language"); },
          1,
          "Language",
          {},
          0,
          0 },
        { "string and number values",
          [](ManualClock&) {
              return TallyEvent::eventWithName(
                  "Level Up!", false, Value::dictionary({ { "Level Up!", "Level 3" }, { "coins", 250 } }));
          },
          1,
          "Level Up!",
          { { "Level Up!", "Level 3" }, { "coins", "250" } },
          0,
          0 },
        { "name cut to 255",
          [](ManualClock&) { return TallyEvent::eventWithName(std::string(300, 'n')); },
          1,
          std::string(255, 'n'),
          {},
          0,
          0 },
        { "1.5 s into the session",
          [](ManualClock& clock) {
              clock.advance(1.5004);
              return TallyEvent::eventWithName("late");
          },
          1,
          "late",
          {},
          1500,
          0 },
        { "30 days into the session keeps its 64-bit offset",
          [](ManualClock& clock) {
              clock.advance(30.0 * 86400);
              return TallyEvent::eventWithName("month");
          },
          1,
          "month",
          {},
          2'592'000'000,
          0 },
        { "timed, closed by the session",
          [](ManualClock& clock) {
              clock.advance(2);
              auto event = TallyEvent::eventWithName("timed", true);
              event->closeAtSessionEnd(kSessionStart + 7.25);
              return event;
          },
          1,
          "timed",
          {},
          2000,
          5250 },
        { "timed, closed again at a later end",
          [](ManualClock& clock) {
              auto event = TallyEvent::eventWithName("timed", true);
              event->closeAtSessionEnd(kSessionStart + 3);
              event->closeAtSessionEnd(kSessionStart + 40);
              return event;
          },
          1,
          "timed",
          {},
          0,
          40000 },
        { "timed, ended by the caller, keeps its end",
          [](ManualClock& clock) {
              auto event = TallyEvent::eventWithName("timed", true);
              event->setEnded(kSessionStart + 1);
              event->closeAtSessionEnd(kSessionStart + 40);
              return event;
          },
          1,
          "timed",
          {},
          0,
          1000 },
        { "untimed is never closed",
          [](ManualClock& clock) {
              auto event = TallyEvent::eventWithName("plain");
              event->closeAtSessionEnd(kSessionStart + 40);
              return event;
          },
          1,
          "plain",
          {},
          0,
          0 },
        { "timed and open: no duration",
          [](ManualClock&) { return TallyEvent::eventWithName("open", true); },
          1,
          "open",
          {},
          0,
          0 },
        { "number 65,537 is written as 1",
          [](ManualClock&) {
              TallyAutoIncrement::instance().setCounters({ { TallyAutoIncrement::kEventCounter, 65536 } });
              return TallyEvent::eventWithName("many");
          },
          1,
          "many",
          {},
          0,
          0 },
        { "numbering starts again after a reset",
          [](ManualClock&) {
              (void)TallyEvent::eventWithName("first");
              (void)TallyEvent::eventWithName("second");
              TallyAutoIncrement::instance().resetAll();
              return TallyEvent::eventWithName("renewed");
          },
          1,
          "renewed",
          {},
          0,
          0 },
        { "numbers follow the log",
          [](ManualClock&) {
              (void)TallyEvent::eventWithName("first");
              (void)TallyEvent::eventWithName("second");
              return TallyEvent::eventWithName("third");
          },
          3,
          "third",
          {},
          0,
          0 },
    };
    for (const RecordCase& c : cases) {
        TallyAutoIncrement::purgeSharedInstance();
        clock_->setWall(kSessionStart);
        const Ref<TallyEvent> event = c.make(*clock_);
        const test::DecodedEvent decoded = decode(*event);
        EXPECT_EQ(decoded.number, c.number) << c.name;
        EXPECT_EQ(decoded.name, c.eventName) << c.name;
        EXPECT_EQ(decoded.parameters, c.parameters) << c.name;
        EXPECT_EQ(decoded.startOffset, c.startOffset) << c.name;
        EXPECT_EQ(decoded.duration, c.duration) << c.name;
    }
}

TEST_F(TallyEventTest, ErrorNumbersAreCountedApartFromEvents)
{
    TallyAutoIncrement& counters = TallyAutoIncrement::instance();
    (void)TallyEvent::eventWithName("a");
    (void)TallyEvent::eventWithName("b");
    EXPECT_EQ(counters.nextCountFor(TallyAutoIncrement::kErrorCounter), 1);
    EXPECT_EQ(TallyEvent::eventWithName("c")->eventLogId(), 3);
}

TEST_F(TallyEventTest, ArchiveKeepsKeysAndNumberKinds)
{
    clock_->advance(4.125);
    auto event =
        TallyEvent::eventWithName("Achievement", true, Value::dictionary({ { "Achievement", "Miner" } }));
    event->closeAtSessionEnd(kSessionStart + 9.5);

    KeyedArchiver archiver;
    event->encodeWithCoder(archiver);
    const Value fields = archiver.archiveValue()["$top"];
    const std::vector<std::string> keys = { "name",      "started",    "ended",
                                            "timed",     "parameters", "automaticallyEnded",
                                            "eventLogId" };
    ASSERT_EQ(fields.asDict().size(), keys.size());
    size_t index = 0;
    for (const auto& [key, value] : fields.asDict()) EXPECT_EQ(key, keys[index++]);
    EXPECT_TRUE(fields["timed"].isBool());
    EXPECT_TRUE(fields["automaticallyEnded"].isBool());
    EXPECT_TRUE(fields["eventLogId"].is32Bit());
    EXPECT_TRUE(fields["started"].isReal());

    std::string error;
    const std::vector<uint8_t> bytes = archivedDataWithRootObject(event.get(), &error);
    ASSERT_FALSE(bytes.empty()) << error;
    const Ref<TallyEvent> back = dynamicRef<TallyEvent>(unarchiveObjectWithData(bytes, &error));
    ASSERT_TRUE(back) << error;
    EXPECT_EQ(back->dataRelativeToSessionStart(kSessionStart),
              event->dataRelativeToSessionStart(kSessionStart));
    EXPECT_EQ(back->ended(), event->ended());
    EXPECT_TRUE(back->automaticallyEnded());
    EXPECT_TRUE(back->timed());

    // An open untimed event leaves "ended" out and reads it back as missing.
    auto open = TallyEvent::eventWithName("Language");
    const Ref<TallyEvent> openBack =
        dynamicRef<TallyEvent>(unarchiveObjectWithData(archivedDataWithRootObject(open.get())));
    ASSERT_TRUE(openBack);
    EXPECT_FALSE(openBack->ended().has_value());
    EXPECT_TRUE(openBack->parameters().isNull());
    EXPECT_FALSE(openBack->automaticallyEnded());
}

} // namespace
} // namespace mw
