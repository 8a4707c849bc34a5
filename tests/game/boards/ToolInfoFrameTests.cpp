#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "engine/labels/CCLabelTTF.h"
#include "engine/menus/CCMenu.h"
#include "game/boards/CCToolInfoFrame.h"
#include "tests/game/boards/BoardsTestSupport.h"

namespace mw {
namespace {

using test::BoardTest;
using test::RecordingBoard;

std::vector<int32_t> toolsInRows(CCToolInfoFrame& frame)
{
    std::vector<int32_t> tools;
    const uint32_t rows = frame.numberOfCellsInTableView(frame.table());
    for (uint32_t i = 0; i < rows; ++i) {
        Ref<CCTableViewCell> cell = frame.tableCellAtIndex(frame.table(), i);
        tools.push_back(static_cast<ToolInfoCell*>(cell.get())->tool());
    }
    return tools;
}

class ToolInfoFrameTest : public BoardTest {
protected:
    void SetUp() override
    {
        BoardTest::SetUp();
        board = makeRef<RecordingBoard>();
        scene().addChild(board.get());
    }
    Ref<RecordingBoard> board;
};

TEST_F(ToolInfoFrameTest, EachModeListsItsOwnVisibleToolsInOrder)
{
    const struct {
        int32_t mode;
        std::vector<int32_t> tools;
    } rows[] = {{0, {24, 25}}, {1, {78}}, {2, {24, 25}}};
    for (const auto& row : rows) {
        profile().CurrentMode = row.mode;
        auto frame = CCToolInfoFrame::frame();
        EXPECT_EQ(CCToolInfoFrame::listedTools(), row.tools) << "mode " << row.mode;
        EXPECT_EQ(toolsInRows(*frame), row.tools) << "a hidden tool shifts no index";
    }
    profile().CurrentMode = 0;
    auto frame = CCToolInfoFrame::frame();
    EXPECT_EQ(static_cast<ToolInfoCell*>(frame->tableCellAtIndex(frame->table(), 5).get())->tool(), 0)
        << "beyond the list: an empty row";
    // Revealed since the frame was made: listed at the next ask.
    profile().GetUpgrade(23)->isHidden = false;
    EXPECT_EQ(toolsInRows(*frame), (std::vector<int32_t>{23, 24, 25}));
    EXPECT_EQ(frame->cellSizeForTable(frame->table()), (CGSize{190, 46})) << "phone";
}

TEST_F(ToolInfoFrameTest, ARowShowsThePictureNameAndDescriptionOfItsTool)
{
    profile().CurrentMode = 0;
    ToolInfoCell cell(0);
    ASSERT_EQ(cell.tool(), 24);
    std::vector<CCLabelTTF*> labels;
    CCSprite* picture = nullptr;
    for (uint32_t i = 0; i < cell.children()->count(); ++i) {
        auto* child = static_cast<CCNode*>(cell.children()->objectAtIndex(i));
        if (auto* label = dynamic_cast<CCLabelTTF*>(child)) {
            labels.push_back(label);
        } else if (auto* sprite = dynamic_cast<CCSprite*>(child)) {
            picture = sprite;
        }
    }
    ASSERT_NE(picture, nullptr);
    EXPECT_FLOAT_EQ(picture->scale(), 0.75f);
    EXPECT_EQ(picture->position(), (CGPoint{5, 22}));
    ASSERT_EQ(labels.size(), 2u);
    EXPECT_EQ(labels[0]->position(), (CGPoint{65, 37}));
    EXPECT_EQ(labels[0]->color(), ccc3(82, 69, 66));
    EXPECT_EQ(labels[1]->position(), (CGPoint{65, 10}));
    EXPECT_EQ(labels[1]->color(), ccc3(123, 107, 94));
}

TEST_F(ToolInfoFrameTest, WithoutToolsTheFrameStillShowsAndTheBackButtonAsksTheBoard)
{
    profile().UpgradesDict.erase(24);
    profile().UpgradesDict.erase(25);
    profile().CurrentMode = 0;
    auto frame = CCToolInfoFrame::frame();
    board->addChild(frame.get(), 5);
    EXPECT_EQ(frame->numberOfCellsInTableView(frame->table()), 0u);
    ASSERT_NE(frame->menu(), nullptr);
    EXPECT_EQ(frame->menu()->children()->count(), 1u);
    EXPECT_EQ(frame->menu()->position(), (CGPoint{0.32f * 220, 0.375f * 300}));
    EXPECT_EQ(frame->table()->position(), (CGPoint{-0.46f * 220, -0.41f * 300}));
    frame->tableCellTouched(frame->table(), nullptr);
    EXPECT_EQ(board->toolInfoCalls, 0);
    frame->MenuClick();
    EXPECT_EQ(board->toolInfoCalls, 1);
}

} // namespace
} // namespace mw
