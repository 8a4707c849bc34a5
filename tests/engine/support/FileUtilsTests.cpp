#include <gtest/gtest.h>

#include "engine/base/ccContentScale.h"
#include "engine/support/CCFileUtils.h"
#include "platform/DeviceProfile.h"
#include "tests/support/TempDir.h"

namespace mw {
namespace {

// Every test starts from the defaults (empty suffixes, a phone at scale 1)
// and a bundle folder of its own.
class FileUtilsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        savedBundle_ = CCFileUtils::bundlePath();
        CCFileUtils::setBundlePath(bundle_.path());
    }
    void TearDown() override
    {
        CCFileUtils::setiPadRetinaDisplaySuffix("");
        CCFileUtils::setiPadSuffix("");
        CCFileUtils::setiPhoneRetinaDisplaySuffix("");
        CCFileUtils::setDeviceQuery(nullptr);
        CCFileUtils::setBundlePath(savedBundle_);
    }
    static void useDevice(bool tablet, float scale)
    {
        CCFileUtils::setDeviceQuery([=] { return CCFileUtilsDevice{tablet, scale}; });
    }

    test::TempDir bundle_;
    std::string savedBundle_;
};

TEST_F(FileUtilsTest, EmptySuffixesKeepPathsAndTypeFollowsDevice)
{
    bundle_.write("img/a.png", "x");
    struct Case {
        bool tablet;
        float scale;
        ccResolutionType expected;
    };
    const Case cases[] = {
        {false, 1.0f, kCCResolutioniPhone},
        {false, 2.0f, kCCResolutioniPhoneRetinaDisplay},
        {true, 1.0f, kCCResolutioniPad},
        {true, 2.0f, kCCResolutioniPadRetinaDisplay},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "tablet " << c.tablet << " scale " << c.scale);
        useDevice(c.tablet, c.scale);
        ccResolutionType type = kCCResolutionUnknown;
        EXPECT_EQ(CCFileUtils::fullPathFromRelativePath("img/a.png", &type), bundle_.file("img/a.png"));
        EXPECT_EQ(type, c.expected);
        EXPECT_EQ(CCFileUtils::removeSuffixFromFile("x/a-hd.png"), "x/a-hd.png");
        EXPECT_TRUE(CCFileUtils::fileExistsAtPath("does/not/exist.png", ""));
    }
}

TEST_F(FileUtilsTest, DefaultDeviceIsTheProfileAndTheContentScale)
{
    const DeviceProfile saved = DeviceProfile::current();
    ASSERT_NE(DeviceProfile::named("tablet"), nullptr);
    DeviceProfile::setCurrent(*DeviceProfile::named("tablet"));
    ccSetContentScaleFactor(2.0f);
    ccResolutionType type = kCCResolutionUnknown;
    (void)CCFileUtils::fullPathFromRelativePath("a.png", &type);
    EXPECT_EQ(type, kCCResolutioniPadRetinaDisplay);
    ccSetContentScaleFactor(1.0f);
    DeviceProfile::setCurrent(saved);
    (void)CCFileUtils::fullPathFromRelativePath("a.png", &type);
    EXPECT_EQ(type, saved.isTablet ? kCCResolutioniPad : kCCResolutioniPhone);
}

TEST_F(FileUtilsTest, BundleLookupResolvesRelativeNamesOnly)
{
    bundle_.write("sheet.plist", "x");
    EXPECT_EQ(CCFileUtils::fullPathFromRelativePath("sheet.plist"), bundle_.file("sheet.plist"));
    // Names the bundle does not hold, and absolute paths, come back as given.
    EXPECT_EQ(CCFileUtils::fullPathFromRelativePath("missing/thing.png"), "missing/thing.png");
    EXPECT_EQ(CCFileUtils::fullPathFromRelativePath("/abs/thing.png"), "/abs/thing.png");
    EXPECT_EQ(CCFileUtils::fullPathFromRelativePath(""), "");
}

