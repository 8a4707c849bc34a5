#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "analytics/TallyAnalytics.h"
#include "engine/labels/CCLabelTTF.h"
#include "engine/menus/CCMenu.h"
#include "engine/sprites/CCSprite.h"
#include "engine/sprites/CCSpriteFrameCache.h"
#include "game/boards/PuzzleFactory.h"
#include "game/boards/SessionHooks.h"
#include "game/state/UpgradeAction.h"
#include "game/state/TutorialFrameDef.h"
#include "game/state/UpgradeItem.h"
#include "game/village/CCTutorialArrow.h"
#include "tests/game/boards/MineBoardTestSupport.h"

namespace mw {
namespace {

using test::MineBoardTest;

constexpr int32_t kMethane = 23, kEarthTool = 24, kRubbleTool = 25, kGrain = 97, kLunchbox = 98, kCoal = 99,
                  kDrill = 106;

class BoardToolsTest : public MineBoardTest {
protected:
    explicit BoardToolsTest(const char* device = "phone") : MineBoardTest(device) {}

    // Owns `count` of each tool and makes a fresh board that shows them.
    void own(const std::vector<int32_t>& tools, int32_t count = 2)
    {
        Profile& p = profile();
        p.ToolsDict = tools;
        for (int32_t tool : tools) p.UpgradesCountArray[static_cast<size_t>(tool)] = count;
        board_ = newBoard();
    }
    // Picks a tool from the bar as a tap on its button would.
    void pick(int32_t tool)
    {
        CCMenuItem* button = board_->toolButton(tool);
        ASSERT_NE(button, nullptr) << tool;
        button->activate();
    }
    int32_t owned(int32_t tool) { return profile().GetUpgradeCount(tool); }
    // Whether an arrow shows its disabled frame.
    bool showsDisabled(int tag) const
    {
        auto* arrow = dynamic_cast<CCMenuItemSprite*>(board_->toolArrows()->getChildByTag(tag));
        auto* picture = arrow ? dynamic_cast<CCSprite*>(arrow->normalImage()) : nullptr;
        Ref<CCSpriteFrame> disabled = CCSpriteFrameCache::sharedSpriteFrameCache()->spriteFrameByName(
            "tools_menu_bar_arrow_disabled.png");
        return picture && disabled && picture->isFrameDisplayed(disabled.get());
    }
};

TEST_F(BoardToolsTest, ToolsThatWouldChangeNothingShakeAndAreNotSpent)
{
    const struct {
        const char* name;
        int32_t tool;
        std::vector<std::string> rows;
        int32_t startMoves;
        bool forcedSpawnPending;
        bool useful;
    } cases[] = {
        {"earth tool with earth",
         kEarthTool,
         {"166666", "666666", "666666", "666666", "666666", "666666"},
         20,
         false,
         true},
        {"earth tool without earth", kEarthTool, std::vector<std::string>(6, "666666"), 20, false, false},
        {"re-typing with its kind there",
         kCoal,
         {"466666", "666666", "666666", "666666", "666666", "666666"},
         20,
         false,
         true},
        {"re-typing without its kind", kCoal, std::vector<std::string>(6, "666666"), 20, false, false},
        {"lunchbox below the maximum", kLunchbox, std::vector<std::string>(6, "666666"), 20, false, true},
        {"lunchbox at the maximum", kLunchbox, std::vector<std::string>(6, "666666"), 30, false, false},
        {"next spawn", kMethane, std::vector<std::string>(6, "666666"), 20, false, true},
        {"next spawn while one is pending", kMethane, std::vector<std::string>(6, "666666"), 20, true, false},
        {"the drill counts its kind's tiles", kDrill, std::vector<std::string>(6, "666666"), 20, false,
         false},
        {"the drill with its kind there",
         kDrill,
         {"466666", "666666", "666666", "666666", "666666", "666666"},
         20,
         false,
         true},
    };
    for (const auto& c : cases) {
        profile().Start_mineMoves = c.startMoves;
        own({c.tool});
        layout(c.rows);
        if (c.forcedSpawnPending) board_->CurrentPuzzleFactory->nextSpawnSetTo(1);
        TallyAnalytics::clearRecordedEvents();
        CCMenuItem* button = board_->toolButton(c.tool);
        ASSERT_NE(button, nullptr) << c.name;
        const CGPoint home = button->position();
        pick(c.tool);
        EXPECT_EQ(owned(c.tool), c.useful ? 1 : 2) << c.name;
        EXPECT_EQ(TallyAnalytics::recordedEvents().size(), c.useful ? 1u : 0u) << c.name;
        if (!c.useful) {
            EXPECT_NE(button->getActionByTag(Board::kTagToolShake), nullptr) << c.name;
            EXPECT_FALSE(board_->isInputBlocked()) << c.name;
            run(0.7);
            EXPECT_EQ(button->position().x, home.x) << c.name << ": back in place";
        }
        run(1.0);
    }
}

TEST_F(BoardToolsTest, SpendingAToolCountsItLogsItAndBlocksInputWhileItWorks)
{
    profile().ToolsUsed = 499;
    profile().CurrentTools = 5;
    own({kEarthTool});
    layout({"161616", "666666", "666666", "666666", "666666", "666666"});
    std::vector<Puzzle*> earth = board_->getAllPuzzlesByType(1);
    TallyAnalytics::clearRecordedEvents();
    pick(kEarthTool);

    EXPECT_EQ(owned(kEarthTool), 1);
    EXPECT_EQ(profile().ToolsUsed, 500);
    EXPECT_EQ(profile().CurrentTools, 4);
    EXPECT_EQ(board_->SelectedTool, kEarthTool);
    EXPECT_EQ(ledger().done.count("com.zandovar.mw.diy"), 1u);
    EXPECT_EQ(ledger().done.count("com.zandovar.mw.jackofalltrades"), 1u);
    const auto events = TallyAnalytics::recordedEvents();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].name, "Tool");
    EXPECT_EQ(events[0].parameters, (TallyAnalytics::Parameters{{"Tool", "tool_earth"}}));
    EXPECT_TRUE(board_->isInputBlocked());
    EXPECT_TRUE(board_->isCheckAwaiting);

