#include <gtest/gtest.h>

#include <GLES/gl.h>

#include <cfloat>
#include <regex>

#include "engine/base/ccContentScale.h"
#include "engine/nodes/CCCamera.h"
#include "engine/nodes/CCNode.h"
#include "tests/support/GLTestContext.h"

namespace mw {
namespace {

class CCCameraTest : public test::GLRenderTest {
protected:
    void TearDown() override { ccSetContentScaleFactor(1); }

    static void modelview(float m[16]) { glGetFloatv(GL_MODELVIEW_MATRIX, m); }
    static void expectIdentity(const float m[16], const char* what)
    {
        for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(m[i], (i % 5 == 0) ? 1.0f : 0.0f) << what << " element " << i;
    }
};

TEST_F(CCCameraTest, ARestingCameraLeavesTheMatrixAlone)
{
    auto camera = CCCamera::camera();
    EXPECT_FALSE(camera->dirty());
    float x, y, z;
    camera->eyeX(&x, &y, &z);
    EXPECT_EQ(z, FLT_EPSILON);
    EXPECT_EQ(CCCamera::getZEye(), 1.1920929e-7f);

    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    camera->locate();
    float m[16];
    modelview(m);
    expectIdentity(m, "new camera");

    camera->setUpX(1, 0, 0);
    EXPECT_TRUE(camera->dirty());
    camera->restore();
    camera->locate();
    modelview(m);
    expectIdentity(m, "restored camera");
}

TEST_F(CCCameraTest, EyeAndCentreAreKeptInPixelsAndReportedInPoints)
{
    ccSetContentScaleFactor(2);
    auto camera = CCCamera::camera();
    camera->setEyeX(0, 0, 100);
    camera->setCenterX(1, 2, 3);
    float x, y, z;
    camera->eyeX(&x, &y, &z);
    EXPECT_EQ(z, 100);
    camera->centerX(&x, &y, &z);
    EXPECT_EQ(x, 1);
    EXPECT_EQ(y, 2);
    EXPECT_EQ(z, 3);
    // The description shows the stored (pixel) centre.
    EXPECT_TRUE(std::regex_match(camera->description(),
                                 std::regex("<CCCamera = [0-9A-F]{8} \\| center = \\(2.00,4.00,6.00\\)>")))
        << camera->description();

    // The look-at uses the stored pixels: the eye 200 pixels out.
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    camera->setCenterX(0, 0, 0);
    camera->locate();
    camera->locate();  // still dirty: applied again
    float m[16];
    modelview(m);
    EXPECT_FLOAT_EQ(m[14], -400);
    EXPECT_TRUE(camera->dirty()) << "locate does not clear the flag";
}

TEST_F(CCCameraTest, ANodeAppliesItsCameraAroundItsAnchorPoint)
{
    auto node = CCNode::node();
    node->setContentSize({10, 10});
    node->setAnchorPoint({0.5f, 0.5f});
    node->setPosition({5, 5});  // content (0, 0) at the parent's origin
    // Looking at the anchor from straight above, turned a quarter with its up vector.
    node->camera()->setUpX(1, 0, 0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    node->transform();
    float m[16];
    modelview(m);
    // The content point (5, 5) is the anchor: it stays at (5, 5) whatever the camera does to its
    // surroundings, because the camera turns around it.
    const float x = 5, y = 5;
    const float placedX = m[0] * x + m[4] * y + m[12];
    const float placedY = m[1] * x + m[5] * y + m[13];
    EXPECT_NEAR(placedX, 5, 1e-4);
    EXPECT_NEAR(placedY, 5, 1e-4);
    // ... while the content origin turns a quarter around it.
    EXPECT_NEAR(m[12], 5 + 5, 1e-4);
    EXPECT_NEAR(m[13], 5 - 5, 1e-4);
}

} // namespace
} // namespace mw
