#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/actions/CCActionProgressTimer.h"
#include "engine/actions/CCActionTween.h"
#include "engine/base/CCPropertyRegistry.h"
#include "engine/nodes/CCNode.h"
#include "engine/rendering/CCProgressTimerProtocol.h"
#include "foundation/Log.h"

namespace mw {
namespace {

// A node with a float property of its own, registered by name.
class GlowNode : public CCNode {
public:
    void setGlow(float glow) { glow_ = glow; }
    float glow() const { return glow_; }
    // Takes "scale" over: records it instead of scaling.
    void setRecordedScale(float scale) { recordedScale_ = scale; }
    float recordedScale() const { return recordedScale_; }

private:
    float glow_ = 0;
    float recordedScale_ = -1;
};

class ScaleRecorder : public GlowNode {};

void registerGlowNode()
{
    static bool registered = false;
    if (registered) return;
    CCPropertyRegistry::shared().registerFloat<GlowNode>("glow", &GlowNode::setGlow);
    CCPropertyRegistry::shared().registerFloat<ScaleRecorder>("scale", &ScaleRecorder::setRecordedScale);
    registered = true;
}

// A progress timer as the progress actions see it: it clamps to 0..100.
class FakeTimer : public CCNode, public CCProgressTimerProtocol {
public:
    float percentage() const override { return percentage_; }
    void setPercentage(float percentage) override { percentage_ = std::clamp(percentage, 0.0f, 100.0f); }

private:
    float percentage_ = 0;
};

std::vector<float> valuesAt(CCActionInterval& action, CCNode* node, const std::vector<float>& times,
                            float (*read)(CCNode*))
{
    std::vector<float> values;
    action.startWithTarget(node);
    for (float t : times) {
        action.update(t);
        values.push_back(read(node));
    }
    return values;
}

float readScale(CCNode* node) { return node->scaleX(); }
float readGlow(CCNode* node) { return static_cast<GlowNode*>(node)->glow(); }
float readPercentage(CCNode* node) { return static_cast<FakeTimer*>(node)->percentage(); }

TEST(ActionsTweenTest, ATweenDrivesANamedPropertyItsReverseAndItsCopy)
{
    registerGlowNode();
    auto node = makeRef<GlowNode>();
    auto tween = CCActionTween::actionWithDuration(2, "scale", 1, 3);
    EXPECT_EQ(valuesAt(*tween, node, {0, 0.5f, 1}, readScale), (std::vector<float>{1, 2, 3}));
    auto reversed = dynamicRef<CCActionInterval>(tween->reverse());
    EXPECT_EQ(valuesAt(*reversed, node, {0, 0.5f, 1}, readScale), (std::vector<float>{3, 2, 1}));
    auto copied = copyAs<CCActionInterval>(*tween);
    EXPECT_EQ(valuesAt(*copied, node, {0, 0.5f, 1}, readScale), (std::vector<float>{1, 2, 3}));

    auto glow = CCActionTween::actionWithDuration(1, "glow", 10, -10);
    EXPECT_EQ(valuesAt(*glow, node, {0, 0.25f, 1}, readGlow), (std::vector<float>{10, 5, -10}));
}

TEST(ActionsTweenTest, ASubclassRegistrationTakesTheNameOver)
{
    registerGlowNode();
    auto recorder = makeRef<ScaleRecorder>();
    auto tween = CCActionTween::actionWithDuration(1, "scale", 0, 4);
    tween->startWithTarget(recorder);
    tween->update(0.5f);
    EXPECT_EQ(recorder->recordedScale(), 2);
    EXPECT_EQ(recorder->scaleX(), 1);
    // The glow node itself still scales.
    auto glowNode = makeRef<GlowNode>();
    tween->startWithTarget(glowNode);
    tween->update(0.5f);
    EXPECT_EQ(glowNode->scaleX(), 2);
}

TEST(ActionsTweenTest, AnUnknownPropertyIsReportedOnceARunAndSetsNothing)
{
    auto node = CCNode::node();
    auto tween = CCActionTween::actionWithDuration(1, "glow", 0, 1);  // plain nodes have no glow
    ScopedLogCapture log;
    for (int run = 0; run < 2; ++run) {
        tween->startWithTarget(node);
        for (float t : {0.0f, 0.5f, 1.0f}) tween->update(t);
    }
    EXPECT_EQ(log.lines().size(), 2u);
    EXPECT_TRUE(log.contains("\"glow\""));
    EXPECT_FALSE(CCPropertyRegistry::shared().setFloat(nullptr, "scale", 1));
}

TEST(ActionsTweenTest, ProgressActionsRunTheTimersPercentage)
{
    struct Case {
        std::string name;
        Ref<CCActionInterval> action;
        float startPercentage;
        std::vector<float> expected;  // at progress 0, 0.5 and 1
    };
    const std::vector<Case> cases = {
        {"to 100 from a full timer runs up from empty", CCProgressTo::actionWithDuration(1, 100), 100, {0, 50, 100}},
        {"to 100 from 40", CCProgressTo::actionWithDuration(1, 100), 40, {40, 70, 100}},
        {"to 0 from 60", CCProgressTo::actionWithDuration(1, 0), 60, {60, 30, 0}},
        {"from-to ignores the timer", CCProgressFromTo::actionWithDuration(1, 0, 100), 80, {0, 50, 100}},
        {"from-to reversed", dynamicRef<CCActionInterval>(CCProgressFromTo::actionWithDuration(1, 20, 60)->reverse()),
         0, {60, 40, 20}},
        {"the timer clamps", CCProgressFromTo::actionWithDuration(1, -50, 150), 0, {0, 50, 100}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto timer = makeRef<FakeTimer>();
        timer->setPercentage(c.startPercentage);
        EXPECT_EQ(valuesAt(*c.action, timer, {0, 0.5f, 1}, readPercentage), c.expected);
        auto copied = copyAs<CCActionInterval>(*c.action);
        timer->setPercentage(c.startPercentage);
        EXPECT_EQ(valuesAt(*copied, timer, {0, 0.5f, 1}, readPercentage), c.expected);
    }
    EXPECT_FALSE(CCProgressTo::actionWithDuration(1, 50)->reverse());
    // A node that is not a progress timer is left alone.
    auto node = CCNode::node();
    valuesAt(*CCProgressTo::actionWithDuration(1, 50), node, {0, 1}, readScale);
}

} // namespace
} // namespace mw
