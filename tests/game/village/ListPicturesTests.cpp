#include <gtest/gtest.h>

#include "game/village/hud/HirePopUp.h"
#include "game/village/screens/BuildingsLayer.h"
#include "game/village/screens/ToolsLayer.h"
#include "game/village/screens/WorkersLayer.h"
#include "tests/game/village/ListScreensSupport.h"

namespace mw {
namespace {

// Pictures of the lists and the hire pop-up, written when
// $MOSSWICK_TEST_PICTURES names a folder; every run checks that the screens
// draw at all (something other than the clear colour in the list's band).
class ListPicturesTest : public test::VillageListTest {
protected:
    void SetUp() override
    {
        test::VillageListTest::SetUp();
        if (HasFatalFailure()) return;
        for (int32_t resource = 1; resource <= 17; ++resource) profile()->SetResourceCount(resource, 12);
        profile()->PlayerLevel = 4;
        profile()->GoldCount = 420;
        profile()->UpgradesCountArray[18] = 1;  // the market: gold prices
        profile()->UpgradesCountArray[88] = 1;
        profile()->UpgradesCountArray[91] = 1;
        for (int32_t id : {28, 21, 19, 29}) profile()->SetObjectSeen(id);
        profile()->RegenerateBuyIndexes();
    }
    void picture(const std::string& name)
    {
        run_.run(1.0);
        run_.picture(name);
        const std::vector<uint8_t> pixels = run_.driver().readPixels();
        bool drawn = false;
        for (size_t i = 0; i + 3 < pixels.size() && !drawn; i += 4 * 97)
            drawn = pixels[i] != 0 || pixels[i + 1] != 0 || pixels[i + 2] != 0;
        EXPECT_TRUE(drawn) << name;
    }
};

TEST_P(ListPicturesTest, BuildingsListAndItsPopUp)
{
    auto list = BuildingsLayer::layerWithGuiParent(hud_.get());
    show(list.get());
    picture("buildings-list");
    list->ShowPopUpWithUpgrade(profile()->BuildingsDict.at(1), true);
    picture("hire-popup-building");
}

TEST_P(ListPicturesTest, ToolPopUpWithTheCoinPanel)
{
    profile()->GoldCount = 10;
    auto previous = session::setCoinPackListMaker([](CCNode*) -> Ref<CCNode> {
        // The coin packs' own list is another screen's; a plain strip shows where it slides.
        auto strip = CCLayerColor::layerWithColor({30, 44, 90, 255}, CCDirector::sharedDirector()->winSize().width,
                                                  0.3f * CCDirector::sharedDirector()->winSize().height);
        auto holder = CCNode::node();
        strip->setPosition({0, 0.68f * CCDirector::sharedDirector()->winSize().height});
        holder->addChild(strip.get());
        return holder;
    });
    auto list = ToolsLayer::layerWithGuiParent(hud_.get());
    show(list.get());
    picture("tools-list");
    list->ShowPopUpWithUpgrade(profile()->ToolsDict.at(0), true);
    picture("hire-popup-tool");
    HirePopUp* popUp = nullptr;
    for (CCNode* child : test::kids(hud_.get()))
        if (auto* found = dynamic_cast<HirePopUp*>(child)) popUp = found;
    ASSERT_NE(popUp, nullptr);
    popUp->BuyCallback(nullptr);
    picture("hire-popup-coin-panel");
    session::setCoinPackListMaker(previous);
}

TEST_P(ListPicturesTest, WorkersList)
{
    auto list = WorkersLayer::layerWithGuiParent(hud_.get());
    show(list.get());
    picture("workers-list");
}

INSTANTIATE_TEST_SUITE_P(Devices, ListPicturesTest, ::testing::Values("phone-hd", "tablet-hd"));

} // namespace
} // namespace mw
