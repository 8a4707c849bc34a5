#include "analytics/TallyUtil.h"

#include <gtest/gtest.h>

#include <sys/xattr.h>

#include <cerrno>
#include <fstream>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "foundation/Log.h"
#include "platform/DetachableView.h"
#include "platform/ExtendedAttributes.h"
#include "tests/support/ScriptedDeviceServices.h"
#include "tests/support/TempDir.h"

namespace mw {
namespace {

class TallyUtilTest : public ::testing::Test {
protected:
    void SetUp() override { TallyUtil::resetSystemVersionForTesting(); }
    void TearDown() override
    {
        TallyUtil::resetSystemVersionForTesting();
        TallyUtil::setDebugLogEnabled(false);
        TallyUtil::setShowErrorInLogEnabled(false);
    }

    test::ScopedDeviceServices services_;
};

TEST_F(TallyUtilTest, SystemVersionAsAnInteger)
{
    const std::pair<const char*, int> cases[] = {
        { "5.0.1", 50001 }, { "4.3", 40300 }, { "6", 60000 },         { "5.1.1", 50101 },
        { "4.2", 40200 },   { "6.0", 60000 }, { "10.3.4.9", 100304 },
    };
    for (const auto& [text, expected] : cases) {
        TallyUtil::resetSystemVersionForTesting();
        services_.facts->version = text;
        EXPECT_EQ(TallyUtil::getSystemVersionAsAnInteger(), expected) << text;
    }
    // Computed once: a later change of the text is not seen.
    services_.facts->version = "4.2";
    EXPECT_EQ(TallyUtil::getSystemVersionAsAnInteger(), 100304);
}

TEST_F(TallyUtilTest, BackupExclusionOnlyAfterVersion5)
{
    const struct {
        const char* version;
        bool refuses;
        bool answer;
    } cases[] = { { "5.0", false, false }, { "5.0.1", false, true }, { "6.0", true, false } };
    for (const auto& c : cases) {
        TallyUtil::resetSystemVersionForTesting();
        services_.facts->version = c.version;
        services_.attributes->refuses = c.refuses;
        services_.attributes->values.clear();
        EXPECT_EQ(TallyUtil::addSkipBackupAttributeToItemAtPath("/data/file"), c.answer) << c.version;
        const auto stored = services_.attributes->get("/data/file", "com.apple.MobileBackup");
        EXPECT_EQ(stored.has_value(), c.answer) << c.version;
        if (stored) {
            EXPECT_EQ(*stored, std::vector<uint8_t> { 1 }) << c.version;
        }
    }
}

// The desktop writes the attribute as "user.com.apple.MobileBackup"; where
// the file system takes no user attributes the answer is NO and the file stays.
TEST_F(TallyUtilTest, BackupExclusionOnTheRealFileSystem)
{
    test::TempDir folder;
    const std::string path = folder.write("sessions", "kept");
    (void)ExtendedAttributes::replaceSharedInstance(nullptr);
    services_.facts->version = "6.0";
    const bool set = TallyUtil::addSkipBackupAttributeToItemAtPath(path);
    if (set) {
        char value[4] = {};
        ASSERT_EQ(getxattr(path.c_str(), "user.com.apple.MobileBackup", value, sizeof value), 1);
        EXPECT_EQ(value[0], 1);
    } else {
        EXPECT_EQ(errno == ENOTSUP || errno == EPERM || errno == EACCES, true) << errno;
    }
    EXPECT_EQ(test::TempDir::readText(path), "kept");
    EXPECT_FALSE(TallyUtil::addSkipBackupAttributeToItemAtPath(folder.file("missing")));
}

TEST_F(TallyUtilTest, ExceptionsAreLoggedOnlyWithBothSwitches)
{
    const std::runtime_error exception("disk full");
    const std::system_error error(std::make_error_code(std::errc::no_space_on_device), "writing sessions");
    for (const bool debug : { false, true }) {
        for (const bool details : { false, true }) {
            TallyUtil::setDebugLogEnabled(debug);
            TallyUtil::setShowErrorInLogEnabled(details);
            ScopedLogCapture capture;
            TallyUtil::handleException(exception);
            TallyUtil::handleException(error);
            TallyUtil::handleException(std::string("a stray value"));
            const std::vector<std::string> lines = capture.lines();
            if (!(debug && details)) {
                EXPECT_TRUE(lines.empty()) << debug << details;
                continue;
            }
            const std::vector<std::string> expected = {
                "Tally: Caught Exception in Tally Analytics Code",
                "Tally: -----------------------------------------",
                "Tally: Name:std::runtime_error Reason:disk full",
                "Tally: (null)",
                "Tally: Caught Error in Tally Analytics Code",
                "Tally: -----------------------------------------",
                "Tally: Code:" + std::to_string(int(std::errc::no_space_on_device)) + " Domain:generic",
                std::string("Tally: ") + error.what(),
                "Tally: Caught Error in Tally Analytics Code",
                "Tally: a stray value",
            };
            EXPECT_EQ(lines, expected);
        }
    }
}

TEST_F(TallyUtilTest, DebugLinesFollowTheSwitch)
{
    ScopedLogCapture capture;
    TallyUtil::debugLog("TallyAnalytics: hidden");
    TallyUtil::setDebugLogEnabled(true);
    TallyUtil::debugLog("TallyAnalytics: shown");
    EXPECT_EQ(capture.lines(), std::vector<std::string> { "TallyAnalytics: shown" });
}

TEST_F(TallyUtilTest, ScreenBoundsAndOrientation)
{
    using O = DeviceFacts::Orientation;
    const struct {
        bool pad;
        O orientation;
        CGSize bounds;
        const char* name;
    } cases[] = {
        { false, O::Portrait, { 320, 480.1f }, "portrait" },
        { false, O::PortraitUpsideDown, { 320, 480.1f }, "portraitUpsideDown" },
        { false, O::LandscapeRight, { 480.1f, 320 }, "landscapeRight" },
        { true, O::LandscapeLeft, { 1024.1f, 768 }, "landscapeLeft" },
        { true, O::Portrait, { 768, 1024.1f }, "portrait" },
    };
    for (const auto& c : cases) {
        services_.facts->pad = c.pad;
        services_.facts->orientation = c.orientation;
        const CGRect bounds = TallyUtil::screenBounds();
        EXPECT_EQ(bounds.origin.x, 0);
        EXPECT_EQ(bounds.origin.y, 0);
        EXPECT_EQ(bounds.size, c.bounds) << c.name;
        EXPECT_EQ(TallyUtil::getCanvasOrientation(), c.name);
        EXPECT_EQ(TallyUtil::isIPad(), c.pad);
    }
    // A text decides instead of the status bar, in any case.
    services_.facts->pad = false;
    services_.facts->orientation = O::Portrait;
    EXPECT_EQ(TallyUtil::screenBounds(std::string("LANDSCAPELEFT")).size, CGSize(480.1f, 320));
    EXPECT_EQ(TallyUtil::screenBounds(std::string("portrait")).size, CGSize(320, 480.1f));
    EXPECT_TRUE(TallyUtil::canvasInPortraitUpsideDown(std::string("PortraitUpsideDown")));
    EXPECT_FALSE(TallyUtil::canvasInLandscape(std::string("landscape")));
    EXPECT_TRUE(TallyUtil::canvasInLandscapeRight(std::string("landscaperight")));
}

TEST_F(TallyUtilTest, SmallHelpers)
{
    struct View : DetachableView {
        int removals = 0;
        void removeFromSuperview() override { ++removals; }
    } view;
    TallyUtil::removeViewFromSuperview(&view);
    TallyUtil::removeViewFromSuperview(nullptr);
    EXPECT_EQ(view.removals, 1);

    EXPECT_EQ(TallyUtil::convertStrToNum("12.5"), 12.5);
    EXPECT_EQ(TallyUtil::convertStrToNum("-3"), -3.0);
    EXPECT_EQ(TallyUtil::convertStrToNum("3 apples"), std::nullopt);
    EXPECT_EQ(TallyUtil::convertStrToNum(""), std::nullopt);

    std::set<std::string> set;
    EXPECT_TRUE(TallyUtil::addToSet(set, "a"));
    EXPECT_FALSE(TallyUtil::addToSet(set, "a"));
}

} // namespace
} // namespace mw
