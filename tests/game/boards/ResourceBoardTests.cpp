#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/rendering/CCProgressTimer.h"
#include "engine/sprites/CCSprite.h"
#include "game/boards/ResourceBoard.h"
#include "game/boards/CCCounterDrell.h"
#include "game/boards/CCExpPoints.h"
#include "game/boards/CCTooltip.h"
#include "tests/game/boards/BoardsTestSupport.h"

namespace mw {
namespace {

using test::BoardTest;
using test::RecordingBoard;

CCCounterDrell* counterOf(ResourceBoard& panel, int32_t resource)
{
    return dynamic_cast<CCCounterDrell*>(panel.slotOf(resource)->getChildByTag(ResourceBoard::kTagCounter));
}

CCSprite* iconOf(ResourceBoard& panel, int32_t resource)
{
    return dynamic_cast<CCSprite*>(panel.slotOf(resource)->getChildByTag(ResourceBoard::kTagIcon));
}

class ResourceBoardTest : public BoardTest {
protected:
    void SetUp() override
    {
        BoardTest::SetUp();
        board = makeRef<RecordingBoard>();
        scene().addChild(board.get());
    }
    Ref<ResourceBoard> panelOf(int32_t mode)
    {
        auto panel = ResourceBoard::boardWithMode(mode);
        board->addChild(panel.get());
        return panel;
    }
    Ref<RecordingBoard> board;
};

TEST_F(ResourceBoardTest, EachModeHasItsEightSlotsInARow)
{
    const struct {
        int32_t mode;
        std::vector<int32_t> slots;
    } modes[] = {{0, {10, 11, 12, 7, 8, 9, 14, 16}}, {1, {3, 1, 2, 4, 5, 6, 15, 13}}, {5, {10, 11, 12, 7, 8, 9, 14, 16}}};
    for (const auto& mode : modes) {
        auto panel = panelOf(mode.mode);
        for (size_t i = 0; i < mode.slots.size(); ++i) {
            CCNode* slot = panel->slotOf(mode.slots[i]);
            ASSERT_NE(slot, nullptr) << "mode " << mode.mode << " slot " << i;
            // Phone: 320 x 480 points.
            EXPECT_FLOAT_EQ(slot->position().x, static_cast<float>(i + 1) * 320 / 9);
            EXPECT_FLOAT_EQ(slot->position().y, 0.25f * 480);
            EXPECT_NE(slot->getChildByTag(ResourceBoard::kTagCounter), nullptr);
            EXPECT_NE(panel->progressBarOf(mode.slots[i]), nullptr);
            EXPECT_NE(panel->previewBarOf(mode.slots[i]), nullptr);
        }
        EXPECT_EQ(panel->GetPositionOfResourceOfType(mode.slots[0]),
                  (CGPoint{320.0f / 9, 0.25f * 480 + 4}));
    }
    auto mine = panelOf(0);
    EXPECT_NE(iconOf(*mine, 14), nullptr) << "a resource of the data shows its icon";
    EXPECT_EQ(mine->slotOf(11)->getChildByTag(ResourceBoard::kTagIcon), nullptr) << "none for one without a record";
    EXPECT_EQ(mine->GetPositionOfResourceOfType(3), CGPointZero) << "no slot";
    EXPECT_EQ(mine->progressBarOf(14)->type(), kCCProgressTimerTypeVerticalBarBT);
    EXPECT_FLOAT_EQ(mine->progressBarOf(14)->scale(), 0.9f);
    EXPECT_EQ(mine->progressBarOf(14)->position(), (CGPoint{0, -40}));
}

TEST_F(ResourceBoardTest, BarsShowProgressAndThePreviewStartsAgainAfterARollOver)
{
    auto panel = panelOf(0);
    // Earth: 5 tiles a unit of resource 14.
    profile().CollectibleCountArray[1] = 2;
    panel->updateBoard(14);
    EXPECT_FLOAT_EQ(panel->progressBarOf(14)->percentage(), 40);
    panel->ChangeFakeProgressBy(2, 14, 5);
    EXPECT_FLOAT_EQ(panel->previewBarOf(14)->percentage(), 80);
    panel->ChangeFakeProgressBy(9, 14, 5);
    EXPECT_FLOAT_EQ(panel->previewBarOf(14)->percentage(), 100) << "more than a unit shows a full bar";
    panel->ResetAll();
    EXPECT_FLOAT_EQ(panel->previewBarOf(14)->percentage(), 40);
    panel->ChangeFakeProgressBy(9, 14, 5);
    profile().increaseCollectible(1, 3); // 5 tiles: one unit, the count rolls over to 0
    panel->updateBoard(14);
    EXPECT_FLOAT_EQ(panel->progressBarOf(14)->percentage(), 0);
    EXPECT_FLOAT_EQ(panel->previewBarOf(14)->percentage(), 0);
    panel->updateBoard(3); // no slot in the mine
}

TEST_F(ResourceBoardTest, TheCounterPaysExperienceOnlyWhenTheStockChanged)
{
    auto panel = panelOf(0);
    const float stage = profile().StageExp;
    panel->updateBoard(14);
    EXPECT_FLOAT_EQ(profile().StageExp, stage);
    int labels = 0;
    for (uint32_t i = 0; i < board->children()->count(); ++i)
        labels += dynamic_cast<CCExpPoints*>(board->children()->objectAtIndex(i)) != nullptr;
    EXPECT_EQ(labels, 0);

    profile().increaseResource(14, 2);
    panel->updateBoard(14);
    EXPECT_FLOAT_EQ(profile().StageExp - stage, 4) << "the resource's 4 points";
    EXPECT_EQ(counterOf(*panel, 14)->GetValue(), profile().GetResourceCount(14));
    for (uint32_t i = 0; i < board->children()->count(); ++i)
        labels += dynamic_cast<CCExpPoints*>(board->children()->objectAtIndex(i)) != nullptr;
    EXPECT_EQ(labels, 1);
    panel->updateBoard(14);
    EXPECT_FLOAT_EQ(profile().StageExp - stage, 4);
}

TEST_F(ResourceBoardTest, UnseenResourcesAreDarkUntilRevealedWithTheirAchievementOnce)
{
    auto panel = panelOf(0);
    EXPECT_EQ(iconOf(*panel, 9)->color(), ccBLACK);
    EXPECT_EQ(iconOf(*panel, 9)->opacity(), 140);
    EXPECT_EQ(counterOf(*panel, 9)->textOpacity(), 0);
    profile().GetResource(9)->Seen = true;
    panel->RefreshNotSeenIcons();
    EXPECT_EQ(iconOf(*panel, 9)->color(), ccWHITE);
    EXPECT_EQ(iconOf(*panel, 9)->opacity(), 255);
    EXPECT_EQ(counterOf(*panel, 9)->textOpacity(), 255);
    ledger().done.clear(); // even a forgotten grant is not asked for again
    panel->RefreshNotSeenIcons();
    EXPECT_EQ(ledger().grants, (std::vector<std::string>{"com.zandovar.mw.glitteringgold ACH_GOLD1 10"}));
}

TEST_F(ResourceBoardTest, ATouchOpensTheTooltipOfASeenBarAndTheNextEndIsSwallowed)
{
    auto panel = panelOf(0);
    profile().GetResource(14)->Seen = true;
    // The bar of slot 14 (the 7th): 16 x 56 pixels, its bottom at the slot's y - 56.
    const CGPoint slot = panel->slotOf(14)->position();
    panel->PassInput(CGPoint{slot.x + 7, slot.y - 55});
    ASSERT_NE(panel->tooltip(), nullptr);
    EXPECT_EQ(panel->tooltip()->resource(), 14);
    EXPECT_EQ(panel->tooltip()->parent(), panel->slotOf(14));
    EXPECT_EQ(panel->tooltip()->position(), (CGPoint{0, 56}));
    EXPECT_TRUE(panel->KillTooltip());
    EXPECT_EQ(panel->tooltip(), nullptr);
    EXPECT_FALSE(panel->KillTooltip());

    // An unseen bar or a miss opens nothing but still swallows the next end.
    panel->PassInput(CGPoint{panel->slotOf(16)->position().x, slot.y - 20});
    EXPECT_EQ(panel->tooltip(), nullptr);
    EXPECT_TRUE(panel->isCheck());
    EXPECT_TRUE(panel->KillTooltip());
    EXPECT_FALSE(panel->KillTooltip());
}

TEST_F(ResourceBoardTest, AFinishedTutorialArrowGoesOnlyOnAFieldBoard)
{
    auto panel = panelOf(1);
    auto arrow = CCNode::node();
    panel->slotOf(3)->addChild(arrow.get(), 0, ResourceBoard::kTagArrowFrame12);
    profile().GetTutorialDef(12)->Done = true;
    panel->KillTooltipArrow();
    EXPECT_NE(panel->slotOf(3)->getChildByTag(ResourceBoard::kTagArrowFrame12), nullptr) << "not a field board";
    board->field = true;
    panel->KillTooltipArrow();
    EXPECT_EQ(panel->slotOf(3)->getChildByTag(ResourceBoard::kTagArrowFrame12), nullptr);
    EXPECT_TRUE(profile().GetTutorialDef(12)->ArrowAfterDone);
    EXPECT_EQ(board->tutorialRuns, 1);
    panel->KillTooltipArrow();
    EXPECT_EQ(board->tutorialRuns, 1) << "frame 34 is not done";
}

} // namespace
} // namespace mw
