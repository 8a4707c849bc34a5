#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/nodes/CCLayer.h"
#include "engine/touch/CCTouchDispatcher.h"
#include "tests/engine/director/DirectorTestSupport.h"

namespace mw::test {
namespace {

// What a handler saw: phase and the touch's point in the layer's space.
struct Seen {
    std::string phase;
    CGPoint point;
    friend bool operator==(const Seen&, const Seen&) = default;
};

std::ostream& operator<<(std::ostream& out, const Seen& seen)
{
    return out << seen.phase << "(" << seen.point.x << "," << seen.point.y << ")";
}

// Takes touches one at a time at priority 0.
class TargetedLayer : public CCLayer {
public:
    explicit TargetedLayer(bool swallows) : swallows_(swallows) { setIsTouchEnabled(true); }
    void registerWithTouchDispatcher() override
    {
        CCTouchDispatcher::sharedDispatcher()->addTargetedDelegate(this, 0, swallows_);
    }
    int32_t targetedTouchCallbacks() const override { return kCCTouchAllBits; }
    bool ccTouchBegan(UITouch* touch, const UIEvent&) override { return record("began", touch); }
    void ccTouchMoved(UITouch* touch, const UIEvent&) override { record("moved", touch); }
    void ccTouchEnded(UITouch* touch, const UIEvent&) override { record("ended", touch); }
    void ccTouchCancelled(UITouch* touch, const UIEvent&) override { record("cancelled", touch); }

    std::vector<Seen> seen;

private:
    bool record(const char* phase, UITouch* touch)
    {
        seen.push_back({phase, convertTouchToNodeSpace(touch)});
        return true;
    }
    bool swallows_;
};

// Takes the sets of touches nobody swallowed (the layer's default registration).
class StandardLayer : public CCLayer {
public:
    StandardLayer() { setIsTouchEnabled(true); }
    int32_t standardTouchCallbacks() const override { return kCCTouchAllBits; }
    void ccTouchesBegan(const UITouchSet& touches, const UIEvent&) override { record("began", touches); }
    void ccTouchesMoved(const UITouchSet& touches, const UIEvent&) override { record("moved", touches); }
    void ccTouchesEnded(const UITouchSet& touches, const UIEvent&) override { record("ended", touches); }
    void ccTouchesCancelled(const UITouchSet& touches, const UIEvent&) override
    {
        record("cancelled", touches);
    }

    std::vector<Seen> seen;

private:
    void record(const char* phase, const UITouchSet& touches)
    {
        for (const Ref<UITouch>& touch : touches)
            seen.push_back({phase, convertTouchToNodeSpace(touch.get())});
    }
};

using DirectorTouchTest = DirectorTest;

TEST_F(DirectorTouchTest, InjectedTouchesReachTargetedAndStandardHandlersInGLPoints)
{
    struct Case {
        const char* name;
        bool swallows;
        bool cancel;
        std::vector<Seen> targeted;
        std::vector<Seen> standard;
    };
    // The view's (10, 20) from the top left is (10, 460) in GL points on the
    // 480-point-high phone; the standard layer sits at (100, 50), the
    // targeted one at the origin.
    const std::vector<Case> cases = {
        {"shared touch",
         false,
         false,
         {{"began", {10, 460}}, {"moved", {30, 440}}, {"ended", {30, 440}}},
         {{"began", {-90, 410}}, {"moved", {-70, 390}}, {"ended", {-70, 390}}}},
        {"swallowed touch",
         true,
         false,
         {{"began", {10, 460}}, {"moved", {30, 440}}, {"ended", {30, 440}}},
         {}},
        {"cancelled touch",
         false,
         true,
         {{"began", {10, 460}}, {"moved", {30, 440}}, {"cancelled", {30, 440}}},
         {{"began", {-90, 410}}, {"moved", {-70, 390}}, {"cancelled", {-70, 390}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Ref<CCScene> scene = CCScene::node();
        Ref<TargetedLayer> targeted = makeRef<TargetedLayer>(c.swallows);
        Ref<StandardLayer> standard = makeRef<StandardLayer>();
        standard->setPosition({100, 50});
        scene->addChild(targeted.get());
        scene->addChild(standard.get());
        if (director().runningScene()) {
            director().replaceScene(scene.get());
        } else {
            director().runWithScene(scene.get());
        }
        driver().runFrames(1); // the scene enters and its layers register

        Ref<UITouch> touch = driver().touchDown({10, 20});
        driver().runFrames(1);
        driver().touchMove(touch.get(), {30, 40});
        if (c.cancel) {
            driver().touchCancel(touch.get());
        } else {
            driver().touchUp(touch.get());
        }
        EXPECT_EQ(targeted->seen, c.targeted);
        EXPECT_EQ(standard->seen, c.standard);
    }
}

TEST_F(DirectorTouchTest, TheViewPassesTouchesToTheDispatcherOnlyWhileItIsItsDelegate)
{
    EXPECT_EQ(driver().view()->touchDelegate(), CCTouchDispatcher::sharedDispatcher());
    EXPECT_TRUE(CCTouchDispatcher::sharedDispatcher()->dispatchEvents());

    Ref<CCScene> scene = CCScene::node();
    Ref<TargetedLayer> targeted = makeRef<TargetedLayer>(false);
    scene->addChild(targeted.get());
    director().runWithScene(scene.get());
    driver().runFrames(1);

    driver().view()->setTouchDelegate(nullptr);
    Ref<UITouch> dropped = driver().touchDown({5, 5});
    driver().touchUp(dropped.get());
    EXPECT_TRUE(targeted->seen.empty());
}

} // namespace
} // namespace mw::test