    // The effect comes 0.25 s later: every earth tile is collected.
    run(0.2);
    EXPECT_EQ(board_->getAllPuzzlesByType(1).size(), 3u);
    run(0.1);
    EXPECT_EQ(board_->SelectedTool, -1);
    for (Puzzle* tile : earth)
        EXPECT_EQ(std::count(board_->chainArray.begin(), board_->chainArray.end(), tile), 1);
    EXPECT_TRUE(gridConsistent());
    EXPECT_NEAR(profile().StageExp, 5 + 3, 0.01) << "the tool's points and the tiles'";
    run(3.0);
    EXPECT_EQ(profile().GetCollectibleCount(1), 3);
    EXPECT_FALSE(board_->isInputBlocked());
    EXPECT_FALSE(board_->isCheckAwaiting);
}

TEST_F(BoardToolsTest, EachEffectActsOnTheBoard)
{
    // Re-typing in place: stone becomes gold.
    own({kCoal, kGrain, kMethane, kLunchbox});
    layout({"412666", "466666", "666666", "666666", "666666", "666666"});
    Ref<Puzzle> stone(board_->puzzleAt(0, 0));
    pick(kCoal);
    run(0.3);
    EXPECT_EQ(kindsOf(0), "912666");
    EXPECT_EQ(kindsOf(1), "966666");
    EXPECT_EQ(stone->parent(), nullptr);
    EXPECT_TRUE(gridConsistent());
    run(1.0);

    // Two collecting effects: both kinds at once.
    pick(kGrain);
    run(0.3);
    EXPECT_EQ(board_->chainArray.size(), 2u);
    EXPECT_EQ(board_->puzzleAt(0, 0)->GetType(), 9);
    run(1.0);

    // The next spawn is forced.
    pick(kMethane);
    run(0.3);
    EXPECT_TRUE(board_->CurrentPuzzleFactory->isNextSpawnSetTo());
    EXPECT_EQ(board_->CurrentPuzzleFactory->forcedKind(), 3);
    run(1.0);

    // Ten more moves, never beyond the maximum.
    profile().Start_mineMoves = 15;
    pick(kLunchbox);
    run(0.3);
    EXPECT_EQ(profile().Start_mineMoves, 25);
    EXPECT_EQ(profile().mineMoves, 25);
    EXPECT_EQ(board_->counterLabel->string(), "25");
    run(1.0);
    pick(kLunchbox);
    run(0.3);
    EXPECT_EQ(profile().Start_mineMoves, 30);
}

