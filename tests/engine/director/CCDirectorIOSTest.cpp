#include <gtest/gtest.h>

#include <GLES/gl.h>

#include <string>
#include <vector>

#include "engine/base/CCWinSize.h"
#include "engine/base/ccContentScale.h"
#include "engine/base/ccViewSpace.h"
#include "engine/director/CCDirectorDisplayLink.h"
#include "engine/director/CCDirectorTimer.h"
#include "foundation/Log.h"
#include "tests/engine/director/DirectorTestSupport.h"

namespace mw::test {
namespace {

using CCDirectorIOSTest = DirectorTest;

// The phone's view is 320 x 480 points.
TEST_F(CCDirectorIOSTest, ConvertsViewPointsToGLForEachOrientation)
{
    struct Case {
        int32_t orientation;
        CGPoint view;
        CGPoint gl;
        CGPoint backToUI; // convertToUI of the GL point
        CGSize winSize;
    };
    const std::vector<Case> cases = {
        {kCCDeviceOrientationPortrait, {10, 20}, {10, 460}, {10, 20}, {320, 480}},
        {kCCDeviceOrientationPortraitUpsideDown, {10, 20}, {310, 20}, {10, 20}, {320, 480}},
        {kCCDeviceOrientationLandscapeLeft, {10, 20}, {20, 10}, {10, 20}, {480, 320}},
        {kCCDeviceOrientationLandscapeRight, {10, 20}, {460, 310}, {10, 20}, {480, 320}},
        {7, {10, 20}, {0, 0}, {0, 0}, {320, 480}},
    };
    std::vector<std::string> lines;
    LogSink previous = setLogSink([&](const std::string& line) { lines.push_back(line); });
    for (const Case& c : cases) {
        SCOPED_TRACE(c.orientation);
        director().setDeviceOrientation(c.orientation);
        EXPECT_EQ(director().deviceOrientation(), c.orientation);
        EXPECT_EQ(director().convertToGL(c.view), c.gl);
        EXPECT_EQ(director().convertToUI(c.gl), c.backToUI);
        // The node tree reaches the same conversion and size through its hooks.
        EXPECT_EQ(ccConvertToGL(c.view), c.gl);
        EXPECT_EQ(director().winSize(), c.winSize);
        EXPECT_EQ(ccWinSize(), c.winSize);
    }
    setLogSink(previous);
    EXPECT_EQ(lines, (std::vector<std::string>{"Director: Unknown device orientation"}));
}

TEST_F(CCDirectorIOSTest, ConvertToUIDropsTheFractionOfTheFlippedCoordinate)
{
    EXPECT_EQ(director().convertToUI({10.5f, 20.75f}), CGPoint(10.5f, 459));
    EXPECT_EQ(director().convertToUI(director().convertToGL({33, 44})), CGPoint(33, 44));
}

class CCDirectorRetinaTest : public DirectorTest {
protected:
    CCDirectorRetinaTest() : DirectorTest("phone-hd") {}
};

TEST_F(CCDirectorRetinaTest, HighResolutionScreenDoublesPixelsAndSurface)
{
    EXPECT_EQ(director().contentScaleFactor(), 2.0f);
    EXPECT_EQ(ccContentScaleFactor(), 2.0f);
    EXPECT_TRUE(director().isContentScaleSupported());
    EXPECT_EQ(director().winSize(), CGSize(320, 480));
    EXPECT_EQ(director().winSizeInPixels(), CGSize(640, 960));
    EXPECT_EQ(driver().view()->surfaceSize(), CGSize(640, 960));
    EXPECT_EQ(driver().context().pixelSize(), (PixelSize{640, 960}));
    EXPECT_FLOAT_EQ(director().getZEye(), 960 / 1.1566f);

    director().setDeviceOrientation(kCCDeviceOrientationLandscapeLeft);
    EXPECT_EQ(director().winSizeInPixels(), CGSize(960, 640));
    EXPECT_EQ(director().displaySizeInPixels(), CGSize(640, 960));

    EXPECT_TRUE(director().enableRetinaDisplay(true)); // already on
    EXPECT_TRUE(director().enableRetinaDisplay(false));
    EXPECT_EQ(director().contentScaleFactor(), 1.0f);
    EXPECT_EQ(director().winSizeInPixels(), CGSize(480, 320));
}

TEST_F(CCDirectorIOSTest, RetinaIsRefusedOnAScreenOfScaleOne)
{
    EXPECT_FALSE(director().enableRetinaDisplay(true));
    EXPECT_EQ(director().contentScaleFactor(), 1.0f);
    EXPECT_EQ(driver().context().pixelSize(), (PixelSize{320, 480}));
}

TEST_F(CCDirectorIOSTest, ProjectionKindsSetTheViewportAndMatrices)
{
    GLint viewport[4] = {};
    director().setProjection(kCCDirectorProjection2D);
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 320);
    EXPECT_EQ(viewport[3], 480);
    GLfloat projection[16] = {};
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    EXPECT_FLOAT_EQ(projection[0], 2.0f / 320); // one unit a pixel
    EXPECT_FLOAT_EQ(projection[5], 2.0f / 480);
    EXPECT_EQ(director().projection(), kCCDirectorProjection2D);

