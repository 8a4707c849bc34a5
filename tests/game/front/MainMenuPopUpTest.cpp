#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "engine/menus/CCMenuItem.h"
#include "engine/nodes/CCLayerColor.h"
#include "foundation/Log.h"
#include "game/boards/BoardSupport.h"
#include "game/front/MainMenuPopUp.h"
#include "tests/game/boards/BoardsTestSupport.h"

namespace mw {
namespace {

// Stands where a board stands: it opens the pop-up and takes its input back.
class RecordingOpener : public CCNode, public PopUpOpener {
public:
    void SetInputActive(bool active) override { inputs.push_back(active); }
    std::vector<bool> inputs;
};

class MainMenuPopUpTest : public test::BoardTest, public ::testing::WithParamInterface<const char*> {
protected:
    MainMenuPopUpTest() : BoardTest(GetParam()) {}
    void SetUp() override
    {
        BoardTest::SetUp();
        for (const char* file : {"Options.ccb", "Options_small.ccb"}) {
            std::filesystem::copy_file(test::sourceTreePath(std::string("resources/") + file), bundle_.file(file),
                                       std::filesystem::copy_options::overwrite_existing);
        }
        opener = makeRef<RecordingOpener>();
        scene().addChild(opener.get());
        previousMaker = MainMenuPopUp::setMenuSceneMaker([this] { ++menusMade; });
    }
    void TearDown() override
    {
        MainMenuPopUp::setMenuSceneMaker(previousMaker);
        opener = nullptr;
        BoardTest::TearDown();
    }
    // Opens the pop-up over the opener the way a board does.
    MainMenuPopUp* open()
    {
        auto popUp = MainMenuPopUp::popUp();
        const CGSize win = board::winSize();
        popUp->setPosition({win.width / 2, win.height / 2});
        opener->addChild(popUp.get(), 6);
        opener->SetInputActive(false);
        return popUp.get();
    }

    Ref<RecordingOpener> opener;
    MainMenuPopUp::MenuSceneMaker previousMaker;
    int menusMade = 0;
};

TEST_P(MainMenuPopUpTest, DimsTheWholeWindowUnderTheOptionsSceneWithItsButtonsBound)
{
    MainMenuPopUp* popUp = open();
    const CGSize win = board::winSize();
    ASSERT_GE(popUp->children()->count(), 2u);
    auto* dim = dynamic_cast<CCLayerColor*>(popUp->children()->objectAtIndex(0));
    ASSERT_NE(dim, nullptr);
    EXPECT_EQ(dim->opacity(), 128);
    EXPECT_EQ(dim->color().r + dim->color().g + dim->color().b, 0);
    EXPECT_EQ(dim->contentSize().width, win.width);
    EXPECT_EQ(dim->contentSize().height, win.height);
    EXPECT_EQ(dim->position().x, -win.width / 2);
    EXPECT_EQ(dim->position().y, -win.height / 2);
    ASSERT_NE(popUp->sceneRoot(), nullptr);
    EXPECT_EQ(popUp->sceneRoot()->parent(), popUp);
    EXPECT_NE(popUp->Bcg, nullptr);
    EXPECT_NE(popUp->BackButton, nullptr);
    EXPECT_NE(popUp->MenuButton, nullptr);
}

TEST_P(MainMenuPopUpTest, BackGivesTheOpenerItsInputAndRemovesThePopUp)
{
    MainMenuPopUp* popUp = open();
    ASSERT_NE(popUp->BackButton, nullptr);
    popUp->BackButton->activate();
    EXPECT_EQ(opener->inputs, (std::vector<bool>{false, true}));
    EXPECT_EQ(opener->children() ? opener->children()->count() : 0u, 0u);
    EXPECT_EQ(menusMade, 0);
}

TEST_P(MainMenuPopUpTest, MenuDropsTheSessionByReadingTheSaveBackAndMakesTheMenuOnce)
{
    profile().GoldCount = 40;
    profile().Save();
    MainMenuPopUp* popUp = open();
    profile().GoldCount = 7; // spent during the session
    ASSERT_NE(popUp->MenuButton, nullptr);
    popUp->MenuButton->activate();
    EXPECT_EQ(Profile::sharedInstance()->GoldCount, 40);
    EXPECT_EQ(menusMade, 1);
}

TEST_P(MainMenuPopUpTest, AMissingSceneFileLeavesAClosableDimLayer)
{
    std::filesystem::remove(bundle_.file("Options.ccb"));
    std::filesystem::remove(bundle_.file("Options_small.ccb"));
    ScopedLogCapture log;
    MainMenuPopUp* popUp = open();
    EXPECT_EQ(popUp->sceneRoot(), nullptr);
    EXPECT_EQ(popUp->children()->count(), 1u);
    EXPECT_TRUE(log.contains("MainMenuPopUp: cannot read"));
    popUp->BackCallback(nullptr);
    EXPECT_EQ(opener->children() ? opener->children()->count() : 0u, 0u);
}

INSTANTIATE_TEST_SUITE_P(Devices, MainMenuPopUpTest, ::testing::Values("phone", "tablet-hd"));

} // namespace
} // namespace mw
