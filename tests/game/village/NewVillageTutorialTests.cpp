#include <gtest/gtest.h>

#include <vector>

#include "game/boards/CCTutorialArrow.h"
#include "game/village/CCTutorialParent.h"
#include "game/village/tutorial/TutorialAnim.h"
#include "game/village/tutorial/TutorialPopup.h"
#include "tests/game/village/VillageTestSupport.h"

namespace mw {
namespace {

using test::VillageWorld;

// A village just founded, played through the frame driver: taps reach the
// pop-ups the way a finger does. Pictures go to $MOSSWICK_TEST_PICTURES.
class NewVillageTutorialTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(world.run.ok()) << "no headless GL context";
        ASSERT_TRUE(world.ready());
    }
    // The pop-up shown last (the one before it may still be sliding out).
    TutorialPopup* newest()
    {
        CCArray* children = world.hud().GetTutorialParent()->children();
        if (!children || children->count() == 0) return nullptr;
        return dynamic_cast<TutorialPopup*>(children->lastObject());
    }
    std::vector<CCTutorialArrow*> arrowsOn(CCNode* node)
    {
        std::vector<CCTutorialArrow*> found;
        for (size_t i = 0; node->children() && i < node->children()->count(); ++i) {
            if (auto* arrow = dynamic_cast<CCTutorialArrow*>(node->children()->objectAtIndex(i)))
                found.push_back(arrow);
        }
        return found;
    }
    bool inputOff() { return !world.map()->isTouchEnabled() && !world.hud().IsActive(); }
    bool inputOn() { return world.map()->isTouchEnabled() && world.hud().IsActive(); }
    CGPoint centre() { return {world.win().width / 2, world.win().height / 2}; }

    VillageWorld world{GetParam()};
};

TEST_P(NewVillageTutorialTest, TheFirstThreeFramesLeadToTheSettlementButton)
{
    world.start();
    ASSERT_NE(world.map(), nullptr);
    for (int32_t frame : {0, 1, 2}) {
        SCOPED_TRACE(frame);
        TutorialPopup* popUp = newest();
        ASSERT_NE(popUp, nullptr);
        ASSERT_NE(popUp->frameDef(), nullptr);
        EXPECT_EQ(popUp->frameDef()->ID, frame);
        EXPECT_TRUE(inputOff());
        world.run.run(0.6);
        world.tap(centre());
        EXPECT_FALSE(popUp->frameDef()->Done) << "a tap during the show does nothing";
        world.run.run(0.8);
        if (frame == 0) world.run.picture("tutorial-frame0");
        EXPECT_TRUE(inputOff());
        world.tap(centre());
        EXPECT_TRUE(world.profile().GetTutorialDef(frame)->Done);
    }
    // Frame 2's arrow: the settlement button appears and is pointed at.
    world.run.run(1.2);
    MapScene& map = *world.map();
    ASSERT_NE(map.settleButton(), nullptr);
    std::vector<CCTutorialArrow*> arrows = arrowsOn(&map);
    ASSERT_EQ(arrows.size(), 1u);
    EXPECT_FLOAT_EQ(arrows[0]->position().x, map.settleButton()->position().x);
    EXPECT_FLOAT_EQ(arrows[0]->position().y, map.settleButton()->position().y + (world.tablet() ? 15 : 7));
    EXPECT_TRUE(inputOn());
    EXPECT_EQ(world.hud().GetTutorialParent()->children() ? world.hud().GetTutorialParent()->children()->count() : 0,
              0u)
        << "every pop-up slid out and went";
    world.run.picture("tutorial-settlement-arrow");
}

TEST_P(NewVillageTutorialTest, TheBuildArrowOfFrame7AndTheFieldsOverlayAsTheyAreSeen)
{
    world.established();
    world.markFrame(7, true, false);
    world.start();
    ASSERT_NE(world.hud().getChildByTag(898), nullptr);
    world.run.run(0.7);
    world.run.picture("tutorial-hud-arrow");

    world.profile().GetTutorialDef(10)->Done = false;
    Ref<TutorialAnim> overlay = TutorialAnim::overlayWithTutorialState(10);
    ASSERT_NE(overlay, nullptr);
    world.scene->addChild(overlay.get(), 10);
    world.run.run(1.0);
    world.run.picture("tutorial-overlay-10");
    world.tap(VillageWorld::centreOf(overlay->continueButton()));
    EXPECT_TRUE(world.profile().GetTutorialDef(10)->Done);
    EXPECT_EQ(overlay->parent(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Devices, NewVillageTutorialTest, ::testing::ValuesIn(test::kVillageDevices));

} // namespace
} // namespace mw
