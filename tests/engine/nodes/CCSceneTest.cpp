#include <gtest/gtest.h>

#include "engine/nodes/CCScene.h"
#include "tests/engine/nodes/CCLayerTestSupport.h"

namespace mw {
namespace {

using CCSceneTest = test::LayerTest;

TEST_F(CCSceneTest, NewSceneCoversTheWindowFromItsLowerLeftCorner)
{
    for (float factor : {1.0f, 2.0f}) {
        SCOPED_TRACE(factor);
        ccSetContentScaleFactor(factor);
        auto scene = CCScene::node();
        EXPECT_EQ(scene->contentSize(), (CGSize{320, 480}));
        EXPECT_EQ(scene->anchorPoint(), (CGPoint{0.5f, 0.5f}));
        EXPECT_EQ(scene->anchorPointInPixels(), (CGPoint{160 * factor, 240 * factor}));
        EXPECT_FALSE(scene->isRelativeAnchorPoint());
        EXPECT_EQ(scene->boundingBox(), (CGRect{0, 0, 320, 480}));
    }
}

TEST_F(CCSceneTest, WithoutAWindowTheSizeIsZero)
{
    ccSetWinSizeProvider(nullptr);
    auto scene = CCScene::node();
    EXPECT_EQ(scene->contentSize(), (CGSize{0, 0}));
    EXPECT_EQ(scene->anchorPointInPixels(), (CGPoint{0, 0}));
}

// The game's scenes drop their content layers when hidden.
class DoorScene : public CCScene {
public:
    void onHide() override { removeAllChildrenWithCleanup(true); }
};

TEST_F(CCSceneTest, OnHideReachesTheGamesOverride)
{
    Ref<CCScene> scene = makeRef<DoorScene>();
    scene->addChild(CCNode::node().get());
    scene->onHide();
    EXPECT_EQ(scene->children()->count(), 0u);
    CCScene::node()->onHide();  // the base hook does nothing
}

} // namespace
} // namespace mw