TEST_F(BoardToolsTest, UpgradeEffectsThatNeedABoardActOnlyWithOne)
{
    layout({"412666", "666666", "666666", "666666", "666666", "666666"});
    UpgradeAction retype;
    retype.ID = 8;
    retype.Value1 = 4;
    retype.Value2 = 9;
    retype.RunAction(nullptr);
    EXPECT_EQ(kindsOf(0), "412666");
    retype.RunAction(board_.get());
    EXPECT_EQ(kindsOf(0), "912666");

    UpgradeAction collect;
    collect.ID = 4;
    collect.Value1 = 2;
    collect.RunAction(board_.get());
    EXPECT_EQ(board_->chainArray.size(), 1u);
    EXPECT_EQ(board_->chainArray[0]->GetType(), 2);
    for (int r = 0; r < 6; ++r)
        for (int c = 0; c < 6; ++c) EXPECT_TRUE(board_->puzzleAt(r, c)->isActive);

    UpgradeAction spawn;
    spawn.ID = 9;
    spawn.Value1 = 4;
    spawn.RunAction(board_.get());
    EXPECT_EQ(board_->CurrentPuzzleFactory->forcedKind(), 4);
}

// A tool's direct collect of rubble blows each tile up where it stood, drawn
// above the collected tiles (raised to 5) from the moment of the collect;
// other kinds go without a blast.
TEST_F(BoardToolsTest, ACollectedRubbleTileBlowsUpAboveTheCollectedTiles)
{
    const struct {
        int32_t kind;
        size_t blasts;
    } cases[] = {{2, 3}, {1, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        board_ = newBoard();
        layout({"216666", "626666", "666626", "666666", "616666", "666666"});
        std::vector<CGPoint> spots;
        for (Puzzle* tile : board_->getAllPuzzlesByType(c.kind)) spots.push_back(tile->position());
        board_->collectPuzzlesOfType(c.kind);
        std::vector<Ref<CCNode>> blasts;
        for (Object* child : *board_->children()) {
            auto* node = static_cast<CCNode*>(child);
            if (node->tag() == MineBoard::kTagExplosion) blasts.emplace_back(node);
        }
        ASSERT_EQ(blasts.size(), c.blasts);
        for (const Ref<CCNode>& blast : blasts) {
            EXPECT_EQ(blast->zOrder(), 6);
            EXPECT_NE(std::find(spots.begin(), spots.end(), blast->position()), spots.end());
        }
        for (const Ref<Puzzle>& tile : board_->chainArray) EXPECT_EQ(tile->zOrder(), 5);
        run(1.0);
        for (const Ref<CCNode>& blast : blasts)
            EXPECT_EQ(blast->parent(), nullptr) << "the blast removes itself";
    }
}

struct BarCase {
    const char* device;
    int tools;
    bool arrows;
};

class ToolsBarLayoutTest : public BoardToolsTest, public ::testing::WithParamInterface<BarCase> {
protected:
    ToolsBarLayoutTest() : BoardToolsTest(GetParam().device) {}
};

TEST_P(ToolsBarLayoutTest, FewToolsAreCentredAndMoreGetArrows)
{
    const std::vector<int32_t> all{kMethane, kEarthTool, kRubbleTool, kGrain, kLunchbox, kCoal, kDrill};
    own(std::vector<int32_t>(all.begin(), all.begin() + GetParam().tools));
    ASSERT_TRUE(board_->HasAnnyTool);
    CCMenu* buttons = board_->toolButtons();
    ASSERT_NE(buttons, nullptr);
    EXPECT_EQ(buttons->children()->count(), static_cast<uint32_t>(GetParam().tools));
    const float dist = board_->ToolDist;
    EXPECT_EQ(dist, board::isIpad() ? 110.0f : 65.0f);
    const float barWidth = board_->toolsBcg->contentSize().width;
    const float count = static_cast<float>(GetParam().tools);
    if (GetParam().tools >= 6) {
        EXPECT_FLOAT_EQ(buttons->position().x, dist + (board::isIpad() ? 0.0f : 26.0f));
    } else {
        EXPECT_FLOAT_EQ(buttons->position().x, barWidth / 2 - (count / 2 - 0.5f) * dist);
    }
    ASSERT_EQ(board_->toolArrows() != nullptr, GetParam().arrows);
    if (GetParam().arrows) {
        EXPECT_TRUE(showsDisabled(Board::kTagRightArrow));
        EXPECT_FALSE(showsDisabled(Board::kTagLeftArrow));
    }
}

INSTANTIATE_TEST_SUITE_P(Devices, ToolsBarLayoutTest,
                         ::testing::Values(BarCase{"phone", 5, false}, BarCase{"phone", 6, true},
                                           BarCase{"tablet", 6, false}, BarCase{"tablet", 7, true}),
                         [](const auto& info) {
                             return std::string(info.param.device) + "_" + std::to_string(info.param.tools);
                         });

TEST_F(BoardToolsTest, TheArrowsScrollOneStepAtATimeWithinTheTools)
{
    own({kMethane, kEarthTool, kRubbleTool, kGrain, kLunchbox, kCoal, kDrill});
    CCMenu* buttons = board_->toolButtons();
    auto* first = static_cast<CCNode*>(buttons->children()->objectAtIndex(0));
    auto* right = dynamic_cast<CCMenuItem*>(board_->toolArrows()->getChildByTag(Board::kTagRightArrow));
    auto* left = dynamic_cast<CCMenuItem*>(board_->toolArrows()->getChildByTag(Board::kTagLeftArrow));
    ASSERT_TRUE(right && left);
    const float x0 = first->position().x;

    board_->RightCallback(right);
    EXPECT_EQ(board_->CurrentToolsMove, 0) << "already at the first tool";

    board_->LeftCallback(left);
    board_->LeftCallback(left); // while the step runs: ignored
    EXPECT_EQ(board_->CurrentToolsMove, -1);
    run(0.25);
    EXPECT_FLOAT_EQ(first->position().x, x0 - 65);
    EXPECT_FALSE(showsDisabled(Board::kTagRightArrow));

    for (int i = 0; i < 4; ++i) {
        board_->LeftCallback(left);
        run(0.25);
    }
    // Seven tools, four in view: the last is in view after three steps.
    EXPECT_EQ(board_->CurrentToolsMove, -3);
    EXPECT_FLOAT_EQ(first->position().x, x0 - 3 * 65);
    EXPECT_TRUE(showsDisabled(Board::kTagLeftArrow));

    board_->RightCallback(right);
    run(0.25);
    EXPECT_EQ(board_->CurrentToolsMove, -2);
    EXPECT_FLOAT_EQ(first->position().x, x0 - 2 * 65);
}

TEST_F(BoardToolsTest, TheToolsButtonSlidesTheBarInAndOut)
{
    own({kEarthTool});
    const CGSize win = board::winSize();
    board_->ToolsCallback(nullptr);
    EXPECT_TRUE(board_->ToolVisible);
    run(0.35);
    EXPECT_FLOAT_EQ(board_->toolsBcg->position().y, win.height - board_->toolsBcg->contentSize().height);
    board_->ToolsCallback(nullptr);
    EXPECT_FALSE(board_->ToolVisible);
    run(0.15);
    EXPECT_FLOAT_EQ(board_->toolsBcg->position().y, win.height);
    EXPECT_TRUE(board_->ToolBtn->isEnabled());
}

TEST_F(BoardToolsTest, TheTutorialMarksMoveFromTheToolsButtonToTheEarthTool)
{
    Profile& p = profile();
    for (int32_t id : {40, 53}) {
        auto def = makeRef<TutorialFrameDef>();
        def->ID = id;
        p.TutorialDict[id] = def;
    }
    own({kEarthTool, kRubbleTool});
    board_->ToolBtn->addChild(CCTutorialArrow::arrow().get(), 1, Board::kTagToolsButtonArrow);
    board_->ToolBtn->addChild(CCSprite::node().get(), 1, Board::kTagToolsButtonMarker);
    CCMenuItem* earth = board_->toolButton(kEarthTool);
    ASSERT_NE(earth, nullptr);

    board_->ToolsCallback(nullptr);
    EXPECT_EQ(board_->ToolBtn->getChildByTag(Board::kTagToolsButtonArrow), nullptr);
    EXPECT_EQ(board_->ToolBtn->getChildByTag(Board::kTagToolsButtonMarker), nullptr);
    CCNode* arrow = earth->getChildByTag(Board::kTagEarthToolArrow);
    ASSERT_NE(arrow, nullptr);
    EXPECT_NE(dynamic_cast<CCTutorialArrow*>(arrow), nullptr);
    EXPECT_FLOAT_EQ(arrow->rotation(), 180);
    EXPECT_FLOAT_EQ(arrow->position().x, earth->contentSize().width / 2);
    EXPECT_FLOAT_EQ(arrow->position().y, earth->contentSize().height);
    EXPECT_TRUE(p.GetTutorialDef(40)->ArrowAfterDone);
    EXPECT_TRUE(p.GetTutorialDef(53)->ArrowAfterDone);
    EXPECT_EQ(board_->toolButton(kRubbleTool)->getChildByTag(Board::kTagEarthToolArrow), nullptr);
    EXPECT_EQ(std::count(board_->calls.begin(), board_->calls.end(), "ValidateAndPlayTutorial"), 1);

    board_->ToolsCallback(nullptr);
    EXPECT_EQ(earth->getChildByTag(Board::kTagEarthToolArrow), nullptr) << "hiding the bar takes the arrow away";
}

TEST_F(BoardToolsTest, WithoutTheMarksOpeningTheBarLeavesTheFramesAlone)
{
    Profile& p = profile();
    auto def = makeRef<TutorialFrameDef>();
    def->ID = 53;
    p.TutorialDict[53] = def;
    own({kRubbleTool});
    board_->ToolsCallback(nullptr);
    EXPECT_FALSE(p.GetTutorialDef(53)->ArrowAfterDone) << "no marker on the tools button";
    EXPECT_EQ(board_->toolButton(kRubbleTool)->getChildByTag(Board::kTagEarthToolArrow), nullptr);
}

TEST_F(BoardToolsTest, TheEarthToolsFirstPickOpensItsLessonAndStillSpendsTheTool)
{
    struct Row {
        const char* name;
        bool lesson;        // frame 42 is in the data
        bool done;          // and already done
        bool presented;     // the tutorial pop-up could be shown
        bool asked;         // the board asks for frame 42
        bool inputClosed;   // the board's input is switched off
    };
    const Row rows[] = {
        {"lesson open, pop-up shown", true, false, true, true, true},
        {"lesson open, no pop-up installed", true, false, false, true, false},
        {"lesson done", true, true, true, false, false},
        {"no such lesson", false, false, true, false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        profile().TutorialDict.erase(42);
        if (row.lesson) {
            auto def = makeRef<TutorialFrameDef>();
            def->ID = 42;
            def->Done = row.done;
            profile().TutorialDict[42] = def;
        }
        own({kEarthTool});
        board_->presentsTutorial = row.presented;
        layout({"161616", "666666", "666666", "666666", "666666", "666666"});
        pick(kEarthTool);
        const bool asked =
            std::count(board_->calls.begin(), board_->calls.end(), "PresentTutorialFrame 42") == 1;
        EXPECT_EQ(asked, row.asked);
        EXPECT_EQ(!board_->BottomMenu->isTouchEnabled(), row.inputClosed);
        EXPECT_EQ(owned(kEarthTool), 1) << "the pick goes on";
    }
}

TEST_F(BoardToolsTest, ATutorialFrameIsShownThroughTheSessionsMakerOrNotAtAll)
{
    own({kEarthTool});
    session::TutorialMaker previous = session::setTutorialMaker(nullptr);
    EXPECT_FALSE(board_->Board::PresentTutorialFrame(42, 5)) << "no maker: nothing shows";
    Ref<CCNode> made = CCNode::node();
    (void)session::setTutorialMaker([&made](int32_t frame) { return frame == 42 ? made : nullptr; });
    EXPECT_TRUE(board_->Board::PresentTutorialFrame(42, 5));
    EXPECT_EQ(made->parent(), board_.get());
    EXPECT_EQ(made->zOrder(), 5);
    EXPECT_FALSE(board_->Board::PresentTutorialFrame(41, 5));
    (void)session::setTutorialMaker(std::move(previous));
}

TEST_F(BoardToolsTest, WithoutToolsTheBarSaysSo)
{
    own({});
    EXPECT_FALSE(board_->HasAnnyTool);
    EXPECT_EQ(board_->toolArrows(), nullptr);
    EXPECT_EQ(board_->toolsBcg->children()->count(), 3u) << "the notice and its two-layer text";
}

} // namespace
} // namespace mw
