#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "foundation/Log.h"
#include "platform/DeviceFacts.h"
#include "platform/DeviceProfile.h"
#include "platform/NetworkInterfaces.h"
#include "platform/Pasteboard.h"
#include "platform/Sha1.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

namespace mw {
namespace {

TEST(DesktopDeviceFacts, LocaleFromTheEnvironment)
{
    const std::pair<const char*, const char*> values[] = {
        { "pl_PL.UTF-8", "pl_PL" }, { "de_DE@euro", "de_DE" }, { "C", "en_US" },     { "POSIX", "en_US" },
        { "C.UTF-8", "en_US" },     { "", "en_US" },           { "fr_CA", "fr_CA" },
    };
    for (const auto& [value, expected] : values) {
        EXPECT_EQ(DesktopDeviceFacts::localeFromEnvironmentValue(value), expected) << value;
    }
    test::ScopedEnv all("LC_ALL", std::nullopt);
    test::ScopedEnv messages("LC_MESSAGES", "it_IT.UTF-8");
    test::ScopedEnv lang("LANG", "pl_PL.UTF-8");
    DesktopDeviceFacts facts;
    EXPECT_EQ(facts.localeIdentifier(), "it_IT");
}

TEST(DesktopDeviceFacts, TimeZoneFromTheEnvironmentOrTheZoneFile)
{
    const std::pair<const char*, const char*> paths[] = {
        { "/usr/share/zoneinfo/Europe/Warsaw", "Europe/Warsaw" },
        { "../usr/share/zoneinfo/posix/America/New_York", "America/New_York" },
        { "/etc/somewhere", "" },
    };
    for (const auto& [path, expected] : paths) {
        EXPECT_EQ(DesktopDeviceFacts::zoneFromZoneinfoPath(path), expected) << path;
    }
    DesktopDeviceFacts facts;
    {
        test::ScopedEnv tz("TZ", "Asia/Tokyo");
        EXPECT_EQ(facts.timeZoneName(), "Asia/Tokyo");
    }
    {
        test::ScopedEnv tz("TZ", ":/usr/share/zoneinfo/Europe/Lisbon");
        EXPECT_EQ(facts.timeZoneName(), "Europe/Lisbon");
    }
    test::ScopedEnv tz("TZ", std::nullopt);
    EXPECT_FALSE(facts.timeZoneName().empty());
}

TEST(DesktopDeviceFacts, IdentifierIsStableAndHidesTheMachine)
{
    DesktopDeviceFacts facts;
    const std::string identifier = facts.deviceIdentifier();
    ASSERT_EQ(identifier.size(), 40u);
    for (char c : identifier) EXPECT_TRUE((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')) << identifier;
    EXPECT_EQ(facts.deviceIdentifier(), identifier);
    EXPECT_FALSE(facts.systemVersion().empty()) << "the kernel release";
    EXPECT_FALSE(facts.systemText("hw.machine").value_or("").empty());
    EXPECT_GT(facts.systemNumber("hw.physmem").value_or(0), 0);
    EXPECT_FALSE(facts.systemText("kern.nothing").has_value());
}

// What the social client asks of the desktop: a kernel release as the
// system version, the locale's languages, background work but no texts.
TEST(DesktopDeviceFacts, AnswersTheSocialClientsQuestions)
{
    DesktopDeviceFacts facts;
    utsname system {};
    ASSERT_EQ(uname(&system), 0);
    EXPECT_EQ(facts.systemVersion(), system.release);
    EXPECT_EQ(facts.systemText("hw.machine"), std::string(system.machine));
    EXPECT_FALSE(facts.modelName().empty());
    test::ScopedEnv language("LANGUAGE", "pl:de");
    test::ScopedEnv all("LC_ALL", "pl_PL.UTF-8");
    EXPECT_EQ(facts.preferredLanguages(), (std::vector<std::string> {"pl", "de"}));
    EXPECT_TRUE(facts.supportsMultitasking());
    EXPECT_FALSE(facts.canSendText());
}

TEST(DesktopDeviceFacts, IdiomAndScreenFollowTheProfile)
{
    const DeviceProfile saved = DeviceProfile::current();
    DesktopDeviceFacts facts;
    for (const DeviceProfile& profile : DeviceProfile::all()) {
        DeviceProfile::setCurrent(profile);
        EXPECT_EQ(facts.isPadIdiom(), profile.isTablet) << profile.name;
        EXPECT_EQ(facts.screenSize(), profile.pointSize) << profile.name;
    }
    DeviceProfile::setCurrent(saved);
}

// Whatever the machine has, "en0" is a 6-byte Ethernet address when any
// non-loopback interface has one.
TEST(DesktopNetworkInterfaces, ReportsAWifiStandIn)
{
    const auto entries = NetworkInterfaces::sharedInstance()->addresses();
    ASSERT_TRUE(entries.has_value());
    bool anyEthernet = false;
    bool en0 = false;
    for (const InterfaceAddress& entry : *entries) {
        const bool ethernet = entry.family == InterfaceAddress::Family::LinkLayer &&
                              entry.type == InterfaceAddress::Type::Ethernet && entry.address.size() == 6;
        anyEthernet = anyEthernet || ethernet;
        if (entry.name == "en0" && ethernet) en0 = true;
    }
    EXPECT_EQ(en0, anyEthernet);
}

TEST(FilePasteboard, KeepsValuesAcrossInstances)
{
    test::TempDir folder;
    FilePasteboard first(folder.path());
    EXPECT_FALSE(first.dataForType("board", "kind").has_value());
    ASSERT_TRUE(first.setDataForType("board", "kind", { 1, 2, 3 }));
    ASSERT_TRUE(first.setDataForType("board", "other", { 9 }));
    FilePasteboard second(folder.path());
    EXPECT_EQ(second.dataForType("board", "kind"), (std::vector<uint8_t> { 1, 2, 3 }));
    EXPECT_EQ(second.dataForType("board", "other"), (std::vector<uint8_t> { 9 }));
    EXPECT_FALSE(second.dataForType("elsewhere", "kind").has_value());
}

TEST(FilePasteboard, UnparsableFileIsMovedAsideAndReported)
{
    test::TempDir folder;
    FilePasteboard pasteboard(folder.path());
    const std::string path = folder.write("board.pasteboard", "not a property list");
    ScopedLogCapture capture;
    EXPECT_FALSE(pasteboard.dataForType("board", "kind").has_value());
    EXPECT_TRUE(capture.contains("moved aside to"));
    const std::vector<std::string> entries = folder.entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].rfind("board.pasteboard.corrupt-", 0), 0u) << entries[0];
    EXPECT_EQ(test::TempDir::readText(folder.file(entries[0])), "not a property list");
    EXPECT_TRUE(pasteboard.setDataForType("board", "kind", { 4 }));
    EXPECT_EQ(pasteboard.dataForType("board", "kind"), (std::vector<uint8_t> { 4 }));
}

// A file that is there and cannot be read (here a folder in its place, which
// even root cannot read as a file) is left alone, and nothing is written over it.
TEST(FilePasteboard, UnreadableFileIsNotWrittenOver)
{
    test::TempDir folder;
    FilePasteboard pasteboard(folder.path());
    const std::string path = pasteboard.pathFor("board");
    ASSERT_EQ(mkdir(path.c_str(), 0700), 0);
    folder.write("board.pasteboard/inside", "kept");
    ScopedLogCapture capture;
    EXPECT_FALSE(pasteboard.dataForType("board", "kind").has_value());
    EXPECT_FALSE(pasteboard.setDataForType("board", "kind", { 2 }));
    EXPECT_TRUE(capture.contains("cannot read"));
    EXPECT_EQ(folder.entries(), std::vector<std::string> { "board.pasteboard" });
    EXPECT_EQ(test::TempDir::readText(path + "/inside"), "kept");
}

} // namespace
} // namespace mw
