#include <gtest/gtest.h>

#include <GLES/gl.h>

#include <cfloat>
#include <cmath>
#include <numbers>
#include <vector>

#include "engine/base/CGPointExtension.h"
#include "engine/base/TransformUtils.h"
#include "engine/base/ccGLU.h"
#include "engine/base/ccUtils.h"
#include "tests/support/GLTestContext.h"

namespace mw {
namespace {

constexpr float kPi = std::numbers::pi_v<float>;

TEST(PointMath, NextPowerOfTwo)
{
    struct Case {
        uint32_t in, out;
    };
    const std::vector<Case> cases = {
        {0, 0}, {1, 1}, {2, 2}, {3, 4}, {5, 8}, {64, 64}, {65, 128}, {0x80000000u, 0x80000000u},
        {0x80000001u, 0},  // beyond the largest power of two it wraps
    };
    for (const auto& c : cases) EXPECT_EQ(ccNextPOT(c.in), c.out) << c.in;
}

TEST(PointMath, ClampAcceptsBoundsInEitherOrder)
{
    struct Case {
        float value, bound1, bound2, expected;
    };
    const std::vector<Case> cases = {
        {5, 10, 0, 5}, {-1, 10, 0, 0}, {12, 0, 10, 10}, {12, 10, 0, 10}, {-3, -1, -5, -3}, {0, 2, 2, 2},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(clampf(c.value, c.bound1, c.bound2), c.expected) << c.value << " in " << c.bound1 << ".." << c.bound2;
    }
}

TEST(PointMath, LineIntersection)
{
    struct Case {
        const char* what;
        CGPoint a, b, c, d;
        bool crosses;
        float s, t;
    };
    const std::vector<Case> cases = {
        {"x axis and y axis", {0, 0}, {1, 0}, {0, -1}, {0, 1}, true, 0, 0.5f},
        {"diagonals of a square", {0, 0}, {2, 2}, {0, 2}, {2, 0}, true, 0.5f, 0.5f},
        {"crossing beyond the segments", {0, 0}, {1, 0}, {3, -1}, {3, 1}, true, 3, 0.5f},
        {"parallel horizontals", {0, 0}, {1, 0}, {0, 1}, {1, 1}, false, 0, 0},
        {"the same line", {0, 0}, {1, 0}, {2, 0}, {3, 0}, true, 0, 0},
    };
    for (const auto& c : cases) {
        float s = -7, t = -7;
        EXPECT_EQ(ccpLineIntersect(c.a, c.b, c.c, c.d, &s, &t), c.crosses) << c.what;
        if (c.crosses) {
            EXPECT_FLOAT_EQ(s, c.s) << c.what;
            EXPECT_FLOAT_EQ(t, c.t) << c.what;
        }
    }

    // A degenerate line (two equal points) is refused and leaves S and T alone.
    float s = -7, t = -7;
    EXPECT_FALSE(ccpLineIntersect({1, 1}, {1, 1}, {0, 0}, {0, 1}, &s, &t));
    EXPECT_FALSE(ccpLineIntersect({0, 0}, {0, 1}, {2, 2}, {2, 2}, &s, &t));
    EXPECT_EQ(s, -7);
    EXPECT_EQ(t, -7);
}

TEST(PointMath, VectorFunctions)
{
    const CGPoint rotated = ccpRotateByAngle({2, 1}, {1, 1}, kPi / 2);
    EXPECT_NEAR(rotated.x, 1, 1e-6);
    EXPECT_NEAR(rotated.y, 2, 1e-6);

    EXPECT_FLOAT_EQ(ccpLength({3, 4}), 5);
    EXPECT_FLOAT_EQ(ccpDistance({1, 1}, {4, 5}), 5);
    const CGPoint unit = ccpNormalize({0, -3});
    EXPECT_FLOAT_EQ(unit.x, 0);
    EXPECT_FLOAT_EQ(unit.y, -1);
    const CGPoint zero = ccpNormalize({0, 0});
    EXPECT_FALSE(std::isfinite(zero.x)) << "the zero vector is not guarded";

    const CGPoint quarter = ccpLerp({0, 10}, {8, 2}, 0.25f);
    EXPECT_FLOAT_EQ(quarter.x, 2);
    EXPECT_FLOAT_EQ(quarter.y, 8);
    EXPECT_EQ(ccpCompMult({2, 3}, {4, -5}), CGPointMake(8, -15));
    EXPECT_FLOAT_EQ(ccpToAngle({0, 1}), kPi / 2);
    EXPECT_FLOAT_EQ(ccpToAngle({-1, 0}), kPi);
}

TEST(TransformUtils, AffineToGLPlacesTheTwoDimensionalPartInAFourByFour)
{
    float m[16];
    std::fill(m, m + 16, 99.0f);
    CGAffineToGL(CGAffineTransformIdentity, m);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(m[i], (i % 5 == 0) ? 1.0f : 0.0f) << i;

    CGAffineToGL(CGAffineTransformMake(2, 3, 4, 5, 6, 7), m);
    const float expected[16] = {2, 3, 0, 0, 4, 5, 0, 0, 0, 0, 1, 0, 6, 7, 0, 1};
    for (int i = 0; i < 16; ++i) EXPECT_EQ(m[i], expected[i]) << i;
}

TEST(TransformUtils, LookAtRotationBuildsAnOrthonormalView)
{
    float m[16];
    // Looking down -z from (0, 0, 5) with y up: the identity rotation.
    ccLookAtRotation(0, 0, 5, 0, 0, 0, 0, 1, 0, m);
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(m[i], (i % 5 == 0) ? 1.0f : 0.0f, 1e-6) << i;

    // From (5, 0, 0) towards the origin: f = eye - centre = +x, s = up x f = -z.
    ccLookAtRotation(5, 0, 0, 0, 0, 0, 0, 2, 0, m);
    EXPECT_NEAR(m[2], 1, 1e-6);   // f.x
    EXPECT_NEAR(m[5], 1, 1e-6);   // u.y (a long up vector is normalised)
    EXPECT_NEAR(m[8], -1, 1e-6);  // s.z
}

class GLUTest : public test::GLRenderTest {};

TEST_F(GLUTest, LookAtMultipliesTheRotationAndMovesTheEyeToTheOrigin)
{
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(0, 0, 5, 0, 0, 0, 0, 1, 0);
    float m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    const float expected[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, -5, 1};
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(m[i], expected[i], 1e-5) << i;
}

TEST_F(GLUTest, PerspectiveIsTheFrustumOfTheFieldOfView)
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(90, 2, 1, 3);
    float m[16];
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    // fovy 90: ymax = near = 1, xmax = 2.
    EXPECT_NEAR(m[0], 2 * 1 / (2 + 2.0f), 1e-5);  // 2n / (r - l)
    EXPECT_NEAR(m[5], 1, 1e-5);                   // 2n / (t - b)
    EXPECT_NEAR(m[10], -(3 + 1) / 2.0f, 1e-5);    // -(f + n) / (f - n)
    EXPECT_NEAR(m[11], -1, 1e-5);
    EXPECT_NEAR(m[14], -2 * 3 * 1 / 2.0f, 1e-5);  // -2fn / (f - n)
    glLoadIdentity();
}

} // namespace
} // namespace mw
