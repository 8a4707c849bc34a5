#include <cfloat>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/actions/CCActionCamera.h"
#include "engine/actions/CCActionInterval.h"
#include "engine/nodes/CCCamera.h"
#include "engine/nodes/CCNode.h"

namespace mw {
namespace {

struct Eye {
    float x, y, z;
};

// The eye relative to the centre, in units of the camera's eye distance.
// The unit is FLT_EPSILON, so the centre stays at the origin in these tests:
// anywhere else the orbit would vanish in the rounding of the centre.
Eye relativeEye(CCNode* node)
{
    float ex, ey, ez, cx, cy, cz;
    node->camera()->eyeX(&ex, &ey, &ez);
    node->camera()->centerX(&cx, &cy, &cz);
    const float unit = CCCamera::getZEye();
    return {(ex - cx) / unit, (ey - cy) / unit, (ez - cz) / unit};
}

struct OrbitCase {
    std::string name;
    float radius, deltaRadius, angleZ, deltaAngleZ, angleX, deltaAngleX;
    float t;
    Eye expected;
};

TEST(ActionsOrbitCameraTest, TheEyeMovesOnASphereAroundTheCentre)
{
    const std::vector<OrbitCase> cases = {
        {"zenith 0: straight above the centre", 1, 0, 0, 90, 0, 0, 0, {0, 0, 1}},
        {"a quarter turn down to the plane, azimuth 0", 1, 0, 0, 90, 0, 0, 1, {1, 0, 0}},
        {"a quarter turn down to the plane, azimuth 90", 1, 0, 0, 90, 90, 0, 1, {0, 1, 0}},
        {"half way down", 1, 0, 0, 90, 0, 0, 0.5f, {0.70710678f, 0, 0.70710678f}},
        {"the radius grows linearly", 2, 2, 90, 0, 180, 0, 0.5f, {-3, 0, 0}},
        {"the azimuth turns in the plane", 1, 0, 90, 0, 0, 180, 0.5f, {0, 1, 0}},
    };
    for (const OrbitCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto node = CCNode::node();
        auto orbit = CCOrbitCamera::actionWithDuration(1, c.radius, c.deltaRadius, c.angleZ, c.deltaAngleZ, c.angleX,
                                                       c.deltaAngleX);
        orbit->startWithTarget(node);
        orbit->update(c.t);
        const Eye eye = relativeEye(node);
        EXPECT_NEAR(eye.x, c.expected.x, 1e-5f);
        EXPECT_NEAR(eye.y, c.expected.y, 1e-5f);
        EXPECT_NEAR(eye.z, c.expected.z, 1e-5f);
        EXPECT_TRUE(node->camera()->dirty());
        float upX, upY, upZ;
        node->camera()->upX(&upX, &upY, &upZ);
        EXPECT_EQ(upY, 1);  // the up vector is not touched
    }
}

TEST(ActionsOrbitCameraTest, SphericalFormReadsTheEyeBack)
{
    auto node = CCNode::node();
    auto orbit = CCOrbitCamera::actionWithDuration(1, 2, 0, 60, 0, 120, 0);
    orbit->startWithTarget(node);
    orbit->update(0);
    float radius = 0, zenith = 0, azimuth = 0;
    orbit->sphericalRadius(&radius, &zenith, &azimuth);
    EXPECT_NEAR(radius, 2, 1e-5f);
    EXPECT_NEAR(zenith, 60 * 0.017453292f, 1e-5f);
    EXPECT_NEAR(azimuth, 120 * 0.017453292f, 1e-5f);  // x < 0: the second quadrant
}

TEST(ActionsOrbitCameraTest, TheReversePlaysTheOrbitBackwards)
{
    auto node = CCNode::node();
    auto orbit = CCOrbitCamera::actionWithDuration(2, 1, 0, 0, 90, 0, 0);
    auto reversed = dynamicRef<CCReverseTime>(orbit->reverse());
    ASSERT_TRUE(reversed);
    EXPECT_FLOAT_EQ(reversed->duration(), 2);
    reversed->startWithTarget(node);
    reversed->update(0);  // where the orbit ends: in the plane
    EXPECT_NEAR(relativeEye(node).x, 1, 1e-5f);
    reversed->update(1);  // where it starts: above the centre
    EXPECT_NEAR(relativeEye(node).z, 1, 1e-5f);
    EXPECT_NEAR(relativeEye(node).x, 0, 1e-5f);

    auto copied = copyAs<CCOrbitCamera>(*orbit);
    copied->startWithTarget(node);
    copied->update(1);
    EXPECT_NEAR(relativeEye(node).x, 1, 1e-5f);
}

} // namespace
} // namespace mw