TEST_F(FileUtilsTest, TabletSuffixIsPreferredAndFallsBackToPhoneFile)
{
    bundle_.write("a/b.png", "plain");
    bundle_.write("a/b-t.png", "tablet");
    bundle_.write("a/b.pvr.gz", "plain");
    bundle_.write("a/b-t.pvr.gz", "tablet");
    bundle_.write("a/c.png", "plain only");
    bundle_.write("a/d.pvr.ccz", "plain only");
    CCFileUtils::setiPadSuffix("-t");
    useDevice(true, 1.0f);

    struct Case {
        const char* name;
        std::string expectedPath;
        ccResolutionType expectedType;
    };
    const Case cases[] = {
        {"a/b.png", bundle_.file("a/b-t.png"), kCCResolutioniPad},
        {"a/b.pvr.gz", bundle_.file("a/b-t.pvr.gz"), kCCResolutioniPad},
        // Already suffixed: used as it is.
        {"a/b-t.png", bundle_.file("a/b-t.png"), kCCResolutioniPad},
        // No tablet variant: the plain file, which is a phone file.
        {"a/c.png", bundle_.file("a/c.png"), kCCResolutioniPhone},
        {"a/d.pvr.ccz", bundle_.file("a/d.pvr.ccz"), kCCResolutioniPhone},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ccResolutionType type = kCCResolutionUnknown;
        EXPECT_EQ(CCFileUtils::fullPathFromRelativePath(c.name, &type), c.expectedPath);
        EXPECT_EQ(type, c.expectedType);
    }
    EXPECT_TRUE(CCFileUtils::iPadFileExistsAtPath("a/b.png"));
    EXPECT_FALSE(CCFileUtils::iPadFileExistsAtPath("a/c.png"));
    // The retina suffix is still empty: any name "exists" with it.
    EXPECT_TRUE(CCFileUtils::iPadRetinaDisplayFileExistsAtPath("a/c.png"));
}

TEST_F(FileUtilsTest, SuffixesAreStrippedFromTheLastComponentByDevice)
{
    EXPECT_EQ(CCFileUtils::removeSuffix("-t", "x/a-tb-t.png"), "x/ab.png");
    EXPECT_EQ(CCFileUtils::removeSuffix("-t", "x-t/a.png"), "x-t/a.png");
    EXPECT_EQ(CCFileUtils::removeSuffix("", "x/a-t.png"), "x/a-t.png");

    CCFileUtils::setiPhoneRetinaDisplaySuffix("-hd");
    CCFileUtils::setiPadSuffix("-ipad");
    CCFileUtils::setiPadRetinaDisplaySuffix("-ipadhd");
    struct Case {
        bool tablet;
        float scale;
        const char* path;
        const char* expected;
    };
    const Case cases[] = {
        {false, 1.0f, "a-hd.png", "a-hd.png"}, // a normal phone strips nothing
        {false, 2.0f, "a-hd.png", "a.png"},
        {true, 1.0f, "a-ipad.png", "a.png"},
        {true, 2.0f, "a-ipadhd.png", "a.png"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        useDevice(c.tablet, c.scale);
        EXPECT_EQ(CCFileUtils::removeSuffixFromFile(c.path), c.expected);
    }
}

TEST_F(FileUtilsTest, GetPathInsertsSuffixBeforeTheWholeContainerExtension)
{
    bundle_.write("p/x-hd.pvr.ccz", "1");
    bundle_.write("p/y-hd", "1");
    EXPECT_EQ(CCFileUtils::getPath(bundle_.file("p/x.pvr.ccz"), "-hd"), bundle_.file("p/x-hd.pvr.ccz"));
    EXPECT_EQ(CCFileUtils::getPath(bundle_.file("p/y"), "-hd"), bundle_.file("p/y-hd"));
    EXPECT_EQ(CCFileUtils::getPath(bundle_.file("p/z.png"), "-hd"), std::nullopt);
    EXPECT_EQ(CCFileUtils::getPath("p/z.png", ""), "p/z.png");
}

TEST_F(FileUtilsTest, LoadFileIntoMemoryReadsWholeFilesAndRefusesOthers)
{
    std::vector<unsigned char> bytes(70000);
    for (size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<unsigned char>(i * 7);
    }
    std::vector<unsigned char> out;
    EXPECT_EQ(ccLoadFileIntoMemory(bundle_.write("data.bin", bytes).c_str(), out), 70000);
    EXPECT_EQ(out, bytes);

    EXPECT_EQ(ccLoadFileIntoMemory(bundle_.write("empty.bin", "").c_str(), out), 0);
    EXPECT_TRUE(out.empty());

    EXPECT_EQ(ccLoadFileIntoMemory(bundle_.file("missing.bin").c_str(), out), -1);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(ccLoadFileIntoMemory(bundle_.path().c_str(), out), -1); // a folder
    EXPECT_EQ(ccLoadFileIntoMemory(nullptr, out), -1);
}

} // namespace
} // namespace mw
