#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analytics/TallySession.h"
#include "analytics/TallySessionStore.h"
#include "platform/DeviceProfile.h"
#include "platform/Sha1.h"
#include "tests/analytics/ReportDecoder.h"
#include "tests/analytics/TallySessionTestSupport.h"

namespace mw {
namespace {

using Bytes = TallySession::Bytes;

class TallyReportTest : public test::TallySessionFixture { };

TEST(TallyReportChecksum, IsTheStandardCrc32)
{
    const std::string check = "123456789";
    EXPECT_EQ(test::referenceCrc32(reinterpret_cast<const uint8_t*>(check.data()), check.size()),
              0xCBF43926u);
    Bytes data(check.begin(), check.end());
    EXPECT_EQ(TallySession::appendSessionsDataChecksum(data), 0xCBF43926u);
    EXPECT_EQ(Bytes(data.end() - 4, data.end()), (Bytes { 0xCB, 0xF4, 0x39, 0x26 }));
    EXPECT_EQ(data.size(), check.size() + 4);

    Bytes empty;
    EXPECT_EQ(TallySession::appendSessionsDataChecksum(empty), 0u);
    EXPECT_EQ(empty, (Bytes { 0, 0, 0, 0 }));
}

TEST_F(TallyReportTest, HeaderIdentifiersAndProperties)
{
    const Ref<TallySession> session = launch();
    clock_->advance(2);
    const Bytes bytes = TallySession::dataForSessions({}, {});
    const test::DecodedReport report = test::readReport(bytes);
    EXPECT_EQ(report.protocolVersion, 22);
    EXPECT_EQ(report.adRequest, std::vector<uint16_t> { 0 });
    EXPECT_EQ(report.imageCacheTime, 0);
    EXPECT_TRUE(report.imageIds.empty());
    EXPECT_EQ(report.deviceKind, 2);
    EXPECT_EQ(report.agentVersion, 78);
    EXPECT_EQ(report.reportTime, int64_t((test::kTestNow + 2) * 1000));
    EXPECT_EQ(report.apiKey, "QX3TR7WMB2KJ9PLD4HSZ");
    EXPECT_EQ(report.appVersion, "1.2");
    EXPECT_EQ(report.phoneId, "IPHONE" + services_.facts->identifier);
    const Sha1::Digest macBased = Sha1::digest("IPHONE00:1A:2B:3C:4D:5EiPhone4,1");
    const Sha1::Digest mac = Sha1::digest("00:1A:2B:3C:4D:5E");
    EXPECT_EQ(report.macBasedId, Bytes(macBased.begin(), macBased.end()));
    EXPECT_EQ(report.macId, Bytes(mac.begin(), mac.end()));
    EXPECT_EQ(report.sharedId.size(), 38u);
    EXPECT_EQ(report.sharedIdStatus, 1);
    EXPECT_EQ(report.firstUse, int64_t(test::kTestNow * 1000));
    EXPECT_EQ(report.sessionStart, int64_t(test::kTestNow * 1000));
    const std::vector<std::pair<std::string, std::string>> properties = { { "device.model.1", "iPhone4,1" },
                                                                          { "device.os.version", "6.0" },
                                                                          { "scr.width", "320" },
                                                                          { "scr.height", "480" } };
    EXPECT_EQ(report.properties, properties);
    // An empty list ends with the count 00 00 and the checksum.
    ASSERT_GE(bytes.size(), 6u);
    EXPECT_EQ(Bytes(bytes.end() - 6, bytes.end() - 4), (Bytes { 0, 0 }));

    // The second report finds the stored identifier and the same first use.
    clock_->advance(60);
    const test::DecodedReport again = test::readReport(TallySession::dataForSessions({}, {}));
    EXPECT_EQ(again.sharedId, report.sharedId);
    EXPECT_EQ(again.sharedIdStatus, 2);
    EXPECT_EQ(again.firstUse, report.firstUse);
}

TEST_F(TallyReportTest, AdRequestField)
{
    using Ads = TallySession::AdRequest;
    const struct {
        const char* name;
        Ads ads;
        std::vector<uint16_t> expected;
    } cases[] = {
        { "none", {}, { 0 } },
        { "recall", { false, false, false, true }, { 3, 5, 0 } },
        { "recall over video and ring, with spot", { true, true, true, true }, { 3, 5, 1 } },
        { "video", { false, true, false, false }, { 3, 3, 0 } },
        { "video over ring", { true, true, false, false }, { 3, 3, 0 } },
        { "ring", { true, false, false, false }, { 3, 1, 0 } },
        { "spot alone", { false, false, true, false }, { 3, 0, 1 } },
        { "ring and spot", { true, false, true, false }, { 3, 1, 1 } },
    };
    const Ref<TallySession> session = launch();
    for (const auto& c : cases) {
        EXPECT_EQ(test::readReport(TallySession::dataForSessions({ session }, c.ads)).adRequest, c.expected)
            << c.name;
    }
}

TEST_F(TallyReportTest, DeviceKindAndScreenFollowTheProfile)
{
    const DeviceProfile saved = DeviceProfile::current();
    (void)DeviceFacts::replaceSharedInstance(nullptr); // the desktop's facts read the profile
    const Ref<TallySession> session = launch();
    for (const DeviceProfile& profile : DeviceProfile::all()) {
        DeviceProfile::setCurrent(profile);
        const test::DecodedReport report = test::readReport(TallySession::dataForSessions({}, {}));
        EXPECT_EQ(report.deviceKind, profile.isTablet ? 8 : 2) << profile.name;
        EXPECT_EQ(report.properties[2].second, std::to_string(int(profile.pointSize.width))) << profile.name;
        EXPECT_EQ(report.properties[3].second, std::to_string(int(profile.pointSize.height))) << profile.name;
    }
    DeviceProfile::setCurrent(saved);
}

TEST_F(TallyReportTest, NewSessionRecord)
{
    const Ref<TallySession> session = launch();
    const test::DecodedReport report = test::readReport(TallySession::dataForSessions({ session }, {}));
    ASSERT_EQ(report.sessions.size(), 1u);
    const test::DecodedSession& record = report.sessions[0];
    EXPECT_EQ(record.version, 1);
    EXPECT_EQ(record.appVersion, "1.2");
    EXPECT_EQ(record.startTime, int64_t(test::kTestNow * 1000));
    EXPECT_EQ(record.length, -1);
    EXPECT_EQ(record.pauseMillis, 0);
    EXPECT_EQ(record.locale, "pl_PL");
    EXPECT_EQ(record.timeZone, "Europe/Warsaw");
    EXPECT_TRUE(record.internetAvailable);
    EXPECT_EQ(record.userID, "");
    EXPECT_TRUE(record.locationPresent);
    EXPECT_EQ(record.latitude, 0.0);
    EXPECT_EQ(record.longitude, 0.0);
    EXPECT_EQ(record.accuracy, 0.0f);
    EXPECT_EQ(record.gender, -1);
    EXPECT_FALSE(record.agePresent);
    EXPECT_TRUE(record.eventCounts.empty());
    EXPECT_TRUE(record.events.empty());
    EXPECT_TRUE(record.eventLogComplete);
    EXPECT_EQ(record.totalErrors, 0);
}

// A session found in the current-session file at the next launch is stored
// with the record it had: the crash mark is not part of it.
TEST_F(TallyReportTest, CrashedSessionIsStoredWithAnOrdinaryRecord)
{
    const Ref<TallySession> first = launch();
    first->recordEvent("Language", Value::dictionary({ { "Language", "pl" } }));
    first->recordEvent("Level Up!", Value::dictionary({ { "Level Up!", "Level 2" } }));
    clock_->advance(4);
    first->setEndTime(Clock::wallSeconds());
    first->pauseSession();
    const Bytes expected = *first->data();
    // The process dies: nothing saves the session away.
    TallySession::setCurrentSession(nullptr);

    clock_->advance(30);
    const Ref<TallySession> second = launch();
    const std::optional<std::vector<Bytes>> stored = TallySessionStore::savedSessions();
    ASSERT_TRUE(stored.has_value());
    ASSERT_EQ(stored->size(), 1u);
    EXPECT_EQ((*stored)[0], expected);

    const test::DecodedReport report =
        test::readReport(TallySession::dataForSessions({ (*stored)[0], second }, {}));
    ASSERT_EQ(report.sessions.size(), 2u);
    const test::DecodedSession& crashed = report.sessions[0];
    EXPECT_EQ(crashed.length, 4000);
    ASSERT_EQ(crashed.events.size(), 2u);
    EXPECT_EQ(crashed.events[1].name, "Level Up!");
    EXPECT_EQ(crashed.events[1].parameters,
              (std::vector<std::pair<std::string, std::string>> { { "Level Up!", "Level 2" } }));
    EXPECT_EQ(report.sessions[1].startTime, int64_t((test::kTestNow + 34) * 1000));
}

} // namespace
} // namespace mw
