#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "foundation/Geometry.h"

namespace mw {
namespace {

void expectPointNear(CGPoint expected, CGPoint actual, const std::string& what)
{
    EXPECT_NEAR(expected.x, actual.x, 1e-4) << what;
    EXPECT_NEAR(expected.y, actual.y, 1e-4) << what;
}

TEST(GeometryStrings, WriteShortestNumbersAndReadBack)
{
    struct Case {
        CGRect rect;
        const char* text;
    };
    const Case cases[] = {
        {{0, 0, 10.5f, 20}, "{{0, 0}, {10.5, 20}}"},
        {{-3, 0.25f, 1e7f, 0.1f}, "{{-3, 0.25}, {1e+07, 0.1}}"},
        {{-0.0f, 1234567, 3.14159f, -2}, "{{0, 1234567}, {3.14159, -2}}"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.text, NSStringFromCGRect(c.rect));
        EXPECT_EQ(c.rect, CGRectFromString(c.text)) << c.text;
    }
    EXPECT_EQ("{1.5, -2}", NSStringFromCGPoint({1.5f, -2}));
    EXPECT_EQ("{320, 480}", NSStringFromCGSize({320, 480}));
    EXPECT_EQ(CGSizeMake(320, 480), CGSizeFromString(NSStringFromCGSize({320, 480})));
}

TEST(GeometryStrings, ParsingIsForgiving)
{
    struct Case {
        const char* text;
        CGRect expected;
    };
    const Case cases[] = {
        {"{{1,2},{3,4}}", {1, 2, 3, 4}},
        {"  { { 1 , 2 } , { 3 , 4 } }  ", {1, 2, 3, 4}},
        {"{{1.5, -2.25}, {+3, 4e1}}", {1.5f, -2.25f, 3, 40}},
        {"{{1,2},{3}}", {1, 2, 3, 0}},
        {"{{1},{3,4}}", {1, 0, 3, 4}},
        {"{{1,2}}", {1, 2, 0, 0}},
        {"", {0, 0, 0, 0}},
        {"garbage", {0, 0, 0, 0}},
        {"{{x,2},{3,y}}", {0, 2, 3, 0}},
        {"{{1px,2},{3,4}}", {1, 2, 3, 4}},
        {"{{nan,inf},{1e99,4}}", {0, 0, 0, 4}},
        {"{{{{{{", {0, 0, 0, 0}},
        {"}}},,,", {0, 0, 0, 0}},
        {"1,2,3,4", {1, 2, 3, 4}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, CGRectFromString(c.text)) << '"' << c.text << '"';
    }
    EXPECT_EQ(CGPointMake(7, 0), CGPointFromString("{7}"));
    EXPECT_EQ(CGPointMake(0, 0), CGPointFromString("{"));
    EXPECT_EQ(CGPointMake(-1, 2), CGPointFromString("{-1,2}"));
}

TEST(GeometryTransforms, NewOperationActsOnPointsBeforeTheTransform)
{
    const float quarter = std::numbers::pi_v<float> / 2;
    const auto move = CGAffineTransformMakeTranslation;
    const auto scale = CGAffineTransformMakeScale;
    struct Case {
        const char* what;
        CGAffineTransform t;
        CGPoint in, out;
    };
    const Case cases[] = {
        // Translate by (10, 0), then scale by 2: the scale is applied first.
        {"translate then scale", CGAffineTransformScale(move(10, 0), 2, 2), {1, 1}, {12, 2}},
        {"scale then translate", CGAffineTransformTranslate(scale(2, 2), 10, 0), {1, 1}, {22, 2}},
        {"rotation turns counter-clockwise", CGAffineTransformMakeRotation(quarter), {1, 0}, {0, 1}},
        {"translate then rotate", CGAffineTransformRotate(move(5, 0), quarter), {1, 0}, {5, 1}},
        {"concat: first then second", CGAffineTransformConcat(move(1, 0), scale(3, 3)), {1, 1}, {6, 3}},
        {"concat the other way", CGAffineTransformConcat(scale(3, 3), move(1, 0)), {1, 1}, {4, 3}},
    };
    for (const Case& c : cases) {
        expectPointNear(c.out, CGPointApplyAffineTransform(c.in, c.t), c.what);
    }
}

TEST(GeometryTransforms, InvertUndoesAndSingularStaysUnchanged)
{
    CGAffineTransform moved = CGAffineTransformMakeTranslation(100, -40);
    CGAffineTransform t = CGAffineTransformRotate(CGAffineTransformScale(moved, 2, 0.5f), 0.7f);
    CGAffineTransform inverse = CGAffineTransformInvert(t);
    for (CGPoint p : {CGPoint{0, 0}, CGPoint{3, -7}, CGPoint{250, 125}}) {
        CGPoint there = CGPointApplyAffineTransform(p, t);
        expectPointNear(p, CGPointApplyAffineTransform(there, inverse), "round trip");
    }
    CGAffineTransform both = CGAffineTransformConcat(t, inverse);
    EXPECT_NEAR(both.a, 1, 1e-5);
    EXPECT_NEAR(both.d, 1, 1e-5);
    EXPECT_NEAR(both.tx, 0, 1e-4);

    CGAffineTransform singular = CGAffineTransformMakeScale(0, 2);
    EXPECT_EQ(singular, CGAffineTransformInvert(singular));
    EXPECT_TRUE(CGAffineTransformIsIdentity(CGAffineTransformInvert(CGAffineTransformIdentity)));
}

TEST(GeometryTransforms, RectangleBecomesBoundingBoxOfCorners)
{
    const float eighth = std::numbers::pi_v<float> / 4;
    struct Case {
        const char* what;
        CGRect in;
        CGAffineTransform t;
        CGRect out;
    };
    const float half = std::sqrt(2.0f) / 2;
    const Case cases[] = {
        {"translation", {0, 0, 10, 20}, CGAffineTransformMakeTranslation(5, 5), {5, 5, 10, 20}},
        {"mirror", {1, 2, 10, 20}, CGAffineTransformMakeScale(-1, 1), {-11, 2, 10, 20}},
        {"45 degrees", {0, 0, 2, 2}, CGAffineTransformMakeRotation(eighth),
         {-2 * half, 0, 4 * half, 4 * half}},
        {"negative size is standardised", {10, 10, -10, -10}, CGAffineTransformIdentity, {0, 0, 10, 10}},
    };
    for (const Case& c : cases) {
        CGRect r = CGRectApplyAffineTransform(c.in, c.t);
        EXPECT_NEAR(c.out.origin.x, r.origin.x, 1e-4) << c.what;
        EXPECT_NEAR(c.out.origin.y, r.origin.y, 1e-4) << c.what;
        EXPECT_NEAR(c.out.size.width, r.size.width, 1e-4) << c.what;
        EXPECT_NEAR(c.out.size.height, r.size.height, 1e-4) << c.what;
    }
    CGAffineTransform quarterTurn = CGAffineTransformMakeRotation(std::numbers::pi_v<float> / 2);
    CGSize turned = CGSizeApplyAffineTransform({10, 20}, quarterTurn);
    EXPECT_NEAR(-20, turned.width, 1e-4);
    EXPECT_NEAR(10, turned.height, 1e-4);
}

TEST(GeometryRects, EdgesAndNegativeSizes)
{
    CGRect r{0, 0, 10, 10};
    EXPECT_TRUE(CGRectContainsPoint(r, {0, 0}));
    EXPECT_FALSE(CGRectContainsPoint(r, {10, 5})) << "the right edge is outside";
    EXPECT_FALSE(CGRectContainsPoint(r, {5, 10})) << "the top edge is outside";
    EXPECT_TRUE(CGRectContainsPoint({10, 10, -10, -10}, {5, 5}));

    EXPECT_TRUE(CGRectIntersectsRect(r, {9, 9, 5, 5}));
    EXPECT_FALSE(CGRectIntersectsRect(r, {10, 0, 5, 5})) << "sharing an edge is no overlap";
    EXPECT_TRUE(CGRectIntersectsRect(r, {12, 12, -5, -5}));

    CGRect flipped{10, 20, -4, -6};
    EXPECT_FLOAT_EQ(6, CGRectGetMinX(flipped));
    EXPECT_FLOAT_EQ(10, CGRectGetMaxX(flipped));
    EXPECT_FLOAT_EQ(17, CGRectGetMidY(flipped));
    EXPECT_FLOAT_EQ(4, CGRectGetWidth(flipped));
    EXPECT_TRUE(CGRectEqualToRect(flipped, {6, 14, 4, 6}));
}

} // namespace
} // namespace mw