    director().setProjection(kCCDirectorProjection3D);
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    EXPECT_FLOAT_EQ(projection[11], -1.0f); // perspective
    GLfloat modelview[16] = {};
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    EXPECT_NEAR(modelview[14], -director().getZEye(), 1e-2); // eye above the screen's centre
    EXPECT_NEAR(modelview[12], -160, 1e-3);

    struct Custom : CCProjectionProtocol {
        int calls = 0;
        void updateProjection() override { ++calls; }
    } custom;
    director().setProjectionDelegate(&custom);
    director().setProjection(kCCDirectorProjectionCustom);
    EXPECT_EQ(custom.calls, 1);
    director().setProjection(9); // stored, nothing applied
    EXPECT_EQ(director().projection(), 9);
    EXPECT_EQ(custom.calls, 1);
    director().setProjectionDelegate(nullptr);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// Reads the current projection matrix's x scale: 2 / pixel width in 2D.
float projectionXScale()
{
    GLfloat projection[16] = {};
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    return projection[0];
}

void loadIdentityProjection()
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
}

TEST_F(CCDirectorIOSTest, OnlyANewContentScaleReappliesTheProjection)
{
    director().setProjection(kCCDirectorProjection2D);
    loadIdentityProjection();
    director().setContentScaleFactor(1.0f); // the current factor
    EXPECT_FLOAT_EQ(projectionXScale(), 1.0f);

    director().setContentScaleFactor(2.0f);
    EXPECT_EQ(director().winSizeInPixels(), CGSize(640, 960));
    EXPECT_FLOAT_EQ(projectionXScale(), 2.0f / 640);
    director().setContentScaleFactor(1.0f);
    EXPECT_FLOAT_EQ(projectionXScale(), 2.0f / 320);
}

TEST_F(CCDirectorIOSTest, ReshapingTakesTheSizeFromTheViewWhateverItIsGiven)
{
    director().setProjection(kCCDirectorProjection2D);
    loadIdentityProjection();
    director().reshapeProjection(CGSize(10, 20));
    EXPECT_EQ(director().winSize(), CGSize(320, 480));
    EXPECT_EQ(director().winSizeInPixels(), CGSize(320, 480));
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 320);
    EXPECT_EQ(viewport[3], 480);
    EXPECT_FLOAT_EQ(projectionXScale(), 2.0f / 320); // re-applied
}

TEST(CCDirectorTypeTest, TheFirstDirectorMadeStaysWhicheverKindIsAskedLater)
{
    ASSERT_EQ(CCDirector::currentDirector(), nullptr);
    EXPECT_TRUE(CCDirector::setDirectorType(kCCDirectorTypeNSTimer));
    CCDirector* first = CCDirector::currentDirector();
    EXPECT_NE(dynamic_cast<CCDirectorTimer*>(first), nullptr);
    EXPECT_TRUE(CCDirector::setDirectorType(kCCDirectorTypeDisplayLink));
    EXPECT_EQ(CCDirector::currentDirector(), first);
    EXPECT_EQ(CCDirector::sharedDirector(), first);
    EXPECT_TRUE(CCDirector::setDirectorType(42)); // unknown: nothing made, no complaint
    CCDirector::purgeSharedDirector();
    EXPECT_EQ(CCDirector::currentDirector(), nullptr);
    // With no director the node tree sees no window.
    EXPECT_EQ(ccWinSize(), CGSizeZero);

    // Asked of the base class, the shared director is the timer kind.
    EXPECT_NE(dynamic_cast<CCDirectorTimer*>(CCDirector::sharedDirector()), nullptr);
    CCDirector::purgeSharedDirector();
}

} // namespace
} // namespace mw::test
