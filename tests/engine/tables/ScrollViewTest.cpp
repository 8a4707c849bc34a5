#include <gtest/gtest.h>

#include <GLES/gl.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/actions/CCActionInterval.h"
#include "engine/nodes/CCLayerColor.h"
#include "engine/tables/CCScrollView.h"
#include "tests/engine/tables/TablesTestSupport.h"

namespace mw::test {
namespace {

// A 200 x 200 window at (50, 100): GL x from 50 to 250, y from 100 to 300.
constexpr CGPoint kViewOrigin{50, 100};
constexpr CGSize kViewSize{200, 200};

class ScrollViewTest : public TablesTest {
protected:
    Ref<CCScrollView> addView(CGSize content, CCScrollViewDirection direction)
    {
        Ref<CCScrollView> view = CCScrollView::viewWithViewSize(kViewSize);
        view->setPosition(kViewOrigin);
        view->setContentSize(content);
        view->setDirection(direction);
        scene().addChild(view.get());
        return view;
    }
};

// On an ordinary screen both views clip to their rectangle with every value
// of the scissor box truncated to a whole pixel.
TEST_F(ScrollViewTest, TheClipBoxTruncatesTheViewRectangle)
{
    const CGSize size{200.8f, 120.7f};
    ListSource source(10, {200, 50});
    struct Case {
        const char* name;
        std::function<Ref<CCScrollView>()> make;
    };
    const Case cases[] = {
        {"scroll view", [&] { return CCScrollView::viewWithViewSize(size); }},
        {"table view", [&] { return Ref<CCScrollView>(CCTableView::viewWithDataSource(&source, size)); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Ref<CCScrollView> view = c.make();
        view->setPosition({60.7f, 200.6f});
        scene().addChild(view.get());
        glDisable(GL_SCISSOR_TEST);
        view->beforeDraw();
        std::array<GLint, 4> box{};
        glGetIntegerv(GL_SCISSOR_BOX, box.data());
        EXPECT_TRUE(glIsEnabled(GL_SCISSOR_TEST));
        view->afterDraw();
        EXPECT_EQ(box, (std::array<GLint, 4>{60, 200, 200, 120}));
        EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
        view->removeFromParentAndCleanup(true);
    }
}

// A scroll view that clips what it draws, as a subclass does: around its
// whole visit, before its own transform.
class ClippedScrollView : public CCScrollView {
public:
    using CCScrollView::CCScrollView;
    void visit() override
    {
        beforeDraw();
        CCScrollView::visit();
        afterDraw();
    }
};

// Notes which clipping was switched on while it drew.
class ClipStateProbe : public CCNode {
public:
    void draw() override
    {
        drawn = true;
        scissorOn = glIsEnabled(GL_SCISSOR_TEST);
        planesOn = 0;
        for (int plane = 0; plane < 4; ++plane)
            planesOn += glIsEnabled(GL_CLIP_PLANE0 + plane) ? 1 : 0;
    }
    bool drawn = false;
    bool scissorOn = false;
    int planesOn = 0;
};

int clipPlanesOn()
{
    int on = 0;
    for (int plane = 0; plane < 6; ++plane)
        on += glIsEnabled(GL_CLIP_PLANE0 + plane) ? 1 : 0;
    return on;
}

// On an ordinary and on a high-resolution screen: the first clips with a
// scissor box, the second with four clip planes; either way nothing of the
// content shows outside the view, and nothing stays switched on after it.
class ScrollViewClipTest : public TablesTest, public ::testing::WithParamInterface<const char*> {
protected:
    ScrollViewClipTest() : TablesTest(GetParam()) {}
    bool highResolution() const { return std::string(device_) == "phone-hd"; }
};

TEST_P(ScrollViewClipTest, ContentOutsideTheViewIsNotDrawn)
{
    // The view sits at its parent's origin, the parent at (20, 30): the
    // window is GL x 20 to 220, y 30 to 180. The red content covers far more.
    auto parent = CCNode::node();
    parent->setPosition({20, 30});
    scene().addChild(parent.get());
    Ref<ClippedScrollView> view = makeRef<ClippedScrollView>(CGSize{200, 150});
    parent->addChild(view.get());
    auto content = CCLayerColor::layerWithColor({255, 0, 0, 255}, 400, 400);
    view->addChild(content.get());
    auto probe = makeRef<ClipStateProbe>();
    view->addChild(probe.get());
    view->setContentOffset({-60, -60});

    const RGBA red{255, 0, 0, 255};
    struct Point {
        CGPoint at;
        bool inside;
    };
    const Point points[] = {
        {{22, 32}, true},   {{218, 178}, true},  {{120, 100}, true}, {{17, 100}, false},
        {{223, 100}, false}, {{120, 27}, false}, {{120, 183}, false}, {{250, 200}, false},
    };
    for (bool clips : {true, false}) {
        SCOPED_TRACE(clips ? "clipping" : "not clipping");
        view->setClipsToBounds(clips);
        probe->drawn = false;
        driver().runFrames(1);
        ASSERT_TRUE(probe->drawn);
        EXPECT_EQ(probe->scissorOn, clips && !highResolution());
        EXPECT_EQ(probe->planesOn, clips && highResolution() ? 4 : 0);
        EXPECT_EQ(clipPlanesOn(), 0) << "planes left on after drawing";
        EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST)) << "scissor left on after drawing";
        for (const Point& point : points) {
            SCOPED_TRACE(testing::Message() << "at " << point.at.x << "," << point.at.y);
            const RGBA seen = colourAt(point.at);
            EXPECT_EQ(nearColor(seen, red), point.inside || !clips) << seen;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Screens, ScrollViewClipTest, ::testing::Values("phone", "phone-hd"),
                         [](const auto& info) {
                             return std::string(info.param == std::string("phone") ? "Scale1" : "Scale2");
                         });

// At a content scale of 2 the planes keep 0 <= x <= 2 × view width and
// 0 <= y <= 2 × view height in the model-view space current when clipping
// begins, wherever the view itself stands.
TEST(ScrollViewClipPlanesTest, ThePlanesLieInTheCurrentModelViewSpace)
{
    GLTestContext* gl = GLTestContext::acquire(64, 64);
    ASSERT_NE(gl, nullptr) << "no headless GL context";
    resetSharedInstances();
    auto driver = HeadlessDriver::createWithContext(gl->context(), *DeviceProfile::named("phone-hd"));
    ASSERT_NE(driver, nullptr);
    Ref<CCScrollView> view = CCScrollView::viewWithViewSize({200.5f, 150.25f});
    view->setPosition({60, 70});

    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glTranslatef(30, 40, 0);
    view->beforeDraw();
    // GL keeps each plane in eye space: moved by the translation.
    const std::array<std::array<GLfloat, 4>, 4> expected = {{
        {0, -1, 0, 2 * 150.25f + 40},
        {0, 1, 0, -40},
        {1, 0, 0, -30},
        {-1, 0, 0, 2 * 200.5f + 30},
    }};
    for (int plane = 0; plane < 4; ++plane) {
        SCOPED_TRACE(testing::Message() << "plane " << plane);
        std::array<GLfloat, 4> equation{};
        glGetClipPlanef(GL_CLIP_PLANE0 + plane, equation.data());
        for (int i = 0; i < 4; ++i)
            EXPECT_NEAR(equation[i], expected[plane][i], 1e-3f) << i;
        EXPECT_TRUE(glIsEnabled(GL_CLIP_PLANE0 + plane));
    }
    EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
    view->afterDraw();
    EXPECT_EQ(clipPlanesOn(), 0);
    glPopMatrix();
    view = nullptr;
    driver.reset();
    resetSharedInstances();
}

TEST_F(ScrollViewTest, ADragMovesTheContentOnlyAlongTheViewsDirection)
{
    struct Case {
        const char* name;
        CCScrollViewDirection direction;
        CGPoint offset;
    };
    // The finger goes 30 right and 40 up, in two diagonal steps.
    const Case cases[] = {
        {"horizontal", kCCScrollViewDirectionHorizontal, {-270, -300}},
        {"vertical", kCCScrollViewDirectionVertical, {-300, -260}},
        {"both", kCCScrollViewDirectionBoth, {-270, -260}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Ref<CCScrollView> view = addView({1000, 1000}, c.direction);
        view->setContentOffset({-300, -300});
        drag({100, 180}, {130, 220}, 2);
        EXPECT_EQ(view->contentOffset(), c.offset);
        view->removeFromParentAndCleanup(true);
    }
}

TEST_F(ScrollViewTest, TouchesOutsideTheViewAndTouchesAfterSwitchingOffDoNotDrag)
{
    Ref<CCScrollView> view = addView({1000, 1000}, kCCScrollViewDirectionBoth);
    view->setContentOffset({-300, -300});
    drag({20, 180}, {60, 220}, 2); // begins left of the view
    EXPECT_EQ(view->contentOffset(), (CGPoint{-300, -300}));

    Ref<UITouch> touch = touchDown({100, 180});
    touchMove(touch.get(), {110, 190});
    view->setIsTouchEnabled(false);
    EXPECT_FALSE(view->isDragging());
    EXPECT_EQ(view->trackedTouchCount(), 0u);
    touchMove(touch.get(), {150, 250});
    driver().touchUp(touch.get());
    driver().runFrames(30);
    EXPECT_EQ(view->contentOffset(), (CGPoint{-290, -290}));
}

TEST_F(ScrollViewTest, AfterReleaseTheContentGlidesSlowingByAFactorPerFrame)
{
    // Far from the limits, bouncing or not. The content is narrower than the
    // view, so x lies outside its limits all along: a vertical list leaves it.
    for (bool bounces : {true, false}) {
        SCOPED_TRACE(bounces ? "bouncing" : "not bouncing");
        Ref<CCScrollView> view = addView({150, 2000}, kCCScrollViewDirectionVertical);
        view->setBounces(bounces);
        view->setContentOffset({0, -1000});
        drag({100, 150}, {100, 180}, 3); // the last move is 10 points
        ASSERT_EQ(view->contentOffset(), (CGPoint{0, -970}));

        int movingFrames = 0;
        float last = view->contentOffset().y;
        for (int frame = 0; frame < 120; ++frame) {
            driver().runFrames(1);
            if (view->contentOffset().y != last) ++movingFrames;
            last = view->contentOffset().y;
        }
        // 10 x 0.95^n falls to a point after 45 frames, which glide
        // 10 x (1 - 0.95^45) / 0.05 points in all.
        EXPECT_EQ(movingFrames, 45);
        EXPECT_NEAR(last, -970 + 10 * (1 - std::pow(0.95, 45)) / 0.05, 0.05);
        EXPECT_EQ(view->contentOffset().x, 0);
        view->removeFromParentAndCleanup(true);
    }
}

TEST_F(ScrollViewTest, ContentPastItsLimitsSpringsBackAfterRelease)
{
    struct Case {
        const char* name;
        bool bounces;
        float contentHeight;
        float startY;
        float dragY;
        int steps;
        std::optional<float> peak; // the highest offset seen after release
        float restY;
    };
    // The view is 200 high: the bounce margin is 20 points beyond each limit.
    const Case cases[] = {
        {"dragged past the top, held at the margin", true, 2000, 0, 50, 5, 20, 0},
        {"no bouncing: never past the limit", false, 2000, 0, 50, 5, 0, 0},
        {"glides into the margin", true, 2000, -30, 30, 3, 20, 0},
        {"no bouncing: the glide stops at the limit", false, 2000, -30, 30, 3, 0, 0},
        {"content lower than the view settles at its top", true, 100, 100, -30, 3, std::nullopt, 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Ref<CCScrollView> view = addView({200, c.contentHeight}, kCCScrollViewDirectionVertical);
        view->setBounces(c.bounces);
        view->setContentOffset({0, c.startY});
        drag({100, 150}, {100, 150 + c.dragY}, c.steps);

        float peak = view->contentOffset().y;
        for (int frame = 0; frame < 40; ++frame) {
            driver().runFrames(1);
            peak = std::max(peak, view->contentOffset().y);
            if (frame == 5 && c.peak && *c.peak > c.restY) {
                // Half-way back: the relocation is animated.
                EXPECT_GT(view->contentOffset().y, c.restY);
                EXPECT_LT(view->contentOffset().y, *c.peak);
            }
        }
        if (c.peak) {
            EXPECT_FLOAT_EQ(peak, *c.peak);
        }
        EXPECT_FLOAT_EQ(view->contentOffset().y, c.restY);
        driver().runFrames(20);
        EXPECT_FLOAT_EQ(view->contentOffset().y, c.restY); // at rest
        view->removeFromParentAndCleanup(true);
    }
}

TEST_F(ScrollViewTest, APinchZoomsAboutItsCentreWithinTheLimits)
{
    struct Case {
        const char* name;
        float minScale, maxScale;
        CGPoint first, second;
        std::vector<CGPoint> secondMoves;
        float zoom;
    };
    const Case cases[] = {
        {"fingers twice as far apart", 0.5f, 3, {120, 200}, {170, 200}, {{220, 200}}, 2},
        {"a repeated position changes nothing more",
         0.5f,
         3,
         {120, 200},
         {170, 200},
         {{220, 200}, {220, 200}},
         2},
        {"clamped to the highest zoom", 0.5f, 3, {120, 200}, {170, 200}, {{420, 200}}, 3},
        {"the default limits keep the scale", 1, 1, {120, 200}, {170, 200}, {{220, 200}}, 1},
        // The distance at the start is 0: the pinch counts from the first move.
        {"fingers down on one point", 0.5f, 3, {150, 200}, {150, 200}, {{200, 200}, {250, 200}}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Ref<CCScrollView> view = addView({1000, 1000}, kCCScrollViewDirectionBoth);
        view->setMinZoomScale(c.minScale);
        view->setMaxZoomScale(c.maxScale);
        view->setContentOffset({-300, -300});
        const CGPoint centre{(c.first.x + c.second.x) / 2, (c.first.y + c.second.y) / 2};
        const CGPoint contentUnderCentre = view->container()->convertToNodeSpace(centre);

        Ref<UITouch> one = touchDown(c.first);
        Ref<UITouch> two = touchDown(c.second);
        for (CGPoint move : c.secondMoves)
            touchMove(two.get(), move);
        EXPECT_FLOAT_EQ(view->zoomScale(), c.zoom);
        const CGPoint stillUnderCentre = view->container()->convertToNodeSpace(centre);
        EXPECT_NEAR(stillUnderCentre.x, contentUnderCentre.x, 1e-3);
        EXPECT_NEAR(stillUnderCentre.y, contentUnderCentre.y, 1e-3);
        driver().touchUp(two.get());
        driver().touchUp(one.get());
        view->removeFromParentAndCleanup(true);
    }
}

TEST_F(ScrollViewTest, AnAnimatedZoomTweensTheScaleAndAZeroDurationAppliesItAtOnce)
{
    Ref<CCScrollView> view = addView({1000, 1000}, kCCScrollViewDirectionBoth);
    view->setMaxZoomScale(4);
    view->setZoomScaleInDuration(2, 0);
    EXPECT_FLOAT_EQ(view->zoomScale(), 2);

    view->setZoomScale(4, true);
    driver().runFrames(9);
    EXPECT_GT(view->zoomScale(), 2);
    EXPECT_LT(view->zoomScale(), 4);
    driver().runFrames(20);
    EXPECT_FLOAT_EQ(view->zoomScale(), 4);
}

TEST_F(ScrollViewTest, NodesOverlappingTheContentInSightAreVisible)
{
    Ref<CCScrollView> view = addView({1000, 1000}, kCCScrollViewDirectionBoth);
    view->setMaxZoomScale(2);
    view->setContentOffset({-300, -300}); // content from (300, 300) to (500, 500) in sight
    struct Case {
        CGPoint at;
        bool atZoom1, atZoom2;
    };
    // At zoom 2 about the view's centre, content (350, 350) to (450, 450) is in sight.
    const Case cases[] = {
        {{355, 355}, true, true},
        {{100, 100}, false, false},
        {{495, 300}, true, false},
        {{500, 500}, false, false},
    };
    std::vector<Ref<CCNode>> nodes;
    for (const Case& c : cases) {
        nodes.push_back(CCNode::node());
        nodes.back()->setContentSize({10, 10});
        view->addChild(nodes.back().get());
        nodes.back()->setPosition(c.at);
    }
    for (float zoom : {1.0f, 2.0f}) {
        view->setZoomScale(zoom);
        for (size_t i = 0; i < nodes.size(); ++i) {
            SCOPED_TRACE(testing::Message()
                         << "zoom " << zoom << ", node at " << cases[i].at.x << "," << cases[i].at.y);
            EXPECT_EQ(view->isNodeVisible(nodes[i].get()), zoom == 1 ? cases[i].atZoom1 : cases[i].atZoom2);
        }
    }
}

TEST_F(ScrollViewTest, PausingStopsTheContentAndNestedViewsUntilResumed)
{
    Ref<CCScrollView> outer = addView({1000, 1000}, kCCScrollViewDirectionBoth);
    Ref<CCScrollView> inner = CCScrollView::viewWithViewSize({50, 50});
    outer->addChild(inner.get());
    auto outerMove = CCMoveBy::actionWithDuration(1, {60, 0});
    auto innerMove = CCMoveBy::actionWithDuration(1, {0, 60});
    outer->container()->runAction(outerMove.get());
    inner->container()->runAction(innerMove.get());

    outer->pause(nullptr);
    driver().runFrames(30);
    EXPECT_EQ(outer->contentOffset(), CGPointZero);
    EXPECT_EQ(inner->contentOffset(), CGPointZero);
    outer->resume(nullptr);
    driver().runFrames(70);
    EXPECT_EQ(outer->contentOffset(), (CGPoint{60, 0}));
    EXPECT_EQ(inner->contentOffset(), (CGPoint{0, 60}));
}

} // namespace
} // namespace mw::test
